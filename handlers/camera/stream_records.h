// A camera's streams: capabilities and current encoding as the core daemon
// reports them, the encoding to apply, the third stream, the watermark and
// the stream query. Shared by the stream handlers, the emulator's demo
// answers and the tests.
#pragma once

#include "platform/record.h"

constexpr int kStreamResSlots = 24;    // resolutions a stream may offer
constexpr int kChannelMaskText = 64;   // "0"/"1" per channel 0..63

// A resolution; a slot whose width or height is 0 is empty.
struct StreamRes {
    i32 width;   // 0
    i32 height;  // 4
};
NVR_RECORD_SIZE(StreamRes, 8);

// One stream's offer and current encoding, inside StreamCapsRecord.
struct StreamCaps {
    StreamRes res[kStreamResSlots];  //   0
    i32 framerate_max;               // 192
    i32 framerate_min;               // 196
    i32 bitrate_max;                 // 200
    i32 bitrate_min;                 // 204
    i32 codec;                       // 208  video codec type
    i32 cur_width;                   // 212
    i32 cur_height;                  // 216
    i32 framerate;                   // 220
    i32 bitrate;                     // 224
    i32 iframe_interval;             // 228
    u8 unused[4];                    // 232
};
NVR_RECORD_SIZE(StreamCaps, 236);

// A channel's stream capabilities and current encoding (reply 8204).
struct StreamCapsRecord {
    i32 state_code;            //   0
    i32 id;                    //   4  channel id
    StreamCaps main;           //   8
    StreamCaps sub;            // 244
    i32 sub_enable;            // 480
    i32 audio_enable;          // 484
    i32 video_type_enable;     // 488
    i32 ipc_type;              // 492
    i32 sub_stream;            // 496  the camera has a sub stream
    i32 support_smart_stream;  // 500
    i32 smart_stream;          // 504
    i32 smart_stream_level;    // 508
    i32 sub_smart_stream;      // 512
    i32 sub_smart_stream_level;// 516
    u8 unused[64];             // 520
};
NVR_RECORD_SIZE(StreamCapsRecord, 584);

// One stream's encoding inside StreamSettingRecord (-1: leave as it is).
struct StreamEncoding {
    i32 codec;            //  0
    i32 width;            //  4
    i32 height;           //  8
    i32 framerate;        // 12
    i32 bitrate;          // 16
    i32 iframe_interval;  // 20
    i32 bitrate_control;  // 24
    i32 smart_stream;     // 28
    i32 smart_level;      // 32
};
NVR_RECORD_SIZE(StreamEncoding, 36);

// The encoding to apply to the channels of its mask (message 3203). A field
// a request does not set is -1.
struct StreamSettingRecord {
    char channels[kChannelMaskText];  //   0  "0"/"1" per channel, no terminator
    u8 zero0[4];                      //  64
    i32 transport;                    //  68
    i32 sync_time;                    //  72
    i32 unused0;                      //  76  always -1
    i32 video_type_enable;            //  80
    i32 sub_enable;                   //  84
    i32 fisheye_type;                 //  88
    i32 zero1;                        //  92
    StreamEncoding main;              //  96
    i32 record_type;                  // 132
    i32 event_framerate;              // 136
    i32 event_iframe_interval;        // 140
    i32 event_bitrate;                // 144
    i32 zero2;                        // 148
    StreamEncoding sub;               // 152
    i32 unused1[4];                   // 188  always -1
};
NVR_RECORD_SIZE(StreamSettingRecord, 204);

// The channels whose encoding was applied (reply 8203).
struct StreamSettingResult {
    u32 low;   // 0  channels 0..31, bit i for channel i
    u32 high;  // 4  channels 32..63
};
NVR_RECORD_SIZE(StreamSettingResult, 8);

// Which third stream to read (message 1217).
struct ThirdStreamQuery {
    i32 channel;       // 0
    i32 fisheye_type;  // 4
};
NVR_RECORD_SIZE(ThirdStreamQuery, 8);

// A channel's third stream (reply 6217, message 1218).
struct ThirdStreamRecord {
    i32 channel;          //  0
    i32 fisheye_type;     //  4  zero in message 1218
    i32 enable;           //  8
    i32 framerate;        // 12
    i32 bitrate;          // 16
    i32 iframe_interval;  // 20
};
NVR_RECORD_SIZE(ThirdStreamRecord, 24);

// A channel's watermark as the daemon reports it (reply 6213).
struct WatermarkRecord {
    i32 channel;     // 0
    i32 enable;      // 4
    char text[32];   // 8
};
NVR_RECORD_SIZE(WatermarkRecord, 40);

// A watermark to apply, with the channels it is copied to (message 1216).
struct WatermarkSetRecord {
    i32 channel;                          //   0
    i32 enable;                           //   4
    char text[32];                        //   8  at most 31 characters
    char copy[kChannelMaskText + 1];      //  40  channel mask text
    u8 zero[3];                           // 105
};
NVR_RECORD_SIZE(WatermarkSetRecord, 108);

// A stream looked up by type and time (message 3360).
struct StreamQueryRecord {
    i32 channel;     //  0
    i32 main_type;   //  4
    i32 sub_type;    //  8
    char time[64];   // 12  at most 63 characters
};
NVR_RECORD_SIZE(StreamQueryRecord, 76);
