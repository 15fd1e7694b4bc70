// Network disks (NAS shares the recorder mounts and records to), the eSATA
// port mode, a disk's self-evaluation and the removal of a storage device.
//
// Addresses and share paths are client text: they go to the store and to the
// core daemon in fixed fields, never to a shell and never to the debug log.
// Mounting and testing a share is the core daemon's work.
#include <cstring>
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/shared/reply_flow.h"
#include "handlers/storage/netdisk_records.h"
#include "handlers/storage/storage.h"
#include "platform/kxfs_log.h"

namespace {

constexpr u32 kMsgNetDiskAdd = 3507;
constexpr u32 kMsgNetDiskDelete = 3508;
constexpr u32 kMsgNetDiskEdit = 3439;
constexpr u32 kMsgShareSearch = 3440;
constexpr u32 kMsgEsataSet = 3475;
constexpr u32 kMsgEsataGet = 3431;
constexpr u32 kMsgSelfEval = 3403;
constexpr u32 kMsgArrayDelete = 3421;
constexpr u32 kMsgDeviceRemove = 3496;

// Reply codes of the queries above.
constexpr u32 kReplyNetDiskAdd = 8507;     // StorageResult
constexpr u32 kReplyNetDiskDelete = 8508;  // StorageResult
constexpr u32 kReplyNetDiskEdit = 8439;    // StorageResult
constexpr u32 kReplyShareSearch = 8440;    // ShareSearchHead and the paths
constexpr u32 kReplyEsataSet = 8475;       // anything: the mode was taken
constexpr u32 kReplyEsataGet = 8431;       // EsataMode
constexpr u32 kReplySelfEval = 8403;       // SelfEvalRecord
constexpr u32 kReplyArrayDelete = 8421;    // StorageResult
constexpr u32 kReplyDeviceRemove = 8496;   // StorageResult

constexpr int kLogNetDiskAdd = 219, kLogNetDiskDelete = 220, kLogNetDiskEdit = 221, kLogDeviceRemove = 224;
constexpr int kFirstArrayId = 10, kLastArrayId = 16;

bool in_range(int v, int lo, int hi) { return v >= lo && v <= hi; }

bool int_of(json_object* v, int* out)
{
    if (!v || !json_object_is_type(v, json_type_int)) return false;
    *out = json_object_get_int(v);
    return true;
}

// A non-empty text.
const char* text_of_value(json_object* v)
{
    if (!v || !json_object_is_type(v, json_type_string)) return nullptr;
    const char* s = json_object_get_string(v);
    return s && *s ? s : nullptr;
}

// A network disk's port: one of the ports the disk list covers.
bool netdisk_port(json_object* v, int* port) { return int_of(v, port) && in_range(*port, 1, kDiskListPorts); }

void send_log(int sub_type, int port, int detail_kind, const DiskRow* where)
{
    OpLogRecord log;
    oplog_prepare(&log);
    log.sub_type = sub_type;
    log.channel = u32(port);
    if (where) {
        NetDiskLogDetail d = zeroed<NetDiskLogDetail>();
        std::memcpy(d.marker, "NAS", 4);
        set_text(d.address, text_of(where->address).s);
        set_text(d.directory, text_of(where->directory).s);
        kxfs_log_pack_detail(&log, detail_kind, &d, sizeof d);
    }
    core_send_oplog(log);
}

DiskRow netdisk_row(int port, const char* vendor, const char* address, const char* directory)
{
    DiskRow row = zeroed<DiskRow>();
    row.port = port;
    row.enable = 1;
    row.type = kDiskTypeNetwork;
    row.property = 1;
    set_text(row.vendor, vendor, 63);
    set_text(row.address, address, 63);
    set_text(row.directory, directory, 127);
    return row;
}

// Sends a waited request answered by "OK"/"Error" under `reply` (plain "CGI
// ERROR" when no answer came). True when the daemon answered at all. The
// daemon's result goes to `result` when given: 0 success, anything else
// failure (-1 also when no result came).
bool query_result(u32 code, const void* payload, u32 length, u32 reply, int* result = nullptr)
{
    int taken = -1;
    const bool answered = core_ask<storage_result_reply>(code, payload, length, taken, kReplyText, {reply}) != 0;
    if (result) *result = taken;
    return answered;
}

// After the daemon removed network disks: their stored rows go too, so the
// disk list does not show them as missing.
void forget_netdisks(const DiskRow* rows, int count)
{
    for (int i = 0; i < count; i++) {
        if (rows[i].port == 0 || rows[i].type != kDiskTypeNetwork) continue;
        DiskRow empty = zeroed<DiskRow>();
        empty.port = rows[i].port;
        write_disk(kMainDb, &empty);
    }
}

}  // namespace

