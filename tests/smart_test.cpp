// Smart events and channel arming schedules end to end: the actions kept in
// the store, the detection records sent to the core daemon and read back,
// the canvas conversion of lines and boxes, and the arming-schedule page.
#include <gtest/gtest.h>

#include <json-c/json.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/json.h"
#include "handlers/event/motion_records.h"
#include "handlers/event/smart_records.h"
#include "tests/fixtures.h"

namespace {

constexpr uint32_t kWaitFlag = 1;

class SmartTest : public NvrTest {
protected:
    void init_store() { ASSERT_EQ(store({"init"}).status, 0); }
    SmartEventRecord smart_event(int channel, int event)
    {
        SmartEventRecord r;
        stored("smart_event_" + std::to_string(event), channel, &r);
        return r;
    }
    RecordSchedule schedule(const std::string& table, int channel)
    {
        static RecordSchedule s;
        stored(table, channel, &s);
        return s;
    }
    // Number of rows of a table ("" output: none).
    size_t rows(const std::string& table)
    {
        std::string out = store({"dump", table}).out;
        return size_t(std::count(out.begin(), out.end(), '\n'));
    }
    static std::string hex(const EmuFrame& f) { return to_hex(f.payload.data(), f.payload.size()); }
    template <typename T>
    static std::string hex(const T& rec) { return to_hex(&rec, sizeof rec); }
};

JsonPtr parse(const std::string& text)
{
    JsonPtr j = json_parse(text.c_str());
    EXPECT_TRUE(j) << text;
    return j;
}

// A request-form schedule: day d, plan 0 = [start, end, type], other plans empty.
std::string schedule_json(const char* start, const char* end, int type)
{
    return schedule_json_of(
        8, 12, [=](int d, int p) { return p == 0 ? plan_json(start, end, type + d) : plan_json("", "", 0); });
}

std::string plan0(json_object* days, int day, const char* key)
{
    json_object* plan = json_object_array_get_idx(json_object_array_get_idx(days, size_t(day)), 0);
    return json_object_get_string(jget(plan, key));
}

// ---- actions ("/6148", "/6149", "/6150", "/6151") ----

TEST_F(SmartTest, ActionsOfEverySmartEventRoundTrip)
{
    init_store();
    emu();
    for (int event = 0; event < 9; event++) {
        const int channel = 3 + event;
        std::string body = "{\"chnid\":" + std::to_string(channel) + ",\"event\":" + std::to_string(event) +
                           ",\"enable\":1,\"triAlarms\":5,\"interval\":30,\"email_interval\":60,"
                           "\"email_pic_enable\":1,\"tri_channels_pic\":\"0101\",\"ptz_interval\":4,"
                           "\"alarmout_interval\":6,\"white_interval\":9,\"audioId\":2,"
                           "\"triChannels\":\"1" + std::string(39, '0') + "1\","
                           "\"triChnAlarms\":[\"11\",\"011\"],\"whiteInfo\":[[2,1,10],[4,0,20]],"
                           "\"effective\":" + schedule_json("08:00", "18:00", 1) +
                           ",\"audible\":" + schedule_json("01:00", "02:00", 2) +
                           ",\"email\":" + schedule_json("03:00", "04:00", 3) +
                           ",\"ptz\":" + schedule_json("05:00", "06:00", 4) +
                           ",\"white\":" + schedule_json("20:00", "23:59", 5) + "}";
        ASSERT_EQ(post("/6149", body).body(), "OK") << event;

        SmartEventRecord rec = smart_event(channel, event);
        EXPECT_EQ(rec.chnid, channel);
        EXPECT_EQ(rec.enable, 1);
        EXPECT_EQ(rec.tri_mask, 1u);  // position 40 reaches the text only
        EXPECT_EQ(std::string(rec.tri_channels), "1" + std::string(39, '0') + "1");

        auto r = post("/6148", "{\"chnid\":" + std::to_string(channel) + ",\"event\":" + std::to_string(event) + "}");
        JsonPtr reply = parse(r.body());
        json_object* a = json_object_array_get_idx(jget(reply.get(), "action"), 0);
        ASSERT_TRUE(a) << r.body();
        EXPECT_EQ(jint(a, "chnid"), channel);
        EXPECT_EQ(jint(a, "event"), event);
        EXPECT_EQ(jint(a, "triAlarms"), 5);
        EXPECT_EQ(jint(a, "interval"), 30);
        EXPECT_EQ(jint(a, "white_interval"), 9);
        EXPECT_EQ(jint(a, "audioId"), 2);
        EXPECT_STREQ(jstr(a, "tri_channels_pic"), "0101");
        EXPECT_STREQ(json_object_get_string(json_object_array_get_idx(jget(a, "triChnAlarms"), 1)), "011");
        EXPECT_EQ(plan0(jget(a, "effective"), 0, "startTime"), "08:00");
        EXPECT_EQ(plan0(jget(a, "audible"), 7, "endTime"), "02:00");
        EXPECT_EQ(plan0(jget(a, "email"), 1, "startTime"), "03:00");
        EXPECT_EQ(plan0(jget(a, "ptz"), 2, "startTime"), "05:00");
        EXPECT_EQ(plan0(jget(a, "white"), 3, "endTime"), "23:59");
        json_object* white = jget(a, "whiteInfo");
        ASSERT_EQ(json_object_array_length(white), 2u);
        EXPECT_EQ(jint(json_object_array_get_idx(white, 1), "time"), 20);
        EXPECT_EQ(json_object_array_length(jget(a, "ptzParams")), 0u);
        // The keys in the reply's order.
        std::vector<std::string> keys = json_keys(a);
        EXPECT_EQ(keys.front(), "chnid");
        EXPECT_EQ(keys[10], "triChannels");
        EXPECT_EQ(keys.back(), "ptzParams");
        EXPECT_EQ(keys.size(), 22u);
    }
    auto frames = emu().received(kMsgSmartChanged);
    ASSERT_EQ(frames.size(), 9u);
    EXPECT_EQ(hex(frames[4]), "07000000");
    EXPECT_EQ(frames[4].flags & kWaitFlag, 0u);
    // Event 4 keeps its white-LED list under the line-crossing name.
    EXPECT_EQ(rows("vca_linecross_white_led_params"), 1u);
}

TEST_F(SmartTest, ActionWriteOutsideTheRangesWritesNothing)
{
    init_store();
    emu();
    const std::string sched = ",\"effective\":" + schedule_json("08:00", "18:00", 1) + ",\"enable\":1}";
    for (const std::string& bad :
         {"{\"chnid\":1,\"event\":9" + sched, "{\"chnid\":1,\"event\":-1" + sched, "{\"chnid\":64,\"event\":0" + sched,
          "{\"chnid\":-1,\"event\":0" + sched, "{\"event\":0" + sched, std::string("not json"), std::string()}) {
        auto r = post("/6149", bad);
        EXPECT_EQ(r.header(), "Content-type: text/plain") << bad;
        EXPECT_EQ(r.body(), "CGI ERROR") << bad;
    }
    EXPECT_EQ(rows("smart_event_effective_schedule_0"), 0u);
    EXPECT_EQ(rows("smart_event_effective_schedule_9"), 0u);
    EXPECT_EQ(smart_event(1, 0).enable, 0);
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(post("/6148", "{\"chnid\":64,\"event\":0}").body(), "{status:\"CGI ERROR\"}");
}

TEST_F(SmartTest, SingleTriggerFieldWrites)
{
    init_store();
    emu();
    ASSERT_EQ(post("/6150", "{\"channel\":2,\"type\":1,\"event\":5,\"triChannels\":\"0110\"}").body(), "OK");
    SmartEventRecord rec = smart_event(2, 5);
    EXPECT_EQ(std::string(rec.tri_channels), "0110");
    EXPECT_EQ(rec.tri_mask, 6u);
    ASSERT_EQ(post("/6150", "{\"channel\":2,\"type\":0,\"event\":5,\"triAlarms\":3}").body(), "OK");
    EXPECT_EQ(smart_event(2, 5).tri_alarms, 3);
    // Type 2 rewrites the record unchanged.
    rec = smart_event(2, 5);
    ASSERT_EQ(post("/6150", "{\"channel\":2,\"type\":2,\"event\":5,\"triAlarms\":9}").body(), "OK");
    EXPECT_EQ(hex(smart_event(2, 5)), hex(rec));
    EXPECT_EQ(emu().received(kMsgSmartChanged).size(), 3u);
    // An event the store has no record of.
    EXPECT_EQ(post("/6150", "{\"channel\":2,\"type\":0,\"event\":9,\"triAlarms\":3}").body(), "ERROT");

    auto r = post("/6151", "{\"channel\":2,\"type\":5}");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    JsonPtr o = parse(r.body());
    EXPECT_EQ(jint(o.get(), "chnid"), 2);
    EXPECT_EQ(jint(o.get(), "triAlarms"), 3);
    EXPECT_STREQ(jstr(o.get(), "triChannels"), "0110");
    EXPECT_EQ(post("/6151", "{\"channel\":64,\"type\":5}").body(), "CGI ERROR");
    EXPECT_EQ(post("/6151", "{\"channel\":1,\"type\":9}").body(), "CGI ERROR");
}

// ---- detection settings ----

TEST_F(SmartTest, RegionWriteAppliesDialogAndEnableThenSendsTheRecord)
{
    init_store();
    emu();
    std::string region(320, 'f');
    auto r = post("/6133", "{\"chnid\":6,\"type\":0,\"enable\":1,\"sensitivity\":70,\"objtype\":2,"
                           "\"region\":\"" + region + "\",\"polygonX\":\"1,2,3\",\"polygonY\":\"4,5,6\","
                           "\"dialog\":{\"triAlarms\":7,\"ptzParams\":[{\"acto_ptz_channel\":3,\"acto_ptz_type\":1,"
                           "\"acto_ptz_preset\":2}]}}");
    EXPECT_EQ(r.body(), "OK");
    SmartEventRecord rec = smart_event(6, 0);
    EXPECT_EQ(rec.enable, 1);
    EXPECT_EQ(rec.tri_alarms, 7);  // the dialog's field survives the enable write
    EXPECT_EQ(rows("ptz_params_5"), 1u);

    auto frames = emu().received(kMsgRegionInSet);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].flags & kWaitFlag, kWaitFlag);
    RegionRecord want = zeroed<RegionRecord>();
    want.chnid = 6;
    want.enable = 1;
    want.sensitivity = 70;
    want.objtype = 2;
    set_text(want.region, region.c_str());
    set_text(want.polygon_x, "1,2,3");
    set_text(want.polygon_y, "4,5,6");
    EXPECT_EQ(hex(frames[0]), hex(want));
    EXPECT_EQ(frames[0].text_at(40, 300).size(), 299u);
    // The dialog's core message went before the detection record.
    auto all = emu().received();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[0].code, kMsgSmartChanged);

    // A camera that refuses; a daemon that hangs up; a status too short.
    emu().rule("3245 reply 8245 hex:01000000");
    EXPECT_EQ(post("/6133", "{\"chnid\":6,\"type\":1,\"enable\":0}").body(), "FAILED");
    emu().rule("3246 close");
    EXPECT_EQ(post("/6135", "{\"chnid\":6,\"enable\":0}").body(), "CGI ERROR");
    emu().rule("3247 reply 8247 hex:0100");
    EXPECT_EQ(post("/6137", "{\"chnid\":6,\"enable\":0}").body(), "CGI ERROR");
}

