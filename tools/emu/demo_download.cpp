// Demo answers of the playback download area: a recording download streamed
// as H.264 video with G.711 A-law audio, synchronous playback, the channels'
// stream addresses, the external ports and the playback busy state.
//
// The video is made here, small and valid: a key frame once a second (SPS,
// PPS and an IDR picture of uncompressed I_PCM macroblocks showing a bar that
// moves every second on a background of the channel's colour) and 24 frames
// in which every macroblock is skipped (the picture holds still), 25 frames a
// second. The main stream is 640x480, the sub stream 320x240. Frames go out
// in chunks of at most 64 KiB, so a key frame arrives in several replies.
// Every frame is made once and kept, so that a long download costs the
// emulator little more than the copy into its output.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>

#include "handlers/playback/download_records.h"
#include "handlers/playback/playback_records.h"
#include "platform/kxsocket.h"
#include "tools/emu/emu.h"

namespace {

constexpr int kDemoCameras = 8;
constexpr u32 kFps = 25;
constexpr u32 kSampleRate = 8000;
constexpr u32 kAudioPerFrame = kSampleRate / kFps;  // 320 bytes, 40 ms
constexpr size_t kDemoChunk = 64 * 1024;
constexpr long kMaxSeconds = 4 * 3600;
constexpr int kKeyVariants = 8;                      // key pictures cycled through
constexpr int kLog2MaxFrameNum = 8;

// ---- H.264 bitstream ----

class Bits {
public:
    void bit(unsigned b)
    {
        cur_ = u8(cur_ << 1 | (b & 1));
        if (++n_ == 8) {
            out_.push_back(cur_);
            cur_ = 0;
            n_ = 0;
        }
    }
    void u(int bits, u32 v)
    {
        for (int i = bits - 1; i >= 0; i--) bit(v >> i);
    }
    void ue(u32 v)
    {
        const u32 x = v + 1;
        int len = 0;
        while ((x >> len) > 1) len++;
        u(len, 0);
        u(len + 1, x);
    }
    void se(int v) { ue(v > 0 ? u32(2 * v - 1) : u32(-2 * v)); }
    void align_zero()
    {
        while (n_) bit(0);
    }
    void trailing()
    {
        bit(1);
        align_zero();
    }
    void bytes(const u8* p, size_t n) { out_.insert(out_.end(), p, p + n); }  // when aligned
    const std::vector<u8>& rbsp() const { return out_; }

private:
    std::vector<u8> out_;
    u8 cur_ = 0;
    int n_ = 0;
};

// Appends a NAL unit with its start code, emulation prevention applied.
void put_nal(std::vector<u8>& out, u8 header, const std::vector<u8>& rbsp)
{
    static const u8 kStart[] = {0, 0, 0, 1};
    out.insert(out.end(), kStart, kStart + 4);
    out.push_back(header);
    int zeros = 0;
    for (u8 b : rbsp) {
        if (zeros >= 2 && b <= 3) {
            out.push_back(3);
            zeros = 0;
        }
        out.push_back(b);
        zeros = b == 0 ? zeros + 1 : 0;
    }
}

struct Picture {
    int mbs_w, mbs_h;
};

void put_sps(std::vector<u8>& out, const Picture& p)
{
    Bits b;
    b.u(8, 66);   // baseline profile
    b.u(8, 0xC0); // constraint sets 0 and 1
    b.u(8, 30);   // level 3.0
    b.ue(0);      // seq_parameter_set_id
    b.ue(kLog2MaxFrameNum - 4);
    b.ue(2);      // pic_order_cnt_type: from frame_num
    b.ue(1);      // max_num_ref_frames
    b.bit(0);     // gaps_in_frame_num_value_allowed_flag
    b.ue(u32(p.mbs_w - 1));
    b.ue(u32(p.mbs_h - 1));
    b.bit(1);     // frame_mbs_only_flag
    b.bit(1);     // direct_8x8_inference_flag
    b.bit(0);     // frame_cropping_flag
    b.bit(0);     // vui_parameters_present_flag
    b.trailing();
    put_nal(out, 0x67, b.rbsp());
}

void put_pps(std::vector<u8>& out)
{
    Bits b;
    b.ue(0);   // pic_parameter_set_id
    b.ue(0);   // seq_parameter_set_id
    b.bit(0);  // CAVLC
    b.bit(0);  // bottom_field_pic_order_in_frame_present_flag
    b.ue(0);   // num_slice_groups_minus1
    b.ue(0);   // num_ref_idx_l0_default_active_minus1
    b.ue(0);   // num_ref_idx_l1_default_active_minus1
    b.bit(0);  // weighted_pred_flag
    b.u(2, 0); // weighted_bipred_idc
    b.se(0);   // pic_init_qp_minus26
    b.se(0);   // pic_init_qs_minus26
    b.se(0);   // chroma_qp_index_offset
    b.bit(1);  // deblocking_filter_control_present_flag
    b.bit(0);  // constrained_intra_pred_flag
    b.bit(0);  // redundant_pic_cnt_present_flag
    b.trailing();
    put_nal(out, 0x68, b.rbsp());
}

// A key frame: SPS, PPS and an IDR picture of I_PCM macroblocks.
std::vector<u8> key_frame(const Picture& p, int channel, int variant)
{
    std::vector<u8> out;
    put_sps(out, p);
    put_pps(out);
    Bits b;
    b.ue(0);                          // first_mb_in_slice
    b.ue(7);                          // slice_type: I, every slice
    b.ue(0);                          // pic_parameter_set_id
    b.u(kLog2MaxFrameNum, 0);         // frame_num
    b.ue(u32(variant & 1));           // idr_pic_id: differs between neighbours
    b.bit(0);                         // no_output_of_prior_pics_flag
    b.bit(0);                         // long_term_reference_flag
    b.se(0);                          // slice_qp_delta
    b.ue(1);                          // deblocking off
    const int width = p.mbs_w * 16;
    const int bar_at = (variant * width / kKeyVariants) % width;
    const u8 back = u8(50 + 12 * (channel % kDemoCameras));
    const u8 cb = u8(100 + 9 * (channel % 5)), cr = u8(150 - 7 * (channel % 7));
    u8 mb[384];
    for (int y = 0; y < p.mbs_h; y++)
        for (int x = 0; x < p.mbs_w; x++) {
            b.ue(25);                 // mb_type I_PCM
            b.align_zero();
            for (int i = 0; i < 256; i++) {
                const int px = x * 16 + i % 16;
                mb[i] = px >= bar_at && px < bar_at + width / 10 ? 220 : u8(back + (y * 16 + i / 16) / 8);
            }
            std::memset(mb + 256, cb, 64);
            std::memset(mb + 320, cr, 64);
            b.bytes(mb, sizeof mb);
        }
    b.trailing();
    put_nal(out, 0x65, b.rbsp());
    return out;
}

// A frame whose macroblocks are all skipped: the picture holds still.
std::vector<u8> skip_frame(const Picture& p, u32 frame_num)
{
    Bits b;
    b.ue(0);                          // first_mb_in_slice
    b.ue(5);                          // slice_type: P, every slice
    b.ue(0);                          // pic_parameter_set_id
    b.u(kLog2MaxFrameNum, frame_num);
    b.bit(0);                         // num_ref_idx_active_override_flag
    b.bit(0);                         // ref_pic_list_modification_flag_l0
    b.bit(0);                         // adaptive_ref_pic_marking_mode_flag
    b.se(0);                          // slice_qp_delta
    b.ue(1);                          // deblocking off
    b.ue(u32(p.mbs_w * p.mbs_h));     // mb_skip_run: all of them
    b.trailing();
    std::vector<u8> out;
    put_nal(out, 0x41, b.rbsp());
    return out;
}

// G.711 A-law of a 16-bit sample.
u8 alaw(int sample)
{
    int sign = sample >= 0 ? 0x80 : 0;
    int mag = sample >= 0 ? sample : -sample - 1;
    if (mag > 32635) mag = 32635;
    int exponent = 7;
    for (int mask = 0x4000; !(mag & mask) && exponent > 0; mask >>= 1) exponent--;
    const int mantissa = (mag >> (exponent == 0 ? 4 : exponent + 3)) & 0x0f;
    return u8((sign | (exponent << 4) | mantissa) ^ 0x55);
}

// ---- the download stream ----

// The frames of a picture size and channel, made once and kept for every
// later download: the key pictures, the 24 still pictures that follow one
// (frame numbers 1..24) and the audio. The tone repeats every 200 samples
// (440 Hz at 8,000 samples a second: 11 periods), so five audio frames of
// 320 samples are all there are.
constexpr int kAudioVariants = 5;
struct DemoFrames {
    std::vector<u8> keys[kKeyVariants];
    std::vector<u8> stills[kFps];
    std::vector<u8> audio[kAudioVariants];
};

const DemoFrames& demo_frames(const Picture& pic, int channel)
{
    static std::map<std::pair<int, int>, std::unique_ptr<DemoFrames>> cache;
    std::unique_ptr<DemoFrames>& slot = cache[{pic.mbs_w, channel}];
    if (!slot) {
        slot = std::make_unique<DemoFrames>();
        for (u32 n = 1; n < kFps; n++) slot->stills[n] = skip_frame(pic, n);
        for (int a = 0; a < kAudioVariants; a++) {
            slot->audio[a].resize(kAudioPerFrame);
            for (u32 i = 0; i < kAudioPerFrame; i++) {
                const u32 sample = (u32(a) * kAudioPerFrame + i) % 200;
                slot->audio[a][i] = alaw(int(3000 * std::sin(2 * M_PI * 440.0 * double(sample) / kSampleRate)));
            }
        }
    }
    return *slot;
}

// Key pictures are made when first sent (each is about 460 KiB).
const std::vector<u8>& demo_key(const Picture& pic, int channel, int variant)
{
    auto& frames = const_cast<DemoFrames&>(demo_frames(pic, channel));
    if (frames.keys[variant].empty()) frames.keys[variant] = key_frame(pic, channel, variant);
    return frames.keys[variant];
}

class RecordingStream : public EmuStream {
public:
    RecordingStream(int channel, int stream_type, time_t start, long seconds)
        : channel_(channel), start_(start), frames_(u64(seconds) * kFps)
    {
        pic_ = stream_type == 1 ? Picture{20, 15} : Picture{40, 30};
    }

