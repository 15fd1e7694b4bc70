// Device log end to end: search page by page over the emulator's demo log,
// every field of an entry, short answers of the core daemon, the CSV export
// (RFC 4180 quoting, the marker while it runs, the export file removed),
// entries added, the type catalogue in two languages, and keeping times.
// Also the translation tables themselves.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "common/json.h"
#include "handlers/system/log_records.h"
#include "platform/kxfs_log.h"
#include "platform/trans.h"
#include "tests/fixtures.h"

namespace {

std::string search_body(int page, const std::string& extra = "", const std::string& main_and_subs =
                                                                    "\"mainType\":1,\"subTypeArr\":[10]")
{
    return "{\"language\":\"en-US\"," + main_and_subs +
           ",\"startTime\":\"2000-01-01 00:00:00\",\"endTime\":\"2037-12-31 23:59:59\",\"curPageNum\":" +
           std::to_string(page) + extra + "}";
}

std::string export_body(const std::string& main_and_subs = "\"mainType\":1,\"subTypeArr\":[10]",
                        const std::string& channels = "\"ch\":\"0\",\"na\":0")
{
    return "{\"language\":\"en-US\"," + main_and_subs +
           ",\"startTime\":\"2000-01-01T00:00:00\",\"endTime\":\"2037-12-31T23:59:59\",\"curPageNum\":1," +
           channels + "}";
}

// Splits a CSV text by RFC 4180: rows of fields, quoted fields unquoted.
std::vector<std::vector<std::string>> parse_csv(const std::string& text)
{
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false, was_quoted = false;
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                i++;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"' && field.empty() && !was_quoted) {
            quoted = was_quoted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
            was_quoted = false;
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.back().push_back(field);
            field.clear();
            was_quoted = false;
            rows.emplace_back();
            i++;
        } else {
            field += c;
        }
    }
    if (rows.back().empty()) rows.pop_back();
    return rows;
}

class LogsTest : public NvrTest {
protected:
    void SetUp() override
    {
        env.push_back({"TZ", "UTC0"});
        emu();
    }
    // Answers `code` with `reply` carrying `bytes` (through a file: pages are large).
    void answer(uint32_t code, uint32_t reply, const void* bytes, size_t length)
    {
        const std::string fixed = "/answers/" + std::to_string(code) + ".bin";
        root().write_file(fixed, std::string(static_cast<const char*>(bytes), length));
        emu().rule(std::to_string(code) + " reply " + std::to_string(reply) + " file:" + root().at(fixed));
    }
    JsonPtr search(int page, const std::string& extra = "")
    {
        auto r = post("/1002", search_body(page, extra));
        EXPECT_EQ(r.header(), "Content-type: application/json");
        JsonPtr o = json_parse(r.body().c_str());
        EXPECT_TRUE(o) << r.out.substr(0, 200);
        return o;
    }
    // An export file of the given entries; the answer names it.
    void export_file(const std::vector<LogExportEntry>& entries, const char* path = "/tmp/log/export.bin")
    {
        std::string bytes;
        u32 count = u32(entries.size());
        bytes.append(reinterpret_cast<const char*>(&count), sizeof count);
        for (const LogExportEntry& e : entries) bytes.append(reinterpret_cast<const char*>(&e), sizeof e);
        root().write_file(path, bytes);
        LogExportReply reply = zeroed<LogExportReply>();
        reply.value = count;
        set_text(reply.path, path);
        answer(kMsgLogExport, kReplyLogExport, &reply, sizeof reply);
    }
};

OpLogRecord sample_entry()
{
    OpLogRecord e = zeroed<OpLogRecord>();
    e.main_type = 32;
    e.sub_type = 400;  // disk full: the channel names a disk
    e.pts = 1709802303;  // 2024-03-07 09:05:03 UTC
    e.param_type = 919;
    e.remote = 1;
    e.channel = 2;
    set_text(e.remote_addr, "::ffff:192.168.1.5");
    set_text(e.user, "admin");
    e.detail_size = 8;
    const u8 words[8] = {0, 0, 1, 2, 0x80, 0, 0, 0};
    std::memcpy(e.detail, words, sizeof words);
    return e;
}

// ---- module and bodies ----

