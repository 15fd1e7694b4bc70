// People counting (regional counting, counting groups, report plans), event
// PTZ linkage, camera alarm I/O, volume detection and event snapshots, end
// to end: what reaches the store and the core daemon, and what comes back.
#include <gtest/gtest.h>

#include <json-c/json.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/json.h"
#include "handlers/event/camera_io_records.h"
#include "handlers/event/people_records.h"
#include "tests/fixtures.h"

namespace {

constexpr uint32_t kWaitFlag = 1;

class PeopleTest : public DaemonTest {
protected:
    void init_store() { ASSERT_EQ(store({"init"}).status, 0); }
    template <typename T>
    T row(const std::string& table, int index)
    {
        T r;
        stored(table, index, &r);
        return r;
    }
    static JsonPtr parse(const RunResult& r)
    {
        JsonPtr j = json_parse(r.body().c_str());
        EXPECT_TRUE(j) << r.out;
        return j;
    }
    // Stored PTZ list of a PTZ event type and source channel.
    PtzActionList ptz_list(int type, int channel)
    {
        PtzActionList l;
        stored("ptz_params_" + std::to_string(type), channel, &l);
        return l;
    }
};

// A request-form schedule whose plan 0 of every day is [start, end, type].
std::string schedule_json(const char* start, const char* end, int type)
{
    return schedule_json_of(8, 12,
                            [=](int, int p) { return p == 0 ? plan_json(start, end, type) : plan_json("", "", 0); });
}

std::string plan0_start(json_object* days)
{
    json_object* plan = json_object_array_get_idx(json_object_array_get_idx(days, 0), 0);
    return json_object_get_string(jget(plan, "startTime"));
}

json_object* at(json_object* array, size_t i) { return json_object_array_get_idx(array, i); }

// ---- regional people counting ("/6096", "/6097") ----

TEST_F(PeopleTest, RegionalSettingsGoToTheCameraAndActionsToTheStore)
{
    init_store();
    // Region 1 had PTZ actions before; its new action carries none.
    std::string before = std::string("{\"chnid\":3,\"action\":[{},{\"ptz\":") + schedule_json("01:00", "02:00", 1) +
                         ",\"ptzParams\":[{\"acto_ptz_channel\":4,\"acto_ptz_type\":1,\"acto_ptz_preset\":7}]}]}";
    ASSERT_EQ(post("/6097", before).body(), "{ \"res\": 0 }");
    ASSERT_EQ(ptz_list(23, 3).count, 1);

    const std::string polygon(80, '7');
    const std::string req =
        "{\"chnid\":3,\"sensitivity\":60,\"minObjX\":1,\"minObjY\":2,\"minObjWidth\":3,\"minObjHeight\":4,"
        "\"maxObjX\":5,\"maxObjY\":6,\"maxObjWidth\":7,\"maxObjHeight\":8,"
        "\"regional\":[{\"enable\":1,\"polygonX\":\"" + polygon + "\",\"polygonY\":\"1,2,3\",\"maxStayEnable\":1,"
        "\"maxStayValue\":9,\"minStayEnable\":1,\"minStayValue\":2,\"maxStayTimeEnable\":1,\"maxStayTimeValue\":60}],"
        "\"action\":[{\"audible\":" + schedule_json("08:00", "18:00", 1) + ",\"interval\":30,\"audioId\":2,"
        "\"triChannels\":\"1000000000000000000000000000000000000001\",\"triAlarms\":3,"
        "\"whiteInfo\":[[3,1,10]],\"ptzParams\":[{\"acto_ptz_channel\":9,\"acto_ptz_type\":1}],\"ptz_interval\":5},"
        "{\"email_interval\":77,\"triChnAlarms\":[\"01\",\"001\"]}]}";
    auto r = post("/6097", req);
    EXPECT_EQ(r.body(), "{ \"res\": 0 }");

    auto frames = emu().received(kMsgRegionalPcntSet);
    ASSERT_EQ(frames.size(), 2u);
    const EmuFrame& f = frames[1];
    EXPECT_EQ(f.flags & kWaitFlag, kWaitFlag);
    ASSERT_EQ(f.payload.size(), sizeof(RegionalPcntSettings));
    RegionalPcntSettings s;
    std::memcpy(&s, f.payload.data(), sizeof s);
    EXPECT_EQ(s.chnid, 3);
    EXPECT_EQ(s.sensitivity, 60);
    EXPECT_EQ(s.max_obj_height, 8);
    EXPECT_EQ(s.regions[0].enable, 1);
    EXPECT_EQ(std::string(s.regions[0].polygon_x), polygon.substr(0, 63));
    EXPECT_EQ(s.regions[0].max_stay_time_value, 60);
    EXPECT_EQ(s.regions[1].enable, 0);

    // Region 0: the audible schedule with its interval and clip; no "ptz",
    // so neither the PTZ interval nor the entries were taken.
    auto r0 = row<RegionalPcntEventRecord>("regional_pcnt_event_0", 3);
    EXPECT_EQ(r0.chnid, 3);
    EXPECT_EQ(r0.interval, 30);
    EXPECT_EQ(r0.audio_id, 2);
    EXPECT_EQ(r0.tri_alarms, 3);
    EXPECT_EQ(r0.tri_mask, 1u);  // position 39 reaches the text only
    EXPECT_EQ(r0.ptz_interval, 0);
    EXPECT_EQ(ptz_list(22, 3).count, 0);
    // Region 1: "email_interval" without "email" is not taken; its PTZ
    // actions stay as stored.
    auto r1 = row<RegionalPcntEventRecord>("regional_pcnt_event_1", 3);
    EXPECT_EQ(r1.email_interval, 0);
    EXPECT_STREQ(r1.tri_chn_alarms[1], "001");
    EXPECT_EQ(ptz_list(23, 3).count, 1);
    // Regions 2 and 3 untouched.
    EXPECT_EQ(row<RegionalPcntEventRecord>("regional_pcnt_event_2", 3).tri_alarms, 0);

    // The read joins the camera's settings (demo) with the stored actions.
    auto g = post("/6096", "{\"chnid\":3}");
    JsonPtr j = parse(g);
    ASSERT_TRUE(j);
    EXPECT_EQ(jint(j.get(), "result"), 0);
    EXPECT_EQ(jint(j.get(), "chnid"), 3);
    json_object* regional = jget(j.get(), "regional");
    ASSERT_EQ(json_object_array_length(regional), 4u);
    EXPECT_STREQ(jstr(at(regional, 0), "polygonX"), "120,340,340,120");
    json_object* actions = jget(j.get(), "action");
    ASSERT_EQ(json_object_array_length(actions), 4u);
    EXPECT_EQ(plan0_start(jget(at(actions, 0), "audible")), "08:00");
    EXPECT_EQ(jint(at(actions, 0), "audioId"), 2);
    EXPECT_STREQ(jstr(at(actions, 0), "triChannels"), "1000000000000000000000000000000000000001");
    json_object* white = jget(at(actions, 0), "whiteInfo");
    ASSERT_EQ(json_object_array_length(white), 1u);
    EXPECT_EQ(jint(at(white, 0), "time"), 10);
    json_object* ptz = jget(at(actions, 1), "ptzParams");
    ASSERT_EQ(json_object_array_length(ptz), 1u);
    EXPECT_EQ(jint(at(ptz, 0), "acto_ptz_preset"), 7);
    EXPECT_EQ(json_object_array_length(jget(at(actions, 0), "ptzParams")), 0u);
    auto asked = emu().received(kMsgRegionalPcntGet);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].u32_at(0), 3u);
}

