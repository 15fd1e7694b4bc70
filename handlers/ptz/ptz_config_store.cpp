// Store calls of the stored PTZ settings.
#include "handlers/ptz/ptz_config_records.h"

namespace {

void set_port_channel(void* record, int channel) { static_cast<PtzPortRow*>(record)->cam_id = channel; }

}  // namespace

int read_ptz_port(const char* db, int channel, PtzPortRow* out) { return store_read(db, kPtzPortKind, channel, out); }

int write_ptz_port(const char* db, int channel, const PtzPortRow& row)
{
    return store_write(db, kPtzPortKind, channel, row);
}

int copy_ptz_ports(const char* db, int source, u64 mask)
{
    return kxdb_row_copy(db, kPtzPortKind, source, mask, set_port_channel);
}

int read_ptz_speed(const char* db, int channel, PtzSpeedRow* out)
{
    return store_read(db, kPtzSpeedKind, channel, out);
}

int write_ptz_speed(const char* db, int channel, const PtzSpeedRow& row)
{
    return store_write(db, kPtzSpeedKind, channel, row);
}

int read_ptz_tour(const char* db, int channel, PtzStoredTours* out)
{
    return store_read(db, kPtzTourKind, channel, out);
}

int write_ptz_tour(const char* db, int channel, const PtzStoredTours& tours)
{
    return store_write(db, kPtzTourKind, channel, tours);
}
