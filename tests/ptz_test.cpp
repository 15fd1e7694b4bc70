// PTZ control end to end: the payloads the core daemon gets, byte for byte,
// the checks that send nothing, and the replies built from its records.
#include <gtest/gtest.h>

#include <cstring>

#include "common/reply.h"
#include "handlers/ptz/ptz_records.h"
#include "tests/fixtures.h"

namespace {

PtzCameraParam camera_param(int channel, const char* param, const char* value)
{
    PtzCameraParam p = zeroed<PtzCameraParam>();
    p.channel = channel;
    set_text(p.page, "vsetting.html");
    set_text(p.param, param);
    set_text(p.value, value);
    return p;
}

class PtzTest : public NvrTest {
protected:
    // The one log record sent: PTZ operation, its parameter type and channel.
    void expect_log(int param_type, int channel_from_1, size_t count = 1)
    {
        auto logs = emu().received(3485);
        ASSERT_EQ(logs.size(), count);
        for (const EmuFrame& f : logs) {
            ASSERT_EQ(f.payload.size(), 672u);
            EXPECT_EQ(f.u32_at(0), 4u);
            EXPECT_EQ(f.i64_at(8), 206);
            EXPECT_EQ(f.u32_at(24), u32(param_type));
            EXPECT_EQ(f.u32_at(32), u32(channel_from_1));
            EXPECT_EQ(f.flags & 1, 0u);
        }
    }
    // Runs requests that must be refused: no output and no message.
    void expect_refused(const std::string& code, const std::vector<std::string>& bodies)
    {
        for (const std::string& b : bodies) EXPECT_EQ(post(code, b).out, "") << code << " " << b;
        EXPECT_TRUE(emu().received().empty());
    }
};

TEST_F(PtzTest, ModuleCodesInTableOrder)
{
    const std::vector<std::string> ptz = registered_codes("ptz");
    // "/6050".."/6057" of the PTZ configuration sit between "/5001" and "/5002".
    std::vector<std::string> mine;
    for (const std::string& c : ptz)
        if (c.compare(0, 2, "/5") == 0) mine.push_back(c);
    EXPECT_EQ(mine, (std::vector<std::string>{"/5000", "/5001", "/5002", "/5003", "/5004", "/5005", "/5006", "/5007",
                                              "/5008", "/5009", "/5010", "/5011", "/5012"}));
    ASSERT_FALSE(ptz.empty());
    EXPECT_EQ(ptz.front(), "/5000");
}

TEST_F(PtzTest, MoveSendsActionThenAutoFocusThenSpeed)
{
    emu().rule("3226 reply 8226 hex:00000000");
    auto r = post("/5000", "{\"channelId\":3,\"action\":21,\"panSpeed\":6,\"tiltSpeed\":4,\"zoomSpeed\":2,"
                           "\"focusSpeed\":1,\"fisheyeType\":1,\"streamId\":2,\"isAutoFocus\":1}");
    EXPECT_EQ(r.out, kOk);

    PtzAction a = zeroed<PtzAction>();
    a.channel = 3;
    a.action = 21;
    a.pan_speed = 6;
    a.tilt_speed = 4;
    a.zoom_speed = 2;
    a.focus_speed = 1;
    a.fisheye_type = 1;
    a.stream_id = 2;
    auto moves = emu().received(1251);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(hex_of(moves[0]), hex_of(a));
    a.action = 12;
    EXPECT_EQ(hex_of(moves[1]), hex_of(a));
    EXPECT_EQ(moves[0].flags & 1, 0u);

    EXPECT_EQ(hex_of(sent_once(3226)), hex_of(camera_param(3, "ptzspeed", "5")));
    expect_log(900, 4);
}

TEST_F(PtzTest, MoveWithoutAutoFocusSendsOneActionAndNoSpeedReplyIsCgiError)
{
    emu().rule("3226 close");
    auto r = post("/5000", "{\"channelId\":0,\"action\":21,\"panSpeed\":0,\"isAutoFocus\":0}");
    EXPECT_EQ(r.out, kTextError);
    EXPECT_EQ(emu().received(1251).size(), 1u);
    auto speed = emu().received(3226);
    ASSERT_EQ(speed.size(), 1u);
    EXPECT_EQ(speed[0].text_at(260, 128), "1");
    expect_log(900, 1);  // sent even without a reply
}

TEST_F(PtzTest, MoveChecksChannelAgainstTheDeviceAndAction)
{
    emu();
    expect_refused("/5000", {"{\"channelId\":32,\"action\":1}", "{\"channelId\":-1,\"action\":1}",
                             "{\"channelId\":0,\"action\":-1}", "channelId=0&action=1", ""});
    // A device with more channels: channel 40 is valid, 64 never is.
    ASSERT_EQ(store({"set", "max_cameras", "100"}).status, 0);
    emu().rule("3226 reply 8226 hex:00000000");
    EXPECT_EQ(post("/5000", "{\"channelId\":64,\"action\":1}").out, "");
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(post("/5000", "{\"channelId\":40,\"action\":1}").out, kOk);
    EXPECT_EQ(emu().received(1251).size(), 1u);
}

TEST_F(PtzTest, SpeedConversion)
{
    emu().rule("3226 reply 8226 hex:00000000");
    const std::pair<int, const char*> cases[] = {{1, "0"}, {0, "1"}, {-3, "1"}, {10, "9"}};
    for (const auto& c : cases)
        EXPECT_EQ(post("/5008", "{\"chn\":2,\"Speed\":" + std::to_string(c.first) + "}").out, kOk);
    auto sent = emu().received(3226);
    ASSERT_EQ(sent.size(), 4u);
    for (size_t i = 0; i < 4; i++) EXPECT_EQ(hex_of(sent[i]), hex_of(camera_param(2, "ptzspeed", cases[i].second)));
    expect_log(904, 3, 4);
}

TEST_F(PtzTest, PresetCarriesItsNameOnlyWhenSetting)
{
    emu();
    const std::string name40 = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
    std::string speeds = "\"panSpeed\":1,\"tiltSpeed\":2,\"zoomSpeed\":3,\"focusSpeed\":4";
    EXPECT_EQ(post("/5001", "{\"channelId\":1,\"presetId\":300,\"action\":22,\"name\":\"" + name40 + "\"," + speeds +
                                ",\"streamId\":1}")
                  .out,
              kOk);
    EXPECT_EQ(post("/5001", "{\"channelId\":1,\"presetId\":7,\"action\":23,\"name\":\"kept out\"," + speeds + "}").out,
              kOk);
    auto sent = emu().received(1253);
    ASSERT_EQ(sent.size(), 2u);
    PtzAction a = zeroed<PtzAction>();
    a.channel = 1;
    a.action = 22;
    a.id = 300;
    a.pan_speed = 1;
    a.tilt_speed = 2;
    a.zoom_speed = 3;
    a.focus_speed = 4;
    a.stream_id = 1;
    std::memcpy(a.name, name40.data(), 30);
    EXPECT_EQ(hex_of(sent[0]), hex_of(a));
    EXPECT_EQ(sent[0].text_at(32, 32), name40.substr(0, 30));
    a.action = 23;
    a.id = 7;
    a.stream_id = 0;
    std::memset(a.name, 0, sizeof a.name);
    EXPECT_EQ(hex_of(sent[1]), hex_of(a));
    EXPECT_TRUE(emu().received(3226).empty());  // not a fisheye camera
    expect_log(904, 2, 2);
}

TEST_F(PtzTest, FisheyePresetSetsTheCameraParameter)
{
    emu().rule("3226 reply 8226 hex:00000000");
    const std::string name40 = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
    auto r = post("/5001", "{\"channelId\":0,\"presetId\":12,\"action\":22,\"name\":\"" + name40 +
                               "\",\"panSpeed\":0,\"tiltSpeed\":0,\"zoomSpeed\":0,\"focusSpeed\":0,"
                               "\"fisheyeType\":1,\"streamId\":3}");
    EXPECT_EQ(r.out, kOk);
    auto param = emu().received(3226);
    ASSERT_EQ(param.size(), 1u);
    EXPECT_EQ(hex_of(param[0]), hex_of(camera_param(0, "ipncptz=setfishpreset", ("3:12:" + name40.substr(0, 31)).c_str())));
    expect_log(904, 1);
}

TEST_F(PtzTest, PresetRefusals)
{
    emu();
    std::string ok_speeds = "\"panSpeed\":1,\"tiltSpeed\":1,\"zoomSpeed\":1,\"focusSpeed\":1";
    expect_refused("/5001", {
                                "{\"channelId\":0,\"presetId\":301,\"action\":22," + ok_speeds + "}",
                                "{\"channelId\":0,\"presetId\":-1,\"action\":22," + ok_speeds + "}",
                                "{\"channelId\":32,\"presetId\":1,\"action\":22," + ok_speeds + "}",
                                "{\"channelId\":0,\"presetId\":1,\"action\":-5," + ok_speeds + "}",
                                // a speed missing, or below 0
                                "{\"channelId\":0,\"presetId\":1,\"action\":22,\"panSpeed\":1,\"tiltSpeed\":1,"
                                "\"zoomSpeed\":1}",
                                "{\"channelId\":0,\"presetId\":1,\"action\":22,\"panSpeed\":1,\"tiltSpeed\":-1,"
                                "\"zoomSpeed\":1,\"focusSpeed\":1}",
                                "[1,2]",
                            });
}

TEST_F(PtzTest, ToursAndTourActions)
{
    emu();
    EXPECT_EQ(post("/5002", "{\"chn\":4,\"tourid\":2,\"fisheyeType\":1,\"streamId\":1}").out, kOk);
    EXPECT_EQ(post("/5003", "{\"chn\":4,\"tourid\":3}").out, kOk);
    PtzTour t = zeroed<PtzTour>();
    t.channel = 4;
    t.tour_id = 2;
    t.fisheye_type = 1;
    t.stream_id = 1;
    auto start = emu().received(1260), stop = emu().received(1261);
    ASSERT_EQ(start.size(), 1u);
    ASSERT_EQ(stop.size(), 1u);
    EXPECT_EQ(hex_of(start[0]), hex_of(t));
    t.tour_id = 3;
    t.fisheye_type = t.stream_id = 0;
    EXPECT_EQ(hex_of(stop[0]), hex_of(t));
    expect_log(900, 5, 2);

    const std::pair<int, int> map[] = {{0, 26}, {3, 27}, {4, 40}, {7, 0}, {-1, 0}};
    for (const auto& m : map)
        EXPECT_EQ(post("/5004", "{\"action\":" + std::to_string(m.first) + ",\"chn\":1,\"tourid\":6}").out, kOk);
    auto actions = emu().received(1254);
    ASSERT_EQ(actions.size(), std::size(map));
    for (size_t i = 0; i < actions.size(); i++) {
        PtzAction a = zeroed<PtzAction>();
        a.channel = 1;
        a.action = map[i].second;
        a.id = 6;
        EXPECT_EQ(hex_of(actions[i]), hex_of(a)) << "action " << map[i].first;
    }
    EXPECT_EQ(post("/5004", "{bad").out, "");
}

TEST_F(PtzTest, ChannelActionAndZoomPayloads)
{
    emu();
    EXPECT_EQ(post("/5006", "{\"channelId\":9,\"action\":-2}").out, kOk);
    EXPECT_EQ(post("/5007", "{\"camId\":9,\"Zoom\":1,\"ZoomSpeed\":7}").out, kOk);
    auto a = emu().received(1266), z = emu().received(1267);
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(z.size(), 1u);
    EXPECT_EQ(hex_of(a[0]), "09000000feffffff");
    EXPECT_EQ(hex_of(z[0]), "090000000100000007000000");
    expect_log(900, 10, 2);
}

PtzPresetList sample_list()
{
    PtzPresetList l;
    std::memset(&l, 0, sizeof l);
    l.presets[0].enable = 1;
    set_text(l.presets[0].name, "Door");
    // A name that fills its field with no terminating zero.
    l.presets[299].enable = 1;
    std::memset(l.presets[299].name, 'z', sizeof l.presets[299].name);
    const int ids[] = {5, 6, 0, 9};
    for (int k = 0; k < 4; k++) {
        l.tours[1].preset_id[k] = ids[k];
        l.tours[1].timeout[k] = 10 + k;
        l.tours[1].speed[k] = 20 + k;
    }
    for (int k = 0; k < kPtzTourPoints; k++) l.tours[7].preset_id[k] = k + 1;  // all 48 points
    l.pattern_enable[3] = 1;
    l.tour_status[4][7] = 8;
    l.autoscan_status[2] = 3;
    return l;
}

TEST_F(PtzTest, PresetListReply)
{
    PtzPresetList l = sample_list();
    emu().rule("1265 reply 6265 hex:" + to_hex(&l, sizeof l));
    auto r = post("/5005", "{\"chn\":2}");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    std::string body = r.body();
    EXPECT_EQ(body.rfind("{ \"status\": \"OK\", \"PRESET\": [ { \"enable\": 1, \"name\": \"Door\" }, "
                         "{ \"enable\": 0, \"name\": \"\" }",
                         0),
              0u)
        << body.substr(0, 200);
    EXPECT_NE(body.find("{ \"enable\": 1, \"name\": \"" + std::string(32, 'z') + "\" } ], \"TOUR\": [ [ ], "
                        "[ { \"preset_id\": 5, \"speed\": 20, \"timeout\": 10 }, "
                        "{ \"preset_id\": 6, \"speed\": 21, \"timeout\": 11 } ], [ ], "),
              std::string::npos);
    EXPECT_NE(body.find("{ \"preset_id\": 48, \"speed\": 0, \"timeout\": 0 } ] ], \"PATTERN\": [ { \"enable\": 0 }, "
                        "{ \"enable\": 0 }, { \"enable\": 0 }, { \"enable\": 1 } ], "
                        "\"autoscan_status\": [ 0, 0, 3, 0, 0 ], \"tour_status\": [ [ 0, 0, 0, 0, 0, 0, 0, 0 ], "
                        "[ 0, 0, 0, 0, 0, 0, 0, 0 ], [ 0, 0, 0, 0, 0, 0, 0, 0 ], [ 0, 0, 0, 0, 0, 0, 0, 0 ], "
                        "[ 0, 0, 0, 0, 0, 0, 0, 8 ] ] }"),
              std::string::npos)
        << body.substr(body.size() - 400);
    EXPECT_EQ(hex_of(sent_once(1265)), "02000000");
    EXPECT_TRUE(emu().received(3485).empty());
}

TEST_F(PtzTest, PresetListEmptyShortMissingAndFisheye)
{
    emu().rule("1265 reply 6265");
    EXPECT_EQ(post("/5005", "{\"chn\":0}").body(), "{ \"status\": \"Error\" }");
    // A record cut short is no record; it is never read past its end.
    emu().rule("1268 reply 6268 zeros:15603");
    EXPECT_EQ(post("/5005", "{\"chn\":1,\"fisheyeType\":2,\"streamId\":4}").body(), "{ \"status\": \"Error\" }");
    auto fish = emu().received(1268);
    ASSERT_EQ(fish.size(), 1u);
    EXPECT_EQ(hex_of(fish[0]), "0100000004000000");
    EXPECT_EQ(post("/5005", "x").out, "");
}

TEST_F(PtzTest, PresetListWithoutReplyIsJsonError)
{
    emu().rule("1265 close");
    EXPECT_EQ(post("/5005", "{\"chn\":0}").out, kJsonError);
}

TEST_F(PtzTest, CommandAndChannelStatus)
{
    emu().rule("3361 reply 8361 hex:07000000");
    emu().rule("3363 reply 8363 hex:fdffffff");
    EXPECT_EQ(post("/5009", "{\"chnid\":63,\"ptzCmd\":17}").body(), "{ \"res\": 7 }");
    EXPECT_EQ(post("/5010", "{\"chnid\":5}").body(), "{ \"chnid\": 5, \"status\": -3 }");
    auto cmd = emu().received(3361), st = emu().received(3363);
    ASSERT_EQ(cmd.size(), 1u);
    ASSERT_EQ(st.size(), 1u);
    EXPECT_EQ(hex_of(cmd[0]), "3f00000011000000");
    EXPECT_EQ(hex_of(st[0]), "05000000");
    expect_log(904, 64);
}

TEST_F(PtzTest, CommandAndChannelStatusRefusals)
{
    emu();
    for (const char* code : {"/5009", "/5010"})
        for (const char* body : {"{\"chnid\":64}", "{\"chnid\":-1}", "", "nope"})
            EXPECT_EQ(post(code, body).out, kJsonError) << code << " " << body;
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(PtzTest, CommandWithoutReplyIsJsonErrorAndStillLogs)
{
    emu().rule("3361 close");
    EXPECT_EQ(post("/5009", "{\"chnid\":1,\"ptzCmd\":2}").out, kJsonError);
    expect_log(904, 2);
}

TEST_F(PtzTest, StatusReadInRecordOrder)
{
    PtzStatus s = zeroed<PtzStatus>();
    s.status = 1;
    s.channel = 6;
    for (int i = 0; i < kPtzStatusValues; i++) s.values[i] = 100 + i;
    emu().rule("1270 reply 6270 hex:" + hex_of(s));
    EXPECT_EQ(post("/5011", "{\"chnId\":6}").body(),
              "{ \"status\": 1, \"chnId\": 6, \"zoomStatus\": 100, \"panTiltStatus\": 101, \"presetStatus\": 102, "
              "\"patrolStatus\": 103, \"patternStatus\": 104, \"autoScanStatus\": 105, \"presetFreezing\": 106, "
              "\"presetSpeed\": 107, \"manualSpeed\": 108, \"patrolRecovering\": 109, \"patrolRecoveryTime\": 110, "
              "\"focusMode\": 111, \"minFocusDistance\": 112, \"resumeTime\": 113, \"fanWorkingMode\": 114 }");
    auto q = emu().received(1270);
    ASSERT_EQ(q.size(), 1u);
    EXPECT_EQ(hex_of(q[0]), "06000000");
}

TEST_F(PtzTest, StatusReadShortOrMissingReplyIsJsonError)
{
    emu().rule("1270 reply 6270 zeros:135");
    emu().rule("1270 close");
    EXPECT_EQ(post("/5011", "{\"chnId\":0}").out, kJsonError);
    EXPECT_EQ(post("/5011", "{\"chnId\":64}").out, kJsonError);
    EXPECT_EQ(post("/5011", "").out, kJsonError);
    EXPECT_EQ(emu().received(1270).size(), 1u);
}

TEST_F(PtzTest, StatusWritePayloadAndResult)
{
    emu().rule("1271 reply 6271 hex:02000000");
    std::string body = "{\"chnId\":7,\"status\":9";
    for (int i = 0; i < kPtzStatusValues; i++) body += ",\"" + std::string(kPtzStatusKeys[i]) + "\":" + std::to_string(i + 1);
    std::string mask = std::string(64, '1') + "0000";
    body += ",\"channelMask\":\"" + mask + "\"}";
    EXPECT_EQ(post("/5012", body).body(), "{ \"status\": 2 }");

    PtzStatus s = zeroed<PtzStatus>();
    s.status = 0;  // never taken from the request
    s.channel = 7;
    for (int i = 0; i < kPtzStatusValues; i++) s.values[i] = i + 1;
    std::memset(s.channel_mask, '1', 64);
    auto sent = emu().received(1271);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(hex_of(sent[0]), hex_of(s));

    EXPECT_EQ(post("/5012", "{\"chnId\":70}").out, kJsonError);
    EXPECT_EQ(post("/5012", "[").out, kJsonError);
    EXPECT_EQ(emu().received(1271).size(), 1u);
}

TEST_F(PtzTest, DemoDaemonAnswersTheQueries)
{
    emu();
    EXPECT_NE(post("/5005", "{\"chn\":0}").body().find("\"name\": \"Preset 1\""), std::string::npos);
    EXPECT_EQ(post("/5011", "{\"chnId\":3}").body().rfind("{ \"status\": 0, \"chnId\": 3,", 0), 0u);
    EXPECT_EQ(post("/5012", "{\"chnId\":3}").body(), "{ \"status\": 0 }");
    EXPECT_EQ(post("/5009", "{\"chnid\":3,\"ptzCmd\":1}").body(), "{ \"res\": 0 }");
    EXPECT_EQ(post("/5008", "{\"chn\":3,\"Speed\":4}").out, kOk);
}

}  // namespace
