// Factory record settings: one record row per channel, record mode 0,
// 5 s before and 30 s after an event recorded, audio recorded, recordings
// kept until overwritten; and
// 32 holidays that are off (each on 1 January, by date).
#include "handlers/record/record_records.h"
#include "tools/store/seeds.h"

static int seed_record(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    static RecordRow rows[kRecordChannels];
    for (int i = 0; i < kRecordChannels; i++) {
        rows[i] = zeroed<RecordRow>();
        rows[i].id = i;
        rows[i].prev_record_on = 1;
        rows[i].prev_record_duration = 5;
        rows[i].post_record_on = 1;
        rows[i].post_record_duration = 30;
        rows[i].audio_enable = 1;
    }
    if (store_write_all(into, kRecordKind, rows, kRecordChannels) != 0) return -1;

    static HolidayRow holidays[kHolidays];
    for (int i = 0; i < kHolidays; i++) {
        HolidayRow& h = holidays[i];
        h = zeroed<HolidayRow>();
        h.id = i;
        h.start_mon = h.end_mon = 1;
        h.start_mday = h.end_mday = 1;
        h.start_mweek = h.end_mweek = 1;
    }
    return store_write_all(into, kHolidayKind, holidays, kHolidays);
}
NVR_STORE_SEED(seed_record);