TEST_F(LogsTest, CodesJoinTheSystemModuleAndSurviveEmptyBodies)
{
    const std::vector<std::string> want = {"/1002", "/1003", "/1015", "/1016", "/1017", "/1021", "/1022"};
    EXPECT_EQ(registered_codes("system", want), want);
    expect_empty_bodies_handled(want);
    EXPECT_EQ(post("/1002", "").out, kJsonError);
    EXPECT_EQ(post("/1003", "").out, "");
    EXPECT_EQ(post("/1017", "").out, "");
    EXPECT_TRUE(emu().received(kMsgLogSearch).empty());
    EXPECT_TRUE(emu().received(kMsgLogExport).empty());
}

// ---- search ----

TEST_F(LogsTest, SearchPagesThroughTheDemoLog)
{
    std::set<long long> seen;
    long long last = LLONG_MAX;
    const int sizes[] = {100, 100, 50, 0};
    for (int page = 1; page <= 4; page++) {
        JsonPtr o = search(page);
        ASSERT_TRUE(o);
        EXPECT_EQ(jint(o.get(), "count"), 250);
        EXPECT_EQ(jint(o.get(), "num"), sizes[page - 1]);
        EXPECT_EQ(jint(o.get(), "curPageNum"), page);
        json_object* log = jget(o.get(), "log");
        ASSERT_TRUE(log && json_object_is_type(log, json_type_array));
        ASSERT_EQ(int(json_object_array_length(log)), sizes[page - 1]);
        for (int i = 0; i < sizes[page - 1]; i++) {
            json_object* e = json_object_array_get_idx(log, size_t(i));
            EXPECT_EQ(jint(e, "no"), i);
            long long pts = json_object_get_int64(jget(e, "pts"));
            EXPECT_LT(pts, last);  // newest first, no entry twice
            last = pts;
            seen.insert(pts);
        }
    }
    EXPECT_EQ(seen.size(), 250u);

    // The query of page 2, byte for byte.
    auto frames = emu().received(kMsgLogSearch);
    ASSERT_EQ(frames.size(), 4u);
    const EmuFrame& f = frames[1];
    EXPECT_EQ(f.flags, 1u);
    ASSERT_EQ(f.payload.size(), sizeof(LogQuery));
    LogQuery q;
    std::memcpy(&q, f.payload.data(), sizeof q);
    EXPECT_EQ(q.start_time, 946684800);
    EXPECT_EQ(q.end_time, 2145916799);
    EXPECT_EQ(q.main_type, 1u);
    EXPECT_EQ(q.sub_type_count, 1);
    EXPECT_EQ(q.sub_types[0], 10);
    EXPECT_EQ(q.page, 2);
    EXPECT_EQ(q.channel_mask, 0u);
}

TEST_F(LogsTest, SearchQueryCarriesTypesChannelsAndTheGetForm)
{
    auto r = post("/1002", search_body(1, ",\"chnMask\":\"0101000000000000000000000000000000000000000000000000000000000001\","
                                          "\"searchNoChn\":1",
                                       "\"mainType\":2,\"subTypeArr\":[11,12]"));
    JsonPtr o = json_parse(r.body().c_str());
    ASSERT_TRUE(o) << r.out;
    // Motion on channels 2 and 4 of the demo log; video loss is on channels 9..16.
    json_object* log = jget(o.get(), "log");
    ASSERT_GT(json_object_array_length(log), 0u);
    for (size_t i = 0; i < json_object_array_length(log); i++) {
        json_object* e = json_object_array_get_idx(log, i);
        EXPECT_EQ(jint(e, "subTypeValue"), 11);
        EXPECT_TRUE(jint(e, "chanNo") == 2 || jint(e, "chanNo") == 4) << jint(e, "chanNo");
    }
    LogQuery q;
    auto frames = emu().received(kMsgLogSearch);
    ASSERT_EQ(frames.size(), 1u);
    std::memcpy(&q, frames[0].payload.data(), sizeof q);
    EXPECT_EQ(q.main_type, 2u);
    EXPECT_EQ(q.sub_type_count, 2);
    EXPECT_EQ(q.sub_types[1], 12);
    EXPECT_EQ(q.channel_mask, 0x800000000000000aull);
    EXPECT_EQ(q.no_channel, 1);

    // The same search as a GET query (blanks as %20, quotes as %22).
    std::string query = search_body(1, "", "\"mainType\":2,\"subTypeArr\":[11,12]");
    for (size_t at; (at = query.find('"')) != std::string::npos;) query.replace(at, 1, "%22");
    for (size_t at; (at = query.find(' ')) != std::string::npos;) query.replace(at, 1, "%20");
    auto g = get("/1002", query);
    JsonPtr go = json_parse(g.body().c_str());
    ASSERT_TRUE(go) << g.out;
    EXPECT_GT(jint(go.get(), "count"), 0);
    frames = emu().received(kMsgLogSearch);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].u32_at(0), 946684800u);
}

