// Smart events, plate recognition and channel arming schedules: handlers
// and reply formatters.
#pragma once

#include "platform/kxsocket.h"

// Smart events, video-features module ("/6000" table).
int smart_region_get(const char* request);         // "/6132"
int smart_region_set(const char* request);         // "/6133"
int smart_motion_get(const char* request);         // "/6134"
int smart_motion_set(const char* request);         // "/6135"
int smart_tamper_get(const char* request);         // "/6136"
int smart_tamper_set(const char* request);         // "/6137"
int smart_line_get(const char* request);           // "/6138"
int smart_line_set(const char* request);           // "/6139"
int smart_loiter_get(const char* request);         // "/6140"
int smart_loiter_set(const char* request);         // "/6141"
int smart_human_get(const char* request);          // "/6142"
int smart_human_set(const char* request);          // "/6143"
int smart_people_count_get(const char* request);   // "/6144"
int smart_people_count_set(const char* request);   // "/6145"
int smart_people_settings_get(const char* request);  // "/6146"
int smart_people_settings_set(const char* request);  // "/6147"
int smart_actions_get(const char* request);        // "/6148"
int smart_actions_set(const char* request);        // "/6149"
int smart_trigger_set(const char* request);        // "/6150"
int smart_triggers_get(const char* request);       // "/6151"
int smart_capability_get(const char* request);     // "/6157"
int smart_object_set(const char* request);         // "/6171"
int smart_object_get(const char* request);         // "/6172"
int smart_vca_support_get(const char* request);    // "/6186"
int smart_line_ex_get(const char* request);        // "/6192"
int smart_line_ex_set(const char* request);        // "/6193"
int smart_people_settings_ex_get(const char* request);  // "/6194"
int smart_people_settings_ex_set(const char* request);  // "/6195"

int smart_region_reply(const KxFrameHeader* header, const void* payload);      // 8237..8240, 8242, 8243
int smart_line_reply(const KxFrameHeader* header, const void* payload);        // 8241
int smart_line_ex_reply(const KxFrameHeader* header, const void* payload);     // 6209
int smart_people_count_reply(const KxFrameHeader* header, const void* payload);  // 8253
int smart_people_settings_reply(const KxFrameHeader* header, const void* payload);  // 8259, 6211
int smart_object_reply(const KxFrameHeader* header, const void* payload);      // 8268
int smart_capability_reply(const KxFrameHeader* header, const void* payload);  // 8257
int smart_vca_support_reply(const KxFrameHeader* header, const void* payload);  // 8293
// "OK" for a status of 0, "FAILED" otherwise (the writes of smart events and
// plate recognition).
int smart_status_reply(const KxFrameHeader* header, const void* payload);

// Plate recognition, video-features module.
int plate_list_delete(const char* request);    // "/6183"
int plate_list_import(const char* request);    // "/6184"
int plate_list_edit(const char* request);      // "/6185"
int plate_event_get(const char* request);      // "/6179"
int plate_event_set(const char* request);      // "/6180"
int plate_settings_get(const char* request);   // "/6181"
int plate_settings_set(const char* request);   // "/6182"
int plate_zoom_get(const char* request);       // "/6189"
int plate_formats_get(const char* request);    // "/6190"
int plate_formats_set(const char* request);    // "/6191"

int plate_settings_reply(const KxFrameHeader* header, const void* payload);  // 8289
int plate_formats_reply(const KxFrameHeader* header, const void* payload);   // 6207
int plate_zoom_reply(const KxFrameHeader* header, const void* payload);      // 6215

// Channel arming schedules, camera module ("/2001" table).
int arming_schedules_get(const char* request);  // "/2035"
int arming_schedules_set(const char* request);  // "/2036"
