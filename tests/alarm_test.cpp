// Alarm inputs and outputs end to end: the recorder's inputs and outputs,
// the cameras' inputs and outputs, their copies, names and messages.
#include <gtest/gtest.h>

#include <json-c/json.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/json.h"
#include "handlers/event/alarm_records.h"
#include "tests/fixtures.h"

namespace {

// A request schedule: `days` day arrays of `plans` plans, action type `type`.
std::string schedule_json(int type, int days = 8, int plans = 12)
{
    return schedule_json_of(days, plans,
                            [type](int, int p) { return plan_json(clock_text(p, 0), clock_text(p, 30), type); });
}


class AlarmTest : public StoreTest {};

// ---- recorder alarm inputs ----

TEST_F(AlarmTest, InputDialogIsStoredAndReadBackInOrder)
{
    emu();
    std::string tri(64, '0');
    tri[0] = tri[40] = '1';
    auto r = post("/6027", "{\"alarmId\":3,\"alarmType\":1,\"name\":\"Back door\",\"dialog\":{\"effective\":" +
                               schedule_json(2) + ",\"interval\":30,\"email_interval\":60,\"triSnapshot\":\"0101\","
                               "\"triChannels\":\"" + tri + "\",\"audioId\":4,\"triChnAlarms\":[\"1\",\"01\"],"
                               "\"whiteInfo\":[[5,1,9]],\"ptzParams\":[{\"acto_ptz_channel\":6,\"acto_ptz_type\":1,"
                               "\"acto_ptz_preset\":2}]}}");
    ASSERT_EQ(r.body(), "OK");

    AlarmInRecord in;
    ASSERT_TRUE(stored("alarm_in", 3, &in));
    EXPECT_EQ(in.id, 3);
    EXPECT_EQ(in.type, 1);
    EXPECT_STREQ(in.name, "Back door");
    EXPECT_EQ(in.enable, 2) << "an interval switches the input to enable 2";
    EXPECT_EQ(in.email_enable, 2);
    EXPECT_EQ(in.interval, 30);
    EXPECT_EQ(in.tri_mask, 1u) << "positions from 32 on stay out of the numeric mask";
    EXPECT_EQ(std::string(in.tri_channels), tri);
    EXPECT_STREQ(in.tri_snapshot, "0101");

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].code, kMsgAlarmInsChanged);
    EXPECT_EQ(frames[0].i64_at(0), int64_t(1) << 3);

    auto reply = json_of(post("/6026", "{\"alarmId\":3}"));
    EXPECT_EQ(json_keys(reply.get()),
              (std::vector<std::string>{"alarmId", "name", "alarmType", "enable", "triAlarms", "interval",
                                        "email_interval", "email_pic_enable", "tri_channels_pic", "ptz_interval",
                                        "alarmout_interval", "triChannels", "triSnapshot", "effective", "audible",
                                        "email", "ptz", "triChnAlarms", "white", "whiteInfo", "white_interval",
                                        "audioId", "audioIdMask", "ptzParams"}));
    EXPECT_STREQ(jstr(reply.get(), "name"), "Back door");
    EXPECT_EQ(jint(reply.get(), "audioId"), 4);
    EXPECT_STREQ(json_object_to_json_string(jget(reply.get(), "triChnAlarms")), "[ \"1\", \"01\" ]");
    json_object* plan = json_object_array_get_idx(json_object_array_get_idx(jget(reply.get(), "effective"), 7), 11);
    EXPECT_STREQ(jstr(plan, "startTime"), "11:00");
    EXPECT_EQ(jint(plan, "actionType"), 2);
    json_object* ptz = jget(reply.get(), "ptzParams");
    ASSERT_EQ(json_object_array_length(ptz), 1u);
    EXPECT_EQ(jint(json_object_array_get_idx(ptz, 0), "acto_ptz_preset"), 2);
    EXPECT_EQ(json_object_array_length(jget(reply.get(), "whiteInfo")), 1u);
}

