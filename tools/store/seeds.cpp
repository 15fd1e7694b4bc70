// The registry of the areas' factory-default seeds and the digest the
// factory password is stored as; shared by nvr-store and the fuzz targets.
#include <openssl/evp.h>

#include <string>
#include <vector>

#include "tools/store/seeds.h"

// Lower-case hex MD5 digest of a text ("" if the digest cannot be computed):
// the form in which the factory administrator password is stored.
std::string md5_hex(const std::string& text)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (!EVP_Digest(text.data(), text.size(), digest, &len, EVP_md5(), nullptr)) return "";
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < len; i++) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

namespace {
std::vector<SeedFn>& seeds()
{
    static std::vector<SeedFn> all;
    return all;
}
}  // namespace

SeedRegistrar::SeedRegistrar(SeedFn fn) { seeds().push_back(fn); }
int seed_count() { return int(seeds().size()); }
SeedFn seed_at(int i) { return seeds()[size_t(i)]; }
