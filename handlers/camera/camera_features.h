// Handlers and reply formatters of the cameras' firmware upgrade, audio,
// point-of-sale overlay and face capture (rows of the "/2001" table).
#pragma once

#include "platform/kxsocket.h"

// Firmware upgrade of several cameras.
int ipc_upgrade_file(const char* request);    // "/2078"
int ipc_upgrade_status(const char* request);  // "/2079", also receives the firmware upload
int ipc_upgrade_url(const char* request);     // "/2080"
int ipc_upgrade_stop(const char* request);    // "/2081"

// Camera audio.
int audio_get(const char* request);          // "/2063"
int audio_set(const char* request);          // "/2064"
int audio_support_get(const char* request);  // "/2065"

// Point-of-sale terminals.
int pos_get(const char* request);  // "/2073"
int pos_set(const char* request);  // "/2074"

// Face capture.
int face_set(const char* request);  // "/2077"

// Stores the actions of the request's "action" object, when it has one, as
// those of instance `id` of `events`: first its PTZ list ("ptzParams", of
// PTZ event type `ptz_type`), then the action fields (which tell the core
// daemon as `events` says). Writes no reply.
struct EventSource;
struct json_object;
void store_request_actions(json_object* r, const EventSource& events, int ptz_type, int id);

// Reply formatters, each asked for by its handler (see core_ask) with the
// reply code it answers. The one-integer replies of "/2074" and "/2078" are
// core_reply_int's.
int ipc_upgrade_status_reply(const KxFrameHeader* header, const void* payload);
int ipc_upgrade_url_reply(const KxFrameHeader* header, const void* payload);
int audio_get_reply(const KxFrameHeader* header, const void* payload);
int audio_set_reply(const KxFrameHeader* header, const void* payload);
int audio_support_get_reply(const KxFrameHeader* header, const void* payload);
int face_set_reply(const KxFrameHeader* header, const void* payload);
