// Factory PTZ settings of every channel: a serial head at address 1 on
// 9600 baud, 8 data bits, 1 stop bit, no parity; middle speeds; no tours.
#include "handlers/ptz/ptz_config_records.h"
#include "tools/store/seeds.h"

static int seed_ptz(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    static PtzPortRow ports[kPtzMaxChannels];
    static PtzSpeedRow speeds[kPtzMaxChannels];
    static PtzStoredTours tours[kPtzMaxChannels];
    for (int i = 0; i < kPtzMaxChannels; i++) {
        ports[i] = zeroed<PtzPortRow>();
        ports[i].cam_id = i;
        ports[i].baud_rate = 9600;
        ports[i].data_bits = 8;
        ports[i].stop_bits = 1;
        ports[i].address = 1;
        speeds[i] = PtzSpeedRow{i, 5, 5, 5, 5};
        tours[i] = zeroed<PtzStoredTours>();
    }
    if (store_write_all(into, kPtzPortKind, ports, kPtzMaxChannels) != 0) return -1;
    if (store_write_all(into, kPtzSpeedKind, speeds, kPtzMaxChannels) != 0) return -1;
    return store_write_all(into, kPtzTourKind, tours, kPtzMaxChannels);
}
NVR_STORE_SEED(seed_ptz);
