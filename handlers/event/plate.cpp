// Plate recognition: the plate lists (a database of their own), the three
// plate events of a channel with their actions, and the camera's
// recognition settings and plate formats, read and written through the core
// daemon.
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/shared/event_actions.h"
#include "handlers/event/plate_records.h"
#include "handlers/event/smart.h"
#include "handlers/event/video.h"
#include "common/core_reply.h"
#include "platform/urldecode.h"

namespace {


bool valid_mode(int mode) { return mode >= kAllPlatesMode && mode < kPlateModes; }

// A plate text as it is stored: URL-decoded, then cut to the field.
template <size_t N>
bool decoded_plate(json_object* v, char (&field)[N])
{
    if (!v || !json_object_is_type(v, json_type_string)) return false;
    std::string text = json_object_get_string(v);
    get_url_decode(&text[0]);
    set_text(field, text.c_str());
    return true;
}

// The entries a list request may carry: "cnt" from 1 to 10,000. False when
// out of range or the memory cannot be had.
bool list_entries(json_object* req, std::vector<PlateListEntry>* entries, int* count)
{
    *count = jint(req, "cnt");
    if (*count < 1 || *count > kMaxPlateCount) return false;
    try {
        entries->assign(size_t(*count), zeroed<PlateListEntry>());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// ---- plate events ----

const char* const kEventReplyKeys[] = {
    "chnid",        "mode",     "enable",  "triAlarms", "interval", "email_interval", "email_pic_enable",
    "tri_channels_pic", "ptz_interval", "alarmout_interval", "white_interval", "triChannels", "effective",
    "audible",      "email",    "ptz",     "triChnAlarms", "white", "whiteInfo", "audioId", "audioIdMask",
    "ptzParams",
};
const char* const kAllPlatesReplyKeys[] = {"chnid", "mode", "effective"};

bool plate_own_key(json_object* out, const char* name, const void*, EventKey key)
{
    if (std::strcmp(name, "chnid") == 0)
        jadd(out, name, key.channel);
    else if (std::strcmp(name, "mode") == 0)
        jadd(out, name, key.sub);
    else
        return false;
    return true;
}

// Applies one "dialog" object to the plate event of (channel, mode).
void apply_dialog(int channel, int mode, json_object* dialog)
{
    if (dialog && json_object_is_type(dialog, json_type_object))
        event_action_update(plate_source(mode), EventKey{channel, mode}, dialog, true);
}

// ---- formats and settings ----

PlateFormatsRecord formats_from_json(json_object* r, int channel)
{
    PlateFormatsRecord rec = zeroed<PlateFormatsRecord>();
    rec.chnid = channel;
    rec.filter = jint(r, "filter");
    rec.wildcards = jint(r, "wildcards");
    json_object* enable = jget(r, "enable");
    json_object* cr_count = jget(r, "cr_count");
    json_object* format = jget(r, "format");
    for (int i = 0; i < kPlateFormats; i++) {
        PlateFormat& f = rec.formats[i];
        json_object* v;
        if ((v = jarray_at(enable, size_t(i)))) f.enable = u8(json_object_get_int(v));
        if ((v = jarray_at(cr_count, size_t(i)))) f.cr_count = u8(json_object_get_int(v));
        if ((v = jarray_at(format, size_t(i)))) set_text(f.format, json_object_get_string(v));
    }
    return rec;
}

struct IntField {
    const char* key;
    i32 PlateSettingsRecord::*field;
};
constexpr IntField kSettingsInts[] = {
    {"enable", &PlateSettingsRecord::enable},
    {"resolution_width", &PlateSettingsRecord::resolution_width},
    {"resolution_height", &PlateSettingsRecord::resolution_height},
    {"area_x", &PlateSettingsRecord::area_x},
    {"area_y", &PlateSettingsRecord::area_y},
    {"area_width", &PlateSettingsRecord::area_width},
    {"area_height", &PlateSettingsRecord::area_height},
    {"day_night_mode_enable", &PlateSettingsRecord::day_night_mode_enable},
    {"scene", &PlateSettingsRecord::scene},
    {"direction_enable", &PlateSettingsRecord::direction_enable},
    {"region_enable", &PlateSettingsRecord::region_enable},
    {"roiid_enable", &PlateSettingsRecord::roiid_enable},
    {"process_mode", &PlateSettingsRecord::process_mode},
    {"repeat_check_time_value", &PlateSettingsRecord::repeat_check_time_value},
    {"repeat_check_time_unit", &PlateSettingsRecord::repeat_check_time_unit},
    {"post_enable", &PlateSettingsRecord::post_enable},
    {"post_type", &PlateSettingsRecord::post_type},
    {"post_tcp_port", &PlateSettingsRecord::post_tcp_port},
};
constexpr IntField kSettingsTailInts[] = {
    {"confidence", &PlateSettingsRecord::confidence},
    {"cur_area", &PlateSettingsRecord::cur_area},
};
constexpr IntField kNightInts[] = {
    {"night_mode_enable", &PlateSettingsRecord::night_mode_enable},
    {"night_mode_level", &PlateSettingsRecord::night_mode_level},
    {"night_mode_starthour", &PlateSettingsRecord::night_mode_starthour},
    {"night_mode_startminute", &PlateSettingsRecord::night_mode_startminute},
    {"night_mode_stophour", &PlateSettingsRecord::night_mode_stophour},
    {"night_mode_stopminute", &PlateSettingsRecord::night_mode_stopminute},
    {"night_mode_effective_mode", &PlateSettingsRecord::night_mode_effective_mode},
};

PlateSettingsRecord settings_from_json(json_object* r, int channel)
{
    const auto rec_owner = std::make_unique<PlateSettingsRecord>();
    PlateSettingsRecord& rec = *rec_owner;
    rec = zeroed<PlateSettingsRecord>();
    rec.chnid = channel;
    for (const IntField& f : kSettingsInts) rec.*f.field = jint(r, f.key);
    jtext(r, "post_http_user", rec.post_http_user);
    jtext(r, "post_http_password", rec.post_http_password);
    jtext(r, "post_http_url", rec.post_http_url);
    for (const IntField& f : kSettingsTailInts) rec.*f.field = jint(r, f.key);
    json_object* regions = jget(r, "region");
    for (int i = 0; i < kPlateRegions; i++) {
        json_object* e = jarray_at(regions, size_t(i));
        if (!e) break;
        PlateRegion& g = rec.regions[i];
        jtext(e, "name", g.name);
        g.start_x = jint(e, "startX");
        g.start_y = jint(e, "startY");
        g.end_x = jint(e, "endX");
        g.end_y = jint(e, "endY");
    }
    json_object* rois = jget(r, "roi");
    for (int i = 0; i < kPlateRois; i++) {
        json_object* e = jarray_at(rois, size_t(i));
        if (!e) break;
        PlateRoi& g = rec.rois[i];
        jtext(e, "name", g.name);
        g.start_x = jint(e, "startX");
        g.start_y = jint(e, "startY");
        g.end_x = jint(e, "endX");
        g.end_y = jint(e, "endY");
        g.preset = jint(e, "preset");
    }
    for (const IntField& f : kNightInts) rec.*f.field = jint(r, f.key);
    return rec;
}

}  // namespace

// ---- plate lists ----

int plate_list_delete(const char* request)
{
    JsonPtr req = json_parse(request);
    if (!req) return cgi_reply_error(kReplyJson);
    std::vector<PlateListEntry> entries;
    int count;
    if (!list_entries(req.get(), &entries, &count)) return cgi_reply_error(kReplyText);
    json_object* plates = jget(req.get(), "plate");
    int taken = 0;
    for (int i = 0; i < count; i++) {
        if (!decoded_plate(jarray_at(plates, size_t(i)), entries[size_t(taken)].plate)) break;
        taken++;
    }
    if (taken == 0) return cgi_reply_error(kReplyText);
    delete_anpr_lists(kAnprDb, entries.data(), taken);
    return cgi_reply_ok();
}

int plate_list_import(const char* request)
{
    JsonPtr req = json_parse(request);
    std::vector<PlateListEntry> entries;
    int count;
    if (!req || !list_entries(req.get(), &entries, &count)) return cgi_reply_error(kReplyJson);
    json_object* plates = jget(req.get(), "plate");
    int taken = 0;
    for (int i = 0; i < count; i++) {
        json_object* e = jarray_at(plates, size_t(i));
        json_object* type = jarray_at(e, 0);
        PlateListEntry& out = entries[size_t(taken)];
        if (!type || !decoded_plate(jarray_at(e, 1), out.plate)) break;
        set_text(out.type, json_object_get_string(type));
        // An empty plate names nothing: it is not listed.
        if (out.plate[0]) taken++;
    }
    if (taken == 0) return cgi_reply_error(kReplyJson);
    write_anpr_list_replace_batch(kAnprDb, entries.data(), taken);
    JsonPtr o = jobject();
    jadd(o.get(), "count", taken);
    return json_reply(kReplyJson, o.get());
}

int plate_list_edit(const char* request)
{
    JsonPtr req = json_parse(request);
    std::vector<PlateListEntry> entries;
    int count;
    if (!req || !list_entries(req.get(), &entries, &count)) return cgi_reply_error(kReplyText);
    json_object* plates = jget(req.get(), "plate");
    for (int i = 0; i < count; i++) {
        json_object* e = jarray_at(plates, size_t(i));
        PlateListEntry old = zeroed<PlateListEntry>(), entry = zeroed<PlateListEntry>();
        json_object* type = jarray_at(e, 1);
        if (!decoded_plate(jarray_at(e, 0), old.plate) || !type || !decoded_plate(jarray_at(e, 2), entry.plate)) break;
        set_text(entry.type, json_object_get_string(type));
        // The old entry goes and the new one is stored (replacing an entry
        // of the same plate) together, so an edit never loses both.
        if (entry.plate[0]) replace_anpr_list(kAnprDb, old.plate, &entry);
    }
    return cgi_reply_ok();
}

// ---- plate events ----

int plate_event_get(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    if (!channel_in(r, "chnid", &channel) || !valid_mode(jint(r, "mode"))) return cgi_reply_error(kReplyJson);
    const int mode = jint(r, "mode");
    const EventKey key{channel, mode};
    PlateEventRecord rec;
    read_anpr_event(kMainDb, &rec, channel, mode);
    JsonPtr o = mode == kAllPlatesMode
                    ? event_action_object(kAllPlateEvents, key, &rec, kAllPlatesReplyKeys, plate_own_key)
                    : event_action_object(kPlateEvents, key, &rec, kEventReplyKeys, plate_own_key);
    return json_reply(kReplyJson, o.get());
}

int plate_event_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    if (!channel_in(r, "chnid", &channel) || !valid_mode(jint(r, "mode"))) return cgi_reply_error(kReplyJson);
    const int mode = jint(r, "mode");
    // The dialog's actions first: the event is read after them, so that
    // writing its "enable" keeps the trigger fields the dialog set.
    apply_dialog(channel, mode, jget(r, "dialog"));
    PlateEventRecord rec;
    read_anpr_event(kMainDb, &rec, channel, mode);
    rec.chnid = channel;
    rec.enable = jint(r, "enable");
    write_anpr_event(kMainDb, &rec, mode);
    core_notify(kMsgPlateEventChanged, u64(1) << channel);
    return cgi_reply_ok();
}

// ---- camera settings ----

int plate_settings_get(const char* request)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!channel_in(req.get(), "chnid", &channel)) return cgi_reply_error(kReplyJson);
    i32 id = channel;
    core_ask_answered<plate_settings_reply>(kMsgPlateSettingsGet, &id, sizeof id, kReplyJson, {kReplyPlateSettingsGet});
    return 0;
}

