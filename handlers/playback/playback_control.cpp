// Control of running playback sessions: close, session lists, direction,
// speed and jump.
#include <algorithm>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/playback/playback.h"
#include "handlers/playback/playback_records.h"
#include "handlers/shared/reply_flow.h"

namespace {

constexpr u32 kMsgReleaseSessions = 1160;
constexpr u32 kMsgSessionEnd = 1903;
constexpr u32 kMsgClose = 1164;
constexpr u32 kMsgList1165 = 1165;
constexpr u32 kMsgDirection = 1166;
constexpr u32 kMsgList1170 = 1170;
constexpr u32 kMsgSessionSpeed = 1112;
constexpr u32 kMsgList1113 = 1113;
constexpr u32 kMsgChannelSpeed = 1149;
constexpr u32 kMsgSidSpeed = 1167;
constexpr u32 kMsgJump = 1171;
constexpr u32 kReplyJump = 6171;  // PlaybackValue: 0 = done

// Number of entries of a JSON array member (0 when absent or not an array).
int array_length(json_object* o, const char* key)
{
    return int(jarray_size(jget(o, key)));
}

// Entry i of a JSON array member as an integer (0 past its end).
int array_int(json_object* o, const char* key, int i)
{
    return i < 0 ? 0 : json_object_get_int(jarray_at(jget(o, key), size_t(i)));
}

// Copies the integers of a JSON array member into `out`, at most 64.
// Returns the number taken.
int take_ints(json_object* o, const char* key, i32 (&out)[kMaxSessions])
{
    const int n = std::min(array_length(o, key), kMaxSessions);
    for (int i = 0; i < n; i++) out[i] = array_int(o, key, i);
    return n;
}

// The session list of a request: entry i of the array goes to entry i of the
// list. The count is "num", but never more than the entries the list holds:
// a count past them would name sessions (0, the zero-filled entries) that
// the client did not send.
SessionList session_list(json_object* r, const char* key, bool with_count = true)
{
    SessionList list = zeroed<SessionList>();
    const int taken = take_ints(r, key, list.sids);
    if (with_count) list.count = std::clamp(jint(r, "num"), 0, taken);
    return list;
}

// Mask with '1' for each of the first "num" entries of an array that lie in
// 0..63; '0' elsewhere.
SpeedByChannel speed_mask(json_object* r, const char* key)
{
    SpeedByChannel s = zeroed<SpeedByChannel>();
    std::fill(std::begin(s.mask), std::end(s.mask), '0');
    const int n = std::min(jint(r, "num"), array_length(r, key));
    for (int i = 0; i < n; i++) {
        const int ch = array_int(r, key, i);
        if (ch >= 0 && ch < kMaskChannels) s.mask[ch] = '1';
    }
    s.speed = jint(r, "speed");
    return s;
}

// "chind" must be present and not negative (an array reads as 0).
bool chind_ok(json_object* r) { return jhas(r, "chind") && jint(r, "chind") >= 0; }

// Sends the request's session list (array `key`) as message `code`.
int send_session_list(const char* request, u32 code, const char* key, bool with_count = true)
{
    JsonPtr req = json_parse(request);
    if (!req) return 0;
    core_notify(code, session_list(req.get(), key, with_count));
    return cgi_reply_ok();
}

}  // namespace

int playback_close(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    SessionList list = session_list(r, "sid");
    for (int i = 0; i < list.count; i++) {
        const i32 sid = list.sids[i];
        if (sid >= 0) core_notify(kMsgSessionEnd, sid);
    }
    core_notify(kMsgClose, list);
    if (jint(r, "close") == 1) core_notify(kMsgReleaseSessions, list);
    return cgi_reply_ok();
}

int playback_list_1165(const char* request) { return send_session_list(request, kMsgList1165, "sid"); }

int playback_list_1170(const char* request) { return send_session_list(request, kMsgList1170, "sid"); }

int playback_list_1113(const char* request) { return send_session_list(request, kMsgList1113, "sessionId", false); }

int playback_direction(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    DirectionRequest d{jint(r, "sid"), jint(r, "direction")};
    core_notify(kMsgDirection, d);
    return cgi_reply_ok();
}

int playback_session_speed(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !chind_ok(r)) return 0;
    SessionList list = session_list(r, "sessionId");
    take_ints(r, "speed", list.speeds);
    core_notify(kMsgSessionSpeed, list);
    return cgi_reply_ok();
}

int playback_channel_speed(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !chind_ok(r)) return 0;
    core_notify(kMsgChannelSpeed, speed_mask(r, "chind"));
    return cgi_reply_ok();
}

int playback_sid_speed(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    SpeedByChannel s = speed_mask(r, "sid");
    s.fast = s.speed == 2 && jint(r, "num") == 1 ? 1 : 0;
    core_notify(kMsgSidSpeed, s);
    return cgi_reply_ok();
}

int playback_jump(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    for (const char* key : {"jumpTime", "sid", "chnid", "num"})
        if (!jhas(r, key)) return 0;
    // Only pairs the client sent are jumped: "num" beyond the arrays would
    // add channel 0 / session 0 entries it never named.
    const int count = std::min({jint(r, "num"), kMaxSessions, array_length(r, "sid"), array_length(r, "chnid")});
    if (count < 1) return cgi_reply_error(kReplyJson);

    JumpRequest j = zeroed<JumpRequest>();
    for (int i = 0; i < count; i++) {
        j.channels[i] = array_int(r, "chnid", i);
        j.sids[i] = array_int(r, "sid", i);
    }
    j.count = count;
    jtext(r, "jumpTime", j.jump_time, kJumpTimeTextMax);
    core_ask<jump_reply>(kMsgJump, &j, sizeof j, kReplyJson, {kReplyJump});
    return 0;
}

int jump_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<PlaybackValue>(header, payload, kReplyJson, [](json_object* o, const PlaybackValue& v) {
        jadd(o, "status", v.value == 0 ? "OK" : "ERROR");
    });
}
