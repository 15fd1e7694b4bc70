// A camera's image processing: image settings, day-night and lens settings,
// single named camera parameters, timed image profiles, image areas, week
// schedules of image settings, the exposure table and the night mode. The
// settings live in the camera (the core daemon reads and writes them); only
// the exposure table is kept in the store.
#include <cerrno>
#include <cstring>
#include <memory>
#include <time.h>

#include "handlers/camera/camera.h"
#include "handlers/camera/camera_records.h"
#include "handlers/camera/camera_request.h"
#include "handlers/camera/image_records.h"

namespace {

constexpr u32 kMsgNightMode = 1219;
constexpr u32 kMsgImageGet = 3221, kMsgDayNightGet = 3223, kMsgDayNightSet = 3224;
constexpr u32 kMsgParamGet = 3225, kMsgParamSet = 3226;
constexpr u32 kMsgAreasGet = 3271, kMsgScheduleGet = 3273, kMsgExposureScheduleGet = 3275;
constexpr u32 kMsgSchedule2Get = 3277, kMsgProfilesGet = 3278, kMsgProfilesSet = 3279;
constexpr u32 kMsgImageSet = 3280, kMsgScheduleSet = 3281, kMsgExposureScheduleSet = 3282;
constexpr u32 kMsgSchedule2Set = 3283, kMsgAreaClear = 3284, kMsgAreasSet = 3288;
// Reply codes of the queries above.
constexpr u32 kReplyNightMode = 6219;
constexpr u32 kReplyImageGet = 8221, kReplyDayNightGet = 8223, kReplyDayNightSet = 8224;
constexpr u32 kReplyParamGet = 8225, kReplyParamSet = 8226;
constexpr u32 kReplyAreasGet = 8271, kReplyScheduleGet = 8273, kReplyExposureScheduleGet = 8275;
constexpr u32 kReplySchedule2Get = 8277, kReplyProfilesGet = 8278;
// "/2050" takes one area number past the 16 areas.
constexpr int kMaxClearArea = kImageAreas;
// A rate-control change needs the camera's encoder to settle first.
constexpr int kRateControlPauseSeconds = 2;
constexpr int kPlanText = 31;

// A channel list of 64 places from an integer array: element i at place i;
// places without an element, and elements that are not a channel, are -1.
void fill_channel_list(json_object* list, i32 (&channel)[kChannelListSize])
{
    for (i32& c : channel) c = -1;
    const int n = jarray_length(list);
    for (int i = 0; i < n && i < kChannelListSize; i++) {
        const int ch = json_object_get_int(json_object_array_get_idx(list, size_t(i)));
        if (ch >= 0 && ch < kMaxCameras) channel[i] = ch;
    }
}

void pause_seconds(int seconds)
{
    struct timespec ts{seconds, 0};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

// The verdict of a camera write as plain text: 0 "OK" (flag 2), else "ERROR".
int verdict_reply(const KxFrameHeader* header, const void* payload)
{
    i32 verdict = 0;
    if (!record_at(payload, header->length, 0, &verdict)) return reply_too_short(kReplyText);
    return verdict == 0 ? finish_text("OK", 2) : finish_text("ERROR");
}

void set_profile(json_object* o, ImageProfile& p)
{
    p.set = 1;
    p.enable = jint(o, "enable");
    p.start_hour = jint(o, "startHour");
    p.start_minute = jint(o, "startMinute");
    p.end_hour = jint(o, "endHour");
    p.end_minute = jint(o, "endMinute");
    p.exposure_level = jint(o, "exposureLevel");
    p.min_shutter = jint(o, "minShutter");
    p.max_shutter = jint(o, "maxShutter");
    p.gain_level = jint(o, "gainLevel");
    p.ir_cut_latency = jint(o, "irCutLatency");
    p.ir_cut_state = jint(o, "irCutState");
    p.ir_led_state = jint(o, "irLedState");
    p.color_mode = jint(o, "colorMode");
}

// The read message of a query whose request names the channel as "id",
// answered by `answer`; JSON errors.
int channel_query(const char* request, const CoreAnswer& answer, u32 code)
{
    return ask_channel(request, "id", kReplyJson, answer, code, kReplyJson);
}

// One plan of a day, short or long form: the long form adds the exposure.
template <typename Plan>
void plan_object(json_object* o, const Plan& p)
{
    jadd_text(o, "startTime", p.start_time);
    jadd_text(o, "endTime", p.end_time);
    jadd(o, "actionType", p.action_type);
}
void plan_object(json_object* o, const ImageExposurePlan& p)
{
    plan_object<ImageExposurePlan>(o, p);
    jadd(o, "exposureTime", p.exposure_time);
    jadd(o, "gainLevel", p.gain_level);
}

// {"schedule": [7 days of `plans` plans]} from a week schedule reply.
template <typename Reply>
int schedule_reply(const KxFrameHeader* header, const void* payload, int plans)
{
    // The reply is large; kept out of the receiving thread's stack.
    auto record = std::make_unique<Reply>();
    const Reply& s = *record;
    if (!record_at(payload, header->length, 0, record.get())) return reply_too_short(kReplyJson);
    JsonPtr week = jarray();
    for (int d = 0; d < kScheduleWeekDays; d++) {
        JsonPtr day = object_list(plans, [&](json_object* o, int p) { plan_object(o, s.day[d].plan[p]); });
        json_object_array_add(week.get(), day.release());
    }
    return finish_json(jobject_with("schedule", std::move(week)).get());
}

// One positional plan [startTime, endTime, actionType(, exposureTime,
// gainLevel)]; elements that are missing leave the field zero.
template <typename Plan>
void set_plan(json_object* a, Plan& p)
{
    json_object* e;
    if ((e = json_object_array_get_idx(a, 0))) set_text(p.start_time, json_object_get_string(e), kPlanText);
    if ((e = json_object_array_get_idx(a, 1))) set_text(p.end_time, json_object_get_string(e), kPlanText);
    p.action_type = json_object_get_int(json_object_array_get_idx(a, 2));
}
void set_plan(json_object* a, ImageExposurePlan& p)
{
    set_plan<ImageExposurePlan>(a, p);
    p.exposure_time = json_object_get_int(json_object_array_get_idx(a, 3));
    p.gain_level = json_object_get_int(json_object_array_get_idx(a, 4));
}

// A week schedule write: the channel list and 7 days of 10 plans each.
// Without a channel list or a schedule nothing is sent: an empty schedule
// would clear the cameras' own.
template <typename Message>
int schedule_write(const char* request, u32 code)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    json_object* channels = jarray_of(r, "channel");
    json_object* week = jarray_of(r, "schedule");
    if (!channels || !week) return cgi_reply_error(kReplyJson);
    auto message = heap_zeroed<Message>();  // 26 KB and more
    Message& m = *message;
    fill_channel_list(channels, m.channel);
    for (int d = 0; d < kScheduleWeekDays && d < jarray_length(week); d++) {
        json_object* day = json_object_array_get_idx(week, size_t(d));
        for (int p = 0; p < kScheduleWritePlans && p < jarray_length(day); p++) {
            json_object* plan = json_object_array_get_idx(day, size_t(p));
            if (jarray_length(plan) > 0) set_plan(plan, m.day[d].plan[p]);
        }
    }
    core_notify(code, m);
    return cgi_reply_ok();
}

}  // namespace

