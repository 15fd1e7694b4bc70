// Network disks, eSATA, quotas, disk groups and automatic backup: the store
// rows and the records exchanged with the core daemon, shared by the
// handlers, the emulator and the tests.
#pragma once

#include "platform/record.h"
#include "handlers/storage/storage_records.h"
#include "platform/kxdb.h"

constexpr int kNetDiskMax = 33;      // network disks in one add or delete request
constexpr int kMaxDevicePort = 36;   // highest port a device request may name
constexpr i32 kDiskTypeArray = 4;    // "hddType" of an array

// Network disks to add (3507) or remove (3508).
struct NetDiskList {
    i32 count;               // 0
    i32 ports[kNetDiskMax];  // 4
};
NVR_RECORD_SIZE(NetDiskList, 136);

// Detail block of a network-disk log record: where the disk is.
constexpr int kNetDiskDetailKind = 101;      // added or removed
constexpr int kNetDiskEditDetailKind = 110;  // edited
struct NetDiskLogDetail {
    char marker[4];        //  0  "NAS" and a zero byte
    u8 zero[12];           //  4
    char address[64];      // 16
    char directory[128];   // 80
};
NVR_RECORD_SIZE(NetDiskLogDetail, 208);

// Search for the shares of a server (3440).
struct ShareSearchRequest {
    i32 port;          // 0
    char server[64];   // 4
};
NVR_RECORD_SIZE(ShareSearchRequest, 68);

// Share search reply (8440): an int32 count, then up to 64 share paths.
constexpr int kSharePaths = 64;
struct ShareSearchHead {
    i32 count;  // 0
};
NVR_RECORD_SIZE(ShareSearchHead, 4);
struct SharePath {
    char path[256];  // 0
};
NVR_RECORD_SIZE(SharePath, 256);
constexpr size_t kShareSearchReplySize = sizeof(ShareSearchHead) + kSharePaths * sizeof(SharePath);  // 16388

// eSATA port mode: written with 3475, read with 3431 (reply 8431).
struct EsataMode {
    i32 mode;   // 0
    i32 esata;  // 4
};
NVR_RECORD_SIZE(EsataMode, 8);

// Self-evaluation of a disk (reply 8403 to 3403).
struct SelfEvalRecord {
    u8 unused[12];   //  0
    char text[28];   // 12  "PASSED" when the disk passed
};
NVR_RECORD_SIZE(SelfEvalRecord, 40);

// Storage quota of one channel.
struct QuotaEntry {
    u8 channel;         //  0  in a 32-bit slot
    u8 pad[3];          //  1
    i32 video_quota;    //  4
    i32 picture_quota;  //  8
    i32 video_used;     // 12
    i32 picture_used;   // 16
};
NVR_RECORD_SIZE(QuotaEntry, 20);

// Quotas: written with 3530, read with reply 8529 to 3529.
constexpr int kQuotaEntries = 16;
struct QuotaRecord {
    i32 enable;                          // 0
    i32 count;                           // 4
    QuotaEntry entries[kQuotaEntries];   // 8
};
NVR_RECORD_SIZE(QuotaRecord, 328);

// Disk group row of the store, and the payload that changes one group
// (3436, same layout). The channel text is a channel mask text: character i
// is '1' when channel i records to the group.
constexpr int kDiskGroups = 16;
struct GroupRow {
    i32 id;              //   0  group id
    char channels[65];   //   4
    char second[65];     //  69  kept as stored
    u8 pad[2];           // 134
};
NVR_RECORD_SIZE(GroupRow, 136);

NVR_STORE_KIND(kGroupKind, "disk_group", kDiskGroups, GroupRow);

// Automatic backup to an eSATA disk: one row in the store.
struct AutoBackupRow {
    i32 enable;             //   0
    i32 zero;               //   4
    char backup_time[32];   //   8  "HH:MM" or "HH:MM:SS"
    i32 stream_type;        //  40
    i32 file_type;          //  44
    i32 recycle;            //  48
    char channels[65];      //  52  channel mask text
    u8 pad[3];              // 117
};
NVR_RECORD_SIZE(AutoBackupRow, 120);

NVR_STORE_KIND(kAutoBackupKind, "esata_auto_backup", 1, AutoBackupRow);

// Backup status (reply 6317 to 1317).
struct BackupStatusRecord {
    i32 status;          //  0
    char last_time[32];  //  4
    float percent;       // 36
    i32 capacity;        // 40
    u8 unused[4];        // 44
};
NVR_RECORD_SIZE(BackupStatusRecord, 48);

// One device that could take a backup (reply 8457 to 3457).
constexpr i32 kBackupDeviceUsable = 5;
struct BackupDeviceRecord {
    u8 port;           //   0
    u8 unused0[151];   //   1
    i32 state;         // 152  5 = usable for backup
    u8 unused1[12];    // 156
};
NVR_RECORD_SIZE(BackupDeviceRecord, 168);

// Progress of a running backup (reply 8540 to 3540).
struct BackupProgressRecord {
    i32 status;   // 0
    u8 percent;   // 4
    u8 port;      // 5
    u8 pad[2];    // 6
    i32 type;     // 8
};
NVR_RECORD_SIZE(BackupProgressRecord, 12);

// Store calls. read_groups: all kDiskGroups rows in id order (absent rows
// zero-filled with their index as id). write_groups: rows 0..count-1 in one
// transaction.
int read_groups(const char* db, GroupRow* out, int* count);
int write_groups(const char* db, const GroupRow* rows, int count);
int read_esata_auto_backup(const char* db, AutoBackupRow* out);  // -1 (zero row) when absent
int write_esata_auto_backup(const char* db, const AutoBackupRow* row);
