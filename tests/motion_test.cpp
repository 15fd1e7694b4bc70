// Motion detection requests end to end: the stored motion record, the
// records sent to the core daemon, and the module's request order.
#include <gtest/gtest.h>

#include <json-c/json.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/json.h"
#include "handlers/event/motion_records.h"
#include "tests/fixtures.h"

namespace {

class MotionTest : public NvrTest {
protected:
    void put_motion(const MotionRecord& rec) { put_row("motion", rec.chnid, rec); }
    // A record with every action field set, as the newer pages leave it.
    MotionRecord full_record(int channel)
    {
        MotionRecord m = zeroed<MotionRecord>();
        m.chnid = channel;
        m.enable = 1;
        m.sensitivity = 3;
        set_text(m.tri_channels, "1");
        m.tri_mask = 1;
        m.email_enable = 1;
        m.email_interval = 120;
        set_text(m.tri_chn_alarms[0], "11");
        set_text(m.tri_chn_alarms[1], "011");
        m.ptz_interval = 7;
        m.alarmout_interval = 8;
        m.white_interval = 9;
        m.email_pic_enable = 1;
        set_text(m.tri_channels_pic, "0001");
        m.audio_id = 2;
        m.pad1[0] = 0x5a;  // reserved bytes travel unchanged
        return m;
    }
    static std::string hex(const EmuFrame& f) { return to_hex(f.payload.data(), f.payload.size()); }
    template <typename T>
    static std::string hex(const T& rec) { return to_hex(&rec, sizeof rec); }
};

const char* kArea6012 = "{\"camId\":5,\"enable\":2,\"sensitivity\":4,\"triChannels\":\"101\",\"triAlarms\":3,"
                        "\"interval\":20,\"motionTable\":\"ffff\",\"enableMS\":%d}";

std::string area_request(int enable_ms)
{
    char text[256];
    std::snprintf(text, sizeof text, kArea6012, enable_ms);
    return text;
}

// ---- "/6012" ----

TEST_F(MotionTest, AreaWriteWithoutARequiredKeyWritesAndSendsNothing)
{
    emu();
    for (const char* drop : {"\"interval\":20,", "\"motionTable\":\"ffff\",", "\"triChannels\":\"101\","}) {
        std::string body = area_request(0);
        body.erase(body.find(drop), std::strlen(drop));
        auto r = post("/6012", body);
        EXPECT_EQ(r.out, "") << drop;
    }
    for (const char* bad : {"\"enable\":2", "\"camId\":5"}) {
        std::string body = area_request(0);
        body.replace(body.find(bad), std::strlen(bad), bad[1] == 'e' ? "\"enable\":3" : "\"camId\":64");
        EXPECT_EQ(post("/6012", body).out, "") << bad;
    }
    EXPECT_EQ(store({"dump", "motion"}).out, "");
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(MotionTest, AreaWriteSendsGridAndScheduleSwitchAndKeepsTheActions)
{
    put_motion(full_record(5));
    emu();
    env.push_back({"HTTP_COOKIE", "userName=admin"});
    ASSERT_EQ(post("/6012", area_request(0)).body(), "OK");

    MotionRecord want = full_record(5);
    want.enable = 2;
    want.sensitivity = 4;
    set_text(want.tri_channels, "101");
    want.tri_mask = 5;
    want.tri_alarms = 3;
    want.interval = 20;
    set_text(want.motion_table, "ffff");
    MotionRecord got;
    ASSERT_TRUE(stored("motion", 5, &got));
    EXPECT_EQ(hex(got), hex(want));

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].code, kMsgMotionChanged);
    EXPECT_EQ(hex(frames[0]), "05000000");
    MotionAreaRecord area = zeroed<MotionAreaRecord>();
    set_text(area.motion_table, "ffff");
    area.sensitivity = 4;
    area.chnid = 5;
    EXPECT_EQ(frames[1].code, kMsgMotionArea);
    EXPECT_EQ(hex(frames[1]), hex(area));
    EXPECT_EQ(frames[1].u32_at(304), 4u);
    EXPECT_EQ(frames[1].u32_at(308), 5u);
    EXPECT_EQ(frames[2].code, kMsgMotionScheduleMode);
    ASSERT_EQ(frames[2].payload.size(), 268u);
    EXPECT_EQ(frames[2].u32_at(0), 5u);
    EXPECT_EQ(frames[2].u32_at(4), 0u);
    EXPECT_EQ(frames[2].u32_at(264), 0u);
    EXPECT_EQ(frames[3].code, 3485u);
    EXPECT_EQ(frames[3].u32_at(24), 909u);
    EXPECT_EQ(frames[3].u32_at(32), 6u);
    EXPECT_EQ(frames[3].i64_at(8), 204);
}

