// The device page end to end: device information from the core daemon and
// the store, device name and number, UPnP, the automatic reboot plan and the
// batch of camera addresses.
#include <gtest/gtest.h>

#include <json-c/json.h>

#include <string>
#include <vector>

#include "common/json.h"
#include "handlers/camera/camera_records.h"
#include "handlers/network/network_records.h"
#include "handlers/system/device_records.h"
#include "tests/fixtures.h"

namespace {

const char* const kCgiErrorJson = "{status:\"CGI ERROR\"}";
const char* const kUptimeUsers = "echo ' 10:00:01 up 3 days,  2:03,  2 users,  load average: 0.10, 0.20, 0.30'";

class DeviceInfoTest : public NvrTest {
protected:
    static std::string text(json_object* o, const char* key) { return jstr(o, key) ? jstr(o, key) : "(absent)"; }
    static std::string hex(const EmuFrame& f) { return to_hex(f.payload.data(), f.payload.size()); }
    template <typename T>
    static std::string hex(const T& rec) { return to_hex(&rec, sizeof rec); }

    DeviceInfoRecord device_record()
    {
        DeviceInfoRecord info = zeroed<DeviceInfoRecord>();
        info.device_id = 7;
        info.max_cameras = 16;
        info.max_sensor = 8;
        info.max_alarm = 2;
        info.max_audio_out = 1;
        info.display_num = 2;
        info.max_rs485 = 1;
        info.max_network_lan = 2;
        info.oem_version = 3;
        info.kxddns = 1;
        set_text(info.sn, "SN0001");
        set_text(info.prefix, "PX");
        set_text(info.device_name, "Lobby NVR");
        set_text(info.software, "7x.7.0.9");
        set_text(info.hwver, "V1.1");
        set_text(info.mac_address, "02:5e:7a:00:00:01");
        info.is_support_talk = 1;
        return info;
    }
    JsonPtr info_reply(const std::string& code = "/1009")
    {
        auto r = post(code, "");
        EXPECT_NE(r.header().find("application/json"), std::string::npos) << r.out;
        JsonPtr o = json_parse(r.body().c_str());
        EXPECT_TRUE(o) << r.body();
        return o;
    }
};

// ---- device information ----

TEST_F(DeviceInfoTest, InformationCombinesTheDaemonsRecordAndTheStore)
{
    store({"init"});
    store({"set", "company", "Acme Security"});
    store({"set", "kxfs_dbup", "1"});
    store({"set", "stream_information", "3"});
    store({"set", "plugin_version", "2.4.1"});
    fake_tool("uptime", kUptimeUsers);
    emu().rule("3400 reply 8400 hex:" + hex(device_record()));

    JsonPtr o = info_reply();
    ASSERT_TRUE(o);
    EXPECT_EQ(json_keys(o.get()),
              (std::vector<std::string>{"hostName", "deviceName", "deviceId", "product", "hwver", "software",
                                        "oemversion", "sn", "prefix", "pluginVersion", "mpluginVersion",
                                        "macAddress", "kxddns", "uptime", "sncode", "resource", "kxfsDbup",
                                        "transProtocol", "streamInfo", "oemonlineupdate", "company",
                                        "isSupportTalk"}));
    EXPECT_EQ(text(o.get(), "hostName"), "");
    EXPECT_EQ(text(o.get(), "deviceName"), "Lobby NVR");
    EXPECT_EQ(text(o.get(), "product"), "Lobby NVR");
    EXPECT_EQ(jint(o.get(), "deviceId"), 7);
    EXPECT_EQ(text(o.get(), "sn"), "SN0001");
    EXPECT_EQ(text(o.get(), "sncode"), "SN0001");
    EXPECT_EQ(jint(o.get(), "oemversion"), 3);
    EXPECT_EQ(text(o.get(), "pluginVersion"), "2.4.1");
    EXPECT_EQ(text(o.get(), "mpluginVersion"), "1.0");
    EXPECT_EQ(text(o.get(), "uptime"), " 10:00:01 up 3 days,  2:03");
    EXPECT_EQ(jint(o.get(), "kxfsDbup"), 1);
    EXPECT_EQ(jint(o.get(), "streamInfo"), 3);
    EXPECT_EQ(text(o.get(), "company"), "Acme Security");
    EXPECT_EQ(jint(o.get(), "isSupportTalk"), 1);
    json_object* res = jget(o.get(), "resource");
    EXPECT_EQ(json_keys(res), (std::vector<std::string>{"displayNum", "maxAudioOut", "maxNetworkLan", "maxSensor",
                                                    "maxAlarm", "maxCameras", "masRs485"}));
    EXPECT_EQ(jint(res, "displayNum"), 2);
    EXPECT_EQ(jint(res, "maxSensor"), 8);
    EXPECT_EQ(jint(res, "maxCameras"), 16);

    auto frames = emu().received(3400);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].flags & 1, 1u);
    EXPECT_TRUE(frames[0].payload.empty());
    // "/1020" is the same request.
    JsonPtr again = info_reply("/1020");
    ASSERT_TRUE(again);
    EXPECT_STREQ(json_object_to_json_string(again.get()), json_object_to_json_string(o.get()));
}