TEST_F(AlarmTest, InputCopyTakesOnlyInputIdsAndKeepsEachInputsOwnChannels)
{
    AlarmInRecord target;
    ASSERT_TRUE(stored("alarm_in", 3, &target));
    set_text(target.tri_channels, "0001");
    set_text(target.name, "Gate");
    put_row("alarm_in", 3, target);
    emu();
    auto r = post("/6027", "{\"alarmId\":5,\"alarmType\":1,\"dialog\":{\"audible\":" + schedule_json(3) +
                               ",\"interval\":7,\"triAlarms\":6,\"triChannels\":\"11\","
                               "\"ptzParams\":[{\"acto_ptz_channel\":2,\"acto_ptz_type\":1}]},"
                               "\"copyCnt\":2,\"copyChn\":[3,20]}");
    ASSERT_EQ(r.body(), "OK");

    AlarmInRecord copy;
    ASSERT_TRUE(stored("alarm_in", 3, &copy));
    EXPECT_EQ(copy.id, 3);
    EXPECT_EQ(copy.type, 1);
    EXPECT_EQ(copy.enable, 2);
    EXPECT_EQ(copy.interval, 7);
    EXPECT_EQ(copy.tri_alarms, 6);
    EXPECT_STREQ(copy.tri_channels, "0001") << "a copy keeps its trigger channels";
    EXPECT_STREQ(copy.name, "Gate");
    RecordSchedule src, dst;
    ASSERT_TRUE(stored("alarmin_audible_schedule", 5, &src));
    ASSERT_TRUE(stored("alarmin_audible_schedule", 3, &dst));
    EXPECT_EQ(std::memcmp(&src, &dst, sizeof src), 0);
    PtzActionList ptz;
    ASSERT_TRUE(stored("ptz_params_0", 3, &ptz));
    EXPECT_EQ(ptz.entries[0].source_channel, 3);
    AlarmInRecord other;
    ASSERT_TRUE(stored("alarm_in", 4, &other));
    EXPECT_EQ(other.interval, 0);

    auto frames = emu().received(kMsgAlarmInsChanged);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].i64_at(0), (int64_t(1) << 5) | (int64_t(1) << 3));
}

