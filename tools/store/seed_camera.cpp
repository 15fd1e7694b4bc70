// Factory camera tables: the camera protocols with a few models each, and a
// free row per channel (camera, channel name "CAM<n>", privacy masks).
#include <cstdio>
#include <string>
#include <vector>

#include "handlers/camera/camera_records.h"
#include "tools/store/seeds.h"

namespace {

struct ProtocolSeed {
    const char* name;
    i32 function;
    i32 display_model;
};
// Indexed by protocol number 0..7.
const ProtocolSeed kProtocols[] = {
    {"ONVIF", 1, 1},     {"RTSP", 0, 0},         {"KXSF", 3, 0},      {"KXSF-V2", 3, 1},
    {"KXSF-P2P", 1, 1},  {"KXSF-CLOUD", 1, 1},   {"KXSF-FISH", 3, 1}, {"KXSF-POE", 3, 0},
};
constexpr int kProtocolCount = int(sizeof kProtocols / sizeof kProtocols[0]);

struct ModelSeed {
    const char* suffix;
    i32 alarm_type;
};
// Besides its generic model (id = protocol number), every protocol but RTSP
// gets these, numbered from 8 on.
const ModelSeed kExtraModels[] = {{"bullet", 1}, {"dome", 2}};

int seed_protocols(const char* into)
{
    std::vector<IpcProtocolRecord> protocols;
    std::vector<IpcModelRecord> models(kProtocolCount);
    for (int p = 0; p < kProtocolCount; p++) {
        IpcProtocolRecord r = zeroed<IpcProtocolRecord>();
        r.id = p;
        set_text(r.name, kProtocols[p].name);
        r.protocol_function = kProtocols[p].function;
        r.enable = 1;
        r.display_model = kProtocols[p].display_model;
        protocols.push_back(r);

        IpcModelRecord& m = models[size_t(p)];
        m = zeroed<IpcModelRecord>();
        m.id = p;
        m.protocol = p;
        set_text(m.name, (std::string(kProtocols[p].name) + " generic").c_str());
        m.default_model = 1;
    }
    for (int p = 0; p < kProtocolCount; p++) {
        if (p == 1) continue;  // an RTSP source has no model
        for (const ModelSeed& s : kExtraModels) {
            IpcModelRecord m = zeroed<IpcModelRecord>();
            m.id = i32(models.size());
            m.protocol = p;
            set_text(m.name, (std::string(kProtocols[p].name) + " " + s.suffix).c_str());
            m.alarm_type = s.alarm_type;
            models.push_back(m);
        }
    }
    if (store_write_all(into, kIpcProtocolKind, protocols.data(), int(protocols.size())) != 0) return -1;
    return store_write_all(into, kIpcModelKind, models.data(), int(models.size()));
}

int seed_channels(const char* into)
{
    static CameraRecord cameras[kMaxCameras];
    static OsdRecord osds[kMaxCameras];
    static PrivacyMaskRecord masks[kMaxCameras];
    for (int id = 0; id < kMaxCameras; id++) {
        CameraRecord& c = cameras[id];
        c = zeroed<CameraRecord>();
        c.id = id;
        c.manage_port = 80;
        c.main_rtsp_port = 554;
        c.sub_rtsp_port = 554;
        c.sub_enable = 1;
        c.transmit = 1;

        OsdRecord& o = osds[id];
        o = zeroed<OsdRecord>();
        o.id = id;
        char name[16];
        std::snprintf(name, sizeof name, "CAM%d", id + 1);
        set_text(o.name, name);
        o.show_name = 1;
        o.show_date = 1;

        PrivacyMaskRecord& m = masks[id];
        m = zeroed<PrivacyMaskRecord>();
        m.id = id;
        for (int a = 0; a < kMaskAreas; a++) m.area[a].area_id = a;
    }
    if (store_write_all(into, kCameraKind, cameras, kMaxCameras) != 0) return -1;
    if (store_write_all(into, kOsdKind, osds, kMaxCameras) != 0) return -1;
    return store_write_all(into, kPrivacyMaskKind, masks, kMaxCameras);
}

int seed_camera(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    if (seed_protocols(into) != 0) return -1;
    return seed_channels(into);
}

}  // namespace

NVR_STORE_SEED(seed_camera);
