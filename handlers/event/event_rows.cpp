#include "handlers/event/event_rows.h"

#include <cstring>
#include <vector>

int event_rows_write_masked(const char* db, const KxRecordKind& kind, const void* table, u64 mask)
{
    if (!table || kind.size == 0 || kind.capacity <= 0) return -1;
    int top = -1;
    for (int i = 0; i < 64 && i < kind.capacity; i++)
        if (mask >> i & 1) top = i;
    if (top < 0) return 0;
    // kxdb_rows_write writes rows 0..top in one transaction: fill the rows
    // the mask leaves out with what the store holds.
    std::vector<char> rows(size_t(kind.capacity) * kind.size, 0);
    int count = 0;
    if (kxdb_rows_read(db, kind, rows.data(), kind.capacity, &count) != 0) return -1;
    const char* src = static_cast<const char*>(table);
    for (int i = 0; i <= top; i++)
        if (mask >> i & 1) std::memcpy(rows.data() + size_t(i) * kind.size, src + size_t(i) * kind.size, kind.size);
    return kxdb_rows_write(db, kind, rows.data(), top + 1);
}