TEST_F(PeopleTest, RegionalBadInputAndShortRepliesWriteNothing)
{
    init_store();
    for (const char* bad : {"not json", "{\"chnid\":64,\"action\":[{\"triAlarms\":1}]}", "{\"action\":[]}"}) {
        EXPECT_EQ(post("/6097", bad).out, kJsonError) << bad;
        EXPECT_EQ(post("/6096", bad).out, kJsonError) << bad;
    }
    EXPECT_TRUE(emu().received(kMsgRegionalPcntSet).empty());
    EXPECT_TRUE(emu().received(kMsgRegionalPcntGet).empty());
    emu().rule("1220 reply 6220 zeros:100");
    emu().rule("1221 reply 6221 zeros:2");
    EXPECT_EQ(post("/6096", "{\"chnid\":1}").out, kJsonError);
    EXPECT_EQ(post("/6097", "{\"chnid\":1}").out, kJsonError);
    emu().rule("1221 silent");
    EXPECT_EQ(post("/6097", "{\"chnid\":1}").out, kJsonError);
}

// ---- event PTZ linkage ("/6160" to "/6164") ----

TEST_F(PeopleTest, PtzLinkEntriesAddListUpdateAndDelete)
{
    init_store();
    // A patrol entry keeps only the patrol.
    EXPECT_EQ(post("/6160", "{\"type\":1,\"chn_id\":2,\"acto_ptz_channel\":5,\"acto_ptz_type\":2,"
                            "\"acto_ptz_preset\":8,\"acto_ptz_patrol\":3,\"acto_ptz_pattern\":4}").body(), "OK");
    EXPECT_EQ(post("/6160", "{\"type\":1,\"chn_id\":2,\"acto_ptz_channel\":6,\"acto_ptz_type\":3,"
                            "\"acto_ptz_pattern\":4}").body(), "OK");
    PtzActionList l = ptz_list(1, 2);
    ASSERT_EQ(l.count, 2);
    EXPECT_EQ(l.entries[0].source_channel, 2);
    EXPECT_EQ(l.entries[0].acto_ptz_patrol, 3);
    EXPECT_EQ(l.entries[0].acto_ptz_preset, 0);
    EXPECT_EQ(l.entries[0].acto_ptz_pattern, 0);
    EXPECT_EQ(l.entries[1].acto_ptz_pattern, 4);
    // The same PTZ camera again replaces its entry.
    EXPECT_EQ(post("/6160", "{\"type\":1,\"chn_id\":2,\"acto_ptz_channel\":5,\"acto_ptz_type\":1,"
                            "\"acto_ptz_preset\":9}").body(), "OK");
    EXPECT_EQ(post("/6161", "{\"type\":1,\"chn_id\":2}").body(),
              "{ \"ptzInfo\": [ { \"acto_ptz_channel\": 5, \"acto_ptz_type\": 1, \"acto_ptz_preset\": 9, "
              "\"acto_ptz_patrol\": 0 }, { \"acto_ptz_channel\": 6, \"acto_ptz_type\": 3, \"acto_ptz_preset\": 0, "
              "\"acto_ptz_patrol\": 0 } ] }");

    // Moved to source channel 4: gone from 2, the other entry stays.
    EXPECT_EQ(post("/6163", "{\"type\":1,\"chn_id\":4,\"old_chn_id\":2,\"acto_ptz_channel\":5,"
                            "\"acto_ptz_type\":1,\"acto_ptz_preset\":11}").body(), "OK");
    l = ptz_list(1, 2);
    ASSERT_EQ(l.count, 1);
    EXPECT_EQ(l.entries[0].acto_ptz_channel, 6);
    l = ptz_list(1, 4);
    ASSERT_EQ(l.count, 1);
    EXPECT_EQ(l.entries[0].source_channel, 4);
    EXPECT_EQ(l.entries[0].acto_ptz_preset, 11);

    EXPECT_EQ(post("/6164", "{\"type\":1,\"chn_id\":2,\"ptzChannel\":[]}").body(), "OK");
    EXPECT_EQ(ptz_list(1, 2).count, 1);
    EXPECT_EQ(post("/6164", "{\"type\":1,\"chn_id\":2,\"ptzChannel\":[6,40]}").body(), "OK");
    EXPECT_EQ(ptz_list(1, 2).count, 0);
    EXPECT_EQ(post("/6162", "{\"type\":1,\"chn_id\":4,\"acto_ptz_channel\":5}").body(), "OK");
    EXPECT_EQ(post("/6161", "{\"type\":1,\"chn_id\":4}").body(), "{ \"ptzInfo\": [ ] }");
}

