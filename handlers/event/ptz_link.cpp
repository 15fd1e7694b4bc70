// Event PTZ linkage: single entries of an event's PTZ action list (added,
// listed, changed, moved to another source channel and deleted). The lists
// are those of the shared event action model, so the action replies of
// every event source show what these requests change.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/json.h"
#include "common/reply.h"
#include "handlers/event/event_request.h"
#include "handlers/event/people.h"
#include "handlers/event/ptz_link_records.h"

namespace {

// The table of a PTZ event type's lists: the same tables read_ptz_params
// and write_ptz_params_all use ("ptz_params_<type>", people counting its
// own).
struct ListTable {
    char name[32];
    KxRecordKind kind;
    int entries;  // capacity of one list
    explicit ListTable(int type)
    {
        if (type == kPeoplecntPtzType) {
            kind = kPeoplecntPtzKind;
            entries = kPtzRequestEntries;
            name[0] = 0;
        } else {
            std::snprintf(name, sizeof name, "ptz_params_%d", type);
            kind = KxRecordKind{name, kEventChannels, sizeof(PtzActionList)};
            entries = kPtzListEntries;
        }
    }
};

// One stored list as bytes: the count, then the entries.
struct ListView {
    char* row;
    int capacity;
    i32 count() const
    {
        i32 n;
        std::memcpy(&n, row, sizeof n);
        return n < 0 ? 0 : n > capacity ? capacity : n;
    }
    void set_count(i32 n) { std::memcpy(row, &n, sizeof n); }
    char* slot(int i) const { return row + sizeof(i32) + size_t(i) * sizeof(PtzActionEntry); }
    PtzActionEntry at(int i) const
    {
        PtzActionEntry e;
        std::memcpy(&e, slot(i), sizeof e);
        return e;
    }
};
static_assert(offsetof(PtzActionList, entries) == sizeof(i32), "list entries follow the count");
static_assert(offsetof(PeoplecntPtzList, entries) == sizeof(i32), "list entries follow the count");

int find(const ListView& list, int ptz_channel)
{
    const i32 n = list.count();
    for (int i = 0; i < n; i++)
        if (list.at(i).acto_ptz_channel == ptz_channel) return i;
    return -1;
}

// Replaces the entry of the same PTZ camera, or appends; -1 when full.
int upsert(ListView list, const PtzActionEntry& entry)
{
    int i = find(list, entry.acto_ptz_channel);
    if (i < 0) {
        i = list.count();
        if (i >= list.capacity) return -1;
        list.set_count(i + 1);
    }
    std::memcpy(list.slot(i), &entry, sizeof entry);
    return 0;
}

void remove(ListView list, int ptz_channel)
{
    const int i = find(list, ptz_channel);
    if (i < 0) return;
    const i32 n = list.count();
    std::memmove(list.slot(i), list.slot(i + 1), size_t(n - i - 1) * sizeof(PtzActionEntry));
    std::memset(list.slot(n - 1), 0, sizeof(PtzActionEntry));
    list.set_count(n - 1);
}

bool valid_type(int type) { return type >= 0 && type <= kMaxPtzEventType; }

// Reads one list, changes it, writes it back.
template <typename Change>
int change_list(const char* db, int type, int channel, Change change)
{
    if (!valid_type(type) || !is_channel(channel)) return -1;
    ListTable t(type);
    std::vector<char> row(t.kind.size, 0);
    kxdb_row_read(db, t.kind, channel, row.data());
    ListView list{row.data(), t.entries};
    if (change(list) != 0) return -1;
    return kxdb_row_write(db, t.kind, channel, row.data());
}

}  // namespace

// ---- store calls ----

int write_ptz_params(const char* db, const PtzActionEntry* entry, int type)
{
    return change_list(db, type, entry->source_channel, [&](ListView list) { return upsert(list, *entry); });
}

int delete_ptz_params(const char* db, const PtzActionEntry* entry, int type)
{
    return change_list(db, type, entry->source_channel, [&](ListView list) {
        remove(list, entry->acto_ptz_channel);
        return 0;
    });
}

int update_ptz_params(const char* db, const PtzActionEntry* entry, int type, int old_channel)
{
    const int channel = entry->source_channel;
    if (old_channel == channel) return write_ptz_params(db, entry, type);
    if (!valid_type(type) || !is_channel(channel) || !is_channel(old_channel)) return -1;
    // Both lists change in one transaction: the entry is never lost between
    // its old and its new source channel.
    ListTable t(type);
    const int rows = (channel > old_channel ? channel : old_channel) + 1;
    std::vector<char> table(t.kind.size * size_t(rows), 0);
    int present = 0;
    if (kxdb_rows_read(db, t.kind, table.data(), rows, &present) != 0) return -1;
    ListView old_list{table.data() + t.kind.size * size_t(old_channel), t.entries};
    ListView new_list{table.data() + t.kind.size * size_t(channel), t.entries};
    remove(old_list, entry->acto_ptz_channel);
    if (upsert(new_list, *entry) != 0) return -1;
    return kxdb_rows_write(db, t.kind, table.data(), rows);
}

