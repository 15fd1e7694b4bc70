// Alarm inputs and outputs: the recorder's own alarm inputs (16) and outputs
// (4), and the two alarm inputs and two alarm outputs of every camera. The
// stored records, the records exchanged with the core daemon, and the store
// calls.
#pragma once

#include "platform/record.h"
#include "handlers/shared/event_actions.h"
#include "platform/kxdb.h"

constexpr int kAlarmIns = 16;    // recorder alarm inputs, ids 0..15
constexpr int kAlarmOuts = 4;    // recorder alarm outputs, ids 0..3
constexpr int kCameraAlarms = 2; // alarm inputs (and outputs) of one camera
constexpr int kAlarmNameWidth = 256;
constexpr int kCameraAlarmNameWidth = 64;

constexpr u32 kMsgAlarmInChanged = 1404;      // 4 bytes: alarm-input id
constexpr u32 kMsgAlarmOutChanged = 1405;     // 4 bytes: alarm-output id
constexpr u32 kMsgAlarmOutManual = 1409;      // AlarmOutManualRecord
constexpr u32 kMsgAlarmInsChanged = 1415;     // 8 bytes: mask of input ids
constexpr u32 kMsgCameraInsChanged = 1417;    // 8 bytes: channel mask
constexpr u32 kMsgCameraOutsChanged = 1418;   // 8 bytes: channel mask
constexpr u32 kMsgCameraOutState = 3296;      // 4 bytes: channel; reply 8296
constexpr u32 kMsgCameraInState = 3298;       // 4 bytes: channel; reply 8298
constexpr u32 kReplyCameraOutState = 8296;    // CameraOutStateRecord
constexpr u32 kReplyCameraInState = 8298;     // CameraInStateRecord
constexpr u32 kMsgCameraOutSettings = 3324;   // CameraOutSettingsRecord
constexpr u32 kMsgCameraInSettings = 3325;    // CameraInSettingsRecord
constexpr u32 kMsgCameraOutTrigger = 3352;    // CameraOutTriggerRecord
constexpr u32 kAlarmInLogDetail = 910;
constexpr u32 kAlarmOutLogDetail = 911;
constexpr int kAlarmInPtzType = 0;
constexpr int kCameraInPtzType = 18;  // 18 + alarm index

// ---- stored records ----

// A recorder alarm input with its trigger fields.
struct AlarmInRecord {
    i32 id;                                  //   0  0..15
    i32 enable;                              //   4  0..2
    char name[kAlarmNameWidth];              //   8
    i32 type;                                // 264  0 or 1
    u32 tri_mask;                            // 268  bits 0..31 of tri_channels
    i32 tri_alarms;                          // 272
    i32 interval;                            // 276
    char tri_channels[kMaskTextWidth];       // 280
    u8 pad0[3];                              // 345
    i32 email_enable;                        // 348  companion of email_interval
    i32 email_interval;                      // 352
    i32 email_pic_enable;                    // 356
    char tri_channels_pic[kMaskTextWidth];   // 360
    u8 pad1[3];                              // 425
    char tri_snapshot[kMaskTextWidth];       // 428
    u8 pad2[3];                              // 493
    i32 ptz_interval;                        // 496
    i32 alarmout_interval;                   // 500
    i32 white_interval;                      // 504
    char tri_chn_alarms[2][kMaskTextWidth];  // 508, 573  camera alarm outputs 0 and 1
    u8 pad3[2];                              // 638
    i32 audio_id;                            // 640
    u8 reserved[288];                        // 644
};
NVR_RECORD_SIZE(AlarmInRecord, 932);

// A recorder alarm output.
struct AlarmOutRecord {
    i32 id;                      //   0  0..3
    char name[kAlarmNameWidth];  //   4
    i32 type;                    // 260
    i32 enable;                  // 264
    i32 duration;                // 268  "durationTime"
};
NVR_RECORD_SIZE(AlarmOutRecord, 272);

// The trigger fields of one camera alarm input (a table per alarm index).
struct CameraInEventRecord {
    i32 chnid;                               //   0
    i32 reserved0;                           //   4
    i32 enable;                              //   8
    u32 tri_mask;                            //  12  bits 0..31 of tri_channels
    i32 tri_alarms;                          //  16
    i32 interval;                            //  20
    i32 email_interval;                      //  24
    i32 email_pic_enable;                    //  28
    i32 ptz_interval;                        //  32
    i32 alarmout_interval;                   //  36
    i32 white_interval;                      //  40
    i32 audio_id;                            //  44
    char tri_channels[kMaskTextWidth];       //  48
    char tri_channels_pic[kMaskTextWidth];   // 113
    char tri_chn_alarms[2][kMaskTextWidth];  // 178, 243
    u8 reserved1[8];                         // 308
};
NVR_RECORD_SIZE(CameraInEventRecord, 316);

