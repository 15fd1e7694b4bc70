// Factory trigger-alarm row: every value 0 (nothing triggered).
#include <string>

#include "handlers/camera/maintenance_records.h"
#include "tools/store/seeds.h"

namespace {

int seed_camera_queries(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    const TriggerAlarmRecord row = zeroed<TriggerAlarmRecord>();
    return store_write(into, kTriggerAlarmKind, 0, row);
}

}  // namespace

NVR_STORE_SEED(seed_camera_queries);
