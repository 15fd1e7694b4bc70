// Handlers and reply formatters of the alarm inputs and outputs module
// ("/6020" table).
#pragma once

#include "platform/kxsocket.h"

// Recorder alarm outputs.
int alarm_outs_list(const char* request);     // "/6020"
int alarm_out_get(const char* request);       // "/6021"
int alarm_out_set(const char* request);       // "/6022"
int alarm_out_manual(const char* request);    // "/6023"
int alarm_out_names(const char* request);     // "/6032"

// Recorder alarm inputs.
int alarm_in_get(const char* request);        // "/6026"
int alarm_in_set(const char* request);        // "/6027"
int alarm_in_names(const char* request);      // "/6034"
int alarm_ins_list(const char* request);      // "/6060"
int alarm_in_schedule_get(const char* request);  // "/6061"
int alarm_in_schedule_set(const char* request);  // "/6062"
int alarm_in_name_set(const char* request);   // "/6063"
int alarm_in_triggers_set(const char* request);  // "/6064"

// Camera alarm inputs and outputs.
int camera_ins_get(const char* request);      // "/6024"
int camera_ins_set(const char* request);      // "/6025"
int camera_outs_get(const char* request);     // "/6028"
int camera_outs_set(const char* request);     // "/6029"
int camera_out_trigger(const char* request);  // "/6033"

// Reply formatters, each asked for by its handler (see core_ask) with the
// reply code it answers.
int camera_in_state_reply(const KxFrameHeader* header, const void* payload);
int camera_out_state_reply(const KxFrameHeader* header, const void* payload);
