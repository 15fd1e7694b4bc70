// Storage module: disks, arrays and network storage ("/6100" table) and its
// reply callback.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/storage/storage.h"

static const ReplyRoute kStorageReplies[] = {
    {8433, disk_list_reply},
    {8434, disk_format_reply},
    {8402, disk_format_reply},  // the core daemon answers some formats with this code
    {8420, array_result_reply},
    {8421, array_result_reply},
    {8423, array_result_reply},
    {8424, array_result_reply},
    {8425, array_result_reply},
};

int storage_reply(void*, const KxFrameHeader* header, const void* payload)
{
    return core_route_reply(kStorageReplies, header, payload);
}

static const WebReqEntry kStorageTable[] = {
    {"/6100", disk_list},
    {"/6101", disk_property},
    {"/6102", disk_format},
    {"/6103", disk_check_port},
    {"/6104", array_create},
    {"/6105", array_delete},
    {"/6106", disk_hot_spare},
    {"/6107", array_rebuild},
    {"/6108", array_mode_read},
    {"/6109", array_mode_write},
};

NVR_MODULE(storage, kModStorage, kStorageTable)
