// Quick settings of the set-up wizard end to end: what each request stores,
// what it tells the core daemon, and that bad input changes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "handlers/camera/camera_records.h"
#include "handlers/record/record_records.h"
#include "handlers/system/device_records.h"
#include "tests/harness.h"

namespace {

class QuickSettingsTest : public NvrTest {
protected:
    template <typename T>
    static std::string hex(const T& rec) { return to_hex(&rec, sizeof rec); }
};

TEST_F(QuickSettingsTest, SshSwitchChangesOnlyItsFieldThenAnnouncesMore)
{
    store({"init"});
    PortRow ports;
    ASSERT_TRUE(stored("port", 0, &ports));
    set_text(ports.host_name, "nvr.example.com");
    put_row("port", 0, ports);
    emu();
    ASSERT_EQ(post("/3300", "{\"sshEnable\":1}").body(), "OK");
    PortRow want = ports;
    want.enable_ssh = 1;
    ASSERT_TRUE(stored("port", 0, &ports));
    EXPECT_EQ(hex(ports), hex(want));
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].code, 1702u);
    EXPECT_EQ(frames[0].flags & 1, 0u);
    ASSERT_EQ(frames[0].payload.size(), 32u);
    EXPECT_EQ(frames[0].text_at(0, 32), "more");

    for (const std::string bad : {"sshEnable=0", ""}) EXPECT_EQ(post("/3300", bad).out, "") << bad;
    ASSERT_TRUE(stored("port", 0, &ports));
    EXPECT_EQ(ports.enable_ssh, 1);
    EXPECT_EQ(emu().received().size(), 1u);
    // The value is stored as given.
    ASSERT_EQ(post("/3300", "{\"sshEnable\":2}").body(), "OK");
    ASSERT_TRUE(stored("port", 0, &ports));
    EXPECT_EQ(ports.enable_ssh, 2);
    EXPECT_EQ(emu().received().size(), 2u);
}

TEST_F(QuickSettingsTest, SwitchesAreStoredUnderTheirKeysAndReadBack)
{
    store({"init"});
    emu();
    EXPECT_EQ(post("/3301", "{\"autoLoginEnable\":1}").body(), "OK");
    EXPECT_EQ(store({"get", "local_auth_enable"}).out, "1\n");
    EXPECT_EQ(post("/3303", "{\"wizardEnable\":0}").body(), "OK");
    EXPECT_EQ(store({"get", "wizard_enable"}).out, "0\n");
    EXPECT_EQ(post("/3301", "{}").body(), "OK");  // a missing number reads as 0
    EXPECT_EQ(store({"get", "local_auth_enable"}).out, "0\n");

    EXPECT_EQ(post("/3301", "autoLoginEnable=1").out, "");
    EXPECT_EQ(post("/3303", "{\"wizardEnable\":1").out, "");
    EXPECT_EQ(store({"get", "local_auth_enable"}).out, "0\n");
    EXPECT_EQ(store({"get", "wizard_enable"}).out, "0\n");
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(QuickSettingsTest, RecordModeGoesToEveryChannelThenEachIsAnnounced)
{
    RecordRow row = zeroed<RecordRow>();
    row.id = 9;
    row.mode = 0;
    row.audio_enable = 1;
    row.post_record_duration = 30;
    row.reserved[0] = 0x77;
    put_row("record", 9, row);
    emu();
    ASSERT_EQ(post("/3302", "{\"recordMode\":2}").body(), "OK");
    for (int ch = 0; ch < kRecordChannels; ch++) {
        RecordRow r;
        ASSERT_TRUE(stored("record", ch, &r)) << ch;
        EXPECT_EQ(r.id, ch);
        EXPECT_EQ(r.mode, 2);
    }
    RecordRow r9;
    ASSERT_TRUE(stored("record", 9, &r9));
    RecordRow want = row;
    want.mode = 2;
    EXPECT_EQ(hex(r9), hex(want));

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), size_t(kRecordChannels));
    for (int ch = 0; ch < kRecordChannels; ch++) {
        EXPECT_EQ(frames[size_t(ch)].code, 1407u);
        EXPECT_EQ(frames[size_t(ch)].flags & 1, 0u);
        ASSERT_EQ(frames[size_t(ch)].payload.size(), 4u);
        EXPECT_EQ(frames[size_t(ch)].u32_at(0), uint32_t(ch));
    }

    for (const std::string bad : {"recordMode=1", ""}) EXPECT_EQ(post("/3302", bad).out, "") << bad;
    ASSERT_TRUE(stored("record", 9, &r9));
    EXPECT_EQ(r9.mode, 2);
    EXPECT_EQ(emu().received().size(), size_t(kRecordChannels));
    // A mode this program does not know is the core daemon's: stored as given.
    ASSERT_EQ(post("/3302", "{\"recordMode\":3}").body(), "OK");
    ASSERT_TRUE(stored("record", 9, &r9));
    EXPECT_EQ(r9.mode, 3);
    EXPECT_EQ(emu().received().size(), 2 * size_t(kRecordChannels));
}

