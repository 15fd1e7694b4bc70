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

// The keys of an image profile, in reply order.
constexpr IntKey<ImageProfile> kProfileKeys[] = {
    {"enable", &ImageProfile::enable},
    {"startHour", &ImageProfile::start_hour},
    {"startMinute", &ImageProfile::start_minute},
    {"endHour", &ImageProfile::end_hour},
    {"endMinute", &ImageProfile::end_minute},
    {"exposureLevel", &ImageProfile::exposure_level},
    {"maxShutter", &ImageProfile::max_shutter},
    {"minShutter", &ImageProfile::min_shutter},
    {"gainLevel", &ImageProfile::gain_level},
    {"irCutLatency", &ImageProfile::ir_cut_latency},
    {"irCutState", &ImageProfile::ir_cut_state},
    {"irLedState", &ImageProfile::ir_led_state},
    {"colorMode", &ImageProfile::color_mode},
};

// The keys of an image area after its "id".
constexpr IntKey<ImageArea> kAreaKeys[] = {
    {"enable", &ImageArea::enable}, {"left", &ImageArea::left},     {"top", &ImageArea::top},
    {"right", &ImageArea::right},   {"bottom", &ImageArea::bottom},
};

// The image settings that the read shows and the write sets alike, in two
// runs of the reply's order.
constexpr IntKey<ImageSettingsBlock> kImageKeys[] = {
    {"smartir", &ImageSettingsBlock::smartir},
    {"whiteblance", &ImageSettingsBlock::whiteblance},
    {"focusmode", &ImageSettingsBlock::focusmode},
    {"antiblurry", &ImageSettingsBlock::antiblurry},
    {"wdrenable", &ImageSettingsBlock::wdrenable},
    {"wdrlevel", &ImageSettingsBlock::wdrlevel},
    {"wdrstarthour", &ImageSettingsBlock::wdrstarthour},
    {"wdrstartminute", &ImageSettingsBlock::wdrstartminute},
    {"wdrstophour", &ImageSettingsBlock::wdrstophour},
    {"wdrstopminute", &ImageSettingsBlock::wdrstopminute},
    {"regiontype", &ImageSettingsBlock::regiontype},
    {"hlcmode", &ImageSettingsBlock::hlcmode},
    {"exclude", &ImageSettingsBlock::exclude},
    {"exposemode", &ImageSettingsBlock::exposemode},
};
constexpr IntKey<ImageSettingsBlock> kImageSchemeKeys[] = {
    {"imageschemode", &ImageSettingsBlock::imageschemode},
    {"hlcday", &ImageSettingsBlock::hlcday},
    {"hlcnight", &ImageSettingsBlock::hlcnight},
    {"redgain", &ImageSettingsBlock::redgain},
    {"bluegain", &ImageSettingsBlock::bluegain},
    {"defogmode", &ImageSettingsBlock::defogmode},
    {"defoglevel", &ImageSettingsBlock::defoglevel},
};

// The day-night settings that the read shows and the write sets alike, in
// three runs of the reply's order.
constexpr IntKey<DayNightRecord> kDayNightKeys[] = {
    {"colorkiller", &DayNightRecord::colorkiller},
    {"modestarthour", &DayNightRecord::modestarthour},
    {"modestartminute", &DayNightRecord::modestartminute},
    {"modestophour", &DayNightRecord::modestophour},
    {"modestopminute", &DayNightRecord::modestopminute},
    {"exposurectrl", &DayNightRecord::exposurectrl},
    {"lighttype", &DayNightRecord::lighttype},
    {"mirctrl", &DayNightRecord::mirctrl},
    {"localdisplay", &DayNightRecord::localdisplay},
    {"ircutaddaytonight", &DayNightRecord::ircutaddaytonight},
    {"ircutadnighttoday", &DayNightRecord::ircutadnighttoday},
    {"corridormode", &DayNightRecord::corridormode},
    {"imagerotation", &DayNightRecord::imagerotation},
};
constexpr IntKey<DayNightRecord> kSmartIrKeys[] = {
    {"smartIRType", &DayNightRecord::smart_ir_type},
    {"nearIRLevel", &DayNightRecord::near_ir_level},
    {"farIRLevel", &DayNightRecord::far_ir_level},
    {"midIRLevel", &DayNightRecord::mid_ir_level},
};
constexpr IntKey<DayNightRecord> kLensKeys[] = {
    {"keepCorrectAspectRatio", &DayNightRecord::keep_correct_aspect_ratio},
    {"dayNightSens", &DayNightRecord::day_night_sens},
    {"nightDaySens", &DayNightRecord::night_day_sens},
    {"zoomLimit", &DayNightRecord::zoom_limit},
};

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
    if (!record_at(payload, header->length, 0, &verdict)) return core_reply_short(kReplyText);
    return verdict == 0 ? finish_text("OK", 2) : finish_text("ERROR");
}

