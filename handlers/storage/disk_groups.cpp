// Per-channel storage quotas and disk groups: which channels record to
// which disks, and how much room each channel may take.
#include <cstring>
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/shared/reply_flow.h"
#include "handlers/storage/netdisk_records.h"
#include "handlers/storage/storage.h"

namespace {

constexpr u32 kMsgQuotaGet = 3529;
constexpr u32 kMsgQuotaSet = 3530;
constexpr u32 kMsgGroupMode = 3442;   // 4 bytes: the group mode
constexpr u32 kMsgGroupSet = 3436;    // GroupRow of one group
constexpr u32 kMsgGroupsDone = 1307;  // no payload: the groups changed

// Reply codes of the queries above.
constexpr u32 kReplyQuotaGet = 8529;  // QuotaRecord
constexpr u32 kReplyQuotaSet = 8530;  // StorageResult

constexpr int kChannels = 64;
constexpr int kDefaultMaxCameras = 32;

// The text of an array element ("" for null).
const char* element_text(json_object* v)
{
    const char* s = v ? json_object_get_string(v) : nullptr;
    return s ? s : "";
}

// The members every group reply ends with: the groups' channel texts, the
// group of every disk (0 for a disk that is not configured), the number of
// channels and the group switch.
void add_groups(json_object* reply)
{
    auto groups = std::make_unique<GroupRow[]>(kDiskGroups);
    auto disks = std::make_unique<DiskRow[]>(kDiskRows);
    int count = 0;
    read_groups(kMainDb, groups.get(), &count);
    read_disks(kMainDb, disks.get(), &count);

    JsonPtr channels = jarray();
    for (int i = 0; i < kDiskGroups; i++)
        json_object_array_add(channels.get(), json_object_new_string(text_of(groups[i].channels).s));
    JsonPtr disk = jarray();
    for (int i = 0; i < kDiskRows; i++) {
        const DiskRow& d = disks[i];
        json_object_array_add(disk.get(), json_object_new_int(d.enable != 0 ? d.group + 1 : 0));
    }
    jadd_value(reply, "channel", channels.release());
    jadd_value(reply, "disk", disk.release());
    jadd(reply, "max_chan", get_param_int(kMainDb, "max_cameras", kDefaultMaxCameras));
    jadd(reply, "group_enable", get_param_int(kMainDb, "group_mode", 0));
}

}  // namespace

// ---- quotas ----

int quota_get(const char*)
{
    core_ask<quota_get_reply>(kMsgQuotaGet, nullptr, 0, kReplyJson, {kReplyQuotaGet});
    return 0;
}

int quota_get_reply(const KxFrameHeader* header, const void* payload)
{
    QuotaRecord q;
    if (!core_reply_record(header, payload, &q)) return 0;
    JsonPtr list = jarray();
    for (int i = 0; i < q.count && i < kQuotaEntries; i++) {
        const QuotaEntry& e = q.entries[i];
        JsonPtr o = jobject();
        jadd(o.get(), "channel", e.channel);
        jadd(o.get(), "video_used", e.video_used);
        jadd(o.get(), "video_quota", e.video_quota);
        jadd(o.get(), "picture_used", e.picture_used);
        jadd(o.get(), "picture_quota", e.picture_quota);
        json_object_array_add(list.get(), o.release());
    }
    JsonPtr reply = jobject();
    jadd(reply.get(), "enable", q.enable);
    jadd_value(reply.get(), "quota_array", list.release());
    add_groups(reply.get());
    return core_reply_json(reply.get());
}

int quota_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jhas(r, "enable")) return 0;
    QuotaRecord q = zeroed<QuotaRecord>();
    q.enable = jint(r, "enable");
    // The record holds 16 entries: further entries are not copied, and the
    // count never claims more than were.
    json_object* entries = jget(r, "quota_array");
    size_t n = jarray_size(entries);
    if (n > size_t(kQuotaEntries)) n = size_t(kQuotaEntries);
    for (size_t i = 0; i < n; i++) {
        json_object* e = jarray_at(entries, i);
        // The numbers go to the core daemon as given (missing ones as 0);
        // the channel has an 8-bit place.
        q.entries[i].channel = u8(jint(e, "channel"));
        q.entries[i].video_quota = jint(e, "video_quota");
        q.entries[i].picture_quota = jint(e, "picture_quota");
    }
    q.count = i32(n);
    int result = -1;  // the answer's "OK" or "Error" is the whole reply
    core_ask<storage_result_reply>(kMsgQuotaSet, &q, sizeof q, result, kReplyText, {kReplyQuotaSet});
    return 0;
}

// ---- disk groups ----

int groups_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    const int mode = jint(r, "group_enable");
    if (mode == 0) {
        set_param_int(kMainDb, "group_mode", 0);
        const i32 payload = 0;
        core_notify(kMsgGroupMode, payload);
        return cgi_reply_ok();
    }

    json_object* texts = jget(r, "channel");
    size_t n = jarray_size(texts);
    if (n > size_t(kDiskGroups)) n = size_t(kDiskGroups);

    if (get_param_int(kMainDb, "group_mode", 0) == 0) {
        set_param_int(kMainDb, "group_mode", mode);
        const i32 payload = mode;
        core_notify(kMsgGroupMode, payload);
    }
    auto groups = std::make_unique<GroupRow[]>(kDiskGroups);
    int count = 0;
    read_groups(kMainDb, groups.get(), &count);
    // Each group's channel text is cut to 64 characters, one per channel.
    for (size_t i = 0; i < n; i++) set_text(groups[i].channels, element_text(jarray_at(texts, i)), kChannels);
    // Stored first, so the daemon reads the new groups when told.
    write_groups(kMainDb, groups.get(), kDiskGroups);
    for (size_t i = 0; i < n; i++) core_notify(kMsgGroupSet, groups[i]);
    core_notify(kMsgGroupsDone, nullptr, 0);
    return cgi_reply_ok();
}

int groups_get(const char*)
{
    JsonPtr reply = jobject();
    add_groups(reply.get());
    return json_reply(kReplyJson, reply.get());
}
