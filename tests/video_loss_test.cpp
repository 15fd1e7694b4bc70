// Video loss and the single-schedule requests end to end: actions and
// schedules through the store, the lists applied to several channels or
// inputs, and the messages to the core daemon.
#include <gtest/gtest.h>

#include <json-c/json.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/json.h"
#include "handlers/event/alarm_records.h"
#include "handlers/event/video_loss_records.h"
#include "tests/fixtures.h"

namespace {

std::string schedule_json(int type)
{
    return schedule_json_of(8, 12,
                            [type](int d, int p) { return plan_json(clock_text(d, p), clock_text(p, 59), type); });
}


bool same(const RecordSchedule& a, const RecordSchedule& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class VideoLossTest : public StoreTest {};

// ---- actions ----

TEST_F(VideoLossTest, ActionsRoundTripAndCopyToTheMaskInOneGo)
{
    emu();
    auto r = post("/6095", "{\"chnid\":4,\"dialog\":{\"audible\":" + schedule_json(1) + ",\"email\":" +
                               schedule_json(2) + ",\"ptz\":" + schedule_json(3) + ",\"white\":" + schedule_json(4) +
                               ",\"effective\":" + schedule_json(5) +
                               ",\"enable\":1,\"triAlarms\":3,\"interval\":20,\"audioId\":2,\"email_interval\":30,"
                               "\"ptz_interval\":5,\"alarmout_interval\":6,\"white_interval\":7,"
                               "\"triChnAlarms\":[\"1\",\"0011\"],\"triChannels\":\"1111\",\"whiteInfo\":[[1,2,3]],"
                               "\"ptzParams\":[{\"acto_ptz_channel\":2,\"acto_ptz_type\":2,\"acto_ptz_patrol\":1}]},"
                               "\"copyCnt\":3,\"copyChn\":[4,9,64]}");
    ASSERT_EQ(r.body(), "OK");

    VideoLossRecord src, copy;
    ASSERT_TRUE(stored("video_loss", 4, &src));
    EXPECT_EQ(src.enable, 1);
    EXPECT_EQ(src.tri_alarms, 3);
    EXPECT_EQ(src.interval, 20);
    EXPECT_EQ(src.audio_id, 2);
    EXPECT_EQ(src.white_interval, 7);
    EXPECT_STREQ(src.tri_chn_alarms[1], "0011");
    ASSERT_TRUE(stored("video_loss", 9, &copy));
    EXPECT_EQ(copy.chnid, 9);
    src.chnid = 9;
    EXPECT_EQ(std::memcmp(&src, &copy, sizeof src), 0);
    for (const char* table : {"videoloss_audible_schedule", "videoloss_email_schedule", "videoloss_ptz_schedule",
                              "videoloss_whiteled_esche"}) {
        RecordSchedule a, b;
        ASSERT_TRUE(stored(table, 4, &a)) << table;
        ASSERT_TRUE(stored(table, 9, &b)) << table;
        EXPECT_TRUE(same(a, b)) << table;
        EXPECT_FALSE(stored(table, 5, &b)) << table;
    }
    EXPECT_EQ(store({"dump", "videoloss_effective_schedule"}).out, "") << "video loss has no effective action";
    PtzActionList ptz;
    ASSERT_TRUE(stored("ptz_params_2", 9, &ptz));
    EXPECT_EQ(ptz.entries[0].source_channel, 9);
    WhiteLedList white;
    ASSERT_TRUE(stored("video_loss_white_led_params", 9, &white));
    EXPECT_EQ(white.entries[0].owner, 9);

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].code, kMsgVideoLossesChanged);
    EXPECT_EQ(frames[0].i64_at(0), (int64_t(1) << 4) | (int64_t(1) << 9));

    auto reply = json_of(post("/6094", "{\"chnid\":9}"));
    EXPECT_EQ(json_keys(reply.get()),
              (std::vector<std::string>{"chnid", "enable", "triAlarms", "interval", "email_interval", "ptz_interval",
                                        "alarmout_interval", "white_interval", "audible", "email", "ptz",
                                        "triChnAlarms", "white", "whiteInfo", "audioId", "audioIdMask",
                                        "ptzParams"}));
    EXPECT_EQ(jint(reply.get(), "chnid"), 9);
    EXPECT_EQ(jint(reply.get(), "alarmout_interval"), 6);
    json_object* plan = json_object_array_get_idx(json_object_array_get_idx(jget(reply.get(), "email"), 3), 11);
    EXPECT_STREQ(jstr(plan, "startTime"), "03:11");
    EXPECT_EQ(jint(plan, "actionType"), 2);
    EXPECT_EQ(json_object_array_length(jget(reply.get(), "ptzParams")), 1u);

