// The AVI library (see kxavi.h for the layout).
//
// Memory stays flat whatever the length of the recording: frames go to the
// output as they come, and the index (16 bytes per chunk) is kept in a small
// buffer that spills to a temporary file which is unlinked as soon as it is
// made, so nothing is left behind however the run ends.
#include "platform/kxavi.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

#include "platform/iov_advance.h"
#include "platform/paths.h"

namespace {

constexpr u32 kAvifHasIndex = 0x10;
constexpr u32 kAvifIsInterleaved = 0x100;
constexpr u32 kAvifTrustCkType = 0x800;
constexpr u32 kAviifKeyframe = 0x10;
constexpr u32 kUnknownSize = 0xFFFFFFFFu;
constexpr size_t kIndexBufferEntries = 4096;  // 64 KiB before the index spills
constexpr u32 kDefaultFrameRate = 25;
constexpr u32 kDefaultSampleRate = 8000;
constexpr u32 kDefaultBufferSize = 1u << 20;

u64 g_size_limit = 0xFFFFFFFFull;  // the largest file the 32-bit RIFF sizes describe

using kxavi::IndexEntry;

void put16(std::vector<u8>& b, u32 v)
{
    b.push_back(u8(v));
    b.push_back(u8(v >> 8));
}
void put32(std::vector<u8>& b, u32 v)
{
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}
void put_tag(std::vector<u8>& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }
void set32(std::vector<u8>& b, size_t at, u32 v)
{
    for (int i = 0; i < 4; i++) b[at + size_t(i)] = u8(v >> (8 * i));
}
void le32(u8* out, u32 v)
{
    for (int i = 0; i < 4; i++) out[i] = u8(v >> (8 * i));
}

// Writes every byte of the vectors; false on an error (EPIPE when the reader
// has gone: the caller ignores SIGPIPE).
bool write_all(int fd, struct iovec* v, int count)
{
    while (count > 0) {
        ssize_t n = writev(fd, v, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        iov_advance(&v, &count, size_t(n));
    }
    return true;
}

bool write_bytes(int fd, const void* p, size_t n)
{
    struct iovec v{const_cast<void*>(p), n};
    return write_all(fd, &v, 1);
}

}  // namespace

struct KxAvi {
    int fd = -1;
    // Small chunks (the still pictures and the audio of a recording, a few
    // hundred bytes each) gather here and go out together; a chunk that
    // does not fit goes out with them in one writev, from where it lies.
    std::vector<u8> out;
    bool seekable = false;
    off_t base = 0;           // where the AVI starts on a seekable output
    bool failed = false;
    bool full = false;        // a frame would have passed the size limit: no more are taken
    bool started = false;     // the header has been written
    bool audio = false;       // the header describes an audio stream
    MediaFrameHeader desc{};  // the recording, from the first frame
    u64 written = 0;          // bytes of the AVI so far
    u64 movi_at = 0;          // offset of the 'movi' fourcc
    // Header fields patched at close on a seekable output.
    size_t avih_frames_at = 0, avih_buffer_at = 0, video_length_at = 0, video_buffer_at = 0;
    size_t audio_length_at = 0, audio_buffer_at = 0;
    u32 video_frames = 0;
    u64 audio_bytes = 0;
    u32 max_video_chunk = 0, max_audio_chunk = 0;
    // The index: a buffer, spilled to an unlinked temporary file when full.
    std::vector<IndexEntry> index;
    int spill_fd = -1;
    u64 index_count = 0;

