// Overlays end to end: the recorder's OSD rows, channel renames, the
// camera's own OSD and the privacy masks, through the CGI program, the store
// and the emulator.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "handlers/camera/camera_records.h"
#include "handlers/camera/overlay_records.h"
#include "tests/fixtures.h"

namespace {

const std::string kOsdSet =
    "{\"camId\":6,\"camName\":\"Lobby\",\"showName\":1,\"showDate\":0,\"showWeek\":1,\"dateFormat\":3,"
    "\"timeFormat\":1,\"datePosX\":0.25,\"datePosY\":0,\"namePosX\":0.5,\"namePosY\":12.75,\"alpha\":128}";

class OverlayTest : public DaemonTest {
protected:
    OsdRecord old_osd(int id)
    {
        OsdRecord o = zeroed<OsdRecord>();
        for (size_t i = 0; i < sizeof o; i++) reinterpret_cast<u8*>(&o)[i] = u8(0x41 + i % 20);
        o.id = id;
        set_text(o.name, "Old name");
        o.show_name = o.show_date = o.show_week = 0;
        o.date_format = 1;
        o.time_format = 0;
        o.date_pos_x = o.date_pos_y = o.name_pos_x = o.name_pos_y = 1.0;
        o.alpha = 3;
        return o;
    }
    std::string osd_hex(int id)
    {
        std::vector<uint8_t> bytes;
        return stored_bytes("osd", id, &bytes) ? to_hex(bytes.data(), bytes.size()) : "";
    }
};

TEST_F(OverlayTest, ModuleListsItsCodesInTableOrder)
{
    const std::vector<std::string> mine = {"/6000", "/6001", "/6002", "/6018", "/6019", "/6997", "/6996"};
    EXPECT_EQ(registered_codes("video", mine), mine);
}

TEST_F(OverlayTest, OsdWriteThenReadBackKeepsTheUnnamedBytes)
{
    const OsdRecord before = old_osd(6);
    put_row("osd", 6, before);
    EXPECT_EQ(post("/6001", kOsdSet).out, kTextHead + "OK");
    EXPECT_EQ(post("/6000", "6").out,
              kJsonHead + "{ \"camId\": 6, \"camName\": \"Lobby\", \"showName\": 1, \"showDate\": 0, "
                          "\"showWeek\": 1, \"dateFormat\": 3, \"timeFormat\": 1, \"datePosX\": 0.25, "
                          "\"datePosY\": 0.0, \"namePosX\": 0.5, \"namePosY\": 12.75, \"alpha\": 128 }");
    OsdRecord got;
    ASSERT_TRUE(stored("osd", 6, &got));
    EXPECT_EQ(std::memcmp(got.kept, before.kept, sizeof got.kept), 0);

    EXPECT_EQ(hex_of(sent_once(1007, false)), hex_of(OsdChangedRecord{6, 1, 0}));

    // A name is cut to 63 characters.
    std::string body = kOsdSet;
    body.replace(body.find("Lobby"), 5, std::string(80, 'n'));
    EXPECT_EQ(post("/6001", body).out, kTextHead + "OK");
    ASSERT_TRUE(stored("osd", 6, &got));
    EXPECT_EQ(std::string(got.name), std::string(63, 'n'));
}

TEST_F(OverlayTest, OsdWriteValidationChangesNothing)
{
    put_row("osd", 6, old_osd(6));
    const std::string row = osd_hex(6);
    auto with = [](const std::string& from, const std::string& to) {
        std::string s = kOsdSet;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    for (const std::string& bad :
         {with("\"dateFormat\":3", "\"dateFormat\":4"), with("\"datePosX\":0.25", "\"datePosX\":-0.5"),
          with("\"camId\":6", "\"camId\":64"), with("\"showWeek\":1", "\"showWeek\":2"),
          with("\"timeFormat\":1", "\"timeFormat\":-1"), with("\"alpha\":128", "\"alpha\":-1"),
          with("\"namePosY\":12.75,", ""), with("\"camName\":\"Lobby\",", ""),
          with("\"namePosX\":0.5", "\"namePosX\":\"left\""),
          std::string("")}) {
        auto r = post("/6001", bad);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "") << bad;
    }
    EXPECT_EQ(osd_hex(6), row);
    EXPECT_TRUE(emu().received(1007).empty());
}

TEST_F(OverlayTest, OsdReadTakesADecimalChannel)
{
    put_row("osd", 0, old_osd(0));
    EXPECT_EQ(post("/6000", "0").body().rfind("{ \"camId\": 0, \"camName\": \"Old name\", ", 0), 0u);
    EXPECT_EQ(get("/6000", "63").body().rfind("{ \"camId\": 63, \"camName\": \"\", ", 0), 0u);
    for (const char* bad : {"64", "-1", "", "1x", "{\"camId\":1}"}) EXPECT_EQ(post("/6000", bad).out, "") << bad;
}

TEST_F(OverlayTest, RenameCutsTheNameAndTellsNobody)
{
    const OsdRecord before = old_osd(2);
    put_row("osd", 2, before);
    EXPECT_EQ(post("/6002", "{\"camId\":2,\"camName\":\"" + std::string(40, 'x') + "\"}").out, kTextHead + "OK");
    OsdRecord want = before;
    set_text(want.name, std::string(31, 'x').c_str());
    EXPECT_EQ(osd_hex(2), hex_of(want));
    // A channel without a row gets one of its own.
    EXPECT_EQ(post("/6002", "{\"camId\":40,\"camName\":\"Dock\"}").out, kTextHead + "OK");
    OsdRecord got;
    ASSERT_TRUE(stored("osd", 40, &got));
    EXPECT_EQ(got.id, 40);
    EXPECT_EQ(std::string(got.name), "Dock");

    for (const char* bad : {"{\"camId\":64,\"camName\":\"a\"}", "{\"camId\":2}", "{\"camName\":\"a\"}", "x"})
        EXPECT_EQ(post("/6002", bad).out, kTextError) << bad;
    EXPECT_EQ(osd_hex(2), hex_of(want));
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(OverlayTest, CameraOsdReadConnectedDisconnectedAndShort)
{
    CameraOsdRecord c = zeroed<CameraOsdRecord>();
    c.ch = 1;
    c.enable_text = 1;
    set_text(c.text_name, "Front");
    c.textpos = 2;
    c.enable_date = 1;
    c.datepos = 3;
    c.dateformat = 4;
    c.enable_text_sub = 5;
    set_text(c.text_name_sub, "F");
    c.textpos_sub = 6;
    c.enable_date_sub = 7;
    c.datepos_sub = 8;
    c.dateformat_sub = 9;
    emu().rule("3211 reply 8211 hex:" + hex_of(c));
    EXPECT_EQ(post("/6997", "{\"id\":1}").out,
              kJsonHead + "{ \"enable_text\": 1, \"text_name\": \"Front\", \"textpos\": 2, \"enable_date\": 1, "
                          "\"datepos\": 3, \"dateformat\": 4, \"enable_text_sub\": 5, \"text_name_sub\": \"F\", "
                          "\"textpos_sub\": 6, \"enable_date_sub\": 7, \"datepos_sub\": 8, \"dateformat_sub\": 9, "
                          "\"disconnect\": 0 }");
    EXPECT_EQ(hex_of(sent_once(3211)), "01000000");
    EXPECT_EQ(post("/6997", "{\"id\":64}").out, kTextError);
    EXPECT_EQ(post("/6997", "").out, kTextError);
    EXPECT_EQ(emu().received(3211).size(), 1u);
}

TEST_F(OverlayTest, CameraOsdOfADisconnectedCamera)
{
    // A negative channel is enough: the rest of the record is not needed.
    emu().rule("3211 reply 8211 hex:ffffffff");
    EXPECT_EQ(post("/6997", "{\"id\":1}").out, kJsonHead + "{ \"disconnect\": 1 }");
}

TEST_F(OverlayTest, CameraOsdEmptyReplyIsAnError)
{
    emu().rule("3211 reply 8211 hex:");
    EXPECT_EQ(post("/6997", "{\"id\":1}").out, kTextError);
}

TEST_F(OverlayTest, CameraOsdShortReplyIsAnError)
{
    emu().rule("3211 reply 8211 zeros:555");
    EXPECT_EQ(post("/6997", "{\"id\":1}").out, kTextError);
}

TEST_F(OverlayTest, CameraOsdWriteSendsTheRecordAndRepliesTheVerdict)
{
    emu().rule("3210 reply 8210 hex:00000000");
    EXPECT_EQ(post("/6996", "{\"ch\":7,\"enable_text\":1,\"text_name\":\"" + std::string(300, 't') +
                                "\",\"textpos\":1,\"enable_date\":1,\"datepos\":2,\"dateformat\":3,"
                                "\"text_name_sub\":\"sub\",\"dateformat_sub\":4}")
                  .out,
              kTextHead + "OK");
    CameraOsdMessage want = zeroed<CameraOsdMessage>();
    want.osd.ch = 7;
    want.osd.enable_text = 1;
    set_text(want.osd.text_name, std::string(255, 't').c_str());
    want.osd.textpos = 1;
    want.osd.enable_date = 1;
    want.osd.datepos = 2;
    want.osd.dateformat = 3;
    set_text(want.osd.text_name_sub, "sub");
    want.osd.dateformat_sub = 4;
    EXPECT_EQ(hex_of(sent_once(3210)), hex_of(want));

    // A request without one of its keys sends nothing.
    EXPECT_EQ(post("/6996", "{\"ch\":7,\"enable_text\":1,\"text_name\":\"a\",\"textpos\":1,\"enable_date\":1,"
                            "\"datepos\":2}")
                  .out,
              "");
    EXPECT_EQ(post("/6996", "{\"ch\":64,\"enable_text\":1,\"text_name\":\"a\",\"textpos\":1,\"enable_date\":1,"
                            "\"datepos\":2,\"dateformat\":3}")
                  .out,
              "");
    EXPECT_EQ(emu().received(3210).size(), 1u);
}

const std::string kCameraOsd = "{\"ch\":7,\"enable_text\":1,\"text_name\":\"a\",\"textpos\":1,\"enable_date\":1,"
                               "\"datepos\":2,\"dateformat\":3}";

TEST_F(OverlayTest, CameraOsdNotSupported)
{
    emu().rule("3210 reply 8210 hex:ffffffff");
    EXPECT_EQ(post("/6996", kCameraOsd).out, kTextHead + "NO_SUPPORT");
}

TEST_F(OverlayTest, CameraOsdRefused)
{
    emu().rule("3210 reply 8210 hex:02000000");
    EXPECT_EQ(post("/6996", kCameraOsd).out, kTextHead + "ERROR");
}

TEST_F(OverlayTest, CameraOsdWithoutReply)
{
    emu().rule("3210 close");
    EXPECT_EQ(post("/6996", kCameraOsd).out, kTextError);
}

TEST_F(OverlayTest, PrivacyMasksListedFromTheStore)
{
    EXPECT_EQ(post("/6018", "").out, kJsonHead + "[ ]");
    PrivacyMaskRecord m = zeroed<PrivacyMaskRecord>();
    m.id = 9;
    for (int a = 0; a < kMaskAreas; a++) m.area[a].area_id = a;
    m.area[0] = {0, 1, 10, 20, 30, 40, 704, 576, 3, {9, 9, 9, 9}};
    put_row("privacy_mask", 9, m);
    PrivacyMaskRecord n = zeroed<PrivacyMaskRecord>();
    n.id = 2;
    put_row("privacy_mask", 2, n);
    auto body = post("/6018", "x").body();
    EXPECT_EQ(body.rfind("[ { \"id\": 2, \"area\": [ { \"area_id\": 0, \"enable\": 0, ", 0), 0u) << body;
    EXPECT_NE(body.find("{ \"id\": 9, \"area\": [ { \"area_id\": 0, \"enable\": 1, \"start_x\": 10, "
                        "\"start_y\": 20, \"area_width\": 30, \"area_height\": 40, \"width\": 704, "
                        "\"height\": 576, \"fill_color\": 3 }, { \"area_id\": 1, "),
              std::string::npos)
        << body;
    EXPECT_NE(body.find("{ \"area_id\": 23, \"enable\": 0, \"start_x\": 0, \"start_y\": 0, \"area_width\": 0, "
                        "\"area_height\": 0, \"width\": 0, \"height\": 0, \"fill_color\": 0 } ] } ]"),
              std::string::npos);
}

TEST_F(OverlayTest, PrivacyMasksSentForTheListedChannels)
{
    std::string areas = "[";
    for (int i = 0; i < 30; i++)
        areas += (i ? "," : "") + std::string("{\"area_id\":") + std::to_string(i) +
                 ",\"enable\":1,\"start_x\":1,\"start_y\":2,\"area_width\":3,\"area_height\":4,"
                 "\"fill_color\":5,\"ratio\":6,\"name\":\"" + std::string(i == 0 ? 70 : 3, 'm') + "\"}";
    areas += "]";
    EXPECT_EQ(post("/6019", "{\"cnt\":4,\"chnid\":[1,70,-3,5,9],\"area\":" + areas +
                                ",\"enable\":1,\"num\":20,\"cgiSdkFlag\":1,\"areaMaskEnable\":1,"
                                "\"mosaicSupport\":1,\"mosaicNum\":20,\"delMask\":8589934593}")
                  .out,
              kTextHead + "OK");
    static PrivacyMaskMessage want;
    want = zeroed<PrivacyMaskMessage>();
    std::memset(want.channels, '0', sizeof want.channels);
    want.channels[1] = want.channels[5] = '1';
    want.enable = 1;
    want.num = 20;
    want.cgi_sdk_flag = 1;
    want.area_mask_enable = 1;
    want.mosaic_support = 1;
    want.mosaic_num = 20;
    want.del_mask = 8589934593LL;
    // The masks and mosaics fill all 28 entries, no more.
    for (int i = 0; i < kPrivacyMaskEntries; i++) {
        PrivacyMaskEntry& e = want.entry[i];
        e = {i, 1, 1, 2, 3, 4, 5, 6, {}};
        set_text(e.name, std::string(i == 0 ? 63 : 3, 'm').c_str());
    }
    auto sent = emu().received(2509);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].flags & 1, 0u);
    EXPECT_EQ(hex_of(sent[0]), hex_of(want));