TEST_F(LogsTest, SearchEntryHasEveryFieldTranslated)
{
    static LogPage page;
    page = zeroed<LogPage>();
    page.total = 7;
    page.count = 2;
    page.entries[0] = sample_entry();
    page.entries[1] = sample_entry();
    page.entries[1].main_type = 4;
    page.entries[1].sub_type = 201;
    page.entries[1].param_type = 900;
    set_text(page.entries[1].remote_addr, "fe80::1%eth0");
    set_text(reinterpret_cast<char(&)[512]>(page.entries[1].detail), "Password, \"wrong\"");
    answer(kMsgLogSearch, kReplyLogSearch, &page, kLogPageHeader + 2 * sizeof(OpLogRecord));

    auto r = post("/1002", search_body(3));
    const std::string words = "[ 258, -2147483648" + [] {
        std::string s;
        for (int i = 0; i < 126; i++) s += ", 0";
        return s;
    }() + " ]";
    const std::string want_start = std::string("{ \"count\": 7, \"num\": 2, \"curPageNum\": 3, \"log\": [ { \"no\": 0, \"mainTypeValue\": 32, "
                          "\"mainType\": \"Exception\", \"subTypeValue\": 400, \"subType\": \"Disk full\", "
                          "\"pts\": 1709802303, \"ptc\": \"2024-03-07 09:05:03\", \"parameterValue\": 919, "
                          "\"parameter\": \"Disk settings\", \"remote\": 1, \"chanNo\": 2, \"disk\": 1, \"size\": 8, "
                          "\"detail\": \"\", \"detail2\": ");
    EXPECT_EQ(r.body().substr(0, want_start.size()), want_start);
    JsonPtr o = json_parse(r.body().c_str());
    ASSERT_TRUE(o);
    json_object* e0 = json_object_array_get_idx(jget(o.get(), "log"), 0);
    EXPECT_EQ(std::string(json_object_to_json_string_ext(jget(e0, "detail2"), JSON_C_TO_STRING_SPACED)), words);
    EXPECT_STREQ(jstr(e0, "ip"), "192.168.1.5");
    EXPECT_STREQ(jstr(e0, "user"), "admin");
    json_object* e1 = json_object_array_get_idx(jget(o.get(), "log"), 1);
    EXPECT_STREQ(jstr(e1, "ip"), "fe80::1");
    EXPECT_STREQ(jstr(e1, "mainType"), "Operation");
    EXPECT_STREQ(jstr(e1, "subType"), "Login");
    EXPECT_STREQ(jstr(e1, "parameter"), "System");
    EXPECT_EQ(jint(e1, "disk"), 0);
    EXPECT_STREQ(jstr(e1, "detail"), "Password, \"wrong\"");

    // The client's language.
    std::string zh = search_body(3);
    zh.replace(zh.find("en-US"), 5, "zh-CN");
    o = json_parse(post("/1002", zh).body().c_str());
    e1 = json_object_array_get_idx(jget(o.get(), "log"), 1);
    EXPECT_STREQ(jstr(e1, "subType"), "登录");
}

TEST_F(LogsTest, ShortAnswersNeverReadPastThePayload)
{
    // A page that claims more entries than it carries lists what it holds.
    static LogPage page;
    page = zeroed<LogPage>();
    page.total = 500;
    page.count = 100;
    page.entries[0] = sample_entry();
    answer(kMsgLogSearch, kReplyLogSearch, &page, kLogPageHeader + sizeof(OpLogRecord) + 100);
    JsonPtr o = search(1);
    EXPECT_EQ(jint(o.get(), "num"), 1);
    EXPECT_EQ(json_object_array_length(jget(o.get(), "log")), 1u);
}

