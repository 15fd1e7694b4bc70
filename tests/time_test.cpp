// Time settings end to end: the read reply with the clock in the zone of the
// process (daylight saving included), the stored row and its interval
// index, the apply message byte for byte, and the checks that refuse a bad
// time zone, NTP server or date before anything is written or sent.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "common/json.h"
#include "handlers/network/time_records.h"
#include "tests/fixtures.h"

namespace {

class TimeTest : public DaemonTest {
protected:
    TimeRow stored_time()
    {
        TimeRow row;
        stored("time", 0, &row);
        return row;
    }
    std::string stored_hex()
    {
        std::vector<uint8_t> bytes;
        stored_bytes("time", 0, &bytes);
        return to_hex(bytes.data(), bytes.size());
    }
    // A write with every required key; `extra` is spliced in (", \"k\": v").
    static std::string write_body(const std::string& zone, const std::string& extra = "", int ntp = 0, int dst = 0)
    {
        return "{\"ntpEnable\":" + std::to_string(ntp) + ",\"dstEnable\":" + std::to_string(dst) +
               ",\"timeZone\":\"" + zone +
               "\",\"timeZoneName\":\"(GMT+01:00) Berlin\",\"syncEnable\":1,\"syncInterval\":2,\"syncPc\":0" + extra +
               "}";
    }
    // The 1701 payload as text (its first NUL ends it).
    std::string apply_text()
    {
        auto f = emu().received(kMsgTimeApply);
        if (f.size() != 1) return "<" + std::to_string(f.size()) + " frames>";
        EXPECT_EQ(f[0].payload.size(), sizeof(TimeApply));
        EXPECT_EQ(f[0].flags, 1u);
        return f[0].text_at(0, 32);
    }
};


// The reply's clock fields, checked against the local time of `zone` at a
// moment between `before` and `after` (a second may tick during the run).
void expect_clock(json_object* o, const char* zone, time_t before, time_t after, bool dst_expected)
{
    setenv("TZ", zone, 1);
    tzset();
    bool matched = false;
    for (time_t t = before; t <= after && !matched; t++) {
        struct tm local;
        localtime_r(&t, &local);
        EXPECT_EQ(local.tm_isdst > 0, dst_expected);
        char want[32];
        strftime(want, sizeof want, "%Y-%m-%d %H:%M:%S", &local);
        if (std::string(jstr(o, "serverTime")) != want) continue;
        matched = true;
        char two[16];
        snprintf(two, sizeof two, "%.2d", local.tm_mon + 1);
        EXPECT_STREQ(jstr(o, "dateMon"), two);
        snprintf(two, sizeof two, "%.2d", local.tm_hour);
        EXPECT_STREQ(jstr(o, "dateHour"), two);
        snprintf(two, sizeof two, "%.2d", local.tm_sec);
        EXPECT_STREQ(jstr(o, "dateSec"), two);
        EXPECT_EQ(std::string(jstr(o, "dateYear")), std::to_string(local.tm_year + 1900));
    }
    EXPECT_TRUE(matched) << jstr(o, "serverTime");
    unsetenv("TZ");
    tzset();
}

TEST_F(TimeTest, CodesJoinTheNetworkModule)
{
    const std::vector<std::string> want = {"/7000", "/7001"};
    EXPECT_EQ(registered_codes("network", want), want);
    expect_empty_bodies_handled({"/7001"});
    EXPECT_EQ(post("/7001", "").out, "");
    EXPECT_EQ(get("/7000", "").status, 0);
}

TEST_F(TimeTest, ReadGivesStoredSettingsAndTheLocalClock)
{
    TimeRow row = zeroed<TimeRow>();
    row.ntp_enable = 1;
    row.dst_enable = 1;
    set_text(row.time_zone, "GMT+01:00");
    set_text(row.time_zone_name, "(GMT+01:00) Berlin");
    set_text(row.ntp_server, "ntp.example.com");
    row.sync_enable = 1;
    row.sync_interval = 2880;
    row.sync_pc = 1;
    put_row("time", 0, row);

    env.push_back({"TZ", "UTC0"});
    time_t before = time(nullptr);
    auto r = post("/7000", "");
    time_t after = time(nullptr);
    EXPECT_EQ(r.header(), "Content-type: application/json");
    JsonPtr o = json_parse(r.body().c_str());
    ASSERT_TRUE(o) << r.out;
    // Keys in the order the pages read them.
    std::string keys;
    for (const std::string& key : json_keys(o.get())) keys += key + " ";
    EXPECT_EQ(keys,
              "dateYear dateMon dateDay dateHour dateMin dateSec serverTime ntpEnable dstEnable timeZone "
              "timeZoneName ntpServer syncEnable syncInterval syncPc ");
    expect_clock(o.get(), "UTC0", before, after, false);
    EXPECT_EQ(jint(o.get(), "ntpEnable"), 1);
    EXPECT_EQ(jint(o.get(), "dstEnable"), 1);
    EXPECT_STREQ(jstr(o.get(), "timeZone"), "GMT+01:00");
    EXPECT_STREQ(jstr(o.get(), "ntpServer"), "ntp.example.com");
    EXPECT_EQ(jint(o.get(), "syncInterval"), 5);  // 2880 minutes
    EXPECT_EQ(jint(o.get(), "syncPc"), 1);

    // Minutes outside the table read as index 4.
    row.sync_interval = 45;
    put_row("time", 0, row);
    o = json_parse(post("/7000", "").body().c_str());
    EXPECT_EQ(jint(o.get(), "syncInterval"), 4);
}

TEST_F(TimeTest, ReadFollowsDaylightSavingOfTheZone)
{
    // Daylight saving the whole year: two hours ahead of UTC.
    const char* zone = "XST-1XDT,J1/0,J365/25";
    env.push_back({"TZ", zone});
    time_t before = time(nullptr);
    auto r = post("/7000", "");
    time_t after = time(nullptr);
    JsonPtr o = json_parse(r.body().c_str());
    ASSERT_TRUE(o) << r.out;
    expect_clock(o.get(), zone, before, after, true);
    // The same moment in UTC is two hours earlier.
    struct tm utc;
    gmtime_r(&before, &utc);
    const int hour = std::atoi(jstr(o.get(), "dateHour"));
    EXPECT_TRUE(hour == (utc.tm_hour + 2) % 24 || hour == (utc.tm_hour + 3) % 24) << hour;
}

TEST_F(TimeTest, WriteStoresTheRowAndSetsTheClockByHand)
{
    env.push_back({"HTTP_COOKIE", "lang=en; userName=admin; sessionId=1"});
    auto r = post("/7001", write_body("CET-1CEST,M3.5.0,M10.5.0/3", ",\"ntpServer\":\"ntp.example.com\","
                                                                   "\"manualTime\":\"2024-03-07 09:05:03\"",
                                      0, 1));
    EXPECT_EQ(r.out, "Content-type: text/plain\r\n\r\nOK");
    TimeRow row = stored_time();
    EXPECT_EQ(row.ntp_enable, 0);
    EXPECT_EQ(row.dst_enable, 1);
    EXPECT_STREQ(row.time_zone, "CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_STREQ(row.time_zone_name, "(GMT+01:00) Berlin");
    EXPECT_STREQ(row.ntp_server, "ntp.example.com");
    EXPECT_EQ(row.sync_enable, 1);
    EXPECT_EQ(row.sync_interval, 300);  // index 2
    EXPECT_EQ(apply_text(), "\"2024-03-07 09:05:03\"");

    // The answer 6701 is followed by 1711 (no payload, no wait), then the log.
    auto applied = emu().received(kMsgTimeApplied);
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied[0].flags, 0u);
    EXPECT_TRUE(applied[0].payload.empty());
    auto logs = emu().received(3485);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].u32_at(0), 4u);
    EXPECT_EQ(logs[0].i64_at(8), kTimeLogSubType);
    EXPECT_EQ(logs[0].u32_at(24), u32(kTimeLogParamType));
    EXPECT_EQ(logs[0].text_at(82, 64), "admin");
    // The log follows the apply.
    auto all = emu().received();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].code, kMsgTimeApply);
    EXPECT_EQ(all[1].code, kMsgTimeApplied);
    EXPECT_EQ(all[2].code, 3485u);
}