TEST_F(DeviceInfoTest, InformationOnAnEmptyStoreUsesTheDefaultsAndNeverAStoredName)
{
    fake_tool("uptime", "echo ' 09:00:00 up 5 min,  1 user,  load average: 0.00'");
    NetworkRow row = zeroed<NetworkRow>();
    set_text(row.host_name, "front-desk");
    put_row("network", 0, row);
    emu().rule("3400 reply 8400 hex:" + hex(device_record()));
    JsonPtr o = info_reply();
    ASSERT_TRUE(o);
    EXPECT_EQ(text(o.get(), "hostName"), "");
    EXPECT_EQ(text(o.get(), "company"), "Tarvane");
    EXPECT_EQ(text(o.get(), "pluginVersion"), "1.0");
    EXPECT_EQ(jint(o.get(), "kxfsDbup"), 0);
    EXPECT_EQ(jint(o.get(), "transProtocol"), 0);
    EXPECT_EQ(jint(o.get(), "oemonlineupdate"), 0);
    // Without a user count the text ends two characters before the first "l".
    EXPECT_EQ(text(o.get(), "uptime"), " 09:00:00 up 5 min,  1 user,");
}

TEST_F(DeviceInfoTest, UptimeWithNeitherMarkIsKeptAndAMissingToolGivesNothing)
{
    fake_tool("uptime", "printf 'up 2 days'");
    emu().rule("3400 reply 8400 hex:" + hex(device_record()));
    JsonPtr o = info_reply();
    ASSERT_TRUE(o);
    EXPECT_EQ(text(o.get(), "uptime"), "up 2 days");

    fake_tool("uptime", "exit 1");
    o = info_reply();
    ASSERT_TRUE(o);
    EXPECT_EQ(text(o.get(), "uptime"), "");

    // Over 64 characters: only the first 64 are read.
    fake_tool("uptime", "printf '%070d' 0");
    o = info_reply();
    ASSERT_TRUE(o);
    EXPECT_EQ(text(o.get(), "uptime"), std::string(64, '0'));
}

TEST_F(DeviceInfoTest, InformationTextsFillingTheirFieldsStayWithinThem)
{
    DeviceInfoRecord info;
    std::memset(&info, 'A', sizeof info);
    fake_tool("uptime", kUptimeUsers);
    emu().rule("3400 reply 8400 hex:" + hex(info));
    JsonPtr o = info_reply();
    ASSERT_TRUE(o);
    EXPECT_EQ(text(o.get(), "sn"), std::string(65, 'A'));
    EXPECT_EQ(text(o.get(), "prefix"), std::string(16, 'A'));
    EXPECT_EQ(text(o.get(), "macAddress"), std::string(40, 'A'));
}

