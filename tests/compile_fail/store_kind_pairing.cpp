// Compiled, not run: a record read or written through its own table's kind
// compiles; with NVR_MISPAIR defined each call below pairs a record with
// another table's kind and must not compile.
#include "platform/kxdb.h"

struct RowA {
    i32 id;
    char name[12];
};
struct RowB {
    i32 id;
    char name[12];  // the same size as RowA: only the type tells them apart
};
NVR_STORE_KIND(kRowAKind, "row_a", 4, RowA);
NVR_STORE_KIND(kRowBKind, "row_b", 4, RowB);

int pairing(const char* db)
{
    RowA a = zeroed<RowA>();
    RowA rows[4] = {};
    int count = 0;
    int r = store_read(db, kRowAKind, 0, &a) + store_write(db, kRowAKind, 1, a) +
            store_read_all(db, kRowAKind, rows, 4, &count) + store_write_all(db, kRowAKind, rows, 4);
#ifdef NVR_MISPAIR_READ
    r += store_read(db, kRowBKind, 0, &a);
#endif
#ifdef NVR_MISPAIR_WRITE
    r += store_write(db, kRowBKind, 0, a);
#endif
#ifdef NVR_MISPAIR_ALL
    r += store_write_all(db, kRowBKind, rows, 4);
#endif
    return r;
}
