// PTZ configuration: the serial link to an analogue PTZ head, the default
// speeds and the tours of a channel. The settings live in the store; the
// core daemon is told about each change.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/ptz/ptz.h"
#include "handlers/ptz/ptz_config_records.h"
#include "handlers/shared/reply_flow.h"

namespace {

constexpr int kLogSetting = 904;

void send_setting_log(int channel) { ptz_send_log(kLogSetting, channel); }

bool any_channel(int channel) { return channel >= 0 && channel < kPtzMaxChannels; }

// A tour request: its channel "chn" and 1-based "tourid" (1..8).
JsonPtr parse_tour_request(const char* request, i32* channel, int* tour_id)
{
    JsonPtr req = ptz_channel_request(request, "chn", channel);
    if (!req) return nullptr;
    *tour_id = jint(req.get(), "tourid");
    if (*tour_id < 1 || *tour_id > kPtzTours) return nullptr;
    return req;
}

// A tour write: the tour request and its points, "rowsize" entries of
// "path", each {"preset", "time", "speed"}; the points past `count` zero.
struct TourWrite {
    JsonPtr req;
    i32 channel = 0;
    int tour_id = 0;
    int count = 0;
    PtzTourPoint points[kPtzTourPoints] = {};
};

// False when the tour request is not one, "rowsize" is outside 0..48 or
// "path" holds fewer points.
bool parse_tour_write(const char* request, TourWrite* t)
{
    t->req = parse_tour_request(request, &t->channel, &t->tour_id);
    if (!t->req) return false;
    json_object* r = t->req.get();
    t->count = jint(r, "rowsize");
    if (t->count < 0 || t->count > kPtzTourPoints) return false;
    json_object* path = jget(r, "path");
    if (t->count > 0 && (!path || !json_object_is_type(path, json_type_array) ||
                         json_object_array_length(path) < size_t(t->count)))
        return false;
    for (int k = 0; k < t->count; k++) {
        json_object* p = json_object_array_get_idx(path, size_t(k));
        t->points[k].preset_id = jint(p, "preset");
        t->points[k].time = jint(p, "time");
        t->points[k].speed = jint(p, "speed");
    }
    return true;
}

// Reads the stored tours of `channel`, lets `edit` change tour `tour_id`
// (1-based) and writes them back.
template <typename Edit>
void edit_stored_tour(int channel, int tour_id, Edit edit)
{
    auto tours = std::make_unique<PtzStoredTours>();
    read_ptz_tour(kMainDb, channel, tours.get());
    edit(tours->tours[tour_id - 1]);
    write_ptz_tour(kMainDb, channel, *tours);
}

// The end of a tour change: the core daemon told with `msg`, "OK", the log.
template <typename Msg>
int tour_changed(u32 code, const Msg& msg, int channel)
{
    core_notify(code, msg);
    cgi_reply_ok();
    send_setting_log(channel);
    return 0;
}

constexpr int kAny = 0x7fffffff;

}  // namespace

int ptz_port_read(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel = jint(r, "chnid");
    if (!r || !jhas(r, "chnid") || channel < 0 || channel >= kPtzSerialChannels) return cgi_reply_error(kReplyJson);
    PtzPortRow row;
    read_ptz_port(kMainDb, channel, &row);
    JsonPtr o = jobject();
    jadd(o.get(), "camId", channel);
    jadd(o.get(), "connectType", row.connect_type);
    jadd(o.get(), "baudRate", row.baud_rate);
    jadd(o.get(), "dataBits", row.data_bits);
    jadd(o.get(), "stopBits", row.stop_bits);
    jadd(o.get(), "parityType", row.parity_type);
    jadd(o.get(), "protocol", row.protocol);
    jadd(o.get(), "address", row.address);
    return json_reply(kReplyJson, o.get());
}

int ptz_port_write(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    json_object* channels = jget(r, "chnid");
    if (!jhas(r, "cnt") || !channels || !json_object_is_type(channels, json_type_array)) return 0;
    if (!jint_required_in(r, "connectType", 0, 1) || !jint_required_in(r, "baudRate", 0, kAny) ||
        !jint_required_in(r, "dataBits", 5, 8) || !jint_required_in(r, "stopBits", 0, kAny) ||
        !jint_required_in(r, "parityType", 0, 2) || !jint_required_in(r, "protocol", 0, 13) ||
        !jint_required_in(r, "address", 0, kAny))
        return 0;

    PtzPortRow row = zeroed<PtzPortRow>();
    row.connect_type = jint(r, "connectType");
    row.baud_rate = jint(r, "baudRate");
    row.data_bits = jint(r, "dataBits");
    row.stop_bits = jint(r, "stopBits");
    row.parity_type = jint(r, "parityType");
    row.protocol = jint(r, "protocol");
    row.address = jint(r, "address");

    // The first "cnt" entries of the list that name a channel; the list
    // bounds "cnt".
    int count = jint(r, "cnt");
    size_t listed = json_object_array_length(channels);
    int targets[kPtzMaxChannels * 4];
    int n = 0;
    for (int i = 0; i < count && size_t(i) < listed && n < int(sizeof targets / sizeof targets[0]); i++) {
        int channel = json_object_get_int(json_object_array_get_idx(channels, size_t(i)));
        if (any_channel(channel)) targets[n++] = channel;
    }
    if (n > 0) {
        // One row written, the others copied from it in one transaction.
        row.cam_id = targets[0];
        write_ptz_port(kMainDb, targets[0], row);
        u64 mask = 0;
        for (int i = 1; i < n; i++) mask |= u64(1) << targets[i];
        if (mask) copy_ptz_ports(kMainDb, targets[0], mask);
    }
    for (int i = 0; i < n; i++) {
        i32 channel = targets[i];
        core_notify(kMsgPtzPortChanged, channel);
        send_setting_log(channel);
    }
    return cgi_reply_ok();
}

