// Demo answers about the cameras' streams, images and overlays, consistent
// with the demo recorder: cameras online on channels 0 to 7 of 16 (a 4 MP
// bullet on even channels, a 2 MP dome on odd ones), nothing behind the
// other channels. Writes to an online camera succeed; to an offline one they
// fail. A camera parameter write (3226) is answered by the PTZ demo.
#include <cstdio>
#include <cstring>
#include <memory>

#include "handlers/camera/image_records.h"
#include "handlers/camera/overlay_records.h"
#include "handlers/camera/stream_records.h"
#include "tools/emu/emu.h"

namespace {

bool dome(i32 ch) { return ch % 2 == 1; }

// A stream offering `count` resolutions, encoding the one at `cur`.
void offer(StreamCaps& s, const StreamRes* res, int count, int cur, int fr_max, int br_min, int br_max, int br)
{
    for (int i = 0; i < count; i++) s.res[i] = res[i];
    s.framerate_max = fr_max;
    s.framerate_min = 1;
    s.bitrate_max = br_max;
    s.bitrate_min = br_min;
    s.cur_width = res[cur].width;
    s.cur_height = res[cur].height;
    s.framerate = fr_max;
    s.bitrate = br;
    s.iframe_interval = 2 * fr_max;
}

// 3204: what the camera offers and encodes now; an offline channel offers
// nothing.
void demo_stream_caps(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 ch = request_channel(req);
    StreamCapsRecord c = zeroed<StreamCapsRecord>();
    c.id = ch;
    if (!online(ch)) {
        c.state_code = -1;
        answer.reply_record(8204, c);
        return;
    }
    const StreamRes main4mp[] = {{2560, 1440}, {1920, 1080}, {1280, 720}};
    const StreamRes main2mp[] = {{1920, 1080}, {1280, 720}};
    const StreamRes sub[] = {{704, 576}, {640, 360}, {352, 288}};
    if (dome(ch))
        offer(c.main, main2mp, 2, 0, 25, 256, 4096, 2048);
    else
        offer(c.main, main4mp, 3, 0, 25, 256, 8192, 4096);
    c.main.codec = 1;
    offer(c.sub, sub, 3, 1, 15, 64, 1024, 512);
    c.sub.codec = 0;
    c.sub_enable = 1;
    c.audio_enable = 1;
    c.video_type_enable = 1;
    c.ipc_type = dome(ch) ? 2 : 1;
    c.sub_stream = 1;
    c.support_smart_stream = 1;
    c.smart_stream_level = 1;
    answer.reply_record(8204, c);
}

// 3203: applied on the online channels of the request's mask.
void demo_stream_set(const EmuRequest& req, EmuAnswer& answer)
{
    StreamSettingRecord s = zeroed<StreamSettingRecord>();
    StreamSettingResult res{0, 0};
    if (request_record(req, &s))
        for (int ch = 0; ch < kDemoOnline; ch++)
            if (s.channels[ch] == '1') res.low |= 1u << ch;
    answer.reply_record(8203, res);
}

// 1217: a third stream, off.
void demo_third_stream(const EmuRequest& req, EmuAnswer& answer)
{
    ThirdStreamQuery q = zeroed<ThirdStreamQuery>();
    request_record(req, &q);
    ThirdStreamRecord t = zeroed<ThirdStreamRecord>();
    t.channel = q.channel;
    t.fisheye_type = q.fisheye_type;
    if (online(q.channel)) {
        t.framerate = 15;
        t.bitrate = 1024;
        t.iframe_interval = 30;
    }
    answer.reply_record(6217, t);
}

// 1213: the watermark, off, with the vendor's text.
void demo_watermark(const EmuRequest& req, EmuAnswer& answer)
{
    WatermarkRecord w = zeroed<WatermarkRecord>();
    w.channel = request_channel(req);
    if (online(w.channel)) set_text(w.text, "DemoVision");
    answer.reply_record(6213, w);
}

// 1216, 1218, 3210, 3224 (each begins with its channel): 0 done, or
// the failure of an offline camera.
void demo_write(const EmuRequest& req, EmuAnswer& answer)
{
    answer.reply_record(req.code + 5000, i32(online(request_channel(req)) ? 0 : -1));
}

// 3360: where the asked stream is found.
void demo_stream_query(const EmuRequest& req, EmuAnswer& answer)
{
    StreamQueryRecord q = zeroed<StreamQueryRecord>();
    request_record(req, &q);
    char text[200];
    const int n = std::snprintf(text, sizeof text, "rtsp://192.168.1.%d:554/stream?main=%d&sub=%d&time=%s",
                                101 + q.channel, q.main_type, q.sub_type, text_of(q.time).s);
    if (!online(q.channel)) {
        answer.reply(8360, nullptr, 0);
        return;
    }
    answer.reply(8360, text, size_t(n < 0 ? 0 : n >= int(sizeof text) ? sizeof text - 1 : n));
}

// 3221: the camera's image settings.
void demo_image(const EmuRequest& req, EmuAnswer& answer)
{
    ImageSettingsReply r = zeroed<ImageSettingsReply>();
    r.id = request_channel(req);
    ImageSettingsBlock& b = r.block;
    b.smartir = 1;
    b.wdrlevel = 50;
    b.wdrstophour = 23;
    b.wdrstopminute = 59;
    b.hlcday = 1;
    b.hlcnight = 1;
    b.redgain = 50;
    b.bluegain = 50;
    b.defoglevel = 50;
    b.exposetime = 40;
    b.aflevel = 50;
    b.hlclevel = 50;
    if (online(r.id)) set_text(b.sdkversion, "V3.1.0");
    answer.reply_record(8221, r);
}

// 3223: day-night switching by the light sensor, IR on.
void demo_day_night(const EmuRequest& req, EmuAnswer& answer)
{
    DayNightRecord d = zeroed<DayNightRecord>();
    d.id = request_channel(req);
    d.modestarthour = 6;
    d.modestophour = 18;
    d.ircutaddaytonight = 5;
    d.ircutadnighttoday = 5;
    d.smart_ir_type = 1;
    d.near_ir_level = 50;
    d.far_ir_level = 50;
    d.mid_ir_level = 50;
    d.day_night_sens = 5;
    d.night_day_sens = 5;
    if (online(d.id)) {
        set_text(d.chipninterface, "SC4336");
        set_text(d.sensortype, "CMOS");
        set_text(d.productmodel, dome(d.id) ? "DV-D2 dome" : "DV-B4 bullet");
        set_text(d.softversion, "V5.2.1 build 240312");
        set_text(d.sdkversion, "V3.1.0");
        d.structuretype = dome(d.id) ? 2 : 1;
    }
    answer.reply_record(8223, d);
}

// 3225: the parameter asked for, with a value.
void demo_param(const EmuRequest& req, EmuAnswer& answer)
{
    CameraParamRecord q = zeroed<CameraParamRecord>();
    request_record(req, &q);
    CameraParamReply p = zeroed<CameraParamReply>();
    p.id = q.id;
    std::memcpy(p.pagename, q.pagename, sizeof p.pagename);
    std::memcpy(p.httpname, q.httpname, sizeof p.httpname);
    std::memcpy(p.key, q.key, sizeof p.key);
    set_text(p.value, online(q.id) ? "1" : "");
    answer.reply_record(8225, p);
}

// 3278: a day and a night profile.
void demo_profiles(const EmuRequest&, EmuAnswer& answer)
{
    ImageProfilesReply r = zeroed<ImageProfilesReply>();
    ImageProfile& day = r.profile[0];
    day.enable = 1;
    day.start_hour = 6;
    day.end_hour = 18;
    day.exposure_level = 50;
    day.min_shutter = 1;
    day.max_shutter = 40;
    day.gain_level = 30;
    day.color_mode = 1;
    ImageProfile& night = r.profile[1];
    night.enable = 1;
    night.start_hour = 18;
    night.end_hour = 6;
    night.exposure_level = 60;
    night.min_shutter = 1;
    night.max_shutter = 40;
    night.gain_level = 80;
    night.ir_cut_latency = 5;
    night.ir_cut_state = 1;
    night.ir_led_state = 1;
    answer.reply_record(8278, r);
}

// 3271: the image areas, none set.
void demo_areas(const EmuRequest& req, EmuAnswer& answer)
{
    ImageAreasReply r = zeroed<ImageAreasReply>();
    r.id = request_channel(req);
    if (online(r.id)) set_text(r.sdkversion, "V3.1.0");
    answer.reply_record(8271, r);
}

// 3273, 3277: one all-day plan every day; 3275 the same with exposure.
void demo_schedule(const EmuRequest& req, EmuAnswer& answer)
{
    auto s = std::make_unique<ImageScheduleReply>();
    *s = zeroed<ImageScheduleReply>();
    s->id = request_channel(req);
    for (int d = 0; d < kScheduleWeekDays; d++) {
        set_text(s->day[d].plan[0].start_time, "00:00");
        set_text(s->day[d].plan[0].end_time, "24:00");
    }
    answer.reply_record(req.code + 5000, *s);
}

void demo_exposure_schedule(const EmuRequest& req, EmuAnswer& answer)
{
    auto s = std::make_unique<ImageExposureScheduleReply>();
    *s = zeroed<ImageExposureScheduleReply>();
    s->id = request_channel(req);
    for (int d = 0; d < kScheduleWeekDays; d++) {
        ImageExposurePlan& p = s->day[d].plan[0];
        set_text(p.start_time, "00:00");
        set_text(p.end_time, "24:00");
        p.exposure_time = 40;
        p.gain_level = 50;
    }
    answer.reply_record(8275, *s);
}

// 1219: day mode.
void demo_night_mode(const EmuRequest& req, EmuAnswer& answer)
{
    answer.reply_record(6219, NightModeReply{request_channel(req), 0});
}

// 3211: the camera's own OSD; an offline channel reports no camera.
void demo_camera_osd(const EmuRequest& req, EmuAnswer& answer)
{
    CameraOsdRecord c = zeroed<CameraOsdRecord>();
    c.ch = request_channel(req);
    if (!online(c.ch)) {
        c.ch = -1;
    } else {
        c.enable_text = 1;
        std::snprintf(c.text_name, sizeof c.text_name, "Camera %d", c.ch + 1);
        c.textpos = 2;
        c.enable_date = 1;
        c.enable_date_sub = 1;
    }
    answer.reply_record(8211, c);
}

const EmuDemoEntry kCameraSettingsDemo[] = {
    {1213, demo_watermark},    {1216, demo_write},         {1217, demo_third_stream},
    {1218, demo_write},        {1219, demo_night_mode},    {3203, demo_stream_set},
    {3204, demo_stream_caps},  {3210, demo_write},         {3211, demo_camera_osd},
    {3221, demo_image},        {3223, demo_day_night},     {3224, demo_write},
    {3225, demo_param},        {3271, demo_areas},
    {3273, demo_schedule},     {3275, demo_exposure_schedule}, {3277, demo_schedule},
    {3278, demo_profiles},     {3360, demo_stream_query},
};

}  // namespace

EMU_DEMO_AREA(camera_settings, kCameraSettingsDemo);
