// Reboot, factory reset and firmware upgrades through the CGI program, with
// the core-daemon emulator. Nothing here reboots anything: the reboot is a
// message to the emulator.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include <cstring>
#include <string>
#include <vector>

#include "handlers/system/maintenance_records.h"
#include "tests/fixtures.h"

namespace {

const char kBoundary[] = "fwB0undary-7731";

std::string firmware_body(const std::string& bytes)
{
    return std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"note\"\r\n\r\nv7\r\n--" +
           kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"fw.bin\"\r\n" +
           "Content-Type: application/octet-stream\r\n\r\n" + bytes + "\r\n--" + kBoundary + "--\r\n";
}

CgiRequest firmware_upload(const std::string& code, const std::string& body, const std::string& query)
{
    return multipart_request(code, kBoundary, body, query);
}

// Firmware bytes that hold near-delimiters, line ends and NULs.
std::string firmware_bytes(size_t n, size_t from = 0)
{
    static const std::string piece = std::string("\r\n--") + std::string(kBoundary).substr(0, 10) + "\r\n" +
                                     std::string("\0\xff", 2) + "-firmware-\r\n-";
    return repeated_bytes(piece, n, from);
}


std::vector<int64_t> log_kinds(const std::vector<EmuFrame>& frames)
{
    std::vector<int64_t> kinds;
    for (const auto& f : frames)
        if (f.code == 3485) kinds.push_back(f.i64_at(8));
    return kinds;
}

class FirmwareTest : public NvrTest {
protected:
    std::string frame_hex(const EmuFrame& f) { return to_hex(f.payload.data(), f.payload.size()); }
};

TEST_F(FirmwareTest, RebootLogsThenAsksForTheReboot)
{
    emu();
    EXPECT_EQ(post("/1004", "").out, "Content-type: text/plain\r\n\r\nOK");
    auto frames = emu().received();
    EXPECT_EQ(codes_of(frames), (std::vector<uint32_t>{3485, 1703}));
    EXPECT_EQ(frames[0].i64_at(8), 200);
    EXPECT_EQ(frames[0].u32_at(24), 900u);
    EXPECT_TRUE(frames[1].payload.empty());
    EXPECT_EQ(frames[1].flags & 1, 0u);
}

TEST_F(FirmwareTest, FactoryResetRepliesFirstThenSendsInOrder)
{
    emu();
    EXPECT_EQ(post("/1006", "{\"keepIp\":1}").out, "Content-type: text/plain\r\n\r\nOK");
    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<uint32_t>{3311, 3410, 3485, 1703}));
    EXPECT_EQ(frame_hex(frames[0]), "0100000000000000");
    EXPECT_TRUE(frames[1].payload.empty());
    EXPECT_EQ(frames[2].i64_at(8), 215);
    for (const auto& f : frames) EXPECT_EQ(f.flags & 1, 0u) << f.code;

    // A garbled request resets nothing.
    EXPECT_EQ(post("/1006", "keepIp=1&keepUser=1").out, "");
    EXPECT_EQ(emu().received().size(), 4u);
}

TEST_F(FirmwareTest, CoreCheckGivesMotionIntervalsTheirDefault)
{
    std::vector<uint8_t> motion(696, 0);
    motion[4] = 1;                       // enable
    motion[468] = 9;                     // e-mail interval set
    ASSERT_EQ(store({"put-row", "motion", "0", to_hex(motion.data(), motion.size())}).status, 0);
    EXPECT_EQ(post("/1005", "").out, "Content-type: text/plain\r\n\r\nNO OK");
    std::vector<uint8_t> want = motion;
    want[388] = 20;
    EXPECT_EQ(store({"dump", "motion"}).out, "0 696 " + to_hex(want.data(), want.size()) + "\n");

    root().write_file("/tmp/kxcore", "");
    EXPECT_EQ(post("/1005", "").body(), "OK");
    EXPECT_EQ(store({"dump", "motion"}).out, "0 696 " + to_hex(want.data(), want.size()) + "\n");

    // A channel without a motion record is not given one.
    TempRoot other;
    auto r = run_program(built("nvr-api.cgi"), {},
                         {{"NVR_ROOT", other.path()}, {"REQUEST_METHOD", "GET"}, {"PATH_INFO", "/1005"}}, "");
    EXPECT_EQ(r.body(), "NO OK");
    EXPECT_FALSE(other.exists("/mnt/nand/app/kxdb.db"));
}

