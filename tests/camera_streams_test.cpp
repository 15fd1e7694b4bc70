// Camera streams end to end: capabilities, encoding changes of one and of
// several channels, transport and time sync, third stream, watermark and the
// stream query, through the CGI program and the emulator.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "handlers/camera/camera_records.h"
#include "handlers/camera/stream_records.h"
#include "tests/fixtures.h"

namespace {

// A one-channel encoding change with every key the page sends.
const std::string kStreamSet =
    "{\"id\":6,\"audioEnable\":1,\"subEnable\":1,\"videoTypeEnable\":1,\"fisheyeType\":2,"
    "\"mainVideoType\":1,\"mainResWidth\":1920,\"mainResHeight\":1080,\"mainFramerate\":25,\"mainBitrate\":4096,"
    "\"IframeInterval\":50,\"bitrateControl\":1,\"SmartStream\":1,\"SmartStreamLevel\":3,\"recordtype\":1,"
    "\"etframerate\":20,\"etIframeinterval\":40,\"etbitrate\":2048,\"subVideoType\":0,\"subResWidth\":640,"
    "\"subResHeight\":360,\"subFramerate\":15,\"subBitrate\":512,\"subIframeInterval\":30,"
    "\"SubBitrateControl\":0,\"SubSmartStream\":0,\"SubSmartStreamLevel\":2}";

// The setting record every untouched field of which is -1.
StreamSettingRecord blank_setting()
{
    StreamSettingRecord s;
    std::memset(&s, 0xff, sizeof s);
    std::memset(s.channels, '0', sizeof s.channels);
    std::memset(s.zero0, 0, sizeof s.zero0);
    s.zero1 = s.zero2 = 0;
    return s;
}

class StreamTest : public DaemonTest {
protected:
};

TEST_F(StreamTest, ModuleListsItsCodesInTableOrder)
{
    const std::vector<std::string> mine = {"/2001", "/2009", "/2010", "/2030", "/2031", "/2053",
                                           "/2058", "/2059", "/2060", "/2061"};
    EXPECT_EQ(registered_codes("camera", mine), mine);
}

TEST_F(StreamTest, CapabilitiesWithCurrentResolutionCountingEmptySlots)
{
    CameraRecord cam = zeroed<CameraRecord>();
    cam.id = 3;
    cam.protocol = 12;  // a model of protocol 3
    cam.sync_time = 1;
    cam.manage_port = 8080;
    cam.physical_port = 4;
    cam.poe_channel = 2;
    cam.transmit = 2;
    set_text(cam.mac, "02:00:00:00:00:03");
    set_text(cam.ddns, "gate.example");
    put_row("camera", 3, cam);
    OsdRecord osd = zeroed<OsdRecord>();
    osd.id = 3;
    set_text(osd.name, "Gate");
    put_row("osd", 3, osd);
    IpcModelRecord model = zeroed<IpcModelRecord>();
    model.id = 12;
    model.protocol = 3;
    put_row("ipc_model", 12, model);

    StreamCapsRecord c = zeroed<StreamCapsRecord>();
    c.state_code = 7;
    c.id = 3;
    // Main: slots 0 and 2 offered, slot 1 empty, encoding slot 2.
    c.main.res[0] = {2560, 1440};
    c.main.res[1] = {1280, 0};
    c.main.res[2] = {1920, 1080};
    c.main.cur_width = 1920;
    c.main.cur_height = 1080;
    c.main.framerate_max = 25;
    c.main.framerate_min = 1;
    c.main.bitrate_max = 8192;
    c.main.bitrate_min = 256;
    c.main.codec = 1;
    c.main.framerate = 20;
    c.main.bitrate = 4096;
    c.main.iframe_interval = 40;
    // Sub: encoding a resolution it does not offer.
    c.sub.res[0] = {640, 360};
    c.sub.cur_width = 800;
    c.sub.cur_height = 600;
    c.sub.codec = 2;
    c.sub_enable = 1;
    c.audio_enable = 1;
    c.video_type_enable = 1;
    c.ipc_type = 5;
    c.sub_stream = 1;
    c.support_smart_stream = 1;
    c.smart_stream = 1;
    c.smart_stream_level = 2;
    c.sub_smart_stream = 1;
    c.sub_smart_stream_level = 4;
    emu().rule("3204 reply 8204 hex:" + hex_of(c) + hex_of(zeroed<StreamCapsRecord>()));

    EXPECT_EQ(post("/2009", "{\"chnid\":3}").out,
              kJsonHead +
                  "{ \"stateCode\": 7, \"id\": 3, \"name\": \"Gate\", \"subEnable\": 1, \"audioEnable\": 1, "
                  "\"videoTypeEnable\": 1, \"mainVideoType\": 1, \"subVideoType\": 2, \"ipc_type\": 5, "
                  "\"syncTime\": 1, \"protocol\": 3, \"managePort\": 8080, \"physicalport\": 4, \"poechannel\": 2, "
                  "\"mac_addr\": \"02:00:00:00:00:03\", \"transmitProtocol\": 2, \"ddns\": \"gate.example\", "
                  "\"subStream\": 1, \"SupportSmartStream\": 1, \"SmartStream\": 1, \"SmartStreamLevel\": 2, "
                  "\"SubSmartStream\": 1, \"SubSmartStreamLevel\": 4, "
                  "\"main\": { \"curRes\": 2, \"res\": [ { \"width\": 2560, \"height\": 1440, \"name\": "
                  "\"2560*1440\" }, { \"width\": 1920, \"height\": 1080, \"name\": \"1920*1080\" } ], "
                  "\"framerateMax\": 25, \"framerateMin\": 1, \"bitrateMax\": 8192, \"bitrateMin\": 256, "
                  "\"framerate\": 20, \"bitrate\": 4096, \"iframeinterval\": 40 }, "
                  "\"sub\": { \"curRes\": 0, \"res\": [ { \"width\": 640, \"height\": 360, \"name\": \"640*360\" } "
                  "], \"framerateMax\": 0, \"framerateMin\": 0, \"bitrateMax\": 0, \"bitrateMin\": 0, "
                  "\"framerate\": 0, \"bitrate\": 0, \"iframeinterval\": 0 } }");
    EXPECT_EQ(hex_of(sent_once(3204)), "03000000");
}

TEST_F(StreamTest, CapabilitiesRefuseOtherChannelsAndShortReplies)
{
    // The page's 16 channels only; nothing is asked of the daemon otherwise.
    for (const char* body : {"{\"chnid\":16}", "{\"chnid\":-1}", "{}", "chnid=1", ""})
        EXPECT_EQ(post("/2009", body).out, kJsonError) << body;
    EXPECT_TRUE(emu().received(3204).empty());
    // Less than one record: an error at once, nothing read past the reply.
    emu().rule("3204 reply 8204 zeros:583");
    EXPECT_EQ(post("/2009", "{\"chnid\":1}").out, kJsonError);
}

TEST_F(StreamTest, CapabilitiesWithoutReplyIsJsonError)
{
    emu().rule("3204 close");
    EXPECT_EQ(post("/2009", "{\"chnid\":1}").out, kJsonError);
}

TEST_F(StreamTest, OneChannelEncodingSendsEveryFieldAndRepliesTheChannelsChanged)
{
    StreamSettingResult res{1u << 6, 1u << 1};  // channels 6 and 33
    emu().rule("3203 reply 8203 hex:" + hex_of(res));
    auto r = post("/2010", kStreamSet);
    EXPECT_EQ(r.out, kJsonHead + "{ \"res\": \"" + std::string(6, '0') + "1" + std::string(26, '0') + "1" +
                         std::string(30, '0') + "\" }");

    StreamSettingRecord want = blank_setting();
    want.channels[6] = '1';
    want.video_type_enable = 1;
    want.sub_enable = 1;
    want.fisheye_type = 2;
    want.main = {1, 1920, 1080, 25, 4096, 50, 1, 1, 3};
    want.record_type = 1;
    want.event_framerate = 20;
    want.event_iframe_interval = 40;
    want.event_bitrate = 2048;
    want.sub = {0, 640, 360, 15, 512, 30, 0, 0, 2};
    EXPECT_EQ(hex_of(sent_once(3203)), hex_of(want));
}

TEST_F(StreamTest, OneChannelEncodingValidation)
{
    auto with = [](const std::string& from, const std::string& to) {
        std::string s = kStreamSet;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    // Bad requests get no reply at all and send nothing.
    for (const std::string& body :
         {with("\"id\":6", "\"id\":64"), with("\"id\":6", "\"id\":-1"), with("\"audioEnable\":1,", ""),
          with("\"audioEnable\":1", "\"audioEnable\":2"), with("\"mainBitrate\":4096", "\"mainBitrate\":-1"),
          with("\"mainResHeight\":1080,", ""), with("\"subEnable\":1,", ""), std::string("{\"id\":6"),
          std::string("")}) {
        auto r = post("/2010", body);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "") << body;
    }
    EXPECT_TRUE(emu().received(3203).empty());
    // A daemon that never answers: the plain-text error.
    // A daemon that never answers: each form's error.
    emu().rule("3203 close");
    EXPECT_EQ(post("/2010", kStreamSet).out, kTextError);
    EXPECT_EQ(post("/2030", "{\"chans\":[1]}").out, kJsonError);
}

TEST_F(StreamTest, ShortEncodingReplyAnswersEachRequestsOwnErrorForm)
{
    // Less than the two mask words: an error at once, in the form of the
    // request that asked, however the requests follow one another.
    emu().rule("3203 reply 8203 hex:0600");
    EXPECT_EQ(post("/2010", kStreamSet).out, kTextError);
    EXPECT_EQ(post("/2030", "{\"chans\":[1]}").out, kJsonError);
    EXPECT_EQ(post("/2010", kStreamSet).out, kTextError);
}

TEST_F(StreamTest, SeveralChannelsEncodingTakesTheChannelArray)
{
    emu().rule("3203 reply 8203 hex:0600000000000000");
    auto r = post("/2030",
                  "{\"chans\":[0,1,1],\"transmitProtocol\":1,\"syncTime\":1,\"subEnable\":1,\"mainVideoType\":1,"
                  "\"mainResWidth\":2560,\"mainResHeight\":1440,\"mainFramerate\":25,\"mainBitrate\":8192,"
                  "\"IframeInterval\":50,\"mainBitrateControl\":1,\"subVideoType\":0,\"subResWidth\":704,"
                  "\"subResHeight\":576,\"subFramerate\":15,\"subBitrate\":1024,\"subIframeInterval\":30,"
                  "\"subBitrateControl\":0,\"SmartStream\":1,\"fisheyeType\":3}");
    EXPECT_EQ(r.out, kJsonHead + "{ \"res\": \"011" + std::string(61, '0') + "\" }");

    StreamSettingRecord want = blank_setting();
    want.channels[1] = want.channels[2] = '1';
    want.transport = 1;
    want.sync_time = 1;
    want.video_type_enable = 1;
    want.sub_enable = 1;
    want.fisheye_type = 0;
    // Smart stream and event-stream fields are never set from this request.
    want.main = {1, 2560, 1440, 25, 8192, 50, 1, -1, -1};
    want.sub = {0, 704, 576, 15, 1024, 30, 0, -1, -1};
    auto sent = emu().received(3203);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(hex_of(sent[0]), hex_of(want));

    // Only the first 64 elements count.
    std::string chans = "[";
    for (int i = 0; i < 70; i++) chans += i ? ",1" : "1";
    post("/2030", "{\"chans\":" + chans + "]}");
    sent = emu().received(3203);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].text_at(0, 64), std::string(64, '1'));
    EXPECT_EQ(sent[1].u32_at(64), 0u);

    EXPECT_EQ(post("/2030", "not json").out, "");
}

