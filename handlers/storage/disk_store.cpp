// Store calls of the disk rows.
#include "handlers/storage/storage_records.h"

int read_disk(const char* db, DiskRow* out, int port) { return store_read(db, kDiskKind, port, out); }

int write_disk(const char* db, const DiskRow* row) { return store_write(db, kDiskKind, row->port, *row); }

int read_disks(const char* db, DiskRow* out, int* count)
{
    return store_read_all(db, kDiskKind, out, kDiskRows, count);
}