    ~KxAvi()
    {
        if (spill_fd >= 0) close(spill_fd);
    }
};

namespace {

constexpr size_t kOutBuffer = 256u << 10;
constexpr size_t kPipeBuffer = 1u << 20;

// Writes the gathered bytes and then the vectors, in one writev where they
// fit; false on a write error.
bool emit(KxAvi* a, struct iovec* v, int count)
{
    struct iovec all[4];
    int n = 0;
    if (!a->out.empty()) all[n++] = {a->out.data(), a->out.size()};
    for (int i = 0; i < count; i++)
        if (v[i].iov_len) all[n++] = v[i];
    if (n == 0) return true;
    const bool ok = write_all(a->fd, all, n);
    a->out.clear();
    return ok;
}

bool flush_out(KxAvi* a)
{
    return emit(a, nullptr, 0);
}

void build_header(KxAvi* a, std::vector<u8>& h)
{
    const MediaFrameHeader& d = a->desc;
    const u32 fps = d.frame_rate ? d.frame_rate : kDefaultFrameRate;
    const u32 rate = d.sample_rate ? d.sample_rate : kDefaultSampleRate;
    const u32 chans = d.audio_channels ? d.audio_channels : 1;
    const u32 streams = a->audio ? 2 : 1;
    const u32 size_field = a->seekable ? 0 : kUnknownSize;

    put_tag(h, "RIFF");
    put32(h, size_field);
    put_tag(h, "AVI ");
    put_tag(h, "LIST");
    const size_t hdrl_size_at = h.size();
    put32(h, 0);
    put_tag(h, "hdrl");

    put_tag(h, "avih");
    put32(h, 56);
    put32(h, 1000000 / fps);        // microseconds per frame
    put32(h, 0);                    // max bytes per second
    put32(h, 0);                    // padding granularity
    put32(h, kAvifHasIndex | kAvifIsInterleaved | kAvifTrustCkType);
    a->avih_frames_at = h.size();
    put32(h, 0);                    // total frames
    put32(h, 0);                    // initial frames
    put32(h, streams);
    a->avih_buffer_at = h.size();
    put32(h, kDefaultBufferSize);
    put32(h, d.width);
    put32(h, d.height);
    for (int i = 0; i < 4; i++) put32(h, 0);

    // Video stream.
    const char* fourcc = d.video_codec == kVideoH265 ? "HEVC" : "H264";
    put_tag(h, "LIST");
    put32(h, 4 + 8 + 56 + 8 + 40);
    put_tag(h, "strl");
    put_tag(h, "strh");
    put32(h, 56);
    put_tag(h, "vids");
    put_tag(h, fourcc);
    put32(h, 0);                    // flags
    put32(h, 0);                    // priority, language
    put32(h, 0);                    // initial frames
    put32(h, 1);                    // scale
    put32(h, fps);                  // rate: frames per second
    put32(h, 0);                    // start
    a->video_length_at = h.size();
    put32(h, 0);                    // length in frames
    a->video_buffer_at = h.size();
    put32(h, kDefaultBufferSize);
    put32(h, 0xFFFFFFFFu);          // quality: default
    put32(h, 0);                    // sample size: varies
    put16(h, 0);
    put16(h, 0);
    put16(h, d.width);
    put16(h, d.height);
    put_tag(h, "strf");
    put32(h, 40);                   // BITMAPINFOHEADER
    put32(h, 40);
    put32(h, d.width);
    put32(h, d.height);
    put16(h, 1);                    // planes
    put16(h, 24);                   // bits per pixel
    put_tag(h, fourcc);
    put32(h, d.width * d.height * 3);
    for (int i = 0; i < 4; i++) put32(h, 0);

    if (a->audio) {
        // G.711: one byte per sample and channel.
        put_tag(h, "LIST");
        put32(h, 4 + 8 + 56 + 8 + 18);
        put_tag(h, "strl");
        put_tag(h, "strh");
        put32(h, 56);
        put_tag(h, "auds");
        put32(h, 0);
        put32(h, 0);
        put32(h, 0);
        put32(h, 0);
        put32(h, chans);            // scale: block align
        put32(h, rate * chans);     // rate: bytes per second
        put32(h, 0);
        a->audio_length_at = h.size();
        put32(h, 0);                // length in blocks
        a->audio_buffer_at = h.size();
        put32(h, 0);
        put32(h, 0xFFFFFFFFu);
        put32(h, chans);            // sample size
        for (int i = 0; i < 4; i++) put16(h, 0);
        put_tag(h, "strf");
        put32(h, 18);               // WAVEFORMATEX
        put16(h, d.audio_codec == kAudioUlaw ? 7 : 6);
        put16(h, chans);
        put32(h, rate);
        put32(h, rate * chans);
        put16(h, chans);
        put16(h, 8);
        put16(h, 0);
    }
    set32(h, hdrl_size_at, u32(h.size() - hdrl_size_at - 4));

    put_tag(h, "LIST");
    put32(h, size_field);
    a->movi_at = h.size();
    put_tag(h, "movi");
}

bool add_index(KxAvi* a, const IndexEntry& e)
{
    a->index.push_back(e);
    a->index_count++;
    if (a->index.size() < kIndexBufferEntries) return true;
    if (a->spill_fd < 0) {
        std::string path = nvr_path("/tmp/.avi-index-XXXXXX");
        std::vector<char> name(path.begin(), path.end());
        name.push_back(0);
        a->spill_fd = mkstemp(name.data());
        if (a->spill_fd < 0) return true;  // no room for a file: the index stays in memory
        unlink(name.data());
    }
    if (!write_bytes(a->spill_fd, a->index.data(), a->index.size() * sizeof(IndexEntry))) return false;
    a->index.clear();
    return true;
}

bool write_index(KxAvi* a)
{
    u8 head[8];
    std::memcpy(head, "idx1", 4);
    le32(head + 4, u32(a->index_count * sizeof(IndexEntry)));
    struct iovec v{head, sizeof head};
    if (!emit(a, &v, 1)) return false;
    if (a->spill_fd >= 0) {
        if (lseek(a->spill_fd, 0, SEEK_SET) != 0) return false;
        std::vector<u8> buf(1 << 16);
        for (;;) {
            ssize_t n = read(a->spill_fd, buf.data(), buf.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) break;
            if (!write_bytes(a->fd, buf.data(), size_t(n))) return false;
        }
    }
    if (!a->index.empty() && !write_bytes(a->fd, a->index.data(), a->index.size() * sizeof(IndexEntry)))
        return false;
    a->written += 8 + a->index_count * sizeof(IndexEntry);
    return true;
}

bool patch(KxAvi* a, u64 at, u32 value)
{
    u8 b[4];
    le32(b, value);
    return pwrite(a->fd, b, 4, a->base + off_t(at)) == 4;
}

}  // namespace

KxAvi* kx_avi_open_fp(FILE* fp)
{
    if (!fp) return nullptr;
    std::fflush(fp);
    auto* a = new (std::nothrow) KxAvi;
    if (!a) return nullptr;
    a->fd = fileno(fp);
    struct stat st;
    if (a->fd >= 0 && fstat(a->fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const off_t at = lseek(a->fd, 0, SEEK_CUR);
        if (at >= 0) {
            a->seekable = true;
            a->base = at;
        }
    }
    a->index.reserve(kIndexBufferEntries);
    a->out.reserve(kOutBuffer);
#ifdef F_SETPIPE_SZ
    // On a pipe (the web server's), a larger pipe buffer lets the stream go
    // out in fewer, larger writes. Best effort: the system may refuse.
    if (!a->seekable && a->fd >= 0 && fstat(a->fd, &st) == 0 && S_ISFIFO(st.st_mode))
        fcntl(a->fd, F_SETPIPE_SZ, int(kPipeBuffer));
#endif
    return a;
}

int kx_avi_write_fp_ex(KxAvi* a, const void* buffer, size_t length)
{
    if (!a || a->failed) return -1;
    if (!buffer || length < sizeof(MediaFrameHeader)) return -1;
    MediaFrameHeader h;
    std::memcpy(&h, buffer, sizeof h);
    const u8* data = static_cast<const u8*>(buffer) + sizeof h;
    const size_t size = length - sizeof h;
    const bool is_audio = h.type == kFrameAudio;

    if (!a->started) {
        a->desc = h;
        a->audio = h.audio_codec == kAudioAlaw || h.audio_codec == kAudioUlaw;
        std::vector<u8> head;
        build_header(a, head);
        a->out.insert(a->out.end(), head.begin(), head.end());
        a->written = head.size();
        a->started = true;
    }
    if ((is_audio && !a->audio) || size == 0) return 0;

    const u64 padded = size + (size & 1);
    const u64 index_after = (a->index_count + 1) * sizeof(IndexEntry) + 8;
    if (a->full || padded > 0xFFFFFFFFull || a->written + 8 + padded + index_after > g_size_limit) {
        a->full = true;  // the file would pass what its 32-bit sizes describe: it ends here, indexed
        return -1;
    }
    u8 chunk[8];
    std::memcpy(chunk, is_audio ? "01wb" : "00dc", 4);
    le32(chunk + 4, u32(size));
    static const u8 kPad = 0;
    if (a->out.size() + 8 + padded <= kOutBuffer) {
        a->out.insert(a->out.end(), chunk, chunk + 8);
        a->out.insert(a->out.end(), data, data + size);
        if (size & 1) a->out.push_back(0);
    } else {
        struct iovec v[3] = {{chunk, 8}, {const_cast<u8*>(data), size}, {const_cast<u8*>(&kPad), size_t(size & 1)}};
        if (!emit(a, v, 3)) {
            a->failed = true;
            return -1;
        }
    }
    IndexEntry e;
    std::memcpy(e.id, chunk, 4);
    e.flags = (is_audio || h.type == kFrameVideoKey) ? kAviifKeyframe : 0;
    e.offset = u32(a->written - a->movi_at);
    e.length = u32(size);
    a->written += 8 + padded;
    if (is_audio) {
        a->audio_bytes += size;
        if (size > a->max_audio_chunk) a->max_audio_chunk = u32(size);
    } else {
        a->video_frames++;
        if (size > a->max_video_chunk) a->max_video_chunk = u32(size);
    }
    if (!add_index(a, e)) {
        a->failed = true;
        return -1;
    }
    return 0;
}

int kx_avi_flush(KxAvi* a)
{
    if (!a || a->failed) return -1;
    if (!flush_out(a)) {
        a->failed = true;
        return -1;
    }
    return 0;
}

int kx_avi_close_fp(KxAvi* a)
{
    if (!a) return -1;
    int rc = a->failed ? -1 : 0;
    if (!a->failed && a->started) {
        if (!write_index(a)) {
            rc = -1;
        } else if (a->seekable) {
            const u32 chans = a->desc.audio_channels ? a->desc.audio_channels : 1;
            bool ok = patch(a, 4, u32(a->written - 8)) &&
                      patch(a, a->movi_at - 4, u32(a->written - 8 - a->index_count * 16 - a->movi_at)) &&
                      patch(a, a->avih_frames_at, a->video_frames) &&
                      patch(a, a->avih_buffer_at, a->max_video_chunk) &&
                      patch(a, a->video_length_at, a->video_frames) &&
                      patch(a, a->video_buffer_at, a->max_video_chunk);
            if (ok && a->audio)
                ok = patch(a, a->audio_length_at, u32(a->audio_bytes / chans)) &&
                     patch(a, a->audio_buffer_at, a->max_audio_chunk);
            if (!ok) rc = -1;
        }
    }
    delete a;
    return rc;
}

void kx_avi_set_size_limit(u64 bytes)
{
    g_size_limit = bytes ? bytes : 0xFFFFFFFFull;
}
