// Camera alarm I/O and volume detection (each read from the camera through
// the core daemon, written to the store and the camera), and the event
// snapshot settings with the manual start and stop of snapshot taking.
#include <cstring>
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/event/camera_io_records.h"
#include "handlers/event/event_request.h"
#include "handlers/event/event_rows.h"
#include "handlers/event/people.h"
#include "handlers/event/video.h"
#include "common/core_reply.h"

// ---- store calls ----

int read_cameraio(const char* db, CameraTriggerRecord* out, int channel)
{
    return store_read(db, kCameraIoKind, channel, out);
}
int write_cameraio(const char* db, const CameraTriggerRecord* rec)
{
    return store_write(db, kCameraIoKind, rec->cam_id, *rec);
}
int read_volumedetect(const char* db, CameraTriggerRecord* out, int channel)
{
    return store_read(db, kVolumeDetectKind, channel, out);
}
int write_volumedetect(const char* db, const CameraTriggerRecord* rec)
{
    return store_write(db, kVolumeDetectKind, rec->cam_id, *rec);
}
int read_snapshot(const char* db, SnapshotSettingsRecord* out, int channel)
{
    return store_read(db, kSnapshotKind, channel, out);
}
int copy_snapshots(const char* db, const SnapshotSettingsRecord* rec, u32 mask_low, u32 mask_high)
{
    const auto table_owner = std::make_unique<SnapshotSettingsRecord[][kEventChannels]>(1);
    SnapshotSettingsRecord(&table)[kEventChannels] = table_owner[0];
    for (SnapshotSettingsRecord& r : table) r = *rec;
    return event_rows_write_masked(db, kSnapshotKind, table, mask64(mask_low, mask_high));
}

namespace {

// A number that must be present and within lo..hi, taken into *out.
bool int_in(json_object* r, const char* key, int lo, int hi, i32* out)
{
    if (!jint_required_in(r, key, lo, hi)) return false;
    *out = jint(r, key);
    return true;
}

constexpr int kAny = INT32_MAX;

// The stored part of both writes: camera, enable, trigger actions and
// record channels (text and numeric mask). False for bad input.
bool trigger_from(json_object* r, CameraTriggerRecord* out)
{
    *out = zeroed<CameraTriggerRecord>();
    if (!int_in(r, "camId", 0, kEventChannels - 1, &out->cam_id) || !int_in(r, "enable", 0, 1, &out->enable) ||
        !int_in(r, "triActions", INT32_MIN, kAny, &out->tri_actions) || !jhas(r, "triChannels"))
        return false;
    set_text(out->tri_channels, jstr(r, "triChannels"));
    out->tri_mask = chn_mask_word(out->tri_channels, sizeof out->tri_channels);
    return true;
}

// A camera event the core daemon reads from the camera and the store keeps
// (camera alarm I/O, volume detection). Its settings message and its state
// reply hold the camera and "enable", then the event's own numbers (each
// 0 or more), then the state reply the trigger actions and channels.
template <typename Settings, typename State>
struct CameraTrigger {
    struct Number {
        const char* key;
        i32 Settings::*setting;
        i32 State::*state;
    };
    u32 set_code, log_detail;
    int (*write)(const char* db, const CameraTriggerRecord* rec);
    const Number* numbers;
    size_t number_count;
};

template <typename Settings, typename State>
int trigger_set(const char* request, const CameraTrigger<Settings, State>& event)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    CameraTriggerRecord rec;
    Settings s = zeroed<Settings>();
    if (!trigger_from(r, &rec)) return 0;
    for (size_t i = 0; i < event.number_count; i++)
        if (!int_in(r, event.numbers[i].key, 0, kAny, &(s.*event.numbers[i].setting))) return 0;
    event.write(kMainDb, &rec);
    s.cam_id = rec.cam_id;
    s.enable = rec.enable;
    core_notify(event.set_code, s);
    oplog_send_event(event.log_detail, rec.cam_id);
    return cgi_reply_ok();
}

template <typename Settings, typename State>
int trigger_reply(const KxFrameHeader* header, const void* payload, const CameraTrigger<Settings, State>& event)
{
    State st;
    if (!record_at(payload, header->length, 0, &st)) return core_reply_short(kReplyJson);
    JsonPtr o = jobject();
    json_object* j = o.get();
    jadd(j, "camId", st.cam_id);
    jadd(j, "enable", st.enable);
    for (size_t i = 0; i < event.number_count; i++) jadd(j, event.numbers[i].key, st.*event.numbers[i].state);
    jadd(j, "triActions", st.tri_actions);
    jadd_text(j, "triChannels", st.tri_channels);
    return core_reply_json(j);
}