TEST_F(TimeTest, ApplyPayloadIsEmptyUnlessTheClockIsSetByHand)
{
    const std::string zeros(64, '0');
    struct Case {
        int ntp;
        std::string extra;
    } cases[] = {
        {1, ",\"manualTime\":\"2024-03-07 09:05:03\",\"ntpServer\":\"pool.ntp.org\""},  // NTP keeps the clock
        {0, ",\"manualTime\":\"2024-03-07 09:05:03\",\"failoverMode\":2"},             // failover leaves it
        {0, ""},                                                                      // no time given
        {0, ",\"manualTime\":\"\""},
    };
    for (const Case& c : cases) {
        auto r = post("/7001", write_body("GMT+08:00", c.extra, c.ntp));
        EXPECT_EQ(r.body(), "OK") << c.extra;
    }
    auto frames = emu().received(kMsgTimeApply);
    ASSERT_EQ(frames.size(), 4u);
    for (const EmuFrame& f : frames) EXPECT_EQ(to_hex(f.payload.data(), f.payload.size()), zeros);
}

TEST_F(TimeTest, IntervalIndexAndAbsentServer)
{
    ASSERT_EQ(store({"init"}).status, 0);
    EXPECT_EQ(post("/7001", write_body("Asia/Kathmandu")).body(), "OK");
    EXPECT_STREQ(stored_time().ntp_server, "pool.ntp.org");  // the factory server is kept

    std::string body = write_body("Asia/Kathmandu");
    body.replace(body.find("\"syncInterval\":2"), 16, "\"syncInterval\":9");
    EXPECT_EQ(post("/7001", body).body(), "OK");
    EXPECT_EQ(stored_time().sync_interval, 1440);

    // A long display name is cut to its field.
    body = write_body("UTC");
    body.replace(body.find("(GMT+01:00) Berlin"), 18, std::string(40, 'n'));
    EXPECT_EQ(post("/7001", body).body(), "OK");
    EXPECT_EQ(std::string(stored_time().time_zone_name), std::string(31, 'n'));
}

