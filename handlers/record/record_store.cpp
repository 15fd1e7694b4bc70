// Store calls of the record rows and record schedules.
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