int plate_settings_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    if (!channel_in(r, "chnid", &channel)) return cgi_reply_error(kReplyJson);
    // "dialog": the actions of one plate mode (its "mode" key), or a list of
    // them.
    json_object* dialog = jget(r, "dialog");
    if (dialog && json_object_is_type(dialog, json_type_array)) {
        for (size_t i = 0; i < jarray_size(dialog); i++) {
            json_object* d = jarray_at(dialog, i);
            if (valid_mode(jint(d, "mode"))) apply_dialog(channel, jint(d, "mode"), d);
        }
    } else if (dialog && valid_mode(jint(dialog, "mode"))) {
        apply_dialog(channel, jint(dialog, "mode"), dialog);
    }
    // The formats go first and without a wait: the reply is the settings'.
    json_object* formats = jget(r, "formatData");
    if (formats && json_object_is_type(formats, json_type_object))
        core_notify(kMsgPlateFormatsSet, formats_from_json(formats, channel));
    const PlateSettingsRecord rec = settings_from_json(r, channel);
    core_ask_answered<smart_status_reply>(kMsgPlateSettingsSet, &rec, sizeof rec, kReplyJson, {kReplyPlateSettingsSet});
    return 0;
}

int plate_formats_get(const char* request)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!channel_in(req.get(), "chnid", &channel)) return cgi_reply_error(kReplyJson);
    i32 id = channel;
    core_ask_answered<plate_formats_reply>(kMsgPlateFormatsGet, &id, sizeof id, kReplyJson, {kReplyPlateFormatsGet});
    return 0;
}

