// The configuration store library and the nvr-store tool.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <climits>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/paths.h"
#include "platform/kxdb.h"
#include "tests/harness.h"
#include "tests/process_root.h"
#include "tests/store_records.h"

namespace {

bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void remove_db(const char* db)
{
    std::string p = nvr_root() + db;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) unlink((p + suffix).c_str());
}

// One query on a database file with a connection of the test's own; the first
// column of the first row.
std::string query_file(const std::string& path, const char* sql)
{
    sqlite3* h = nullptr;
    std::string out = "(cannot open)";
    if (sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(h, 10000);
        sqlite3_stmt* s = nullptr;
        out = "(no row)";
        if (sqlite3_prepare_v2(h, sql, -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW) {
            const unsigned char* t = sqlite3_column_text(s, 0);
            out = t ? reinterpret_cast<const char*>(t) : "";
        }
        sqlite3_finalize(s);
    }
    sqlite3_close(h);
    return out;
}

// In-process tests run on the test process's root, with no database at the
// start of each test.
class Store : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(nvr_root(), test_process_root());
        ASSERT_FALSE(nvr_root().empty());
        clean();
    }
    void TearDown() override { clean(); }
    static void clean()
    {
        kxdb_close_all();
        for (const char* db : {kMainDb, kAnprDb, kOemDb}) remove_db(db);
    }
    static std::string file(const char* db) { return nvr_root() + db; }
};

using store_test::Rec;
NVR_STORE_KIND(kRecKind, "rec", 8, Rec);

Rec make_rec(u32 magic, int channel)
{
    Rec r = zeroed<Rec>();
    r.magic = magic;
    r.channel = channel;
    for (int i = 0; i < 16; i++) r.bytes[i] = u8(magic + i);
    return r;
}

bool is_zero(const Rec& r)
{
    Rec z = zeroed<Rec>();
    return std::memcmp(&r, &z, sizeof r) == 0;
}

// ---- keys ----

TEST_F(Store, KeysRoundTripAndGiveDefaultsWhenAbsent)
{
    EXPECT_EQ(get_param_int(kMainDb, "max_cameras", 32), 32);
    EXPECT_EQ(set_param_int(kMainDb, "max_cameras", 64), 0);
    EXPECT_EQ(get_param_int(kMainDb, "max_cameras", 32), 64);
    EXPECT_EQ(set_param_int(kMainDb, "offset", -7), 0);
    EXPECT_EQ(get_param_int(kMainDb, "offset", 0), -7);

    char out[16];
    EXPECT_EQ(get_param_value(kMainDb, "max_cameras", out, sizeof out, "x"), 0);
    EXPECT_STREQ(out, "64");
    EXPECT_EQ(put_param_value(kMainDb, "name", "recorder one"), 0);
    EXPECT_EQ(get_param_value(kMainDb, "name", out, sizeof out, "x"), 0);
    EXPECT_STREQ(out, "recorder one");
    EXPECT_EQ(get_param_value(kMainDb, "name", out, 5, "x"), 0);  // cut to the buffer, terminated
    EXPECT_STREQ(out, "reco");
    EXPECT_EQ(get_param_value(kMainDb, "absent", out, sizeof out, "fallback"), -1);
    EXPECT_STREQ(out, "fallback");
    EXPECT_EQ(get_param_value(kMainDb, "absent", out, sizeof out, nullptr), -1);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(get_param_value(kMainDb, "name", nullptr, 8, ""), -1);

    // Survives closing: it is in the file, not in a cache.
    kxdb_close_all();
    EXPECT_EQ(get_param_int(kMainDb, "max_cameras", 32), 64);
    // Databases are separate.
    EXPECT_EQ(get_param_int(kAnprDb, "max_cameras", 5), 5);
}

TEST_F(Store, IntegerKeysParseTextLikeAtoi)
{
    struct Case {
        const char* text;
        int value;
    } cases[] = {{"12ab", 12}, {"ab", 0}, {"  -15", -15}, {"+3", 3}, {"", 0},
                 {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}};
    for (const Case& c : cases) {
        put_param_value(kMainDb, "k", c.text);
        EXPECT_EQ(get_param_int(kMainDb, "k", 77), c.value) << c.text;
    }
}