    // Fewer elements than the count: the rest stays zero.
    EXPECT_EQ(post("/6019", "{\"cnt\":9,\"chnid\":[0],\"area\":[null,{\"area_id\":4}],\"num\":3}").out,
              kTextHead + "OK");
    sent = emu().received(2509);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].text_at(0, 64), "1" + std::string(63, '0'));
    EXPECT_EQ(sent[1].u32_at(192), 0u);
    EXPECT_EQ(sent[1].u32_at(192 + 96), 4u);
    EXPECT_EQ(sent[1].u32_at(192 + 2 * 96), 0u);
    EXPECT_EQ(sent[1].i64_at(2888), 0);

    // Without "cnt", "area" or "chnid" nothing is sent.
    for (const char* bad : {"{\"chnid\":[1],\"area\":[]}", "{\"cnt\":1,\"area\":[]}", "{\"cnt\":1,\"chnid\":[1]}",
                            "{\"cnt\":1,\"chnid\":1,\"area\":[]}", ""})
        EXPECT_EQ(post("/6019", bad).out, "") << bad;
    EXPECT_EQ(emu().received(2509).size(), 2u);
}

TEST_F(OverlayTest, DemoRecorderAnswersTheCameraOsd)
{
    ASSERT_EQ(store({"init"}).status, 0);
    EXPECT_NE(post("/6997", "{\"id\":2}").body().find("\"text_name\": \"Camera 3\""), std::string::npos);
    EXPECT_EQ(post("/6997", "{\"id\":9}").body(), "{ \"disconnect\": 1 }");
    EXPECT_EQ(post("/6996", "{\"ch\":2,\"enable_text\":1,\"text_name\":\"a\",\"textpos\":1,\"enable_date\":1,"
                            "\"datepos\":2,\"dateformat\":3}")
                  .body(),
              "OK");
    // The factory store has a name and masks for every channel.
    EXPECT_EQ(post("/6000", "5").body().rfind("{ \"camId\": 5, \"camName\": \"CAM6\", \"showName\": 1, ", 0), 0u);
    auto masks = post("/6018", "").body();
    EXPECT_NE(masks.find("{ \"id\": 63, \"area\": [ "), std::string::npos);
}

TEST_F(OverlayTest, EmptyBodiesAreHandled)
{
    expect_empty_bodies_handled({"/6000", "/6001", "/6002", "/6018", "/6019", "/6996", "/6997"});
}

}  // namespace
