// Factory display settings: both outputs show the same picture (the sub
// output off), HDMI and local audio on at half volume, device number 255,
// the wizard off.
#include "handlers/system/display_records.h"
#include "tools/store/seeds.h"

static int seed_display(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    DisplayRecord d = zeroed<DisplayRecord>();
    d.main_resolution = 0;
    d.hdmi_audio_on = 1;
    d.audio_output_on = 1;
    d.audio_volume = 50;
    d.sub_enable = 0;
    d.sub_resolution = 0;
    d.cur_control = 0;
    if (store_write(into, kDisplayKind, 0, d) != 0) return -1;
    const struct {
        const char* key;
        const char* value;
    } keys[] = {
        {kKeyDeviceId, kDefaultDeviceId},   {kKeyWizardEnable, kDefaultWizardEnable},
        {kKeyDisplayMode, kDefaultDisplayMode}, {kKeyHomologous, "1"},
        {kKeyHdmiHotplug, kDefaultHdmiHotplug}, {kKeyQuickScreen, "0"},
        {kKeyStreamInfo, "0"},
    };
    for (const auto& k : keys)
        if (put_param_value(into, k.key, k.value) != 0) return -1;
    return 0;
}
NVR_STORE_SEED(seed_display);