void set_profile(json_object* o, ImageProfile& p)
{
    p.set = 1;
    jint_fields(o, p, kProfileKeys);
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
    if (!record_at(payload, header->length, 0, record.get())) return core_reply_short(kReplyJson);
    JsonPtr week = jarray();
    for (int d = 0; d < kScheduleWeekDays; d++) {
        JsonPtr day = object_list(plans, [&](json_object* o, int p) { plan_object(o, s.day[d].plan[p]); });
        json_object_array_add(week.get(), day.release());
    }
    return core_reply_json(jobject_with("schedule", std::move(week)).get());
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
    return core_reply_object<ImageSettingsReply>(header, payload, kReplyText, [](json_object* j, const auto& rep) {
        const ImageSettingsBlock& b = rep.block;
        jadd(j, "id", rep.id);
        jadd_fields(j, b, kImageKeys);
        jadd_text(j, "exposeregion", b.exposeregion);
        jadd_fields(j, b, kImageSchemeKeys);
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
    jint_fields(r, b, kImageKeys);
    jtext(r, "exposeregion", b.exposeregion);
    b.model_type = jint(r, "modelType");
    jint_fields(r, b, kImageSchemeKeys);
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
    return core_reply_object<DayNightRecord>(header, payload, kReplyText, [](json_object* j, const auto& d) {
        jadd(j, "id", d.id);
        jadd_fields(j, d, kDayNightKeys);
        jadd_fields(j, d, kSmartIrKeys);
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
        jadd_fields(j, d, kLensKeys);
    });
}

int day_night_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!has_channel(r, "id")) return 0;
    DayNightRecord d = zeroed<DayNightRecord>();
    d.id = jint(r, "id");
    jint_fields(r, d, kDayNightKeys);
    d.save_corridor = jint(r, "saveCorridor");
    jint_fields(r, d, kSmartIrKeys);
    d.white_led_level = jint(r, "whiteLedLevel");
    jint_fields(r, d, kLensKeys);
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
    return core_reply_object<CameraParamReply>(header, payload, kReplyText, [](json_object* j, const auto& p) {
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
        jadd(j, "id", i);
        jadd_fields(j, rep.profile[i], kProfileKeys);
    });
    return core_reply_json(jobject_with("image", std::move(list)).get());
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
    return core_reply_object<ImageAreasReply>(header, payload, kReplyJson, [](json_object* j, const auto& rep) {
        JsonPtr list = object_list(kImageAreas, [&rep](json_object* o, int i) {
            jadd(o, "id", i);
            jadd_fields(o, rep.area[i], kAreaKeys);
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
        jint_fields(e, m.area[i], kAreaKeys);
    }
    const int cnt = jint(r, "cnt");
    each_listed_channel(channels, cnt < kChannelListSize ? cnt : kChannelListSize,
                        [&m](int ch) { m.channel[m.count++] = ch; });
    core_notify(kMsgAreasSet, m);
    return cgi_reply_ok();
}

int image_area_clear(const char* request)
{
    return area_clear<ImageAreaClear>(request, kMaxClearArea, kMsgAreaClear);
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
    return core_reply_object<NightModeReply>(header, payload, kReplyJson, [](json_object* j, const auto& n) {
        jadd(j, "chnid", n.channel);
        jadd(j, "nightMode", n.night_mode);
    });
}
