// Handlers of the recording module ("/6030" table).
#pragma once

#include "platform/kxsocket.h"

// Record schedules and record modes.
int record_schedule_get(const char* request);   // "/6040"
int record_schedule_set(const char* request);   // "/6041"
int record_modes_get(const char* request);      // "/6042"
int record_modes_set(const char* request);      // "/6043"

// Holidays, record settings and the capability queries.
int holidays_get(const char* request);           // "/6030"
int holiday_set(const char* request);            // "/6031"
int record_settings_get(const char* request);    // "/6044"
int record_settings_set(const char* request);    // "/6045"
int anr_support_get(const char* request);        // "/6046"
int stream_capability_get(const char* request);  // "/6047"

// The recording log entry of a change, with its parameter type and channel.
void record_send_log(int param_type, int channel);

// Reply formatters, each asked for by its handler (see core_ask) with the
// reply codes it answers.
int anr_set_reply(const KxFrameHeader* header, const void* payload);
int anr_support_reply(const KxFrameHeader* header, const void* payload);
int stream_capability_reply(const KxFrameHeader* header, const void* payload);
