// The device log: the search and export query, the search page and export
// file the core daemon answers with, and the stored log keeping times.
#pragma once

#include "platform/record.h"
#include "common/reply.h"
#include "platform/kxdb.h"

// Core messages.
constexpr u32 kMsgLogSearch = 3495;      // LogQuery, waited; reply 8495 LogPage
constexpr u32 kMsgLogExport = 3494;      // LogQuery, waited; reply 8494 LogExportReply
constexpr u32 kMsgLogAdd = 3488;         // OpLogRecord, waited; reply 8488 text
constexpr u32 kMsgRetentionChanged = 2102;  // no payload
constexpr u32 kReplyLogSearch = kMsgLogSearch + 5000;
constexpr u32 kReplyLogExport = kMsgLogExport + 5000;
constexpr u32 kReplyLogAdd = kMsgLogAdd + 5000;

constexpr int kLogQuerySubTypes = 100;
constexpr int kLogMaskText = 64;  // channel mask texts of a query
constexpr int kLogPageEntries = 100;
constexpr size_t kLogExportDetail = 4096;

// Search and export query (3495 and 3494).
struct LogQuery {
    i32 start_time;                    //   0  seconds, local time through mktime
    i32 end_time;                      //   4
    u32 main_type;                     //   8
    u8 zero0[4];                       //  12
    i64 sub_types[kLogQuerySubTypes];  //  16
    i32 sub_type_count;                // 816
    i32 page;                          // 820  page number (search) or 1 (export)
    u64 channel_mask;                  // 824  bit i = channel i
    i32 no_channel;                    // 832  "searchNoChn" (search) or "na" (export)
    u8 zero1[4];                       // 836
};
NVR_RECORD_SIZE(LogQuery, 840);

// One page of search results (8495).
struct LogPage {
    u32 total;                            //     0  matching entries in all
    u32 count;                            //     4  entries on this page
    OpLogRecord entries[kLogPageEntries]; //     8
};
NVR_RECORD_SIZE(LogPage, 67208);
constexpr size_t kLogPageHeader = offsetof(LogPage, entries);

// Answer to an export (8494): where the core daemon wrote the export file.
struct LogExportReply {
    u32 value;      // 0
    char path[64];  // 4
};
NVR_RECORD_SIZE(LogExportReply, 68);

// Export file: a 32-bit entry count, then per entry this record.
struct LogExportEntry {
    OpLogRecord record;             //    0
    char detail[kLogExportDetail];  //  672  text
};
NVR_RECORD_SIZE(LogExportEntry, 4768);

// How long logs and snapshots are kept (store kind "disk_maintain_info").
struct DiskMaintainInfo {
    i32 log_retention;    // 0
    i32 photo_retention;  // 4
};
NVR_RECORD_SIZE(DiskMaintainInfo, 8);

NVR_STORE_KIND(kDiskMaintainKind, "disk_maintain_info", 1, DiskMaintainInfo);

inline int read_disk_maintain_info(const char* db, DiskMaintainInfo* out)
{
    return store_read(db, kDiskMaintainKind, 0, out);
}
inline int write_disk_maintain_info(const char* db, const DiskMaintainInfo& info)
{
    return store_write(db, kDiskMaintainKind, 0, info);
}

// A keeping time is -1, 0, 1 or an even number from 2 to 12.
inline bool valid_retention(int v) { return v == -1 || v == 0 || v == 1 || (v >= 2 && v <= 12 && v % 2 == 0); }

// The marker that exists while an export runs, and the directory of the
// export files the core daemon writes (the only place one is read from).
constexpr const char* kLogExportMarker = "/tmp/log/log_web";
constexpr const char* kLogExportDir = "/tmp/log/";
