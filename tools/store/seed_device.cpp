// Factory settings of the device page: UPnP off with the standard external
// ports, no automatic reboot (planned for 03:00 every day once switched on),
// and the device keys the device information and the status pages read.
// (Device number, wizard and stream-information keys are seeded with the
// display settings.)
#include <cstring>
#include <string>

#include "handlers/system/device_records.h"
#include "tools/store/seeds.h"

namespace {

struct KeySeed {
    const char* key;
    const char* value;
};
const KeySeed kDeviceKeys[] = {
    {"kxfs_dbup", "0"},
    {"transport_protocol", "0"},
    {"plugin_version", "1.0"},
    {"mplugin_version", "1.0"},
    {"oemupdateonline", "0"},
    {"company", "Tarvane"},
    {"local_auth_enable", "0"},
    {"alarm_in", "16"},
    {"alarm_out", "4"},
};

int seed_device(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    for (const KeySeed& k : kDeviceKeys)
        if (put_param_value(into, k.key, k.value) != 0) return -1;

    UpnpRecord upnp = zeroed<UpnpRecord>();
    upnp.external_http_port = 80;
    upnp.external_rtsp_port = 554;
    if (store_write(into, kUpnpKind, 0, upnp) != 0) return -1;

    AutoRebootRecord reboot = zeroed<AutoRebootRecord>();
    reboot.hour = 3;
    return store_write(into, kAutoRebootKind, 0, reboot);
}

}  // namespace

NVR_STORE_SEED(seed_device);
