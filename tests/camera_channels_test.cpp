// Camera channels end to end: listing, reading, adding, editing, clearing,
// naming and the camera login, through the CGI program and the emulator.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/reply.h"
#include "handlers/camera/camera_records.h"
#include "tests/fixtures.h"

namespace {

// Request members as raw JSON values, in order.
using Fields = std::vector<std::pair<std::string, std::string>>;

std::string json_of(Fields fields, const Fields& changes = {}, const std::vector<std::string>& drop = {})
{
    for (const auto& c : changes) {
        bool found = false;
        for (auto& f : fields)
            if (f.first == c.first) f.second = c.second, found = true;
        if (!found) fields.push_back(c);
    }
    std::string s = "{";
    for (const auto& f : fields) {
        bool dropped = false;
        for (const auto& d : drop) dropped |= d == f.first;
        if (dropped) continue;
        if (s.size() > 1) s += ",";
        s += "\"" + f.first + "\":" + f.second;
    }
    return s + "}";
}

// An edit of channel 5 with every key the web page sends, RTSP protocol.
const Fields kEdit = {
    {"id", "5"},
    {"name", "\"Gate\""},
    {"enable", "1"},
    {"camProtocol", "1"},
    {"ipAddr", "\"10.0.0.5\""},
    {"managePort", "8000"},
    {"transmitProtocol", "0"},
    {"type", "0"},
    {"userName", "\"op\""},
    {"password", "\"pw\""},
    {"minorid", "2"},
    {"enableSubStream", "1"},
    {"syncTime", "1"},
    {"mainRtspPort", "5554"},
    {"mainSourcePath", "\"/live/main\""},
    {"subRtspPort", "5555"},
    {"subSourcePath", "\"/live/sub\""},
    {"mainrtspurl", "\"rtsp://10.0.0.5/main\""},
    {"subrtspurl", "\"rtsp://10.0.0.5/sub\""},
    {"ddns", "\"gate.example\""},
};

class CameraTest : public NvrTest {
protected:
    // The stored bytes of a row in hex, "" when absent.
    std::string row_hex(const char* table, int index)
    {
        std::vector<uint8_t> bytes;
        return stored_bytes(table, index, &bytes) ? to_hex(bytes.data(), bytes.size()) : "";
    }
    // A row as stored, zeros when absent.
    template <typename T>
    T row(const char* table, int index)
    {
        T t = zeroed<T>();
        stored(table, index, &t);
        return t;
    }

