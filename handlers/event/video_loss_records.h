// Video loss (a camera channel losing its picture) and the snapshot
// schedule: stored records, core messages and store calls.
#pragma once

#include "platform/record.h"
#include "handlers/shared/event_actions.h"
#include "platform/kxdb.h"

constexpr u32 kMsgVideoLossChanged = 1402;    // 4 bytes: channel id (older requests)
constexpr u32 kMsgVideoLossesChanged = 1414;  // 8 bytes: channel mask
constexpr u32 kMsgSnapshotSchedules = 1312;   // ChannelListRecord
constexpr u32 kVideoLossLogDetail = 908;
constexpr u32 kChannelsLogDetail = 909;       // changes of several channels
constexpr int kVideoLossPtzType = 2;

// One channel's video-loss settings and actions.
struct VideoLossRecord {
    i32 chnid;                               //   0
    i32 enable;                              //   4  0..2
    i32 tri_alarms;                          //   8  recorder alarm outputs
    i32 interval;                            //  12
    i32 email_interval;                      //  16
    i32 ptz_interval;                        //  20
    i32 alarmout_interval;                   //  24
    i32 white_interval;                      //  28
    char tri_chn_alarms[2][kMaskTextWidth];  //  32, 97  camera alarm outputs 0 and 1
    u8 pad0[2];                              // 162
    i32 audio_id;                            // 164
    u8 reserved[8];                          // 168
};
NVR_RECORD_SIZE(VideoLossRecord, 176);

// A channel's snapshot schedule as stored.
struct SnapshotScheduleRecord {
    RecordSchedule schedule;  //     0
    i32 reserved;             // 26176  left 0
};
NVR_RECORD_SIZE(SnapshotScheduleRecord, 26180);

// A list of channel ids (message 1312 and the snapshot schedule writes).
struct ChannelListRecord {
    i32 ids[64];  //   0
    i32 count;    // 256
};
NVR_RECORD_SIZE(ChannelListRecord, 260);

NVR_STORE_KIND(kVideoLossKind, "video_loss", kEventChannels, VideoLossRecord);
NVR_STORE_KIND(kVideoLossScheduleKind, "video_loss_schedule", kEventChannels, RecordSchedule);
NVR_STORE_KIND(kSnapshotScheduleKind, "snapshot_schedule", kEventChannels, SnapshotScheduleRecord);
// Video loss has no effective schedule among its actions: its arming
// schedule is the older "video_loss_schedule".
constexpr const char* kVideoLossScheduleTables[kActionKinds] = {
    nullptr, "videoloss_audible_schedule", "videoloss_email_schedule", "videoloss_ptz_schedule"};

// Where video loss keeps its actions.
extern const EventSource kVideoLossEvents;

int read_video_lost(const char* db, VideoLossRecord* out, int channel);
int write_video_lost(const char* db, const VideoLossRecord* rec);  // at rec->chnid
int read_video_losts(const char* db, VideoLossRecord* out, int* count);  // 64 records, indexed by channel
// Writes the channels of the mask from a table of 64, in one transaction.
int write_video_losts(const char* db, const VideoLossRecord* table, int count, u32 mask_low, u32 mask_high);
int copy_video_losts(const char* db, int source, u32 mask_low, u32 mask_high);

int read_videoloss_audible_schedule(const char* db, RecordSchedule* out, int channel);
int read_videoloss_email_schedule(const char* db, RecordSchedule* out, int channel);
int read_videoloss_ptz_schedule(const char* db, RecordSchedule* out, int channel);
// The copies write the given schedule to every channel of the mask.
int copy_videoloss_audible_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high);
int copy_videoloss_email_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high);
int copy_videoloss_ptz_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high);
int write_video_loss_schedule(const char* db, const RecordSchedule* schedule, int channel);

int read_snapshot_schedule(const char* db, SnapshotScheduleRecord* out, int channel);
// Writes the slots of `table` (64 records, indexed by channel) of the
// listed channels, in one transaction.
int write_snapshot_schedules(const char* db, const SnapshotScheduleRecord* table, const ChannelListRecord* list);