TEST_F(SmartTest, SettingsWritesCarryTheirOwnFieldsAndBadInputSendsNothing)
{
    init_store();
    emu();
    EXPECT_EQ(post("/6141", "{\"chnid\":1,\"enable\":1,\"time\":15,\"size\":40,\"objtype\":1,\"sensitivity\":9,"
                            "\"region\":\"ab\",\"polygonX\":\"x\",\"polygonY\":\"y\"}").body(), "OK");
    EXPECT_EQ(post("/6143", "{\"chnid\":1,\"enable\":1,\"tracks\":3,\"sensitivity\":9}").body(), "OK");
    EXPECT_EQ(post("/6135", "{\"chnid\":1,\"enable\":1,\"ignore_time\":4,\"time\":15}").body(), "OK");
    auto loiter = emu().received(kMsgLoiterSet), human = emu().received(kMsgHumanSet),
         motion = emu().received(kMsgAdvMotionSet);
    ASSERT_EQ(loiter.size(), 1u);
    EXPECT_EQ(loiter[0].u32_at(28), 15u);
    EXPECT_EQ(loiter[0].u32_at(32), 40u);
    EXPECT_EQ(loiter[0].u32_at(24), 0u);  // loitering has no sensitivity
    EXPECT_EQ(loiter[0].text_at(40, 300), "ab");
    ASSERT_EQ(human.size(), 1u);
    EXPECT_EQ(human[0].u32_at(36), 3u);
    EXPECT_EQ(human[0].u32_at(24), 0u);
    ASSERT_EQ(motion.size(), 1u);
    EXPECT_EQ(motion[0].u32_at(340), 4u);
    EXPECT_EQ(motion[0].u32_at(28), 0u);
    EXPECT_EQ(smart_event(1, kSmartLoiter).enable, 1);
    EXPECT_EQ(smart_event(1, kSmartHuman).enable, 1);

    const size_t before = emu().received().size();
    for (const char* code : {"/6133", "/6135", "/6137", "/6139", "/6141", "/6143", "/6145", "/6193"}) {
        EXPECT_EQ(post(code, "{\"chnid\":64,\"enable\":1}").body(), "CGI ERROR") << code;
        EXPECT_EQ(post(code, "{\"chnid\":1,").body(), "CGI ERROR") << code;
    }
    for (const char* code : {"/6147", "/6171", "/6195", "/6186"})
        EXPECT_EQ(post(code, "{\"chnid\":64}").body(), "{status:\"CGI ERROR\"}") << code;
    for (const char* code : {"/6132", "/6134", "/6136", "/6138", "/6140", "/6142", "/6144", "/6146", "/6157"})
        EXPECT_EQ(post(code, "{\"channel\":64}").body(), "{status:\"CGI ERROR\"}") << code;
    EXPECT_EQ(emu().received().size(), before);
    EXPECT_EQ(smart_event(1, 0).enable, 0);
}