TEST_F(PeopleTest, PtzLinkOfPeopleCountingAndBadRequests)
{
    init_store();
    EXPECT_EQ(post("/6160", "{\"type\":20,\"chn_id\":1,\"acto_ptz_channel\":3,\"acto_ptz_type\":1,"
                            "\"acto_ptz_preset\":2}").body(), "OK");
    PeoplecntPtzList l;
    stored("peoplecnt_ptz_params", 1, &l);
    ASSERT_EQ(l.count, 1);
    EXPECT_EQ(l.entries[0].acto_ptz_preset, 2);
    // The group's action object shows it.
    JsonPtr j = parse(post("/2066", "{\"action\":1}"));
    json_object* ptz = jget(jget(at(jget(j.get(), "groups"), 1), "dialog"), "ptzParams");
    ASSERT_EQ(json_object_array_length(ptz), 1u);
    EXPECT_EQ(jint(at(ptz, 0), "acto_ptz_channel"), 3);

    // A people-counting list holds 16 entries.
    for (int c = 4; c < 20; c++)
        post("/6160", "{\"type\":20,\"chn_id\":1,\"acto_ptz_channel\":" + std::to_string(c) + ",\"acto_ptz_type\":1}");
    stored("peoplecnt_ptz_params", 1, &l);
    EXPECT_EQ(l.count, 16);
    EXPECT_EQ(post("/6160", "{\"type\":20,\"chn_id\":1,\"acto_ptz_channel\":30,\"acto_ptz_type\":1}").body(),
              "CGI ERROR");

    for (const char* bad : {"x", "{\"type\":1,\"chn_id\":-1,\"acto_ptz_channel\":1}",
                            "{\"type\":1,\"chn_id\":64,\"acto_ptz_channel\":1}",
                            "{\"type\":27,\"chn_id\":0,\"acto_ptz_channel\":1}"}) {
        EXPECT_EQ(post("/6160", bad).body(), "CGI ERROR") << bad;
        EXPECT_EQ(post("/6163", bad).body(), "CGI ERROR") << bad;
    }
    EXPECT_EQ(post("/6163", "{\"type\":1,\"chn_id\":0,\"old_chn_id\":70,\"acto_ptz_channel\":1}").body(),
              "CGI ERROR");
    EXPECT_EQ(post("/6164", "{\"type\":1,\"chn_id\":0}").body(), "CGI ERROR");
    EXPECT_EQ(post("/6161", "{\"type\":1,\"chn_id\":-3}").body(), "CGI ERROR");
    std::string dump = store({"dump", "ptz_params_1"}).out;
    EXPECT_EQ(dump, "");
}

