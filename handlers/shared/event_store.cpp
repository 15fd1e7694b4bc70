// Store calls of the event actions: white-LED schedules and lists, PTZ
// action lists, alarm audio slots, and the tables an EventSource names.
#include <cstdio>
#include <cstring>
#include <memory>

#include "handlers/shared/event_actions.h"

namespace {

// A table name built for one call.
struct TableName {
    char name[72];
    TableName(const char* base, bool per_sub, int sub)
    {
        if (!per_sub)
            std::snprintf(name, sizeof name, "%s", base ? base : "");
        else if (sub < 0)
            std::snprintf(name, sizeof name, "%s_m%d", base ? base : "", -sub);
        else
            std::snprintf(name, sizeof name, "%s_%d", base ? base : "", sub);
    }
};

// A named table of records of type T. The kind points into this object: use
// it within the call.
template <typename T>
struct Table : TableName {
    int capacity;
    Table(const char* base, bool per_sub, int sub, int capacity_) : TableName(base, per_sub, sub), capacity(capacity_) {}
    StoreKind<T> kind() const { return StoreKind<T>{name, capacity}; }
};

// The record table of an event source, whose record size the source gives.
struct RecordTable : TableName {
    int capacity;
    size_t size;
    RecordTable(const char* base, bool per_sub, int sub, int capacity_, size_t size_)
        : TableName(base, per_sub, sub), capacity(capacity_), size(size_)
    {
    }
    KxRecordKind kind() const { return KxRecordKind{name, capacity, size}; }
};

Table<RecordSchedule> whiteled_schedule_table(const WhiteLedKey& key)
{
    return Table<RecordSchedule>(text_of(key.name).s, false, 0, kEventChannels);
}

Table<WhiteLedList> whiteled_list_table(const char* name)
{
    return Table<WhiteLedList>(name, false, 0, kEventChannels);
}

Table<PtzActionList> ptz_table(int type)
{
    return Table<PtzActionList>("ptz_params", true, type, kEventChannels);
}

bool ptz_type_valid(int type) { return type >= 0 && type <= kMaxPtzEventType; }

// Copies keep lists naming the channel they belong to.
void patch_whiteled_owner(void* record, int index)
{
    WhiteLedList* list = static_cast<WhiteLedList*>(record);
    for (int i = 0; i < list->count && i < kWhiteLedEntries; i++) list->entries[i].owner = index;
}

void patch_ptz_source(void* record, int index)
{
    PtzActionList* list = static_cast<PtzActionList*>(record);
    for (int i = 0; i < list->count && i < kPtzListEntries; i++) list->entries[i].source_channel = index;
}

void patch_peoplecnt_source(void* record, int index)
{
    PeoplecntPtzList* list = static_cast<PeoplecntPtzList*>(record);
    for (int i = 0; i < list->count && i < kPtzRequestEntries; i++) list->entries[i].source_channel = index;
}

int clamp_count(int count, int max) { return count < 0 ? 0 : count > max ? max : count; }

}  // namespace

// ---- white LED ----

int read_whiteled_effective_schedule(const char* db, RecordSchedule* out, const WhiteLedKey& key)
{
    auto t = whiteled_schedule_table(key);
    return store_read(db, t.kind(), key.channel, out);
}

int write_whiteled_effective_schedule(const char* db, const RecordSchedule* schedule, const WhiteLedKey& key)
{
    auto t = whiteled_schedule_table(key);
    return store_write(db, t.kind(), key.channel, *schedule);
}

int copy_whiteled_effective_schedules(const char* db, const WhiteLedKey& source, u32 mask_low, u32 mask_high)
{
    auto t = whiteled_schedule_table(source);
    return store_copy(db, t.kind(), source.channel, mask_low, mask_high);
}

int read_whiteled_params(const char* db, WhiteLedEntry* out, const WhiteLedKey& key)
{
    WhiteLedList list;
    auto t = whiteled_list_table(text_of(key.name).s);
    store_read(db, t.kind(), key.channel, &list);
    int n = clamp_count(list.count, kWhiteLedEntries);
    std::memset(out, 0, sizeof(WhiteLedEntry) * kWhiteLedEntries);
    std::memcpy(out, list.entries, sizeof(WhiteLedEntry) * size_t(n));
    return n;
}

int write_whiteled_params_all(const char* db, const WhiteLedList* list, const char* name, int channel)
{
    auto t = whiteled_list_table(name);
    WhiteLedList copy = *list;
    copy.count = clamp_count(copy.count, kWhiteLedEntries);
    return store_write(db, t.kind(), channel, copy);
}

int copy_whiteled_params(const char* db, const WhiteLedKey& source, u32 mask_low, u32 mask_high)
{
    auto t = whiteled_list_table(text_of(source.name).s);
    return store_copy(db, t.kind(), source.channel, mask_low, mask_high, patch_whiteled_owner);
}

// ---- PTZ action lists ----

int read_ptz_params(const char* db, PtzActionEntry* out, int type, int channel)
{
    if (type == kPeoplecntPtzType) return read_peoplecnt_ptz_params(db, out, channel);
    std::memset(out, 0, sizeof(PtzActionEntry) * kPtzListEntries);
    if (!ptz_type_valid(type)) return 0;
    const auto list_owner = std::make_unique<PtzActionList>();
    PtzActionList& list = *list_owner;
    auto t = ptz_table(type);
    store_read(db, t.kind(), channel, &list);
    int n = clamp_count(list.count, kPtzListEntries);
    std::memcpy(out, list.entries, sizeof(PtzActionEntry) * size_t(n));
    return n;
}

