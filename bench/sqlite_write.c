/* The store write of "/1024" as a bare loop: one connection to the same
 * database (write-ahead log, synchronous=FULL, as the store library opens
 * it), the same upsert of one key, N times. Prints writes per second.
 * Usage: sqlite_write DB N */
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

int main(int argc, char** argv)
{
    if (argc != 3) return 2;
    sqlite3* db;
    if (sqlite3_open(argv[1], &db) != SQLITE_OK) return 1;
    sqlite3_busy_timeout(db, 10000);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", 0, 0, 0);
    sqlite3_stmt* s;
    if (sqlite3_prepare_v2(db, "INSERT INTO param(key,value) VALUES(?1,?2) "
                               "ON CONFLICT(key) DO UPDATE SET value=excluded.value", -1, &s, 0) != SQLITE_OK)
        return 1;
    long n = atol(argv[2]);
    struct timespec a, b;
    clock_gettime(CLOCK_MONOTONIC, &a);
    for (long i = 0; i < n; i++) {
        sqlite3_bind_text(s, 1, "permission_update", -1, SQLITE_STATIC);
        sqlite3_bind_text(s, 2, "0", -1, SQLITE_STATIC);
        if (sqlite3_step(s) != SQLITE_DONE) return 1;
        sqlite3_reset(s);
    }
    clock_gettime(CLOCK_MONOTONIC, &b);
    double sec = (b.tv_sec - a.tv_sec) + (b.tv_nsec - a.tv_nsec) / 1e9;
    printf("%.0f\n", n / sec);
    sqlite3_finalize(s);
    sqlite3_close(db);
    return 0;
}
