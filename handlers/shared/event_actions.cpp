// The event action model shared by every event source: schedule JSON forms,
// trigger fields, white-LED and PTZ lists, copy masks, the action update and
// the action reply.
#include "handlers/shared/event_actions.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "common/core.h"

const char* const kActionKeys[kActionKinds] = {"effective", "audible", "email", "ptz"};

namespace {

bool is_array(json_object* v) { return v && json_object_is_type(v, json_type_array); }

template <size_t N>
void text_from(json_object* v, char (&field)[N])
{
    set_text(field, v ? json_object_get_string(v) : nullptr, N - 1);
}

json_object* plan_object(const char* start, size_t start_width, const char* end, size_t end_width, int type)
{
    json_object* p = json_object_new_object();
    json_object_object_add(p, "startTime", json_object_new_string_len(start, int(strnlen(start, start_width))));
    json_object_object_add(p, "endTime", json_object_new_string_len(end, int(strnlen(end, end_width))));
    json_object_object_add(p, "actionType", json_object_new_int(type));
    return p;
}

JsonPtr schedule_reply(const RecordSchedule& s, bool marked)
{
    JsonPtr days = jarray();
    for (const ScheduleDay& day : s.days) {
        json_object* plans = json_object_new_array();
        for (int p = 0; p < kActionPlans; p++) {
            const SchedulePlan& plan = day.plans[p];
            if (marked && !day.wholeday_enable)
                json_object_array_add(plans, plan_object("", 0, "", 0, 0));
            else
                json_object_array_add(plans, plan_object(plan.start_time, sizeof plan.start_time, plan.end_time,
                                                         sizeof plan.end_time, plan.action_type));
        }
        json_object_array_add(days.get(), plans);
    }
    return days;
}

int schedule_parse(json_object* obj, const char* key, RecordSchedule* s, bool marked)
{
    if (!obj || !key || !s) return -1;
    json_object* days = jget(obj, key);
    if (!is_array(days)) return -1;
    std::memset(s, 0, sizeof *s);
    for (int d = 0; d < kScheduleDays; d++) {
        if (marked) s->days[d].wholeday_enable = 1;
        json_object* day = jarray_at(days, size_t(d));
        for (int p = 0; p < kActionPlans; p++) {
            json_object* plan = jarray_at(day, size_t(p));
            if (!is_array(plan)) continue;
            SchedulePlan& out = s->days[d].plans[p];
            text_from(jarray_at(plan, 0), out.start_time);
            text_from(jarray_at(plan, 1), out.end_time);
            json_object* type = jarray_at(plan, 2);
            out.action_type = type ? json_object_get_int(type) : 0;
        }
    }
    return 0;
}

// Record fields at offsets of a TriggerLayout.
bool has_field(const EventSource& src, int off, size_t width)
{
    return off != kNoField && off >= 0 && size_t(off) + width <= src.record.size;
}

int get_int_at(const void* record, int off)
{
    i32 v;
    std::memcpy(&v, static_cast<const char*>(record) + off, sizeof v);
    return v;
}

void put_int_at(void* record, int off, i32 v) { std::memcpy(static_cast<char*>(record) + off, &v, sizeof v); }

char* text_at(void* record, int off) { return static_cast<char*>(record) + off; }
const char* text_at(const void* record, int off) { return static_cast<const char*>(record) + off; }

void put_mask_text(void* record, int off, const char* text)
{
    char* field = text_at(record, off);
    std::memset(field, 0, kMaskTextWidth);
    if (text) std::memcpy(field, text, strnlen(text, kMaskTextWidth - 1));
}

struct IntKey {
    const char* key;
    int TriggerLayout::*field;
};
// Integer trigger fields in the order the action update applies them.
constexpr IntKey kIntKeys[] = {
    {"enable", &TriggerLayout::enable},
    {"triAlarms", &TriggerLayout::tri_alarms},
    {"interval", &TriggerLayout::interval},
    {"audioId", &TriggerLayout::audio_id},
    {"email_interval", &TriggerLayout::email_interval},
    {"email_pic_enable", &TriggerLayout::email_pic_enable},
    {"ptz_interval", &TriggerLayout::ptz_interval},
    {"alarmout_interval", &TriggerLayout::alarmout_interval},
    {"white_interval", &TriggerLayout::white_interval},
};
// Channel mask texts that are stored as they come.
constexpr IntKey kTextKeys[] = {
    {"tri_channels_pic", &TriggerLayout::tri_channels_pic},
    {"triSnapshot", &TriggerLayout::tri_snapshot},
};

int int_field_of(const TriggerLayout& t, const char* name, const IntKey* keys, size_t n)
{
    for (size_t i = 0; i < n; i++)
        if (std::strcmp(keys[i].key, name) == 0) return t.*keys[i].field;
    return kNoField - 1;  // not a key of this list
}

template <size_t N>
int field_of(const TriggerLayout& t, const char* name, const IntKey (&keys)[N])
{
    return int_field_of(t, name, keys, N);
}

}  // namespace