TEST_F(LogsTest, EmptyOrMissingAnswers)
{
    emu().rule("3495 reply 8495");
    EXPECT_EQ(post("/1002", search_body(1)).out, "Content-type: application/json\r\n\r\nERROR");
}

TEST_F(LogsTest, TinyAnswerIsAnError)
{
    emu().rule("3495 reply 8495 hex:0500");
    EXPECT_EQ(post("/1002", search_body(1)).body(), "ERROR");
}

TEST_F(LogsTest, NoAnswerIsACgiError)
{
    emu().rule("3495 close");
    EXPECT_EQ(post("/1002", search_body(1)).out, kJsonError);
}

// A page with no entries still has every key.
TEST_F(LogsTest, EmptyPageKeepsItsKeys)
{
    emu().rule("3495 reply 8495 hex:0000000000000000");
    EXPECT_EQ(post("/1002", search_body(9)).body(), "{ \"count\": 0, \"num\": 0, \"curPageNum\": 9, \"log\": [ ] }");
}

TEST_F(LogsTest, BadSearchesAreRefusedAndSendNothing)
{
    std::string no_language = search_body(1);
    no_language.erase(1, std::string("\"language\":\"en-US\",").size());
    std::string no_page = search_body(1);
    no_page.replace(no_page.find("\"curPageNum\":1"), 14, "\"x\":1");
    const std::vector<std::string> bad = {
        "not json",
        "7",
        no_language,
        no_page,
        search_body(1, "", "\"mainType\":0,\"subTypeArr\":[10]"),
        search_body(1, "", "\"mainType\":65,\"subTypeArr\":[10]"),
        search_body(1, "", "\"subTypeArr\":[10]"),
        search_body(1, "", "\"mainType\":1,\"subTypeArr\":[9]"),
        search_body(1, "", "\"mainType\":1,\"subTypeArr\":[]"),
        search_body(1, "", "\"mainType\":1,\"subTypeArr\":11"),
        "{\"language\":\"en-US\",\"mainType\":1,\"subTypeArr\":[10],\"startTime\":\"2024-02-30 00:00:00\","
        "\"endTime\":\"2024-03-01 00:00:00\",\"curPageNum\":1}",
        "{\"language\":\"en-US\",\"mainType\":1,\"subTypeArr\":[10],\"startTime\":\"yesterday\","
        "\"endTime\":\"2024-03-01 00:00:00\",\"curPageNum\":1}",
        };
    for (const std::string& body : bad) EXPECT_EQ(post("/1002", body).out, kJsonError) << body;
    // Each request reads its own time form.
    EXPECT_EQ(post("/1002", search_body(1)).out.find("CGI ERROR"), std::string::npos);
    std::string t_form = search_body(1);
    t_form.replace(t_form.find("2000-01-01 "), 11, "2000-01-01T");
    EXPECT_EQ(post("/1002", t_form).out, kJsonError);
    std::string blank_form = export_body();
    blank_form.replace(blank_form.find("2000-01-01T"), 11, "2000-01-01 ");
    EXPECT_EQ(post("/1003", blank_form).out, "");
    const size_t searches = emu().received(kMsgLogSearch).size();
    EXPECT_EQ(searches, 1u);
    for (const std::string& body : bad) {
        std::string e = body;
        for (size_t at; (at = e.find(" 00:00:00")) != std::string::npos;) e.replace(at, 1, "T");
        EXPECT_EQ(post("/1003", e).out, "") << e;
    }
    EXPECT_EQ(emu().received().size(), searches);
}

// ---- export ----

