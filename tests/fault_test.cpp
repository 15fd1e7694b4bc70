// Fault injection end to end: a core daemon that dies or answers wrongly, an
// upload that cannot be written, a store that cannot be written or stays
// locked. Each request must end with its error reply or no output, within
// its bound, leave no temporary upload file and no half-written store row.
#include <gtest/gtest.h>

#include <poll.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "handlers/system/user_records.h"
#include "platform/kxsocket.h"
#include "tests/harness.h"
#include "tests/harness_limits.h"

namespace {

using Clock = std::chrono::steady_clock;

long ms_since(Clock::time_point t)
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

std::string frame(uint32_t seq, uint32_t code, const std::string& payload, uint32_t length)
{
    KxFrameHeader h{kKxMagic, kKxVersion, seq, code, 0, length};
    unsigned char raw[kKxHeaderSize];
    kx_encode_header(&h, raw);
    return std::string(reinterpret_cast<char*>(raw), sizeof raw) + payload;
}
std::string frame(uint32_t seq, uint32_t code, const std::string& payload)
{
    return frame(seq, code, payload, uint32_t(payload.size()));
}

// A core daemon in the test process that answers every request that waits
// with raw bytes (whole frames, cut frames, lies about lengths) and then
// hangs up, as a daemon that crashes while it answers.
class RawDaemon {
public:
    explicit RawDaemon(const TempRoot& root)
    {
        root.write_file("/var/run/.daemon", "");
        const std::string path = root.at("/var/run/kxsocket");
        unlink(path.c_str());
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        struct sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        EXPECT_EQ(listen(fd_, 8), 0);
        thread_ = std::thread([this] { serve(); });
    }
    ~RawDaemon()
    {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    // The bytes written for the next request that waits (the answer of the
    // seq-1 request: the seq of a new connection's first frame).
    void answer(const std::string& bytes, int pause_ms = 0)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        answer_ = bytes;
        pause_ms_ = pause_ms;
    }
    std::vector<uint32_t> codes()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return codes_;
    }

private:
    void serve()
    {
        while (!stop_) {
            struct pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0) continue;
            for (;;) {
                KxFrameHeader h;
                unsigned char* payload = nullptr;
                if (kx_read_frame(c, &h, &payload) != 1) break;
                free(payload);
                std::string bytes;
                int pause = 0;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    codes_.push_back(h.code);
                    bytes = answer_;
                    pause = pause_ms_;
                }
                if (!(h.flags & kKxFlagWait)) continue;
                size_t half = bytes.size() / 2;
                send(c, bytes.data(), half, MSG_NOSIGNAL);
                if (pause) std::this_thread::sleep_for(std::chrono::milliseconds(pause));
                send(c, bytes.data() + half, bytes.size() - half, MSG_NOSIGNAL);
                break;
            }
            close(c);
        }
    }
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::string answer_;
    int pause_ms_ = 0;
    std::vector<uint32_t> codes_;
};

const char kBoundary[] = "----faultB0undary";

std::string upload_body(const std::string& bytes)
{
    return std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"fw.bin\"\r\n" +
           "Content-Type: application/octet-stream\r\n\r\n" + bytes + "\r\n--" + kBoundary + "--\r\n";
}

const char kNewUser[] =
    "{\"name\":\"bob\",\"password\":\"5ebe2294ecd0e0f08eab7690d2a6ee69\",\"type\":1,\"permission\":0,"
    "\"remotePermission\":0}";

class FaultTest : public NvrTest {
protected:
    void TearDown() override
    {
        for (auto& n : root().list_dir("/tmp")) EXPECT_NE(n.rfind("cgic", 0), 0u) << "temporary file left: " << n;
    }

    RunResult upload(const std::string& code, const std::string& bytes)
    {
        CgiRequest r;
        r.code = code;
        r.content_type = std::string("multipart/form-data; boundary=") + kBoundary;
        r.body = upload_body(bytes);
        return run(r);
    }

    // The page check ("/1018", message 3504) answered by `daemon` with `bytes`.
    RunResult page_check(RawDaemon& daemon, const std::string& bytes, long* elapsed, int pause_ms = 0)
    {
        daemon.answer(bytes, pause_ms);
        auto t = Clock::now();
        RunResult r = post("/1018", "page");
        *elapsed = ms_since(t);
        return r;
    }