TEST_F(AlarmTest, InputRequestsWithBadIdsWriteAndSendNothing)
{
    emu();
    const std::string before = store({"dump", "alarm_in"}).out;
    for (const char* body : {"{\"alarmId\":16,\"name\":\"x\"}", "{\"alarmId\":-1}", "not json", ""}) {
        EXPECT_EQ(post("/6027", body).body(), "{status:\"CGI ERROR\"}") << body;
        EXPECT_EQ(post("/6026", body).body(), "{status:\"CGI ERROR\"}") << body;
    }
    // The older pages answer bad input with no text at all.
    EXPECT_EQ(post("/6062", "{\"alarm\":{\"id\":1,\"type\":2,\"triChannels\":\"1\"}}").out, "");
    EXPECT_EQ(post("/6062", "{\"alarm\":{\"id\":1,\"type\":0}}").out, "") << "triChannels is required";
    EXPECT_EQ(post("/6064", "{\"alarm\":{\"id\":16,\"triChannels\":\"1\"}}").out, "");
    EXPECT_EQ(post("/6063", "{\"alarm\":{\"camId\":1,\"enable\":3}}").out, "");
    EXPECT_EQ(post("/6061", "16").out, "");
    EXPECT_EQ(store({"dump", "alarm_in"}).out, before);
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(AlarmTest, OlderPageScheduleRunsEveryPlanWithActionType6AndKeepsTheActions)
{
    AlarmInRecord in;
    ASSERT_TRUE(stored("alarm_in", 2, &in));
    in.email_interval = 90;
    set_text(in.tri_chn_alarms[0], "11");
    put_row("alarm_in", 2, in);
    emu();
    env.push_back({"HTTP_COOKIE", "userName=admin"});
    auto r = post("/6062", "{\"alarm\":{\"id\":2,\"enable\":1,\"name\":\"Window\",\"type\":1,\"triChannels\":\"101\","
                           "\"triAlarms\":3,\"interval\":15},\"schedule\":" + schedule_json(1, 8, 2) + "}");
    ASSERT_EQ(r.body(), "OK");

    RecordSchedule s;
    ASSERT_TRUE(stored("alarm_in_schedule", 2, &s));
    for (int d = 0; d < kScheduleDays; d++)
        for (int p = 0; p < kActionPlans; p++) EXPECT_EQ(s.days[d].plans[p].action_type, 6) << d << " " << p;
    EXPECT_EQ(s.days[0].plans[12].action_type, 0);
    ASSERT_TRUE(stored("alarm_in", 2, &in));
    EXPECT_EQ(in.enable, 1);
    EXPECT_EQ(in.tri_mask, 5u);
    EXPECT_EQ(in.email_interval, 90) << "the older page leaves the actions as they were";
    EXPECT_STREQ(in.tri_chn_alarms[0], "11");

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, kMsgAlarmInChanged);
    EXPECT_EQ(frames[0].u32_at(0), 2u);
    EXPECT_EQ(frames[1].code, 3485u);
    EXPECT_EQ(frames[1].u32_at(24), kAlarmInLogDetail);
    EXPECT_EQ(frames[1].u32_at(32), 3u);

    auto reply = json_of(post("/6061", "2"));
    json_object* alarm = jget(reply.get(), "alarm");
    EXPECT_EQ(json_keys(alarm), (std::vector<std::string>{"id", "enable", "name", "type", "triChannels", "triAlarms",
                                                        "interval", "triSnapshot"}));
    EXPECT_STREQ(jstr(alarm, "name"), "Window");
    EXPECT_EQ(json_object_array_length(jget(reply.get(), "schedule")), 8u);

    auto list = json_of(post("/6060", ""));
    ASSERT_EQ(json_object_array_length(list.get()), size_t(kAlarmIns));
    EXPECT_STREQ(jstr(json_object_array_get_idx(list.get(), 2), "triChannels"), "101");
}

// ---- recorder alarm outputs ----

TEST_F(AlarmTest, OutputWriteCopiesToOtherOutputsAndLogsTheMask)
{
    emu();
    auto r = post("/6022", "{\"alarmId\":2,\"dialog\":{\"effective\":" + schedule_json(1) +
                               "},\"name\":\"Siren\",\"enable\":1,\"type\":1,\"durationTime\":30,"
                               "\"copyCnt\":3,\"copyChn\":[1,2,7]}");
    ASSERT_EQ(r.body(), "OK");
    AlarmOutRecord out;
    ASSERT_TRUE(stored("alarm_out", 1, &out));
    EXPECT_EQ(out.type, 1);
    EXPECT_EQ(out.enable, 1);
    EXPECT_EQ(out.duration, 30);
    EXPECT_STREQ(out.name, "Alarm Out 2") << "a copy keeps its name";
    ASSERT_TRUE(stored("alarm_out", 3, &out));
    EXPECT_EQ(out.duration, 10);
    RecordSchedule src, dst;
    ASSERT_TRUE(stored("alarm_out_schedule", 2, &src));
    ASSERT_TRUE(stored("alarm_out_schedule", 1, &dst));
    EXPECT_EQ(std::memcmp(&src, &dst, sizeof src), 0);

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].code, kMsgAlarmOutChanged);
    EXPECT_EQ(frames[0].u32_at(0), 2u);
    EXPECT_EQ(frames[1].code, kMsgAlarmOutChanged);
    EXPECT_EQ(frames[1].u32_at(0), 1u);
    EXPECT_EQ(frames[2].code, 3509u);
    ASSERT_EQ(frames[2].payload.size(), 680u);
    EXPECT_EQ(frames[2].u32_at(24), kAlarmOutLogDetail);
    EXPECT_EQ(frames[2].u32_at(32), 3u);
    EXPECT_EQ(frames[2].i64_at(672), 6);

    auto reply = json_of(post("/6021", "{\"alarmId\":2}"));
    EXPECT_EQ(json_keys(reply.get()),
              (std::vector<std::string>{"id", "name", "type", "enable", "durationTime", "effective"}));
    EXPECT_STREQ(jstr(reply.get(), "name"), "Siren");
    EXPECT_EQ(post("/6022", "{\"alarmId\":4,\"name\":\"x\"}").body(), "CGI ERROR");
    EXPECT_EQ(post("/6021", "{\"alarmId\":4}").body(), "{status:\"CGI ERROR\"}");
    auto list = json_of(post("/6020", ""));
    EXPECT_EQ(json_object_array_length(list.get()), size_t(kAlarmOuts));
}