// Asks the camera of a channel id in decimal text; F formats the reply.
// Nothing is sent and no reply written outside 0..63.
template <auto F>
int ask_camera(const char* request, u32 code, u32 reply_code)
{
    long id;
    if (!decimal_id(request, &id) || id < 0 || id >= kEventChannels) return 0;
    const i32 channel = i32(id);
    core_ask<F>(code, &channel, sizeof channel, kReplyJson, {reply_code});
    return 0;
}

using CameraIo = CameraTrigger<CameraIoSettings, CameraIoState>;
const CameraIo::Number kCameraIoNumbers[] = {
    {"type", &CameraIoSettings::type, &CameraIoState::type},
};
const CameraIo kCameraIo{kMsgCameraIoSet, kCameraIoLogDetail, write_cameraio, kCameraIoNumbers,
                         sizeof kCameraIoNumbers / sizeof kCameraIoNumbers[0]};

using Volume = CameraTrigger<VolumeSettings, VolumeState>;
const Volume::Number kVolumeNumbers[] = {
    {"type", &VolumeSettings::type, &VolumeState::type},
    {"volume", &VolumeSettings::volume, &VolumeState::volume},
    {"duration", &VolumeSettings::duration, &VolumeState::duration},
    {"onEvent", &VolumeSettings::on_event, &VolumeState::on_event},
    {"offEvent", &VolumeSettings::off_event, &VolumeState::off_event},
    {"ongoingEvent", &VolumeSettings::ongoing_event, &VolumeState::ongoing_event},
};
const Volume kVolume{kMsgVolumeSet, kVolumeLogDetail, write_volumedetect, kVolumeNumbers,
                     sizeof kVolumeNumbers / sizeof kVolumeNumbers[0]};

}  // namespace

// ---- camera alarm I/O ----

int camera_io_get(const char* request) { return ask_camera<camera_io_reply>(request, kMsgCameraIoGet, kCameraIoReply); }
int camera_io_set(const char* request) { return trigger_set(request, kCameraIo); }
int camera_io_reply(const KxFrameHeader* header, const void* payload)
{
    return trigger_reply(header, payload, kCameraIo);
}

// ---- volume detection ----

int volume_detect_get(const char* request)
{
    return ask_camera<volume_detect_reply>(request, kMsgVolumeGet, kVolumeReply);
}
int volume_detect_set(const char* request) { return trigger_set(request, kVolume); }
int volume_detect_reply(const KxFrameHeader* header, const void* payload)
{
    return trigger_reply(header, payload, kVolume);
}

// ---- event snapshots ----

int snapshot_settings_get(const char* request)
{
    long id;
    if (!decimal_id(request, &id) || id < 0 || id >= kEventChannels) return cgi_reply_error(kReplyJson);
    SnapshotSettingsRecord rec;
    read_snapshot(kMainDb, &rec, int(id));
    JsonPtr o = jobject();
    json_object* j = o.get();
    jadd(j, "resolution", rec.resolution);
    jadd(j, "quality", rec.quality);
    jadd(j, "interval", rec.interval);
    jadd(j, "interval_unit", rec.interval_unit);
    jadd(j, "expiration_date", rec.expiration_date);
    return json_reply(kReplyJson, j);
}

int snapshot_settings_copy(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return cgi_reply_error(kReplyText);
    SnapshotSettingsRecord rec = zeroed<SnapshotSettingsRecord>();
    rec.resolution = jint(r, "resolution");
    rec.quality = jint(r, "quality");
    rec.interval = jint(r, "interval");
    rec.interval_unit = jint(r, "interval_unit");
    rec.expiration_date = jint(r, "expiration_date");
    // Every valid listed id joins the list (twice when listed twice), and
    // the mask once.
    ChannelListRecord list = zeroed<ChannelListRecord>();
    u64 mask = 0;
    each_listed_channel(r, "chnid", "cnt", [&](int id) {
        mask |= u64(1) << id;
        list.ids[list.count++] = id;
        return list.count < kEventChannels;
    });
    copy_snapshots(kMainDb, &rec, mask_low(mask), mask_high(mask));
    core_notify(kMsgSnapshotSettings, list);
    return cgi_reply_ok();
}

namespace {

SnapshotRunRecord run_record(json_object* r, int start, const char* count_key, const char* list_key)
{
    SnapshotRunRecord rec = zeroed<SnapshotRunRecord>();
    rec.start = start;
    each_listed_channel(r, list_key, count_key, [&](int id) {
        rec.flags[id] = 1;
        return true;
    });
    return rec;
}

}  // namespace

int snapshot_run(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return cgi_reply_error(kReplyText);
    if (jint(r, "snapshotCnt") > 0) core_notify(kMsgSnapshotRun, run_record(r, 1, "snapshotCnt", "snapshotChnId"));
    if (jint(r, "stopCnt") > 0) core_notify(kMsgSnapshotRun, run_record(r, 0, "stopCnt", "stopChnId"));
    return cgi_reply_ok();
}
