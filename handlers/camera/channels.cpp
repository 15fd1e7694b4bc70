// Camera channels: the live list, one channel's configuration, adding,
// editing and clearing a camera, the channel names and the camera login.
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/camera/camera.h"
#include "handlers/camera/camera_records.h"
#include "handlers/camera/camera_request.h"
#include "platform/kxfs_log.h"

namespace {

constexpr u32 kMsgCameraAdded = 1201, kMsgCameraCleared = 1202, kMsgCameraChanged = 1203, kMsgPoePower = 1206;
constexpr u32 kMsgCameraList = 3201;
constexpr u32 kReplyCameraList = 8201;
constexpr int kEditLog = 204, kAddLog = 210, kClearLog = 211;
constexpr int kAddParam = 901, kClearParam = 902, kEditParam = 903;
constexpr int kProtocolRtsp = 1, kProtocolNoAddress = 7, kMaxProtocol = 7;
// "/2000" and "/2005" take the channels of a 16-channel page only.
constexpr int kMaxPageChannel = 15;

const char* protocol_log_name(int protocol)
{
    return protocol == 0 ? "ONVIF" : protocol == kProtocolRtsp ? "RTSP" : "KXSF";
}

// The checks of an edited or added camera. The id may be 64, one past the
// store's channel rows: save_camera answers such a request with an error.
bool valid_camera(json_object* r)
{
    if (!r || !jint_required_in(r, "id", 0, kMaxCameras)) return false;
    if (!jhas(r, "name")) return false;
    if (!jint_required_in(r, "enable", 0, 1)) return false;
    if (!jint_required_in(r, "camProtocol", 0, kMaxProtocol)) return false;
    if (jint(r, "camProtocol") != kProtocolNoAddress) {
        const char* ip = jstr(r, "ipAddr");
        if (!ip || !*ip) return false;
        if (!jhas(r, "managePort") || jint(r, "managePort") < 0) return false;
    }
    return jint_required_in(r, "transmitProtocol", 0, 2);
}

// Sets the camera fields of an edit or add request. Text keys the request
// omits keep the stored text; number keys read as 0.
void apply_camera(json_object* r, CameraRecord& cam, bool take_login)
{
    cam.minor_id = jint(r, "minorid");
    cam.enable = jint(r, "enable");
    jtext(r, "ipAddr", cam.ip);
    cam.manage_port = jint(r, "managePort");
    cam.protocol = jint(r, "camProtocol");
    if (take_login) {
        jtext(r, "userName", cam.user);
        jtext(r, "password", cam.password);
    }
    cam.transmit = jint(r, "transmitProtocol");
    cam.sub_enable = jint(r, "enableSubStream");
    cam.sync_time = jint(r, "syncTime");
    // Only an RTSP camera is reached through the request's stream addresses.
    if (cam.protocol == kProtocolRtsp) {
        cam.main_rtsp_port = jint(r, "mainRtspPort");
        jtext(r, "mainSourcePath", cam.main_source_path);
        cam.sub_rtsp_port = jint(r, "subRtspPort");
        jtext(r, "subSourcePath", cam.sub_source_path);
        jtext(r, "mainrtspurl", cam.main_rtsp_url);
        jtext(r, "subrtspurl", cam.sub_rtsp_url);
    }
}

// The fields of an edit: the login only when "type" is 0.
void apply_edit(CameraRecord& cam, json_object* r)
{
    apply_camera(r, cam, jint(r, "type") == 0);
    jtext(r, "ddns", cam.ddns);
}

// The fields of an added camera: its login, PoE port and MAC address too.
void apply_added(CameraRecord& cam, json_object* r)
{
    apply_camera(r, cam, true);
    const char* mac = jstr(r, "mac_addr");
    set_text(cam.mac, mac && std::strcmp(mac, "(null)") != 0 ? mac : "", 31);
    cam.poe_channel = jint(r, "poechannel");
    cam.physical_port = jint(r, "physicalport");
    jtext(r, "ddns", cam.ddns);
}

// "/2003" and "/2004".
int save_camera(const char* request, bool add)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!valid_camera(r)) return 0;
    const i32 id = jint(r, "id");

    // The store keeps channel rows 0..63 only: a camera on channel 64 could
    // not be kept, so nothing is written or sent for it and the client is
    // told so, rather than given "OK" for a change that did not happen.
    if (id >= kMaxCameras) return cgi_reply_error(kReplyText);

    OsdRecord osd;
    patch_row(read_osd, write_osd, id, osd, [r](OsdRecord& o) { jtext(r, "name", o.name); });
    if (!add) return edit_camera(id, r, apply_edit);

    CameraRecord cam;
    if (patch_row(read_camera, write_camera, id, cam, [r](CameraRecord& c) { apply_added(c, r); }) != 0)
        return cgi_reply_error(kReplyText);
    core_notify(kMsgCameraAdded, id);
    core_notify(kMsgPoePower, PoePowerRecord{id, jint(r, "otherPoe") == 1 ? 1 : 0});
    camera_send_log(kAddLog, kAddParam, cam, true);
    return cgi_reply_ok();
}

