// Handlers and reply formatters of the video-features and events module
// ("/6000" table).
#pragma once

#include "platform/kxsocket.h"

// Motion detection.
int motion_get(const char* request);                // "/6010"
int motion_audible_schedule_get(const char* request);  // "/6011"
int motion_area_set(const char* request);           // "/6012"
int motion_schedule_set(const char* request);       // "/6013"
int motion_set(const char* request);                // "/6112"
int motion_area_schedule_set(const char* request);  // "/6113"
int motion_triggers_set(const char* request);       // "/6114"
int motion_result_2502(const char* request);        // "/6115"
int motion_result_2503(const char* request);        // "/6116"
int motion_actions_set(const char* request);        // "/6117"
int motion_email_set(const char* request);          // "/6118"
int motion_trigger_set(const char* request);        // "/6119"
int motion_effective_schedule_set(const char* request);  // "/6152"
int motion_effective_schedule_get(const char* request);  // "/6153"
int motion_ptz_schedule_set(const char* request);   // "/6159"
// Reply formatter of "/6115" and "/6116".
int motion_result_reply(const KxFrameHeader* header, const void* payload);
