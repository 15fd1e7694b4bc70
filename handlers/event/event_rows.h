// Writes of several different rows of one event table, chosen by a mask.
#pragma once

#include "platform/record.h"
#include "platform/kxdb.h"

// Writes the rows of `table` (kind.capacity records, indexed by row) whose
// bits are set in the mask, in one transaction (two when the mask holds
// every row of the kind); no other row is touched. 0 also for an empty
// mask; -1 on a store failure.
int event_rows_write_masked_bytes(const char* db, const KxRecordKind& kind, const void* table, u64 mask);
// The same with the table's record type checked against the kind's.
template <typename T>
inline int event_rows_write_masked(const char* db, const StoreKind<T>& kind, const T* table, u64 mask)
{
    return event_rows_write_masked_bytes(db, kind, table, mask);
}

// The masked write of a kind's whole table as the named store calls take
// it: -1, nothing written, unless `count` is the kind's number of rows.
template <typename T>
inline int event_rows_write_table(const char* db, const StoreKind<T>& kind, const T* table, int count, u32 mask_low,
                                  u32 mask_high)
{
    if (count != kind.capacity) return -1;
    return event_rows_write_masked(db, kind, table, mask64(mask_low, mask_high));
}
