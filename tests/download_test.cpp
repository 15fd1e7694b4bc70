// Recording download as AVI (the export writer and the AVI library in
// process, the "/4013" stream end to end), synchronous playback, stream
// addresses, ports and the small playback requests.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "common/export_writer.h"
#include "common/reply.h"
#include "handlers/playback/download_records.h"
#include "handlers/playback/playback_records.h"
#include "platform/kxavi.h"
#include "tests/fixtures.h"

namespace {

const char* kDownload =
    "{\"id\":3,\"startTime\":\"2023-05-01T10:00:00Z\",\"endTime\":\"2023-05-01T10:00:04Z\",\"streamType\":1}";

u32 le32(const std::string& s, size_t at)
{
    return u32(u8(s[at])) | u32(u8(s[at + 1])) << 8 | u32(u8(s[at + 2])) << 16 | u32(u8(s[at + 3])) << 24;
}

// What a reader finds in an AVI: the chunks of 'movi' and the idx1 entries,
// each checked against the chunk it points at.
struct AviScan {
    bool riff = false;
    u32 streams = 0;
    std::vector<std::pair<std::string, std::string>> chunks;  // id, data
    size_t index_entries = 0;
    bool index_matches = false;
    u32 total_frames = 0;  // from the main header
};

AviScan scan_avi(const std::string& avi)
{
    AviScan r;
    if (avi.size() < 12 || avi.compare(0, 4, "RIFF") != 0 || avi.compare(8, 4, "AVI ") != 0) return r;
    r.riff = true;
    size_t hdrl = avi.find("hdrl");
    if (hdrl != std::string::npos && avi.compare(hdrl + 4, 4, "avih") == 0) {
        r.total_frames = le32(avi, hdrl + 12 + 16);
        r.streams = le32(avi, hdrl + 12 + 24);
    }
    size_t movi = avi.find("movi");
    if (movi == std::string::npos) return r;
    std::vector<size_t> offsets;
    size_t at = movi + 4;
    while (at + 8 <= avi.size() && avi.compare(at, 4, "idx1") != 0) {
        u32 len = le32(avi, at + 4);
        if (at + 8 + len > avi.size()) break;
        offsets.push_back(at - movi);
        r.chunks.emplace_back(avi.substr(at, 4), avi.substr(at + 8, len));
        at += 8 + len + (len & 1);
    }
    if (at + 8 <= avi.size() && avi.compare(at, 4, "idx1") == 0) {
        u32 len = le32(avi, at + 4);
        r.index_entries = len / 16;
        r.index_matches = r.index_entries == r.chunks.size() && at + 8 + len == avi.size();
        for (size_t i = 0; r.index_matches && i < r.index_entries; i++) {
            size_t e = at + 8 + i * 16;
            r.index_matches = avi.compare(e, 4, r.chunks[i].first) == 0 && le32(avi, e + 8) == offsets[i] &&
                              le32(avi, e + 12) == r.chunks[i].second.size();
        }
    }
    return r;
}

std::string ffprobe(const std::string& path, const std::string& what)
{
    std::string cmd = "ffprobe -v error " + what + " -of csv=p=0 " + shell_quote(path.c_str()) + " 2>&1";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

MediaFrameHeader frame_header(u32 type, u32 size, u32 audio = kAudioNone)
{
    MediaFrameHeader h = zeroed<MediaFrameHeader>();
    h.type = type;
    h.width = 320;
    h.height = 240;
    h.frame_rate = 25;
    h.audio_codec = audio;
    h.sample_rate = 8000;
    h.audio_channels = 1;
    h.size = size;
    return h;
}

// A reply of the download stream, as hex for a rule.
std::string chunk_hex(const MediaFrameHeader& h, i32 offset, const std::string& data, i32 length_field = -100)
{
    std::string bytes(kFrameChunkHead, '\0');
    std::memcpy(&bytes[0], &h, sizeof h);
    const i32 length = length_field == -100 ? i32(data.size()) : length_field;
    std::memcpy(&bytes[88], &offset, 4);
    std::memcpy(&bytes[92], &length, 4);
    return to_hex(bytes.data(), bytes.size()) + to_hex(data.data(), data.size());
}

std::string avi_of(const RunResult& r)
{
    size_t at = r.out.find("\r\n\r\n");
    return at == std::string::npos ? std::string() : r.out.substr(at + 4);
}

// ---- the export writer and the AVI library in process ----

class ExportWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::signal(SIGPIPE, SIG_IGN);
        export_writer_set_turn_ms(1);
    }
    void TearDown() override
    {
        export_writer_set_turn_ms(40);
        kx_avi_set_size_limit(0);
    }
    std::string file_text(FILE* f)
    {
        std::fflush(f);
        std::string s;
        std::rewind(f);
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
        return s;
    }
    TempRoot root_;
};

