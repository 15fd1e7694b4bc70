// The recorder's own alarm inputs (ids 0..15): their settings, names and
// actions, the copy of one input's settings to other inputs, and the
// requests of the older alarm pages.
#include <cstring>
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/event/alarm.h"
#include "handlers/event/alarm_records.h"
#include "handlers/shared/event_actions.h"
#include "handlers/event/event_request.h"

namespace {

constexpr EventKey input(int id) { return EventKey{id, 0}; }

void set_tri_channels(AlarmInRecord& rec, const char* text)
{
    set_text(rec.tri_channels, text, kMaskTextWidth - 1);
    rec.tri_mask = chn_mask_word(rec.tri_channels, sizeof rec.tri_channels);
}

void set_name(AlarmInRecord& rec, json_object* obj, const char* key) { jtext(obj, key, rec.name); }

// The stored input keyed to its id (zeros when it has none).
AlarmInRecord alarm_in_of(int id)
{
    AlarmInRecord rec;
    read_alarm_in(kMainDb, &rec, id);
    rec.id = id;
    return rec;
}

// The end of a write of the older pages: the core daemon told, the write
// logged, "OK".
int changed_and_logged(int id)
{
    core_notify(kMsgAlarmInChanged, i32(id));
    oplog_send_event(kAlarmInLogDetail, id);
    return cgi_reply_ok();
}

// The reply's own keys of a recorder alarm input; the others are shared
// action keys.
bool alarm_in_own_key(json_object* out, const char* name, const void* record, EventKey key)
{
    const AlarmInRecord& rec = *static_cast<const AlarmInRecord*>(record);
    if (std::strcmp(name, "alarmId") == 0)
        jadd(out, name, key.channel);
    else if (std::strcmp(name, "name") == 0)
        jadd_text(out, name, rec.name);
    else if (std::strcmp(name, "alarmType") == 0)
        jadd(out, name, rec.type);
    else
        return false;
    return true;
}

const char* const kAlarmInReplyKeys[] = {
    "alarmId",       "name",           "alarmType",     "enable",           "triAlarms",    "interval",
    "email_interval", "email_pic_enable", "tri_channels_pic", "ptz_interval", "alarmout_interval", "triChannels",
    "triSnapshot",   "effective",      "audible",       "email",            "ptz",          "triChnAlarms",
    "white",         "whiteInfo",      "white_interval", "audioId",         "audioIdMask",  "ptzParams",
};

// A copy takes the source's settings except its own trigger channels and
// snapshot choice (and its name).
void copy_settings(const AlarmInRecord& from, AlarmInRecord& to)
{
    to.type = from.type;
    to.enable = from.enable;
    to.interval = from.interval;
    to.audio_id = from.audio_id;
    to.email_enable = from.email_enable;
    to.email_interval = from.email_interval;
    to.tri_alarms = from.tri_alarms;
    std::memcpy(to.tri_snapshot, from.tri_snapshot, sizeof to.tri_snapshot);
    to.ptz_interval = from.ptz_interval;
    to.alarmout_interval = from.alarmout_interval;
    to.white_interval = from.white_interval;
    std::memcpy(to.tri_chn_alarms, from.tri_chn_alarms, sizeof to.tri_chn_alarms);
}

// The source's action schedules, white-LED schedule and list and PTZ list
// go to every input of the mask (the records are written by the caller).
void copy_actions(int source, u64 mask)
{
    const EventKey key = input(source);
    for (int k = 0; k < kActionKinds; k++) event_schedule_copy(kMainDb, kAlarmInEvents, ActionKind(k), key, mask);
    copy_ptz_params_all(kMainDb, kAlarmInPtzType, source, mask_low(mask), mask_high(mask));
    WhiteLedKey wkey;
    if (event_whiteled_key(kAlarmInEvents, key, 0, &wkey))
        copy_whiteled_effective_schedules(kMainDb, wkey, mask_low(mask), mask_high(mask));
    if (event_whiteled_key(kAlarmInEvents, key, 1, &wkey))
        copy_whiteled_params(kMainDb, wkey, mask_low(mask), mask_high(mask));
}

// Checks an alarm-input object of the older pages: "id" 0..15, "enable"
// 0..2, "type" 0 or 1, "triChannels" present, "triAlarms" and "interval"
// not negative (a missing number reads as 0).
bool valid_alarm_object(json_object* a)
{
    if (!a) return false;
    const int id = jint(a, "id"), enable = jint(a, "enable"), type = jint(a, "type");
    return id >= 0 && id < kAlarmIns && enable >= 0 && enable <= 2 && (type == 0 || type == 1) &&
           jhas(a, "triChannels") && jint(a, "triAlarms") >= 0 && jint(a, "interval") >= 0;
}

// The fields an older page's alarm object sets besides "enable".
void take_alarm_object(AlarmInRecord& rec, json_object* a)
{
    set_name(rec, a, "name");
    rec.type = jint(a, "type");
    set_tri_channels(rec, jstr(a, "triChannels"));
    rec.tri_alarms = jint(a, "triAlarms");
    rec.interval = jint(a, "interval");
}

}  // namespace

