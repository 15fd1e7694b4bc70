// Demo answers of the status area, for the demo recorder: 16 channels with
// cameras online on the first 8 (192.168.1.101-108), two local disks and a
// network disk, eth0 connected and eth1 without a link, the admin logged in.
#include <cstdio>
#include <vector>

#include "handlers/status/status_records.h"
#include "tools/emu/emu.h"

namespace {

// Recording space in MiB: 2 TiB + 931.5 GiB local, 4 TiB on the network disk.
constexpr i32 kDemoTotal = 2097152 + 953869 + 4194304;
constexpr i32 kDemoUsed = 838861 + 100000 + 1048576;

NetInterfaceStatus demo_interface(int id, int up)
{
    NetInterfaceStatus s = zeroed<NetInterfaceStatus>();
    std::snprintf(s.ifname, sizeof s.ifname, "eth%d", id);
    s.id = id;
    s.state = up;
    s.speed_mode = up ? 1000 : 0;
    s.duplex = up;
    s.enable = 1;
    s.dhcp_enable = 0;
    std::snprintf(s.ip_addr, sizeof s.ip_addr, "192.168.%d.100", id + 1);
    std::snprintf(s.mac, sizeof s.mac, "02:5e:7a:00:00:%02x", id + 1);
    std::snprintf(s.primary_dns, sizeof s.primary_dns, "192.168.%d.1", id + 1);
    std::snprintf(s.gateway, sizeof s.gateway, "192.168.%d.1", id + 1);
    set_text(s.netmask, "255.255.255.0");
    s.mtu = 1500;
    s.ip6_mode = 2;
    std::snprintf(s.ip6_address, sizeof s.ip6_address, "fe80::5e:7aff:fe00:%x", id + 1);
    s.ip6_prefix = 64;
    return s;
}

void demo_interfaces(const EmuRequest&, EmuAnswer& answer)
{
    answer.reply_records(8301, std::vector<NetInterfaceStatus>{demo_interface(0, 1), demo_interface(1, 0)});
}

void demo_traffic(const EmuRequest&, EmuAnswer& answer)
{
    std::vector<NetTrafficStatus> list(2);
    for (int id = 0; id < 2; id++) {
        list[size_t(id)] = zeroed<NetTrafficStatus>();
        std::snprintf(list[size_t(id)].ifname, sizeof list[size_t(id)].ifname, "eth%d", id);
        list[size_t(id)].id = id;
    }
    list[0].rx_speed = 8 * 4352;  // the eight main streams, in kbit/s
    list[0].tx_speed = 1536;
    answer.reply_records(8302, list);
}

// The channels with a camera online: main 2560x1440 at 25 frames, sub
// 704x576, recording, channel 3 in alarm.
void demo_channels(const EmuRequest&, EmuAnswer& answer)
{
    std::vector<ChannelStatusRecord> list;
    for (int ch = 0; ch < kDemoOnline; ch++) {
        ChannelStatusRecord s = zeroed<ChannelStatusRecord>();
        s.main = {2560, 1440, 25, 4096, 1, 1};
        s.sub = {704, 576, 15, 512, 1, 1};
        s.record_on = 1;
        s.alarm_on = ch == 3 ? 1 : 0;
        s.chnid = ch;
        list.push_back(s);
    }
    answer.reply_records(8300, list);
}

// Motion on channels 1 and 3, a line crossed on channel 2, a person on
// channel 5, people counted on channel 4; alarm input 0 and output 0 active;
// video lost on the channels without a camera (8-15).
void demo_events(const EmuRequest&, EmuAnswer& answer)
{
    EventStatusRecord ev = zeroed<EventStatusRecord>();
    ev.video_loss = 0xff00;
    ev.motion = (1u << 1) | (1u << 3);
    ev.alarm_outs = 1;
    ev.alarm_ins = 1;
    ev.line_crossing = 1u << 2;
    ev.human_detection = 1u << 5;
    ev.counts[4] = {37, 29};
    for (int k = 0; k < kCameraAlarms; k++) {
        ev.camera_in_type[k] = 0xff;  // normally open on the cameras online
        ev.camera_out_type[k] = 0xff;
    }
    ev.camera_in_state[0] = 1u << 6;
    answer.reply_record(8305, ev);
}

void demo_disk_space(const EmuRequest&, EmuAnswer& answer)
{
    answer.reply_record(8306, DiskSpaceRecord{kDemoTotal, kDemoTotal - kDemoUsed, kDemoUsed});
}

// The cameras online support the feature: type 1, the last two type 2.
void demo_support(const EmuRequest&, EmuAnswer& answer)
{
    ChannelSupportRecord rec = zeroed<ChannelSupportRecord>();
    for (int ch = 0; ch < kDemoOnline; ch++) {
        rec.channels[ch].supported = 1;
        rec.channels[ch].type = ch < 6 ? 1 : 2;
    }
    answer.reply_record(8263, rec);
}

void demo_users(const EmuRequest&, EmuAnswer& answer)
{
    OnlineUserRecord u = zeroed<OnlineUserRecord>();
    set_text(u.user_name, "admin");
    u.user_level = 0;
    set_text(u.ipaddr, "192.168.1.50");
    set_text(u.login_time, "2024-05-06 09:15:42");
    answer.reply_record(6719, u);
}

const EmuDemoEntry kStatusDemo[] = {
    {kMsgChannelStatus, demo_channels},  {kMsgNetInterfaces, demo_interfaces}, {kMsgNetTraffic, demo_traffic},
    {kMsgEventStatus, demo_events},      {kMsgDiskSpace, demo_disk_space},     {kMsgChannelSupport, demo_support},
    {kMsgOnlineUsers, demo_users},
};

}  // namespace

EMU_DEMO_AREA(status, kStatusDemo);