int write_peoplecnt_ptz_params(const char* db, const PtzActionEntry* entry)
{
    return write_ptz_params(db, entry, kPeoplecntPtzType);
}
int update_peoplecnt_ptz_params(const char* db, const PtzActionEntry* entry, int old_channel)
{
    return update_ptz_params(db, entry, kPeoplecntPtzType, old_channel);
}
int delete_peoplecnt_ptz_params(const char* db, const PtzActionEntry* entry)
{
    return delete_ptz_params(db, entry, kPeoplecntPtzType);
}

// ---- handlers ----

namespace {

// "type" and "chn_id" of a request; false for bad input.
bool list_key(json_object* r, int* type, int* channel)
{
    if (!r || !json_object_is_type(r, json_type_object)) return false;
    *type = jint(r, "type");
    *channel = jint(r, "chn_id");
    return valid_type(*type) && is_channel(*channel);
}

// The entry of an add or update: only the field of its action type is kept.
// The PTZ camera is stored as given: an entry for PTZ channel 0 (or less) is
// kept, and the list leaves it out.
void entry_from(json_object* r, int channel, PtzActionEntry* out)
{
    *out = zeroed<PtzActionEntry>();
    out->source_channel = channel;
    out->acto_ptz_channel = jint(r, "acto_ptz_channel");
    out->acto_ptz_type = jint(r, "acto_ptz_type");
    switch (out->acto_ptz_type) {
    case kPtzActPreset: out->acto_ptz_preset = jint(r, "acto_ptz_preset"); break;
    case kPtzActPatrol: out->acto_ptz_patrol = jint(r, "acto_ptz_patrol"); break;
    case kPtzActPattern: out->acto_ptz_pattern = jint(r, "acto_ptz_pattern"); break;
    default: break;
    }
}

int store_result(int result) { return result == 0 ? cgi_reply_ok() : cgi_reply_error(kReplyText); }

}  // namespace

int ptz_link_add(const char* request)
{
    JsonPtr req = json_parse(request);
    int type, channel;
    PtzActionEntry entry;
    if (!list_key(req.get(), &type, &channel)) return cgi_reply_error(kReplyText);
    entry_from(req.get(), channel, &entry);
    return store_result(type == kPeoplecntPtzType ? write_peoplecnt_ptz_params(kMainDb, &entry)
                                                  : write_ptz_params(kMainDb, &entry, type));
}

int ptz_link_list(const char* request)
{
    JsonPtr req = json_parse(request);
    int type, channel;
    if (!list_key(req.get(), &type, &channel)) return cgi_reply_error(kReplyText);
    JsonPtr reply = jobject();
    jadd_value(reply.get(), "ptzInfo", ptz_actions_to_json(type, channel).release());
    return json_reply(kReplyJson, reply.get());
}

int ptz_link_delete(const char* request)
{
    JsonPtr req = json_parse(request);
    int type, channel;
    if (!list_key(req.get(), &type, &channel)) return cgi_reply_error(kReplyText);
    PtzActionEntry entry = zeroed<PtzActionEntry>();
    entry.source_channel = channel;
    entry.acto_ptz_channel = jint(req.get(), "acto_ptz_channel");
    return store_result(type == kPeoplecntPtzType ? delete_peoplecnt_ptz_params(kMainDb, &entry)
                                                  : delete_ptz_params(kMainDb, &entry, type));
}

int ptz_link_update(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int type, channel;
    PtzActionEntry entry;
    if (!list_key(r, &type, &channel)) return cgi_reply_error(kReplyText);
    entry_from(r, channel, &entry);
    const int old_channel = jhas(r, "old_chn_id") ? jint(r, "old_chn_id") : channel;
    if (!is_channel(old_channel)) return cgi_reply_error(kReplyText);
    return store_result(type == kPeoplecntPtzType ? update_peoplecnt_ptz_params(kMainDb, &entry, old_channel)
                                                  : update_ptz_params(kMainDb, &entry, type, old_channel));
}

int ptz_link_delete_several(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int type, channel;
    json_object* list = jget(r, "ptzChannel");
    if (!list_key(r, &type, &channel) || !list || !json_object_is_type(list, json_type_array))
        return cgi_reply_error(kReplyText);
    // Every element in array order, in one write of the list.
    const size_t n = json_object_array_length(list);
    return store_result(change_list(kMainDb, type, channel, [&](ListView l) {
        for (size_t i = 0; i < n; i++) remove(l, json_object_get_int(json_object_array_get_idx(list, i)));
        return 0;
    }));
}