TEST_F(Store, SetStoresOnlyUnderAnExistingKeyAddCreates)
{
    EXPECT_NE(check_param_key(kMainDb, "ntp_server"), 0);
    // No database yet: refusing the update creates nothing.
    EXPECT_EQ(set_param_value(kMainDb, "ntp_server", "pool"), -1);
    EXPECT_FALSE(exists(file(kMainDb)));

    EXPECT_EQ(put_param_value(kMainDb, "other", "1"), 0);
    EXPECT_EQ(set_param_value(kMainDb, "ntp_server", "pool"), -1);
    EXPECT_NE(check_param_key(kMainDb, "ntp_server"), 0);

    EXPECT_EQ(add_param_value(kMainDb, "ntp_server", "pool"), 0);
    EXPECT_EQ(check_param_key(kMainDb, "ntp_server"), 0);
    EXPECT_EQ(set_param_value(kMainDb, "ntp_server", "time.local"), 0);
    char out[32];
    get_param_value(kMainDb, "ntp_server", out, sizeof out, "");
    EXPECT_STREQ(out, "time.local");
    // A second add (another process won the race) still stores the text.
    EXPECT_EQ(add_param_value(kMainDb, "ntp_server", "late"), 0);
    get_param_value(kMainDb, "ntp_server", out, sizeof out, "");
    EXPECT_STREQ(out, "late");
}

// ---- records ----

TEST_F(Store, RecordsRoundTripWhole)
{
    Rec r = make_rec(0x11223344, 3);
    EXPECT_EQ(store_write(kMainDb, kRecKind, 3, r), 0);
    Rec back;
    EXPECT_EQ(store_read(kMainDb, kRecKind, 3, &back), 0);
    EXPECT_EQ(std::memcmp(&back, &r, sizeof r), 0);

    Rec absent = make_rec(1, 1);
    EXPECT_EQ(store_read(kMainDb, kRecKind, 2, &absent), -1);
    EXPECT_TRUE(is_zero(absent));

    r.bytes[15] = 0xee;
    EXPECT_EQ(store_write(kMainDb, kRecKind, 3, r), 0);
    EXPECT_EQ(store_read(kMainDb, kRecKind, 3, &back), 0);
    EXPECT_EQ(back.bytes[15], 0xee);
    EXPECT_EQ(kxdb_row_count(kMainDb, kRecKind), 1);

    EXPECT_EQ(kxdb_row_delete(kMainDb, kRecKind, 3), 0);
    EXPECT_EQ(store_read(kMainDb, kRecKind, 3, &back), -1);
    EXPECT_EQ(kxdb_row_count(kMainDb, kRecKind), 0);
    EXPECT_EQ(kxdb_row_delete(kMainDb, kRecKind, 3), 0);  // already gone

    // Through a kind chosen at run time (no record type), a record type of
    // another size than the kind is refused. (A typed kind does not compile
    // with another record type: tests/compile_fail.)
    const KxRecordKind& untyped = kRecKind;
    u64 wrong = 5;
    EXPECT_EQ(store_write_sized(kMainDb, untyped, 0, wrong), -1);
    EXPECT_EQ(store_read_sized(kMainDb, untyped, 0, &wrong), -1);
    EXPECT_EQ(wrong, 0u);
    u64 wrongs[2] = {7, 7};
    int count = 9;
    EXPECT_EQ(store_write_all_sized(kMainDb, untyped, wrongs, 2), -1);
    EXPECT_EQ(store_read_all_sized(kMainDb, untyped, wrongs, 2, &count), -1);
    EXPECT_EQ(wrongs[1], 0u);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(kxdb_row_count(kMainDb, kRecKind), 0);
}

