// Recording search, opening a playback session, and a session's play time.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "common/core.h"
#include "common/decimal_text.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/playback/playback.h"
#include "handlers/playback/playback_records.h"
#include "handlers/shared/reply_flow.h"

namespace {

constexpr u32 kMsgReleaseSessions = 1160;
constexpr u32 kMsgSessionEnd = 1903;
constexpr u32 kMsgSearch = 1159;
constexpr u32 kMsgNextPage = 1161;
constexpr u32 kMsgOpen = 1162;
constexpr u32 kMsgStreamInfo = 3502;
constexpr u32 kMsgPlayTime = 1153;

// Reply codes of the queries above.
constexpr u32 kReplySearch = 6159;      // RecordSection list
constexpr u32 kReplyNextPage = 6161;    // RecordSection list
constexpr u32 kReplyOpen = 6162;        // PlaybackValue: the result
constexpr u32 kReplyStreamInfo = 8502;  // SessionStream
constexpr u32 kReplyPlayTime = 6153;    // PlaybackValue: seconds

constexpr int kLogOpen = 209;
constexpr int kMaxOpenChannel = 15;

// Channels of the device: the device row's count, or `max_cameras` when the
// row is absent (a search must still cover the channels that exist); at
// most the 64 of a channel mask.
int device_channels()
{
    DeviceRow dev;
    int n = 0;
    if (db_get_device(kMainDb, &dev) == 0) n = dev.channels;
    if (n <= 0) n = get_param_int(kMainDb, "max_cameras", 32);
    if (n > kMaskChannels) n = kMaskChannels;
    return n < 0 ? 0 : n;
}

}  // namespace

void playback_send_log(int sub_type, int channel_from_1) { send_change_log(sub_type, 900, channel_from_1); }

// ---- search ----

int playback_search(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    for (const char* key : {"channelId", "sid", "streamType", "time", "endTime"})
        if (!jhas(r, key)) return 0;
    const int channel = jint(r, "channelId"), sid = jint(r, "sid");

    SearchRequest s = zeroed<SearchRequest>();
    const int channels = device_channels();
    for (int i = 0; i < channels; i++) s.mask[i] = i == channel ? '1' : '0';
    s.one = 1;
    s.stream_type = jint(r, "streamType") == 1 ? 1 : 0;
    s.minus_one[0] = s.minus_one[1] = -1;
    jtext(r, "time", s.start_time, kTimeTextMax);
    jtext(r, "endTime", s.end_time, kTimeTextMax);

    if (sid >= 0) {
        // The client's previous session is let go before the new search.
        SessionList list = zeroed<SessionList>();
        list.sids[0] = sid;
        list.count = 1;
        core_notify(kMsgReleaseSessions, list);
        const i32 id = sid;
        core_notify(kMsgSessionEnd, id);
    }
    core_ask<search_reply>(kMsgSearch, &s, sizeof s, kReplyJson, {kReplySearch});
    return 0;
}

int playback_next_page(const char* request)
{
    return ask_with_request<search_reply>(request, kMsgNextPage, kReplyJson, {kReplyNextPage}, BadRequest::kNoAnswer,
                                          [](json_object* r) { return PageRequest{jint(r, "sid"), jint(r, "page")}; });
}

int search_reply(const KxFrameHeader* header, const void* payload)
{
    const size_t n = record_count<RecordSection>(header->length);
    JsonPtr reply = jobject();
    json_object* o = reply.get();
    if (n == 0) {
        jadd(o, "status", "NO MATCHES");
    } else {
        RecordSection first = zeroed<RecordSection>(), last = zeroed<RecordSection>();
        record_at(payload, header->length, 0, &first);
        record_at(payload, header->length, n - 1, &last);
        jadd(o, "status", "OK");
        jadd(o, "camId", last.channel);
        jadd(o, "sectionNum", int(n));
        jadd(o, "sid", first.sid);
        JsonPtr sections = jarray();
        for (size_t i = 0; i < n; i++) {
            RecordSection rec;
            if (!record_at(payload, header->length, i, &rec)) break;
            JsonPtr s = jobject();
            jadd_text(s.get(), "startTime", rec.start_time);
            jadd_text(s.get(), "endTime", rec.end_time);
            jadd(s.get(), "recordType", rec.record_type);
            jadd(s.get(), "lock", rec.lock);
            json_object_array_add(sections.get(), s.release());
        }
        json_object_object_add(o, "section", sections.release());
    }
    return core_reply_json(o);
}

