// Store calls of the alarm inputs and outputs, and the tables of where the
// recorder's and the cameras' alarm inputs keep their actions.
#include <cstddef>
#include <cstring>

#include "common/store_mask.h"
#include "handlers/event/alarm_records.h"
#include "handlers/event/event_rows.h"
#include "common/json.h"

namespace {

void set_alarm_in_id(void* record, int id) { static_cast<AlarmInRecord*>(record)->id = id; }
void set_camera_in_channel(void* record, int channel) { static_cast<CameraInEventRecord*>(record)->chnid = channel; }

// A recorder alarm input's action object may carry two fields of its own:
// "interval" also switches the input to enable 2, "email_interval" its
// e-mail companion field to 2.
bool alarm_in_extra_fields(json_object* obj, void* record)
{
    AlarmInRecord* rec = static_cast<AlarmInRecord*>(record);
    bool changed = false;
    if (jhas(obj, "interval")) {
        rec->enable = 2;
        changed = true;
    }
    if (jhas(obj, "email_interval")) {
        rec->email_enable = 2;
        changed = true;
    }
    return changed;
}

const char* const kAlarmInWhiteLedSchedules[] = {"alarmin_whiteled_esche"};
const char* const kAlarmInWhiteLedParams[] = {"alarm_in_white_led_params"};
const char* const kCameraInWhiteLedSchedules[] = {"alarm_chnIn0_whiteled_esche", "alarm_chnIn1_whiteled_esche"};
const char* const kCameraInWhiteLedParams[] = {"alarm_chnIn0_white_led_params", "alarm_chnIn1_white_led_params"};

constexpr EventKey input(int id) { return EventKey{id, 0}; }

bool camera_alarm_valid(CameraAlarmKey key)
{
    return key.chnid >= 0 && key.chnid < kEventChannels && key.alarm_id >= 0 && key.alarm_id < kCameraAlarms;
}

StoreKind<RecordSchedule> alarm_in_schedule_kind(ActionKind kind)
{
    return StoreKind<RecordSchedule>{kAlarmInScheduleTables[kind], kAlarmIns};
}

int copy_alarm_in_schedule(ActionKind kind, const char* db, const RecordSchedule* schedule, u32 low, u32 high)
{
    return store_write_masked(db, alarm_in_schedule_kind(kind), schedule, mask64(low, high));
}

// The rows of a camera's alarm inputs or outputs: one kind per alarm index,
// a row per channel. A key outside 0..63 and 0..1 is refused (-1), a read
// giving zeros.
template <typename T>
using CameraAlarmKinds = StoreKind<T>[kCameraAlarms];

template <typename T>
int camera_alarm_read(const char* db, const CameraAlarmKinds<T>& kinds, CameraAlarmKey key, T* out)
{
    if (!camera_alarm_valid(key)) {
        std::memset(static_cast<void*>(out), 0, sizeof *out);
        return -1;
    }
    return store_read(db, kinds[key.alarm_id], key.chnid, out);
}

template <typename T>
int camera_alarm_write(const char* db, const CameraAlarmKinds<T>& kinds, CameraAlarmKey key, const T& rec)
{
    if (!camera_alarm_valid(key)) return -1;
    return store_write(db, kinds[key.alarm_id], key.chnid, rec);
}

// Every channel's row of alarm index `alarm_id`.
template <typename T>
int camera_alarm_read_all(const char* db, const CameraAlarmKinds<T>& kinds, int alarm_id, T* out)
{
    if (alarm_id < 0 || alarm_id >= kCameraAlarms) return -1;
    int count = 0;
    return store_read_all(db, kinds[alarm_id], out, kEventChannels, &count);
}

// The whole table of the recorder's alarm inputs or outputs, each record
// keyed to its id (those never stored too).
template <typename T>
int read_numbered(const char* db, const StoreKind<T>& kind, T* out, int* count)
{
    const int r = store_read_all(db, kind, out, kind.capacity, count);
    for (int i = 0; i < kind.capacity; i++) out[i].id = i;
    return r;
}

}  // namespace

