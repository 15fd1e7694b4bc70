// The request table: registration limits, slot reuse and exact-match dispatch;
// the registered table of the program, slot by slot.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "front/webreq.h"
#include "tests/harness.h"
#include "tests/process_root.h"

namespace {

std::string g_seen;
int record_a(const char* req) { g_seen = std::string("a:") + req; return 0; }
int record_b(const char* req) { g_seen = std::string("b:") + req; return 0; }

// The test binary links no handler modules, so the table starts empty.
class WebReqTable : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(webreq_count(), 0); g_seen.clear(); }
    void TearDown() override
    {
        for (int s = 0; s < MAX_WEBREQ_COUNT; s++)
            if (const WebReqEntry* e = webreq_slot(s)) {
                WebReqEntry copy = *e;
                webreq_unregister(&copy, 1);
            }
    }
};

TEST_F(WebReqTable, DispatchMatchesExactly)
{
    static const WebReqEntry t[] = {{"/1000", record_a}, {"/json", record_b}};
    ASSERT_EQ(webreq_register(t, 2), 0);
    webreq_dispatch("/json", "x");
    EXPECT_EQ(g_seen, "b:x");
    for (const char* miss : {"/9999", "/1000 ", "/JSON", "/100", ""}) {
        g_seen.clear();
        webreq_dispatch(miss, "x");
        EXPECT_EQ(g_seen, "") << miss;
    }
    webreq_dispatch(nullptr, "x");
    EXPECT_EQ(g_seen, "");
}

TEST_F(WebReqTable, RefusesNullAndEmptyTables)
{
    static const WebReqEntry t[] = {{"/1000", record_a}};
    EXPECT_EQ(webreq_register(nullptr, 1), -1);
    EXPECT_EQ(webreq_register(t, 0), -1);
    EXPECT_EQ(webreq_unregister(nullptr, 1), -1);
    EXPECT_EQ(webreq_unregister(t, -1), -1);
    EXPECT_EQ(webreq_count(), 0);
}

TEST_F(WebReqTable, UnregisterFreesSlotsForReuseLowestFirst)
{
    static const WebReqEntry a[] = {{"/a1", record_a}, {"/a2", record_a}, {"/a3", record_a}};
    static const WebReqEntry mid[] = {{"/a2", record_a}};
    static const WebReqEntry b[] = {{"/b1", record_b}, {"/b2", record_b}};
    ASSERT_EQ(webreq_register(a, 3), 0);
    ASSERT_EQ(webreq_unregister(mid, 1), 0);
    EXPECT_EQ(webreq_count(), 2);
    webreq_dispatch("/a2", "");
    EXPECT_EQ(g_seen, "");
    ASSERT_EQ(webreq_register(b, 2), 0);
    ASSERT_NE(webreq_slot(1), nullptr);
    EXPECT_STREQ(webreq_slot(1)->name, "/b1");
    EXPECT_STREQ(webreq_slot(3)->name, "/b2");
}

