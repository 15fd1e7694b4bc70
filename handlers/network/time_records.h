// The time row of the configuration store and the core messages that apply
// the time settings.
#pragma once

#include "platform/record.h"
#include "platform/kxdb.h"

// Core messages.
constexpr u32 kMsgTimeApply = 1701;    // TimeApply (32 bytes), waited; reply 6701
constexpr u32 kMsgTimeApplied = 1711;  // no payload, sent once 6701 has come
constexpr u32 kReplyTimeApply = kMsgTimeApply + 5000;

// Operation log of a time change.
constexpr int kTimeLogSubType = 225;
constexpr int kTimeLogParamType = 900;

// The stored time settings (store kind "time", one row at index 0).
struct TimeRow {
    i32 ntp_enable;           //   0  0 or 1
    i32 dst_enable;           //   4  daylight saving, 0 or 1
    char time_zone[32];       //   8
    char time_zone_name[32];  //  40
    char ntp_server[64];      //  72
    i32 sync_enable;          // 136
    i32 sync_interval;        // 140  minutes (the client sends an index, see below)
    i32 sync_pc;              // 144  synchronise with the client PC
};
NVR_RECORD_SIZE(TimeRow, 148);

NVR_STORE_KIND(kTimeKind, "time", 1, TimeRow);

// Payload of 1701: the manual time between double quotes, or all zero when
// the clock is not set by hand.
struct TimeApply {
    char manual_time[32];  // 0
};
NVR_RECORD_SIZE(TimeApply, 32);

// Synchronisation intervals: index (as the client knows it) -> minutes.
constexpr i32 kSyncIntervalMinutes[] = {60, 120, 300, 600, 1440, 2880, 7200, 14400, 43200};
constexpr int kSyncIntervalCount = int(sizeof kSyncIntervalMinutes / sizeof kSyncIntervalMinutes[0]);
constexpr int kSyncIntervalDefaultIndex = 4;  // 1440 minutes

// Minutes of an index (an index outside the table gives 1440).
inline i32 sync_minutes_of(int index)
{
    return index >= 0 && index < kSyncIntervalCount ? kSyncIntervalMinutes[index]
                                                    : kSyncIntervalMinutes[kSyncIntervalDefaultIndex];
}
// Index of stored minutes (minutes outside the table give index 4).
inline int sync_index_of(i32 minutes)
{
    for (int i = 0; i < kSyncIntervalCount; i++)
        if (kSyncIntervalMinutes[i] == minutes) return i;
    return kSyncIntervalDefaultIndex;
}

// Store calls: 0, or -1 (zero row) when none is stored.
inline int read_time(const char* db, TimeRow* out) { return store_read(db, kTimeKind, 0, out); }
inline int write_time(const char* db, const TimeRow& row) { return store_write(db, kTimeKind, 0, row); }
