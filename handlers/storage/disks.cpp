// Disks and arrays: the disk list, format, disk property and group, array
// create/delete/rebuild, hot spares and the array mode switch.
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/core.h"
#include "common/decimal_text.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/shared/reply_flow.h"
#include "handlers/storage/storage.h"
#include "handlers/storage/storage_records.h"
#include "platform/kxfs_log.h"

namespace {

constexpr u32 kMsgDiskList = 3433;
constexpr u32 kMsgFormat = 3434;
constexpr u32 kMsgDiskProperty = 3435;
constexpr u32 kMsgArrayCreate = 3420;
constexpr u32 kMsgArrayDelete = 3421;
constexpr u32 kMsgHotSpareAdd = 3423;
constexpr u32 kMsgHotSpareRemove = 3424;
constexpr u32 kMsgArrayRebuild = 3425;

// Reply codes of the queries above.
constexpr u32 kReplyDiskList = 8433;        // DiskRecord list
constexpr u32 kReplyFormat = 8434;          // StorageResult
constexpr u32 kReplyFormatOther = 8402;     // StorageResult: some formats are answered with this code
constexpr u32 kReplyArrayCreate = 8420;     // StorageResult
constexpr u32 kReplyArrayDelete = 8421;     // StorageResult
constexpr u32 kReplyHotSpareAdd = 8423;     // StorageResult
constexpr u32 kReplyHotSpareRemove = 8424;  // StorageResult
constexpr u32 kReplyArrayRebuild = 8425;    // StorageResult

constexpr int kLogFormat = 207, kLogDiskProperty = 204;
constexpr int kParamStorage = 900, kParamDiskProperty = 919;

constexpr int kMaxFormatPort = 36;
constexpr int kMaxPropertyPort = 35;
constexpr int kMaxCheckPort = 16;
constexpr int kFirstArrayId = 10, kLastCreateArrayId = 15, kLastArrayId = 16;

void send_port_log(int sub_type, int param_type, int port, const FormatLogDetail* detail)
{
    OpLogRecord log;
    oplog_prepare(&log);
    log.sub_type = sub_type;
    log.param_type = u32(param_type);
    log.channel = u32(port);
    if (detail) kxfs_log_pack_detail(&log, kFormatDetailKind, detail, sizeof *detail);
    core_send_oplog(log);
}

bool in_range(int v, int lo, int hi) { return v >= lo && v <= hi; }

// The request text as one JSON value, a bare number included: the tokener
// is given the terminating NUL too, so that it sees where a number ends.
JsonPtr parse_json_value(const char* text)
{
    if (!text) return nullptr;
    json_tokener* tok = json_tokener_new();
    if (!tok) return nullptr;
    json_object* o = json_tokener_parse_ex(tok, text, int(std::strlen(text)) + 1);
    const bool ok = json_tokener_get_error(tok) == json_tokener_success;
    json_tokener_free(tok);
    if (!ok && o) {
        json_object_put(o);
        o = nullptr;
    }
    return JsonPtr(o);
}

// Bit n set for each of the first member-count entries that names port n.
// Port numbers that no 64-bit mask can hold are left out rather than
// shifted out of range.
long long member_mask(const DiskRecord& d)
{
    int count = d.member_count < 0 ? 0 : d.member_count > kArrayMembers ? kArrayMembers : d.member_count;
    long long mask = 0;
    for (int k = 0; k < count; k++) {
        int port = d.members[k];
        if (port > 0 && port < 63) mask |= 1LL << port;
    }
    return mask;
}

void add_disk_object(json_object* list, const DiskRecord& d)
{
    JsonPtr o = jobject();
    json_object* j = o.get();
    jadd(j, "portId", d.port);
    jadd_text(j, "vendorName", d.vendor);
    jadd_text(j, "address", d.address);
    jadd_text(j, "directory", d.directory);
    jadd(j, "totalSize", i32(d.total_size >> 20));
    jadd(j, "usedSize", i32(d.used_size >> 20));
    jadd(j, "freeSize", i32(d.free_size >> 20));
    jadd(j, "hddType", d.type);
    jadd(j, "state", d.state);
    jadd(j, "group", d.group);
    jadd(j, "property", d.property);
    jadd(j, "raid_id", d.port);
    jadd(j, "raid_level", d.array_level);
    jadd(j, "raid_state", d.array_state);
    jadd(j, "raid_progress", d.array_progress);
    jadd(j, "raid_sata_cnt", d.member_count);
    jadd(j, "raid_task", d.array_progress);
    json_object_object_add(j, "raid_sata_port", json_object_new_int64(member_mask(d)));
    json_object_array_add(list, o.release());
}

}  // namespace