TEST_F(DeviceInfoTest, ShortEmptyOrMissingInformationGivesTheJsonError)
{
    fake_tool("uptime", kUptimeUsers);
    for (const std::string rule : {"3400 reply 8400 hex:", "3400 reply 8400 zeros:583", "3400 close"}) {
        emu().rule(rule);
        auto r = post("/1009", "");
        EXPECT_EQ(r.body(), kCgiErrorJson) << rule;
    }
    for (const std::string rule : {"3265 reply 8265 hex:", "3265 reply 8265 hex:010203", "3265 close"}) {
        emu().rule(rule);
        EXPECT_EQ(post("/6075", "").body(), kCgiErrorJson) << rule;
    }
}

TEST_F(DeviceInfoTest, DeviceValueIsTheReplysFirstNumberAndTheSignalIsNotWaitedFor)
{
    emu().rule("3265 reply 8265 hex:d6ffffff05000000");
    auto r = post("/6075", "");
    EXPECT_EQ(r.body(), "-42");
    EXPECT_NE(r.header().find("text/plain"), std::string::npos);
    EXPECT_EQ(post("/6076", "{}").body(), "OK");
    auto frames = emu().received(3267);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].flags & 1, 0u);
    EXPECT_TRUE(frames[0].payload.empty());
}

// ---- device name and number ----

TEST_F(DeviceInfoTest, NameAndNumberAreStoredAndAnnounced)
{
    store({"init"});
    emu();
    std::string long_name(200, 'n');
    ASSERT_EQ(post("/1012", "{\"hostName\":\"" + long_name + "\",\"deviceId\":255}").body(), "OK");
    NetworkRow row;
    ASSERT_TRUE(stored("network", 0, &row));
    EXPECT_EQ(std::string(row.host_name), std::string(127, 'n'));
    EXPECT_EQ(std::string(row.port[0].address), "192.168.1.100");  // the rest of the row is kept
    EXPECT_EQ(store({"get", "deviceid"}).out, "255\n");

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, 1705u);
    EXPECT_EQ(hex(frames[0]), "ff000000");
    EXPECT_EQ(frames[1].code, 1702u);
    ASSERT_EQ(frames[1].payload.size(), 32u);
    EXPECT_EQ(frames[1].text_at(0, 32), "hostname");
    for (const EmuFrame& f : frames) EXPECT_EQ(f.flags & 1, 0u);
}

TEST_F(DeviceInfoTest, BadNameOrNumberWritesNothing)
{
    store({"init"});
    NetworkRow before;
    ASSERT_TRUE(stored("network", 0, &before));
    emu();
    for (const std::string body :
         {"{\"hostName\":\"x\",\"deviceId\":256}", "{\"hostName\":\"x\",\"deviceId\":0}", "{\"hostName\":\"x\"}",
          "{\"hostName\":\"\",\"deviceId\":5}", "{\"deviceId\":5}", "hostName=x&deviceId=5", ""}) {
        auto r = post("/1012", body);
        EXPECT_EQ(r.out, "") << body;
    }
    NetworkRow after;
    ASSERT_TRUE(stored("network", 0, &after));
    EXPECT_EQ(hex(after), hex(before));
    EXPECT_EQ(store({"get", "deviceid"}).out, "255\n");  // the factory value, unchanged
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(DeviceInfoTest, DatabaseUpgradeFlagIsCleared)
{
    store({"set", "kxfs_dbup", "1"});
    EXPECT_EQ(post("/1023", "").body(), "OK");
    EXPECT_EQ(store({"get", "kxfs_dbup"}).out, "0\n");
}

// ---- UPnP ----

TEST_F(DeviceInfoTest, UpnpReadsBothRowsAndTheWriteGoesOnlyToTheDaemon)
{
    UpnpRecord upnp = zeroed<UpnpRecord>();
    upnp.enable = 1;
    upnp.type = 2;
    upnp.reserved[0] = 0x5a;  // bytes no request names travel unchanged
    upnp.external_http_port = 8080;
    upnp.http_status = 1;
    upnp.external_rtsp_port = 8554;
    upnp.rtsp_status = 2;
    put_row("upnp", 0, upnp);
    PortRow ports = zeroed<PortRow>();
    ports.http_port = 81;
    ports.rtsp_port = 555;
    put_row("port", 0, ports);
    emu();

    auto r = post("/1030", "");
    EXPECT_NE(r.header().find("application/json"), std::string::npos);
    JsonPtr o = json_parse(r.body().c_str());
    ASSERT_TRUE(o);
    EXPECT_EQ(json_keys(o.get()), (std::vector<std::string>{"enable", "type", "external_http_port", "http_status",
                                                        "external_rtsp_port", "rtsp_status", "http_port",
                                                        "rtsp_port"}));
    EXPECT_EQ(jint(o.get(), "external_http_port"), 8080);
    EXPECT_EQ(jint(o.get(), "rtsp_status"), 2);
    EXPECT_EQ(jint(o.get(), "http_port"), 81);
    EXPECT_EQ(jint(o.get(), "rtsp_port"), 555);

    ASSERT_EQ(post("/1031", "{\"enable\":0,\"type\":1,\"external_http_port\":9080}").body(), "OK");
    UpnpRecord want = upnp;
    want.enable = 0;
    want.type = 1;
    want.external_http_port = 9080;
    want.external_rtsp_port = 0;  // a missing number reads as 0
    auto frames = emu().received(3720);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].flags & 1, 0u);
    EXPECT_EQ(hex(frames[0]), hex(want));
    UpnpRecord kept;
    ASSERT_TRUE(stored("upnp", 0, &kept));
    EXPECT_EQ(hex(kept), hex(upnp));

    EXPECT_EQ(post("/1031", "enable=1").out, "");
    EXPECT_EQ(emu().received(3720).size(), 1u);
}

