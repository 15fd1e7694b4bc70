// Camera alarm I/O, volume (sound level) detection and event snapshots:
// stored records, core messages and store calls.
#pragma once

#include "platform/record.h"
#include "handlers/shared/event_actions.h"
#include "handlers/event/video_loss_records.h"
#include "platform/kxdb.h"

constexpr u32 kMsgCameraIoGet = 3213;      // 4 bytes: channel id; reply 8213
constexpr u32 kMsgCameraIoSet = 3214;      // CameraIoSettings
constexpr u32 kMsgVolumeGet = 3215;        // 4 bytes: channel id; reply 8215
constexpr u32 kMsgVolumeSet = 3216;        // VolumeSettings
constexpr u32 kMsgSnapshotSettings = 1311; // ChannelListRecord: channels given new settings
constexpr u32 kMsgSnapshotRun = 1313;      // SnapshotRunRecord
constexpr u32 kCameraIoReply = 8213, kVolumeReply = 8215;
constexpr u32 kCameraIoLogDetail = 923, kVolumeLogDetail = 924;

// A camera's alarm I/O event or volume detection as stored.
struct CameraTriggerRecord {
    i32 cam_id;                         //  0
    i32 enable;                         //  4
    u32 tri_mask;                       //  8  bits 0..31 of tri_channels
    i32 tri_actions;                    // 12
    char tri_channels[kMaskTextWidth];  // 16
    u8 pad[3];                          // 81
};
NVR_RECORD_SIZE(CameraTriggerRecord, 84);

// Message 3214.
struct CameraIoSettings {
    i32 cam_id;  // 0
    i32 enable;  // 4
    i32 type;    // 8
};
NVR_RECORD_SIZE(CameraIoSettings, 12);

// Message 3216.
struct VolumeSettings {
    i32 cam_id;         //  0
    i32 enable;         //  4
    i32 type;           //  8
    i32 volume;         // 12
    i32 duration;       // 16
    i32 on_event;       // 20
    i32 off_event;      // 24
    i32 ongoing_event;  // 28
};
NVR_RECORD_SIZE(VolumeSettings, 32);

// Reply 8213: the camera's alarm I/O state.
struct CameraIoState {
    i32 reserved;                       //  0
    i32 cam_id;                         //  4
    i32 enable;                         //  8
    i32 type;                           // 12
    i32 tri_actions;                    // 16
    u32 tri_mask;                       // 20
    char tri_channels[kMaskTextWidth];  // 24
    u8 pad[3];                          // 89
};
NVR_RECORD_SIZE(CameraIoState, 92);

// Reply 8215: the camera's volume detection state.
struct VolumeState {
    i32 reserved;                       //   0
    i32 cam_id;                         //   4
    i32 enable;                         //   8
    i32 type;                           //  12
    i32 volume;                         //  16
    i32 duration;                       //  20
    i32 on_event;                       //  24
    i32 off_event;                      //  28
    i32 ongoing_event;                  //  32
    i32 tri_actions;                    //  36
    u32 tri_mask;                       //  40
    char tri_channels[kMaskTextWidth];  //  44
    u8 pad[3];                          // 109
};
NVR_RECORD_SIZE(VolumeState, 112);

// A channel's event snapshot settings.
struct SnapshotSettingsRecord {
    i32 reserved0[2];     //  0  0
    i32 quality;          //  8
    i32 interval;         // 12
    i32 interval_unit;    // 16
    i32 reserved1[2];     // 20  0
    i32 expiration_date;  // 28
    i32 resolution;       // 32
};
NVR_RECORD_SIZE(SnapshotSettingsRecord, 36);

// Message 1313: start (1) or stop (0) snapshot taking on the flagged channels.
struct SnapshotRunRecord {
    i32 start;                   // 0
    i32 flags[kEventChannels];   // 4  1: the channel is listed
};
NVR_RECORD_SIZE(SnapshotRunRecord, 260);

NVR_STORE_KIND(kCameraIoKind, "cameraio", kEventChannels, CameraTriggerRecord);
NVR_STORE_KIND(kVolumeDetectKind, "volumedetect", kEventChannels, CameraTriggerRecord);
NVR_STORE_KIND(kSnapshotKind, "snapshot", kEventChannels, SnapshotSettingsRecord);

int read_cameraio(const char* db, CameraTriggerRecord* out, int channel);
int write_cameraio(const char* db, const CameraTriggerRecord* rec);  // at rec->cam_id
int read_volumedetect(const char* db, CameraTriggerRecord* out, int channel);
int write_volumedetect(const char* db, const CameraTriggerRecord* rec);  // at rec->cam_id
int read_snapshot(const char* db, SnapshotSettingsRecord* out, int channel);
// Writes the record to every channel of the mask, in one transaction.
int copy_snapshots(const char* db, const SnapshotSettingsRecord* rec, u32 mask_low, u32 mask_high);