    // A channel row with something in every field, including the bytes no
    // request names.
    CameraRecord old_camera(int id)
    {
        CameraRecord c = zeroed<CameraRecord>();
        for (size_t i = 0; i < sizeof c; i++) reinterpret_cast<u8*>(&c)[i] = u8(0x20 + i % 90);
        c.id = id;
        c.cleared = 0;
        c.enable = 0;
        set_text(c.user, "olduser");
        set_text(c.password, "oldpw");
        set_text(c.ip, "192.0.2.1");
        c.main_rtsp_port = 1554;
        set_text(c.main_source_path, "/old/main");
        c.sub_rtsp_port = 1555;
        set_text(c.sub_source_path, "/old/sub");
        c.protocol = 0;
        c.transmit = 1;
        c.kept = 0x1234;
        set_text(c.main_rtsp_url, "rtsp://old/main");
        set_text(c.sub_rtsp_url, "rtsp://old/sub");
        set_text(c.mac, "02:00:00:00:00:01");
        set_text(c.ddns, "old.example");
        return c;
    }
    OsdRecord osd(int id, const char* name)
    {
        OsdRecord o = zeroed<OsdRecord>();
        o.id = id;
        set_text(o.name, name);
        o.show_name = 1;
        o.alpha = 7;
        o.date_pos_x = 0.25;
        return o;
    }
};

// The operation-log record the handlers send, built byte by byte: header
// fields, then the detail block of kind 111 behind its 8-byte header.
struct LogDetail {
    u32 param;
    std::string ip;
    u32 port;
    std::string protocol;
    std::string transport;
    u8 sync;
};
std::string expected_log(i64 sub, u32 param, u32 channel, const LogDetail* d)
{
    std::vector<u8> b(672, 0);
    auto put32 = [&](size_t off, u32 v) { std::memcpy(&b[off], &v, 4); };
    auto put_text = [&](size_t off, const std::string& s) { std::memcpy(&b[off], s.data(), s.size()); };
    put32(0, 4);
    std::memcpy(&b[8], &sub, 8);
    put32(24, param);
    put32(28, 1);
    put32(32, channel);
    put_text(36, "203.0.113.9");
    put_text(82, "oper");
    if (d) {
        put32(148, 8 + 176);
        put32(152, 111);
        put32(156, 176);
        const size_t blk = 160;
        put32(blk + 0, d->param);
        put_text(blk + 4, d->ip);
        put32(blk + 68, d->port);
        put32(blk + 72, channel);
        put_text(blk + 140, d->protocol);
        put_text(blk + 156, d->transport);
        b[blk + 172] = d->sync;
    }
    return to_hex(b.data(), b.size());
}



TEST_F(CameraTest, ModuleListsItsCodesInTableOrder)
{
    const std::vector<std::string> mine = {"/2001", "/2003", "/2004", "/2005", "/2006", "/2007", "/2008", "/2000",
                                           "/2011", "/2012", "/2014", "/2015", "/2018", "/2016", "/2017", "/2032"};
    EXPECT_EQ(registered_codes("camera", mine), mine);
}

TEST_F(CameraTest, ReadOneChannelInKeyOrder)
{
    CameraRecord c = old_camera(5);
    c.protocol = 12;  // a model of protocol 3
    c.enable = 1;
    c.manage_port = 8080;
    c.sub_enable = 1;
    c.sync_time = 1;
    c.physical_port = 4;
    c.poe_channel = 3;
    c.minor_id = 9;
    put_row("camera", 5, c);
    put_row("osd", 5, osd(5, "Yard"));
    IpcModelRecord m = zeroed<IpcModelRecord>();
    m.id = 12;
    m.protocol = 3;
    put_row("ipc_model", 12, m);

    auto r = post("/2000", "{\"chnid\":5}");
    EXPECT_EQ(r.out, kJsonHead +
                         "{ \"id\": 5, \"name\": \"Yard\", \"ipAddr\": \"192.0.2.1\", \"managePort\": 8080, "
                         "\"protocol\": 3, \"model\": 12, \"userName\": \"olduser\", \"password\": \"oldpw\", "
                         "\"transmitProtocol\": 1, \"mainRtspPort\": 1554, \"mainSourcePath\": \"\\/old\\/main\", "
                         "\"subRtspEnable\": 1, \"subRtspPort\": 1555, \"subSourcePath\": \"\\/old\\/sub\", "
                         "\"syncTime\": 1, \"mainRtspUrl\": \"rtsp:\\/\\/old\\/main\", "
                         "\"subRtspUrl\": \"rtsp:\\/\\/old\\/sub\", \"physicalport\": 4, \"poechannel\": 3, "
                         "\"mac_addr\": \"02:00:00:00:00:01\", \"minorid\": 9, \"ddns\": \"old.example\" }");

    // Only the channels 0 to 15 of the page; anything else is an error.
    EXPECT_EQ(post("/2000", "{\"chnid\":16}").out, kJsonError);
    EXPECT_EQ(post("/2000", "{\"chnid\":-1}").out, kJsonError);
    EXPECT_EQ(post("/2000", "{\"channel\":1}").out, kJsonError);
    EXPECT_EQ(post("/2000", "chnid=1").out, kJsonError);
    EXPECT_EQ(post("/2000", "").out, kJsonError);
    // A channel without a stored row still answers for itself.
    EXPECT_NE(post("/2000", "{\"chnid\":15}").body().find("{ \"id\": 15, \"name\": \"\""), std::string::npos);
}

TEST_F(CameraTest, ListChannelsWithLiveStateInKeyOrder)
{
    put_row("osd", 2, osd(2, "Door"));
    ASSERT_EQ(store({"set", "max_cameras", "16"}).status, 0);
    std::vector<CameraStatusRecord> list(2, zeroed<CameraStatusRecord>());
    CameraStatusRecord& s = list[0];
    s.id = 2;
    s.manage_port = 80;
    s.protocol = 1;
    s.state = 1;
    s.main_rtsp_port = 554;
    std::memset(s.ip, 'a', sizeof s.ip);  // no terminator: read up to the width only
    set_text(s.vendor, "V");
    set_text(s.sn, "SN1");
    set_text(s.fw_version, "FW");
    set_text(s.mac, "MAC");
    set_text(s.model, "M");
    s.poe_channel = 11;
    s.physical_port = 12;
    s.alarm_in = 13;
    s.alarm_out = 14;
    s.white_led = 15;
    s.led_alarm = 16;
    s.led_manual = 17;
    s.minor_id = 18;
    s.sub_state = 19;
    s.connect_state = 20;
    set_text(s.sn_real, "SNR");
    set_text(s.ddns, "D");
    list[1].id = 40;  // a channel without a name row
    emu().rule("3201 reply 8201 hex:" + to_hex(list.data(), list.size() * sizeof list[0]) + "00");

    const std::string want =
        kJsonHead + "{ \"IPC\": [ { \"id\": 2, \"enable\": 1, \"name\": \"Door\", \"ipAddr\": \"" +
        std::string(32, 'a') +
        "\", \"managePort\": 80, \"camProtocol\": 1, \"vendor\": \"V\", \"sn\": \"SN1\", \"snReal\": \"SNR\", "
        "\"mac\": \"MAC\", \"model\": \"M\", \"fwVersion\": \"FW\", \"state\": 1, \"mainRtspPort\": 554, "
        "\"physicalport\": 12, \"poechannel\": 11, \"alarmin\": 13, \"alarmout\": 14, \"whiteLed\": 15, "
        "\"ledAlarm\": 16, \"ledManual\": 17, \"minorid\": 18, \"subState\": 19, \"connectState\": 20, "
        "\"ddns\": \"D\" }, { \"id\": 40, \"enable\": 1, \"name\": \"\", \"ipAddr\": \"\", \"managePort\": 0, "
        "\"camProtocol\": 0, \"vendor\": \"\", \"sn\": \"\", \"snReal\": \"\", \"mac\": \"\", \"model\": \"\", "
        "\"fwVersion\": \"\", \"state\": 0, \"mainRtspPort\": 0, \"physicalport\": 0, \"poechannel\": 0, "
        "\"alarmin\": 0, \"alarmout\": 0, \"whiteLed\": 0, \"ledAlarm\": 0, \"ledManual\": 0, \"minorid\": 0, "
        "\"subState\": 0, \"connectState\": 0, \"ddns\": \"\" } ], \"maxIPCNums\": 16 }";
    EXPECT_EQ(post("/2001", "").out, want);
    EXPECT_EQ(post("/2007", "anything").out, want);
    auto sent = emu().received(3201);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(sent[0].payload.empty());
    EXPECT_EQ(sent[0].flags & 1, 1u);
}

TEST_F(CameraTest, ListChannelsShortReplyHasNoRecords)
{
    // Less than one whole record: no records, nothing read past the payload.
    emu().rule("3201 reply 8201 zeros:975");
    EXPECT_EQ(post("/2001", "").out, kJsonHead + "{ \"IPC\": [ ], \"maxIPCNums\": 32 }");
}

TEST_F(CameraTest, ListChannelsWithoutReplyIsJsonError)
{
    emu().rule("3201 close");
    EXPECT_EQ(post("/2001", "").out, kJsonError);
}

TEST_F(CameraTest, EditStoresTheRequestAndLogsIt)
{
    put_row("camera", 5, old_camera(5));
    put_row("osd", 5, osd(5, "Old"));
    emu();
    env.push_back({"REMOTE_ADDR", "203.0.113.9"});
    env.push_back({"HTTP_COOKIE", "userName=oper"});
    EXPECT_EQ(post("/2003", json_of(kEdit)).out, kTextHead + "OK");

    CameraRecord want = old_camera(5);
    want.minor_id = 2;
    want.enable = 1;
    set_text(want.ip, "10.0.0.5");
    want.manage_port = 8000;
    want.protocol = 1;
    set_text(want.user, "op");
    set_text(want.password, "pw");
    want.transmit = 0;
    want.sub_enable = 1;
    want.sync_time = 1;
    want.main_rtsp_port = 5554;
    set_text(want.main_source_path, "/live/main");
    want.sub_rtsp_port = 5555;
    set_text(want.sub_source_path, "/live/sub");
    set_text(want.main_rtsp_url, "rtsp://10.0.0.5/main");
    set_text(want.sub_rtsp_url, "rtsp://10.0.0.5/sub");
    set_text(want.ddns, "gate.example");
    EXPECT_EQ(row_hex("camera", 5), to_hex(&want, sizeof want));
    OsdRecord o = osd(5, "Gate");
    EXPECT_EQ(row_hex("osd", 5), to_hex(&o, sizeof o));

    auto sent = emu().received();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].code, 1203u);
    EXPECT_EQ(hex_of(sent[0]), words({5}));
    EXPECT_EQ(sent[0].flags & 1, 0u);
    EXPECT_EQ(sent[1].code, 3485u);
    LogDetail d{903, "10.0.0.5", 8000, "RTSP", "UDP", 1};
    EXPECT_EQ(hex_of(sent[1]), expected_log(204, 903, 6, &d));
}

