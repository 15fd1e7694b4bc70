// Demo answers of the camera area: a recorder of 16 channels with cameras
// online on the first 8, three cameras waiting on the network, and camera
// logins and address changes that succeed.
#include <cstdio>
#include <cstring>

#include "handlers/camera/camera_records.h"
#include "tools/emu/emu.h"

namespace {

constexpr int kDemoChannels = 16;
constexpr int kDemoFound = 3;

template <size_t N>
void put(char (&field)[N], const char* format, int n)
{
    std::snprintf(field, N, format, n);
}

// 3201: the live state of every channel.
void demo_camera_list(const EmuRequest&, EmuAnswer& answer)
{
    std::vector<CameraStatusRecord> list;
    for (int ch = 0; ch < kDemoChannels; ch++) {
        CameraStatusRecord s = zeroed<CameraStatusRecord>();
        s.id = ch;
        s.protocol = 0;
        if (ch < kDemoOnline) {
            s.manage_port = 80;
            s.state = 1;
            s.main_rtsp_port = 554;
            put(s.ip, "192.168.1.%d", 101 + ch);
            set_text(s.vendor, "DemoVision");
            put(s.sn, "DV4MP2024%04d", ch + 1);
            put(s.sn_real, "DV4MP2024%04d", ch + 1);
            set_text(s.fw_version, "V5.2.1 build 240312");
            put(s.mac, "02:5e:7a:10:00:%02x", ch + 1);
            set_text(s.model, ch % 2 ? "DV-D2 dome" : "DV-B4 bullet");
            s.alarm_in = 1;
            s.alarm_out = 1;
            s.sub_state = 1;
            s.connect_state = 1;
        }
        list.push_back(s);
    }
    answer.reply_records(8201, list);
}

// 3200: cameras not yet on a channel, of the protocol asked for.
void demo_camera_search(const EmuRequest& req, EmuAnswer& answer)
{
    i32 protocol = 0;
    if (req.length >= sizeof protocol) std::memcpy(&protocol, req.payload, sizeof protocol);
    std::vector<CameraSearchRecord> found;
    for (int i = 0; i < kDemoFound; i++) {
        CameraSearchRecord s = zeroed<CameraSearchRecord>();
        put(s.ip, "192.168.1.%d", 201 + i);
        put(s.mac, "02:5e:7a:20:00:%02x", i + 1);
        s.manage_port = 80;
        s.protocol = protocol;
        set_text(s.vendor, "DemoVision");
        put(s.sn, "DV2MP2024%04d", 100 + i);
        put(s.sn_real, "DV2MP2024%04d", 100 + i);
        set_text(s.fw_version, "V5.2.1 build 240312");
        set_text(s.model, i % 2 ? "DV-D2 dome" : "DV-B4 bullet");
        s.model_id = protocol;
        set_text(s.netmask, "255.255.255.0");
        set_text(s.dns, "192.168.1.1");
        set_text(s.gateway, "192.168.1.1");
        set_text(s.netif, "eth0");
        s.active_status = 1;
        put(s.name, "Entrance %d", i + 1);
        found.push_back(s);
    }
    answer.reply_records(8200, found);
}

const EmuDemoEntry kCameraDemo[] = {
    {3200, demo_camera_search},
    {3201, demo_camera_list},
    {3202, demo_accepted},
    {3205, demo_accepted},
    {3227, demo_accepted},
};

}  // namespace

EMU_DEMO_AREA(camera, kCameraDemo);
