// Live status of the recorder: network interfaces and their traffic, the
// channels' stream figures, active events and alarms, recording space,
// channel capabilities and the users logged in. Each request sends one
// query without payload and waits; the formatter turns the core daemon's
// records into JSON, with names and addresses from the store. A reply
// without a whole record is answered at once with the JSON error, the reply
// when none comes.
#include <cstring>
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/camera/camera_records.h"
#include "handlers/status/status.h"
#include "handlers/status/status_records.h"

namespace {

constexpr const char* kNoFigure = "--";

// Sends query `code` and waits for formatter F to answer its reply code;
// without a reply, the JSON error.
template <auto F>
int query(u32 code, u32 reply_code)
{
    core_ask<F>(code, nullptr, 0, kReplyJson, {reply_code});
    return 0;
}

// `max_cameras`, within the store's 64 channels.
int device_channels()
{
    int n = get_param_int(kMainDb, "max_cameras", kDefaultMaxCameras);
    return n < 0 ? 0 : n > kStatusChannels ? kStatusChannels : n;
}

int bit(u64 mask, int i) { return int(mask >> i & 1); }

int finish(json_object* reply)
{
    json_reply(kReplyJson, reply);
    core_reply_finish(1);
    return 0;
}

// The channel names and camera records of every channel.
struct Channels {
    OsdRecord osd[kMaxCameras];
    CameraRecord camera[kMaxCameras];
};
std::unique_ptr<Channels> channels_of_store()
{
    auto c = std::make_unique<Channels>();
    int count = 0;
    read_osds(kMainDb, c->osd, &count);
    read_cameras(kMainDb, c->camera, &count);
    return c;
}

json_object* stream_object(const StreamStatus& s)
{
    json_object* o = json_object_new_object();
    json_object* res = json_object_new_object();
    jadd(res, "width", s.width);
    jadd(res, "height", s.height);
    jadd_value(o, "res", res);
    jadd(o, "framerate", s.framerate);
    jadd(o, "bitrate", s.bitrate);
    jadd(o, "connection", s.connection);
    jadd(o, "connectStatus", s.connect_status);
    return o;
}

json_object* no_stream_object()
{
    json_object* o = json_object_new_object();
    jadd(o, "res", kNoFigure);
    jadd(o, "framerate", kNoFigure);
    jadd(o, "bitrate", kNoFigure);
    jadd(o, "connection", kNoFigure);
    return o;
}

// Keys of the camera alarms k = 0, 1 (literals: json-c keeps them).
const char* const kAlarmInName[] = {"AlarmInName0", "AlarmInName1"};
const char* const kAlarmInType[] = {"AlarmInType0", "AlarmInType1"};
const char* const kAlarmInState[] = {"AlarmInState0", "AlarmInState1"};
const char* const kAlarmOutName[] = {"AlarmOutName0", "AlarmOutName1"};
const char* const kAlarmOutDelay[] = {"AlarmOutDelay0", "AlarmOutDelay1"};
const char* const kAlarmOutType[] = {"AlarmOutType0", "AlarmOutType1"};
const char* const kAlarmOutState[] = {"AlarmOutState0", "AlarmOutState1"};

}  // namespace

// ---- queries and their reply formatters ----

int status_interfaces_reply(const KxFrameHeader* header, const void* payload)
{
    const size_t count = record_count<NetInterfaceStatus>(header->length);
    if (count == 0) return core_reply_short(kReplyJson);
    JsonPtr reply = jobject();
    json_object* list = json_object_new_array();
    jadd_value(reply.get(), "netif", list);
    for (size_t i = 0; i < count; i++) {
        NetInterfaceStatus s;
        if (!record_at(payload, header->length, i, &s)) break;
        json_object* o = json_object_new_object();
        jadd_text(o, "ifname", s.ifname);
        jadd(o, "id", s.id);
        jadd(o, "state", s.state);
        jadd(o, "speedMode", s.speed_mode);
        jadd(o, "duplex", s.duplex);
        jadd(o, "enable", s.enable);
        jadd(o, "dhcpEnable", s.dhcp_enable);
        jadd_text(o, "ipAddr", s.ip_addr);
        jadd_text(o, "MAC", s.mac);
        jadd_text(o, "primaryDNS", s.primary_dns);
        jadd_text(o, "secondDNS", s.second_dns);
        jadd_text(o, "gateway", s.gateway);
        jadd_text(o, "netmask", s.netmask);
        jadd(o, "mtu", s.mtu);
        jadd(o, "ip6mode", int(s.ip6_mode));
        jadd_text(o, "ip6address", s.ip6_address);
        jadd(o, "ip6prefix", s.ip6_prefix);
        jadd_text(o, "ip6gateway", s.ip6_gateway);
        json_object_array_add(list, o);
    }
    return finish(reply.get());
}

int status_interfaces(const char*) { return query<status_interfaces_reply>(kMsgNetInterfaces, kReplyNetInterfaces); }