TEST_F(CameraTest, EditKeepsLoginForType1AndRtspFieldsForOtherProtocols)
{
    put_row("camera", 5, old_camera(5));
    emu();
    env.push_back({"REMOTE_ADDR", "203.0.113.9"});
    env.push_back({"HTTP_COOKIE", "userName=oper"});
    EXPECT_EQ(post("/2003", json_of(kEdit, {{"type", "1"}, {"camProtocol", "2"}, {"transmitProtocol", "2"}})).body(),
              "OK");
    CameraRecord c = row<CameraRecord>("camera", 5);
    CameraRecord old = old_camera(5);
    EXPECT_STREQ(c.user, "olduser");
    EXPECT_STREQ(c.password, "oldpw");
    EXPECT_EQ(c.protocol, 2);
    EXPECT_EQ(c.main_rtsp_port, old.main_rtsp_port);
    EXPECT_EQ(c.sub_rtsp_port, old.sub_rtsp_port);
    EXPECT_STREQ(c.main_source_path, old.main_source_path);
    EXPECT_STREQ(c.sub_source_path, old.sub_source_path);
    EXPECT_STREQ(c.main_rtsp_url, old.main_rtsp_url);
    EXPECT_STREQ(c.sub_rtsp_url, old.sub_rtsp_url);
    EXPECT_STREQ(c.ddns, "gate.example");
    auto logs = emu().received(3485);
    ASSERT_EQ(logs.size(), 1u);
    LogDetail d{903, "10.0.0.5", 8000, "KXSF", "TCP", 1};
    EXPECT_EQ(hex_of(logs[0]), expected_log(204, 903, 6, &d));
}

