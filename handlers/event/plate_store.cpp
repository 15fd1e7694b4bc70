// Store calls of plate recognition: the plate lists of their own database
// and the tables of where plate events keep their actions.
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "handlers/event/plate_records.h"

namespace {

void set_plate_channel(void* record, int channel) { static_cast<PlateEventRecord*>(record)->chnid = channel; }

const char* const kWhiteLedSchedules[kPlateModes] = {"lpr_black_whiteled_esche", "lpr_white_whiteled_esche",
                                                     "lpr_vistor_whiteled_esche"};
const char* const kWhiteLedParams[kPlateModes] = {"lpr_black_white_led_params", "lpr_white_white_led_params",
                                                  "lpr_vistor_white_led_params"};

constexpr TriggerLayout kPlateTriggers{
    int(offsetof(PlateEventRecord, enable)),
    int(offsetof(PlateEventRecord, tri_mask)),
    int(offsetof(PlateEventRecord, tri_channels)),
    int(offsetof(PlateEventRecord, tri_alarms)),
    int(offsetof(PlateEventRecord, interval)),
    int(offsetof(PlateEventRecord, email_interval)),
    int(offsetof(PlateEventRecord, email_pic_enable)),
    int(offsetof(PlateEventRecord, tri_channels_pic)),
    int(offsetof(PlateEventRecord, ptz_interval)),
    int(offsetof(PlateEventRecord, alarmout_interval)),
    int(offsetof(PlateEventRecord, white_interval)),
    int(offsetof(PlateEventRecord, audio_id)),
    kNoField,
    {int(offsetof(PlateEventRecord, tri_chn_alarms[0])), int(offsetof(PlateEventRecord, tri_chn_alarms[1]))},
};

bool valid_mode(int mode) { return mode >= kAllPlatesMode && mode < kPlateModes; }

// The plate text of an entry as a key (never past its field).
std::string plate_key(const PlateListEntry& e) { return std::string(text_of(e.plate).s); }

}  // namespace

const EventSource kPlateEvents = {
    "plate event",
    kPlateEventKind,
    set_plate_channel,
    true,
    {kPlateScheduleTables[kActEffective], kPlateScheduleTables[kActAudible], kPlateScheduleTables[kActEmail],
     kPlateScheduleTables[kActPtz]},
    kPlatePtzType,
    kWhiteLedSchedules,
    kWhiteLedParams,
    kPlateModes,
    kPlateTriggers,
    kMsgPlateEventChanged,
    kNotifyMask,
    nullptr,
};

const EventSource kAllPlateEvents = {
    "every plate",
    kPlateEventKind,
    set_plate_channel,
    true,
    {kPlateScheduleTables[kActEffective], nullptr, nullptr, nullptr},
    -1,
    nullptr,
    nullptr,
    0,
    kPlateTriggers,
    kMsgPlateEventChanged,
    kNotifyMask,
    nullptr,
};

const EventSource& plate_source(int mode) { return mode == kAllPlatesMode ? kAllPlateEvents : kPlateEvents; }

// ---- plate lists ----

namespace {

// The list keys of a batch of entries (their plates), as the store takes
// them: texts and the pointers to them.
struct PlateKeys {
    std::vector<std::string> keys;
    std::vector<const char*> ptrs;
    PlateKeys(const PlateListEntry* entries, int count)
    {
        keys.reserve(size_t(count));
        for (int i = 0; i < count; i++) keys.push_back(plate_key(entries[i]));
        for (const std::string& k : keys) ptrs.push_back(k.c_str());
    }
};

}  // namespace

int write_anpr_list_replace_batch(const char* db, const PlateListEntry* entries, int count)
{
    if (count < 0 || (count > 0 && !entries)) return -1;
    const PlateKeys k(entries, count);
    return kxdb_list_put(db, kPlateListTable, k.ptrs.data(), entries, sizeof *entries, count);
}

int delete_anpr_lists(const char* db, const PlateListEntry* entries, int count)
{
    if (count < 0 || (count > 0 && !entries)) return -1;
    const PlateKeys k(entries, count);
    return kxdb_list_delete(db, kPlateListTable, k.ptrs.data(), count);
}

int delete_anpr_list(const char* db, const PlateListEntry* entry) { return delete_anpr_lists(db, entry, 1); }

int read_anpr_list_plate(const char* db, PlateListEntry* out, const char* plate)
{
    return kxdb_list_get(db, kPlateListTable, plate ? plate : "", out, sizeof *out);
}

int update_anpr_list(const char* db, const PlateListEntry* entry) { return write_anpr_list_replace_batch(db, entry, 1); }

int write_anpr_list(const char* db, const PlateListEntry* entry) { return write_anpr_list_replace_batch(db, entry, 1); }

int replace_anpr_list(const char* db, const char* old_plate, const PlateListEntry* entry)
{
    if (!entry) return -1;
    std::string key = plate_key(*entry);
    return kxdb_list_move(db, kPlateListTable, old_plate ? old_plate : "", key.c_str(), entry, sizeof *entry);
}

// ---- plate events ----

int read_anpr_event(const char* db, PlateEventRecord* out, int channel, int mode)
{
    if (!valid_mode(mode)) {
        *out = zeroed<PlateEventRecord>();
        return -1;
    }
    return event_record_read(db, plate_source(mode), EventKey{channel, mode}, out);
}

int write_anpr_event(const char* db, const PlateEventRecord* rec, int mode)
{
    if (!valid_mode(mode)) return -1;
    PlateEventRecord copy = *rec;
    return event_record_write(db, plate_source(mode), EventKey{copy.chnid, mode}, &copy);
}

int read_anpr_effective_schedule(const char* db, RecordSchedule* out, int channel, int mode)
{
    if (!valid_mode(mode)) {
        std::memset(out, 0, sizeof *out);
        return -1;
    }
    return event_schedule_read(db, plate_source(mode), kActEffective, EventKey{channel, mode}, out);
}

int write_anpr_effective_schedule(const char* db, const RecordSchedule* schedule, int channel, int mode)
{
    if (!valid_mode(mode)) return -1;
    return event_schedule_write(db, plate_source(mode), kActEffective, EventKey{channel, mode}, schedule);
}
