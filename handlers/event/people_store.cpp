// Store calls of people counting and the tables of where regional counting
// and the counting groups keep their actions.
#include <cstddef>
#include <cstring>

#include "handlers/event/people_records.h"

namespace {

// ---- regional counting ----

void set_region_channel(void* record, int channel) { static_cast<RegionalPcntEventRecord*>(record)->chnid = channel; }

// Regions have no white-LED schedule table of their own among the shared
// names: theirs are kept under these.
const char* const kRegionWhiteSchedules[kPcntRegions] = {
    "regional_pcnt_whiteled_esche", "regional_pcnt1_whiteled_esche", "regional_pcnt2_whiteled_esche",
    "regional_pcnt3_whiteled_esche"};
const char* const kRegionWhiteParams[kPcntRegions] = {
    "regional_pcnt_whiteled_params", "regional_pcnt1_whiteled_params", "regional_pcnt2_whiteled_params",
    "regional_pcnt3_whiteled_params"};

bool valid_region(int region) { return region >= 0 && region < kPcntRegions; }

// ---- groups ----

void set_group_id(void* record, int group) { static_cast<PeoplecntEventRecord*>(record)->groupid = group; }

const char* const kGroupWhiteSchedules[1] = {kPeoplecntWhiteSchedule};
const char* const kGroupWhiteParams[1] = {kPeoplecntWhiteParams};

WhiteLedKey group_white_key(int group, const char* name)
{
    WhiteLedKey key = zeroed<WhiteLedKey>();
    key.channel = group;
    set_text(key.name, name);
    return key;
}

bool valid_group(int group) { return group >= 0 && group < kPcntGroups; }

}  // namespace

const EventSource kRegionalPcntSource = {
    "regional people counting",
    kRegionalPcntEventKind,
    set_region_channel,
    true,
    {kRegionalPcntScheduleTables[kActEffective], kRegionalPcntScheduleTables[kActAudible],
     kRegionalPcntScheduleTables[kActEmail], kRegionalPcntScheduleTables[kActPtz]},
    kRegionalPcntPtzType,
    kRegionWhiteSchedules,
    kRegionWhiteParams,
    kPcntRegions,
    TriggerLayout{
        kNoField,  // a region is switched on with its detection settings
        int(offsetof(RegionalPcntEventRecord, tri_mask)),
        int(offsetof(RegionalPcntEventRecord, tri_channels)),
        int(offsetof(RegionalPcntEventRecord, tri_alarms)),
        int(offsetof(RegionalPcntEventRecord, interval)),
        int(offsetof(RegionalPcntEventRecord, email_interval)),
        int(offsetof(RegionalPcntEventRecord, email_pic_enable)),
        int(offsetof(RegionalPcntEventRecord, tri_channels_pic)),
        int(offsetof(RegionalPcntEventRecord, ptz_interval)),
        int(offsetof(RegionalPcntEventRecord, alarmout_interval)),
        int(offsetof(RegionalPcntEventRecord, white_interval)),
        int(offsetof(RegionalPcntEventRecord, audio_id)),
        kNoField,
        {int(offsetof(RegionalPcntEventRecord, tri_chn_alarms[0])),
         int(offsetof(RegionalPcntEventRecord, tri_chn_alarms[1]))},
    },
    0,
    kNotifyNone,  // the settings request sends the whole record to the camera
    nullptr,
};

const EventSource kPeoplecntGroupSource = {
    "people-counting group",
    kPeoplecntEventKind,
    set_group_id,
    false,
    {kPeoplecntScheduleTables[kActEffective], kPeoplecntScheduleTables[kActAudible],
     kPeoplecntScheduleTables[kActEmail], kPeoplecntScheduleTables[kActPtz]},
    kPeoplecntPtzType,
    kGroupWhiteSchedules,
    kGroupWhiteParams,
    1,
    TriggerLayout{
        kNoField,
        kNoField,
        kNoField,
        int(offsetof(PeoplecntEventRecord, tri_alarms)),
        int(offsetof(PeoplecntEventRecord, interval)),
        int(offsetof(PeoplecntEventRecord, email_interval)),
        int(offsetof(PeoplecntEventRecord, email_pic_enable)),
        int(offsetof(PeoplecntEventRecord, tri_channels_pic)),
        int(offsetof(PeoplecntEventRecord, ptz_interval)),
        int(offsetof(PeoplecntEventRecord, alarmout_interval)),
        int(offsetof(PeoplecntEventRecord, white_interval)),
        int(offsetof(PeoplecntEventRecord, audio_id)),
        kNoField,
        {int(offsetof(PeoplecntEventRecord, tri_chn_alarms[0])), int(offsetof(PeoplecntEventRecord, tri_chn_alarms[1]))},
    },
    0,
    kNotifyNone,  // the handler waits for the group message's answer itself
    nullptr,
};

// ---- regional counting ----

int read_regional_pcnt_event(const char* db, RegionalPcntEventRecord* out, int channel, int region)
{
    if (!valid_region(region)) {
        *out = zeroed<RegionalPcntEventRecord>();
        return -1;
    }
    return event_record_read(db, kRegionalPcntSource, EventKey{channel, region}, out);
}