int image_get(const char* request)
{
    return ask_channel(request, "id", kNoReply, core_answer<image_get_reply>({kReplyImageGet}), kMsgImageGet,
                       kReplyText);
}

int image_get_reply(const KxFrameHeader* header, const void* payload)
{
    return record_reply<ImageSettingsReply>(header, payload, kReplyText, [](json_object* j, const auto& rep) {
        const ImageSettingsBlock& b = rep.block;
        jadd(j, "id", rep.id);
        jadd(j, "smartir", b.smartir);
        jadd(j, "whiteblance", b.whiteblance);
        jadd(j, "focusmode", b.focusmode);
        jadd(j, "antiblurry", b.antiblurry);
        jadd(j, "wdrenable", b.wdrenable);
        jadd(j, "wdrlevel", b.wdrlevel);
        jadd(j, "wdrstarthour", b.wdrstarthour);
        jadd(j, "wdrstartminute", b.wdrstartminute);
        jadd(j, "wdrstophour", b.wdrstophour);
        jadd(j, "wdrstopminute", b.wdrstopminute);
        jadd(j, "regiontype", b.regiontype);
        jadd(j, "hlcmode", b.hlcmode);
        jadd(j, "exclude", b.exclude);
        jadd(j, "exposemode", b.exposemode);
        jadd_text(j, "exposeregion", b.exposeregion);
        jadd(j, "imageschemode", b.imageschemode);
        jadd(j, "hlcday", b.hlcday);
        jadd(j, "hlcnight", b.hlcnight);
        jadd(j, "redgain", b.redgain);
        jadd(j, "bluegain", b.bluegain);
        jadd(j, "defogmode", b.defogmode);
        jadd(j, "defoglevel", b.defoglevel);
        jadd(j, "dismode", b.dismode);
        jadd(j, "exposetime", b.exposetime);
        jadd(j, "exposegain", b.exposegain);
        jadd(j, "wdraflevel", b.aflevel);
        jadd(j, "exposurectrl", b.exposurectrl);
        jadd(j, "hlclevel", b.hlclevel);
        jadd(j, "enblur", b.enblur);
        jadd(j, "deblur", b.deblur);
        jadd_text(j, "sdkversion", b.sdkversion);
        jadd(j, "lensType", b.lens_type);
        jadd(j, "reduceVideoStuttering", b.reduce_video_stuttering);
    });
}

