// People counting (regional counting, counting groups, report plans), event
// PTZ linkage, camera alarm I/O, volume detection and event snapshots:
// handlers and reply formatters.
#pragma once

#include "platform/kxsocket.h"

// Regional people counting, video-features module ("/6000" table).
int regional_pcnt_get(const char* request);  // "/6096"
int regional_pcnt_set(const char* request);  // "/6097"
// Reply formatter of "/6096"; context: the request's channel.
int regional_pcnt_reply(const int& channel, const KxFrameHeader* header, const void* payload);

// Event PTZ linkage, video-features module.
int ptz_link_add(const char* request);             // "/6160"
int ptz_link_list(const char* request);            // "/6161"
int ptz_link_delete(const char* request);          // "/6162"
int ptz_link_update(const char* request);          // "/6163"
int ptz_link_delete_several(const char* request);  // "/6164"

// Camera alarm I/O, volume detection and event snapshots, video-features
// module.
int camera_io_get(const char* request);        // "/6090"
int camera_io_set(const char* request);        // "/6091"
int volume_detect_get(const char* request);    // "/6092"
int volume_detect_set(const char* request);    // "/6093"
int snapshot_settings_get(const char* request);   // "/6176"
int snapshot_settings_copy(const char* request);  // "/6177"
int snapshot_run(const char* request);            // "/6178"
// Reply formatters of "/6090" and "/6092".
int camera_io_reply(const KxFrameHeader* header, const void* payload);
int volume_detect_reply(const KxFrameHeader* header, const void* payload);

// People-counting groups and report plans, camera module ("/2001" table).
int pcnt_groups_get(const char* request);        // "/2066"
int pcnt_groups_set(const char* request);        // "/2067"
int pcnt_group_actions_get(const char* request); // "/2069"
int pcnt_group_actions_set(const char* request); // "/2070"
int pcnt_group_command_a(const char* request);   // "/2071"
int pcnt_group_command_b(const char* request);   // "/2072"
int pcnt_reports_get(const char* request);       // "/2075"
int pcnt_reports_set(const char* request);       // "/2076"
// {"res": n} from the one integer of replies 7290..7293.
int pcnt_group_result_reply(const KxFrameHeader* header, const void* payload);
int pcnt_reports_reply(const KxFrameHeader* header, const void* payload);  // 6423