    bool next(u32* code, std::vector<u8>* payload) override
    {
        *code = 6173;
        FrameChunk head;
        const u8* data = nullptr;
        size_t n = 0;
        if (!chunk(&head, &data, &n)) return false;
        payload->assign(reinterpret_cast<u8*>(&head), reinterpret_cast<u8*>(&head) + kFrameChunkHead);
        payload->insert(payload->end(), data, data + n);
        return true;
    }

    // The chunks go straight from the prebuilt frames into the output.
    bool fill(std::vector<u8>* out, u32 seq, size_t want) override
    {
        while (out->size() < want) {
            FrameChunk head;
            const u8* data = nullptr;
            size_t n = 0;
            if (!chunk(&head, &data, &n)) return false;
            const KxFrameHeader h{kKxMagic, kKxVersion, seq, 6173, 0, u32(kFrameChunkHead + n)};
            u8 raw[kKxHeaderSize];
            kx_encode_header(&h, raw);
            out->insert(out->end(), raw, raw + sizeof raw);
            const u8* hp = reinterpret_cast<const u8*>(&head);
            out->insert(out->end(), hp, hp + kFrameChunkHead);
            out->insert(out->end(), data, data + n);
        }
        return true;
    }

private:
    // The fields of the next reply and its data (at most 64 KiB of a frame);
    // after the last frame the end marker; false after that.
    bool chunk(FrameChunk* head, const u8** data, size_t* n)
    {
        std::memset(head, 0, kFrameChunkHead);
        if ((!frame_ || chunk_at_ >= frame_->size()) && !next_frame()) {
            if (ended_) return false;
            ended_ = true;
            head->chunk_length = kChunkEnd;
            *data = nullptr;
            *n = 0;
            return true;
        }
        *n = std::min(kDemoChunk, frame_->size() - chunk_at_);
        *data = frame_->data() + chunk_at_;
        head->header = header_;
        head->chunk_offset = i32(chunk_at_);
        head->chunk_length = i32(*n);
        chunk_at_ += *n;
        return true;
    }

