// Factory record settings: one record row per channel, record mode 0.
#include "handlers/record/record_records.h"
#include "tools/store/seeds.h"

static int seed_record(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    static RecordRow rows[kRecordChannels];
    for (int i = 0; i < kRecordChannels; i++) {
        rows[i] = zeroed<RecordRow>();
        rows[i].id = i;
    }
    return store_write_all(into, kRecordKind, rows, kRecordChannels);
}
NVR_STORE_SEED(seed_record);