TEST_F(MotionTest, AreaWriteWithAllDayScheduleSends3212Then3209)
{
    emu();
    std::string grid(400, 'a');
    std::string body = area_request(1);
    body.replace(body.find("ffff"), 4, grid);
    ASSERT_EQ(post("/6012", body).body(), "OK");
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[1].text_at(4, 300), std::string(299, 'a'));
    MotionRecord got;
    ASSERT_TRUE(stored("motion", 5, &got));
    EXPECT_EQ(std::string(got.motion_table), std::string(367, 'a'));
    EXPECT_EQ(frames[2].code, kMsgMotionScheduleMode);
    EXPECT_EQ(frames[2].u32_at(4), 1u);
    EXPECT_EQ(frames[3].code, kMsgMotionAllDay);
    ASSERT_EQ(frames[3].payload.size(), 1216u);
    // Channel, then day d at 4 + 136 d: 64 zero bytes, d, 1, four slots 0:00-24:00.
    std::vector<uint8_t> want(1216, 0);
    auto put32 = [&](size_t off, uint32_t v) { std::memcpy(&want[off], &v, 4); };
    put32(0, 5);
    for (uint32_t d = 0; d < 7; d++) {
        size_t base = 4 + 136 * d;
        put32(base + 64, d);
        put32(base + 68, 1);
        for (size_t s = 0; s < 4; s++) put32(base + 72 + 16 * s + 8, 24);
    }
    EXPECT_EQ(hex(frames[3]), to_hex(want.data(), want.size()));
    EXPECT_EQ(frames[4].code, 3485u);
}

// ---- "/6112" ----

TEST_F(MotionTest, WriteWithCopyListsChannelsAscendingInEveryRecord)
{
    emu();
    ASSERT_EQ(post("/6112", "{\"chnid\":2,\"sensitivity\":6,\"enableMS\":1,\"motionTable\":\"0f0f\","
                            "\"copyCnt\":2,\"copyChn\":[3,1]}").body(), "OK");
    auto frames = emu().received();
    std::vector<uint32_t> codes;
    for (auto& f : frames) codes.push_back(f.code);
    EXPECT_EQ(codes, (std::vector<uint32_t>{kMsgOpLogChannels, kMsgMotionAreaList, kMsgMotionCopied,
                                            kMsgMotionScheduleMode, kMsgMotionAllDayList}));

    MotionAreaListRecord area = zeroed<MotionAreaListRecord>();
    set_text(area.motion_table, "0f0f");
    area.sensitivity = 6;
    area.chnid = 2;
    area.enable_ms = 1;
    area.ids[0] = 1;
    area.ids[1] = 3;
    area.count = 2;
    EXPECT_EQ(hex(frames[1]), hex(area));
    EXPECT_EQ(frames[1].u32_at(312), 1u);
    EXPECT_EQ(frames[1].u32_at(316), 3u);
    EXPECT_EQ(frames[1].u32_at(568), 2u);
    EXPECT_EQ(hex(frames[2]), "0a00000000000000");

    MotionScheduleModeRecord mode = zeroed<MotionScheduleModeRecord>();
    mode.chnid = 2;
    mode.flag = 1;
    mode.ids[0] = 1;
    mode.ids[1] = 3;
    mode.count = 2;
    EXPECT_EQ(hex(frames[3]), hex(mode));

    MotionAllDayRecord all_day = motion_all_day_record();
    all_day.ids[0] = 1;
    all_day.ids[1] = 3;
    all_day.count = 2;
    EXPECT_EQ(hex(frames[4]), hex(all_day));
    EXPECT_EQ(frames[4].u32_at(0), 0u);  // the channel field stays 0
    EXPECT_EQ(frames[4].u32_at(956), 1u);
    EXPECT_EQ(frames[4].u32_at(1212), 2u);
}

