// Packet capture ("/8005" to "/8007") with recording fakes of tcpdump and
// killall, and the background runner it uses.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "common/tool_run.h"
#include "tests/harness.h"

namespace {

const char kBase[] = "rvpcap-20240102030405";

class CaptureTest : public NvrTest {
protected:
    void SetUp() override
    {
        ASSERT_NE(getcwd(old_cwd_, sizeof old_cwd_), nullptr);
        ASSERT_EQ(chdir(root().path().c_str()), 0);
        fake_tool("killall");
        // The fake records its argument count too: the filter is one word.
        fake_tool("tcpdump", "printf '%s\\n' \"$#\" >> \"$0.argc\"");
        ASSERT_EQ(mkdir(root().at("/mnt").c_str(), 0755), 0);
        ASSERT_EQ(mkdir(root().at("/mnt/sda1").c_str(), 0755), 0);
    }
    void TearDown() override
    {
        EXPECT_FALSE(root().exists("/pwned"));
        ASSERT_EQ(chdir(old_cwd_), 0);
    }
    // tcpdump runs in the background: its calls once it has started.
    std::vector<std::string> tcpdump_calls(size_t want)
    {
        for (int i = 0; i < 500 && tool_calls("tcpdump").size() < want; i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return tool_calls("tcpdump");
    }
    static std::string json(const std::string& body) { return "Content-type: application/json\r\n\r\n" + body; }

private:
    char old_cwd_[4096] = {};
};

TEST_F(CaptureTest, StartCapturesTheRecordersTrafficBoundedInSizeAndTime)
{
    root().write_file("/www/webmonitor", "#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"$0.calls\"\n");
    ASSERT_EQ(chmod(root().at("/www/webmonitor").c_str(), 0755), 0);
    auto r = post("/8005", R"({"ip":"","port":"","nic":"lo","mntPath":"/mnt/sda1/"})");
    const std::string body = r.body();
    ASSERT_EQ(body.rfind(R"({ "dirPath": "\/mnt\/sda1", "fileName": "rvpcap-)", 0), 0u) << r.out;
    const std::string base = body.substr(body.find("rvpcap-"), 21);
    EXPECT_EQ(tool_calls("killall"), (std::vector<std::string>{"tcpdump", "webmonitor"}));
    auto calls = tcpdump_calls(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], "-i lo -s0 host 127.0.0.1 -W 2 -C 25 -w " + root().at("/mnt/sda1/") + base);
    // The fake writes its argument count after its call line: wait for it.
    for (int i = 0; i < 500 && root().read_file("/fakebin/tcpdump.argc").empty(); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(root().read_file("/fakebin/tcpdump.argc"), "10\n");
    for (int i = 0; i < 500 && root().read_file("/www/webmonitor.calls").empty(); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(root().read_file("/www/webmonitor.calls"), "tcpdump 300\n");

    // A peer and a port narrow the filter, in that order.
    post("/8005", R"({"ip":"192.0.2.7","port":"554","nic":"lo","mntPath":"/mnt/sda1"})");
    calls = tcpdump_calls(2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_NE(calls[1].find(" -s0 host 127.0.0.1 && host 192.0.2.7 && port 554 -W 2 -C 25 "), std::string::npos)
        << calls[1];

    EXPECT_EQ(post("/8006", "").out, "Content-type: text/plain\r\n\r\nOK");
    EXPECT_EQ(tool_calls("killall").back(), "tcpdump");
}

TEST_F(CaptureTest, StartRemovesOnlyEarlierCaptureFiles)
{
    for (const char* name : {"rvpcap-20230101000000", "rvpcap-202301010000001.pcap", "rvpcap-notes",
                             "rvpcap-20230101000000.txt", "keep.pcap"})
        root().write_file(std::string("/mnt/sda1/") + name, "x");
    root().write_file("/mnt/sda1/rvpcap-202301010000000", "old capture");
    ASSERT_EQ(symlink(root().at("/mnt/nand/app/kxdb.db").c_str(), root().at("/mnt/sda1/rvpcap-202301010000001").c_str()), 0);
    root().write_file("/mnt/nand/app/kxdb.db", "store");
    EXPECT_EQ(post("/8005", R"({"nic":"lo","mntPath":"/mnt/sda1"})").status, 0);
    EXPECT_EQ(root().list_dir("/mnt/sda1"), (std::vector<std::string>{"keep.pcap", "rvpcap-20230101000000",
                                                                      "rvpcap-20230101000000.txt",
                                                                      "rvpcap-202301010000001", "rvpcap-notes"}));
    EXPECT_EQ(root().read_file("/mnt/nand/app/kxdb.db"), "store");
}

// Interface, address, port and directory are checked before anything runs:
// no tool is called and no file removed for shell text or "../" paths.
TEST_F(CaptureTest, StartRefusesShellTextAndPathsOutside)
{
    root().write_file("/etc/rvpcap-202301010000000", "outside");
    const std::vector<std::string> requests = {
        R"({"nic":"lo;touch pwned","mntPath":"/mnt/sda1"})",
        R"x({"nic":"$(touch pwned)","mntPath":"/mnt/sda1"})x",
        R"({"nic":"eth9x","mntPath":"/mnt/sda1"})",
        R"({"nic":"","mntPath":"/mnt/sda1"})",
        R"({"nic":"lo","ip":"1.2.3.4' or 'x","mntPath":"/mnt/sda1"})",
        R"({"nic":"lo","ip":"1.2.3.4;touch pwned","mntPath":"/mnt/sda1"})",
        R"({"nic":"lo","port":"554;touch pwned","mntPath":"/mnt/sda1"})",
        R"({"nic":"lo","port":"70000","mntPath":"/mnt/sda1"})",
        R"({"nic":"lo","mntPath":"/mnt/sda1/../../etc"})",
        R"({"nic":"lo","mntPath":"../etc"})",
        R"({"nic":"lo","mntPath":"/mnt/sda1;touch pwned"})",
        R"x({"nic":"lo","mntPath":"/mnt/$(touch pwned)"})x",
        R"({"nic":"lo","mntPath":"/mnt/`touch pwned`"})",
        R"({"nic":"lo","mntPath":""})",
    };
    for (const auto& req : requests) EXPECT_EQ(post("/8005", req).out, json(R"({status:"CGI ERROR"})")) << req;
    EXPECT_EQ(post("/8005", "not json").out, "");
    EXPECT_TRUE(tool_calls("killall").empty());
    EXPECT_TRUE(tool_calls("tcpdump").empty());
    EXPECT_EQ(root().read_file("/etc/rvpcap-202301010000000"), "outside");
}

TEST_F(CaptureTest, DownloadSendsBothCaptureFilesAsOneArchiveAndRemovesThem)
{
    root().write_file(std::string("/mnt/sda1/") + kBase + "0", "first capture");
    root().write_file(std::string("/mnt/sda1/") + kBase + "1", "second capture");
    root().write_file("/mnt/sda1/keep.pcap", "another capture");
    root().write_file("/mnt/sda1/packet.tar", "the user's file");
    auto r = post("/8007", std::string("/mnt/sda1/") + kBase);
    EXPECT_EQ(r.header(), "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= packet.tar");
    root().write_file("/got.tar", r.body());
    std::string listing;
    ToolOptions opt;
    opt.output = &listing;
    EXPECT_EQ(tool_run({"tar", "-tf", root().at("/got.tar")}, opt), 0);
    EXPECT_EQ(listing, std::string(kBase) + "0.pcap\n" + kBase + "1.pcap\n");
    EXPECT_EQ(root().list_dir("/mnt/sda1"), (std::vector<std::string>{"keep.pcap", "packet.tar"}));
    EXPECT_EQ(root().read_file("/mnt/sda1/packet.tar"), "the user's file");

    // Nothing left to send.
    EXPECT_EQ(post("/8007", std::string("/mnt/sda1/") + kBase).out, "");
    EXPECT_EQ(post("/8007", "").out, "Content-type: text/plain\r\n\r\nCGI ERROR");
}

// A capture path with shell text or "../" runs nothing and touches nothing.
TEST_F(CaptureTest, DownloadRefusesShellTextAndPathsOutside)
{
    fake_tool("tar");
    root().write_file(std::string("/etc/") + kBase + "0", "outside");
    root().write_file("/etc/secret.pcap", "outside");
    ASSERT_EQ(symlink(root().at("/etc/secret.pcap").c_str(), root().at(std::string("/mnt/sda1/") + kBase + "1").c_str()), 0);
    const std::vector<std::string> paths = {
        std::string("/mnt/sda1/../../etc/") + kBase,
        std::string("../etc/") + kBase,
        std::string("/mnt/sda1;touch pwned/") + kBase,
        std::string("/mnt/$(touch pwned)/") + kBase,
        "/mnt/sda1/rvpcap-2024;touch pwned",
        "/mnt/sda1/*",
        "/etc/secret",
        "/mnt/sda1/",
        kBase,
    };
    for (const auto& p : paths) EXPECT_EQ(post("/8007", p).out, "Content-type: text/plain\r\n\r\nCGI ERROR") << p;
    // The link in the capture's place is neither renamed nor sent.
    EXPECT_EQ(post("/8007", std::string("/mnt/sda1/") + kBase).out, "");
    EXPECT_TRUE(tool_calls("tar").empty());
    EXPECT_EQ(root().read_file(std::string("/etc/") + kBase + "0"), "outside");
    EXPECT_EQ(root().read_file("/etc/secret.pcap"), "outside");
    EXPECT_TRUE(root().exists(std::string("/mnt/sda1/") + kBase + "1"));
}

TEST_F(CaptureTest, EmptyBodiesAndTableOrder)
{
    expect_empty_bodies_handled({"/8005", "/8006", "/8007"});
    const std::vector<std::string> codes = {"/8005", "/8006", "/8007"};
    EXPECT_EQ(registered_codes("status", codes), codes);
}

// A tool started with a time limit is ended when the limit has passed.
TEST(ToolStart, TimeLimitEndsTheTool)
{
    TempRoot root;
    const std::string pid_file = root.at("/pid");
    ASSERT_EQ(tool_start({"sh", "-c", "echo $$ > '" + pid_file + "'; exec sleep 60"}, 1), 0);
    pid_t pid = 0;
    for (int i = 0; i < 200 && pid <= 0; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pid = std::atoi(root.read_file("/pid").c_str());
    }
    ASSERT_GT(pid, 0);
    bool gone = false;
    for (int i = 0; i < 150 && !gone; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        gone = kill(pid, 0) != 0;
    }
    EXPECT_TRUE(gone);
    if (!gone) kill(pid, SIGKILL);
}

}  // namespace