// The name of a camera alarm input.
struct CameraInNameRecord {
    i32 chnid;                        // 0
    i32 alarm_id;                     // 4  0 or 1
    char name[kCameraAlarmNameWidth]; // 8
};
NVR_RECORD_SIZE(CameraInNameRecord, 72);

// The name and delay of a camera alarm output.
struct CameraOutNameRecord {
    i32 chnid;                        //  0
    i32 alarm_id;                     //  4  0 or 1
    i32 delay_time;                   //  8  "delayTime"
    char name[kCameraAlarmNameWidth]; // 12
};
NVR_RECORD_SIZE(CameraOutNameRecord, 76);

// ---- core daemon records ----

// Live state of a camera's alarm inputs (reply 8298, one record per channel).
struct CameraInStateRecord {
    i32 chnid;      //  0
    i32 enable[2];  //  4
    i32 type[2];    // 12
    i32 status[2];  // 20
    i32 count;      // 28  inputs the camera has
};
NVR_RECORD_SIZE(CameraInStateRecord, 32);

// Live state of a camera's alarm outputs (reply 8296).
struct CameraOutStateRecord {
    i32 chnid;      //  0
    i32 type[2];    //  4
    i32 status[2];  // 12
    i32 count;      // 20  outputs the camera has
};
NVR_RECORD_SIZE(CameraOutStateRecord, 24);

// Settings of a camera's alarm inputs for the channel and its copies (3325).
struct CameraInSettingsEntry {
    i32 reserved;  //  0
    i32 enable;    //  4
    i32 alarm_id;  //  8
    i32 type;      // 12
};
struct CameraInSettingsRecord {
    CameraInSettingsEntry inputs[2];  //  0
    i32 count;                        // 32
    u8 reserved[4];                   // 36
    u64 mask;                         // 40  the channel and its copies
};
NVR_RECORD_SIZE(CameraInSettingsEntry, 16);
NVR_RECORD_SIZE(CameraInSettingsRecord, 48);

// Settings of a camera's alarm outputs for the channel and its copies (3324).
// The delay time travels only in the stored name records.
struct CameraOutSettingsEntry {
    i32 reserved;  // 0
    i32 alarm_id;  // 4
    i32 type;      // 8
};
struct CameraOutSettingsRecord {
    CameraOutSettingsEntry outputs[2];  //  0
    i32 count;                          // 24
    u8 reserved[4];                     // 28
    u64 mask;                           // 32  the channel and its copies
};
NVR_RECORD_SIZE(CameraOutSettingsEntry, 12);
NVR_RECORD_SIZE(CameraOutSettingsRecord, 40);

// Switches a recorder alarm output by hand (1409).
struct AlarmOutManualRecord {
    i32 id;      // 0
    i32 enable;  // 4
};
NVR_RECORD_SIZE(AlarmOutManualRecord, 8);

// Switches a camera's alarm output (3352).
struct CameraOutTriggerRecord {
    i32 chnid;     // 0
    i32 alarm_id;  // 4
    i32 state;     // 8
};
NVR_RECORD_SIZE(CameraOutTriggerRecord, 12);

// ---- store ----

NVR_STORE_KIND(kAlarmInKind, "alarm_in", kAlarmIns, AlarmInRecord);
NVR_STORE_KIND(kAlarmInScheduleKind, "alarm_in_schedule", kAlarmIns, RecordSchedule);
NVR_STORE_KIND(kAlarmOutKind, "alarm_out", kAlarmOuts, AlarmOutRecord);
NVR_STORE_KIND(kAlarmOutScheduleKind, "alarm_out_schedule", kAlarmOuts, RecordSchedule);
// Camera tables hold one row per channel, one table per alarm index.
inline constexpr StoreKind<CameraInNameRecord> kCameraInNameKinds[kCameraAlarms] = {
    {"alarm_chnIn_event_name_0", kEventChannels},
    {"alarm_chnIn_event_name_1", kEventChannels},
};
inline constexpr StoreKind<CameraOutNameRecord> kCameraOutNameKinds[kCameraAlarms] = {
    {"alarm_chnOut_event_name_0", kEventChannels},
    {"alarm_chnOut_event_name_1", kEventChannels},
};
inline constexpr StoreKind<RecordSchedule> kCameraOutScheduleKinds[kCameraAlarms] = {
    {"alarm_chnOut_effective_schedule_0", kEventChannels},
    {"alarm_chnOut_effective_schedule_1", kEventChannels},
};
constexpr const char* kAlarmInScheduleTables[kActionKinds] = {
    "alarmin_effective_schedule", "alarmin_audible_schedule", "alarmin_email_schedule", "alarmin_ptz_schedule"};
