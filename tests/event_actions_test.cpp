// The shared event action model, end to end through the motion requests
// that use it: schedules, trigger fields, white-LED and PTZ lists, copy
// masks, the copy of a channel's whole state, and the 3509 log record.
#include <gtest/gtest.h>

#include <json-c/json.h>

#include <cstring>
#include <string>

#include "handlers/shared/event_actions.h"
#include "handlers/event/motion_records.h"
#include "tests/fixtures.h"

namespace {

// A request-form schedule: 8 days of `plans` plans [start, end, type] with
// day d, plan p = ["dd:pp", "dd:pp+1", d + p].
std::string request_schedule(int days = 8, int plans = 12)
{
    return schedule_json_of(days, plans,
                            [](int d, int p) { return plan_json(clock_text(d, p), clock_text(d, p + 1), d + p); });
}

class EventActionTest : public NvrTest {
protected:
    // The JSON reply of a request, parsed (null when not JSON).
};

void expect_empty_plans(const RecordSchedule& s, int from_plan)
{
    for (int d = 0; d < kScheduleDays; d++) {
        EXPECT_EQ(s.days[d].wholeday_enable, 0) << d;
        EXPECT_EQ(s.days[d].wholeday_action_type, 0) << d;
        for (int p = from_plan; p < kSchedulePlans; p++) {
            EXPECT_STREQ(s.days[d].plans[p].start_time, "") << d << "/" << p;
            EXPECT_EQ(s.days[d].plans[p].action_type, 0) << d << "/" << p;
        }
    }
}

// ---- schedules ----

TEST_F(EventActionTest, FullScheduleReplacesTwelvePlansAndClearsTheRest)
{
    RecordSchedule old = zeroed<RecordSchedule>();
    for (ScheduleDay& day : old.days) {
        day.wholeday_enable = 1;
        day.wholeday_action_type = 9;
        for (SchedulePlan& p : day.plans) {
            set_text(p.start_time, "old");
            p.action_type = 7;
        }
    }
    put_row("motion_audible_schedule", 4, old);
    emu();
    auto r = post("/6117", "{\"chnid\":4,\"audible\":" + request_schedule() + "}");
    EXPECT_EQ(r.body(), "OK");

    RecordSchedule s;
    ASSERT_TRUE(stored("motion_audible_schedule", 4, &s));
    for (int d = 0; d < kScheduleDays; d++)
        for (int p = 0; p < kActionPlans; p++) {
            EXPECT_EQ(s.days[d].plans[p].start_time, clock_text(d, p));
            EXPECT_EQ(s.days[d].plans[p].end_time, clock_text(d, p + 1));
            EXPECT_EQ(s.days[d].plans[p].action_type, d + p);
        }
    expect_empty_plans(s, kActionPlans);
    // Kinds the request does not carry stay as stored: none was written.
    RecordSchedule other;
    EXPECT_FALSE(stored("motion_effective_schedule", 4, &other));
    auto changed = emu().received(kMsgMotionChanged);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].u32_at(0), 4u);
}

TEST_F(EventActionTest, ShortAndMalformedSchedulesStoreEmptyPlansWhereElementsAreMissing)
{
    emu();
    // Two days; day 0 with three plans, one of them not an array, one short;
    // times longer than 31 characters are cut.
    std::string long_time(40, 'x');
    auto r = post("/6117", "{\"chnid\":0,\"email\":[[[\"" + long_time + "\",\"b\",3],\"junk\",[\"c\"]],[]]}");
    EXPECT_EQ(r.body(), "OK");
    RecordSchedule s;
    ASSERT_TRUE(stored("motion_email_schedule", 0, &s));
    EXPECT_EQ(std::string(s.days[0].plans[0].start_time), std::string(31, 'x'));
    EXPECT_STREQ(s.days[0].plans[0].end_time, "b");
    EXPECT_EQ(s.days[0].plans[0].action_type, 3);
    EXPECT_STREQ(s.days[0].plans[1].start_time, "");
    EXPECT_STREQ(s.days[0].plans[2].start_time, "c");
    EXPECT_STREQ(s.days[0].plans[2].end_time, "");
    EXPECT_EQ(s.days[0].plans[2].action_type, 0);
    expect_empty_plans(s, 3);

    // A schedule key that is not an array is not a schedule: left as stored.
    r = post("/6117", "{\"chnid\":0,\"email\":\"none\"}");
    EXPECT_EQ(r.body(), "OK");
    RecordSchedule again;
    ASSERT_TRUE(stored("motion_email_schedule", 0, &again));
    EXPECT_EQ(std::memcmp(&s, &again, sizeof s), 0);
}

