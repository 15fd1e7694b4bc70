// Handlers and reply formatters of the fisheye settings, auto-tracking,
// the camera's own motion detection and the camera maintenance queries
// (also those of the codes in the "/6000" table).
#pragma once

#include "common/json.h"
#include "handlers/camera/camera_records.h"
#include "platform/kxsocket.h"

// Fisheye settings and camera queries ("/6000" table).
int camera_map_get(const char* request);     // "/6098"
int fisheye_get(const char* request);        // "/6130"
int fisheye_set(const char* request);        // "/6131"
int fisheye_caps_get(const char* request);   // "/6196"
int fisheye_mode_set(const char* request);   // "/6197"

// Auto-tracking and single-channel queries.
int auto_tracking_get(const char* request);    // "/2054"
int auto_tracking_set(const char* request);    // "/2055"
int camera_command_result(const char* request);  // "/2056"
int camera_identity_get(const char* request);  // "/2057"

// The camera's own motion detection.
int camera_motion_get(const char* request);  // "/2051"
int camera_motion_set(const char* request);  // "/2052"

// Maintenance queries.
int camera_type_get(const char* request);        // "/2025"
int core_command(const char* request);           // "/2026"
int chip_code_get(const char* request);          // "/2027"
int motion_state_get(const char* request);       // "/2028"
int camera_identities_get(const char* request);  // "/2029"
int camera_batch_results(const char* request);   // "/2033"
int ipv6_state_get(const char* request);         // "/2034"
int camera_url_send(const char* request);        // "/2068"
int mask_area_clear(const char* request);        // "/6173"
int camera_mask_command(const char* request);    // "/6198"
int trigger_alarms_set(const char* request);     // "/6998"
int trigger_alarms_get(const char* request);     // "/6999"

// Reply formatters, each asked for by its handler (see core_ask) with the
// reply code it answers. The one-integer replies of "/2052", "/2055",
// "/2056", "/6197" and "/6198" are core_reply_int's.
int camera_map_reply(const KxFrameHeader* header, const void* payload);
int fisheye_set_reply(const KxFrameHeader* header, const void* payload);
int fisheye_get_reply(const KxFrameHeader* header, const void* payload);
int fisheye_caps_reply(const KxFrameHeader* header, const void* payload);
int auto_tracking_get_reply(const KxFrameHeader* header, const void* payload);
int camera_identity_reply(const KxFrameHeader* header, const void* payload);
int camera_motion_get_reply(const KxFrameHeader* header, const void* payload);
int camera_type_reply(const KxFrameHeader* header, const void* payload);
int camera_identities_reply(const KxFrameHeader* header, const void* payload);
int camera_batch_reply(const KxFrameHeader* header, const void* payload);
int motion_state_reply(const KxFrameHeader* header, const void* payload);
int camera_url_reply(const KxFrameHeader* header, const void* payload);
int core_command_reply(const KxFrameHeader* header, const void* payload);
int chip_code_reply(const KxFrameHeader* header, const void* payload);

// The keys of one camera identity (chnid, ipaddr, model, fwversion), shared
// by the one-channel and the every-channel replies.
struct CameraIdentityRecord;
void camera_identity_object(json_object* o, const CameraIdentityRecord& c);
