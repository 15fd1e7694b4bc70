// Fisheye settings, auto-tracking, the cameras' own motion detection and the
// camera maintenance queries end to end: requests through the CGI program,
// messages and replies through the emulator, the trigger-alarm row through
// the store.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "handlers/camera/camera_motion_records.h"
#include "handlers/camera/fisheye_records.h"
#include "handlers/camera/maintenance_records.h"
#include "handlers/camera/tracking_records.h"
#include "handlers/shared/event_actions.h"
#include "platform/net.h"
#include "tests/fixtures.h"

namespace {

class CameraQueriesTest : public DaemonTest {
protected:
};

// ---- tables ----

TEST_F(CameraQueriesTest, ModulesListTheirCodesInTableOrder)
{
    const std::vector<std::string> camera = {"/2025", "/2026", "/2027", "/2028", "/2029", "/2033", "/2034",
                                             "/2051", "/2052", "/2054", "/2055", "/2056", "/2057", "/2068"};
    EXPECT_EQ(registered_codes("camera", camera), camera);
    const std::vector<std::string> video = {"/6098", "/6999", "/6998", "/6130", "/6173",
                                            "/6131", "/6196", "/6197", "/6198"};
    EXPECT_EQ(registered_codes("video", video), video);
}

TEST_F(CameraQueriesTest, EmptyBodiesAreHandled)
{
    expect_empty_bodies_handled({"/2025", "/2026", "/2027", "/2028", "/2029", "/2033", "/2034", "/2051", "/2052",
                                 "/2054", "/2055", "/2056", "/2057", "/2068", "/6098", "/6130", "/6131", "/6173",
                                 "/6196", "/6197", "/6198", "/6998", "/6999"});
}

// ---- fisheye ----

TEST_F(CameraQueriesTest, CameraMapFromTheFirstRecord)
{
    CameraMapRecord m = zeroed<CameraMapRecord>();
    m.enable = 1;
    set_text(m.map, "0011");
    m.sensitivity = 60;
    std::memset(m.unused, 0x7f, sizeof m.unused);
    m.result = 2;
    m.model_type = 3;
    m.fish_display = 4;
    m.fish_transfer = 5;
    m.fish_install = 6;
    emu().rule("3206 reply 8206 hex:" + hex_of(m) + hex_of(zeroed<CameraMapRecord>()));
    // The id is not bounded above: it may name a camera not yet on a channel.
    EXPECT_EQ(post("/6098", "{\"id\":70}").out,
              kJsonHead + "{ \"map\": \"0011\", \"sensitivity\": 60, \"result\": 2, \"enable\": 1, \"modelType\": 3, "
                          "\"fishdisplay\": 4, \"fishtransfer\": 5, \"fishinstall\": 6 }");
    EXPECT_EQ(hex_of(sent_once(3206)), "46000000");
}

TEST_F(CameraQueriesTest, CameraMapRefusals)
{
    for (const char* body : {"{\"id\":-1}", "id=1", ""}) EXPECT_EQ(post("/6098", body).out, "") << body;
    EXPECT_TRUE(emu().received(3206).empty());
    // A map text filling its field without a NUL is not read past the field.
    CameraMapRecord m = zeroed<CameraMapRecord>();
    std::memset(m.map, 'x', sizeof m.map);
    emu().rule("3206 reply 8206 hex:" + hex_of(m));
    EXPECT_NE(post("/6098", "{\"id\":0}").out.find("\"map\": \"" + std::string(300, 'x') + "\", \"sensitivity\": 0"),
              std::string::npos);
}

TEST_F(CameraQueriesTest, FisheyeSettingsReadAndWrite)
{
    for (const char* body : {"{\"id\":64}", "{\"id\":-1}", "{}", "x"}) EXPECT_EQ(post("/6130", body).out, "") << body;
    EXPECT_TRUE(emu().received(3232).empty());

    FisheyeSettingRecord f = {3, 1, 2, 1, 0};
    emu().rule("3232 reply 8232 hex:" + hex_of(f));
    EXPECT_EQ(post("/6130", "{\"id\":3}").out,
              kJsonHead + "{ \"chnid\": 3, \"result\": 0, \"fishmount\": 1, \"fishdisplay\": 2, \"fishcorrect\": 1 }");
    EXPECT_EQ(hex_of(sent_once(3232)), "03000000");

    // Missing keys are sent as 0; the fifth word is always 0.
    emu().rule("3231 reply 8231 hex:00000000");
    EXPECT_EQ(post("/6131", "{\"chnid\":5,\"fishmount\":2,\"fishcorrect\":1}").out, kTextHead + "OK");
    FisheyeSettingRecord sent;
    frame_as(sent_once(3231), &sent);
    EXPECT_EQ(hex_of(sent), hex_of(FisheyeSettingRecord{5, 2, 0, 1, 0}));
}

TEST_F(CameraQueriesTest, FisheyeWriteFailure)
{
    emu().rule("3231 reply 8231 hex:05000000");
    EXPECT_EQ(post("/6131", "{\"chnid\":1}").out, kTextHead + "FAILED");
}

TEST_F(CameraQueriesTest, FisheyeWriteWithoutAResultFails)
{
    emu().rule("3231 reply 8231 hex:");
    EXPECT_EQ(post("/6131", "{\"chnid\":1}").out, kTextHead + "FAILED");
}

TEST_F(CameraQueriesTest, FisheyeWritePassesAnyChannelOnAndRefusesNonJson)
{
    for (const char* body : {"chnid=1", ""}) EXPECT_EQ(post("/6131", body).out, kJsonError) << body;
    EXPECT_TRUE(emu().received(3231).empty());
    // No range on the channel: the daemon answers for its own table.
    emu().rule("3231 reply 8231 hex:01000000");
    ASSERT_TRUE(emu().received(3231).empty());
    EXPECT_EQ(post("/6131", "{\"chnid\":64}").out, kTextHead + "FAILED");
    EXPECT_EQ(post("/6131", "{\"chnid\":-1}").out, kTextHead + "FAILED");
    auto sent = emu().received(3231);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].u32_at(0), 64u);
    EXPECT_EQ(sent[1].u32_at(0), 0xffffffffu);
}

