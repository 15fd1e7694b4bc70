// Live-stream addresses, the playback log request, and transcoding.
#include "common/core.h"
#include "common/decimal_text.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/playback/playback.h"
#include "handlers/playback/playback_records.h"
#include "handlers/shared/reply_flow.h"

namespace {

constexpr u32 kMsgLiveAddress = 3500;
constexpr u32 kMsgLiveStop = 1901;
constexpr u32 kMsgTranscode = 1176;
constexpr u32 kMsgTranscodeState = 1177;

// Reply codes of the queries above.
constexpr u32 kReplyLiveAddress = 8500;     // LiveStream
constexpr u32 kReplyTranscode = 6176;       // TranscodeState
constexpr u32 kReplyTranscodeState = 6177;  // TranscodeState

constexpr int kLogLive = 208;
constexpr int kMaxLiveChannel = 15;

// "id" 0..15, "streamType" and "streamFrom" 0 or 1.
bool live_request(const char* request, LiveRequest* out)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return false;
    out->channel = jint(r, "id");
    out->stream_type = jint(r, "streamType");
    out->stream_source = jint(r, "streamFrom");
    return out->channel >= 0 && out->channel <= kMaxLiveChannel && (out->stream_type == 0 || out->stream_type == 1) &&
           (out->stream_source == 0 || out->stream_source == 1);
}

}  // namespace

int live_address(const char* request)
{
    LiveRequest live;
    if (!live_request(request, &live)) return 0;
    // The handler logs the record's channel once the address was given.
    LiveGiven given{false, 0};
    core_ask<live_address_reply>(kMsgLiveAddress, &live, sizeof live, given, kReplyJson, {kReplyLiveAddress});
    if (given.given) playback_send_log(kLogLive, given.channel + 1);
    return 0;
}

int live_address_reply(LiveGiven& live, const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<LiveStream>(header, payload, kReplyJson, [&](json_object* o, const LiveStream& s) {
        if (s.result < 0) {
            jadd(o, "status", "ERROR");
            return;
        }
        jadd(o, "status", "OK");
        jadd(o, "port", s.port);
        jadd(o, "direct", s.direct);
        jadd_text(o, "rtspAddr", s.rtsp_addr);
        jadd_text(o, "resPath", s.res_path);
        live.channel = s.channel;
        live.given = true;
    });
}

int live_stop(const char* request)
{
    LiveRequest live;
    if (!live_request(request, &live)) return 0;
    live.stream_source = 0;
    core_notify(kMsgLiveStop, live);
    return cgi_reply_ok();
}

int playback_log(const char* request)
{
    int channel = 0;
    if (!decimal_text(request, &channel) || channel < 0 || channel > kMaxLiveChannel) return 0;
    playback_send_log(kLogLive, channel + 1);
    return cgi_reply_ok();
}

// ---- transcoding ----

int transcode_start(const char* request)
{
    return ask_with_request<transcode_reply>(
        request, kMsgTranscode, kReplyJson, {kReplyTranscode}, BadRequest::kError, [](json_object* r) {
            return TranscodeRequest{jint(r, "ch"),        jint(r, "sid"),     jint(r, "trancodingmode"),
                                    jint(r, "framesize"), jint(r, "bitrate"), jint(r, "framerate")};
        });
}

int transcode_state(const char* request)
{
    return ask_with_request<transcode_state_reply>(
        request, kMsgTranscodeState, kReplyJson, {kReplyTranscodeState}, BadRequest::kError,
        [](json_object* r) { return TranscodeQuery{jint(r, "ch"), jint(r, "sid")}; });
}

namespace {

int transcode_answer(const KxFrameHeader* header, const void* payload, bool with_status)
{
    return core_reply_object<TranscodeState>(header, payload, kReplyJson, [=](json_object* o, const TranscodeState& s) {
        jadd(o, "ch", s.channel);
        jadd(o, "sid", s.sid);
        jadd(o, "state", s.state);
        if (with_status) jadd(o, "status", "OK");
    });
}

}  // namespace

int transcode_reply(const KxFrameHeader* header, const void* payload)
{
    return transcode_answer(header, payload, true);
}

int transcode_state_reply(const KxFrameHeader* header, const void* payload)
{
    return transcode_answer(header, payload, false);
}
