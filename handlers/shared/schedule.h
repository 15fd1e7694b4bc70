// The weekly schedule as the store keeps it: the record schedule of a
// channel, and the structure of every event-action schedule
// (handlers/shared/event_actions.h), which uses the first 12 plans of a day.
#pragma once

#include "platform/record.h"

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

struct ScheduleDay {
    SchedulePlan plans[kSchedulePlans];  //    0
    i32 wholeday_enable;                 // 3264
    i32 wholeday_action_type;            // 3268
};
NVR_RECORD_SIZE(ScheduleDay, 3272);

// Eight day entries in index order; what a day index means is the client's
// and the core daemon's business.
struct RecordSchedule {
    ScheduleDay days[kScheduleDays];  // 0, 3272, 6544, 9816, 13088, 16360, 19632, 22904
};
NVR_RECORD_SIZE(RecordSchedule, 26176);