TEST_F(PeopleTest, PtzLinkEntryOfPtzChannelZeroIsStoredAndNotListed)
{
    init_store();
    EXPECT_EQ(post("/6160", "{\"type\":1,\"chn_id\":0,\"acto_ptz_channel\":0,\"acto_ptz_type\":1,"
                            "\"acto_ptz_preset\":7}").body(), "OK");
    EXPECT_EQ(post("/6160", "{\"type\":1,\"chn_id\":0,\"acto_ptz_channel\":2,\"acto_ptz_type\":1}").body(), "OK");
    PtzActionList l = ptz_list(1, 0);
    ASSERT_EQ(l.count, 2);
    EXPECT_EQ(l.entries[0].acto_ptz_channel, 0);
    EXPECT_EQ(l.entries[0].acto_ptz_preset, 7);
    // Moved to source channel 3, still with PTZ channel 0.
    EXPECT_EQ(post("/6163", "{\"type\":1,\"chn_id\":3,\"old_chn_id\":0,\"acto_ptz_channel\":0,"
                            "\"acto_ptz_type\":2,\"acto_ptz_patrol\":5}").body(), "OK");
    EXPECT_EQ(ptz_list(1, 0).count, 1);
    l = ptz_list(1, 3);
    ASSERT_EQ(l.count, 1);
    EXPECT_EQ(l.entries[0].acto_ptz_channel, 0);
    EXPECT_EQ(l.entries[0].acto_ptz_patrol, 5);
    // The list shows only entries of a real PTZ camera.
    EXPECT_EQ(post("/6161", "{\"type\":1,\"chn_id\":3}").body(), "{ \"ptzInfo\": [ ] }");
    EXPECT_EQ(post("/6161", "{\"type\":1,\"chn_id\":0}").body(),
              "{ \"ptzInfo\": [ { \"acto_ptz_channel\": 2, \"acto_ptz_type\": 1, \"acto_ptz_preset\": 0, "
              "\"acto_ptz_patrol\": 0 } ] }");
}

// ---- camera alarm I/O and volume detection ("/6090" to "/6093") ----

TEST_F(PeopleTest, CameraIoWriteStoresSendsAndLogs)
{
    init_store();
    auto r = post("/6091", "{\"camId\":4,\"enable\":1,\"type\":2,\"triActions\":6,\"triChannels\":\"00001\"}");
    EXPECT_EQ(r.body(), "OK");
    auto rec = row<CameraTriggerRecord>("cameraio", 4);
    EXPECT_EQ(rec.cam_id, 4);
    EXPECT_EQ(rec.enable, 1);
    EXPECT_EQ(rec.tri_actions, 6);
    EXPECT_EQ(rec.tri_mask, 16u);
    EXPECT_STREQ(rec.tri_channels, "00001");
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, kMsgCameraIoSet);
    EXPECT_EQ(frames[0].flags & kWaitFlag, 0u);
    CameraIoSettings s{4, 1, 2};
    EXPECT_EQ(to_hex(frames[0].payload.data(), frames[0].payload.size()), to_hex(&s, sizeof s));
    EXPECT_EQ(frames[1].code, 3485u);
    EXPECT_EQ(frames[1].u32_at(0), 4u);
    EXPECT_EQ(frames[1].u32_at(24), kCameraIoLogDetail);
    EXPECT_EQ(frames[1].u32_at(32), 5u);

    r = post("/6093", "{\"camId\":63,\"enable\":0,\"type\":1,\"volume\":80,\"duration\":3,\"onEvent\":1,"
                      "\"offEvent\":0,\"ongoingEvent\":1,\"triActions\":2,\"triChannels\":\"1\"}");
    EXPECT_EQ(r.body(), "OK");
    EXPECT_EQ(row<CameraTriggerRecord>("volumedetect", 63).tri_mask, 1u);
    auto v = emu().received(kMsgVolumeSet);
    ASSERT_EQ(v.size(), 1u);
    VolumeSettings vs{63, 0, 1, 80, 3, 1, 0, 1};
    EXPECT_EQ(to_hex(v[0].payload.data(), v[0].payload.size()), to_hex(&vs, sizeof vs));
    EXPECT_EQ(emu().received(3485).back().u32_at(24), kVolumeLogDetail);
}

