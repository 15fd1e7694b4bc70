// Network disks, eSATA, self-evaluation, device removal, quotas, disk groups
// and automatic backup, end to end through the CGI program and the emulator.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/json.h"
#include "common/reply.h"
#include "handlers/storage/netdisk_records.h"
#include "platform/kxfs_log.h"
#include "tests/fixtures.h"

namespace {

// Tools a careless implementation might run for a share; each is faked.
const char* const kShellTools[] = {"mount", "umount", "mount.cifs", "mount.nfs", "smbclient", "showmount",
                                   "ping",  "sh",     "bash",       "touch",     "rm",        "echo"};

class NetDiskTest : public NvrTest {
protected:
    DiskRow disk(int port)
    {
        DiskRow row = zeroed<DiskRow>();
        stored("disk", port, &row);
        return row;
    }
    // A local disk of group 5.
    static DiskRow local_disk(int port)
    {
        DiskRow row = zeroed<DiskRow>();
        row.port = port;
        row.enable = 1;
        row.group = 5;
        return row;
    }
    static DiskRow nas(int port, const char* address, const char* dir, int group = 0)
    {
        DiskRow row = zeroed<DiskRow>();
        row.port = port;
        row.enable = 1;
        set_text(row.vendor, "NAS");
        set_text(row.address, address);
        set_text(row.directory, dir);
        row.type = kDiskTypeNetwork;
        row.group = group;
        row.property = 1;
        return row;
    }
    void fake_shell_tools()
    {
        for (const char* t : kShellTools) fake_tool(t);
    }
    void expect_no_tool_ran()
    {
        for (const char* t : kShellTools) EXPECT_TRUE(tool_calls(t).empty()) << t;
        EXPECT_FALSE(root().exists("/pwned"));
        EXPECT_FALSE(root().exists("/tmp/pwned"));
    }
    std::string debug_log() { return root().read_file("/mnt/nand/cgi_log.txt"); }
};

// Shell metacharacters in every text field: they must be stored and sent as
// plain bytes.
const std::string kEvil = "$(touch pwned);`touch pwned`|touch pwned&&touch pwned'\\\"";
std::string quoted(const std::string& s)
{
    JsonPtr j(json_object_new_string(s.c_str()));
    return json_object_to_json_string_ext(j.get(), JSON_C_TO_STRING_PLAIN);
}

// ---- add, edit, delete ----

TEST_F(NetDiskTest, AddStoresSharesWithShellTextAsPlainBytesAndRunsNothing)
{
    fake_shell_tools();
    emu();
    env.push_back({"HTTP_COOKIE", "userName=admin"});
    const std::string address = "10.0.0.9;" + kEvil, dir = "/share/" + kEvil + "\n$(reboot)";
    const std::string body = "{\"num\":2,\"port\":[17,18],\"vendor\":[" + quoted(kEvil) + ",\"b\"],\"address\":[" +
                             quoted(address) + ",\"10.0.0.8\"],\"directory\":[" + quoted(dir) + ",\"/b\"]}";
    EXPECT_EQ(post("/6201", body).out, kOk);
    expect_no_tool_ran();

    DiskRow want = nas(17, address.c_str(), dir.c_str());
    set_text(want.vendor, kEvil.c_str());
    EXPECT_EQ(hex_of(disk(17)), hex_of(want));
    EXPECT_EQ(disk(18).enable, 1);
    EXPECT_STREQ(disk(18).address, "10.0.0.8");

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].code, 3507u);
    EXPECT_EQ(frames[0].flags & 1, 1u);
    NetDiskList list = zeroed<NetDiskList>();
    list.count = 2;
    list.ports[0] = 17;
    list.ports[1] = 18;
    EXPECT_EQ(hex_of(frames[0]), hex_of(list));
    // One log per disk, with where it is in the detail block.
    OpLogRecord log = zeroed<OpLogRecord>();
    log.main_type = 4;
    log.sub_type = 219;
    log.remote = 1;
    log.channel = 17;
    set_text(log.remote_addr, "192.0.2.10");
    set_text(log.user, "admin");
    NetDiskLogDetail d = zeroed<NetDiskLogDetail>();
    std::memcpy(d.marker, "NAS", 4);
    set_text(d.address, address.c_str());
    set_text(d.directory, dir.c_str());
    kxfs_log_pack_detail(&log, 101, &d, sizeof d);
    EXPECT_EQ(frames[1].code, 3485u);
    EXPECT_EQ(hex_of(frames[1]), hex_of(log));
    EXPECT_EQ(frames[2].u32_at(32), 18u);
    EXPECT_EQ(frames[2].text_at(152 + 8 + 16, 64), "10.0.0.8");

    // Search, edit and delete with the same texts run nothing either.
    EXPECT_EQ(post("/6202", "{\"port\":17,\"serverAddr\":" + quoted(address) + "}").body(),
              "{ \"resultString\": \"NO\", \"NAS\": [ ] }");
    EXPECT_EQ(post("/6203", "{\"port\":17,\"vendor\":" + quoted(kEvil) + ",\"address\":" + quoted(address) +
                                ",\"directory\":" + quoted(dir) + "}")
                  .body(),
              "OK");
    EXPECT_EQ(post("/6200", "{\"num\":1,\"port\":[17]}").body(), "OK");
    expect_no_tool_ran();
    const std::string log_text = debug_log();
    EXPECT_EQ(log_text.find("10.0.0.9"), std::string::npos) << log_text;
    EXPECT_EQ(log_text.find("/share/"), std::string::npos) << log_text;
    auto search = emu().received(3440);
    ASSERT_EQ(search.size(), 1u);
    EXPECT_EQ(search[0].u32_at(0), 17u);
    EXPECT_EQ(search[0].text_at(4, 64), address.substr(0, 63));
}

