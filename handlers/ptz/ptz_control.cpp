// PTZ control: moves, presets, tours, zoom, the camera's PTZ speed, raw
// commands, the preset and tour list and the PTZ status of a channel. Each
// request becomes a core message; the core daemon steers the camera.
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/ptz/ptz.h"
#include "handlers/ptz/ptz_records.h"
#include "handlers/shared/reply_flow.h"
#include "platform/kxdb.h"

namespace {

constexpr int kPtzLog = 206;
constexpr int kLogControl = 900, kLogSetting = 904;
constexpr int kActionSetPreset = 22;
constexpr int kActionAutoFocusMove = 21, kActionAutoFocus = 12;
constexpr size_t kPresetNameMax = 30;      // in the action payload
constexpr size_t kFishPresetNameMax = 31;  // in the fisheye preset parameter

// A channel of this device: below the stored channel count, and never past
// the 64 channels a channel id can name.
bool device_channel(int channel)
{
    int max = get_param_int(kMainDb, "max_cameras", 32);
    if (max > kPtzMaxChannels) max = kPtzMaxChannels;
    return channel >= 0 && channel < max;
}

// Sends one parameter of the camera's "vsetting.html" page and waits; the
// 8226 formatter answers "OK", no reply the plain "CGI ERROR".
void send_camera_param(int channel, const char* param, const char* value)
{
    PtzCameraParam p = zeroed<PtzCameraParam>();
    p.channel = channel;
    set_text(p.page, "vsetting.html");
    set_text(p.param, param);
    set_text(p.value, value);
    core_ask<ptz_camera_param_reply>(kMsgCameraParam, &p, sizeof p, kReplyText, {kReplyCameraParam});
}

void push_speed(int channel, int speed)
{
    char value[16];
    std::snprintf(value, sizeof value, "%d", ptz_speed_param(speed));
    send_camera_param(channel, "ptzspeed", value);
}

// The speeds and the fisheye view of a move or preset action.
void read_steering(json_object* r, PtzAction& a)
{
    a.pan_speed = jint(r, "panSpeed");
    a.tilt_speed = jint(r, "tiltSpeed");
    a.zoom_speed = jint(r, "zoomSpeed");
    a.focus_speed = jint(r, "focusSpeed");
    a.fisheye_type = jint(r, "fisheyeType");
    a.stream_id = jint(r, "streamId");
}

// The requests that only tell the core daemon: `fill` makes the message of
// `code` from the request's JSON and returns the channel it names; "OK"
// answers and the PTZ log of `log_type` follows. Nothing is sent or answered
// when the text is not JSON.
template <typename Msg, typename Fill>
int notify_ptz(const char* request, u32 code, int log_type, Fill fill)
{
    JsonPtr req = json_parse(request);
    if (!req) return 0;
    Msg msg = zeroed<Msg>();
    const int channel = fill(req.get(), msg);
    core_notify(code, msg);
    cgi_reply_ok();
    ptz_send_log(log_type, channel);
    return 0;
}

int send_tour(const char* request, u32 code)
{
    return notify_ptz<PtzTour>(request, code, kLogControl, [](json_object* r, PtzTour& t) {
        t.channel = jint(r, "chn");
        t.tour_id = jint(r, "tourid");
        t.fisheye_type = jint(r, "fisheyeType");
        t.stream_id = jint(r, "streamId");
        return t.channel;
    });
}

// The request of the JSON-answering queries: null, with the JSON "CGI ERROR"
// written, where ptz_channel_request finds none.
JsonPtr parse_channel_query(const char* request, const char* key, i32* channel)
{
    JsonPtr req = ptz_channel_request(request, key, channel);
    if (!req) cgi_reply_error(kReplyJson);
    return req;
}

}  // namespace

void ptz_send_log(int param_type, int channel)
{
    // Unsigned: no overflow for a channel the request did not range-check.
    send_change_log(kPtzLog, param_type, int(u32(channel) + 1));
}

JsonPtr ptz_channel_request(const char* request, const char* key, i32* channel)
{
    JsonPtr req = json_parse(request);
    if (!req) return nullptr;
    *channel = jint(req.get(), key);
    if (*channel < 0 || *channel >= kPtzMaxChannels) return nullptr;
    return req;
}

