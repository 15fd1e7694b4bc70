// Disks and arrays, end to end through the CGI program and the emulator.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/reply.h"
#include "handlers/storage/storage_records.h"
#include "platform/kxfs_log.h"
#include "tests/fixtures.h"

namespace {

class StorageTest : public NvrTest {
protected:
    void put_disk(const DiskRow& row, int index = -1) { put_row("disk", index < 0 ? row.port : index, row); }
    DiskRow stored_disk(int index)
    {
        DiskRow row = zeroed<DiskRow>();
        stored("disk", index, &row);
        return row;
    }
    static DiskRow network_row(int port, const char* vendor, const char* address, const char* dir)
    {
        DiskRow row = zeroed<DiskRow>();
        row.port = port;
        row.enable = 1;
        set_text(row.vendor, vendor);
        set_text(row.address, address);
        set_text(row.directory, dir);
        row.type = kDiskTypeNetwork;
        row.group = 2;
        row.property = 1;
        row.array_level = 9;
        return row;
    }
    static DiskRecord disk(int port, u64 total)
    {
        DiskRecord d = zeroed<DiskRecord>();
        d.port = port;
        d.total_size = total;
        return d;
    }
    static std::string records_hex(const std::vector<DiskRecord>& list)
    {
        return to_hex(list.data(), list.size() * sizeof(DiskRecord));
    }
};

// ---- disk list ----

TEST_F(StorageTest, DiskListMergesReportedDisksWithStoredNetworkDisks)
{
    ASSERT_EQ(store({"set", "esata_type", "2"}).status, 0);
    put_disk(network_row(5, "nas-a", "10.0.0.5", "/share/a"));    // reported without its address
    put_disk(network_row(7, "nas-b", "10.0.0.7", "/share/b"));    // not reported: listed as missing
    DiskRow off = network_row(8, "nas-c", "10.0.0.8", "/share/c");
    off.enable = 0;
    put_disk(off);

    DiskRecord first = disk(2, 1000);  // replaced by the later record of port 2
    DiskRecord local = disk(2, 2199023255552ull);
    set_text(local.vendor, "ST2000");
    local.used_size = 3ull << 20;
    local.free_size = (2199023255552ull) - (3ull << 20);
    local.state = 1;
    local.group = 4;
    local.property = 0;
    local.array_level = 5;
    local.array_state = 6;
    local.array_progress = 70;
    local.member_count = 3;
    local.members[0] = 1;
    local.members[1] = 0;  // skipped
    local.members[2] = 3;
    local.members[3] = 5;  // beyond the member count
    DiskRecord nas = disk(5, 0);
    nas.type = kDiskTypeNetwork;
    set_text(nas.directory, "/reported");
    DiskRecord outside = disk(34, 1);
    emu().rule("3433 reply 8433 hex:" + records_hex({first, nas, local, outside}));

    auto r = post("/6100", "");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    EXPECT_EQ(r.body(),
              "{ \"resultString\": \"OK\", \"esataType\": 2, \"HDD\": [ "
              "{ \"portId\": 2, \"vendorName\": \"ST2000\", \"address\": \"\", \"directory\": \"\", "
              "\"totalSize\": 2097152, \"usedSize\": 3, \"freeSize\": 2097149, \"hddType\": 0, \"state\": 1, "
              "\"group\": 4, \"property\": 0, \"raid_id\": 2, \"raid_level\": 5, \"raid_state\": 6, "
              "\"raid_progress\": 70, \"raid_sata_cnt\": 3, \"raid_task\": 70, \"raid_sata_port\": 10 }, "
              "{ \"portId\": 5, \"vendorName\": \"\", \"address\": \"10.0.0.5\", \"directory\": \"\\/reported\", "
              "\"totalSize\": 0, \"usedSize\": 0, \"freeSize\": 0, \"hddType\": 3, \"state\": 0, \"group\": 0, "
              "\"property\": 0, \"raid_id\": 5, \"raid_level\": 0, \"raid_state\": 0, \"raid_progress\": 0, "
              "\"raid_sata_cnt\": 0, \"raid_task\": 0, \"raid_sata_port\": 0 }, "
              "{ \"portId\": 7, \"vendorName\": \"nas-b\", \"address\": \"10.0.0.7\", \"directory\": \"\\/share\\/b\", "
              "\"totalSize\": 0, \"usedSize\": 0, \"freeSize\": 0, \"hddType\": 3, \"state\": 2, \"group\": 0, "
              "\"property\": 1, \"raid_id\": 7, \"raid_level\": 9, \"raid_state\": 0, \"raid_progress\": 0, "
              "\"raid_sata_cnt\": 0, \"raid_task\": 0, \"raid_sata_port\": 0 } ] }");
    auto sent = emu().received(3433);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent[0].payload.empty());
    EXPECT_EQ(sent[0].flags & 1, 1u);
}

