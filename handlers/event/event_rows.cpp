#include "handlers/event/event_rows.h"

#include <cstring>

namespace {

// The table a masked write takes its rows from (kxdb_row_copy's patch has
// no context argument; the store calls it on this thread).
thread_local const char* t_rows = nullptr;
thread_local size_t t_row_size = 0;

void take_row(void* record, int index) { std::memcpy(record, t_rows + size_t(index) * t_row_size, t_row_size); }

}  // namespace

int event_rows_write_masked_bytes(const char* db, const KxRecordKind& kind, const void* table, u64 mask)
{
    if (!table || kind.size == 0 || kind.capacity <= 0) return -1;
    const int rows = kind.capacity < 64 ? kind.capacity : 64;
    if (rows < 64) mask &= (u64(1) << rows) - 1;
    if (!mask) return 0;
    t_rows = static_cast<const char*>(table);
    t_row_size = kind.size;
    // A copy from a row outside the mask, whose every target takes its own
    // row from the table: all rows of the mask in one transaction, no other
    // row touched.
    int source = -1;
    for (int i = 0; i < kind.capacity && source < 0; i++)
        if (i >= 64 || !(mask >> i & 1)) source = i;
    int result;
    if (source >= 0) {
        result = kxdb_row_copy(db, kind, source, mask, take_row);
    } else {
        // Every row is in the mask: the first is written on its own.
        result = kxdb_row_write(db, kind, 0, t_rows);
        if (result == 0) result = kxdb_row_copy(db, kind, 0, mask, take_row);
    }
    t_rows = nullptr;
    return result;
}
