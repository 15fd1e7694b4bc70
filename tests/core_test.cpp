// The socket library and the core-daemon messenger, in process.
//
// The tests talk to a real nvr-core-emu started as a child on a fresh
// TempRoot. nvr_path() reads NVR_ROOT only once per process, so instead of
// changing the environment the tests point core_request at the emulator's
// socket with the core_set_socket_path() hook.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "common/core.h"
#include "common/reply.h"
#include "tests/harness.h"

namespace {

using Clock = std::chrono::steady_clock;

long ms_since(Clock::time_point t)
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

// What the reply callbacks saw.
struct Seen {
    KxFrameHeader header;
    std::vector<uint8_t> payload;
    bool null_payload;
};
std::mutex g_seen_mutex;
std::vector<Seen> g_seen;
int g_finish_after = 1;  // number of 6000 frames after which the callback finishes

std::vector<Seen> seen()
{
    std::lock_guard<std::mutex> lock(g_seen_mutex);
    return g_seen;
}

// A module-style callback: knows reply code 6000 only; writes one line per
// frame and finishes the reply after g_finish_after frames.
int recording_callback(void*, const KxFrameHeader* h, const void* payload)
{
    size_t count = 0;
    {
        std::lock_guard<std::mutex> lock(g_seen_mutex);
        const auto* p = static_cast<const uint8_t*>(payload);
        g_seen.push_back({*h, p ? std::vector<uint8_t>(p, p + h->length) : std::vector<uint8_t>(), !p});
        for (auto& s : g_seen) count += s.header.code == 6000;
    }
    if (h->code != 6000) return 0;
    char line[64];
    std::snprintf(line, sizeof line, "frame %zu;", count);
    cgi_reply(2, line);
    if (int(count) >= g_finish_after) {
        // Slow formatter: the waiting thread must not go on before the flag.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        cgi_reply(2, "end");
        core_reply_finish(1);
    }
    return 0;
}

// The reply to 1701 makes the callback send 1711 itself before finishing.
int nesting_callback(void*, const KxFrameHeader* h, const void*)
{
    if (h->code != 6701) return 0;
    core_notify(1711, nullptr, 0);
    core_reply_finish(1);
    return 0;
}

// Standard output redirected to a file for the length of a scope.
class StdoutCapture {
public:
    explicit StdoutCapture(const TempRoot& root) : path_(root.at("/stdout.txt"))
    {
        std::fflush(stdout);
        saved_ = dup(1);
        int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        close(fd);
    }
    ~StdoutCapture() { finish(); }
    std::string finish()
    {
        if (saved_ >= 0) {
            std::fflush(stdout);
            dup2(saved_, 1);
            close(saved_);
            saved_ = -1;
        }
        return read_whole_file(path_);
    }

private:
    std::string path_;
    int saved_ = -1;
};

class CoreTest : public ::testing::Test {
protected:
    CoreTest() : emu_(root_) {}
    void SetUp() override
    {
        std::lock_guard<std::mutex> lock(g_seen_mutex);
        g_seen.clear();
        g_finish_after = 1;
    }
    void TearDown() override { core_set_socket_path(nullptr); }
    // Starts the emulator with these rules and points core_request at it.
    void start(const std::vector<std::string>& rules, bool demo = true)
    {
        for (auto& r : rules) emu_.rule(r);
        emu_.start(demo);
        core_set_socket_path(root_.at("/var/run/kxsocket").c_str());
    }
    TempRoot root_;
    Emulator emu_;
};

TEST_F(CoreTest, NullCallbackSendsNothing)
{
    CoreExchange x;
    start({});
    EXPECT_EQ(core_request(x, nullptr, nullptr, 1000, 0, nullptr, 0), -1);
    EXPECT_EQ(core_request(x, nullptr, nullptr, 1000, 0, nullptr, 1), -1);
    core_release(x);
    EXPECT_TRUE(emu_.received().empty());
}

TEST_F(CoreTest, ReplyEndsTheWaitAtOnceWithTheWholeReplyWritten)
{
    CoreExchange x;
    start({"1000 reply 6000 hex:2a000000"});
    const uint32_t request = 7;
    StdoutCapture out(root_);
    auto t = Clock::now();
    EXPECT_EQ(core_request(x, recording_callback, nullptr, 1000, sizeof request, &request, 0), 0);
    long took = ms_since(t);
    EXPECT_EQ(x.done(), 1);
    EXPECT_EQ(out.finish(), "frame 1;end");  // complete before core_request returned
    core_release(x);
    EXPECT_LT(took, 2000) << "waited for the time-out instead of the reply";

    auto s = seen();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].header.magic, kKxMagic);
    EXPECT_EQ(s[0].header.version, kKxVersion);
    EXPECT_EQ(s[0].header.seq, 1u);
    EXPECT_EQ(s[0].header.code, 6000u);
    EXPECT_EQ(s[0].header.flags, 0u);
    EXPECT_EQ(s[0].header.length, 4u);
    EXPECT_EQ(s[0].payload, (std::vector<uint8_t>{0x2a, 0, 0, 0}));

    auto frames = emu_.received(1000);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].seq, 1u);
    EXPECT_EQ(frames[0].flags, kKxFlagWait);
    EXPECT_EQ(frames[0].u32_at(0), 7u);
}

