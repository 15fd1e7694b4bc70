// Automatic backup of recordings to an eSATA disk: the backup plan, its
// status and progress, and the device that takes it.
#include <cstdio>
#include <cstring>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/storage/netdisk_records.h"
#include "handlers/storage/storage.h"

namespace {

constexpr u32 kMsgBackupApply = 1316;   // 4 bytes: non-zero stops the running backup
constexpr u32 kMsgBackupStatus = 1317;
constexpr u32 kMsgBackupDevice = 3457;
constexpr u32 kMsgBackupPort = 3535;    // 4 bytes: port
constexpr u32 kMsgBackup3536 = 3536;
constexpr u32 kMsgBackup3537 = 3537;
constexpr u32 kMsgBackupProgress = 3540;

bool in_range(int v, int lo, int hi) { return v >= lo && v <= hi; }

// The backup plan of the request: numbers stored as given (a missing one as
// 0), the time and the channel text cut to their fields (a missing one
// empty). What they mean is the core daemon's business.
AutoBackupRow plan_from(json_object* r)
{
    AutoBackupRow row = zeroed<AutoBackupRow>();
    row.enable = jint(r, "enable");
    row.stream_type = jint(r, "streamType");
    row.file_type = jint(r, "fileType");
    row.recycle = jint(r, "recycle");
    set_text(row.backup_time, jstr(r, "backupTime"));
    set_text(row.channels, jstr(r, "channel"));
    return row;
}

int reply_int(const char* key, const KxFrameHeader* header, const void* payload)
{
    i32 v = 0;
    if (!record_at(payload, header->length, 0, &v)) {
        cgi_reply_error(kReplyJson);
    } else {
        JsonPtr reply = jobject();
        jadd(reply.get(), key, v);
        json_reply(kReplyJson, reply.get());
    }
    core_reply_finish(1);
    return 0;
}

}  // namespace

int backup_get(const char*)
{
    AutoBackupRow row;
    read_esata_auto_backup(kMainDb, &row);
    JsonPtr reply = jobject();
    json_object* j = reply.get();
    jadd(j, "enable", row.enable);
    jadd(j, "streamType", row.stream_type);
    jadd(j, "fileType", row.file_type);
    jadd(j, "recycle", row.recycle);
    jadd_text(j, "channel", row.channels);
    jadd_text(j, "backupTime", row.backup_time);
    return json_reply(kReplyJson, j);
}

int backup_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    const i32 stop = jint(r, "stopBackup");
    if (stop == 0) {
        const AutoBackupRow row = plan_from(r);
        write_esata_auto_backup(kMainDb, &row);
    }
    core_query(storage_reply, kMsgBackupApply, &stop, sizeof stop, kReplyJson);
    return 0;
}

int backup_set_reply(const KxFrameHeader* header, const void* payload)
{
    return reply_int("result", header, payload);
}

int backup_status(const char*)
{
    core_query(storage_reply, kMsgBackupStatus, nullptr, 0, kReplyJson);
    return 0;
}

int backup_status_reply(const KxFrameHeader* header, const void* payload)
{
    BackupStatusRecord s;
    if (!record_at(payload, header->length, 0, &s)) {
        cgi_reply_error(kReplyJson);
        core_reply_finish(1);
        return 0;
    }
    char percent[64];
    std::snprintf(percent, sizeof percent, "%.1f", double(s.percent));
    JsonPtr reply = jobject();
    jadd(reply.get(), "status", s.status);
    jadd(reply.get(), "percent", percent);
    jadd_text(reply.get(), "last_time", s.last_time);
    jadd(reply.get(), "capacity", s.capacity);
    json_reply(kReplyJson, reply.get());
    core_reply_finish(1);
    return 0;
}

int backup_device(const char*)
{
    core_query(storage_reply, kMsgBackupDevice, nullptr, 0, kReplyJson);
    return 0;
}

int backup_device_reply(const KxFrameHeader* header, const void* payload)
{
    JsonPtr reply = jobject();
    const size_t n = record_count<BackupDeviceRecord>(header->length);
    bool found = false;
    for (size_t i = 0; i < n && !found; i++) {
        BackupDeviceRecord d;
        if (!record_at(payload, header->length, i, &d)) break;
        if (d.state != kBackupDeviceUsable) continue;
        jadd(reply.get(), "port", d.port);
        jadd(reply.get(), "result", 0);
        found = true;
    }
    if (!found) jadd(reply.get(), "result", -1);
    json_reply(kReplyJson, reply.get());
    core_reply_finish(1);
    return 0;
}

int backup_port(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    json_object* v = jget(r, "port");
    if (!r || !v || !json_object_is_type(v, json_type_int) || !in_range(json_object_get_int(v), 0, kMaxDevicePort))
        return cgi_reply_error(kReplyJson);
    const i32 port = json_object_get_int(v);
    core_query(storage_reply, kMsgBackupPort, &port, sizeof port, kReplyJson);
    return 0;
}

int backup_port_reply(const KxFrameHeader* header, const void* payload)
{
    return reply_int("status", header, payload);
}

int backup_3536(const char*)
{
    core_query(storage_reply, kMsgBackup3536, nullptr, 0, kReplyJson);
    return 0;
}

int backup_3537(const char*)
{
    core_query(storage_reply, kMsgBackup3537, nullptr, 0, kReplyJson);
    return 0;
}

int backup_result_reply(const KxFrameHeader* header, const void* payload)
{
    return reply_int("result", header, payload);
}

int backup_progress(const char*)
{
    core_query(storage_reply, kMsgBackupProgress, nullptr, 0, kReplyJson);
    return 0;
}

int backup_progress_reply(const KxFrameHeader* header, const void* payload)
{
    BackupProgressRecord p;
    if (!record_at(payload, header->length, 0, &p)) {
        cgi_reply_error(kReplyJson);
        core_reply_finish(1);
        return 0;
    }
    JsonPtr reply = jobject();
    jadd(reply.get(), "status", p.status);
    jadd(reply.get(), "port", p.port);
    jadd(reply.get(), "type", p.type);
    jadd(reply.get(), "percent", p.percent);
    json_reply(kReplyJson, reply.get());
    core_reply_finish(1);
    return 0;
}