    for (const char* bad : {"{\"chnid\":64}", "{\"chnid\":-1}", "{", ""}) {
        EXPECT_EQ(post("/6095", bad).body(), "{status:\"CGI ERROR\"}") << bad;
        EXPECT_EQ(post("/6094", bad).body(), "{status:\"CGI ERROR\"}") << bad;
    }
    EXPECT_EQ(emu().received().size(), 1u);
}

// ---- older video-loss requests ----

TEST_F(VideoLossTest, OlderSettingsNeedEveryKeyAndKeepTheActions)
{
    VideoLossRecord rec;
    ASSERT_TRUE(stored("video_loss", 6, &rec));
    rec.email_interval = 44;
    put_row("video_loss", 6, rec);
    emu();
    const std::string before = store({"dump", "video_loss"}).out;
    for (const char* bad : {"{\"camId\":6,\"enable\":1,\"triAlarms\":2}", "{\"camId\":6,\"enable\":3,\"triAlarms\":2,"
                                                                          "\"interval\":5}",
                            "{\"camId\":64,\"enable\":1,\"triAlarms\":2,\"interval\":5}",
                            "{\"camId\":6,\"enable\":1,\"triAlarms\":-2,\"interval\":5}", "x"})
        EXPECT_EQ(post("/6016", bad).out, "") << bad;
    EXPECT_EQ(store({"dump", "video_loss"}).out, before);
    EXPECT_TRUE(emu().received().empty());

    ASSERT_EQ(post("/6016", "{\"camId\":6,\"enable\":1,\"triAlarms\":2,\"interval\":5}").body(), "OK");
    ASSERT_EQ(post("/6017", "{\"camId\":6,\"enable\":2,\"schedule\":" + schedule_json(1) + "}").body(), "OK");
    ASSERT_TRUE(stored("video_loss", 6, &rec));
    EXPECT_EQ(rec.tri_alarms, 2);
    EXPECT_EQ(rec.interval, 5);
    EXPECT_EQ(rec.enable, 2);
    EXPECT_EQ(rec.email_interval, 44);
    RecordSchedule s;
    ASSERT_TRUE(stored("video_loss_schedule", 6, &s));
    EXPECT_STREQ(s.days[7].plans[11].start_time, "07:11");

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].code, kMsgVideoLossChanged);
    EXPECT_EQ(frames[0].u32_at(0), 6u);
    EXPECT_EQ(frames[1].code, 3485u);
    EXPECT_EQ(frames[1].u32_at(24), kVideoLossLogDetail);
    EXPECT_EQ(frames[1].u32_at(32), 7u);
    EXPECT_EQ(frames[2].code, kMsgVideoLossChanged);

    auto reply = json_of(post("/6014", "6"));
    EXPECT_EQ(json_keys(reply.get()), (std::vector<std::string>{"camId", "enable", "triAlarms", "interval"}));
    EXPECT_EQ(jint(reply.get(), "interval"), 5);
    EXPECT_EQ(post("/6014", "64").body(), "CGI ERROR");
}

// ---- lists ----

