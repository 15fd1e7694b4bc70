// Holidays and per-channel record settings: the holiday table, the
// pre/post-record, audio, expiry and recorded-stream settings of a channel
// with its camera's ANR switch, and two capability queries to the core daemon.
#include <cstring>
#include <memory>

#include "common/core.h"
#include "common/decimal_text.h"
#include "common/json.h"
#include "common/reply.h"
#include "common/store_mask.h"
#include "handlers/camera/camera_records.h"
#include "handlers/record/record.h"
#include "handlers/record/record_records.h"
#include "handlers/shared/reply_flow.h"

namespace {

constexpr u32 kMsgHolidays = 1401;         // no payload: the holiday table changed
constexpr u32 kMsgRecordSettings = 1310;   // RecordChannelList
constexpr u32 kMsgAnrSet = 2285;           // AnrRequest, answered by 7285
constexpr u32 kMsgAnrSupport = 2286;       // 4 bytes: channel, answered by 7286
constexpr u32 kMsgStreamCapability = 3218; // no payload, answered by 8218
constexpr u32 kReplyAnrSet = 7285;            // AnrResult
constexpr u32 kReplyAnrSupport = 7286;        // AnrSupport
constexpr u32 kReplyStreamCapability = 8218;  // StreamCapability

constexpr int kLogHoliday = 920, kLogSettings = 906;
constexpr int kProtocolRtsp = 1;  // cameras reached by plain RTSP have no ANR

bool in_range(int v, int lo, int hi) { return v >= lo && v <= hi; }
bool channel_ok(int v) { return in_range(v, 0, kRecordChannels - 1); }

// The request text as a channel id: a whole decimal number 0..63.
bool channel_text(const char* request, int* channel)
{
    return decimal_text(request, channel) && channel_ok(*channel);
}

JsonPtr holiday_object(const HolidayRow& h)
{
    JsonPtr o = jobject();
    json_object* j = o.get();
    jadd(j, "id", h.id);
    jadd(j, "enable", h.enable);
    jadd_text(j, "name", h.name);
    jadd(j, "type", h.type);
    jadd(j, "startYear", h.start_year);
    jadd(j, "startMon", h.start_mon);
    jadd(j, "startMDay", h.start_mday);
    jadd(j, "startMWeek", h.start_mweek);
    jadd(j, "startWDay", h.start_wday);
    jadd(j, "endYear", h.end_year);
    jadd(j, "endMon", h.end_mon);
    jadd(j, "endMDay", h.end_mday);
    jadd(j, "endMWeek", h.end_mweek);
    jadd(j, "endWDay", h.end_wday);
    return o;
}

// The record settings of one "/6045" request.
struct SettingsRequest {
    i32 prev_on, prev_duration, post_on, post_duration, audio, exp_date, stream, anr;
};

bool settings_from(json_object* r, SettingsRequest* s)
{
    if (!r || !jhas(r, "cnt") || !jhas(r, "chnid") || !jhas(r, "camAnr") || !jhas(r, "postRecordDuration"))
        return false;
    *s = SettingsRequest{jint(r, "prevRecordOn"), jint(r, "prevRecordDuration"), jint(r, "postRecordOn"),
                         jint(r, "postRecordDuration"), jint(r, "audioEnable"), jint(r, "recordExpDate"),
                         jint(r, "recordStreamType"), jint(r, "camAnr")};
    return in_range(s->prev_on, 0, 1) && s->prev_duration >= 0 && in_range(s->post_on, 0, 1) &&
           in_range(s->audio, 0, 1) && in_range(s->stream, 0, 2);
}

// Whether a listed camera takes the new ANR value: switching ANR off always
// applies; switching it on only on an enabled camera that is neither on a PoE
// port nor reached by plain RTSP.
bool takes_anr(const CameraRecord& cam, int anr)
{
    if (cam.anr == anr) return false;
    if (anr == 0) return true;
    return cam.enable != 0 && cam.poe_channel == 0 && cam.protocol != kProtocolRtsp;
}

}  // namespace

