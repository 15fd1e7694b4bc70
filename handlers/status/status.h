// Handlers and reply formatters of the status module ("/8000" table).
#pragma once

#include "platform/kxsocket.h"

// The status module's reply callback (one formatter per reply code).
int status_reply(void* context, const KxFrameHeader* header, const void* payload);

// Live status queries.
int status_interfaces(const char* request);  // "/8000"
int status_traffic(const char* request);     // "/8001"
int status_channels(const char* request);    // "/8002"
int status_events(const char* request);      // "/8003"
int status_none(const char* request);        // "/8004"
int status_disk_space(const char* request);  // "/8008"
int status_support(const char* request);     // "/8009"
int status_users(const char* request);       // "/8011"
int status_interfaces_reply(const KxFrameHeader* header, const void* payload);  // 8301
int status_traffic_reply(const KxFrameHeader* header, const void* payload);     // 8302
int status_channels_reply(const KxFrameHeader* header, const void* payload);    // 8300
int status_events_reply(const KxFrameHeader* header, const void* payload);      // 8305
int status_disk_space_reply(const KxFrameHeader* header, const void* payload);  // 8306
int status_support_reply(const KxFrameHeader* header, const void* payload);     // 8263
int status_users_reply(const KxFrameHeader* header, const void* payload);       // 6719

// Packet capture.
int capture_start(const char* request);     // "/8005"
int capture_stop(const char* request);      // "/8006"
int capture_download(const char* request);  // "/8007"
