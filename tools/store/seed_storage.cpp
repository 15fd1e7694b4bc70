// Factory storage settings: 16 empty disk groups with grouping off, and an
// automatic backup plan that is off (all channels, main stream, at 02:00,
// oldest backups overwritten).
#include <string>

#include "handlers/storage/netdisk_records.h"
#include "tools/store/seeds.h"

static int seed_storage(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    static GroupRow groups[kDiskGroups];
    for (int i = 0; i < kDiskGroups; i++) {
        groups[i] = zeroed<GroupRow>();
        groups[i].id = i;
    }
    if (store_write_all(into, kGroupKind, groups, kDiskGroups) != 0) return -1;
    if (put_param_value(into, "group_mode", "0") != 0) return -1;
    if (put_param_value(into, "esata_type", "0") != 0) return -1;

    AutoBackupRow backup = zeroed<AutoBackupRow>();
    set_text(backup.backup_time, "02:00");
    backup.recycle = 1;
    std::string all(64, '1');
    set_text(backup.channels, all.c_str());
    return store_write(into, kAutoBackupKind, 0, backup);
}
NVR_STORE_SEED(seed_storage);
