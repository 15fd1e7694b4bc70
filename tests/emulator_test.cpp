// nvr-core-emu from the outside: a raw protocol client against the running
// emulator, its journal and its rules.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/kxsocket.h"
#include "tests/harness.h"
#include "tools/emu/emu.h"

namespace {

using Clock = std::chrono::steady_clock;

long ms_since(Clock::time_point t)
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

int connect_to(const std::string& path)
{
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(s);
        return -1;
    }
    return s;
}

struct Reply {
    int rc = -2;  // kx_read_frame's result, -2 when nothing came in time
    KxFrameHeader header{};
    std::vector<uint8_t> payload;
};

// A protocol client on one connection.
class Client {
public:
    explicit Client(const std::string& path) : fd_(connect_to(path)) {}
    ~Client()
    {
        if (fd_ >= 0) close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void send(uint32_t code, const std::string& payload = "", bool wait = true)
    {
        uint32_t flags = wait ? kKxFlagWait : 0;
        ASSERT_EQ(kx_write_frame(fd_, ++seq_, code, flags, payload.data(), uint32_t(payload.size())), 0);
    }
    // The next frame, or rc -2 when none arrives within `timeout_ms`.
    Reply next(int timeout_ms = 5000)
    {
        Reply r;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, timeout_ms) != 1) return r;
        unsigned char* payload = nullptr;
        r.rc = kx_read_frame(fd_, &r.header, &payload);
        if (r.rc == 1) r.payload.assign(payload, payload + r.header.length);
        free(payload);
        return r;
    }

private:
    int fd_;
    uint32_t seq_ = 0;
};

std::string bytes(const Reply& r)
{
    return std::string(r.payload.begin(), r.payload.end());
}

class EmulatorTest : public ::testing::Test {
protected:
    EmulatorTest() : emu_(root_) {}
    std::string socket_path() const { return root_.at("/var/run/kxsocket"); }
    TempRoot root_;
    Emulator emu_;
};

TEST_F(EmulatorTest, JournalHasOneLinePerFrame)
{
    emu_.start();
    Client c(socket_path());
    ASSERT_TRUE(c.ok());
    std::string all;
    for (int i = 0; i < 256; i++) all += char(i);
    c.send(1403, all, false);
    c.send(3485, "", false);
    auto frames = emu_.received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(std::string(frames[0].payload.begin(), frames[0].payload.end()), all);
    EXPECT_EQ(frames[1].seq, 2u);
    EXPECT_EQ(frames[1].code, 3485u);
    EXPECT_EQ(frames[1].flags, 0u);

    std::string text = root_.read_file("/emu/journal.txt");
    EXPECT_NE(text.find("1 1403 0 256 000102030405"), std::string::npos);
    EXPECT_NE(text.find("fdfeff\n2 3485 0 0 -\n"), std::string::npos);
}

TEST_F(EmulatorTest, ReplyDataFromHexFileAndZeros)
{
    root_.write_file("/emu/reply.bin", "from a file");
    root_.write_file("/data/other.bin", "absolute");
    emu_.rule("100 reply 5100 hex:0aFF00   # comment");
    emu_.rule("101 reply 5101 file:reply.bin");
    emu_.rule("102 reply 5102 file:" + root_.at("/data/other.bin"));
    emu_.rule("103 reply 5103 zeros:5");
    emu_.rule("104 reply 5104");
    emu_.rule("105 reply 5105 file:missing.bin");
    emu_.start();
    Client c(socket_path());
    const std::pair<uint32_t, std::string> expected[] = {
        {5100, std::string("\x0a\xff\x00", 3)}, {5101, "from a file"}, {5102, "absolute"},
        {5103, std::string(5, '\0')},          {5104, ""},            {5105, ""}};
    for (uint32_t code = 100; code <= 105; code++) {
        c.send(code, "req");
        Reply r = c.next();
        ASSERT_EQ(r.rc, 1) << code;
        EXPECT_EQ(r.header.seq, code - 99);
        EXPECT_EQ(r.header.code, expected[code - 100].first);
        EXPECT_EQ(r.header.flags, 0u);
        EXPECT_EQ(bytes(r), expected[code - 100].second) << code;
    }
}

TEST_F(EmulatorTest, StreamKeepsItsOrderAndDelays)
{
    emu_.rule("200 reply 5200 hex:01 delay:150");
    emu_.rule("200 reply 5200 hex:02");
    emu_.rule("200 reply 5201 hex:03 delay:50");
    emu_.start();
    Client c(socket_path());
    auto t = Clock::now();
    c.send(200);
    Reply a = c.next();
    long first = ms_since(t);
    Reply b = c.next();
    Reply d = c.next();
    long last = ms_since(t);
    ASSERT_EQ(a.rc, 1);
    ASSERT_EQ(b.rc, 1);
    ASSERT_EQ(d.rc, 1);
    EXPECT_EQ(a.payload, std::vector<uint8_t>{1});
    EXPECT_EQ(b.payload, std::vector<uint8_t>{2});
    EXPECT_EQ(d.payload, std::vector<uint8_t>{3});
    EXPECT_EQ(d.header.code, 5201u);
    EXPECT_GE(first, 140);
    EXPECT_GE(last, 190);
}

