// Regional people counting: the camera's four counting regions go to the
// camera through the core daemon; each region's actions are one instance of
// the shared event action model (kRegionalPcntSource) in the store.
#include <cstring>
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/event/event_request.h"
#include "handlers/event/people.h"
#include "handlers/event/people_records.h"
#include "handlers/event/video.h"
#include "common/core_reply.h"

namespace {

struct BoxKey {
    const char* key;
    i32 RegionalPcntSettings::*field;
};
constexpr BoxKey kBoxKeys[] = {
    {"minObjX", &RegionalPcntSettings::min_obj_x},         {"minObjY", &RegionalPcntSettings::min_obj_y},
    {"minObjWidth", &RegionalPcntSettings::min_obj_width}, {"minObjHeight", &RegionalPcntSettings::min_obj_height},
    {"maxObjX", &RegionalPcntSettings::max_obj_x},         {"maxObjY", &RegionalPcntSettings::max_obj_y},
    {"maxObjWidth", &RegionalPcntSettings::max_obj_width}, {"maxObjHeight", &RegionalPcntSettings::max_obj_height},
};

struct StayKey {
    const char* key;
    i32 PcntRegion::*field;
};
constexpr StayKey kStayKeys[] = {
    {"maxStayEnable", &PcntRegion::max_stay_enable},         {"maxStayValue", &PcntRegion::max_stay_value},
    {"minStayEnable", &PcntRegion::min_stay_enable},         {"minStayValue", &PcntRegion::min_stay_value},
    {"maxStayTimeEnable", &PcntRegion::max_stay_time_enable}, {"maxStayTimeValue", &PcntRegion::max_stay_time_value},
};

// A region's action object in a reply.
constexpr const char* kActionReplyKeys[] = {
    "audible",   "interval",  "audioId",        "email",          "email_interval",    "email_pic_enable",
    "tri_channels_pic", "ptz", "ptz_interval", "ptzParams",      "white",             "whiteInfo",
    "white_interval",   "alarmout_interval",   "triAlarms",      "triChannels",       "triChnAlarms"};

// The fields an action object sets only together with their schedule: an
// action without "ptz" leaves the region's PTZ interval and entries as
// stored, and so on.
struct Gate {
    const char* schedule;
    const char* keys[3];
};
constexpr Gate kGates[] = {
    {"audible", {"interval", "audioId", nullptr}},
    {"email", {"email_interval", "email_pic_enable", "tri_channels_pic"}},
    {"ptz", {"ptz_interval", "ptzParams", nullptr}},
    {"white", {"white_interval", nullptr, nullptr}},
};

bool is_array(json_object* v) { return v && json_object_is_type(v, json_type_array); }

// Applies action object `action` to region `region` of the channel.
void apply_region_action(int channel, int region, json_object* action)
{
    for (const Gate& g : kGates) {
        if (is_array(jget(action, g.schedule))) continue;
        for (const char* key : g.keys)
            if (key) json_object_object_del(action, key);
    }
    // The PTZ entries always belong to the region itself.
    json_object_object_del(action, "ptzChnId");
    json_object_object_del(action, "ptzType");
    event_action_update(kRegionalPcntSource, EventKey{channel, region}, action, true);
}

RegionalPcntSettings settings_from_json(json_object* r, int channel)
{
    RegionalPcntSettings s = zeroed<RegionalPcntSettings>();
    s.chnid = channel;
    s.sensitivity = jint(r, "sensitivity");
    for (const BoxKey& b : kBoxKeys) s.*b.field = jint(r, b.key);
    for (int i = 0; i < kPcntRegions; i++) {
        json_object* g = jelement(r, "regional", size_t(i));
        if (!g || !json_object_is_type(g, json_type_object)) continue;
        PcntRegion& out = s.regions[i];
        out.enable = jint(g, "enable");
        set_text(out.polygon_x, jstr(g, "polygonX"));
        set_text(out.polygon_y, jstr(g, "polygonY"));
        for (const StayKey& k : kStayKeys) out.*k.field = jint(g, k.key);
    }
    return s;
}

}  // namespace

int regional_pcnt_get(const char* request)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!id_key(req.get(), "chnid", kEventChannels, &channel)) return cgi_reply_error(kReplyJson);
    const i32 id = channel;
    // The reply joins the camera's settings with the channel's stored actions.
    core_ask<regional_pcnt_reply>(kMsgRegionalPcntGet, &id, sizeof id, channel, kReplyJson,
                                  {kRegionalPcntGetReply});
    return 0;
}

int regional_pcnt_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    if (!id_key(r, "chnid", kEventChannels, &channel)) return cgi_reply_error(kReplyJson);
    const RegionalPcntSettings settings = settings_from_json(r, channel);
    json_object* actions = jget(r, "action");
    if (is_array(actions)) {
        const size_t n = json_object_array_length(actions);
        for (size_t i = 0; i < n && i < size_t(kPcntRegions); i++) {
            json_object* a = json_object_array_get_idx(actions, i);
            if (a && json_object_is_type(a, json_type_object)) apply_region_action(channel, int(i), a);
        }
    }
    core_ask<core_reply_int>(kMsgRegionalPcntSet, &settings, sizeof settings, kCoreResReply, kReplyJson,
                             {kRegionalPcntSetReply});
    return 0;
}

int regional_pcnt_reply(const int& channel, const KxFrameHeader* header, const void* payload)
{
    auto whole = std::make_unique<RegionalPcntReply>();
    const RegionalPcntReply& rec = *whole;
    if (!record_at(payload, header->length, 0, whole.get())) return core_reply_short(kReplyJson);
    const RegionalPcntSettings& s = rec.settings;
    JsonPtr o = jobject();
    json_object* j = o.get();
    jadd(j, "result", rec.result);
    jadd(j, "chnid", channel);
    jadd(j, "sensitivity", s.sensitivity);
    for (const BoxKey& b : kBoxKeys) jadd(j, b.key, s.*b.field);
    JsonPtr regions = jarray();
    for (const PcntRegion& g : s.regions) {
        JsonPtr e = jobject();
        jadd(e.get(), "enable", g.enable);
        jadd_text(e.get(), "polygonX", g.polygon_x);
        jadd_text(e.get(), "polygonY", g.polygon_y);
        for (const StayKey& k : kStayKeys) jadd(e.get(), k.key, g.*k.field);
        json_object_array_add(regions.get(), e.release());
    }
    jadd_value(j, "regional", regions.release());
    JsonPtr actions = jarray();
    for (int region = 0; region < kPcntRegions; region++) {
        RegionalPcntEventRecord stored;
        read_regional_pcnt_event(kMainDb, &stored, channel, region);
        JsonPtr a =
            event_action_object(kRegionalPcntSource, EventKey{channel, region}, &stored, kActionReplyKeys, nullptr);
        json_object_array_add(actions.get(), a.release());
    }
    jadd_value(j, "action", actions.release());
    return core_reply_json(j);
}
