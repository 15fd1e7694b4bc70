// Camera image settings end to end: image and day-night settings, named
// camera parameters, timed profiles, image areas, week schedules, the
// exposure table and the night mode, through the CGI program and the
// emulator.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "handlers/camera/image_records.h"
#include "tests/fixtures.h"

namespace {

// A channel list: the given channels first, -1 in every other place.
void channel_list(i32 (&list)[kChannelListSize], std::vector<i32> channels)
{
    for (int i = 0; i < kChannelListSize; i++) list[i] = i < int(channels.size()) ? channels[size_t(i)] : -1;
}

class ImageTest : public DaemonTest {
protected:
};

TEST_F(ImageTest, ModuleListsItsCodesInTableOrder)
{
    const std::vector<std::string> mine = {"/2019", "/2020", "/2021", "/2022", "/2023", "/2024", "/2037",
                                           "/2038", "/2039", "/2040", "/2041", "/2042", "/2043", "/2044",
                                           "/2045", "/2046", "/2047", "/2050", "/2048", "/2049", "/2062"};
    EXPECT_EQ(registered_codes("camera", mine), mine);
}

TEST_F(ImageTest, ImageSettingsReadInKeyOrderAndWriteToSeveralChannels)
{
    ImageSettingsReply rep = zeroed<ImageSettingsReply>();
    rep.id = 4;
    i32* words = reinterpret_cast<i32*>(&rep.block);
    for (size_t i = 0; i < sizeof rep.block / 4; i++) words[i] = i32(i + 1);
    set_text(rep.block.exposeregion, "0,0,100,100");
    set_text(rep.block.sdkversion, "SDK2");
    emu().rule("3221 reply 8221 hex:" + hex_of(rep));
    EXPECT_EQ(post("/2019", "{\"id\":4}").out,
              kJsonHead +
                  "{ \"id\": 4, \"smartir\": 1, \"whiteblance\": 2, \"focusmode\": 3, \"antiblurry\": 4, "
                  "\"wdrenable\": 5, \"wdrlevel\": 6, \"wdrstarthour\": 7, \"wdrstartminute\": 8, "
                  "\"wdrstophour\": 9, \"wdrstopminute\": 10, \"regiontype\": 11, \"hlcmode\": 12, "
                  "\"exclude\": 13, \"exposemode\": 14, \"exposeregion\": \"0,0,100,100\", "
                  "\"imageschemode\": 32, \"hlcday\": 33, \"hlcnight\": 34, \"redgain\": 35, \"bluegain\": 36, "
                  "\"defogmode\": 37, \"defoglevel\": 38, \"dismode\": 39, \"exposetime\": 40, "
                  "\"exposegain\": 41, \"wdraflevel\": 42, \"exposurectrl\": 44, \"hlclevel\": 43, "
                  "\"enblur\": 45, \"deblur\": 46, \"sdkversion\": \"SDK2\", \"lensType\": 55, "
                  "\"reduceVideoStuttering\": 56 }");
    auto asked = emu().received(3221);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(hex_of(asked[0]), "04000000");

    EXPECT_EQ(post("/2020",
                   "{\"channel\":[2,70,5],\"smartir\":1,\"whiteblance\":2,\"wdrenable\":1,\"wdrlevel\":60,"
                   "\"exposeregion\":\"" + std::string(80, 'r') +
                       "\",\"modelType\":3,\"aflevel\":7,\"dismode\":9,\"exposurectrl\":9,"
                       "\"sdkversion\":\"x\",\"lensType\":2,\"reduceVideoStuttering\":1}")
                  .out,
              kTextHead + "OK");
    ImageSettingsMessage want = zeroed<ImageSettingsMessage>();
    // A place that names no channel is left unused.
    channel_list(want.channel, {2, -1, 5});
    want.block.smartir = 1;
    want.block.whiteblance = 2;
    want.block.wdrenable = 1;
    want.block.wdrlevel = 60;
    set_text(want.block.exposeregion, std::string(63, 'r').c_str());
    want.block.model_type = 3;
    want.block.aflevel = 7;
    want.block.lens_type = 2;
    want.block.reduce_video_stuttering = 1;
    EXPECT_EQ(hex_of(sent_once(3280, false)), hex_of(want));

    // Unparsable texts and channels outside 0..63 get no reply.
    EXPECT_EQ(post("/2019", "{\"id\":64}").out, "");
    EXPECT_EQ(post("/2019", "id=1").out, "");
    EXPECT_EQ(post("/2020", "{\"smartir\":1").out, "");
    EXPECT_EQ(emu().received(3221).size(), 1u);
    EXPECT_EQ(emu().received(3280).size(), 1u);
}

// Queries the daemon does not answer, or answers too short: the plain-text
// error of these requests.
TEST_F(ImageTest, PlainTextQueriesWithoutUsableReply)
{
    expect_replies({"3221 reply 8221 zeros:227", "3223 close", "3224 close", "3225 reply 8225 zeros:391", "3226 close"},
                   {
                       {"/2019", "{\"id\":1}", kTextError},
                       {"/2021", "{\"id\":1}", kTextError},
                       {"/2022", "{\"id\":1}", kTextError},
                       {"/2023", "{\"id\":1}", kTextError},
                       {"/2024", "{\"id\":1}", kTextError},
                   });
}

// Queries in JSON form with the same faults.
TEST_F(ImageTest, JsonQueriesWithoutUsableReply)
{
    expect_replies({"3271 reply 8271 zeros:363", "3273 reply 8273 zeros:26179", "3275 close", "3278 close",
                    "1219 reply 6219 hex:01000000"},
                   {
                       {"/2039", "{\"id\":1}", kJsonError},
                       {"/2041", "{\"id\":1}", kJsonError},
                       {"/2043", "{\"id\":1}", kJsonError},
                       {"/2037", "{\"id\":1}", kJsonError},
                       {"/2062", "{\"chnid\":1}", kJsonError},
                   });
}

TEST_F(ImageTest, DayNightReadAndWrite)
{
    DayNightRecord d;
    i32* words = reinterpret_cast<i32*>(&d);
    for (size_t i = 0; i < sizeof d / 4; i++) words[i] = i32(i);
    set_text(d.chipninterface, "CHIP");
    set_text(d.sensortype, "SENS");
    set_text(d.productmodel, "PM");
    set_text(d.softversion, "SV");
    set_text(d.sdkversion, "SDK");
    emu().rule("3223 reply 8223 hex:" + hex_of(d));
    EXPECT_EQ(post("/2021", "{\"id\":0}").out,
              kJsonHead +
                  "{ \"id\": 0, \"colorkiller\": 1, \"modestarthour\": 2, \"modestartminute\": 3, "
                  "\"modestophour\": 4, \"modestopminute\": 5, \"exposurectrl\": 6, \"lighttype\": 7, "
                  "\"mirctrl\": 8, \"localdisplay\": 9, \"ircutaddaytonight\": 10, \"ircutadnighttoday\": 11, "
                  "\"corridormode\": 12, \"imagerotation\": 13, \"smartIRType\": 16, \"nearIRLevel\": 17, "
                  "\"farIRLevel\": 18, \"midIRLevel\": 19, \"lencorrect\": 20, \"smartIrMath\": 21, "
                  "\"smartIrLimit\": 22, \"chipninterface\": \"CHIP\", \"nearSmartirValue\": 39, "
                  "\"farSmartirValue\": 40, \"midSmartirValue\": 41, \"lenCorrectType\": 42, \"fovadjust\": 43, "
                  "\"sensortype\": \"SENS\", \"productmodel\": \"PM\", \"softversion\": \"SV\", "
                  "\"smokeddomecover\": 64, \"smartwhitestrength\": 65, \"dnRefocus\": 66, \"sdkversion\": \"SDK\", "
                  "\"structuretype\": 75, \"keepCorrectAspectRatio\": 76, \"dayNightSens\": 77, "
                  "\"nightDaySens\": 78, \"zoomLimit\": 79 }");

    // Only the written keys reach the message; read-only fields stay zero.
    emu().rule("3224 reply 8224 hex:00000000");
    auto r = post("/2022",
                  "{\"id\":3,\"colorkiller\":1,\"modestarthour\":6,\"imagerotation\":2,\"saveCorridor\":1,"
                  "\"smartIRType\":2,\"midIRLevel\":40,\"whiteLedLevel\":70,\"lencorrect\":5,"
                  "\"smartwhitestrength\":9,\"sdkversion\":\"x\",\"zoomLimit\":3,\"nightDaySens\":4}");
    EXPECT_EQ(r.out, kTextHead + "OK");
    DayNightRecord want = zeroed<DayNightRecord>();
    want.id = 3;
    want.colorkiller = 1;
    want.modestarthour = 6;
    want.imagerotation = 2;
    want.save_corridor = 1;
    want.smart_ir_type = 2;
    want.mid_ir_level = 40;
    want.white_led_level = 70;
    want.zoom_limit = 3;
    want.night_day_sens = 4;
    EXPECT_EQ(hex_of(sent_once(3224)), hex_of(want));

    EXPECT_EQ(post("/2022", "{\"id\":64}").out, "");
    EXPECT_EQ(post("/2022", "").out, "");
    EXPECT_EQ(emu().received(3224).size(), 1u);
}

TEST_F(ImageTest, RefusedWritesReplyError)
{
    emu().rule("3224 reply 8224 hex:02000000");
    emu().rule("3226 reply 8226 hex:ffffffff");
    EXPECT_EQ(post("/2022", "{\"id\":3}").out, kTextHead + "ERROR");
    EXPECT_EQ(post("/2024", "{\"id\":2,\"key\":\"x\"}").out, kTextHead + "ERROR");
}

TEST_F(ImageTest, NamedCameraParameters)
{
    CameraParamReply p = zeroed<CameraParamReply>();
    p.id = 2;
    p.unused = 77;
    set_text(p.pagename, "video");
    set_text(p.httpname, "enc");
    set_text(p.key, "bitrate");
    set_text(p.value, "4096");
    emu().rule("3225 reply 8225 hex:" + hex_of(p));
    EXPECT_EQ(post("/2023", "{\"id\":2,\"pagename\":\"video\",\"httpname\":\"enc\",\"key\":\"bitrate\","
                            "\"value\":\"ignored\"}")
                  .out,
              kJsonHead + "{ \"id\": 2, \"pagename\": \"video\", \"httpname\": \"enc\", \"key\": \"bitrate\", "
                          "\"value\": \"4096\" }");
    CameraParamRecord want = zeroed<CameraParamRecord>();
    want.id = 2;
    set_text(want.pagename, "video");
    set_text(want.httpname, "enc");
    set_text(want.key, "bitrate");
    EXPECT_EQ(hex_of(emu().received(3225).at(0)), hex_of(want));

    emu().rule("3226 reply 8226 hex:00000000");
    const std::string long_key(200, 'k');
    EXPECT_EQ(post("/2024", "{\"id\":2,\"pagename\":\"video\",\"httpname\":\"enc\",\"key\":\"" + long_key +
                                "\",\"value\":\"" + std::string(200, 'v') + "\"}")
                  .out,
              kTextHead + "OK");
    want = zeroed<CameraParamRecord>();
    want.id = 2;
    set_text(want.pagename, "video");
    set_text(want.httpname, "enc");
    set_text(want.key, long_key.c_str());
    set_text(want.value, std::string(127, 'v').c_str());
    EXPECT_EQ(hex_of(emu().received(3226).at(0)), hex_of(want));

    // A rate-control change waits about two seconds before it is sent.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(post("/2024", "{\"id\":2,\"key\":\"ratecontrol2\",\"value\":\"1\"}").out, kTextHead + "OK");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1900));

    EXPECT_EQ(post("/2024", "{\"id\":-1,\"key\":\"x\"}").out, "");
    EXPECT_EQ(post("/2023", "{\"key\":\"x\"").out, "");
    EXPECT_EQ(emu().received(3225).size(), 1u);
    EXPECT_EQ(emu().received(3226).size(), 2u);
}

TEST_F(ImageTest, ProfilesReadAlwaysSevenAndWriteOneOrSeveral)
{
    // A reply holding one profile and a half: the rest reads as zeros.
    ImageProfile p = zeroed<ImageProfile>();
    p.set = 9;
    p.enable = 1;
    p.start_hour = 6;
    p.end_hour = 18;
    p.min_shutter = 2;
    p.max_shutter = 40;
    p.color_mode = 1;
    emu().rule("3278 reply 8278 hex:" + hex_of(p) + std::string(56, '7'));
    auto body = post("/2037", "{\"id\":63}").body();
    EXPECT_EQ(body.rfind("{ \"image\": [ { \"id\": 0, \"enable\": 1, \"startHour\": 6, \"startMinute\": 0, "
                         "\"endHour\": 18, \"endMinute\": 0, \"exposureLevel\": 0, \"maxShutter\": 40, "
                         "\"minShutter\": 2, \"gainLevel\": 0, \"irCutLatency\": 0, \"irCutState\": 0, "
                         "\"irLedState\": 0, \"colorMode\": 1 }, { \"id\": 1, \"enable\": 2004318071, ",
                         0),
              0u)
        << body;
    EXPECT_NE(body.find("{ \"id\": 6, \"enable\": 0, \"startHour\": 0, "), std::string::npos) << body;
    EXPECT_EQ(post("/2037", "{\"id\":64}").out, kJsonError);
    EXPECT_EQ(post("/2037", "").out, kJsonError);
    EXPECT_EQ(emu().received(3278).size(), 1u);

    // One profile: all others zero, set flags included.
    EXPECT_EQ(post("/2038", "{\"channel\":5,\"id\":3,\"enable\":1,\"startHour\":20,\"endHour\":6,"
                            "\"exposureLevel\":4,\"minShutter\":1,\"maxShutter\":33,\"gainLevel\":60,"
                            "\"irCutLatency\":3,\"irCutState\":1,\"irLedState\":1,\"colorMode\":2}")
                  .out,
              kTextHead + "OK");
    ImageProfilesMessage want = zeroed<ImageProfilesMessage>();
    want.channel = 5;
    want.profile[3] = {1, 1, 20, 0, 6, 0, 4, 1, 33, 60, 3, 1, 1, 2};
    auto sent = emu().received(3279);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].flags & 1, 0u);
    EXPECT_EQ(hex_of(sent[0]), hex_of(want));
    for (const char* bad : {"{\"channel\":64,\"id\":0}", "{\"channel\":1,\"id\":7}", "{\"channel\":1}", "x"})
        EXPECT_EQ(post("/2038", bad).out, kJsonError) << bad;

    // Several: one message per listed channel, negative ones skipped, null
    // profiles left unset, profiles past the seventh ignored.
    EXPECT_EQ(post("/2047", "{\"cnt\":3,\"chnid\":[4,-1,7,9],\"image\":[{\"enable\":1,\"startHour\":1},null,"
                            "{\"enable\":1,\"endHour\":23},{},{},{},{},{\"enable\":1}]}")
                  .out,
              kTextHead + "OK");
    sent = emu().received(3279);
    ASSERT_EQ(sent.size(), 3u);
    want = zeroed<ImageProfilesMessage>();
    want.channel = 4;
    want.profile[0].set = want.profile[0].enable = want.profile[0].start_hour = 1;
    want.profile[2].set = want.profile[2].enable = 1;
    want.profile[2].end_hour = 23;
    for (int i = 3; i < kImageProfiles; i++) want.profile[i].set = 1;
    EXPECT_EQ(hex_of(sent[1]), hex_of(want));
    want.channel = 7;
    EXPECT_EQ(hex_of(sent[2]), hex_of(want));
    // A count past the list sends only what is listed.
    post("/2047", "{\"cnt\":50,\"chnid\":[2],\"image\":[]}");
    EXPECT_EQ(emu().received(3279).size(), 4u);
}