TEST_F(NetDiskTest, AddTakesAtMost33DisksAndCutsTexts)
{
    emu();
    std::string ports, texts;
    for (int i = 0; i < 40; i++) {
        ports += (i ? "," : "") + std::to_string(i % 33 + 1);
        texts += std::string(i ? "," : "") + "\"" + std::string(200, char('a' + i % 26)) + "\"";
    }
    const std::string body = "{\"num\":40,\"port\":[" + ports + "],\"vendor\":[" + texts + "],\"address\":[" + texts +
                             "],\"directory\":[" + texts + "]}";
    EXPECT_EQ(post("/6201", body).body(), "OK");
    auto sent = emu().received(3507);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].u32_at(0), 33u);
    EXPECT_EQ(sent[0].u32_at(4 + 32 * 4), 33u);
    EXPECT_EQ(emu().received(3485).size(), 33u);
    DiskRow row = disk(1);
    EXPECT_EQ(std::string(row.vendor), std::string(63, 'a'));
    EXPECT_EQ(std::string(row.address), std::string(63, 'a'));
    EXPECT_EQ(std::string(row.directory), std::string(127, 'a'));
}

TEST_F(NetDiskTest, BadNetworkDisksWriteAndSendNothing)
{
    emu();
    for (const char* text : {
             "{\"num\":1,\"port\":[0],\"address\":[\"a\"],\"directory\":[\"/d\"]}",
             "{\"num\":1,\"port\":[34],\"address\":[\"a\"],\"directory\":[\"/d\"]}",
             "{\"num\":1,\"port\":[\"17\"],\"address\":[\"a\"],\"directory\":[\"/d\"]}",
             "{\"num\":1,\"port\":[17],\"address\":[\"\"],\"directory\":[\"/d\"]}",
             "{\"num\":1,\"port\":[17],\"address\":[\"a\"]}",
             "{\"num\":2,\"port\":[17,18],\"address\":[\"a\",\"b\"],\"directory\":[\"/d\"]}",
             "{\"num\":0,\"port\":[17],\"address\":[\"a\"],\"directory\":[\"/d\"]}",
             "{\"port\":[17],\"address\":[\"a\"],\"directory\":[\"/d\"]}",
             "nas",
             "",
         })
        EXPECT_EQ(post("/6201", text).out, "") << text;
    for (const char* text : {"{\"port\":34,\"address\":\"a\",\"directory\":\"/d\"}",
                             "{\"port\":17,\"directory\":\"/d\"}", "{\"port\":17,\"address\":\"a\"}", "x"})
        EXPECT_EQ(post("/6203", text).out, "") << text;
    for (const char* text : {"{\"num\":1,\"port\":[40]}", "{\"num\":1}", "{\"num\":1,\"port\":[\"x\"]}", "x"})
        EXPECT_EQ(post("/6200", text).out, "") << text;
    EXPECT_EQ(store({"dump", "disk"}).out, "");
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(NetDiskTest, AddWithoutAnswerKeepsTheRowsAndLogsNothing)
{
    emu().rule("3507 close");
    EXPECT_EQ(post("/6201", "{\"num\":1,\"port\":[20],\"address\":[\"a\"],\"directory\":[\"/d\"]}").out, kTextError);
    EXPECT_EQ(disk(20).enable, 1);
    EXPECT_TRUE(emu().received(3485).empty());
}

TEST_F(NetDiskTest, DeleteLogsStoredSharesAndForgetsThemOnceRemoved)
{
    put_row("disk", 17, nas(17, "10.0.0.17", "/a"));
    put_row("disk", 19, nas(19, "10.0.0.19", "/c"));
    emu();
    EXPECT_EQ(post("/6200", "{\"num\":2,\"port\":[17,18,19]}").out, kOk);
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);  // port 18 has no row: not logged
    EXPECT_EQ(frames[0].code, 3508u);
    EXPECT_EQ(hex_of(frames[0]).substr(0, 24), words({2, 17, 18}));
    EXPECT_EQ(frames[1].code, 3485u);
    EXPECT_EQ(frames[1].i64_at(8), 220);
    EXPECT_EQ(frames[1].u32_at(32), 17u);
    EXPECT_EQ(frames[1].u32_at(152), 101u);
    EXPECT_EQ(frames[1].text_at(160, 4), "NAS");
    EXPECT_EQ(frames[1].text_at(160 + 16, 64), "10.0.0.17");
    EXPECT_EQ(frames[1].text_at(160 + 80, 128), "/a");
    EXPECT_EQ(disk(17).enable, 0);
    EXPECT_EQ(disk(19).enable, 1);  // beyond "num"
}

