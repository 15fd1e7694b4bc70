// The store's text-keyed lists (the plate lists' database) and URL decoding
// of plates, in process on the test process's root.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/paths.h"
#include "handlers/event/plate_records.h"
#include "platform/kxdb.h"
#include "platform/urldecode.h"
#include "tests/process_root.h"

namespace {

class PlateStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(nvr_root(), test_process_root());
        clean();
    }
    void TearDown() override { clean(); }
    static void clean()
    {
        kxdb_close_all();
        for (const char* suffix : {"", "-wal", "-shm"}) unlink((nvr_path(kAnprDb) + suffix).c_str());
    }
    static bool db_exists() { return access(nvr_path(kAnprDb).c_str(), F_OK) == 0; }
};

PlateListEntry entry(const char* type, const char* plate)
{
    PlateListEntry e = zeroed<PlateListEntry>();
    set_text(e.type, type);
    set_text(e.plate, plate);
    return e;
}

// The list calls as the plate store makes them: an entry keyed by its plate.
int put(const std::vector<PlateListEntry>& entries)
{
    std::vector<std::string> keys;
    for (const PlateListEntry& e : entries) keys.push_back(text_of(e.plate).s);
    std::vector<const char*> ptrs;
    for (const std::string& k : keys) ptrs.push_back(k.c_str());
    return kxdb_list_put(kAnprDb, kPlateListTable, ptrs.data(), entries.data(), sizeof(PlateListEntry),
                         int(entries.size()));
}
int get(const char* plate, PlateListEntry* out)
{
    return kxdb_list_get(kAnprDb, kPlateListTable, plate, out, sizeof *out);
}
int remove(const char* plate) { return kxdb_list_delete(kAnprDb, kPlateListTable, &plate, 1); }
int move(const char* old_plate, const PlateListEntry& e)
{
    return kxdb_list_move(kAnprDb, kPlateListTable, old_plate, e.plate, &e, sizeof e);
}

std::vector<std::pair<std::string, std::string>> listed()
{
    std::vector<std::pair<std::string, std::string>> out;
    kxdb_list_each(kAnprDb, kPlateListTable, sizeof(PlateListEntry),
                   [](const char* key, const void* row, void* ctx) {
                       auto* v = static_cast<std::vector<std::pair<std::string, std::string>>*>(ctx);
                       const PlateListEntry* e = static_cast<const PlateListEntry*>(row);
                       v->emplace_back(key, text_of(e->type).s);
                   },
                   &out);
    return out;
}

TEST_F(PlateStore, AMissingListReadsEmptyAndIsNotCreatedByReadsOrDeletes)
{
    PlateListEntry e = entry("x", "y");
    EXPECT_EQ(get("AB123", &e), -1);
    EXPECT_EQ(e.plate[0], 0);
    EXPECT_EQ(kxdb_list_count(kAnprDb, kPlateListTable), 0);
    EXPECT_TRUE(listed().empty());
    EXPECT_EQ(remove("AB123"), 0);
    EXPECT_FALSE(db_exists());
}

TEST_F(PlateStore, EntriesAreKeyedByPlate)
{
    ASSERT_EQ(put({entry("black", "B 2"), entry("white", "A 1"), entry("visitor", "B 2"), entry("black", "C-3")}), 0);
    EXPECT_EQ(listed(), (std::vector<std::pair<std::string, std::string>>{
                            {"A 1", "white"}, {"B 2", "visitor"}, {"C-3", "black"}}));
    PlateListEntry got;
    ASSERT_EQ(get("B 2", &got), 0);
    EXPECT_STREQ(got.type, "visitor");
    EXPECT_EQ(get("b 2", &got), -1);  // plates compare exactly

    // An edit moves the entry; an edit onto a listed plate replaces it.
    ASSERT_EQ(move("A 1", entry("white", "D 4")), 0);
    ASSERT_EQ(move("B 2", entry("black", "C-3")), 0);
    EXPECT_EQ(listed(), (std::vector<std::pair<std::string, std::string>>{{"C-3", "black"}, {"D 4", "white"}}));
    ASSERT_EQ(remove("D 4"), 0);
    EXPECT_EQ(kxdb_list_count(kAnprDb, kPlateListTable), 1);
}

TEST_F(PlateStore, ListNamesThatAreNotPlainTablesAreRefused)
{
    const char* key = "k";
    const PlateListEntry e = entry("black", "k");
    for (const char* bad : {"record", "param", "sqlite_master", "anpr list", "x\";drop table param;--", ""}) {
        EXPECT_EQ(kxdb_list_put(kAnprDb, bad, &key, &e, sizeof e, 1), -1) << bad;
        EXPECT_EQ(kxdb_list_count(kAnprDb, bad), -1) << bad;
    }
    EXPECT_EQ(kxdb_list_put(kAnprDb, kPlateListTable, &key, &e, 0, 1), -1);
    EXPECT_FALSE(db_exists());
}

TEST(UrlDecode, DecodesPercentSequencesOnly)
{
    auto decode = [](std::string s) {
        get_url_decode(&s[0]);
        return std::string(s.c_str());
    };
    EXPECT_EQ(decode("AB%20123"), "AB 123");
    EXPECT_EQ(decode("%41%62%2f%2F"), "Ab//");
    EXPECT_EQ(decode("A+B"), "A+B");
    EXPECT_EQ(decode("100%"), "100%");
    EXPECT_EQ(decode("%4"), "%4");
    EXPECT_EQ(decode("%zz%2"), "%zz%2");
    EXPECT_EQ(decode("AB%00CD"), "AB");
    EXPECT_EQ(decode("%%41"), "%A");
    EXPECT_EQ(get_url_decode(nullptr), -1);
}

}  // namespace
