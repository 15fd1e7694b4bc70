// Demo answers of the system area.
#include <cstring>
#include <vector>

#include "handlers/system/maintenance_records.h"
#include "tools/emu/emu.h"

namespace {

// Page check: every page may be visited (0 = no session needed, the browser
// gets a guest cookie set).
void demo_page_check(const EmuRequest&, EmuAnswer& answer)
{
    answer.reply_record(8504, i32(0));
}

// Firmware upgrade from the uploaded file: accepted (status 0).
void demo_upgrade(const EmuRequest&, EmuAnswer& answer)
{
    answer.reply_record(6713, i32(0));
}

FirmwareInfo demo_firmware(int channel)
{
    FirmwareInfo info = zeroed<FirmwareInfo>();
    info.state = channel < 0 ? 1 : 0;  // the recorder has a newer firmware online, the cameras none
    info.file_size = channel < 0 ? 41943040 : 0;
    set_text(info.softversion, channel < 0 ? "7x.7.1.0" : "");
    set_text(info.url, channel < 0 ? "http://update.example.com/nvr/7x.7.1.0.bin" : "");
    set_text(info.description, channel < 0 ? "Stability fixes" : "");
    return info;
}

// Online firmware information of the recorder.
void demo_online_info(const EmuRequest&, EmuAnswer& answer)
{
    answer.reply_record(6715, demo_firmware(-1));
}

// Camera upgrade: the channel of the order, status 0.
void demo_camera_upgrade(const EmuRequest& req, EmuAnswer& answer)
{
    CameraUpgradeResult r{0, 0};
    if (req.length >= 4) std::memcpy(&r.chnid, req.payload, 4);
    answer.reply_record(8350, r);
}

// Camera firmware check: one record per channel, none with an upgrade.
void demo_camera_check(const EmuRequest&, EmuAnswer& answer)
{
    std::vector<FirmwareInfo> all;
    for (int ch = 0; ch < kFirmwareChannels; ch++) all.push_back(demo_firmware(ch));
    answer.reply_records(8365, all);
}

const EmuDemoEntry kSystemDemo[] = {
    {3504, demo_page_check},
    {kMsgUpgrade, demo_upgrade},
    {kMsgOnlineInfo, demo_online_info},
    {kMsgOnlineDownload, demo_accepted},  // download started: result 0
    {kMsgOnlineCancel, demo_accepted},    // download cancelled: result 0
    {kMsgCameraUpgrade, demo_camera_upgrade},
    {kMsgCameraCheck, demo_camera_check},
};

}  // namespace

EMU_DEMO_AREA(system, kSystemDemo);