TEST_F(AlarmTest, ManualTriggersSendTheirRecords)
{
    emu();
    ASSERT_EQ(post("/6023", "{\"id\":1,\"enable\":1}").body(), "OK");
    ASSERT_EQ(post("/6033", "{\"chnid\":5,\"alarmId\":1,\"state\":1}").body(), "OK");
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].code, kMsgAlarmOutManual);
    EXPECT_EQ(to_hex(frames[0].payload.data(), frames[0].payload.size()), "0100000001000000");
    EXPECT_EQ(frames[1].code, 3485u);
    EXPECT_EQ(frames[1].u32_at(24), kAlarmOutLogDetail);
    EXPECT_EQ(frames[1].u32_at(32), 2u);
    EXPECT_EQ(frames[2].code, kMsgCameraOutTrigger);
    EXPECT_EQ(to_hex(frames[2].payload.data(), frames[2].payload.size()), "050000000100000001000000");

    EXPECT_EQ(post("/6023", "{\"id\":4,\"enable\":1}").out, "");
    EXPECT_EQ(post("/6033", "{\"chnid\":5,\"alarmId\":2,\"state\":1}").body(), "CGI ERROR");
    EXPECT_EQ(post("/6033", "{\"chnid\":64,\"alarmId\":0}").body(), "CGI ERROR");
    EXPECT_EQ(emu().received().size(), 3u);
}

// ---- camera alarm inputs and outputs ----

TEST_F(AlarmTest, CameraInputsJoinLiveStateNamesAndActions)
{
    CameraInNameRecord name = zeroed<CameraInNameRecord>();
    name.chnid = 2;
    name.alarm_id = 1;
    set_text(name.name, "Smoke");
    put_row("alarm_chnIn_event_name_1", 2, name);
    CameraInEventRecord ev = zeroed<CameraInEventRecord>();
    ev.chnid = 2;
    ev.interval = 44;
    put_row("alarm_chnIn_event_1", 2, ev);
    emu();

    auto reply = json_of(post("/6024", "{\"chnid\":2}"));
    EXPECT_EQ(jint(reply.get(), "alarmCnt"), 2);
    json_object* alarms = jget(reply.get(), "alarm");
    ASSERT_EQ(json_object_array_length(alarms), 2u);
    json_object* a0 = json_object_array_get_idx(alarms, 0);
    json_object* a1 = json_object_array_get_idx(alarms, 1);
    EXPECT_EQ(json_keys(a0), (std::vector<std::string>{
                               "alarmEnable", "alarmType", "alarmStatus", "alarmName", "effective", "audible",
                               "interval", "audioId", "audioIdMask", "email", "email_interval", "email_pic_enable",
                               "tri_channels_pic", "ptz", "ptz_interval", "ptzParams", "alarmout_interval",
                               "triAlarms", "triChannels", "triChnAlarms", "white", "whiteInfo", "white_interval"}));
    EXPECT_EQ(jint(a0, "alarmStatus"), 1);
    EXPECT_EQ(jint(a0, "alarmEnable"), 1);
    EXPECT_STREQ(jstr(a1, "alarmName"), "Smoke");
    EXPECT_EQ(jint(a1, "interval"), 44);

    // An offline camera has no inputs; its outputs are still both listed.
    reply = json_of(post("/6024", "{\"chnid\":12}"));
    EXPECT_EQ(json_object_array_length(jget(reply.get(), "alarm")), 0u);
    reply = json_of(post("/6028", "{\"chnid\":12}"));
    EXPECT_EQ(jint(reply.get(), "alarmCnt"), 0);
    ASSERT_EQ(json_object_array_length(jget(reply.get(), "alarm")), 2u);
    json_object* out = json_object_array_get_idx(jget(reply.get(), "alarm"), 1);
    EXPECT_EQ(json_keys(out),
              (std::vector<std::string>{"alarmType", "alarmStatus", "alarmName", "delayTime", "effective"}));
    EXPECT_EQ(jint(out, "delayTime"), 10);

    auto frames = emu().received(kMsgCameraInState);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_NE(frames[0].flags, 0u);
    EXPECT_EQ(frames[0].u32_at(0), 2u);
    EXPECT_EQ(post("/6024", "{\"chnid\":64}").body(), "{status:\"CGI ERROR\"}");
}

