// Factory motion settings: one motion record per channel, off, naming its
// own channel, so that the requests that change a stored record find one.
#include "handlers/event/motion_records.h"
#include "tools/store/seeds.h"

static int seed_event(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    static MotionRecord motions[kEventChannels];
    for (int i = 0; i < kEventChannels; i++) {
        motions[i] = zeroed<MotionRecord>();
        motions[i].chnid = i;
    }
    return store_write_all(into, kMotionKind, motions, kEventChannels);
}
NVR_STORE_SEED(seed_event);
