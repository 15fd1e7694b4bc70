// Handlers and reply formatters of the storage module ("/6100" table).
#pragma once

#include "platform/kxsocket.h"

// The storage module's reply callback (one formatter per reply code).
int storage_reply(void* context, const KxFrameHeader* header, const void* payload);

// Disks and arrays.
int disk_list(const char* request);            // "/6100"
int disk_property(const char* request);        // "/6101"
int disk_format(const char* request);          // "/6102"
int disk_check_port(const char* request);      // "/6103"
int array_create(const char* request);         // "/6104"
int array_delete(const char* request);         // "/6105"
int disk_hot_spare(const char* request);       // "/6106"
int array_rebuild(const char* request);        // "/6107"
int array_mode_read(const char* request);      // "/6108"
int array_mode_write(const char* request);     // "/6109"

int disk_list_reply(const KxFrameHeader* header, const void* payload);     // 8433
int disk_format_reply(const KxFrameHeader* header, const void* payload);   // 8434, 8402
int array_result_reply(const KxFrameHeader* header, const void* payload);  // 8420, 8421, 8423, 8424, 8425