TEST_F(NetDiskTest, DeleteRefusedByTheDaemonKeepsTheShare)
{
    put_row("disk", 17, nas(17, "10.0.0.17", "/a"));
    emu().rule("3508 reply 8508 hex:ffffffff");
    EXPECT_EQ(post("/6200", "{\"num\":1,\"port\":[17]}").body(), "Error");
    EXPECT_EQ(disk(17).enable, 1);
    EXPECT_EQ(emu().received(3485).size(), 1u);
}

TEST_F(NetDiskTest, EditKeepsTheGroupAndRefusesLocalDisks)
{
    put_row("disk", 17, nas(17, "10.0.0.17", "/a", 3));
    DiskRow local = zeroed<DiskRow>();
    local.port = 2;
    local.enable = 1;
    put_row("disk", 2, local);
    emu();
    EXPECT_EQ(post("/6203", "{\"port\":17,\"vendor\":\"v\",\"address\":\"10.0.0.18\",\"directory\":\"/b\"}").out, kOk);
    DiskRow want = nas(17, "10.0.0.18", "/b", 3);
    set_text(want.vendor, "v");
    EXPECT_EQ(hex_of(disk(17)), hex_of(want));
    EXPECT_EQ(post("/6203", "{\"port\":2,\"address\":\"10.0.0.2\",\"directory\":\"/b\"}").out, "");
    EXPECT_EQ(disk(2).type, 0);

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, 3439u);
    EXPECT_EQ(hex_of(frames[0]), words({17}));
    EXPECT_EQ(frames[1].i64_at(8), 221);
    EXPECT_EQ(frames[1].u32_at(32), 17u);
    EXPECT_EQ(frames[1].u32_at(152), 110u);
    EXPECT_EQ(frames[1].text_at(160 + 16, 64), "10.0.0.18");
}

// ---- share search, eSATA, self-evaluation ----

TEST_F(NetDiskTest, ShareSearchListsTheSharesTheDaemonFound)
{
    emu();
    auto r = post("/6202", "{\"port\":17,\"serverAddr\":\"192.168.1.20\"}");
    EXPECT_EQ(r.out, "Content-type: application/json\r\n\r\n{ \"resultString\": \"OK\", \"NAS\": [ { \"filePath\": "
                     "\"\\/export\\/recordings\" }, { \"filePath\": \"\\/export\\/backup\" } ] }");
    auto sent = emu().received(3440);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].payload.size(), 68u);
    EXPECT_EQ(sent[0].flags & 1, 1u);
    EXPECT_EQ(post("/6202", "{\"port\":17}").out, "");
}

