// Cameras on the network: search, address changes, login tests, the camera
// protocols and models, and the PoE settings.
#include <cstdio>
#include <cstring>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/camera/camera.h"
#include "handlers/camera/camera_records.h"
#include "handlers/camera/camera_request.h"

namespace {

constexpr u32 kMsgSearch = 3200, kMsgLoginTest = 3202, kMsgIpChange = 3205, kMsgLoginTest2 = 3227;
constexpr u32 kMsgIpChangeChannel = 3229;
// Reply codes of the queries above.
constexpr u32 kReplySearch = 8200, kReplyLoginTest = 8202, kReplyIpChange = 8205, kReplyLoginTest2 = 8227;
constexpr int kMaxProtocol = 7;
constexpr int kMinManagePort = 80;
// Protocol 2's "display_model" flag is reset whenever the list is read.
constexpr int kProtocolWithoutModels = 2;

// A name is shown only when it is plain ASCII up to its end.
template <size_t N>
bool ascii_text(const char (&field)[N])
{
    for (size_t i = 0; i < N && field[i]; i++)
        if (static_cast<unsigned char>(field[i]) >= 128) return false;
    return true;
}

// Fills the fields shared by both forms of the address change.
void fill_ip_change(json_object* o, IpChangeRecord& rec)
{
    jtext(o, "macAddr", rec.mac);
    jtext(o, "oldIpcAddr", rec.old_ip);
    jtext(o, "newIpcAddr", rec.new_ip);
    jtext(o, "netmask", rec.netmask);
    jtext(o, "gateway", rec.gateway);
    jtext(o, "primaryDNS", rec.primary_dns);
    rec.port = jint(o, "port");
    jtext(o, "username", rec.user);
    jtext(o, "password", rec.password);
    rec.protocol = jint(o, "protocol");
    jtext(o, "netif", rec.netif);
}

// The checks of a login test; the request's object, or null.
json_object* valid_login_test(const JsonPtr& req)
{
    json_object* r = req.get();
    if (!r) return nullptr;
    const char* ip = jstr(r, "ipAddr");
    if (!ip || !*ip) return nullptr;
    if (!jhas(r, "managePort") || jint(r, "managePort") < 0) return nullptr;
    if (!jint_required_in(r, "camProtocol", 0, kMaxProtocol)) return nullptr;
    return r;
}

// The camera address and login of a login test (either record form).
template <typename Record>
Record login_test_record(json_object* r)
{
    Record rec = zeroed<Record>();
    jtext(r, "ipAddr", rec.ip);
    rec.manage_port = jint(r, "managePort");
    jtext(r, "userName", rec.user);
    jtext(r, "password", rec.password);
    rec.protocol = jint(r, "camProtocol");
    return rec;
}

// The verdict of a login test as plain text; 0 and 4 are a success.
int login_test_result(const KxFrameHeader* header, const void* payload)
{
    i32 verdict = 0;
    if (!record_at(payload, header->length, 0, &verdict)) return 0;
    const char* text = "UNKOWNERROR";
    int done = 1;
    switch (verdict) {
    case 0:
    case 4: text = "OK"; done = 2; break;
    case 1: text = "NETWORKERROR"; break;
    case 2: text = "USERERROR"; break;
    case 5: text = "BANDWIDTHERROR"; break;
    default: break;
    }
    cgi_reply(kReplyText, text);
    core_reply_finish(done);
    return 0;
}

}  // namespace

int camera_search(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    const i32 protocol = jint(r, "protocol");
    if (protocol < 0 || protocol > kMaxProtocol) return 0;
    core_ask<camera_search_reply>(kMsgSearch, &protocol, sizeof protocol, kReplyJson, {kReplySearch});
    return 0;
}

int camera_search_reply(const KxFrameHeader* header, const void* payload)
{
    JsonPtr list = record_list<CameraSearchRecord>(header, payload, [](json_object* c, const auto& s) {
        jadd_text(c, "ipAddr", s.ip);
        jadd(c, "managePort", s.manage_port);
        jadd(c, "protocol", s.protocol);
        jadd_text(c, "macAddr", s.mac);
        jadd_text(c, "vendor", s.vendor);
        jadd_text(c, "sn", s.sn);
        jadd_text(c, "fwVersion", s.fw_version);
        jadd_text(c, "model", s.model);
        jadd(c, "modelId", s.model_id);
        jadd_text(c, "netmask", s.netmask);
        jadd_text(c, "dns", s.dns);
        jadd_text(c, "gateway", s.gateway);
        jadd_text(c, "netif", s.netif);
        jadd(c, "active_status", s.active_status);
        if (ascii_text(s.name))
            jadd_text(c, "name", s.name);
        else
            jadd(c, "name", "");
        jadd_text(c, "snReal", s.sn_real);
    });
    JsonPtr reply = jobject();
    jadd(reply.get(), "resultString", record_count<CameraSearchRecord>(header->length) > 0 ? "OK" : "NO");
    json_object_object_add(reply.get(), "IPC", list.release());
    json_reply(kReplyJson, reply.get());
    core_reply_finish(1);
    return 0;
}

