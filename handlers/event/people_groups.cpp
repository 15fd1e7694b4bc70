// People-counting groups: the nine groups' settings, each group's actions
// (one instance of the shared event action model, kPeoplecntGroupSource)
// and the two per-group commands passed to the core daemon.
#include <cstring>
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/event/event_request.h"
#include "handlers/event/people.h"
#include "handlers/event/people_records.h"
#include "common/core_reply.h"

namespace {

// A group's action object, in reply order.
constexpr const char* kActionKeys[] = {
    "chnid",    "triAlarms", "interval", "email_interval", "email_pic_enable", "tri_channels_pic", "ptz_interval",
    "alarmout_interval", "white_interval", "effective", "audible", "email", "ptz", "triChnAlarms", "white",
    "whiteInfo", "audioId", "audioIdMask", "ptzParams"};
constexpr size_t kActionKeyCount = sizeof kActionKeys / sizeof kActionKeys[0];

// Groups have no arming schedule: "effective" shows the audible one; the
// group id stands under "chnid".
bool group_own_key(json_object* out, const char* name, const void*, EventKey key)
{
    if (std::strcmp(name, "chnid") == 0) {
        jadd(out, name, key.channel);
        return true;
    }
    if (std::strcmp(name, "effective") == 0) {
        const auto schedule_owner = std::make_unique<RecordSchedule>();
        RecordSchedule& schedule = *schedule_owner;
        read_peoplecnt_audible_schedule(kMainDb, &schedule, key.channel);
        jadd_value(out, name, schedule_to_json(schedule).release());
        return true;
    }
    return false;
}

JsonPtr group_action_object(int group, bool with_ptz)
{
    PeoplecntEventRecord rec;
    read_peoplecnt_event(kMainDb, &rec, group);
    const size_t count = with_ptz ? kActionKeyCount : kActionKeyCount - 1;  // "ptzParams" is last
    return event_action_object(kPeoplecntGroupSource, EventKey{group, 0}, &rec, kActionKeys, count, group_own_key);
}

struct IntKey {
    const char* key;
    i32 PeoplecntGroupRecord::*field;
};
constexpr IntKey kGroupInts[] = {
    {"enable", &PeoplecntGroupRecord::enable},
    {"stays", &PeoplecntGroupRecord::stays},
    {"liveview_auto_reset", &PeoplecntGroupRecord::liveview_auto_reset},
    {"auto_day", &PeoplecntGroupRecord::auto_day},
    {"liveview_font_size", &PeoplecntGroupRecord::liveview_font_size},
};

// Sends a group message (2290..2293) and waits for its one-integer answer
// (7290..7293, in the same order); the JSON error reply when none came.
int group_message(u32 code, const void* payload, u32 length)
{
    const u32 reply = kPcntGroupsReplyFirst + (code - kMsgPcntGroupsChanged);
    core_ask<pcnt_group_result_reply>(code, payload, length, kReplyJson, {reply});
    return 0;
}

int group_command(const char* request, u32 code)
{
    JsonPtr req = json_parse(request);
    int group;
    if (!id_key(req.get(), "groupid", kPcntGroups, &group)) return cgi_reply_error(kReplyJson);
    const i32 id = group;
    return group_message(code, &id, sizeof id);
}

}  // namespace

int pcnt_groups_get(const char* request)
{
    JsonPtr req = json_parse(request);
    if (!req) return cgi_reply_error(kReplyJson);
    const bool actions = jint(req.get(), "action") != 0;
    const auto rows_owner = std::make_unique<PeoplecntGroupRecord[][kPcntGroups]>(1);
    PeoplecntGroupRecord(&rows)[kPcntGroups] = rows_owner[0];
    read_peoplecnt_settings(kMainDb, rows);
    JsonPtr groups = jarray();
    for (int i = 0; i < kPcntGroups; i++) {
        const PeoplecntGroupRecord& g = rows[i];
        JsonPtr o = jobject();
        json_object* j = o.get();
        jadd(j, "groupid", g.groupid);
        for (const IntKey& k : kGroupInts) jadd(j, k.key, g.*k.field);
        jadd_text(j, "name", g.name);
        jadd_text(j, "auto_day_time", g.auto_day_time);
        jadd_text(j, "tri_channels", g.tri_channels);
        jadd_text(j, "liveview_green_tips", g.liveview_green_tips);
        jadd_text(j, "liveview_red_tips", g.liveview_red_tips);
        if (actions) jadd_value(j, "dialog", group_action_object(i, true).release());
        json_object_array_add(groups.get(), o.release());
    }
    JsonPtr reply = jobject();
    jadd_value(reply.get(), "groups", groups.release());
    return json_reply(kReplyJson, reply.get());
}

int pcnt_groups_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* groups = jget(req.get(), "groups");
    if (!groups || !json_object_is_type(groups, json_type_array)) return cgi_reply_error(kReplyJson);
    const auto rows_owner = std::make_unique<PeoplecntGroupRecord[][kPcntGroups]>(1);
    PeoplecntGroupRecord(&rows)[kPcntGroups] = rows_owner[0];
    read_peoplecnt_settings(kMainDb, rows);
    const size_t n = json_object_array_length(groups);
    for (size_t i = 0; i < n && i < size_t(kPcntGroups); i++) {
        json_object* e = json_object_array_get_idx(groups, i);
        if (e && !json_object_is_type(e, json_type_object)) e = nullptr;
        PeoplecntGroupRecord& g = rows[i];
        g.groupid = int(i);
        for (const IntKey& k : kGroupInts) g.*k.field = jint(e, k.key);
        // A missing text clears the field.
        set_text(g.name, jstr(e, "name"));
        set_text(g.auto_day_time, jstr(e, "auto_day_time"));
        set_text(g.tri_channels, jstr(e, "tri_channels"));
        set_text(g.liveview_green_tips, jstr(e, "liveview_green_tips"));
        set_text(g.liveview_red_tips, jstr(e, "liveview_red_tips"));
    }
    write_peoplecnt_settings(kMainDb, rows, kPcntGroups);
    const i32 zero = 0;
    return group_message(kMsgPcntGroupsChanged, &zero, sizeof zero);
}

int pcnt_group_actions_get(const char* request)
{
    JsonPtr req = json_parse(request);
    int group;
    if (!id_key(req.get(), "groupid", kPcntGroups, &group)) return cgi_reply_error(kReplyJson);
    JsonPtr o = group_action_object(group, false);
    return json_reply(kReplyJson, o.get());
}

int pcnt_group_actions_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int group;
    if (!id_key(r, "groupid", kPcntGroups, &group)) return cgi_reply_error(kReplyJson);
    // The PTZ entries belong to the group itself.
    json_object_object_del(r, "ptzChnId");
    json_object_object_del(r, "ptzType");
    event_action_update(kPeoplecntGroupSource, EventKey{group, 0}, r, true);
    const PcntGroupNotice notice{group, -1};
    return group_message(kMsgPcntGroupActions, &notice, sizeof notice);
}

int pcnt_group_command_a(const char* request) { return group_command(request, kMsgPcntGroupCommandA); }
int pcnt_group_command_b(const char* request) { return group_command(request, kMsgPcntGroupCommandB); }

int pcnt_group_result_reply(const KxFrameHeader* header, const void* payload)
{
    i32 res;
    if (!record_at(payload, header->length, 0, &res)) return core_reply_short(kReplyJson);
    JsonPtr o = jobject();
    jadd(o.get(), "res", res);
    return core_reply_json(o.get());
}
