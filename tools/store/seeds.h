// Factory defaults written by `nvr-store init`. Each area seeds its own
// record tables from a unit of its own in this directory:
//
//   static int seed_users(const char* db, const char* into, const InitOptions& opt) { ... }
//   NVR_STORE_SEED(seed_users);
#pragma once

#include <string>

struct InitOptions {
    bool admin_password_given = false;
    std::string admin_password;
};

// A seed fills the new database `into` that will become `db` (the path of
// one of the databases init creates, such as kMainDb); it writes only through
// the store calls with `into` as database, and does nothing for a database
// that is not its own. 0, or -1 on failure (the database is then not created).
using SeedFn = int (*)(const char* db, const char* into, const InitOptions& opt);

struct SeedRegistrar {
    explicit SeedRegistrar(SeedFn fn);
};
#define NVR_STORE_SEED(fn) static const SeedRegistrar nvr_seed_##fn(fn)

// Every registered seed, in registration order.
int seed_count();
SeedFn seed_at(int i);

// Lower-case hex MD5 digest of a text ("" if it cannot be computed).
std::string md5_hex(const std::string& text);
