#include "common/store_mask.h"

#include <cstring>
#include <vector>

int store_write_masked_bytes(const char* db, const KxRecordKind& kind, const void* record, u64 mask,
                             void (*patch)(void* record, int index))
{
    if (!record || kind.size == 0) return -1;
    int first = -1;
    for (int i = 0; i < 64 && i < kind.capacity && first < 0; i++)
        if (mask >> i & 1) first = i;
    if (first < 0) return 0;
    std::vector<char> row(static_cast<const char*>(record), static_cast<const char*>(record) + kind.size);
    if (patch) patch(row.data(), first);
    if (kxdb_row_write(db, kind, first, row.data()) != 0) return -1;
    return kxdb_row_copy(db, kind, first, mask, patch);
}

int copy_table_column_int(const char* db, const KxRecordKind& kind, size_t offset, int value, u32 mask_low,
                          u32 mask_high)
{
    if (kind.size < sizeof(i32) || offset > kind.size - sizeof(i32)) return -1;
    const u64 mask = mask64(mask_low, mask_high);
    std::vector<char> row(kind.size);
    int result = 0;
    for (int i = 0; i < 64 && i < kind.capacity; i++) {
        if (!(mask >> i & 1)) continue;
        if (kxdb_row_read(db, kind, i, row.data()) != 0) continue;  // no such row
        i32 v = value;
        std::memcpy(row.data() + offset, &v, sizeof v);
        if (kxdb_row_write(db, kind, i, row.data()) != 0) result = -1;
    }
    return result;
}
