// Motion detection: the motion settings of a channel, its motion grid, its
// action schedules and actions, and the copy of all of it to other channels.
//
// Two generations of requests exist side by side: the older ones name the
// channel "camId", the newer ones "chnid".
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/shared/event_actions.h"
#include "handlers/event/motion_records.h"
#include "handlers/event/video.h"
#include "common/core_reply.h"

namespace {

constexpr u32 kMsgMotionResultA = 2502, kMsgMotionResultB = 2503;
constexpr u32 kReplyMotionResultA = 7502, kReplyMotionResultB = 7503;  // 32-bit result

// A request text holding a channel id as decimal text; out-of-range values
// are passed on (the store refuses them and reads give empty schedules).
int decimal_of(const char* text)
{
    long v = std::strtol(text, nullptr, 10);
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
}

void set_tri_channels(MotionRecord& rec, const char* text)
{
    set_text(rec.tri_channels, text, kMaskTextWidth - 1);
    rec.tri_mask = chn_mask_word(rec.tri_channels, sizeof rec.tri_channels);
}

void notify_changed(int channel) { core_notify(kMsgMotionChanged, i32(channel)); }

// The channel's stored motion record (zeros when it has none), keyed to the
// channel.
MotionRecord motion_of(int channel)
{
    MotionRecord rec;
    read_motion(kMainDb, &rec, channel);
    rec.chnid = channel;
    return rec;
}

// The stored motion record of the request's "camId" channel, keyed to it:
// false when "camId" is missing or names a channel past the stored records.
bool stored_motion_of(json_object* req, int* channel, MotionRecord* rec)
{
    const auto all_owner = std::make_unique<MotionRecord[][kEventChannels]>(1);
    MotionRecord(&all)[kEventChannels] = all_owner[0];
    int count = 0;
    read_motions(kMainDb, all, &count);
    *channel = jint(req, "camId");
    if (!jhas(req, "camId") || *channel < 0 || *channel >= count || *channel >= kEventChannels) return false;
    *rec = all[*channel];
    rec->chnid = *channel;
    return true;
}

// Switches the camera's own motion schedule: forced to all day when
// "enableMS" is 1, else back to the camera's schedule.
void send_schedule_mode(int channel, int enable_ms)
{
    MotionScheduleModeRecord mode = zeroed<MotionScheduleModeRecord>();
    mode.chnid = channel;
    mode.flag = enable_ms == 1 ? 1 : 0;
    core_notify(kMsgMotionScheduleMode, mode);
    if (enable_ms == 1) {
        MotionAllDayRecord all_day = motion_all_day_record();
        all_day.chnid = channel;
        core_notify(kMsgMotionAllDay, all_day);
    }
}

// Writes the request's "schedule" with `write`; a request without one
// leaves the stored schedule as it is.
void write_request_schedule(json_object* req, int channel,
                            int (*write)(const char*, const RecordSchedule*, int))
{
    const auto schedule_owner = std::make_unique<RecordSchedule>();
    RecordSchedule& schedule = *schedule_owner;
    if (schedule_from_json(req, "schedule", &schedule) == 0) write(kMainDb, &schedule, channel);
}

int reply_schedule(int (*read)(const char*, RecordSchedule*, int), const char* request)
{
    const auto schedule_owner = std::make_unique<RecordSchedule>();
    RecordSchedule& schedule = *schedule_owner;
    read(kMainDb, &schedule, decimal_of(request));
    return json_reply(kReplyJson, schedule_to_json(schedule).get());
}

// "/6152", "/6159": one action schedule of an older page.
int set_schedule(const char* request, int (*write)(const char*, const RecordSchedule*, int))
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!req || !channel_in(req.get(), "camId", &channel)) return cgi_reply_error(kReplyText);
    write_request_schedule(req.get(), channel, write);
    notify_changed(channel);
    return cgi_reply_ok();
}

int query_result(const char* request, u32 code, u32 reply_code)
{
    JsonPtr req = json_parse(request);
    if (!req) return cgi_reply_error(kReplyText);
    i32 id = jint(req.get(), "id");
    core_ask_answered<motion_result_reply>(code, &id, sizeof id, kReplyText, {reply_code});
    return 0;
}