TEST_F(NetDiskTest, ShareSearchNeverReadsPastTheReply)
{
    // A count of 5 with room for one path and a half.
    std::vector<u8> reply(4 + 256 + 100, 0);
    reply[0] = 5;
    std::memcpy(reply.data() + 4, "/one", 4);
    emu().rule("3440 reply 8440 hex:" + to_hex(reply.data(), reply.size()));
    EXPECT_EQ(post("/6202", "{\"port\":1,\"serverAddr\":\"s\"}").body(),
              "{ \"resultString\": \"OK\", \"NAS\": [ { \"filePath\": \"\\/one\" } ] }");
}

TEST_F(NetDiskTest, ShareSearchWithoutAWholeCountIsJsonError)
{
    emu().rule("3440 reply 8440 hex:0100");
    EXPECT_EQ(post("/6202", "{\"port\":1,\"serverAddr\":\"s\"}").out, kJsonError);
}

TEST_F(NetDiskTest, EsataModeIsSetAndRead)
{
    emu();
    EXPECT_EQ(post("/6204", "{\"mode\":2,\"esata\":1}").out, "Content-type: application/json\r\n\r\n{ \"status\": \"OK\" }");
    EXPECT_EQ(post("/6205", "").body(), "{ \"mode\": 1, \"esata\": 1 }");
    EXPECT_EQ(post("/6204", "mode").out, "");
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, 3475u);
    EXPECT_EQ(hex_of(frames[0]), words({2, 1}));
    EXPECT_EQ(frames[1].code, 3431u);
    EXPECT_EQ(hex_of(frames[1]), words({0}));
}

TEST_F(NetDiskTest, SelfEvaluationAsksAboutTheLastPort)
{
    emu();
    EXPECT_EQ(post("/6206", "{\"num\":3,\"port\":[1,2,3]}").body(), "{ \"selfEvaluation\": 1 }");
    EXPECT_EQ(post("/6206", "{\"num\":2,\"port\":[1,2,3]}").body(), "{ \"selfEvaluation\": 1 }");
    for (const char* text : {"{\"num\":0,\"port\":[1]}", "{\"num\":1,\"port\":[37]}", "{\"num\":1}", "x"})
        EXPECT_EQ(post("/6206", text).out, "") << text;
    auto sent = emu().received(3403);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(hex_of(sent[0]), words({3}));
    EXPECT_EQ(hex_of(sent[1]), words({2}));
}

TEST_F(NetDiskTest, SelfEvaluationFailsWithoutPassed)
{
    SelfEvalRecord r = zeroed<SelfEvalRecord>();
    std::memset(r.text, 'X', sizeof r.text);  // no terminating zero
    emu().rule("3403 reply 8403 hex:" + hex_of(r));
    EXPECT_EQ(post("/6206", "{\"num\":1,\"port\":[1]}").body(), "{ \"selfEvaluation\": 0 }");
}

// ---- device removal ----

TEST_F(NetDiskTest, RemovingANetworkDiskSendsItsPortAndLogsNothing)
{
    put_row("disk", 17, nas(17, "10.0.0.17", "/a"));
    emu();
    EXPECT_EQ(post("/6207", "{\"port\":17,\"hddType\":3}").out, kOk);
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].code, 3508u);
    NetDiskList list = zeroed<NetDiskList>();
    list.count = 1;
    list.ports[0] = 17;
    EXPECT_EQ(hex_of(frames[0]), hex_of(list));
    EXPECT_EQ(disk(17).enable, 0);
}

TEST_F(NetDiskTest, RemovingAnArrayDeletesIt)
{
    emu();
    EXPECT_EQ(post("/6207", "{\"port\":12,\"hddType\":4}").body(), "OK");
    EXPECT_EQ(post("/6207", "{\"port\":3,\"hddType\":4}").out, "");
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, 3421u);
    ArrayRequest a = zeroed<ArrayRequest>();
    a.id = 12;
    EXPECT_EQ(hex_of(frames[0]), hex_of(a));
    EXPECT_EQ(frames[1].i64_at(8), 224);
    EXPECT_EQ(frames[1].u32_at(32), 12u);
}