TEST_F(LogsTest, ExportIsACsvASpreadsheetReads)
{
    std::vector<LogExportEntry> entries(4);
    for (LogExportEntry& e : entries) {
        e = zeroed<LogExportEntry>();
        e.record = sample_entry();
    }
    set_text(entries[0].detail, "Disk 2 full, recording \"overwrites\"\r\nnext line");
    set_text(entries[1].record.user, "o'brien, \"ops\"");
    entries[1].record.param_type = 0;  // no name: N/A
    set_text(entries[1].record.remote_addr, "fe80::1%eth0");
    entries[2].record.main_type = 4, entries[2].record.sub_type = 201, entries[2].record.param_type = 900;
    entries[3].record.pts = 0;
    export_file(entries);
    fake_tool("rm");

    auto r = post("/1003", export_body());
    const std::string head = r.out.substr(0, r.out.find("\r\n\r\n") + 4);
    EXPECT_EQ(head.rfind("Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= All_log_", 0),
              0u)
        << head;
    EXPECT_NE(head.find(".csv\r\n\r\n"), std::string::npos);
    const std::string csv = r.out.substr(head.size());
    EXPECT_EQ(csv,
              "Number,Time,Main,Sub,Parameter,User,Ip,Channel,Log information,\r\n"
              "1,2024-03-07 09:05:03,Exception,Disk full,Disk settings,admin,192.168.1.5,2,"
              "\"Disk 2 full, recording \"\"overwrites\"\"\r\nnext line\",\r\n"
              "2,2024-03-07 09:05:03,Exception,Disk full,N/A,\"o'brien, \"\"ops\"\"\",fe80::1,2,\"N/A\",\r\n"
              "3,2024-03-07 09:05:03,Operation,Login,System,admin,192.168.1.5,2,\"N/A\",\r\n"
              "4,1970-01-01 00:00:00,Exception,Disk full,Disk settings,admin,192.168.1.5,2,\"N/A\",\r\n");
    // Every row has the header's ten fields and the texts come back whole.
    auto rows = parse_csv(csv);
    ASSERT_EQ(rows.size(), 5u);
    for (const auto& row : rows) EXPECT_EQ(row.size(), 10u);
    EXPECT_EQ(rows[1][8], "Disk 2 full, recording \"overwrites\"\r\nnext line");
    EXPECT_EQ(rows[2][5], "o'brien, \"ops\"");

    EXPECT_FALSE(root().exists("/tmp/log/export.bin"));  // removed, without a shell
    EXPECT_TRUE(tool_calls("rm").empty());
    EXPECT_FALSE(root().exists(kLogExportMarker));
    EXPECT_EQ(post("/1022", "").out, "Content-type: text/plain\r\n\r\nNO");
}

TEST_F(LogsTest, ExportOfTheDemoLogInChinese)
{
    std::string body = export_body("\"mainType\":4,\"subTypeArr\":[10]");
    body.replace(body.find("en-US"), 5, "zh-CN");
    auto r = post("/1003", body);
    EXPECT_NE(r.out.find("filename= Operation_log_"), std::string::npos);
    auto rows = parse_csv(r.body());
    ASSERT_EQ(rows.size(), 126u);  // header and the 125 operations
    EXPECT_EQ(rows[1][2], "操作");
    for (const auto& row : rows) EXPECT_EQ(row.size(), 10u);
    EXPECT_TRUE(root().list_dir("/tmp/log").empty());
}

TEST_F(LogsTest, ExportQueryRebuildsOperationSubTypesFromBitFields)
{
    emu().rule("3494 reply 8494");
    post("/1003", export_body("\"mainType\":4,\"subTypeArr\":[12,10,10]", "\"ch\":\"18446744073709551615\",\"na\":1"));
    post("/1003", export_body("\"mainType\":4,\"subTypeArr\":[536870923,11,14]"));  // bits 0 and 29; 0; 2
    post("/1003", export_body("\"mainType\":4,\"subTypeArr\":[11,3]"));              // below 10: none
    post("/1003", export_body("\"mainType\":2,\"subTypeArr\":[11,12,37]"));
    auto frames = emu().received(kMsgLogExport);
    ASSERT_EQ(frames.size(), 4u);
    LogQuery q[4];
    for (int i = 0; i < 4; i++) {
        ASSERT_EQ(frames[size_t(i)].payload.size(), sizeof(LogQuery));
        EXPECT_EQ(frames[size_t(i)].flags, 1u);
        std::memcpy(&q[i], frames[size_t(i)].payload.data(), sizeof q[i]);
        EXPECT_EQ(q[i].page, 1);
    }
    EXPECT_EQ(q[0].sub_type_count, 1);
    EXPECT_EQ(q[0].sub_types[0], 102);
    EXPECT_EQ(q[0].channel_mask, ~0ull);
    EXPECT_EQ(q[0].no_channel, 1);
    EXPECT_EQ(q[1].sub_type_count, 4);
    EXPECT_EQ(q[1].sub_types[0], 101);
    EXPECT_EQ(q[1].sub_types[1], 130);
    EXPECT_EQ(q[1].sub_types[2], 131);
    EXPECT_EQ(q[1].sub_types[3], 202);
    EXPECT_EQ(q[2].sub_type_count, 1);
    EXPECT_EQ(q[2].sub_types[0], 101);
    EXPECT_EQ(q[3].sub_type_count, 3);
    EXPECT_EQ(q[3].sub_types[2], 37);
    EXPECT_EQ(q[3].start_time, 946684800);
}