TEST_F(MotionTest, WriteWithoutCopiesSendsEmptyListsAndStoresTheChannel)
{
    put_motion(full_record(4));
    emu();
    auto r = post("/6112", "{\"chnid\":4,\"sensitivity\":1,\"enableMS\":0,\"copyCnt\":0,\"copyChn\":[5]}");
    ASSERT_EQ(r.body(), "OK");
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 4u);  // no 3252 without the all-day schedule
    EXPECT_EQ(frames[1].u32_at(568), 0u);
    EXPECT_EQ(hex(frames[2]), "0000000000000000");
    EXPECT_EQ(frames[3].u32_at(4), 0u);
    EXPECT_EQ(frames[3].u32_at(264), 0u);
    EXPECT_EQ(frames[0].u32_at(672), 0u);
    EXPECT_EQ(frames[0].u32_at(676), 0u);
    // The channel's own record keeps the new sensitivity; no copy is made.
    MotionRecord want = full_record(4), got;
    want.sensitivity = 1;
    ASSERT_TRUE(stored("motion", 4, &got));
    EXPECT_EQ(hex(got), hex(want));
    EXPECT_FALSE(stored("motion", 5, &got));
}

TEST_F(MotionTest, WriteWithDialogSendsTheMotionNoticeFirst)
{
    emu();
    ASSERT_EQ(post("/6112", "{\"chnid\":1,\"dialog\":{\"enable\":1}}").body(), "OK");
    auto frames = emu().received();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0].code, kMsgMotionChanged);
    EXPECT_EQ(hex(frames[0]), "01000000");
    EXPECT_EQ(post("/6112", "{\"chnid\":64}").out, "");
    EXPECT_EQ(post("/6112", "nope").out, "");
}

// ---- older read-modify-write requests ----

TEST_F(MotionTest, OlderWritesNeedAStoredRecordForTheChannel)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    EXPECT_EQ(post("/6114", "{\"camId\":64,\"sensitivity\":1}").out, "");
    ASSERT_EQ(post("/6114", "{\"camId\":9,\"sensitivity\":5,\"triChannels\":\"0100\",\"interval\":3}").body(), "OK");
    MotionRecord got;
    ASSERT_TRUE(stored("motion", 9, &got));
    EXPECT_EQ(got.chnid, 9);
    EXPECT_EQ(got.sensitivity, 5);
    EXPECT_STREQ(got.tri_channels, "0100");
    EXPECT_EQ(got.tri_mask, 2u);
    EXPECT_EQ(got.interval, 3);
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, kMsgMotionChanged);
    EXPECT_EQ(frames[1].code, 3485u);
    EXPECT_EQ(frames[1].u32_at(32), 10u);
}

TEST_F(MotionTest, AreaAndScheduleWriteSendsNoticesAndScheduleSwitch)
{
    put_motion(full_record(0));
    put_motion(full_record(1));
    emu();
    // Channel 2 has no stored record: nothing happens.
    EXPECT_EQ(post("/6113", "{\"camId\":2,\"enable\":0}").out, "");
    std::string schedule = "[[[\"01:00\",\"02:00\",5]]]";
    ASSERT_EQ(post("/6113", "{\"camId\":1,\"enable\":0,\"enableMS\":1,\"schedule\":" + schedule + "}").body(), "OK");
    MotionRecord got;
    ASSERT_TRUE(stored("motion", 1, &got));
    EXPECT_EQ(got.enable, 0);
    EXPECT_EQ(got.enable_ms, 1);
    EXPECT_EQ(got.email_interval, 120);
    RecordSchedule s;
    ASSERT_TRUE(stored("motion_schedule", 1, &s));
    EXPECT_STREQ(s.days[0].plans[0].start_time, "01:00");
    EXPECT_EQ(s.days[0].plans[0].action_type, 5);
    std::vector<uint32_t> codes;
    for (auto& f : emu().received()) codes.push_back(f.code);
    EXPECT_EQ(codes, (std::vector<uint32_t>{kMsgMotionChanged, kMsgMotionChanged, kMsgMotionScheduleMode,
                                            kMsgMotionAllDay}));
}