// ---- schedules ----

JsonPtr schedule_to_json(const RecordSchedule& schedule) { return schedule_reply(schedule, false); }
JsonPtr schedule_to_json_marked(const RecordSchedule& schedule) { return schedule_reply(schedule, true); }

int schedule_from_json(json_object* obj, const char* key, RecordSchedule* schedule)
{
    return schedule_parse(obj, key, schedule, false);
}

int schedule_from_json_marked(json_object* obj, const char* key, RecordSchedule* schedule)
{
    return schedule_parse(obj, key, schedule, true);
}

// ---- masks ----

u64 chn_mask_from_list(json_object* obj, const char* list_key, const char* count_key)
{
    json_object* list = jget(obj, list_key);
    if (!is_array(list) || !jhas(obj, count_key)) return 0;
    const int count = jint(obj, count_key);
    u64 mask = 0;
    const size_t n = json_object_array_length(list);
    for (int i = 0; i < count && size_t(i) < n; i++) {
        json_object* v = jarray_at(list, size_t(i));
        if (!v || !json_object_is_type(v, json_type_int)) continue;
        int64_t id = json_object_get_int64(v);
        if (id >= 0 && id < kEventChannels) mask |= u64(1) << id;
    }
    return mask;
}

u32 chn_mask_word(const char* text, size_t width)
{
    u32 word = 0;
    for (size_t i = 0; i < 32 && i < width && text[i]; i++)
        if (text[i] == '1') word |= u32(1) << i;
    return word;
}

// ---- camera alarm outputs ----

int chn_alarms_from_json(int channel, json_object* obj, const char* key, ChnAlarmEntry table[2])
{
    json_object* list = jget(obj, key);
    if (!is_array(list)) return -1;
    for (int k = 0; k < 2; k++) {
        json_object* v = jarray_at(list, size_t(k));
        if (!v) continue;
        table[k].channel = channel;
        table[k].index = k;
        text_from(v, table[k].text);
    }
    return 0;
}

JsonPtr chn_alarms_to_json(const char* text0, const char* text1)
{
    JsonPtr a = jarray();
    for (const char* t : {text0, text1})
        json_object_array_add(a.get(), json_object_new_string_len(t, int(strnlen(t, kMaskTextWidth))));
    return a;
}

// ---- white LED ----

int whiteled_params_from_json(int channel, WhiteLedList* list, json_object* obj, const char* key)
{
    json_object* entries = jget(obj, key);
    if (!list || !is_array(entries)) return -1;
    std::memset(list, 0, sizeof *list);
    const bool objects = std::strstr(json_object_to_json_string(entries), "chnid") != nullptr;
    const size_t n = json_object_array_length(entries);
    for (size_t i = 0; i < n && list->count < kWhiteLedEntries; i++) {
        json_object* e = jarray_at(entries, i);
        WhiteLedEntry& out = list->entries[list->count];
        if (objects) {
            if (!e || !json_object_is_type(e, json_type_object)) break;
            out.chnid = jint(e, "chnid");
            out.mode = jint(e, "mode");
            out.time = jint(e, "time");
        } else {
            if (!is_array(e)) break;
            json_object* v;
            out.chnid = (v = jarray_at(e, 0)) ? json_object_get_int(v) : 0;
            out.mode = (v = jarray_at(e, 1)) ? json_object_get_int(v) : 0;
            out.time = (v = jarray_at(e, 2)) ? json_object_get_int(v) : 0;
        }
        out.owner = channel;
        list->count++;
    }
    return 0;
}

