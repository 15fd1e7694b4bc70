// Handlers and reply formatters of the storage module ("/6100" table).
#pragma once

#include "platform/kxsocket.h"

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

// Reply formatters, each asked for by its handler (see core_ask) with the
// reply codes it answers.
int disk_list_reply(const KxFrameHeader* header, const void* payload);
// Context: set when the daemon reported the format done, for the handler's log.
int disk_format_reply(bool& formatted, const KxFrameHeader* header, const void* payload);
// "OK"/"Error" from a 4-byte result of the array and hot-spare requests.
int array_result_reply(const KxFrameHeader* header, const void* payload);
// "OK"/"Error" from a 4-byte result. Context: the result, for the handler
// (left as it is when the reply is too short to hold one).
int storage_result_reply(int& result, const KxFrameHeader* header, const void* payload);
int share_search_reply(const KxFrameHeader* header, const void* payload);
int esata_mode_set_reply(const KxFrameHeader* header, const void* payload);
int esata_mode_get_reply(const KxFrameHeader* header, const void* payload);
int disk_self_eval_reply(const KxFrameHeader* header, const void* payload);
int quota_get_reply(const KxFrameHeader* header, const void* payload);
int backup_status_reply(const KxFrameHeader* header, const void* payload);
int backup_device_reply(const KxFrameHeader* header, const void* payload);
int backup_progress_reply(const KxFrameHeader* header, const void* payload);