TEST_F(StorageTest, DiskListWithNothingReportedOrConfiguredIsNo)
{
    emu().rule("3433 reply 8433");
    EXPECT_EQ(post("/6100", "").body(), "{ \"resultString\": \"NO\", \"esataType\": 0, \"HDD\": [ ] }");
}

TEST_F(StorageTest, DiskListReplyShorterThanARecordHasNoRecords)
{
    put_disk(network_row(3, "nas", "10.0.0.3", "/s"));
    emu().rule("3433 reply 8433 zeros:391");
    auto body = post("/6100", "").body();
    EXPECT_EQ(body.rfind("{ \"resultString\": \"OK\", \"esataType\": 0, \"HDD\": [ { \"portId\": 3, ", 0), 0u) << body;
    EXPECT_NE(body.find("\"state\": 2"), std::string::npos);
}

TEST_F(StorageTest, DiskListMemberMaskIgnoresCountsAndPortsOutOfRange)
{
    DiskRecord a = disk(10, 0);
    a.member_count = 1000;  // more than the 16 entries
    a.members[0] = 40;
    a.members[1] = -2;
    a.members[2] = 70;
    a.members[15] = 2;
    DiskRecord b = disk(11, 0);
    b.member_count = -4;
    b.members[0] = 1;
    emu().rule("3433 reply 8433 hex:" + records_hex({a, b}));
    auto body = post("/6100", "").body();
    EXPECT_NE(body.find("\"raid_sata_cnt\": 1000, \"raid_task\": 0, \"raid_sata_port\": 1099511627780 }"),
              std::string::npos)
        << body;
    EXPECT_NE(body.find("\"raid_sata_cnt\": -4, \"raid_task\": 0, \"raid_sata_port\": 0 }"), std::string::npos);
}

TEST_F(StorageTest, DiskListWithoutReplyIsJsonError)
{
    emu().rule("3433 close");
    EXPECT_EQ(post("/6100", "").out, kJsonError);
}

TEST_F(StorageTest, DemoRecorderHasTwoDisksAndANetworkDisk)
{
    emu();
    auto body = post("/6100", "").body();
    EXPECT_NE(body.find("\"portId\": 1, \"vendorName\": \"ST2000VX015\""), std::string::npos) << body;
    EXPECT_NE(body.find("\"totalSize\": 2097152"), std::string::npos);
    EXPECT_NE(body.find("\"portId\": 2, "), std::string::npos);
    EXPECT_NE(body.find("\"hddType\": 3"), std::string::npos);
    EXPECT_NE(body.find("\"address\": \"192.168.1.20\""), std::string::npos);
}

// ---- format ----

