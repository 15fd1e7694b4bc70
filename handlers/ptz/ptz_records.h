// PTZ control messages exchanged with the core daemon: the action and tour
// payloads, the camera parameter request that carries the PTZ speed, the
// PTZ status record and the preset and tour record.
#pragma once

#include "platform/record.h"

constexpr int kPtzMaxChannels = 64;  // channel ids 0..63
constexpr int kPtzPresets = 300;
constexpr int kPtzMaxPresetId = 300;
constexpr int kPtzTours = 8;
constexpr int kPtzTourPoints = 48;
constexpr int kPtzPatterns = 4;
constexpr int kPtzStatusValues = 15;

// Core messages (the reply of a waited message carries its code plus 5000).
constexpr u32 kMsgPtzMove = 1251;
constexpr u32 kMsgPtzPreset = 1253;
constexpr u32 kMsgPtzTourAction = 1254;
constexpr u32 kMsgPtzTourStart = 1260;
constexpr u32 kMsgPtzTourStop = 1261;
constexpr u32 kMsgPtzPresetList = 1265;
constexpr u32 kMsgPtzChannelAction = 1266;  // "/5006": channel and action
constexpr u32 kMsgPtzZoom = 1267;
constexpr u32 kMsgPtzFishPresetList = 1268;
constexpr u32 kMsgPtzStatusRead = 1270;
constexpr u32 kMsgPtzStatusWrite = 1271;
constexpr u32 kMsgCameraParam = 3226;
constexpr u32 kMsgPtzCommand = 3361;
constexpr u32 kMsgPtzChannelStatus = 3363;  // "/5010": a status value of a channel

// Reply codes of the queries above.
constexpr u32 kReplyPtzPresetList = 6265;      // PtzPresetList
constexpr u32 kReplyPtzFishPresetList = 6268;  // PtzPresetList
constexpr u32 kReplyPtzStatusRead = 6270;      // PtzStatus
constexpr u32 kReplyPtzStatusWrite = 6271;     // int32 status
constexpr u32 kReplyCameraParam = 8226;        // anything: the parameter was taken
constexpr u32 kReplyPtzCommand = 8361;         // int32 result
constexpr u32 kReplyPtzChannelStatus = 8363;   // int32 status

// Action payload of 1251, 1253 and 1254.
struct PtzAction {
    i32 channel;        //  0
    i32 action;         //  4
    i32 id;             //  8  preset or tour id
    i32 pan_speed;      // 12
    i32 tilt_speed;     // 16
    i32 zoom_speed;     // 20
    i32 focus_speed;    // 24
    u8 zero0[4];        // 28
    char name[32];      // 32  preset name (action 22 only)
    i32 fisheye_type;   // 64
    i32 stream_id;      // 68
};
NVR_RECORD_SIZE(PtzAction, 72);

// Tour payload of 1260 and 1261.
struct PtzTour {
    i32 channel;       //  0
    i32 tour_id;       //  4
    i32 zero0[4];      //  8
    i32 fisheye_type;  // 24
    i32 stream_id;     // 28
};
NVR_RECORD_SIZE(PtzTour, 32);

// Camera parameter request (3226): one named parameter of a camera's
// settings page.
struct PtzCameraParam {
    i32 channel;       //   0
    u8 zero0[64];      //   4
    char page[64];     //  68  "vsetting.html"
    char param[128];   // 132
    char value[128];   // 260
    u8 zero1[4];       // 388
};
NVR_RECORD_SIZE(PtzCameraParam, 392);

// Two-word payloads: "/5005" fisheye list (channel, stream), "/5006"
// (channel, action), "/5009" (channel, command).
struct PtzPair {
    i32 first;   // 0
    i32 second;  // 4
};
NVR_RECORD_SIZE(PtzPair, 8);

// Zoom payload of 1267.
struct PtzZoom {
    i32 channel;  // 0
    i32 zoom;     // 4
    i32 speed;    // 8
};
NVR_RECORD_SIZE(PtzZoom, 12);

// PTZ status of a channel: read reply 6270, write payload 1271.
struct PtzStatus {
    i32 status;                      //   0
    i32 channel;                     //   4
    i32 values[kPtzStatusValues];    //   8  in the order of kPtzStatusKeys
    char channel_mask[65];           //  68
    u8 zero0[3];                     // 133
};
NVR_RECORD_SIZE(PtzStatus, 136);

// JSON names of PtzStatus::values, in record order.
inline constexpr const char* kPtzStatusKeys[kPtzStatusValues] = {
    "zoomStatus",     "panTiltStatus",     "presetStatus",       "patrolStatus", "patternStatus",
    "autoScanStatus", "presetFreezing",    "presetSpeed",        "manualSpeed",  "patrolRecovering",
    "patrolRecoveryTime", "focusMode",     "minFocusDistance",   "resumeTime",   "fanWorkingMode",
};

struct PtzPreset {
    i32 enable;     // 0
    char name[32];  // 4
};
NVR_RECORD_SIZE(PtzPreset, 36);

struct PtzTourPoints {
    i32 preset_id[kPtzTourPoints];  //   0
    i32 timeout[kPtzTourPoints];    // 192
    i32 speed[kPtzTourPoints];      // 384
};
NVR_RECORD_SIZE(PtzTourPoints, 576);

// Presets, tours and patterns of a camera: replies 6265 and 6268.
struct PtzPresetList {
    PtzPreset presets[kPtzPresets];    //     0
    PtzTourPoints tours[kPtzTours];    // 10800
    i32 pattern_enable[kPtzPatterns];  // 15408
    i32 tour_status[5][8];             // 15424
    i32 autoscan_status[5];            // 15584
};
NVR_RECORD_SIZE(PtzPresetList, 15604);

// "ptzspeed" value for a requested speed: s - 1 from 1 on, 1 for 0 and below.
inline int ptz_speed_param(int speed) { return speed >= 1 ? speed - 1 : 1; }

// "/5004" action numbers: 0..4 map to the daemon's tour actions, anything
// else sends 0.
inline int ptz_map_tour_action(int action)
{
    static const int kMap[] = {26, 21, 25, 27, 40};
    return action >= 0 && action < 5 ? kMap[action] : 0;
}