int image_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    json_object* channels = jarray_of(r, "channel");
    if (!channels) return 0;
    ImageSettingsMessage m = zeroed<ImageSettingsMessage>();
    fill_channel_list(channels, m.channel);
    ImageSettingsBlock& b = m.block;
    b.smartir = jint(r, "smartir");
    b.whiteblance = jint(r, "whiteblance");
    b.focusmode = jint(r, "focusmode");
    b.antiblurry = jint(r, "antiblurry");
    b.wdrenable = jint(r, "wdrenable");
    b.wdrlevel = jint(r, "wdrlevel");
    b.wdrstarthour = jint(r, "wdrstarthour");
    b.wdrstartminute = jint(r, "wdrstartminute");
    b.wdrstophour = jint(r, "wdrstophour");
    b.wdrstopminute = jint(r, "wdrstopminute");
    b.regiontype = jint(r, "regiontype");
    b.hlcmode = jint(r, "hlcmode");
    b.exclude = jint(r, "exclude");
    b.exposemode = jint(r, "exposemode");
    jtext(r, "exposeregion", b.exposeregion);
    b.model_type = jint(r, "modelType");
    b.imageschemode = jint(r, "imageschemode");
    b.hlcday = jint(r, "hlcday");
    b.hlcnight = jint(r, "hlcnight");
    b.redgain = jint(r, "redgain");
    b.bluegain = jint(r, "bluegain");
    b.defogmode = jint(r, "defogmode");
    b.defoglevel = jint(r, "defoglevel");
    b.exposetime = jint(r, "exposetime");
    b.exposegain = jint(r, "exposegain");
    b.aflevel = jint(r, "aflevel");
    b.hlclevel = jint(r, "hlclevel");
    b.enblur = jint(r, "enblur");
    b.deblur = jint(r, "deblur");
    b.lens_type = jint(r, "lensType");
    b.reduce_video_stuttering = jint(r, "reduceVideoStuttering");
    core_notify(kMsgImageSet, m);
    return cgi_reply_ok();
}

int day_night_get(const char* request)
{
    return ask_channel(request, "id", kNoReply, core_answer<day_night_get_reply>({kReplyDayNightGet}),
                       kMsgDayNightGet, kReplyText);
}