TEST_F(PeopleTest, CameraIoBadInputIsSilentAndWritesNothing)
{
    init_store();
    const char* const io_bad[] = {
        "nope",
        "{\"camId\":64,\"enable\":1,\"type\":0,\"triActions\":0,\"triChannels\":\"1\"}",
        "{\"camId\":1,\"enable\":2,\"type\":0,\"triActions\":0,\"triChannels\":\"1\"}",
        "{\"camId\":1,\"enable\":1,\"type\":-1,\"triActions\":0,\"triChannels\":\"1\"}",
        "{\"camId\":1,\"enable\":1,\"type\":0,\"triActions\":0}",
    };
    for (const char* bad : io_bad) {
        auto r = post("/6091", bad);
        EXPECT_EQ(r.out, "") << bad;
    }
    EXPECT_EQ(post("/6093", "{\"camId\":1,\"enable\":1,\"type\":0,\"volume\":-5,\"duration\":0,\"onEvent\":0,"
                            "\"offEvent\":0,\"ongoingEvent\":0,\"triActions\":0,\"triChannels\":\"1\"}").out, "");
    EXPECT_EQ(post("/6093", "{\"camId\":1,\"enable\":1,\"type\":0,\"triActions\":0,\"triChannels\":\"1\"}").out, "");
    EXPECT_EQ(row<CameraTriggerRecord>("cameraio", 1).enable, 0);
    EXPECT_EQ(row<CameraTriggerRecord>("volumedetect", 1).enable, 0);
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(PeopleTest, CameraIoAndVolumeReads)
{
    auto r = post("/6090", "2");
    EXPECT_EQ(r.body(), "{ \"camId\": 2, \"enable\": 1, \"type\": 1, \"triActions\": 1, \"triChannels\": \"001\" }");
    auto f = emu().received(kMsgCameraIoGet);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].flags & kWaitFlag, kWaitFlag);
    EXPECT_EQ(f[0].u32_at(0), 2u);
    JsonPtr v = parse(post("/6092", "0"));
    EXPECT_EQ(jint(v.get(), "volume"), 70);
    EXPECT_STREQ(jstr(v.get(), "triChannels"), "1");
    // Out of range: nothing sent, nothing written.
    EXPECT_EQ(post("/6090", "64").out, "");
    EXPECT_EQ(post("/6092", "-1").out, "");
    EXPECT_EQ(emu().received(kMsgCameraIoGet).size(), 1u);
    emu().rule("3213 reply 8213 zeros:91");
    EXPECT_EQ(post("/6090", "1").out, kJsonError);
    emu().rule("3215 silent");
    EXPECT_EQ(post("/6092", "1").out, kJsonError);
}

// ---- event snapshots ("/6176" to "/6178") ----

TEST_F(PeopleTest, SnapshotSettingsCopyToListedChannels)
{
    init_store();
    auto r = post("/6177", "{\"resolution\":2,\"quality\":3,\"interval\":10,\"interval_unit\":1,"
                           "\"expiration_date\":7,\"cnt\":4,\"chnid\":[5,5,70,9,11]}");
    EXPECT_EQ(r.body(), "OK");
    auto f = emu().received(kMsgSnapshotSettings);
    ASSERT_EQ(f.size(), 1u);
    ASSERT_EQ(f[0].payload.size(), 260u);
    EXPECT_EQ(f[0].u32_at(0), 5u);
    EXPECT_EQ(f[0].u32_at(4), 5u);
    EXPECT_EQ(f[0].u32_at(8), 9u);
    EXPECT_EQ(f[0].u32_at(256), 3u);
    auto s = row<SnapshotSettingsRecord>("snapshot", 9);
    EXPECT_EQ(s.quality, 3);
    EXPECT_EQ(s.resolution, 2);
    EXPECT_EQ(s.expiration_date, 7);
    EXPECT_EQ(row<SnapshotSettingsRecord>("snapshot", 11).quality, 1);  // beyond "cnt": factory value
    EXPECT_EQ(post("/6176", "5").body(),
              "{ \"resolution\": 2, \"quality\": 3, \"interval\": 10, \"interval_unit\": 1, \"expiration_date\": 7 }");
    EXPECT_EQ(post("/6176", "64").out, kJsonError);
    EXPECT_EQ(post("/6177", "{").body(), "CGI ERROR");
}