TEST_F(CameraQueriesTest, FisheyeWriteWithoutAnAnswerIsAnError)
{
    emu().rule("3231 close");
    EXPECT_EQ(post("/6131", "{\"chnid\":1}").out, kJsonError);
}

TEST_F(CameraQueriesTest, FisheyeCapabilitiesOfACameraByAddress)
{
    FisheyeCapsRecord c = {2, 1, 2, 3, 4};
    emu().rule("3373 reply 8373 hex:" + hex_of(c));
    const std::string long_name(80, 'u');
    EXPECT_EQ(post("/6196", "{\"ipaddr\":\"192.168.1.50\",\"username\":\"" + long_name +
                                "\",\"password\":\"p;$(x)\",\"port\":8000}")
                  .out,
              kJsonHead + "{ \"support\": 0, \"transfer\": 1, \"install\": 2, \"display\": 3, \"streamCnt\": 4 }")
        << "a support flag other than 1 is no support";
    CameraAddressRecord a;
    frame_as(sent_once(3373), &a);
    EXPECT_STREQ(a.ddns, "") << "an absent text is sent empty";
    EXPECT_STREQ(a.ipaddr, "192.168.1.50");
    EXPECT_EQ(std::string(a.username), long_name.substr(0, 63));
    EXPECT_STREQ(a.password, "p;$(x)");
    EXPECT_EQ(a.port, 8000);

    for (const char* body : {"not json", ""}) EXPECT_EQ(post("/6196", body).out, kJsonError) << body;
    EXPECT_EQ(emu().received(3373).size(), 1u);
}

TEST_F(CameraQueriesTest, FisheyeCapabilitiesSupported)
{
    FisheyeCapsRecord c = {1, 0, 0, 0, 2};
    emu().rule("3373 reply 8373 hex:" + hex_of(c));
    EXPECT_EQ(post("/6196", "{}").out,
              kJsonHead + "{ \"support\": 1, \"transfer\": 0, \"install\": 0, \"display\": 0, \"streamCnt\": 2 }");
}

TEST_F(CameraQueriesTest, FisheyeModeOfACameraByAddress)
{
    emu().rule("3374 reply 8374 hex:fdffffff");
    EXPECT_EQ(post("/6197", "{\"ddns\":\"cam.example\",\"port\":80,\"transfer\":1,\"install\":2,\"display\":3}").out,
              kJsonHead + "{ \"res\": -3 }");
    FisheyeModeRecord m;
    frame_as(sent_once(3374), &m);
    EXPECT_STREQ(m.camera.ddns, "cam.example");
    EXPECT_STREQ(m.camera.ipaddr, "");
    EXPECT_EQ(m.camera.port, 80);
    EXPECT_EQ(m.transfer, 1);
    EXPECT_EQ(m.install, 2);
    EXPECT_EQ(m.display, 3);
    EXPECT_EQ(post("/6197", "[").out, kJsonError);
}

// ---- auto-tracking and channel queries ----

