// Record rows and record schedules as the store keeps them.
#pragma once

#include "platform/record.h"
#include "platform/kxdb.h"
#include "handlers/shared/schedule.h"

constexpr int kRecordChannels = 64;

// A channel's record settings row. `mode` (0, 1 or 2) is the record mode;
// the further settings are those of the record-settings page.
struct RecordRow {
    i32 id;                    //  0  channel id
    i32 mode;                  //  4
    i32 audio_enable;          //  8
    i32 prev_record_on;        // 12
    i32 prev_record_duration;  // 16
    i32 post_record_on;        // 20
    i32 post_record_duration;  // 24
    i32 record_exp_date;       // 28
    u8 reserved[32];           // 32  kept by the store
};
NVR_RECORD_SIZE(RecordRow, 64);

// Rows are indexed by channel id.
NVR_STORE_KIND(kRecordKind, "record", kRecordChannels, RecordRow);
NVR_STORE_KIND(kRecordScheduleKind, "record_schedule", kRecordChannels, RecordSchedule);

// Store calls.
int read_record(const char* db, RecordRow* out, int channel);  // -1 (zero row) when absent
int read_records(const char* db, RecordRow* out, int* count);  // kRecordChannels rows, indexed by channel
int write_record(const char* db, const RecordRow* row);        // at row->id
int write_records(const char* db, const RecordRow* rows, int count);  // rows 0..count-1, one transaction
int read_record_schedule(const char* db, RecordSchedule* out, int channel);
// Writes one schedule to every channel of the mask.
int copy_record_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high);
// Sets the record mode of the stored rows of the channels of the mask.
int copy_record_modes(const char* db, int mode, u32 mask_low, u32 mask_high);

// ---- holidays ----

constexpr int kHolidays = 32;

// One holiday, indexed by its id. A start and an end are given either by
// date (month, day of month) or by week of the month and weekday; which one
// `type` selects is the core daemon's business, the numbers are kept as sent.
struct HolidayRow {
    i32 id;            //   0  0..31
    char name[256];    //   4
    i32 enable;        // 260  0 or 1
    i32 type;          // 264
    i32 start_year;    // 268
    i32 start_mon;     // 272
    i32 start_mday;    // 276
    i32 start_mweek;   // 280
    i32 start_wday;    // 284
    i32 end_year;      // 288
    i32 end_mon;       // 292
    i32 end_mday;      // 296
    i32 end_mweek;     // 300
    i32 end_wday;      // 304
};
NVR_RECORD_SIZE(HolidayRow, 308);

NVR_STORE_KIND(kHolidayKind, "holiday", kHolidays, HolidayRow);

// ---- record settings: core daemon records ----

// Channels whose record settings changed (1310).
struct RecordChannelList {
    i32 channels[kRecordChannels];  //   0  the first `count` entries are used
    i32 count;                      // 256
};
NVR_RECORD_SIZE(RecordChannelList, 260);

// Camera-side ANR change (2285): the channels and the new value.
struct AnrRequest {
    i32 channels[kRecordChannels];  //   0
    i32 count;                      // 256
    i32 anr;                        // 260
};
NVR_RECORD_SIZE(AnrRequest, 264);

// Result of an ANR change (7285): one result per listed channel, 0 = done.
struct AnrResult {
    i32 unused[kRecordChannels];   //   0  not read
    i32 results[kRecordChannels];  // 256
    i32 count;                     // 512
    i32 flag;                      // 516  non-zero: the results are meaningful
};
NVR_RECORD_SIZE(AnrResult, 520);

// Whether a channel's camera supports ANR (reply 7286 to 2286, which carries
// the channel id as a 4-byte integer).
struct AnrSupport {
    i32 chnid;    // 0
    i32 support;  // 4
};
NVR_RECORD_SIZE(AnrSupport, 8);

// Streams each channel can record (reply 8218 to 3218).
struct StreamCapability {
    i32 primary[kRecordChannels];    //   0
    i32 secondary[kRecordChannels];  // 256
    i32 size;                        // 512  entries used in each array
};
NVR_RECORD_SIZE(StreamCapability, 516);

// Holiday store calls. read_holidays: the stored rows in id order (absent
// ids skipped), at most kHolidays, and their count.
int read_holidays(const char* db, HolidayRow* out, int* count);
int write_holiday(const char* db, const HolidayRow* row);  // at row->id; -1 outside 0..31
// Writes the rows of the channels of the mask from `rows` (indexed by
// channel) in one transaction. Rows between two channels of the mask are
// written back as given, so `rows` must hold every row as read.
int write_records_masked(const char* db, const RecordRow* rows, u32 mask_low, u32 mask_high);
