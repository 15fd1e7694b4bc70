// The profile tool on its own: export and import round trips, consistency
// with live databases, and refusal of anything but a sound profile.
#include <sqlite3.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/harness.h"
#include "tools/kxprofile/profile_format.h"

namespace {

struct Image {
    std::string name;
    std::string bytes;
};

void put_le(std::string& out, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; i++) out += char((v >> (8 * i)) & 0xff);
}

uint64_t get_le(const std::string& in, size_t at, int bytes)
{
    uint64_t v = 0;
    for (int i = 0; i < bytes; i++) v |= uint64_t(uint8_t(in[at + size_t(i)])) << (8 * i);
    return v;
}

// A profile file holding `images`, with a correct checksum.
std::string profile_of(const std::vector<Image>& images)
{
    std::string p(kProfileMarker, kProfileMarkerSize);
    put_le(p, images.size(), 4);
    for (const Image& i : images) {
        put_le(p, i.name.size(), 4);
        p += i.name;
        put_le(p, i.bytes.size(), 8);
        p += i.bytes;
    }
    put_le(p, profile_crc32(0, p.data(), p.size()), 4);
    return p;
}

std::vector<Image> images_of(const std::string& p)
{
    std::vector<Image> images;
    size_t at = 12;
    for (uint64_t n = get_le(p, 8, 4); n > 0; n--) {
        Image i;
        size_t len = size_t(get_le(p, at, 4));
        i.name = p.substr(at + 4, len);
        at += 4 + len;
        size_t size = size_t(get_le(p, at, 8));
        i.bytes = p.substr(at + 8, size);
        at += 8 + size;
        images.push_back(i);
    }
    return images;
}

// Runs SQL on a database file; false on failure.
bool sql_on(const std::string& path, const std::string& sql)
{
    sqlite3* h = nullptr;
    bool ok = sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
              sqlite3_exec(h, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close_v2(h);
    return ok;
}

std::string query_text(sqlite3* h, const char* sql)
{
    sqlite3_stmt* s = nullptr;
    std::string out = "(none)";
    if (sqlite3_prepare_v2(h, sql, -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
        out = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    sqlite3_finalize(s);
    return out;
}

class KxProfileTest : public ::testing::Test {
protected:
    RunResult tool(const TempRoot& r, const std::vector<std::string>& args)
    {
        return run_program(built("tools/kxprofile"), args, {{"NVR_ROOT", r.path()}}, "");
    }
    RunResult store(const TempRoot& r, const std::vector<std::string>& args)
    {
        return run_program(built("nvr-store"), args, {{"NVR_ROOT", r.path()}}, "");
    }
    // Exports `r` and returns the profile's bytes ("" on failure).
    std::string export_profile(const TempRoot& r)
    {
        auto res = tool(r, {"-e", r.at("/out")});
        EXPECT_EQ(res.status, 0) << res.err;
        EXPECT_EQ(res.out, "");
        std::string path = r.read_file("/tmp/.export_down_file");
        return path.empty() ? "" : read_whole_file(path);
    }
    TempRoot root;
};

TEST_F(KxProfileTest, RoundTripCarriesBothDatabasesIntoAFreshRoot)
{
    ASSERT_EQ(store(root, {"init"}).status, 0);
    ASSERT_EQ(store(root, {"set", "video_format", "1"}).status, 0);
    ASSERT_EQ(store(root, {"set", "plates", "on", "--db", "anpr"}).status, 0);
    ASSERT_EQ(store(root, {"put-row", "things", "7", "00112233"}).status, 0);

    auto res = tool(root, {"-e", root.at("/out")});
    ASSERT_EQ(res.status, 0) << res.err;
    EXPECT_EQ(res.out, "");
    const std::string path = root.read_file("/tmp/.export_down_file");
    auto files = root.list_dir("/out");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(path, root.at("/out/") + files[0]);
    EXPECT_EQ(files[0].rfind("nvr_profile_", 0), 0u);
    const std::string profile = read_whole_file(path);
    auto images = images_of(profile);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].name, "/mnt/nand/app/kxdb.db");
    EXPECT_EQ(images[1].name, "/mnt/nand/app/anpr.db");

    TempRoot fresh;
    res = tool(fresh, {"-i", path});
    ASSERT_EQ(res.status, 0) << res.err;
    EXPECT_EQ(res.out, "");
    EXPECT_EQ(store(fresh, {"get", "video_format"}).out, "1\n");
    EXPECT_EQ(store(fresh, {"get", "plates", "--db", "anpr"}).out, "on\n");
    EXPECT_EQ(store(fresh, {"dump", "things"}).out, "7 4 00112233\n");
    EXPECT_EQ(store(fresh, {"dump", "user"}).out, store(root, {"dump", "user"}).out);
    EXPECT_EQ(store(fresh, {"check"}).status, 0);
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(fresh.at("/mnt/nand/app/kxdb.db").c_str(), &h), SQLITE_OK);
    EXPECT_EQ(query_text(h, "PRAGMA journal_mode"), "wal");
    sqlite3_close(h);
    EXPECT_EQ(fresh.list_dir("/mnt/nand/app"), (std::vector<std::string>{"anpr.db", "kxdb.db"}));
}

TEST_F(KxProfileTest, ExportTakesWhatIsStillInTheWriteAheadLog)
{
    ASSERT_EQ(store(root, {"init"}).status, 0);
    const std::string db = root.at("/mnt/nand/app/kxdb.db");
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, "PRAGMA wal_autocheckpoint=0; INSERT OR REPLACE INTO param VALUES('late', 'yes')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    // The change is only in the log: a copy of the database file misses it.
    TempRoot copy;
    copy.write_file("/mnt/nand/app/kxdb.db", read_whole_file(db));
    EXPECT_EQ(store(copy, {"get", "late"}).status, 1);

    const std::string profile = export_profile(root);
    sqlite3_close(h);
    TempRoot fresh;
    fresh.write_file("/p.kxp", profile);
    ASSERT_EQ(tool(fresh, {"-i", fresh.at("/p.kxp")}).status, 0);
    EXPECT_EQ(store(fresh, {"get", "late"}).out, "yes\n");
}