// ---- disk list ----

int disk_list(const char*)
{
    core_ask<disk_list_reply>(kMsgDiskList, nullptr, 0, kReplyJson, {kReplyDiskList});
    return 0;
}

int disk_list_reply(const KxFrameHeader* header, const void* payload)
{
    // Slot p-1 holds the device of port p; port id 0 marks an empty slot.
    std::vector<DiskRecord> slots(kDiskListPorts, zeroed<DiskRecord>());
    const size_t n = record_count<DiskRecord>(header->length);
    for (size_t i = 0; i < n; i++) {
        DiskRecord d;
        if (!record_at(payload, header->length, i, &d)) break;
        if (in_range(d.port, 1, kDiskListPorts)) slots[d.port - 1] = d;
    }

    // Configured network disks: fill in what the core daemon left out, and
    // list the ones it did not report as missing.
    bool filled = false;
    for (int p = 1; p <= kDiskListPorts; p++) {
        DiskRow row;
        if (read_disk(kMainDb, &row, p) != 0 || row.enable != 1) continue;
        if (!in_range(row.port, 1, kDiskListPorts)) continue;
        DiskRecord& slot = slots[row.port - 1];
        if (slot.port != 0) {
            if (slot.type == kDiskTypeNetwork) {
                if (!slot.address[0]) set_text(slot.address, text_of(row.address).s);
                if (!slot.directory[0]) set_text(slot.directory, text_of(row.directory).s);
            }
            continue;
        }
        slot = zeroed<DiskRecord>();
        slot.port = row.port;
        set_text(slot.vendor, text_of(row.vendor).s);
        set_text(slot.address, text_of(row.address).s);
        set_text(slot.directory, text_of(row.directory).s);
        slot.state = kDiskStateMissing;
        slot.type = row.type;
        slot.property = row.property;
        slot.array_level = row.array_level;
        filled = true;
    }

    JsonPtr list = jarray();
    for (const DiskRecord& d : slots)
        if (d.port != 0) add_disk_object(list.get(), d);
    JsonPtr reply = jobject();
    jadd(reply.get(), "resultString", n == 0 && !filled ? "NO" : "OK");
    jadd(reply.get(), "esataType", get_param_int(kMainDb, "esata_type", 0));
    json_object_object_add(reply.get(), "HDD", list.release());
    return core_reply_json(reply.get());
}

// ---- format ----

int disk_format(const char* request)
{
    int port = 0;
    if (!decimal_text(request, &port) || !in_range(port, 0, kMaxFormatPort)) return 0;
    const i32 payload = port;
    bool formatted = false;
    core_ask<disk_format_reply>(kMsgFormat, &payload, sizeof payload, formatted, kReplyJson,
                                {kReplyFormat, kReplyFormatOther});

    FormatLogDetail detail = zeroed<FormatLogDetail>();
    detail.port = port;
    detail.result = formatted ? 1 : -1;
    send_port_log(kLogFormat, kParamStorage, port, &detail);
    return 0;
}

int disk_format_reply(bool& formatted, const KxFrameHeader* header, const void* payload)
{
    StorageResult r;
    if (!core_reply_record(header, payload, &r)) return 0;
    switch (r.result) {
    case 0:
        formatted = true;
        cgi_reply(kReplyText, "OK");
        break;
    case 1:
        cgi_reply(kReplyText, "USING");
        break;
    case -1:
        cgi_reply(kReplyText, "ERROR FORMAT");
        break;
    case -3:
        cgi_reply(kReplyText, "NAS LOW CAP");
        break;
    default:
        CGI_LOG("format: unknown result %d", r.result);
        break;
    }
    core_reply_finish(1);
    return 0;
}

