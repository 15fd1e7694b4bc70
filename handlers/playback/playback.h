// Handlers and reply formatters of the playback module ("/4000" table).
#pragma once

#include <atomic>

#include "platform/kxavi.h"
#include "platform/kxsocket.h"

// Search, sessions and play time.
int playback_search(const char* request);       // "/4000"
int playback_open(const char* request);         // "/4001"
int playback_play_time(const char* request);    // "/4002"
int playback_next_page(const char* request);    // "/4023"

// Session control.
int playback_close(const char* request);         // "/4003"
int playback_list_1165(const char* request);     // "/4004"
int playback_direction(const char* request);     // "/4005"
int playback_list_1170(const char* request);     // "/4006"
int playback_session_speed(const char* request); // "/4007"
int playback_channel_speed(const char* request); // "/4008"
int playback_jump(const char* request);          // "/4009"
int playback_list_1113(const char* request);     // "/3003"
int playback_sid_speed(const char* request);     // "/4022"

// Live stream, logs and transcoding.
int live_address(const char* request);       // "/4010"
int live_stop(const char* request);          // "/4011"
int playback_log(const char* request);       // "/4024"
int transcode_start(const char* request);    // "/4025"
int transcode_state(const char* request);    // "/4026"

// Download, synchronous playback, stream addresses and small requests.
int playback_download(const char* request);    // "/4013"
int download_busy(const char* request);        // "/4019"
int download_end(const char* request);         // "/4027"
int playback_stop_all(const char* request);    // "/4012"
int sync_play(const char* request);            // "/4020"
int stream_addresses(const char* request);     // "/4018"
int external_ports(const char* request);       // "/4021"
int playback_busy(const char* request);        // "/3004"
int playback_log_205(const char* request);     // "/4014"
int playback_channel_ok(const char* request);  // "/4015", "/4016"
int playback_log_218(const char* request);     // "/4017"

// Asks where to fetch session `sid`'s stream (3502) and answers the request
// with it, `play_time` as its "realPlayTime".
void playback_ask_stream(int sid, const char* play_time);

// Sends the operation log of a playback action on a channel (counted from 1).
void playback_send_log(int sub_type, int channel_from_1);

// Live image adjustments ("/4000" table).
int live_image_get(const char* request);    // "/3000"
int live_image_set(const char* request);    // "/3001"
int live_image_reset(const char* request);  // "/3002"

// Record calendar ("/2001" table).
int record_calendar(const char* request);  // "/2013"

// Reply formatters, each asked for by its handler (see core_ask) with the
// reply codes it answers.
int search_reply(const KxFrameHeader* header, const void* payload);
int play_time_reply(const KxFrameHeader* header, const void* payload);
int jump_reply(const KxFrameHeader* header, const void* payload);
int transcode_reply(const KxFrameHeader* header, const void* payload);
int transcode_state_reply(const KxFrameHeader* header, const void* payload);
int stream_addresses_reply(const KxFrameHeader* header, const void* payload);
int external_ports_reply(const KxFrameHeader* header, const void* payload);
int playback_busy_reply(const KxFrameHeader* header, const void* payload);
int live_image_reply(const KxFrameHeader* header, const void* payload);
int calendar_reply(const KxFrameHeader* header, const void* payload);

// Context: the daemon's result of opening a session (negative = failure,
// -1 also when no result came). The formatter writes no reply.
struct SessionOpen {
    int value;
};
int open_reply(SessionOpen& result, const KxFrameHeader* header, const void* payload);

// Context: the play time the session's stream reply reports as "realPlayTime".
struct StreamPlayTime {
    char text[32];
};
int session_stream_reply(const StreamPlayTime& play_time, const KxFrameHeader* header, const void* payload);

// Context: set when the live address was given, with the record's channel,
// for the handler's log.
struct LiveGiven {
    bool given;
    int channel;
};
int live_address_reply(LiveGiven& live, const KxFrameHeader* header, const void* payload);

// Context: the writer of a download stream (none: every frame ends it) and
// the end of the stream as the frame replies tell it, which the handler's
// thread waits for.
struct DownloadStream {
    KxAvi* avi;
    std::atomic<int> end;
};
int download_frame_reply(DownloadStream& stream, const KxFrameHeader* header, const void* payload);

// Context: the session of a synchronous playback (state 1 opened with its sid
// and play time, -1 refused, 0 no answer). The formatter writes no reply.
struct SyncPlaySession {
    int state;
    int sid;
    char play_time[32];
};
int sync_session_reply(SyncPlaySession& session, const KxFrameHeader* header, const void* payload);
