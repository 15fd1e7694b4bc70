// Motion detection: the stored motion record and the records that tell the
// core daemon to reconfigure a camera's motion detection.
#pragma once

#include "platform/record.h"
#include "handlers/shared/event_actions.h"
#include "platform/kxdb.h"

constexpr u32 kMsgMotionChanged = 1403;   // 4 bytes: channel id
constexpr u32 kMsgMotionCopied = 1410;    // 8 bytes: channel mask
constexpr u32 kMsgMotionArea = 3207;
constexpr u32 kMsgMotionAreaList = 3251;
constexpr u32 kMsgMotionScheduleMode = 3212;
constexpr u32 kMsgMotionAllDay = 3209;
constexpr u32 kMsgMotionAllDayList = 3252;
constexpr u32 kMotionLogDetail = 909;
constexpr int kMotionPtzType = 1;

// One channel's motion settings and actions.
struct MotionRecord {
    i32 chnid;                             //   0
    i32 enable;                            //   4
    i32 sensitivity;                       //   8
    u32 tri_mask;                          //  12  bits 0..31 of tri_channels
    i32 tri_alarms;                        //  16
    char motion_table[368];                //  20  motion grid text
    i32 interval;                          // 388
    i32 enable_ms;                         // 392  camera motion schedule forced to all day
    char tri_channels[kMaskTextWidth];     // 396
    u8 pad0[3];                            // 461
    i32 email_enable;                      // 464
    i32 email_interval;                    // 468
    char tri_chn_alarms[2][kMaskTextWidth];  // 472, 537  camera alarm outputs 0 and 1
    u8 pad1[6];                            // 602
    i32 ptz_interval;                      // 608
    i32 alarmout_interval;                 // 612
    i32 white_interval;                    // 616
    i32 email_pic_enable;                  // 620
    char tri_channels_pic[kMaskTextWidth]; // 624
    u8 pad2[3];                            // 689
    i32 audio_id;                          // 692
};
NVR_RECORD_SIZE(MotionRecord, 696);

// Camera motion area (message 3207).
struct MotionAreaRecord {
    i32 reserved;            //   0
    char motion_table[300];  //   4
    i32 sensitivity;         // 304
    i32 chnid;               // 308
    u8 zero[20];             // 312
};
NVR_RECORD_SIZE(MotionAreaRecord, 332);

// Camera motion area for a channel and the channels it is copied to (3251).
struct MotionAreaListRecord {
    char motion_table[300];  //   0
    i32 sensitivity;         // 300
    i32 chnid;               // 304
    i32 enable_ms;           // 308
    i32 ids[64];             // 312
    i32 count;               // 568
};
NVR_RECORD_SIZE(MotionAreaListRecord, 572);

// Camera motion-schedule switch (3212): flag 1 forces the all-day schedule.
struct MotionScheduleModeRecord {
    i32 chnid;    //   0
    i32 flag;     //   4
    i32 ids[64];  //   8
    i32 count;    // 264
};
NVR_RECORD_SIZE(MotionScheduleModeRecord, 268);

// One day of the camera's all-day motion schedule.
struct MotionDaySlot {
    i32 start_hour;    //  0
    i32 start_minute;  //  4
    i32 end_hour;      //  8
    i32 end_minute;    // 12
};
NVR_RECORD_SIZE(MotionDaySlot, 16);
struct MotionAllDayEntry {
    u8 zero[64];            //  0
    i32 day;                // 64
    i32 enable;             // 68
    MotionDaySlot slots[4]; // 72
};
NVR_RECORD_SIZE(MotionAllDayEntry, 136);

// Camera all-day motion schedule (3209 and 3252).
struct MotionAllDayRecord {
    i32 chnid;                    //    0
    MotionAllDayEntry days[7];    //    4
    i32 ids[64];                  //  956
    i32 count;                    // 1212
};
NVR_RECORD_SIZE(MotionAllDayRecord, 1216);

// Store: one motion record per channel; the four action schedules per
// channel; the schedule of the older requests.
NVR_STORE_KIND(kMotionKind, "motion", kEventChannels, MotionRecord);
NVR_STORE_KIND(kMotionScheduleKind, "motion_schedule", kEventChannels, RecordSchedule);
constexpr const char* kMotionScheduleTables[kActionKinds] = {
    "motion_effective_schedule", "motion_audible_schedule", "motion_email_schedule", "motion_ptz_schedule"};
constexpr const char* kMotionWhiteLedSchedule = "motion_whiteled_esche";
constexpr const char* kMotionWhiteLedParams = "motion_white_led_params";

// Where motion keeps its actions.
extern const EventSource kMotionEvents;

// Store calls.
int read_motion(const char* db, MotionRecord* out, int channel);
int write_motion(const char* db, const MotionRecord* rec);  // at rec->chnid
int read_motions(const char* db, MotionRecord* out, int* count);  // kEventChannels records
int copy_motions(const char* db, int source, u32 mask_low, u32 mask_high);
int read_motion_effective_schedule(const char* db, RecordSchedule* out, int channel);
int read_motion_audible_schedule(const char* db, RecordSchedule* out, int channel);
int read_motion_email_schedule(const char* db, RecordSchedule* out, int channel);
int read_motion_ptz_schedule(const char* db, RecordSchedule* out, int channel);
int write_motion_effective_schedule(const char* db, const RecordSchedule* schedule, int channel);
int write_motion_audible_schedule(const char* db, const RecordSchedule* schedule, int channel);
int write_motion_email_schedule(const char* db, const RecordSchedule* schedule, int channel);
int write_motion_ptz_schedule(const char* db, const RecordSchedule* schedule, int channel);
int copy_motion_effective_schedules(const char* db, int source, u32 mask_low, u32 mask_high);
int copy_motion_audible_schedules(const char* db, int source, u32 mask_low, u32 mask_high);
int copy_motion_email_schedules(const char* db, int source, u32 mask_low, u32 mask_high);
int copy_motion_ptz_schedules(const char* db, int source, u32 mask_low, u32 mask_high);
int write_motion_schedule(const char* db, const RecordSchedule* schedule, int channel);

// The all-day schedule sent with 3209 and 3252: days 0..6, each enabled
// with four slots from 00:00 to 24:00.
inline MotionAllDayRecord motion_all_day_record()
{
    MotionAllDayRecord r = zeroed<MotionAllDayRecord>();
    for (int d = 0; d < 7; d++) {
        r.days[d].day = d;
        r.days[d].enable = 1;
        for (MotionDaySlot& s : r.days[d].slots) s = MotionDaySlot{0, 0, 24, 0};
    }
    return r;
}
