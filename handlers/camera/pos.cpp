// Point-of-sale (POS) terminals: the connections of the eight terminals, the
// overlay of their transaction text on a channel's live view, and POS input
// as an event source with the shared event actions.
#include <cstring>

#include "handlers/camera/camera.h"
#include "handlers/camera/camera_features.h"
#include "handlers/camera/camera_request.h"
#include "handlers/camera/pos_records.h"

namespace {

// The integer keys of a connection after "id" and "enable", in table order.
constexpr IntKey<PosSettingRecord> kLayoutKeys[] = {
    {"liveviewDisplay", &PosSettingRecord::liveview_display},
    {"displayChannel", &PosSettingRecord::display_channel},
    {"startX", &PosSettingRecord::start_x},
    {"startY", &PosSettingRecord::start_y},
    {"areaWidth", &PosSettingRecord::area_width},
    {"areaHeight", &PosSettingRecord::area_height},
    {"characterEncodeing", &PosSettingRecord::character_encoding},
    {"fontSize", &PosSettingRecord::font_size},
    {"fontColor", &PosSettingRecord::font_color},
    {"overlayMode", &PosSettingRecord::overlay_mode},
    {"displayTime", &PosSettingRecord::display_time},
    {"timeout", &PosSettingRecord::timeout},
};
const char* const kPrivacyKeys[3] = {"privacy1", "privacy2", "privacy3"};

// Keys of a POS's action object, in reply order.
const char* const kActionReplyKeys[] = {
    "effective", "audible", "interval", "audioId", "email", "email_interval", "email_pic_enable",
    "tri_channels_pic", "ptz", "ptz_interval", "ptzParams", "white", "whiteInfo", "white_interval",
    "alarmout_interval", "triAlarms", "triChannels", "triChnAlarms",
};

// The request's "id" when it lies within 0..7, else -1.
int pos_id_of(json_object* r) { return r && jint_required_in(r, "id", 0, kPosTerminals - 1) ? jint(r, "id") : -1; }

json_object* connection_object(const PosSettingRecord& p)
{
    json_object* o = json_object_new_object();
    if (!o) return nullptr;
    jadd(o, "id", p.id);
    jadd(o, "enable", p.enable);
    jadd_text(o, "name", p.name);
    jadd(o, "protocol", p.protocol);
    jadd(o, "connectionMode", p.connection_mode);
    jadd_text(o, "ip", p.ip);
    jadd_fields(o, p, kLayoutKeys);
    for (int i = 0; i < 3; i++) jadd_text(o, kPrivacyKeys[i], p.privacy[i]);
    jadd(o, "port", p.port);
    return o;
}

// A text key cut to `max` characters; a missing key clears the field.
template <size_t N>
void text_key(json_object* r, const char* key, char (&field)[N], size_t max)
{
    if (!jtext(r, key, field, max)) std::memset(field, 0, N);
}

// The connection of the request over the stored one: every key is taken, a
// missing one clears its field; the POS id stays. The terminal address is a
// text like the others (an address or a host name), cut to its field.
void connection_from(json_object* r, PosSettingRecord* p)
{
    p->enable = jint(r, "enable");
    text_key(r, "name", p->name, kPosNameMax);
    p->protocol = jint(r, "protocol");
    p->connection_mode = jint(r, "connectionMode");
    text_key(r, "ip", p->ip, kPosTextMax);
    jint_fields(r, *p, kLayoutKeys);
    for (int i = 0; i < 3; i++) text_key(r, kPrivacyKeys[i], p->privacy[i], kPosTextMax);
    p->port = jint(r, "port");
}

}  // namespace

// Every connection, and the actions of POS "id".
int pos_get(const char* request)
{
    JsonPtr req = json_parse(request);
    const int id = pos_id_of(req.get());
    if (id < 0) return cgi_reply_error(kReplyJson);
    PosSettingRecord rows[kPosTerminals];
    read_pos_settings(kMainDb, rows);
    PosEventRecord event;
    read_pos_event(kMainDb, &event, id);

    JsonPtr reply = jobject();
    JsonPtr list = jarray();
    if (!reply || !list) return cgi_reply_error(kReplyJson);
    for (const PosSettingRecord& row : rows) json_object_array_add(list.get(), connection_object(row));
    JsonPtr action = event_action_object(kPosEvents, EventKey{id, 0}, &event, kActionReplyKeys,
                                         sizeof kActionReplyKeys / sizeof kActionReplyKeys[0], nullptr);
    jadd_value(reply.get(), "pos", list.release());
    jadd_value(reply.get(), "action", action.release());
    return json_reply(kReplyJson, reply.get());
}

// Writes one connection and, when the request has an "action" object, the
// POS's actions; then tells the core daemon and answers its result.
int pos_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    const i32 id = pos_id_of(r);
    if (id < 0) return cgi_reply_error(kReplyJson);
    PosSettingRecord row;
    read_pos_setting(kMainDb, &row, id);
    row.id = id;
    connection_from(r, &row);
    store_request_actions(r, kPosEvents, kPosPtzType, id);
    write_pos_setting(kMainDb, &row);
    core_ask<core_reply_int>(kMsgPosChanged, &id, sizeof id, kCoreResReply, kReplyJson, {kReplyPosChanged});
    return 0;
}