int plate_formats_set(const char* request)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!channel_in(req.get(), "chnid", &channel)) return cgi_reply_error(kReplyJson);
    const PlateFormatsRecord rec = formats_from_json(req.get(), channel);
    core_ask_answered<smart_status_reply>(kMsgPlateFormatsSet, &rec, sizeof rec, kReplyJson, {kReplyPlateFormatsSet});
    return 0;
}

int plate_zoom_get(const char* request)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!channel_in(req.get(), "chnid", &channel)) return cgi_reply_error(kReplyJson);
    i32 id = channel;
    core_ask_answered<plate_zoom_reply>(kMsgPlateZoomGet, &id, sizeof id, kReplyJson, {kReplyPlateZoomGet});
    return 0;
}

// ---- reply formatters ----

int plate_settings_reply(const KxFrameHeader* header, const void* payload)
{
    const auto rec_owner = std::make_unique<PlateSettingsRecord>();
    PlateSettingsRecord& rec = *rec_owner;
    if (!core_reply_record(header, payload, &rec, kCoreReplyLeftToAsker)) return 0;
    JsonPtr o = jobject();
    json_object* j = o.get();
    for (const IntField& f : kSettingsInts) jadd(j, f.key, rec.*f.field);
    jadd_text(j, "post_http_user", rec.post_http_user);
    jadd_text(j, "post_http_password", rec.post_http_password);
    jadd_text(j, "post_http_url", rec.post_http_url);
    for (const IntField& f : kSettingsTailInts) jadd(j, f.key, rec.*f.field);
    JsonPtr regions = jarray();
    for (const PlateRegion& g : rec.regions) {
        JsonPtr e = jobject();
        jadd_text(e.get(), "name", g.name);
        jadd(e.get(), "startX", g.start_x);
        jadd(e.get(), "startY", g.start_y);
        jadd(e.get(), "endX", g.end_x);
        jadd(e.get(), "endY", g.end_y);
        json_object_array_add(regions.get(), e.release());
    }
    jadd_value(j, "region", regions.release());
    JsonPtr rois = jarray();
    for (const PlateRoi& g : rec.rois) {
        JsonPtr e = jobject();
        jadd_text(e.get(), "name", g.name);
        jadd(e.get(), "startX", g.start_x);
        jadd(e.get(), "startY", g.start_y);
        jadd(e.get(), "endX", g.end_x);
        jadd(e.get(), "endy", g.end_y);
        jadd(e.get(), "preset", g.preset);
        json_object_array_add(rois.get(), e.release());
    }
    jadd_value(j, "roi", rois.release());
    for (const IntField& f : kNightInts) jadd(j, f.key, rec.*f.field);
    jadd(j, "in_night_mode", rec.in_night_mode);
    return core_reply_json(j);
}

