// Store calls of the disk groups and the automatic backup row.
#include "handlers/storage/netdisk_records.h"

int read_groups(const char* db, GroupRow* out, int* count)
{
    int r = store_read_all(db, kGroupKind, out, kDiskGroups, count);
    // An absent row is still the group of its own index.
    for (int i = 0; i < kDiskGroups; i++)
        if (out[i].id == 0) out[i].id = i;
    return r;
}

int write_groups(const char* db, const GroupRow* rows, int count)
{
    return store_write_all(db, kGroupKind, rows, count);
}

int read_esata_auto_backup(const char* db, AutoBackupRow* out) { return store_read(db, kAutoBackupKind, 0, out); }

int write_esata_auto_backup(const char* db, const AutoBackupRow* row)
{
    return store_write(db, kAutoBackupKind, 0, *row);
}
