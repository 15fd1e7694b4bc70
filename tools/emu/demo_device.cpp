// Demo answers of the device page: the identity of the demo recorder (16
// channels, 16 alarm inputs, 4 outputs, two network ports).
#include "handlers/system/device_records.h"
#include "tools/emu/emu.h"

namespace {

void demo_device_info(const EmuRequest&, EmuAnswer& answer)
{
    DeviceInfoRecord info = zeroed<DeviceInfoRecord>();
    info.device_id = 1;
    info.max_cameras = 16;
    info.max_sensor = 16;
    info.max_alarm = 4;
    info.max_audio_out = 1;
    info.display_num = 1;
    info.max_rs485 = 1;
    info.max_network_lan = 2;
    info.oem_version = 0;
    info.kxddns = 1;
    set_text(info.sn, "NV16P2024050600017");
    set_text(info.prefix, "NV16P");
    set_text(info.device_name, "NVR-16P");
    set_text(info.software, "7x.7.0.9");
    set_text(info.hwver, "V1.1");
    set_text(info.mac_address, "02:5e:7a:00:00:01");
    info.is_support_talk = 1;
    answer.reply_record(8400, info);
}

// The value the device page asks for: 0.
void demo_device_value(const EmuRequest&, EmuAnswer& answer)
{
    answer.reply_record(8265, i32(0));
}

const EmuDemoEntry kDeviceDemo[] = {
    {kMsgDeviceInfo, demo_device_info},
    {kMsgDeviceValue, demo_device_value},
};

}  // namespace

EMU_DEMO_AREA(device, kDeviceDemo);