// The "chnid" of "/2000" and "/2005", or -1 when it is missing or not a
// channel of the page.
int page_channel(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jint_required_in(r, "chnid", 0, kMaxPageChannel)) return -1;
    return jint(r, "chnid");
}

int list_channels()
{
    core_ask<camera_list_reply>(kMsgCameraList, nullptr, 0, kReplyJson, {kReplyCameraList});
    return 0;
}

}  // namespace

// Operation-log entry of a channel; with `param_type` 901 or 903 it carries
// the camera's address, port, protocol, transport and time-sync flag.
void camera_send_log(int sub_type, int param_type, const CameraRecord& cam, bool with_detail)
{
    OpLogRecord log;
    oplog_prepare(&log);
    log.sub_type = sub_type;
    log.param_type = u32(param_type);
    log.channel = u32(cam.id) + 1;
    if (with_detail) {
        CameraLogDetail d = zeroed<CameraLogDetail>();
        d.param_type = param_type;
        set_text(d.ip, text_of(cam.ip).s);
        d.manage_port = cam.manage_port;
        d.channel = cam.id + 1;
        set_text(d.protocol, protocol_log_name(cam.protocol));
        set_text(d.transport, cam.transmit == 0 ? "UDP" : "TCP");
        d.sync_time = u8(cam.sync_time);
        kxfs_log_pack_detail(&log, kCameraLogDetailKind, &d, sizeof d);
    }
    core_send_oplog(log);
}

int edit_camera(int id, json_object* r, void (*patch)(CameraRecord& cam, json_object* r))
{
    CameraRecord cam;
    if (patch_row(read_camera, write_camera, id, cam, [r, patch](CameraRecord& c) { patch(c, r); }) != 0)
        return cgi_reply_error(kReplyText);
    core_notify(kMsgCameraChanged, i32(id));
    camera_send_log(kEditLog, kEditParam, cam, true);
    return cgi_reply_ok();
}

void read_stored_channel(int id, StoredChannel* out)
{
    read_osd_name(kMainDb, out->name, id);
    read_camera(kMainDb, &out->cam, id);
    read_ipc_model(kMainDb, &out->model, out->cam.protocol);
}

int camera_list(const char*) { return list_channels(); }

int camera_status_list(const char*) { return list_channels(); }

int camera_list_reply(const KxFrameHeader* header, const void* payload)
{
    // The channel names, read in one query; a record with an id outside the
    // table gets an empty name, as a read of a missing row would give. On the
    // heap: the table is 8 KB and this runs on the socket library's thread.
    auto osds = std::make_unique<OsdRecord[]>(kMaxCameras);
    int stored = 0;
    if (header->length >= sizeof(CameraStatusRecord)) read_osds(kMainDb, osds.get(), &stored);
    JsonPtr list = record_list<CameraStatusRecord>(header, payload, [&osds](json_object* c, const auto& s) {
        char name[64] = "";
        if (s.id >= 0 && s.id < kMaxCameras) {
            std::memcpy(name, osds[s.id].name, sizeof name);
            name[sizeof name - 1] = '\0';
        }
        jadd(c, "id", s.id);
        jadd(c, "enable", 1);
        jadd(c, "name", name);
        jadd_text(c, "ipAddr", s.ip);
        jadd(c, "managePort", s.manage_port);
        jadd(c, "camProtocol", s.protocol);
        jadd_text(c, "vendor", s.vendor);
        jadd_text(c, "sn", s.sn);
        jadd_text(c, "snReal", s.sn_real);
        jadd_text(c, "mac", s.mac);
        jadd_text(c, "model", s.model);
        jadd_text(c, "fwVersion", s.fw_version);
        jadd(c, "state", s.state);
        jadd(c, "mainRtspPort", s.main_rtsp_port);
        jadd(c, "physicalport", s.physical_port);
        jadd(c, "poechannel", s.poe_channel);
        jadd(c, "alarmin", s.alarm_in);
        jadd(c, "alarmout", s.alarm_out);
        jadd(c, "whiteLed", s.white_led);
        jadd(c, "ledAlarm", s.led_alarm);
        jadd(c, "ledManual", s.led_manual);
        jadd(c, "minorid", s.minor_id);
        jadd(c, "subState", s.sub_state);
        jadd(c, "connectState", s.connect_state);
        jadd_text(c, "ddns", s.ddns);
    });
    JsonPtr reply = jobject_with("IPC", std::move(list));
    jadd(reply.get(), "maxIPCNums", get_param_int(kMainDb, "max_cameras", kDefaultMaxCameras));
    json_reply(kReplyJson, reply.get());
    core_reply_finish(1);
    return 0;
}