TEST_F(MotionTest, TriggerWriteByTypeAndUnknownTypeRewritesUnchanged)
{
    put_motion(full_record(3));
    emu();
    ASSERT_EQ(post("/6119", "{\"camId\":3,\"type\":3,\"triAlarms\":9,\"triChannels\":\"1111\"}").body(), "OK");
    MotionRecord got;
    ASSERT_TRUE(stored("motion", 3, &got));
    EXPECT_EQ(hex(got), hex(full_record(3)));
    ASSERT_EQ(post("/6119", "{\"camId\":3,\"type\":2,\"triAlarms\":9,\"triChannels\":\"1111\"}").body(), "OK");
    ASSERT_TRUE(stored("motion", 3, &got));
    EXPECT_EQ(got.tri_alarms, 9);
    EXPECT_STREQ(got.tri_channels, "1");
    ASSERT_EQ(post("/6119", "{\"camId\":3,\"type\":1,\"triChannels\":\"1111\"}").body(), "OK");
    ASSERT_TRUE(stored("motion", 3, &got));
    EXPECT_STREQ(got.tri_channels, "1111");
    EXPECT_EQ(got.tri_mask, 15u);
    EXPECT_EQ(emu().received(kMsgMotionChanged).size(), 3u);
    EXPECT_EQ(emu().received(3485).size(), 3u);
}

TEST_F(MotionTest, EmailWriteSetsRecordAndEmailSchedule)
{
    put_motion(full_record(6));
    emu();
    auto r = post("/6118", "{\"camId\":6,\"enable\":0,\"interval\":15,\"schedule\":[[[\"a\",\"b\",1]]]}");
    ASSERT_EQ(r.body(), "OK");
    MotionRecord got;
    ASSERT_TRUE(stored("motion", 6, &got));
    EXPECT_EQ(got.enable, 0);
    EXPECT_EQ(got.interval, 15);
    RecordSchedule s;
    ASSERT_TRUE(stored("motion_email_schedule", 6, &s));
    EXPECT_STREQ(s.days[0].plans[0].end_time, "b");
}

// ---- schedule-only requests ----

TEST_F(MotionTest, ScheduleRequestsCheckTheChannelAndReadBackInReplyForm)
{
    emu();
    std::string schedule = "[[[\"08:00\",\"09:00\",1]]]";
    for (const char* code : {"/6118", "/6119", "/6152", "/6159"}) {
        for (const char* id : {"-1", "64"}) {
            auto r = post(code, std::string("{\"camId\":") + id + ",\"schedule\":" + schedule + "}");
            EXPECT_EQ(r.body(), "CGI ERROR") << code << id;
            EXPECT_EQ(r.header(), "Content-type: text/plain") << code;
        }
        EXPECT_EQ(post(code, "{").body(), "CGI ERROR") << code;
    }
    EXPECT_EQ(post("/6013", "{\"camId\":64,\"schedule\":" + schedule + "}").out, "");
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(store({"tables"}).out, "");

    ASSERT_EQ(post("/6152", "{\"camId\":8,\"schedule\":" + schedule + "}").body(), "OK");
    ASSERT_EQ(post("/6159", "{\"camId\":8,\"schedule\":" + schedule + "}").body(), "OK");
    ASSERT_EQ(post("/6013", "{\"camId\":8,\"schedule\":" + schedule + "}").body(), "OK");
    RecordSchedule s;
    EXPECT_TRUE(stored("motion_ptz_schedule", 8, &s));
    EXPECT_TRUE(stored("motion_schedule", 8, &s));
    auto r = post("/6153", "8");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    JsonPtr days = json_parse(r.body().c_str());
    ASSERT_TRUE(days);
    EXPECT_STREQ(json_object_to_json_string(json_object_array_get_idx(json_object_array_get_idx(days.get(), 0), 0)),
                 "{ \"startTime\": \"08:00\", \"endTime\": \"09:00\", \"actionType\": 1 }");
    EXPECT_EQ(emu().received(kMsgMotionChanged).size(), 3u);
}