TEST_F(AlarmTest, CameraStateRepliesThatAreShortOrNameNoChannelAreErrors)
{
    emu().rule("3298 reply 8298 hex:0200000001");
    emu().rule("3296 reply 8296 hex:" + std::string("ffffffff") + std::string(40, '0'));
    EXPECT_EQ(post("/6024", "{\"chnid\":2}").body(), "{status:\"CGI ERROR\"}");
    EXPECT_EQ(post("/6028", "{\"chnid\":2}").body(), "{status:\"CGI ERROR\"}");
}

TEST_F(AlarmTest, CameraInputsWriteTwoAtMostAndCopyBothToTheMask)
{
    emu();
    auto r = post("/6025", "{\"chnid\":1,\"alarmId\":1,\"dialog\":{\"interval\":9,\"email\":" + schedule_json(4) +
                               "},\"alarmCnt\":3,\"alarm\":[{\"alarmEnable\":1,\"alarmType\":1,\"alarmName\":\"A\"},"
                               "{\"alarmEnable\":0,\"alarmType\":1,\"alarmName\":\"" + std::string(80, 'n') + "\"},"
                               "{\"alarmEnable\":1,\"alarmName\":\"C\"}],\"copyCnt\":2,\"copyChn\":[6,1]}");
    ASSERT_EQ(r.body(), "OK");
    CameraInNameRecord name;
    ASSERT_TRUE(stored("alarm_chnIn_event_name_0", 1, &name));
    EXPECT_STREQ(name.name, "A");
    ASSERT_TRUE(stored("alarm_chnIn_event_name_1", 1, &name));
    EXPECT_EQ(std::string(name.name), std::string(63, 'n'));
    CameraInEventRecord ev;
    ASSERT_TRUE(stored("alarm_chnIn_event_1", 6, &ev));
    EXPECT_EQ(ev.chnid, 6);
    EXPECT_EQ(ev.interval, 9);
    RecordSchedule src, dst;
    ASSERT_TRUE(stored("alarm_chnIn_mail_schedule_1", 1, &src));
    ASSERT_TRUE(stored("alarm_chnIn_mail_schedule_1", 6, &dst));
    EXPECT_EQ(std::memcmp(&src, &dst, sizeof src), 0);

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, kMsgCameraInSettings);
    CameraInSettingsRecord want = zeroed<CameraInSettingsRecord>();
    want.inputs[0] = {0, 1, 0, 1};
    want.inputs[1] = {0, 0, 1, 1};
    want.count = 2;
    want.mask = (1u << 1) | (1u << 6);
    EXPECT_EQ(to_hex(frames[0].payload.data(), frames[0].payload.size()), to_hex(&want, sizeof want));
    EXPECT_EQ(frames[1].code, kMsgCameraInsChanged);
    EXPECT_EQ(frames[1].i64_at(0), 0x42);

    EXPECT_EQ(post("/6025", "{\"chnid\":1,\"alarmId\":2}").body(), "{status:\"CGI ERROR\"}");
    EXPECT_EQ(emu().received().size(), 2u);
}

