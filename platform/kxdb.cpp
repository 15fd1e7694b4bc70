// The configuration store library on SQLite.
//
// Layout of a database file:
//   param(key TEXT PRIMARY KEY, value TEXT NOT NULL)      the key/value calls
//   <kind>(idx INTEGER PRIMARY KEY, data BLOB NOT NULL)   one table per record kind
//
// One connection per database file and process, opened on first use and kept
// with its prepared statements. A database that does not exist is opened only
// by a write; reads of it give the defaults. Pragmas: the busy timeout and
// synchronous=FULL on every connection (neither costs any I/O), the WAL
// journal once, when the file is created (it is persistent in the file).
#include "platform/kxdb.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <new>
#include <pthread.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/paths.h"

namespace {

constexpr int kBusyTimeoutMs = 10000;
constexpr size_t kMaxRecordSize = 16u << 20;

thread_local std::string t_error;

// How a call needs its database.
enum class Access {
    Read,    // must exist; read-write when possible, else read-only
    Write,   // must exist and be writable (changing what is absent is a no-op)
    Create,  // created when missing
};
enum OpenResult { kOpenFailed = -1, kMissing = 0, kOpen = 1 };

struct Db {
    std::string fixed;
    std::string path;
    sqlite3* h = nullptr;
    bool writable = false;
    bool sync_dir = false;     // created by this connection: make its name durable after the first write
    bool wal_pending = false;  // created, but the switch to WAL has not succeeded yet
    bool txn = false;          // holds the current request's transaction (BEGIN IMMEDIATE)
    bool txn_refused = false;  // the request's transaction could not be begun: its writes are refused
    dev_t dev = 0;             // identity of the file the connection opened
    ino_t ino = 0;
    std::unordered_map<std::string, sqlite3_stmt*> stmts;
    std::unordered_set<std::string> tables;  // tables known to exist
};

// Every call holds this lock for its whole use of a connection. Recursive so
// that a callback calling the store cannot deadlock its own thread.
std::recursive_mutex& store_lock()
{
    static auto* m = new std::recursive_mutex;
    return *m;
}

std::vector<std::unique_ptr<Db>>& open_dbs()
{
    static auto* v = new std::vector<std::unique_ptr<Db>>;
    return *v;
}

void fail(const std::string& what, sqlite3* h = nullptr)
{
    t_error = h ? what + ": " + sqlite3_errmsg(h) : what;
}

// The request scope (kxdb_request_begin .. kxdb_request_end), process-wide
// and guarded by the store lock: every store call of the request, from any
// thread, joins one immediate transaction per database file.
struct RequestScope {
    bool active = false;
    bool failed = false;  // a write or commit failed: later writes are refused
    std::string error;    // the first failure
    void (*on_failure)(const char* error) = nullptr;
};
RequestScope g_request;

bool commit_held(Db* except);

void close_db(Db& d)
{
    for (auto& s : d.stmts) sqlite3_finalize(s.second);
    d.stmts.clear();
    d.tables.clear();
    if (d.h) sqlite3_close_v2(d.h);
    d.h = nullptr;
    d.writable = false;
    d.sync_dir = false;
    d.wal_pending = false;
}

void close_all_locked()
{
    // Closing a connection would roll its transaction back: what the request
    // wrote so far is committed first.
    commit_held(nullptr);
    for (auto& d : open_dbs()) close_db(*d);
}

// A child of fork() must not use its parent's connections (their lock state
// is per process), so none are open across a fork; both sides reopen lazily.
// system() and popen() spawn without running these handlers, which is fine:
// their children exec at once.
void before_fork()
{
    store_lock().lock();
    close_all_locked();
}
void after_fork_parent() { store_lock().unlock(); }
// The child's thread is not the owner recorded in the lock (its thread id
// differs), so it gets a fresh, unlocked one. The child is not part of the
// parent's request: its writes commit as they are made.
void after_fork_child()
{
    new (&store_lock()) std::recursive_mutex;
    g_request = RequestScope{};
}

bool exec(sqlite3* h, const char* sql)
{
    char* msg = nullptr;
    if (sqlite3_exec(h, sql, nullptr, nullptr, &msg) == SQLITE_OK) return true;
    t_error = std::string(sql) + ": " + (msg ? msg : sqlite3_errmsg(h));
    sqlite3_free(msg);
    return false;
}

void fsync_parent_dir(const std::string& path)
{
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

Db* slot(const char* fixed)
{
    if (!fixed || fixed[0] != '/') {
        fail("database name must be an absolute path");
        return nullptr;
    }
    for (auto& d : open_dbs())
        if (d->fixed == fixed) return d.get();
    auto d = std::make_unique<Db>();
    d->fixed = fixed;
    d->path = nvr_path(fixed);
    open_dbs().push_back(std::move(d));
    return open_dbs().back().get();
}

// Switches a database to the write-ahead log; true when it is in WAL mode.
bool set_wal(sqlite3* h)
{
    sqlite3_stmt* s = nullptr;
    bool wal = false;
    if (sqlite3_prepare_v2(h, "PRAGMA journal_mode=WAL", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW) {
        const unsigned char* mode = sqlite3_column_text(s, 0);
        wal = mode && !strcasecmp(reinterpret_cast<const char*>(mode), "wal");
    }
    sqlite3_finalize(s);
    return wal;
}

int open_db(Db& d, Access a)
{
    if (d.h && (d.writable || a == Access::Read)) return kOpen;
    struct stat st;
    bool exists = stat(d.path.c_str(), &st) == 0;
    if (!exists && a != Access::Create) {
        fail("no database " + d.path);
        return kMissing;
    }
    if (d.h) close_db(d);  // a read-only connection that now has to write

    static bool fork_guard = false;
    if (!fork_guard) fork_guard = pthread_atfork(before_fork, after_fork_parent, after_fork_child) == 0;
    // Connections are closed at exit: the last one to close checkpoints the
    // write-ahead log and removes it. A log left behind would be replayed
    // (read whole) by the next process to open the database, so every CGI
    // run would pay for all the writes since the last checkpoint.
    static bool exit_guard = false;
    if (!exit_guard) exit_guard = std::atexit(kxdb_close_all) == 0;

    // Every use of a connection holds store_lock(), so SQLite's connection
    // mutex and its allocation statistics (a global mutex and counters on
    // every allocation) are pure cost. The setting only takes before SQLite's
    // first use in the process; later it is refused, harmlessly.
    static bool configured = false;
    if (!configured) {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        configured = true;
    }
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (a == Access::Create ? SQLITE_OPEN_CREATE : 0);
    sqlite3* h = nullptr;
    int rc = sqlite3_open_v2(d.path.c_str(), &h, flags, nullptr);
    if (rc != SQLITE_OK && a == Access::Read) {
        sqlite3_close_v2(h);
        h = nullptr;
        rc = sqlite3_open_v2(d.path.c_str(), &h, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    }
    if (rc != SQLITE_OK) {
        fail("cannot open " + d.path, h);
        sqlite3_close_v2(h);
        return kOpenFailed;
    }
    // A write-protected file opens read-only even when read-write was asked.
    bool writable = sqlite3_db_readonly(h, "main") == 0;
    if (!writable && a != Access::Read) {
        fail("database is read-only: " + d.path);
        sqlite3_close_v2(h);
        return kOpenFailed;
    }
    sqlite3_busy_timeout(h, kBusyTimeoutMs);
    if (writable) {
        // An empty file is one being created (here or by another process at
        // the same moment); the journal mode is then stored in its header.
        d.wal_pending = (!exists || st.st_size == 0) && !set_wal(h);
        // A write reported done must survive a power cut: FULL, which is
        // this library's compiled default for WAL when the option says so.
        if (!sqlite3_compileoption_used("DEFAULT_WAL_SYNCHRONOUS=2")) exec(h, "PRAGMA synchronous=FULL");
    }
    d.h = h;
    d.writable = writable;
    d.sync_dir = !exists;
    if (stat(d.path.c_str(), &st) == 0) {
        d.dev = st.st_dev;
        d.ino = st.st_ino;
    }
    return kOpen;
}

// After a successful write: a database file this process created keeps its
// directory entry over a power cut, and one whose switch to WAL failed (busy
// while others created it too) is switched now that it has content.
void wrote(Db& d)
{
    if (d.txn) return;  // done at the commit
    if (d.wal_pending) d.wal_pending = !set_wal(d.h);
    if (!d.sync_dir) return;
    fsync_parent_dir(d.path);
    d.sync_dir = false;
}

sqlite3_stmt* statement(Db& d, const std::string& sql)
{
    auto it = d.stmts.find(sql);
    if (it != d.stmts.end()) return it->second;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v3(d.h, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) {
        fail(sql, d.h);
        sqlite3_finalize(s);
        return nullptr;
    }
    d.stmts.emplace(sql, s);
    return s;
}

// Returns a cached statement to its unused state at the end of a scope.
struct Use {
    sqlite3_stmt* s;
    explicit Use(sqlite3_stmt* st) : s(st) {}
    ~Use()
    {
        if (s) {
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
        }
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
};

bool missing_table(sqlite3* h) { return std::strncmp(sqlite3_errmsg(h), "no such table", 13) == 0; }

bool ensure_table(Db& d, const std::string& name, const std::string& columns, const char* options = "")
{
    if (d.tables.count(name)) return true;
    // Looking the table up in the schema costs far less than parsing a
    // CREATE statement, and the schema has to be read anyway.
    if (sqlite3_table_column_metadata(d.h, "main", name.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr) == SQLITE_OK) {
        d.tables.insert(name);
        return true;
    }
    std::string sql = "CREATE TABLE IF NOT EXISTS \"" + name + "\"(" + columns + ")" + options;
    if (!exec(d.h, sql.c_str())) return false;
    d.tables.insert(name);
    return true;
}

constexpr const char* kKeyColumns = "key TEXT PRIMARY KEY, value TEXT NOT NULL";
// Every record kind lives in one table, keyed by kind and index: the schema
// stays two tables however many kinds exist, so opening a database (which
// parses the schema) costs the same on a device with every setting stored.
constexpr const char* kRecordTable = "record";
constexpr const char* kRowColumns = "kind TEXT NOT NULL, idx INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(kind, idx)";
constexpr const char* kRowOptions = " WITHOUT ROWID";

bool ensure_record_table(Db& d) { return ensure_table(d, kRecordTable, kRowColumns, kRowOptions); }

constexpr const char* kSelectRow = "SELECT data FROM record WHERE kind=?3 AND idx=?1";
constexpr const char* kPutRow = "INSERT OR REPLACE INTO record(kind,idx,data) VALUES(?3,?1,?2)";
constexpr const char* kSelectRows = "SELECT idx,data FROM record WHERE kind=?3 AND idx>=0 AND idx<?1 ORDER BY idx";
constexpr const char* kDeleteRow = "DELETE FROM record WHERE kind=?3 AND idx=?1";
constexpr const char* kCountRows = "SELECT count(*) FROM record WHERE kind=?3 AND idx>=0 AND idx<?1";

void bind_kind(sqlite3_stmt* s, const KxRecordKind& kind) { sqlite3_bind_text(s, 3, kind.table, -1, SQLITE_STATIC); }

// Multi-row writes: their own transaction outside a request; inside one
// they are part of the request's.
bool begin(Db& d) { return d.txn || exec(d.h, "BEGIN IMMEDIATE"); }

void request_fail(const std::string& why);

bool finish(Db& d, bool ok)
{
    if (d.txn) {
        if (!ok) request_fail(t_error);
        return ok;
    }
    if (ok && exec(d.h, "COMMIT")) {
        wrote(d);
        return true;
    }
    if (!sqlite3_get_autocommit(d.h)) {
        std::string why = t_error;
        exec(d.h, "ROLLBACK");
        t_error = why;
    }
    return false;
}

bool step_done(Db& d, sqlite3_stmt* s, const char* what)
{
    if (sqlite3_step(s) == SQLITE_DONE) {
        sqlite3_reset(s);
        return true;
    }
    fail(what, d.h);
    return false;
}

// ---- the request's transactions ----

void rollback_txn(Db& d)
{
    if (!d.txn) return;
    d.txn = false;
    if (d.h && !sqlite3_get_autocommit(d.h)) {
        std::string why = t_error;
        exec(d.h, "ROLLBACK");
        t_error = why;
    }
    d.tables.clear();  // a table created in the transaction is gone again
}

// A write or commit of the request failed: everything the request holds is
// rolled back, the first failure is kept and reported, later writes refused.
void request_fail(const std::string& why)
{
    if (!g_request.active) return;
    if (!g_request.failed) {
        g_request.failed = true;
        g_request.error = why;
        if (g_request.on_failure) g_request.on_failure(why.c_str());
    }
    for (auto& d : open_dbs()) rollback_txn(*d);
}

bool commit_txn(Db& d)
{
    if (!d.txn) return true;
    if (exec(d.h, "COMMIT")) {
        d.txn = false;
        wrote(d);
        return true;
    }
    request_fail(d.path + ": " + t_error);
    return false;
}

// Commits every transaction the request holds but `except`'s; false when a
// commit failed (the request has then failed).
bool commit_held(Db* except)
{
    bool ok = true;
    for (auto& d : open_dbs())
        if (d.get() != except && d->txn) ok = commit_txn(*d) && ok;
    return ok;
}

// Makes a call on the open database `d` part of the request's transaction,
// beginning it with BEGIN IMMEDIATE, so that a second writer waits (busy
// timeout) for the first request's whole read-change-write instead of
// interleaving with it. A process never waits for one database while it
// holds another: when a second database is busy, what the request holds is
// committed first, so requests that touch two files in opposite orders cannot
// deadlock. false when the transaction could not be begun.
bool join(Db& d)
{
    if (!g_request.active || d.txn || !d.writable) return true;
    if (d.txn_refused) {
        fail("no transaction on " + d.path + " in this request");
        return false;
    }
    bool others = false;
    for (auto& o : open_dbs()) others = others || o->txn;
    if (others) {
        sqlite3_busy_timeout(d.h, 0);
        int rc = sqlite3_exec(d.h, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_busy_timeout(d.h, kBusyTimeoutMs);
        if (rc == SQLITE_OK) {
            d.txn = true;
            return true;
        }
        if (!commit_held(&d)) return false;
    }
    if (!exec(d.h, "BEGIN IMMEDIATE")) {
        d.txn_refused = true;
        return false;
    }
    d.txn = true;
    return true;
}

// Opens `d` for a read within the request's transaction. When that cannot be
// begun the read still goes on, outside it, and the request's writes to `d`
// are refused (they would not be one unit with the read).
int open_read(Db& d)
{
    int o = open_db(d, Access::Read);
    if (o == kOpen) join(d);
    return o;
}

// A write that did not happen fails the request (see request_fail): -1.
int write_failed()
{
    request_fail(t_error);
    return -1;
}

// Opens `d` for a write within the request's transaction. kMissing only for
// Access::Write on a missing database (nothing to change); a failure to open
// or to begin fails the request.
int open_write(Db& d, Access a)
{
    if (g_request.active && g_request.failed) {
        fail("not written: an earlier store write of this request failed (" + g_request.error + ")");
        return kOpenFailed;
    }
    int o = open_db(d, a);
    if (o == kOpen && !join(d)) o = kOpenFailed;
    if (o == kOpenFailed) write_failed();
    return o;
}

// Record table names: an identifier that is neither the key table nor one of
// SQLite's own.
bool valid_table(const char* t)
{
    if (!t || !*t || std::strlen(t) > 64) return false;
    if (!(std::isalpha(static_cast<unsigned char>(t[0])) || t[0] == '_')) return false;
    for (const char* p = t; *p; p++)
        if (!(std::isalnum(static_cast<unsigned char>(*p)) || *p == '_')) return false;
    return strcasecmp(t, kKeyTable) != 0 && strncasecmp(t, "sqlite_", 7) != 0;
}

bool valid_kind(const KxRecordKind& k)
{
    if (valid_table(k.table) && k.capacity > 0 && k.size > 0 && k.size <= kMaxRecordSize) return true;
    fail(std::string("invalid record kind ") + (k.table ? k.table : "(null)"));
    return false;
}

bool in_range(const KxRecordKind& k, int index)
{
    if (index >= 0 && index < k.capacity) return true;
    fail(std::string(k.table) + ": row " + std::to_string(index) + " outside 0.." + std::to_string(k.capacity - 1));
    return false;
}

// Copies a stored row into a record of `size` bytes: a shorter row is
// zero-extended, a longer one cut.
void copy_row(sqlite3_stmt* s, int col, void* out, size_t size)
{
    const void* p = sqlite3_column_blob(s, col);
    size_t n = size_t(sqlite3_column_bytes(s, col));
    if (n > size) n = size;
    if (n) std::memcpy(out, p, n);
    if (n < size) std::memset(static_cast<char*>(out) + n, 0, size - n);
}

// ---- keys ----

// 1 when found (text in *out), 0 when absent or unreadable.
int read_key(const char* db, const char* key, std::string* out)
{
    if (!key) return 0;
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = slot(db);
    if (!d || open_read(*d) != kOpen) return 0;
    sqlite3_stmt* s = statement(*d, "SELECT value FROM param WHERE key=?1");
    if (!s) return 0;
    Use use(s);
    sqlite3_bind_text(s, 1, key, -1, SQLITE_STATIC);
    if (sqlite3_step(s) != SQLITE_ROW) return 0;
    const unsigned char* v = sqlite3_column_text(s, 0);
    out->assign(v ? reinterpret_cast<const char*>(v) : "", size_t(sqlite3_column_bytes(s, 0)));
    return 1;
}

int upsert_key(const char* db, const char* key, const char* text)
{
    if (!key) return -1;
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = slot(db);
    if (!d || open_write(*d, Access::Create) != kOpen) return -1;
    if (!ensure_table(*d, kKeyTable, kKeyColumns)) return write_failed();
    sqlite3_stmt* s = statement(
        *d, "INSERT INTO param(key,value) VALUES(?1,?2) ON CONFLICT(key) DO UPDATE SET value=excluded.value");
    if (!s) return write_failed();
    Use use(s);
    sqlite3_bind_text(s, 1, key, -1, SQLITE_STATIC);
    sqlite3_bind_text(s, 2, text ? text : "", -1, SQLITE_STATIC);
    if (!step_done(*d, s, key)) return write_failed();
    wrote(*d);
    return 0;
}

}  // namespace

int get_param_int(const char* db, const char* key, int def)
{
    std::string v;
    if (!read_key(db, key, &v)) return def;
    long long n = std::strtoll(v.c_str(), nullptr, 10);
    if (n > INT_MAX) return INT_MAX;
    if (n < INT_MIN) return INT_MIN;
    return int(n);
}

int set_param_int(const char* db, const char* key, int value)
{
    return upsert_key(db, key, std::to_string(value).c_str());
}

int get_param_value(const char* db, const char* key, char* out, int out_size, const char* def)
{
    if (!out || out_size <= 0) return -1;
    std::string v;
    int found = read_key(db, key, &v);
    const char* src = found ? v.c_str() : def ? def : "";
    size_t n = std::strlen(src);  // a text ends at its first NUL
    if (n > size_t(out_size) - 1) n = size_t(out_size) - 1;
    std::memmove(out, src, n);
    out[n] = 0;
    return found ? 0 : -1;
}

int set_param_value(const char* db, const char* key, const char* text)
{
    if (!key) return -1;
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = slot(db);
    if (!d || open_write(*d, Access::Write) != kOpen) return -1;
    sqlite3_stmt* s = statement(*d, "UPDATE param SET value=?2 WHERE key=?1");
    if (!s) return write_failed();
    Use use(s);
    sqlite3_bind_text(s, 1, key, -1, SQLITE_STATIC);
    sqlite3_bind_text(s, 2, text ? text : "", -1, SQLITE_STATIC);
    if (!step_done(*d, s, key)) return write_failed();
    if (sqlite3_changes(d->h) == 0) {
        fail(std::string("no key ") + key);
        return -1;
    }
    return 0;
}

int check_param_key(const char* db, const char* key)
{
    std::string v;
    return read_key(db, key, &v) ? 0 : 1;
}

int add_param_value(const char* db, const char* key, const char* text) { return upsert_key(db, key, text); }

int put_param_value(const char* db, const char* key, const char* text) { return upsert_key(db, key, text); }

// ---- records ----

int kxdb_row_read(const char* db, const KxRecordKind& kind, int index, void* out)
{
    if (!out || !valid_kind(kind)) return -1;
    std::memset(out, 0, kind.size);
    if (!in_range(kind, index)) return -1;
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = slot(db);
    if (!d || open_read(*d) != kOpen) return -1;
    sqlite3_stmt* s = statement(*d, kSelectRow);
    if (!s) return -1;
    Use use(s);
    bind_kind(s, kind);
    sqlite3_bind_int(s, 1, index);
    if (sqlite3_step(s) != SQLITE_ROW) return -1;
    copy_row(s, 0, out, kind.size);
    return 0;
}

int kxdb_row_write(const char* db, const KxRecordKind& kind, int index, const void* record)
{
    if (!record || !valid_kind(kind) || !in_range(kind, index)) return -1;
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = slot(db);
    if (!d || open_write(*d, Access::Create) != kOpen) return -1;
    if (!ensure_record_table(*d)) return write_failed();
    sqlite3_stmt* s = statement(*d, kPutRow);
    if (!s) return write_failed();
    Use use(s);
    bind_kind(s, kind);
    sqlite3_bind_int(s, 1, index);
    sqlite3_bind_blob(s, 2, record, int(kind.size), SQLITE_STATIC);
    if (!step_done(*d, s, kind.table)) return write_failed();
    wrote(*d);
    return 0;
}

namespace {

// Reads up to `limit` rows of `kind` in index order and hands each one's
// statement (column 0 the index, column 1 the record) to `on_row`. The
// number of rows; 0 when the store or its table is not there yet; -1 on
// failure.
template <typename OnRow>
int select_rows(const char* db, const KxRecordKind& kind, int limit, OnRow on_row)
{
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = slot(db);
    if (!d) return -1;
    int o = open_read(*d);
    if (o != kOpen) return o == kMissing ? 0 : -1;
    sqlite3_stmt* s = statement(*d, kSelectRows);
    if (!s) return missing_table(d->h) ? 0 : -1;
    Use use(s);
    bind_kind(s, kind);
    sqlite3_bind_int(s, 1, limit);
    int n = 0, rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        on_row(s);
        n++;
    }
    if (rc != SQLITE_DONE) {
        fail(kind.table, d->h);
        return -1;
    }
    return n;
}

}  // namespace

int kxdb_rows_read(const char* db, const KxRecordKind& kind, void* out, int max, int* count)
{
    if (count) *count = 0;
    if (!out || max < 0 || !valid_kind(kind)) return -1;
    std::memset(out, 0, kind.size * size_t(max));
    int limit = max < kind.capacity ? max : kind.capacity;
    if (limit == 0) return 0;
    int n = select_rows(db, kind, limit, [&](sqlite3_stmt* s) {
        int idx = sqlite3_column_int(s, 0);
        copy_row(s, 1, static_cast<char*>(out) + size_t(idx) * kind.size, kind.size);
    });
    if (n < 0) return -1;
    if (count) *count = n;
    return 0;
}

int kxdb_rows_write(const char* db, const KxRecordKind& kind, const void* records, int count)
{
    if (!valid_kind(kind)) return -1;
    if (count < 0 || count > kind.capacity) {
        fail(std::string(kind.table) + ": " + std::to_string(count) + " rows exceed the capacity");
        return -1;
    }
    if (count == 0) return 0;
    if (!records) return -1;
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = slot(db);
    if (!d || open_write(*d, Access::Create) != kOpen) return -1;
    if (!ensure_record_table(*d)) return write_failed();
    sqlite3_stmt* s = statement(*d, kPutRow);
    if (!s || !begin(*d)) return write_failed();
    bool ok = true;
    for (int i = 0; ok && i < count; i++) {
        Use use(s);
        bind_kind(s, kind);
        sqlite3_bind_int(s, 1, i);
        sqlite3_bind_blob(s, 2, static_cast<const char*>(records) + size_t(i) * kind.size, int(kind.size),
                          SQLITE_STATIC);
        ok = step_done(*d, s, kind.table);
    }
    return finish(*d, ok) ? 0 : -1;
}

int kxdb_rows_replace(const char* db, const KxRecordKind& kind, const void* records, int count)
{
    if (!valid_kind(kind)) return -1;
    if (count < 0 || count > kind.capacity) {
        fail(std::string(kind.table) + ": " + std::to_string(count) + " rows exceed the capacity");
        return -1;
    }
    if (count > 0 && !records) return -1;
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = slot(db);
    if (!d || open_write(*d, Access::Create) != kOpen) return -1;
    if (!ensure_record_table(*d)) return write_failed();
    sqlite3_stmt* put = statement(*d, kPutRow);
    sqlite3_stmt* del = statement(*d, kDeleteRow);
    if (!put || !del || !begin(*d)) return write_failed();
    bool ok = true;
    for (int i = 0; ok && i < kind.capacity; i++) {
        sqlite3_stmt* s = i < count ? put : del;
        Use use(s);
        bind_kind(s, kind);
        sqlite3_bind_int(s, 1, i);
        if (i < count)
            sqlite3_bind_blob(s, 2, static_cast<const char*>(records) + size_t(i) * kind.size, int(kind.size),
                              SQLITE_STATIC);
        ok = step_done(*d, s, kind.table);
    }
    return finish(*d, ok) ? 0 : -1;
}

int kxdb_row_delete(const char* db, const KxRecordKind& kind, int index)
{
    if (!valid_kind(kind) || !in_range(kind, index)) return -1;
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = slot(db);
    if (!d) return -1;
    int o = open_write(*d, Access::Write);
    if (o != kOpen) return o == kMissing ? 0 : -1;
    sqlite3_stmt* s = statement(*d, kDeleteRow);
    if (!s) return missing_table(d->h) ? 0 : write_failed();
    Use use(s);
    bind_kind(s, kind);
    sqlite3_bind_int(s, 1, index);
    if (!step_done(*d, s, kind.table)) return write_failed();
    wrote(*d);
    return 0;
}

int kxdb_row_count(const char* db, const KxRecordKind& kind)
{
    if (!valid_kind(kind)) return -1;
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = slot(db);
    if (!d) return -1;
    int o = open_read(*d);
    if (o != kOpen) return o == kMissing ? 0 : -1;
    sqlite3_stmt* s = statement(*d, kCountRows);
    if (!s) return missing_table(d->h) ? 0 : -1;
    Use use(s);
    bind_kind(s, kind);
    sqlite3_bind_int(s, 1, kind.capacity);
    if (sqlite3_step(s) != SQLITE_ROW) {
        fail(kind.table, d->h);
        return -1;
    }
    return sqlite3_column_int(s, 0);
}

int kxdb_row_copy(const char* db, const KxRecordKind& kind, int source, u64 mask,
                  void (*patch)(void* record, int index))
{
    if (!patch) return kxdb_row_copy_with(db, kind, source, mask, nullptr, nullptr);
    struct Plain {
        void (*patch)(void* record, int index);
    } plain{patch};
    return kxdb_row_copy_with(
        db, kind, source, mask,
        [](void* record, int index, void* context) { static_cast<Plain*>(context)->patch(record, index); }, &plain);
}

int kxdb_row_copy_with(const char* db, const KxRecordKind& kind, int source, u64 mask,
                       void (*patch)(void* record, int index, void* context), void* context)
{
    if (!valid_kind(kind) || !in_range(kind, source)) return -1;
    std::vector<int> targets;
    for (int i = 0; i < 64 && i < kind.capacity; i++)
        if (i != source && (mask >> i & 1)) targets.push_back(i);
    if (targets.empty()) return 0;

    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = slot(db);
    if (!d || open_write(*d, Access::Create) != kOpen) return -1;
    if (!ensure_record_table(*d)) return write_failed();
    sqlite3_stmt* get = statement(*d, kSelectRow);
    sqlite3_stmt* put = statement(*d, kPutRow);
    if (!get || !put || !begin(*d)) return write_failed();

    // The source is read inside the transaction, so every copy is of the
    // same row even while other processes write.
    std::vector<char> src(kind.size, 0), rec(kind.size);
    bool ok = true;
    {
        Use use(get);
        bind_kind(get, kind);
        sqlite3_bind_int(get, 1, source);
        int rc = sqlite3_step(get);
        if (rc == SQLITE_ROW) {
            copy_row(get, 0, src.data(), kind.size);
        } else if (rc != SQLITE_DONE) {
            fail(kind.table, d->h);
            ok = false;
        }
    }
    for (size_t t = 0; ok && t < targets.size(); t++) {
        rec = src;
        if (patch) patch(rec.data(), targets[t], context);
        Use use(put);
        bind_kind(put, kind);
        sqlite3_bind_int(put, 1, targets[t]);
        sqlite3_bind_blob(put, 2, rec.data(), int(kind.size), SQLITE_STATIC);
        ok = step_done(*d, put, kind.table);
    }
    return finish(*d, ok) ? 0 : -1;
}

int kxdb_rows_each(const char* db, const KxRecordKind& kind, void (*fn)(const void* record, int index, void* ctx),
                   void* ctx)
{
    if (!fn || !valid_kind(kind)) return -1;
    std::vector<int> indexes;
    std::vector<char> data;
    // The rows are copied out first: `fn` runs without the store's lock.
    int n = select_rows(db, kind, kind.capacity, [&](sqlite3_stmt* s) {
        indexes.push_back(sqlite3_column_int(s, 0));
        data.resize(indexes.size() * kind.size);
        copy_row(s, 1, data.data() + (indexes.size() - 1) * kind.size, kind.size);
    });
    if (n <= 0) return n;
    for (size_t i = 0; i < indexes.size(); i++) fn(data.data() + i * kind.size, indexes[i], ctx);
    return int(indexes.size());
}

void kxdb_close_replaced()
{
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    for (auto& d : open_dbs()) {
        if (!d->h) continue;
        struct stat st;
        if (stat(d->path.c_str(), &st) != 0 || st.st_dev != d->dev || st.st_ino != d->ino) close_db(*d);
    }
}

void kxdb_checkpoint_all()
{
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    for (auto& d : open_dbs()) {
        if (!d->h || !d->writable) continue;
        // Never waits: a database another process holds is left as it is.
        sqlite3_busy_timeout(d->h, 0);
        sqlite3_wal_checkpoint_v2(d->h, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        sqlite3_busy_timeout(d->h, kBusyTimeoutMs);
    }
}

void kxdb_close_all()
{
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    close_all_locked();
}

// ---- request scope ----

void kxdb_request_begin(void (*on_failure)(const char* error))
{
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    if (g_request.active) commit_held(nullptr);  // a scope that was never ended
    for (auto& d : open_dbs()) d->txn_refused = false;
    g_request = RequestScope{};
    g_request.active = true;
    g_request.on_failure = on_failure;
}

int kxdb_request_commit()
{
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    if (!g_request.active) return 0;
    commit_held(nullptr);
    // A database whose transaction could not be begun may be tried again by
    // the request's next read-change-write.
    for (auto& d : open_dbs()) d->txn_refused = false;
    return g_request.failed ? -1 : 0;
}

int kxdb_request_end()
{
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    int rc = kxdb_request_commit();
    g_request = RequestScope{};
    return rc;
}

int kxdb_request_failed()
{
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    return g_request.active && g_request.failed ? 1 : 0;
}

// ---- tool calls ----

namespace {

// Runs a query on an existing database and hands each row to `row`, under the
// lock. 0 for a missing database or table, -1 on failure, else the row count.
template <typename Row>
int query_rows(const char* db, const std::string& sql, Row row, const char* text1 = nullptr)
{
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = slot(db);
    if (!d) return -1;
    int o = open_read(*d);
    if (o != kOpen) return o == kMissing ? 0 : -1;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(d->h, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
        fail(sql, d->h);
        sqlite3_finalize(s);
        return missing_table(d->h) ? 0 : -1;
    }
    if (text1) sqlite3_bind_text(s, 1, text1, -1, SQLITE_STATIC);
    int n = 0, rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        row(s);
        n++;
    }
    if (rc != SQLITE_DONE) fail(sql, d->h);
    sqlite3_finalize(s);
    return rc == SQLITE_DONE ? n : -1;
}

std::string column_text(sqlite3_stmt* s, int col)
{
    const unsigned char* t = sqlite3_column_text(s, col);
    return t ? std::string(reinterpret_cast<const char*>(t), size_t(sqlite3_column_bytes(s, col))) : std::string();
}

}  // namespace

int kxdb_tables(const char* db, void (*fn)(const char* name, void* ctx), void* ctx)
{
    if (!fn) return -1;
    std::vector<std::string> names;
    // The key table, then every record kind (they share one SQL table).
    bool records = false;
    int n = query_rows(db, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name", [&](sqlite3_stmt* s) {
        std::string name = column_text(s, 0);
        if (name == kRecordTable)
            records = true;
        else
            names.push_back(name);
    });
    if (n >= 0 && records) {
        n = int(names.size());
        int k = query_rows(db, "SELECT DISTINCT kind FROM record ORDER BY kind",
                           [&](sqlite3_stmt* s) { names.push_back(column_text(s, 0)); });
        n = k < 0 ? -1 : n + k;
    }
    std::sort(names.begin(), names.end());
    for (auto& name : names) fn(name.c_str(), ctx);
    return n;
}

int kxdb_keys_each(const char* db, void (*fn)(const char* key, const char* value, void* ctx), void* ctx)
{
    if (!fn) return -1;
    std::vector<std::pair<std::string, std::string>> keys;
    int n = query_rows(db, "SELECT key,value FROM param ORDER BY key",
                       [&](sqlite3_stmt* s) { keys.emplace_back(column_text(s, 0), column_text(s, 1)); });
    for (auto& kv : keys) fn(kv.first.c_str(), kv.second.c_str(), ctx);
    return n;
}

int kxdb_raw_rows(const char* db, const char* table,
                  void (*fn)(long long index, const void* data, size_t len, void* ctx), void* ctx)
{
    if (!fn || !valid_table(table)) {
        fail(std::string("not a record table: ") + (table ? table : "(null)"));
        return -1;
    }
    std::vector<std::pair<long long, std::string>> rows;
    int n = query_rows(
        db, "SELECT idx,data FROM record WHERE kind=?1 ORDER BY idx",
        [&](sqlite3_stmt* s) {
            const void* p = sqlite3_column_blob(s, 1);
            size_t len = size_t(sqlite3_column_bytes(s, 1));
            rows.emplace_back(sqlite3_column_int64(s, 0), p ? std::string(static_cast<const char*>(p), len) : "");
        },
        table);
    for (auto& r : rows) fn(r.first, r.second.data(), r.second.size(), ctx);
    return n;
}

int kxdb_integrity_check(const char* db)
{
    {
        std::lock_guard<std::recursive_mutex> lock(store_lock());
        Db* d = slot(db);
        if (!d || open_read(*d) != kOpen) return -1;
    }
    std::string first;
    int n = query_rows(db, "PRAGMA integrity_check", [&](sqlite3_stmt* s) {
        if (first.empty()) first = column_text(s, 0);
    });
    if (n < 0) return -1;
    if (first == "ok") return 0;
    fail("integrity check: " + first);
    return 1;
}

const char* kxdb_last_error() { return t_error.c_str(); }

// ---- text-keyed lists ----

namespace {

constexpr const char* kListColumns = "key TEXT PRIMARY KEY, data BLOB NOT NULL";

std::string list_sql(const char* pattern, const char* list)
{
    std::string sql = pattern;
    size_t at = sql.find('@');
    return sql.replace(at, 1, std::string("\"") + list + "\"");
}

bool valid_list(const char* list, size_t size)
{
    if (valid_table(list) && strcmp(list, kRecordTable) != 0 && size > 0 && size <= kMaxRecordSize) return true;
    fail(std::string("invalid list ") + (list ? list : "(null)"));
    return false;
}

// The open, writable database of a list whose table exists (created when
// needed), or null.
Db* list_for_write(const char* db, const char* list)
{
    Db* d = slot(db);
    if (!d || open_write(*d, Access::Create) != kOpen) return nullptr;
    if (!ensure_table(*d, list, kListColumns, " WITHOUT ROWID")) {
        write_failed();
        return nullptr;
    }
    return d;
}

bool list_put_row(Db& d, const char* list, const char* key, const void* row, size_t size)
{
    sqlite3_stmt* s = statement(d, list_sql("INSERT OR REPLACE INTO @(key,data) VALUES(?1,?2)", list));
    if (!s) return false;
    Use use(s);
    sqlite3_bind_text(s, 1, key ? key : "", -1, SQLITE_STATIC);
    sqlite3_bind_blob(s, 2, row, int(size), SQLITE_STATIC);
    return step_done(d, s, list);
}

bool list_delete_row(Db& d, const char* list, const char* key)
{
    sqlite3_stmt* s = statement(d, list_sql("DELETE FROM @ WHERE key=?1", list));
    if (!s) return false;
    Use use(s);
    sqlite3_bind_text(s, 1, key ? key : "", -1, SQLITE_STATIC);
    return step_done(d, s, list);
}

}  // namespace

int kxdb_list_put(const char* db, const char* list, const char* const* keys, const void* rows, size_t size, int count)
{
    if (!valid_list(list, size) || count < 0 || (count > 0 && (!keys || !rows))) return -1;
    if (count == 0) return 0;
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = list_for_write(db, list);
    if (!d) return -1;
    if (!begin(*d)) return write_failed();
    bool ok = true;
    for (int i = 0; ok && i < count; i++)
        ok = list_put_row(*d, list, keys[i], static_cast<const char*>(rows) + size_t(i) * size, size);
    return finish(*d, ok) ? 0 : -1;
}

int kxdb_list_delete(const char* db, const char* list, const char* const* keys, int count)
{
    if (!valid_list(list, 1) || count < 0 || (count > 0 && !keys)) return -1;
    if (count == 0) return 0;
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = slot(db);
    if (!d) return -1;
    int o = open_write(*d, Access::Write);
    if (o != kOpen) return o == kMissing ? 0 : -1;
    if (!ensure_table(*d, list, kListColumns, " WITHOUT ROWID") || !begin(*d)) return write_failed();
    bool ok = true;
    for (int i = 0; ok && i < count; i++) ok = list_delete_row(*d, list, keys[i]);
    return finish(*d, ok) ? 0 : -1;
}

int kxdb_list_move(const char* db, const char* list, const char* old_key, const char* key, const void* row,
                   size_t size)
{
    if (!valid_list(list, size) || !row) return -1;
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = list_for_write(db, list);
    if (!d) return -1;
    if (!begin(*d)) return write_failed();
    bool ok = list_delete_row(*d, list, old_key) && list_put_row(*d, list, key, row, size);
    return finish(*d, ok) ? 0 : -1;
}

int kxdb_list_get(const char* db, const char* list, const char* key, void* out, size_t size)
{
    if (!out || !valid_list(list, size)) return -1;
    std::memset(out, 0, size);
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = slot(db);
    if (!d || open_read(*d) != kOpen) return -1;
    sqlite3_stmt* s = statement(*d, list_sql("SELECT data FROM @ WHERE key=?1", list));
    if (!s) return -1;
    Use use(s);
    sqlite3_bind_text(s, 1, key ? key : "", -1, SQLITE_STATIC);
    if (sqlite3_step(s) != SQLITE_ROW) return -1;
    copy_row(s, 0, out, size);
    return 0;
}

int kxdb_list_count(const char* db, const char* list)
{
    if (!valid_list(list, 1)) return -1;
    long long n = 0;
    int rows = query_rows(db, list_sql("SELECT count(*) FROM @", list),
                          [&](sqlite3_stmt* s) { n = sqlite3_column_int64(s, 0); });
    return rows < 0 ? -1 : int(n);
}

int kxdb_list_each(const char* db, const char* list, size_t size,
                   void (*fn)(const char* key, const void* row, void* ctx), void* ctx)
{
    if (!fn || !valid_list(list, size)) return -1;
    std::vector<std::string> keys;
    std::vector<char> data;
    int n = query_rows(db, list_sql("SELECT key,data FROM @ ORDER BY key", list), [&](sqlite3_stmt* s) {
        keys.push_back(column_text(s, 0));
        data.resize(keys.size() * size);
        copy_row(s, 1, data.data() + (keys.size() - 1) * size, size);
    });
    if (n < 0) return -1;
    for (size_t i = 0; i < keys.size(); i++) fn(keys[i].c_str(), data.data() + i * size, ctx);
    return n;
}

int kxdb_list_update(const char* db, const char* list, const char* key, size_t size,
                     int (*fn)(void* row, bool found, void* ctx), void* ctx)
{
    if (!fn || !valid_list(list, size)) return -1;
    std::vector<char> row(size);
    std::lock_guard<std::recursive_mutex> lock(store_lock());
    Db* d = list_for_write(db, list);
    if (!d || !begin(*d)) return -1;
    bool ok = false, found = false;
    if (sqlite3_stmt* s = statement(*d, list_sql("SELECT data FROM @ WHERE key=?1", list))) {
        Use use(s);
        sqlite3_bind_text(s, 1, key ? key : "", -1, SQLITE_STATIC);
        int rc = sqlite3_step(s);
        found = rc == SQLITE_ROW;
        if (found) copy_row(s, 0, row.data(), size);
        ok = found || rc == SQLITE_DONE;
        if (!ok) fail(list, d->h);
    }
    int change = ok ? fn(row.data(), found, ctx) : -1;
    if (change == kListPut)
        ok = list_put_row(*d, list, key, row.data(), size);
    else if (change == kListDelete)
        ok = list_delete_row(*d, list, key);
    return finish(*d, ok) ? change : -1;
}