TEST_F(NetDiskTest, RemovingALocalDiskResetsItsRowOnlyWhenDone)
{
    const DiskRow local = local_disk(2);
    put_row("disk", 2, local);
    put_row("disk", 3, local);
    emu().rule("3496 reply 8496 hex:00000000");
    EXPECT_EQ(post("/6207", "{\"port\":2,\"hddType\":0}").out, kOk);
    DiskRow want = zeroed<DiskRow>();
    want.port = 2;
    want.property = 1;
    EXPECT_EQ(hex_of(disk(2)), hex_of(want));
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(hex_of(frames[0]), words({2}));
    EXPECT_EQ(frames[1].i64_at(8), 224);
    EXPECT_EQ(frames[1].u32_at(32), 2u);
    for (const char* text : {"{\"port\":37,\"hddType\":0}", "{\"port\":2}", "{\"hddType\":0}", "x", ""})
        EXPECT_EQ(post("/6207", text).out, "") << text;
}

TEST_F(NetDiskTest, RemovingALocalDiskTheDaemonKeepsLeavesItsRow)
{
    put_row("disk", 3, local_disk(3));
    emu().rule("3496 reply 8496 hex:01000000");
    EXPECT_EQ(post("/6207", "{\"port\":3,\"hddType\":1}").body(), "Error");
    EXPECT_EQ(disk(3).group, 5);
}

// Only the device removal's own result lets the row go: a success under
// another request's code is no answer.
TEST_F(NetDiskTest, RemovalResultUnderAnotherCodeLeavesTheRow)
{
    put_row("disk", 3, local_disk(3));
    emu().rule("3496 reply 8508 hex:00000000");  // the network-disk removal's code
    emu().rule("3496 close");
    EXPECT_EQ(post("/6207", "{\"port\":3,\"hddType\":1}").out, kTextError);
    EXPECT_EQ(disk(3).group, 5);
}

// ---- quotas and disk groups ----

TEST_F(NetDiskTest, QuotasAreReadWithTheGroupsAndDisks)
{
    ASSERT_EQ(store({"init"}).status, 0);
    ASSERT_EQ(store({"set", "max_cameras", "16"}).status, 0);
    put_row("disk", 1, nas(1, "a", "/a", 2));
    DiskRow off = nas(4, "b", "/b", 7);
    off.enable = 0;
    put_row("disk", 4, off);
    GroupRow g = zeroed<GroupRow>();
    g.id = 2;
    set_text(g.channels, "1100");
    put_row("disk_group", 2, g);
    QuotaRecord q = zeroed<QuotaRecord>();
    q.enable = 1;
    q.count = 2;
    q.entries[0] = QuotaEntry{3, {0, 0, 0}, 100, 5, 40, 1};
    q.entries[1] = QuotaEntry{200, {0, 0, 0}, 7, 8, 9, 10};
    q.entries[2].channel = 9;  // beyond the count
    emu().rule("3529 reply 8529 hex:" + hex_of(q));
    auto r = post("/6208", "");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    std::string want = "{ \"enable\": 1, \"quota_array\": [ { \"channel\": 3, \"video_used\": 40, \"video_quota\": 100, "
                       "\"picture_used\": 1, \"picture_quota\": 5 }, { \"channel\": 200, \"video_used\": 9, "
                       "\"video_quota\": 7, \"picture_used\": 10, \"picture_quota\": 8 } ], \"channel\": [ \"\", \"\", "
                       "\"1100\"";
    EXPECT_EQ(r.body().rfind(want, 0), 0u) << r.body();
    EXPECT_NE(r.body().find("\"disk\": [ 0, 3, 0, 0, 0, "), std::string::npos) << r.body();
    EXPECT_NE(r.body().find(" ], \"max_chan\": 16, \"group_enable\": 0 }"), std::string::npos);
    auto sent = emu().received(3529);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent[0].payload.empty());
}

TEST_F(NetDiskTest, QuotaCountIsBoundedByTheRecord)
{
    QuotaRecord q = zeroed<QuotaRecord>();
    q.count = 1000;
    emu().rule("3529 reply 8529 hex:" + hex_of(q));
    JsonPtr reply = json_parse(post("/6208", "").body().c_str());
    EXPECT_EQ(json_object_array_length(jget(reply.get(), "quota_array")), 16u);
    EXPECT_EQ(json_object_array_length(jget(reply.get(), "channel")), 16u);
    EXPECT_EQ(json_object_array_length(jget(reply.get(), "disk")), 36u);
}