TEST_F(EventActionTest, ReplySchedulesAlwaysHaveEightDaysOfTwelvePlans)
{
    RecordSchedule s = zeroed<RecordSchedule>();
    set_text(s.days[2].plans[11].start_time, "10:00");
    set_text(s.days[2].plans[11].end_time, "11:00");
    s.days[2].plans[11].action_type = 2;
    set_text(s.days[2].plans[12].start_time, "never shown");
    put_row("motion_ptz_schedule", 1, s);
    emu();
    JsonPtr reply = json_of(post("/6010", "{\"chnid\":1}"));
    ASSERT_TRUE(reply);
    for (const char* key : {"effective", "audible", "email", "ptz", "white"}) {
        json_object* days = jget(reply.get(), key);
        ASSERT_TRUE(days && json_object_is_type(days, json_type_array)) << key;
        ASSERT_EQ(json_object_array_length(days), 8u) << key;
        for (size_t d = 0; d < 8; d++) {
            json_object* day = json_object_array_get_idx(days, d);
            ASSERT_EQ(json_object_array_length(day), 12u) << key << d;
        }
    }
    json_object* plan = json_object_array_get_idx(json_object_array_get_idx(jget(reply.get(), "ptz"), 2), 11);
    EXPECT_STREQ(json_object_to_json_string(plan),
                 "{ \"startTime\": \"10:00\", \"endTime\": \"11:00\", \"actionType\": 2 }");
    plan = json_object_array_get_idx(json_object_array_get_idx(jget(reply.get(), "effective"), 0), 0);
    EXPECT_STREQ(json_object_to_json_string(plan), "{ \"startTime\": \"\", \"endTime\": \"\", \"actionType\": 0 }");
}

// ---- trigger fields ----

TEST_F(EventActionTest, TriggerFieldsReplaceOnlyWhatIsSentAndTheMaskStopsAtPosition31)
{
    MotionRecord rec = zeroed<MotionRecord>();
    rec.chnid = 2;
    rec.sensitivity = 6;
    rec.interval = 30;
    rec.audio_id = 4;
    set_text(rec.motion_table, "grid");
    put_row("motion", 2, rec);
    emu();
    std::string tri(41, '0');
    tri[0] = tri[40] = '1';
    std::string long_pic(70, '1');
    auto r = post("/6117", "{\"chnid\":2,\"enable\":1,\"triChannels\":\"" + tri + "\",\"email_interval\":60,"
                           "\"tri_channels_pic\":\"" + long_pic + "\",\"triChnAlarms\":[\"01\",\"001\"],"
                           "\"white_interval\":5}");
    EXPECT_EQ(r.body(), "OK");
    MotionRecord s;
    ASSERT_TRUE(stored("motion", 2, &s));
    EXPECT_EQ(s.chnid, 2);
    EXPECT_EQ(s.enable, 1);
    EXPECT_EQ(std::string(s.tri_channels), tri);
    EXPECT_EQ(s.tri_mask, 1u);
    EXPECT_EQ(s.email_interval, 60);
    EXPECT_EQ(std::string(s.tri_channels_pic), std::string(64, '1'));
    EXPECT_STREQ(s.tri_chn_alarms[0], "01");
    EXPECT_STREQ(s.tri_chn_alarms[1], "001");
    EXPECT_EQ(s.white_interval, 5);
    // Untouched fields keep their stored values.
    EXPECT_EQ(s.sensitivity, 6);
    EXPECT_EQ(s.interval, 30);
    EXPECT_EQ(s.audio_id, 4);
    EXPECT_STREQ(s.motion_table, "grid");
}

TEST_F(EventActionTest, ChannelOutOfRangeRepliesJsonErrorAndWritesNothing)
{
    emu();
    for (const char* body :
         {"{\"chnid\":64,\"enable\":1}", "{\"chnid\":-1,\"enable\":1}", "{\"enable\":1}", "not json"}) {
        auto r = post("/6117", body);
        EXPECT_EQ(r.body(), "{status:\"CGI ERROR\"}") << body;
        EXPECT_EQ(r.header(), "Content-type: application/json") << body;
    }
    EXPECT_EQ(post("/6010", "{\"chnid\":64}").body(), "{status:\"CGI ERROR\"}");
    EXPECT_EQ(store({"dump", "motion"}).out, "");
    EXPECT_TRUE(emu().received().empty());
}

// ---- white LED ----