TEST_F(FirmwareTest, UploadStoresTheFirmwareAndSendsTheResetFlag)
{
    emu();
    const std::string fw = firmware_bytes(300000);
    auto r = run(firmware_upload("/1010", firmware_body(fw), "reset"));
    EXPECT_EQ(r.out, "Content-type: text/plain\r\n\r\nOK");
    EXPECT_EQ(root().read_file("/dev/shm/updateFM.bin"), fw);
    EXPECT_EQ(root().list_dir("/dev/shm"), std::vector<std::string>{"updateFM.bin"});
    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<uint32_t>{3485, 1713, 3485, 1703}));
    EXPECT_EQ(log_kinds(frames), (std::vector<int64_t>{203, 200}));
    EXPECT_EQ(frame_hex(frames[1]), "01000000");
    EXPECT_EQ(frames[1].flags & 1, 1u);

    // An empty query keeps the settings; no body: the firmware already there.
    EXPECT_EQ(run(firmware_upload("/1010", "", "")).body(), "OK");
    auto upgrades = emu().received(1713);
    ASSERT_EQ(upgrades.size(), 2u);
    EXPECT_EQ(frame_hex(upgrades[1]), "00000000");
    // Only the first 7 characters of the query count.
    EXPECT_EQ(run(firmware_upload("/1010", "", "x=1&reset")).body(), "OK");
    EXPECT_EQ(frame_hex(emu().received(1713).back()), "00000000");
}

TEST_F(FirmwareTest, UpgradeStatusOtherThanZeroIsRepliedWithoutReboot)
{
    emu().rule("1713 reply 6713 hex:05000000");
    EXPECT_EQ(run(firmware_upload("/1010", "", "")).out, "Content-type: text/plain\r\n\r\n5");
    EXPECT_TRUE(emu().received(1703).empty());
    EXPECT_EQ(log_kinds(emu().received()), std::vector<int64_t>{203});
}

TEST_F(FirmwareTest, UpgradeStatusOneIsAFailureToo)
{
    emu().rule("1713 reply 6713 hex:01000000");
    EXPECT_EQ(run(firmware_upload("/1010", "", "reset")).body(), "1");
    EXPECT_TRUE(emu().received(1703).empty());
}

TEST_F(FirmwareTest, UpgradeWithoutReplyRepliesZero)
{
    emu().rule("1713 close");
    EXPECT_EQ(run(firmware_upload("/1010", "", "")).body(), "0");
    EXPECT_TRUE(emu().received(1703).empty());
}