TEST_F(ExportWriterTest, FragmentsMakeOneFrameAndTheFileIsIndexed)
{
    FILE* out = std::fopen(root_.at("/out.avi").c_str(), "w+");
    ASSERT_NE(out, nullptr);
    KxAvi* avi = nullptr;
    ASSERT_EQ(export_writer_open(out, &avi), 0);
    EXPECT_EQ(export_writer_open(out, &avi), -1);  // one writer per process
    const std::string data = "0123456789abcdefghijklmnopqrstu";  // odd: the chunk is padded
    MediaFrameHeader key = frame_header(kFrameVideoKey, u32(data.size()), kAudioAlaw);
    EXPECT_EQ(export_writer_put(&key, "stray", 5, 5), 0);  // a continuation without its start
    EXPECT_EQ(export_writer_put(&key, data.data(), 0, 10), 0);
    EXPECT_EQ(export_writer_put(&key, data.data() + 10, 10, 10), 0);
    EXPECT_EQ(export_writer_put(&key, data.data() + 20, 20, 40), 0);  // more than the frame holds: cut
    MediaFrameHeader audio = frame_header(kFrameAudio, 4, kAudioAlaw);
    EXPECT_EQ(export_writer_put(&audio, "\xd5\xd5\xd5\xd5", 0, 4), 0);
    MediaFrameHeader empty = frame_header(kFrameVideo, 0, kAudioAlaw);
    EXPECT_EQ(export_writer_put(&empty, nullptr, 0, 0), 0);
    MediaFrameHeader huge = frame_header(kFrameVideo, (16u << 20) + 1, kAudioAlaw);
    EXPECT_EQ(export_writer_put(&huge, "x", 0, 1), -1);
    MediaFrameHeader partial = frame_header(kFrameVideo, 100, kAudioAlaw);
    EXPECT_EQ(export_writer_put(&partial, "abc", 0, 3), 0);  // never completed: dropped at close
    EXPECT_EQ(export_writer_close(avi), 0);
    EXPECT_EQ(export_writer_running(), 0);

    const std::string s = file_text(out);
    std::fclose(out);
    AviScan scan = scan_avi(s);
    ASSERT_TRUE(scan.riff);
    EXPECT_EQ(scan.streams, 2u);
    ASSERT_EQ(scan.chunks.size(), 2u);
    EXPECT_EQ(scan.chunks[0].first, "00dc");
    EXPECT_EQ(scan.chunks[0].second, data);
    EXPECT_EQ(scan.chunks[1].first, "01wb");
    EXPECT_TRUE(scan.index_matches);
    EXPECT_EQ(scan.total_frames, 1u);  // a file: the header is patched
    EXPECT_EQ(le32(s, 4), u32(s.size() - 8));
    // Later writers of the same process start afresh.
    FILE* again = std::fopen(root_.at("/again.avi").c_str(), "w+");
    ASSERT_EQ(export_writer_open(again, &avi), 0);
    EXPECT_EQ(export_writer_close(avi), 0);
    EXPECT_EQ(file_text(again), "");  // no frame: nothing written
    std::fclose(again);
}