TEST_F(TimeTest, ZonesOfTheWorldAndTheirDaylightSavingRulesAreTaken)
{
    for (const char* zone : {"GMT+14:00", "GMT-12:00", "GMT+05:45", "GMT-3:30", "GMT+8", "UTC", "GMT",
                             "Asia/Kathmandu", "America/Argentina/Salta", "Etc/GMT-14", "EST5EDT", "<+0545>-5:45",
                             "EST5EDT,M3.2.0/2:00,M11.1.0/2", "NZ-CHAT", "Japan", "AEST-10AEDT,M10.1.0,M4.1.0/3",
                             "IST-2IDT,M3.4.4/26,M10.5.0", "XST-1XDT,J1/0,J365/25", "WART4WARST,0/0,365/25", "32"}) {
        auto r = post("/7001", write_body(zone));
        EXPECT_EQ(r.body(), "OK") << zone;
        EXPECT_STREQ(stored_time().time_zone, zone);
    }
    // Leap day.
    EXPECT_EQ(post("/7001", write_body("UTC", ",\"manualTime\":\"2024-02-29 23:59:59\"")).body(), "OK");
    auto frames = emu().received(kMsgTimeApply);
    EXPECT_EQ(frames.back().text_at(0, 32), "\"2024-02-29 23:59:59\"");
}

TEST_F(TimeTest, SpellingsOutsideOurOwnPatternsAreStoredAndPassedOn)
{
    // The zone, the server and the manual time are the core daemon's to
    // read: what this program does not understand still reaches it.
    struct Case {
        std::string body, zone, server, apply;
    } cases[] = {
        {write_body("GMT+15:00"), "GMT+15:00", "", ""},
        {write_body("CET-1CEST,M13.5.0"), "CET-1CEST,M13.5.0", "", ""},
        {write_body(""), "", "", ""},
        {write_body(std::string(40, 'A')), std::string(31, 'A'), "", ""},  // cut to its field
        {write_body("UTC", ",\"ntpServer\":\"till4.shop.example.net\"", 1), "UTC", "till4.shop.example.net", ""},
        {write_body("UTC", ",\"ntpServer\":\"-odd..name\"", 1), "UTC", "-odd..name", ""},
        {write_body("UTC", ",\"ntpServer\":\"\"", 1), "UTC", "", ""},
        {write_body("UTC", ",\"ntpServer\":\"" + std::string(70, 's') + "\"", 1), "UTC", std::string(63, 's'), ""},
        {write_body("UTC", ",\"manualTime\":\"2024-3-7 9:5:3\""), "UTC", "", "\"2024-3-7 9:5:3\""},
        {write_body("UTC", ",\"manualTime\":\"2038-01-20 00:00:00\""), "UTC", "", "\"2038-01-20 00:00:00\""},
        {write_body("UTC", ",\"manualTime\":\"" + std::string(40, '1') + "\""), "UTC", "",
         "\"" + std::string(30, '1')},  // the quoted text cut to 31 characters
    };
    size_t n = 0;
    for (const Case& c : cases) {
        auto r = post("/7001", c.body);
        EXPECT_EQ(r.body(), "OK") << c.body;
        TimeRow row = stored_time();
        EXPECT_EQ(std::string(row.time_zone), c.zone) << c.body;
        if (c.body.find("ntpServer") != std::string::npos) {
            EXPECT_EQ(std::string(row.ntp_server), c.server) << c.body;
        }
        auto f = emu().received(kMsgTimeApply);
        ASSERT_EQ(f.size(), ++n);
        EXPECT_EQ(f.back().text_at(0, 32), c.apply) << c.body;
    }
    // "syncEnable" is stored as given.
    std::string body = write_body("UTC");
    body.replace(body.find("\"syncEnable\":1"), 14, "\"syncEnable\":3");
    EXPECT_EQ(post("/7001", body).body(), "OK");
    EXPECT_EQ(stored_time().sync_enable, 3);
}