int write_ptz_params_all(const char* db, const PtzActionEntry* entries, int count, int type, int channel)
{
    if (type == kPeoplecntPtzType) return write_peoplecnt_ptz_params_ex(db, entries, count, channel);
    if (!ptz_type_valid(type)) return -1;
    const auto list_owner = std::make_unique<PtzActionList>();
    PtzActionList& list = *list_owner;
    std::memset(&list, 0, sizeof list);
    list.count = clamp_count(count, kPtzRequestEntries);
    std::memcpy(list.entries, entries, sizeof(PtzActionEntry) * size_t(list.count));
    auto t = ptz_table(type);
    return store_write(db, t.kind(), channel, list);
}

int copy_ptz_params_all(const char* db, int type, int source, u32 mask_low, u32 mask_high)
{
    if (type == kPeoplecntPtzType)
        return store_copy(db, kPeoplecntPtzKind, source, mask_low, mask_high, patch_peoplecnt_source);
    if (!ptz_type_valid(type)) return -1;
    auto t = ptz_table(type);
    return store_copy(db, t.kind(), source, mask_low, mask_high, patch_ptz_source);
}

int read_peoplecnt_ptz_params(const char* db, PtzActionEntry* out, int channel)
{
    PeoplecntPtzList list;
    store_read(db, kPeoplecntPtzKind, channel, &list);
    int n = clamp_count(list.count, kPtzRequestEntries);
    std::memset(out, 0, sizeof(PtzActionEntry) * kPtzRequestEntries);
    std::memcpy(out, list.entries, sizeof(PtzActionEntry) * size_t(n));
    return n;
}

int write_peoplecnt_ptz_params_ex(const char* db, const PtzActionEntry* entries, int count, int channel)
{
    PeoplecntPtzList list = zeroed<PeoplecntPtzList>();
    list.count = clamp_count(count, kPtzRequestEntries);
    std::memcpy(list.entries, entries, sizeof(PtzActionEntry) * size_t(list.count));
    return store_write(db, kPeoplecntPtzKind, channel, list);
}

// ---- alarm audio ----

int read_alarm_audio_file(const char* db, AlarmAudioFile* out)
{
    int count = 0;
    return store_read_all(db, kAlarmAudioFileKind, out, kAlarmAudioFiles, &count);
}

// ---- tables of an event source ----

namespace {

RecordTable record_table(const EventSource& src, EventKey key)
{
    return RecordTable(src.record.table, src.per_sub, key.sub, src.record.capacity, src.record.size);
}

Table<RecordSchedule> schedule_table(const EventSource& src, ActionKind kind, EventKey key)
{
    return Table<RecordSchedule>(src.schedules[kind], src.per_sub, key.sub, src.record.capacity);
}

}  // namespace

int event_record_read(const char* db, const EventSource& src, EventKey key, void* out)
{
    auto t = record_table(src, key);
    return kxdb_row_read(db, t.kind(), key.channel, out);
}

int event_record_write(const char* db, const EventSource& src, EventKey key, void* record)
{
    if (src.set_channel) src.set_channel(record, key.channel);
    auto t = record_table(src, key);
    return kxdb_row_write(db, t.kind(), key.channel, record);
}

int event_record_copy(const char* db, const EventSource& src, EventKey source, u64 mask)
{
    auto t = record_table(src, source);
    return kxdb_row_copy(db, t.kind(), source.channel, mask, src.set_channel);
}

int event_schedule_read(const char* db, const EventSource& src, ActionKind kind, EventKey key, RecordSchedule* out)
{
    if (kind < 0 || kind >= kActionKinds || !src.schedules[kind]) {
        std::memset(out, 0, sizeof *out);
        return -1;
    }
    auto t = schedule_table(src, kind, key);
    return store_read(db, t.kind(), key.channel, out);
}

int event_schedule_write(const char* db, const EventSource& src, ActionKind kind, EventKey key,
                         const RecordSchedule* schedule)
{
    if (kind < 0 || kind >= kActionKinds || !src.schedules[kind]) return -1;
    auto t = schedule_table(src, kind, key);
    return store_write(db, t.kind(), key.channel, *schedule);
}

int event_schedule_copy(const char* db, const EventSource& src, ActionKind kind, EventKey source, u64 mask)
{
    if (kind < 0 || kind >= kActionKinds || !src.schedules[kind]) return -1;
    auto t = schedule_table(src, kind, source);
    return kxdb_row_copy(db, t.kind(), source.channel, mask);
}

bool event_whiteled_key(const EventSource& src, EventKey key, int which, WhiteLedKey* out)
{
    const char* const* names = which == 0 ? src.whiteled_schedules : src.whiteled_params;
    int i = src.per_sub ? key.sub : 0;
    if (!names || i < 0 || i >= src.whiteled_names || !names[i]) return false;
    std::memset(out, 0, sizeof *out);
    out->channel = key.channel;
    set_text(out->name, names[i]);
    return true;
}

int event_ptz_type(const EventSource& src, EventKey key)
{
    if (src.ptz_type < 0) return -1;
    return src.ptz_type + (src.per_sub ? key.sub : 0);
}

void event_action_copy(const EventSource& src, EventKey source, u64 mask)
{
    const u32 low = mask_low(mask), high = mask_high(mask);
    event_record_copy(kMainDb, src, source, mask);
    for (int k = 0; k < kActionKinds; k++)
        if (src.schedules[k]) event_schedule_copy(kMainDb, src, ActionKind(k), source, mask);
    WhiteLedKey wkey;
    if (event_whiteled_key(src, source, 0, &wkey)) copy_whiteled_effective_schedules(kMainDb, wkey, low, high);
    if (event_whiteled_key(src, source, 1, &wkey)) copy_whiteled_params(kMainDb, wkey, low, high);
    int type = event_ptz_type(src, source);
    if (type >= 0) copy_ptz_params_all(kMainDb, type, source.channel, low, high);
}