int status_traffic_reply(const KxFrameHeader* header, const void* payload)
{
    const size_t count = record_count<NetTrafficStatus>(header->length);
    if (count == 0) return core_reply_short(kReplyJson);
    JsonPtr reply = jobject();
    json_object* list = json_object_new_array();
    jadd_value(reply.get(), "netif", list);
    for (size_t i = 0; i < count; i++) {
        NetTrafficStatus s;
        if (!record_at(payload, header->length, i, &s)) break;
        json_object* o = json_object_new_object();
        jadd(o, "id", s.id);
        jadd_text(o, "ifname", s.ifname);
        jadd(o, "RxSpeed", s.rx_speed);
        jadd(o, "TxSpeed", s.tx_speed);
        json_object_array_add(list, o);
    }
    return finish(reply.get());
}

int status_traffic(const char*) { return query<status_traffic_reply>(kMsgNetTraffic, kReplyNetTraffic); }

// Every channel of the device is listed; a channel the core daemon does not
// report shows "--" for its figures. The reported channels are found by
// their channel id, so a record out of order or for a channel past the
// device's count costs no other channel its figures.
int status_channels_reply(const KxFrameHeader* header, const void* payload)
{
    const size_t count = record_count<ChannelStatusRecord>(header->length);
    if (count == 0) return core_reply_short(kReplyJson);
    auto by_channel = std::make_unique<ChannelStatusRecord[]>(kStatusChannels);
    bool reported[kStatusChannels] = {};
    for (size_t j = 0; j < count; j++) {
        ChannelStatusRecord s;
        if (!record_at(payload, header->length, j, &s)) break;
        if (s.chnid < 0 || s.chnid >= kStatusChannels || reported[s.chnid]) continue;
        by_channel[s.chnid] = s;
        reported[s.chnid] = true;
    }

    const std::unique_ptr<Channels> stored = channels_of_store();
    const Channels& store = *stored;
    JsonPtr reply = jobject();
    json_object* list = json_object_new_array();
    jadd_value(reply.get(), "IPC", list);
    const int channels = device_channels();
    for (int i = 0; i < channels; i++) {
        json_object* o = json_object_new_object();
        jadd(o, "id", i);
        jadd_text(o, "name", store.osd[i].name);
        jadd(o, "enable", store.camera[i].enable);
        if (store.camera[i].ip[0])
            jadd_text(o, "ipAddr", store.camera[i].ip);
        else
            jadd(o, "ipAddr", kNoFigure);
        if (reported[i]) {
            const ChannelStatusRecord& s = by_channel[i];
            jadd(o, "recordOn", s.record_on);
            jadd(o, "alarmOn", s.alarm_on);
            jadd_value(o, "main", stream_object(s.main));
            jadd_value(o, "sub", stream_object(s.sub));
        } else {
            jadd(o, "recordOn", kNoFigure);
            jadd(o, "alarmOn", kNoFigure);
            jadd_value(o, "main", no_stream_object());
            jadd_value(o, "sub", no_stream_object());
        }
        json_object_array_add(list, o);
    }
    return finish(reply.get());
}

int status_channels(const char*) { return query<status_channels_reply>(kMsgChannelStatus, kReplyChannelStatus); }

