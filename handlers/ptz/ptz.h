// Handlers and reply formatters of the PTZ module ("/5000" table).
#pragma once

#include "common/json.h"
#include "platform/kxsocket.h"

// Shared by the PTZ handlers: the PTZ operation log of a channel (0-based)
// with its parameter type, and the request whose channel under `key` is a
// channel id (null, nothing answered, when the text is not JSON or the
// channel is out of range).
void ptz_send_log(int param_type, int channel);
JsonPtr ptz_channel_request(const char* request, const char* key, i32* channel);

// PTZ control.
int ptz_move(const char* request);            // "/5000"
int ptz_preset(const char* request);          // "/5001"
int ptz_tour_start(const char* request);      // "/5002"
int ptz_tour_stop(const char* request);       // "/5003"
int ptz_tour_action(const char* request);     // "/5004"
int ptz_preset_list(const char* request);     // "/5005"
int ptz_channel_action(const char* request);  // "/5006"
int ptz_zoom(const char* request);            // "/5007"
int ptz_speed(const char* request);           // "/5008"
int ptz_command(const char* request);         // "/5009"
int ptz_channel_status(const char* request);  // "/5010"
int ptz_status_read(const char* request);     // "/5011"
int ptz_status_write(const char* request);    // "/5012"

// PTZ configuration.
int ptz_port_read(const char* request);        // "/6050"
int ptz_port_write(const char* request);       // "/6051"
int ptz_port_check(const char* request);       // "/6052"
int ptz_speed_read(const char* request);       // "/6053"
int ptz_speed_write(const char* request);      // "/6054"
int ptz_tour_write(const char* request);       // "/6055"
int ptz_fish_tour_write(const char* request);  // "/6056"
int ptz_tour_clear(const char* request);       // "/6057"

// Reply formatters, each asked for by its handler (see core_ask) with the
// reply codes it answers.
int ptz_camera_param_reply(const KxFrameHeader* header, const void* payload);
int ptz_preset_list_reply(const KxFrameHeader* header, const void* payload);
int ptz_status_read_reply(const KxFrameHeader* header, const void* payload);
// Context: the channel of the "/5010" request.
int ptz_channel_status_reply(const int& channel, const KxFrameHeader* header, const void* payload);
int ptz_port_check_reply(const KxFrameHeader* header, const void* payload);