TEST_F(VideoLossTest, ScheduleListReachesEveryListedChannelButRewritesOnlyChangedRecords)
{
    VideoLossRecord rec;
    ASSERT_TRUE(stored("video_loss", 3, &rec));
    rec.enable = 1;
    rec.interval = 10;
    rec.reserved[0] = 0x5a;
    put_row("video_loss", 3, rec);
    emu();
    auto r = post("/6121", "{\"schedule\":" + schedule_json(6) +
                               ",\"enable\":1,\"interval\":10,\"cnt\":3,\"chnid\":[3,70,5]}");
    ASSERT_EQ(r.body(), "OK");
    RecordSchedule a, b;
    ASSERT_TRUE(stored("videoloss_audible_schedule", 3, &a));
    ASSERT_TRUE(stored("videoloss_audible_schedule", 5, &b));
    EXPECT_TRUE(same(a, b));
    EXPECT_EQ(a.days[0].plans[0].action_type, 6);
    ASSERT_TRUE(stored("video_loss", 3, &rec));
    EXPECT_EQ(rec.reserved[0], 0x5a);
    ASSERT_TRUE(stored("video_loss", 5, &rec));
    EXPECT_EQ(rec.enable, 1);
    EXPECT_EQ(rec.interval, 10);
    ASSERT_TRUE(stored("video_loss", 4, &rec));
    EXPECT_EQ(rec.enable, 0);

    ASSERT_EQ(post("/6122", "{\"schedule\":" + schedule_json(2) + ",\"enable\":0,\"interval\":0,\"cnt\":1,"
                                                                  "\"chnid\":[8]}").body(),
              "OK");
    auto reply = json_of(post("/6124", "8"));
    EXPECT_EQ(jint(json_object_array_get_idx(json_object_array_get_idx(reply.get(), 0), 0), "actionType"), 2);

    auto frames = emu().received(kMsgVideoLossesChanged);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].i64_at(0), (1 << 3) | (1 << 5));
    EXPECT_EQ(frames[1].i64_at(0), 1 << 8);
    EXPECT_EQ(post("/6121", "oops").out, "");
}

TEST_F(VideoLossTest, AlarmOutputListReportsOnlyTheChangedChannels)
{
    VideoLossRecord rec;
    ASSERT_TRUE(stored("video_loss", 1, &rec));
    rec.tri_alarms = 5;
    put_row("video_loss", 1, rec);
    emu();
    ASSERT_EQ(post("/6123", "{\"cnt\":3,\"chnid\":[1,2,99],\"triAlarms\":5}").body(), "OK");
    ASSERT_TRUE(stored("video_loss", 2, &rec));
    EXPECT_EQ(rec.tri_alarms, 5);
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, kMsgVideoLossesChanged);
    EXPECT_EQ(frames[0].i64_at(0), 1 << 2);
    EXPECT_EQ(frames[1].code, 3509u);
    EXPECT_EQ(frames[1].u32_at(24), kChannelsLogDetail);
    EXPECT_EQ(frames[1].i64_at(672), (1 << 1) | (1 << 2));
}

TEST_F(VideoLossTest, PtzListGivesTheSourceActionsToOtherChannelsOnly)
{
    PtzActionList own = zeroed<PtzActionList>();
    own.count = 1;
    own.entries[0] = {4, 3, 0, 1, 7, 0, 0};
    put_row("ptz_params_2", 4, own);
    emu();
    ASSERT_EQ(post("/6165", "{\"camId\":4,\"schedule\":" + schedule_json(1) + ",\"cnt\":2,\"chnid\":[4,9]}").body(),
              "OK");
    PtzActionList got;
    ASSERT_TRUE(stored("ptz_params_2", 9, &got));
    EXPECT_EQ(got.count, 1);
    EXPECT_EQ(got.entries[0].source_channel, 9);
    EXPECT_EQ(got.entries[0].acto_ptz_preset, 7);
    ASSERT_TRUE(stored("ptz_params_2", 4, &got));
    EXPECT_EQ(std::memcmp(&got, &own, sizeof own), 0);
    RecordSchedule a, b;
    ASSERT_TRUE(stored("videoloss_ptz_schedule", 4, &a));
    ASSERT_TRUE(stored("videoloss_ptz_schedule", 9, &b));
    EXPECT_TRUE(same(a, b));
    auto reply = json_of(post("/6166", "9"));
    EXPECT_STREQ(jstr(json_object_array_get_idx(json_object_array_get_idx(reply.get(), 1), 2), "startTime"),
                 "01:02");
    auto frames = emu().received(kMsgVideoLossesChanged);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].i64_at(0), (1 << 4) | (1 << 9));

    EXPECT_EQ(post("/6165", "{\"camId\":-1,\"cnt\":1,\"chnid\":[2]}").body(), "CGI ERROR");
    EXPECT_EQ(post("/6167", "{\"camId\":16,\"cnt\":1,\"chnid\":[2]}").body(), "CGI ERROR");
    EXPECT_FALSE(stored("ptz_params_2", 2, &got));
}