int day_night_get_reply(const KxFrameHeader* header, const void* payload)
{
    return record_reply<DayNightRecord>(header, payload, kReplyText, [](json_object* j, const auto& d) {
        jadd(j, "id", d.id);
        jadd(j, "colorkiller", d.colorkiller);
        jadd(j, "modestarthour", d.modestarthour);
        jadd(j, "modestartminute", d.modestartminute);
        jadd(j, "modestophour", d.modestophour);
        jadd(j, "modestopminute", d.modestopminute);
        jadd(j, "exposurectrl", d.exposurectrl);
        jadd(j, "lighttype", d.lighttype);
        jadd(j, "mirctrl", d.mirctrl);
        jadd(j, "localdisplay", d.localdisplay);
        jadd(j, "ircutaddaytonight", d.ircutaddaytonight);
        jadd(j, "ircutadnighttoday", d.ircutadnighttoday);
        jadd(j, "corridormode", d.corridormode);
        jadd(j, "imagerotation", d.imagerotation);
        jadd(j, "smartIRType", d.smart_ir_type);
        jadd(j, "nearIRLevel", d.near_ir_level);
        jadd(j, "farIRLevel", d.far_ir_level);
        jadd(j, "midIRLevel", d.mid_ir_level);
        jadd(j, "lencorrect", d.lencorrect);
        jadd(j, "smartIrMath", d.smart_ir_math);
        jadd(j, "smartIrLimit", d.smart_ir_limit);
        jadd_text(j, "chipninterface", d.chipninterface);
        jadd(j, "nearSmartirValue", d.near_smartir_value);
        jadd(j, "farSmartirValue", d.far_smartir_value);
        jadd(j, "midSmartirValue", d.mid_smartir_value);
        jadd(j, "lenCorrectType", d.len_correct_type);
        jadd(j, "fovadjust", d.fovadjust);
        jadd_text(j, "sensortype", d.sensortype);
        jadd_text(j, "productmodel", d.productmodel);
        jadd_text(j, "softversion", d.softversion);
        jadd(j, "smokeddomecover", d.smokeddomecover);
        jadd(j, "smartwhitestrength", d.white_led_level);
        jadd(j, "dnRefocus", d.dn_refocus);
        jadd_text(j, "sdkversion", d.sdkversion);
        jadd(j, "structuretype", d.structuretype);
        jadd(j, "keepCorrectAspectRatio", d.keep_correct_aspect_ratio);
        jadd(j, "dayNightSens", d.day_night_sens);
        jadd(j, "nightDaySens", d.night_day_sens);
        jadd(j, "zoomLimit", d.zoom_limit);
    });
}

int day_night_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!has_channel(r, "id")) return 0;
    DayNightRecord d = zeroed<DayNightRecord>();
    d.id = jint(r, "id");
    d.colorkiller = jint(r, "colorkiller");
    d.modestarthour = jint(r, "modestarthour");
    d.modestartminute = jint(r, "modestartminute");
    d.modestophour = jint(r, "modestophour");
    d.modestopminute = jint(r, "modestopminute");
    d.exposurectrl = jint(r, "exposurectrl");
    d.lighttype = jint(r, "lighttype");
    d.mirctrl = jint(r, "mirctrl");
    d.localdisplay = jint(r, "localdisplay");
    d.ircutaddaytonight = jint(r, "ircutaddaytonight");
    d.ircutadnighttoday = jint(r, "ircutadnighttoday");
    d.corridormode = jint(r, "corridormode");
    d.imagerotation = jint(r, "imagerotation");
    d.save_corridor = jint(r, "saveCorridor");
    d.smart_ir_type = jint(r, "smartIRType");
    d.near_ir_level = jint(r, "nearIRLevel");
    d.far_ir_level = jint(r, "farIRLevel");
    d.mid_ir_level = jint(r, "midIRLevel");
    d.white_led_level = jint(r, "whiteLedLevel");
    d.keep_correct_aspect_ratio = jint(r, "keepCorrectAspectRatio");
    d.day_night_sens = jint(r, "dayNightSens");
    d.night_day_sens = jint(r, "nightDaySens");
    d.zoom_limit = jint(r, "zoomLimit");
    core_ask<day_night_set_reply>(kMsgDayNightSet, &d, sizeof d, kReplyText, {kReplyDayNightSet});
    return 0;
}

int day_night_set_reply(const KxFrameHeader* header, const void* payload)
{
    return verdict_reply(header, payload);
}

// "/2023" and "/2024".
static int camera_param(const char* request, bool write)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!has_channel(r, "id")) return 0;
    CameraParamRecord p = zeroed<CameraParamRecord>();
    p.id = jint(r, "id");
    jtext(r, "pagename", p.pagename);
    jtext(r, "httpname", p.httpname);
    jtext(r, "key", p.key);
    if (!write) {
        core_ask<camera_param_get_reply>(kMsgParamGet, &p, sizeof p, kReplyText, {kReplyParamGet});
        return 0;
    }
    jtext(r, "value", p.value);
    if (std::strcmp(p.key, "ratecontrol1") == 0 || std::strcmp(p.key, "ratecontrol2") == 0)
        pause_seconds(kRateControlPauseSeconds);
    core_ask<camera_param_set_reply>(kMsgParamSet, &p, sizeof p, kReplyText, {kReplyParamSet});
    return 0;
}

int camera_param_get(const char* request) { return camera_param(request, false); }

int camera_param_set(const char* request) { return camera_param(request, true); }

