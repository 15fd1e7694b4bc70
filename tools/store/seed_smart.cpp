// Factory smart-event and plate-event settings: one record per channel and
// event (plate mode), off, naming its own channel, so that the requests that
// change a stored event find one. The plate lists start empty (a list that
// was never written reads as empty).
//
// A source with several instances per channel keeps a table per instance:
// "<table>_<n>", "<table>_m1" for -1.
#include <cstdio>

#include "handlers/event/plate_records.h"
#include "handlers/event/smart_records.h"
#include "tools/store/seeds.h"

namespace {

template <typename T>
int seed_table(const char* into, const char* base, int sub)
{
    char name[64];
    if (sub < 0)
        std::snprintf(name, sizeof name, "%s_m%d", base, -sub);
    else
        std::snprintf(name, sizeof name, "%s_%d", base, sub);
    static T rows[kEventChannels];
    for (int channel = 0; channel < kEventChannels; channel++) {
        rows[channel] = zeroed<T>();
        rows[channel].chnid = channel;
    }
    return store_write_all(into, StoreKind<T>{name, kEventChannels}, rows, kEventChannels);
}

int seed_smart(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    for (int event = 0; event < kSmartEvents; event++)
        if (seed_table<SmartEventRecord>(into, kSmartEventKind.table, event) != 0) return -1;
    for (int mode = kAllPlatesMode; mode < kPlateModes; mode++)
        if (seed_table<PlateEventRecord>(into, kPlateEventKind.table, mode) != 0) return -1;
    return 0;
}

}  // namespace

NVR_STORE_SEED(seed_smart);
