// Writes of several different rows of one event table, chosen by a mask.
#pragma once

#include "common/record.h"
#include "platform/kxdb.h"

// Writes the rows of `table` (kind.capacity records, indexed by row) whose
// bits are set in the mask, in one transaction. Rows outside the mask keep
// their stored bytes: they are read back just before and rewritten as they
// are (absent ones stay absent only when no row above them is written).
// 0 also for an empty mask; -1 on a store failure.
int event_rows_write_masked(const char* db, const KxRecordKind& kind, const void* table, u64 mask);