int plate_formats_reply(const KxFrameHeader* header, const void* payload)
{
    PlateFormatsRecord rec;
    if (!core_reply_record(header, payload, &rec, kCoreReplyLeftToAsker)) return 0;
    JsonPtr o = jobject();
    json_object* j = o.get();
    jadd(j, "chnid", rec.chnid);
    jadd(j, "filter", rec.filter);
    JsonPtr enable = jarray(), cr_count = jarray(), format = jarray();
    for (const PlateFormat& f : rec.formats) {
        json_object_array_add(enable.get(), json_object_new_int(f.enable));
        json_object_array_add(cr_count.get(), json_object_new_int(f.cr_count));
        json_object_array_add(format.get(),
                              json_object_new_string_len(f.format, int(strnlen(f.format, sizeof f.format))));
    }
    jadd_value(j, "enable", enable.release());
    jadd_value(j, "cr_count", cr_count.release());
    jadd_value(j, "format", format.release());
    jadd(j, "wildcards", rec.wildcards);
    return core_reply_json(j);
}

int plate_zoom_reply(const KxFrameHeader* header, const void* payload)
{
    PlateZoomReply rec;
    if (!core_reply_record(header, payload, &rec, kCoreReplyLeftToAsker)) return 0;
    JsonPtr o = jobject();
    jadd(o.get(), "chnid", rec.chnid);
    jadd(o.get(), "state", rec.state);
    jadd(o.get(), "zoomNumber", rec.zoom_number);
    return core_reply_json(o.get());
}
