// Camera firmware upgrades end to end: the start from an uploaded file or a
// URL, the progress, the stop, and the firmware upload itself, through the
// CGI program and the emulator.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "handlers/camera/camera_upgrade_records.h"
#include "tests/fixtures.h"
#include "tests/harness_limits.h"

namespace {

const char kBoundary[] = "ipcFwB0undary-2079";
const char kFirmware[] = "/dev/shm/updateIPCFM.bin";


IpcUpgradeOrder order_of(const EmuFrame& f)
{
    IpcUpgradeOrder o = zeroed<IpcUpgradeOrder>();
    if (f.payload.size() == sizeof o) std::memcpy(&o, f.payload.data(), sizeof o);
    return o;
}

std::string upload_body(const std::string& bytes)
{
    return std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"note\"\r\n\r\ncam\r\n--" +
           kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"ipc.bin\"\r\n" +
           "Content-Type: application/octet-stream\r\n\r\n" + bytes + "\r\n--" + kBoundary + "--\r\n";
}

// Firmware bytes holding near-boundaries, line ends and NULs.
std::string firmware_bytes(size_t n, size_t from = 0)
{
    static const std::string piece = std::string("\r\n--") + std::string(kBoundary).substr(0, 9) + "\r\n" +
                                     std::string("\0\xff", 2) + "-ipc-firmware-\r\n-";
    return repeated_bytes(piece, n, from);
}

class CameraUpgradeTest : public DaemonTest {
protected:
    RunResult upload(const std::string& body) { return run(multipart_request("/2079", kBoundary, body)); }
};

TEST_F(CameraUpgradeTest, ModuleListsItsCodes)
{
    const std::vector<std::string> mine = {"/2078", "/2079", "/2080", "/2081"};
    EXPECT_EQ(registered_codes("camera", mine), mine);
}

TEST_F(CameraUpgradeTest, StartFromFileSendsTheComplementOfReset)
{
    EXPECT_EQ(post("/2078", "{\"chnid\":3,\"reset\":0,\"fileSize\":123456}").out, kJsonHead + "{ \"res\": 0 }");
    EXPECT_EQ(post("/2078", "{\"chnid\":3,\"reset\":1,\"fileSize\":9}").body(), "{ \"res\": 0 }");
    // Channels past 31 go in the mask's upper word; the demo has no camera there.
    EXPECT_EQ(post("/2078", "{\"chnid\":4294967296,\"fileSize\":9}").body(), "{ \"res\": -1 }");
    auto sent = emu().received(3385);
    ASSERT_EQ(sent.size(), 3u);
    IpcUpgradeOrder want = zeroed<IpcUpgradeOrder>();
    want.chnid = 3;
    want.reset = -1;
    want.file_size = 123456;
    EXPECT_EQ(to_hex(sent[0].payload.data(), sent[0].payload.size()), hex_of(want));
    EXPECT_EQ(sent[0].flags & 1, 1u);
    EXPECT_EQ(order_of(sent[1]).reset, -2);
    EXPECT_EQ(order_of(sent[2]).chnid, int64_t(1) << 32);
    EXPECT_EQ(order_of(sent[2]).reset, -1);  // a missing "reset" reads as 0

    // Not JSON: the error, nothing sent; no reply: the error.
    EXPECT_EQ(post("/2078", "chnid=3").out, kJsonError);
    EXPECT_EQ(emu().received(3385).size(), 3u);
    emu().rule("3385 close");
    EXPECT_EQ(post("/2078", "{\"chnid\":1}").out, kJsonError);
}

TEST_F(CameraUpgradeTest, ProgressListsTheMaskedChannelsOfTheFirstSixteen)
{
    IpcUpgradeStatus s = zeroed<IpcUpgradeStatus>();
    s.chnid = 5;
    for (int i = 0; i < kUpgradeStatusChannels; i++) s.status[i] = 10 + i;
    emu().rule("3386 reply 8386 hex:" + hex_of(s));
    EXPECT_EQ(post("/2079", "").out, kTextHead + "chnid=5\r\nstatus0=10\r\nstatus2=12\r\n");
    auto asked = emu().received(3386);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].payload.empty());
    EXPECT_EQ(asked[0].flags & 1, 1u);
}