// ---- property, port check ----

int disk_property(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jhas(r, "portId") || !jhas(r, "property")) return 0;
    const int port = jint(r, "portId"), property = jint(r, "property"), group = jint(r, "group");
    if (!in_range(port, 0, kMaxPropertyPort) || (property != 0 && property != 1)) return 0;

    DiskRow row;
    read_disk(kMainDb, &row, port);
    row.port = port;  // an absent row reads as zeros: keep it at its own port
    row.group = group;
    row.property = property;
    write_disk(kMainDb, &row);

    DiskPropertyRequest msg{port, property, group, 0};
    core_notify(kMsgDiskProperty, msg);
    send_port_log(kLogDiskProperty, kParamDiskProperty, port, nullptr);
    return cgi_reply_ok();
}

int disk_check_port(const char* request)
{
    int port = 0;
    if (!decimal_text(request, &port) || !in_range(port, 0, kMaxCheckPort)) return 0;
    return cgi_reply_ok();
}

// ---- arrays and hot spares ----

int array_create(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    const int id = jint(r, "id"), sata_port = jint(r, "sata_port"), sata_cnt = jint(r, "sata_cnt"),
              level = jint(r, "level");
    if (!jhas(r, "id") || !in_range(id, kFirstArrayId, kLastCreateArrayId) || !jhas(r, "enable")) return 0;
    if (!jhas(r, "sata_port") || !jhas(r, "sata_cnt") || !jhas(r, "level")) return 0;
    // An array has room for 16 members: a larger count would make the core
    // daemon read past the member list.
    if (sata_port < 0 || !in_range(sata_cnt, 0, kArrayMembers) || level < 0) return 0;

    ArrayRequest a = zeroed<ArrayRequest>();
    a.id = id;
    a.enable = jint(r, "enable");
    a.level = level;
    a.member_count = sata_cnt;
    int members = 0;
    for (int k = 0; k < 16 && members < kArrayMembers; k++)
        if (sata_port & (1 << k)) a.members[members++] = k;
    for (int k = sata_cnt; k < kArrayMembers; k++) a.members[k] = 0;
    core_ask<array_result_reply>(kMsgArrayCreate, &a, sizeof a, kReplyText, {kReplyArrayCreate});
    return 0;
}

int array_delete(const char* request)
{
    JsonPtr req = parse_json_value(request);
    if (!req) return 0;
    const int id = json_object_get_int(req.get());
    if (!in_range(id, kFirstArrayId, kLastArrayId)) return 0;
    ArrayRequest a = zeroed<ArrayRequest>();
    a.id = id;
    core_ask<array_result_reply>(kMsgArrayDelete, &a, sizeof a, kReplyText, {kReplyArrayDelete});
    return 0;
}

int disk_hot_spare(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    const i32 port = jint(r, "port");
    if (jint(r, "hotflag") != 0)
        core_ask<array_result_reply>(kMsgHotSpareAdd, &port, sizeof port, kReplyText, {kReplyHotSpareAdd});
    else
        core_ask<array_result_reply>(kMsgHotSpareRemove, &port, sizeof port, kReplyText, {kReplyHotSpareRemove});
    return 0;
}

int array_rebuild(const char* request)
{
    return ask_with_request<array_result_reply>(
        request, kMsgArrayRebuild, kReplyText, {kReplyArrayRebuild}, BadRequest::kNoAnswer,
        [](json_object* r) { return ArrayRebuildRequest{jint(r, "diskport"), jint(r, "raidport")}; });
}

int array_result_reply(const KxFrameHeader* header, const void* payload)
{
    int result = -1;  // only the answer counts here
    return storage_result_reply(result, header, payload);
}

// ---- array mode ----

int array_mode_read(const char*)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", get_param_int(kMainDb, "raidmode", 0));
    return cgi_reply(kReplyText, text);
}

int array_mode_write(const char* request)
{
    if (blank_text(request)) return 0;
    int mode = 0;
    if (!decimal_text(request, &mode) || (mode != 0 && mode != 1)) mode = 0;
    set_param_int(kMainDb, "raidmode", mode);
    return cgi_reply_ok();
}
