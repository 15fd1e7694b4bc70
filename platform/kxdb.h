// The configuration store library, on SQLite.
//
// Every call names its database file ("/mnt/nand/app/kxdb.db",
// "/mnt/nand/app/anpr.db", "/mnt/nand2/oem.db"); the file is resolved under
// NVR_ROOT and opened lazily, once per process. A missing database reads as
// empty: reads give their defaults and never create the file; the first write
// creates it.
//
// Durability and sharing: WAL journal with synchronous=FULL (a write reported
// done survives a power cut) and a 10 s busy timeout, so CGI processes and the
// daemon can write at once. Multi-row writes are one transaction each, and a
// whole request's calls are one per file (see the request scope below). The
// calls are thread-safe; an explicit fork() closes the open handles first so
// that a child never shares a connection with its parent.
//
// Results: 0 on success, -1 on failure unless stated otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "platform/record.h"

// The database files.
constexpr const char* kMainDb = "/mnt/nand/app/kxdb.db";
constexpr const char* kAnprDb = "/mnt/nand/app/anpr.db";
constexpr const char* kOemDb = "/mnt/nand2/oem.db";

// The table of the key/value calls: param(key TEXT PRIMARY KEY, value TEXT).
// Record kinds may not use this name.
constexpr const char* kKeyTable = "param";

// Key/value calls. Values are texts; get_param_int parses with atoi
// semantics (leading blanks, sign, digits; "12ab" gives 12, "ab" gives 0).
// get_param_value copies at most out_size - 1 bytes and a NUL; it returns 0
// when the key was found, -1 when absent (out then holds default, "" for null).
// set_param_int stores whether or not the key exists; set_param_value only
// replaces the text of an existing key (-1, nothing stored, when absent);
// add_param_value creates the key, and replaces the text when another process
// created it in between, so a check/add/set sequence never loses a write.
int get_param_int(const char* db, const char* key, int def);
int set_param_int(const char* db, const char* key, int value);
int get_param_value(const char* db, const char* key, char* out, int out_size, const char* def);
int set_param_value(const char* db, const char* key, const char* text);
int check_param_key(const char* db, const char* key);  // non-zero when absent
int add_param_value(const char* db, const char* key, const char* text);
// Stores a text under a key whether or not it exists yet.
int put_param_value(const char* db, const char* key, const char* text);

// A record kind: a table of fixed-size binary rows addressed by index
// 0..capacity-1. Rows are stored whole, so bytes no caller names survive a
// read-change-write; a stored row shorter than `size` (an older layout)
// reads back zero-extended.
struct KxRecordKind {
    const char* table;  // SQL table name, letters, digits and '_'
    int capacity;       // number of rows; other indexes are refused
    size_t size;        // bytes of one record
};

// One row: 0 when found, -1 when absent or out of range (out zero-filled).
int kxdb_row_read(const char* db, const KxRecordKind& kind, int index, void* out);
// Writes one row; -1 when the index is out of range (nothing written).
int kxdb_row_write(const char* db, const KxRecordKind& kind, int index, const void* record);
// Reads rows 0..max-1 into `out` (absent rows zero-filled); *count is set to
// the number of rows present. 0, or -1 on a store failure.
int kxdb_rows_read(const char* db, const KxRecordKind& kind, void* out, int max, int* count);
// Writes rows 0..count-1 in one transaction; rows from count on are left as
// they are. -1, nothing written, when count exceeds the capacity.
int kxdb_rows_write(const char* db, const KxRecordKind& kind, const void* records, int count);
// Makes rows 0..count-1 the whole table: writes them and removes every row
// from count on, in one transaction (a list that shrinks leaves nothing
// behind). -1, nothing changed, when count exceeds the capacity.
int kxdb_rows_replace(const char* db, const KxRecordKind& kind, const void* records, int count);
// Removes one row (0 also when it was absent); -1 when out of range.
int kxdb_row_delete(const char* db, const KxRecordKind& kind, int index);
// Number of rows present within the capacity.
int kxdb_row_count(const char* db, const KxRecordKind& kind);
// Copies row `source` to every index whose bit is set in `mask` (within
// capacity, source excluded), in one transaction. `patch`, when given, is
// called on each copy with its target index before it is written (to set a
// channel number held inside the record). A missing source row copies as
// zeros. -1 when the source is out of range. `patch` may not call the store.
int kxdb_row_copy(const char* db, const KxRecordKind& kind, int source, u64 mask,
                  void (*patch)(void* record, int index) = nullptr);