int camera_param_get_reply(const KxFrameHeader* header, const void* payload)
{
    return record_reply<CameraParamReply>(header, payload, kReplyText, [](json_object* j, const auto& p) {
        jadd(j, "id", p.id);
        jadd_text(j, "pagename", p.pagename);
        jadd_text(j, "httpname", p.httpname);
        jadd_text(j, "key", p.key);
        jadd_text(j, "value", p.value);
    });
}

int camera_param_set_reply(const KxFrameHeader* header, const void* payload)
{
    return verdict_reply(header, payload);
}

int image_profiles_get(const char* request)
{
    return channel_query(request, core_answer<image_profiles_get_reply>({kReplyProfilesGet}), kMsgProfilesGet);
}

int image_profiles_get_reply(const KxFrameHeader* header, const void* payload)
{
    // Always the 7 profiles; those the reply does not hold read as zeros.
    ImageProfilesReply rep = zeroed<ImageProfilesReply>();
    std::memcpy(&rep, payload, header->length < sizeof rep ? header->length : sizeof rep);
    JsonPtr list = object_list(kImageProfiles, [&rep](json_object* j, int i) {
        const ImageProfile& p = rep.profile[i];
        jadd(j, "id", i);
        jadd(j, "enable", p.enable);
        jadd(j, "startHour", p.start_hour);
        jadd(j, "startMinute", p.start_minute);
        jadd(j, "endHour", p.end_hour);
        jadd(j, "endMinute", p.end_minute);
        jadd(j, "exposureLevel", p.exposure_level);
        jadd(j, "maxShutter", p.max_shutter);
        jadd(j, "minShutter", p.min_shutter);
        jadd(j, "gainLevel", p.gain_level);
        jadd(j, "irCutLatency", p.ir_cut_latency);
        jadd(j, "irCutState", p.ir_cut_state);
        jadd(j, "irLedState", p.ir_led_state);
        jadd(j, "colorMode", p.color_mode);
    });
    return finish_json(jobject_with("image", std::move(list)).get());
}

int image_profile_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!has_channel(r, "channel") || !jint_required_in(r, "id", 0, kImageProfiles - 1))
        return cgi_reply_error(kReplyJson);
    ImageProfilesMessage m = zeroed<ImageProfilesMessage>();
    m.channel = jint(r, "channel");
    set_profile(r, m.profile[jint(r, "id")]);
    core_notify(kMsgProfilesSet, m);
    return cgi_reply_ok();
}

int image_profiles_set_many(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    json_object* images = jarray_of(r, "image");
    json_object* channels = jarray_of(r, "chnid");
    if (!images || !channels) return cgi_reply_error(kReplyJson);
    ImageProfilesMessage m = zeroed<ImageProfilesMessage>();
    for (int i = 0; i < kImageProfiles && i < jarray_length(images); i++) {
        json_object* e = json_object_array_get_idx(images, size_t(i));
        if (e) set_profile(e, m.profile[i]);
    }
    // One message per listed channel; "cnt" beyond the list, and entries
    // that are not a channel, send nothing.
    each_listed_channel(channels, jint(r, "cnt"), [&m](int ch) {
        m.channel = ch;
        core_notify(kMsgProfilesSet, m);
    });
    return cgi_reply_ok();
}

int image_areas_get(const char* request)
{
    return channel_query(request, core_answer<image_areas_get_reply>({kReplyAreasGet}), kMsgAreasGet);
}

int image_areas_get_reply(const KxFrameHeader* header, const void* payload)
{
    return record_reply<ImageAreasReply>(header, payload, kReplyJson, [](json_object* j, const auto& rep) {
        JsonPtr list = object_list(kImageAreas, [&rep](json_object* o, int i) {
            const ImageArea& a = rep.area[i];
            jadd(o, "id", i);
            jadd(o, "enable", a.enable);
            jadd(o, "left", a.left);
            jadd(o, "top", a.top);
            jadd(o, "right", a.right);
            jadd(o, "bottom", a.bottom);
        });
        jadd(j, "enable", rep.enable);
        jadd_text(j, "sdkversion", rep.sdkversion);
        jadd_value(j, "area", list.release());
    });
}