TEST_F(EmulatorTest, DelayedReplyDoesNotHoldUpOthers)
{
    emu_.rule("300 reply 5300 delay:400");
    emu_.rule("301 reply 5301");
    emu_.start();
    Client slow(socket_path()), fast(socket_path());
    slow.send(300);
    auto t = Clock::now();
    fast.send(301);
    EXPECT_EQ(fast.next().header.code, 5301u);
    EXPECT_LT(ms_since(t), 300);
    EXPECT_EQ(slow.next().header.code, 5300u);
}

TEST_F(EmulatorTest, CloseAndSilent)
{
    emu_.rule("400 close delay:50");
    emu_.rule("401 silent");
    emu_.rule("402 reply 5402 hex:01");
    emu_.rule("402 close");
    emu_.start();
    {
        Client c(socket_path());
        c.send(400);
        EXPECT_EQ(c.next().rc, 0);  // end of stream
    }
    {
        Client c(socket_path());
        c.send(401);
        EXPECT_EQ(c.next(300).rc, -2);  // nothing, and the connection stays
        c.send(402);
        Reply r = c.next();
        EXPECT_EQ(r.header.code, 5402u);
        EXPECT_EQ(c.next().rc, 0);
    }
}

TEST_F(EmulatorTest, RulesAreRereadWhenTheFileChanges)
{
    emu_.rule("500 reply 5500 hex:01");
    emu_.start();
    Client c(socket_path());
    c.send(500);
    EXPECT_EQ(c.next().payload, std::vector<uint8_t>{1});
    c.send(501);
    EXPECT_EQ(c.next().rc, 0);  // no rule yet: unknown code, connection ended

    emu_.rule("501 reply 5501 hex:02");
    Client d(socket_path());
    d.send(501);
    EXPECT_EQ(d.next().payload, std::vector<uint8_t>{2});
    // Same size, new content, at once: still seen.
    root_.write_file("/emu/rules.txt", "500 reply 5500 hex:03\n501 reply 5501 hex:04\n");
    d.send(500);
    EXPECT_EQ(d.next().payload, std::vector<uint8_t>{3});
    // Removing the file removes the rules.
    unlink(root_.at("/emu/rules.txt").c_str());
    d.send(500);
    EXPECT_EQ(d.next().rc, 0);
}

TEST_F(EmulatorTest, BadRuleLinesAreSkipped)
{
    emu_.rule("600 reply");                 // no reply code
    emu_.rule("601 reply 5601 hex:123");    // odd hex
    emu_.rule("602 answer 5602");           // unknown action
    emu_.rule("abc reply 5603");            // bad code
    emu_.rule("604 close hex:00");          // data on close
    emu_.rule("605 reply 5605 hex:01 zeros:2");
    emu_.rule("606 reply 5606 delay:x");
    emu_.rule("607 reply 5607 hex:07");     // fine
    emu_.start();
    Client c(socket_path());
    c.send(607);
    EXPECT_EQ(c.next().payload, std::vector<uint8_t>{7});
    for (uint32_t code : {600u, 601u, 602u, 604u, 605u, 606u}) {
        Client d(socket_path());
        d.send(code);
        EXPECT_EQ(d.next().rc, 0) << code;  // treated as unknown codes
    }
}

TEST_F(EmulatorTest, DemoAnswersOnlyWaitedFrames)
{
    emu_.start();
    Client c(socket_path());
    c.send(kEmuEchoCode, "ping", false);
    EXPECT_EQ(c.next(300).rc, -2);
    c.send(kEmuEchoCode, "pong");
    Reply r = c.next();
    EXPECT_EQ(r.header.code, kEmuEchoCode + 5000);
    EXPECT_EQ(r.header.seq, 2u);
    EXPECT_EQ(bytes(r), "pong");
    c.send(9999, "", false);  // unknown, not waited: ignored
    EXPECT_EQ(c.next(200).rc, -2);
    c.send(9999);  // unknown and waited: the connection ends
    EXPECT_EQ(c.next().rc, 0);
}

