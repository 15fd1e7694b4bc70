// kxprofile: export and import of the settings profile.
//
//   kxprofile -e DIR    writes a profile of the configuration databases into
//                       one new file in DIR and leaves that file's full path
//                       in /tmp/.export_down_file
//   kxprofile -i FILE   checks that FILE is a profile and restores the
//                       databases it holds
//
// Exit status: 0 done; 1 failed (a refused or failed import leaves every
// database as it was); 2 misuse. The fixed paths (the databases and
// /tmp/.export_down_file) honour NVR_ROOT; DIR and FILE are used as given.
// Nothing is written to standard output, which belongs to the CGI program
// that runs the tool; diagnostics go to standard error.
//
// Export takes each database with SQLite's online backup: a consistent
// snapshot that includes what still sits in the write-ahead log, taken while
// other processes go on reading and writing. Import refuses anything that is
// not a sound profile (marker, structure, checksum, known database names,
// SQLite integrity check, nothing in a schema but tables) before it touches
// the first database. A database that exists is then replaced in place by a
// backup from the checked image, one write transaction: atomic, durable
// (synchronous=FULL) and seen at once by the connections other processes
// hold. Renaming a file over a live database would be neither: those
// connections would keep the old file, and its write-ahead log, which
// belongs to the old file, would be replayed onto the new one. A database
// that does not exist yet is written beside its place, synced, and renamed
// into it. Exports and imports hold one lock, so they never interleave.
//
// The file format is described in profile_format.h.
#include <sqlite3.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/paths.h"
#include "tools/kxprofile/profile_format.h"

