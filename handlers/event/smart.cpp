// Smart events: the detection settings of a camera's video analytics, read
// and written through the core daemon, and the actions of each event kept in
// the store.
//
// A write first applies the request's "dialog" (the event's actions), then
// the event's "enable" to the stored record, then sends the detection record
// and waits for the camera's status.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/shared/event_actions.h"
#include "handlers/event/smart.h"
#include "handlers/event/smart_records.h"
#include "handlers/event/video.h"
#include "common/core_reply.h"

namespace {



// The channel of a read request: "channel", or "chnid" where a page sends
// that instead.
bool read_channel(json_object* req, int* channel)
{
    return channel_in(req, jhas(req, "channel") ? "channel" : "chnid", channel);
}

// Reads: the channel (4 bytes) with `code`, the callback formats the reply.
template <auto F>
int read_settings(const char* request, u32 code)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!req || !read_channel(req.get(), &channel)) return cgi_reply_error(kReplyJson);
    const i32 id = channel;
    core_ask_answered<F>(code, &id, sizeof id, kReplyJson, {code + kReplyOffset});
    return 0;
}

// Steps shared by the writes: the "dialog" object, then "enable" into the
// stored record of (channel, event). False when the record cannot be read
// (nothing of the settings written then).
bool apply_actions(json_object* req, int channel, int event, bool set_enable = true)
{
    json_object* dialog = jget(req, "dialog");
    if (dialog && json_object_is_type(dialog, json_type_object))
        event_action_update(kSmartEventSource, EventKey{channel, event}, dialog, true);
    SmartEventRecord rec;
    if (read_smart_event(kMainDb, &rec, channel, event) != 0) return false;
    if (set_enable) {
        rec.enable = jint(req, "enable");
        rec.chnid = channel;
        write_smart_event(kMainDb, &rec, event);
    }
    return true;
}

// ---- region records ----

enum RegionField : unsigned {
    kFSensitivity = 1 << 0,
    kFTime = 1 << 1,
    kFSize = 1 << 2,
    kFTracks = 1 << 3,
    kFRegion = 1 << 4,
    kFIgnoreTime = 1 << 5,
    kFObjtype = 1 << 6,
    kFPolygon = 1 << 7,
};

// One settings request of the region-record family.
struct RegionKind {
    int event;
    u32 set_code;
    unsigned fields;
    int record_error;  // the reply when the stored event cannot be read: 0 "CGI ERROR", 1 "ERROR"
};

constexpr unsigned kRegionFields = kFSensitivity | kFObjtype | kFRegion | kFPolygon;
constexpr RegionKind kRegionIn{kSmartRegionIn, kMsgRegionInSet, kRegionFields, 0};
constexpr RegionKind kRegionExit{kSmartRegionExit, kMsgRegionExitSet, kRegionFields, 0};
constexpr RegionKind kAdvMotion{kSmartMotion, kMsgAdvMotionSet, kRegionFields | kFIgnoreTime, 0};
constexpr RegionKind kTamper{kSmartTamper, kMsgTamperSet, kFSensitivity, 0};
constexpr RegionKind kLoiter{kSmartLoiter, kMsgLoiterSet, kFTime | kFSize | kFObjtype | kFRegion | kFPolygon, 0};
constexpr RegionKind kHuman{kSmartHuman, kMsgHumanSet, kFTracks, 1};