TEST_F(CameraUpgradeTest, ProgressMaskIsPrintedWhole)
{
    IpcUpgradeStatus s = zeroed<IpcUpgradeStatus>();
    for (int i = 0; i < kUpgradeStatusChannels; i++) s.status[i] = 10 + i;
    // Bits past 15 name channels whose status is not reported; the mask is
    // printed whole, as a signed number.
    s.chnid = (u64(1) << 63) | (u64(1) << 20) | (u64(1) << 15);
    emu().rule("3386 reply 8386 hex:" + hex_of(s));
    EXPECT_EQ(post("/2079", "").body(), "chnid=-9223372036853694464\r\nstatus15=25\r\n");
}

TEST_F(CameraUpgradeTest, ShortOrMissingRepliesGiveTheError)
{
    expect_replies({"3386 reply 8386 hex:0500000000000000", "3379 reply 8379 zeros:71", "3385 reply 8385 hex:00"},
                   {
                       {"/2079", "", kJsonError},
                       {"/2080", "{\"chnid\":1,\"url\":\"http://fw.example/ipc.bin\"}", kJsonError},
                       {"/2078", "{\"chnid\":1}", kJsonError},
                   });
}

TEST_F(CameraUpgradeTest, UploadIsStoredWholeThenTheProgressIsReported)
{
    const std::string fw = firmware_bytes(300000);
    auto r = upload(upload_body(fw));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kTextHead + "chnid=3\r\nstatus0=100\r\nstatus1=45\r\n");
    EXPECT_EQ(root().read_file(kFirmware), fw);
    EXPECT_EQ(root().list_dir("/dev/shm"), std::vector<std::string>{"updateIPCFM.bin"});
    EXPECT_TRUE(root().list_dir("/tmp").empty());
    EXPECT_EQ(emu().received(3386).size(), 1u);

    // A second upload replaces the first.
    EXPECT_EQ(upload(upload_body("v2")).status, 0);
    EXPECT_EQ(root().read_file(kFirmware), "v2");
    // A body without a file part only asks for the progress.
    const std::string note_only = std::string("--") + kBoundary +
                                  "\r\nContent-Disposition: form-data; name=\"note\"\r\n\r\nx\r\n--" + kBoundary +
                                  "--\r\n";
    EXPECT_EQ(upload(note_only).body(), "chnid=3\r\nstatus0=100\r\nstatus1=45\r\n");
    EXPECT_EQ(root().read_file(kFirmware), "v2");
}