TEST_F(NetDiskTest, QuotasAreWrittenAtMostSixteen)
{
    emu();
    std::string entries;
    for (int i = 0; i < 18; i++)
        entries += std::string(i ? "," : "") + "{\"channel\":" + std::to_string(i) + ",\"video_quota\":" +
                   std::to_string(100 + i) + ",\"picture_quota\":" + std::to_string(i) + "}";
    EXPECT_EQ(post("/6209", "{\"enable\":1,\"quota_array\":[" + entries + "]}").out, kOk);
    auto sent = emu().received(3530);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].flags & 1, 1u);
    QuotaRecord want = zeroed<QuotaRecord>();
    want.enable = 1;
    want.count = 16;
    for (int i = 0; i < 16; i++) {
        want.entries[i].channel = u8(i);
        want.entries[i].video_quota = 100 + i;
        want.entries[i].picture_quota = i;
    }
    EXPECT_EQ(hex_of(sent[0]), hex_of(want));

    for (const char* text : {"{\"quota_array\":[]}", "q"}) EXPECT_EQ(post("/6209", text).out, "") << text;
    EXPECT_EQ(emu().received(3530).size(), 1u);
    // The entries' numbers reach the core daemon as given.
    EXPECT_EQ(post("/6209", "{\"enable\":1,\"quota_array\":[{\"channel\":64,\"video_quota\":-1},{\"picture_quota\":3}]}")
                  .out,
              kOk);
    sent = emu().received(3530);
    ASSERT_EQ(sent.size(), 2u);
    want = zeroed<QuotaRecord>();
    want.enable = 1;
    want.count = 2;
    want.entries[0].channel = 64;
    want.entries[0].video_quota = -1;
    want.entries[1].picture_quota = 3;
    EXPECT_EQ(hex_of(sent[1]), hex_of(want));
    emu().rule("3530 close");
    EXPECT_EQ(post("/6209", "{\"enable\":0}").out, kTextError);
}

TEST_F(NetDiskTest, GroupsRoundTripThroughTheStore)
{
    ASSERT_EQ(store({"init"}).status, 0);
    GroupRow g = zeroed<GroupRow>();
    g.id = 1;
    set_text(g.second, "kept");
    put_row("disk_group", 1, g);
    put_row("disk", 5, nas(5, "a", "/a", 1));
    emu();
    const std::string long_mask(70, '1');
    EXPECT_EQ(post("/6210", "{\"group_enable\":1,\"channel\":[\"1111\",\"0000111\"]}").out, kOk);
    EXPECT_EQ(store({"get", "group_mode"}).out, "1\n");

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].code, 3442u);
    EXPECT_EQ(hex_of(frames[0]), words({1}));
    EXPECT_EQ(frames[1].code, 3436u);
    EXPECT_EQ(frames[1].flags & 1, 0u);
    GroupRow want = zeroed<GroupRow>();
    want.id = 0;
    set_text(want.channels, "1111");
    EXPECT_EQ(hex_of(frames[1]), hex_of(want));
    want.id = 1;
    set_text(want.channels, "0000111");
    set_text(want.second, "kept");
    EXPECT_EQ(hex_of(frames[2]), hex_of(want));
    EXPECT_EQ(frames[3].code, 1307u);
    EXPECT_TRUE(frames[3].payload.empty());

    auto r = post("/8010", "");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    EXPECT_EQ(r.body().rfind("{ \"channel\": [ \"1111\", \"0000111\", \"\", ", 0), 0u) << r.body();
    EXPECT_NE(r.body().find("\"disk\": [ 0, 0, 0, 0, 0, 2, 0, "), std::string::npos) << r.body();
    EXPECT_NE(r.body().find("], \"max_chan\": 32, \"group_enable\": 1 }"), std::string::npos) << r.body();

    // Grouping already on: the mode is not sent again.
    EXPECT_EQ(post("/6210", "{\"group_enable\":1,\"channel\":[\"1\"]}").body(), "OK");
    EXPECT_EQ(emu().received(3442).size(), 1u);
}

TEST_F(NetDiskTest, GroupingOffLeavesTheGroups)
{
    ASSERT_EQ(store({"init"}).status, 0);
    ASSERT_EQ(store({"set", "group_mode", "1"}).status, 0);
    emu();
    const std::string before = store({"dump", "disk_group"}).out;
    EXPECT_EQ(post("/6210", "{\"group_enable\":0,\"channel\":[\"1\"]}").out, kOk);
    EXPECT_EQ(store({"get", "group_mode"}).out, "0\n");
    EXPECT_EQ(store({"dump", "disk_group"}).out, before);
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].code, 3442u);
    EXPECT_EQ(hex_of(frames[0]), words({0}));
}