JsonPtr whiteled_params_to_json(int channel, const char* name)
{
    WhiteLedKey key = zeroed<WhiteLedKey>();
    key.channel = channel;
    set_text(key.name, name);
    WhiteLedEntry entries[kWhiteLedEntries];
    int n = read_whiteled_params(kMainDb, entries, key);
    JsonPtr a = jarray();
    for (int i = 0; i < n && i < kWhiteLedEntries; i++) {
        JsonPtr o = jobject();
        jadd(o.get(), "chnid", entries[i].chnid);
        jadd(o.get(), "mode", entries[i].mode);
        jadd(o.get(), "time", entries[i].time);
        json_object_array_add(a.get(), o.release());
    }
    return a;
}

// ---- PTZ ----

int ptz_actions_from_json(int source, int type, json_object* array)
{
    if (!is_array(array)) return 0;
    PtzActionEntry entries[kPtzRequestEntries];
    std::memset(entries, 0, sizeof entries);
    size_t n = json_object_array_length(array);
    if (n > size_t(kPtzRequestEntries)) n = kPtzRequestEntries;
    for (size_t i = 0; i < n; i++) {
        json_object* e = jarray_at(array, i);
        PtzActionEntry& out = entries[i];
        out.source_channel = source;
        out.acto_ptz_channel = jint(e, "acto_ptz_channel");
        out.acto_ptz_type = jint(e, "acto_ptz_type");
        out.acto_ptz_preset = jint(e, "acto_ptz_preset");
        out.acto_ptz_patrol = jint(e, "acto_ptz_patrol");
        out.acto_ptz_pattern = jint(e, "acto_ptz_pattern");
    }
    return write_ptz_params_all(kMainDb, entries, int(n), type, source) == 0 ? 1 : 0;
}

JsonPtr ptz_actions_to_json(int type, int source)
{
    PtzActionEntry entries[kPtzListEntries];
    int n = read_ptz_params(kMainDb, entries, type, source);
    JsonPtr a = jarray();
    for (int i = 0; i < n && i < kPtzListEntries; i++) {
        const PtzActionEntry& e = entries[i];
        if (e.acto_ptz_channel <= 0) continue;
        JsonPtr o = jobject();
        jadd(o.get(), "acto_ptz_channel", e.acto_ptz_channel);
        jadd(o.get(), "acto_ptz_type", e.acto_ptz_type);
        jadd(o.get(), "acto_ptz_preset", e.acto_ptz_preset);
        jadd(o.get(), "acto_ptz_patrol", e.acto_ptz_patrol);
        json_object_array_add(a.get(), o.release());
    }
    return a;
}

// ---- audio, names, operation log ----

u32 alarm_audio_mask()
{
    AlarmAudioFile files[kAlarmAudioFiles];
    read_alarm_audio_file(kMainDb, files);
    u32 mask = 0;
    for (int i = 0; i < kAlarmAudioFiles; i++)
        if (files[i].enable == 1) mask |= u32(1) << i;
    return mask;
}

int vca_whiteled_name(int kind, int event, char* buffer, size_t size)
{
    static const char* const kParts[kSmartEvents] = {"regionin", "regionexit", "motion", "tamper", "linecross",
                                                     "loiter",   "human",      "people", "object"};
    if (event < 0 || event >= kSmartEvents || (kind != 0 && kind != 1) || !buffer) return -1;
    char name[64];
    const char* suffix = kind == 0 ? "whiteled_esche" : "white_led_params";
    int n = std::snprintf(name, sizeof name, "vca_%s_%s", kParts[event], suffix);
    if (n < 0 || size_t(n) >= size) return -1;
    std::memcpy(buffer, name, size_t(n) + 1);
    return n;
}