int ptz_port_check(const char* request)
{
    i32 channel = 0;
    if (!ptz_channel_request(request, "camId", &channel)) return 0;
    core_ask<ptz_port_check_reply>(kMsgPtzPortCheck, &channel, sizeof channel, kReplyText, {kReplyPtzPortCheck});
    return 0;
}

int ptz_speed_read(const char* request)
{
    i32 channel = 0;
    JsonPtr req = ptz_channel_request(request, "camId", &channel);
    if (!req) return 0;
    PtzSpeedRow row;
    read_ptz_speed(kMainDb, channel, &row);
    JsonPtr o = jobject();
    jadd(o.get(), "pan_speed", row.pan_speed);
    jadd(o.get(), "tilt_speed", row.tilt_speed);
    jadd(o.get(), "zoom_speed", row.zoom_speed);
    jadd(o.get(), "foucs_speed", row.focus_speed);
    return json_reply(kReplyJson, o.get());
}

int ptz_speed_write(const char* request)
{
    i32 channel = 0;
    JsonPtr req = ptz_channel_request(request, "camId", &channel);
    if (!req) return 0;
    json_object* r = req.get();
    PtzSpeedRow row;
    read_ptz_speed(kMainDb, channel, &row);
    row.cam_id = channel;
    row.pan_speed = jint(r, "pan_speed");
    row.tilt_speed = jint(r, "tilt_speed");
    row.zoom_speed = jint(r, "zoom_speed");
    row.focus_speed = jint(r, "foucs_speed");
    write_ptz_speed(kMainDb, channel, row);
    cgi_reply_ok();
    send_setting_log(channel);
    return 0;
}

int ptz_tour_write(const char* request)
{
    TourWrite t;
    if (!parse_tour_write(request, &t)) return 0;
    PtzTourPointsMsg msg = zeroed<PtzTourPointsMsg>();
    std::copy(std::begin(t.points), std::end(t.points), msg.points);
    msg.channel = t.channel;
    msg.tour_id = t.tour_id;
    msg.count = t.count;

    // Points from `count` on keep their stored values.
    edit_stored_tour(t.channel, t.tour_id, [&](PtzTourPoint (&tour)[kPtzTourPoints]) {
        for (int k = 0; k < t.count; k++) tour[k] = t.points[k];
    });
    return tour_changed(kMsgPtzTourPoints, msg, t.channel);
}

int ptz_fish_tour_write(const char* request)
{
    TourWrite t;
    if (!parse_tour_write(request, &t)) return 0;
    auto msg = std::make_unique<PtzFishTourMsg>(zeroed<PtzFishTourMsg>());
    msg->channel = t.channel;
    msg->stream_id = jint(t.req.get(), "streamId");
    msg->tour_index = t.tour_id - 1;
    PtzTourPoints& tour = msg->tours[t.tour_id - 1];
    for (int k = 0; k < t.count; k++) {
        tour.preset_id[k] = t.points[k].preset_id;
        tour.timeout[k] = t.points[k].time;
        tour.speed[k] = t.points[k].speed;
    }
    return tour_changed(kMsgPtzFishTour, *msg, t.channel);
}

int ptz_tour_clear(const char* request)
{
    i32 channel = 0;
    int tour_id = 0;
    JsonPtr req = parse_tour_request(request, &channel, &tour_id);
    if (!req) return 0;
    edit_stored_tour(channel, tour_id, [](PtzTourPoint (&tour)[kPtzTourPoints]) {
        for (PtzTourPoint& p : tour) p.preset_id = 0;  // times and speeds stay
    });
    PtzTour t = zeroed<PtzTour>();
    t.channel = channel;
    t.tour_id = tour_id;
    t.fisheye_type = jint(req.get(), "fisheyeType");
    t.stream_id = jint(req.get(), "streamId");
    return tour_changed(kMsgPtzTourClear, t, channel);
}

// 6262: "-1" when the daemon reports -1, else "0".
int ptz_port_check_reply(const KxFrameHeader* header, const void* payload)
{
    i32 value;
    if (!record_at(payload, header->length, 0, &value)) return 0;
    return core_reply_text(value == -1 ? "-1" : "0");
}