TEST_F(ImageTest, ImageAreasReadWriteAndClear)
{
    ImageAreasReply rep = zeroed<ImageAreasReply>();
    rep.id = 1;
    rep.enable = 1;
    set_text(rep.sdkversion, "S1");
    rep.area[0] = {1, 10, 20, 30, 40};
    rep.area[15] = {1, 5, 6, 7, 8};
    emu().rule("3271 reply 8271 hex:" + hex_of(rep));
    auto body = post("/2039", "{\"id\":1}").body();
    EXPECT_EQ(body.rfind("{ \"enable\": 1, \"sdkversion\": \"S1\", \"area\": [ { \"id\": 0, \"enable\": 1, "
                         "\"left\": 10, \"top\": 20, \"right\": 30, \"bottom\": 40 }, { \"id\": 1, ",
                         0),
              0u)
        << body;
    EXPECT_NE(body.find("{ \"id\": 15, \"enable\": 1, \"left\": 5, \"top\": 6, \"right\": 7, \"bottom\": 8 } ] }"),
              std::string::npos)
        << body;
    EXPECT_EQ(post("/2039", "{\"id\":-1}").out, kJsonError);

    EXPECT_EQ(post("/2040", "{\"enable\":1,\"cnt\":4,\"chnid\":[3,70,-2,12,5],\"area\":[{\"enable\":1,\"left\":1,"
                            "\"top\":2,\"right\":3,\"bottom\":4},null,{\"enable\":1}]}")
                  .out,
              kTextHead + "OK");
    ImageAreasMessage want = zeroed<ImageAreasMessage>();
    want.channel[0] = 3;
    want.channel[1] = 12;
    want.count = 2;
    want.enable = 1;
    want.area[0] = {1, 1, 2, 3, 4};
    want.area[2].enable = 1;
    auto sent = emu().received(3288);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(hex_of(sent[0]), hex_of(want));

    EXPECT_EQ(post("/2050", "{\"chan_id\":63,\"area_id\":16}").out, kTextHead + "OK");
    EXPECT_EQ(post("/2050", "{\"chan_id\":1,\"area_id\":17}").out, kJsonError);
    EXPECT_EQ(post("/2050", "{\"chan_id\":64,\"area_id\":1}").out, kJsonError);
    EXPECT_EQ(post("/2050", "{\"area_id\":1}").out, kJsonError);
    sent = emu().received(3284);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(hex_of(sent[0]), hex_of(ImageAreaClear{63, 16}));
}