TEST_F(LogsTest, ExportWithoutAFileGivesTheHeaderRowOnly)
{
    LogExportReply reply = zeroed<LogExportReply>();
    set_text(reply.path, "/tmp/log/../../etc/export.bin");  // never outside the root's paths
    root().write_file("/etc/export.bin", std::string(4, '\1'));
    answer(kMsgLogExport, kReplyLogExport, &reply, sizeof reply);
    const std::string header = "Number,Time,Main,Sub,Parameter,User,Ip,Channel,Log information,\r\n";
    EXPECT_EQ(post("/1003", export_body()).body(), header);
    EXPECT_TRUE(root().exists("/etc/export.bin"));
}

TEST_F(LogsTest, ExportReadsOnlyFilesOfTheLogDirectory)
{
    // A file elsewhere, and a link in the log directory, are neither read nor removed.
    root().write_file("/etc/export.bin", std::string(4, '\1'));
    export_file({}, "/etc/export.bin");
    EXPECT_EQ(post("/1003", export_body()).body(), "Number,Time,Main,Sub,Parameter,User,Ip,Channel,Log information,\r\n");
    EXPECT_TRUE(root().exists("/etc/export.bin"));
}

TEST_F(LogsTest, ExportNeverFollowsALink)
{
    root().write_file("/etc/export.bin", std::string(4, '\1'));
    root().write_file("/tmp/log/keep", "");
    ASSERT_EQ(symlink(root().at("/etc/export.bin").c_str(), root().at("/tmp/log/link.bin").c_str()), 0);
    LogExportReply reply = zeroed<LogExportReply>();
    set_text(reply.path, "/tmp/log/link.bin");
    answer(kMsgLogExport, kReplyLogExport, &reply, sizeof reply);
    EXPECT_EQ(post("/1003", export_body()).body(), "Number,Time,Main,Sub,Parameter,User,Ip,Channel,Log information,\r\n");
    EXPECT_TRUE(root().exists("/etc/export.bin"));
}

TEST_F(LogsTest, ExportAnsweredWithNothing)
{
    emu().rule("3494 reply 8494 hex:00");
    EXPECT_EQ(post("/1003", export_body()).body(), "Number,Time,Main,Sub,Parameter,User,Ip,Channel,Log information,\r\n");
}

TEST_F(LogsTest, ExportWithoutAnswerIsAnErrorAndEndsTheMarker)
{
    emu().rule("3494 close");
    EXPECT_EQ(post("/1003", export_body()).out, kJsonError);
    EXPECT_FALSE(root().exists(kLogExportMarker));
}

TEST_F(LogsTest, MarkerTellsThatAnExportRuns)
{
    emu().rule("3494 reply 8494 hex:00000000 delay:1500");
    RunResult exported;
    std::thread t([&] { exported = post("/1003", export_body()); });
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(post("/1022", "").body(), "OK");
    t.join();
    EXPECT_EQ(post("/1022", "").body(), "NO");
    EXPECT_NE(exported.out.find("Number,Time"), std::string::npos);
}

// ---- add an entry ----

