// Demo answers about fisheye settings, auto-tracking, the cameras' own
// motion detection and the camera maintenance queries, consistent with the
// demo recorder: 16 channels, cameras online on channels 0 to 7 (a 4 MP
// bullet on even channels, a 2 MP dome on odd ones, at 192.168.1.101 on),
// the one on channel 6 a ceiling-mounted fisheye, nothing behind the other
// channels. Writes to an online camera succeed (0); to an offline one they
// fail (-1). The camera type query (2503) is answered by the event demo.
#include <cstdio>
#include <cstring>
#include <string>

#include "handlers/camera/camera_motion_records.h"
#include "handlers/camera/fisheye_records.h"
#include "handlers/camera/maintenance_records.h"
#include "handlers/camera/tracking_records.h"
#include "tools/emu/emu.h"

namespace {

constexpr int kDemoFisheye = 6;

template <size_t N>
void put(char (&field)[N], const char* format, int n)
{
    std::snprintf(field, N, format, n);
}

// A schedule armed all day on every day: one plan 00:00-24:00 and the
// whole-day mark.
void all_day(RecordSchedule& s)
{
    for (ScheduleDay& d : s.days) {
        set_text(d.plans[0].start_time, "00:00");
        set_text(d.plans[0].end_time, "24:00");
        d.plans[0].action_type = 1;
        d.wholeday_enable = 1;
    }
}

// A 22 x 18 motion grid, every cell on.
void full_grid(char* text, size_t width)
{
    const size_t cells = 22 * 18 < width - 1 ? 22 * 18 : width - 1;
    std::memset(text, '1', cells);
    text[cells] = 0;
}

void identity(CameraIdentityRecord& c, int ch)
{
    c.chnid = ch;
    if (!online(ch)) return;
    put(c.ipaddr, "192.168.1.%d", 101 + ch);
    set_text(c.model, ch == kDemoFisheye ? "DV-F5 fisheye" : ch % 2 ? "DV-D2 dome" : "DV-B4 bullet");
    set_text(c.fwversion, "V5.2.1 build 240312");
}

// A result for the channel of a request's int at `offset`: 0 online, else -1.
i32 result_at(const EmuRequest& req, size_t offset)
{
    i32 ch = -1;
    if (req.length >= offset + sizeof ch) std::memcpy(&ch, req.payload + offset, sizeof ch);
    return online(ch) ? 0 : -1;
}

// 1262, 3231, 3353: the channel leads the request.
void demo_channel_result(const EmuRequest& req, EmuAnswer& answer)
{
    answer.reply_record(req.code + 5000, result_at(req, 0));
}

// 3366, 3375: the channel follows the 8-byte copy mask.
void demo_copy_result(const EmuRequest& req, EmuAnswer& answer)
{
    answer.reply_record(req.code + 5000, result_at(req, 8));
}

// 3206: the camera's motion map; the camera on channel 6 is a fisheye.
void demo_camera_map(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 ch = request_channel(req);
    CameraMapRecord m = zeroed<CameraMapRecord>();
    m.result = online(ch) ? 0 : -1;
    if (online(ch)) {
        m.enable = 1;
        full_grid(m.map, sizeof m.map);
        m.sensitivity = 50;
        if (ch == kDemoFisheye) {
            m.model_type = 1;
            m.fish_display = 1;
            m.fish_transfer = 1;
            m.fish_install = 1;
        }
    }
    answer.reply_record(8206, m);
}

// 3232: the fisheye settings of a channel.
void demo_fisheye_get(const EmuRequest& req, EmuAnswer& answer)
{
    FisheyeSettingRecord f = zeroed<FisheyeSettingRecord>();
    f.chnid = request_channel(req);
    f.result = online(f.chnid) ? 0 : -1;
    if (f.chnid == kDemoFisheye) {
        f.mount = 1;
        f.display = 1;
        f.correction = 1;
    }
    answer.reply_record(8232, f);
}

// 3373: a camera found at an address offers fisheye modes; none without one.
void demo_fisheye_caps(const EmuRequest& req, EmuAnswer& answer)
{
    CameraAddressRecord a = zeroed<CameraAddressRecord>();
    request_record(req, &a);
    FisheyeCapsRecord c = zeroed<FisheyeCapsRecord>();
    if (a.ipaddr[0] || a.ddns[0]) {
        c.support = 1;
        c.transfer = 1;
        c.install = 1;
        c.display = 1;
        c.stream_count = 3;
    }
    answer.reply_record(8373, c);
}

// 3374: the mode is taken by a camera that has an address.
void demo_fisheye_mode(const EmuRequest& req, EmuAnswer& answer)
{
    FisheyeModeRecord m = zeroed<FisheyeModeRecord>();
    request_record(req, &m);
    answer.reply_record(8374, i32(m.camera.ipaddr[0] || m.camera.ddns[0] ? 0 : -1));
}

// 3294: auto-tracking off, tracking people, armed all day, on online PTZ
// cameras (the domes).
void demo_tracking_get(const EmuRequest& req, EmuAnswer& answer)
{
    static AutoTrackingRecord t;
    std::memset(&t, 0, sizeof t);
    t.chnid = request_channel(req);
    if (online(t.chnid) && t.chnid % 2 == 1) {
        t.show = 1;
        t.sensitivity = 50;
        t.time = 30;
        t.zoom_number = 1;
        all_day(t.schedule);
        t.human_vehicle_support = 1;
    }
    answer.reply_record(8294, t);
}

// 2507: the camera of one channel.
void demo_identity(const EmuRequest& req, EmuAnswer& answer)
{
    CameraIdentityRecord c = zeroed<CameraIdentityRecord>();
    identity(c, request_channel(req));
    answer.reply_record(7507, c);
}

// 2505: the cameras of all 64 channels.
void demo_identities(const EmuRequest&, EmuAnswer& answer)
{
    static CameraIdentityTable t;
    std::memset(&t, 0, sizeof t);
    for (int ch = 0; ch < kIdentityEntries; ch++) identity(t.entries[ch], ch);
    answer.reply_record(7505, t);
}

// 3358: the camera's own motion detection, armed all day, on online cameras.
void demo_camera_motion(const EmuRequest& req, EmuAnswer& answer)
{
    static CameraMotionRecord m;
    std::memset(&m, 0, sizeof m);
    m.chnid = request_channel(req);
    if (online(m.chnid)) {
        m.enable = 1;
        m.sensitivity = 3;
        m.minsize = 1;
        m.mintime = 1;
        m.adaptability = 1;
        full_grid(m.map_mask, sizeof m.map_mask);
        all_day(m.effective);
    }
    answer.reply_record(8358, m);
}

// 4002: the command's text echoed after "done: ".
void demo_command(const EmuRequest& req, EmuAnswer& answer)
{
    CoreCommandRecord c = zeroed<CoreCommandRecord>();
    request_record(req, &c);
    const std::string result = "done: " + std::string(c.cmd, strnlen(c.cmd, sizeof c.cmd));
    std::vector<u8> bytes(sizeof(CoreCommandReplyHead), 0);
    bytes.insert(bytes.end(), result.begin(), result.end());
    bytes.push_back(0);
    answer.reply(9002, bytes);
}

// 4004: the recorder's chip code.
void demo_chip_code(const EmuRequest&, EmuAnswer& answer)
{
    static const char kChip[] = "NVR-A7-16";
    answer.reply(9004, kChip, sizeof kChip);
}

// 3307: motion on channels 1 and 4.
void demo_motion_state(const EmuRequest&, EmuAnswer& answer)
{
    MotionStateRecord m = zeroed<MotionStateRecord>();
    m.low = (1u << 1) | (1u << 4);
    answer.reply_record(8307, m);
}

// 3377: the camera answers the URL with "OK".
void demo_camera_url(const EmuRequest& req, EmuAnswer& answer)
{
    CameraUrlReply u = zeroed<CameraUrlReply>();
    u.chnid = request_channel(req);
    u.result = online(u.chnid) ? 0 : -1;
    if (online(u.chnid)) set_text(u.data, "OK");
    answer.reply_record(8377, u);
}

// 3230: the eight online cameras all done.
void demo_batch(const EmuRequest&, EmuAnswer& answer)
{
    static BatchResultList b;
    std::memset(&b, 0, sizeof b);
    b.count = kDemoOnline;
    for (int ch = 0; ch < kDemoOnline; ch++) put(b.entries[ch].mac, "02:5e:7a:10:00:%02x", ch + 1);
    answer.reply_record(8230, b);
}

const EmuDemoEntry kCameraQueriesDemo[] = {
    {1262, demo_channel_result}, {2505, demo_identities},    {2507, demo_identity},
    {3206, demo_camera_map},     {3230, demo_batch},         {3231, demo_channel_result},
    {3232, demo_fisheye_get},    {3294, demo_tracking_get},  {3307, demo_motion_state},
    {3353, demo_channel_result}, {3358, demo_camera_motion}, {3366, demo_copy_result},
    {3373, demo_fisheye_caps},   {3374, demo_fisheye_mode},  {3375, demo_copy_result},
    {3377, demo_camera_url},     {4002, demo_command},       {4004, demo_chip_code},
};

}  // namespace

EMU_DEMO_AREA(camera_queries, kCameraQueriesDemo);