// ---- automatic reboot ----

TEST_F(DeviceInfoTest, RebootPlanRoundTripsAndMissingKeysReadAsZero)
{
    store({"init"});
    emu();
    JsonPtr o = json_parse(post("/1032", "").body().c_str());
    ASSERT_TRUE(o);
    EXPECT_EQ(json_keys(o.get()), (std::vector<std::string>{"enable", "wday", "hour", "minutes", "seconds"}));
    EXPECT_EQ(jint(o.get(), "hour"), 3);

    ASSERT_EQ(post("/1033", "{\"enable\":1,\"wday\":7,\"hour\":23,\"minutes\":59,\"seconds\":59}").body(), "OK");
    o = json_parse(post("/1032", "").body().c_str());
    ASSERT_TRUE(o);
    EXPECT_STREQ(json_object_to_json_string_ext(o.get(), JSON_C_TO_STRING_PLAIN),
                 "{\"enable\":1,\"wday\":7,\"hour\":23,\"minutes\":59,\"seconds\":59}");
    auto frames = emu().received(1718);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].flags & 1, 0u);
    EXPECT_TRUE(frames[0].payload.empty());

    ASSERT_EQ(post("/1033", "{\"enable\":1,\"hour\":4}").body(), "OK");
    AutoRebootRecord rec;
    ASSERT_TRUE(stored("autoreboot_conf", 0, &rec));
    EXPECT_EQ(rec.enable, 1);
    EXPECT_EQ(rec.wday, 0);
    EXPECT_EQ(rec.hour, 4);
    EXPECT_EQ(rec.minutes, 0);
    EXPECT_EQ(rec.seconds, 0);
}

TEST_F(DeviceInfoTest, RebootPlanOutsideTheClockIsRefusedWhole)
{
    store({"init"});
    AutoRebootRecord before;
    ASSERT_TRUE(stored("autoreboot_conf", 0, &before));
    emu();
    for (const std::string bad : {"{\"enable\":2}", "{\"enable\":-1}", "{\"enable\":1,\"wday\":8}",
                                  "{\"enable\":1,\"wday\":-1}", "{\"enable\":1,\"hour\":24}",
                                  "{\"enable\":1,\"hour\":-1}", "{\"enable\":1,\"minutes\":60}",
                                  "{\"enable\":1,\"seconds\":60}", "not json", ""}) {
        EXPECT_EQ(post("/1033", bad).out, "") << bad;
    }
    AutoRebootRecord after;
    ASSERT_TRUE(stored("autoreboot_conf", 0, &after));
    EXPECT_EQ(hex(after), hex(before));
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(DeviceInfoTest, OnlineUpgradeIsStartedWithoutWaiting)
{
    emu();
    auto r = post("/1034", "");
    EXPECT_EQ(r.body(), "{ \"res\": 0 }");
    auto frames = emu().received(1721);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].flags & 1, 0u);
}