TEST_F(TimeTest, BadSettingsAreRefusedBeforeAnythingIsWritten)
{
    ASSERT_EQ(store({"init"}).status, 0);
    const std::string before = stored_hex();
    fake_tool("date");
    fake_tool("hwclock");
    fake_tool("ntpdate");
    std::string no_dst = write_body("UTC");
    no_dst.erase(no_dst.find("\"dstEnable\":0,"), 14);
    std::string no_sync = write_body("UTC");
    no_sync.erase(no_sync.find("\"syncEnable\":1,"), 15);
    // What the daemon's settings cannot be: no reply, as for a broken request.
    const std::vector<std::string> silent = {
        "not json", "[1,2]", no_dst, no_sync,
        write_body("UTC", "", 0, 2),  // daylight saving is 0 or 1
        write_body("UTC", "", -1),    // so is NTP
    };
    for (const std::string& body : silent) {
        auto r = post("/7001", body);
        EXPECT_EQ(r.out, "") << body;
        EXPECT_EQ(r.status, 0) << body;
    }
    // Characters no zone, server or time holds, which would end or escape a
    // quoted word downstream: the JSON error form.
    const std::vector<std::string> unsafe = {
        write_body("UTC\\\"; reboot; \\\""),
        write_body("$(reboot)"),
        write_body("`reboot`"),
        write_body("UTC'"),
        write_body("UTC", ",\"timeZoneName\":\"two\\nlines\""),
        write_body("UTC", ",\"ntpServer\":\"pool.ntp.org\\\\\"", 1),
        write_body("UTC", ",\"ntpServer\":\"a\\tb\"", 1),
        write_body("UTC", ",\"manualTime\":\"2024-03-07 09:05:03\\\" ; reboot ; \\\"\""),
        write_body("UTC", ",\"manualTime\":\"2024-03-07\\u007f\""),
    };
    for (const std::string& body : unsafe) {
        auto r = post("/7001", body);
        EXPECT_EQ(r.out, kJsonError) << body;
        EXPECT_EQ(r.status, 0) << body;
    }
    EXPECT_EQ(stored_hex(), before);
    EXPECT_TRUE(emu().received().empty());
    EXPECT_TRUE(tool_calls("date").empty());
    EXPECT_TRUE(tool_calls("hwclock").empty());
    EXPECT_TRUE(tool_calls("ntpdate").empty());
    EXPECT_FALSE(root().exists("/tmp/reboot"));
}

TEST_F(TimeTest, UnconfirmedApplyIsReportedOnce)
{
    emu().rule("1701 close");
    auto r = post("/7001", write_body("UTC", ",\"manualTime\":\"2024-03-07 09:05:03\""));
    EXPECT_EQ(r.out, kJsonError);  // one reply, one header
    EXPECT_STREQ(stored_time().time_zone, "UTC");
    EXPECT_TRUE(emu().received(kMsgTimeApplied).empty());
    EXPECT_EQ(emu().received(3485).size(), 1u);
}

TEST_F(TimeTest, AnAnswerWithoutPayloadConfirms)
{
    emu().rule("1701 reply 6701");
    EXPECT_EQ(post("/7001", write_body("UTC")).body(), "OK");
    EXPECT_EQ(emu().received(kMsgTimeApplied).size(), 1u);
}

}  // namespace
