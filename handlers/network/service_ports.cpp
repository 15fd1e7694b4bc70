// Service ports (SSH, HTTP, HTTPS, RTSP, service and POS), the SSH switch,
// channel access and the push-message settings. A port being changed must
// be a port number, must differ from the recorder's other service ports,
// must not be reserved for PoE cameras and must not be in use; a refused
// port answers its error and changes nothing.
#include <algorithm>
#include <cstdio>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/network/network.h"
#include "handlers/network/network_records.h"
#include "handlers/network/services.h"
#include "handlers/network/services_records.h"
#include "handlers/shared/reply_flow.h"

namespace {

constexpr int kServiceLog = 204, kRebootLog = 200;
constexpr int kLogPorts = 918, kLogReboot = 900;
constexpr int kMaxPort = 65535;
constexpr const char* kPortError = "POE_Port_Error";
constexpr const char* kPosPortError = "POS_Port_Error";

// The stored push switch: "0" or "1".
int push_switch()
{
    int v = get_param_int(kMainDb, kKeyPushEnable, 0);
    return v == 1 ? 1 : 0;
}

// The ports a request may change, in the order they are checked.
struct CheckedPort {
    i32 PortRow::*field;
    const char* error;
};
const CheckedPort kCheckedPorts[] = {
    {&PortRow::ssh_port, kPortError},   {&PortRow::http_port, kPortError}, {&PortRow::https_port, kPortError},
    {&PortRow::rtsp_port, kPortError},  {&PortRow::pos_port, kPosPortError},
};
// Every service port of the recorder (no two may be the same).
constexpr i32 PortRow::*kServicePorts[] = {&PortRow::ssh_port,   &PortRow::http_port,    &PortRow::https_port,
                                           &PortRow::rtsp_port,  &PortRow::service_port, &PortRow::pos_port};

// The error text of the first changed port that cannot be taken, or null.
const char* refused_port(const PortRow& stored, const PortRow& wanted)
{
    for (const CheckedPort& c : kCheckedPorts) {
        int port = wanted.*c.field;
        if (port == stored.*c.field) continue;  // unchanged ports are not checked
        if (port < 1 || port > kMaxPort) return c.error;
        for (i32 PortRow::*other : kServicePorts)
            if (other != c.field && wanted.*other == port) return c.error;
        if (service_port_taken(port)) return c.error;
    }
    return nullptr;
}

bool required(json_object* r, const char* key, int low, int high)
{
    if (!jhas(r, key)) return false;
    int v = jint(r, key);
    return v >= low && v <= high;
}

}  // namespace

int service_ports_read(const char*)
{
    PortRow port;
    read_port(kMainDb, &port);
    int channels = std::clamp(get_param_int(kMainDb, "max_cameras", 0), 0, kPushChannels);
    PushEventRow events[kPushChannels];
    read_push_msg_events(kMainDb, events, channels);
    PushPosRow pos;
    read_push_msg_nvr_event(kMainDb, &pos);

    JsonPtr o = jobject();
    jadd(o.get(), "enableSsh", port.enable_ssh);
    jadd(o.get(), "sshPort", port.ssh_port);
    jadd(o.get(), "httpPort", port.http_port);
    jadd(o.get(), "httpsPort", port.https_port);
    jadd(o.get(), "rtspPort", port.rtsp_port);
    jadd(o.get(), "servicePort", port.service_port);
    jadd(o.get(), "posPort", port.pos_port);
    jadd(o.get(), "enable_access", get_param_int(kMainDb, kKeyChannelAccess, 0));
    JsonPtr types = jarray();
    for (int i = 0; i < channels; i++) json_object_array_add(types.get(), json_object_new_int(events[i].event_mask));
    jadd_value(o.get(), "PushTypeArr", types.release());
    jadd(o.get(), "PushNvrAlarmInType", get_param_int(kMainDb, kKeyPushAlarmInType, 65535));
    jadd(o.get(), "enableMsg", push_switch());
    jadd(o.get(), "push_stream", get_param_int(kMainDb, kKeyPushStream, 0));
    jadd_text(o.get(), "pushNvrPos", pos.text);
    return json_reply(kReplyJson, o.get());
}

int service_ports_write(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !required(r, "enableSsh", 0, 1)) return 0;
    for (const char* key : {"sshPort", "httpPort", "rtspPort", "servicePort", "enableMsg"})
        if (!required(r, key, 0, 0x7fffffff)) return 0;

    // The service port is checked above but keeps its stored value; the
    // HTTPS and POS ports keep theirs when the request leaves them out.
    PortRow stored;
    read_port(kMainDb, &stored);
    PortRow port = stored;
    port.enable_ssh = jint(r, "enableSsh");
    port.ssh_port = jint(r, "sshPort");
    port.http_port = jint(r, "httpPort");
    port.rtsp_port = jint(r, "rtspPort");
    jset(r, "httpsPort", port.https_port);
    jset(r, "posPort", port.pos_port);
    if (const char* error = refused_port(stored, port)) return cgi_reply(kReplyText, error);

    // Push settings; those the request leaves out keep their stored values.
    if (jhas(r, "pushType")) set_param_int(kMainDb, kKeyPushType, jint(r, "pushType"));
    if (jhas(r, "PushTypeNvrAlarmIn")) set_param_int(kMainDb, kKeyPushAlarmInType, jint(r, "PushTypeNvrAlarmIn"));
    json_object* types = jget(r, "pushTypeArr");
    if (types && json_object_is_type(types, json_type_array)) {
        int count = std::min({jint(r, "channel_num"), int(json_object_array_length(types)), kPushChannels});
        PushEventRow events[kPushChannels];
        for (int i = 0; i < count; i++)
            events[i] = PushEventRow{i, json_object_get_int(json_object_array_get_idx(types, size_t(i)))};
        if (count > 0) write_push_msg_events(kMainDb, events, count);
    }
    if (jhas(r, "enableAccess")) {
        i32 access = jint(r, "enableAccess");
        if (access != get_param_int(kMainDb, kKeyChannelAccess, 0)) core_notify(kMsgChannelAccess, access);
    }

    write_port(kMainDb, port);
    int enable_msg = jint(r, "enableMsg");
    put_param_value(kMainDb, kKeyPushEnable, enable_msg == 1 ? "1" : "0");
    if (port.pos_port != stored.pos_port) core_notify(kMsgPosPort, port.pos_port);
    PushPosRow pos;
    read_push_msg_nvr_event(kMainDb, &pos);
    if (jtext(r, "pushNvrPos", pos.text, 64)) write_push_msg_nvr_event(kMainDb, pos);
    if (jhas(r, "pushVideoStream")) set_param_int(kMainDb, kKeyPushStream, jint(r, "pushVideoStream"));

    char push[10] = {};
    push[0] = push_switch() ? '1' : '0';
    core_notify(kMsgPushSwitch, push);
    send_change_log(kServiceLog, kLogPorts);
    cgi_reply_ok();
    notify_settings_changed("more");
    if (jint(r, "needReboot") != 0) {
        send_change_log(kRebootLog, kLogReboot);
        core_notify(kMsgReboot, nullptr, 0);
    }
    return 0;
}

int channel_access_read(const char*)
{
    JsonPtr o = jobject();
    jadd(o.get(), "access", get_param_int(kMainDb, kKeyChannelAccess, 0));
    return json_reply(kReplyJson, o.get());
}

int poe_ports_read(const char*)
{
    JsonPtr o = jobject();
    jadd(o.get(), "max_poe_num", get_param_int(kMainDb, kKeyPoePorts, 0));
    return json_reply(kReplyJson, o.get());
}
