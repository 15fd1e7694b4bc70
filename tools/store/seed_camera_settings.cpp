// Factory exposure tables: every channel starts with the same curve, the
// exposure time growing first and the gain after it.
#include <string>

#include "handlers/camera/image_records.h"
#include "tools/store/seeds.h"

namespace {

const ExposurePair kFactoryCurve[] = {
    {100, 0}, {500, 0}, {1000, 0}, {5000, 0}, {10000, 0}, {20000, 0}, {40000, 0}, {40000, 16}, {40000, 32}, {40000, 64},
};
constexpr int kFactoryPairs = int(sizeof kFactoryCurve / sizeof kFactoryCurve[0]);

int seed_camera_settings(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    static ExposureRecord rows[kMaxExposureChannels];
    for (ExposureRecord& r : rows) {
        r = zeroed<ExposureRecord>();
        r.count = kFactoryPairs;
        for (int i = 0; i < kFactoryPairs; i++) r.pair[i] = kFactoryCurve[i];
    }
    return store_write_all(into, kExposureKind, rows, kMaxExposureChannels);
}

}  // namespace

NVR_STORE_SEED(seed_camera_settings);