int region_write(json_object* r, const RegionKind& kind)
{
    int channel;
    if (!channel_in(r, "chnid", &channel)) return cgi_reply_error(kReplyText);
    if (!apply_actions(r, channel, kind.event))
        return kind.record_error ? cgi_reply(kReplyText, "ERROR") : cgi_reply_error(kReplyText);

    RegionRecord rec = zeroed<RegionRecord>();
    rec.chnid = channel;
    rec.enable = jint(r, "enable");
    const unsigned f = kind.fields;
    if (f & kFSensitivity) rec.sensitivity = jint(r, "sensitivity");
    if (f & kFTime) rec.time = jint(r, "time");
    if (f & kFSize) rec.size = jint(r, "size");
    if (f & kFTracks) rec.tracks = jint(r, "tracks");
    if (f & kFIgnoreTime) rec.ignore_time = jint(r, "ignore_time");
    if (f & kFObjtype) rec.objtype = jint(r, "objtype");
    if (f & kFRegion) jtext(r, "region", rec.region);
    if (f & kFPolygon) {
        jtext(r, "polygonX", rec.polygon_x);
        jtext(r, "polygonY", rec.polygon_y);
    }
    core_ask_answered<smart_status_reply>(kind.set_code, &rec, sizeof rec, kReplyText, {kind.set_code + kReplyOffset});
    return 0;
}

int region_write(const char* request, const RegionKind& kind)
{
    JsonPtr req = json_parse(request);
    if (!req) return cgi_reply_error(kReplyText);
    return region_write(req.get(), kind);
}

// ---- lines ----

// "x1;y1;x2;y2" (canvas points): up to four integers, missing ones 0.
void parse_position(const char* text, int out[4])
{
    char buf[kLinePositionWidth];
    set_text(buf, text);
    for (int i = 0; i < 4; i++) out[i] = 0;
    char* p = buf;
    for (int i = 0; i < 4 && p; i++) {
        char* semi = std::strchr(p, ';');
        if (semi) *semi = 0;
        errno = 0;
        long v = std::strtol(p, nullptr, 10);
        out[i] = v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
        p = semi ? semi + 1 : nullptr;
    }
}

int at_least_1(int v) { return v < 1 ? 1 : v; }

// The lines of a request's "line" array on a picture of w x h.
void lines_from_json(json_object* r, int w, int h, LineEntry (&lines)[kLineCount])
{
    json_object* list = jget(r, "line");
    for (int i = 0; i < kLineCount; i++) {
        json_object* e = jarray_at(list, size_t(i));
        int xy[4];
        parse_position(jstr(e, "position"), xy);
        Point a = canvas_to_picture(xy[0], xy[1], w, h), b = canvas_to_picture(xy[2], xy[3], w, h);
        LineEntry& l = lines[i];
        l.start_x = at_least_1(a.x);
        l.start_y = at_least_1(a.y);
        l.end_x = at_least_1(b.x);
        l.end_y = at_least_1(b.y);
        l.direction = jint(e, "direction");
        l.reserved = 0;
    }
}

void add_position(json_object* o, const LineEntry& l, int w, int h)
{
    Point a = picture_to_canvas(l.start_x, l.start_y, w, h), b = picture_to_canvas(l.end_x, l.end_y, w, h);
    char text[64];
    std::snprintf(text, sizeof text, "%d;%d;%d;%d", a.x, a.y, b.x, b.y);
    jadd(o, "position", text);
}

// "direction" and "position" of the first line, then "line": every line as
// {"position", "direction"} on the canvas.
void add_lines(json_object* o, const char* first, const LineEntry (&lines)[kLineCount], int w, int h)
{
    if (std::strcmp(first, "direction") == 0) {
        jadd(o, "direction", lines[0].direction);
        add_position(o, lines[0], w, h);
    } else {
        add_position(o, lines[0], w, h);
        jadd(o, "direction", lines[0].direction);
    }
    JsonPtr list = jarray();
    for (const LineEntry& l : lines) {
        JsonPtr e = jobject();
        add_position(e.get(), l, w, h);
        jadd(e.get(), "direction", l.direction);
        json_object_array_add(list.get(), e.release());
    }
    jadd_value(o, "line", list.release());
}

// ---- people counting boxes ----

struct BoxKeys {
    const char* x;
    const char* y;
};
constexpr BoxKeys kBoxKeys[4] = {
    {"minStartX", "minStartY"}, {"minWidth", "minHeight"}, {"maxStartX", "maxStartY"}, {"maxWidth", "maxHeight"}};