TEST_F(CameraQueriesTest, AutoTrackingRead)
{
    static AutoTrackingRecord t;
    std::memset(&t, 0, sizeof t);
    t.chnid = 5;
    t.enable = 1;
    t.show = 2;
    t.sensitivity = 3;
    t.time = 4;
    t.manual_tracking = 5;
    t.zoom_mode = 6;
    t.zoom_number = 7;
    set_text(t.schedule.days[2].plans[0].start_time, "08:00");
    set_text(t.schedule.days[2].plans[0].end_time, "18:00");
    t.schedule.days[2].plans[0].action_type = 1;
    set_text(t.area, "1,2,3,4");
    t.human_vehicle_support = 1;
    t.tracking_object = 2;
    emu().rule("3294 reply 8294 hex:" + hex_of(t));
    const std::string out = post("/2054", "{\"chnid\":5}").out;
    EXPECT_EQ(out.substr(0, out.find("\"schedule\"")),
              kJsonHead + "{ \"chnid\": 5, \"enable\": 1, \"show\": 2, \"sensitivity\": 3, \"time\": 4, "
                          "\"manual_tracking\": 5, \"zoom_mode\": 6, \"zoom_number\": 7, \"area\": \"1,2,3,4\", "
                          "\"humanVehicleSupport\": 1, \"trackingObject\": 2, ");
    const std::string empty_plan = "{ \"startTime\": \"\", \"endTime\": \"\", \"actionType\": 0 }";
    std::string empty_day = "[ " + empty_plan;
    for (int i = 1; i < 12; i++) empty_day += ", " + empty_plan;
    empty_day += " ]";
    const std::string day2 = "[ { \"startTime\": \"08:00\", \"endTime\": \"18:00\", \"actionType\": 1 }";
    EXPECT_EQ(out.substr(out.find("\"schedule\"")),
              "\"schedule\": [ " + empty_day + ", " + empty_day + ", " + day2 + empty_day.substr(1 + empty_plan.size() + 1) +
                  ", " + empty_day + ", " + empty_day + ", " + empty_day + ", " + empty_day + ", " + empty_day + " ] }");
    EXPECT_EQ(hex_of(sent_once(3294)), "05000000");
}

TEST_F(CameraQueriesTest, AutoTrackingWriteWithCopies)
{
    emu().rule("3375 reply 8375 hex:00000000");
    const std::string area(320, 'a');
    EXPECT_EQ(post("/2055", "{\"chnid\":3,\"channels\":\"0000011\",\"enable\":1,\"show\":1,\"sensitivity\":70,"
                            "\"time\":30,\"manual_tracking\":1,\"zoom_mode\":2,\"zoom_number\":4,\"area\":\"" +
                                area + "\",\"humanVehicleSupport\":1,\"trackingObject\":2}")
                  .out,
              kJsonHead + "{ \"res\": 0 }");
    static AutoTrackingMessage m;
    frame_as(sent_once(3375), &m);
    EXPECT_EQ(m.channels, (1ull << 3) | (1ull << 5) | (1ull << 6));
    EXPECT_EQ(m.chnid, 3);
    EXPECT_EQ(m.enable, 1);
    EXPECT_EQ(m.show, 1);
    EXPECT_EQ(m.sensitivity, 70);
    EXPECT_EQ(m.time, 30);
    EXPECT_EQ(m.manual_tracking, 1);
    EXPECT_EQ(m.zoom_mode, 2);
    EXPECT_EQ(m.zoom_number, 4);
    EXPECT_TRUE(all_zero(&m.schedule, sizeof m.schedule)) << "no schedule: all zero";
    EXPECT_EQ(std::string(m.area), area.substr(0, 299));
    EXPECT_EQ(m.human_vehicle_support, 1);
    EXPECT_EQ(m.tracking_object, 2);
    EXPECT_EQ(m.zero, 0);
}

TEST_F(CameraQueriesTest, AutoTrackingChannelTextAndSchedule)
{
    emu().rule("3375 reply 8375 hex:01000000");
    // Positions past 64 are not read; the last channel is reachable.
    const std::string channels = std::string(63, '0') + "1" + "1111";
    EXPECT_EQ(post("/2055", "{\"chnid\":0,\"channels\":\"" + channels +
                                "\",\"schedule\":[[],[[\"01:00\",\"02:00\",3]]]}")
                  .out,
              kJsonHead + "{ \"res\": 1 }");
    static AutoTrackingMessage m;
    frame_as(sent_once(3375), &m);
    EXPECT_EQ(m.channels, (1ull << 63) | 1ull);
    EXPECT_STREQ(m.schedule.days[1].plans[0].start_time, "01:00");
    EXPECT_STREQ(m.schedule.days[1].plans[0].end_time, "02:00");
    EXPECT_EQ(m.schedule.days[1].plans[0].action_type, 3);
    EXPECT_EQ(m.schedule.days[1].wholeday_enable, 0);
}