TEST_F(ExportWriterTest, FullQueueWithStalledWriterRefusesAndReaderGoneEndsWriter)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    FILE* out = fdopen(fds[1], "w");
    KxAvi* avi = nullptr;
    ASSERT_EQ(export_writer_open(out, &avi), 0);
    // Nobody reads the pipe: the writer blocks, the queue fills up to 10 MiB.
    const std::string data(1 << 20, 'v');
    MediaFrameHeader h = frame_header(kFrameVideoKey, u32(data.size()));
    int queued = 0, rc = 0;
    for (int i = 0; i < 40 && (rc = export_writer_put(&h, data.data(), 0, i32(data.size()))) == 0; i++) queued++;
    EXPECT_EQ(rc, -1);
    EXPECT_GE(queued, 10);
    EXPECT_LE(queued, 12);
    EXPECT_EQ(export_writer_running(), 1);
    // The reader goes away: the writer's next write fails and it ends.
    close(fds[0]);
    for (int i = 0; i < 2000 && export_writer_running(); i++) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(export_writer_running(), 0);
    EXPECT_EQ(export_writer_put(&h, data.data(), 0, i32(data.size())), -1);
    EXPECT_EQ(export_writer_close(avi), -1);  // the stream had failed
    std::fclose(out);
}

TEST_F(ExportWriterTest, IdleWriterEndsByItselfAndStopEndsIt)
{
    FILE* out = std::fopen(root_.at("/idle.avi").c_str(), "w+");
    KxAvi* avi = nullptr;
    ASSERT_EQ(export_writer_open(out, &avi), 0);
    EXPECT_EQ(export_writer_running(), 1);
    // 1,500 idle turns of 1 ms.
    for (int i = 0; i < 20000 && export_writer_running(); i++) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(export_writer_running(), 0);
    EXPECT_EQ(export_writer_close(avi), 0);

    ASSERT_EQ(export_writer_open(out, &avi), 0);
    export_writer_stop();
    for (int i = 0; i < 2000 && export_writer_running(); i++) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(export_writer_running(), 0);
    EXPECT_EQ(export_writer_close(avi), 0);
    std::fclose(out);
    EXPECT_EQ(export_writer_open(nullptr, &avi), -1);
    EXPECT_EQ(export_writer_open(stdout, nullptr), -1);
}

TEST_F(ExportWriterTest, AviStopsAtItsSizeLimitAndStillIndexesWhatWentIn)
{
    FILE* out = std::fopen(root_.at("/limit.avi").c_str(), "w+");
    KxAvi* avi = kx_avi_open_fp(out);
    ASSERT_NE(avi, nullptr);
    kx_avi_set_size_limit(4096);
    std::string block(sizeof(MediaFrameHeader) + 1000, 'x');
    MediaFrameHeader h = frame_header(kFrameVideoKey, 1000);
    std::memcpy(&block[0], &h, sizeof h);
    int written = 0;
    while (written < 10 && kx_avi_write_fp_ex(avi, block.data(), block.size()) == 0) written++;
    EXPECT_GE(written, 2);
    EXPECT_LT(written, 4);
    EXPECT_EQ(kx_avi_write_fp_ex(avi, block.data(), 100), -1);  // still full
    EXPECT_EQ(kx_avi_write_fp_ex(avi, block.data(), 10), -1);   // shorter than a frame header
    EXPECT_EQ(kx_avi_close_fp(avi), 0);
    const std::string s = file_text(out);
    std::fclose(out);
    EXPECT_LE(s.size(), 4096u);
    AviScan scan = scan_avi(s);
    EXPECT_EQ(scan.chunks.size(), size_t(written));
    EXPECT_TRUE(scan.index_matches);
    EXPECT_EQ(kx_avi_open_fp(nullptr), nullptr);
}

// ---- download end to end ----

class DownloadTest : public NvrTest {
protected:
    DownloadTest() { env.push_back({"TZ", "UTC"}); }
    void SetUp() override { emu(); }  // every case talks to the daemon

