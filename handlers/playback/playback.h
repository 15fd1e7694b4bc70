// Handlers and reply formatters of the playback module ("/4000" table).
#pragma once

#include "platform/kxsocket.h"

// The playback module's reply callback (one formatter per reply code).
int playback_reply(void* context, const KxFrameHeader* header, const void* payload);

// Search, sessions and play time.
int playback_search(const char* request);       // "/4000"
int playback_open(const char* request);         // "/4001"
int playback_play_time(const char* request);    // "/4002"
int playback_next_page(const char* request);    // "/4023"

int search_reply(const KxFrameHeader* header, const void* payload);         // 6159, 6161
int open_reply(const KxFrameHeader* header, const void* payload);           // 6162
int session_stream_reply(const KxFrameHeader* header, const void* payload); // 8502
int play_time_reply(const KxFrameHeader* header, const void* payload);      // 6153

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

int jump_reply(const KxFrameHeader* header, const void* payload);  // 6171

// Live stream, logs and transcoding.
int live_address(const char* request);       // "/4010"
int live_stop(const char* request);          // "/4011"
int playback_log(const char* request);       // "/4024"
int transcode_start(const char* request);    // "/4025"
int transcode_state(const char* request);    // "/4026"

int live_address_reply(const KxFrameHeader* header, const void* payload);  // 8500
int transcode_reply(const KxFrameHeader* header, const void* payload);     // 6176
int transcode_state_reply(const KxFrameHeader* header, const void* payload);  // 6177

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

int download_frame_reply(const KxFrameHeader* header, const void* payload);    // 6173
int sync_session_reply(const KxFrameHeader* header, const void* payload);      // 8103
int stream_addresses_reply(const KxFrameHeader* header, const void* payload);  // 8503
int external_ports_reply(const KxFrameHeader* header, const void* payload);    // 8506
int playback_busy_reply(const KxFrameHeader* header, const void* payload);     // 9011

// The play time the session stream reply (8502) reports as "realPlayTime".
void session_stream_play_time(const char* text);

// Sends the operation log of a playback action on a channel (counted from 1).
void playback_send_log(int sub_type, int channel_from_1);

// Live image adjustments ("/4000" table).
int live_image_get(const char* request);    // "/3000"
int live_image_set(const char* request);    // "/3001"
int live_image_reset(const char* request);  // "/3002"
int live_image_reply(const KxFrameHeader* header, const void* payload);  // 8002

// Record calendar ("/2001" table, answered through the camera module's
// reply callback).
int record_calendar(const char* request);  // "/2013"
int calendar_reply(const KxFrameHeader* header, const void* payload);  // 8493
