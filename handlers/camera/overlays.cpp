// Overlays on the picture: the recorder's OSD rows (channel name, date and
// week day and their places), the OSD the camera burns into its own
// streams, and the privacy masks.
#include <cmath>
#include <cstring>
#include <memory>

#include "common/decimal_text.h"
#include "handlers/camera/camera.h"
#include "handlers/camera/camera_records.h"
#include "handlers/camera/camera_request.h"
#include "handlers/camera/overlay_records.h"

namespace {

constexpr u32 kMsgOsdChanged = 1007, kMsgPrivacyMasks = 2509;
constexpr u32 kMsgCameraOsdSet = 3210, kMsgCameraOsdGet = 3211;
constexpr u32 kReplyCameraOsdSet = 8210, kReplyCameraOsdGet = 8211;
// A rename keeps the name short enough for every page that shows it.
constexpr size_t kRenameWidth = 31;
constexpr int kMaxDateFormat = 3;

// The display switches and formats of the recorder's OSD.
constexpr IntKey<OsdRecord> kOsdKeys[] = {
    {"showName", &OsdRecord::show_name},     {"showDate", &OsdRecord::show_date},
    {"showWeek", &OsdRecord::show_week},     {"dateFormat", &OsdRecord::date_format},
    {"timeFormat", &OsdRecord::time_format},
};

// The places and format of the camera's OSD texts, main and sub stream.
constexpr IntKey<CameraOsdRecord> kCameraOsdKeys[] = {
    {"textpos", &CameraOsdRecord::textpos},
    {"enable_date", &CameraOsdRecord::enable_date},
    {"datepos", &CameraOsdRecord::datepos},
    {"dateformat", &CameraOsdRecord::dateformat},
};
constexpr IntKey<CameraOsdRecord> kCameraOsdSubKeys[] = {
    {"textpos_sub", &CameraOsdRecord::textpos_sub},
    {"enable_date_sub", &CameraOsdRecord::enable_date_sub},
    {"datepos_sub", &CameraOsdRecord::datepos_sub},
    {"dateformat_sub", &CameraOsdRecord::dateformat_sub},
};

// A place on the picture: present, a finite number, not below 0.0.
bool position_key(json_object* r, const char* key, double* out)
{
    json_object* v = jget(r, key);
    if (!v || !(json_object_is_type(v, json_type_double) || json_object_is_type(v, json_type_int))) return false;
    *out = json_object_get_double(v);
    return std::isfinite(*out) && *out >= 0.0;
}

bool valid_osd(json_object* r, OsdRecord* osd)
{
    if (!has_channel(r, "camId") || !jhas(r, "camName")) return false;
    for (const char* key : {"showName", "showDate", "showWeek", "timeFormat"})
        if (!jint_required_in(r, key, 0, 1)) return false;
    if (!jint_required_in(r, "dateFormat", 0, kMaxDateFormat)) return false;
    if (!position_key(r, "datePosX", &osd->date_pos_x) || !position_key(r, "datePosY", &osd->date_pos_y) ||
        !position_key(r, "namePosX", &osd->name_pos_x) || !position_key(r, "namePosY", &osd->name_pos_y))
        return false;
    return jhas(r, "alpha") && jint(r, "alpha") >= 0;
}

}  // namespace

int osd_get(const char* request)
{
    int id = 0;
    if (!decimal_text(request, &id) || id < 0 || id >= kMaxCameras) return 0;
    OsdRecord osd;
    read_osd(kMainDb, &osd, id);
    JsonPtr o = jobject();
    json_object* j = o.get();
    if (!j) return cgi_reply_error(kReplyJson);
    jadd(j, "camId", osd.id);
    jadd_text(j, "camName", osd.name);
    jadd_fields(j, osd, kOsdKeys);
    jadd_value(j, "datePosX", json_object_new_double(osd.date_pos_x));
    jadd_value(j, "datePosY", json_object_new_double(osd.date_pos_y));
    jadd_value(j, "namePosX", json_object_new_double(osd.name_pos_x));
    jadd_value(j, "namePosY", json_object_new_double(osd.name_pos_y));
    jadd(j, "alpha", osd.alpha);
    return json_reply(kReplyJson, j);
}

int osd_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    OsdRecord in;
    if (!valid_osd(r, &in)) return 0;
    const i32 id = jint(r, "camId");
    OsdRecord osd;
    patch_row(read_osd, write_osd, id, osd, [r, &in](OsdRecord& o) {
        jtext(r, "camName", o.name);
        jint_fields(r, o, kOsdKeys);
        o.date_pos_x = in.date_pos_x;
        o.date_pos_y = in.date_pos_y;
        o.name_pos_x = in.name_pos_x;
        o.name_pos_y = in.name_pos_y;
        o.alpha = jint(r, "alpha");
    });
    core_notify(kMsgOsdChanged, OsdChangedRecord{id, 1, 0});
    return cgi_reply_ok();
}

int osd_rename(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!has_channel(r, "camId") || !jstr(r, "camName")) return cgi_reply_error(kReplyText);
    OsdRecord osd;
    patch_row(read_osd, write_osd, jint(r, "camId"), osd,
              [r](OsdRecord& o) { jtext(r, "camName", o.name, kRenameWidth); });
    return cgi_reply_ok();
}

