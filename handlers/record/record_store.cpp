// Store calls of the record rows and record schedules.
#include <cstring>

#include "common/store_mask.h"
#include "handlers/record/record_records.h"

int read_record(const char* db, RecordRow* out, int channel) { return store_read(db, kRecordKind, channel, out); }

int read_records(const char* db, RecordRow* out, int* count)
{
    return store_read_all(db, kRecordKind, out, kRecordChannels, count);
}

int write_record(const char* db, const RecordRow* row) { return store_write(db, kRecordKind, row->id, *row); }

int write_records(const char* db, const RecordRow* rows, int count)
{
    return store_write_all(db, kRecordKind, rows, count);
}

int read_record_schedule(const char* db, RecordSchedule* out, int channel)
{
    return store_read(db, kRecordScheduleKind, channel, out);
}

int copy_record_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high)
{
    return store_write_masked(db, kRecordScheduleKind, schedule, mask64(mask_low, mask_high));
}

int copy_record_modes(const char* db, int mode, u32 mask_low, u32 mask_high)
{
    return copy_table_column_int(db, kRecordKind, offsetof(RecordRow, mode), mode, mask_low, mask_high);
}

int write_records_masked(const char* db, const RecordRow* rows, u32 mask_low, u32 mask_high)
{
    const u64 mask = mask64(mask_low, mask_high);
    int last = -1;
    for (int i = 0; i < kRecordChannels; i++)
        if (mask >> i & 1) last = i;
    if (last < 0) return 0;
    // One multi-row write: the rows of the mask change together or not at all.
    return write_records(db, rows, last + 1);
}

namespace {

struct HolidayList {
    HolidayRow* out;
    int count;
};

void take_holiday(const void* record, int, void* ctx)
{
    auto* list = static_cast<HolidayList*>(ctx);
    if (list->count < kHolidays) std::memcpy(&list->out[list->count++], record, sizeof(HolidayRow));
}

}  // namespace

int read_holidays(const char* db, HolidayRow* out, int* count)
{
    HolidayList list{out, 0};
    int n = kxdb_rows_each(db, kHolidayKind, take_holiday, &list);
    if (count) *count = list.count;
    return n < 0 ? -1 : 0;
}

int write_holiday(const char* db, const HolidayRow* row) { return store_write(db, kHolidayKind, row->id, *row); }