TEST_F(StreamTest, TransportAndTimeSyncChangeOnlyThoseFieldsAndAreLogged)
{
    CameraRecord cam = zeroed<CameraRecord>();
    for (size_t i = 0; i < sizeof cam; i++) reinterpret_cast<u8*>(&cam)[i] = u8(0x30 + i % 60);
    cam.id = 9;
    set_text(cam.ip, "10.0.0.9");
    cam.manage_port = 8000;
    cam.protocol = 1;
    cam.transmit = 0;
    cam.sync_time = 0;
    put_row("camera", 9, cam);
    env.push_back({"REMOTE_ADDR", "203.0.113.9"});
    env.push_back({"HTTP_COOKIE", "userName=oper"});

    EXPECT_EQ(post("/2031", "{\"id\":9,\"transmitProtocol\":2,\"syncTime\":1}").out, kTextHead + "OK");
    CameraRecord want = cam;
    want.transmit = 2;
    want.sync_time = 1;
    CameraRecord got;
    ASSERT_TRUE(stored("camera", 9, &got));
    EXPECT_EQ(hex_of(got), hex_of(want));

    EXPECT_EQ(hex_of(sent_once(1203, false)), "09000000");
    auto log = emu().received(3485);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].i64_at(8), 204);
    EXPECT_EQ(log[0].u32_at(24), 903u);
    EXPECT_EQ(log[0].u32_at(32), 10u);
    EXPECT_EQ(log[0].u32_at(152), 111u);          // detail block kind
    EXPECT_EQ(log[0].text_at(160 + 4, 64), "10.0.0.9");
    EXPECT_EQ(log[0].text_at(160 + 140, 16), "RTSP");
    EXPECT_EQ(log[0].text_at(160 + 156, 4), "TCP");
    EXPECT_EQ(log[0].payload[160 + 172], 1);

    // A text that is not JSON gets no reply; a channel the store has no row
    // for gets the error text. Neither changes anything.
    for (const char* body : {"{\"id\":9", ""}) EXPECT_EQ(post("/2031", body).out, "") << body;
    for (const char* body : {"{\"id\":64,\"transmitProtocol\":1,\"syncTime\":0}", "{\"id\":-1}"})
        EXPECT_EQ(post("/2031", body).out, kTextHead + "CGI ERROR") << body;
    ASSERT_TRUE(stored("camera", 9, &got));
    EXPECT_EQ(hex_of(got), hex_of(want));
    EXPECT_EQ(emu().received(1203).size(), 1u);

    // Numbers this program does not know are stored as given.
    EXPECT_EQ(post("/2031", "{\"id\":9,\"transmitProtocol\":3}").out, kTextHead + "OK");
    ASSERT_TRUE(stored("camera", 9, &got));
    EXPECT_EQ(got.transmit, 3);
    EXPECT_EQ(got.sync_time, 0);
    EXPECT_EQ(emu().received(1203).size(), 2u);
}