int write_regional_pcnt_event(const char* db, const RegionalPcntEventRecord* rec, int region)
{
    if (!valid_region(region)) return -1;
    RegionalPcntEventRecord copy = *rec;
    return event_record_write(db, kRegionalPcntSource, EventKey{rec->chnid, region}, &copy);
}

int read_regional_pcnt_schedule(const char* db, int kind, RecordSchedule* out, int channel, int region)
{
    std::memset(out, 0, sizeof *out);
    if (!valid_region(region)) return -1;
    const EventKey key{channel, region};
    if (kind == kPcntWhite) {
        WhiteLedKey wkey;
        if (!event_whiteled_key(kRegionalPcntSource, key, 0, &wkey)) return -1;
        return read_whiteled_effective_schedule(db, out, wkey);
    }
    if (kind < kPcntAudible || kind > kPcntPtz) return -1;
    return event_schedule_read(db, kRegionalPcntSource, ActionKind(kind), key, out);
}

int write_regional_pcnt_schedule(const char* db, int kind, const RecordSchedule* schedule, int channel, int region)
{
    if (!valid_region(region)) return -1;
    const EventKey key{channel, region};
    if (kind == kPcntWhite) {
        WhiteLedKey wkey;
        if (!event_whiteled_key(kRegionalPcntSource, key, 0, &wkey)) return -1;
        return write_whiteled_effective_schedule(db, schedule, wkey);
    }
    if (kind < kPcntAudible || kind > kPcntPtz) return -1;
    return event_schedule_write(db, kRegionalPcntSource, ActionKind(kind), key, schedule);
}

// ---- groups ----

int read_peoplecnt_settings(const char* db, PeoplecntGroupRecord* rows)
{
    int count = 0;
    return store_read_all(db, kPeoplecntSettingsKind, rows, kPcntGroups, &count);
}

int write_peoplecnt_settings(const char* db, const PeoplecntGroupRecord* rows, int count)
{
    if (count < 0 || count > kPcntGroups) return -1;
    return store_write_all(db, kPeoplecntSettingsKind, rows, count);
}

int read_peoplecnt_event(const char* db, PeoplecntEventRecord* out, int group)
{
    if (!valid_group(group)) {
        *out = zeroed<PeoplecntEventRecord>();
        return -1;
    }
    return event_record_read(db, kPeoplecntGroupSource, EventKey{group, 0}, out);
}

int write_peoplecnt_event(const char* db, const PeoplecntEventRecord* rec)
{
    if (!valid_group(rec->groupid)) return -1;
    PeoplecntEventRecord copy = *rec;
    return event_record_write(db, kPeoplecntGroupSource, EventKey{rec->groupid, 0}, &copy);
}

int read_peoplecnt_audible_schedule(const char* db, RecordSchedule* out, int group)
{
    return event_schedule_read(db, kPeoplecntGroupSource, kActAudible, EventKey{group, 0}, out);
}
int read_peoplecnt_email_schedule(const char* db, RecordSchedule* out, int group)
{
    return event_schedule_read(db, kPeoplecntGroupSource, kActEmail, EventKey{group, 0}, out);
}
int read_peoplecnt_ptz_schedule(const char* db, RecordSchedule* out, int group)
{
    return event_schedule_read(db, kPeoplecntGroupSource, kActPtz, EventKey{group, 0}, out);
}
int read_peoplecnt_wled_schedule(const char* db, RecordSchedule* out, int group)
{
    return read_whiteled_effective_schedule(db, out, group_white_key(group, kPeoplecntWhiteSchedule));
}
int write_peoplecnt_audible_schedule(const char* db, const RecordSchedule* schedule, int group)
{
    return event_schedule_write(db, kPeoplecntGroupSource, kActAudible, EventKey{group, 0}, schedule);
}
int write_peoplecnt_email_schedule(const char* db, const RecordSchedule* schedule, int group)
{
    return event_schedule_write(db, kPeoplecntGroupSource, kActEmail, EventKey{group, 0}, schedule);
}
int write_peoplecnt_ptz_schedule(const char* db, const RecordSchedule* schedule, int group)
{
    return event_schedule_write(db, kPeoplecntGroupSource, kActPtz, EventKey{group, 0}, schedule);
}
int write_peoplecnt_wled_schedule(const char* db, const RecordSchedule* schedule, int group)
{
    return write_whiteled_effective_schedule(db, schedule, group_white_key(group, kPeoplecntWhiteSchedule));
}

int read_peoplecnt_wled_params(const char* db, WhiteLedEntry* out, int group)
{
    return read_whiteled_params(db, out, group_white_key(group, kPeoplecntWhiteParams));
}

int write_peoplecnt_wled_params_all(const char* db, const WhiteLedList* list, int group)
{
    return write_whiteled_params_all(db, list, kPeoplecntWhiteParams, group);
}

// ---- report plans ----

int read_peoplecnt_auto_backup(const char* db, PeoplecntReportPlan* plans)
{
    int count = 0;
    return store_read_all(db, kPeoplecntReportKind, plans, kPcntReportPlans, &count);
}

int write_peoplecnt_auto_backup(const char* db, const PeoplecntReportPlan* plans)
{
    return store_write_all(db, kPeoplecntReportKind, plans, kPcntReportPlans);
}
