// Face capture end to end: the configuration payload sent to the camera,
// the face actions stored beside it, and the replies, through the CGI
// program, the emulator and the store.
#include <cstring>
#include <string>
#include <vector>

#include "handlers/camera/face_records.h"
#include "tests/fixtures.h"

namespace {

// Every configuration key with a distinct value.
const std::string kConfig =
    "\"enable\":1,\"width\":1920,\"height\":1080,\"minPixel\":40,\"captureMode\":2,"
    "\"captureModeArray\":[{\"captureQuality\":80,\"snapshot\":1},{\"captureQuality\":70,\"snapshot\":2},"
    "{\"captureQuality\":60,\"snapshot\":3},{\"captureQuality\":50,\"snapshot\":4}],"
    "\"snapshotType\":3,\"snapshotInterval\":5,\"snapshotBackground\":1,\"poseYaw\":30,\"poseRoll\":20,"
    "\"posePitch\":10,\"blurLimit\":7,\"detection_polygonX\":\"0,100,100,0\",\"detection_polygonY\":\"0,0,100,100\","
    "\"uploadEnable\":1,\"uploadFileType\":2,\"nasEnable\":1,\"nasFileType\":3,\"emailEnable\":1,\"emailFileType\":4,"
    "\"httpEnable\":1,\"httpNotifyInterval\":15,\"httpUrl\":\"http://10.0.0.9/face\",\"httpUser\":\"hook\","
    "\"httpPassword\":\"s3cret\",\"recordSeconds\":20,\"prerecordSeconds\":5,\"postEnable\":1,\"postType\":2,"
    "\"shield\":[{\"enable\":1,\"polygonX\":\"1,2\",\"polygonY\":\"3,4\"},{\"enable\":0,\"polygonX\":\"5\","
    "\"polygonY\":\"6\"}],\"attributeEnable\":1,\"attributeType\":6,\"mosaicEnable\":1,\"mosaicModeStatus\":2,"
    "\"mutuallyExclusive\":1";

FaceConfigMessage expected_config(int channel)
{
    FaceConfigMessage m = zeroed<FaceConfigMessage>();
    m.chn_id = channel;
    m.enable = 1;
    m.width = 1920;
    m.height = 1080;
    m.min_pixel = 40;
    m.capture_mode = 2;
    m.capture_quality[0] = 80;
    m.capture_quality[1] = 70;
    m.capture_quality[2] = 60;
    m.snapshot_type = 3;
    m.snapshot_interval = 5;
    m.snapshot_background = 1;
    m.pose_yaw = 30;
    m.pose_roll = 20;
    m.pose_pitch = 10;
    m.blur_limit = 7;
    set_text(m.detection_polygon_x, "0,100,100,0");
    set_text(m.detection_polygon_y, "0,0,100,100");
    m.upload_enable = 1;
    m.upload_file_type = 2;
    m.nas_enable = 1;
    m.nas_file_type = 3;
    m.email_enable = 1;
    m.email_file_type = 4;
    m.http_enable = 1;
    m.http_notify_interval = 15;
    set_text(m.http_url, "http://10.0.0.9/face");
    set_text(m.http_user, "hook");
    set_text(m.http_password, "s3cret");
    m.snapshot[0] = 1;
    m.snapshot[1] = 2;
    m.snapshot[2] = 3;
    m.record_seconds = 20;
    m.prerecord_seconds = 5;
    m.post_enable = 1;
    m.post_type = 2;
    m.shield[0].enable = 1;
    set_text(m.shield[0].polygon_x, "1,2");
    set_text(m.shield[0].polygon_y, "3,4");
    set_text(m.shield[1].polygon_x, "5");
    set_text(m.shield[1].polygon_y, "6");
    m.attribute_enable = 1;
    m.attribute_type = 6;
    m.mosaic_enable = 1;
    m.mosaic_mode_status = 2;
    m.mutually_exclusive = 1;
    return m;
}


class FaceTest : public NvrTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(store({"init"}).status, 0);
        emu();
    }
    std::string dump(const std::string& table) { return store({"dump", table}).out; }
};

TEST_F(FaceTest, ModuleListsItsCode)
{
    EXPECT_EQ(registered_codes("camera", {"/2077"}), std::vector<std::string>{"/2077"});
}

TEST_F(FaceTest, ConfigurationAloneIsSentAndTheActionsStayAsStored)
{
    const std::string events = dump("face_event");
    auto r = post("/2077", "{\"chnId\":3," + kConfig + "}");
    EXPECT_EQ(r.out, kJsonHead + "{ \"status\": 0 }");
    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), std::vector<uint32_t>{3381});
    EXPECT_EQ(frames[0].flags & 1, 1u);
    // Four capture modes contribute their first three; two shield areas
    // leave areas 2 and 3 off and empty.
    EXPECT_EQ(hex_of(frames[0]), hex_of(expected_config(3)));
    EXPECT_EQ(dump("face_event"), events);
    EXPECT_EQ(dump("face_audible_schedule"), "");

    // An offline camera: the daemon's status.
    EXPECT_EQ(post("/2077", "{\"chnId\":15}").body(), "{ \"status\": -1 }");
}

