// Record rows and weekly schedules as the store keeps them.
//
// The weekly schedule is also the structure of every event-action schedule
// (handlers/event/event_actions.h), which uses the first 12 plans of a day.
#pragma once

#include "common/record.h"
#include "platform/kxdb.h"

constexpr int kRecordChannels = 64;
constexpr int kScheduleDays = 8;
constexpr int kSchedulePlans = 48;

// One plan slot; an empty slot has empty times and action type 0. Times are
// kept as the client sent them (cut to 31 characters).
struct SchedulePlan {
    char start_time[32];  //  0
    char end_time[32];    // 32
    i32 action_type;      // 64
};
NVR_RECORD_SIZE(SchedulePlan, 68);
NVR_FIELD_AT(SchedulePlan, end_time, 32);
NVR_FIELD_AT(SchedulePlan, action_type, 64);

struct ScheduleDay {
    SchedulePlan plans[kSchedulePlans];  //    0
    i32 wholeday_enable;                 // 3264
    i32 wholeday_action_type;            // 3268
};
NVR_RECORD_SIZE(ScheduleDay, 3272);
NVR_FIELD_AT(ScheduleDay, wholeday_enable, 3264);
NVR_FIELD_AT(ScheduleDay, wholeday_action_type, 3268);

// Eight day entries in index order; what a day index means is the client's
// and the core daemon's business.
struct RecordSchedule {
    ScheduleDay days[kScheduleDays];
};
NVR_RECORD_SIZE(RecordSchedule, 26176);
NVR_FIELD_AT(RecordSchedule, days[1], 3272);
NVR_FIELD_AT(RecordSchedule, days[7], 22904);

// A channel's record settings row. `mode` (0, 1 or 2) is the record mode;
// the further settings are those of the record-settings page.
struct RecordRow {
    i32 id;                    //  0  channel id
    i32 mode;                  //  4
    i32 audio_enable;          //  8
    i32 prev_record_on;        // 12
    i32 prev_record_duration;  // 16
    i32 post_record_on;        // 20
    i32 post_record_duration;  // 24
    i32 record_exp_date;       // 28
    u8 reserved[32];           // 32  kept by the store
};
NVR_RECORD_SIZE(RecordRow, 64);
NVR_FIELD_AT(RecordRow, mode, 4);
NVR_FIELD_AT(RecordRow, audio_enable, 8);
NVR_FIELD_AT(RecordRow, record_exp_date, 28);

// Rows are indexed by channel id.
NVR_STORE_KIND(kRecordKind, "record", kRecordChannels, RecordRow);
NVR_STORE_KIND(kRecordScheduleKind, "record_schedule", kRecordChannels, RecordSchedule);

// Store calls.
int read_record(const char* db, RecordRow* out, int channel);  // -1 (zero row) when absent
int read_records(const char* db, RecordRow* out, int* count);  // kRecordChannels rows, indexed by channel
int write_record(const char* db, const RecordRow* row);        // at row->id
int write_records(const char* db, const RecordRow* rows, int count);  // rows 0..count-1, one transaction
int read_record_schedule(const char* db, RecordSchedule* out, int channel);
// Writes one schedule to every channel of the mask.
int copy_record_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high);
// Sets the record mode of the stored rows of the channels of the mask.
int copy_record_modes(const char* db, int mode, u32 mask_low, u32 mask_high);