TEST_F(VideoLossTest, SnapshotListFillsOnlyChannelsInRange)
{
    emu();
    ASSERT_EQ(post("/6175", "{\"schedule\":" + schedule_json(3) + ",\"cnt\":2,\"chnid\":[70,3]}").body(), "OK");
    SnapshotScheduleRecord rec;
    ASSERT_TRUE(stored("snapshot_schedule", 3, &rec));
    EXPECT_EQ(rec.schedule.days[2].plans[4].action_type, 3);
    EXPECT_EQ(rec.reserved, 0);
    EXPECT_EQ(store({"dump", "snapshot_schedule"}).out.find("\n") + 1, store({"dump", "snapshot_schedule"}).out.size())
        << "one row only";
    auto frames = emu().received(kMsgSnapshotSchedules);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].payload.size(), 260u);
    EXPECT_EQ(frames[0].u32_at(0), 3u);
    EXPECT_EQ(frames[0].u32_at(256), 1u);
    auto reply = json_of(post("/6174", "3"));
    EXPECT_STREQ(jstr(json_object_array_get_idx(json_object_array_get_idx(reply.get(), 2), 4), "endTime"), "04:59");
}

// ---- recorder alarm inputs ----

TEST_F(VideoLossTest, AlarmInputListsSkipIdsPastTheSixteenInputs)
{
    emu();
    ASSERT_EQ(post("/6126", "{\"schedule\":" + schedule_json(2) +
                                ",\"enable\":1,\"interval\":4,\"triSnapshot\":\"1" + std::string(70, '0') +
                                "\",\"cnt\":3,\"chnid\":[2,20,63]}").body(),
              "OK");
    AlarmInRecord in;
    ASSERT_TRUE(stored("alarm_in", 2, &in));
    EXPECT_EQ(in.enable, 1);
    EXPECT_EQ(in.interval, 4);
    EXPECT_EQ(std::string(in.tri_snapshot).size(), 64u);
    EXPECT_STREQ(in.name, "Alarm In 3");
    RecordSchedule s;
    ASSERT_TRUE(stored("alarmin_email_schedule", 2, &s));
    EXPECT_EQ(store({"dump", "alarmin_email_schedule"}).out.find('\n') + 1,
              store({"dump", "alarmin_email_schedule"}).out.size());
    auto reply = json_of(post("/6128", "2"));
    EXPECT_EQ(jint(json_object_array_get_idx(json_object_array_get_idx(reply.get(), 0), 0), "actionType"), 2);

    ASSERT_EQ(post("/6125", "{\"schedule\":" + schedule_json(5) + ",\"enable\":2,\"interval\":1,\"cnt\":1,"
                                                                  "\"chnid\":[0]}").body(),
              "OK");
    reply = json_of(post("/6129", "0"));
    EXPECT_EQ(jint(json_object_array_get_idx(json_object_array_get_idx(reply.get(), 7), 11), "actionType"), 5);
    EXPECT_EQ(post("/6129", "64").body(), "CGI ERROR");

    auto frames = emu().received(kMsgAlarmInsChanged);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].i64_at(0), 1 << 2);
    EXPECT_EQ(frames[1].i64_at(0), 1);
}

TEST_F(VideoLossTest, AlarmInputListOfEveryInputWritesThemAll)
{
    std::string ids;
    for (int i = 0; i < kAlarmIns; i++) ids += (i ? "," : "") + std::to_string(i);
    ASSERT_EQ(post("/6125", "{\"enable\":1,\"interval\":3,\"cnt\":16,\"chnid\":[" + ids + "]}").body(), "OK");
    for (int i : {0, 7, 15}) {
        AlarmInRecord in;
        ASSERT_TRUE(stored("alarm_in", i, &in));
        EXPECT_EQ(in.id, i);
        EXPECT_EQ(in.enable, 1) << i;
        EXPECT_EQ(in.interval, 3) << i;
        EXPECT_EQ(std::string(in.name), "Alarm In " + std::to_string(i + 1));
    }
    EXPECT_EQ(store({"dump", "alarmin_audible_schedule"}).out, "") << "no schedule, none written";
}