void people_settings_from_json(json_object* r, int channel, PeopleSettingsRecord* rec)
{
    *rec = zeroed<PeopleSettingsRecord>();
    rec->chnid = channel;
    rec->fps = jint(r, "fps");
    rec->mode = jint(r, "mode");
    rec->installation = jint(r, "installation");
    rec->analysis = jint(r, "analysis");
    rec->width = jint(r, "width");
    rec->height = jint(r, "height");
    json_object* list = jget(r, "position");
    json_object* box = jarray_at(list, 0);
    i32* out[4][2] = {{&rec->min.x, &rec->min.y},
                      {&rec->min.width, &rec->min.height},
                      {&rec->max.x, &rec->max.y},
                      {&rec->max.width, &rec->max.height}};
    for (int i = 0; i < 4; i++) {
        Point p = canvas_to_picture(jint(box, kBoxKeys[i].x), jint(box, kBoxKeys[i].y), rec->width, rec->height);
        *out[i][0] = at_least_1(p.x);
        *out[i][1] = at_least_1(p.y);
    }
}

void add_people_settings(json_object* o, const PeopleSettingsRecord& rec, bool vca_type)
{
    jadd(o, "fps", rec.fps);
    jadd(o, "mode", rec.mode);
    jadd(o, "installation", rec.installation);
    jadd(o, "analysis", rec.analysis);
    jadd(o, "width", rec.width);
    jadd(o, "height", rec.height);
    if (vca_type) jadd(o, "vcaType", rec.vca_type);
    const i32 in[4][2] = {{rec.min.x, rec.min.y},
                          {rec.min.width, rec.min.height},
                          {rec.max.x, rec.max.y},
                          {rec.max.width, rec.max.height}};
    JsonPtr box = jobject();
    for (int i = 0; i < 4; i++) {
        Point p = picture_to_canvas(in[i][0], in[i][1], rec.width, rec.height);
        jadd(o, kBoxKeys[i].x, p.x);
        jadd(o, kBoxKeys[i].y, p.y);
        jadd(box.get(), kBoxKeys[i].x, p.x);
        jadd(box.get(), kBoxKeys[i].y, p.y);
    }
    JsonPtr list = jarray();
    json_object_array_add(list.get(), box.release());
    jadd_value(o, "position", list.release());
}

// ---- action replies ----

const char* const kActionReplyKeys[] = {
    "chnid",  "event",  "enable", "triAlarms", "interval", "email_interval", "email_pic_enable", "tri_channels_pic",
    "ptz_interval", "alarmout_interval", "triChannels", "effective", "audible", "email", "ptz", "triChnAlarms",
    "white", "whiteInfo", "white_interval", "audioId", "audioIdMask", "ptzParams",
};

bool smart_own_key(json_object* out, const char* name, const void*, EventKey key)
{
    if (std::strcmp(name, "chnid") == 0)
        jadd(out, name, key.channel);
    else if (std::strcmp(name, "event") == 0)
        jadd(out, name, key.sub);
    else
        return false;
    return true;
}

// The action request's instance: "chnid" 0..63 and "event" 0..8.
bool action_key(json_object* req, EventKey* key)
{
    if (!req || !jhas(req, "chnid") || !jhas(req, "event")) return false;
    key->channel = jint(req, "chnid");
    key->sub = jint(req, "event");
    return is_channel(key->channel) && key->sub >= 0 && key->sub < kSmartEvents;
}

}  // namespace

// ---- detection settings ----

int smart_region_get(const char* request)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!req || !read_channel(req.get(), &channel)) return cgi_reply_error(kReplyJson);
    const u32 code = jint(req.get(), "type") == 0 ? kMsgRegionInGet : kMsgRegionExitGet;
    const i32 id = channel;
    core_ask_answered<smart_region_reply>(code, &id, sizeof id, kReplyJson, {code + kReplyOffset});
    return 0;
}

int smart_region_set(const char* request)
{
    JsonPtr req = json_parse(request);
    if (!req) return cgi_reply_error(kReplyText);
    // Type 0 is region entrance; any other type region exit, as for the read.
    return region_write(req.get(), jint(req.get(), "type") == 0 ? kRegionIn : kRegionExit);
}