TEST_F(Store, StoredRowsOfOtherLengthsReadAsTodaysRecord)
{
    // A row written by an older, shorter layout.
    const KxRecordKind old_kind{"rec", 8, 10};
    unsigned char old_row[10];
    std::memset(old_row, 0xaa, sizeof old_row);
    ASSERT_EQ(kxdb_row_write(kMainDb, old_kind, 1, old_row), 0);
    Rec r;
    std::memset(&r, 0x55, sizeof r);
    EXPECT_EQ(store_read(kMainDb, kRecKind, 1, &r), 0);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&r);
    for (size_t i = 0; i < sizeof r; i++) EXPECT_EQ(b[i], i < 10 ? 0xaa : 0) << "byte " << i;

    // A longer row is cut on read; written back, it has today's length.
    const KxRecordKind new_kind{"rec", 8, 40};
    unsigned char long_row[40];
    for (int i = 0; i < 40; i++) long_row[i] = u8(i);
    ASSERT_EQ(kxdb_row_write(kMainDb, new_kind, 2, long_row), 0);
    EXPECT_EQ(store_read(kMainDb, kRecKind, 2, &r), 0);
    EXPECT_EQ(std::memcmp(&r, long_row, sizeof r), 0);
    EXPECT_EQ(store_write(kMainDb, kRecKind, 2, r), 0);
    std::vector<size_t> lengths;
    kxdb_raw_rows(
        kMainDb, "rec",
        [](long long, const void*, size_t len, void* ctx) { static_cast<std::vector<size_t>*>(ctx)->push_back(len); },
        &lengths);
    EXPECT_EQ(lengths, (std::vector<size_t>{10, 24}));
}

TEST_F(Store, IndexesOutsideTheCapacityAreRefused)
{
    Rec r = make_rec(9, 0);
    // Nothing at all is written for a refused row: not even the database.
    EXPECT_EQ(store_write(kMainDb, kRecKind, 8, r), -1);
    EXPECT_EQ(store_write(kMainDb, kRecKind, -1, r), -1);
    EXPECT_FALSE(exists(file(kMainDb)));

    ASSERT_EQ(store_write(kMainDb, kRecKind, 0, r), 0);
    EXPECT_EQ(store_write(kMainDb, kRecKind, 8, r), -1);
    EXPECT_EQ(store_write(kMainDb, kRecKind, INT_MAX, r), -1);
    Rec rows[9];
    for (int i = 0; i < 9; i++) rows[i] = make_rec(100 + i, i);
    EXPECT_EQ(store_write_all(kMainDb, kRecKind, rows, 9), -1);
    EXPECT_EQ(kxdb_row_copy(kMainDb, kRecKind, 8, ~0ull), -1);
    EXPECT_EQ(kxdb_row_delete(kMainDb, kRecKind, 8), -1);
    EXPECT_EQ(store_read(kMainDb, kRecKind, 8, &r), -1);

    std::vector<long long> stored;
    kxdb_raw_rows(
        kMainDb, "rec",
        [](long long i, const void*, size_t, void* ctx) { static_cast<std::vector<long long>*>(ctx)->push_back(i); },
        &stored);
    EXPECT_EQ(stored, (std::vector<long long>{0}));
    EXPECT_EQ(std::string(query_file(file(kMainDb), "SELECT count(*) FROM record WHERE kind='rec'")), "1");

    // Kinds that could reach other tables are refused outright.
    const KxRecordKind keys{"param", 4, 8}, bad{"rec; DROP TABLE rec", 4, 8};
    EXPECT_EQ(kxdb_row_write(kMainDb, keys, 0, &r), -1);
    EXPECT_EQ(kxdb_row_write(kMainDb, bad, 0, &r), -1);
    EXPECT_EQ(kxdb_row_count(kMainDb, kRecKind), 1);
}