TEST_F(NetDiskTest, GroupTextsAreCutNotRefused)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    // A text longer than the 64 channels is cut; any other text is the
    // daemon's to read; a mode other than 0 and 1 is stored as given.
    const std::string long_mask(70, '1');
    EXPECT_EQ(post("/6210", "{\"group_enable\":2,\"channel\":[\"" + long_mask + "\",\"12\",5]}").out, kOk);
    EXPECT_EQ(store({"get", "group_mode"}).out, "2\n");
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[0].code, 3442u);
    EXPECT_EQ(hex_of(frames[0]), words({2}));
    GroupRow g;
    frame_as(frames[1], &g);
    EXPECT_EQ(std::string(g.channels), std::string(64, '1'));
    frame_as(frames[2], &g);
    EXPECT_STREQ(g.channels, "12");
    frame_as(frames[3], &g);
    EXPECT_STREQ(g.channels, "5");
    EXPECT_EQ(frames[4].code, 1307u);
    EXPECT_EQ(post("/6210", "[").out, "");
    EXPECT_EQ(emu().received().size(), 5u);
}

// ---- automatic backup ----

TEST_F(NetDiskTest, BackupPlanRoundTrips)
{
    ASSERT_EQ(store({"init"}).status, 0);
    EXPECT_EQ(post("/6220", "").out, "Content-type: application/json\r\n\r\n{ \"enable\": 0, \"streamType\": 0, "
                                     "\"fileType\": 0, \"recycle\": 1, \"channel\": \"" +
                                         std::string(64, '1') + "\", \"backupTime\": \"02:00\" }");
    emu();
    EXPECT_EQ(post("/6221", "{\"stopBackup\":0,\"enable\":1,\"streamType\":1,\"fileType\":1,\"recycle\":0,"
                            "\"backupTime\":\"23:30:00\",\"channel\":\"1010\"}")
                  .out,
              "Content-type: application/json\r\n\r\n{ \"result\": 0 }");
    EXPECT_EQ(post("/6220", "").body(), "{ \"enable\": 1, \"streamType\": 1, \"fileType\": 1, \"recycle\": 0, "
                                        "\"channel\": \"1010\", \"backupTime\": \"23:30:00\" }");
    // Stopping the backup leaves the plan.
    EXPECT_EQ(post("/6221", "{\"stopBackup\":1}").body(), "{ \"result\": 0 }");
    EXPECT_NE(post("/6220", "").body().find("\"1010\""), std::string::npos);
    auto sent = emu().received(1316);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].flags & 1, 1u);
    EXPECT_EQ(hex_of(sent[0]), words({0}));
    EXPECT_EQ(hex_of(sent[1]), words({1}));
}

TEST_F(NetDiskTest, BackupPlansAreStoredAsGivenAndCutToTheirFields)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    EXPECT_EQ(post("/6221", "backup").out, "");
    EXPECT_TRUE(emu().received().empty());

    // Times, masks and numbers this program does not know are the core
    // daemon's: stored as given, texts cut to their fields.
    EXPECT_EQ(post("/6221", "{\"stopBackup\":0,\"enable\":2,\"streamType\":-1,\"fileType\":0,\"recycle\":2,"
                            "\"backupTime\":\"1:00\",\"channel\":\"" + std::string(70, '1') + "\"}")
                  .body(),
              "{ \"result\": 0 }");
    AutoBackupRow row;
    ASSERT_TRUE(stored("esata_auto_backup", 0, &row));
    EXPECT_EQ(row.enable, 2);
    EXPECT_EQ(row.stream_type, -1);
    EXPECT_EQ(row.recycle, 2);
    EXPECT_STREQ(row.backup_time, "1:00");
    EXPECT_EQ(std::string(row.channels), std::string(64, '1'));
    // Missing keys: 0 and empty texts.
    EXPECT_EQ(post("/6221", "{\"enable\":1}").body(), "{ \"result\": 0 }");
    ASSERT_TRUE(stored("esata_auto_backup", 0, &row));
    EXPECT_EQ(row.enable, 1);
    EXPECT_EQ(row.recycle, 0);
    EXPECT_STREQ(row.backup_time, "");
    EXPECT_STREQ(row.channels, "");
    EXPECT_EQ(emu().received(1316).size(), 2u);
}

