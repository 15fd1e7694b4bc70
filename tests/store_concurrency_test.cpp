// Store writes of concurrent, killed and failing requests, end to end: many
// CGI processes at once on one root, writers killed at random moments, and
// writes the disk refuses (file-size limit).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <sqlite3.h>

#include <cstring>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "handlers/event/motion_records.h"
#include "platform/kxdb.h"
#include "tests/harness.h"

namespace {

// Process counts: moderate under an emulator of another processor (each
// process starts several times slower there).
#ifdef NVR_EXEC_WRAPPER
constexpr int kWriters = 12;
#else
constexpr int kWriters = 30;
#endif

const std::string kMd5 = "5ebe2294ecd0e0f08eab7690d2a6ee69";

int count_of(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) n++;
    return n;
}

class StoreConcurrencyTest : public NvrTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(store({"init"}).status, 0);
        emu();  // the daemon takes the change messages
    }

    struct Started {
        int pid;
        std::string out_path;
    };

    // Starts the CGI program on one request in the background; its reply goes
    // to a file. `fsize_limit` >= 0 sets RLIMIT_FSIZE in the child.
    Started start(const std::string& code, const std::string& body, long fsize_limit = -1)
    {
        static int serial;
        int n = serial++;
        std::string in = root().at("/par-in-" + std::to_string(n));
        std::string out = root().at("/par-out-" + std::to_string(n));
        root().write_file("/par-in-" + std::to_string(n), body);
        std::vector<std::string> env = {
            "NVR_ROOT=" + root().path(),
            "PATH=" + std::string(NVR_BUILD_DIR) + "/tools:/usr/bin:/bin",
            "REQUEST_METHOD=POST",
            "PATH_INFO=" + code,
            "CONTENT_TYPE=application/json",
            "CONTENT_LENGTH=" + std::to_string(body.size()),
            "REMOTE_ADDR=192.0.2.10",
        };
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        std::string program = built("nvr-api.cgi");
        int pid = fork();
        if (pid == 0) {
            int i = open(in.c_str(), O_RDONLY);
            int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int nul = open("/dev/null", O_WRONLY);
            if (i < 0 || o < 0 || nul < 0) _exit(126);
            dup2(i, 0);
            dup2(o, 1);
            dup2(nul, 2);
            if (fsize_limit >= 0) {
                struct rlimit rl{rlim_t(fsize_limit), rlim_t(fsize_limit)};
                setrlimit(RLIMIT_FSIZE, &rl);
            }
            exec_program(program, {}, envp.data());
        }
        return {pid, out};
    }

    // The reply bodies of one request each, all started at once.
    std::vector<std::string> post_all(const std::string& code, const std::vector<std::string>& bodies)
    {
        std::vector<Started> runs;
        for (auto& b : bodies) runs.push_back(start(code, b));
        std::vector<std::string> replies;
        for (auto& r : runs) {
            int status = 0;
            waitpid(r.pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status)) << status;
            replies.push_back(body_of(read_whole_file(r.out_path)));
        }
        return replies;
    }

    static std::string body_of(const std::string& out)
    {
        size_t at = out.find("\r\n\r\n");
        return at == std::string::npos ? out : out.substr(at + 4);
    }

    // The plates of the plate lists, read from the file itself.
    std::set<std::string> plates()
    {
        std::set<std::string> keys;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(root().at("/mnt/nand/app/anpr.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK) {
            sqlite3_stmt* s = nullptr;
            if (sqlite3_prepare_v2(db, "SELECT key FROM anpr_list", -1, &s, nullptr) == SQLITE_OK)
                while (sqlite3_step(s) == SQLITE_ROW) keys.insert(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
            sqlite3_finalize(s);
        }
        sqlite3_close(db);
        return keys;
    }

    void expect_intact()
    {
        for (const char* db : {"main", "anpr"}) {
            if (!std::strcmp(db, "anpr") && !root().exists("/mnt/nand/app/anpr.db")) continue;
            auto r = store({"check", "--db", db});
            EXPECT_EQ(r.status, 0) << db << ": " << r.err;
        }
    }
};

// ---- concurrent writers ----

TEST_F(StoreConcurrencyTest, ConcurrentAccountAddsTakeDistinctSlotsAndNames)
{
    // Distinct names, plus five adds of one name: each add finds its free
    // slot and checks the name inside its own transaction.
    std::vector<std::string> bodies;
    for (int i = 0; i < kWriters; i++)
        bodies.push_back("{\"name\":\"user" + std::to_string(i) + "\",\"password\":\"" + kMd5 +
                         "\",\"type\":1,\"permission\":0,\"remotePermission\":0}");
    for (int i = 0; i < 5; i++)
        bodies.push_back("{\"name\":\"twin\",\"password\":\"" + kMd5 +
                         "\",\"type\":1,\"permission\":0,\"remotePermission\":0}");
    auto replies = post_all("/6071", bodies);

    std::set<std::string> ids;
    int twins = 0, same = 0;
    for (size_t i = 0; i < replies.size(); i++) {
        if (i >= size_t(kWriters) && replies[i] == "SAMEUSER") {
            same++;
            continue;
        }
        ASSERT_TRUE(std::regex_match(replies[i], std::regex("id=[0-9]+"))) << i << ": " << replies[i];
        EXPECT_TRUE(ids.insert(replies[i]).second) << "slot given twice: " << replies[i];
        if (i >= size_t(kWriters)) twins++;
    }
    EXPECT_EQ(twins, 1);
    EXPECT_EQ(same, 4);

    std::string list = post("/6070", "").body();
    for (int i = 0; i < kWriters; i++)
        EXPECT_EQ(count_of(list, "\"name\": \"user" + std::to_string(i) + "\""), 1) << i;
    EXPECT_EQ(count_of(list, "\"name\": \"twin\""), 1);
    // Every acknowledged add told the daemon.
    EXPECT_EQ(emu().received(3505).size(), size_t(kWriters + 1));
    expect_intact();
}

TEST_F(StoreConcurrencyTest, ConcurrentEditsOfOneAccountKeepEveryField)
{
    ASSERT_EQ(post("/6071", "{\"name\":\"shared\",\"password\":\"" + kMd5 +
                                "\",\"type\":1,\"permission\":0,\"remotePermission\":0}")
                  .body(),
              "id=1");
    // Twenty edits, each switching on one right of its own.
    const char* keys[] = {"localLiveView",  "localPlayback",  "localRetrieve",  "localSmartAnalysis",
                          "localEvent",     "localCamera",    "localStorage",   "localSettings",
                          "localStatus",    "localShutdown",  "remoteLiveView", "remotePlayback",
                          "remoteRetrieve", "remoteSmartAnalysis", "remoteEvent", "remoteCamera",
                          "remoteStorage",  "remoteSettings", "remoteStatus",   "remoteShutdown"};
    std::vector<std::string> bodies;
    for (const char* k : keys) bodies.push_back(std::string("{\"id\":1,\"") + k + "\":1}");
    for (auto& r : post_all("/6072", bodies)) EXPECT_EQ(r, "OK");

    std::string list = post("/6070", "").body();
    size_t at = list.find("\"name\": \"shared\"");
    ASSERT_NE(at, std::string::npos) << list;
    std::string account = list.substr(at, list.find('}', at) - at);
    for (const char* k : keys) EXPECT_NE(account.find(std::string("\"") + k + "\": 1"), std::string::npos) << k;
    expect_intact();
}

TEST_F(StoreConcurrencyTest, ConcurrentPlateAndPtzLinkAddsAllKept)
{
    std::vector<std::string> adds;
    for (int i = 0; i < kWriters; i++)
        adds.push_back("{\"cnt\":1,\"plate\":[[\"black\",\"P" + std::to_string(1000 + i) + "\"]]}");
    for (auto& r : post_all("/6184", adds)) EXPECT_EQ(r, "{ \"count\": 1 }");

    // PTZ links of one event source: each add takes the next free place in
    // the source's list.
    std::vector<std::string> links;
    const int n_links = kWriters < 16 ? kWriters : 16;
    for (int i = 0; i < n_links; i++)
        links.push_back("{\"type\":1,\"chn_id\":2,\"acto_ptz_channel\":" + std::to_string(i + 1) +
                        ",\"acto_ptz_type\":1,\"acto_ptz_preset\":" + std::to_string(i + 1) + "}");
    auto replies = post_all("/6160", links);
    for (auto& r : replies) EXPECT_EQ(r, "OK");

    auto stored_plates = plates();
    for (int i = 0; i < kWriters; i++) EXPECT_EQ(stored_plates.count("P" + std::to_string(1000 + i)), 1u) << i;
    std::string ptz = post("/6161", "{\"type\":1,\"chn_id\":2}").body();
    for (int i = 0; i < n_links; i++)
        EXPECT_EQ(count_of(ptz, "\"acto_ptz_channel\": " + std::to_string(i + 1) + ","), 1) << i << ptz;
    expect_intact();
}

TEST_F(StoreConcurrencyTest, ChannelEditsOfDifferentKeysAndCopiesKeepBoth)
{
    ASSERT_EQ(post("/6112", "{\"chnid\":2,\"sensitivity\":1,\"enableMS\":0,\"motionTable\":\"0f0f\"}").body(), "OK");
    // Half the requests change the sensitivity and copy channel 2 to
    // channel 5, half switch the all-day schedule on: each reads the channel's
    // row, changes its key and writes the row back.
    std::vector<std::string> bodies;
    for (int i = 0; i < kWriters; i++)
        bodies.push_back(i % 2 ? "{\"chnid\":2,\"sensitivity\":7,\"motionTable\":\"0f0f\",\"copyCnt\":1,\"copyChn\":[5]}"
                               : "{\"chnid\":2,\"enableMS\":1,\"motionTable\":\"0f0f\"}");
    for (auto& r : post_all("/6112", bodies)) EXPECT_EQ(r, "OK");
    MotionRecord own, copy;
    ASSERT_TRUE(stored("motion", 2, &own));
    EXPECT_EQ(own.sensitivity, 7);
    EXPECT_EQ(own.enable_ms, 1);
    ASSERT_TRUE(stored("motion", 5, &copy));
    EXPECT_EQ(copy.chnid, 5);
    EXPECT_EQ(copy.sensitivity, 7);
    expect_intact();
}

// ---- killed writers ----

TEST_F(StoreConcurrencyTest, KilledWritersLoseNoAcknowledgedChange)
{
    std::mt19937 rng(12345);
    std::vector<Started> runs;
    std::vector<std::string> names;
    for (int i = 0; i < kWriters; i++) {
        names.push_back("k" + std::to_string(i));
        runs.push_back(start("/6071", "{\"name\":\"" + names.back() + "\",\"password\":\"" + kMd5 +
                                          "\",\"type\":1,\"permission\":0,\"remotePermission\":0}"));
    }
    // Kill about half of them at random moments while they run.
    for (size_t i = 0; i < runs.size(); i += 2) {
        struct timespec ts{0, long(rng() % 20000) * 1000L};
        nanosleep(&ts, nullptr);
        kill(runs[i].pid, SIGKILL);
    }
    std::vector<std::string> replies;
    for (auto& r : runs) {
        int status = 0;
        waitpid(r.pid, &status, 0);
        replies.push_back(body_of(read_whole_file(r.out_path)));
    }
    expect_intact();
    std::string list = post("/6070", "").body();
    int acknowledged = 0;
    for (size_t i = 0; i < runs.size(); i++) {
        int present = count_of(list, "\"name\": \"" + names[i] + "\"");
        EXPECT_LE(present, 1) << names[i];
        if (replies[i].rfind("id=", 0) == 0) {
            acknowledged++;
            EXPECT_EQ(present, 1) << names[i] << " answered " << replies[i] << " but is not stored";
        }
    }
    EXPECT_GE(acknowledged, kWriters / 2);
    // The next write works, and nothing but the database and its journal
    // files is left beside it.
    EXPECT_TRUE(std::regex_match(post("/6071", "{\"name\":\"after\",\"password\":\"" + kMd5 +
                                                   "\",\"type\":1,\"permission\":0,\"remotePermission\":0}")
                                     .body(),
                                 std::regex("id=[0-9]+")));
    for (const std::string& f : root().list_dir("/mnt/nand/app"))
        EXPECT_TRUE(std::regex_match(f, std::regex("(kxdb|anpr)\\.db(-wal|-shm)?"))) << f;
}

// ---- writes the disk refuses ----

TEST_F(StoreConcurrencyTest, RefusedWriteIsNeverAnsweredAsDone)
{
    ASSERT_EQ(store({"set", "permission_update", "1"}).status, 0);
    ASSERT_EQ(post("/6184", "{\"cnt\":1,\"plate\":[[\"black\",\"SEED1\"]]}").body(), "{ \"count\": 1 }");
    std::string before = store({"dump", "user"}).out;

    struct Case {
        std::string code, body, failure;
    };
    const std::vector<Case> cases = {
        {"/1024", "", "CGI ERROR"},
        {"/6071",
         "{\"name\":\"nobody\",\"password\":\"" + kMd5 + "\",\"type\":1,\"permission\":0,\"remotePermission\":0}",
         "FAILED_FULL"},
        {"/6072", "{\"id\":0,\"localShutdown\":1,\"remoteShutdown\":1}", "CGI ERROR"},
        {"/6184", "{\"cnt\":1,\"plate\":[[\"black\",\"REFUSED1\"]]}", "{status:\"CGI ERROR\"}"},
    };
    // No file may grow past 4 KiB (the debug log still can). Alone, the program cannot even set up
    // the databases' shared-memory index, so no transaction can begin; with
    // another connection keeping the files open (as the core daemon does) the
    // transaction begins and the commit's write to the log fails.
    for (bool held : {false, true}) {
        std::vector<sqlite3*> readers;
        if (held) {
            for (const char* f : {"/mnt/nand/app/kxdb.db", "/mnt/nand/app/anpr.db"}) {
                sqlite3* h = nullptr;
                ASSERT_EQ(sqlite3_open_v2(root().at(f).c_str(), &h, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK) << f;
                ASSERT_EQ(sqlite3_exec(h, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr), SQLITE_OK);
                readers.push_back(h);
            }
        }
        for (const Case& c : cases) {
            Started s = start(c.code, c.body, 4096);
            int status = 0;
            waitpid(s.pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status)) << c.code;
            EXPECT_EQ(body_of(read_whole_file(s.out_path)), c.failure) << c.code << (held ? " (files held open)" : "");
        }
        for (sqlite3* h : readers) sqlite3_close(h);
    }
    // The store's error is in the debug log; nothing told to the daemon,
    // nothing changed, the files intact.
    EXPECT_NE(root().read_file("/mnt/nand/cgi_log.txt").find("store write failed"), std::string::npos);
    EXPECT_TRUE(emu().received(3505).empty());
    EXPECT_TRUE(emu().received(3485).empty());
    EXPECT_EQ(store({"get", "permission_update"}).out, "1\n");
    EXPECT_EQ(store({"dump", "user"}).out, before);
    EXPECT_EQ(plates().count("REFUSED1"), 0u);
    expect_intact();
    // Without the limit the same writes go through.
    EXPECT_EQ(post("/1024", "").body(), "OK");
    EXPECT_EQ(store({"get", "permission_update"}).out, "0\n");
}

TEST_F(StoreConcurrencyTest, RefusedCameraEditSendsNoChangeMessage)
{
    const std::string body =
        "{\"id\":5,\"name\":\"Gate\",\"enable\":1,\"camProtocol\":1,\"ipAddr\":\"10.0.0.5\",\"managePort\":8000,"
        "\"transmitProtocol\":0,\"type\":0,\"userName\":\"op\",\"password\":\"pw\",\"minorid\":2,"
        "\"enableSubStream\":1,\"syncTime\":1,\"mainRtspPort\":5554,\"mainSourcePath\":\"/live/main\","
        "\"subRtspPort\":5555,\"subSourcePath\":\"/live/sub\"}";
    std::string before = store({"dump", "osd"}).out + store({"dump", "camera"}).out;
    // The file held open by another connection: the transaction begins and
    // the two rows are written, the commit before the first change message
    // fails.
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open_v2(root().at("/mnt/nand/app/kxdb.db").c_str(), &h, SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr), SQLITE_OK);
    Started s = start("/2003", body, 4096);
    int status = 0;
    waitpid(s.pid, &status, 0);
    sqlite3_close(h);
    EXPECT_EQ(body_of(read_whole_file(s.out_path)), "CGI ERROR");
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(store({"dump", "osd"}).out + store({"dump", "camera"}).out, before);
    expect_intact();
}

}  // namespace

