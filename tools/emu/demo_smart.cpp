// Demo answers of smart events and plate recognition: the cameras online on
// the first 8 channels run video analytics (a doorway region, a line across
// a 1920 x 1080 picture, people counting); channels 0 and 1 read plates.
// Every setting a camera is sent is accepted.
#include <cstring>

#include "handlers/event/plate_records.h"
#include "handlers/event/smart_records.h"
#include "tools/emu/emu.h"

namespace {

constexpr int kDemoPlateCameras = 2;
constexpr i32 kDemoWidth = 1920, kDemoHeight = 1080;

// 3237..3240, 3242, 3243: a doorway region, detection on for online cameras.
void demo_region(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 channel = request_channel(req, 0);
    RegionRecord r = zeroed<RegionRecord>();
    r.chnid = channel;
    r.enable = online(channel) && req.code != kMsgLoiterGet ? 1 : 0;
    r.sensitivity = 50;
    r.time = 10;
    r.size = 30;
    r.tracks = 1;
    r.ignore_time = 2;
    r.objtype = 1;
    set_text(r.region, "000000000000ffc0ffc0ffc0ffc0000000000000");
    set_text(r.polygon_x, "120,340,340,120");
    set_text(r.polygon_y, "60,60,200,200");
    answer.reply_record(req.code + kReplyOffset, r);
}

LineEntry demo_line()
{
    LineEntry l = zeroed<LineEntry>();
    l.start_x = 480;
    l.start_y = 540;
    l.end_x = 1440;
    l.end_y = 540;
    l.direction = 2;
    return l;
}

// 3241: one line across the middle of the picture.
void demo_line_cross(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 channel = request_channel(req, 0);
    LineCrossRecord r = zeroed<LineCrossRecord>();
    r.chnid = channel;
    r.enable = online(channel) ? 1 : 0;
    r.width = kDemoWidth;
    r.height = kDemoHeight;
    r.lines[0] = demo_line();
    r.objtype = 1;
    answer.reply_record(req.code + kReplyOffset, r);
}

// 1209: the same line, newer form.
void demo_line_cross_ex(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 channel = request_channel(req, 0);
    LineCrossExRecord r = zeroed<LineCrossExRecord>();
    r.chnid = channel;
    r.enable = online(channel) ? 1 : 0;
    r.width = kDemoWidth;
    r.height = kDemoHeight;
    r.sensitivity = 50;
    r.objtype = 1;
    r.lines[0] = demo_line();
    answer.reply_record(req.code + kReplyOffset, r);
}

// 3253: the count shown top left, an alarm above 20 people inside.
void demo_people_count(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 channel = request_channel(req, 0);
    PeopleCountRecord r = zeroed<PeopleCountRecord>();
    r.chnid = channel;
    r.enable = online(channel) ? 1 : 0;
    r.osd = 1;
    set_text(r.text, "Visitors");
    r.width = kDemoWidth;
    r.height = kDemoHeight;
    r.font_size = 2;
    r.trigger_enable = 1;
    r.trigger_by_sum = 1;
    r.sum_thresholds = 20;
    answer.reply_record(req.code + kReplyOffset, r);
}

PeopleSettingsRecord demo_people_settings(i32 channel)
{
    PeopleSettingsRecord r = zeroed<PeopleSettingsRecord>();
    r.chnid = channel;
    r.vca_type = 1;
    r.fps = 10;
    r.mode = 1;
    r.installation = 0;
    r.analysis = 1;
    r.width = kDemoWidth;
    r.height = kDemoHeight;
    r.min = PictureBox{480, 270, 96, 96};
    r.max = PictureBox{480, 270, 480, 480};
    return r;
}

// 3259 and 1211: counting settings on the full picture.
void demo_people_settings_reply(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 channel = request_channel(req, 0);
    if (req.code == kMsgPeopleSettingsGet) {
        answer.reply_record(req.code + kReplyOffset, demo_people_settings(channel));
        return;
    }
    PeopleSettingsExRecord r = zeroed<PeopleSettingsExRecord>();
    r.base = demo_people_settings(channel);
    answer.reply_record(req.code + kReplyOffset, r);
}

// 3268: object left or removed, watching the region.
void demo_object(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 channel = request_channel(req, 0);
    ObjectRecord r = zeroed<ObjectRecord>();
    r.chnid = channel;
    r.sensitivity = 50;
    r.left_enable = online(channel) ? 1 : 0;
    r.remove_enable = 0;
    r.min_time = 30;
    set_text(r.region, "000000000000ffc0ffc0ffc0ffc0000000000000");
    set_text(r.polygon_x, "120,340,340,120");
    set_text(r.polygon_y, "60,60,200,200");
    answer.reply_record(req.code + kReplyOffset, r);
}

// 3257: analytics capability of the online cameras.
void demo_capability(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 channel = request_channel(req, 0);
    CapabilityReply r{channel, online(channel) ? 1 : 0, online(channel) ? 2 : 0};
    answer.reply_record(req.code + kReplyOffset, r);
}

// 3293: analytics support and version.
void demo_vca_support(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 channel = request_channel(req, 0);
    VcaSupportReply r{channel, online(channel) ? 1 : 0, online(channel) ? 3 : 0};
    answer.reply_record(req.code + kReplyOffset, r);
}

bool plate_camera(i32 channel) { return channel >= 0 && channel < kDemoPlateCameras; }

// 3289: recognition over the lower half of the picture, results posted to
// nobody.
void demo_plate_settings(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 channel = request_channel(req, 0);
    static PlateSettingsRecord r;
    r = zeroed<PlateSettingsRecord>();
    r.chnid = channel;
    r.enable = plate_camera(channel) ? 1 : 0;
    r.resolution_width = kDemoWidth;
    r.resolution_height = kDemoHeight;
    r.area_y = 540;
    r.area_width = kDemoWidth;
    r.area_height = 540;
    r.scene = 1;
    r.process_mode = 1;
    r.repeat_check_time_value = 30;
    r.repeat_check_time_unit = 0;
    r.post_type = 0;
    r.post_tcp_port = 8080;
    r.confidence = 80;
    r.regions[0] = PlateRegion{{}, 0, 540, kDemoWidth, kDemoHeight};
    set_text(r.regions[0].name, "Gate lane");
    r.night_mode_level = 2;
    r.night_mode_starthour = 19;
    r.night_mode_stophour = 6;
    answer.reply_record(req.code + kReplyOffset, r);
}

// 1207: two formats, seven characters.
void demo_plate_formats(const EmuRequest& req, EmuAnswer& answer)
{
    PlateFormatsRecord r = zeroed<PlateFormatsRecord>();
    r.chnid = request_channel(req, 0);
    r.filter = 1;
    r.wildcards = 0;
    r.formats[0].enable = 1;
    r.formats[0].cr_count = 7;
    set_text(r.formats[0].format, "AA99AAA");
    r.formats[1].enable = 1;
    r.formats[1].cr_count = 7;
    set_text(r.formats[1].format, "AAA9999");
    answer.reply_record(req.code + kReplyOffset, r);
}

// 1215: the plate cameras zoomed in.
void demo_plate_zoom(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 channel = request_channel(req, 0);
    PlateZoomReply r{channel, plate_camera(channel) ? 1 : 0, plate_camera(channel) ? 4 : 0};
    answer.reply_record(req.code + kReplyOffset, r);
}

const EmuDemoEntry kSmartDemo[] = {
    {kMsgRegionInGet, demo_region},
    {kMsgRegionExitGet, demo_region},
    {kMsgAdvMotionGet, demo_region},
    {kMsgTamperGet, demo_region},
    {kMsgLoiterGet, demo_region},
    {kMsgHumanGet, demo_region},
    {kMsgLineCrossGet, demo_line_cross},
    {kMsgLineCrossExGet, demo_line_cross_ex},
    {kMsgPeopleCountGet, demo_people_count},
    {kMsgPeopleSettingsGet, demo_people_settings_reply},
    {kMsgPeopleSettingsExGet, demo_people_settings_reply},
    {kMsgObjectGet, demo_object},
    {kMsgCapabilityGet, demo_capability},
    {kMsgVcaSupportGet, demo_vca_support},
    {kMsgRegionInSet, demo_accepted},
    {kMsgRegionExitSet, demo_accepted},
    {kMsgAdvMotionSet, demo_accepted},
    {kMsgTamperSet, demo_accepted},
    {kMsgLineCrossSet, demo_accepted},
    {kMsgLoiterSet, demo_accepted},
    {kMsgHumanSet, demo_accepted},
    {kMsgPeopleCountSet, demo_accepted},
    {kMsgPeopleSettingsSet, demo_accepted},
    {kMsgObjectSet, demo_accepted},
    {kMsgLineCrossExSet, demo_accepted},
    {kMsgPeopleSettingsExSet, demo_accepted},
    {kMsgPlateSettingsGet, demo_plate_settings},
    {kMsgPlateSettingsSet, demo_accepted},
    {kMsgPlateFormatsGet, demo_plate_formats},
    {kMsgPlateFormatsSet, demo_accepted},
    {kMsgPlateZoomGet, demo_plate_zoom},
};

}  // namespace

EMU_DEMO_AREA(smart, kSmartDemo);