TEST_F(Store, WholeTablesReadAndWrite)
{
    Rec rows[5];
    for (int i = 0; i < 5; i++) rows[i] = make_rec(200 + i, i);
    ASSERT_EQ(store_write_all(kMainDb, kRecKind, rows, 5), 0);
    Rec r = make_rec(7, 7);
    ASSERT_EQ(store_write(kMainDb, kRecKind, 7, r), 0);

    Rec out[10];
    int count = -1;
    ASSERT_EQ(store_read_all(kMainDb, kRecKind, out, 10, &count), 0);
    EXPECT_EQ(count, 6);
    for (int i = 0; i < 5; i++) EXPECT_EQ(std::memcmp(&out[i], &rows[i], sizeof(Rec)), 0) << i;
    for (int i : {5, 6, 8, 9}) EXPECT_EQ(out[i].magic, 0u) << i;  // absent, and beyond the capacity
    EXPECT_EQ(out[7].magic, 7u);

    // Fewer rows than stored: only the first `max`.
    ASSERT_EQ(store_read_all(kMainDb, kRecKind, out, 3, &count), 0);
    EXPECT_EQ(count, 3);

    std::vector<int> seen;
    EXPECT_EQ(kxdb_rows_each(
                  kMainDb, kRecKind,
                  [](const void* rec, int index, void* ctx) {
                      EXPECT_EQ(static_cast<const Rec*>(rec)->channel, index);
                      static_cast<std::vector<int>*>(ctx)->push_back(index);
                  },
                  &seen),
              6);
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4, 7}));
}

std::vector<int> g_patched;
void patch_channel(void* record, int index)
{
    static_cast<Rec*>(record)->channel = index;
    g_patched.push_back(index);
}

TEST_F(Store, CopyToAChannelMask)
{
    Rec src = make_rec(0xabcd, 2);
    ASSERT_EQ(store_write(kMainDb, kRecKind, 2, src), 0);
    Rec untouched = make_rec(0x77, 1);
    ASSERT_EQ(store_write(kMainDb, kRecKind, 1, untouched), 0);

    g_patched.clear();
    // Bits 0, 2 (the source), 5, 7, and 9 and 63 beyond the capacity of 8.
    u64 mask = (1ull << 0) | (1ull << 2) | (1ull << 5) | (1ull << 7) | (1ull << 9) | (1ull << 63);
    ASSERT_EQ(store_copy(kMainDb, kRecKind, 2, mask_low(mask), mask_high(mask), patch_channel), 0);
    EXPECT_EQ(g_patched, (std::vector<int>{0, 5, 7}));

    for (int i : {0, 5, 7}) {
        Rec r;
        ASSERT_EQ(store_read(kMainDb, kRecKind, i, &r), 0) << i;
        EXPECT_EQ(r.channel, i);
        r.channel = src.channel;
        EXPECT_EQ(std::memcmp(&r, &src, sizeof r), 0) << i;
    }
    Rec r;
    ASSERT_EQ(store_read(kMainDb, kRecKind, 2, &r), 0);
    EXPECT_EQ(std::memcmp(&r, &src, sizeof r), 0);
    ASSERT_EQ(store_read(kMainDb, kRecKind, 1, &r), 0);
    EXPECT_EQ(std::memcmp(&r, &untouched, sizeof r), 0);
    EXPECT_EQ(kxdb_row_count(kMainDb, kRecKind), 5);

    // Without a patch the copies are exact; an absent source copies as zeros.
    ASSERT_EQ(kxdb_row_copy(kMainDb, kRecKind, 2, 1ull << 3), 0);
    ASSERT_EQ(store_read(kMainDb, kRecKind, 3, &r), 0);
    EXPECT_EQ(std::memcmp(&r, &src, sizeof r), 0);
    ASSERT_EQ(kxdb_row_copy(kMainDb, kRecKind, 6, 1ull << 3), 0);
    ASSERT_EQ(store_read(kMainDb, kRecKind, 3, &r), 0);
    EXPECT_TRUE(is_zero(r));
}

// ---- missing databases and tables ----

