// A camera's streams: capabilities and current encoding, the encoding of one
// or several channels, the stream transport and time sync, the third stream,
// the watermark and the stream query. The encoding lives in the camera: the
// core daemon reads and applies it, these handlers translate.
#include <cstdio>
#include <cstring>
#include <string>

#include "handlers/camera/camera.h"
#include "handlers/camera/camera_records.h"
#include "handlers/camera/camera_request.h"
#include "handlers/camera/stream_records.h"

namespace {

constexpr u32 kMsgWatermarkGet = 1213, kMsgWatermarkSet = 1216;
constexpr u32 kMsgThirdStreamGet = 1217, kMsgThirdStreamSet = 1218;
constexpr u32 kMsgStreamSet = 3203, kMsgStreamCaps = 3204, kMsgStreamQuery = 3360;
// Reply codes of the queries above.
constexpr u32 kReplyWatermarkGet = 6213, kReplyWatermarkSet = 6216;
constexpr u32 kReplyThirdStreamGet = 6217, kReplyThirdStreamSet = 6218;
constexpr u32 kReplyStreamSet = 8203, kReplyStreamCaps = 8204, kReplyStreamQuery = 8360;
// "/2009" serves the channels of a 16-channel page.
constexpr int kMaxPageChannel = 15;

// The keys of the third stream after its channel.
constexpr IntKey<ThirdStreamRecord> kThirdStreamKeys[] = {
    {"enable", &ThirdStreamRecord::enable},
    {"framerate", &ThirdStreamRecord::framerate},
    {"bitrate", &ThirdStreamRecord::bitrate},
    {"iframeinterval", &ThirdStreamRecord::iframe_interval},
};

// An encoding change with every field "leave as it is" (-1) and the zero
// fields zero.
StreamSettingRecord blank_setting()
{
    StreamSettingRecord s;
    std::memset(&s, 0xff, sizeof s);
    std::memset(s.channels, '0', sizeof s.channels);
    std::memset(s.zero0, 0, sizeof s.zero0);
    s.zero1 = 0;
    s.zero2 = 0;
    return s;
}

// The request keys of the codec, resolution, rates and I-frame interval of
// the main and the sub stream.
constexpr IntKey<StreamEncoding> kMainEncodingKeys[] = {
    {"mainVideoType", &StreamEncoding::codec},     {"mainResWidth", &StreamEncoding::width},
    {"mainResHeight", &StreamEncoding::height},    {"mainFramerate", &StreamEncoding::framerate},
    {"mainBitrate", &StreamEncoding::bitrate},     {"IframeInterval", &StreamEncoding::iframe_interval},
};
constexpr IntKey<StreamEncoding> kSubEncodingKeys[] = {
    {"subVideoType", &StreamEncoding::codec},      {"subResWidth", &StreamEncoding::width},
    {"subResHeight", &StreamEncoding::height},     {"subFramerate", &StreamEncoding::framerate},
    {"subBitrate", &StreamEncoding::bitrate},      {"subIframeInterval", &StreamEncoding::iframe_interval},
};

// The encodings of both streams, with the request's bitrate-control keys.
void set_encodings(json_object* r, StreamSettingRecord& s, const char* main_control, const char* sub_control)
{
    jint_fields(r, s.main, kMainEncodingKeys);
    s.main.bitrate_control = jint(r, main_control);
    jint_fields(r, s.sub, kSubEncodingKeys);
    s.sub.bitrate_control = jint(r, sub_control);
}

// The checks of a one-channel encoding change.
bool valid_stream_set(json_object* r)
{
    if (!has_channel(r, "id")) return false;
    for (const char* key : {"mainFramerate", "mainBitrate", "mainResWidth", "mainResHeight"})
        if (!jhas(r, key) || jint(r, key) < 0) return false;
    return jhas(r, "subEnable") && jint_required_in(r, "audioEnable", 0, 1);
}

// One stream's offer: "curRes" (the slot of the current resolution,
// counting empty slots too), the resolutions offered, the limits and the
// current rates.
JsonPtr stream_offer(const StreamCaps& c)
{
    int cur = 0;
    for (int i = 0; i < kStreamResSlots; i++) {
        const StreamRes& s = c.res[i];
        if (s.width == 0 || s.height == 0) continue;
        if (s.width == c.cur_width && s.height == c.cur_height) cur = i;
    }
    JsonPtr o = jobject();
    json_object* m = o.get();
    jadd(m, "curRes", cur);
    JsonPtr res = jarray();
    for (const StreamRes& s : c.res) {
        if (s.width == 0 || s.height == 0) continue;
        char name[32];
        std::snprintf(name, sizeof name, "%d*%d", s.width, s.height);
        JsonPtr e = jobject();
        jadd(e.get(), "width", s.width);
        jadd(e.get(), "height", s.height);
        jadd(e.get(), "name", name);
        json_object_array_add(res.get(), e.release());
    }
    jadd_value(m, "res", res.release());
    jadd(m, "framerateMax", c.framerate_max);
    jadd(m, "framerateMin", c.framerate_min);
    jadd(m, "bitrateMax", c.bitrate_max);
    jadd(m, "bitrateMin", c.bitrate_min);
    jadd(m, "framerate", c.framerate);
    jadd(m, "bitrate", c.bitrate);
    jadd(m, "iframeinterval", c.iframe_interval);
    return o;
}

}  // namespace