TEST_F(StreamTest, ThirdStreamReadAndWrite)
{
    ThirdStreamRecord t{12, 4, 1, 15, 1024, 30};
    emu().rule("1217 reply 6217 hex:" + hex_of(t));
    EXPECT_EQ(post("/2060", "{\"chnid\":12,\"fisheyeType\":4}").out,
              kJsonHead + "{ \"chnid\": 12, \"enable\": 1, \"framerate\": 15, \"bitrate\": 1024, "
                          "\"iframeinterval\": 30 }");
    auto sent = emu().received(1217);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(hex_of(sent[0]), "0c00000004000000");

    emu().rule("1218 reply 6218 hex:fbffffff");
    EXPECT_EQ(post("/2061", "{\"chnid\":63,\"enable\":1,\"framerate\":10,\"bitrate\":768,\"iframeinterval\":20}").out,
              kJsonHead + "{ \"res\": -5 }");
    sent = emu().received(1218);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(hex_of(sent[0]), hex_of(ThirdStreamRecord{63, 0, 1, 10, 768, 20}));

    // Channel 64 is refused before anything is sent.
    EXPECT_EQ(post("/2061", "{\"chnid\":64,\"enable\":1}").out, kJsonError);
    EXPECT_EQ(post("/2060", "{\"chnid\":64}").out, kJsonError);
    EXPECT_EQ(post("/2060", "{}").out, kJsonError);
    EXPECT_EQ(emu().received(1218).size(), 1u);
    EXPECT_EQ(emu().received(1217).size(), 1u);
}