// The same with a patch that takes the caller's context.
int kxdb_row_copy_with(const char* db, const KxRecordKind& kind, int source, u64 mask,
                       void (*patch)(void* record, int index, void* context), void* context);
// Runs fn(record, index, ctx) for every present row in index order (records
// zero-extended to the kind's size); returns the number of rows, or -1. The
// rows are read first, so fn may call the store.
int kxdb_rows_each(const char* db, const KxRecordKind& kind, void (*fn)(const void* record, int index, void* ctx),
                   void* ctx);

// Closes every open database (tools and tests); a request's transactions are
// committed first.
void kxdb_close_all();
// Closes the connections whose database file was replaced (another file now
// has its name) or deleted since they opened it; the next call opens the
// file now there. A process that lives across requests calls it before each.
void kxdb_close_replaced();
// Copies the write-ahead logs of the open connections into their databases
// and empties them, as closing them would: a process that keeps its
// connections calls it when it goes idle, so that a database file replaced
// meanwhile is never read together with an old file's log.
void kxdb_checkpoint_all();

// ---- request scope ----
//
// Between kxdb_request_begin and kxdb_request_end every store call of the
// process (from any thread) belongs to the request: the first call on a
// database file begins an immediate transaction on it (a second writer, in
// any process, waits for it with the busy timeout), and later calls join it,
// so a read followed by a write of the same data, a free-slot search followed
// by the insert, and every multi-row change are one unit. The transactions
// end at kxdb_request_commit, which the caller runs before each message to the
// core daemon (the write lock is never held while waiting on the daemon) and
// before the reply is written, and at kxdb_request_end, which leaves no
// transaction open (a persistent process serves its next request clean).
// While a transaction is held on one file, another file is only taken when
// it is free at once; otherwise the held one is committed first, so two
// requests never wait on each other (no lock-order deadlock).
//
// A write or commit that fails rolls back every transaction the request holds,
// calls `on_failure` (once, with the store's error text) and refuses the
// request's later writes; from then on kxdb_request_commit, kxdb_request_end
// and kxdb_request_failed report the failure, so the request answers its
// failure form and sends the daemon no change message. Outside a scope each
// call is its own transaction (tools, tests).
void kxdb_request_begin(void (*on_failure)(const char* error) = nullptr);
// Commits what the request holds: 0, or -1 when a write or commit of the
// request has failed (now or earlier). Outside a scope: 0.
int kxdb_request_commit();
// Commits as kxdb_request_commit and ends the scope; the same result.
int kxdb_request_end();
// 1 when a write or commit of the current request has failed, else 0.
int kxdb_request_failed();

// For tools: the table names of a database in name order; every key and its
// text in key order; every stored row of a table whatever its length, in
// index order. Each returns the number of items, or -1 on a store failure
// (0 for a missing database or table). The callbacks may not call the store.
int kxdb_tables(const char* db, void (*fn)(const char* name, void* ctx), void* ctx);
int kxdb_keys_each(const char* db, void (*fn)(const char* key, const char* value, void* ctx), void* ctx);
int kxdb_raw_rows(const char* db, const char* table,
                  void (*fn)(long long index, const void* data, size_t len, void* ctx), void* ctx);
// Runs SQLite's integrity check: 0 when sound, 1 when damaged, -1 when the
// database cannot be opened (or is missing).
int kxdb_integrity_check(const char* db);
// A text describing the last failure of this thread's store calls ("" none).
const char* kxdb_last_error();

// A record kind typed by its record: the kinds of the named tables are
// declared with NVR_STORE_KIND, and the typed calls below take a record of
// exactly that type, so pairing a record with another table's kind does not
// compile.
template <typename T>
struct StoreKind : KxRecordKind {
    static_assert(std::is_trivially_copyable<T>::value, "plain records only");
    using Record = T;
    constexpr StoreKind(const char* table_name, int rows) : KxRecordKind{table_name, rows, sizeof(T)} {}
};
// Declares the kind of a record table: NVR_STORE_KIND(kUserKind, "user", 100, UserRecord)
#define NVR_STORE_KIND(var, table, capacity, Record) \
    inline constexpr StoreKind<Record> var { table, capacity }