TEST_F(KxProfileTest, ImportReplacesALiveDatabaseInPlace)
{
    ASSERT_EQ(store(root, {"init"}).status, 0);
    ASSERT_EQ(store(root, {"set", "video_format", "1"}).status, 0);
    const std::string profile = export_profile(root);
    root.write_file("/p.kxp", profile);
    ASSERT_EQ(store(root, {"set", "video_format", "2"}).status, 0);
    ASSERT_EQ(store(root, {"set", "added_later", "x"}).status, 0);

    // Another process keeps its connection open across the import.
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(root.at("/mnt/nand/app/kxdb.db").c_str(), &h), SQLITE_OK);
    EXPECT_EQ(query_text(h, "SELECT value FROM param WHERE key = 'video_format'"), "2");
    auto res = tool(root, {"-i", root.at("/p.kxp")});
    ASSERT_EQ(res.status, 0) << res.err;
    EXPECT_EQ(query_text(h, "SELECT value FROM param WHERE key = 'video_format'"), "1");
    EXPECT_EQ(query_text(h, "SELECT value FROM param WHERE key = 'added_later'"), "(none)");
    sqlite3_close(h);
    EXPECT_EQ(store(root, {"get", "video_format"}).out, "1\n");
    EXPECT_EQ(store(root, {"check"}).status, 0);
    EXPECT_TRUE(root.exists("/p.kxp")) << "the tool leaves its input alone";
}

TEST_F(KxProfileTest, ImportRefusesAnythingButASoundProfile)
{
    ASSERT_EQ(store(root, {"init"}).status, 0);
    ASSERT_EQ(store(root, {"set", "plates", "on", "--db", "anpr"}).status, 0);
    const std::string good = export_profile(root);
    ASSERT_FALSE(good.empty());
    const std::vector<Image> images = images_of(good);
    ASSERT_EQ(images.size(), 2u);
    const Image& main = images[0];
    const Image& anpr = images[1];
    ASSERT_EQ(store(root, {"set", "video_format", "5"}).status, 0);
    const std::string dump_before = store(root, {"dump", "user"}).out;

    Image damaged = main;
    damaged.bytes[4096] = 0x55;  // the page type of page 2
    Image with_trigger = main;
    root.write_file("/work/t.db", main.bytes);
    ASSERT_TRUE(sql_on(root.at("/work/t.db"), "CREATE TRIGGER t AFTER INSERT ON param BEGIN DELETE FROM param; END"));
    with_trigger.bytes = root.read_file("/work/t.db");
    std::string flipped = good;
    flipped[good.size() / 2] ^= 0x01;
    std::string no_count = good;
    no_count.replace(8, 4, std::string(4, '\0'));

    const std::vector<std::pair<const char*, std::string>> refused = {
        {"empty", ""},
        {"text", "hello"},
        {"truncated", good.substr(0, good.size() - 100)},
        {"trailing byte", good + "x"},
        {"flipped byte", flipped},
        {"count zero", no_count},
        {"damaged image", profile_of({damaged, anpr})},
        {"trigger", profile_of({with_trigger, anpr})},
        {"not sqlite", profile_of({{main.name, std::string(4096, 'x')}})},
        {"tiny image", profile_of({{main.name, main.bytes.substr(0, 100)}})},
        {"unknown name", profile_of({main, {"/etc/passwd", anpr.bytes}})},
        {"relative name", profile_of({main, {"../mnt/nand/app/anpr.db", anpr.bytes}})},
        {"name with NUL", profile_of({main, {std::string("/mnt/nand/app/anpr.db\0x", 23), anpr.bytes}})},
        {"twice", profile_of({main, main})},
        {"no main", profile_of({anpr})},
    };
    for (const auto& [what, bytes] : refused) {
        root.write_file("/upload/p.kxp", bytes);
        auto res = tool(root, {"-i", root.at("/upload/p.kxp")});
        EXPECT_EQ(res.status, 1) << what << ": " << res.err;
        EXPECT_EQ(res.out, "") << what;
        EXPECT_EQ(store(root, {"get", "video_format"}).out, "5\n") << what;
        EXPECT_EQ(store(root, {"dump", "user"}).out, dump_before) << what;
        EXPECT_EQ(store(root, {"get", "plates", "--db", "anpr"}).out, "on\n") << what;
        for (const auto& name : root.list_dir("/mnt/nand/app"))
            EXPECT_TRUE(name == "kxdb.db" || name == "anpr.db") << what << ": left " << name;
    }
    EXPECT_EQ(tool(root, {"-i", root.at("/upload")}).status, 1);
    EXPECT_EQ(tool(root, {"-i", root.at("/missing.kxp")}).status, 1);

    // The builder above makes what the tool accepts.
    root.write_file("/upload/p.kxp", profile_of(images));
    EXPECT_EQ(tool(root, {"-i", root.at("/upload/p.kxp")}).status, 0);
    EXPECT_EQ(store(root, {"get", "video_format"}).status, 1);
}

TEST_F(KxProfileTest, ExportWithoutConfigurationFailsAndLeavesNothing)
{
    auto res = tool(root, {"-e", root.at("/out")});
    EXPECT_EQ(res.status, 1);
    EXPECT_EQ(res.out, "");
    EXPECT_FALSE(root.exists("/tmp/.export_down_file"));
    EXPECT_TRUE(root.list_dir("/out").empty());
}

}  // namespace
