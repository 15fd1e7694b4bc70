// The AVI library: turns the core daemon's recorded frames into a RIFF AVI
// stream written in order to an output (a pipe or a file).
//
// Layout: RIFF 'AVI ' { LIST 'hdrl' { avih, LIST 'strl' (video), LIST 'strl'
// (audio, when the recording has it) }, LIST 'movi' { '00dc' video chunks,
// '01wb' audio chunks }, idx1 }. The header is written when the first frame
// arrives (its frame header describes the recording), the index at close.
// On an output that cannot seek (the HTTP reply) the sizes and frame counts
// of the header cannot be known in advance: the RIFF and 'movi' sizes are
// then written as 0xFFFFFFFF ("to the end of the stream") and the counts as
// 0, as streaming AVI writers do; on a regular file they are patched at close
// so that players find the index. The whole file stays under 4 GiB (the
// format's 32-bit sizes): a frame that would pass that is refused, and so is
// every later one, while close still writes the index of what went in.
#pragma once

#include <cstdio>

#include "platform/record.h"

// The 88-byte header the core daemon puts before every recorded frame. Every
// frame carries the description of its recording, so the stream can be
// described from whichever frame comes first.
struct MediaFrameHeader {
    u32 type;            //  0  1 video key frame, 2 other video frame, 3 audio
    u32 video_codec;     //  4  0 H.264, 1 H.265
    u32 width;           //  8
    u32 height;          // 12
    u32 frame_rate;      // 16  video frames per second
    u32 audio_codec;     // 20  0 none, 1 G.711 A-law, 2 G.711 mu-law
    u32 sample_rate;     // 24  audio samples per second
    u32 audio_channels;  // 28
    u32 channel;         // 32  camera channel
    u32 seq;             // 36  frame number in the recording
    u32 size;            // 40  data bytes of the whole frame
    u32 reserved0;       // 44
    u64 pts_us;          // 48  presentation time in microseconds
    u64 time;            // 56  recording time, seconds since the epoch
    u8 reserved1[24];    // 64
};
NVR_RECORD_SIZE(MediaFrameHeader, 88);

constexpr u32 kFrameVideoKey = 1;
constexpr u32 kFrameVideo = 2;
constexpr u32 kFrameAudio = 3;
constexpr u32 kVideoH264 = 0;
constexpr u32 kVideoH265 = 1;
constexpr u32 kAudioNone = 0;
constexpr u32 kAudioAlaw = 1;
constexpr u32 kAudioUlaw = 2;

namespace kxavi {
// One entry of the idx1 index at the end of the file, as written.
struct IndexEntry {
    u8 id[4];     //  0  chunk id ("00dc", "01wb")
    u32 flags;    //  4  AVIIF_KEYFRAME for key frames and audio
    u32 offset;   //  8  from the 'movi' fourcc to the chunk
    u32 length;   // 12  chunk data bytes
};
NVR_RECORD_SIZE(IndexEntry, 16);
}  // namespace kxavi

struct KxAvi;

// Starts an AVI stream on `fp` (flushed first; later writes go to its
// descriptor). Null for a null stream or when out of memory.
KxAvi* kx_avi_open_fp(FILE* fp);
// Appends one frame: `buffer` holds its 88-byte MediaFrameHeader followed by
// the frame's data (`length` - 88 bytes). 0 when written or skipped (an
// audio frame of a recording described without audio, an empty frame), -1
// on a write error (the reader has gone: the stream has failed), a frame
// that would take the file past 4 GiB, a buffer shorter than the header, or
// a stream that has failed.
int kx_avi_write_fp_ex(KxAvi* avi, const void* buffer, size_t length);
// Small chunks are gathered and written together (large ones go out at
// once, with what was gathered before them); this writes what is gathered.
// 0, or -1 on a write error (the stream has failed) or a stream that had
// failed. The writer calls it whenever it runs out of frames, so that the
// reader is never kept waiting for bytes that have arrived.
int kx_avi_flush(KxAvi* avi);
// Writes what is gathered and the index (when the stream is sound and
// anything was written), patches the header on a seekable output, and frees
// the handle. 0, or -1 when the stream had failed or the index could not be
// written.
int kx_avi_close_fp(KxAvi* avi);

// Test hook: the largest AVI the library writes (0 restores the format's
// 4 GiB), so that tests reach the limit without writing gigabytes.
void kx_avi_set_size_limit(u64 bytes);