TEST_F(PeopleTest, SnapshotStartAndStop)
{
    EXPECT_EQ(post("/6178", "{\"stopCnt\":1,\"stopChnId\":[2]}").body(), "OK");
    auto f = emu().received(kMsgSnapshotRun);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].u32_at(0), 0u);
    EXPECT_EQ(f[0].u32_at(4 + 2 * 4), 1u);
    EXPECT_EQ(f[0].u32_at(4), 0u);

    EXPECT_EQ(post("/6178", "{\"snapshotCnt\":2,\"snapshotChnId\":[0,99,1],\"stopCnt\":0,\"stopChnId\":[2]}").body(),
              "OK");
    f = emu().received(kMsgSnapshotRun);
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[1].u32_at(0), 1u);
    EXPECT_EQ(f[1].u32_at(4), 1u);
    EXPECT_EQ(f[1].u32_at(8), 0u);  // channel 1 is the third element, past the count
    EXPECT_EQ(post("/6178", "[").body(), "CGI ERROR");
}

// ---- counting groups ("/2066" to "/2072") ----

TEST_F(PeopleTest, GroupsListAndWrite)
{
    init_store();
    JsonPtr j = parse(post("/2066", "{}"));
    json_object* groups = jget(j.get(), "groups");
    ASSERT_EQ(json_object_array_length(groups), 9u);
    EXPECT_STREQ(jstr(at(groups, 8), "name"), "Group 9");
    EXPECT_FALSE(jhas(at(groups, 0), "dialog"));
    j = parse(post("/2066", "{\"action\":1}"));
    groups = jget(j.get(), "groups");
    for (int i = 0; i < 9; i++) EXPECT_EQ(jint(jget(at(groups, size_t(i)), "dialog"), "chnid"), i);

    // Three elements change groups 0..2; a missing name clears the name.
    auto r = post("/2067", "{\"groups\":[{\"enable\":1,\"name\":\"Entrance\",\"tri_channels\":\"11\"},"
                           "{\"stays\":4},{\"name\":\"" + std::string(100, 'n') + "\"}]}");
    EXPECT_EQ(r.body(), "{ \"res\": 0 }");
    auto f = emu().received(kMsgPcntGroupsChanged);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].flags & kWaitFlag, kWaitFlag);
    EXPECT_EQ(f[0].payload, std::vector<uint8_t>(4, 0));
    auto g0 = row<PeoplecntGroupRecord>("peoplecnt_settings", 0);
    EXPECT_EQ(g0.enable, 1);
    EXPECT_STREQ(g0.name, "Entrance");
    EXPECT_STREQ(g0.tri_channels, "11");
    auto g1 = row<PeoplecntGroupRecord>("peoplecnt_settings", 1);
    EXPECT_EQ(g1.stays, 4);
    EXPECT_STREQ(g1.name, "");
    EXPECT_EQ(std::string(row<PeoplecntGroupRecord>("peoplecnt_settings", 2).name), std::string(63, 'n'));
    EXPECT_STREQ(row<PeoplecntGroupRecord>("peoplecnt_settings", 3).name, "Group 4");

    // Twelve elements: only nine are taken.
    std::string twelve = "{\"groups\":[";
    for (int i = 0; i < 12; i++) twelve += std::string(i ? "," : "") + "{\"name\":\"g" + std::to_string(i) + "\"}";
    EXPECT_EQ(post("/2067", twelve + "]}").body(), "{ \"res\": 0 }");
    EXPECT_STREQ(row<PeoplecntGroupRecord>("peoplecnt_settings", 8).name, "g8");
    EXPECT_EQ(store({"dump", "peoplecnt_settings"}).out.find("\n9 "), std::string::npos);

    for (const char* bad : {"", "x", "{}", "{\"groups\":3}"}) EXPECT_EQ(post("/2067", bad).out, kJsonError) << bad;
    EXPECT_EQ(emu().received(kMsgPcntGroupsChanged).size(), 2u);
}

