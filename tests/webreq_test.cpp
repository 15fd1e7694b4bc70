// The request table: registration limits, slot reuse and exact-match dispatch.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

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