TEST_F(CameraTest, EditValidation)
{
    put_row("camera", 5, old_camera(5));
    const std::string before = row_hex("camera", 5);
    emu();
    const std::vector<std::string> refused = {
        json_of(kEdit, {{"id", "65"}}),
        json_of(kEdit, {{"id", "-1"}}),
        json_of(kEdit, {}, {"id"}),
        json_of(kEdit, {}, {"name"}),
        json_of(kEdit, {{"enable", "2"}}),
        json_of(kEdit, {}, {"enable"}),
        json_of(kEdit, {{"camProtocol", "8"}}),
        json_of(kEdit, {{"camProtocol", "-1"}}),
        json_of(kEdit, {{"ipAddr", "\"\""}}),
        json_of(kEdit, {}, {"ipAddr"}),
        json_of(kEdit, {{"managePort", "-1"}}),
        json_of(kEdit, {}, {"managePort"}),
        json_of(kEdit, {{"transmitProtocol", "3"}}),
        json_of(kEdit, {}, {"transmitProtocol"}),
        "not json",
        "",
    };
    for (const std::string& body : refused) {
        EXPECT_EQ(post("/2003", body).out, "") << body;
        EXPECT_EQ(post("/2004", body).out, "") << body;
    }
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(row_hex("camera", 5), before);

    // Protocol 7 needs neither address nor port.
    EXPECT_EQ(post("/2003", json_of(kEdit, {{"camProtocol", "7"}, {"managePort", "-5"}}, {"ipAddr"})).body(), "OK");
    CameraRecord c = row<CameraRecord>("camera", 5);
    EXPECT_EQ(c.protocol, 7);
    EXPECT_STREQ(c.ip, "192.0.2.1");  // an omitted text keeps the stored one
    EXPECT_EQ(c.manage_port, -5);
}