// The motion reply's own keys; the others are shared action keys.
bool motion_own_key(json_object* out, const char* name, const void* record, EventKey key)
{
    const MotionRecord& rec = *static_cast<const MotionRecord*>(record);
    if (std::strcmp(name, "chnid") == 0)
        jadd(out, name, key.channel);
    else if (std::strcmp(name, "sensitivity") == 0)
        jadd(out, name, rec.sensitivity);
    else if (std::strcmp(name, "enableMS") == 0)
        jadd(out, name, rec.enable_ms);
    else if (std::strcmp(name, "motionTable") == 0)
        jadd_text(out, name, rec.motion_table);
    else if (std::strcmp(name, "email_enable") == 0)
        jadd(out, name, rec.email_enable);
    else
        return false;
    return true;
}

const char* const kMotionReplyKeys[] = {
    "chnid",          "enable",           "sensitivity",      "triChannels",  "triAlarms",         "interval",
    "enableMS",       "motionTable",      "email_enable",     "email_interval", "email_pic_enable", "tri_channels_pic",
    "ptz_interval",   "alarmout_interval", "effective",       "audible",      "email",             "ptz",
    "triChnAlarms",   "white",            "whiteInfo",        "white_interval", "audioId",         "audioIdMask",
    "ptzParams",
};

}  // namespace

int motion_get(const char* request)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!req || !channel_in(req.get(), "chnid", &channel)) return cgi_reply_error(kReplyJson);
    MotionRecord rec;
    read_motion(kMainDb, &rec, channel);
    JsonPtr reply = event_action_object(kMotionEvents, EventKey{channel, 0}, &rec, kMotionReplyKeys, motion_own_key);
    return json_reply(kReplyJson, reply.get());
}

int motion_audible_schedule_get(const char* request)
{
    return reply_schedule(read_motion_audible_schedule, request);
}

int motion_effective_schedule_get(const char* request)
{
    return reply_schedule(read_motion_effective_schedule, request);
}

int motion_area_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    int channel;
    if (!channel_in(r, "camId", &channel)) return 0;
    const int enable = jint(r, "enable"), sensitivity = jint(r, "sensitivity"), tri_alarms = jint(r, "triAlarms"),
              interval = jint(r, "interval");
    if (!jhas(r, "enable") || enable < 0 || enable > 2) return 0;
    if (!jhas(r, "sensitivity") || sensitivity < 0) return 0;
    if (!jhas(r, "triChannels") || !jhas(r, "triAlarms") || tri_alarms < 0) return 0;
    if (!jhas(r, "interval") || interval < 0 || !jhas(r, "motionTable") || !jhas(r, "enableMS")) return 0;

    // The record also holds the actions set by the newer pages: only the
    // fields this request carries are replaced.
    MotionRecord rec = motion_of(channel);
    rec.enable = enable;
    rec.sensitivity = sensitivity;
    set_tri_channels(rec, jstr(r, "triChannels"));
    rec.tri_alarms = tri_alarms;
    rec.interval = interval;
    rec.enable_ms = jint(r, "enableMS");
    set_text(rec.motion_table, jstr(r, "motionTable"));
    write_motion(kMainDb, &rec);
    notify_changed(channel);

    MotionAreaRecord area = zeroed<MotionAreaRecord>();
    set_text(area.motion_table, jstr(r, "motionTable"));
    area.sensitivity = sensitivity;
    area.chnid = channel;
    core_notify(kMsgMotionArea, area);
    send_schedule_mode(channel, rec.enable_ms);

    oplog_send_event(kMotionLogDetail, channel);
    return cgi_reply_ok();
}

int motion_schedule_set(const char* request)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!req || !channel_in(req.get(), "camId", &channel)) return 0;
    write_request_schedule(req.get(), channel, write_motion_schedule);
    notify_changed(channel);
    return cgi_reply_ok();
}