TEST_F(PeopleTest, GroupActionsAndCommands)
{
    init_store();
    // Only "audible": the schedule is written, the event row is not.
    auto before = row<PeoplecntEventRecord>("peoplecnt_event", 2);
    auto r = post("/2070", "{\"groupid\":2,\"audible\":" + schedule_json("07:00", "09:00", 1) + "}");
    EXPECT_EQ(r.body(), "{ \"res\": 0 }");
    auto after = row<PeoplecntEventRecord>("peoplecnt_event", 2);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    auto f = emu().received(kMsgPcntGroupActions);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].flags & kWaitFlag, kWaitFlag);
    EXPECT_EQ(f[0].u32_at(0), 2u);
    EXPECT_EQ(f[0].u32_at(4), 0xffffffffu);

    r = post("/2070", "{\"groupid\":2,\"triAlarms\":5,\"audioId\":3,\"tri_channels_pic\":\"01\","
                      "\"triChnAlarms\":[\"1\",\"01\"],\"whiteInfo\":[{\"chnid\":3,\"mode\":1,\"time\":10}],"
                      "\"ptzParams\":[{\"acto_ptz_channel\":2,\"acto_ptz_type\":1,\"acto_ptz_preset\":4}],"
                      "\"effective\":" + schedule_json("23:00", "23:59", 1) + "}");
    EXPECT_EQ(r.body(), "{ \"res\": 0 }");
    after = row<PeoplecntEventRecord>("peoplecnt_event", 2);
    EXPECT_EQ(after.groupid, 2);
    EXPECT_EQ(after.tri_alarms, 5);
    EXPECT_EQ(after.audio_id, 3);
    EXPECT_STREQ(after.tri_chn_alarms[1], "01");

    // The action object: "effective" is the audible schedule, no PTZ list.
    JsonPtr j = parse(post("/2069", "{\"groupid\":2}"));
    EXPECT_EQ(jint(j.get(), "chnid"), 2);
    EXPECT_EQ(plan0_start(jget(j.get(), "effective")), "07:00");
    EXPECT_EQ(plan0_start(jget(j.get(), "audible")), "07:00");
    EXPECT_EQ(jint(j.get(), "triAlarms"), 5);
    EXPECT_EQ(json_object_array_length(jget(j.get(), "whiteInfo")), 1u);
    EXPECT_FALSE(jhas(j.get(), "ptzParams"));
    j = parse(post("/2066", "{\"action\":1}"));
    json_object* ptz = jget(jget(at(jget(j.get(), "groups"), 2), "dialog"), "ptzParams");
    ASSERT_EQ(json_object_array_length(ptz), 1u);
    EXPECT_EQ(jint(at(ptz, 0), "acto_ptz_preset"), 4);

    EXPECT_EQ(post("/2071", "{\"groupid\":8}").body(), "{ \"res\": 0 }");
    emu().rule("2292 reply 7292 hex:07000000");
    EXPECT_EQ(post("/2072", "{\"groupid\":0}").body(), "{ \"res\": 7 }");
    EXPECT_EQ(emu().received(kMsgPcntGroupCommandA)[0].u32_at(0), 8u);
    emu().rule("2291 reply 7291 zeros:0");
    EXPECT_EQ(post("/2071", "{\"groupid\":1}").out, kJsonError);
    emu().rule("2293 silent");
    EXPECT_EQ(post("/2070", "{\"groupid\":1}").out, kJsonError);

    for (const char* code : {"/2069", "/2070", "/2071", "/2072"})
        for (const char* bad : {"x", "{\"groupid\":9}", "{\"groupid\":-1}"})
            EXPECT_EQ(post(code, bad).out, kJsonError) << code << " " << bad;
    EXPECT_EQ(row<PeoplecntEventRecord>("peoplecnt_event", 1).tri_alarms, 0);
}

// ---- report plans ("/2075", "/2076") ----

