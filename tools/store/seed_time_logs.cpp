// Factory time and log settings: the clock set by hand in UTC, without
// daylight saving, with a public NTP server ready to be switched on (once a
// day); no keeping time set for logs and snapshots.
#include "handlers/network/time_records.h"
#include "handlers/system/log_records.h"
#include "tools/store/seeds.h"

namespace {

int seed_time_logs(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    TimeRow row = zeroed<TimeRow>();
    row.ntp_enable = 0;
    row.dst_enable = 0;
    set_text(row.time_zone, "GMT+00:00");
    set_text(row.time_zone_name, "(GMT+00:00) UTC");
    set_text(row.ntp_server, "pool.ntp.org");
    row.sync_enable = 0;
    row.sync_interval = 1440;
    row.sync_pc = 0;
    if (write_time(into, row) != 0) return -1;
    return write_disk_maintain_info(into, DiskMaintainInfo{0, 0});
}

}  // namespace

NVR_STORE_SEED(seed_time_logs);
