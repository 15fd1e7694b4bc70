// Handlers and reply formatters of the device page: identity, name and
// number, UPnP, the automatic reboot plan and the batch of camera addresses
// (system module, "/1000" table).
#pragma once

#include "platform/kxsocket.h"

int device_info(const char* request);           // "/1009", "/1020"
int device_name_set(const char* request);       // "/1012"
int device_dbup_clear(const char* request);     // "/1023"
int device_value_get(const char* request);      // "/6075"
int device_signal(const char* request);         // "/6076"
int upnp_get(const char* request);              // "/1030"
int upnp_set(const char* request);              // "/1031"
int autoreboot_get(const char* request);        // "/1032"
int autoreboot_set(const char* request);        // "/1033"
int device_online_upgrade(const char* request); // "/1034"
int camera_ip_batch(const char* request);       // "/ipc"

// Reply formatters, each asked for by its handler (see core_ask) with the
// reply codes it answers.
int device_info_reply(const KxFrameHeader* header, const void* payload);
int device_value_reply(const KxFrameHeader* header, const void* payload);

// The text of the "uptime" tool cut before its user count ("10:00:01 up 3
// days,  2:03"); "" when the tool cannot be run.
void device_uptime(char (&out)[65]);