TEST_F(NetDiskTest, BackupStatusFormatsThePercentWithOneDecimal)
{
    BackupStatusRecord s = zeroed<BackupStatusRecord>();
    s.status = 2;
    set_text(s.last_time, "2024-06-01 02:00:00");
    s.percent = 12.34f;
    s.capacity = 500;
    emu().rule("1317 reply 6317 hex:" + hex_of(s));
    EXPECT_EQ(post("/6222", "").out, "Content-type: application/json\r\n\r\n{ \"status\": 2, \"percent\": \"12.3\", "
                                     "\"last_time\": \"2024-06-01 02:00:00\", \"capacity\": 500 }");
}

TEST_F(NetDiskTest, BackupDeviceIsTheFirstUsableOne)
{
    std::vector<BackupDeviceRecord> list(3, zeroed<BackupDeviceRecord>());
    list[0].port = 3;
    list[0].state = 1;
    list[1].port = 25;
    list[1].state = 5;
    list[2].port = 26;
    list[2].state = 5;
    emu().rule("3457 reply 8457 hex:" + to_hex(list.data(), list.size() * sizeof list[0]));
    EXPECT_EQ(post("/6223", "").body(), "{ \"port\": 25, \"result\": 0 }");
}

TEST_F(NetDiskTest, NoUsableBackupDeviceIsMinusOne)
{
    std::vector<u8> reply(168 + 100, 0);  // one device that is not usable, then part of another
    reply[168 + 0] = 9;
    emu().rule("3457 reply 8457 hex:" + to_hex(reply.data(), reply.size()));
    EXPECT_EQ(post("/6223", "").body(), "{ \"result\": -1 }");
}

TEST_F(NetDiskTest, BackupRequestsPassTheDaemonsAnswers)
{
    emu();
    EXPECT_EQ(post("/6224", "{\"port\":36}").body(), "{ \"status\": 0 }");
    EXPECT_EQ(post("/6225", "").body(), "{ \"result\": 0 }");
    EXPECT_EQ(post("/6226", "").body(), "{ \"result\": 0 }");
    EXPECT_EQ(post("/6227", "").body(), "{ \"status\": 0, \"port\": 25, \"type\": 0, \"percent\": 100 }");
    for (const char* text : {"{\"port\":37}", "{\"port\":-1}", "{}", "{\"port\":\"3\"}", "x", ""})
        EXPECT_EQ(post("/6224", text).out, kJsonError) << text;
    EXPECT_EQ(hex_of(sent_once(3535)), words({36}));
}

TEST_F(NetDiskTest, ShortBackupRepliesAreJsonErrors)
{
    expect_replies({"1316 reply 6316 hex:00", "1317 reply 6317 zeros:47", "3540 reply 8540 zeros:11",
                    "3536 reply 8536", "3431 reply 8431 zeros:7", "3403 reply 8403 zeros:39",
                    "3529 reply 8529 zeros:327"},
                   {
                       {"/6221", "{\"stopBackup\":1}", kJsonError},
                       {"/6222", "", kJsonError},
                       {"/6227", "", kJsonError},
                       {"/6225", "", kJsonError},
                       {"/6205", "", kJsonError},
                       {"/6206", "{\"num\":1,\"port\":[1]}", kJsonError},
                       {"/6208", "", kJsonError},
                   });
}

// ---- the module ----

TEST_F(NetDiskTest, ModuleListsItsCodesInTableOrder)
{
    const std::vector<std::string> mine = {"/6100", "/6101", "/6102", "/6103", "/6104", "/6105", "/6106", "/6107",
                                           "/6108", "/6109", "/6200", "/6201", "/6202", "/6203", "/6204", "/6205",
                                           "/6206", "/6207", "/6208", "/6209", "/6210", "/6222", "/6220", "/6221",
                                           "/6223", "/6224", "/6225", "/6226", "/6227"};
    EXPECT_EQ(registered_codes("storage"), mine);
    EXPECT_EQ(registered_codes("status", {"/8010"}), std::vector<std::string>{"/8010"});
}

TEST_F(NetDiskTest, EveryCodeSurvivesAnEmptyOrMissingBody)
{
    emu();
    expect_empty_bodies_handled({"/6200", "/6201", "/6202", "/6203", "/6204", "/6205", "/6206", "/6207", "/6208",
                                 "/6209", "/6210", "/6220", "/6221", "/6222", "/6223", "/6224", "/6225", "/6226",
                                 "/6227", "/8010"});
}

}  // namespace