TEST_F(CameraQueriesTest, ChannelQueriesRefuseBadChannels)
{
    for (const char* code : {"/2051", "/2052", "/2054", "/2055", "/2056", "/2057"})
        for (const char* body : {"{\"chnid\":64}", "{\"chnid\":-1}", "{}", "chnid=1", ""})
            EXPECT_EQ(post(code, body).out, kJsonError) << code << " " << body;
    for (uint32_t code : {3358u, 3366u, 3294u, 3375u, 1262u, 2507u}) EXPECT_TRUE(emu().received(code).empty()) << code;
}

TEST_F(CameraQueriesTest, CommandResultAndCameraIdentity)
{
    emu().rule("1262 reply 6262 hex:2a000000");
    EXPECT_EQ(post("/2056", "{\"chnid\":63}").out, kJsonHead + "{ \"res\": 42 }");
    EXPECT_EQ(hex_of(sent_once(1262)), "3f000000");

    CameraIdentityRecord c = zeroed<CameraIdentityRecord>();
    c.chnid = 2;
    set_text(c.ipaddr, "192.168.1.103");
    set_text(c.model, "DV-B4 bullet");
    std::memset(c.fwversion, 'v', sizeof c.fwversion);  // no NUL: read to the field's end only
    emu().rule("2507 reply 7507 hex:" + hex_of(c));
    EXPECT_EQ(post("/2057", "{\"chnid\":2}").out,
              kJsonHead + "{ \"chnid\": 2, \"ipaddr\": \"192.168.1.103\", \"model\": \"DV-B4 bullet\", \"fwversion\": \"" +
                  std::string(64, 'v') + "\" }");
    EXPECT_EQ(hex_of(sent_once(2507)), "02000000");
}

TEST_F(CameraQueriesTest, NoAnswerReplies)
{
    // The identity of one channel ends with an empty reply; the others with
    // their error reply.
    emu().rule("2507 close");
    EXPECT_EQ(post("/2057", "{\"chnid\":2}").out, "");
    emu().rule("1262 close");
    EXPECT_EQ(post("/2056", "{\"chnid\":2}").out, kJsonError);
    emu().rule("3375 close");
    EXPECT_EQ(post("/2055", "{\"chnid\":2}").out, kJsonError);
    emu().rule("3366 close");
    EXPECT_EQ(post("/2052", "{\"chnid\":2}").out, kJsonError);
    emu().rule("3358 close");
    EXPECT_EQ(post("/2051", "{\"chnid\":2}").out, kJsonError);
    for (const char* code : {"/2025", "/2026"}) {
        emu().rule(std::string(code) == "/2025" ? "2503 close" : "4002 close");
        EXPECT_EQ(post(code, "{\"id\":1,\"cmd\":\"x\"}").out, kTextError) << code;
    }
    expect_replies({"4004 close", "3307 close", "2505 close", "3230 close", "3377 close", "3353 close"},
                   {
                       {"/2027", "", kTextError},
                       {"/2028", "", kTextError},
                       {"/2029", "", kJsonError},
                       {"/2033", "", kJsonError},
                       {"/2068", "{\"chnid\":1}", kJsonError},
                       {"/6198", "{\"chnid\":1}", kJsonError},
                   });
}

// Where the channel may be left out, it reads as channel 0.
TEST_F(CameraQueriesTest, MissingChannelReadsAsZero)
{
    emu().rule("3206 reply 8206 zeros:332");
    emu().rule("3231 reply 8231 hex:00000000");
    emu().rule("2503 reply 7503 hex:01000000");
    emu().rule("3353 reply 8353 hex:00000000");
    EXPECT_NE(post("/6098", "{}").out.find("\"map\": \"\""), std::string::npos);
    EXPECT_EQ(post("/6131", "{}").out, kTextHead + "OK");
    EXPECT_EQ(post("/2025", "{}").out, kJsonHead + "{ \"type\": 1 }");
    EXPECT_EQ(post("/6198", "{}").out, kJsonHead + "{ \"res\": 0 }");
    EXPECT_EQ(hex_of(sent_once(3206)), "00000000");
    EXPECT_EQ(hex_of(sent_once(3231)), std::string(40, '0'));
    EXPECT_EQ(hex_of(sent_once(2503)), "00000000");
    EXPECT_EQ(hex_of(sent_once(3353)), std::string(16, '0'));
}