    // Takes the next frame: each video frame is followed by its 40 ms of audio.
    bool next_frame()
    {
        if (!audio_due_ && video_at_ >= frames_) return false;
        const DemoFrames& frames = demo_frames(pic_, channel_);
        if (audio_due_) {
            audio_due_ = false;
            frame_ = &frames.audio[(video_at_ - 1) % kAudioVariants];
            describe(kFrameAudio, video_at_ - 1);
            return true;
        }
        const u64 f = video_at_++;
        if (f % kFps == 0) {
            frame_ = &demo_key(pic_, channel_, int((f / kFps) % kKeyVariants));
            describe(kFrameVideoKey, f);
        } else {
            frame_ = &frames.stills[f % kFps];
            describe(kFrameVideo, f);
        }
        audio_due_ = true;
        return true;
    }

    void describe(u32 type, u64 frame)
    {
        header_ = zeroed<MediaFrameHeader>();
        header_.type = type;
        header_.video_codec = kVideoH264;
        header_.width = u32(pic_.mbs_w * 16);
        header_.height = u32(pic_.mbs_h * 16);
        header_.frame_rate = kFps;
        header_.audio_codec = kAudioAlaw;
        header_.sample_rate = kSampleRate;
        header_.audio_channels = 1;
        header_.channel = u32(channel_);
        header_.seq = u32(frame);
        header_.size = u32(frame_->size());
        header_.pts_us = frame * (1000000 / kFps);
        header_.time = u64(start_) + frame / kFps;
        chunk_at_ = 0;
    }