TEST_F(LogsTest, AddedEntryIsSentAsARecord)
{
    std::string words;
    for (int i = 0; i < 130; i++) words += (i ? "," : "") + std::to_string(i == 0 ? 258 : i == 1 ? -1 : i);
    auto r = post("/1021", "{\"mainTypeValue\":4,\"subTypeValue\":-3,\"pts\":1709802303,\"parameterValue\":900,"
                           "\"remote\":1,\"chanNo\":5,\"size\":100000,\"detail2\":[" +
                               words + "],\"ip\":\"" + std::string(60, '1') + "\",\"user\":\"" +
                               std::string(80, 'u') + "\"}");
    EXPECT_EQ(r.out, "Content-type: text/plain\r\n\r\nOK");
    auto frames = emu().received(kMsgLogAdd);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].flags, 1u);
    ASSERT_EQ(frames[0].payload.size(), sizeof(OpLogRecord));
    OpLogRecord e;
    std::memcpy(&e, frames[0].payload.data(), sizeof e);
    EXPECT_EQ(e.main_type, 4u);
    EXPECT_EQ(e.sub_type, -3);
    EXPECT_EQ(e.pts, 1709802303u);
    EXPECT_EQ(e.param_type, 900u);
    EXPECT_EQ(e.remote, 1u);
    EXPECT_EQ(e.channel, 5u);
    EXPECT_EQ(e.detail_size, 512u);  // never more than the detail area
    EXPECT_EQ(to_hex(e.detail, 12), "00000102ffffffff00000002");
    EXPECT_EQ(to_hex(e.detail + 508, 4), "0000007f");
    EXPECT_EQ(std::string(text_of(e.remote_addr).s), std::string(45, '1'));
    EXPECT_EQ(std::string(text_of(e.user).s), std::string(63, 'u'));

    EXPECT_EQ(post("/1021", "not json").out, "Content-type: text/plain\r\n\r\nCGI ERROR");
    EXPECT_EQ(emu().received(kMsgLogAdd).size(), 1u);
}

TEST_F(LogsTest, AddedEntryAnswers)
{
    emu().rule("3488 reply 8488");
    EXPECT_EQ(post("/1021", "{}").body(), "N/A");
}

TEST_F(LogsTest, AddedEntryWithoutAnswer)
{
    emu().rule("3488 close");
    EXPECT_EQ(post("/1021", "{}").out, "Content-type: text/plain\r\n\r\nCGI ERROR");
}

// ---- catalogue ----

TEST_F(LogsTest, CatalogueListsTypesInParallel)
{
    auto r = post("/1015", "{\"lan\":\"en-US\"}");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    JsonPtr o = json_parse(r.body().c_str());
    ASSERT_TRUE(o) << r.out;
    json_object* mains = jget(o.get(), "mainType");
    json_object* subs = jget(o.get(), "subType");
    ASSERT_EQ(json_object_array_length(mains), 6u);
    ASSERT_EQ(json_object_array_length(subs), 6u);
    const int keys[] = {1, 2, 4, 8, 32, 64};
    const char* names[] = {"All", "Event", "Operation", "Information", "Exception", "Debug"};
    const size_t counts[] = {1, 29, 70, 17, 12, 5};
    for (size_t i = 0; i < 6; i++) {
        json_object* m = json_object_array_get_idx(mains, i);
        EXPECT_EQ(jint(m, "key"), keys[i]);
        EXPECT_STREQ(jstr(m, "name"), names[i]);
        json_object* list = json_object_array_get_idx(subs, i);
        EXPECT_EQ(json_object_array_length(list), counts[i]) << keys[i];
        EXPECT_EQ(jint(json_object_array_get_idx(list, 0), "key"), 10);
        EXPECT_STREQ(jstr(json_object_array_get_idx(list, 0), "name"), "All");
        for (size_t k = 0; k < json_object_array_length(list); k++)
            EXPECT_STRNE(jstr(json_object_array_get_idx(list, k), "name"), "") << keys[i];
    }
    // Events: no face events, 38..41 before 37 and 42.
    json_object* events = json_object_array_get_idx(subs, 1);
    std::string order;
    for (size_t k = 0; k < json_object_array_length(events); k++)
        order += std::to_string(jint(json_object_array_get_idx(events, k), "key")) + " ";
    EXPECT_EQ(order, "10 11 12 13 14 17 18 19 20 21 22 23 24 25 26 27 28 29 30 33 34 35 36 38 39 40 41 37 42 ");

    ASSERT_EQ(store({"set", "oem_type", "90"}).status, 0);
    o = json_parse(post("/1015", "{\"lan\":\"zh\"}").body().c_str());
    events = json_object_array_get_idx(jget(o.get(), "subType"), 1);
    EXPECT_EQ(json_object_array_length(events), 31u);
    EXPECT_STREQ(jstr(json_object_array_get_idx(events, 5), "name"), "人脸检测");
    EXPECT_STREQ(jstr(json_object_array_get_idx(jget(o.get(), "mainType"), 0), "name"), "全部");

    // An unknown language reads English; a text that is not JSON is refused.
    o = json_parse(post("/1015", "{\"lan\":\"xx-YY\"}").body().c_str());
    EXPECT_STREQ(jstr(json_object_array_get_idx(jget(o.get(), "mainType"), 1), "name"), "Event");
    EXPECT_EQ(post("/1015", "lan=en").out, kJsonError);
}

