// The file-system and log library: typed detail blocks of log records.
#pragma once

#include <cstddef>

#include "platform/record.h"

// Operation-log record, the payload of core message 3485.
struct OpLogRecord {
    u32 main_type;        //   0  2 event, 4 operation, 8 information, 32 exception, 64 debug
    u8 zero0[4];          //   4
    i64 sub_type;         //   8  kind of operation (201 login, 202 logout, ...)
    u8 zero1[4];          //  16
    u32 pts;              //  20  time stamp in seconds
    u32 param_type;       //  24  setting area (900, 921, ...)
    u32 remote;           //  28  1 = done through the web interface
    u32 channel;          //  32  channel counted from 1, 0 = none
    char remote_addr[46]; //  36
    char user[64];        //  82
    u8 zero2[2];          // 146
    u32 detail_size;      // 148
    u8 detail[512];       // 152  a text, or 128 big-endian 32-bit integers
    u8 zero3[8];          // 664
};
NVR_RECORD_SIZE(OpLogRecord, 672);

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