TEST_F(FirmwareTest, UploadThatBreaksOffStartsNothingAndKeepsTheOldFile)
{
    emu();
    root().write_file("/dev/shm/updateFM.bin", "old firmware");
    std::string body = firmware_body(firmware_bytes(200000));
    CgiRequest r = firmware_upload("/1010", body.substr(0, 150000), "");
    r.set_content_length = false;
    r.env = {{"CONTENT_LENGTH", std::to_string(body.size())}};
    EXPECT_EQ(run(r).out, "Content-type: text/plain\r\n\r\nCGI ERROR");
    EXPECT_EQ(root().read_file("/dev/shm/updateFM.bin"), "old firmware");
    EXPECT_EQ(root().list_dir("/dev/shm"), std::vector<std::string>{"updateFM.bin"});
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(FirmwareTest, LargeUploadStreamsWithFlatMemory)
{
#ifdef NVR_EXEC_WRAPPER
    GTEST_SKIP() << "memory of programs run under an emulator";
#endif
    emu();
    // The body is written to a file piece by piece, so that this process
    // stays small: a child counts the memory it had before its exec.
    const size_t size = 64u << 20, piece = 1u << 20;
    const auto bytes = [](size_t n, size_t at) { return firmware_bytes(n, at); };
    EXPECT_EQ(expect_flat_memory_upload(root(), "/1010", kBoundary, firmware_body("@"), size, piece, bytes),
              "Content-type: text/plain\r\n\r\nOK");
    expect_file_bytes(root().at("/dev/shm/updateFM.bin"), size, piece, bytes);
}

TEST_F(FirmwareTest, FirmwareFileQueries)
{
    EXPECT_EQ(post("/1011", "").out, "Content-type: text/plain\r\n\r\nOK");
    EXPECT_EQ(run(firmware_upload("/6082", "", "")).out, "Content-type: text/plain\r\n\r\nError");
    root().write_file("/dev/shm/updateFM.bin", "fw");
    root().write_file("/dev/shm/updateIPCFM.bin", "ipc fw");
    EXPECT_EQ(post("/1011", "").body(), "Error");
    EXPECT_EQ(run(firmware_upload("/6082", firmware_body("cam"), "")).body(), "OK");

    emu();
    EXPECT_EQ(post("/6084", "").out, "Content-type: text/plain\r\n\r\nOK");
    EXPECT_FALSE(root().exists("/dev/shm/updateIPCFM.bin"));
    EXPECT_EQ(codes_of(emu().received()), std::vector<uint32_t>{3351});
    EXPECT_EQ(run(firmware_upload("/6082", "", "")).body(), "Error");
}

TEST_F(FirmwareTest, OnlineDownloadAndCancel)
{
    emu();
    EXPECT_EQ(post("/6085", "{\"type\":2,\"url\":\"http://x\"}").out,
              "Content-type: application/json\r\n\r\n{status:\"CGI ERROR\"}");
    EXPECT_EQ(post("/6085", "not json").body(), "{status:\"CGI ERROR\"}");
    EXPECT_TRUE(emu().received().empty());

    const std::string url = "http://update.example.com/" + std::string(200, 'u');
    EXPECT_EQ(post("/6085", "{\"type\":0,\"url\":\"" + url + "\"}").out,
              "Content-type: application/json\r\n\r\n{ \"res\": 0 }");
    emu().rule("1716 reply 6716 hex:07000000");
    EXPECT_EQ(post("/6085", "{\"type\":1,\"url\":\"http://cam\"}").body(), "{ \"res\": 7 }");
    auto sent = emu().received(1716);
    ASSERT_EQ(sent.size(), 2u);
    ASSERT_EQ(sent[0].payload.size(), 256u);
    EXPECT_EQ(sent[0].text_at(0, 128), url.substr(0, 127));
    EXPECT_EQ(sent[0].text_at(128, 128), "/dev/shm/updateFM.bin");
    EXPECT_EQ(sent[1].text_at(0, 128), "http://cam");
    EXPECT_EQ(sent[1].text_at(128, 128), "/dev/shm/updateIPCFM.bin");
    EXPECT_EQ(sent[1].flags & 1, 1u);

    root().write_file("/dev/shm/updateFM.bin", "partial");
    EXPECT_EQ(post("/6086", "{\"type\":0}").out, "Content-type: application/json\r\n\r\n{ \"res\": 0 }");
    EXPECT_FALSE(root().exists("/dev/shm/updateFM.bin"));
    EXPECT_EQ(post("/6086", "{\"type\":1}").body(), "{ \"res\": 0 }");
    EXPECT_EQ(emu().received(1717).size(), 1u);
    EXPECT_EQ(post("/6086", "{\"type\":3}").body(), "{status:\"CGI ERROR\"}");
    emu().rule("1717 close");
    EXPECT_EQ(post("/6086", "{\"type\":1}").out, "Content-type: text/plain\r\n\r\nCGI ERROR");
}

TEST_F(FirmwareTest, OnlineInformation)
{
    emu();
    EXPECT_EQ(post("/6087", "").out,
              "Content-type: application/json\r\n\r\n{ \"state\": 1, \"fileSize\": 41943040, \"softversion\": "
              "\"7x.7.1.0\", \"url\": \"http:\\/\\/update.example.com\\/nvr\\/7x.7.1.0.bin\", \"description\": "
              "\"Stability fixes\" }");
    // Texts that fill their fields are read no further.
    FirmwareInfo info;
    std::memset(&info, 'z', sizeof info);
    info.state = 2;
    info.file_size = 3;
    emu().rule("1715 reply 6715 hex:" + to_hex(&info, sizeof info));
    EXPECT_EQ(post("/6087", "").body(), "{ \"state\": 2, \"fileSize\": 3, \"softversion\": \"" + std::string(64, 'z') +
                                            "\", \"url\": \"" + std::string(128, 'z') + "\", \"description\": \"" +
                                            std::string(128, 'z') + "\" }");
}

TEST_F(FirmwareTest, QueriesWithoutReplyAreCgiErrors)
{
    emu().rule("1715 close");
    emu().rule("1716 close");
    emu().rule("3365 reply 8365 hex:0100");  // too short for one record: no reply
    emu().rule("3365 close");
    EXPECT_EQ(post("/6087", "").out, "Content-type: text/plain\r\n\r\nCGI ERROR");
    EXPECT_EQ(post("/6085", "{\"type\":0}").out, "Content-type: text/plain\r\n\r\nCGI ERROR");
    EXPECT_EQ(post("/6089", "{\"ch\":\"1\"}").out, "Content-type: text/plain\r\n\r\nCGI ERROR");
}

// A reply too short for its record is answered at once with the requests'
// error form, text, not after the code's wait (up to 600 s) with the
// connection still open.
TEST_F(FirmwareTest, ShortRepliesAreTextErrorsAtOnce)
{
    emu().rule("1715 reply 6715 hex:0100");
    emu().rule("1716 reply 6716 hex:0100");
    emu().rule("1717 reply 6717 hex:");
    emu().rule("3350 reply 8350 hex:01000000");
    emu().rule("3365 reply 8365 hex:0100");
    const std::pair<const char*, const char*> requests[] = {
        {"/6087", ""},
        {"/6085", "{\"type\":1,\"url\":\"http://cam\"}"},
        {"/6086", "{\"type\":1}"},
        {"/6083", "{\"chnid\":1}"},
        {"/6089", "{\"ch\":\"1\"}"},
    };
    for (const auto& r : requests) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(post(r.first, r.second).out, "Content-type: text/plain\r\n\r\nCGI ERROR") << r.first;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << r.first;
    }
}