// A reply short of its record: the request's error reply at once (the
// identity of one channel: the empty reply), nothing read past the payload.
TEST_F(CameraQueriesTest, ShortRepliesAreErrors)
{
    struct Case {
        const char* code;
        const char* body;
        const char* rule;
        std::string reply;
    };
    const Case cases[] = {
        {"/6098", "{\"id\":0}", "3206 reply 8206 zeros:331", kTextError},
        {"/6130", "{\"id\":0}", "3232 reply 8232 zeros:19", kTextError},
        {"/6196", "{}", "3373 reply 8373 zeros:19", kJsonError},
        {"/6197", "{}", "3374 reply 8374 zeros:3", kJsonError},
        {"/2054", "{\"chnid\":5}", "3294 reply 8294 zeros:26515", kJsonError},
        {"/2055", "{\"chnid\":5}", "3375 reply 8375 hex:", kJsonError},
        {"/2056", "{\"chnid\":5}", "1262 reply 6262 zeros:3", kJsonError},
        {"/2057", "{\"chnid\":5}", "2507 reply 7507 zeros:163", ""},
        {"/2051", "{\"chnid\":4}", "3358 reply 8358 zeros:26499", kJsonError},
        {"/2052", "{\"chnid\":4}", "3366 reply 8366 zeros:2", kJsonError},
        {"/2025", "{\"id\":9}", "2503 reply 7503 zeros:2", kTextError},
        {"/2026", "{\"cmd\":\"x\"}", "4002 reply 9002 zeros:15", kTextError},
        {"/2028", "", "3307 reply 8307 zeros:7", kTextError},
        {"/2029", "", "2505 reply 7505 zeros:10495", kJsonError},
        {"/2033", "", "3230 reply 8230 zeros:3343", kJsonError},
        {"/2068", "{\"chnid\":7}", "3377 reply 8377 zeros:259", kJsonError},
        {"/6198", "{\"chnid\":7}", "3353 reply 8353 zeros:1", kJsonError},
    };
    for (const Case& c : cases) emu().rule(c.rule);
    for (const Case& c : cases) EXPECT_EQ(post(c.code, c.body).out, c.reply) << c.code;
}

// ---- the camera's own motion detection ----

TEST_F(CameraQueriesTest, CameraMotionReadGivesPlansOfMarkedDaysOnly)
{
    static CameraMotionRecord m;
    std::memset(&m, 0, sizeof m);
    m.chnid = 4;
    m.enable = 1;
    m.sensitivity = 2;
    m.minsize = 3;
    m.mintime = 4;
    m.adaptability = 5;
    set_text(m.map_mask, "ff00");
    for (int d = 0; d < 8; d++) {
        set_text(m.effective.days[d].plans[0].start_time, "00:00");
        set_text(m.effective.days[d].plans[0].end_time, "24:00");
        m.effective.days[d].plans[0].action_type = 1;
    }
    m.effective.days[0].wholeday_enable = 1;
    emu().rule("3358 reply 8358 hex:" + hex_of(m));
    const std::string out = post("/2051", "{\"chnid\":4}").out;
    EXPECT_EQ(out.substr(0, out.find("\"effective\"")),
              kJsonHead + "{ \"chnid\": 4, \"enable\": 1, \"sensitivity\": 2, \"minsize\": 3, \"mintime\": 4, "
                          "\"adaptability\": 5, \"map_mask\": \"ff00\", ");
    const std::string plan = "{ \"startTime\": \"00:00\", \"endTime\": \"24:00\", \"actionType\": 1 }";
    size_t plans = 0;
    for (size_t at = 0; (at = out.find(plan, at)) != std::string::npos; at++) plans++;
    EXPECT_EQ(plans, 1u) << "only the marked day gives its plans";
    EXPECT_LT(out.find(plan), out.find("], [")) << "and it is the first day";
    EXPECT_EQ(hex_of(sent_once(3358)), "04000000");
}

TEST_F(CameraQueriesTest, CameraMotionWriteWithCopies)
{
    emu().rule("3366 reply 8366 hex:00000000");
    const std::string map(310, '1');
    EXPECT_EQ(post("/2052", "{\"chnid\":1,\"enable\":1,\"sensitivity\":4,\"minsize\":2,\"mintime\":3,\"adaptability\":1,"
                            "\"map_mask\":\"" + map + "\",\"copyCnt\":2,\"copyChn\":[4,9,12]}")
                  .out,
              kJsonHead + "{ \"res\": 0 }");
    static CameraMotionMessage m;
    frame_as(sent_once(3366), &m);
    EXPECT_EQ(m.channels, (1ull << 1) | (1ull << 4) | (1ull << 9));
    EXPECT_EQ(m.chnid, 1);
    EXPECT_EQ(m.enable, 1);
    EXPECT_EQ(m.sensitivity, 4);
    EXPECT_EQ(m.minsize, 2);
    EXPECT_EQ(m.mintime, 3);
    EXPECT_EQ(m.adaptability, 1);
    EXPECT_EQ(std::string(m.map_mask), map.substr(0, 299));
    EXPECT_TRUE(all_zero(&m.effective, sizeof m.effective)) << "no schedule: all zero";
    EXPECT_EQ(m.zero, 0);

    // A schedule in the marked form marks every day.
    EXPECT_EQ(post("/2052", "{\"chnid\":63,\"copyCnt\":3,\"copyChn\":[70,-1,\"5\"],"
                            "\"effective\":[[[\"00:00\",\"12:00\",1]]]}")
                  .out,
              kJsonHead + "{ \"res\": 0 }");
    auto frames = emu().received(3366);
    ASSERT_EQ(frames.size(), 2u);
    frame_as(frames[1], &m);
    EXPECT_EQ(m.channels, 1ull << 63) << "copies outside 0..63 are skipped";
    EXPECT_STREQ(m.effective.days[0].plans[0].end_time, "12:00");
    for (int d = 0; d < 8; d++) EXPECT_EQ(m.effective.days[d].wholeday_enable, 1) << d;
}

