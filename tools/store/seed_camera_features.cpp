// Factory POS terminals and face actions: eight POS connections, off, named
// "POS 1" to "POS 8", each showing on the channel of its number, with no
// address and no port; an empty event row for every POS and every channel's
// face detection, naming its own id.
#include <cstdio>
#include <string>

#include "handlers/camera/face_records.h"
#include "handlers/camera/pos_records.h"
#include "tools/store/seeds.h"

namespace {

constexpr int kFactoryDisplayTime = 10;  // seconds a transaction stays on screen
constexpr int kFactoryTimeout = 30;      // seconds without data before a terminal counts as idle
constexpr int kFactoryFontSize = 1;

int seed_camera_features(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    PosSettingRecord pos[kPosTerminals];
    PosEventRecord pos_events[kPosTerminals];
    for (int i = 0; i < kPosTerminals; i++) {
        PosSettingRecord& p = pos[i];
        p = zeroed<PosSettingRecord>();
        p.id = i;
        char name[sizeof p.name];
        std::snprintf(name, sizeof name, "POS %d", i + 1);
        set_text(p.name, name);
        p.display_channel = i;
        p.font_size = kFactoryFontSize;
        p.display_time = kFactoryDisplayTime;
        p.timeout = kFactoryTimeout;
        pos_events[i] = zeroed<PosEventRecord>();
        pos_events[i].id = i;
    }
    static FaceEventRecord faces[kEventChannels];
    for (int i = 0; i < kEventChannels; i++) {
        faces[i] = zeroed<FaceEventRecord>();
        faces[i].id = i;
    }
    if (store_write_all(into, kPosSettingKind, pos, kPosTerminals) != 0) return -1;
    if (store_write_all(into, kPosEventKind, pos_events, kPosTerminals) != 0) return -1;
    return store_write_all(into, kFaceEventKind, faces, kEventChannels);
}

}  // namespace

NVR_STORE_SEED(seed_camera_features);