// ---- the request scope in one process ----

namespace {

const KxRecordKind kScopeKind{"scope_rows", 8, 4};

// The rows of `db` another connection sees now.
int visible_rows(const char* db)
{
    sqlite3* h = nullptr;
    int n = -1;
    if (sqlite3_open_v2(nvr_path(db).c_str(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(h, "SELECT count(*) FROM record WHERE kind='scope_rows'", -1, &s, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW)
            n = sqlite3_column_int(s, 0);
        sqlite3_finalize(s);
    }
    sqlite3_close(h);
    return n;
}

TEST(StoreRequestScope, WritesBecomeVisibleTogetherAtTheCommit)
{
    const char* db = "/scope/visible.db";
    u32 one = 1;
    ASSERT_EQ(kxdb_row_write(db, kScopeKind, 0, &one), 0);  // outside a scope: at once
    EXPECT_EQ(visible_rows(db), 1);

    kxdb_request_begin();
    u32 rows[3] = {5, 6, 7};
    EXPECT_EQ(kxdb_rows_write(db, kScopeKind, rows, 3), 0);
    EXPECT_EQ(kxdb_row_write(db, kScopeKind, 5, &one), 0);
    EXPECT_EQ(kxdb_row_delete(db, kScopeKind, 1), 0);
    EXPECT_EQ(visible_rows(db), 1);  // nothing of the request shows yet
    u32 back = 0;
    EXPECT_EQ(kxdb_row_read(db, kScopeKind, 2, &back), 0);  // the request sees its own writes
    EXPECT_EQ(back, 7u);
    EXPECT_EQ(kxdb_request_commit(), 0);
    EXPECT_EQ(visible_rows(db), 3);
    // Later calls of the request begin a new transaction, ended by the end.
    EXPECT_EQ(kxdb_row_write(db, kScopeKind, 6, &one), 0);
    EXPECT_EQ(visible_rows(db), 3);
    EXPECT_EQ(kxdb_request_end(), 0);
    EXPECT_EQ(visible_rows(db), 4);
    EXPECT_EQ(kxdb_request_failed(), 0);
    // Outside a scope the calls commit one by one again.
    EXPECT_EQ(kxdb_row_write(db, kScopeKind, 7, &one), 0);
    EXPECT_EQ(visible_rows(db), 5);
    kxdb_close_all();
}

TEST(StoreRequestScope, RequestsTakingTwoFilesInOppositeOrdersDoNotDeadlock)
{
    // Each child holds one file and then wants the other: without giving up
    // what it holds, each would wait for the other until the busy timeout and
    // one request would fail.
    const char* a = "/scope/order-a.db";
    const char* b = "/scope/order-b.db";
    ASSERT_EQ(set_param_int(a, "init", 0), 0);
    ASSERT_EQ(set_param_int(b, "init", 0), 0);
    kxdb_close_all();
    int pids[2];
    for (int c = 0; c < 2; c++) {
        pids[c] = fork();
        if (pids[c] == 0) {
            const char* first = c == 0 ? a : b;
            const char* second = c == 0 ? b : a;
            kxdb_request_begin();
            int rc = set_param_int(first, c == 0 ? "x" : "y", 1);
            struct timespec ts{0, 300 * 1000000L};
            nanosleep(&ts, nullptr);
            rc |= set_param_int(second, c == 0 ? "x" : "y", 1);
            rc |= kxdb_request_end();
            kxdb_close_all();
            _exit(rc == 0 ? 0 : 1);
        }
    }
    for (int pid : pids) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    for (const char* db : {a, b})
        for (const char* key : {"x", "y"}) EXPECT_EQ(get_param_int(db, key, 0), 1) << db << " " << key;
    kxdb_close_all();
}

}  // namespace
