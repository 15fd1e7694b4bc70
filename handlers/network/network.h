// Handlers and reply formatters of the network and services module ("/7000"
// table).
#pragma once

#include "platform/kxsocket.h"

// Tells the core daemon that the settings of `area` ("network", "pppoe",
// "snmp", "hostname", ...) changed in the store.
void notify_settings_changed(const char* area);

// Network interfaces.
int net_settings_read(const char* request);   // "/7040"
int net_settings_write(const char* request);  // "/7041"
int net_mode_read(const char* request);       // "/7042"
int net_apply(const char* request);           // "/7043"
int net_mac_read(const char* request);        // "/7044"
int net_default_route(const char* request);   // "/7096"

// Date, time, time zone and NTP.
int time_read(const char* request);   // "/7000"
int time_write(const char* request);  // "/7001"

// Reply formatters, each asked for by its handler (see core_ask) with the
// reply codes it answers.
int time_apply_reply(const KxFrameHeader* header, const void* payload);