    // Runs "/4013" as its own process with its standard output on a pipe
    // that the test reads: the pid and the pipe's read end.
    std::pair<pid_t, int> spawn_download(const std::string& body)
    {
        root().write_file("/request.json", body);
        int out[2];
        if (pipe(out) != 0) return {-1, -1};
        std::vector<std::string> vars = {"NVR_ROOT=" + root().path(), "TZ=UTC", "REQUEST_METHOD=POST",
                                         "PATH_INFO=/4013", "CONTENT_TYPE=application/json",
                                         "CONTENT_LENGTH=" + std::to_string(body.size()), "PATH=/usr/bin:/bin"};
        std::vector<char*> envp;
        for (auto& v : vars) envp.push_back(&v[0]);
        envp.push_back(nullptr);
        pid_t pid = fork();
        if (pid == 0) {
            int in = open(root().at("/request.json").c_str(), O_RDONLY);
            dup2(in, 0);
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            exec_program(built("nvr-api.cgi"), {}, envp.data());
        }
        close(out[1]);
        return {pid, out[0]};
    }
    // Reads up to `bytes` (or to the end), waiting at most `ms`.
    static std::string read_some(int fd, size_t bytes, int ms)
    {
        std::string s;
        char buf[65536];
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (s.size() < bytes && std::chrono::steady_clock::now() < until) {
            struct pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            ssize_t n = read(fd, buf, std::min(sizeof buf, bytes - s.size()));
            if (n <= 0) break;
            s.append(buf, size_t(n));
        }
        return s;
    }
    // Waits for the process to end: its exit status, or -1 after `ms`.
    static int wait_exit(pid_t pid, int ms)
    {
        for (int i = 0; i < ms / 10; i++) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
};

TEST_F(DownloadTest, DemoRecordingIsAnAviThatFfprobeReads)
{
    auto r = post("/4013", kDownload);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.header(),
              "Content-Type:application/octet-stream\r\n"
              "Content-Disposition: attachment; filename= "
              "8DDD2023_5_1_10_0_0_1682935200-2023_5_1_10_0_4_1682935204_3.avi");
    const std::string avi = avi_of(r);
    AviScan scan = scan_avi(avi);
    ASSERT_TRUE(scan.riff);
    EXPECT_EQ(scan.streams, 2u);
    EXPECT_EQ(scan.chunks.size(), 200u);  // 4 s: 100 video and 100 audio frames
    EXPECT_TRUE(scan.index_matches);

    root().write_file("/dl.avi", avi);
    EXPECT_EQ(ffprobe(root().at("/dl.avi"),
                      "-count_frames -show_entries stream=codec_name,width,height,nb_read_frames"),
              "h264,320,240,100\npcm_alaw,100\n");

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, 3485u);
    EXPECT_EQ(frames[0].u32_at(0), 4u);
    EXPECT_EQ(frames[0].i64_at(8), 209);
    EXPECT_EQ(frames[0].u32_at(24), 900u);
    EXPECT_EQ(frames[0].u32_at(32), 4u);
    EXPECT_EQ(frames[1].code, 1173u);
    EXPECT_EQ(frames[1].flags & 1, 1u);
    DownloadRequest want = zeroed<DownloadRequest>();
    want.channel = 3;
    want.stream_type = 1;
    set_text(want.start_time, "2023-5-1 10:0:0");
    set_text(want.end_time, "2023-5-1 10:0:4");
    EXPECT_EQ(to_hex(frames[1].payload.data(), frames[1].payload.size()), to_hex(&want, sizeof want));
}

TEST_F(DownloadTest, BusyMarkerAndBadRequestsSendNothing)
{
    root().write_file("/tmp/pbdownload", "");
    EXPECT_EQ(post("/4013", kDownload).out, "Content-type: text/plain\r\n\r\nBUSY NOW");
    EXPECT_EQ(post("/4019", "{}").out, "Content-type: text/plain\r\n\r\n{ \"isOK\": 0 }");
    EXPECT_EQ(post("/4027", "").out, kOk);
    EXPECT_FALSE(root().exists("/tmp/pbdownload"));
    EXPECT_EQ(post("/4019", "{}").out, "Content-type: text/plain\r\n\r\n{ \"isOK\": 1 }");

    for (const char* bad : {"not json", "{\"id\":3,\"startTime\":\"2023-05-01T10:00:00Z\"}",
                            "{\"startTime\":\"2023-05-01T10:00:00Z\",\"endTime\":\"2023-05-01T10:00:04Z\"}",
                            "{\"id\":16,\"startTime\":\"2023-05-01T10:00:00Z\",\"endTime\":\"2023-05-01T10:00:04Z\"}",
                            "{\"id\":-1,\"startTime\":\"2023-05-01T10:00:00Z\",\"endTime\":\"2023-05-01T10:00:04Z\"}",
                            "{\"id\":3,\"startTime\":\"2023-05-01 10:00:00\",\"endTime\":\"2023-05-01T10:00:04Z\"}"})
        EXPECT_EQ(post("/4013", bad).out, "") << bad;

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 1u);  // only the end of the download
    EXPECT_EQ(frames[0].code, 1178u);
    EXPECT_EQ(frames[0].flags & 1, 0u);
    EXPECT_TRUE(frames[0].payload.empty());
}