const EventSource kAlarmInEvents = {
    "alarm input",
    kAlarmInKind,
    set_alarm_in_id,
    false,
    {kAlarmInScheduleTables[kActEffective], kAlarmInScheduleTables[kActAudible], kAlarmInScheduleTables[kActEmail],
     kAlarmInScheduleTables[kActPtz]},
    kAlarmInPtzType,
    kAlarmInWhiteLedSchedules,
    kAlarmInWhiteLedParams,
    1,
    TriggerLayout{
        int(offsetof(AlarmInRecord, enable)),
        int(offsetof(AlarmInRecord, tri_mask)),
        int(offsetof(AlarmInRecord, tri_channels)),
        int(offsetof(AlarmInRecord, tri_alarms)),
        int(offsetof(AlarmInRecord, interval)),
        int(offsetof(AlarmInRecord, email_interval)),
        int(offsetof(AlarmInRecord, email_pic_enable)),
        int(offsetof(AlarmInRecord, tri_channels_pic)),
        int(offsetof(AlarmInRecord, ptz_interval)),
        int(offsetof(AlarmInRecord, alarmout_interval)),
        int(offsetof(AlarmInRecord, white_interval)),
        int(offsetof(AlarmInRecord, audio_id)),
        int(offsetof(AlarmInRecord, tri_snapshot)),
        {int(offsetof(AlarmInRecord, tri_chn_alarms[0])), int(offsetof(AlarmInRecord, tri_chn_alarms[1]))},
    },
    0,
    kNotifyNone,  // the requests send 1415 once for the input and its copies
    alarm_in_extra_fields,
};

const EventSource kCameraInEvents = {
    "camera alarm input",
    KxRecordKind{"alarm_chnIn_event", kEventChannels, sizeof(CameraInEventRecord)},
    set_camera_in_channel,
    true,
    {kCameraInScheduleTables[kActEffective], kCameraInScheduleTables[kActAudible], kCameraInScheduleTables[kActEmail],
     kCameraInScheduleTables[kActPtz]},
    kCameraInPtzType,
    kCameraInWhiteLedSchedules,
    kCameraInWhiteLedParams,
    kCameraAlarms,
    TriggerLayout{
        int(offsetof(CameraInEventRecord, enable)),
        int(offsetof(CameraInEventRecord, tri_mask)),
        int(offsetof(CameraInEventRecord, tri_channels)),
        int(offsetof(CameraInEventRecord, tri_alarms)),
        int(offsetof(CameraInEventRecord, interval)),
        int(offsetof(CameraInEventRecord, email_interval)),
        int(offsetof(CameraInEventRecord, email_pic_enable)),
        int(offsetof(CameraInEventRecord, tri_channels_pic)),
        int(offsetof(CameraInEventRecord, ptz_interval)),
        int(offsetof(CameraInEventRecord, alarmout_interval)),
        int(offsetof(CameraInEventRecord, white_interval)),
        int(offsetof(CameraInEventRecord, audio_id)),
        kNoField,
        {int(offsetof(CameraInEventRecord, tri_chn_alarms[0])), int(offsetof(CameraInEventRecord, tri_chn_alarms[1]))},
    },
    0,
    kNotifyNone,  // the request sends 3325 and 1417 for the channel and its copies
    nullptr,
};

// ---- recorder alarm inputs ----

int read_alarm_in(const char* db, AlarmInRecord* out, int id) { return store_read(db, kAlarmInKind, id, out); }
int write_alarm_in(const char* db, const AlarmInRecord* rec) { return store_write(db, kAlarmInKind, rec->id, *rec); }

int read_alarm_ins(const char* db, AlarmInRecord* out, int* count)
{
    return read_numbered(db, kAlarmInKind, out, count);
}

int write_alarm_ins(const char* db, const AlarmInRecord* table, int count, u32 mask_low, u32 mask_high)
{
    return event_rows_write_table(db, kAlarmInKind, table, count, mask_low, mask_high);
}

int read_alarm_in_schedule(const char* db, RecordSchedule* out, int id)
{
    return store_read(db, kAlarmInScheduleKind, id, out);
}
int write_alarm_in_schedule(const char* db, const RecordSchedule* schedule, int id)
{
    return store_write(db, kAlarmInScheduleKind, id, *schedule);
}