int smart_motion_get(const char* request) { return read_settings<smart_region_reply>(request, kMsgAdvMotionGet); }
int smart_motion_set(const char* request) { return region_write(request, kAdvMotion); }
int smart_tamper_get(const char* request) { return read_settings<smart_region_reply>(request, kMsgTamperGet); }
int smart_tamper_set(const char* request) { return region_write(request, kTamper); }
int smart_loiter_get(const char* request) { return read_settings<smart_region_reply>(request, kMsgLoiterGet); }
int smart_loiter_set(const char* request) { return region_write(request, kLoiter); }
int smart_human_get(const char* request) { return read_settings<smart_region_reply>(request, kMsgHumanGet); }
int smart_human_set(const char* request) { return region_write(request, kHuman); }
int smart_line_get(const char* request) { return read_settings<smart_line_reply>(request, kMsgLineCrossGet); }
int smart_line_ex_get(const char* request)
{
    return read_settings<smart_line_ex_reply>(request, kMsgLineCrossExGet);
}
int smart_people_count_get(const char* request)
{
    return read_settings<smart_people_count_reply>(request, kMsgPeopleCountGet);
}
int smart_people_settings_get(const char* request)
{
    return read_settings<smart_people_settings_reply>(request, kMsgPeopleSettingsGet);
}
int smart_people_settings_ex_get(const char* request)
{
    return read_settings<smart_people_settings_reply>(request, kMsgPeopleSettingsExGet);
}
int smart_object_get(const char* request) { return read_settings<smart_object_reply>(request, kMsgObjectGet); }
int smart_capability_get(const char* request)
{
    return read_settings<smart_capability_reply>(request, kMsgCapabilityGet);
}

int smart_vca_support_get(const char* request)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!channel_in(req.get(), "chnid", &channel)) return cgi_reply_error(kReplyJson);
    const i32 id = channel;
    core_ask_answered<smart_vca_support_reply>(kMsgVcaSupportGet, &id, sizeof id, kReplyJson,
                                               {kMsgVcaSupportGet + kReplyOffset});
    return 0;
}

namespace {

// The line-crossing writes of both camera generations: the actions stored,
// then the lines (and for the newer cameras "sensitivity") sent with `code`.
template <typename Rec>
int line_write(const char* request, u32 code, i32 Rec::*sensitivity = nullptr)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    if (!channel_in(r, "chnid", &channel)) return cgi_reply_error(kReplyText);
    if (!apply_actions(r, channel, kSmartLineCross)) return cgi_reply_error(kReplyText);
    Rec rec = zeroed<Rec>();
    rec.chnid = channel;
    rec.enable = jint(r, "enable");
    rec.objtype = jint(r, "objtype");
    if (sensitivity) rec.*sensitivity = jint(r, "sensitivity");
    lines_from_json(r, jint(r, "width"), jint(r, "height"), rec.lines);
    core_ask_answered<smart_status_reply>(code, &rec, sizeof rec, kReplyText, {code + kReplyOffset});
    return 0;
}

}  // namespace

int smart_line_set(const char* request) { return line_write<LineCrossRecord>(request, kMsgLineCrossSet); }
int smart_line_ex_set(const char* request)
{
    return line_write(request, kMsgLineCrossExSet, &LineCrossExRecord::sensitivity);
}

