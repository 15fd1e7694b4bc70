// Handlers of the recording module ("/6030" table).
#pragma once

// Record schedules and record modes.
int record_schedule_get(const char* request);   // "/6040"
int record_schedule_set(const char* request);   // "/6041"
int record_modes_get(const char* request);      // "/6042"
int record_modes_set(const char* request);      // "/6043"