void oplog_send_channels(u32 log_type, i64 sub_type, u32 detail, u64 mask, u32 channel)
{
    OpLogChannelsRecord r;
    std::memset(&r, 0, sizeof r);
    oplog_prepare(&r.log);
    r.log.main_type = log_type;
    r.log.sub_type = sub_type;
    r.log.param_type = detail;
    r.log.channel = channel;
    r.channels = mask;
    core_notify(kMsgOpLogChannels, r);
}

void oplog_send_event(u32 detail, int id)
{
    OpLogRecord log;
    oplog_prepare(&log);
    log.main_type = kEventLogType;
    log.sub_type = kEventLogSubType;
    log.param_type = detail;
    log.channel = u32(id) + 1;
    core_send_oplog(log);
}

// ---- action update ----

void event_action_update(const EventSource& src, EventKey key, json_object* obj, bool dialog)
{
    if (!obj) return;
    const auto schedule_owner = std::make_unique<RecordSchedule>();
    RecordSchedule& schedule = *schedule_owner;
    for (int k = 0; k < kActionKinds; k++)
        if (src.schedules[k] && schedule_from_json(obj, kActionKeys[k], &schedule) == 0)
            event_schedule_write(kMainDb, src, ActionKind(k), key, &schedule);

    WhiteLedKey wkey;
    if (event_whiteled_key(src, key, 0, &wkey) && schedule_from_json(obj, "white", &schedule) == 0)
        write_whiteled_effective_schedule(kMainDb, &schedule, wkey);
    if (event_whiteled_key(src, key, 1, &wkey)) {
        WhiteLedList list;
        if (whiteled_params_from_json(key.channel, &list, obj, "whiteInfo") == 0)
            write_whiteled_params_all(kMainDb, &list, wkey.name, key.channel);
    }

    const TriggerLayout& t = src.trigger;
    std::vector<char> record(src.record.size, 0);
    event_record_read(kMainDb, src, key, record.data());
    bool changed = false;

    ChnAlarmEntry alarms[2];
    std::memset(alarms, 0, sizeof alarms);
    if (has_field(src, t.tri_chn_alarms[0], kMaskTextWidth) && has_field(src, t.tri_chn_alarms[1], kMaskTextWidth) &&
        chn_alarms_from_json(key.channel, obj, "triChnAlarms", alarms) == 0) {
        put_mask_text(record.data(), t.tri_chn_alarms[0], alarms[0].text);
        put_mask_text(record.data(), t.tri_chn_alarms[1], alarms[1].text);
        changed = true;
    }
    for (const IntKey& k : kIntKeys) {
        int off = t.*k.field;
        if (has_field(src, off, sizeof(i32)) && jhas(obj, k.key)) {
            put_int_at(record.data(), off, jint(obj, k.key));
            changed = true;
        }
    }
    for (const IntKey& k : kTextKeys) {
        int off = t.*k.field;
        if (has_field(src, off, kMaskTextWidth) && jhas(obj, k.key)) {
            put_mask_text(record.data(), off, jstr(obj, k.key));
            changed = true;
        }
    }
    if (has_field(src, t.tri_channels, kMaskTextWidth) && jhas(obj, "triChannels")) {
        put_mask_text(record.data(), t.tri_channels, jstr(obj, "triChannels"));
        if (has_field(src, t.tri_mask, sizeof(i32))) {
            u32 word = chn_mask_word(text_at(record.data(), t.tri_channels), kMaskTextWidth);
            put_int_at(record.data(), t.tri_mask, i32(word));
        }
        changed = true;
    }
    if (src.extra_fields && src.extra_fields(obj, record.data())) changed = true;

    // The list belongs to the instance unless the request names another
    // source channel or PTZ event type.
    if (dialog && jhas(obj, "ptzParams")) {
        int source = jhas(obj, "ptzChnId") ? jint(obj, "ptzChnId") : key.channel;
        int type = jhas(obj, "ptzType") ? jint(obj, "ptzType") : event_ptz_type(src, key);
        ptz_actions_from_json(source, type, jget(obj, "ptzParams"));
    }
    if (changed) event_record_write(kMainDb, src, key, record.data());

    if (src.notify == kNotifyChannel) {
        core_notify(src.notify_code, i32(key.channel));
    } else if (src.notify == kNotifyMask) {
        core_notify(src.notify_code, u64(1) << (key.channel & 63));
    }
}