// ---- maintenance queries ----

TEST_F(CameraQueriesTest, CameraType)
{
    emu().rule("2503 reply 7503 hex:07000000ffffffff");
    EXPECT_EQ(post("/2025", "{\"id\":9}").out, kJsonHead + "{ \"type\": 7 }");
    EXPECT_EQ(hex_of(sent_once(2503)), "09000000");
    // A text that is not JSON writes and sends nothing.
    for (const char* body : {"id=1", ""}) EXPECT_EQ(post("/2025", body).out, "") << body;
    EXPECT_EQ(emu().received(2503).size(), 1u);
    // Any id reaches the core daemon unchanged.
    EXPECT_EQ(post("/2025", "{\"id\":64}").out, kJsonHead + "{ \"type\": 7 }");
    EXPECT_EQ(post("/2025", "{\"id\":-2}").out, kJsonHead + "{ \"type\": 7 }");
    auto sent = emu().received(2503);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(hex_of(sent[1]), "40000000");
    EXPECT_EQ(hex_of(sent[2]), "feffffff");
}

TEST_F(CameraQueriesTest, RawCommandIsBoundedAndNeverRunHere)
{
    std::vector<uint8_t> reply(16, 0xee);
    const std::string result = "rebooting camera 3";
    reply.insert(reply.end(), result.begin(), result.end());
    reply.push_back(0);
    reply.push_back('z');
    emu().rule("4002 reply 9002 hex:" + to_hex(reply.data(), reply.size()));

    const std::string marker = root().at("/ran");
    const std::string cmd = "reboot 3; touch " + marker + " $(touch " + marker + ") `touch " + marker + "`" +
                            std::string(120, 'c');
    EXPECT_EQ(post("/2026", "{\"cmd\":\"" + cmd + "\"}").out, kJsonHead + "{ \"result\": \"rebooting camera 3\" }");
    EXPECT_FALSE(root().exists("/ran")) << "the command goes to the core daemon only";
    CoreCommandRecord c;
    frame_as(sent_once(4002), &c);
    EXPECT_EQ(std::string(c.cmd), cmd.substr(0, 99));

    for (const char* body : {"{}", "cmd", ""}) EXPECT_EQ(post("/2026", body).out, "") << body;
    EXPECT_EQ(emu().received(4002).size(), 1u);
}

TEST_F(CameraQueriesTest, RawCommandResultEndsWithThePayload)
{
    emu().rule("4002 reply 9002 hex:" + std::string(32, '0') + "6f6b");
    EXPECT_EQ(post("/2026", "{\"cmd\":\"x\"}").out, kJsonHead + "{ \"result\": \"ok\" }");
}

TEST_F(CameraQueriesTest, RawCommandEmptyResult)
{
    emu().rule("4002 reply 9002 hex:" + std::string(32, '0'));
    EXPECT_EQ(post("/2026", "{\"cmd\":\"x\"}").out, kJsonHead + "{ \"result\": \"\" }");
}

TEST_F(CameraQueriesTest, ChipCodeAndMotionState)
{
    emu().rule("4004 reply 9004 hex:4142430044");
    EXPECT_EQ(post("/2027", "ignored").out, kJsonHead + "{ \"chip_code\": \"ABC\" }");
    EXPECT_EQ(sent_once(4004).payload.size(), 0u);

    MotionStateRecord m = {1u, 0x80000000u};
    emu().rule("3307 reply 8307 hex:" + hex_of(m));
    EXPECT_EQ(post("/2028", "").out, kJsonHead + "{ \"Motion\": \"1" + std::string(62, '0') + "1\" }");
    EXPECT_EQ(sent_once(3307).payload.size(), 0u);
}

