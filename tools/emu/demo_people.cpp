// Demo answers of people counting and camera alarm I/O: the cameras online
// on the first 8 channels count people in two regions of the picture (a
// doorway and a counter), have one alarm input wired and listen for loud
// sounds; the recorder's counting groups and report plans accept every
// change (result 0).
#include <cstring>

#include "handlers/event/camera_io_records.h"
#include "handlers/event/people_records.h"
#include "tools/emu/emu.h"

namespace {


PcntRegion demo_region(const char* xs, const char* ys, i32 max_stay)
{
    PcntRegion g = zeroed<PcntRegion>();
    g.enable = 1;
    set_text(g.polygon_x, xs);
    set_text(g.polygon_y, ys);
    g.max_stay_enable = 1;
    g.max_stay_value = max_stay;
    g.max_stay_time_enable = 1;
    g.max_stay_time_value = 300;
    return g;
}

// 1220: a doorway region and a counter region on online cameras.
void demo_regional(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 channel = request_channel(req, 0);
    RegionalPcntReply r = zeroed<RegionalPcntReply>();
    RegionalPcntSettings& s = r.settings;
    s.chnid = channel;
    s.sensitivity = 50;
    s.min_obj_x = 400;
    s.min_obj_y = 200;
    s.min_obj_width = 64;
    s.min_obj_height = 64;
    s.max_obj_x = 300;
    s.max_obj_y = 100;
    s.max_obj_width = 480;
    s.max_obj_height = 480;
    if (online(channel)) {
        s.regions[0] = demo_region("120,340,340,120", "60,60,200,200", 10);
        s.regions[1] = demo_region("20,100,100,20", "150,150,250,250", 3);
    } else {
        r.result = -1;  // no camera to ask
    }
    answer.reply_record(kRegionalPcntGetReply, r);
}

// 3213: input 0 of an online camera closes on alarm, recording its own channel.
void demo_camera_io(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 channel = request_channel(req, 0);
    CameraIoState st = zeroed<CameraIoState>();
    st.cam_id = channel;
    st.enable = online(channel) ? 1 : 0;
    st.type = 1;
    st.tri_actions = 1;
    if (channel >= 0 && channel < kEventChannels) {
        std::memset(st.tri_channels, '0', size_t(channel) + 1);
        st.tri_channels[channel] = '1';
        if (channel < 32) st.tri_mask = u32(1) << channel;
    }
    answer.reply_record(kCameraIoReply, st);
}

// 3215: sound above level 70 for 2 s is an event.
void demo_volume(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 channel = request_channel(req, 0);
    VolumeState st = zeroed<VolumeState>();
    st.cam_id = channel;
    st.enable = online(channel) ? 1 : 0;
    st.type = 0;
    st.volume = 70;
    st.duration = 2;
    st.on_event = 1;
    st.off_event = 0;
    st.ongoing_event = 1;
    st.tri_actions = 1;
    set_text(st.tri_channels, "1");
    st.tri_mask = 1;
    answer.reply_record(kVolumeReply, st);
}

const EmuDemoEntry kPeopleDemo[] = {
    {kMsgRegionalPcntGet, demo_regional},
    {kMsgRegionalPcntSet, demo_accepted},
    {kMsgCameraIoGet, demo_camera_io},
    {kMsgVolumeGet, demo_volume},
    {kMsgPcntGroupsChanged, demo_accepted},
    {kMsgPcntGroupCommandA, demo_accepted},
    {kMsgPcntGroupCommandB, demo_accepted},
    {kMsgPcntGroupActions, demo_accepted},
    {kMsgPcntReportsChanged, demo_accepted},
};

}  // namespace

EMU_DEMO_AREA(people, kPeopleDemo);
