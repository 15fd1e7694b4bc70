#include "platform/kxfs_log.h"

#include <cstring>

#include "common/reply.h"

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
