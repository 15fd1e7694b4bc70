// Store calls of the POS connections and of where POS input keeps its
// actions.
#include <cstddef>

#include "handlers/camera/pos_records.h"

namespace {

void set_pos_id(void* record, int id) { static_cast<PosEventRecord*>(record)->id = id; }

const char* const kWhiteLedSchedules[] = {kPosWhiteLedSchedule};
const char* const kWhiteLedParams[] = {kPosWhiteLedParams};

constexpr EventKey at(int id) { return EventKey{id, 0}; }

bool whiteled_schedule_key(int id, WhiteLedKey* key)
{
    return event_whiteled_key(kPosEvents, at(id), 0, key);
}

}  // namespace

const EventSource kPosEvents = {
    "pos",
    kPosEventKind,
    set_pos_id,
    false,
    {kPosScheduleTables[kActEffective], kPosScheduleTables[kActAudible], kPosScheduleTables[kActEmail],
     kPosScheduleTables[kActPtz]},
    kPosPtzType,
    kWhiteLedSchedules,
    kWhiteLedParams,
    1,
    TriggerLayout{
        kNoField,  // the enable switch is the connection's
        int(offsetof(PosEventRecord, tri_mask)),
        int(offsetof(PosEventRecord, tri_channels)),
        int(offsetof(PosEventRecord, tri_alarms)),
        int(offsetof(PosEventRecord, interval)),
        int(offsetof(PosEventRecord, email_interval)),
        int(offsetof(PosEventRecord, email_pic_enable)),
        int(offsetof(PosEventRecord, tri_channels_pic)),
        int(offsetof(PosEventRecord, ptz_interval)),
        int(offsetof(PosEventRecord, alarmout_interval)),
        int(offsetof(PosEventRecord, white_interval)),
        int(offsetof(PosEventRecord, audio_id)),
        kNoField,
        {int(offsetof(PosEventRecord, tri_chn_alarms[0])), int(offsetof(PosEventRecord, tri_chn_alarms[1]))},
    },
    0,
    kNotifyNone,  // the connection write tells the core daemon
    nullptr,
};

int read_pos_settings(const char* db, PosSettingRecord* rows)
{
    int count = 0;
    return store_read_all(db, kPosSettingKind, rows, kPosTerminals, &count);
}

int read_pos_setting(const char* db, PosSettingRecord* row, int id)
{
    return store_read(db, kPosSettingKind, id, row);
}

int write_pos_setting(const char* db, const PosSettingRecord* row)
{
    return store_write(db, kPosSettingKind, row->id, *row);
}

int read_pos_event(const char* db, PosEventRecord* row, int id) { return store_read(db, kPosEventKind, id, row); }

int write_pos_event(const char* db, const PosEventRecord* row)
{
    return store_write(db, kPosEventKind, row->id, *row);
}

int read_pos_schedule(const char* db, int kind, RecordSchedule* schedule, int id)
{
    if (kind == kPosWhite) {
        WhiteLedKey key;
        if (whiteled_schedule_key(id, &key)) return read_whiteled_effective_schedule(db, schedule, key);
    }
    return event_schedule_read(db, kPosEvents, ActionKind(kind), at(id), schedule);
}

int write_pos_schedule(const char* db, int kind, const RecordSchedule* schedule, int id)
{
    if (kind == kPosWhite) {
        WhiteLedKey key;
        return whiteled_schedule_key(id, &key) ? write_whiteled_effective_schedule(db, schedule, key) : -1;
    }
    return event_schedule_write(db, kPosEvents, ActionKind(kind), at(id), schedule);
}
