// nvr-store: creates the configuration databases with their factory defaults
// and reads or patches them by hand. Every path honours NVR_ROOT.
//
//   nvr-store init [--admin-password P]
//   nvr-store get KEY [--db FILE]
//   nvr-store set KEY VALUE [--db FILE]
//   nvr-store tables [--db FILE]
//   nvr-store dump TABLE [--db FILE]
//   nvr-store put-row TABLE INDEX HEX [--db FILE]
//   nvr-store check [--db FILE]
//
// FILE is one of the three database names (or "main", "anpr", "oem"); the
// default is the main database. Exit status: 0 done, 1 failed or not found,
// 2 misuse.

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/paths.h"
#include "platform/kxdb.h"
#include "tools/store/seeds.h"

namespace {

// ---- factory defaults ----

// The databases `init` may create. The customised-firmware database is never
// created here: its presence is what marks a customised device.
const char* const kInitDbs[] = {kMainDb, kAnprDb};

// Factory keys, by database.
struct DefaultKey {
    const char* db;
    const char* key;
    const char* value;
};
const DefaultKey kDefaultKeys[] = {
    {kMainDb, "max_cameras", "32"},
    // "1" makes every request but the login need a live session.
    {kMainDb, "session_required", "0"},
};

int seed_default_keys(const char* db, const char* into, const InitOptions&)
{
    for (const DefaultKey& k : kDefaultKeys)
        if (!std::strcmp(k.db, db) && put_param_value(into, k.key, k.value) != 0) return -1;
    return 0;
}

NVR_STORE_SEED(seed_default_keys);

// ---- helpers ----

int usage()
{
    std::fputs("usage: nvr-store init [--admin-password P]\n"
               "       nvr-store get KEY [--db FILE]\n"
               "       nvr-store set KEY VALUE [--db FILE]\n"
               "       nvr-store tables [--db FILE]\n"
               "       nvr-store dump TABLE [--db FILE]\n"
               "       nvr-store put-row TABLE INDEX HEX [--db FILE]\n"
               "       nvr-store check [--db FILE]\n"
               "FILE: main (/mnt/nand/app/kxdb.db), anpr (/mnt/nand/app/anpr.db) or oem (/mnt/nand2/oem.db)\n",
               stderr);
    return 2;
}

int failed(const char* what)
{
    const char* why = kxdb_last_error();
    std::fprintf(stderr, "nvr-store: %s%s%s\n", what, *why ? ": " : "", why);
    return 1;
}

const char* db_by_name(const std::string& name)
{
    struct Alias {
        const char* name;
        const char* db;
    };
    static const Alias kAliases[] = {{"main", kMainDb}, {"anpr", kAnprDb}, {"oem", kOemDb}};
    for (const Alias& a : kAliases)
        if (name == a.name || name == a.db) return a.db;
    return nullptr;
}

bool file_exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool file_has_data(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

void remove_db_files(const std::string& path)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) unlink((path + suffix).c_str());
}

