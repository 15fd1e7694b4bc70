// Fisheye cameras: the mount, display and correction settings the recorder
// keeps for a channel, a camera's motion map, and the fisheye capabilities
// and mode of a camera that is not added yet (reached by its address). The
// core daemon talks to the camera; these records are what it exchanges with
// us. Shared by the fisheye handlers, the emulator's demo answers and the
// tests.
#pragma once

#include "platform/record.h"

constexpr int kCameraMapText = 300;     // motion map text of a camera map record
constexpr int kCameraAddressText = 64;  // each text of a camera address

// A channel's fisheye settings: the payload of message 3231 (result 0) and
// each record of reply 8232.
struct FisheyeSettingRecord {
    i32 chnid;       //  0
    i32 mount;       //  4  "fishmount"
    i32 display;     //  8  "fishdisplay"
    i32 correction;  // 12  "fishcorrect"
    i32 result;      // 16  0 in the message
};
NVR_RECORD_SIZE(FisheyeSettingRecord, 20);

// A camera's motion map and fisheye mode (each record of reply 8206).
struct CameraMapRecord {
    i32 enable;                 //   0
    char map[kCameraMapText];   //   4  zero-terminated
    i32 sensitivity;            // 304
    u8 unused[4];               // 308
    i32 result;                 // 312
    i32 model_type;             // 316
    i32 fish_display;           // 320
    i32 fish_transfer;          // 324
    i32 fish_install;           // 328
};
NVR_RECORD_SIZE(CameraMapRecord, 332);

// How to reach a camera that is not on a channel (message 3373). Texts are
// zero-terminated, at most 63 characters.
struct CameraAddressRecord {
    char ddns[kCameraAddressText];      //   0
    char ipaddr[kCameraAddressText];    //  64
    char username[kCameraAddressText];  // 128
    char password[kCameraAddressText];  // 192
    i32 port;                           // 256
};
NVR_RECORD_SIZE(CameraAddressRecord, 260);

// The fisheye mode to give such a camera (message 3374).
struct FisheyeModeRecord {
    CameraAddressRecord camera;  //   0
    i32 transfer;                // 260
    i32 install;                 // 264
    i32 display;                 // 268
};
NVR_RECORD_SIZE(FisheyeModeRecord, 272);

// What such a camera offers (each record of reply 8373); `support` 1 marks
// a fisheye camera.
struct FisheyeCapsRecord {
    i32 support;       //  0
    i32 transfer;      //  4
    i32 install;       //  8
    i32 display;       // 12
    i32 stream_count;  // 16
};
NVR_RECORD_SIZE(FisheyeCapsRecord, 20);
