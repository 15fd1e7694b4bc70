// Store calls of smart events and the table of where they keep their actions.
#include <cstddef>
#include <cstring>

#include "handlers/event/smart_records.h"

namespace {

void set_smart_channel(void* record, int channel) { static_cast<SmartEventRecord*>(record)->chnid = channel; }

// White-LED names by event number (the names vca_whiteled_name gives).
const char* const kWhiteLedSchedules[kSmartEvents] = {
    "vca_regionin_whiteled_esche",  "vca_regionexit_whiteled_esche", "vca_motion_whiteled_esche",
    "vca_tamper_whiteled_esche",    "vca_linecross_whiteled_esche",  "vca_loiter_whiteled_esche",
    "vca_human_whiteled_esche",     "vca_people_whiteled_esche",     "vca_object_whiteled_esche"};
const char* const kWhiteLedParams[kSmartEvents] = {
    "vca_regionin_white_led_params",  "vca_regionexit_white_led_params", "vca_motion_white_led_params",
    "vca_tamper_white_led_params",    "vca_linecross_white_led_params",  "vca_loiter_white_led_params",
    "vca_human_white_led_params",     "vca_people_white_led_params",     "vca_object_white_led_params"};

bool valid_event(int event) { return event >= 0 && event < kSmartEvents; }

int read_schedule(ActionKind kind, const char* db, RecordSchedule* out, int channel, int event)
{
    if (!valid_event(event)) {
        std::memset(out, 0, sizeof *out);
        return -1;
    }
    return event_schedule_read(db, kSmartEventSource, kind, EventKey{channel, event}, out);
}

int write_schedule(ActionKind kind, const char* db, const RecordSchedule* schedule, int channel, int event)
{
    if (!valid_event(event)) return -1;
    return event_schedule_write(db, kSmartEventSource, kind, EventKey{channel, event}, schedule);
}

}  // namespace

const EventSource kSmartEventSource = {
    "smart event",
    kSmartEventKind,
    set_smart_channel,
    true,
    {kSmartScheduleTables[kActEffective], kSmartScheduleTables[kActAudible], kSmartScheduleTables[kActEmail],
     kSmartScheduleTables[kActPtz]},
    kSmartPtzType,
    kWhiteLedSchedules,
    kWhiteLedParams,
    kSmartEvents,
    TriggerLayout{
        int(offsetof(SmartEventRecord, enable)),
        int(offsetof(SmartEventRecord, tri_mask)),
        int(offsetof(SmartEventRecord, tri_channels)),
        int(offsetof(SmartEventRecord, tri_alarms)),
        int(offsetof(SmartEventRecord, interval)),
        int(offsetof(SmartEventRecord, email_interval)),
        int(offsetof(SmartEventRecord, email_pic_enable)),
        int(offsetof(SmartEventRecord, tri_channels_pic)),
        int(offsetof(SmartEventRecord, ptz_interval)),
        int(offsetof(SmartEventRecord, alarmout_interval)),
        int(offsetof(SmartEventRecord, white_interval)),
        int(offsetof(SmartEventRecord, audio_id)),
        kNoField,
        {int(offsetof(SmartEventRecord, tri_chn_alarms[0])), int(offsetof(SmartEventRecord, tri_chn_alarms[1]))},
    },
    kMsgSmartChanged,
    kNotifyChannel,
    nullptr,
};

int read_smart_event(const char* db, SmartEventRecord* out, int channel, int event)
{
    if (!valid_event(event)) {
        *out = zeroed<SmartEventRecord>();
        return -1;
    }
    return event_record_read(db, kSmartEventSource, EventKey{channel, event}, out);
}

int write_smart_event(const char* db, const SmartEventRecord* rec, int event)
{
    if (!valid_event(event)) return -1;
    SmartEventRecord copy = *rec;
    return event_record_write(db, kSmartEventSource, EventKey{rec->chnid, event}, &copy);
}

int read_smart_event_effective_schedule(const char* db, RecordSchedule* out, int channel, int event)
{
    return read_schedule(kActEffective, db, out, channel, event);
}
int read_smart_event_audible_schedule(const char* db, RecordSchedule* out, int channel, int event)
{
    return read_schedule(kActAudible, db, out, channel, event);
}
int read_smart_event_mail_schedule(const char* db, RecordSchedule* out, int channel, int event)
{
    return read_schedule(kActEmail, db, out, channel, event);
}
int read_smart_event_ptz_schedule(const char* db, RecordSchedule* out, int channel, int event)
{
    return read_schedule(kActPtz, db, out, channel, event);
}

int write_smart_event_effective_schedule(const char* db, const RecordSchedule* schedule, int channel, int event)
{
    return write_schedule(kActEffective, db, schedule, channel, event);
}
int write_smart_event_audible_schedule(const char* db, const RecordSchedule* schedule, int channel, int event)
{
    return write_schedule(kActAudible, db, schedule, channel, event);
}
int write_smart_event_mail_schedule(const char* db, const RecordSchedule* schedule, int channel, int event)
{
    return write_schedule(kActEmail, db, schedule, channel, event);
}
int write_smart_event_ptz_schedule(const char* db, const RecordSchedule* schedule, int channel, int event)
{
    return write_schedule(kActPtz, db, schedule, channel, event);
}
