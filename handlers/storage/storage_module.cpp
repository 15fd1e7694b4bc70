// Storage module: disks, arrays, network storage, quotas, disk groups and
// automatic backup (the "/6100" request table).
#include "front/webreq.h"
#include "handlers/storage/storage.h"

static const WebReqEntry kStorageTable[] = {
    {"/6100", disk_list,
     "Lists every disk, array and network disk with sizes and state | none | JSON (CGI ERROR when the daemon does "
     "not answer)"
     " {resultString:s, esataType:i, HDD:[{portId:i, vendorName:s, address:s, directory:s, "
     "totalSize:i, usedSize:i, freeSize:i, hddType:i, state:i, group:i, property:i, raid_id:i, "
     "raid_level:i, raid_state:i, raid_progress:i, raid_sata_cnt:i, raid_task:i, raid_sata_port:i}]}"
     " | 3433 wait"},
    {"/6101", disk_property,
     "Sets a disk's group and property | JSON: portId:i(0..35), property:i(0..1), group:i | "
     "plain (OK; nothing on bad input) | 3435, 3485"},
    {"/6102", disk_format,
     "Formats a disk | decimal: port id 0..36 | plain (OK, USING, ERROR FORMAT or NAS LOW CAP) | 3434 wait, 3485"},
    {"/6103", disk_check_port, "Checks a port number | decimal: port 0..16 | plain (OK; nothing outside 0..16) | none"},
    {"/6104", array_create,
     "Creates a disk array | JSON: id:i(10..15), enable:i, sata_port:i(0..2147483647), sata_cnt:i(0..16), "
     "level:i(0..2147483647) | plain (OK or Error) | 3420 wait"},
    {"/6105", array_delete, "Deletes a disk array | decimal: array id 10..16 | plain (OK or Error) | 3421 wait"},
    {"/6106", disk_hot_spare,
     "Adds or removes a hot spare | JSON: port:i, hotflag:i | plain (OK or Error) | 3423 wait, 3424 wait"},
    {"/6107", array_rebuild, "Rebuilds an array with a disk | JSON: diskport:i, "
     "raidport:i | plain (OK or Error) | 3425 wait"},
    {"/6108", array_mode_read, "Reads the array mode switch | none | plain (0 or 1) | none"},
    {"/6109", array_mode_write, "Writes the array mode switch | decimal: 0 or 1 | plain (OK) | none"},
    {"/6200", netdisk_delete,
     "Removes network disks | JSON: num:i, port:[i(1..33)] | plain (OK or Error) | 3508 wait, 3485"},
    {"/6201", netdisk_add,
     "Adds network disks | JSON: num:i, port:[i(1..33)], vendor:[s(63)], address:[s(63)], "
     "directory:[s(127)] | plain (OK or Error) | 3507 wait, 3485"},
    {"/6202", share_search,
     "Lists the shares of a server | JSON: port:i, serverAddr:s(63) | JSON (resultString OK or NO)"
     " {resultString:s, NAS:[{filePath:s}]}"
     " | 3440 wait"},
    {"/6203", netdisk_edit,
     "Changes a network disk | JSON: port:i(1..33), vendor:s(63), address:s(63), directory:s(127) | "
     "plain (OK or Error) | 3439 wait, 3485"},
    {"/6204", esata_mode_set, "Sets the eSATA port mode | JSON: mode:i, esata:i | JSON (status OK)"
     " {status:s}"
     " | 3475 wait"},
    {"/6205", esata_mode_get, "Reads the eSATA port mode | none | JSON"
     " {mode:i, esata:i}"
     " | 3431 wait"},
    {"/6206", disk_self_eval,
     "Asks a disk's self-evaluation | JSON: num:i, port:[i(0..36)] | JSON (selfEvaluation 1 or 0)"
     " {selfEvaluation:i}"
     " | 3403 wait"},
    {"/6207", device_remove,
     "Removes a storage device by kind | JSON: port:i(0..36), hddType:i | plain (OK or Error) | 3421 wait, 3508 wait, "
     "3496 wait, 3485"},
    {"/6208", quota_get, "Reads the channel quotas and disk groups | none | JSON"
     " {enable:i, quota_array:[{channel:i, video_used:i, video_quota:i, picture_used:i, "
     "picture_quota:i}], channel:[s], disk:[i], max_chan:i, group_enable:i}"
     " | 3529 wait"},
    {"/6209", quota_set,
     "Writes the channel quotas | JSON: enable:i, "
     "quota_array:[{channel?:i, video_quota?:i, picture_quota?:i}] | plain (OK or Error) | 3530 wait"},
    {"/6210", groups_set,
     "Writes the disk groups and the group switch | JSON: group_enable:i, channel:[s(64)] | plain (OK) | "
     "3442, 3436, 1307"},
    {"/6222", backup_status, "Reads the automatic backup's status | none | JSON"
     " {status:i, percent:s, last_time:s, capacity:i}"
     " | 1317 wait"},
    {"/6220", backup_get, "Reads the automatic backup plan | none | JSON"
     " {enable:i, streamType:i, fileType:i, recycle:i, channel:s, backupTime:s}"
     " | none"},
    {"/6221", backup_set,
     "Writes the automatic backup plan, or stops the backup | JSON: stopBackup:i, enable:i, streamType:i, fileType:i, "
     "recycle:i, backupTime:s(31), channel:s(64) | JSON (result)"
     " {result:i}"
     " | 1316 wait"},
    {"/6223", backup_device, "Finds the device that takes the backup | none | JSON (port, or result -1)"
     " {port?:i, result:i}"
     " | 3457 wait"},
    {"/6224", backup_port,
     "Passes a backup port request to the daemon | JSON: port:i(0..36) | JSON (status; CGI ERROR outside 0..36)"
     " {status:i}"
     " | 3535 wait"},
    {"/6225", backup_3536, "Passes a backup request to the daemon | none | JSON (result)"
     " {result:i}"
     " | 3536 wait"},
    {"/6226", backup_3537, "Passes a backup request to the daemon | none | JSON (result)"
     " {result:i}"
     " | 3537 wait"},
    {"/6227", backup_progress, "Reads the backup's progress | none | JSON"
     " {status:i, port:i, type:i, percent:i}"
     " | 3540 wait"},
};

NVR_MODULE(storage, kModStorage, kStorageTable)
