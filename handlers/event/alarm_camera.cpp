// The two alarm inputs and two alarm outputs of every camera: live state
// from the core daemon, names, delays, the inputs' actions and the outputs'
// schedule, the copy to other channels, and switching an output.
#include <cstring>
#include <memory>
#include <utility>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/event/alarm.h"
#include "handlers/event/alarm_records.h"
#include "handlers/shared/event_actions.h"
#include "handlers/event/event_request.h"
#include "common/core_reply.h"

namespace {

constexpr int kReplyBad = -1;  // a reply came but could not be used

// Number of "alarm" elements a request's "alarmCnt" asks for: 0..2.
int alarm_count(json_object* r)
{
    int n = jint(r, "alarmCnt");
    return n < 0 ? 0 : n > kCameraAlarms ? kCameraAlarms : n;
}

// A camera alarm input in the reply: its own keys (live state and name)
// first, then the shared action keys of its stored record.
const char* const kCameraInActionKeys[] = {
    "effective", "audible",  "interval", "audioId",     "audioIdMask",       "email",     "email_interval",
    "email_pic_enable", "tri_channels_pic", "ptz", "ptz_interval", "ptzParams", "alarmout_interval", "triAlarms",
    "triChannels", "triChnAlarms", "white", "whiteInfo", "white_interval",
};

JsonPtr camera_in_object(const CameraInStateRecord& state, int i, const CameraInNameRecord& name,
                         const CameraInEventRecord& rec)
{
    JsonPtr o = jobject();
    jadd(o.get(), "alarmEnable", state.enable[i]);
    jadd(o.get(), "alarmType", state.type[i]);
    jadd(o.get(), "alarmStatus", state.status[i]);
    jadd_text(o.get(), "alarmName", name.name);
    JsonPtr actions =
        event_action_object(kCameraInEvents, EventKey{state.chnid, i}, &rec, kCameraInActionKeys, nullptr);
    json_object_object_foreach(actions.get(), key, value)
    {
        json_object_object_add(o.get(), key, json_object_get(value));
    }
    return o;
}

// The first state record of a reply, when whole and naming a channel.
template <typename T>
bool state_of(const KxFrameHeader* header, const void* payload, T* out)
{
    return record_at(payload, header->length, 0, out) && out->chnid >= 0 && out->chnid < kEventChannels;
}

int reply_bad()
{
    cgi_reply_error(kReplyJson);
    core_reply_finish(kReplyBad);
    return 0;
}

// The reply to a state query: the channel, the camera's alarm count and
// the alarm objects.
int reply_alarms(i32 chnid, i32 count, JsonPtr alarms)
{
    JsonPtr o = jobject();
    jadd(o.get(), "chnid", chnid);
    jadd(o.get(), "alarmCnt", count);
    jadd_value(o.get(), "alarm", alarms.release());
    return core_reply_json(o.get());
}

// The request's channel and alarm index ("chnid", "alarmId"), both required.
bool channel_and_alarm(json_object* r, int* channel, int* alarm_id)
{
    return r && id_key(r, "chnid", kEventChannels, channel) && id_key(r, "alarmId", kCameraAlarms, alarm_id);
}

// Sends the settings of a write, for the channel and its copies, then the
// mask of the changed channels.
template <typename Settings>
int send_settings(Settings& settings, int channel, u64 copies, u32 settings_code, u32 changed_code)
{
    settings.mask = copies | u64(1) << channel;
    core_notify(settings_code, settings);
    core_notify(changed_code, settings.mask);
    return cgi_reply_ok();
}

// Sends query `code` for the request's channel; formatter F answers its
// reply code.
template <auto F>
int query(const char* request, u32 code, u32 reply_code)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!req || !id_key(req.get(), "chnid", kEventChannels, &channel)) return cgi_reply_error(kReplyJson);
    i32 chnid = channel;
    core_ask<F>(code, &chnid, sizeof chnid, kReplyJson, {reply_code});
    return 0;
}

}  // namespace

int camera_ins_get(const char* request)
{
    return query<camera_in_state_reply>(request, kMsgCameraInState, kReplyCameraInState);
}

int camera_in_state_reply(const KxFrameHeader* header, const void* payload)
{
    CameraInStateRecord state;
    if (!state_of(header, payload, &state)) return reply_bad();
    JsonPtr alarms = jarray();
    for (int i = 0; i < kCameraAlarms && i < state.count; i++) {
        const EventKey key{state.chnid, i};
        CameraInNameRecord name;
        read_alarm_chnIn_event_name(kMainDb, &name, CameraAlarmKey{state.chnid, i});
        CameraInEventRecord rec;
        event_record_read(kMainDb, kCameraInEvents, key, &rec);
        json_object_array_add(alarms.get(), camera_in_object(state, i, name, rec).release());
    }
    return reply_alarms(state.chnid, state.count, std::move(alarms));
}

int camera_outs_get(const char* request)
{
    return query<camera_out_state_reply>(request, kMsgCameraOutState, kReplyCameraOutState);
}