TEST_F(Store, ReadsOfAMissingDatabaseCreateNothing)
{
    char out[8];
    Rec r, all[4];
    int count = 9;
    EXPECT_EQ(get_param_int(kMainDb, "max_cameras", 32), 32);
    EXPECT_EQ(get_param_value(kMainDb, "x", out, sizeof out, "d"), -1);
    EXPECT_NE(check_param_key(kMainDb, "x"), 0);
    EXPECT_EQ(store_read(kMainDb, kRecKind, 0, &r), -1);
    EXPECT_EQ(store_read_all(kMainDb, kRecKind, all, 4, &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(kxdb_row_count(kMainDb, kRecKind), 0);
    EXPECT_EQ(kxdb_row_delete(kMainDb, kRecKind, 0), 0);
    EXPECT_EQ(kxdb_rows_each(kMainDb, kRecKind, [](const void*, int, void*) {}, nullptr), 0);
    EXPECT_EQ(store_copy(kMainDb, kRecKind, 0, 0, 0), 0);  // an empty mask writes nothing
    EXPECT_EQ(kxdb_integrity_check(kOemDb), -1);
    for (const char* db : {kMainDb, kOemDb})
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            EXPECT_FALSE(exists(file(db) + suffix)) << db << suffix;

    // An existing database without the table: reads give zeros and the table
    // is not created.
    ASSERT_EQ(put_param_value(kMainDb, "k", "v"), 0);
    std::memset(&r, 1, sizeof r);
    EXPECT_EQ(store_read(kMainDb, kRecKind, 0, &r), -1);
    EXPECT_EQ(r.magic, 0u);
    EXPECT_EQ(kxdb_row_count(kMainDb, kRecKind), 0);
    EXPECT_EQ(query_file(file(kMainDb), "SELECT count(*) FROM sqlite_master WHERE name='record'"), "0");
}

TEST_F(Store, DatabasesUseTheWriteAheadLog)
{
    ASSERT_EQ(set_param_int(kMainDb, "a", 1), 0);
    EXPECT_EQ(query_file(file(kMainDb), "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(kxdb_integrity_check(kMainDb), 0);
}

// A child of fork() does not use its parent's connection: both write safely.
TEST_F(Store, ForkedChildrenWriteBesideTheirParent)
{
    ASSERT_EQ(set_param_int(kMainDb, "parent", 1), 0);
    std::vector<pid_t> kids;
    for (int i = 0; i < 8; i++) {
        pid_t pid = fork();
        if (pid == 0) {
            Rec r = make_rec(300 + u32(i), i);
            int ok = store_write(kMainDb, kRecKind, i, r) == 0 && get_param_int(kMainDb, "parent", 0) == 1;
            _exit(ok ? 0 : 1);
        }
        ASSERT_GT(pid, 0);
        kids.push_back(pid);
        ASSERT_EQ(set_param_int(kMainDb, "parent", 1), 0);
    }
    for (pid_t pid : kids) {
        int st = 0;
        waitpid(pid, &st, 0);
        EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
    }
    for (int i = 0; i < 8; i++) {
        Rec r;
        ASSERT_EQ(store_read(kMainDb, kRecKind, i, &r), 0) << i;
        EXPECT_EQ(r.magic, 300u + u32(i));
    }
    EXPECT_EQ(kxdb_integrity_check(kMainDb), 0);
}

// ---- the nvr-store tool ----

class StoreTool : public NvrTest {};

TEST_F(StoreTool, InitCreatesDefaultsOnceAndKeepsExistingDatabases)
{
    RunResult r = store({"init", "--admin-password", "secret"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(store({"get", "max_cameras"}).out, "32\n");
    EXPECT_EQ(query_file(root().at(kMainDb), "PRAGMA journal_mode"), "wal");
    // The customised-firmware database marks a customised device: never made here.
    EXPECT_FALSE(root().exists(kOemDb));
    // No side files are left beside the databases.
    for (const std::string& name : root().list_dir("/mnt/nand/app"))
        EXPECT_EQ(name.find(".init"), std::string::npos) << name;

    ASSERT_EQ(store({"set", "max_cameras", "64"}).status, 0);
    r = store({"init"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("kept"), std::string::npos);
    EXPECT_EQ(store({"get", "max_cameras"}).out, "64\n");
}

TEST_F(StoreTool, RowsTablesAndDumps)
{
    ASSERT_EQ(store({"put-row", "camera", "2", "0a0B"}).status, 0);
    ASSERT_EQ(store({"put-row", "camera", "0", "ff", "--db", "main"}).status, 0);
    ASSERT_EQ(store({"set", "name", "nvr"}).status, 0);
    EXPECT_EQ(store({"dump", "camera"}).out, "0 1 ff\n2 2 0a0b\n");
    EXPECT_EQ(store({"dump", "param"}).out, "name\tnvr\n");
    EXPECT_EQ(store({"tables"}).out, "camera\nparam\n");
    EXPECT_EQ(store({"check"}).out, "ok\n");

    ASSERT_EQ(store({"put-row", "plate", "1", "01", "--db", "/mnt/nand/app/anpr.db"}).status, 0);
    EXPECT_EQ(store({"dump", "plate", "--db", "anpr"}).out, "1 1 01\n");
    EXPECT_EQ(store({"dump", "plate"}).out, "");  // not in the main database
}

TEST_F(StoreTool, MisuseFailsWithAMessage)
{
    struct Case {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{}, 2},
        {{"frobnicate"}, 2},
        {{"get"}, 2},
        {{"set", "k"}, 2},
        {{"get", "k", "--db"}, 2},
        {{"get", "k", "--db", "/etc/passwd"}, 2},
        {{"get", "k", "--verbose"}, 2},
        {{"get", "k", "--admin-password", "p"}, 2},
        {{"init", "--db", "main"}, 2},
        {{"put-row", "t", "-1", "00"}, 2},
        {{"put-row", "t", "x", "00"}, 2},
        {{"put-row", "t", "0", "0"}, 2},
        {{"put-row", "t", "0", "zz"}, 2},
        {{"put-row", "param", "0", "00"}, 1},
        {{"put-row", "a-b", "0", "00"}, 1},
        {{"get", "absent"}, 1},
        {{"tables", "--db", "oem"}, 1},
        {{"dump", "x;y"}, 1},
    };
    for (const Case& c : cases) {
        RunResult r = store(c.args);
        std::string line;
        for (auto& a : c.args) line += a + " ";
        EXPECT_EQ(r.status, c.status) << line;
        EXPECT_NE(r.err.find("nvr-store: "), std::string::npos) << line;
        EXPECT_EQ(r.out, "") << line;
    }
    // None of it created a database.
    EXPECT_FALSE(root().exists(kMainDb));
    EXPECT_FALSE(root().exists(kOemDb));
}

// Fifty processes write different keys into a database that does not exist
// yet, all at the same moment: none fails, nothing is lost, the file is sound.
TEST_F(StoreTool, ConcurrentWritersLoseNothing)
{
    constexpr int kWriters = 50;
    const std::string prog = built("nvr-store");
    const std::string root_env = "NVR_ROOT=" + root().path();
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> kids;
    for (int i = 0; i < kWriters; i++) {
        std::string key = "writer_" + std::to_string(i), value = "value " + std::to_string(i * 7);
        pid_t pid = fork();
        if (pid == 0) {
            close(gate[1]);
            char c;
            while (read(gate[0], &c, 1) > 0) {
            }  // released when the parent closes the gate
            const char* envp[] = {root_env.c_str(), nullptr};
            exec_program(prog, {"set", key, value}, const_cast<char* const*>(envp));
        }
        ASSERT_GT(pid, 0);
        kids.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);
    int failures = 0;
    for (pid_t pid : kids) {
        int st = 0;
        waitpid(pid, &st, 0);
        if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) failures++;
    }
    EXPECT_EQ(failures, 0);

    const std::string db = root().at(kMainDb);
    EXPECT_EQ(query_file(db, "SELECT count(*) FROM param WHERE key LIKE 'writer_%'"), std::to_string(kWriters));
    for (int i = 0; i < kWriters; i++) {
        std::string sql = "SELECT value FROM param WHERE key='writer_" + std::to_string(i) + "'";
        EXPECT_EQ(query_file(db, sql.c_str()), "value " + std::to_string(i * 7));
    }
    EXPECT_EQ(query_file(db, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(query_file(db, "PRAGMA journal_mode"), "wal");
}

}  // namespace
