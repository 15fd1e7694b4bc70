#include "platform/kxfs_log.h"

#include <cstring>

int kxfs_log_pack_detail(OpLogRecord* record, int kind, const void* block, size_t length)
{
    if (!record || !block) return -1;
    if (length > sizeof record->detail - kLogDetailHeader) length = sizeof record->detail - kLogDetailHeader;
    std::memset(record->detail, 0, sizeof record->detail);
    u32 words[2] = {u32(kind), u32(length)};
    std::memcpy(record->detail, words, sizeof words);
    std::memcpy(record->detail + kLogDetailHeader, block, length);
    record->detail_size = u32(kLogDetailHeader + length);
    return 0;
}

bool log_channo_is_disk(unsigned main_type, long long sub_type)
{
    switch (main_type) {
    case 4:  // disk format, disks added or removed, network disks
        return sub_type == 109 || sub_type == 127 || sub_type == 128 || sub_type == 132 || sub_type == 133 ||
               sub_type == 207 || sub_type == 219 || sub_type == 220 || sub_type == 221 || sub_type == 224;
    case 8:  // disk information, S.M.A.R.T., network disk online
        return sub_type == 502 || sub_type == 511 || sub_type == 512;
    case 32:  // disk full, disk error, disk temperature, not formatted, network disk offline
        return sub_type == 400 || sub_type == 401 || sub_type == 407 || sub_type == 409 || sub_type == 410;
    default:
        return false;
    }
}
