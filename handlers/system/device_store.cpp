// Store calls of the device page: UPnP, automatic reboot and the batch of
// camera addresses. (The service ports are the network services' row.)
#include <memory>

#include "handlers/camera/camera_records.h"
#include "handlers/system/device_records.h"

int read_upnp(const char* db, UpnpRecord* out) { return store_read(db, kUpnpKind, 0, out); }

int read_autoreboot_conf(const char* db, AutoRebootRecord* out) { return store_read(db, kAutoRebootKind, 0, out); }

int write_autoreboot_conf(const char* db, const AutoRebootRecord& rec) { return store_write(db, kAutoRebootKind, 0, rec); }

int write_camera_ips(const char* db, const char (*addresses)[32], int count)
{
    if (count <= 0) return 0;
    if (count > kMaxCameras) return -1;
    // Zeroed each call: an absent row reads as zeros.
    auto whole = std::make_unique<CameraRecord[]>(kMaxCameras);
    CameraRecord* cameras = whole.get();
    int present = 0;
    if (read_cameras(db, cameras, &present) != 0) return -1;
    for (int i = 0; i < count; i++) {
        cameras[i].id = i;  // an absent row reads as zeros
        set_text(cameras[i].ip, addresses[i], sizeof cameras[i].ip - 1);
    }
    return store_write_all(db, kCameraKind, cameras, count);
}