namespace {

constexpr int kBusyTimeoutMs = 10000;
constexpr int kBusyRetries = 200;  // 50 ms apart, on top of the busy timeout
constexpr size_t kChunk = 64 * 1024;
constexpr const char* kDownFile = "/tmp/.export_down_file";
constexpr const char kSqliteHeader[16] = "SQLite format 3";

__attribute__((format(printf, 1, 2))) void complain(const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    std::fputs("kxprofile: ", stderr);
    std::vfprintf(stderr, format, ap);
    std::fputc('\n', stderr);
    va_end(ap);
}

std::string dir_of(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_of(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void remove_db_files(const std::string& path)
{
    for (const char* side : {"", "-journal", "-wal", "-shm"}) unlink((path + side).c_str());
}

bool sync_path(const std::string& path, bool directory)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | (directory ? O_DIRECTORY : 0));
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

bool write_all(int fd, const void* data, size_t n)
{
    const auto* p = static_cast<const unsigned char*>(data);
    while (n > 0) {
        ssize_t k = write(fd, p, n);
        if (k < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += k;
        n -= size_t(k);
    }
    return true;
}

// Reads exactly n bytes; false at an early end or on an error.
bool read_all(int fd, void* data, size_t n)
{
    auto* p = static_cast<unsigned char*>(data);
    while (n > 0) {
        ssize_t k = read(fd, p, n);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        p += k;
        n -= size_t(k);
    }
    return true;
}

void put_le(unsigned char* out, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; i++) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint64_t get_le(const unsigned char* in, int bytes)
{
    uint64_t v = 0;
    for (int i = 0; i < bytes; i++) v |= uint64_t(in[i]) << (8 * i);
    return v;
}

// Files made on the way: removed (with any SQLite side files) unless kept.
class TempFiles {
public:
    TempFiles() = default;
    TempFiles(const TempFiles&) = delete;
    TempFiles& operator=(const TempFiles&) = delete;
    ~TempFiles()
    {
        for (const std::string& p : paths_) remove_db_files(p);
    }
    // A new empty file from a mkstemp template; -1 on failure. The file is
    // registered for removal.
    int make(std::string& path)
    {
        int fd = mkostemp(&path[0], O_CLOEXEC);
        if (fd < 0) {
            complain("cannot create %s: %s", path.c_str(), std::strerror(errno));
            return -1;
        }
        paths_.push_back(path);
        return fd;
    }
    void keep(const std::string& path)
    {
        for (auto it = paths_.begin(); it != paths_.end(); ++it)
            if (*it == path) {
                paths_.erase(it);
                return;
            }
    }

private:
    std::vector<std::string> paths_;
};

// The profile lock: an exclusive flock on the directory of the main
// database, held until the process ends.
bool take_profile_lock()
{
    std::string dir = dir_of(nvr_path(kMainDb));
    make_dirs(dir);
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        complain("cannot open %s: %s", dir.c_str(), std::strerror(errno));
        return false;
    }
    while (flock(fd, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        complain("cannot lock %s: %s", dir.c_str(), std::strerror(errno));
        close(fd);
        return false;
    }
    return true;  // the descriptor stays open: the lock lasts as long as the process
}

// ---- SQLite ----

class Sql {
public:
    Sql() = default;
    Sql(const Sql&) = delete;
    Sql& operator=(const Sql&) = delete;
    ~Sql()
    {
        if (h_) sqlite3_close_v2(h_);
    }
    bool open(const std::string& path, int flags)
    {
        if (sqlite3_open_v2(path.c_str(), &h_, flags, nullptr) != SQLITE_OK) {
            complain("cannot open %s: %s", path.c_str(), h_ ? sqlite3_errmsg(h_) : "out of memory");
            sqlite3_close_v2(h_);
            h_ = nullptr;
            return false;
        }
        sqlite3_busy_timeout(h_, kBusyTimeoutMs);
        return true;
    }
    sqlite3* h() const { return h_; }
    bool exec(const char* sql)
    {
        char* msg = nullptr;
        if (sqlite3_exec(h_, sql, nullptr, nullptr, &msg) == SQLITE_OK) return true;
        complain("%s: %s", sql, msg ? msg : sqlite3_errmsg(h_));
        sqlite3_free(msg);
        return false;
    }
    // The first column of the first row as text; false when the statement
    // fails or gives no row.
    bool text(const char* sql, std::string* out)
    {
        sqlite3_stmt* s = nullptr;
        bool ok = false;
        if (sqlite3_prepare_v2(h_, sql, -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW) {
            const unsigned char* t = sqlite3_column_text(s, 0);
            *out = t ? reinterpret_cast<const char*>(t) : "";
            ok = true;
        } else {
            complain("%s: %s", sql, sqlite3_errmsg(h_));
        }
        sqlite3_finalize(s);
        return ok;
    }

private:
    sqlite3* h_ = nullptr;
};

// Copies the whole database of `from` into `to` in one step, which is one
// write transaction on `to`; retried while either side is busy.
bool copy_database(sqlite3* to, sqlite3* from)
{
    sqlite3_backup* b = sqlite3_backup_init(to, "main", from, "main");
    if (!b) {
        complain("backup: %s", sqlite3_errmsg(to));
        return false;
    }
    int rc = SQLITE_OK;
    for (int tries = 0;; tries++) {
        rc = sqlite3_backup_step(b, -1);
        if ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && tries < kBusyRetries) {
            sqlite3_sleep(50);
            continue;
        }
        break;
    }
    int finish = sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE || finish != SQLITE_OK) {
        complain("backup: %s", sqlite3_errstr(rc != SQLITE_DONE ? rc : finish));
        return false;
    }
    return true;
}

// ---- export ----

// A consistent copy of the database `fixed` in a new file in `dir`, in
// rollback-journal mode so that the file alone is the whole database. ""
// on failure.
std::string snapshot(const char* fixed, const std::string& dir, TempFiles& temps)
{
    std::string source = nvr_path(fixed);
    Sql from;
    if (!from.open(source, SQLITE_OPEN_READWRITE) && !from.open(source, SQLITE_OPEN_READONLY)) return "";
    std::string image = dir + "/.kxprofile-XXXXXX";
    int fd = temps.make(image);
    if (fd < 0) return "";
    close(fd);
    Sql to;
    if (!to.open(image, SQLITE_OPEN_READWRITE)) return "";
    // The backup copies the source's first page, and with it the source's
    // WAL mode: switch the copy back.
    if (!copy_database(to.h(), from.h()) || !to.exec("PRAGMA journal_mode=DELETE")) return "";
    return image;
}

// Writes bytes to the profile, keeping its running checksum.
struct ProfileWriter {
    int fd;
    uint32_t crc = 0;
    bool ok = true;
    void put(const void* data, size_t n)
    {
        if (!ok) return;
        crc = profile_crc32(crc, data, n);
        ok = write_all(fd, data, n);
    }
    void put_int(uint64_t v, int bytes)
    {
        unsigned char b[8];
        put_le(b, v, bytes);
        put(b, size_t(bytes));
    }
    void put_file(const std::string& path, uint64_t size)
    {
        int in = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) {
            ok = false;
            return;
        }
        std::vector<unsigned char> buf(kChunk);
        while (ok && size > 0) {
            size_t n = size < kChunk ? size_t(size) : kChunk;
            if (!read_all(in, buf.data(), n)) ok = false;
            else put(buf.data(), n);
            size -= n;
        }
        close(in);
    }
};

std::string export_name()
{
    time_t now = time(nullptr);
    struct tm tm;
    localtime_r(&now, &tm);
    char name[64];
    std::snprintf(name, sizeof name, "%s%04d%02d%02d_%02d%02d%02d%s", kProfileNamePrefix, tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, kProfileNameSuffix);
    return name;
}

// Leaves `text` in the fixed file `fixed`, replacing it whole.
bool leave_text(const char* fixed, const std::string& text, TempFiles& temps)
{
    std::string path = nvr_path(fixed);
    std::string part = dir_of(path) + "/." + base_of(path) + ".XXXXXX";
    int fd = temps.make(part);
    if (fd < 0) return false;
    bool ok = write_all(fd, text.data(), text.size());
    ok = close(fd) == 0 && ok;
    if (!ok || rename(part.c_str(), path.c_str()) != 0) {
        complain("cannot write %s: %s", path.c_str(), std::strerror(errno));
        return false;
    }
    temps.keep(part);
    return true;
}

int export_profile(const char* dir_arg)
{
    if (!make_dirs(dir_arg)) {
        complain("cannot use directory %s", dir_arg);
        return 1;
    }
    char resolved[PATH_MAX];
    if (!realpath(dir_arg, resolved)) {
        complain("cannot resolve %s: %s", dir_arg, std::strerror(errno));
        return 1;
    }
    const std::string dir = resolved;
    if (!take_profile_lock()) return 1;
    struct stat st;
    if (stat(nvr_path(kMainDb).c_str(), &st) != 0) {
        complain("no configuration database %s", nvr_path(kMainDb).c_str());
        return 1;
    }

    TempFiles temps;
    struct Image {
        const char* db;
        std::string path;
        uint64_t size;
    };
    std::vector<Image> images;
    for (const char* db : kProfileDbs) {
        if (stat(nvr_path(db).c_str(), &st) != 0) continue;  // never written: nothing to keep
        std::string path = snapshot(db, dir, temps);
        if (path.empty() || stat(path.c_str(), &st) != 0) return 1;
        images.push_back({db, path, uint64_t(st.st_size)});
    }

    std::string part = dir + "/.kxprofile-XXXXXX";
    int fd = temps.make(part);
    if (fd < 0) return 1;
    ProfileWriter w{fd};
    w.put(kProfileMarker, kProfileMarkerSize);
    w.put_int(images.size(), 4);
    for (const Image& image : images) {
        w.put_int(std::strlen(image.db), 4);
        w.put(image.db, std::strlen(image.db));
        w.put_int(image.size, 8);
        w.put_file(image.path, image.size);
    }
    unsigned char crc[4];
    put_le(crc, w.crc, 4);
    bool ok = w.ok && write_all(fd, crc, sizeof crc) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    const std::string final_path = dir + "/" + export_name();
    if (!ok || rename(part.c_str(), final_path.c_str()) != 0) {
        complain("cannot write %s: %s", final_path.c_str(), std::strerror(errno));
        return 1;
    }
    temps.keep(part);
    sync_path(dir, true);
    if (!leave_text(kDownFile, final_path, temps)) {
        unlink(final_path.c_str());
        return 1;
    }
    return 0;
}

// ---- import ----

// Reads the profile: exactly the bytes asked for, never past its length,
// with the running checksum of everything read.
struct ProfileReader {
    int fd;
    uint64_t size;
    uint64_t offset = 0;
    uint32_t crc = 0;
    bool get(void* data, size_t n)
    {
        if (n > size - offset || !read_all(fd, data, n)) return false;
        crc = profile_crc32(crc, data, n);
        offset += n;
        return true;
    }
    bool get_int(uint64_t* v, int bytes)
    {
        unsigned char b[8];
        if (!get(b, size_t(bytes))) return false;
        *v = get_le(b, bytes);
        return true;
    }
};

struct Entry {
    const char* db;     // one of kProfileDbs
    std::string image;  // the checked image, beside the database
};

const char* known_db(const char* name)
{
    for (const char* db : kProfileDbs)
        if (std::strcmp(db, name) == 0) return db;
    return nullptr;
}

// Copies one image out of the profile into a new file beside its database.
bool unpack_image(ProfileReader& r, uint64_t length, Entry& e, TempFiles& temps)
{
    std::string dest = nvr_path(e.db);
    e.image = dir_of(dest) + "/." + base_of(dest) + ".import-XXXXXX";
    int fd = temps.make(e.image);
    if (fd < 0) return false;
    std::vector<unsigned char> buf(kChunk);
    bool ok = true, first = true;
    while (ok && length > 0) {
        size_t n = length < kChunk ? size_t(length) : kChunk;
        ok = r.get(buf.data(), n);
        if (ok && first && std::memcmp(buf.data(), kSqliteHeader, sizeof kSqliteHeader) != 0) {
            complain("the image of %s is not an SQLite database", e.db);
            ok = false;
        }
        ok = ok && write_all(fd, buf.data(), n);
        first = false;
        length -= n;
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    return ok;
}

// An image passes when its schema holds nothing but tables (and the indexes
// SQLite makes for their keys) and SQLite's integrity check finds it sound.
bool check_image(const Entry& e)
{
    Sql s;
    if (!s.open(e.image, SQLITE_OPEN_READWRITE)) return false;
    // The image is untrusted until checked: no schema-defined functions.
    sqlite3_db_config(s.h(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(s.h(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    std::string others, verdict;
    if (!s.text("SELECT count(*) FROM sqlite_master WHERE NOT (type = 'table' OR (type = 'index' AND sql IS NULL))",
                &others))
        return false;
    if (others != "0") {
        complain("the image of %s holds more than tables", e.db);
        return false;
    }
    if (!s.text("PRAGMA integrity_check", &verdict)) return false;
    if (verdict != "ok") {
        complain("the image of %s is damaged: %s", e.db, verdict.c_str());
        return false;
    }
    return true;
}

// Makes the checked image the content of its database.
bool restore(const Entry& e, TempFiles& temps)
{
    const std::string dest = nvr_path(e.db);
    struct stat st;
    if (stat(dest.c_str(), &st) != 0) {
        // No database yet: the image takes its place, in the store's WAL mode.
        {
            Sql s;
            if (!s.open(e.image, SQLITE_OPEN_READWRITE) || !s.exec("PRAGMA journal_mode=WAL")) return false;
        }
        mode_t mask = umask(0);
        umask(mask);
        chmod(e.image.c_str(), 0644 & ~mask);
        if (!sync_path(e.image, false)) return false;
        // Side files of a database that no longer exists would be replayed
        // onto the new one.
        unlink((dest + "-wal").c_str());
        unlink((dest + "-shm").c_str());
        if (renameat2(AT_FDCWD, e.image.c_str(), AT_FDCWD, dest.c_str(), RENAME_NOREPLACE) == 0) {
            temps.keep(e.image);
            sync_path(dir_of(dest), true);
            return true;
        }
        if (errno != EEXIST) {
            complain("cannot create %s: %s", dest.c_str(), std::strerror(errno));
            return false;
        }
        // Created by the store meanwhile: restore into it like any other.
    }
    Sql to, from;
    if (!to.open(dest, SQLITE_OPEN_READWRITE) || !from.open(e.image, SQLITE_OPEN_READWRITE)) return false;
    if (!to.exec("PRAGMA synchronous=FULL")) return false;
    return copy_database(to.h(), from.h());
}

int import_profile(const char* file)
{
    int fd = open(file, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        complain("cannot open %s: %s", file, std::strerror(errno));
        return 1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || uint64_t(st.st_size) > kProfileMaxFile) {
        complain("%s is not a profile", file);
        close(fd);
        return 1;
    }
    ProfileReader r{fd, uint64_t(st.st_size)};
    char marker[kProfileMarkerSize];
    uint64_t count = 0;
    if (!r.get(marker, sizeof marker) || !profile_marker_ok(marker, sizeof marker)) {
        complain("%s is not a profile", file);
        close(fd);
        return 1;
    }
    if (!take_profile_lock()) {
        close(fd);
        return 1;
    }

    TempFiles temps;
    std::vector<Entry> entries;
    bool ok = r.get_int(&count, 4) && count >= 1 && count <= kProfileMaxDbs;
    for (uint64_t i = 0; ok && i < count; i++) {
        uint64_t name_length = 0, image_length = 0;
        char name[kProfileMaxName + 1] = {};
        ok = r.get_int(&name_length, 4) && name_length >= 1 && name_length <= kProfileMaxName &&
             r.get(name, size_t(name_length));
        if (!ok) break;
        Entry e{known_db(name), ""};
        if (!e.db || std::strlen(name) != name_length) {
            complain("the profile names an unknown database");
            ok = false;
            break;
        }
        for (const Entry& other : entries) {
            if (other.db != e.db) continue;
            complain("the profile holds %s twice", e.db);
            ok = false;
        }
        ok = ok && r.get_int(&image_length, 8) && image_length >= kProfileMinImage &&
             image_length <= kProfileMaxImage && image_length <= r.size - r.offset;
        ok = ok && unpack_image(r, image_length, e, temps);
        if (ok) entries.push_back(e);
    }
    uint32_t computed = r.crc;
    uint64_t stored = 0;
    ok = ok && r.get_int(&stored, 4) && r.offset == r.size && stored == computed;
    close(fd);
    if (!ok) {
        complain("%s is damaged or not a profile", file);
        return 1;
    }
    bool has_main = false;
    for (const Entry& e : entries) has_main = has_main || e.db == kProfileDbs[0];
    if (!has_main) {
        complain("%s holds no main configuration", file);
        return 1;
    }
    for (const Entry& e : entries)
        if (!check_image(e)) return 1;

    // Every image is sound: restore them, the main configuration last.
    for (int main_pass = 0; main_pass < 2; main_pass++) {
        for (const Entry& e : entries) {
            if ((e.db == kProfileDbs[0]) != (main_pass == 1)) continue;
            if (!restore(e, temps)) {
                complain("restoring %s failed", e.db);
                return 1;
            }
        }
    }
    return 0;
}

int usage()
{
    std::fputs("usage: kxprofile -e DIR | kxprofile -i FILE\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || !argv[2][0]) return usage();
    if (std::strcmp(argv[1], "-e") == 0) return export_profile(argv[2]);
    if (std::strcmp(argv[1], "-i") == 0) return import_profile(argv[2]);
    return usage();
}