// Typed one-line uses of the generic calls, for the named store calls. The
// record type is taken from the kind and the record alike; they must agree.
template <typename T>
inline int store_read(const char* db, const StoreKind<T>& k, int index, T* out)
{
    return kxdb_row_read(db, k, index, out);
}
template <typename T>
inline int store_write(const char* db, const StoreKind<T>& k, int index, const T& rec)
{
    return kxdb_row_write(db, k, index, &rec);
}
template <typename T>
inline int store_read_all(const char* db, const StoreKind<T>& k, T* out, int max, int* count)
{
    return kxdb_rows_read(db, k, out, max, count);
}
template <typename T>
inline int store_write_all(const char* db, const StoreKind<T>& k, const T* records, int count)
{
    return kxdb_rows_write(db, k, records, count);
}
// copy_<x>(db, source, mask_low, mask_high)
inline int store_copy(const char* db, const KxRecordKind& k, int source, u32 low, u32 high,
                      void (*patch)(void* record, int index) = nullptr)
{
    return kxdb_row_copy(db, k, source, mask64(low, high), patch);
}

// The same calls for a kind chosen at run time (a table whose record type
// the caller holds only as a size): a record type whose size differs from
// the kind's is refused (-1, nothing read or written), so a wrong pairing
// never overruns a buffer.
template <typename T>
inline int store_read_sized(const char* db, const KxRecordKind& k, int index, T* out)
{
    if (sizeof(T) != k.size) {
        if (out) std::memset(static_cast<void*>(out), 0, sizeof(T));
        return -1;
    }
    return kxdb_row_read(db, k, index, out);
}
template <typename T>
inline int store_write_sized(const char* db, const KxRecordKind& k, int index, const T& rec)
{
    if (sizeof(T) != k.size) return -1;
    return kxdb_row_write(db, k, index, &rec);
}
template <typename T>
inline int store_read_all_sized(const char* db, const KxRecordKind& k, T* out, int max, int* count)
{
    if (sizeof(T) != k.size) {
        if (out && max > 0) std::memset(static_cast<void*>(out), 0, sizeof(T) * size_t(max));
        if (count) *count = 0;
        return -1;
    }
    return kxdb_rows_read(db, k, out, max, count);
}
template <typename T>
inline int store_write_all_sized(const char* db, const KxRecordKind& k, const T* records, int count)
{
    if (sizeof(T) != k.size) return -1;
    return kxdb_rows_write(db, k, records, count);
}

// ---- text-keyed lists ----
//
// A list keeps rows of one fixed size addressed by a text key (the plate
// lists of "/mnt/nand/app/anpr.db"), in a table of its own named after the
// list: <list>(key TEXT PRIMARY KEY, data BLOB). Keys compare byte by byte.
// Every call that changes several rows is one transaction: all or nothing.

// Stores each row under its key, replacing a row of the same key.
int kxdb_list_put(const char* db, const char* list, const char* const* keys, const void* rows, size_t size,
                  int count);
// Removes the rows of the keys (absent keys are no failure).
int kxdb_list_delete(const char* db, const char* list, const char* const* keys, int count);
// Removes `old_key` and stores `row` under `key`, together.
int kxdb_list_move(const char* db, const char* list, const char* old_key, const char* key, const void* row,
                   size_t size);
// The row of a key: 0 when found, -1 when absent (out zero-filled).
int kxdb_list_get(const char* db, const char* list, const char* key, void* out, size_t size);
// Changes the row of one key in one write transaction, so that concurrent
// read-change-writes of a row never lose each other's change: fn(row, found,
// ctx) gets the stored row (zero-filled when absent) and returns what to do:
// kListKeep, kListPut (store the changed row) or kListDelete. Returns fn's
// answer, or -1 on a store failure (nothing changed). fn may not call the
// store.
enum KxListChange { kListKeep = 0, kListPut = 1, kListDelete = 2 };
int kxdb_list_update(const char* db, const char* list, const char* key, size_t size,
                     int (*fn)(void* row, bool found, void* ctx), void* ctx);
// Number of rows (0 for a missing database or list), or -1.
int kxdb_list_count(const char* db, const char* list);
// Runs fn(key, row, ctx) for every row in key order (rows zero-extended or
// cut to `size`); the number of rows, or -1. The rows are read first, so fn
// may call the store.
int kxdb_list_each(const char* db, const char* list, size_t size,
                   void (*fn)(const char* key, const void* row, void* ctx), void* ctx);