int stream_caps_get(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jint_required_in(r, "chnid", 0, kMaxPageChannel)) return cgi_reply_error(kReplyJson);
    const i32 chnid = jint(r, "chnid");
    core_ask<stream_caps_reply>(kMsgStreamCaps, &chnid, sizeof chnid, kReplyJson, {kReplyStreamCaps});
    return 0;
}

int stream_caps_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<StreamCapsRecord>(header, payload, kReplyJson, [](json_object* j, const auto& c) {
        // The channel's name and the stored camera it names (a channel outside
        // the store reads as an empty one).
        StoredChannel stored;
        read_stored_channel(c.id, &stored);
        const CameraRecord& cam = stored.cam;
        jadd(j, "stateCode", c.state_code);
        jadd(j, "id", c.id);
        jadd(j, "name", stored.name);
        jadd(j, "subEnable", c.sub_enable);
        jadd(j, "audioEnable", c.audio_enable);
        jadd(j, "videoTypeEnable", c.video_type_enable);
        jadd(j, "mainVideoType", c.main.codec);
        jadd(j, "subVideoType", c.sub.codec);
        jadd(j, "ipc_type", c.ipc_type);
        jadd(j, "syncTime", cam.sync_time);
        jadd(j, "protocol", stored.model.protocol);
        jadd(j, "managePort", cam.manage_port);
        jadd(j, "physicalport", cam.physical_port);
        jadd(j, "poechannel", cam.poe_channel);
        jadd_text(j, "mac_addr", cam.mac);
        jadd(j, "transmitProtocol", cam.transmit);
        jadd_text(j, "ddns", cam.ddns);
        jadd(j, "subStream", c.sub_stream);
        jadd(j, "SupportSmartStream", c.support_smart_stream);
        jadd(j, "SmartStream", c.smart_stream);
        jadd(j, "SmartStreamLevel", c.smart_stream_level);
        jadd(j, "SubSmartStream", c.sub_smart_stream);
        jadd(j, "SubSmartStreamLevel", c.sub_smart_stream_level);
        jadd_value(j, "main", stream_offer(c.main).release());
        jadd_value(j, "sub", stream_offer(c.sub).release());
    });
}

int stream_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!valid_stream_set(r)) return 0;

    StreamSettingRecord s = blank_setting();
    s.channels[jint(r, "id")] = '1';
    s.video_type_enable = jint(r, "videoTypeEnable");
    s.sub_enable = jint(r, "subEnable");
    s.fisheye_type = jint(r, "fisheyeType");
    set_encodings(r, s, "bitrateControl", "SubBitrateControl");
    s.main.smart_stream = jint(r, "SmartStream");
    s.main.smart_level = jint(r, "SmartStreamLevel");
    s.record_type = jint(r, "recordtype");
    s.event_framerate = jint(r, "etframerate");
    s.event_iframe_interval = jint(r, "etIframeinterval");
    s.event_bitrate = jint(r, "etbitrate");
    s.sub.smart_stream = jint(r, "SubSmartStream");
    s.sub.smart_level = jint(r, "SubSmartStreamLevel");

    const int error_kind = kReplyText;
    core_ask<stream_set_reply>(kMsgStreamSet, &s, sizeof s, error_kind, error_kind, {kReplyStreamSet});
    return 0;
}