int camera_out_state_reply(const KxFrameHeader* header, const void* payload)
{
    CameraOutStateRecord state;
    if (!state_of(header, payload, &state)) return reply_bad();
    JsonPtr alarms = jarray();
    // Both outputs are listed whatever the camera reports.
    for (int i = 0; i < kCameraAlarms; i++) {
        const CameraAlarmKey key{state.chnid, i};
        CameraOutNameRecord name;
        read_alarm_chnOut_event_name(kMainDb, &name, key);
        auto effective = std::make_unique<RecordSchedule>();
        const RecordSchedule& schedule = *effective;
        read_alarm_chnOut_effective_schedule(kMainDb, effective.get(), key);
        JsonPtr a = jobject();
        jadd(a.get(), "alarmType", state.type[i]);
        jadd(a.get(), "alarmStatus", state.status[i]);
        jadd_text(a.get(), "alarmName", name.name);
        jadd(a.get(), "delayTime", name.delay_time);
        jadd_value(a.get(), "effective", schedule_to_json(schedule).release());
        json_object_array_add(alarms.get(), a.release());
    }
    return reply_alarms(state.chnid, state.count, std::move(alarms));
}

int camera_ins_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel, alarm_id = 0;
    if (!r || !id_key(r, "chnid", kEventChannels, &channel)) return cgi_reply_error(kReplyJson);
    if (jhas(r, "alarmId") && !id_key(r, "alarmId", kCameraAlarms, &alarm_id)) return cgi_reply_error(kReplyJson);

    if (json_object* dialog = jobject_of(r, "dialog"))
        event_action_update(kCameraInEvents, EventKey{channel, alarm_id}, dialog, true);

    CameraInSettingsRecord settings = zeroed<CameraInSettingsRecord>();
    const int count = alarm_count(r);
    for (int i = 0; i < count; i++) {
        json_object* a = jelement(r, "alarm", size_t(i));
        settings.inputs[i].alarm_id = i;
        if (!a) continue;
        settings.inputs[i].enable = jint(a, "alarmEnable");
        settings.inputs[i].type = jint(a, "alarmType");
        CameraInNameRecord name = zeroed<CameraInNameRecord>();
        name.chnid = channel;
        name.alarm_id = i;
        jtext(a, "alarmName", name.name);
        write_alarm_chnIn_event_name(kMainDb, &name);
    }
    settings.count = count;

    const u64 mask = chn_mask_from_list(r, "copyChn", "copyCnt") & ~(u64(1) << channel);
    if (mask)
        for (int i = 0; i < count; i++) event_action_copy(kCameraInEvents, EventKey{channel, i}, mask);
    return send_settings(settings, channel, mask, kMsgCameraInSettings, kMsgCameraInsChanged);
}

int camera_outs_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel, alarm_id;
    if (!channel_and_alarm(r, &channel, &alarm_id)) return cgi_reply_error(kReplyJson);

    const auto schedule_owner = std::make_unique<RecordSchedule>();

    RecordSchedule& schedule = *schedule_owner;
    if (schedule_from_json(jobject_of(r, "dialog"), "effective", &schedule) == 0)
        write_alarm_chnOut_effective_schedule(kMainDb, &schedule, CameraAlarmKey{channel, alarm_id});

    CameraOutSettingsRecord settings = zeroed<CameraOutSettingsRecord>();
    CameraOutNameRecord names[kCameraAlarms];
    const int count = alarm_count(r);
    for (int i = 0; i < count; i++) {
        json_object* a = jelement(r, "alarm", size_t(i));
        settings.outputs[i].alarm_id = i;
        read_alarm_chnOut_event_name(kMainDb, &names[i], CameraAlarmKey{channel, i});
        names[i].chnid = channel;
        names[i].alarm_id = i;
        if (!a) continue;
        settings.outputs[i].type = jint(a, "alarmType");
        names[i].delay_time = jint(a, "delayTime");
        std::memset(names[i].name, 0, sizeof names[i].name);
        jtext(a, "alarmName", names[i].name);
        write_alarm_chnOut_event_name(kMainDb, &names[i]);
    }
    settings.count = count;

    const u64 mask = chn_mask_from_list(r, "copyChn", "copyCnt") & ~(u64(1) << channel);
    for (int i = 0; mask && i < count; i++) {
        copy_alarm_chnOut_effective_schedules(kMainDb, CameraAlarmKey{channel, i}, mask_low(mask), mask_high(mask));
        // The copies take the delay; each keeps its own name.
        const auto all_owner = std::make_unique<CameraOutNameRecord[][kEventChannels]>(1);
        CameraOutNameRecord(&all)[kEventChannels] = all_owner[0];
        read_alarm_chnOut_event_names(kMainDb, all, i);
        for (int c = 0; c < kEventChannels; c++) {
            if (!(mask >> c & 1)) continue;
            all[c].chnid = c;
            all[c].alarm_id = i;
            all[c].delay_time = names[i].delay_time;
        }
        write_alarm_chnOut_event_names(kMainDb, all, i, mask_low(mask), mask_high(mask));
    }
    return send_settings(settings, channel, mask, kMsgCameraOutSettings, kMsgCameraOutsChanged);
}

int camera_out_trigger(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel, alarm_id;
    if (!channel_and_alarm(r, &channel, &alarm_id)) return cgi_reply_error(kReplyText);
    CameraOutTriggerRecord trigger{channel, alarm_id, jint(r, "state")};
    core_notify(kMsgCameraOutTrigger, trigger);
    return cgi_reply_ok();
}
