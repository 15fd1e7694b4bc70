// Handlers of the status module ("/8000" table).
#pragma once

// Packet capture.
int capture_start(const char* request);     // "/8005"
int capture_stop(const char* request);      // "/8006"
int capture_download(const char* request);  // "/8007"