TEST_F(PeopleTest, ReportPlansRoundTripAndValidation)
{
    init_store();
    JsonPtr j = parse(post("/2075", ""));
    EXPECT_EQ(jint(j.get(), "email"), 1);
    ASSERT_EQ(json_object_array_length(jget(j.get(), "report")), 3u);
    EXPECT_EQ(jint(at(jget(j.get(), "report"), 2), "reportType"), 2);

    const std::string plan =
        "{\"reportType\":1,\"enable\":1,\"triChannels\":\"1100\",\"triGroups\":\"101\",\"stayLengthType\":1,"
        "\"stayLengthValue\":30,\"backupDay\":2,\"backupTime\":\"23:30\",\"fileFormat\":1,\"timeRange\":3,"
        "\"backupTo\":0}";
    auto r = post("/2076", "{\"report\":[" + plan + "]}");
    EXPECT_EQ(r.body(), "{ \"res\": 0 }");
    auto f = emu().received(kMsgPcntReportsChanged);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].flags & kWaitFlag, kWaitFlag);
    EXPECT_TRUE(f[0].payload.empty());
    j = parse(post("/2075", ""));
    json_object* plans = jget(j.get(), "report");
    EXPECT_STREQ(json_object_to_json_string_ext(at(plans, 0), JSON_C_TO_STRING_PLAIN),
                 "{\"reportType\":1,\"enable\":1,\"triChannels\":\"1100\",\"triGroups\":\"101\","
                 "\"stayLengthType\":1,\"stayLengthValue\":30,\"backupDay\":2,\"backupTime\":\"23:30\","
                 "\"fileFormat\":1,\"timeRange\":3,\"backupTo\":0}");
    // Plans 1 and 2 were cleared.
    EXPECT_EQ(jint(at(plans, 2), "reportType"), 0);
    EXPECT_STREQ(jstr(at(plans, 2), "backupTime"), "");

    // Requests that are not a report list: nothing written, no message.
    for (const char* bad : {"", "x", "{}", "{\"report\":{}}"})
        EXPECT_EQ(post("/2076", bad).out, kJsonError) << bad;
    EXPECT_EQ(emu().received(kMsgPcntReportsChanged).size(), 1u);
    PeoplecntReportPlan p1;
    stored("peoplecnt_auto_backup", 1, &p1);
    EXPECT_EQ(p1.enable, 0);
    EXPECT_STREQ(p1.backup_time, "");

    // A fourth element is ignored; seconds are accepted.
    r = post("/2076", "{\"report\":[" + plan + "," + plan + ",{\"backupTime\":\"06:00:30\"},{\"enable\":-9}]}");
    EXPECT_EQ(r.body(), "{ \"res\": 0 }");
}

TEST_F(PeopleTest, ReportPlansAreStoredAsGivenAndCutToTheirFields)
{
    init_store();
    // Texts and numbers in forms the daemon may know and this program does
    // not check: all stored, texts cut to their widths.
    const std::string channels(70, '1'), groups = "0000000001111111111";
    const std::string body = "{\"report\":[{\"enable\":1,\"backupTime\":\"8:30\",\"triGroups\":\"" + groups +
                             "\",\"triChannels\":\"" + channels +
                             "\",\"backupDay\":-2,\"backupTo\":-1},{\"enable\":1},"
                             "{\"backupTime\":\"" + std::string(40, '9') + "\",\"reportType\":7}]}";
    EXPECT_EQ(post("/2076", body).body(), "{ \"res\": 0 }");
    EXPECT_EQ(emu().received(kMsgPcntReportsChanged).size(), 1u);
    PeoplecntReportPlan p;
    stored("peoplecnt_auto_backup", 0, &p);
    EXPECT_EQ(p.enable, 1);
    EXPECT_STREQ(p.backup_time, "8:30");
    EXPECT_EQ(std::string(p.tri_groups, strnlen(p.tri_groups, sizeof p.tri_groups)), groups.substr(0, 16));
    EXPECT_EQ(std::string(p.tri_channels, strnlen(p.tri_channels, sizeof p.tri_channels)), channels.substr(0, 64));
    EXPECT_EQ(p.backup_day, -2);
    EXPECT_EQ(p.backup_to, -1);
    stored("peoplecnt_auto_backup", 1, &p);
    EXPECT_EQ(p.enable, 1);  // on, with no time
    EXPECT_STREQ(p.backup_time, "");
    stored("peoplecnt_auto_backup", 2, &p);
    EXPECT_EQ(std::string(p.backup_time), std::string(31, '9'));
    EXPECT_EQ(p.report_type, 7);

    // An element that is not an object clears its plan.
    EXPECT_EQ(post("/2076", "{\"report\":[1]}").body(), "{ \"res\": 0 }");
    stored("peoplecnt_auto_backup", 0, &p);
    EXPECT_EQ(p.enable, 0);
    EXPECT_STREQ(p.backup_time, "");
}

TEST_F(PeopleTest, EmptyBodiesAreHandled)
{
    init_store();
    expect_empty_bodies_handled({"/6090", "/6091", "/6092", "/6093", "/6096", "/6097", "/6160", "/6161", "/6162",
                                 "/6163", "/6164", "/6176", "/6177", "/6178", "/2066", "/2067", "/2069", "/2070",
                                 "/2071", "/2072", "/2075", "/2076"});
}

}  // namespace