TEST_F(StreamTest, ThirdStreamRepliesTooShortAreErrors)
{
    emu().rule("1217 reply 6217 zeros:23");
    EXPECT_EQ(post("/2060", "{\"chnid\":1}").out, kJsonError);
    emu().rule("1218 reply 6218 hex:");
    EXPECT_EQ(post("/2061", "{\"chnid\":1}").out, kJsonError);
    emu().rule("1213 close");
    EXPECT_EQ(post("/2058", "{\"chnid\":1}").out, kJsonError);
}

TEST_F(StreamTest, WatermarkReadAndWriteAlwaysCopiesToItsOwnChannel)
{
    WatermarkRecord w = zeroed<WatermarkRecord>();
    w.channel = 2;
    w.enable = 1;
    std::memset(w.text, 'W', sizeof w.text);  // no terminator: read up to the width only
    emu().rule("1213 reply 6213 hex:" + hex_of(w));
    EXPECT_EQ(post("/2058", "{\"chnid\":2}").out,
              kJsonHead + "{ \"chnid\": 2, \"enable\": 1, \"watermark\": \"" + std::string(32, 'W') + "\" }");
    EXPECT_EQ(hex_of(emu().received(1213).at(0)), "02000000");

    emu().rule("1216 reply 6216 hex:00000000");
    EXPECT_EQ(post("/2059", "{\"chnid\":3,\"enable\":1,\"watermark\":\"" + std::string(40, 'x') +
                                "\",\"copy\":\"0000\"}")
                  .out,
              kJsonHead + "{ \"res\": 0 }");
    WatermarkSetRecord want = zeroed<WatermarkSetRecord>();
    want.channel = 3;
    want.enable = 1;
    set_text(want.text, std::string(31, 'x').c_str());
    set_text(want.copy, "0001");
    auto sent = emu().received(1216);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(hex_of(sent[0]), hex_of(want));

    // A copy text shorter than the channel number is filled up, so that the
    // channel's own mark is not hidden behind the end of the text.
    post("/2059", "{\"chnid\":5,\"enable\":0,\"watermark\":\"\",\"copy\":\"1\"}");
    post("/2059", "{\"chnid\":63,\"copy\":\"" + std::string(70, '1') + "\"}");
    sent = emu().received(1216);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].text_at(40, 65), "100001");
    EXPECT_EQ(sent[2].text_at(40, 65), std::string(64, '1'));
    EXPECT_EQ(sent[2].payload[104], 0);

    EXPECT_EQ(post("/2059", "{\"chnid\":64}").out, kJsonError);
    EXPECT_EQ(post("/2058", "[1]").out, kJsonError);
    EXPECT_EQ(emu().received(1216).size(), 3u);
}