TEST_F(CameraTest, ChannelSixtyFourPassesTheChecksButIsAnsweredAnError)
{
    // 65 ids pass the checks; the store has 64 channel rows, so a camera on
    // the 65th cannot be kept: the client gets the error text, never "OK",
    // and nothing is stored, told or logged.
    put_row("camera", 0, old_camera(0));
    put_row("osd", 0, osd(0, "Zero"));
    emu();
    EXPECT_EQ(post("/2003", json_of(kEdit, {{"id", "64"}})).out, kTextHead + "CGI ERROR");
    EXPECT_EQ(post("/2004", json_of(kEdit, {{"id", "64"}})).out, kTextHead + "CGI ERROR");
    EXPECT_EQ(post("/2003", json_of(kEdit, {{"id", "65"}})).out, "");
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(row_hex("camera", 64), "");
    EXPECT_EQ(row_hex("osd", 64), "");
    CameraRecord zero = old_camera(0);
    EXPECT_EQ(row_hex("camera", 0), to_hex(&zero, sizeof zero));
    EXPECT_STREQ(row<OsdRecord>("osd", 0).name, "Zero");
}

TEST_F(CameraTest, EditOfAChannelWithoutRowsLeavesOtherChannelsAlone)
{
    // Rows that are not stored yet read as zeros; they must be written to
    // their own channel, never over channel 0.
    put_row("camera", 0, old_camera(0));
    put_row("osd", 0, osd(0, "Zero"));
    emu();
    EXPECT_EQ(post("/2003", json_of(kEdit, {{"id", "9"}})).body(), "OK");
    CameraRecord zero = old_camera(0);
    EXPECT_EQ(row_hex("camera", 0), to_hex(&zero, sizeof zero));
    EXPECT_STREQ(row<OsdRecord>("osd", 0).name, "Zero");
    EXPECT_EQ(row<CameraRecord>("camera", 9).id, 9);
    EXPECT_STREQ(row<CameraRecord>("camera", 9).ip, "10.0.0.5");
    EXPECT_STREQ(row<OsdRecord>("osd", 9).name, "Gate");
    EXPECT_EQ(row<OsdRecord>("osd", 9).id, 9);
}

TEST_F(CameraTest, AddTakesLoginMacAndPoeAndPowersThePort)
{
    put_row("camera", 5, old_camera(5));
    emu();
    env.push_back({"REMOTE_ADDR", "203.0.113.9"});
    env.push_back({"HTTP_COOKIE", "userName=oper"});
    const std::string body = json_of(kEdit, {{"type", "1"},
                                             {"camProtocol", "0"},
                                             {"transmitProtocol", "1"},
                                             {"mac_addr", "\"" + std::string(40, 'm') + "\""},
                                             {"poechannel", "3"},
                                             {"physicalport", "4"},
                                             {"otherPoe", "1"}});
    EXPECT_EQ(post("/2004", body).out, kTextHead + "OK");
    CameraRecord c = row<CameraRecord>("camera", 5);
    EXPECT_STREQ(c.user, "op");  // always taken, whatever "type" says
    EXPECT_STREQ(c.password, "pw");
    EXPECT_EQ(std::string(c.mac), std::string(31, 'm'));
    EXPECT_EQ(c.poe_channel, 3);
    EXPECT_EQ(c.physical_port, 4);
    EXPECT_STREQ(c.main_source_path, "/old/main");
    EXPECT_STREQ(c.ddns, "gate.example");

    auto sent = emu().received();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].code, 1201u);
    EXPECT_EQ(hex_of(sent[0]), words({5}));
    EXPECT_EQ(sent[1].code, 1206u);
    EXPECT_EQ(hex_of(sent[1]), words({5, 1}));
    EXPECT_EQ(sent[2].code, 3485u);
    LogDetail d{901, "10.0.0.5", 8000, "ONVIF", "TCP", 1};
    EXPECT_EQ(hex_of(sent[2]), expected_log(210, 901, 6, &d));

    // Without "mac_addr", or with the text an absent key used to give, the
    // MAC is empty; "otherPoe" other than 1 powers as 0.
    EXPECT_EQ(post("/2004", json_of(kEdit, {{"otherPoe", "2"}})).body(), "OK");
    EXPECT_STREQ(row<CameraRecord>("camera", 5).mac, "");
    EXPECT_EQ(post("/2004", json_of(kEdit, {{"mac_addr", "\"(null)\""}})).body(), "OK");
    EXPECT_STREQ(row<CameraRecord>("camera", 5).mac, "");
    auto power = emu().received(1206);
    ASSERT_EQ(power.size(), 3u);
    EXPECT_EQ(hex_of(power[1]), words({5, 0}));
    EXPECT_EQ(hex_of(power[2]), words({5, 0}));
}

