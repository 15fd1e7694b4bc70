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

// Network disks, eSATA, self-evaluation and device removal.
int netdisk_delete(const char* request);       // "/6200"
int netdisk_add(const char* request);          // "/6201"
int share_search(const char* request);         // "/6202"
int netdisk_edit(const char* request);         // "/6203"
int esata_mode_set(const char* request);       // "/6204"
int esata_mode_get(const char* request);       // "/6205"
int disk_self_eval(const char* request);       // "/6206"
int device_remove(const char* request);        // "/6207"

// Quotas and disk groups.
int quota_get(const char* request);            // "/6208"
int quota_set(const char* request);            // "/6209"
int groups_set(const char* request);           // "/6210"
int groups_get(const char* request);           // "/8010" (registered by the status module)

// Automatic backup.
int backup_get(const char* request);           // "/6220"
int backup_set(const char* request);           // "/6221"
int backup_status(const char* request);        // "/6222"
int backup_device(const char* request);        // "/6223"
int backup_port(const char* request);          // "/6224"
int backup_3536(const char* request);          // "/6225"
int backup_3537(const char* request);          // "/6226"
int backup_progress(const char* request);      // "/6227"

// "OK"/"Error" from a 4-byte result: 8507, 8508, 8439, 8496, 8530.
int storage_result_reply(const KxFrameHeader* header, const void* payload);
int share_search_reply(const KxFrameHeader* header, const void* payload);     // 8440
int esata_mode_set_reply(const KxFrameHeader* header, const void* payload);   // 8475
int esata_mode_get_reply(const KxFrameHeader* header, const void* payload);   // 8431
int disk_self_eval_reply(const KxFrameHeader* header, const void* payload);   // 8403
int quota_get_reply(const KxFrameHeader* header, const void* payload);        // 8529
int backup_set_reply(const KxFrameHeader* header, const void* payload);       // 6316
int backup_status_reply(const KxFrameHeader* header, const void* payload);    // 6317
int backup_device_reply(const KxFrameHeader* header, const void* payload);    // 8457
int backup_port_reply(const KxFrameHeader* header, const void* payload);      // 8535
int backup_result_reply(const KxFrameHeader* header, const void* payload);    // 8536, 8537
int backup_progress_reply(const KxFrameHeader* header, const void* payload);  // 8540