TEST_F(QuickSettingsTest, CameraIsPutOnItsChannelAndAnnounced)
{
    store({"init"});
    CameraRecord cam;
    ASSERT_TRUE(stored("camera", 63, &cam));
    cam.protocol = 4;
    set_text(cam.main_rtsp_url, "rtsp://old/stream");
    put_row("camera", 63, cam);
    emu();
    std::string long_text(80, 'p');
    ASSERT_EQ(post("/3304", "{\"id\":63,\"enable\":1,\"ipAddr\":\"192.168.1.120\",\"managePort\":8000,"
                            "\"userName\":\"admin\",\"password\":\"" + long_text + "\"}")
                  .body(),
              "OK");
    CameraRecord want = cam;
    want.enable = 1;
    set_text(want.ip, "192.168.1.120");
    want.manage_port = 8000;
    want.protocol = 0;
    set_text(want.user, "admin");
    set_text(want.password, long_text.c_str());
    ASSERT_TRUE(stored("camera", 63, &cam));
    EXPECT_EQ(hex(cam), hex(want));
    EXPECT_EQ(std::string(cam.password), std::string(63, 'p'));
    EXPECT_EQ(std::string(cam.main_rtsp_url), "rtsp://old/stream");

    ASSERT_EQ(post("/3304", "{\"id\":2,\"enable\":0,\"ipAddr\":\"192.168.1.102\",\"managePort\":80}").body(), "OK");
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, 1201u);
    EXPECT_EQ(to_hex(frames[0].payload.data(), frames[0].payload.size()), "3f000000");
    EXPECT_EQ(frames[1].code, 1202u);
    EXPECT_EQ(to_hex(frames[1].payload.data(), frames[1].payload.size()), "02000000");
    for (const EmuFrame& f : frames) EXPECT_EQ(f.flags & 1, 0u);
}

// Channel 64 passes the checks, but the store has no row for it: the client
// is told with the error text rather than "OK" for a camera never stored.
TEST_F(QuickSettingsTest, BadCameraWritesAndSendsNothing)
{
    store({"init"});
    std::string before = store({"dump", "camera"}).out;
    emu();
    EXPECT_EQ(post("/3304", "{\"id\":64,\"enable\":1,\"ipAddr\":\"1.2.3.4\",\"managePort\":80}").body(),
              "CGI ERROR");
    for (const std::string bad :
         {"{\"id\":65,\"enable\":1,\"ipAddr\":\"1.2.3.4\",\"managePort\":80}",
          "{\"id\":-1,\"enable\":1,\"ipAddr\":\"1.2.3.4\",\"managePort\":80}",
          "{\"enable\":1,\"ipAddr\":\"1.2.3.4\",\"managePort\":80}",
          "{\"id\":1,\"enable\":2,\"ipAddr\":\"1.2.3.4\",\"managePort\":80}",
          "{\"id\":1,\"enable\":1,\"ipAddr\":\"\",\"managePort\":80}",
          "{\"id\":1,\"enable\":1,\"managePort\":80}",
          "{\"id\":1,\"enable\":1,\"ipAddr\":\"1.2.3.4\",\"managePort\":-1}", "id=1", ""}) {
        EXPECT_EQ(post("/3304", bad).out, "") << bad;
    }
    EXPECT_EQ(store({"dump", "camera"}).out, before);
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(QuickSettingsTest, ModuleRegistersItsCodesInOrderAndSurvivesEmptyBodies)
{
    const std::vector<std::string> mine = {"/3300", "/3301", "/3302", "/3303", "/3304"};
    EXPECT_EQ(registered_codes("quick"), mine);
    store({"init"});
    emu();
    expect_empty_bodies_handled(mine);
}

}  // namespace