// ---- action reply ----

namespace {

bool add_shared_key(json_object* out, const char* name, const EventSource& src, EventKey key, const void* record)
{
    const TriggerLayout& t = src.trigger;
    int off = field_of(t, name, kIntKeys);
    if (off >= kNoField) {
        jadd(out, name, has_field(src, off, sizeof(i32)) ? get_int_at(record, off) : 0);
        return true;
    }
    off = field_of(t, name, kTextKeys);
    if (std::strcmp(name, "triChannels") == 0) off = t.tri_channels;
    if (off >= kNoField) {
        const char* text = has_field(src, off, kMaskTextWidth) ? text_at(record, off) : "";
        json_object_object_add(out, name, json_object_new_string_len(text, int(strnlen(text, kMaskTextWidth))));
        return true;
    }
    for (int k = 0; k < kActionKinds; k++) {
        if (std::strcmp(name, kActionKeys[k]) != 0) continue;
        const auto schedule_owner = std::make_unique<RecordSchedule>();
        RecordSchedule& schedule = *schedule_owner;
        event_schedule_read(kMainDb, src, ActionKind(k), key, &schedule);
        json_object_object_add(out, name, schedule_to_json(schedule).release());
        return true;
    }
    if (std::strcmp(name, "triChnAlarms") == 0) {
        const char* texts[2];
        for (int k = 0; k < 2; k++)
            texts[k] = has_field(src, t.tri_chn_alarms[k], kMaskTextWidth) ? text_at(record, t.tri_chn_alarms[k]) : "";
        json_object_object_add(out, name, chn_alarms_to_json(texts[0], texts[1]).release());
        return true;
    }
    if (std::strcmp(name, "white") == 0) {
        const auto schedule_owner = std::make_unique<RecordSchedule>();
        RecordSchedule& schedule = *schedule_owner;
        std::memset(&schedule, 0, sizeof schedule);
        WhiteLedKey wkey;
        if (event_whiteled_key(src, key, 0, &wkey)) read_whiteled_effective_schedule(kMainDb, &schedule, wkey);
        json_object_object_add(out, name, schedule_to_json(schedule).release());
        return true;
    }
    if (std::strcmp(name, "whiteInfo") == 0) {
        WhiteLedKey wkey;
        JsonPtr list =
            event_whiteled_key(src, key, 1, &wkey) ? whiteled_params_to_json(key.channel, wkey.name) : jarray();
        json_object_object_add(out, name, list.release());
        return true;
    }
    if (std::strcmp(name, "audioIdMask") == 0) {
        jadd(out, name, int(alarm_audio_mask()));
        return true;
    }
    if (std::strcmp(name, "ptzParams") == 0) {
        int type = event_ptz_type(src, key);
        json_object_object_add(out, name, (type >= 0 ? ptz_actions_to_json(type, key.channel) : jarray()).release());
        return true;
    }
    return false;
}

}  // namespace

JsonPtr event_action_object(const EventSource& src, EventKey key, const void* record, const char* const* names,
                            size_t count, ActionOwnKey own)
{
    JsonPtr o = jobject();
    for (size_t i = 0; i < count; i++) {
        if (own && own(o.get(), names[i], record, key)) continue;
        if (!add_shared_key(o.get(), names[i], src, key, record))
            CGI_LOG("%s: no action key \"%s\"", src.label, names[i]);
    }
    return o;
}