TEST_F(SmartTest, StoreWithoutTheEventRecordRefusesTheWrite)
{
    emu();  // no "nvr-store init": no smart-event records
    EXPECT_EQ(post("/6143", "{\"chnid\":1,\"enable\":1,\"tracks\":3}").body(), "ERROR");
    EXPECT_EQ(post("/6133", "{\"chnid\":1,\"type\":0,\"enable\":1}").body(), "CGI ERROR");
    EXPECT_TRUE(emu().received(kMsgHumanSet).empty());
    EXPECT_TRUE(emu().received(kMsgRegionInSet).empty());
}

TEST_F(SmartTest, RegionReadsAskTheEventOfTheirType)
{
    emu();
    JsonPtr in = parse(post("/6132", "{\"channel\":2,\"type\":0}").body());
    EXPECT_EQ(jint(in.get(), "enable"), 1);
    EXPECT_STREQ(jstr(in.get(), "polygonX"), "120,340,340,120");
    post("/6132", "{\"channel\":2,\"type\":5}");
    EXPECT_EQ(emu().received(kMsgRegionExitGet).size(), 1u);
    EXPECT_EQ(hex(emu().received(kMsgRegionExitGet)[0]), "02000000");

    RegionRecord r = zeroed<RegionRecord>();
    r.enable = 1;
    r.sensitivity = 33;
    r.tracks = 2;
    r.ignore_time = 8;
    std::memset(r.region, 'z', sizeof r.region);  // no terminating NUL
    emu().rule("3239 reply 8239 hex:" + hex(r));
    JsonPtr adv = parse(post("/6134", "{\"channel\":1}").body());
    EXPECT_EQ(std::string(jstr(adv.get(), "region")), std::string(300, 'z'));
    EXPECT_EQ(jint(adv.get(), "ignore_time"), 8);
    emu().rule("3243 reply 8243 hex:" + hex(r));
    EXPECT_EQ(post("/6142", "{\"channel\":1}").body(), "{ \"enable\": 1, \"tracks\": 2 }");
    emu().rule("3240 reply 8240 hex:" + hex(r).substr(0, 100));
    EXPECT_EQ(post("/6136", "{\"channel\":1}").body(), "{status:\"CGI ERROR\"}");
}