int smart_people_count_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    if (!channel_in(r, "chnid", &channel)) return cgi_reply_error(kReplyText);
    if (!apply_actions(r, channel, kSmartPeople)) return cgi_reply_error(kReplyText);
    PeopleCountRecord rec = zeroed<PeopleCountRecord>();
    rec.chnid = channel;
    rec.enable = jint(r, "enable");
    rec.osd = jint(r, "osd");
    jtext(r, "text", rec.text);
    rec.width = jint(r, "width");
    rec.height = jint(r, "height");
    rec.font_size = jint(r, "fontSize");
    rec.trigger_enable = jint(r, "triggerEnable");
    rec.trigger_by_in = jint(r, "triggerEnableByIn");
    rec.in_thresholds = jint(r, "inThresholds");
    rec.trigger_by_out = jint(r, "triggerEnableByOut");
    rec.out_thresholds = jint(r, "outThresholds");
    rec.trigger_by_sum = jint(r, "triggerEnableBySum");
    rec.sum_thresholds = jint(r, "sumThresholds");
    rec.position = jint(r, "position");
    core_ask_answered<smart_status_reply>(kMsgPeopleCountSet, &rec, sizeof rec, kReplyText,
                                          {kMsgPeopleCountSet + kReplyOffset});
    return 0;
}

int smart_people_settings_set(const char* request)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!channel_in(req.get(), "chnid", &channel)) return cgi_reply_error(kReplyJson);
    PeopleSettingsRecord rec;
    people_settings_from_json(req.get(), channel, &rec);
    core_ask_answered<smart_status_reply>(kMsgPeopleSettingsSet, &rec, sizeof rec, kReplyJson,
                                          {kMsgPeopleSettingsSet + kReplyOffset});
    return 0;
}

int smart_people_settings_ex_set(const char* request)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!channel_in(req.get(), "chnid", &channel)) return cgi_reply_error(kReplyJson);
    PeopleSettingsExRecord rec = zeroed<PeopleSettingsExRecord>();
    people_settings_from_json(req.get(), channel, &rec.base);
    core_ask_answered<smart_status_reply>(kMsgPeopleSettingsExSet, &rec, sizeof rec, kReplyJson,
                                          {kMsgPeopleSettingsExSet + kReplyOffset});
    return 0;
}

int smart_object_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    if (!channel_in(r, "chnid", &channel)) return cgi_reply_error(kReplyJson);
    // The request has no "enable" of its own: the stored event keeps its
    // state unless one is sent.
    if (!apply_actions(r, channel, kSmartObject, jhas(r, "enable"))) return cgi_reply_error(kReplyJson);
    ObjectRecord rec = zeroed<ObjectRecord>();
    rec.chnid = channel;
    rec.sensitivity = jint(r, "sensitivity");
    rec.left_enable = jint(r, "left_enable");
    rec.remove_enable = jint(r, "remove_enable");
    rec.min_time = jint(r, "min_time");
    jtext(r, "region", rec.region);
    jtext(r, "polygonX", rec.polygon_x);
    jtext(r, "polygonY", rec.polygon_y);
    core_ask_answered<smart_status_reply>(kMsgObjectSet, &rec, sizeof rec, kReplyJson, {kMsgObjectSet + kReplyOffset});
    return 0;
}

// ---- actions ----

int smart_actions_get(const char* request)
{
    JsonPtr req = json_parse(request);
    EventKey key;
    if (!action_key(req.get(), &key)) return cgi_reply_error(kReplyJson);
    SmartEventRecord rec;
    read_smart_event(kMainDb, &rec, key.channel, key.sub);
    JsonPtr action = event_action_object(kSmartEventSource, key, &rec, kActionReplyKeys, smart_own_key);
    JsonPtr list = jarray();
    json_object_array_add(list.get(), action.release());
    JsonPtr reply = jobject();
    jadd_value(reply.get(), "action", list.release());
    return json_reply(kReplyJson, reply.get());
}

int smart_actions_set(const char* request)
{
    JsonPtr req = json_parse(request);
    EventKey key;
    if (!action_key(req.get(), &key)) return cgi_reply_error(kReplyText);
    event_action_update(kSmartEventSource, key, req.get(), false);
    return cgi_reply_ok();
}