TEST_F(CoreTest, NoWaitReturnsRightAfterTheSend)
{
    CoreExchange x;
    // The rule answers even a message sent without waiting, late.
    start({"1403 reply 6403 hex:01000000 delay:3000"});
    const uint32_t grid[2] = {1, 2};
    auto t = Clock::now();
    EXPECT_EQ(core_request(x, recording_callback, nullptr, 1403, sizeof grid, grid, 1), 0);
    EXPECT_LT(ms_since(t), 1000);
    EXPECT_EQ(x.done(), 0);
    core_release(x);
    auto frames = emu_.received(1403);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].flags, 0u);
    EXPECT_EQ(frames[0].payload.size(), sizeof grid);
    EXPECT_EQ(frames[0].u32_at(4), 2u);
}

TEST_F(CoreTest, UnknownReplyCodeLeavesTheFlagAtZero)
{
    CoreExchange x;
    // The daemon answers with a code the callback does not know, then ends
    // the connection: the wait ends there, with no reply.
    start({"1000 reply 6999 hex:01000000", "1000 close"});
    StdoutCapture out(root_);
    auto t = Clock::now();
    core_request(x, recording_callback, nullptr, 1000, 0, nullptr, 0);
    EXPECT_LT(ms_since(t), 2000);
    EXPECT_EQ(x.done(), 0);
    core_release(x);
    EXPECT_EQ(out.finish(), "");
    auto s = seen();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].header.code, 6999u);
}

TEST_F(CoreTest, ClosedConnectionEndsTheWait)
{
    CoreExchange x;
    start({"3495 close delay:100"});  // 3495 may wait 600 s
    auto t = Clock::now();
    core_request(x, recording_callback, nullptr, 3495, 0, nullptr, 0);
    long took = ms_since(t);
    core_release(x);
    EXPECT_EQ(x.done(), 0);
    EXPECT_GE(took, 50);
    EXPECT_LT(took, 2000);
    EXPECT_TRUE(seen().empty());
}

TEST_F(CoreTest, UnknownCodeIsNotWaitedFor)
{
    CoreExchange x;
    // The emulator ends the connection for a message nobody answers.
    start({});
    auto t = Clock::now();
    core_request(x, recording_callback, nullptr, 1000, 0, nullptr, 0);
    core_release(x);
    EXPECT_EQ(x.done(), 0);
    EXPECT_LT(ms_since(t), 2000);
    EXPECT_EQ(emu_.received(1000).size(), 1u);
}

TEST_F(CoreTest, AbsentDaemonFailsFast)
{
    CoreExchange x;
    core_set_socket_path(root_.at("/var/run/kxsocket").c_str());  // nothing listens there
    for (int no_wait : {0, 1}) {
        auto t = Clock::now();
        EXPECT_EQ(core_request(x, recording_callback, nullptr, 3495, 0, nullptr, no_wait), 0);
        long took = ms_since(t);
        EXPECT_TRUE(kx_sock_closed());
        EXPECT_EQ(core_release(x), 0);
        EXPECT_EQ(x.done(), 0);
        EXPECT_LT(took, 2000) << "no_wait " << no_wait;
    }
    // A fire-and-forget message to nobody is harmless too.
    core_notify(1403, nullptr, 0);
    EXPECT_TRUE(seen().empty());
}