TEST_F(ImageTest, WeekSchedulesReadTenOrTwelvePlansAndWriteTen)
{
    auto rep = std::make_unique<ImageExposureScheduleReply>();
    *rep = zeroed<ImageExposureScheduleReply>();
    rep->id = 2;
    for (int d = 0; d < kScheduleDays; d++)
        for (int p = 0; p < kSchedulePlans; p++) {
            ImageExposurePlan& plan = rep->day[d].plan[p];
            set_text(plan.start_time, ("d" + std::to_string(d) + "p" + std::to_string(p)).c_str());
            plan.action_type = p;
            plan.exposure_time = 100 + p;
            plan.gain_level = d;
        }
    root().write_file("/exposure.bin", std::string(reinterpret_cast<const char*>(rep.get()), sizeof *rep));
    emu().rule("3275 reply 8275 file:" + root().at("/exposure.bin"));
    auto body = post("/2043", "{\"id\":2}").body();
    // 7 days of 12 plans, each with its exposure.
    EXPECT_EQ(body.rfind("{ \"schedule\": [ [ { \"startTime\": \"d0p0\", \"endTime\": \"\", \"actionType\": 0, "
                         "\"exposureTime\": 100, \"gainLevel\": 0 }, ",
                         0),
              0u)
        << body.substr(0, 200);
    EXPECT_NE(body.find("\"startTime\": \"d6p11\""), std::string::npos);
    EXPECT_EQ(body.find("\"startTime\": \"d6p12\""), std::string::npos);
    EXPECT_EQ(body.find("\"d7p0\""), std::string::npos);

    auto short_rep = std::make_unique<ImageScheduleReply>();
    *short_rep = zeroed<ImageScheduleReply>();
    for (int d = 0; d < kScheduleDays; d++)
        for (int p = 0; p < kSchedulePlans; p++)
            set_text(short_rep->day[d].plan[p].start_time, ("d" + std::to_string(d) + "p" + std::to_string(p)).c_str());
    root().write_file("/plans.bin", std::string(reinterpret_cast<const char*>(short_rep.get()), sizeof *short_rep));
    emu().rule("3273 reply 8273 file:" + root().at("/plans.bin"));
    emu().rule("3277 reply 8277 file:" + root().at("/plans.bin"));
    body = post("/2041", "{\"id\":2}").body();
    EXPECT_NE(body.find("{ \"startTime\": \"d6p9\", \"endTime\": \"\", \"actionType\": 0 } ] ] }"), std::string::npos);
    EXPECT_EQ(body.find("\"d0p10\""), std::string::npos);
    body = post("/2045", "{\"id\":2}").body();
    EXPECT_NE(body.find("\"startTime\": \"d6p11\""), std::string::npos);
    EXPECT_EQ(post("/2045", "{\"id\":64}").out, kJsonError);

    // A write: 7 days of 10 positional plans; an 11th plan or 8th day is
    // not sent, texts are cut to 31 characters.
    std::string week = "[";
    for (int d = 0; d < 8; d++) {
        week += d ? ",[" : "[";
        for (int p = 0; p < 11; p++)
            week += (p ? "," : "") + std::string("[\"") + (p == 0 ? std::string(40, 's') : "01:00") +
                    "\",\"02:00\"," + std::to_string(p + 1) + "," + std::to_string(d) + ",7]";
        week += "]";
    }
    week += "]";
    EXPECT_EQ(post("/2044", "{\"channel\":[1,3],\"schedule\":" + week + "}").out, kTextHead + "OK");
    auto want = std::make_unique<ImageExposureScheduleMessage>();
    *want = zeroed<ImageExposureScheduleMessage>();
    channel_list(want->channel, {1, 3});
    for (int d = 0; d < 7; d++)
        for (int p = 0; p < 10; p++) {
            ImageExposurePlan& plan = want->day[d].plan[p];
            set_text(plan.start_time, p == 0 ? std::string(31, 's').c_str() : "01:00");
            set_text(plan.end_time, "02:00");
            plan.action_type = p + 1;
            plan.exposure_time = d;
            plan.gain_level = 7;
        }
    auto sent = emu().received(3282);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].flags & 1, 0u);
    ASSERT_EQ(sent[0].payload.size(), 29188u);
    EXPECT_TRUE(hex_of(sent[0]) == hex_of(*want));

    EXPECT_EQ(post("/2042", "{\"channel\":[0],\"schedule\":[[[\"00:00\",\"24:00\",1]]]}").out, kTextHead + "OK");
    EXPECT_EQ(post("/2046", "{\"channel\":[0],\"schedule\":[]}").out, kTextHead + "OK");
    ASSERT_EQ(emu().received(3281).size(), 1u);
    EXPECT_EQ(emu().received(3281)[0].payload.size(), 26180u);
    EXPECT_EQ(emu().received(3281)[0].text_at(256 + 32, 32), "24:00");
    EXPECT_EQ(emu().received(3281)[0].u32_at(256 + 64), 1u);
    EXPECT_EQ(emu().received(3283).size(), 1u);
    // Without a channel list or a schedule nothing is sent.
    EXPECT_EQ(post("/2042", "{\"schedule\":[]}").out, kJsonError);
    EXPECT_EQ(post("/2046", "{\"channel\":[1]}").out, kJsonError);
    EXPECT_EQ(emu().received(3281).size(), 1u);
}