TEST_F(VideoLossTest, AlarmInputTriggerListCopiesTheArmingScheduleOfTheSource)
{
    emu();
    ASSERT_EQ(post("/6170", "{\"camId\":1,\"schedule\":" + schedule_json(4) + "}").body(), "OK");
    ASSERT_EQ(post("/6127", "{\"camId\":1,\"type\":0,\"triChannels\":\"0110\",\"cnt\":2,\"chnid\":[5,6]}").body(),
              "OK");
    ASSERT_EQ(post("/6127", "{\"camId\":1,\"type\":1,\"triAlarms\":9,\"cnt\":1,\"chnid\":[6]}").body(), "OK");
    RecordSchedule src, dst;
    ASSERT_TRUE(stored("alarmin_effective_schedule", 1, &src));
    ASSERT_TRUE(stored("alarmin_effective_schedule", 5, &dst));
    EXPECT_TRUE(same(src, dst));
    AlarmInRecord in;
    ASSERT_TRUE(stored("alarm_in", 5, &in));
    EXPECT_STREQ(in.tri_channels, "0110");
    EXPECT_EQ(in.tri_mask, 6u);
    EXPECT_EQ(in.tri_alarms, 0);
    ASSERT_TRUE(stored("alarm_in", 6, &in));
    EXPECT_EQ(in.tri_alarms, 9);
    EXPECT_STREQ(in.tri_channels, "0110");
    auto reply = json_of(post("/6169", "6"));
    EXPECT_EQ(jint(json_object_array_get_idx(json_object_array_get_idx(reply.get(), 0), 0), "actionType"), 4);

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[0].code, kMsgAlarmInChanged);
    EXPECT_EQ(frames[1].code, kMsgAlarmInsChanged);
    EXPECT_EQ(frames[1].i64_at(0), 0x60);
    EXPECT_EQ(frames[2].code, 3509u);
    EXPECT_EQ(frames[2].i64_at(672), 0x60);
    EXPECT_EQ(post("/6170", "{\"camId\":-1}").body(), "CGI ERROR");
}

TEST_F(VideoLossTest, AlarmInputPtzListAndSingleScheduleReads)
{
    PtzActionList own = zeroed<PtzActionList>();
    own.count = 2;
    own.entries[0] = {0, 5, 0, 2, 0, 3, 0};
    own.entries[1] = {0, 0, 0, 0, 0, 0, 0};
    put_row("ptz_params_0", 0, own);
    emu();
    ASSERT_EQ(post("/6167", "{\"camId\":0,\"schedule\":" + schedule_json(1) + ",\"cnt\":2,\"chnid\":[0,15]}").body(),
              "OK");
    PtzActionList got;
    ASSERT_TRUE(stored("ptz_params_0", 15, &got));
    EXPECT_EQ(got.entries[0].source_channel, 15);
    EXPECT_EQ(got.entries[1].source_channel, 0) << "empty entries keep their source";
    auto reply = json_of(post("/6168", "15"));
    EXPECT_EQ(json_object_array_length(reply.get()), 8u);
    EXPECT_EQ(jint(json_object_array_get_idx(json_object_array_get_idx(reply.get(), 0), 0), "actionType"), 1);

    // Motion's own e-mail and PTZ schedules, read back as written.
    ASSERT_EQ(post("/6159", "{\"camId\":2,\"schedule\":" + schedule_json(7) + "}").body(), "OK");
    reply = json_of(post("/6158", "2"));
    EXPECT_EQ(jint(json_object_array_get_idx(json_object_array_get_idx(reply.get(), 0), 0), "actionType"), 7);
    reply = json_of(post("/6120", "2"));
    EXPECT_STREQ(jstr(json_object_array_get_idx(json_object_array_get_idx(reply.get(), 0), 0), "startTime"), "");
    EXPECT_EQ(post("/6120", "").out, "") << "no id, no reply";
}

TEST_F(VideoLossTest, EveryNewCodeSurvivesEmptyBodies)
{
    emu();
    const std::vector<std::string> codes = {"/6014", "/6015", "/6016", "/6017", "/6120", "/6122", "/6124",
                                            "/6126", "/6128", "/6121", "/6125", "/6129", "/6123", "/6127",
                                            "/6158", "/6165", "/6166", "/6167", "/6168", "/6170", "/6169",
                                            "/6174", "/6175", "/6094", "/6095"};
    EXPECT_EQ(registered_codes("video", codes), codes);
    expect_empty_bodies_handled(codes);
}

}  // namespace
