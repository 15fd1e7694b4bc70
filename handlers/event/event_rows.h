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