int alarm_in_get(const char* request)
{
    JsonPtr req = json_parse(request);
    int id;
    if (!req || !id_key(req.get(), "alarmId", kAlarmIns, &id)) return cgi_reply_error(kReplyJson);
    AlarmInRecord rec = alarm_in_of(id);
    JsonPtr reply = event_action_object(kAlarmInEvents, input(id), &rec, kAlarmInReplyKeys, alarm_in_own_key);
    return json_reply(kReplyJson, reply.get());
}

int alarm_in_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int id;
    if (!r || !id_key(r, "alarmId", kAlarmIns, &id)) return cgi_reply_error(kReplyJson);

    if (json_object* dialog = jobject_of(r, "dialog")) event_action_update(kAlarmInEvents, input(id), dialog, true);
    AlarmInRecord rec = alarm_in_of(id);
    jset(r, "alarmType", rec.type);
    set_name(rec, r, "name");
    write_alarm_in(kMainDb, &rec);

    u64 mask = 0;
    if (jint(r, "copyCnt") > 0) mask = id_mask_from_list(r, "copyChn", "copyCnt", kAlarmIns, id);
    if (mask) {
        update_listed<kAlarmIns>(read_alarm_ins, write_alarm_ins, mask, [&](AlarmInRecord& to) {
            copy_settings(rec, to);
            return true;
        });
        copy_actions(id, mask);
    }
    core_notify(kMsgAlarmInsChanged, mask | u64(1) << id);
    return cgi_reply_ok();
}

int alarm_ins_list(const char*)
{
    const auto all_owner = std::make_unique<AlarmInRecord[][kAlarmIns]>(1);
    AlarmInRecord(&all)[kAlarmIns] = all_owner[0];
    int count = 0;
    read_alarm_ins(kMainDb, all, &count);
    JsonPtr list = jarray();
    for (int i = 0; i < count && i < kAlarmIns; i++) {
        JsonPtr o = jobject();
        jadd(o.get(), "id", all[i].id);
        jadd(o.get(), "enable", all[i].enable);
        jadd_text(o.get(), "name", all[i].name);
        jadd(o.get(), "type", all[i].type);
        jadd_text(o.get(), "triChannels", all[i].tri_channels);
        jadd(o.get(), "triAlarms", all[i].tri_alarms);
        json_object_array_add(list.get(), o.release());
    }
    return json_reply(kReplyJson, list.get());
}

int alarm_in_schedule_get(const char* request)
{
    long id;
    if (!decimal_id(request, &id) || id < 0 || id >= kAlarmIns) return 0;
    AlarmInRecord rec = alarm_in_of(int(id));
    JsonPtr alarm = jobject();
    jadd(alarm.get(), "id", rec.id);
    jadd(alarm.get(), "enable", rec.enable);
    jadd_text(alarm.get(), "name", rec.name);
    jadd(alarm.get(), "type", rec.type);
    jadd_text(alarm.get(), "triChannels", rec.tri_channels);
    jadd(alarm.get(), "triAlarms", rec.tri_alarms);
    jadd(alarm.get(), "interval", rec.interval);
    jadd_text(alarm.get(), "triSnapshot", rec.tri_snapshot);
    const auto schedule_owner = std::make_unique<RecordSchedule>();
    RecordSchedule& schedule = *schedule_owner;
    read_alarm_in_schedule(kMainDb, &schedule, int(id));
    JsonPtr o = jobject();
    jadd_value(o.get(), "alarm", alarm.release());
    jadd_value(o.get(), "schedule", schedule_to_json(schedule).release());
    return json_reply(kReplyJson, o.get());
}

int alarm_in_schedule_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* a = jobject_of(req.get(), "alarm");
    if (!valid_alarm_object(a)) return 0;
    const int id = jint(a, "id");

    // The record also holds the actions set by the newer pages: only the
    // fields this request carries are replaced.
    AlarmInRecord rec = alarm_in_of(id);
    rec.enable = jint(a, "enable");
    rec.name[0] = 0;
    take_alarm_object(rec, a);
    write_alarm_in(kMainDb, &rec);

    // The older page's plans all run with action type 6 whatever it sent.
    const auto schedule_owner = std::make_unique<RecordSchedule>();
    RecordSchedule& schedule = *schedule_owner;
    if (schedule_from_json(req.get(), "schedule", &schedule) == 0) {
        for (ScheduleDay& day : schedule.days)
            for (int p = 0; p < kActionPlans; p++) day.plans[p].action_type = 6;
        write_alarm_in_schedule(kMainDb, &schedule, id);
    }
    return changed_and_logged(id);
}

int alarm_in_name_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* a = jobject_of(req.get(), "alarm");
    int id;
    if (!a || !id_key(a, "camId", kAlarmIns, &id)) return 0;
    const int type = jint(a, "type"), enable = jint(a, "enable");
    if (type < 0 || type > 1 || enable < 0 || enable > 2) return 0;
    AlarmInRecord rec = alarm_in_of(id);
    set_name(rec, a, "name");
    jset(a, "type", rec.type);
    jset(a, "enable", rec.enable);
    write_alarm_in(kMainDb, &rec);
    return changed_and_logged(id);
}

int alarm_in_triggers_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* a = jobject_of(req.get(), "alarm");
    if (!valid_alarm_object(a)) return 0;
    const int id = jint(a, "id");
    AlarmInRecord rec = alarm_in_of(id);
    take_alarm_object(rec, a);
    write_alarm_in(kMainDb, &rec);
    return changed_and_logged(id);
}
