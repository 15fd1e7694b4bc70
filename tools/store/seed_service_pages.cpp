// Factory values of the service pages: the address filter off, set to its
// default type, with an empty list; the software version the version
// command reports; the video decode option off. (The HDMI hot-plug key is
// seeded with the display settings.)
#include "handlers/system/service_records.h"
#include "tools/store/seeds.h"

namespace {

int seed_service_pages(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    const struct {
        const char* key;
        const char* value;
    } keys[] = {
        {kKeyFilterEnable, "0"},
        {kKeyFilterType, "1"},
        {kKeySoftwareVersion, kDefaultSoftwareVersion},
        {kKeyDecode, "0"},
    };
    for (const auto& k : keys)
        if (put_param_value(into, k.key, k.value) != 0) return -1;
    return write_access_filter(into, nullptr, 0);
}

}  // namespace

NVR_STORE_SEED(seed_service_pages);