TEST_F(CoreTest, StreamOfFramesReachesTheCallbackInOrder)
{
    CoreExchange x;
    start({"1000 reply 6000 hex:01", "1000 reply 6000 hex:02 delay:30", "1000 reply 6000 hex:03"});
    g_finish_after = 3;
    StdoutCapture out(root_);
    core_request(x, recording_callback, nullptr, 1000, 0, nullptr, 0);
    EXPECT_EQ(x.done(), 1);
    EXPECT_EQ(out.finish(), "frame 1;frame 2;frame 3;end");
    core_release(x);
    auto s = seen();
    ASSERT_EQ(s.size(), 3u);
    for (uint8_t i = 0; i < 3; i++) {
        EXPECT_EQ(s[i].header.seq, 1u);
        EXPECT_EQ(s[i].payload, std::vector<uint8_t>{uint8_t(i + 1)});
    }
}

TEST_F(CoreTest, ShortAndEmptyPayloadsAreHandedOver)
{
    CoreExchange x;
    start({"1000 reply 6001 hex:01", "1000 reply 6000"});
    core_request(x, recording_callback, nullptr, 1000, 0, nullptr, 0);
    core_release(x);
    auto s = seen();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].header.length, 1u);
    EXPECT_EQ(s[0].payload, std::vector<uint8_t>{1});
    EXPECT_EQ(s[1].header.length, 0u);
    EXPECT_FALSE(s[1].null_payload);
    EXPECT_EQ(x.done(), 1);
}

TEST_F(CoreTest, PayloadLimitIsSixteenMebibytes)
{
    CoreExchange x;
    start({"1000 reply 6000 zeros:16777216", "1001 reply 6000 zeros:16777217"});
    core_request(x, recording_callback, nullptr, 1000, 0, nullptr, 0);
    core_release(x);
    EXPECT_EQ(x.done(), 1);
    ASSERT_EQ(seen().size(), 1u);
    EXPECT_EQ(seen()[0].payload.size(), 16u << 20);

    // One byte more: the client refuses the frame and ends the connection,
    // which ends the wait.
    auto t = Clock::now();
    core_request(x, recording_callback, nullptr, 1001, 0, nullptr, 0);
    EXPECT_LT(ms_since(t), 2000);
    EXPECT_EQ(x.done(), 0);
    core_release(x);
    EXPECT_EQ(seen().size(), 1u);

    // A request over the limit is never sent.
    std::vector<uint8_t> big((16u << 20) + 1);
    core_request(x, recording_callback, nullptr, 1002, uint32_t(big.size()), big.data(), 0);
    core_release(x);
    EXPECT_TRUE(emu_.received(1002).empty());
}

TEST_F(CoreTest, RequestsInTurnResetTheFlag)
{
    CoreExchange x;
    start({"1000 reply 6000", "1001 close"});
    core_request(x, recording_callback, nullptr, 1000, 0, nullptr, 0);
    EXPECT_EQ(x.done(), 1);
    core_release(x);
    core_request(x, recording_callback, nullptr, 1001, 0, nullptr, 0);
    EXPECT_EQ(x.done(), 0);
    core_release(x);
    auto all = emu_.received();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].seq, 1u);  // a new connection numbers from 1 again
}

TEST_F(CoreTest, CallbackMaySendAMessageOfItsOwn)
{
    CoreExchange x;
    start({"1701 reply 6701"});
    auto t = Clock::now();
    core_request(x, nesting_callback, nullptr, 1701, 0, nullptr, 0);
    EXPECT_LT(ms_since(t), 2000);
    core_release(x);
    EXPECT_EQ(x.done(), 1);
    auto frames = emu_.received(1711);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].flags, 0u);
    // The outer session ended cleanly: the next request works.
    core_request(x, nesting_callback, nullptr, 1701, 0, nullptr, 0);
    core_release(x);
    EXPECT_EQ(x.done(), 1);
    EXPECT_EQ(emu_.received(1701).size(), 2u);
    EXPECT_EQ(emu_.received(1711).size(), 2u);
}

TEST_F(CoreTest, NotifyAndOperationLog)
{
    start({});
    const uint32_t value = 5;
    core_notify(1705, value);
    OpLogRecord rec = zeroed<OpLogRecord>();
    rec.main_type = 4;
    rec.sub_type = 204;
    set_text(rec.user, "admin");
    core_send_oplog(rec);
    auto all = emu_.received();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].code, 1705u);
    EXPECT_EQ(all[0].u32_at(0), 5u);
    EXPECT_EQ(all[1].code, 3485u);
    EXPECT_EQ(all[1].flags, 0u);
    ASSERT_EQ(all[1].payload.size(), 672u);
    EXPECT_EQ(all[1].i64_at(8), 204);
    EXPECT_EQ(all[1].text_at(82, 64), "admin");
    EXPECT_TRUE(kx_sock_closed());  // the session was released
}

