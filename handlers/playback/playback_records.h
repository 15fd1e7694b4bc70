// Playback sessions and control: the records exchanged with the core daemon
// and the device row the search reads, shared by the handlers, the emulator
// and the tests.
#pragma once

#include "platform/record.h"
#include "platform/kxdb.h"

constexpr int kMaxSessions = 64;
constexpr int kMaskChannels = 64;
constexpr int kTimeTextMax = 31;      // times in requests are cut to this
constexpr int kJumpTimeTextMax = 63;

// The leading fields of the device row; the search needs the channel count.
struct DeviceRow {
    i32 id;        // 0
    i32 channels;  // 4  number of camera channels of the device
};
NVR_RECORD_SIZE(DeviceRow, 8);
NVR_STORE_KIND(kDeviceKind, "device", 1, DeviceRow);

// Session list (1160, 1164, 1165, 1170, 1112, 1113).
struct SessionList {
    i32 sids[kMaxSessions];    //   0
    i32 reserved;              // 256  always 0
    i32 speeds[kMaxSessions];  // 260  1112 only
    i32 unused[kMaxSessions];  // 516
    i32 count;                 // 772  entries used
};
NVR_RECORD_SIZE(SessionList, 776);

// Recording search (1159).
struct SearchRequest {
    char mask[kMaskChannels];  //   0  '1' at the channel searched, '0' at the device's other channels
    u8 zero0[4];               //  64
    i32 one;                   //  68  always 1
    i32 stream_type;           //  72  1 = sub stream, else 0
    i32 minus_one[2];          //  76  always -1
    char start_time[32];       //  84
    char end_time[32];         // 116
};
NVR_RECORD_SIZE(SearchRequest, 148);

// Next page of a search (1161).
struct PageRequest {
    i32 sid;   // 0
    i32 page;  // 4
};
NVR_RECORD_SIZE(PageRequest, 8);

// One recording of a search reply (6159, 6161).
struct RecordSection {
    i32 channel;          //   0
    i32 sid;              //   4
    u8 unused0[4];        //   8
    i32 lock;             //  12
    u8 unused1[4];        //  16
    i32 record_type;      //  20
    char start_time[32];  //  24
    char end_time[32];    //  56
    u8 unused2[16];       //  88
};
NVR_RECORD_SIZE(RecordSection, 104);

// Opening a session (1162); answered by a result (6162), negative = failure.
struct OpenRequest {
    i32 channel;          //   0
    i32 sid;              //   4
    u8 zero[8];           //   8
    char start_time[32];  //  16
    char end_time[32];    //  48
    char play_time[32];   //  80
};
NVR_RECORD_SIZE(OpenRequest, 112);

// 4-byte result or value replies (6162 open, 6153 play time in seconds,
// 6171 jump).
struct PlaybackValue {
    i32 value;  // 0
};
NVR_RECORD_SIZE(PlaybackValue, 4);

// Where to fetch a session's stream (reply 8502 to 3502).
struct SessionStream {
    i32 sid;                 //   0
    i32 port;                //   4
    i32 external_port;       //   8
    i32 external_http_port;  //  12
    i32 ddns_port;           //  16
    i32 ddns_http_port;      //  20
    char source_path[128];   //  24
};
NVR_RECORD_SIZE(SessionStream, 152);

// Speed by channel mask (1149, 1167).
struct SpeedByChannel {
    char mask[kMaskChannels];  //  0  '1' for each chosen channel or session
    u8 zero[4];                // 64
    i32 speed;                 // 68
    i32 fast;                  // 72  single-session fast play
};
NVR_RECORD_SIZE(SpeedByChannel, 76);

// Play direction of a session (1166).
struct DirectionRequest {
    i32 sid;        // 0
    i32 direction;  // 4
};
NVR_RECORD_SIZE(DirectionRequest, 8);

// Jump to a time (1171).
struct JumpRequest {
    i32 channels[kMaxSessions];  //   0
    i32 sids[kMaxSessions];      // 256
    i32 count;                   // 512
    char jump_time[64];          // 516
};
NVR_RECORD_SIZE(JumpRequest, 580);

// Live-stream address request (3500) and stop (1901).
struct LiveRequest {
    i32 channel;        // 0
    i32 stream_type;    // 4
    i32 stream_source;  // 8
};
NVR_RECORD_SIZE(LiveRequest, 12);

// Live-stream address (reply 8500).
struct LiveStream {
    i32 channel;          //   0
    i32 port;             //   4
    u8 unused0[16];       //   8
    i32 direct;           //  24
    i32 result;           //  28  negative = failure
    u8 unused1[64];       //  32
    char rtsp_addr[256];  //  96
    char res_path[624];   // 352
};
NVR_RECORD_SIZE(LiveStream, 976);

// Transcoding start (1176) and state query (1177).
struct TranscodeRequest {
    i32 channel;     //  0
    i32 sid;         //  4
    i32 mode;        //  8
    i32 frame_size;  // 12
    i32 bit_rate;    // 16
    i32 frame_rate;  // 20
};
NVR_RECORD_SIZE(TranscodeRequest, 24);

struct TranscodeQuery {
    i32 channel;  // 0
    i32 sid;      // 4
};
NVR_RECORD_SIZE(TranscodeQuery, 8);

// Transcoding state (replies 6176, 6177).
struct TranscodeState {
    i32 channel;  // 0
    i32 sid;      // 4
    i32 state;    // 8
};
NVR_RECORD_SIZE(TranscodeState, 12);

// Store call: the device row (0 when present; out zero-filled otherwise).
int db_get_device(const char* db, DeviceRow* out);