int read_alarmin_effective_schedule(const char* db, RecordSchedule* out, int id)
{
    return event_schedule_read(db, kAlarmInEvents, kActEffective, input(id), out);
}
int read_alarmin_audible_schedule(const char* db, RecordSchedule* out, int id)
{
    return event_schedule_read(db, kAlarmInEvents, kActAudible, input(id), out);
}
int read_alarmin_email_schedule(const char* db, RecordSchedule* out, int id)
{
    return event_schedule_read(db, kAlarmInEvents, kActEmail, input(id), out);
}
int read_alarmin_ptz_schedule(const char* db, RecordSchedule* out, int id)
{
    return event_schedule_read(db, kAlarmInEvents, kActPtz, input(id), out);
}
int write_alarmin_effective_schedule(const char* db, const RecordSchedule* schedule, int id)
{
    return event_schedule_write(db, kAlarmInEvents, kActEffective, input(id), schedule);
}
int copy_alarmin_effective_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high)
{
    return copy_alarm_in_schedule(kActEffective, db, schedule, mask_low, mask_high);
}
int copy_alarmin_audible_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high)
{
    return copy_alarm_in_schedule(kActAudible, db, schedule, mask_low, mask_high);
}
int copy_alarmin_email_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high)
{
    return copy_alarm_in_schedule(kActEmail, db, schedule, mask_low, mask_high);
}
int copy_alarmin_ptz_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high)
{
    return copy_alarm_in_schedule(kActPtz, db, schedule, mask_low, mask_high);
}

// ---- recorder alarm outputs ----

int read_alarm_out(const char* db, AlarmOutRecord* out, int id) { return store_read(db, kAlarmOutKind, id, out); }
int write_alarm_out(const char* db, const AlarmOutRecord* rec)
{
    return store_write(db, kAlarmOutKind, rec->id, *rec);
}

int read_alarm_outs(const char* db, AlarmOutRecord* out, int* count)
{
    return read_numbered(db, kAlarmOutKind, out, count);
}

int write_alarm_outs(const char* db, const AlarmOutRecord* table, int count, u32 mask_low, u32 mask_high)
{
    return event_rows_write_table(db, kAlarmOutKind, table, count, mask_low, mask_high);
}

int read_alarm_out_schedule(const char* db, RecordSchedule* out, int id)
{
    return store_read(db, kAlarmOutScheduleKind, id, out);
}
int write_alarm_out_schedule(const char* db, const RecordSchedule* schedule, int id)
{
    return store_write(db, kAlarmOutScheduleKind, id, *schedule);
}
int copy_alarm_out_schedules(const char* db, int source, u32 mask_low, u32 mask_high)
{
    return store_copy(db, kAlarmOutScheduleKind, source, mask_low, mask_high);
}

// ---- camera alarm inputs and outputs ----

int read_alarm_chnIn_event_name(const char* db, CameraInNameRecord* out, CameraAlarmKey key)
{
    return camera_alarm_read(db, kCameraInNameKinds, key, out);
}

int write_alarm_chnIn_event_name(const char* db, const CameraInNameRecord* rec)
{
    return camera_alarm_write(db, kCameraInNameKinds, CameraAlarmKey{rec->chnid, rec->alarm_id}, *rec);
}

int read_alarm_chnIn_event_names(const char* db, CameraInNameRecord* out, int alarm_id)
{
    return camera_alarm_read_all(db, kCameraInNameKinds, alarm_id, out);
}

int read_alarm_chnOut_event_name(const char* db, CameraOutNameRecord* out, CameraAlarmKey key)
{
    return camera_alarm_read(db, kCameraOutNameKinds, key, out);
}

int write_alarm_chnOut_event_name(const char* db, const CameraOutNameRecord* rec)
{
    return camera_alarm_write(db, kCameraOutNameKinds, CameraAlarmKey{rec->chnid, rec->alarm_id}, *rec);
}

int read_alarm_chnOut_event_names(const char* db, CameraOutNameRecord* out, int alarm_id)
{
    return camera_alarm_read_all(db, kCameraOutNameKinds, alarm_id, out);
}

int write_alarm_chnOut_event_names(const char* db, const CameraOutNameRecord* table, int alarm_id, u32 mask_low,
                                   u32 mask_high)
{
    if (alarm_id < 0 || alarm_id >= kCameraAlarms) return -1;
    return event_rows_write_masked(db, kCameraOutNameKinds[alarm_id], table, mask64(mask_low, mask_high));
}

int read_alarm_chnOut_effective_schedule(const char* db, RecordSchedule* out, CameraAlarmKey key)
{
    return camera_alarm_read(db, kCameraOutScheduleKinds, key, out);
}

int write_alarm_chnOut_effective_schedule(const char* db, const RecordSchedule* schedule, CameraAlarmKey key)
{
    return camera_alarm_write(db, kCameraOutScheduleKinds, key, *schedule);
}

int copy_alarm_chnOut_effective_schedules(const char* db, CameraAlarmKey source, u32 mask_low, u32 mask_high)
{
    if (!camera_alarm_valid(source)) return -1;
    return store_copy(db, kCameraOutScheduleKinds[source.alarm_id], source.chnid, mask_low, mask_high);
}