int storage_result_reply(int& result, const KxFrameHeader* header, const void* payload)
{
    StorageResult r;
    if (!record_at(payload, header->length, 0, &r)) {
        cgi_reply_error(kReplyText);  // a reply without its result counts as none
    } else {
        result = r.result;
        cgi_reply(kReplyText, r.result == 0 ? "OK" : "Error");
    }
    core_reply_finish(1);
    return 0;
}

// ---- add, edit, delete ----

int netdisk_add(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    json_object *ports = jget(r, "port"), *vendors = jget(r, "vendor"), *addresses = jget(r, "address"),
                *dirs = jget(r, "directory");
    const int num = jint(r, "num");
    // Every listed disk is checked before anything is written.
    auto rows = std::make_unique<DiskRow[]>(kNetDiskMax);
    int n = 0;
    for (int i = 0; i < num && n < kNetDiskMax; i++) {
        int port = 0;
        const char* address = text_of_value(jarray_at(addresses, size_t(i)));
        const char* dir = text_of_value(jarray_at(dirs, size_t(i)));
        if (!netdisk_port(jarray_at(ports, size_t(i)), &port) || !address || !dir) return 0;
        json_object* vendor = jarray_at(vendors, size_t(i));
        rows[n++] = netdisk_row(port, vendor ? json_object_get_string(vendor) : "", address, dir);
    }
    if (n == 0) return 0;

    NetDiskList list = zeroed<NetDiskList>();
    for (int i = 0; i < n; i++) {
        write_disk(kMainDb, &rows[i]);
        list.ports[list.count++] = rows[i].port;
    }
    // The rows stay written when the daemon does not answer: it mounts what
    // the store holds when it next starts.
    if (!query_result(kMsgNetDiskAdd, &list, sizeof list, kReplyNetDiskAdd)) return 0;
    for (int i = 0; i < n; i++) send_log(kLogNetDiskAdd, rows[i].port, kNetDiskDetailKind, &rows[i]);
    return 0;
}

int netdisk_edit(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int port = 0;
    const char* address = text_of_value(jget(r, "address"));
    const char* dir = text_of_value(jget(r, "directory"));
    if (!r || !netdisk_port(jget(r, "port"), &port) || !address || !dir) return 0;

    DiskRow row;
    const bool stored = read_disk(kMainDb, &row, port) == 0;
    // A port that holds a local disk or an array is not turned into a share.
    if (stored && row.enable == 1 && row.type != kDiskTypeNetwork) return 0;
    DiskRow edited = netdisk_row(port, jstr(r, "vendor"), address, dir);
    if (stored) edited.group = row.group;
    write_disk(kMainDb, &edited);

    const i32 payload = port;
    if (!query_result(kMsgNetDiskEdit, &payload, sizeof payload, kReplyNetDiskEdit)) return 0;
    send_log(kLogNetDiskEdit, port, kNetDiskEditDetailKind, &edited);
    return 0;
}

int netdisk_delete(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    json_object* ports = jget(r, "port");
    const int num = jint(r, "num");
    auto rows = std::make_unique<DiskRow[]>(kNetDiskMax);
    NetDiskList list = zeroed<NetDiskList>();
    for (int i = 0; i < num && list.count < kNetDiskMax; i++) {
        int port = 0;
        if (!netdisk_port(jarray_at(ports, size_t(i)), &port)) return 0;
        read_disk(kMainDb, &rows[list.count], port);
        list.ports[list.count++] = port;
    }
    if (list.count == 0) return 0;

    int result = -1;
    if (!query_result(kMsgNetDiskDelete, &list, sizeof list, kReplyNetDiskDelete, &result)) return 0;
    for (int i = 0; i < list.count; i++)
        if (rows[i].port != 0) send_log(kLogNetDiskDelete, rows[i].port, kNetDiskDetailKind, &rows[i]);
    if (result == 0) forget_netdisks(rows.get(), list.count);
    return 0;
}

// ---- share search ----

int share_search(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    const char* server = text_of_value(jget(r, "serverAddr"));
    if (!r || !server) return 0;
    ShareSearchRequest msg = zeroed<ShareSearchRequest>();
    msg.port = jint(r, "port");
    set_text(msg.server, server);
    core_ask<share_search_reply>(kMsgShareSearch, &msg, sizeof msg, kReplyJson, {kReplyShareSearch});
    return 0;
}

