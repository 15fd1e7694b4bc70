// Recording download as an AVI stream, synchronous playback, stream
// addresses and ports, and the small playback requests that only log.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>

#include "common/core.h"
#include "common/decimal_text.h"
#include "common/export_writer.h"
#include "common/json.h"
#include "platform/paths.h"
#include "common/reply.h"
#include "handlers/playback/download_records.h"
#include "handlers/playback/playback.h"
#include "handlers/playback/playback_records.h"
#include "handlers/shared/reply_flow.h"

namespace {

constexpr u32 kMsgDownload = 1173;
constexpr u32 kMsgDownloadEnd = 1178;
constexpr u32 kMsgStopAll = 1902;
constexpr u32 kMsgSyncPlay = 3109;
constexpr u32 kMsgAddresses = 3503;
constexpr u32 kMsgPorts = 3506;
constexpr u32 kMsgBusy = 4011;

// Reply codes of the queries above.
constexpr u32 kReplyDownloadFrame = 6173;  // FrameChunk, one per reply of the stream
constexpr u32 kReplySyncPlay = 8103;       // SyncSession
constexpr u32 kReplyAddresses = 8503;      // ChannelAddress list
constexpr u32 kReplyPorts = 8506;          // ExternalPorts
constexpr u32 kReplyBusy = 9011;           // PlaybackValue: 0 = not busy

constexpr int kLogOpen = 209;
constexpr int kLogChannel205 = 205;
constexpr int kLogChannel218 = 218;
constexpr int kMaxDownloadChannel = 15;
constexpr const char* kBusyMarker = "/tmp/pbdownload";

void pause_ms(long ms)
{
    struct timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

bool marker_exists()
{
    return access(nvr_path(kBusyMarker).c_str(), F_OK) == 0;
}

// "2023-05-01T10:00:00Z" read as local time: false when it is not that form.
bool parse_download_time(const char* text, struct tm* out, time_t* seconds)
{
    std::memset(out, 0, sizeof *out);
    if (!text || !strptime(text, "%Y-%m-%dT%H:%M:%SZ", out)) return false;
    out->tm_isdst = -1;
    *seconds = mktime(out);
    return *seconds != time_t(-1);
}

// "%d_%d_%d_%d_%d_%d_%d": the parts of the time and its seconds.
void time_name(const struct tm& t, time_t seconds, char* out, size_t size)
{
    std::snprintf(out, size, "%d_%d_%d_%d_%d_%d_%lld", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                  t.tm_min, t.tm_sec, static_cast<long long>(seconds));
}

template <size_t N>
void payload_time(const struct tm& t, char (&field)[N])
{
    char text[64];
    std::snprintf(text, sizeof text, "%d-%d-%d %d:%d:%d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                  t.tm_min, t.tm_sec);
    set_text(field, text);
}

// A decimal channel id 0..15.
bool channel_text(const char* request, int* channel)
{
    return decimal_text(request, channel) && *channel >= 0 && *channel <= kMaxDownloadChannel;
}

// Waits for the end of a download: the last frame, the writer's end (the
// client has gone, or the daemon has been silent for a minute), or the
// daemon's end of the connection.
void wait_for_stream_end(const DownloadStream& stream)
{
    while (!stream.end && export_writer_running() && !kx_sock_closed()) pause_ms(40);
}

}  // namespace

// ---- download ----

int playback_download(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jhas(r, "id") || !jstr(r, "startTime") || !jstr(r, "endTime")) return 0;
    const int channel = jint(r, "id");
    if (channel < 0 || channel > kMaxDownloadChannel) return 0;
    if (marker_exists()) return cgi_reply(kReplyText, "BUSY NOW");

    struct tm start_tm, end_tm;
    time_t start = 0, end = 0;
    if (!parse_download_time(jstr(r, "startTime"), &start_tm, &start) ||
        !parse_download_time(jstr(r, "endTime"), &end_tm, &end))
        return 0;
    char start_name[96], end_name[96], file_name[256];
    time_name(start_tm, start, start_name, sizeof start_name);
    time_name(end_tm, end, end_name, sizeof end_name);
    std::snprintf(file_name, sizeof file_name, "%lldDDD%s-%s_%d.avi", static_cast<long long>(1LL << channel),
                  start_name, end_name, channel);

    playback_send_log(kLogOpen, channel + 1);

    DownloadRequest d = zeroed<DownloadRequest>();
    d.channel = channel;
    d.stream_type = jint(r, "streamType");
    payload_time(start_tm, d.start_time);
    payload_time(end_tm, d.end_time);

    std::printf("Content-Type:application/octet-stream\r\n");
    std::printf("Content-Disposition: attachment; filename= %s\r\n\r\n", file_name);
    std::fflush(stdout);
    // Recording must not suffer from a download; a client that hangs up
    // makes the writes fail (EPIPE) instead of killing the run.
    setpriority(PRIO_PROCESS, 0, 19);
    std::signal(SIGPIPE, SIG_IGN);

    KxAvi* avi = nullptr;
    if (export_writer_open(stdout, &avi) == 0) {
        DownloadStream stream{avi, {0}};
        const CoreAnswer answer = core_answer<download_frame_reply>(stream, {kReplyDownloadFrame});
        CoreExchange exchange;
        core_request_answer(exchange, answer, kMsgDownload, sizeof d, &d, 0);
        wait_for_stream_end(stream);
        // No frame reply runs once the session has ended, so the writer can
        // be closed without one racing it.
        core_release(exchange);
        export_writer_close(avi);
    }
    std::fflush(stdout);
    return 0;
}

// One chunk of the download stream. The end of the stream (its last reply,
// an abort, or a frame that could not be queued) ends the handler's wait.
int download_frame_reply(DownloadStream& stream, const KxFrameHeader* header, const void* payload)
{
    if (header->length < kFrameChunkHead) return 0;  // not even a chunk's fields
    const auto* p = static_cast<const u8*>(payload);
    MediaFrameHeader frame;
    i32 offset = 0, length = 0;
    std::memcpy(&frame, p, sizeof frame);
    std::memcpy(&offset, p + offsetof(FrameChunk, chunk_offset), sizeof offset);
    std::memcpy(&length, p + offsetof(FrameChunk, chunk_length), sizeof length);

    bool end = false;
    if (!stream.avi || length == kChunkEnd) {
        end = true;
    } else if (length < 0) {
        export_writer_stop();  // the daemon gave the stream up
        end = true;
    } else {
        u32 n = u32(length);
        const u32 arrived = header->length - u32(kFrameChunkHead);
        if (n > arrived) n = arrived;  // never past the reply
        if (export_writer_put(&frame, p + kFrameChunkHead, offset, i32(n)) != 0) end = true;
    }
    if (end) {
        stream.end = 1;
        core_reply_finish(1);
    }
    return 0;
}

int download_busy(const char*)
{
    JsonPtr reply = jobject();
    jadd(reply.get(), "isOK", marker_exists() ? 0 : 1);
    return json_reply(kReplyText, reply.get());
}

int download_end(const char*)
{
    unlink(nvr_path(kBusyMarker).c_str());
    core_notify(kMsgDownloadEnd, nullptr, 0);
    return cgi_reply_ok();
}

int playback_stop_all(const char*)
{
    core_notify(kMsgStopAll, nullptr, 0);
    return cgi_reply_ok();
}

// ---- synchronous playback ----

int sync_play(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    SyncPlayRequest s = zeroed<SyncPlayRequest>();
    for (int i = 0; i < 8; i++) {
        char key[8];
        std::snprintf(key, sizeof key, "mask%d", i);
        if (!jhas(r, key)) return 0;
        s.masks[i] = jint(r, key);
    }
    const char* text = jstr(r, "playTime");
    struct tm t = {};
    if (!text || !strptime(text, "%Y-%m-%d %H:%M:%S", &t)) return 0;
    t.tm_isdst = -1;
    const time_t seconds = mktime(&t);
    if (seconds < 0) return 0;
    s.play_seconds = i32(seconds);
    set_text(s.play_time, text);

    SyncPlaySession session{0, -1, ""};
    const CoreAnswer answer = core_answer<sync_session_reply>(session, {kReplySyncPlay});
    CoreExchange exchange;
    core_request_answer(exchange, answer, kMsgSyncPlay, sizeof s, &s, 0);
    const int answered = exchange.done();
    core_release(exchange);
    if (!answered || session.state != 1) return cgi_reply_error(kReplyJson);

    playback_ask_stream(session.sid, session.play_time);
    playback_send_log(kLogOpen, 0);
    return 0;
}

// The handler acts on the session: no reply is written here. A reply
// without its record names no session, so it counts as a refusal.
int sync_session_reply(SyncPlaySession& session, const KxFrameHeader* header, const void* payload)
{
    SyncSession s;
    if (record_at(payload, header->length, 0, &s) && s.result == 0) {
        session.sid = s.sid;
        set_text(session.play_time, text_of(s.play_time).s);
        session.state = 1;
    } else {
        session.state = -1;
    }
    core_reply_finish(1);
    return 0;
}

// ---- addresses, ports, busy state ----

int stream_addresses(const char*)
{
    core_ask<stream_addresses_reply>(kMsgAddresses, nullptr, 0, kReplyJson, {kReplyAddresses});
    return 0;
}

int stream_addresses_reply(const KxFrameHeader* header, const void* payload)
{
    JsonPtr list = jarray();
    const size_t n = record_count<ChannelAddress>(header->length);
    for (size_t i = 0; i < n; i++) {
        ChannelAddress a;
        if (!record_at(payload, header->length, i, &a)) break;
        JsonPtr item = jobject();
        JsonPtr ipc = jobject();
        jadd_text(ipc.get(), "main", a.main_rtsp);
        jadd_text(ipc.get(), "sub", a.sub_rtsp);
        JsonPtr nvr = jobject();
        json_object* o = nvr.get();
        jadd_text(o, "mainUsername", a.main_user);
        jadd_text(o, "mainPassword", a.main_password);
        jadd(o, "mainPort", a.main_port);
        jadd(o, "mainExternalPort", a.main_external_port);
        jadd(o, "mainDDNSPort", a.main_ddns_port);
        jadd_text(o, "mainResPath", a.main_res_path);
        jadd(o, "mainExternalHttpPort", a.main_external_http_port);
        jadd(o, "mainDDNSHttpPort", a.main_ddns_http_port);
        jadd_text(o, "subUsername", a.sub_user);
        jadd_text(o, "subPassword", a.sub_password);
        jadd(o, "subPort", a.sub_port);
        jadd(o, "subExternalPort", a.sub_external_port);
        jadd(o, "subDDNSPort", a.sub_ddns_port);
        jadd_text(o, "subResPath", a.sub_res_path);
        jadd(o, "subExternalHttpPort", a.sub_external_http_port);
        jadd(o, "subDDNSHttpPort", a.sub_ddns_http_port);
        jadd_value(item.get(), "ipc", ipc.release());
        jadd_value(item.get(), "nvr", nvr.release());
        json_object_array_add(list.get(), item.release());
    }
    // No record: an empty list, so that the client still gets a reply.
    JsonPtr reply = jobject();
    jadd_value(reply.get(), "rtspaddr", list.release());
    return core_reply_json(reply.get());
}

int external_ports(const char*)
{
    core_ask<external_ports_reply>(kMsgPorts, nullptr, 0, kReplyJson, {kReplyPorts});
    return 0;
}

int external_ports_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<ExternalPorts>(header, payload, kReplyJson, [](json_object* o, const ExternalPorts& p) {
        jadd(o, "upnp_extern_port", p.upnp_port);
        jadd(o, "ddns_extern_port", p.ddns_port);
    });
}

int playback_busy(const char*)
{
    core_ask<playback_busy_reply>(kMsgBusy, nullptr, 0, kReplyJson, {kReplyBusy});
    return 0;
}

int playback_busy_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<PlaybackValue>(header, payload, kReplyJson, [](json_object* o, const PlaybackValue& v) {
        jadd(o, "status", v.value != 0 ? "BUSY" : "OK");
    });
}

// ---- requests that only log ----

int playback_log_205(const char* request)
{
    int channel = 0;
    if (!channel_text(request, &channel)) return 0;
    playback_send_log(kLogChannel205, channel + 1);
    return cgi_reply_ok();
}

int playback_channel_ok(const char* request)
{
    int channel = 0;
    if (!channel_text(request, &channel)) return 0;
    return cgi_reply_ok();
}

int playback_log_218(const char* request)
{
    int channel = 0;
    if (!channel_text(request, &channel)) return 0;
    playback_send_log(kLogChannel218, channel + 1);
    return cgi_reply_ok();
}