TEST_F(SmartTest, LinesTravelOnTheCanvasAndReachTheCameraInPicturePoints)
{
    init_store();
    emu();
    ASSERT_EQ(post("/6139", "{\"chnid\":3,\"enable\":1,\"objtype\":2,\"width\":1920,\"height\":1080,"
                            "\"line\":[{\"position\":\"0;0;460;260\",\"direction\":1},"
                            "{\"position\":\"230;130\",\"direction\":2}]}").body(), "OK");
    auto frames = emu().received(kMsgLineCrossSet);
    ASSERT_EQ(frames.size(), 1u);
    LineCrossRecord want = zeroed<LineCrossRecord>();
    want.chnid = 3;
    want.enable = 1;
    want.objtype = 2;
    want.lines[0] = LineEntry{1, 1, 1920, 1080, 1, 0};
    want.lines[1] = LineEntry{960, 540, 1, 1, 2, 0};
    want.lines[2] = LineEntry{1, 1, 1, 1, 0, 0};
    want.lines[3] = LineEntry{1, 1, 1, 1, 0, 0};
    EXPECT_EQ(hex(frames[0]), hex(want));
    EXPECT_EQ(smart_event(3, kSmartLineCross).enable, 1);

    // Newer form: the same lines in the 132-byte record.
    ASSERT_EQ(post("/6193", "{\"chnid\":3,\"enable\":1,\"sensitivity\":60,\"width\":1280,\"height\":720,"
                            "\"line\":[{\"position\":\"115;65;345;195\",\"direction\":3}]}").body(), "OK");
    auto ex = emu().received(kMsgLineCrossExSet);
    ASSERT_EQ(ex.size(), 1u);
    ASSERT_EQ(ex[0].payload.size(), 132u);
    EXPECT_EQ(ex[0].u32_at(16), 60u);
    EXPECT_EQ(ex[0].u32_at(24), 320u);
    EXPECT_EQ(ex[0].u32_at(28), 180u);
    EXPECT_EQ(ex[0].u32_at(32), 960u);
    EXPECT_EQ(ex[0].u32_at(36), 540u);
    EXPECT_EQ(ex[0].u32_at(40), 3u);

    // The demo camera's line (480,540)-(1440,540) of 1920 x 1080 on the canvas.
    JsonPtr line = parse(post("/6138", "{\"channel\":0}").body());
    EXPECT_STREQ(jstr(line.get(), "position"), "115;130;345;130");
    EXPECT_EQ(jint(line.get(), "direction"), 2);
    EXPECT_EQ(jint(line.get(), "width"), 1920);
    ASSERT_EQ(json_object_array_length(jget(line.get(), "line")), 4u);
    JsonPtr line_ex = parse(post("/6192", "{\"chnid\":0}").body());
    EXPECT_EQ(jint(line_ex.get(), "sensitivity"), 50);
    EXPECT_STREQ(jstr(line_ex.get(), "position"), "115;130;345;130");
    // A camera reporting no picture size gives (0, 0) rather than a crash.
    LineCrossRecord zero = zeroed<LineCrossRecord>();
    zero.lines[0] = LineEntry{100, 100, 200, 200, 0, 0};
    emu().rule("3241 reply 8241 hex:" + hex(zero));
    JsonPtr empty = parse(post("/6138", "{\"channel\":0}").body());
    EXPECT_STREQ(jstr(empty.get(), "position"), "0;0;0;0");
}