int status_events_reply(const KxFrameHeader* header, const void* payload)
{
    auto event = std::make_unique<EventStatusRecord>();
    const EventStatusRecord& ev = *event;
    if (!record_at(payload, header->length, 0, event.get())) return core_reply_short(kReplyJson);
    const int channels = device_channels();
    const int alarm_ins = get_param_int(kMainDb, "alarm_in", kAlarmIns);
    const int alarm_outs = get_param_int(kMainDb, "alarm_out", kAlarmOuts);
    auto in_names = std::make_unique<CameraInNameRecord[][kEventChannels]>(kCameraAlarms);
    auto out_names = std::make_unique<CameraOutNameRecord[][kEventChannels]>(kCameraAlarms);
    for (int k = 0; k < kCameraAlarms; k++) {
        read_alarm_chnIn_event_names(kMainDb, in_names[k], k);
        read_alarm_chnOut_event_names(kMainDb, out_names[k], k);
    }
    const std::unique_ptr<Channels> stored = channels_of_store();
    const Channels& store = *stored;

    JsonPtr reply = jobject();
    json_object* cameras = json_object_new_array();
    jadd_value(reply.get(), "cameras", cameras);
    for (int i = 0; i < channels; i++) {
        json_object* o = json_object_new_object();
        jadd(o, "id", i);
        jadd_text(o, "name", store.osd[i].name);
        jadd_text(o, "ipAddr", store.camera[i].ip);
        jadd(o, "videolossOn", bit(ev.video_loss, i));
        jadd(o, "motionOn", bit(ev.motion, i));
        jadd(o, "ioOn", 1);
        jadd(o, "entrance", bit(ev.region_entrance, i));
        jadd(o, "exiting", bit(ev.region_exit, i));
        jadd(o, "advancedMotion", bit(ev.advanced_motion, i));
        jadd(o, "tampering", bit(ev.tampering, i));
        jadd(o, "lineCrossing", bit(ev.line_crossing, i));
        jadd(o, "loitering", bit(ev.loitering, i));
        jadd(o, "humanDetection", bit(ev.human_detection, i));
        jadd(o, "objectleftremove", bit(ev.object_left_removed, i));
        jadd(o, "in", ev.counts[i].in);
        jadd(o, "out", ev.counts[i].out);
        for (int k = 0; k < kCameraAlarms; k++) {
            jadd_text(o, kAlarmInName[k], in_names[k][i].name);
            jadd(o, kAlarmInType[k], bit(ev.camera_in_type[k], i));
            jadd(o, kAlarmInState[k], bit(ev.camera_in_state[k], i));
            jadd_text(o, kAlarmOutName[k], out_names[k][i].name);
            jadd(o, kAlarmOutDelay[k], out_names[k][i].delay_time);
            jadd(o, kAlarmOutType[k], bit(ev.camera_out_type[k], i));
            jadd(o, kAlarmOutState[k], bit(ev.camera_out_state[k], i));
        }
        json_object_array_add(cameras, o);
    }

    auto ins = std::make_unique<AlarmInRecord[]>(kAlarmIns);
    int count = 0;
    read_alarm_ins(kMainDb, ins.get(), &count);
    json_object* in_list = json_object_new_array();
    jadd_value(reply.get(), "alarmIn", in_list);
    for (int j = 0; j < alarm_ins && j < kAlarmIns; j++) {
        json_object* o = json_object_new_object();
        jadd(o, "id", j);
        jadd_text(o, "name", ins[j].name);
        jadd(o, "type", ins[j].type);
        jadd(o, "state", int(ev.alarm_ins >> j & 1));
        json_object_array_add(in_list, o);
    }

    auto outs = std::make_unique<AlarmOutRecord[]>(kAlarmOuts);
    read_alarm_outs(kMainDb, outs.get(), &count);
    json_object* out_list = json_object_new_array();
    jadd_value(reply.get(), "alarmOut", out_list);
    for (int j = 0; j < alarm_outs && j < kAlarmOuts; j++) {
        json_object* o = json_object_new_object();
        jadd(o, "id", j);
        jadd_text(o, "name", outs[j].name);
        jadd(o, "type", outs[j].type);
        jadd(o, "duration", outs[j].duration);
        jadd(o, "state", int(ev.alarm_outs >> j & 1));
        json_object_array_add(out_list, o);
    }
    return finish(reply.get());
}

int status_events(const char*) { return query<status_events_reply>(kMsgEventStatus, kReplyEventStatus); }

int status_disk_space_reply(const KxFrameHeader* header, const void* payload)
{
    DiskSpaceRecord d;
    if (!record_at(payload, header->length, 0, &d)) return core_reply_short(kReplyJson);
    JsonPtr reply = jobject();
    jadd(reply.get(), "total", d.total);
    jadd(reply.get(), "free", d.free);
    jadd(reply.get(), "used", d.used);
    return finish(reply.get());
}

int status_disk_space(const char*) { return query<status_disk_space_reply>(kMsgDiskSpace, kReplyDiskSpace); }

int status_support_reply(const KxFrameHeader* header, const void* payload)
{
    auto whole = std::make_unique<ChannelSupportRecord>();
    const ChannelSupportRecord& rec = *whole;
    if (!record_at(payload, header->length, 0, whole.get())) return core_reply_short(kReplyJson);
    char support[kStatusChannels + 1], type[kStatusChannels + 1];
    for (int i = 0; i < kStatusChannels; i++) {
        const ChannelSupportEntry& e = rec.channels[i];
        support[i] = e.supported == 1 ? '1' : '0';
        type[i] = e.type == 1 ? '1' : e.type == 2 ? '2' : '0';
    }
    support[kStatusChannels] = type[kStatusChannels] = '\0';
    JsonPtr reply = jobject();
    jadd(reply.get(), "support", support);
    jadd(reply.get(), "type", type);
    return finish(reply.get());
}

int status_support(const char*) { return query<status_support_reply>(kMsgChannelSupport, kReplyChannelSupport); }

int status_users_reply(const KxFrameHeader* header, const void* payload)
{
    const size_t count = record_count<OnlineUserRecord>(header->length);
    if (count == 0) return core_reply_short(kReplyJson);
    JsonPtr list = jarray();
    for (size_t i = 0; i < count; i++) {
        OnlineUserRecord u;
        if (!record_at(payload, header->length, i, &u)) break;
        json_object* o = json_object_new_object();
        jadd_text(o, "userName", u.user_name);
        jadd(o, "userLevel", u.user_level);
        jadd_text(o, "ipaddr", u.ipaddr);
        jadd_text(o, "loginTime", u.login_time);
        json_object_array_add(list.get(), o);
    }
    return finish(list.get());
}

int status_users(const char*) { return query<status_users_reply>(kMsgOnlineUsers, kReplyOnlineUsers); }

int status_none(const char*) { return 0; }