    int channel_;
    time_t start_;
    u64 frames_;
    Picture pic_{};
    u64 video_at_ = 0;
    bool audio_due_ = false;
    bool ended_ = false;
    const std::vector<u8>* frame_ = nullptr;  // in the cache of prebuilt frames
    size_t chunk_at_ = 0;
    MediaFrameHeader header_{};
};

// The requested stretch of a channel with a camera, at most four hours;
// other channels and empty stretches end at once.
void demo_download(const EmuRequest& req, EmuAnswer& answer)
{
    DownloadRequest d = zeroed<DownloadRequest>();
    time_t start = 0, end = 0;
    long seconds = 0;
    if (request_record(req, &d) && d.channel >= 0 && d.channel < kDemoCameras &&
        demo_parse_time(text_of(d.start_time).s, &start) && demo_parse_time(text_of(d.end_time).s, &end) && end > start)
        seconds = std::min(long(end - start), kMaxSeconds);
    answer.stream(std::make_shared<RecordingStream>(d.channel, d.stream_type, start, seconds));
}

// Synchronous playback opens session 300 when any channel is masked.
void demo_sync_play(const EmuRequest& req, EmuAnswer& answer)
{
    SyncPlayRequest s = zeroed<SyncPlayRequest>();
    request_record(req, &s);
    bool any = false;
    for (i32 m : s.masks) any = any || m != 0;
    SyncSession r = zeroed<SyncSession>();
    r.sid = any ? 300 : -1;
    set_text(r.play_time, text_of(s.play_time).s);
    r.result = any ? 0 : -1;
    answer.reply_record(8103, r);
}

// Addresses of the 16 channels of the demo recorder.
void demo_addresses(const EmuRequest&, EmuAnswer& answer)
{
    std::vector<ChannelAddress> list;
    for (int ch = 0; ch < 16; ch++) {
        ChannelAddress a = zeroed<ChannelAddress>();
        a.channel = ch;
        std::snprintf(a.main_rtsp, sizeof a.main_rtsp, "rtsp://192.168.1.%d:554/stream0", 101 + ch);
        std::snprintf(a.sub_rtsp, sizeof a.sub_rtsp, "rtsp://192.168.1.%d:554/stream1", 101 + ch);
        a.main_port = a.sub_port = 554;
        a.main_external_port = a.sub_external_port = 554;
        a.main_external_http_port = a.sub_external_http_port = 80;
        set_text(a.main_user, "admin");
        set_text(a.sub_user, "admin");
        std::snprintf(a.main_res_path, sizeof a.main_res_path, "/ch%02d/0", ch + 1);
        std::snprintf(a.sub_res_path, sizeof a.sub_res_path, "/ch%02d/1", ch + 1);
        list.push_back(a);
    }
    answer.reply_records(8503, list);
}

void demo_ports(const EmuRequest&, EmuAnswer& answer)
{
    answer.reply_record(8506, ExternalPorts{8080, 0});
}

// Playback is never busy in the demo.
void demo_busy(const EmuRequest&, EmuAnswer& answer)
{
    answer.reply_record(9011, PlaybackValue{0});
}

const EmuDemoEntry kDownloadDemo[] = {
    {1173, demo_download}, {3109, demo_sync_play}, {3503, demo_addresses}, {3506, demo_ports}, {4011, demo_busy},
};

}  // namespace

EMU_DEMO_AREA(download, kDownloadDemo);