TEST_F(FaceTest, MissingKeysAndArraysGiveZerosAndEmptyTextsAndLongTextsAreCut)
{
    const std::string url(200, 'u');
    ASSERT_EQ(post("/2077", "{\"chnId\":0,\"httpUrl\":\"" + url + "\",\"shield\":7}").body(), "{ \"status\": 0 }");
    FaceConfigMessage want = zeroed<FaceConfigMessage>();
    set_text(want.http_url, url.c_str());
    EXPECT_EQ(hex_of(emu().received(3381).at(0)), hex_of(want));
    EXPECT_EQ(std::string(want.http_url), std::string(127, 'u'));
}

TEST_F(FaceTest, ChannelOutsideTheFirstSixteenSendsNothing)
{
    for (const char* body : {"{\"chnId\":16}", "{\"chnId\":-1}", "{\"chnid\":3}", "chnId=3", "",
                             "{\"chnId\":16,\"action\":{\"interval\":3}}"})
        EXPECT_EQ(post("/2077", body).out, kJsonError) << body;
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(FaceTest, ActionsAreStoredThenAnnouncedBeforeTheConfiguration)
{
    const std::string plan = "[[[\"08:00\",\"18:00\",1]]]";
    const std::string action = "{\"effective\":" + plan + ",\"audible\":" + plan + ",\"email\":" + plan +
                               ",\"ptz\":" + plan + ",\"white\":" + plan +
                               ",\"interval\":11,\"audioId\":3,\"email_interval\":22,\"email_pic_enable\":1,"
                               "\"tri_channels_pic\":\"01\",\"ptz_interval\":33,\"ptzParams\":[{\"acto_ptz_channel\":"
                               "2,\"acto_ptz_type\":2,\"acto_ptz_patrol\":1}],\"white_interval\":44,\"whiteInfo\":"
                               "[{\"chnid\":1,\"mode\":2,\"time\":60}],\"triChnAlarms\":[\"1\"],\"alarmout_interval\":"
                               "55,\"triAlarms\":1,\"triChannels\":\"1001\",\"enable\":0}";
    auto r = post("/2077", "{\"chnId\":5," + kConfig + ",\"action\":" + action + "}");
    EXPECT_EQ(r.out, kJsonHead + "{ \"status\": 0 }");
    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<uint32_t>{3383, 3381}));
    EXPECT_EQ(hex_of(frames[0]), "05000000");
    EXPECT_EQ(frames[0].flags & 1, 0u);
    // "enable" inside the actions is not the capture switch.
    EXPECT_EQ(hex_of(frames[1]), hex_of(expected_config(5)));

    FaceEventRecord ev;
    ASSERT_TRUE(stored("face_event", 5, &ev));
    EXPECT_EQ(ev.id, 5);
    EXPECT_EQ(ev.interval, 11);
    EXPECT_EQ(ev.audio_id, 3);
    EXPECT_EQ(ev.email_interval, 22);
    EXPECT_EQ(ev.email_pic_enable, 1);
    EXPECT_EQ(ev.ptz_interval, 33);
    EXPECT_EQ(ev.white_interval, 44);
    EXPECT_EQ(ev.alarmout_interval, 55);
    EXPECT_EQ(ev.tri_alarms, 1);
    EXPECT_STREQ(ev.tri_channels, "1001");
    EXPECT_EQ(ev.tri_mask, 9u);
    EXPECT_STREQ(ev.tri_chn_alarms[0], "1");
    EXPECT_STREQ(ev.tri_channels_pic, "01");
    for (const char* table : {"face_effective_schedule", "face_audible_schedule", "face_mail_schedule",
                              "face_ptz_schedule", "face_whiteled_schedule"}) {
        RecordSchedule s;
        ASSERT_TRUE(stored(table, 5, &s)) << table;
        EXPECT_STREQ(s.days[0].plans[0].end_time, "18:00") << table;
    }
    PtzActionList ptz;
    ASSERT_TRUE(stored("ptz_params_26", 5, &ptz));
    EXPECT_EQ(ptz.count, 1);
    EXPECT_EQ(ptz.entries[0].source_channel, 5);
    EXPECT_EQ(ptz.entries[0].acto_ptz_patrol, 1);
    WhiteLedList white;
    ASSERT_TRUE(stored("face_whiteled_params", 5, &white));
    EXPECT_EQ(white.count, 1);
    EXPECT_EQ(white.entries[0].time, 60);
    // Other channels keep their actions.
    EXPECT_TRUE(stored("face_event", 4, &ev));
    EXPECT_EQ(ev.interval, 0);
}

TEST_F(FaceTest, NoOrShortReplyGivesTheError)
{
    emu().rule("3381 reply 8381 hex:0000");
    EXPECT_EQ(post("/2077", "{\"chnId\":1}").out, kJsonError);
}

TEST_F(FaceTest, NoReplyGivesTheError)
{
    emu().rule("3381 close");
    EXPECT_EQ(post("/2077", "{\"chnId\":1}").out, kJsonError);
}

TEST_F(FaceTest, EmptyBodies) { expect_empty_bodies_handled({"/2077"}); }

}  // namespace