TEST_F(EmulatorTest, RulesOverrideTheDemoAndAnswerUnwaitedFrames)
{
    emu_.rule(std::to_string(kEmuEchoCode) + " reply 1 hex:ee");
    emu_.start();
    Client c(socket_path());
    c.send(kEmuEchoCode, "x", false);
    Reply r = c.next();
    EXPECT_EQ(r.header.code, 1u);
    EXPECT_EQ(r.payload, std::vector<uint8_t>{0xee});
}

TEST_F(EmulatorTest, NoDemo)
{
    emu_.start(false);
    Client c(socket_path());
    c.send(kEmuEchoCode, "x");
    EXPECT_EQ(c.next().rc, 0);
}

TEST_F(EmulatorTest, MalformedFramesEndOnlyTheirConnection)
{
    emu_.start();
    const KxFrameHeader bad[] = {{0x11111111, kKxVersion, 1, 1000, 1, 0},
                                 {kKxMagic, 7, 1, 1000, 1, 0},
                                 {kKxMagic, kKxVersion, 1, 1000, 1, kKxMaxPayload + 1}};
    for (const KxFrameHeader& h : bad) {
        Client c(socket_path());
        unsigned char raw[kKxHeaderSize];
        kx_encode_header(&h, raw);
        ASSERT_EQ(write(c.fd(), raw, sizeof raw), ssize_t(sizeof raw));
        Reply r = c.next();
        EXPECT_TRUE(r.rc == 0 || r.rc == -1) << r.rc;
    }
    Client c(socket_path());
    c.send(kEmuEchoCode, "still here");
    EXPECT_EQ(bytes(c.next()), "still here");
    EXPECT_TRUE(emu_.received(1000).empty());
}

TEST_F(EmulatorTest, SyncSeesEveryFrameOfEndedClients)
{
    emu_.start();
    for (int i = 0; i < 30; i++) {
        Client c(socket_path());
        c.send(1403, std::string(1, char(i)), false);
    }  // each client closes at once, unread by the emulator yet
    auto frames = emu_.received(1403);
    ASSERT_EQ(frames.size(), 30u);
}

TEST_F(EmulatorTest, RemovesItsSocketOnSigterm)
{
    emu_.start();
    ASSERT_TRUE(root_.exists("/var/run/kxsocket"));
    emu_.stop();
    EXPECT_FALSE(root_.exists("/var/run/kxsocket"));
}

// Options and start-up, with the program run directly.
pid_t spawn_emulator(const TempRoot& root, const std::vector<std::string>& args)
{
    pid_t pid = fork();
    if (pid == 0) {
        std::string root_env = "NVR_ROOT=" + root.path();
        char* envp[] = {const_cast<char*>(root_env.c_str()), nullptr};
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlives the test process
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
        exec_program(built("nvr-core-emu"), args, envp);
    }
    return pid;
}

bool wait_for_socket(const std::string& path)
{
    auto t = Clock::now();
    while (ms_since(t) < 10000) {
        int s = connect_to(path);
        if (s >= 0) {
            close(s);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST(EmulatorProgram, ReplacesAStaleSocketAndHonoursSocketOption)
{
    TempRoot root;
    std::string path = root.at("/custom.sock");
    {
        // A socket file left behind by a daemon that is gone.
        int s = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        close(s);
    }
    pid_t pid = spawn_emulator(root, {"--socket", path, "--no-demo"});
    ASSERT_TRUE(wait_for_socket(path));
    // A second emulator on the same socket refuses to start.
    RunResult second = run_program(built("nvr-core-emu"), {"--socket", path}, {{"NVR_ROOT", root.path()}}, "", 10000);
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.err.find("already listens"), std::string::npos);
    {
        Client c(path);
        c.send(1, "", true);
        EXPECT_EQ(c.next().rc, 0);
    }
    kill(pid, SIGINT);
    int st = 0;
    waitpid(pid, &st, 0);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
    EXPECT_FALSE(root.exists("/custom.sock"));
}

TEST(EmulatorProgram, OptionsAndRefusals)
{
    TempRoot root;
    RunResult help = run_program(built("nvr-core-emu"), {"--help"}, {{"NVR_ROOT", root.path()}}, "", 10000);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--rules FILE"), std::string::npos);
    EXPECT_NE(help.out.find(std::to_string(kEmuEchoCode) + " emu"), std::string::npos);

    RunResult bad = run_program(built("nvr-core-emu"), {"--bogus"}, {{"NVR_ROOT", root.path()}}, "", 10000);
    EXPECT_EQ(bad.status, 2);

    // A file that is not a socket is never removed.
    root.write_file("/plain", "keep me");
    RunResult plain =
        run_program(built("nvr-core-emu"), {"--socket", root.at("/plain")}, {{"NVR_ROOT", root.path()}}, "", 10000);
    EXPECT_EQ(plain.status, 1);
    EXPECT_EQ(root.read_file("/plain"), "keep me");
}

}  // namespace