TEST_F(AlarmTest, CameraOutputCopiesGiveTheDelayAndKeepTheNames)
{
    CameraOutNameRecord name;
    ASSERT_TRUE(stored("alarm_chnOut_event_name_0", 40, &name));
    set_text(name.name, "Light");
    put_row("alarm_chnOut_event_name_0", 40, name);
    emu();
    auto r = post("/6029", "{\"chnid\":3,\"alarmId\":0,\"dialog\":{\"effective\":" + schedule_json(1) +
                               "},\"alarmCnt\":1,\"alarm\":[{\"alarmType\":1,\"delayTime\":25,\"alarmName\":\"Horn\"}],"
                               "\"copyCnt\":1,\"copyChn\":[40]}");
    ASSERT_EQ(r.body(), "OK");
    ASSERT_TRUE(stored("alarm_chnOut_event_name_0", 3, &name));
    EXPECT_STREQ(name.name, "Horn");
    EXPECT_EQ(name.delay_time, 25);
    ASSERT_TRUE(stored("alarm_chnOut_event_name_0", 40, &name));
    EXPECT_STREQ(name.name, "Light");
    EXPECT_EQ(name.delay_time, 25);
    EXPECT_EQ(name.chnid, 40);
    ASSERT_TRUE(stored("alarm_chnOut_event_name_0", 41, &name));
    EXPECT_EQ(name.delay_time, 10);
    RecordSchedule src, dst;
    ASSERT_TRUE(stored("alarm_chnOut_effective_schedule_0", 3, &src));
    ASSERT_TRUE(stored("alarm_chnOut_effective_schedule_0", 40, &dst));
    EXPECT_EQ(std::memcmp(&src, &dst, sizeof src), 0);

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, kMsgCameraOutSettings);
    ASSERT_EQ(frames[0].payload.size(), 40u);
    EXPECT_EQ(frames[0].u32_at(8), 1u);
    EXPECT_EQ(frames[0].u32_at(24), 1u);
    EXPECT_EQ(frames[0].i64_at(32), (int64_t(1) << 40) | 8);
    EXPECT_EQ(frames[1].code, kMsgCameraOutsChanged);
    EXPECT_EQ(frames[1].i64_at(0), (int64_t(1) << 40) | 8);
}

TEST_F(AlarmTest, NameListsHoldTheRecorderAndEveryChannel)
{
    CameraInNameRecord name = zeroed<CameraInNameRecord>();
    name.chnid = 63;
    name.alarm_id = 1;
    set_text(name.name, "Last");
    put_row("alarm_chnIn_event_name_1", 63, name);
    auto ins = json_of(post("/6034", ""));
    ASSERT_EQ(json_object_array_length(jget(ins.get(), "nvr")), size_t(kAlarmIns));
    EXPECT_STREQ(json_object_get_string(json_object_array_get_idx(jget(ins.get(), "nvr"), 15)), "Alarm In 16");
    json_object* camera = jget(ins.get(), "camera");
    ASSERT_EQ(json_object_array_length(camera), 64u);
    EXPECT_STREQ(json_object_to_json_string(json_object_array_get_idx(camera, 63)), "[ \"\", \"Last\" ]");
    auto outs = json_of(post("/6032", ""));
    EXPECT_EQ(json_object_array_length(jget(outs.get(), "nvr")), size_t(kAlarmOuts));
    EXPECT_EQ(json_object_array_length(jget(outs.get(), "camera")), 64u);
}

TEST_F(AlarmTest, EveryCodeSurvivesEmptyBodies)
{
    emu();
    expect_empty_bodies_handled(registered_codes("alarm"));
    EXPECT_EQ(registered_codes("alarm").size(), 18u);
}

}  // namespace