int ptz_move(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    PtzAction a = zeroed<PtzAction>();
    a.channel = jint(r, "channelId");
    a.action = jint(r, "action");
    if (!device_channel(a.channel) || a.action < 0) return 0;
    read_steering(r, a);
    core_notify(kMsgPtzMove, a);
    if (a.action == kActionAutoFocusMove && jint(r, "isAutoFocus") == 1) {
        a.action = kActionAutoFocus;
        core_notify(kMsgPtzMove, a);
    }
    push_speed(a.channel, a.pan_speed);
    ptz_send_log(kLogControl, a.channel);
    return 0;
}

int ptz_preset(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    PtzAction a = zeroed<PtzAction>();
    a.channel = jint(r, "channelId");
    a.id = jint(r, "presetId");
    a.action = jint(r, "action");
    if (!device_channel(a.channel) || a.id < 0 || a.id > kPtzMaxPresetId || a.action < 0) return 0;
    for (const char* key : {"panSpeed", "tiltSpeed", "zoomSpeed", "focusSpeed"})
        if (!jhas(r, key) || jint(r, key) < 0) return 0;
    read_steering(r, a);
    const char* name = jstr(r, "name");
    if (a.action == kActionSetPreset) set_text(a.name, name, kPresetNameMax);
    core_notify(kMsgPtzPreset, a);

    if (a.fisheye_type == 1 && a.action == kActionSetPreset) {
        char fish_name[kFishPresetNameMax + 1];
        set_text(fish_name, name);
        char value[128];
        std::snprintf(value, sizeof value, "%d:%d:%s", a.stream_id, a.id, fish_name);
        send_camera_param(a.channel, "ipncptz=setfishpreset", value);
    } else {
        cgi_reply_ok();
    }
    ptz_send_log(kLogSetting, a.channel);
    return 0;
}

int ptz_tour_start(const char* request) { return send_tour(request, kMsgPtzTourStart); }

int ptz_tour_stop(const char* request) { return send_tour(request, kMsgPtzTourStop); }

int ptz_tour_action(const char* request)
{
    return notify_ptz<PtzAction>(request, kMsgPtzTourAction, kLogSetting, [](json_object* r, PtzAction& a) {
        a.channel = jint(r, "chn");
        a.action = ptz_map_tour_action(jint(r, "action"));
        a.id = jint(r, "tourid");
        return a.channel;
    });
}

int ptz_preset_list(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    int channel = jint(r, "chn");
    if (jint(r, "fisheyeType") != 0) {
        PtzPair p{channel, jint(r, "streamId")};
        core_ask<ptz_preset_list_reply>(kMsgPtzFishPresetList, &p, sizeof p, kReplyJson, {kReplyPtzFishPresetList});
    } else {
        i32 c = channel;
        core_ask<ptz_preset_list_reply>(kMsgPtzPresetList, &c, sizeof c, kReplyJson, {kReplyPtzPresetList});
    }
    return 0;
}

int ptz_channel_action(const char* request)
{
    return notify_ptz<PtzPair>(request, kMsgPtzChannelAction, kLogControl, [](json_object* r, PtzPair& p) {
        p = PtzPair{jint(r, "channelId"), jint(r, "action")};
        return p.first;
    });
}

int ptz_zoom(const char* request)
{
    return notify_ptz<PtzZoom>(request, kMsgPtzZoom, kLogControl, [](json_object* r, PtzZoom& z) {
        z = PtzZoom{jint(r, "camId"), jint(r, "Zoom"), jint(r, "ZoomSpeed")};
        return z.channel;
    });
}

int ptz_speed(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    int channel = jint(r, "chn");
    push_speed(channel, jint(r, "Speed"));
    ptz_send_log(kLogSetting, channel);
    return 0;
}

int ptz_command(const char* request)
{
    i32 channel = 0;
    JsonPtr req = parse_channel_query(request, "chnid", &channel);
    if (!req) return 0;
    PtzPair p{channel, jint(req.get(), "ptzCmd")};
    core_ask<core_reply_int>(kMsgPtzCommand, &p, sizeof p, kCoreResReply, kReplyJson, {kReplyPtzCommand});
    ptz_send_log(kLogSetting, channel);
    return 0;
}

int ptz_channel_status(const char* request)
{
    i32 channel = 0;
    if (!parse_channel_query(request, "chnid", &channel)) return 0;
    const int context = channel;
    core_ask<ptz_channel_status_reply>(kMsgPtzChannelStatus, &channel, sizeof channel, context, kReplyJson,
                                       {kReplyPtzChannelStatus});
    return 0;
}

