// Small queries of the camera and maintenance pages: a raw command to the
// core daemon, the motion state of every channel, the identities of every
// camera, a URL passed to one camera, the batch results of the cameras, the
// privacy-mask commands and the stored trigger-alarm row. Shared by the
// handlers, the emulator's demo answers, the store seed and the tests.
#pragma once

#include "platform/record.h"
#include "handlers/camera/tracking_records.h"
#include "platform/kxdb.h"

constexpr int kCoreCommandText = 100;    // command text, at most 99 characters
constexpr int kCameraUrlText = 256;      // URL text, at most 255 characters
constexpr int kCameraUrlDataText = 252;  // data text of a URL reply
constexpr int kIdentityEntries = 64;     // entries of the identity table, one per channel
constexpr int kBatchEntries = 64;        // entries of the batch result list
constexpr int kBatchMacText = 48;
constexpr int kTriggerAlarmValues = 7;   // JSON keys "0" to "6"

// A raw command for the core daemon (message 4002).
struct CoreCommandRecord {
    char cmd[kCoreCommandText];  // 0  zero-terminated
};
NVR_RECORD_SIZE(CoreCommandRecord, 100);

// The head of a command reply (9002); the result text follows it,
// zero-terminated, up to the end of the payload.
struct CoreCommandReplyHead {
    u8 unused[16];  // 0
};
NVR_RECORD_SIZE(CoreCommandReplyHead, 16);

// The channels in motion (reply 8307): bit n for channel n.
struct MotionStateRecord {
    u32 low;   // 0  channels 0..31
    u32 high;  // 4  channels 32..63
};
NVR_RECORD_SIZE(MotionStateRecord, 8);

// The cameras of every channel, in channel order (reply 7505).
struct CameraIdentityTable {
    CameraIdentityRecord entries[kIdentityEntries];  // 0
};
NVR_RECORD_SIZE(CameraIdentityTable, 10496);

// A URL for the camera of a channel (message 3377).
struct CameraUrlRecord {
    i32 chnid;                // 0
    char url[kCameraUrlText]; // 4  zero-terminated
};
NVR_RECORD_SIZE(CameraUrlRecord, 260);

// The camera's answer to a URL (each record of reply 8377).
struct CameraUrlReply {
    i32 result;                      // 0
    i32 chnid;                       // 4
    char data[kCameraUrlDataText];   // 8  zero-terminated
};
NVR_RECORD_SIZE(CameraUrlReply, 260);

// One camera of the batch result list.
struct BatchResultEntry {
    char mac[kBatchMacText];  //  0  zero-terminated
    i32 result;               // 48
};
NVR_RECORD_SIZE(BatchResultEntry, 52);

// The result of a batch job over the cameras (reply 8230).
struct BatchResultList {
    i32 unused0;                              //  0
    i32 count;                                //  4  entries in use
    u8 unused1[8];                            //  8
    BatchResultEntry entries[kBatchEntries];  // 16
};
NVR_RECORD_SIZE(BatchResultList, 3344);

// Clears one privacy-mask area of a camera (message 2508, no reply).
struct MaskAreaClearRecord {
    i32 chan_id;  // 0
    i32 area_id;  // 4
};
NVR_RECORD_SIZE(MaskAreaClearRecord, 8);

// A privacy-mask command for a camera (message 3353).
struct CameraMaskCommandRecord {
    i32 chnid;   // 0
    i32 maskid;  // 4
};
NVR_RECORD_SIZE(CameraMaskCommandRecord, 8);

// The recorder's trigger-alarm row, one in the store: seven values whose
// meaning is the alarm page's and the core daemon's.
struct TriggerAlarmRecord {
    i32 values[kTriggerAlarmValues];  // 0  JSON keys "0" to "6"
};
NVR_RECORD_SIZE(TriggerAlarmRecord, 28);

NVR_STORE_KIND(kTriggerAlarmKind, "trigger_alarm", 1, TriggerAlarmRecord);

// The one row (index 0); an absent row reads as zeros.
int read_trigger_alarms(const char* db, TriggerAlarmRecord* row);
int write_trigger_alarms(const char* db, const TriggerAlarmRecord* row);