TEST_F(DownloadTest, StreamThatBreaksOffEndsTheFileIndexed)
{
    const std::string key(1000, 'k');
    MediaFrameHeader h = frame_header(kFrameVideoKey, u32(key.size()));
    MediaFrameHeader p = frame_header(kFrameVideo, 3);
    // A frame in three chunks, a whole frame, then the daemon dies inside a
    // frame: the file holds the two whole frames and their index.
    emu().rule("1173 reply 6173 hex:" + chunk_hex(h, 0, key.substr(0, 400)));
    emu().rule("1173 reply 6173 hex:" + chunk_hex(h, 400, key.substr(400, 400)));
    emu().rule("1173 reply 6173 hex:" + chunk_hex(h, 800, key.substr(800)));
    emu().rule("1173 reply 6173 hex:" + chunk_hex(p, 0, "abc"));
    emu().rule("1173 reply 6173 hex:0102");  // too short to be a chunk: ignored
    emu().rule("1173 reply 6173 hex:" + chunk_hex(h, 0, key.substr(0, 10)));
    emu().rule("1173 close");
    auto r = post("/4013", kDownload);
    EXPECT_FALSE(r.timed_out);
    AviScan scan = scan_avi(avi_of(r));
    ASSERT_EQ(scan.chunks.size(), 2u);
    EXPECT_EQ(scan.chunks[0].second, key);
    EXPECT_EQ(scan.chunks[1].second, "abc");
    EXPECT_TRUE(scan.index_matches);
}

TEST_F(DownloadTest, AbortAndEndMarkersAndOversizedChunks)
{
    MediaFrameHeader h = frame_header(kFrameVideoKey, 6);
    // A chunk that claims more than its reply carries takes what arrived.
    emu().rule("1173 reply 6173 hex:" + chunk_hex(h, 0, "abc", 5000));
    emu().rule("1173 reply 6173 hex:" + chunk_hex(h, 3, "def"));
    emu().rule("1173 reply 6173 hex:" + chunk_hex(h, 0, "", kChunkEnd));
    emu().rule("1173 reply 6173 hex:" + chunk_hex(h, 0, "ghijkl"));  // after the end: not read
    emu().rule("1173 silent");
    auto r = post("/4013", kDownload);
    EXPECT_FALSE(r.timed_out);
    AviScan scan = scan_avi(avi_of(r));
    ASSERT_EQ(scan.chunks.size(), 1u);
    EXPECT_EQ(scan.chunks[0].second, "abcdef");
    EXPECT_TRUE(scan.index_matches);
}

TEST_F(DownloadTest, AbortEndsTheDownload)
{
    // An abort drops what is still queued; the file still ends sound.
    MediaFrameHeader h = frame_header(kFrameVideoKey, 6);
    emu().rule("1173 reply 6173 hex:" + chunk_hex(h, 0, "abcdef"));
    emu().rule("1173 reply 6173 hex:" + chunk_hex(h, 0, "", kChunkAbort));
    emu().rule("1173 silent");
    auto r = post("/4013", kDownload);
    EXPECT_FALSE(r.timed_out);
    AviScan scan = scan_avi(avi_of(r));
    EXPECT_LE(scan.chunks.size(), 1u);
    EXPECT_TRUE(scan.chunks.empty() || scan.index_matches);
}

TEST_F(DownloadTest, ClientHangingUpEndsTheRunAndLeavesNoFile)
{
    emu();
    // A long recording of the main stream: the index spills to its file.
    auto [pid, fd] = spawn_download(
        "{\"id\":1,\"startTime\":\"2023-05-01T10:00:00Z\",\"endTime\":\"2023-05-01T12:00:00Z\",\"streamType\":0}");
    ASSERT_GT(pid, 0);
    const std::string got = read_some(fd, 48u << 20, 60000);
    EXPECT_EQ(got.size(), 48u << 20);
    close(fd);
    EXPECT_EQ(wait_exit(pid, 20000), 0);
    EXPECT_EQ(root().list_dir("/tmp"), std::vector<std::string>{});
}

