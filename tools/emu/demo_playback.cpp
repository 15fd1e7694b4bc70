// Demo answers of the playback area: recordings on the channels that have
// cameras, sessions that open with their session id, live addresses and
// transcoding.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "handlers/playback/playback_records.h"
#include "tools/emu/emu.h"

namespace {

// As in the camera demo, cameras are online on the first eight channels.
constexpr int kDemoCameras = 8;
constexpr int kSectionsPerChannel = 3;

void format_time(time_t seconds, char (&field)[32])
{
    struct tm t;
    gmtime_r(&seconds, &t);
    std::memset(field, 0, sizeof field);
    std::strftime(field, sizeof field, "%Y-%m-%d %H:%M:%S", &t);
}

i32 demo_sid(int channel) { return 100 + channel; }

// Three recordings in the searched time of every searched channel that has
// a camera; the second one is locked and was recorded on motion.
void demo_search(const EmuRequest& req, EmuAnswer& answer)
{
    SearchRequest s;
    std::vector<RecordSection> found;
    time_t start = 0, end = 0;
    if (request_record(req, &s) && demo_parse_time(text_of(s.start_time).s, &start) &&
        demo_parse_time(text_of(s.end_time).s, &end) && end > start) {
        const time_t part = (end - start) / kSectionsPerChannel;
        for (int ch = 0; ch < kDemoCameras; ch++) {
            if (s.mask[ch] != '1') continue;
            for (int i = 0; i < kSectionsPerChannel; i++) {
                RecordSection r = zeroed<RecordSection>();
                r.channel = ch;
                r.sid = demo_sid(ch);
                r.lock = i == 1 ? 1 : 0;
                r.record_type = i == 1 ? 2 : 1;
                format_time(start + i * part, r.start_time);
                format_time(start + i * part + part * 4 / 5, r.end_time);
                found.push_back(r);
            }
        }
    }
    answer.reply_records(6159, found);
}

// Every recording fits on the first page.
void demo_next_page(const EmuRequest&, EmuAnswer& answer)
{
    answer.reply(6161, nullptr, 0);
}

void demo_open(const EmuRequest& req, EmuAnswer& answer)
{
    OpenRequest o;
    const bool ok = request_record(req, &o) && o.channel >= 0 && o.channel < kDemoCameras && o.sid >= 0;
    answer.reply_record(6162, PlaybackValue{ok ? 0 : -1});
}

void demo_stream_info(const EmuRequest& req, EmuAnswer& answer)
{
    PlaybackValue sid{-1};
    request_record(req, &sid);
    SessionStream s = zeroed<SessionStream>();
    s.sid = sid.value;
    s.port = 554;
    s.external_port = 554;
    s.external_http_port = 80;
    std::snprintf(s.source_path, sizeof s.source_path, "/playback/session%d", sid.value);
    answer.reply_record(8502, s);
}

// Sessions play an hour behind the present.
void demo_play_time(const EmuRequest&, EmuAnswer& answer)
{
    answer.reply_record(6153, PlaybackValue{i32(time(nullptr) - 3600)});
}

void demo_jump(const EmuRequest& req, EmuAnswer& answer)
{
    JumpRequest j;
    const bool ok = request_record(req, &j) && j.count > 0;
    answer.reply_record(6171, PlaybackValue{ok ? 0 : -1});
}

void demo_live(const EmuRequest& req, EmuAnswer& answer)
{
    LiveRequest l = {-1, 0, 0};
    request_record(req, &l);
    LiveStream s = zeroed<LiveStream>();
    s.channel = l.channel;
    if (l.channel < 0 || l.channel >= kDemoCameras) {
        s.result = -1;
    } else {
        s.port = 554;
        s.direct = l.stream_source;
        std::snprintf(s.rtsp_addr, sizeof s.rtsp_addr, "rtsp://127.0.0.1:554/ch%02d/%d", l.channel + 1,
                      l.stream_type);
        std::snprintf(s.res_path, sizeof s.res_path, "/live/ch%02d/%s", l.channel + 1,
                      l.stream_type ? "sub" : "main");
    }
    answer.reply_record(8500, s);
}

void demo_transcode(const EmuRequest& req, EmuAnswer& answer)
{
    TranscodeQuery q = {0, 0};
    request_record(req, &q);
    answer.reply_record(req.code + 5000, TranscodeState{q.channel, q.sid, 1});
}

const EmuDemoEntry kPlaybackDemo[] = {
    {1159, demo_search},     {1161, demo_next_page}, {1162, demo_open},      {3502, demo_stream_info},
    {1153, demo_play_time},  {1171, demo_jump},      {3500, demo_live},      {1176, demo_transcode},
    {1177, demo_transcode},
};

}  // namespace

EMU_DEMO_AREA(playback, kPlaybackDemo);