TEST_F(EventActionTest, WhiteInfoAsArraysAndAsObjectsStoresTheSameEntriesAndAt16)
{
    emu();
    std::string arrays = "[[3,1,10]", objects = "[{\"chnid\":3,\"mode\":1,\"time\":10}";
    for (int i = 1; i < 17; i++) {
        arrays += ",[" + std::to_string(i) + ",2," + std::to_string(i * 10) + "]";
        objects += ",{\"time\":" + std::to_string(i * 10) + ",\"mode\":2,\"chnid\":" + std::to_string(i) + "}";
    }
    arrays += "]";
    objects += "]";
    ASSERT_EQ(post("/6117", "{\"chnid\":5,\"whiteInfo\":" + arrays + "}").body(), "OK");
    ASSERT_EQ(post("/6117", "{\"chnid\":6,\"whiteInfo\":" + objects + "}").body(), "OK");

    WhiteLedList a, o;
    ASSERT_TRUE(stored("motion_white_led_params", 5, &a));
    ASSERT_TRUE(stored("motion_white_led_params", 6, &o));
    EXPECT_EQ(a.count, 16);
    EXPECT_EQ(o.count, 16);
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(a.entries[i].owner, 5);
        EXPECT_EQ(o.entries[i].owner, 6);
        EXPECT_EQ(a.entries[i].chnid, o.entries[i].chnid) << i;
        EXPECT_EQ(a.entries[i].mode, o.entries[i].mode) << i;
        EXPECT_EQ(a.entries[i].time, o.entries[i].time) << i;
    }
    EXPECT_EQ(a.entries[0].chnid, 3);
    EXPECT_EQ(a.entries[0].mode, 1);
    EXPECT_EQ(a.entries[0].time, 10);
    EXPECT_EQ(a.entries[15].chnid, 15);

    JsonPtr reply = json_of(post("/6010", "{\"chnid\":5}"));
    json_object* info = jget(reply.get(), "whiteInfo");
    ASSERT_TRUE(info);
    EXPECT_EQ(json_object_array_length(info), 16u);
    EXPECT_STREQ(json_object_to_json_string(json_object_array_get_idx(info, 0)),
                 "{ \"chnid\": 3, \"mode\": 1, \"time\": 10 }");
}

TEST_F(EventActionTest, WhiteLedScheduleAndAnEntryForCameraZeroAreKept)
{
    emu();
    std::string body = "{\"chnid\":7,\"white\":" + request_schedule(1, 1) + ",\"whiteInfo\":[[0,0,0]]}";
    ASSERT_EQ(post("/6117", body).body(), "OK");
    JsonPtr reply = json_of(post("/6010", "{\"chnid\":7}"));
    EXPECT_STREQ(json_object_to_json_string(jget(reply.get(), "whiteInfo")),
                 "[ { \"chnid\": 0, \"mode\": 0, \"time\": 0 } ]");
    json_object* plan = json_object_array_get_idx(json_object_array_get_idx(jget(reply.get(), "white"), 0), 0);
    EXPECT_STREQ(json_object_to_json_string(plan),
                 "{ \"startTime\": \"00:00\", \"endTime\": \"00:01\", \"actionType\": 0 }");
    // An empty list replaces the stored one.
    ASSERT_EQ(post("/6117", "{\"chnid\":7,\"whiteInfo\":[]}").body(), "OK");
    reply = json_of(post("/6010", "{\"chnid\":7}"));
    EXPECT_STREQ(json_object_to_json_string(jget(reply.get(), "whiteInfo")), "[ ]");
}

// ---- PTZ ----

TEST_F(EventActionTest, DialogPtzEntriesAreStoredAndOnlyActiveOnesReturned)
{
    emu();
    std::string params = "[{\"acto_ptz_channel\":2,\"acto_ptz_type\":1,\"acto_ptz_preset\":4,\"acto_ptz_patrol\":0,"
                         "\"acto_ptz_pattern\":9},"
                         "{\"acto_ptz_channel\":0,\"acto_ptz_type\":2,\"acto_ptz_preset\":0,\"acto_ptz_patrol\":3}";
    for (int i = 2; i < 18; i++) params += ",{\"acto_ptz_channel\":" + std::to_string(i + 1) + "}";
    params += "]";
    auto r = post("/6112", "{\"chnid\":3,\"dialog\":{\"ptzParams\":" + params + "}}");
    EXPECT_EQ(r.body(), "OK");

    PtzActionList list;
    ASSERT_TRUE(stored("ptz_params_1", 3, &list));
    EXPECT_EQ(list.count, 16);
    EXPECT_EQ(list.entries[0].source_channel, 3);
    EXPECT_EQ(list.entries[0].acto_ptz_pattern, 9);
    EXPECT_EQ(list.entries[1].acto_ptz_channel, 0);
    EXPECT_EQ(list.entries[1].acto_ptz_patrol, 3);
    EXPECT_EQ(list.entries[15].acto_ptz_channel, 16);

    JsonPtr reply = json_of(post("/6010", "{\"chnid\":3}"));
    json_object* ptz = jget(reply.get(), "ptzParams");
    ASSERT_TRUE(ptz);
    EXPECT_EQ(json_object_array_length(ptz), 15u);
    EXPECT_STREQ(json_object_to_json_string(json_object_array_get_idx(ptz, 0)),
                 "{ \"acto_ptz_channel\": 2, \"acto_ptz_type\": 1, \"acto_ptz_preset\": 4, \"acto_ptz_patrol\": 0 }");

    // The action request itself never writes PTZ entries.
    ASSERT_EQ(post("/6117", "{\"chnid\":4,\"ptzParams\":" + params + "}").body(), "OK");
    EXPECT_FALSE(stored("ptz_params_1", 4, &list));
}