TEST_F(FirmwareTest, OnlineUpgradeRepliesThenReboots)
{
    emu();
    EXPECT_EQ(post("/6088", "").out, "Content-type: application/json\r\n\r\n{ \"res\": 0 }");
    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<uint32_t>{1721, 3485, 1713, 3485, 1703}));
    EXPECT_EQ(log_kinds(frames), (std::vector<int64_t>{203, 200}));
    EXPECT_EQ(frame_hex(frames[2]), "00000000");
}

TEST_F(FirmwareTest, OnlineUpgradeFailureIsNotFollowedByReboot)
{
    emu().rule("1713 reply 6713 hex:02000000");
    EXPECT_EQ(post("/6088", "").body(), "{ \"res\": 2 }");
    EXPECT_TRUE(emu().received(1703).empty());
}

TEST_F(FirmwareTest, OnlineUpgradeWithoutReplyIsNoSuccess)
{
    emu().rule("1713 close");
    EXPECT_EQ(post("/6088", "").out, "Content-type: application/json\r\n\r\n{status:\"CGI ERROR\"}");
    EXPECT_TRUE(emu().received(1703).empty());
}

TEST_F(FirmwareTest, CameraUpgrade)
{
    emu();
    EXPECT_EQ(post("/6083", "{\"chnid\":5,\"reset\":1}").out,
              "Content-type: application/json\r\n\r\n{ \"chnid\": 5, \"status\": 0 }");
    auto sent = emu().received(3350);
    ASSERT_EQ(sent.size(), 1u);
    CameraUpgradeOrder want = zeroed<CameraUpgradeOrder>();
    want.chnid = 5;
    want.reset = 1;
    set_text(want.path, "/dev/shm/updateIPCFM.bin");
    EXPECT_EQ(frame_hex(sent[0]), to_hex(&want, sizeof want));
    EXPECT_EQ(post("/6083", "chnid=5").out, "Content-type: application/json\r\n\r\n{status:\"CGI ERROR\"}");
    emu().rule("3350 close");
    EXPECT_EQ(post("/6083", "{\"chnid\":1}").out, "Content-type: text/plain\r\n\r\nCGI ERROR");
    EXPECT_EQ(emu().received(3350).size(), 2u);
}

TEST_F(FirmwareTest, CameraCheckSelectsChannelsUpToTheFirstOtherCharacter)
{
    emu();
    auto r = post("/6089", "{\"ch\":\"0110x1\"}");
    auto sent = emu().received(3365);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(frame_hex(sent[0]), "0600000000000000");
    auto info_json = [](int state) {
        return "{ \"state\": " + std::to_string(state) +
               ", \"fileSize\": 0, \"softversion\": \"\", \"url\": \"\", \"description\": \"\" }";
    };
    std::string all;
    for (int i = 0; i < 64; i++) all += (i ? ", " : "") + info_json(0);
    EXPECT_EQ(r.out, "Content-type: application/json\r\n\r\n{ \"check\": [ " + all + " ] }");

    post("/6089", "{\"ch\":\"" + std::string(70, '1') + "\"}");
    EXPECT_EQ(frame_hex(emu().received(3365).back()), "ffffffffffffffff");

    // A short reply gives the records it holds.
    FirmwareInfo two[2] = {zeroed<FirmwareInfo>(), zeroed<FirmwareInfo>()};
    two[1].state = 4;
    emu().rule("3365 reply 8365 hex:" + to_hex(two, sizeof two) + "0000");
    EXPECT_EQ(post("/6089", "{\"ch\":\"01\"}").body(),
              "{ \"check\": [ " + info_json(0) + ", " + info_json(4) + " ] }");
}

TEST_F(FirmwareTest, SystemTableListsTheCodesInOrder)
{
    const std::vector<std::string> mine = {"/1004", "/1005", "/1006", "/1007", "/1008", "/1010", "/1011", "/1013",
                                           "/6082", "/6084", "/6083", "/6085", "/6086", "/6087", "/6088", "/6089"};
    EXPECT_EQ(registered_codes("system", mine), mine);
}

}  // namespace
