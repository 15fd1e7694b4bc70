// Stored PTZ settings of a channel: the serial link to an analogue PTZ head,
// the default speeds and the tours, and the core messages that carry them.
#pragma once

#include "handlers/ptz/ptz_records.h"
#include "platform/kxdb.h"

constexpr int kPtzSerialChannels = 16;  // channels that can have a serial PTZ head

// Core messages.
constexpr u32 kMsgPtzPortChanged = 1252;  // 4 bytes: the channel
constexpr u32 kMsgPtzTourClear = 1257;    // PtzTour
constexpr u32 kMsgPtzPortCheck = 1262;    // 4 bytes: the channel; reply 6262 {int32 value}
constexpr u32 kReplyPtzPortCheck = 6262;
constexpr u32 kMsgPtzTourPoints = 1264;   // PtzTourPointsMsg
constexpr u32 kMsgPtzFishTour = 1269;     // PtzFishTourMsg

// Serial link of a channel's PTZ head (store kind "ptz_port", row = channel).
struct PtzPortRow {
    i32 cam_id;        //  0
    i32 baud_rate;     //  4
    i32 data_bits;     //  8  5..8
    i32 stop_bits;     // 12
    i32 parity_type;   // 16  0..2
    i32 protocol;      // 20  0..13
    i32 address;       // 24
    i32 zero0;         // 28  always written 0
    i32 connect_type;  // 32  0 or 1
};
NVR_RECORD_SIZE(PtzPortRow, 36);

NVR_STORE_KIND(kPtzPortKind, "ptz_port", kPtzMaxChannels, PtzPortRow);

// Default PTZ speeds of a channel (store kind "ptz_speed", row = channel).
struct PtzSpeedRow {
    i32 cam_id;       //  0
    i32 pan_speed;    //  4
    i32 tilt_speed;   //  8
    i32 zoom_speed;   // 12
    i32 focus_speed;  // 16
};
NVR_RECORD_SIZE(PtzSpeedRow, 20);

NVR_STORE_KIND(kPtzSpeedKind, "ptz_speed", kPtzMaxChannels, PtzSpeedRow);

// One point of a tour: go to the preset, stay `time`, move at `speed`. A
// preset id below 1 ends the tour.
struct PtzTourPoint {
    i32 preset_id;  // 0
    i32 time;       // 4
    i32 speed;      // 8
};
NVR_RECORD_SIZE(PtzTourPoint, 12);

// The tours of a channel (store kind "ptz_tour", row = channel).
struct PtzStoredTours {
    PtzTourPoint tours[kPtzTours][kPtzTourPoints];  //    0  576 bytes a tour
};
NVR_RECORD_SIZE(PtzStoredTours, 4608);

NVR_STORE_KIND(kPtzTourKind, "ptz_tour", kPtzMaxChannels, PtzStoredTours);

// 1264: the points of one tour.
struct PtzTourPointsMsg {
    i32 channel;                          //  0
    i32 tour_id;                          //  4  1-based
    i32 count;                            //  8  points given
    PtzTourPoint points[kPtzTourPoints];  // 12
};
NVR_RECORD_SIZE(PtzTourPointsMsg, 588);

// 1269: a tour of a fisheye camera's stream; only tour `tour_index` is
// filled.
struct PtzFishTourMsg {
    i32 channel;                     //  0
    i32 stream_id;                   //  4
    i32 tour_index;                  //  8  0-based
    PtzTourPoints tours[kPtzTours];  // 12  ids, then times, then speeds
};
NVR_RECORD_SIZE(PtzFishTourMsg, 4620);

// Store calls (row = channel 0..63). Reads give 0, or -1 with a zeroed
// record when the row is absent or the channel out of range.
int read_ptz_port(const char* db, int channel, PtzPortRow* out);
int write_ptz_port(const char* db, int channel, const PtzPortRow& row);
// Copies the row of `source` to every channel of the mask (each copy names
// its own channel), in one transaction.
int copy_ptz_ports(const char* db, int source, u64 mask);
int read_ptz_speed(const char* db, int channel, PtzSpeedRow* out);
int write_ptz_speed(const char* db, int channel, const PtzSpeedRow& row);
int read_ptz_tour(const char* db, int channel, PtzStoredTours* out);
int write_ptz_tour(const char* db, int channel, const PtzStoredTours& tours);
