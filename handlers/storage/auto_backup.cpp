// Automatic backup of recordings to an eSATA disk: the backup plan, its
// status and progress, and the device that takes it.
#include <cstdio>
#include <cstring>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/shared/reply_flow.h"
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

// Reply codes of the queries above.
constexpr u32 kReplyBackupApply = 6316;     // int32 result
constexpr u32 kReplyBackupStatus = 6317;    // BackupStatusRecord
constexpr u32 kReplyBackupDevice = 8457;    // BackupDeviceRecord list
constexpr u32 kReplyBackupPort = 8535;      // int32 status
constexpr u32 kReplyBackup3536 = 8536;      // int32 result
constexpr u32 kReplyBackup3537 = 8537;      // int32 result
constexpr u32 kReplyBackupProgress = 8540;  // BackupProgressRecord

// The one-integer reply {"result": n}.
constexpr CoreIntReply kResultReply{"result"};

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
    core_ask<core_reply_int>(kMsgBackupApply, &stop, sizeof stop, kResultReply, kReplyJson, {kReplyBackupApply});
    return 0;
}

int backup_status(const char*)
{
    core_ask<backup_status_reply>(kMsgBackupStatus, nullptr, 0, kReplyJson, {kReplyBackupStatus});
    return 0;
}

int backup_status_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<BackupStatusRecord>(header, payload, kReplyJson, [](json_object* o, const BackupStatusRecord& s) {
        char percent[64];
        std::snprintf(percent, sizeof percent, "%.1f", double(s.percent));
        jadd(o, "status", s.status);
        jadd(o, "percent", percent);
        jadd_text(o, "last_time", s.last_time);
        jadd(o, "capacity", s.capacity);
    });
}

int backup_device(const char*)
{
    core_ask<backup_device_reply>(kMsgBackupDevice, nullptr, 0, kReplyJson, {kReplyBackupDevice});
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
    return core_reply_json(reply.get());
}

int backup_port(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    json_object* v = jget(r, "port");
    if (!r || !v || !json_object_is_type(v, json_type_int) || !in_range(json_object_get_int(v), 0, kMaxDevicePort))
        return cgi_reply_error(kReplyJson);
    const i32 port = json_object_get_int(v);
    core_ask<core_reply_int>(kMsgBackupPort, &port, sizeof port, kCoreStatusReply, kReplyJson, {kReplyBackupPort});
    return 0;
}

int backup_3536(const char*)
{
    core_ask<core_reply_int>(kMsgBackup3536, nullptr, 0, kResultReply, kReplyJson, {kReplyBackup3536});
    return 0;
}

int backup_3537(const char*)
{
    core_ask<core_reply_int>(kMsgBackup3537, nullptr, 0, kResultReply, kReplyJson, {kReplyBackup3537});
    return 0;
}

int backup_progress(const char*)
{
    core_ask<backup_progress_reply>(kMsgBackupProgress, nullptr, 0, kReplyJson, {kReplyBackupProgress});
    return 0;
}

int backup_progress_reply(const KxFrameHeader* header, const void* payload)
{
    using Progress = BackupProgressRecord;
    return core_reply_object<Progress>(header, payload, kReplyJson, [](json_object* o, const Progress& p) {
        jadd(o, "status", p.status);
        jadd(o, "port", p.port);
        jadd(o, "type", p.type);
        jadd(o, "percent", p.percent);
    });
}