// ---- batch camera addresses ----

TEST_F(DeviceInfoTest, GroupsOfChannelsGetConsecutiveAddresses)
{
    store({"init"});
    CameraRecord cam;
    ASSERT_TRUE(stored("camera", 5, &cam));
    set_text(cam.user, "admin");
    cam.manage_port = 8000;
    put_row("camera", 5, cam);
    ASSERT_EQ(post("/ipc", "{\"startip\":\"192.168.1.10\",\"chnNum\":2,\"chnFre\":4}").body(), "OK");
    for (int ch = 0; ch < 10; ch++) {
        CameraRecord c;
        ASSERT_TRUE(stored("camera", ch, &c));
        EXPECT_EQ(c.id, ch);
        const char* want = ch < 4 ? "192.168.1.10" : ch < 8 ? "192.168.1.11" : "";
        EXPECT_EQ(std::string(c.ip), want) << ch;
    }
    ASSERT_TRUE(stored("camera", 5, &cam));
    EXPECT_EQ(std::string(cam.user), "admin");
    EXPECT_EQ(cam.manage_port, 8000);
}

TEST_F(DeviceInfoTest, AddressWalkStopsAtTheDevicesChannelsAndAtTheLastNumber)
{
    store({"init"});
    store({"set", "max_cameras", "6"});
    ASSERT_EQ(post("/ipc", "{\"startip\":\"10.0.0.254\",\"chnNum\":10,\"chnFre\":2}").body(), "OK");
    const char* want[] = {"10.0.0.254", "10.0.0.254", "10.0.0.255", "10.0.0.255", "", "", ""};
    for (int ch = 0; ch < 7; ch++) {
        CameraRecord c;
        stored("camera", ch, &c);
        EXPECT_EQ(std::string(c.ip), want[ch]) << ch;
    }

    store({"set", "max_cameras", "100"});  // never past the store's 64 channels
    ASSERT_EQ(post("/ipc", "{\"startip\":\"10.1.0.1\",\"chnNum\":100,\"chnFre\":1}").body(), "OK");
    CameraRecord c;
    ASSERT_TRUE(stored("camera", 63, &c));
    EXPECT_EQ(std::string(c.ip), "10.1.0.64");
}

TEST_F(DeviceInfoTest, BadBatchWritesNothing)
{
    store({"init"});
    std::string before = store({"dump", "camera"}).out;
    for (const std::string bad : {"{\"chnNum\":2,\"chnFre\":4}", "{\"startip\":\"not an address\",\"chnNum\":1,\"chnFre\":1}",
                                  "{\"startip\":\"1.2.3.4; reboot\",\"chnNum\":1,\"chnFre\":1}", "startip=1.2.3.4", ""}) {
        EXPECT_EQ(post("/ipc", bad).out, "") << bad;
    }
    EXPECT_EQ(post("/ipc", "{\"startip\":\"10.0.0.1\",\"chnNum\":3,\"chnFre\":0}").body(), "OK");
    EXPECT_EQ(store({"dump", "camera"}).out, before);
}

// ---- registration ----

TEST_F(DeviceInfoTest, CodesSitInTheSystemTableAndSurviveEmptyBodies)
{
    const std::vector<std::string> mine = {"/1009", "/1012", "/ipc",  "/1030", "/1031", "/1023",
                                           "/1020", "/6075", "/6076", "/1032", "/1033", "/1034"};
    EXPECT_EQ(registered_codes("system", mine), mine);
    fake_tool("uptime", kUptimeUsers);
    store({"init"});
    emu();
    expect_empty_bodies_handled(mine);
}

}  // namespace
