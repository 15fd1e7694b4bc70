// Overlays on a camera's picture: the camera's own OSD (texts and dates
// burnt into its streams) and the privacy masks sent to the core daemon.
// The recorder's OSD row and the stored privacy-mask rows are in
// camera_records.h. Shared by the overlay handlers, the emulator's demo
// answers and the tests.
#pragma once

#include "platform/record.h"

constexpr int kPrivacyMaskEntries = 28;  // entries of the privacy-mask message

// The OSD a camera burns into its main and sub streams (reply 8211 and the
// head of message 3210).
struct CameraOsdRecord {
    i32 ch;                    //   0  negative in a reply: camera not connected
    i32 enable_text;           //   4
    char text_name[256];       //   8
    i32 textpos;               // 264
    i32 enable_date;           // 268
    i32 datepos;               // 272
    i32 dateformat;            // 276
    i32 enable_text_sub;       // 280
    char text_name_sub[256];   // 284
    i32 textpos_sub;           // 540
    i32 enable_date_sub;       // 544
    i32 datepos_sub;           // 548
    i32 dateformat_sub;        // 552
};
NVR_RECORD_SIZE(CameraOsdRecord, 556);

// The camera OSD to apply (message 3210).
struct CameraOsdMessage {
    CameraOsdRecord osd;  //   0
    u8 zero[280];         // 556
};
NVR_RECORD_SIZE(CameraOsdMessage, 836);

// The recorder's OSD changed (message 1007).
struct OsdChangedRecord {
    i32 channel;  // 0
    i32 changed;  // 4  always 1
    i32 zero;     // 8
};
NVR_RECORD_SIZE(OsdChangedRecord, 12);

// One area of the privacy-mask message.
struct PrivacyMaskEntry {
    i32 area_id;      //  0
    i32 enable;       //  4
    i32 start_x;      //  8
    i32 start_y;      // 12
    i32 area_width;   // 16
    i32 area_height;  // 20
    i32 fill_color;   // 24
    i32 ratio;        // 28
    char name[64];    // 32  at most 63 characters
};
NVR_RECORD_SIZE(PrivacyMaskEntry, 96);

// Privacy masks for the channels of its mask (message 2509).
struct PrivacyMaskMessage {
    char channels[64];                              //    0  "0"/"1" per channel, no terminator
    u8 zero0[12];                                   //   64
    i32 enable;                                     //   76
    i32 num;                                        //   80
    i32 cgi_sdk_flag;                               //   84
    u8 zero1[36];                                   //   88
    i32 area_mask_enable;                           //  124
    u8 zero2[64];                                   //  128
    PrivacyMaskEntry entry[kPrivacyMaskEntries];    //  192
    i32 mosaic_support;                             // 2880
    i32 mosaic_num;                                 // 2884
    i64 del_mask;                                   // 2888
};
NVR_RECORD_SIZE(PrivacyMaskMessage, 2896);