struct FormatCase {
    const char* name;
    const char* rule;  // emulator answer to 3434
    const char* body;  // whole CGI output
    i32 logged;        // result in the log detail
};
void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class StorageFormatTest : public StorageTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(StorageFormatTest, RepliesTheResultAndLogsIt)
{
    const FormatCase& c = GetParam();
    emu().rule(c.rule);
    env.push_back({"HTTP_COOKIE", "userName=oper"});
    EXPECT_EQ(post("/6102", " 3\n").out, c.body);

    EXPECT_EQ(hex_of(sent_once(3434)), "03000000");

    auto logs = emu().received(3485);
    ASSERT_EQ(logs.size(), 1u);
    OpLogRecord want = zeroed<OpLogRecord>();
    want.main_type = 4;
    want.sub_type = 207;
    want.param_type = 900;
    want.remote = 1;
    want.channel = 3;
    set_text(want.remote_addr, "192.0.2.10");
    set_text(want.user, "oper");
    FormatLogDetail detail = zeroed<FormatLogDetail>();
    detail.port = 3;
    detail.result = c.logged;
    kxfs_log_pack_detail(&want, 102, &detail, sizeof detail);
    EXPECT_EQ(hex_of(logs[0]), hex_of(want));
    EXPECT_EQ(logs[0].u32_at(148), 80u);  // kind and length words, then the 72-byte block
    EXPECT_EQ(logs[0].u32_at(152 + 8 + 68), u32(c.logged));
}

INSTANTIATE_TEST_SUITE_P(
    StorageFormat, StorageFormatTest,
    ::testing::Values(FormatCase{"Ok", "3434 reply 8434 hex:00000000", "Content-type: text/plain\r\n\r\nOK", 1},
                      FormatCase{"OkAs8402", "3434 reply 8402 hex:00000000", "Content-type: text/plain\r\n\r\nOK", 1},
                      FormatCase{"Using", "3434 reply 8434 hex:01000000", "Content-type: text/plain\r\n\r\nUSING", -1},
                      FormatCase{"Failed", "3434 reply 8434 hex:ffffffff",
                                 "Content-type: text/plain\r\n\r\nERROR FORMAT", -1},
                      FormatCase{"NasLowCapacity", "3434 reply 8402 hex:fdffffff",
                                 "Content-type: text/plain\r\n\r\nNAS LOW CAP", -1},
                      FormatCase{"UnknownResult", "3434 reply 8434 hex:07000000", "", -1},
                      FormatCase{"NoReply", "3434 close", kJsonError.c_str(), -1},
                      FormatCase{"ShortReply", "3434 reply 8434 hex:0000", kJsonError.c_str(), -1}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

TEST_F(StorageTest, FormatRefusesPortsOutsideItsRangeAndNonNumbers)
{
    emu();
    for (const char* text : {"37", "-1", "", "abc", "3x", "1e1", "99999999999999999999"})
        EXPECT_EQ(post("/6102", text).out, "") << text;
    EXPECT_TRUE(emu().received().empty());
    // The last port of the range is accepted (the demo cannot format it).
    EXPECT_EQ(post("/6102", "36").body(), "ERROR FORMAT");
    EXPECT_EQ(post("/6102", "0").body(), "ERROR FORMAT");
    EXPECT_EQ(post("/6102", "1").body(), "OK");
}

// ---- property, port check ----

TEST_F(StorageTest, PropertyChangesOnlyGroupAndProperty)
{
    put_disk(network_row(4, "nas", "10.0.0.4", "/d"));
    emu();
    env.push_back({"HTTP_COOKIE", "userName=admin"});
    EXPECT_EQ(post("/6101", "{\"portId\":4,\"property\":0,\"group\":3}").out, "Content-type: text/plain\r\n\r\nOK");
    DiskRow want = network_row(4, "nas", "10.0.0.4", "/d");
    want.group = 3;
    want.property = 0;
    EXPECT_EQ(hex_of(stored_disk(4)), hex_of(want));

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, 3435u);
    EXPECT_EQ(frames[0].flags & 1, 0u);
    EXPECT_EQ(hex_of(frames[0]), words({4, 0, 3, 0}));
    EXPECT_EQ(frames[1].code, 3485u);
    EXPECT_EQ(frames[1].i64_at(8), 204);
    EXPECT_EQ(frames[1].u32_at(24), 919u);
    EXPECT_EQ(frames[1].u32_at(32), 4u);
    EXPECT_EQ(frames[1].u32_at(148), 0u);
}

TEST_F(StorageTest, PropertyOfAnUnstoredPortKeepsTheRowAtThatPort)
{
    emu();
    EXPECT_EQ(post("/6101", "{\"portId\":35,\"property\":1}").body(), "OK");
    DiskRow row = stored_disk(35);
    EXPECT_EQ(row.port, 35);
    EXPECT_EQ(row.property, 1);
    EXPECT_EQ(row.group, 0);
    EXPECT_EQ(row.enable, 0);
    const std::string dump = store({"dump", "disk"}).out;
    EXPECT_EQ(dump.rfind("35 280 ", 0), 0u) << dump;  // the only row
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 1);
}