TEST_F(CameraQueriesTest, MotionStateOfLowChannelsAndAnEmptyChipCode)
{
    const MotionStateRecord m = {0x12u, 0u};
    emu().rule("3307 reply 8307 hex:" + hex_of(m));
    EXPECT_EQ(post("/2028", "").out, kJsonHead + "{ \"Motion\": \"01001" + std::string(59, '0') + "\" }");
    emu().rule("4004 reply 9004 hex:");
    EXPECT_EQ(post("/2027", "").out, kJsonHead + "{ \"chip_code\": \"\" }");
}

TEST_F(CameraQueriesTest, EveryCameraIdentityEmptyOnesIncluded)
{
    static CameraIdentityTable t;
    std::memset(&t, 0, sizeof t);
    t.entries[0].chnid = 0;
    set_text(t.entries[0].ipaddr, "192.168.1.101");
    set_text(t.entries[0].model, "DV-B4 bullet");
    set_text(t.entries[0].fwversion, "V5");
    t.entries[63].chnid = 99;  // passed on whatever it holds
    emu().rule("2505 reply 7505 hex:" + hex_of(t));
    const std::string out = post("/2029", "").out;
    ASSERT_EQ(out.rfind(kJsonHead + "{ \"IPC\": [ { \"chnid\": 0, \"ipaddr\": \"192.168.1.101\", \"model\": "
                                    "\"DV-B4 bullet\", \"fwversion\": \"V5\" }, ",
                        0),
              0u)
        << out;
    const std::string empty = "{ \"chnid\": 0, \"ipaddr\": \"\", \"model\": \"\", \"fwversion\": \"\" }";
    size_t n = 0;
    for (size_t at = 0; (at = out.find(empty, at)) != std::string::npos; at++) n++;
    EXPECT_EQ(n, 62u);
    EXPECT_NE(out.find("{ \"chnid\": 99, \"ipaddr\": \"\", \"model\": \"\", \"fwversion\": \"\" } ] }"),
              std::string::npos);
}

TEST_F(CameraQueriesTest, BatchResultsUpToTheCount)
{
    static BatchResultList b;
    std::memset(&b, 0, sizeof b);
    b.unused0 = 77;
    b.count = 2;
    set_text(b.entries[0].mac, "02:5e:7a:10:00:01");
    b.entries[0].result = 0;
    set_text(b.entries[1].mac, "02:5e:7a:10:00:02");
    b.entries[1].result = -5;
    set_text(b.entries[2].mac, "not counted");
    emu().rule("3230 reply 8230 hex:" + hex_of(b));
    EXPECT_EQ(post("/2033", "").out, kJsonHead + "{ \"IPC\": [ { \"mac\": \"02:5e:7a:10:00:01\", \"result\": 0 }, "
                                                 "{ \"mac\": \"02:5e:7a:10:00:02\", \"result\": -5 } ] }");
    EXPECT_EQ(sent_once(3230).payload.size(), 0u);
}

TEST_F(CameraQueriesTest, BatchResultsCountPastTheList)
{
    static BatchResultList b;
    std::memset(&b, 0, sizeof b);
    b.count = 1000;
    emu().rule("3230 reply 8230 hex:" + hex_of(b));
    const std::string all = post("/2033", "").out;
    size_t n = 0;
    for (size_t at = 0; (at = all.find("\"mac\"", at)) != std::string::npos; at++) n++;
    EXPECT_EQ(n, 64u);
}

TEST_F(CameraQueriesTest, BatchResultsNegativeCount)
{
    static BatchResultList b;
    std::memset(&b, 0, sizeof b);
    b.count = -1;
    emu().rule("3230 reply 8230 hex:" + hex_of(b));
    EXPECT_EQ(post("/2033", "").out, kJsonHead + "{ \"IPC\": [ ] }");
}

TEST_F(CameraQueriesTest, Ipv6State)
{
    EXPECT_EQ(post("/2034", "").out, kTextHead + std::to_string(net_is_haveipv6()));
}

TEST_F(CameraQueriesTest, UrlForOneCamera)
{
    CameraUrlReply u = zeroed<CameraUrlReply>();
    u.result = 1;
    u.chnid = 7;
    set_text(u.data, "{\"zoom\":2}");
    emu().rule("3377 reply 8377 hex:" + hex_of(u) + hex_of(zeroed<CameraUrlReply>()));
    const std::string url = "/cgi-bin/zoom?x=1&y=\\\"2\\\"" + std::string(300, 'q');
    EXPECT_EQ(post("/2068", "{\"chnid\":7,\"url\":\"" + url + "\"}").out,
              kJsonHead + "{ \"res\": 1, \"chnid\": 7, \"data\": \"{\\\"zoom\\\":2}\" }");
    CameraUrlRecord sent;
    frame_as(sent_once(3377), &sent);
    EXPECT_EQ(sent.chnid, 7);
    EXPECT_EQ(std::string(sent.url), ("/cgi-bin/zoom?x=1&y=\"2\"" + std::string(300, 'q')).substr(0, 255));

    for (const char* body : {"{\"chnid\":64}", "{\"chnid\":-1}", "{\"url\":\"/x\"}"})
        EXPECT_EQ(post("/2068", body).out, kTextError) << body;
    for (const char* body : {"url", ""}) EXPECT_EQ(post("/2068", body).out, kJsonError) << body;
    EXPECT_EQ(emu().received(3377).size(), 1u);
}

