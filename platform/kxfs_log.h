// The file-system and log library: typed detail blocks of log records.
#pragma once

#include <cstddef>

struct OpLogRecord;

// Places a typed detail block in the record's detail field: the kind as a
// little-endian 32-bit word at byte 0, the block's length at byte 4, then the
// block (cut to fit the 512-byte field); detail size is set to the bytes
// used. 0, or -1 for a null record or block.
int kxfs_log_pack_detail(OpLogRecord* record, int kind, const void* block, size_t length);

// Header bytes before the block in the detail field.
constexpr size_t kLogDetailHeader = 8;

// Whether the channel number of a log entry of this main and sub type names
// a disk (a port) rather than a camera channel.
bool log_channo_is_disk(unsigned main_type, long long sub_type);