TEST_F(EventActionTest, DialogPtzTypeAndChannelComeFromTheRequestWithinRange)
{
    emu();
    std::string entry = "[{\"acto_ptz_channel\":1}]";
    ASSERT_EQ(post("/6112", "{\"chnid\":3,\"dialog\":{\"ptzChnId\":9,\"ptzType\":5,\"ptzParams\":" + entry + "}}")
                  .body(),
              "OK");
    ASSERT_EQ(post("/6112", "{\"chnid\":3,\"dialog\":{\"ptzType\":99,\"ptzParams\":" + entry + "}}").body(), "OK");
    ASSERT_EQ(post("/6112", "{\"chnid\":3,\"dialog\":{\"ptzChnId\":64,\"ptzParams\":" + entry + "}}").body(), "OK");
    ASSERT_EQ(post("/6112", "{\"chnid\":3,\"dialog\":{\"ptzType\":20,\"ptzParams\":" + entry + "}}").body(), "OK");
    PtzActionList list;
    ASSERT_TRUE(stored("ptz_params_5", 9, &list));
    EXPECT_EQ(list.entries[0].source_channel, 9);
    // People counting keeps its lists in a table of its own.
    PeoplecntPtzList people;
    ASSERT_TRUE(stored("peoplecnt_ptz_params", 3, &people));
    EXPECT_EQ(people.count, 1);
    EXPECT_EQ(people.entries[0].acto_ptz_channel, 1);
    EXPECT_FALSE(stored("ptz_params_1", 3, &list));
    std::string tables = store({"tables"}).out;
    EXPECT_EQ(tables.find("ptz_params_99"), std::string::npos) << tables;
}

// ---- copy masks and copies ----