TEST_F(CameraTest, ClearResetsTheChannelNamesItAndDisablesItsMasks)
{
    CameraRecord c = old_camera(3);
    c.enable = 1;
    put_row("camera", 3, c);
    put_row("osd", 3, osd(3, "Hall"));
    PrivacyMaskRecord m = zeroed<PrivacyMaskRecord>();
    m.id = 3;
    for (int a = 0; a < kMaskAreas; a++) {
        i32* w = &m.area[a].area_id;
        for (int i = 0; i < 13; i++) w[i] = 100 * a + i + 1;
    }
    put_row("privacy_mask", 3, m);
    emu();
    env.push_back({"REMOTE_ADDR", "203.0.113.9"});
    env.push_back({"HTTP_COOKIE", "userName=oper"});

    EXPECT_EQ(post("/2005", "{\"chnid\":3}").out, kTextHead + "OK");

    CameraRecord want = zeroed<CameraRecord>();
    want.id = 3;
    want.cleared = 1;
    want.kept = 0x1234;
    EXPECT_EQ(row_hex("camera", 3), to_hex(&want, sizeof want));
    OsdRecord o = osd(3, "CAM4");
    EXPECT_EQ(row_hex("osd", 3), to_hex(&o, sizeof o));
    PrivacyMaskRecord wm = m;
    for (MaskArea& a : wm.area) a.enable = a.start_x = a.start_y = a.area_width = a.area_height = 0;
    EXPECT_EQ(row_hex("privacy_mask", 3), to_hex(&wm, sizeof wm));

    auto sent = emu().received();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].code, 1202u);
    EXPECT_EQ(hex_of(sent[0]), words({3}));
    EXPECT_EQ(sent[1].code, 1206u);
    EXPECT_EQ(hex_of(sent[1]), words({3, 0}));
    EXPECT_EQ(sent[2].code, 3485u);
    EXPECT_EQ(hex_of(sent[2]), expected_log(211, 902, 4, nullptr));
}

TEST_F(CameraTest, ClearRefusesChannelsOutsideThePage)
{
    put_row("camera", 15, old_camera(15));
    emu();
    for (const char* body : {"{\"chnid\":16}", "{\"chnid\":-1}", "{}", "x"})
        EXPECT_EQ(post("/2005", body).out, kJsonError) << body;
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(store({"dump", "osd"}).out, "");
    CameraRecord c = old_camera(15);
    EXPECT_EQ(row_hex("camera", 15), to_hex(&c, sizeof c));
    EXPECT_EQ(post("/2005", "{\"chnid\":15}").body(), "OK");
    EXPECT_STREQ(row<OsdRecord>("osd", 15).name, "CAM16");
}

TEST_F(CameraTest, ClearNeverWritesAnotherChannelsMasks)
{
    // Channel 0 has masks; channel 3 has none stored, channel 4's row claims
    // to be channel 6's. Clearing 3 and 4 leaves the masks of 0 and 6 alone.
    PrivacyMaskRecord m0 = zeroed<PrivacyMaskRecord>();
    m0.area[0].enable = 1;
    m0.area[0].area_width = 50;
    put_row("privacy_mask", 0, m0);
    PrivacyMaskRecord m4 = m0;
    m4.id = 6;
    put_row("privacy_mask", 4, m4);
    PrivacyMaskRecord m6 = m0;
    m6.id = 6;
    m6.area[1].enable = 1;
    put_row("privacy_mask", 6, m6);
    emu();
    EXPECT_EQ(post("/2005", "{\"chnid\":3}").body(), "OK");
    EXPECT_EQ(post("/2005", "{\"chnid\":4}").body(), "OK");
    EXPECT_EQ(row_hex("privacy_mask", 0), to_hex(&m0, sizeof m0));
    EXPECT_EQ(row_hex("privacy_mask", 4), to_hex(&m4, sizeof m4));
    EXPECT_EQ(row_hex("privacy_mask", 6), to_hex(&m6, sizeof m6));
}