TEST_F(ImageTest, ExposureTableRoundTripAndBounds)
{
    EXPECT_EQ(post("/2049", "{\"channel\":5}").out, kJsonError);  // no table stored
    EXPECT_EQ(post("/2048", "{\"channel\":5,\"exposure\":[{\"exposureTime\":100,\"gainLevel\":1},"
                            "{\"exposureTime\":200,\"gainLevel\":2}]}")
                  .out,
              kTextHead + "OK");
    EXPECT_EQ(post("/2049", "{\"channel\":5}").out,
              kJsonHead + "{ \"exposure\": [ { \"exposureTime\": 100, \"gainLevel\": 1 }, "
                          "{ \"exposureTime\": 200, \"gainLevel\": 2 } ] }");

    // At most 140 pairs are kept.
    std::string many = "[";
    for (int i = 0; i < 150; i++) many += (i ? "," : "") + std::string("{\"exposureTime\":") + std::to_string(i) + "}";
    EXPECT_EQ(post("/2048", "{\"channel\":63,\"exposure\":" + many + "]}").out, kTextHead + "OK");
    ExposureRecord rec;
    ASSERT_TRUE(stored("exposure", 63, &rec));
    EXPECT_EQ(rec.count, 140);
    EXPECT_EQ(rec.pair[139].exposure_time, 139);
    auto body = post("/2049", "{\"channel\":63}").body();
    EXPECT_NE(body.find("{ \"exposureTime\": 139, \"gainLevel\": 0 } ] }"), std::string::npos);

    // A stored row that claims more pairs than it holds lists what it holds.
    rec.count = 1000;
    put_row("exposure", 7, rec);
    body = post("/2049", "{\"channel\":7}").body();
    EXPECT_NE(body.find("{ \"exposureTime\": 139, \"gainLevel\": 0 } ] }"), std::string::npos);

    // Bad requests write nothing.
    for (const char* bad : {"{\"channel\":64,\"exposure\":[]}", "{\"channel\":1}", "{\"exposure\":[]}", "[]"})
        EXPECT_EQ(post("/2048", bad).out, kJsonError) << bad;
    EXPECT_FALSE(stored("exposure", 1, &rec));
    EXPECT_FALSE(stored("exposure", 0, &rec));
    EXPECT_EQ(post("/2049", "{\"channel\":-1}").out, kJsonError);
}