TEST_F(SmartTest, PeopleCountingSettingsAndCount)
{
    init_store();
    emu();
    ASSERT_EQ(post("/6147", "{\"chnid\":4,\"fps\":10,\"mode\":1,\"installation\":2,\"analysis\":1,"
                            "\"width\":1920,\"height\":1080,\"position\":[{\"minStartX\":115,\"minStartY\":65,"
                            "\"minWidth\":0,\"minHeight\":26,\"maxStartX\":0,\"maxStartY\":0,"
                            "\"maxWidth\":460,\"maxHeight\":260}]}").body(), "OK");
    auto frames = emu().received(kMsgPeopleSettingsSet);
    ASSERT_EQ(frames.size(), 1u);
    PeopleSettingsRecord want = zeroed<PeopleSettingsRecord>();
    want.chnid = 4;
    want.fps = 10;
    want.mode = 1;
    want.installation = 2;
    want.analysis = 1;
    want.width = 1920;
    want.height = 1080;
    want.min = PictureBox{480, 270, 1, 108};
    want.max = PictureBox{1, 1, 1920, 1080};
    EXPECT_EQ(hex(frames[0]), hex(want));

    JsonPtr settings = parse(post("/6146", "{\"channel\":0}").body());
    EXPECT_EQ(jint(settings.get(), "vcaType"), 1);
    EXPECT_EQ(jint(settings.get(), "minStartX"), 115);
    EXPECT_EQ(jint(settings.get(), "maxHeight"), 116);
    json_object* box = json_object_array_get_idx(jget(settings.get(), "position"), 0);
    EXPECT_EQ(jint(box, "maxWidth"), 115);
    JsonPtr newer = parse(post("/6194", "{\"chnid\":0}").body());
    EXPECT_FALSE(jhas(newer.get(), "vcaType"));
    EXPECT_EQ(jint(newer.get(), "fps"), 10);
    ASSERT_EQ(post("/6195", "{\"chnid\":4,\"fps\":12,\"width\":0,\"height\":0}").body(), "OK");
    auto ex = emu().received(kMsgPeopleSettingsExSet);
    ASSERT_EQ(ex.size(), 1u);
    ASSERT_EQ(ex[0].payload.size(), 288u);
    EXPECT_EQ(ex[0].u32_at(8), 12u);
    EXPECT_EQ(ex[0].u32_at(32), 1u);  // boxes of an unknown picture: raised to 1

    ASSERT_EQ(post("/6145", "{\"chnid\":4,\"enable\":1,\"osd\":1,\"text\":\"Shop floor visitors\","
                            "\"sumThresholds\":25,\"triggerEnableBySum\":1,\"position\":3}").body(), "OK");
    auto count = emu().received(kMsgPeopleCountSet);
    ASSERT_EQ(count.size(), 1u);
    ASSERT_EQ(count[0].payload.size(), 72u);
    EXPECT_EQ(count[0].text_at(56, 16), "Shop floor visi");
    EXPECT_EQ(count[0].u32_at(48), 25u);
    EXPECT_EQ(count[0].u32_at(52), 3u);
    EXPECT_EQ(smart_event(4, kSmartPeople).enable, 1);
    JsonPtr shown = parse(post("/6144", "{\"channel\":0}").body());
    EXPECT_STREQ(jstr(shown.get(), "text"), "Visitors");
    EXPECT_EQ(jint(shown.get(), "sumThresholds"), 20);
}