// ---- keeping times ----

TEST_F(LogsTest, KeepingTimesRoundTripAndRefuseOtherValues)
{
    ASSERT_EQ(store({"init"}).status, 0);
    EXPECT_EQ(post("/1016", "").body(), "{ \"logRetention\": 0, \"photoRetention\": 0 }");
    for (int v : {-1, 0, 1, 2, 4, 6, 8, 10, 12}) {
        const std::string body = "{\"logRetention\":" + std::to_string(v) + ",\"photoRetention\":" +
                                 std::to_string(v == 12 ? -1 : 12) + "}";
        EXPECT_EQ(post("/1017", body).out, "Content-type: text/plain\r\n\r\nOK") << v;
    }
    EXPECT_EQ(post("/1016", "").body(), "{ \"logRetention\": 12, \"photoRetention\": -1 }");
    EXPECT_EQ(emu().received(kMsgRetentionChanged).size(), 9u);
    EXPECT_EQ(emu().received(kMsgRetentionChanged)[0].flags, 0u);

    for (const char* body : {"{\"logRetention\":3,\"photoRetention\":2}", "{\"logRetention\":2,\"photoRetention\":14}",
                             "{\"logRetention\":-2,\"photoRetention\":2}", "{\"logRetention\":2}",
                             "{\"photoRetention\":2}", "not json"})
        EXPECT_EQ(post("/1017", body).out, "") << body;
    EXPECT_EQ(post("/1016", "").body(), "{ \"logRetention\": 12, \"photoRetention\": -1 }");
    EXPECT_EQ(emu().received(kMsgRetentionChanged).size(), 9u);
}

// ---- translation tables ----

TEST(LogTranslation, LanguagesAndFallback)
{
    char text[128];
    EXPECT_EQ(trans_get_value(201, text, sizeof text), -1);  // nothing open
    EXPECT_EQ(trans_init("en-US"), 0);
    EXPECT_EQ(trans_get_value(201, text, sizeof text), 0);
    EXPECT_STREQ(text, "Login");
    EXPECT_EQ(trans_get_value(999999, text, sizeof text), -1);
    EXPECT_STREQ(text, "");
    char small[4];
    EXPECT_EQ(trans_get_value(201, small, sizeof small), 0);
    EXPECT_STREQ(small, "Log");
    EXPECT_EQ(trans_get_value(201, nullptr, 10), -1);
    trans_deinit();
    EXPECT_EQ(trans_init("ZH-cn"), 0);
    trans_get_value(3, text, sizeof text);
    EXPECT_STREQ(text, "操作");
    trans_deinit();
    EXPECT_EQ(trans_init("en"), 0);
    trans_deinit();
    for (const char* unknown : {"xx", "", "../../etc/passwd"}) {
        EXPECT_EQ(trans_init(unknown), 1) << unknown;
        trans_get_value(2, text, sizeof text);
        EXPECT_STREQ(text, "Event");
        trans_deinit();
    }
    EXPECT_EQ(trans_init(nullptr), 1);
    trans_deinit();
}

// Every language names every code the English table names.
TEST(LogTranslation, EveryLanguageIsComplete)
{
    std::vector<long long> codes;
    char text[128];
    trans_init("en-US");
    for (long long c = 0; c < 1000; c++)
        if (trans_get_value(c, text, sizeof text) == 0) codes.push_back(c);
    trans_deinit();
    EXPECT_GT(codes.size(), 150u);
    int languages = 0;
    for (int n = 0; const char* lang = trans_language_at(n); n++, languages++) {
        EXPECT_EQ(trans_init(lang), 0) << lang;
        for (long long c : codes) EXPECT_EQ(trans_get_value(c, text, sizeof text), 0) << lang << " " << c;
        trans_deinit();
    }
    EXPECT_GE(languages, 2);
}

TEST(LogTranslation, DiskChannels)
{
    EXPECT_TRUE(log_channo_is_disk(32, 400));
    EXPECT_TRUE(log_channo_is_disk(4, 207));
    EXPECT_FALSE(log_channo_is_disk(4, 201));
    EXPECT_FALSE(log_channo_is_disk(2, 400));
}

}  // namespace
