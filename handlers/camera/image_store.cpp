// Store calls of the exposure tables.
#include <cstring>

#include "handlers/camera/image_records.h"

int read_exposure(const char* db, ExposurePair (&table)[kExposurePairs], int channel, int* count)
{
    ExposureRecord rec;
    std::memset(table, 0, sizeof table);
    *count = 0;
    if (store_read(db, kExposureKind, channel, &rec) != 0) return -1;
    // A row claiming more pairs than it holds gives the pairs it holds.
    int n = rec.count;
    if (n < 0) n = 0;
    if (n > kExposurePairs) n = kExposurePairs;
    std::memcpy(table, rec.pair, sizeof table);
    *count = n;
    return 0;
}

int write_exposure(const char* db, const ExposurePair* table, int channel, int count)
{
    if (count < 0 || count > kExposurePairs || (count > 0 && !table)) return -1;
    ExposureRecord rec = zeroed<ExposureRecord>();
    rec.count = count;
    if (count > 0) std::memcpy(rec.pair, table, sizeof(ExposurePair) * size_t(count));
    return store_write(db, kExposureKind, channel, rec);
}