TEST_F(SmartTest, ObjectLeftOrRemovedKeepsTheStoredEnableUnlessSent)
{
    init_store();
    emu();
    ASSERT_EQ(post("/6150", "{\"channel\":5,\"type\":0,\"event\":8,\"triAlarms\":1}").body(), "OK");
    ASSERT_EQ(post("/6149", "{\"chnid\":5,\"event\":8,\"enable\":1}").body(), "OK");
    ASSERT_EQ(post("/6171", "{\"chnid\":5,\"left_enable\":1,\"remove_enable\":1,\"min_time\":45,"
                            "\"sensitivity\":50,\"region\":\"ff\",\"polygonX\":\"1\",\"polygonY\":\"2\"}").body(), "OK");
    EXPECT_EQ(smart_event(5, kSmartObject).enable, 1);
    auto frames = emu().received(kMsgObjectSet);
    ASSERT_EQ(frames.size(), 1u);
    ObjectRecord want = zeroed<ObjectRecord>();
    want.chnid = 5;
    want.sensitivity = 50;
    want.left_enable = 1;
    want.remove_enable = 1;
    want.min_time = 45;
    set_text(want.region, "ff");
    set_text(want.polygon_x, "1");
    set_text(want.polygon_y, "2");
    EXPECT_EQ(hex(frames[0]), hex(want));
    JsonPtr o = parse(post("/6172", "{\"channel\":0}").body());
    EXPECT_EQ(jint(o.get(), "left_enable"), 1);
    EXPECT_EQ(jint(o.get(), "min_time"), 30);
}