TEST_F(ImageTest, FreshStoreHasAnExposureTableForEveryChannel)
{
    ASSERT_EQ(store({"init"}).status, 0);
    for (int ch : {0, 31, 63}) {
        auto body = post("/2049", "{\"channel\":" + std::to_string(ch) + "}").body();
        EXPECT_EQ(body.rfind("{ \"exposure\": [ { \"exposureTime\": 100, \"gainLevel\": 0 }", 0), 0u) << body;
    }
}

TEST_F(ImageTest, NightMode)
{
    emu().rule("1219 reply 6219 hex:" + hex_of(NightModeReply{8, 1}));
    EXPECT_EQ(post("/2062", "{\"chnid\":8}").out, kJsonHead + "{ \"chnid\": 8, \"nightMode\": 1 }");
    EXPECT_EQ(hex_of(emu().received(1219).at(0)), "08000000");
    EXPECT_EQ(post("/2062", "{\"chnid\":64}").out, kJsonError);
    EXPECT_EQ(emu().received(1219).size(), 1u);
}

TEST_F(ImageTest, DemoRecorderAnswersEveryImageRequest)
{
    EXPECT_NE(post("/2019", "{\"id\":0}").body().find("\"sdkversion\": \"V3.1.0\""), std::string::npos);
    EXPECT_NE(post("/2021", "{\"id\":1}").body().find("\"productmodel\": \"DV-D2 dome\""), std::string::npos);
    EXPECT_EQ(post("/2022", "{\"id\":1}").body(), "OK");
    EXPECT_EQ(post("/2022", "{\"id\":12}").body(), "ERROR");
    EXPECT_NE(post("/2023", "{\"id\":1,\"key\":\"k\"}").body().find("\"key\": \"k\", \"value\": \"1\""),
              std::string::npos);
    EXPECT_EQ(post("/2024", "{\"id\":1,\"key\":\"k\",\"value\":\"2\"}").body(), "OK");
    EXPECT_NE(post("/2037", "{\"id\":1}").body().find("{ \"id\": 1, \"enable\": 1, \"startHour\": 18"),
              std::string::npos);
    EXPECT_NE(post("/2039", "{\"id\":1}").body().find("\"sdkversion\": \"V3.1.0\""), std::string::npos);
    for (const char* code : {"/2041", "/2043", "/2045"})
        EXPECT_EQ(post(code, "{\"id\":1}").body().rfind("{ \"schedule\": [ [ { \"startTime\": \"00:00\", "
                                                        "\"endTime\": \"24:00\"",
                                                        0),
                  0u)
            << code;
    EXPECT_EQ(post("/2062", "{\"chnid\":2}").body(), "{ \"chnid\": 2, \"nightMode\": 0 }");
}

TEST_F(ImageTest, EmptyBodiesAreHandled)
{
    expect_empty_bodies_handled({"/2019", "/2020", "/2021", "/2022", "/2023", "/2024", "/2037", "/2038", "/2039",
                                 "/2040", "/2041", "/2042", "/2043", "/2044", "/2045", "/2046", "/2047", "/2048",
                                 "/2049", "/2050", "/2062"});
}

}  // namespace