// A request's own answer: the frames it saw and the text it was asked with.
struct AskContext {
    const char* label;
    std::vector<uint32_t> codes;
};

int context_formatter(AskContext& ask, const KxFrameHeader* h, const void*)
{
    ask.codes.push_back(h->code);
    cgi_reply(2, ask.label);
    core_reply_finish(1);
    return 0;
}

TEST_F(CoreTest, AnswerRunsOnlyForItsCodesWithItsRequestsContext)
{
    // The daemon answers 6999 first (another request's reply code), then 6000.
    start({"1000 reply 6999 hex:01000000", "1000 reply 6000 hex:02000000", "1001 reply 6001 hex:03000000"});
    AskContext first{"first;", {}}, second{"second;", {}};
    StdoutCapture out(root_);
    EXPECT_EQ((core_ask<context_formatter>(1000, nullptr, 0, first, kReplyJson, {6000})), 1);
    EXPECT_EQ((core_ask<context_formatter>(1001, nullptr, 0, second, kReplyJson, {6001, 6002})), 1);
    EXPECT_EQ(out.finish(), "first;second;");
    EXPECT_EQ(first.codes, std::vector<uint32_t>{6000});
    EXPECT_EQ(second.codes, std::vector<uint32_t>{6001});
    EXPECT_TRUE(kx_sock_closed());  // each ask ends its session
}

TEST_F(CoreTest, AnswerThatNeverComesIsAnsweredWithTheErrorKind)
{
    // Only a reply code the answer does not list, then the connection ends.
    start({"1000 reply 6999 hex:01000000", "1000 close"});
    AskContext ask{"never;", {}};
    StdoutCapture out(root_);
    auto t = Clock::now();
    EXPECT_EQ((core_ask<context_formatter>(1000, nullptr, 0, ask, kReplyJson, {6000})), 0);
    EXPECT_LT(ms_since(t), 2000);
    const std::string text = out.finish();
    EXPECT_NE(text.find("{status:\"CGI ERROR\"}"), std::string::npos) << text;
    EXPECT_EQ(text.find("never;"), std::string::npos);
    EXPECT_TRUE(ask.codes.empty());
}

TEST_F(CoreTest, OneIntegerReplyAndItsShortForm)
{
    start({"3361 reply 8361 hex:2a000000", "3362 reply 8362 hex:0100"});
    const uint32_t c = 0;
    {
        StdoutCapture out(root_);
        EXPECT_EQ((core_ask<core_reply_int>(3361, &c, sizeof c, kCoreResReply, kReplyJson, {8361})), 1);
        const std::string text = out.finish();
        EXPECT_NE(text.find("{ \"res\": 42 }"), std::string::npos) << text;
    }
    {
        // Two bytes cannot hold the value: the JSON error form, at once.
        StdoutCapture out(root_);
        auto t = Clock::now();
        EXPECT_EQ((core_ask<core_reply_int>(3362, &c, sizeof c, kCoreStatusReply, kReplyJson, {8362})), 1);
        EXPECT_LT(ms_since(t), 2000);
        const std::string text = out.finish();
        EXPECT_NE(text.find("{status:\"CGI ERROR\"}"), std::string::npos) << text;
    }
}

// A formatter that asks a question of its own before it writes its reply:
// the inner ask has its own exchange and wait, and its reply must neither
// end the outer wait nor be taken for the outer reply.
AskContext g_inner{"inner;", {}};
int asking_formatter(AskContext& ask, const KxFrameHeader* h, const void*)
{
    ask.codes.push_back(h->code);
    const int inner = core_ask<context_formatter>(1001, nullptr, 0, g_inner, kReplyJson, {6001});
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // slow: the handler must still wait
    cgi_reply(2, inner == 1 ? ask.label : "no inner reply;");
    core_reply_finish(1);
    return 0;
}