int stream_set_many(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;

    StreamSettingRecord s = blank_setting();
    json_object* chans = jarray_of(r, "chans");
    const int n = jarray_length(chans);
    for (int i = 0; i < n && i < kMaxCameras; i++)
        if (json_object_get_int(json_object_array_get_idx(chans, size_t(i))) != 0) s.channels[i] = '1';
    s.transport = jint(r, "transmitProtocol");
    s.sync_time = jint(r, "syncTime");
    s.video_type_enable = 1;
    s.sub_enable = jint(r, "subEnable");
    s.fisheye_type = 0;
    set_encodings(r, s, "mainBitrateControl", "subBitrateControl");

    const int error_kind = kReplyJson;
    core_ask<stream_set_reply>(kMsgStreamSet, &s, sizeof s, error_kind, error_kind, {kReplyStreamSet});
    return 0;
}

int stream_set_reply(const int& error_kind, const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<StreamSettingResult>(header, payload, error_kind, [](json_object* j, const auto& res) {
        ChannelText text;
        channel_text_of_mask(mask64(res.low, res.high), text);
        jadd(j, "res", text);
    });
}

int stream_transport_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    // The two numbers are stored as given. A channel the store has no row
    // for cannot be changed: the client is told, and nothing is sent.
    if (!r) return 0;
    return edit_camera(jint(r, "id"), r, [](CameraRecord& cam, json_object* change) {
        cam.transmit = jint(change, "transmitProtocol");
        cam.sync_time = jint(change, "syncTime");
    });
}

int third_stream_get(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!has_channel(r, "chnid")) return cgi_reply_error(kReplyJson);
    const ThirdStreamQuery q{jint(r, "chnid"), jint(r, "fisheyeType")};
    core_ask<third_stream_get_reply>(kMsgThirdStreamGet, &q, sizeof q, kReplyJson, {kReplyThirdStreamGet});
    return 0;
}

int third_stream_get_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<ThirdStreamRecord>(header, payload, kReplyJson, [](json_object* j, const auto& t) {
        jadd(j, "chnid", t.channel);
        jadd_fields(j, t, kThirdStreamKeys);
    });
}

int third_stream_set(const char* request)
{
    const CoreAnswer answer = core_answer<core_reply_int>(kCoreResReply, {kReplyThirdStreamSet});
    return channel_write<ThirdStreamRecord>(request, "chnid", answer, kMsgThirdStreamSet,
                                            [](json_object* r, i32 chnid, ThirdStreamRecord& t) {
        t.channel = chnid;
        jint_fields(r, t, kThirdStreamKeys);
    });
}

int watermark_get(const char* request)
{
    return ask_channel(request, "chnid", kReplyJson, core_answer<watermark_get_reply>({kReplyWatermarkGet}),
                       kMsgWatermarkGet, kReplyJson);
}

int watermark_get_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<WatermarkRecord>(header, payload, kReplyJson, [](json_object* j, const auto& w) {
        jadd(j, "chnid", w.channel);
        jadd(j, "enable", w.enable);
        jadd_text(j, "watermark", w.text);
    });
}

int watermark_set(const char* request)
{
    const CoreAnswer answer = core_answer<core_reply_int>(kCoreResReply, {kReplyWatermarkSet});
    return channel_write<WatermarkSetRecord>(request, "chnid", answer, kMsgWatermarkSet,
                                             [](json_object* r, i32 chnid, WatermarkSetRecord& w) {
        w.channel = chnid;
        w.enable = jint(r, "enable");
        jtext(r, "watermark", w.text);
        jtext(r, "copy", w.copy);
        // The channel itself is always among the copies. A copy text that
        // ends before it is filled up with "0", so that its mark is not
        // hidden behind the text's end.
        for (int i = int(strnlen(w.copy, sizeof w.copy)); i < w.channel; i++) w.copy[i] = '0';
        w.copy[w.channel] = '1';
    });
}

int stream_query(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!has_channel(r, "chnid")) return cgi_reply_error(kReplyText);
    StreamQueryRecord q = zeroed<StreamQueryRecord>();
    q.channel = jint(r, "chnid");
    q.main_type = jint(r, "mainType");
    q.sub_type = jint(r, "subType");
    jtext(r, "time", q.time);
    core_ask<stream_query_reply>(kMsgStreamQuery, &q, sizeof q, kReplyText, {kReplyStreamQuery});
    return 0;
}

int stream_query_reply(const KxFrameHeader* header, const void* payload)
{
    if (header->length == 0) return core_reply_short(kReplyText);
    // The reply is text of the reply's length, not necessarily terminated;
    // it ends at its first NUL if it has one.
    const std::string text(static_cast<const char*>(payload), strnlen(static_cast<const char*>(payload), header->length));
    return finish_text(text.c_str());
}