int share_search_reply(const KxFrameHeader* header, const void* payload)
{
    ShareSearchHead head;
    if (!core_reply_record(header, payload, &head)) return 0;
    // Never more paths than the record holds, nor than the reply carries.
    const char* paths = static_cast<const char*>(payload) + sizeof head;
    const size_t room = header->length - sizeof head;
    JsonPtr list = jarray();
    for (int i = 0; i < head.count && i < kSharePaths; i++) {
        SharePath p;
        if (!record_at(paths, room, size_t(i), &p)) break;
        JsonPtr o = jobject();
        jadd_text(o.get(), "filePath", p.path);
        json_object_array_add(list.get(), o.release());
    }
    JsonPtr reply = jobject();
    jadd(reply.get(), "resultString", json_object_array_length(list.get()) > 0 ? "OK" : "NO");
    jadd_value(reply.get(), "NAS", list.release());
    return core_reply_json(reply.get());
}

// ---- eSATA mode ----

int esata_mode_set(const char* request)
{
    return ask_with_request<esata_mode_set_reply>(
        request, kMsgEsataSet, kReplyJson, {kReplyEsataSet}, BadRequest::kNoAnswer,
        [](json_object* r) { return EsataMode{jint(r, "mode"), jint(r, "esata")}; });
}

int esata_mode_set_reply(const KxFrameHeader*, const void*)
{
    JsonPtr reply = jobject();
    jadd(reply.get(), "status", "OK");
    return core_reply_json(reply.get());
}

int esata_mode_get(const char*)
{
    const i32 payload = 0;
    core_ask<esata_mode_get_reply>(kMsgEsataGet, &payload, sizeof payload, kReplyJson, {kReplyEsataGet});
    return 0;
}

int esata_mode_get_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<EsataMode>(header, payload, kReplyJson, [](json_object* o, const EsataMode& m) {
        jadd(o, "mode", m.mode);
        jadd(o, "esata", m.esata);
    });
}

// ---- self-evaluation ----

int disk_self_eval(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    // Only the last of the listed ports is asked about.
    json_object* ports = jget(r, "port");
    const int num = jint(r, "num");
    int port = -1;
    for (int i = 0; i < num; i++) {
        json_object* v = jarray_at(ports, size_t(i));
        if (!v) break;
        if (!int_of(v, &port) || !in_range(port, 0, kMaxDevicePort)) return 0;
    }
    if (port < 0) return 0;
    const i32 payload = port;
    core_ask<disk_self_eval_reply>(kMsgSelfEval, &payload, sizeof payload, kReplyJson, {kReplySelfEval});
    return 0;
}

int disk_self_eval_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<SelfEvalRecord>(header, payload, kReplyJson, [](json_object* o, const SelfEvalRecord& rec) {
        jadd(o, "selfEvaluation", std::strstr(text_of(rec.text).s, "PASSED") ? 1 : 0);
    });
}

// ---- device removal ----

int device_remove(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int port = 0, type = 0;
    if (!r || !int_of(jget(r, "port"), &port) || !int_of(jget(r, "hddType"), &type)) return 0;
    if (!in_range(port, 0, kMaxDevicePort)) return 0;

    if (type == kDiskTypeNetwork) {
        if (!in_range(port, 1, kDiskListPorts)) return 0;
        DiskRow row;
        read_disk(kMainDb, &row, port);
        NetDiskList list = zeroed<NetDiskList>();
        list.count = 1;
        list.ports[0] = port;
        int result = -1;
        if (query_result(kMsgNetDiskDelete, &list, sizeof list, kReplyNetDiskDelete, &result) && result == 0)
            forget_netdisks(&row, 1);
        return 0;
    }
    if (type == kDiskTypeArray) {
        if (!in_range(port, kFirstArrayId, kLastArrayId)) return 0;
        ArrayRequest a = zeroed<ArrayRequest>();
        a.id = port;
        core_ask<array_result_reply>(kMsgArrayDelete, &a, sizeof a, kReplyText, {kReplyArrayDelete});
    } else {
        const i32 payload = port;
        // The stored row is reset only once the daemon has let the device go.
        int result = -1;
        if (query_result(kMsgDeviceRemove, &payload, sizeof payload, kReplyDeviceRemove, &result) && result == 0) {
            DiskRow empty = zeroed<DiskRow>();
            empty.port = port;
            empty.property = 1;
            write_disk(kMainDb, &empty);
        }
    }
    send_log(kLogDeviceRemove, port, 0, nullptr);
    return 0;
}
