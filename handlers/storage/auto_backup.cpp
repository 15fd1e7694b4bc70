// Automatic backup of recordings to an eSATA disk: the backup plan, its
// status and progress, and the device that takes it.
#include <cctype>
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

constexpr int kChannels = 64;

bool in_range(int v, int lo, int hi) { return v >= lo && v <= hi; }

// Two digits at s[0..1] with a value 0..max.
bool two_digits(const char* s, int max)
{
    if (!std::isdigit(static_cast<unsigned char>(s[0])) || !std::isdigit(static_cast<unsigned char>(s[1])))
        return false;
    return (s[0] - '0') * 10 + (s[1] - '0') <= max;
}

// "HH:MM" or "HH:MM:SS", a time of day.
bool time_of_day(const char* s)
{
    const size_t n = std::strlen(s);
    if (n != 5 && n != 8) return false;
    if (!two_digits(s, 23) || s[2] != ':' || !two_digits(s + 3, 59)) return false;
    return n == 5 || (s[5] == ':' && two_digits(s + 6, 59));
}

// A channel mask text of '0' and '1', one character per channel.
bool mask_text(const char* s)
{
    size_t n = 0;
    for (; s[n]; n++)
        if (s[n] != '0' && s[n] != '1') return false;
    return n <= size_t(kChannels);
}

bool string_key(json_object* r, const char* key)
{
    json_object* v = jget(r, key);
    return v && json_object_is_type(v, json_type_string);
}

// A backup plan is taken whole or not at all.
bool plan_from(json_object* r, AutoBackupRow* row)
{
    for (const char* key : {"enable", "streamType", "fileType", "recycle"})
        if (!jhas(r, key)) return false;
    if (!string_key(r, "backupTime") || !string_key(r, "channel")) return false;
    *row = zeroed<AutoBackupRow>();
    row->enable = jint(r, "enable");
    row->stream_type = jint(r, "streamType");
    row->file_type = jint(r, "fileType");
    row->recycle = jint(r, "recycle");
    const char* time = jstr(r, "backupTime");
    const char* channels = jstr(r, "channel");
    if (!in_range(row->enable, 0, 1) || !in_range(row->recycle, 0, 1) || row->stream_type < 0 || row->file_type < 0)
        return false;
    if (!time_of_day(time) || !mask_text(channels)) return false;
    set_text(row->backup_time, time);
    set_text(row->channels, channels);
    return true;
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
        AutoBackupRow row;
        if (!plan_from(r, &row)) return 0;
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
