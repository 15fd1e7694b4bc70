// Disks and arrays: the stored disk row and the records exchanged with the
// core daemon, shared by the handlers, the emulator and the tests.
#pragma once

#include "platform/record.h"
#include "platform/kxdb.h"

// Port ids: local disks, arrays and network disks share one numbering. The
// store keeps one disk row per port id 0..35; the disk list covers 1..33.
constexpr int kDiskRows = 36;
constexpr int kDiskListPorts = 33;
constexpr int kArrayMembers = 16;
constexpr i32 kDiskTypeNetwork = 3;
constexpr i32 kDiskStateMissing = 2;  // a configured network disk the core did not report

// Disk row of the configuration store, indexed by port id.
struct DiskRow {
    i32 port;              //   0
    i32 enable;            //   4  1 = configured
    char vendor[64];       //   8
    char address[64];      //  72  network disk server
    char directory[128];   // 136  network disk share
    i32 type;              // 264  3 = network disk
    i32 group;             // 268
    i32 property;          // 272
    i32 array_level;       // 276  reported as the array level of a missing network disk
};
NVR_RECORD_SIZE(DiskRow, 280);

NVR_STORE_KIND(kDiskKind, "disk", kDiskRows, DiskRow);

// One device of the disk list reply (8433).
struct DiskRecord {
    i32 port;              //   0  also the array id
    char vendor[64];       //   4
    char address[64];      //  68  network disk
    char directory[128];   // 132  network disk
    i32 state;             // 260
    u8 unused0[8];         // 264
    u64 total_size;        // 272  bytes
    u64 used_size;         // 280
    u64 free_size;         // 288
    i32 type;              // 296  3 = network disk
    i32 group;             // 300
    i32 property;          // 304
    u8 unused1[4];         // 308
    i32 array_level;       // 312
    i32 array_state;       // 316
    i32 array_progress;    // 320
    i32 member_count;      // 324
    i32 members[kArrayMembers];  // 328  member port numbers, 0 = none
};
NVR_RECORD_SIZE(DiskRecord, 392);

// Array create (3420) and delete (3421) payload.
struct ArrayRequest {
    i32 id;                      //   0  array id (port 10..16)
    i32 enable;                  //   4
    i32 level;                   //   8
    i32 zero0[2];                //  12
    i32 member_count;            //  20
    i32 members[kArrayMembers];  //  24  entries beyond the member count 0
    u8 zero1[16];                //  88
};
NVR_RECORD_SIZE(ArrayRequest, 104);

// Disk property change (3435).
struct DiskPropertyRequest {
    i32 port;      //  0
    i32 property;  //  4
    i32 group;     //  8
    i32 zero;      // 12
};
NVR_RECORD_SIZE(DiskPropertyRequest, 16);

// Array rebuild (3425).
struct ArrayRebuildRequest {
    i32 disk_port;   // 0
    i32 array_port;  // 4
};
NVR_RECORD_SIZE(ArrayRebuildRequest, 8);

// Result of the format, array and hot-spare requests: 0 = success. Format
// also answers 1 (disk in use), -1 (format failed), -3 (network disk too small).
struct StorageResult {
    i32 result;  // 0
};
NVR_RECORD_SIZE(StorageResult, 4);

// Detail block of the format log (detail kind 102).
constexpr int kFormatDetailKind = 102;
struct FormatLogDetail {
    u8 zero[64];  //  0
    i32 port;     // 64
    i32 result;   // 68  1 success, -1 failure
};
NVR_RECORD_SIZE(FormatLogDetail, 72);

// Store calls. read_disk: 0 when the row exists (out zero-filled otherwise).
int read_disk(const char* db, DiskRow* out, int port);
// Writes the row at its own port id; -1 when that is not 0..35.
int write_disk(const char* db, const DiskRow* row);
// All kDiskRows rows in port order (absent rows zero-filled).
int read_disks(const char* db, DiskRow* out, int* count);