TEST_F(SmartTest, CapabilityAndAnalyticsSupport)
{
    emu();
    EXPECT_EQ(post("/6157", "{\"channel\":1}").body(), "{ \"support\": 1, \"type\": 2 }");
    emu().rule("3257 reply 8257 hex:");
    EXPECT_EQ(post("/6157", "{\"channel\":1}").body(), "{ \"support\": -1, \"type\": -1 }");
    EXPECT_EQ(post("/6186", "{\"chnid\":9}").body(), "{ \"chnid\": 9, \"vca_support\": 0, \"vca_version\": 0 }");
    emu().rule("3293 reply 8293 hex:0100000001000000");
    EXPECT_EQ(post("/6186", "{\"chnid\":1}").body(), "{status:\"CGI ERROR\"}");
    EXPECT_EQ(post("/6186", "").body(), "{status:\"CGI ERROR\"}");
}

TEST_F(SmartTest, EveryCodeSurvivesEmptyBodies)
{
    emu();
    expect_empty_bodies_handled({"/6132", "/6133", "/6134", "/6135", "/6136", "/6137", "/6138", "/6139", "/6140",
                                 "/6141", "/6142", "/6143", "/6144", "/6145", "/6146", "/6147", "/6148", "/6149",
                                 "/6150", "/6151", "/6157", "/6171", "/6172", "/6186", "/6192", "/6193", "/6194",
                                 "/6195", "/2035", "/2036"});
    EXPECT_TRUE(emu().received().empty());
}

// ---- arming schedules ("/2035", "/2036") ----

const char* const kArmingKeys[] = {
    "schedule_motion",          "schedule_region_entrance", "schedule_region_exit",
    "schedule_advanced_motion", "schedule_tamper_detection", "schedule_line_crossing",
    "schedule_loitering",       "schedule_human_detection",  "schedule_people_counting",
};

std::string arming_request(int channel, int start, int end)
{
    std::string body = "{\"channel\":" + std::to_string(channel) + ",\"start\":" + std::to_string(start) +
                       ",\"end\":" + std::to_string(end);
    for (int t = 0; t < 9; t++) {
        char start_time[8];
        std::snprintf(start_time, sizeof start_time, "%02d:00", t + 1);
        body += std::string(",\"") + kArmingKeys[t] + "\":" + schedule_json(start_time, "23:00", t);
    }
    return body + "}";
}

TEST_F(SmartTest, ArmingSchedulesOfMotionAndAnalyticsTravelTogether)
{
    // A channel never written: every plan reads as 00:00-00:00, type 0.
    auto fresh = post("/2035", "{\"channel\":7}");
    EXPECT_EQ(fresh.header(), "Content-type: application/json");
    JsonPtr empty = parse(fresh.body());
    for (const char* key : kArmingKeys) {
        json_object* days = jget(empty.get(), key);
        ASSERT_EQ(json_object_array_length(days), 8u) << key;
        json_object* day = json_object_array_get_idx(days, 7);
        ASSERT_EQ(json_object_array_length(day), 12u);
        json_object* plan = json_object_array_get_idx(day, 11);
        EXPECT_STREQ(jstr(plan, "startTime"), "00:00");
        EXPECT_STREQ(jstr(plan, "endTime"), "00:00");
        EXPECT_EQ(jint(plan, "actionType"), 0);
    }

    ASSERT_EQ(post("/2036", arming_request(7, 0, 8)).body(), "OK");
    JsonPtr all = parse(post("/2035", "{\"channel\":7}").body());
    for (int t = 0; t < 9; t++) {
        json_object* days = jget(all.get(), kArmingKeys[t]);
        char start_time[8];
        std::snprintf(start_time, sizeof start_time, "%02d:00", t + 1);
        EXPECT_EQ(plan0(days, 2, "startTime"), start_time);
        EXPECT_EQ(jint(json_object_array_get_idx(json_object_array_get_idx(days, 2), 0), "actionType"), t + 2);
        EXPECT_STREQ(jstr(json_object_array_get_idx(json_object_array_get_idx(days, 2), 1), "startTime"), "00:00");
    }
    // The same rows the per-source pages use.
    EXPECT_EQ(std::string(schedule("motion_effective_schedule", 7).days[0].plans[0].start_time), "01:00");
    EXPECT_EQ(std::string(schedule("smart_event_effective_schedule_7", 7).days[0].plans[0].start_time), "09:00");
    JsonPtr action = parse(post("/6148", "{\"chnid\":7,\"event\":2}").body());
    EXPECT_EQ(plan0(jget(json_object_array_get_idx(jget(action.get(), "action"), 0), "effective"), 0, "startTime"),
              "04:00");
    EXPECT_EQ(rows("smart_event_effective_schedule_8"), 0u);  // object left/removed is not on this page
}