TEST_F(DownloadTest, DaemonDyingMidStreamEndsTheFileCleanly)
{
    emu();
    auto [pid, fd] = spawn_download(
        "{\"id\":2,\"startTime\":\"2023-05-01T10:00:00Z\",\"endTime\":\"2023-05-01T12:00:00Z\",\"streamType\":1}");
    ASSERT_GT(pid, 0);
    std::string got = read_some(fd, 4u << 20, 60000);
    emu().stop();
    got += read_some(fd, 1u << 30, 30000);
    close(fd);
    EXPECT_EQ(wait_exit(pid, 20000), 0);
    const size_t at = got.find("\r\n\r\n");
    ASSERT_NE(at, std::string::npos);
    AviScan scan = scan_avi(got.substr(at + 4));
    EXPECT_GT(scan.chunks.size(), 50u);
    EXPECT_TRUE(scan.index_matches);
    root().write_file("/cut.avi", got.substr(at + 4));
    const std::string probe = ffprobe(root().at("/cut.avi"), "-count_packets -show_entries stream=nb_read_packets");
    EXPECT_EQ(probe.find("error"), std::string::npos) << probe;
    EXPECT_EQ(root().list_dir("/tmp"), std::vector<std::string>{});
}

// ---- synchronous playback, addresses, ports, busy state ----

TEST_F(DownloadTest, SyncPlayOpensTheSessionAndReportsItsStream)
{
    const std::string request = "{\"mask0\":5,\"mask1\":0,\"mask2\":0,\"mask3\":0,\"mask4\":0,\"mask5\":0,\"mask6\":0,"
                                "\"mask7\":-1,\"playTime\":\"2023-05-01 10:00:00\"}";
    auto r = post("/4020", request);
    EXPECT_EQ(r.body(),
              "{ \"sessionId\": 300, \"sourcePath\": \"\\/playback\\/session300\", \"port\": 554, \"status\": \"OK\", "
              "\"realPlayTime\": \"2023-05-01 10:00:00\", \"external_port\": 554, \"external_http_port\": 80, "
              "\"ddns_port\": 0, \"ddns_http_port\": 0 }");
    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].code, 3109u);
    SyncPlayRequest want = zeroed<SyncPlayRequest>();
    want.play_seconds = 1682935200;
    set_text(want.play_time, "2023-05-01 10:00:00");
    want.masks[0] = 5;
    want.masks[7] = -1;
    EXPECT_EQ(to_hex(frames[0].payload.data(), frames[0].payload.size()), to_hex(&want, sizeof want));
    EXPECT_EQ(frames[1].code, 3502u);
    EXPECT_EQ(frames[1].u32_at(0), 300u);
    EXPECT_EQ(frames[2].code, 3485u);
    EXPECT_EQ(frames[2].i64_at(8), 209);
    EXPECT_EQ(frames[2].u32_at(24), 900u);

    // Refused, or answered without a session: the JSON error, no stream query.
    const std::string none = "{\"mask0\":0,\"mask1\":0,\"mask2\":0,\"mask3\":0,\"mask4\":0,\"mask5\":0,\"mask6\":0,"
                             "\"mask7\":0,\"playTime\":\"2023-05-01 10:00:00\"}";
    EXPECT_EQ(post("/4020", none).out, kJsonError);
    EXPECT_EQ(post("/4020", "{\"mask0\":0,\"playTime\":\"2023-05-01 10:00:00\"}").out, "");
    EXPECT_EQ(post("/4020", "{\"mask0\":0,\"mask1\":0,\"mask2\":0,\"mask3\":0,\"mask4\":0,\"mask5\":0,\"mask6\":0,"
                            "\"mask7\":0,\"playTime\":\"yesterday\"}").out, "");
    EXPECT_EQ(emu().received(3502).size(), 1u);
}