TEST_F(CameraTest, ChannelNamesFollowMaxCameras)
{
    put_row("osd", 1, osd(1, "Back"));
    auto names = post("/2012", "").body();
    EXPECT_EQ(names.rfind("{ \"IPC\": [ { \"id\": 0, \"name\": \"\" }, { \"id\": 1, \"name\": \"Back\" }, ", 0), 0u)
        << names;
    EXPECT_NE(names.find("{ \"id\": 31, \"name\": \"\" } ] }"), std::string::npos);
    EXPECT_EQ(names.find("\"id\": 32"), std::string::npos);

    ASSERT_EQ(store({"set", "max_cameras", "2"}).status, 0);
    EXPECT_EQ(post("/2012", "").out,
              kJsonHead + "{ \"IPC\": [ { \"id\": 0, \"name\": \"\" }, { \"id\": 1, \"name\": \"Back\" } ] }");
    ASSERT_EQ(store({"set", "max_cameras", "500"}).status, 0);
    names = post("/2012", "").body();
    EXPECT_NE(names.find("\"id\": 63"), std::string::npos);
    EXPECT_EQ(names.find("\"id\": 64"), std::string::npos);
}

TEST_F(CameraTest, LoginChangeKeepsTheRestAndLogsFromTheStoredRow)
{
    CameraRecord c = old_camera(7);
    c.protocol = 1;
    c.manage_port = 81;
    c.transmit = 0;
    c.sync_time = 0x101;  // only its low byte goes into the log
    put_row("camera", 7, c);
    emu();
    env.push_back({"REMOTE_ADDR", "203.0.113.9"});
    env.push_back({"HTTP_COOKIE", "userName=oper"});
    const std::string longer(70, 'p');
    EXPECT_EQ(post("/2017", "{\"id\":7,\"userName\":\"new\",\"password\":\"" + longer + "\"}").out, kTextHead + "OK");
    CameraRecord want = c;
    set_text(want.user, "new");
    set_text(want.password, longer.c_str());
    EXPECT_EQ(row_hex("camera", 7), to_hex(&want, sizeof want));
    auto sent = emu().received();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].code, 1203u);
    EXPECT_EQ(hex_of(sent[0]), words({7}));
    LogDetail d{903, "192.0.2.1", 81, "RTSP", "UDP", 1};
    EXPECT_EQ(hex_of(sent[1]), expected_log(204, 903, 8, &d));

    for (const char* body :
         {"{\"id\":-1,\"userName\":\"a\",\"password\":\"b\"}", "{\"userName\":\"a\",\"password\":\"b\"}",
          "{\"id\":7,\"userName\":\"\",\"password\":\"b\"}", "{\"id\":7,\"password\":\"b\"}",
          "{\"id\":7,\"userName\":\"a\",\"password\":\"\"}", "{\"id\":7,\"userName\":\"a\"}", "[]"})
        EXPECT_EQ(post("/2017", body).out, "") << body;
    // Past the store's channels: nothing stored, told or logged, and the
    // client is told so.
    EXPECT_EQ(post("/2017", "{\"id\":70,\"userName\":\"a\",\"password\":\"b\"}").body(), "CGI ERROR");
    EXPECT_EQ(emu().received().size(), 2u);
    EXPECT_EQ(row_hex("camera", 7), to_hex(&want, sizeof want));
}

TEST_F(CameraTest, FreshStoreAnswersForEveryChannel)
{
    ASSERT_EQ(store({"init"}).status, 0);
    auto one = post("/2000", "{\"chnid\":3}").body();
    EXPECT_EQ(one.rfind("{ \"id\": 3, \"name\": \"CAM4\", \"ipAddr\": \"\", \"managePort\": 80, \"protocol\": 0, "
                        "\"model\": 0, ",
                        0),
              0u)
        << one;
    auto names = post("/2012", "").body();
    EXPECT_NE(names.find("{ \"id\": 31, \"name\": \"CAM32\" } ] }"), std::string::npos) << names;
    // Every factory channel has its privacy-mask row: clearing one disables
    // its areas in place.
    emu();
    EXPECT_EQ(post("/2005", "{\"chnid\":2}").body(), "OK");
    EXPECT_EQ(row<PrivacyMaskRecord>("privacy_mask", 2).area[23].area_id, 23);
    // The demo daemon has cameras on 8 of 16 channels.
    auto list = post("/2001", "").body();
    size_t online = 0;
    for (size_t pos = 0; (pos = list.find("\"state\": 1,", pos)) != std::string::npos; pos++) online++;
    EXPECT_EQ(online, 8u);
    EXPECT_NE(list.find("{ \"id\": 15, \"enable\": 1, \"name\": \"CAM16\""), std::string::npos);
    EXPECT_NE(list.find("\"maxIPCNums\": 32 }"), std::string::npos);
}

}  // namespace