// ---- open ----

int playback_open(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    for (const char* key : {"channelId", "playTime", "startTime", "endTime", "sid"})
        if (!jhas(r, key)) return 0;
    const int channel = jint(r, "channelId"), sid = jint(r, "sid");
    if (channel < 0 || channel > kMaxOpenChannel) return 0;

    OpenRequest open = zeroed<OpenRequest>();
    open.channel = channel;
    open.sid = sid;
    jtext(r, "startTime", open.start_time, kTimeTextMax);
    jtext(r, "endTime", open.end_time, kTimeTextMax);
    jtext(r, "playTime", open.play_time, kTimeTextMax);

    SessionOpen result{-1};
    const CoreAnswer answer = core_answer<open_reply>(result, {kReplyOpen});
    CoreExchange exchange;
    core_request_answer(exchange, answer, kMsgOpen, sizeof open, &open, 0);
    const int opened = exchange.done();
    core_release(exchange);
    if (opened == 0 || result.value < 0) return cgi_reply_error(kReplyJson);

    playback_ask_stream(sid, open.play_time);
    playback_send_log(kLogOpen, channel + 1);
    return 0;
}

// The open result is the handler's to act on: no reply is written here.
int open_reply(SessionOpen& result, const KxFrameHeader* header, const void* payload)
{
    PlaybackValue v;
    result.value = record_at(payload, header->length, 0, &v) ? v.value : -1;
    core_reply_finish(1);
    return 0;
}

void playback_ask_stream(int sid, const char* play_time)
{
    StreamPlayTime t;
    set_text(t.text, play_time);
    const i32 id = sid;
    core_ask<session_stream_reply>(kMsgStreamInfo, &id, sizeof id, t, kReplyJson, {kReplyStreamInfo});
}

int session_stream_reply(const StreamPlayTime& play_time, const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<SessionStream>(header, payload, kReplyJson, [&](json_object* o, const SessionStream& s) {
        jadd(o, "sessionId", s.sid);
        jadd_text(o, "sourcePath", s.source_path);
        jadd(o, "port", s.port);
        jadd(o, "status", "OK");
        jadd_text(o, "realPlayTime", play_time.text);
        jadd(o, "external_port", s.external_port);
        jadd(o, "external_http_port", s.external_http_port);
        jadd(o, "ddns_port", s.ddns_port);
        jadd(o, "ddns_http_port", s.ddns_http_port);
    });
}

// ---- play time ----

int playback_play_time(const char* request)
{
    int sid = 0;
    if (!decimal_text(request, &sid) || sid < 0) return 0;
    const i32 id = sid;
    core_ask<play_time_reply>(kMsgPlayTime, &id, sizeof id, kReplyJson, {kReplyPlayTime});
    return 0;
}

int play_time_reply(const KxFrameHeader* header, const void* payload)
{
    PlaybackValue v;
    if (!core_reply_record(header, payload, &v)) return 0;
    if (v.value <= 0) return core_reply_short(kReplyJson);
    const time_t seconds = v.value;
    struct tm local;
    char text[32] = "";
    if (localtime_r(&seconds, &local)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    JsonPtr reply = jobject();
    jadd(reply.get(), "status", "OK");
    jadd(reply.get(), "curPlayTime", text);
    return core_reply_json(reply.get());
}