TEST_F(CameraQueriesTest, PrivacyMaskCommands)
{
    EXPECT_EQ(post("/6173", "{\"chan_id\":63,\"area_id\":24}").out, kTextHead + "OK");
    MaskAreaClearRecord a;
    frame_as(sent_once(2508, false), &a);
    EXPECT_EQ(a.chan_id, 63);
    EXPECT_EQ(a.area_id, 24);
    for (const char* body : {"{\"chan_id\":64,\"area_id\":0}", "{\"chan_id\":0,\"area_id\":25}",
                             "{\"chan_id\":0,\"area_id\":-1}", "{\"chan_id\":0}", "x", ""})
        EXPECT_EQ(post("/6173", body).out, kJsonError) << body;
    EXPECT_EQ(emu().received(2508).size(), 1u);

    emu().rule("3353 reply 8353 hex:ffffffff");
    EXPECT_EQ(post("/6198", "{\"chnid\":2,\"maskid\":3}").out, kJsonHead + "{ \"res\": -1 }");
    CameraMaskCommandRecord m;
    frame_as(sent_once(3353), &m);
    EXPECT_EQ(m.chnid, 2);
    EXPECT_EQ(m.maskid, 3);
    for (const char* body : {"x", ""}) EXPECT_EQ(post("/6198", body).out, "") << body;
    EXPECT_EQ(emu().received(3353).size(), 1u);
    // No range on either number: both reach the core daemon unchanged.
    EXPECT_EQ(post("/6198", "{\"chnid\":64,\"maskid\":-1}").out, kJsonHead + "{ \"res\": -1 }");
    auto all = emu().received(3353);
    ASSERT_EQ(all.size(), 2u);
    frame_as(all[1], &m);
    EXPECT_EQ(m.chnid, 64);
    EXPECT_EQ(m.maskid, -1);
}

TEST_F(CameraQueriesTest, TriggerAlarmRowRoundTrip)
{
    ASSERT_EQ(store({"init"}).status, 0);
    // Factory row: all zero; clips 1 and 3 exist.
    for (int id : {1, 3}) {
        AlarmAudioFile f = zeroed<AlarmAudioFile>();
        f.id = id;
        f.enable = 1;
        put_row("alarm_audio_file", id, f);
    }
    EXPECT_EQ(get("/6999", "").out, kJsonHead + "[ 0, 0, 0, 0, 0, 0, 0, 10 ]");

    EXPECT_EQ(post("/6998", "{\"0\":1,\"1\":2,\"2\":3,\"3\":4,\"4\":5,\"5\":-6,\"6\":7}").out, kJsonHead + "{ }");
    EXPECT_EQ(sent_once(2104, false).payload.size(), 0u);
    EXPECT_EQ(post("/6999", "").out, kJsonHead + "[ 1, 2, 3, 4, 5, -6, 7, 10 ]");

    // "6" may be absent (0).
    EXPECT_EQ(post("/6998", "{\"0\":9,\"1\":9,\"2\":9,\"3\":9,\"4\":9,\"5\":9}").out, kJsonHead + "{ }");
    TriggerAlarmRecord row;
    ASSERT_TRUE(stored("trigger_alarm", 0, &row));
    EXPECT_EQ(hex_of(row), hex_of(TriggerAlarmRecord{{9, 9, 9, 9, 9, 9, 0}}));
}

TEST_F(CameraQueriesTest, TriggerAlarmWriteNeedsKeysZeroToFive)
{
    ASSERT_EQ(store({"init"}).status, 0);
    TriggerAlarmRecord factory;
    ASSERT_TRUE(stored("trigger_alarm", 0, &factory)) << "seeded by init";
    EXPECT_EQ(hex_of(factory), hex_of(zeroed<TriggerAlarmRecord>()));
    for (const char* body : {"{\"0\":1,\"1\":1,\"2\":1,\"3\":1,\"4\":1,\"6\":1}", "{}", "[1,2,3,4,5,6]", "0=1", ""})
        EXPECT_EQ(post("/6998", body).out, "") << body;
    EXPECT_TRUE(emu().received(2104).empty());
    TriggerAlarmRecord row;
    ASSERT_TRUE(stored("trigger_alarm", 0, &row));
    EXPECT_EQ(hex_of(row), hex_of(factory));
}

}  // namespace