TEST_F(DownloadTest, AddressesPortsAndBusyState)
{
    auto r = post("/4018", "");
    const std::string first =
        "{ \"rtspaddr\": [ { \"ipc\": { \"main\": \"rtsp:\\/\\/192.168.1.101:554\\/stream0\", "
        "\"sub\": \"rtsp:\\/\\/192.168.1.101:554\\/stream1\" }, \"nvr\": { \"mainUsername\": \"admin\", "
        "\"mainPassword\": \"\", \"mainPort\": 554, \"mainExternalPort\": 554, \"mainDDNSPort\": 0, "
        "\"mainResPath\": \"\\/ch01\\/0\", \"mainExternalHttpPort\": 80, \"mainDDNSHttpPort\": 0, "
        "\"subUsername\": \"admin\", \"subPassword\": \"\", \"subPort\": 554, \"subExternalPort\": 554, "
        "\"subDDNSPort\": 0, \"subResPath\": \"\\/ch01\\/1\", \"subExternalHttpPort\": 80, \"subDDNSHttpPort\": 0 } }, ";
    EXPECT_EQ(r.body().substr(0, first.size()), first);
    EXPECT_EQ(emu().received(3503).size(), 1u);

    // Full-width fields are read to their end, never past it.
    ChannelAddress a = zeroed<ChannelAddress>();
    std::memset(a.main_res_path, 'm', sizeof a.main_res_path);
    std::memset(a.sub_res_path, 's', sizeof a.sub_res_path);
    a.sub_port = 7;
    emu().rule("3503 reply 8503 hex:" + to_hex(&a, sizeof a) + "00");
    r = post("/4018", "");
    EXPECT_NE(r.body().find("\"mainResPath\": \"" + std::string(132, 'm') + "\""), std::string::npos);
    EXPECT_NE(r.body().find("\"subPort\": 7, "), std::string::npos);
    EXPECT_NE(r.body().find("\"subResPath\": \"" + std::string(128, 's') + "\""), std::string::npos);

    EXPECT_EQ(post("/4021", "").body(), "{ \"upnp_extern_port\": 8080, \"ddns_extern_port\": 0 }");
    EXPECT_EQ(post("/3004", "").body(), "{ \"status\": \"OK\" }");
    emu().rule("4011 reply 9011 hex:02000000");
    EXPECT_EQ(post("/3004", "").body(), "{ \"status\": \"BUSY\" }");
}

TEST_F(DownloadTest, ShortOrMissingRepliesOfTheQueries)
{
    emu().rule("3503 reply 8503 zeros:1475");
    EXPECT_EQ(post("/4018", "").body(), "{ \"rtspaddr\": [ ] }");
    emu().rule("3506 reply 8506 hex:01000000");
    EXPECT_EQ(post("/4021", "").out, kJsonError);
    emu().rule("4011 close");
    EXPECT_EQ(post("/3004", "").out, kJsonError);
    emu().rule("3109 reply 8103 zeros:39");
    EXPECT_EQ(post("/4020", "{\"mask0\":1,\"mask1\":0,\"mask2\":0,\"mask3\":0,\"mask4\":0,\"mask5\":0,"
                            "\"mask6\":0,\"mask7\":0,\"playTime\":\"2023-05-01 10:00:00\"}").out,
              kJsonError);
    EXPECT_TRUE(emu().received(3502).empty());
}

TEST_F(DownloadTest, ChannelRequestsLogOrAnswerOk)
{
    EXPECT_EQ(post("/4014", "3").out, kOk);
    EXPECT_EQ(post("/4017", " 15\n").out, kOk);
    EXPECT_EQ(post("/4015", "0").out, kOk);
    EXPECT_EQ(post("/4016", "15").out, kOk);
    for (const char* code : {"/4014", "/4015", "/4016", "/4017"})
        for (const char* bad : {"16", "-1", "3x", ""}) EXPECT_EQ(post(code, bad).out, "") << code << " " << bad;
    EXPECT_EQ(post("/4012", "").out, kOk);

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].code, 3485u);
    EXPECT_EQ(frames[0].u32_at(0), 4u);
    EXPECT_EQ(frames[0].i64_at(8), 205);
    EXPECT_EQ(frames[0].u32_at(32), 4u);
    EXPECT_EQ(frames[1].i64_at(8), 218);
    EXPECT_EQ(frames[1].u32_at(32), 16u);
    EXPECT_EQ(frames[2].code, 1902u);
    EXPECT_EQ(frames[2].flags & 1, 0u);
    EXPECT_TRUE(frames[2].payload.empty());
}

TEST_F(DownloadTest, EmptyBodies)
{
    expect_empty_bodies_handled({"/4013", "/4019", "/4027", "/4012", "/4020", "/4018", "/4021", "/3004", "/4014",
                                 "/4015", "/4016", "/4017"});
}

}  // namespace