int smart_trigger_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jhas(r, "channel")) return cgi_reply_error(kReplyText);
    const int channel = jint(r, "channel"), event = jint(r, "event");
    if (!is_channel(channel)) return cgi_reply_error(kReplyText);
    SmartEventRecord rec;
    if (read_smart_event(kMainDb, &rec, channel, event) != 0) return cgi_reply(kReplyText, "ERROT");
    const int type = jint(r, "type");
    if (type == 0) {
        rec.tri_alarms = jint(r, "triAlarms");
    } else if (type == 1) {
        set_text(rec.tri_channels, jstr(r, "triChannels"));
        rec.tri_mask = chn_mask_word(rec.tri_channels, sizeof rec.tri_channels);
    }
    rec.chnid = channel;
    write_smart_event(kMainDb, &rec, event);
    core_notify(kMsgSmartChanged, i32(channel));
    return cgi_reply_ok();
}

int smart_triggers_get(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jhas(r, "channel")) return cgi_reply_error(kReplyText);
    const int channel = jint(r, "channel");
    SmartEventRecord rec;
    if (!is_channel(channel) || read_smart_event(kMainDb, &rec, channel, jint(r, "type")) != 0)
        return cgi_reply_error(kReplyText);
    JsonPtr o = jobject();
    jadd(o.get(), "chnid", channel);
    jadd(o.get(), "enable", rec.enable);
    jadd(o.get(), "triAlarms", rec.tri_alarms);
    jadd(o.get(), "interval", rec.interval);
    jadd(o.get(), "email_interval", rec.email_interval);
    jadd(o.get(), "email_pic_enable", rec.email_pic_enable);
    jadd_text(o.get(), "tri_channels_pic", rec.tri_channels_pic);
    jadd_text(o.get(), "triChannels", rec.tri_channels);
    return json_reply(kReplyJson, o.get());
}

// ---- reply formatters ----

int smart_region_reply(const KxFrameHeader* header, const void* payload)
{
    RegionRecord rec;
    if (!core_reply_record(header, payload, &rec, kCoreReplyLeftToAsker)) return 0;
    JsonPtr o = jobject();
    json_object* j = o.get();
    const u32 code = header->code - kReplyOffset;
    auto region = [&] { jadd_text(j, "region", rec.region); };
    auto polygon = [&] {
        jadd_text(j, "polygonX", rec.polygon_x);
        jadd_text(j, "polygonY", rec.polygon_y);
    };
    switch (code) {
    case kMsgRegionInGet:
    case kMsgRegionExitGet:
        region();
        jadd(j, "enable", rec.enable);
        jadd(j, "sensitivity", rec.sensitivity);
        jadd(j, "objtype", rec.objtype);
        polygon();
        break;
    case kMsgAdvMotionGet:
        region();
        jadd(j, "enable", rec.enable);
        jadd(j, "sensitivity", rec.sensitivity);
        jadd(j, "ignore_time", rec.ignore_time);
        jadd(j, "objtype", rec.objtype);
        polygon();
        break;
    case kMsgTamperGet:
        jadd(j, "enable", rec.enable);
        jadd(j, "sensitivity", rec.sensitivity);
        break;
    case kMsgLoiterGet:
        region();
        jadd(j, "enable", rec.enable);
        jadd(j, "time", rec.time);
        jadd(j, "size", rec.size);
        jadd(j, "objtype", rec.objtype);
        polygon();
        break;
    default:  // human detection
        jadd(j, "enable", rec.enable);
        jadd(j, "tracks", rec.tracks);
        break;
    }
    return core_reply_json(j);
}

int smart_line_reply(const KxFrameHeader* header, const void* payload)
{
    LineCrossRecord rec;
    if (!core_reply_record(header, payload, &rec, kCoreReplyLeftToAsker)) return 0;
    JsonPtr o = jobject();
    add_lines(o.get(), "direction", rec.lines, rec.width, rec.height);
    jadd(o.get(), "enable", rec.enable);
    jadd(o.get(), "width", rec.width);
    jadd(o.get(), "height", rec.height);
    jadd(o.get(), "objtype", rec.objtype);
    return core_reply_json(o.get());
}