TEST_F(CoreTest, AskInsideAFormatterHasItsOwnWait)
{
    start({"1000 reply 6000", "1001 reply 6001 delay:200"});
    g_inner.codes.clear();
    AskContext outer{"outer;", {}};
    StdoutCapture out(root_);
    auto t = Clock::now();
    EXPECT_EQ((core_ask<asking_formatter>(1000, nullptr, 0, outer, kReplyJson, {6000})), 1);
    const long took = ms_since(t);
    EXPECT_EQ(out.finish(), "inner;outer;");  // whole before the outer ask returned
    EXPECT_GE(took, 200);
    EXPECT_LT(took, 2000);
    EXPECT_EQ(outer.codes, std::vector<uint32_t>{6000});
    EXPECT_EQ(g_inner.codes, std::vector<uint32_t>{6001});
    EXPECT_TRUE(kx_sock_closed());  // both sessions ended
}

// Requests served one after another in one process, as a FastCGI worker
// does: the first one's finished reply, and a stray finish outside any reply
// callback, must not end the next one's wait before its own reply.
TEST_F(CoreTest, RequestsInTurnSeeNothingOfEachOther)
{
    start({"1000 reply 6000", "1001 reply 6001 delay:300", "1002 reply 6002 delay:300"});
    AskContext first{"first;", {}}, second{"second;", {}};
    StdoutCapture out(root_);
    EXPECT_EQ((core_ask<context_formatter>(1000, nullptr, 0, first, kReplyJson, {6000})), 1);
    core_reply_finish(1);  // on the handler's thread: no exchange is answering here
    auto t = Clock::now();
    EXPECT_EQ((core_ask<context_formatter>(1001, nullptr, 0, second, kReplyJson, {6001})), 1);
    EXPECT_GE(ms_since(t), 250) << "the second wait ended before its reply";
    EXPECT_EQ(second.codes, std::vector<uint32_t>{6001});

    // One exchange asked twice: the second question waits anew.
    const CoreAnswer answer = core_answer<context_formatter>(second, {6000, 6002});
    CoreExchange x;
    core_request_answer(x, answer, 1000, 0, nullptr, 0);
    EXPECT_EQ(x.done(), 1);
    t = Clock::now();
    core_request_answer(x, answer, 1002, 0, nullptr, 0);
    EXPECT_GE(ms_since(t), 250) << "the exchange's second wait ended before its reply";
    EXPECT_EQ(x.done(), 1);
    core_release(x);
    EXPECT_EQ(out.finish(), "first;second;second;second;");
    EXPECT_EQ(second.codes, (std::vector<uint32_t>{6001, 6000, 6002}));
}