int motion_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    if (!r || !channel_in(r, "chnid", &channel)) return 0;
    const EventKey key{channel, 0};
    json_object* dialog = jget(r, "dialog");
    if (dialog && json_object_is_type(dialog, json_type_object)) event_action_update(kMotionEvents, key, dialog, true);

    const int sensitivity = jint(r, "sensitivity"), enable_ms = jint(r, "enableMS");
    MotionAreaListRecord area = zeroed<MotionAreaListRecord>();
    set_text(area.motion_table, jstr(r, "motionTable"));
    area.sensitivity = sensitivity;
    area.chnid = channel;
    area.enable_ms = enable_ms;

    const u64 mask = chn_mask_from_list(r, "copyChn", "copyCnt");
    MotionScheduleModeRecord mode = zeroed<MotionScheduleModeRecord>();
    MotionAllDayRecord all_day = motion_all_day_record();
    for (int n = 0; n < kEventChannels; n++) {
        if (!(mask >> n & 1)) continue;
        area.ids[area.count++] = n;
        mode.ids[mode.count++] = n;
        all_day.ids[all_day.count++] = n;
    }
    mode.chnid = channel;
    mode.flag = enable_ms == 1 ? 1 : 0;

    // The channel's own record keeps the new values whether or not it is
    // among the copies; then its whole state goes to every copy.
    MotionRecord rec = motion_of(channel);
    jset(r, "sensitivity", rec.sensitivity);
    jset(r, "enableMS", rec.enable_ms);
    write_motion(kMainDb, &rec);
    event_action_copy(kMotionEvents, key, mask);

    oplog_send_channels(kEventLogType, kEventLogSubType, kMotionLogDetail, mask);
    core_notify(kMsgMotionAreaList, area);
    core_notify(kMsgMotionCopied, mask);
    core_notify(kMsgMotionScheduleMode, mode);
    if (enable_ms == 1) core_notify(kMsgMotionAllDayList, all_day);
    return cgi_reply_ok();
}

int motion_area_schedule_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    MotionRecord rec;
    if (!r || !stored_motion_of(r, &channel, &rec)) return 0;

    jset(r, "sensitivity", rec.sensitivity);
    jset(r, "enableMS", rec.enable_ms);
    jset(r, "enable", rec.enable);
    jset(r, "triAlarms", rec.tri_alarms);
    jset(r, "interval", rec.interval);
    write_motion(kMainDb, &rec);
    notify_changed(channel);

    write_request_schedule(r, channel, write_motion_schedule);
    notify_changed(channel);
    send_schedule_mode(channel, rec.enable_ms);
    return cgi_reply_ok();
}

int motion_triggers_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    MotionRecord rec;
    if (!r || !stored_motion_of(r, &channel, &rec)) return 0;

    jset(r, "sensitivity", rec.sensitivity);
    if (jhas(r, "triChannels")) set_tri_channels(rec, jstr(r, "triChannels"));
    jset(r, "triAlarms", rec.tri_alarms);
    jset(r, "interval", rec.interval);
    jset(r, "enableMS", rec.enable_ms);
    write_motion(kMainDb, &rec);
    notify_changed(channel);
    oplog_send_event(kMotionLogDetail, channel);
    return cgi_reply_ok();
}

int motion_result_2502(const char* request)
{
    return query_result(request, kMsgMotionResultA, kReplyMotionResultA);
}
int motion_result_2503(const char* request)
{
    return query_result(request, kMsgMotionResultB, kReplyMotionResultB);
}

int motion_result_reply(const KxFrameHeader* header, const void* payload)
{
    i32 result;
    if (!core_reply_record(header, payload, &result, kCoreReplyLeftToAsker)) return 0;
    JsonPtr o = jobject();
    jadd(o.get(), "result", result);
    return core_reply_json(o.get());
}

int motion_actions_set(const char* request)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!req || !channel_in(req.get(), "chnid", &channel)) return cgi_reply_error(kReplyJson);
    event_action_update(kMotionEvents, EventKey{channel, 0}, req.get(), false);
    return cgi_reply_ok();
}

int motion_email_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    if (!r || !channel_in(r, "camId", &channel)) return cgi_reply_error(kReplyText);
    MotionRecord rec = motion_of(channel);
    jset(r, "enable", rec.enable);
    jset(r, "interval", rec.interval);
    write_motion(kMainDb, &rec);
    write_request_schedule(r, channel, write_motion_email_schedule);
    notify_changed(channel);
    return cgi_reply_ok();
}

int motion_trigger_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    if (!r || !channel_in(r, "camId", &channel)) return cgi_reply_error(kReplyText);
    MotionRecord rec = motion_of(channel);
    const int type = jint(r, "type");
    if (type == 1 && jhas(r, "triChannels"))
        set_tri_channels(rec, jstr(r, "triChannels"));
    else if (type == 2)
        jset(r, "triAlarms", rec.tri_alarms);
    write_motion(kMainDb, &rec);
    notify_changed(channel);
    oplog_send_event(kMotionLogDetail, channel);
    return cgi_reply_ok();
}

int motion_effective_schedule_set(const char* request)
{
    return set_schedule(request, write_motion_effective_schedule);
}

int motion_ptz_schedule_set(const char* request) { return set_schedule(request, write_motion_ptz_schedule); }
