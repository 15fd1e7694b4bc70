// Replies and the small shared services.
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/paths.h"
#include "common/reply.h"
#include "common/cgi_env.h"
#include "tests/harness.h"
#include "tests/process_root.h"

namespace {

// Runs fn in a child process and returns what it wrote to standard output.
std::string child_stdout(const std::function<void()>& fn)
{
    int p[2];
    if (pipe(p) != 0) return "";
    pid_t pid = fork();
    if (pid == 0) {
        dup2(p[1], 1);
        close(p[0]);
        fn();
        fflush(stdout);
        _exit(0);
    }
    close(p[1]);
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = read(p[0], buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
    close(p[0]);
    waitpid(pid, nullptr, 0);
    return out;
}

TEST(Reply, KindsWriteTheirHeaderOrNone)
{
    EXPECT_EQ(child_stdout([] { cgi_reply(0, "OK"); }), "Content-type: text/plain\r\n\r\nOK");
    EXPECT_EQ(child_stdout([] { cgi_reply(1, "{}"); }), "Content-type: application/json\r\n\r\n{}");
    EXPECT_EQ(child_stdout([] { cgi_reply(2, "x"); }), "x");
    EXPECT_EQ(child_stdout([] { EXPECT_EQ(cgi_reply(0, nullptr), -1); }), "");
}

TEST(Reply, ErrorForms)
{
    EXPECT_EQ(child_stdout([] { cgi_reply_error(0); }), "Content-type: text/plain\r\n\r\nCGI ERROR");
    EXPECT_EQ(child_stdout([] { cgi_reply_error(1); }),
              "Content-type: application/json\r\n\r\n{status:\"CGI ERROR\"}");
    EXPECT_EQ(child_stdout([] { cgi_reply_error(7); }), "");
}

struct CookieCase {
    const char* cookie;
    int result;
    const char* name;
};

TEST(Reply, CookieUserName)
{
    const CookieCase cases[] = {
        {"lang=en; userName=admin; sessionId=1", 0, "admin"},
        {"userName=admin", 0, "admin"},
        {"userName=a=b; x=1", 0, "b"},
        {"userName=", 0, ""},
        {"userName", 0, ""},
        {"lang=en", -1, ""},
        {"", -1, ""},
    };
    for (const auto& c : cases) {
        g_cgi.http_cookie = c.cookie;
        char buf[64] = "unchanged";
        EXPECT_EQ(cookie_user_name(buf, sizeof buf), c.result) << c.cookie;
        if (c.result == 0) {
            EXPECT_STREQ(buf, c.name) << c.cookie;
        }
    }
    g_cgi.http_cookie = "userName=abcdefghij";
    char small[5];
    EXPECT_EQ(cookie_user_name(small, sizeof small), 0);
    EXPECT_STREQ(small, "abcd");
    EXPECT_EQ(cookie_user_name(nullptr, 10), -1);
    g_cgi.http_cookie = "";
}

TEST(Reply, OplogPrepareFillsHeaderFields)
{
    g_cgi.http_cookie = "userName=operator; x=1";
    g_cgi.remote_addr = "2001:db8::1234:5678:9abc:def0:1234:5678:9abc:def0:ffff";  // longer than 45
    OpLogRecord r;
    std::memset(&r, 0xAB, sizeof r);
    ASSERT_EQ(oplog_prepare(&r), 0);
    EXPECT_EQ(r.main_type, 4u);
    EXPECT_EQ(r.remote, 1u);
    EXPECT_EQ(r.sub_type, 0);
    EXPECT_STREQ(r.user, "operator");
    EXPECT_EQ(std::strlen(r.remote_addr), 45u);
    EXPECT_EQ(r.detail_size, 0u);
    for (unsigned char b : r.zero3) EXPECT_EQ(b, 0);
    EXPECT_EQ(oplog_prepare(nullptr), -1);
    g_cgi.http_cookie = "";
    g_cgi.remote_addr = "";
}

TEST(Reply, ShellRunStatus)
{
    EXPECT_EQ(shell_run("true"), 0);
    EXPECT_EQ(shell_run("exit 1"), -1);
    EXPECT_EQ(shell_run("kill -9 $$"), -1);
}

TEST(Reply, ShellQuoteKeepsAnyTextOneWord)
{
    std::string out = test_process_root() + "/quoted.txt";
    const char* nasty[] = {"plain", "a b", "it's", "\"$(touch pwned)\"", "`touch pwned`; rm -rf x", "'", ""};
    for (const char* n : nasty) {
        std::string cmd = "printf %s " + shell_quote(n) + " > " + shell_quote(out.c_str());
        ASSERT_EQ(shell_run(cmd.c_str()), 0) << n;
        EXPECT_EQ(read_whole_file(out), n);
    }
    EXPECT_NE(access("pwned", F_OK), 0);
}

TEST(Reply, DebugLogLineFormat)
{
    std::string log = test_process_root() + "/mnt/nand/cgi_log.txt";
    unlink(log.c_str());
    ASSERT_EQ(cgi_debug_log("src.c", 42, "fn", "value %d", 7), 0);
    std::string line = read_whole_file(log);
    // "[dorn debug] YYYY-MM-DD hh:mm:ss  src.c:42 in fn: value 7\n"
    ASSERT_EQ(line.size(), std::strlen("[dorn debug] 2026-01-01 00:00:00  src.c:42 in fn: value 7\n"));
    EXPECT_EQ(line.substr(0, 13), "[dorn debug] ");
    EXPECT_EQ(line.substr(32), "  src.c:42 in fn: value 7\n");
}

TEST(Reply, LockFileExcludesOtherProcesses)
{
    std::string path = "/tmp/cgilockfile";
    int fd = lockfile_acquire(path.c_str());
    ASSERT_GE(fd, 0);
    pid_t pid = fork();
    if (pid == 0) {
        int other = open(nvr_path(path).c_str(), O_RDWR);
        _exit(lockf(other, F_TLOCK, 0) == 0 ? 1 : 0);
    }
    int st = 0;
    waitpid(pid, &st, 0);
    EXPECT_EQ(WEXITSTATUS(st), 0) << "another process took the lock";
    lockfile_release(fd);
    EXPECT_EQ(lockfile_acquire(nullptr), -1);
}

TEST(Reply, InterfaceHelpers)
{
    unsigned char mac[6];
    EXPECT_EQ(mac_of_interface("nvr-none0", mac), -1);
    char m0[18], m1[18];
    EXPECT_EQ(device_macs(m0, m1), 0);
    if (mac_of_interface("eth1", mac) != 0) {
        EXPECT_STREQ(m1, "02:5E:7A:0A:19:C9");
    }
    if (mac_of_interface("eth0", mac) != 0) {
        EXPECT_STREQ(m0, "02:5E:7A:0A:19:C8");
    }

    IfaceInfo lo{};
    ASSERT_EQ(interface_info("lo", &lo), 0);
    EXPECT_STREQ(lo.address, "127.0.0.1");
    EXPECT_STREQ(lo.netmask, "255.0.0.0");
    EXPECT_EQ(lo.up, 1);
    EXPECT_GT(lo.mtu, 0);
    EXPECT_STREQ(lo.gateway, "");  // no default route through lo
    EXPECT_EQ(interface_info(nullptr, &lo), -1);

    u32 gw = 12345;
    EXPECT_EQ(default_gateway("nvr-none0", &gw), 0);
    EXPECT_EQ(gw, 12345u);
}

TEST(Reply, DownloadFormSendsAndRemovesTheFile)
{
    std::string path = nvr_path("/tmp/diag/report.tar");
    {
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fputs("payload bytes", f);
        fclose(f);
    }
    std::string out = child_stdout([&] { cgi_reply_download(path.c_str()); });
    EXPECT_EQ(out,
              "Content-Type:application/octet-stream\r\n"
              "Content-Disposition: attachment; filename= report.tar\r\n\r\n"
              "payload bytes");
    EXPECT_NE(access(path.c_str(), F_OK), 0);
}

TEST(Paths, ResolvedUnderRootWithParentsCreated)
{
    std::string p = nvr_path("/mnt/nand/app/deep/x.db");
    EXPECT_EQ(p, test_process_root() + "/mnt/nand/app/deep/x.db");
    EXPECT_EQ(access((test_process_root() + "/mnt/nand/app/deep").c_str(), F_OK), 0);
    EXPECT_EQ(nvr_path("relative"), "relative");
}

}  // namespace