int camera_protocols(const char*)
{
    IpcProtocolRecord* protocols = nullptr;
    int count = 0;
    read_ipc_protocols(kMainDb, &protocols, &count);
    JsonPtr list = object_list(count, [protocols](json_object* c, int i) {
        IpcProtocolRecord& p = protocols[i];
        if (p.id == kProtocolWithoutModels && p.display_model == 1) {
            p.display_model = 0;
            write_ipc_protocol(kMainDb, &p);
        }
        jadd(c, "id", p.id);
        jadd_text(c, "name", p.name);
        jadd(c, "protocolFunction", p.protocol_function);
        jadd(c, "enable", p.enable);
        jadd(c, "display_model", p.display_model);

        IpcModelRecord* models = nullptr;
        int model_count = 0;
        read_ipc_models_by_protocol(kMainDb, &models, p.id, &model_count);
        JsonPtr model_list = object_list(model_count, [models](json_object* mo, int m) {
            jadd(mo, "id", models[m].id);
            jadd_text(mo, "name", models[m].name);
            jadd(mo, "alarm_type", models[m].alarm_type);
            jadd(mo, "default_model", models[m].default_model);
        });
        ipc_destroy(models);
        json_object_object_add(c, "models", model_list.release());
    });
    release_ipc_protocol(protocols);
    return json_reply(kReplyJson, jobject_with("protocols", std::move(list)).get());
}

int camera_ip_change(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    for (const char* key : {"macAddr", "oldIpcAddr", "newIpcAddr", "netmask", "gateway", "primaryDNS"})
        if (!jhas(r, key)) return 0;
    if (!jint_required_in(r, "port", 0, 65535)) return 0;
    if (!jhas(r, "username") || !jhas(r, "password")) return 0;
    if (!jint_required_in(r, "protocol", 0, kMaxProtocol)) return 0;

    IpChangeRecord rec = zeroed<IpChangeRecord>();
    fill_ip_change(r, rec);
    core_ask<camera_ip_change_reply>(kMsgIpChange, &rec, sizeof rec, kReplyJson, {kReplyIpChange});
    return 0;
}

int camera_ip_change_reply(const KxFrameHeader* header, const void* payload)
{
    i32 result = 0;
    if (!record_at(payload, header->length, 0, &result)) return 0;
    static const char* const kResults[] = {
        "{\"resultString\":\"OK\"}",           "{\"resultString\":\"NETWORK_ERR\"}",
        "{\"resultString\":\"INVALID_USER\"}", "{\"resultString\":\"UNKNOWN_ERR\"}",
        "{\"resultString\":\"PROTO_NOT_SUPPORT\"}",
    };
    cgi_reply(kReplyJson, result >= 0 && result < 5 ? kResults[result] : "{\"resultString\":\"ERROR\"}");
    core_reply_finish(1);
    return 0;
}

int camera_ip_change_many(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    const int cnt = jint(r, "cnt");
    json_object* cams = jget(r, "oIPCAddr");
    // Only elements that exist are sent, however large "cnt" is.
    for (int i = 0; i < cnt && i < jarray_length(cams); i++) {
        json_object* cam = json_object_array_get_idx(cams, size_t(i));
        IpChangeChannelRecord rec = zeroed<IpChangeChannelRecord>();
        fill_ip_change(cam, rec.change);
        rec.channel_id = jint(cam, "channelId");
        rec.modify_num = jint(cam, "modifynum");
        core_notify(kMsgIpChangeChannel, rec);
    }
    return cgi_reply_ok();
}

int camera_login_test(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = valid_login_test(req);
    if (!r) return 0;
    LoginTestRecord rec = login_test_record<LoginTestRecord>(r);
    core_ask<camera_login_test_reply>(kMsgLoginTest, &rec, sizeof rec, kReplyText, {kReplyLoginTest});
    return 0;
}

int camera_login_test2(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = valid_login_test(req);
    if (!r) return 0;
    LoginTestShortRecord rec = login_test_record<LoginTestShortRecord>(r);
    if (rec.manage_port < kMinManagePort) rec.manage_port = kMinManagePort;
    core_ask<camera_login_test2_reply>(kMsgLoginTest2, &rec, sizeof rec, kReplyText, {kReplyLoginTest2});
    return 0;
}

int camera_login_test_reply(const KxFrameHeader* header, const void* payload)
{
    return login_test_result(header, payload);
}

int camera_login_test2_reply(const KxFrameHeader* header, const void* payload)
{
    return login_test_result(header, payload);
}

int camera_poe_password(const char*)
{
    char password[64];
    get_param_value(kMainDb, "poepsd", password, sizeof password, "qz5824");
    return cgi_reply(kReplyText, password);
}

int camera_poe_ports(const char*)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", get_param_int(kMainDb, "max_poe_num", 0));
    return cgi_reply(kReplyText, text);
}
