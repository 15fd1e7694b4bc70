// Store calls of motion detection and the table of where motion keeps its
// actions.
#include <cstddef>

#include "handlers/event/motion_records.h"

namespace {

void set_motion_channel(void* record, int channel) { static_cast<MotionRecord*>(record)->chnid = channel; }

const char* const kWhiteLedSchedules[] = {kMotionWhiteLedSchedule};
const char* const kWhiteLedParams[] = {kMotionWhiteLedParams};

constexpr EventKey at(int channel) { return EventKey{channel, 0}; }

}  // namespace

const EventSource kMotionEvents = {
    "motion",
    kMotionKind,
    set_motion_channel,
    false,
    {kMotionScheduleTables[kActEffective], kMotionScheduleTables[kActAudible], kMotionScheduleTables[kActEmail],
     kMotionScheduleTables[kActPtz]},
    kMotionPtzType,
    kWhiteLedSchedules,
    kWhiteLedParams,
    1,
    TriggerLayout{
        int(offsetof(MotionRecord, enable)),
        int(offsetof(MotionRecord, tri_mask)),
        int(offsetof(MotionRecord, tri_channels)),
        int(offsetof(MotionRecord, tri_alarms)),
        int(offsetof(MotionRecord, interval)),
        int(offsetof(MotionRecord, email_interval)),
        int(offsetof(MotionRecord, email_pic_enable)),
        int(offsetof(MotionRecord, tri_channels_pic)),
        int(offsetof(MotionRecord, ptz_interval)),
        int(offsetof(MotionRecord, alarmout_interval)),
        int(offsetof(MotionRecord, white_interval)),
        int(offsetof(MotionRecord, audio_id)),
        kNoField,
        {int(offsetof(MotionRecord, tri_chn_alarms[0])), int(offsetof(MotionRecord, tri_chn_alarms[1]))},
    },
    kMsgMotionChanged,
    kNotifyChannel,
    nullptr,
};

int read_motion(const char* db, MotionRecord* out, int channel) { return store_read(db, kMotionKind, channel, out); }

int write_motion(const char* db, const MotionRecord* rec) { return store_write(db, kMotionKind, rec->chnid, *rec); }

int read_motions(const char* db, MotionRecord* out, int* count)
{
    return store_read_all(db, kMotionKind, out, kEventChannels, count);
}

int copy_motions(const char* db, int source, u32 mask_low, u32 mask_high)
{
    return store_copy(db, kMotionKind, source, mask_low, mask_high, set_motion_channel);
}

int read_motion_effective_schedule(const char* db, RecordSchedule* out, int channel)
{
    return event_schedule_read(db, kMotionEvents, kActEffective, at(channel), out);
}
int read_motion_audible_schedule(const char* db, RecordSchedule* out, int channel)
{
    return event_schedule_read(db, kMotionEvents, kActAudible, at(channel), out);
}
int read_motion_email_schedule(const char* db, RecordSchedule* out, int channel)
{
    return event_schedule_read(db, kMotionEvents, kActEmail, at(channel), out);
}
int read_motion_ptz_schedule(const char* db, RecordSchedule* out, int channel)
{
    return event_schedule_read(db, kMotionEvents, kActPtz, at(channel), out);
}

int write_motion_effective_schedule(const char* db, const RecordSchedule* schedule, int channel)
{
    return event_schedule_write(db, kMotionEvents, kActEffective, at(channel), schedule);
}
int write_motion_audible_schedule(const char* db, const RecordSchedule* schedule, int channel)
{
    return event_schedule_write(db, kMotionEvents, kActAudible, at(channel), schedule);
}
int write_motion_email_schedule(const char* db, const RecordSchedule* schedule, int channel)
{
    return event_schedule_write(db, kMotionEvents, kActEmail, at(channel), schedule);
}
int write_motion_ptz_schedule(const char* db, const RecordSchedule* schedule, int channel)
{
    return event_schedule_write(db, kMotionEvents, kActPtz, at(channel), schedule);
}

int copy_motion_effective_schedules(const char* db, int source, u32 mask_low, u32 mask_high)
{
    return event_schedule_copy(db, kMotionEvents, kActEffective, at(source), mask64(mask_low, mask_high));
}
int copy_motion_audible_schedules(const char* db, int source, u32 mask_low, u32 mask_high)
{
    return event_schedule_copy(db, kMotionEvents, kActAudible, at(source), mask64(mask_low, mask_high));
}
int copy_motion_email_schedules(const char* db, int source, u32 mask_low, u32 mask_high)
{
    return event_schedule_copy(db, kMotionEvents, kActEmail, at(source), mask64(mask_low, mask_high));
}
int copy_motion_ptz_schedules(const char* db, int source, u32 mask_low, u32 mask_high)
{
    return event_schedule_copy(db, kMotionEvents, kActPtz, at(source), mask64(mask_low, mask_high));
}

int write_motion_schedule(const char* db, const RecordSchedule* schedule, int channel)
{
    return store_write(db, kMotionScheduleKind, channel, *schedule);
}