// A daemon that sends a malformed frame: the library drops the connection.
void serve_one_bad_frame(const std::string& path, const std::vector<uint8_t>& bytes, std::atomic<bool>* saw_eof,
                         std::atomic<bool>* listening)
{
    int ls = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    bind(ls, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(ls, 4);
    *listening = true;
    pollfd p{ls, POLLIN, 0};
    if (poll(&p, 1, 5000) == 1) {
        int c = accept(ls, nullptr, nullptr);
        KxFrameHeader h;
        unsigned char* payload = nullptr;
        if (kx_read_frame(c, &h, &payload) == 1) {
            free(payload);
            send(c, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            pollfd q{c, POLLIN, 0};
            char b;
            if (poll(&q, 1, 5000) == 1 && recv(c, &b, 1, 0) == 0) *saw_eof = true;
        }
        close(c);
    }
    close(ls);
}

TEST_F(CoreTest, MalformedReplyClosesTheConnection)
{
    KxFrameHeader good{kKxMagic, kKxVersion, 1, 6000, 0, 0};
    unsigned char raw[kKxHeaderSize];
    std::vector<std::vector<uint8_t>> bad;
    KxFrameHeader h = good;
    h.magic = 0x4e564352;  // bytes in the wrong order
    kx_encode_header(&h, raw);
    bad.emplace_back(raw, raw + sizeof raw);
    h = good;
    h.version = 2;
    kx_encode_header(&h, raw);
    bad.emplace_back(raw, raw + sizeof raw);

    for (size_t i = 0; i < bad.size(); i++) {
        std::string path = root_.at("/bad" + std::to_string(i) + ".sock");
        std::atomic<bool> saw_eof{false}, listening{false};
        std::thread server(serve_one_bad_frame, path, bad[i], &saw_eof, &listening);
        while (!listening) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(kx_sock_init(recording_callback, nullptr, 3, path.c_str()), 0);
        EXPECT_EQ(kx_sock_send_msg(1, 1000, nullptr, 0, 0, 0), 0);
        auto t = Clock::now();
        while (!kx_sock_closed() && ms_since(t) < 5000) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_TRUE(kx_sock_closed()) << "frame " << i;
        EXPECT_NE(kx_sock_send_msg(1, 1000, nullptr, 0, 0, 0), 0);
        server.join();  // the daemon's side saw the connection end before uninit
        EXPECT_TRUE(saw_eof) << "frame " << i;
        kx_sock_uninit(0);
    }
    EXPECT_TRUE(seen().empty());
}

TEST(KxSocket, SendWithoutConnectionFails)
{
    TempRoot root;
    EXPECT_EQ(kx_sock_init(recording_callback, nullptr, 2, root.at("/missing.sock").c_str()), -1);
    EXPECT_TRUE(kx_sock_closed());
    EXPECT_NE(kx_sock_send_msg(1, 1000, nullptr, 0, 0, 0), 0);
    EXPECT_EQ(kx_sock_uninit(-1), 0);
    EXPECT_NE(kx_sock_send_msg(1, 1000, nullptr, 0, 0, 0), 0);  // no session at all
    EXPECT_EQ(kx_sock_uninit(0), 0);
}

// Frames over a socket pair: byte layout and every way a read can fail.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fd_), 0); }
    void TearDown() override
    {
        if (fd_[0] >= 0) close(fd_[0]);
        if (fd_[1] >= 0) close(fd_[1]);
    }
    void write_raw(const std::vector<uint8_t>& bytes)
    {
        ASSERT_EQ(write(fd_[0], bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    int read_frame(KxFrameHeader* h, std::vector<uint8_t>* payload = nullptr)
    {
        unsigned char* p = nullptr;
        int rc = kx_read_frame(fd_[1], h, &p);
        if (rc == 1 && payload) payload->assign(p, p + h->length);
        if (rc == 1) {
            EXPECT_NE(p, nullptr);
        }
        free(p);
        return rc;
    }
    std::vector<uint8_t> header_bytes(uint32_t magic, uint32_t version, uint32_t length)
    {
        KxFrameHeader h{magic, version, 1, 1000, 1, length};
        unsigned char raw[kKxHeaderSize];
        kx_encode_header(&h, raw);
        return std::vector<uint8_t>(raw, raw + sizeof raw);
    }
    int fd_[2] = {-1, -1};
};

TEST_F(FrameTest, HeaderIsLittleEndianOnTheWire)
{
    ASSERT_EQ(kx_write_frame(fd_[0], 0x01020304, 3485, 1, "ab", 2), 0);
    uint8_t raw[26];
    ASSERT_EQ(read(fd_[1], raw, sizeof raw), 26);
    const uint8_t expected[26] = {'N', 'V', 'C', 'R', 1, 0, 0, 0, 4, 3, 2, 1, 0x9d, 0x0d, 0, 0,
                                  1,   0,   0,   0,   2, 0, 0, 0, 'a', 'b'};
    EXPECT_EQ(std::memcmp(raw, expected, sizeof raw), 0);
}

TEST_F(FrameTest, RoundTripAndCleanEnd)
{
    ASSERT_EQ(kx_write_frame(fd_[0], 9, 8495, 0, "xyz", 3), 0);
    ASSERT_EQ(kx_write_frame(fd_[0], 10, 8496, 0, nullptr, 0), 0);
    close(fd_[0]);
    fd_[0] = -1;
    KxFrameHeader h;
    std::vector<uint8_t> payload;
    ASSERT_EQ(read_frame(&h, &payload), 1);
    EXPECT_EQ(h.seq, 9u);
    EXPECT_EQ(h.code, 8495u);
    EXPECT_EQ(payload, (std::vector<uint8_t>{'x', 'y', 'z'}));
    ASSERT_EQ(read_frame(&h, &payload), 1);
    EXPECT_EQ(h.length, 0u);
    EXPECT_EQ(read_frame(&h), 0);  // end of stream between frames
}

TEST_F(FrameTest, MalformedFramesAreRefused)
{
    KxFrameHeader h;
    write_raw(header_bytes(kKxMagic, kKxVersion, kKxMaxPayload + 1));
    EXPECT_EQ(read_frame(&h), -1);
    write_raw(header_bytes(0x12345678, kKxVersion, 0));
    EXPECT_EQ(read_frame(&h), -1);
    write_raw(header_bytes(kKxMagic, 0, 0));
    EXPECT_EQ(read_frame(&h), -1);
}

TEST_F(FrameTest, TruncatedFramesAreErrors)
{
    KxFrameHeader h;
    auto bytes = header_bytes(kKxMagic, kKxVersion, 10);
    bytes.resize(12);  // half a header
    write_raw(bytes);
    shutdown(fd_[0], SHUT_WR);
    EXPECT_EQ(read_frame(&h), -1);

    TearDown();
    SetUp();
    bytes = header_bytes(kKxMagic, kKxVersion, 10);
    bytes.push_back(1);  // 1 of 10 payload bytes
    write_raw(bytes);
    shutdown(fd_[0], SHUT_WR);
    EXPECT_EQ(read_frame(&h), -1);
}

TEST_F(FrameTest, WriterRefusesOversizedPayloadAndWorksOnPipes)
{
    EXPECT_EQ(kx_write_frame(fd_[0], 1, 1000, 0, "", kKxMaxPayload + 1), -1);
    EXPECT_EQ(kx_write_frame(fd_[0], 1, 1000, 0, nullptr, 5), -1);
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    EXPECT_EQ(kx_write_frame(p[1], 2, 1001, 0, "q", 1), 0);
    KxFrameHeader h;
    unsigned char* payload = nullptr;
    EXPECT_EQ(kx_read_frame(p[0], &h, &payload), 1);
    EXPECT_EQ(h.code, 1001u);
    EXPECT_EQ(payload[0], 'q');
    free(payload);
    close(p[0]);
    close(p[1]);
}

TEST(CoreWaitPolls, EveryRowOfTheTable)
{
    EXPECT_EQ(core_wait_polls(3230), 15000);
    EXPECT_EQ(core_wait_polls(3495), 15000);
    EXPECT_EQ(core_wait_polls(1701), 6000);
    EXPECT_EQ(core_wait_polls(3205), 6000);
    EXPECT_EQ(core_wait_polls(3528), 6000);
    EXPECT_EQ(core_wait_polls(1153), 3000);
    EXPECT_EQ(core_wait_polls(3535), 3000);
    EXPECT_EQ(core_wait_polls(3700), 1500);
    EXPECT_EQ(core_wait_polls(3702), 1500);
    EXPECT_EQ(core_wait_polls(3701), 1000);
    EXPECT_EQ(core_wait_polls(3206), 1000);
    EXPECT_EQ(core_wait_polls(1000), 1000);
    EXPECT_EQ(core_wait_polls(0), 1000);
}

TEST(CoreReplyStatus, JsonStatusFromTheFirstInteger)
{
    TempRoot root;
    const uint8_t payload[8] = {0xfe, 0xff, 0xff, 0xff, 9, 0, 0, 0};  // -2, then anything
    CoreExchange x;  // the exchange a formatter on this thread answers
    CoreReplying replying(x);
    {
        StdoutCapture out(root);
        EXPECT_EQ(core_reply_status_json(0, payload), -1);
        EXPECT_EQ(core_reply_status_json(1, nullptr), -1);
        EXPECT_EQ(out.finish(), "");
    }
    EXPECT_EQ(x.done(), 0);
    StdoutCapture out(root);
    core_reply_status_json(2, payload);
    EXPECT_EQ(out.finish(), "Content-type: application/json\r\n\r\n{ \"status\": -2 }");
    EXPECT_EQ(x.done(), 1);
}

TEST(CoreReplyStatus, TextForms)
{
    TempRoot root;
    CoreExchange x;  // the exchange a formatter on this thread answers
    CoreReplying replying(x);
    {
        StdoutCapture out(root);
        core_reply_status_text(nullptr, 0, nullptr);
        EXPECT_EQ(out.finish(), "Content-type: text/plain\r\n\r\nCGI OK status:[0]");
    }
    EXPECT_EQ(x.done(), 1);
    {
        StdoutCapture out(root);
        core_reply_status_text(nullptr, -3, "disk 2");
        EXPECT_EQ(out.finish(), "Content-type: text/plain\r\n\r\nCGI ERROR status:[-3], data:[disk 2]");
    }
    StdoutCapture out(root);
    std::string data(400, 'x');
    core_reply_status_text(nullptr, 1, data.c_str());
    std::string text = out.finish();
    std::string body = text.substr(text.find("\r\n\r\n") + 4);
    EXPECT_EQ(body.size(), 255u);
    EXPECT_EQ(body.substr(0, 27), "CGI OK status:[1], data:[xx");
}

}  // namespace