TEST_F(WebReqTable, RegistrationReachingTheLimitIsRefusedWhole)
{
    // 511 slots may be filled; a table that would bring the count to 512 is
    // refused as a whole and leaves the table as it was.
    static WebReqEntry big[511];
    for (int i = 0; i < 511; i++) {
        std::snprintf(big[i].name, sizeof big[i].name, "/%d", 1000 + i);
        big[i].handler = record_a;
    }
    ASSERT_EQ(webreq_register(big, 510), 0);
    static const WebReqEntry two[] = {{"/x1", record_b}, {"/x2", record_b}};
    EXPECT_EQ(webreq_register(two, 2), -1);
    EXPECT_EQ(webreq_count(), 510);
    webreq_dispatch("/x1", "");
    EXPECT_EQ(g_seen, "");
    std::string log = read_whole_file(test_process_root() + "/mnt/nand/cgi_log.txt");
    EXPECT_NE(log.find(" dispatchreq:62 in : [kel debug] WEBREQ exceeded maximum value(MAX_WEBREQ_COUNT)\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(webreq_register(two, 1), 0);
    EXPECT_EQ(webreq_count(), 511);
    webreq_unregister(big, 510);
}

}  // namespace

namespace {

// One module table's codes: single codes and ranges "a-b" (every code from a
// to b in ascending order), as the table lists them.
void expand(const std::vector<std::string>& items, std::vector<std::string>* out)
{
    for (const std::string& item : items) {
        const size_t dash = item.find('-');
        if (dash == std::string::npos) {
            out->push_back("/" + item);
            continue;
        }
        const int from = std::stoi(item.substr(0, dash)), to = std::stoi(item.substr(dash + 1));
        for (int c = from; c <= to; c++) out->push_back("/" + std::to_string(c));
    }
}

}  // namespace

// The whole table as the modules register it: 424 codes in slot order,
// the five reserved codes ("/6154" to "/6156", "/6187", "/6188") in their
// places among the "/6000" table's event codes ("/6130" and "/6173", camera
// features, sit between the event codes in number order).
TEST(RequestTable, EveryCodeInItsSlot)
{
    std::vector<std::string> want;
    expand({"3300-3304"}, &want);
    expand({"6020", "6021", "6022", "6060-6064", "6023", "6032", "6024-6029", "6033", "6034"}, &want);
    expand({"2001", "2003-2008", "2000", "2009-2015", "2018", "2016", "2017", "2019-2047", "2050", "2048", "2049",
            "2051-2066", "2068", "2067", "2069-2081"},
           &want);
    expand({"7000", "7001", "7010", "7011", "7020", "7021", "7030", "7031", "7040", "7041", "7043", "7042", "7050",
            "7093", "7051", "7060", "7061", "7062", "7070", "7032", "7071", "7044", "7080-7087", "7089", "7090",
            "7091", "7092", "7094", "7095", "7096", "7033", "7034"},
           &want);
    expand({"5000", "5001", "6050-6054", "6056", "6055", "6057", "5002-5012"}, &want);
    expand({"6030", "6031", "6040-6047"}, &want);
    expand({"8000-8011"}, &want);
    expand({"6100-6109", "6200-6210", "6222", "6220", "6221", "6223-6227"}, &want);
    expand({"4000-4011", "3000", "3001", "3002", "4012-4020", "3003", "4022", "4023", "4021", "4024", "4027", "4025",
            "4026", "3004"},
           &want);
    std::vector<std::string> system;
    expand({"1000-1013", "6070-6073", "6080", "6081", "1014-1018"}, &system);
    system.push_back("/json");
    system.push_back("/1019");
    for (const char* c : {"/vb.htm", "/oem", "/dw.cgi", "/ipc"}) system.push_back(c);
    expand({"6074", "1030", "1031", "1021", "1023", "1020", "1022", "6075", "6076", "6077", "1032", "1033", "6082",
            "6084", "6083", "6085-6089", "1034", "6300", "6301", "6310", "6311", "6320-6325", "1024"},
           &system);
    want.insert(want.end(), system.begin(), system.end());
    expand({"6000", "6001", "6002", "6010-6017", "6018", "6019", "6098", "6999", "6998", "6997", "6996", "6090-6093",
            "6112-6118", "6120", "6119", "6122", "6124", "6126", "6128", "6121", "6125", "6129", "6123", "6127",
            "6130", "6132-6168", "6170", "6169", "6171", "6172", "6173", "6174-6178", "6180", "6179", "6181-6186", "6094", "6095",
            "6187-6195", "6131", "6196", "6197", "6198", "6096", "6097"},
           &want);
    ASSERT_EQ(want.size(), 424u);

    RunResult r = run_program(built("nvr-api-codes"), {}, {}, "");
    ASSERT_EQ(r.status, 0);
    std::vector<std::string> got;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        std::istringstream ls(line);
        std::string slot, code;
        if (ls >> slot >> code && slot != "total") got.push_back(code);
    }
    EXPECT_EQ(got, want);
    EXPECT_NE(r.out.find("\ntotal 424\n"), std::string::npos);
}

// The reserved codes are taken and answered with nothing, like a code no
// module knows, and tell the core daemon nothing.
class ReservedCodes : public NvrTest {};

TEST_F(ReservedCodes, AnswerNothing)
{
    emu();
    for (const char* code : {"/6154", "/6155", "/6156", "/6187", "/6188"}) {
        for (const char* body : {"", "{\"chnid\":1}", "x"}) {
            auto r = post(code, body);
            EXPECT_EQ(r.status, 0) << code;
            EXPECT_EQ(r.out, "") << code << " " << body;
        }
    }
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(registered_codes("video", {"/6153", "/6154", "/6155", "/6156", "/6157", "/6095", "/6187", "/6188", "/6189"}),
              (std::vector<std::string>{"/6153", "/6154", "/6155", "/6156", "/6157", "/6095", "/6187", "/6188", "/6189"}));
}