int camera_read(const char* request)
{
    int id = page_channel(request);
    if (id < 0) return cgi_reply_error(kReplyJson);
    StoredChannel stored;
    read_stored_channel(id, &stored);
    const CameraRecord& cam = stored.cam;

    JsonPtr o = jobject();
    json_object* c = o.get();
    jadd(c, "id", cam.id);
    jadd(c, "name", stored.name);
    jadd_text(c, "ipAddr", cam.ip);
    jadd(c, "managePort", cam.manage_port);
    jadd(c, "protocol", stored.model.protocol);
    jadd(c, "model", cam.protocol);
    jadd_text(c, "userName", cam.user);
    jadd_text(c, "password", cam.password);
    jadd(c, "transmitProtocol", cam.transmit);
    jadd(c, "mainRtspPort", cam.main_rtsp_port);
    jadd_text(c, "mainSourcePath", cam.main_source_path);
    jadd(c, "subRtspEnable", cam.sub_enable);
    jadd(c, "subRtspPort", cam.sub_rtsp_port);
    jadd_text(c, "subSourcePath", cam.sub_source_path);
    jadd(c, "syncTime", cam.sync_time);
    jadd_text(c, "mainRtspUrl", cam.main_rtsp_url);
    jadd_text(c, "subRtspUrl", cam.sub_rtsp_url);
    jadd(c, "physicalport", cam.physical_port);
    jadd(c, "poechannel", cam.poe_channel);
    jadd_text(c, "mac_addr", cam.mac);
    jadd(c, "minorid", cam.minor_id);
    jadd_text(c, "ddns", cam.ddns);
    return json_reply(kReplyJson, c);
}

int camera_edit(const char* request) { return save_camera(request, false); }

int camera_add(const char* request) { return save_camera(request, true); }

int camera_clear(const char* request)
{
    const i32 id = page_channel(request);
    if (id < 0) return cgi_reply_error(kReplyJson);

    // Only a row that belongs to this channel is changed: a row carrying
    // another channel's id would otherwise be written over that channel.
    PrivacyMaskRecord mask;
    read_privacy_mask(kMainDb, &mask, id);
    if (mask.id == id) {
        for (MaskArea& a : mask.area) a.enable = a.start_x = a.start_y = a.area_width = a.area_height = 0;
        write_privacy_mask(kMainDb, &mask);
    }

    // The camera row is emptied; only its "kept" flag stays.
    CameraRecord cam;
    patch_row(read_camera, write_camera, id, cam, [id](CameraRecord& c) {
        const i32 kept = c.kept;
        c = zeroed<CameraRecord>();
        c.id = id;
        c.cleared = 1;
        c.enable = 0;
        c.kept = kept;
    });

    OsdRecord osd;
    patch_row(read_osd, write_osd, id, osd, [id](OsdRecord& o) {
        char name[16];
        std::snprintf(name, sizeof name, "CAM%d", id + 1);
        set_text(o.name, name);
    });

    core_notify(kMsgCameraCleared, id);
    core_notify(kMsgPoePower, PoePowerRecord{id, 0});
    camera_send_log(kClearLog, kClearParam, cam, false);
    return cgi_reply_ok();
}

int camera_names(const char*)
{
    int count = get_param_int(kMainDb, "max_cameras", kDefaultMaxCameras);
    // The store holds 64 channels; a larger setting lists no phantom ones.
    if (count > kMaxCameras) count = kMaxCameras;
    // One query for the whole table rather than one per channel.
    auto osds = std::make_unique<OsdRecord[]>(kMaxCameras);
    int stored = 0;
    read_osds(kMainDb, osds.get(), &stored);
    JsonPtr list = object_list(count, [&osds](json_object* o, int id) {
        jadd(o, "id", id);
        osds[id].name[sizeof osds[id].name - 1] = '\0';
        jadd_text(o, "name", osds[id].name);
    });
    return json_reply(kReplyJson, jobject_with("IPC", std::move(list)).get());
}

int camera_login_change(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jhas(r, "id") || jint(r, "id") < 0) return 0;
    const char* user = jstr(r, "userName");
    const char* password = jstr(r, "password");
    if (!user || !*user || !password || !*password) return 0;
    // An id past the store's channels cannot be kept: the client is told,
    // and nothing is announced.
    return edit_camera(jint(r, "id"), r, [](CameraRecord& cam, json_object* login) {
        set_text(cam.user, jstr(login, "userName"));
        set_text(cam.password, jstr(login, "password"));
    });
}
