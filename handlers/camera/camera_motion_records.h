// Motion detection run by the camera itself: the settings and arming
// schedule the core daemon reports, and the settings it is sent with the
// channels that take a copy. Shared by the handlers, the emulator's demo
// answers and the tests.
#pragma once

#include "platform/record.h"
#include "handlers/shared/schedule.h"

constexpr int kCameraMotionMapText = 300;  // map mask text, at most 299 characters

// A camera's own motion settings (reply 8358).
struct CameraMotionRecord {
    i32 chnid;                          //     0
    i32 enable;                         //     4
    i32 sensitivity;                    //     8
    i32 minsize;                        //    12
    i32 mintime;                        //    16
    i32 adaptability;                   //    20
    char map_mask[kCameraMotionMapText];//    24  zero-terminated
    RecordSchedule effective;           //   324  arming schedule
};
NVR_RECORD_SIZE(CameraMotionRecord, 26500);

// New motion settings for a camera and the channels that take a copy
// (message 3366).
struct CameraMotionMessage {
    u64 channels;                       //     0  bit n: channel n, the source's own bit included
    i32 chnid;                          //     8
    i32 enable;                         //    12
    i32 sensitivity;                    //    16
    i32 minsize;                        //    20
    i32 mintime;                        //    24
    i32 adaptability;                   //    28
    char map_mask[kCameraMotionMapText];//    32
    RecordSchedule effective;           //   332
    i32 zero;                           // 26508
};
NVR_RECORD_SIZE(CameraMotionMessage, 26512);