int smart_line_ex_reply(const KxFrameHeader* header, const void* payload)
{
    LineCrossExRecord rec;
    if (!core_reply_record(header, payload, &rec, kCoreReplyLeftToAsker)) return 0;
    JsonPtr o = jobject();
    jadd(o.get(), "chnid", rec.chnid);
    jadd(o.get(), "width", rec.width);
    jadd(o.get(), "height", rec.height);
    jadd(o.get(), "sensitivity", rec.sensitivity);
    jadd(o.get(), "enable", rec.enable);
    jadd(o.get(), "objtype", rec.objtype);
    add_lines(o.get(), "direction", rec.lines, rec.width, rec.height);
    return core_reply_json(o.get());
}

int smart_people_count_reply(const KxFrameHeader* header, const void* payload)
{
    PeopleCountRecord rec;
    if (!core_reply_record(header, payload, &rec, kCoreReplyLeftToAsker)) return 0;
    JsonPtr o = jobject();
    json_object* j = o.get();
    jadd(j, "enable", rec.enable);
    jadd(j, "osd", rec.osd);
    jadd_text(j, "text", rec.text);
    jadd(j, "width", rec.width);
    jadd(j, "height", rec.height);
    jadd(j, "fontSize", rec.font_size);
    jadd(j, "triggerEnable", rec.trigger_enable);
    jadd(j, "triggerEnableByIn", rec.trigger_by_in);
    jadd(j, "inThresholds", rec.in_thresholds);
    jadd(j, "triggerEnableByOut", rec.trigger_by_out);
    jadd(j, "outThresholds", rec.out_thresholds);
    jadd(j, "triggerEnableBySum", rec.trigger_by_sum);
    jadd(j, "sumThresholds", rec.sum_thresholds);
    jadd(j, "position", rec.position);
    return core_reply_json(j);
}

int smart_people_settings_reply(const KxFrameHeader* header, const void* payload)
{
    PeopleSettingsRecord rec;
    if (!core_reply_record(header, payload, &rec, kCoreReplyLeftToAsker)) return 0;
    JsonPtr o = jobject();
    add_people_settings(o.get(), rec, header->code == kMsgPeopleSettingsGet + kReplyOffset);
    return core_reply_json(o.get());
}

int smart_object_reply(const KxFrameHeader* header, const void* payload)
{
    ObjectRecord rec;
    if (!core_reply_record(header, payload, &rec, kCoreReplyLeftToAsker)) return 0;
    JsonPtr o = jobject();
    json_object* j = o.get();
    jadd_text(j, "region", rec.region);
    jadd(j, "left_enable", rec.left_enable);
    jadd(j, "remove_enable", rec.remove_enable);
    jadd(j, "min_time", rec.min_time);
    jadd(j, "sensitivity", rec.sensitivity);
    jadd_text(j, "polygonX", rec.polygon_x);
    jadd_text(j, "polygonY", rec.polygon_y);
    return core_reply_json(j);
}

int smart_capability_reply(const KxFrameHeader* header, const void* payload)
{
    CapabilityReply rec;
    JsonPtr o = jobject();
    if (record_at(payload, header->length, 0, &rec)) {
        jadd(o.get(), "support", rec.support);
        jadd(o.get(), "type", rec.type);
    } else {
        jadd(o.get(), "support", -1);
        jadd(o.get(), "type", -1);
    }
    return core_reply_json(o.get());
}

int smart_vca_support_reply(const KxFrameHeader* header, const void* payload)
{
    VcaSupportReply rec;
    if (!core_reply_record(header, payload, &rec, kCoreReplyLeftToAsker)) return 0;
    JsonPtr o = jobject();
    jadd(o.get(), "chnid", rec.chnid);
    jadd(o.get(), "vca_support", rec.vca_support);
    jadd(o.get(), "vca_version", rec.vca_version);
    return core_reply_json(o.get());
}

int smart_status_reply(const KxFrameHeader* header, const void* payload)
{
    i32 status;
    if (!core_reply_record(header, payload, &status, kCoreReplyLeftToAsker)) return 0;
    cgi_reply(kReplyText, status == 0 ? "OK" : "FAILED");
    core_reply_finish(1);
    return 0;
}
