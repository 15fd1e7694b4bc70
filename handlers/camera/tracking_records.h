// Auto-tracking of PTZ cameras and the camera identity of one channel: what
// the core daemon reports and what it is sent. Shared by the handlers, the
// emulator's demo answers and the tests.
#pragma once

#include "platform/record.h"
#include "handlers/shared/schedule.h"

constexpr int kTrackingAreaText = 300;   // tracking area text, at most 299 characters
constexpr int kTrackingChannelText = 64; // "channels": one '0'/'1' per channel 0..63

// A camera's auto-tracking settings (reply 8294).
struct AutoTrackingRecord {
    i32 chnid;                    //     0
    i32 enable;                   //     4
    i32 show;                     //     8
    i32 sensitivity;              //    12
    i32 time;                     //    16
    i32 manual_tracking;          //    20
    i32 zoom_mode;                //    24
    i32 zoom_number;              //    28
    RecordSchedule schedule;      //    32
    char area[kTrackingAreaText]; // 26208  zero-terminated
    i32 human_vehicle_support;    // 26508
    i32 tracking_object;          // 26512
};
NVR_RECORD_SIZE(AutoTrackingRecord, 26516);

// New auto-tracking settings for a channel and the channels that take a copy
// (message 3375).
struct AutoTrackingMessage {
    u64 channels;                 //     0  bit n: channel n, the source's own bit included
    i32 chnid;                    //     8
    i32 enable;                   //    12
    i32 show;                     //    16
    i32 sensitivity;              //    20
    i32 time;                     //    24
    i32 manual_tracking;          //    28
    i32 zoom_mode;                //    32
    i32 zoom_number;              //    36
    RecordSchedule schedule;      //    40
    char area[kTrackingAreaText]; // 26216
    i32 human_vehicle_support;    // 26516
    i32 tracking_object;          // 26520
    i32 zero;                     // 26524
};
NVR_RECORD_SIZE(AutoTrackingMessage, 26528);

// The camera on a channel: address, model and firmware (reply 7507, and
// each entry of the table of reply 7505).
struct CameraIdentityRecord {
    i32 chnid;           //   0
    char ipaddr[32];     //   4
    char model[64];      //  36
    char fwversion[64];  // 100
};
NVR_RECORD_SIZE(CameraIdentityRecord, 164);
