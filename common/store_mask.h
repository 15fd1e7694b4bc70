// Store writes addressed by a 64-bit channel mask, over the generic record
// calls of platform/kxdb.h.
#pragma once

#include <cstddef>

#include "platform/record.h"
#include "platform/kxdb.h"

// Writes `record` (kind.size bytes) to every index of the mask within the
// kind's capacity: the lowest index is written first and then copied to the
// others in one transaction, so the copies are all of the same row. `patch`,
// when given, is applied to each written row with its index (to set a channel
// number held inside the record). 0 also for an empty mask; -1 on a store
// failure.
int store_write_masked_bytes(const char* db, const KxRecordKind& kind, const void* record, u64 mask,
                             void (*patch)(void* record, int index) = nullptr);
// The same for a named table: the record must be of the kind's record type.
template <typename T>
inline int store_write_masked(const char* db, const StoreKind<T>& kind, const T* record, u64 mask,
                              void (*patch)(void* record, int index) = nullptr)
{
    return store_write_masked_bytes(db, kind, record, mask, patch);
}

// Sets the signed 32-bit field at byte `offset` of every stored row of the
// mask to `value`; absent rows stay absent. 0, or -1 when a row could not be
// written (the others are still written) or the offset does not fit the kind.
int copy_table_column_int(const char* db, const KxRecordKind& kind, size_t offset, int value, u32 mask_low,
                          u32 mask_high);