TEST_F(StorageTest, PropertyRefusalsWriteAndSendNothing)
{
    emu();
    for (const char* text : {"{\"portId\":36,\"property\":1}", "{\"portId\":-1,\"property\":1}",
                             "{\"portId\":3,\"property\":2}", "{\"property\":1}", "{\"portId\":3}", "not json", ""})
        EXPECT_EQ(post("/6101", text).out, "") << text;
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(store({"dump", "disk"}).out, "");
}

TEST_F(StorageTest, PortCheckAnswersOkWithinItsRange)
{
    EXPECT_EQ(post("/6103", "16").out, "Content-type: text/plain\r\n\r\nOK");
    EXPECT_EQ(post("/6103", "0").body(), "OK");
    EXPECT_EQ(post("/6103", "17").out, "");
    EXPECT_EQ(post("/6103", "-1").out, "");
    EXPECT_EQ(post("/6103", "").out, "");
}

// ---- arrays and hot spares ----

TEST_F(StorageTest, CreateArraySendsMembersFromThePortBits)
{
    emu();
    EXPECT_EQ(post("/6104", "{\"id\":12,\"enable\":1,\"sata_port\":3,\"sata_cnt\":2,\"level\":5}").out,
              "Content-type: text/plain\r\n\r\nOK");
    // More bits than members: only the first member-count entries are sent.
    EXPECT_EQ(post("/6104", "{\"id\":15,\"enable\":0,\"sata_port\":11,\"sata_cnt\":2,\"level\":1}").body(), "OK");
    auto sent = emu().received(3420);
    ASSERT_EQ(sent.size(), 2u);
    ArrayRequest want = zeroed<ArrayRequest>();
    want.id = 12;
    want.enable = 1;
    want.level = 5;
    want.member_count = 2;
    want.members[0] = 0;
    want.members[1] = 1;
    EXPECT_EQ(hex_of(sent[0]), hex_of(want));
    EXPECT_EQ(sent[0].flags & 1, 1u);
    EXPECT_EQ(hex_of(sent[1]), words({15, 0, 1, 0, 0, 2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(StorageTest, CreateArrayRefusals)
{
    emu();
    for (const char* text : {
             "{\"id\":16,\"enable\":1,\"sata_port\":3,\"sata_cnt\":2,\"level\":5}",
             "{\"id\":9,\"enable\":1,\"sata_port\":3,\"sata_cnt\":2,\"level\":5}",
             "{\"id\":12,\"sata_port\":3,\"sata_cnt\":2,\"level\":5}",
             "{\"id\":12,\"enable\":1,\"sata_port\":-1,\"sata_cnt\":2,\"level\":5}",
             "{\"id\":12,\"enable\":1,\"sata_port\":3,\"sata_cnt\":-2,\"level\":5}",
             "{\"id\":12,\"enable\":1,\"sata_port\":3,\"sata_cnt\":17,\"level\":5}",
             "{\"id\":12,\"enable\":1,\"sata_port\":3,\"sata_cnt\":2}",
             "{\"enable\":1,\"sata_port\":3,\"sata_cnt\":2,\"level\":5}",
             "[",
             "",
         })
        EXPECT_EQ(post("/6104", text).out, "") << text;
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(StorageTest, DeleteArrayTakesABareNumberUpTo16)
{
    emu().rule("3421 reply 8421 hex:01000000");
    EXPECT_EQ(post("/6105", "16").out, "Content-type: text/plain\r\n\r\nError");
    EXPECT_EQ(post("/6105", "\"12\"").body(), "Error");
    for (const char* text : {"9", "17", "abc", "{\"id\":12}", "", "null"})
        EXPECT_EQ(post("/6105", text).out, "") << text;
    auto sent = emu().received(3421);
    ASSERT_EQ(sent.size(), 2u);
    ArrayRequest want = zeroed<ArrayRequest>();
    want.id = 16;
    EXPECT_EQ(hex_of(sent[0]), hex_of(want));
}

TEST_F(StorageTest, HotSpareAndRebuildMessages)
{
    emu();
    EXPECT_EQ(post("/6106", "{\"port\":3,\"hotflag\":1}").body(), "OK");
    EXPECT_EQ(post("/6106", "{\"port\":4,\"hotflag\":0}").body(), "OK");
    EXPECT_EQ(post("/6107", "{\"diskport\":5,\"raidport\":11}").body(), "OK");
    EXPECT_EQ(post("/6106", "nope").out, "");
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].code, 3423u);
    EXPECT_EQ(hex_of(frames[0]), words({3}));
    EXPECT_EQ(frames[1].code, 3424u);
    EXPECT_EQ(hex_of(frames[1]), words({4}));
    EXPECT_EQ(frames[2].code, 3425u);
    EXPECT_EQ(hex_of(frames[2]), words({5, 11}));
}

TEST_F(StorageTest, ArrayRequestsWithoutAResultAnswerPlainError)
{
    emu().rule("3425 close");
    emu().rule("3424 reply 8424 hex:0100");  // too short to hold the result
    EXPECT_EQ(post("/6107", "{\"diskport\":5,\"raidport\":11}").out, kTextError);
    EXPECT_EQ(post("/6106", "{\"port\":4}").out, kTextError);
}

// A frame under a reply code the request does not expect (another
// request's result) is no answer: the request ends as unanswered when the
// daemon hangs up, and a format is not logged as done.
TEST_F(StorageTest, ResultUnderAnotherRequestsCodeIsNoAnswer)
{
    emu().rule("3434 reply 8420 hex:00000000");  // an array result where the format result belongs
    emu().rule("3434 close");
    EXPECT_EQ(post("/6102", "3").out, kJsonError);
    auto logs = emu().received(3485);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].u32_at(152 + 8 + 68), u32(-1));

    emu().rule("3420 reply 8434 hex:00000000");  // a format result where the array result belongs
    emu().rule("3420 close");
    EXPECT_EQ(post("/6104", "{\"id\":12,\"enable\":1,\"sata_port\":3,\"sata_cnt\":2,\"level\":5}").out,
              kTextError);
}

// ---- array mode ----

TEST_F(StorageTest, ArrayModeIsZeroOrOne)
{
    EXPECT_EQ(post("/6108", "").out, "Content-type: text/plain\r\n\r\n0");
    EXPECT_EQ(post("/6109", "1").out, "Content-type: text/plain\r\n\r\nOK");
    EXPECT_EQ(post("/6108", "").body(), "1");
    EXPECT_EQ(post("/6109", "").out, "");
    EXPECT_EQ(post("/6108", "").body(), "1");
    EXPECT_EQ(post("/6109", "5").body(), "OK");
    EXPECT_EQ(store({"get", "raidmode"}).out, "0\n");
    EXPECT_EQ(post("/6109", "1").body(), "OK");
    EXPECT_EQ(post("/6109", "one").body(), "OK");
    EXPECT_EQ(post("/6108", "").body(), "0");
}

TEST_F(StorageTest, ModuleListsItsCodesInTableOrder)
{
    const std::vector<std::string> mine = {"/6100", "/6101", "/6102", "/6103", "/6104",
                                           "/6105", "/6106", "/6107", "/6108", "/6109"};
    EXPECT_EQ(registered_codes("storage", mine), mine);
}

TEST_F(StorageTest, EveryCodeSurvivesAnEmptyOrMissingBody)
{
    emu();
    expect_empty_bodies_handled({"/6100", "/6101", "/6102", "/6103", "/6104", "/6105", "/6106", "/6107", "/6108", "/6109"});
}

}  // namespace