TEST_F(MotionTest, UnstoredScheduleReadsAsEightDaysOfTwelveEmptyPlans)
{
    std::string empty_day = "[ ";
    for (int p = 0; p < 12; p++)
        empty_day += std::string(p ? ", " : "") + "{ \"startTime\": \"\", \"endTime\": \"\", \"actionType\": 0 }";
    empty_day += " ]";
    std::string want = "[ ";
    for (int d = 0; d < 8; d++) want += std::string(d ? ", " : "") + empty_day;
    want += " ]";
    for (const char* text : {"3", "99", "x"}) {
        EXPECT_EQ(post("/6153", text).body(), want) << text;
        EXPECT_EQ(post("/6011", text).body(), want) << text;
    }
}

// ---- waited queries ----

TEST_F(MotionTest, ResultQueriesAnswerFromTheCoreDaemon)
{
    emu().rule("2503 reply 7503 hex:07000000");
    auto r = post("/6115", "{\"id\":3}");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    EXPECT_EQ(r.body(), "{ \"result\": 0 }");
    EXPECT_EQ(post("/6116", "{\"id\":3}").body(), "{ \"result\": 7 }");
    auto sent = emu().received(2502);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(hex(sent[0]), "03000000");
    EXPECT_EQ(post("/6115", "x").body(), "CGI ERROR");
}

TEST_F(MotionTest, ResultQueryWithoutUsableReplyIsAnError)
{
    emu().rule("2502 reply 7502 hex:");
    emu().rule("2503 close");
    EXPECT_EQ(post("/6115", "{\"id\":1}").body(), "CGI ERROR");
    EXPECT_EQ(post("/6116", "{\"id\":1}").body(), "CGI ERROR");
}

// ---- "/6010" ----

TEST_F(MotionTest, ReadRepliesEveryKeyInOrder)
{
    put_motion(full_record(2));
    emu();
    JsonPtr reply = json_parse(post("/6010", "{\"chnid\":2}").body().c_str());
    ASSERT_TRUE(reply);
    std::vector<std::string> keys = json_keys(reply.get());
    EXPECT_EQ(keys, (std::vector<std::string>{
                        "chnid", "enable", "sensitivity", "triChannels", "triAlarms", "interval", "enableMS",
                        "motionTable", "email_enable", "email_interval", "email_pic_enable", "tri_channels_pic",
                        "ptz_interval", "alarmout_interval", "effective", "audible", "email", "ptz", "triChnAlarms",
                        "white", "whiteInfo", "white_interval", "audioId", "audioIdMask", "ptzParams"}));
    EXPECT_EQ(jint(reply.get(), "chnid"), 2);
    EXPECT_EQ(jint(reply.get(), "email_interval"), 120);
    EXPECT_EQ(jint(reply.get(), "white_interval"), 9);
    EXPECT_STREQ(json_object_to_json_string(jget(reply.get(), "triChnAlarms")), "[ \"11\", \"011\" ]");
    EXPECT_STREQ(jstr(reply.get(), "tri_channels_pic"), "0001");
}

// ---- request table ----

TEST(MotionModule, CodesAreRegisteredInTableOrder)
{
    const std::vector<std::string> motion = {"/6010", "/6011", "/6012", "/6013", "/6112", "/6113", "/6114", "/6115",
                                             "/6116", "/6117", "/6118", "/6119", "/6152", "/6153", "/6159"};
    size_t at = 0;
    for (const std::string& code : registered_codes("video"))
        if (at < motion.size() && code == motion[at]) at++;
    EXPECT_EQ(at, motion.size()) << "motion codes missing or out of order";
    const std::vector<std::string> schedules = {"/6040", "/6041", "/6042", "/6043"};
    at = 0;
    for (const std::string& code : registered_codes("record"))
        if (at < schedules.size() && code == schedules[at]) at++;
    EXPECT_EQ(at, schedules.size()) << "record schedule codes missing or out of order";
}

}  // namespace