constexpr const char* kCameraInScheduleTables[kActionKinds] = {
    "alarm_chnIn_effective_schedule", "alarm_chnIn_audible_schedule", "alarm_chnIn_mail_schedule",
    "alarm_chnIn_ptz_schedule"};

// Where a recorder alarm input (key: input id) and a camera alarm input
// (key: channel, alarm index) keep their actions.
extern const EventSource kAlarmInEvents;
extern const EventSource kCameraInEvents;

// A camera alarm input or output: channel and alarm index.
struct CameraAlarmKey {
    i32 chnid;
    i32 alarm_id;
};

int read_alarm_in(const char* db, AlarmInRecord* out, int id);
int write_alarm_in(const char* db, const AlarmInRecord* rec);  // at rec->id
// All 16 inputs, indexed by id (absent rows zero-filled); *count: rows stored.
int read_alarm_ins(const char* db, AlarmInRecord* out, int* count);
// Writes the inputs of the mask from a table of 16, in one transaction.
int write_alarm_ins(const char* db, const AlarmInRecord* table, int count, u32 mask_low, u32 mask_high);
int read_alarm_in_schedule(const char* db, RecordSchedule* out, int id);
int write_alarm_in_schedule(const char* db, const RecordSchedule* schedule, int id);

// The four action schedules of a recorder alarm input; the copies take the
// schedule and write it to every input of the mask.
int read_alarmin_effective_schedule(const char* db, RecordSchedule* out, int id);
int read_alarmin_audible_schedule(const char* db, RecordSchedule* out, int id);
int read_alarmin_email_schedule(const char* db, RecordSchedule* out, int id);
int read_alarmin_ptz_schedule(const char* db, RecordSchedule* out, int id);
int write_alarmin_effective_schedule(const char* db, const RecordSchedule* schedule, int id);
int copy_alarmin_effective_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high);
int copy_alarmin_audible_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high);
int copy_alarmin_email_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high);
int copy_alarmin_ptz_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high);

int read_alarm_out(const char* db, AlarmOutRecord* out, int id);
int write_alarm_out(const char* db, const AlarmOutRecord* rec);  // at rec->id
int read_alarm_outs(const char* db, AlarmOutRecord* out, int* count);  // as read_alarm_ins, 4 outputs
int write_alarm_outs(const char* db, const AlarmOutRecord* table, int count, u32 mask_low, u32 mask_high);
int read_alarm_out_schedule(const char* db, RecordSchedule* out, int id);
int write_alarm_out_schedule(const char* db, const RecordSchedule* schedule, int id);
int copy_alarm_out_schedules(const char* db, int source, u32 mask_low, u32 mask_high);

int read_alarm_chnIn_event_name(const char* db, CameraInNameRecord* out, CameraAlarmKey key);
int write_alarm_chnIn_event_name(const char* db, const CameraInNameRecord* rec);  // at its chnid, alarm_id
// The names of alarm index `alarm_id` of all 64 channels.
int read_alarm_chnIn_event_names(const char* db, CameraInNameRecord* out, int alarm_id);

int read_alarm_chnOut_event_name(const char* db, CameraOutNameRecord* out, CameraAlarmKey key);
int write_alarm_chnOut_event_name(const char* db, const CameraOutNameRecord* rec);
int read_alarm_chnOut_event_names(const char* db, CameraOutNameRecord* out, int alarm_id);
// Writes the channels of the mask from a table of 64, in one transaction.
int write_alarm_chnOut_event_names(const char* db, const CameraOutNameRecord* table, int alarm_id, u32 mask_low,
                                   u32 mask_high);
int read_alarm_chnOut_effective_schedule(const char* db, RecordSchedule* out, CameraAlarmKey key);
int write_alarm_chnOut_effective_schedule(const char* db, const RecordSchedule* schedule, CameraAlarmKey key);
int copy_alarm_chnOut_effective_schedules(const char* db, CameraAlarmKey source, u32 mask_low, u32 mask_high);