int ptz_status_read(const char* request)
{
    i32 channel = 0;
    if (!parse_channel_query(request, "chnId", &channel)) return 0;
    core_ask<ptz_status_read_reply>(kMsgPtzStatusRead, &channel, sizeof channel, kReplyJson, {kReplyPtzStatusRead});
    return 0;
}

int ptz_status_write(const char* request)
{
    i32 channel = 0;
    JsonPtr req = parse_channel_query(request, "chnId", &channel);
    if (!req) return 0;
    json_object* r = req.get();
    PtzStatus s = zeroed<PtzStatus>();
    s.status = 0;
    s.channel = channel;
    for (int i = 0; i < kPtzStatusValues; i++) s.values[i] = jint(r, kPtzStatusKeys[i]);
    jtext(r, "channelMask", s.channel_mask);
    core_ask<core_reply_int>(kMsgPtzStatusWrite, &s, sizeof s, kCoreStatusReply, kReplyJson, {kReplyPtzStatusWrite});
    return 0;
}

// ---- reply formatters ----

int ptz_camera_param_reply(const KxFrameHeader*, const void*) { return core_reply_text("OK"); }

int ptz_preset_list_reply(const KxFrameHeader* header, const void* payload)
{
    auto whole = std::make_unique<PtzPresetList>();
    const PtzPresetList& list = *whole;
    JsonPtr o = jobject();
    if (!record_at(payload, header->length, 0, whole.get())) {
        jadd(o.get(), "status", "Error");
        return core_reply_json(o.get());
    }
    jadd(o.get(), "status", "OK");

    JsonPtr presets = jarray();
    for (const PtzPreset& p : list.presets) {
        JsonPtr e = jobject();
        jadd(e.get(), "enable", p.enable);
        jadd_text(e.get(), "name", p.name);
        json_object_array_add(presets.get(), e.release());
    }
    json_object_object_add(o.get(), "PRESET", presets.release());

    JsonPtr tours = jarray();
    for (const PtzTourPoints& t : list.tours) {
        JsonPtr points = jarray();
        for (int k = 0; k < kPtzTourPoints && t.preset_id[k] >= 1; k++) {
            JsonPtr e = jobject();
            jadd(e.get(), "preset_id", t.preset_id[k]);
            jadd(e.get(), "speed", t.speed[k]);
            jadd(e.get(), "timeout", t.timeout[k]);
            json_object_array_add(points.get(), e.release());
        }
        json_object_array_add(tours.get(), points.release());
    }
    json_object_object_add(o.get(), "TOUR", tours.release());

    JsonPtr patterns = jarray();
    for (i32 enable : list.pattern_enable) {
        JsonPtr e = jobject();
        jadd(e.get(), "enable", enable);
        json_object_array_add(patterns.get(), e.release());
    }
    json_object_object_add(o.get(), "PATTERN", patterns.release());

    JsonPtr scan = jarray();
    for (i32 v : list.autoscan_status) json_object_array_add(scan.get(), json_object_new_int(v));
    json_object_object_add(o.get(), "autoscan_status", scan.release());

    JsonPtr status = jarray();
    for (const auto& group : list.tour_status) {
        JsonPtr values = jarray();
        for (i32 v : group) json_object_array_add(values.get(), json_object_new_int(v));
        json_object_array_add(status.get(), values.release());
    }
    json_object_object_add(o.get(), "tour_status", status.release());

    return core_reply_json(o.get());
}

int ptz_status_read_reply(const KxFrameHeader* header, const void* payload)
{
    PtzStatus s;
    if (!record_at(payload, header->length, 0, &s)) return 0;  // no record: the handler answers the error
    JsonPtr o = jobject();
    jadd(o.get(), "status", s.status);
    jadd(o.get(), "chnId", s.channel);
    for (int i = 0; i < kPtzStatusValues; i++) jadd(o.get(), kPtzStatusKeys[i], s.values[i]);
    return core_reply_json(o.get());
}

int ptz_channel_status_reply(const int& channel, const KxFrameHeader* header, const void* payload)
{
    i32 value;
    if (!record_at(payload, header->length, 0, &value)) return 0;
    JsonPtr o = jobject();
    jadd(o.get(), "chnid", channel);
    jadd(o.get(), "status", value);
    return core_reply_json(o.get());
}