TEST_F(EventActionTest, CopyMaskTakesOnlyIntegerChannelsAmongTheFirstCopyCnt)
{
    emu();
    struct Case {
        const char* keys;
        u64 mask;
    } cases[] = {
        {"\"copyCnt\":2,\"copyChn\":[5,70,6]", u64(1) << 5},
        {"\"copyCnt\":5,\"copyChn\":[\"1\",null,2.0,-1,63]", u64(1) << 63},
        {"\"copyCnt\":9,\"copyChn\":[3,1]", (u64(1) << 3) | 2},
        {"\"copyCnt\":0,\"copyChn\":[3]", 0},
        {"\"copyChn\":[3]", 0},
        {"\"copyCnt\":3", 0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(post("/6112", std::string("{\"chnid\":0,") + c.keys + "}").body(), "OK") << c.keys;
    }
    auto sent = emu().received(kMsgMotionCopied);
    ASSERT_EQ(sent.size(), sizeof cases / sizeof cases[0]);
    for (size_t i = 0; i < sent.size(); i++) {
        ASSERT_EQ(sent[i].payload.size(), 8u);
        EXPECT_EQ(u64(sent[i].i64_at(0)), cases[i].mask) << cases[i].keys;
    }
}

TEST_F(EventActionTest, CopyWritesEverySchedulePtzAndWhiteLedListToEachTarget)
{
    emu();
    std::string actions = "\"effective\":" + request_schedule() + ",\"audible\":" + request_schedule(2, 2) +
                          ",\"email\":" + request_schedule(3, 3) + ",\"ptz\":" + request_schedule(4, 4) +
                          ",\"white\":" + request_schedule(5, 5) + ",\"whiteInfo\":[[9,1,2]],\"enable\":1,"
                          "\"audioId\":3,\"ptzParams\":[{\"acto_ptz_channel\":4,\"acto_ptz_type\":1}]";
    auto r = post("/6112", "{\"chnid\":2,\"sensitivity\":8,\"enableMS\":1,\"dialog\":{" + actions +
                               "},\"copyCnt\":3,\"copyChn\":[2,9,40]}");
    ASSERT_EQ(r.body(), "OK");

    const char* schedules[] = {"motion_effective_schedule", "motion_audible_schedule", "motion_email_schedule",
                               "motion_ptz_schedule", "motion_whiteled_esche"};
    for (const char* table : schedules) {
        RecordSchedule src, copy;
        ASSERT_TRUE(stored(table, 2, &src)) << table;
        for (int target : {9, 40}) {
            ASSERT_TRUE(stored(table, target, &copy)) << table << target;
            EXPECT_EQ(std::memcmp(&src, &copy, sizeof src), 0) << table << target;
        }
        EXPECT_FALSE(stored(table, 3, &copy)) << table;
    }
    for (int target : {2, 9, 40}) {
        MotionRecord m;
        ASSERT_TRUE(stored("motion", target, &m));
        EXPECT_EQ(m.chnid, target);
        EXPECT_EQ(m.enable, 1);
        EXPECT_EQ(m.audio_id, 3);
        EXPECT_EQ(m.sensitivity, 8);
        EXPECT_EQ(m.enable_ms, 1);
        WhiteLedList w;
        ASSERT_TRUE(stored("motion_white_led_params", target, &w));
        EXPECT_EQ(w.count, 1);
        EXPECT_EQ(w.entries[0].owner, target);
        EXPECT_EQ(w.entries[0].chnid, 9);
        PtzActionList p;
        ASSERT_TRUE(stored("ptz_params_1", target, &p));
        EXPECT_EQ(p.count, 1);
        EXPECT_EQ(p.entries[0].source_channel, target);
        EXPECT_EQ(p.entries[0].acto_ptz_channel, 4);
    }
}

TEST_F(EventActionTest, ChannelsLogRecordIs680BytesWithTheMaskAtTheEnd)
{
    emu();
    env.push_back({"HTTP_COOKIE", "lang=en; userName=operator; sessionId=1"});
    env.push_back({"REMOTE_ADDR", "192.0.2.9"});
    ASSERT_EQ(post("/6112", "{\"chnid\":1,\"copyCnt\":3,\"copyChn\":[0,33,63]}").body(), "OK");
    auto logs = emu().received(kMsgOpLogChannels);
    ASSERT_EQ(logs.size(), 1u);
    OpLogChannelsRecord want;
    std::memset(&want, 0, sizeof want);
    want.log.main_type = 4;
    want.log.sub_type = 204;
    want.log.param_type = 909;
    want.log.remote = 1;
    set_text(want.log.remote_addr, "192.0.2.9");
    set_text(want.log.user, "operator");
    want.channels = 1 | (u64(1) << 33) | (u64(1) << 63);
    EXPECT_EQ(to_hex(logs[0].payload.data(), logs[0].payload.size()), to_hex(&want, sizeof want));
    // The layout itself, independently of the declaration.
    ASSERT_EQ(logs[0].payload.size(), 680u);
    EXPECT_EQ(logs[0].u32_at(0), 4u);
    EXPECT_EQ(logs[0].i64_at(8), 204);
    EXPECT_EQ(logs[0].u32_at(24), 909u);
    EXPECT_EQ(logs[0].u32_at(28), 1u);
    EXPECT_EQ(logs[0].u32_at(32), 0u);
    EXPECT_EQ(logs[0].text_at(82, 64), "operator");
    EXPECT_EQ(logs[0].u32_at(672), 1u);
    EXPECT_EQ(logs[0].u32_at(676), 0x80000002u);
}

// ---- audio ----

TEST_F(EventActionTest, AudioIdMaskHasABitPerClipInUse)
{
    for (int id : {0, 3, 9}) {
        AlarmAudioFile f = zeroed<AlarmAudioFile>();
        f.id = id;
        f.enable = 1;
        put_row("alarm_audio_file", id, f);
    }
    AlarmAudioFile off = zeroed<AlarmAudioFile>();
    off.id = 4;
    off.enable = 2;
    put_row("alarm_audio_file", 4, off);
    emu();
    JsonPtr reply = json_of(post("/6010", "{\"chnid\":0}"));
    EXPECT_EQ(jint(reply.get(), "audioIdMask", -1), (1 << 0) | (1 << 3) | (1 << 9));
}

}  // namespace