TEST_F(CameraUpgradeTest, UploadThatBreaksOffLeavesNoFirmwareAndAsksNothing)
{
    root().write_file(kFirmware, "older firmware");
    const std::string body = upload_body(firmware_bytes(200000));
    CgiRequest r = multipart_request("/2079", kBoundary, body.substr(0, 150000));
    r.set_content_length = false;
    r.env = {{"CONTENT_LENGTH", std::to_string(body.size())}};
    EXPECT_EQ(run(r).out, kJsonError);
    EXPECT_TRUE(root().list_dir("/dev/shm").empty());
    EXPECT_TRUE(emu().received().empty());

    // A firmware file that cannot be written whole (a file-size limit) is
    // refused the same way.
    RunLimits lim;
    lim.file_size = 64 * 1024;
    RunResult limited = run_limited(lim, [&] { return upload(upload_body(std::string(256 * 1024, 'f'))); });
    EXPECT_EQ(limited.out, kJsonError);
    EXPECT_TRUE(root().list_dir("/dev/shm").empty());
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(CameraUpgradeTest, LargeUploadStreamsWithFlatMemory)
{
#ifdef NVR_EXEC_WRAPPER
    GTEST_SKIP() << "memory of programs run under an emulator";
#endif
    // Written piece by piece so that this process stays small: the child
    // counts the memory it had before its exec.
    const size_t size = 48u << 20, piece = 1u << 20;
    const auto bytes = [](size_t n, size_t at) { return firmware_bytes(n, at); };
    EXPECT_EQ(expect_flat_memory_upload(root(), "/2079", kBoundary, upload_body("@"), size, piece, bytes),
              kTextHead + "chnid=3\r\nstatus0=100\r\nstatus1=45\r\n");
    expect_file_bytes(root().at(kFirmware), size, piece, bytes);
}

TEST_F(CameraUpgradeTest, StartFromUrlReportsTheFirstSixteenChannelsOfTheMask)
{
    const std::string url = "http://fw.example/ipc.bin";
    // Channels 1, 3 and 20: the demo starts 1 and 3 and says nothing of 20.
    auto r = post("/2080", "{\"chnid\":1048586,\"reset\":1,\"url\":\"" + url + "\"}");
    EXPECT_EQ(r.out, kJsonHead + "{ \"chnid\": 1048586, \"status\": [ 0, 0 ] }");
    auto sent = emu().received(3379);
    ASSERT_EQ(sent.size(), 1u);
    IpcUpgradeOrder want = zeroed<IpcUpgradeOrder>();
    want.chnid = 1048586;
    want.reset = 1;  // as given, not complemented
    set_text(want.url, url.c_str());
    set_text(want.path, kFirmware);
    EXPECT_EQ(to_hex(sent[0].payload.data(), sent[0].payload.size()), hex_of(want));
    EXPECT_EQ(sent[0].flags & 1, 1u);
}

TEST_F(CameraUpgradeTest, UrlReplyGivesTheMasksLowerWord)
{
    const std::string url = "http://fw.example/ipc.bin";
    IpcUpgradeStatus s = zeroed<IpcUpgradeStatus>();
    s.chnid = (u64(1) << 40) | 0x8001;
    s.status[0] = 7;
    s.status[15] = -3;
    emu().rule("3379 reply 8379 hex:" + hex_of(s));
    EXPECT_EQ(post("/2080", "{\"chnid\":1,\"url\":\"" + url + "\"}").body(),
              "{ \"chnid\": 32769, \"status\": [ 7, -3 ] }");
}

TEST_F(CameraUpgradeTest, UrlThatCannotNameTheFirmwareIsRefused)
{
    for (const std::string& body : {std::string("{\"chnid\":1}"), std::string("{\"chnid\":1,\"url\":\"\"}"),
                                    "{\"chnid\":1,\"url\":\"http://x/" + std::string(120, 'a') + "\"}",
                                    std::string("url=http://x")})
        EXPECT_EQ(post("/2080", body).out, kJsonError) << body;
    EXPECT_TRUE(emu().received().empty());
    // 127 characters still fit.
    const std::string longest = "http://x/" + std::string(118, 'a');
    EXPECT_EQ(post("/2080", "{\"chnid\":1,\"url\":\"" + longest + "\"}").body(), "{ \"chnid\": 1, \"status\": [ 0 ] }");
    EXPECT_EQ(order_of(emu().received(3379).at(0)).url, longest);
}

TEST_F(CameraUpgradeTest, StopIsANotificationWithoutReply)
{
    auto r = post("/2081", "{\"stop\":1}");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    auto sent = emu().received(3390);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(to_hex(sent[0].payload.data(), sent[0].payload.size()), "01000000");
    EXPECT_EQ(sent[0].flags & 1, 0u);
    EXPECT_EQ(post("/2081", "stop").out, "");
    EXPECT_EQ(emu().received(3390).size(), 1u);
}

TEST_F(CameraUpgradeTest, EmptyBodies)
{
    expect_empty_bodies_handled({"/2078", "/2079", "/2080", "/2081"});
}

}  // namespace
