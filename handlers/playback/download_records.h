// Playback download, synchronous playback and stream addresses: the records
// exchanged with the core daemon, shared by the handlers, the emulator and
// the tests.
#pragma once

#include "platform/record.h"
#include "platform/kxavi.h"

// Download of a stretch of one channel's recording (1173).
struct DownloadRequest {
    i32 channel;          //  0
    i32 stream_type;      //  4
    char start_time[32];  //  8  "%d-%d-%d %d:%d:%d", local time, no leading zeros
    char end_time[32];    // 40
};
NVR_RECORD_SIZE(DownloadRequest, 72);

constexpr i32 kChunkEnd = -1;     // chunk length of the last reply of a stream
constexpr i32 kChunkAbort = -2;   // chunk length of a stream the daemon gave up
constexpr int kChunkDataMax = 614400;

// One reply of a download stream (6173): a chunk of a frame. Only the
// fields up to the chunk's data need to arrive; the data is chunk_length
// bytes (at most kChunkDataMax).
struct FrameChunk {
    MediaFrameHeader header;  //  0  the frame's header; size at 40 is the whole frame's
    i32 chunk_offset;         // 88  0 starts a new frame
    i32 chunk_length;         // 92  kChunkEnd, kChunkAbort, or data bytes
    u8 data[kChunkDataMax];   // 96
};
NVR_RECORD_SIZE(FrameChunk, 614496);
constexpr size_t kFrameChunkHead = offsetof(FrameChunk, data);

// Synchronous playback of several channels from one time (3109).
struct SyncPlayRequest {
    i32 play_seconds;    //  0  seconds since the epoch
    char play_time[32];  //  4  "%Y-%m-%d %H:%M:%S" as the client sent it
    i32 masks[8];        // 36  "mask0" .. "mask7"
};
NVR_RECORD_SIZE(SyncPlayRequest, 68);

// The session the daemon opened for it (answered under 8103).
struct SyncSession {
    i32 sid;             //  0
    char play_time[32];  //  4
    i32 result;          // 36  0 = success
};
NVR_RECORD_SIZE(SyncSession, 40);

// RTSP addresses, ports and credentials of one channel (8503, one per channel).
struct ChannelAddress {
    i32 channel;                  //    0
    char main_rtsp[256];          //    4
    char sub_rtsp[256];           //  260
    i32 main_port;                //  516
    i32 main_external_port;       //  520
    i32 main_ddns_port;           //  524
    i32 main_external_http_port;  //  528
    i32 main_ddns_http_port;      //  532
    u8 unused0[8];                //  536
    char main_user[32];           //  544
    char main_password[32];       //  576
    u8 unused1[260];              //  608
    char main_res_path[132];      //  868
    i32 sub_port;                 // 1000
    i32 sub_external_port;        // 1004
    i32 sub_ddns_port;            // 1008
    i32 sub_external_http_port;   // 1012
    i32 sub_ddns_http_port;       // 1016
    u8 unused2[8];                // 1020
    char sub_user[32];            // 1028
    char sub_password[32];        // 1060
    u8 unused3[256];              // 1092
    char sub_res_path[128];       // 1348
};
NVR_RECORD_SIZE(ChannelAddress, 1476);

// External ports (8506).
struct ExternalPorts {
    i32 upnp_port;  // 0
    i32 ddns_port;  // 4
};
NVR_RECORD_SIZE(ExternalPorts, 8);