    // Rows of the user table as "index length hex" lines.
    std::string user_rows() { return store({"dump", "user"}).out; }
    std::string main_db() { return root().at("/mnt/nand/app/kxdb.db"); }
};

// ---- the core daemon ----

TEST_F(FaultTest, DaemonThatDiesMidFrameEndsWithTheErrorReplyAtOnce)
{
    RawDaemon daemon(root());
    const std::string good = frame(1, 8504, std::string(4, '\0'));
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"nothing at all", ""},
        {"half a header", good.substr(0, 10)},
        {"a header without its payload", good.substr(0, kKxHeaderSize)},
        {"a payload cut short", frame(1, 8504, "\0\0", 4)},
        {"a frame of another code", frame(1, 9999, std::string(4, '\0'))},
        {"a short frame, then the next one cut", frame(1, 8504, "\1") + good.substr(0, kKxHeaderSize + 2)},
        {"a bad magic", std::string("XXXX") + good.substr(4)},
        {"a length over the limit", frame(1, 8504, std::string(4, '\0'), kKxMaxPayload + 1)},
    };
    for (auto& [what, bytes] : cases) {
        long elapsed = 0;
        RunResult r = page_check(daemon, bytes, &elapsed, 50);
        EXPECT_EQ(r.status, 0) << what;
        EXPECT_EQ(r.out, "Content-type: text/plain\r\n\r\nCGI ERROR") << what;
        // The wait of 3504 is 40 s; a closed connection ends it at once.
        EXPECT_LT(elapsed, 3000) << what;
    }
    EXPECT_EQ(daemon.codes(), std::vector<uint32_t>(cases.size(), 3504u));
}