TEST_F(SmartTest, ArmingWriteOfARunLeavesTheOthers)
{
    ASSERT_EQ(post("/2036", arming_request(2, 0, 8)).body(), "OK");
    std::string body = arming_request(2, 1, 3);
    for (int i = 0; i < 9; i++) {
        size_t at;
        while ((at = body.find("23:00")) != std::string::npos) body.replace(at, 5, "22:30");
    }
    ASSERT_EQ(post("/2036", body).body(), "OK");
    JsonPtr all = parse(post("/2035", "{\"channel\":2}").body());
    for (int t = 0; t < 9; t++)
        EXPECT_EQ(plan0(jget(all.get(), kArmingKeys[t]), 0, "endTime"), t >= 1 && t <= 3 ? "22:30" : "23:00") << t;

    // start above end: nothing written; a missing key keeps its schedule.
    ASSERT_EQ(post("/2036", arming_request(4, 5, 2)).body(), "OK");
    EXPECT_EQ(schedule("motion_effective_schedule", 4).days[0].plans[0].start_time[0], 0);
    EXPECT_EQ(schedule("smart_event_effective_schedule_4", 4).days[0].plans[0].start_time[0], 0);
    ASSERT_EQ(post("/2036", "{\"channel\":2,\"start\":0,\"end\":8}").body(), "OK");
    JsonPtr kept = parse(post("/2035", "{\"channel\":2}").body());
    EXPECT_EQ(plan0(jget(kept.get(), "schedule_region_exit"), 0, "endTime"), "22:30");
    // Out-of-range runs are cut to the nine types.
    ASSERT_EQ(post("/2036", arming_request(3, -4, 40)).body(), "OK");
    EXPECT_EQ(std::string(schedule("smart_event_effective_schedule_7", 3).days[0].plans[0].start_time), "09:00");
}

TEST_F(SmartTest, ArmingBadChannelsWriteNothing)
{
    emu();
    EXPECT_EQ(post("/2035", "{\"channel\":64}").out, "");
    EXPECT_EQ(post("/2035", "{\"channel\":-1}").out, "");
    EXPECT_EQ(post("/2035", "channel=1").out, "");
    EXPECT_EQ(post("/2036", "no json").out, "");
    EXPECT_EQ(post("/2036", arming_request(64, 0, 8)).body(), "CGI ERROR");
    EXPECT_EQ(post("/2036", arming_request(-1, 0, 8)).body(), "CGI ERROR");
    EXPECT_EQ(rows("motion_effective_schedule"), 0u);
    EXPECT_TRUE(emu().received().empty());  // no core message, no log record
}

TEST_F(SmartTest, ModuleTablesHoldTheNewCodes)
{
    const std::vector<std::string> video = {"/6132", "/6133", "/6134", "/6135", "/6136", "/6137", "/6138",
                                            "/6139", "/6140", "/6141", "/6142", "/6143", "/6144", "/6145",
                                            "/6146", "/6147", "/6148", "/6149", "/6150", "/6151", "/6157",
                                            "/6171", "/6172", "/6186", "/6192", "/6193", "/6194", "/6195"};
    EXPECT_EQ(registered_codes("video", video), video);
    const std::vector<std::string> camera = {"/2035", "/2036"};
    EXPECT_EQ(registered_codes("camera", camera), camera);
}

}  // namespace
