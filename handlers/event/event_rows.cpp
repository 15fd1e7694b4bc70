#include "handlers/event/event_rows.h"

#include <cstring>

namespace {

// The table a masked write takes its rows from.
struct RowSource {
    const char* rows;
    size_t row_size;
};

void take_row(void* record, int index, void* context)
{
    const auto* from = static_cast<const RowSource*>(context);
    std::memcpy(record, from->rows + size_t(index) * from->row_size, from->row_size);
}

}  // namespace

int event_rows_write_masked_bytes(const char* db, const KxRecordKind& kind, const void* table, u64 mask)
{
    if (!table || kind.size == 0 || kind.capacity <= 0) return -1;
    const int rows = kind.capacity < 64 ? kind.capacity : 64;
    if (rows < 64) mask &= (u64(1) << rows) - 1;
    if (!mask) return 0;
    RowSource from{static_cast<const char*>(table), kind.size};
    // A copy from a row outside the mask, whose every target takes its own
    // row from the table: all rows of the mask in one transaction, no other
    // row touched.
    int source = -1;
    for (int i = 0; i < kind.capacity && source < 0; i++)
        if (i >= 64 || !(mask >> i & 1)) source = i;
    int result;
    if (source >= 0) {
        result = kxdb_row_copy_with(db, kind, source, mask, take_row, &from);
    } else {
        // Every row is in the mask: the first is written on its own.
        result = kxdb_row_write(db, kind, 0, from.rows);
        if (result == 0) result = kxdb_row_copy_with(db, kind, 0, mask, take_row, &from);
    }
    return result;
}