int image_areas_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    json_object* areas = jarray_of(r, "area");
    json_object* channels = jarray_of(r, "chnid");
    if (!areas || !channels) return cgi_reply_error(kReplyJson);
    ImageAreasMessage m = zeroed<ImageAreasMessage>();
    m.enable = jint(r, "enable");
    for (int i = 0; i < kImageAreas && i < jarray_length(areas); i++) {
        json_object* e = json_object_array_get_idx(areas, size_t(i));
        if (!e) continue;
        ImageArea& a = m.area[i];
        a.enable = jint(e, "enable");
        a.left = jint(e, "left");
        a.top = jint(e, "top");
        a.right = jint(e, "right");
        a.bottom = jint(e, "bottom");
    }
    const int cnt = jint(r, "cnt");
    each_listed_channel(channels, cnt < kChannelListSize ? cnt : kChannelListSize,
                        [&m](int ch) { m.channel[m.count++] = ch; });
    core_notify(kMsgAreasSet, m);
    return cgi_reply_ok();
}

int image_area_clear(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!has_channel(r, "chan_id") || !jint_required_in(r, "area_id", 0, kMaxClearArea))
        return cgi_reply_error(kReplyJson);
    core_notify(kMsgAreaClear, ImageAreaClear{jint(r, "chan_id"), jint(r, "area_id")});
    return cgi_reply_ok();
}

int image_schedule_get(const char* request)
{
    return channel_query(request, core_answer<image_schedule_get_reply>({kReplyScheduleGet}), kMsgScheduleGet);
}

int image_exposure_schedule_get(const char* request)
{
    return channel_query(request, core_answer<image_exposure_schedule_get_reply>({kReplyExposureScheduleGet}),
                         kMsgExposureScheduleGet);
}

int image_schedule2_get(const char* request)
{
    return channel_query(request, core_answer<image_schedule_get_reply>({kReplySchedule2Get}), kMsgSchedule2Get);
}

int image_schedule_get_reply(const KxFrameHeader* header, const void* payload)
{
    // 8273 lists 10 plans a day, 8277 twelve.
    return schedule_reply<ImageScheduleReply>(header, payload, header->code == kReplyScheduleGet ? 10 : 12);
}

int image_exposure_schedule_get_reply(const KxFrameHeader* header, const void* payload)
{
    return schedule_reply<ImageExposureScheduleReply>(header, payload, 12);
}

int image_schedule_set(const char* request) { return schedule_write<ImageScheduleMessage>(request, kMsgScheduleSet); }

int image_exposure_schedule_set(const char* request)
{
    return schedule_write<ImageExposureScheduleMessage>(request, kMsgExposureScheduleSet);
}

int image_schedule2_set(const char* request)
{
    return schedule_write<ImageScheduleMessage>(request, kMsgSchedule2Set);
}

int exposure_table_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    json_object* list = jarray_of(r, "exposure");
    if (!has_channel(r, "channel") || !list) return cgi_reply_error(kReplyJson);
    ExposurePair table[kExposurePairs] = {};
    int count = 0;
    for (; count < kExposurePairs && count < jarray_length(list); count++) {
        json_object* e = json_object_array_get_idx(list, size_t(count));
        table[count].exposure_time = jint(e, "exposureTime");
        table[count].gain_level = jint(e, "gainLevel");
    }
    write_exposure(kMainDb, table, jint(r, "channel"), count);
    return cgi_reply_ok();
}

int exposure_table_get(const char* request)
{
    JsonPtr req = json_parse(request);
    const int channel = channel_of(req.get(), "channel");
    if (channel < 0) return cgi_reply_error(kReplyJson);
    ExposurePair table[kExposurePairs];
    int count = 0;
    read_exposure(kMainDb, table, channel, &count);
    if (count <= 0) return cgi_reply_error(kReplyJson);
    JsonPtr list = object_list(count < kExposurePairs ? count : kExposurePairs, [&table](json_object* o, int i) {
        jadd(o, "exposureTime", table[i].exposure_time);
        jadd(o, "gainLevel", table[i].gain_level);
    });
    JsonPtr o = jobject_with("exposure", std::move(list));
    if (!o) return cgi_reply_error(kReplyJson);
    return json_reply(kReplyJson, o.get());
}

int night_mode_get(const char* request)
{
    return ask_channel(request, "chnid", kReplyJson, core_answer<night_mode_get_reply>({kReplyNightMode}),
                       kMsgNightMode, kReplyJson);
}

int night_mode_get_reply(const KxFrameHeader* header, const void* payload)
{
    return record_reply<NightModeReply>(header, payload, kReplyJson, [](json_object* j, const auto& n) {
        jadd(j, "chnid", n.channel);
        jadd(j, "nightMode", n.night_mode);
    });
}
