// Handlers and reply formatters of the status module ("/8000" table).
#pragma once

#include "platform/kxsocket.h"

// Live status queries.
int status_interfaces(const char* request);  // "/8000"
int status_traffic(const char* request);     // "/8001"
int status_channels(const char* request);    // "/8002"
int status_events(const char* request);      // "/8003"
int status_none(const char* request);        // "/8004"
int status_disk_space(const char* request);  // "/8008"
int status_support(const char* request);     // "/8009"
int status_users(const char* request);       // "/8011"

// Reply formatters, each asked for by its handler (see core_ask) with the
// reply code it answers.
int status_interfaces_reply(const KxFrameHeader* header, const void* payload);
int status_traffic_reply(const KxFrameHeader* header, const void* payload);
int status_channels_reply(const KxFrameHeader* header, const void* payload);
int status_events_reply(const KxFrameHeader* header, const void* payload);
int status_disk_space_reply(const KxFrameHeader* header, const void* payload);
int status_support_reply(const KxFrameHeader* header, const void* payload);
int status_users_reply(const KxFrameHeader* header, const void* payload);

// Packet capture.
int capture_start(const char* request);     // "/8005"
int capture_stop(const char* request);      // "/8006"
int capture_download(const char* request);  // "/8007"