void fsync_dir_of(const std::string& path)
{
    std::string dir = path.substr(0, path.rfind('/'));
    if (dir.empty()) dir = "/";
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// ---- commands ----

// Creates each absent database in a side file, fills it, and links it into
// place only when complete: a reader never sees a half-seeded database, and
// a database that exists (or appears meanwhile) is left as it is.
int cmd_init(const InitOptions& opt)
{
    int status = 0;
    for (const char* db : kInitDbs) {
        std::string path = nvr_path(db);
        if (file_exists(path)) {
            std::printf("%s: exists, kept\n", path.c_str());
            continue;
        }
        std::string side_db = std::string(db) + ".init-" + std::to_string(getpid());
        std::string side = nvr_path(side_db);
        remove_db_files(side);
        // One transaction per file: a seed is complete or absent, and the
        // commit's result counts.
        kxdb_request_begin();
        bool ok = true;
        for (int i = 0; i < seed_count(); i++) ok = ok && seed_at(i)(db, side_db.c_str(), opt) == 0;
        ok = kxdb_request_end() == 0 && ok;
        kxdb_close_all();  // checkpoints the side file and removes its journal
        if (!ok) {
            remove_db_files(side);
            status = failed((path + ": seeding failed").c_str());
            continue;
        }
        if (!file_has_data(side)) {  // nothing to seed in this database
            remove_db_files(side);
            continue;
        }
        // Journal files without their database are left over from a removed
        // one; they must not be replayed into the new file.
        unlink((path + "-wal").c_str());
        unlink((path + "-shm").c_str());
        if (link(side.c_str(), path.c_str()) == 0) {
            fsync_dir_of(path);
            std::printf("%s: created\n", path.c_str());
        } else if (errno == EEXIST) {
            std::printf("%s: exists, kept\n", path.c_str());
        } else {
            std::fprintf(stderr, "nvr-store: %s: %s\n", path.c_str(), std::strerror(errno));
            status = 1;
        }
        remove_db_files(side);
    }
    return status;
}

int cmd_get(const char* db, const char* key)
{
    if (check_param_key(db, key) != 0) {
        std::fprintf(stderr, "nvr-store: no key \"%s\" in %s\n", key, nvr_path(db).c_str());
        return 1;
    }
    std::vector<char> buf(1 << 20);
    get_param_value(db, key, buf.data(), int(buf.size()), "");
    std::printf("%s\n", buf.data());
    return 0;
}

// The writing commands run in a request scope, as the CGI program's writes
// do: the write and its commit are one unit and a failed commit is reported.
int cmd_set(const char* db, const char* key, const char* value)
{
    kxdb_request_begin();
    int rc = put_param_value(db, key, value);
    if (kxdb_request_end() != 0) rc = -1;
    return rc == 0 ? 0 : failed(key);
}

int cmd_tables(const char* db)
{
    if (!file_exists(nvr_path(db))) {
        std::fprintf(stderr, "nvr-store: no database %s\n", nvr_path(db).c_str());
        return 1;
    }
    int n = kxdb_tables(db, [](const char* name, void*) { std::printf("%s\n", name); }, nullptr);
    return n < 0 ? failed("tables") : 0;
}

int cmd_dump(const char* db, const char* table)
{
    if (!file_exists(nvr_path(db))) {
        std::fprintf(stderr, "nvr-store: no database %s\n", nvr_path(db).c_str());
        return 1;
    }
    int n;
    if (!std::strcmp(table, kKeyTable)) {
        n = kxdb_keys_each(db, [](const char* k, const char* v, void*) { std::printf("%s\t%s\n", k, v); }, nullptr);
    } else {
        n = kxdb_raw_rows(
            db, table,
            [](long long index, const void* data, size_t len, void*) {
                std::printf("%lld %zu ", index, len);
                for (size_t i = 0; i < len; i++) std::printf("%02x", static_cast<const unsigned char*>(data)[i]);
                std::printf("\n");
            },
            nullptr);
    }
    return n < 0 ? failed(table) : 0;
}

int cmd_put_row(const char* db, const char* table, const char* index_text, const char* hex)
{
    char* end = nullptr;
    errno = 0;
    long index = std::strtol(index_text, &end, 10);
    if (errno || end == index_text || *end || index < 0 || index >= INT_MAX) {
        std::fprintf(stderr, "nvr-store: bad row index \"%s\"\n", index_text);
        return 2;
    }
    size_t n = std::strlen(hex);
    if (n == 0 || n % 2) {
        std::fprintf(stderr, "nvr-store: the row must be a non-empty even number of hex digits\n");
        return 2;
    }
    std::vector<unsigned char> row(n / 2);
    for (size_t i = 0; i < row.size(); i++) {
        int hi = hex_value(hex[2 * i]), lo = hex_value(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) {
            std::fprintf(stderr, "nvr-store: not a hex digit in the row at %zu\n", 2 * i + (hi < 0 ? 0 : 1));
            return 2;
        }
        row[i] = static_cast<unsigned char>(hi << 4 | lo);
    }
    KxRecordKind kind{table, int(index) + 1, row.size()};
    kxdb_request_begin();
    int rc = kxdb_row_write(db, kind, int(index), row.data());
    if (kxdb_request_end() != 0) rc = -1;
    return rc == 0 ? 0 : failed(table);
}

int cmd_check(const char* db)
{
    int r = kxdb_integrity_check(db);
    if (r == 0) {
        std::printf("ok\n");
        return 0;
    }
    return failed(nvr_path(db).c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("nvr-store: no command given\n", stderr);
        return usage();
    }
    std::string cmd = argv[1];
    const char* db = kMainDb;
    bool db_given = false;
    InitOptions init;
    std::vector<const char*> args;
    for (int i = 2; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--db" || a == "--admin-password") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "nvr-store: %s needs a value\n", a.c_str());
                return usage();
            }
            const char* v = argv[++i];
            if (a == "--db") {
                db = db_by_name(v);
                db_given = true;
                if (!db) {
                    std::fprintf(stderr, "nvr-store: unknown database \"%s\"\n", v);
                    return usage();
                }
            } else {
                init.admin_password_given = true;
                init.admin_password = v;
            }
        } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            std::fprintf(stderr, "nvr-store: unknown option %s\n", a.c_str());
            return usage();
        } else {
            args.push_back(argv[i]);
        }
    }
    if (init.admin_password_given && cmd != "init") {
        std::fprintf(stderr, "nvr-store: --admin-password belongs to init\n");
        return usage();
    }

    struct Command {
        const char* name;
        size_t args;
    };
    static const Command kCommands[] = {{"init", 0}, {"get", 1},     {"set", 2},   {"tables", 0},
                                        {"dump", 1}, {"put-row", 3}, {"check", 0}};
    const Command* c = nullptr;
    for (const Command& k : kCommands)
        if (cmd == k.name) c = &k;
    if (!c) {
        std::fprintf(stderr, "nvr-store: unknown command \"%s\"\n", cmd.c_str());
        return usage();
    }
    if (args.size() != c->args) {
        std::fprintf(stderr, "nvr-store: %s takes %zu argument%s\n", c->name, c->args, c->args == 1 ? "" : "s");
        return usage();
    }
    if (cmd == "init" && db_given) {
        std::fprintf(stderr, "nvr-store: init creates every database; --db does not apply\n");
        return usage();
    }

    int status;
    if (cmd == "init") status = cmd_init(init);
    else if (cmd == "get") status = cmd_get(db, args[0]);
    else if (cmd == "set") status = cmd_set(db, args[0], args[1]);
    else if (cmd == "tables") status = cmd_tables(db);
    else if (cmd == "dump") status = cmd_dump(db, args[0]);
    else if (cmd == "put-row") status = cmd_put_row(db, args[0], args[1], args[2]);
    else status = cmd_check(db);
    kxdb_close_all();
    if (std::fflush(stdout) != 0 && status == 0) status = 1;
    return status;
}