int camera_osd_get(const char* request)
{
    return ask_channel(request, "id", kReplyText, core_answer<camera_osd_get_reply>({kReplyCameraOsdGet}),
                       kMsgCameraOsdGet, kReplyText);
}

int camera_osd_get_reply(const KxFrameHeader* header, const void* payload)
{
    i32 ch = 0;
    if (!record_at(payload, header->length, 0, &ch)) return core_reply_short(kReplyText);
    JsonPtr o = jobject();
    json_object* j = o.get();
    if (!j) return core_reply_json(nullptr);
    if (ch < 0) {
        jadd(j, "disconnect", 1);
        return core_reply_json(j);
    }
    CameraOsdRecord c;
    if (!record_at(payload, header->length, 0, &c)) return core_reply_short(kReplyText);
    jadd(j, "enable_text", c.enable_text);
    jadd_text(j, "text_name", c.text_name);
    jadd_fields(j, c, kCameraOsdKeys);
    jadd(j, "enable_text_sub", c.enable_text_sub);
    jadd_text(j, "text_name_sub", c.text_name_sub);
    jadd_fields(j, c, kCameraOsdSubKeys);
    jadd(j, "disconnect", 0);
    return core_reply_json(j);
}

int camera_osd_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    for (const char* key : {"ch", "enable_text", "text_name", "textpos", "enable_date", "datepos", "dateformat"})
        if (!jhas(r, key)) return 0;
    if (!has_channel(r, "ch")) return 0;
    CameraOsdMessage m = zeroed<CameraOsdMessage>();
    CameraOsdRecord& c = m.osd;
    c.ch = jint(r, "ch");
    c.enable_text = jint(r, "enable_text");
    jtext(r, "text_name", c.text_name);
    jint_fields(r, c, kCameraOsdKeys);
    c.enable_text_sub = jint(r, "enable_text_sub");
    jtext(r, "text_name_sub", c.text_name_sub);
    jint_fields(r, c, kCameraOsdSubKeys);
    core_ask<camera_osd_set_reply>(kMsgCameraOsdSet, &m, sizeof m, kReplyText, {kReplyCameraOsdSet});
    return 0;
}

int camera_osd_set_reply(const KxFrameHeader* header, const void* payload)
{
    i32 verdict = 0;
    if (!record_at(payload, header->length, 0, &verdict)) return core_reply_short(kReplyText);
    return finish_text(verdict == 0 ? "OK" : verdict == -1 ? "NO_SUPPORT" : "ERROR");
}

int privacy_masks_get(const char*)
{
    auto rows = std::make_unique<PrivacyMaskRecord[]>(kMaxCameras);  // 80 KB: not on the stack
    int count = 0;
    read_privacy_masks(kMainDb, rows.get(), &count);
    JsonPtr list = object_list(count, [&rows](json_object* row, int i) {
        JsonPtr areas = object_list(kMaskAreas, [&area = rows[i].area](json_object* j, int k) {
            const MaskArea& a = area[k];
            jadd(j, "area_id", a.area_id);
            jadd(j, "enable", a.enable);
            jadd(j, "start_x", a.start_x);
            jadd(j, "start_y", a.start_y);
            jadd(j, "area_width", a.area_width);
            jadd(j, "area_height", a.area_height);
            jadd(j, "width", a.width);
            jadd(j, "height", a.height);
            jadd(j, "fill_color", a.fill_color);
        });
        jadd(row, "id", rows[i].id);
        jadd_value(row, "area", areas.release());
    });
    if (!list) return cgi_reply_error(kReplyJson);
    return json_reply(kReplyJson, list.get());
}

int privacy_masks_send(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    json_object* areas = jarray_of(r, "area");
    json_object* channels = jarray_of(r, "chnid");
    if (!r || !jhas(r, "cnt") || !areas || !channels) return 0;

    PrivacyMaskMessage m = zeroed<PrivacyMaskMessage>();
    m.enable = jint(r, "enable");
    m.cgi_sdk_flag = jint(r, "cgiSdkFlag");
    m.num = jint(r, "num");
    m.area_mask_enable = jint(r, "areaMaskEnable");
    m.mosaic_support = jint(r, "mosaicSupport");
    m.mosaic_num = jint(r, "mosaicNum");
    if (json_object* del = jget(r, "delMask")) m.del_mask = json_object_get_int64(del);

    // The masks and the mosaics share the 28 entries.
    long entries = long(m.num) + long(m.mosaic_num);
    if (entries > kPrivacyMaskEntries) entries = kPrivacyMaskEntries;
    for (long i = 0; i < entries && i < jarray_length(areas); i++) {
        json_object* a = json_object_array_get_idx(areas, size_t(i));
        if (!a) continue;
        PrivacyMaskEntry& e = m.entry[i];
        e.area_id = jint(a, "area_id");
        e.enable = jint(a, "enable");
        e.start_x = jint(a, "start_x");
        e.start_y = jint(a, "start_y");
        e.area_width = jint(a, "area_width");
        e.area_height = jint(a, "area_height");
        e.fill_color = jint(a, "fill_color");
        e.ratio = jint(a, "ratio");
        jtext(a, "name", e.name);
    }

    std::memset(m.channels, '0', sizeof m.channels);
    each_listed_channel(channels, jint(r, "cnt"), [&m](int ch) { m.channels[ch] = '1'; });
    core_notify(kMsgPrivacyMasks, m);
    return cgi_reply_ok();
}