TEST_F(FaultTest, DaemonKilledWhileTheRequestWaits)
{
    emu().rule("3504 silent");
    auto t = Clock::now();
    auto pending = std::async(std::launch::async, [&] { return post("/1018", "page"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    emu().stop();
    RunResult r = pending.get();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Content-type: text/plain\r\n\r\nCGI ERROR");
    EXPECT_LT(ms_since(t), 3000);
    // No daemon at all: the same reply, after the short reconnect window.
    t = Clock::now();
    r = post("/1018", "page");
    EXPECT_EQ(r.out, "Content-type: text/plain\r\n\r\nCGI ERROR");
    EXPECT_LT(ms_since(t), 3000);
}

TEST_F(FaultTest, PayloadShorterThanOneRecordIsNeverRead)
{
    RawDaemon daemon(root());
    // A 4-byte verdict is due: shorter payloads are ignored, and the end of
    // the connection ends the wait.
    for (std::string payload : {std::string(), std::string("\1"), std::string("\1\0\0", 3)}) {
        long elapsed = 0;
        RunResult r = page_check(daemon, frame(1, 8504, payload), &elapsed);
        EXPECT_EQ(r.out, "Content-type: text/plain\r\n\r\nCGI ERROR") << payload.size();
        EXPECT_LT(elapsed, 3000);
    }
    // A length that claims less than is sent: the rest is no frame, and the
    // short payload is not a verdict.
    long elapsed = 0;
    RunResult r = page_check(daemon, frame(1, 8504, std::string("\1\0", 2), 2) + std::string("\0\0", 2), &elapsed);
    EXPECT_EQ(r.out, "Content-type: text/plain\r\n\r\nCGI ERROR");
    // A longer payload than the record: the record is read, the rest ignored.
    r = page_check(daemon, frame(1, 8504, std::string("\1\0\0\0", 4) + std::string(4096, '\xff')), &elapsed);
    EXPECT_EQ(r.out, "Location: ../../html/home.html\r\n\r\n");
    // A stream: a short frame first, the whole verdict after it.
    r = page_check(daemon, frame(1, 8504, "\1") + frame(1, 8504, std::string("\1\0\0\0", 4)), &elapsed);
    EXPECT_EQ(r.out, "Location: ../../html/home.html\r\n\r\n");
}

// ---- uploads ----

TEST_F(FaultTest, UploadOverTheFileSizeLimitLeavesNothing)
{
    RunLimits lim;
    lim.file_size = 64 * 1024;
    const std::string big(512 * 1024, 'u');
    for (const char* code : {"/1008", "/1019", "/6082"}) {
        auto t = Clock::now();
        RunResult r = run_limited(lim, [&] { return upload(code, big); });
        EXPECT_EQ(r.status, 255) << code;  // the multipart parser failed
        EXPECT_EQ(r.out, "") << code;
        EXPECT_LT(ms_since(t), 5000) << code;
        EXPECT_TRUE(root().list_dir("/tmp").empty()) << code;
    }
    // Under the limit the same upload goes through.
    RunResult r = run_limited(lim, [&] { return upload("/6082", std::string(1000, 'u')); });
    EXPECT_EQ(r.status, 0);
}

TEST_F(FaultTest, UnwritableTemporaryDirectoryEndsWithoutOutput)
{
    // "/tmp" is a file: no temporary file can be made there.
    root().write_file("/tmp", "not a directory");
    RunResult r = upload("/1008", "data");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    ASSERT_EQ(unlink(root().at("/tmp").c_str()), 0);

    // "/tmp" is read-only (for root too, without its override).
    if (!can_obey_file_modes()) GTEST_SKIP() << "file modes cannot be made to bind";
    ASSERT_EQ(mkdir(root().at("/tmp").c_str(), 0555), 0);
    RunLimits lim;
    lim.obey_file_modes = true;
    r = run_limited(lim, [&] { return upload("/1008", "data"); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(root().list_dir("/tmp").empty());
    chmod(root().at("/tmp").c_str(), 0755);
}

// ---- the store ----

TEST_F(FaultTest, ReadOnlyStoreRefusesTheWriteAndKeepsItsRows)
{
    if (!can_obey_file_modes()) GTEST_SKIP() << "file modes cannot be made to bind";
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    const std::string before = user_rows();
    ASSERT_EQ(chmod(main_db().c_str(), 0444), 0);
    RunLimits lim;
    lim.obey_file_modes = true;
    RunResult r = run_limited(lim, [&] { return post("/6071", kNewUser); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.body(), "FAILED_FULL");
    // Reading still works: the factory account logs in.
    r = run_limited(lim, [&] {
        return post("/1000", "{\"userName\":\"admin\",\"md5\":\"21232f297a57a5a743894a0e4a801fc3\"}");
    });
    EXPECT_EQ(r.body().rfind("{ \"type\": 0,", 0), 0u) << r.body();
    chmod(main_db().c_str(), 0644);
    EXPECT_EQ(user_rows(), before);
    EXPECT_TRUE(emu().received(3505).empty());  // nobody was told about an account that does not exist
    EXPECT_EQ(store({"check"}).status, 0);
}

TEST_F(FaultTest, StoreLockedPastTheBusyTimeout)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    const std::string before = user_rows();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(main_db().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    // Held for longer than the store's 10 s busy timeout: the write gives up.
    auto t = Clock::now();
    RunResult r = post("/6071", kNewUser);
    long elapsed = ms_since(t);
    EXPECT_EQ(r.body(), "FAILED_FULL");
    EXPECT_GE(elapsed, 9000);
    EXPECT_LT(elapsed, 15000);

    // Held for a moment only: the write waits for it and succeeds.
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    });
    ASSERT_EQ(user_rows(), before);
    r = post("/6071", kNewUser);
    release.join();
    sqlite3_close(db);
    EXPECT_EQ(r.body(), "id=1");
    EXPECT_EQ(emu().received(3505).size(), 1u);
    EXPECT_EQ(store({"check"}).status, 0);
}

TEST_F(FaultTest, StoreWriteOverTheFileSizeLimitIsNotHalfWritten)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    const std::string before = user_rows();
    struct stat st;
    ASSERT_EQ(stat(main_db().c_str(), &st), 0);
    RunLimits lim;
    lim.file_size = 1024;  // not even one page of the journal fits
    RunResult r = run_limited(lim, [&] { return post("/6071", kNewUser); });
    EXPECT_EQ(r.body(), "FAILED_FULL");
    EXPECT_EQ(user_rows(), before);
    EXPECT_EQ(store({"check"}).status, 0);
    // Without the limit the same account is added.
    EXPECT_EQ(post("/6071", kNewUser).body(), "id=1");
}

}  // namespace