void record_send_log(int param_type, int channel)
{
    constexpr int kLogSubType = 204;
    send_change_log(kLogSubType, param_type, channel);
}

// ---- holidays ----

int holidays_get(const char*)
{
    auto rows = std::make_unique<HolidayRow[]>(kHolidays);
    int count = 0;
    read_holidays(kMainDb, rows.get(), &count);
    JsonPtr list = jarray();
    for (int i = 0; i < count; i++) json_object_array_add(list.get(), holiday_object(rows[i]).release());
    JsonPtr reply = jobject();
    jadd_value(reply.get(), "holidays", list.release());
    return json_reply(kReplyJson, reply.get());
}

int holiday_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jint_required_in(r, "id", 0, kHolidays - 1) || !jint_required_in(r, "enable", 0, 1) ||
        !jhas(r, "type") || jint(r, "type") < 0)
        return 0;

    HolidayRow h = zeroed<HolidayRow>();
    h.id = jint(r, "id");
    jtext(r, "name", h.name);
    h.enable = jint(r, "enable");
    h.type = jint(r, "type");
    h.start_year = jint(r, "startYear");
    h.start_mon = jint(r, "startMon");
    h.start_mday = jint(r, "startMDay");
    h.start_mweek = jint(r, "startMWeek");
    h.start_wday = jint(r, "startWDay");
    h.end_year = jint(r, "endYear");
    h.end_mon = jint(r, "endMon");
    h.end_mday = jint(r, "endMDay");
    h.end_mweek = jint(r, "endMWeek");
    h.end_wday = jint(r, "endWDay");
    write_holiday(kMainDb, &h);

    core_notify(kMsgHolidays, nullptr, 0);
    record_send_log(kLogHoliday, h.id + 1);
    return cgi_reply_ok();
}

// ---- record settings ----

int record_settings_get(const char* request)
{
    int id = 0;
    if (!channel_text(request, &id)) return 0;
    RecordRow rec;
    read_record(kMainDb, &rec, id);
    CameraRecord cam;
    read_camera(kMainDb, &cam, id);

    JsonPtr reply = jobject();
    json_object* j = reply.get();
    jadd(j, "id", id);
    jadd(j, "prevRecordOn", rec.prev_record_on);
    jadd(j, "prevRecordDuration", rec.prev_record_duration);
    jadd(j, "postRecordOn", rec.post_record_on);
    jadd(j, "postRecordDuration", rec.post_record_duration);
    jadd(j, "audioEnable", rec.audio_enable);
    jadd(j, "recordStreamType", cam.record_stream);
    jadd(j, "recordExpDate", rec.record_exp_date);
    jadd(j, "cameraAnr", cam.anr);
    jadd(j, "camEnable", cam.enable);
    jadd(j, "camProtocol", cam.protocol);
    jadd(j, "poeChannel", cam.poe_channel);
    return json_reply(kReplyJson, j);
}