TEST_F(StreamTest, StreamQueryRepliesTheDaemonsText)
{
    // The text is as long as the reply, without a terminator of its own.
    emu().rule("3360 reply 8360 hex:" + to_hex("rtsp://x/1", 10));
    EXPECT_EQ(post("/2053", "{\"chnid\":4,\"mainType\":1,\"subType\":2,\"time\":\"2024-05-01 10:00:00\"}").out,
              kTextHead + "rtsp://x/1");
    StreamQueryRecord want = zeroed<StreamQueryRecord>();
    want.channel = 4;
    want.main_type = 1;
    want.sub_type = 2;
    set_text(want.time, "2024-05-01 10:00:00");
    EXPECT_EQ(hex_of(sent_once(3360)), hex_of(want));
    EXPECT_EQ(post("/2053", "{\"chnid\":99}").out, kTextError);
    EXPECT_EQ(post("/2053", "time").out, kTextError);
    EXPECT_EQ(emu().received(3360).size(), 1u);
}

TEST_F(StreamTest, StreamQueryEmptyReplyIsAnError)
{
    emu().rule("3360 reply 8360 hex:");
    EXPECT_EQ(post("/2053", "{\"chnid\":4}").out, kTextError);
}

TEST_F(StreamTest, DemoRecorderAnswersEveryStreamRequest)
{
    ASSERT_EQ(store({"init"}).status, 0);
    auto caps = post("/2009", "{\"chnid\":0}").body();
    EXPECT_NE(caps.find("\"main\": { \"curRes\": 0, \"res\": [ { \"width\": 2560"), std::string::npos) << caps;
    EXPECT_NE(caps.find("\"name\": \"CAM1\""), std::string::npos) << caps;
    // Channels 0 to 7 have cameras: only they take the encoding.
    auto set = post("/2030", "{\"chans\":[0,0,0,0,0,0,0,1,1]}").body();
    EXPECT_EQ(set, "{ \"res\": \"00000001" + std::string(56, '0') + "\" }");
    EXPECT_EQ(post("/2061", "{\"chnid\":9}").body(), "{ \"res\": -1 }");
    EXPECT_EQ(post("/2059", "{\"chnid\":1}").body(), "{ \"res\": 0 }");
    EXPECT_EQ(post("/2009", "{\"chnid\":9}").body().rfind("{ \"stateCode\": -1, \"id\": 9, ", 0), 0u);
    EXPECT_NE(post("/2058", "{\"chnid\":1}").body().find("DemoVision"), std::string::npos);
    EXPECT_NE(post("/2060", "{\"chnid\":1}").body().find("\"framerate\": 15"), std::string::npos);
    EXPECT_EQ(post("/2053", "{\"chnid\":1,\"time\":\"t\"}").body().rfind("rtsp://192.168.1.102:554/", 0), 0u);
}

TEST_F(StreamTest, EmptyBodiesAreHandled)
{
    expect_empty_bodies_handled({"/2009", "/2010", "/2030", "/2031", "/2053", "/2058", "/2059", "/2060", "/2061"});
}

}  // namespace