int record_settings_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    SettingsRequest s;
    if (!settings_from(r, &s)) return 0;

    auto rows = std::make_unique<RecordRow[]>(kRecordChannels);
    auto cams = std::make_unique<CameraRecord[]>(kMaxCameras);
    int count = 0;
    read_records(kMainDb, rows.get(), &count);
    read_cameras(kMainDb, cams.get(), &count);
    // Rows are indexed by channel: a row that was absent is written with
    // its own id.
    for (int i = 0; i < kRecordChannels; i++) rows[i].id = i;

    RecordChannelList changed = zeroed<RecordChannelList>();
    AnrRequest anr = zeroed<AnrRequest>();
    anr.anr = s.anr;
    u64 record_mask = 0, stream_mask = 0, anr_mask = 0;
    const int n = jint(r, "cnt");
    json_object* ids = jget(r, "chnid");
    for (int i = 0; i < n; i++) {
        json_object* v = jarray_at(ids, size_t(i));
        if (!v) break;
        if (!json_object_is_type(v, json_type_int)) continue;
        const int id = json_object_get_int(v);
        // A channel named twice is handled once, so neither list can
        // outgrow its 64 entries.
        if (!channel_ok(id) || (record_mask >> id & 1)) continue;
        record_mask |= u64(1) << id;
        RecordRow& row = rows[id];
        row.prev_record_on = s.prev_on;
        row.prev_record_duration = s.prev_duration;
        row.post_record_on = s.post_on;
        row.post_record_duration = s.post_duration;
        row.audio_enable = s.audio;
        row.record_exp_date = s.exp_date;
        changed.channels[changed.count++] = id;

        CameraRecord& cam = cams[id];
        if (cam.record_stream != s.stream) stream_mask |= u64(1) << id;
        if (takes_anr(cam, s.anr)) {
            cam.anr = s.anr;
            anr.channels[anr.count++] = id;
            anr_mask |= u64(1) << id;
        }
    }

    write_records_masked(kMainDb, rows.get(), mask_low(record_mask), mask_high(record_mask));
    copy_table_column_int(kMainDb, kCameraKind, offsetof(CameraRecord, anr), s.anr, mask_low(anr_mask),
                          mask_high(anr_mask));
    copy_table_column_int(kMainDb, kCameraKind, offsetof(CameraRecord, record_stream), s.stream,
                          mask_low(stream_mask), mask_high(stream_mask));

    core_notify(kMsgRecordSettings, changed);
    record_send_log(kLogSettings, 0);
    core_ask<anr_set_reply>(kMsgAnrSet, &anr, sizeof anr, kReplyJson, {kReplyAnrSet});
    return 0;
}

int anr_set_reply(const KxFrameHeader* header, const void* payload)
{
    AnrResult res;
    if (!core_reply_record(header, payload, &res)) return 0;
    // Any failed channel among those the daemon reports fails the request,
    // a single channel included.
    int resp = 0;
    if (res.flag != 0) {
        const int count = res.count < kRecordChannels ? res.count : kRecordChannels;
        for (int i = 0; i < count; i++)
            if (res.results[i] != 0) resp = -1;
    }
    JsonPtr reply = jobject();
    jadd(reply.get(), "resp", resp);
    return core_reply_json(reply.get());
}

// ---- capability queries ----

int anr_support_get(const char* request)
{
    int id = 0;
    if (!channel_text(request, &id)) return 0;
    const i32 payload = id;
    core_ask<anr_support_reply>(kMsgAnrSupport, &payload, sizeof payload, kReplyJson, {kReplyAnrSupport});
    return 0;
}

int anr_support_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<AnrSupport>(header, payload, kReplyJson, [](json_object* o, const AnrSupport& s) {
        jadd(o, "chnid", s.chnid);
        jadd(o, "support", s.support);
    });
}

int stream_capability_get(const char*)
{
    core_ask<stream_capability_reply>(kMsgStreamCapability, nullptr, 0, kReplyJson, {kReplyStreamCapability});
    return 0;
}

int stream_capability_reply(const KxFrameHeader* header, const void* payload)
{
    auto whole = std::make_unique<StreamCapability>();
    const StreamCapability& cap = *whole;
    if (!core_reply_record(header, payload, whole.get())) return 0;
    // The arrays hold 64 entries whatever size the daemon claims.
    int size = cap.size;
    if (size < 0) size = 0;
    if (size > kRecordChannels) size = kRecordChannels;
    JsonPtr primary = jarray(), secondary = jarray();
    for (int i = 0; i < size; i++) {
        json_object_array_add(primary.get(), json_object_new_int(cap.primary[i]));
        json_object_array_add(secondary.get(), json_object_new_int(cap.secondary[i]));
    }
    JsonPtr reply = jobject();
    jadd_value(reply.get(), "primary", primary.release());
    jadd_value(reply.get(), "secondary", secondary.release());
    jadd(reply.get(), "size", size);
    return core_reply_json(reply.get());
}
