// SNMP agent settings with the service ports the agent page shows, and two
// status questions to the core daemon. A changed agent port is checked like
// a service port: a port number, no other service's port, not reserved for
// PoE cameras and not in use; a refused port writes nothing.
#include <cstring>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/network/access_services.h"
#include "handlers/network/network.h"
#include "handlers/network/network_records.h"
#include "handlers/network/services.h"
#include "handlers/network/services_records.h"
#include "handlers/network/snmp_records.h"
#include "handlers/shared/reply_flow.h"

namespace {

constexpr int kMaxPort = 65535;

// The row's fields in order, with their JSON keys: a number or a text.
struct SnmpField {
    const char* key;
    i32 SnmpRow::*number;
    char (SnmpRow::*text)[64];
};
const SnmpField kSnmpFields[] = {
    {"v1_enable", &SnmpRow::v1_enable, nullptr},
    {"v2c_enable", &SnmpRow::v2c_enable, nullptr},
    {"write_community", nullptr, &SnmpRow::write_community},
    {"read_community", nullptr, &SnmpRow::read_community},
    {"v3_enable", &SnmpRow::v3_enable, nullptr},
    {"read_security_name", nullptr, &SnmpRow::read_security_name},
    {"read_level_security", &SnmpRow::read_level_security, nullptr},
    {"read_auth_algorithm", &SnmpRow::read_auth_algorithm, nullptr},
    {"read_auth_password", nullptr, &SnmpRow::read_auth_password},
    {"read_pri_algorithm", &SnmpRow::read_pri_algorithm, nullptr},
    {"read_pri_password", nullptr, &SnmpRow::read_pri_password},
    {"write_security_name", nullptr, &SnmpRow::write_security_name},
    {"write_level_security", &SnmpRow::write_level_security, nullptr},
    {"write_auth_algorithm", &SnmpRow::write_auth_algorithm, nullptr},
    {"write_auth_password", nullptr, &SnmpRow::write_auth_password},
    {"write_pri_algorithm", &SnmpRow::write_pri_algorithm, nullptr},
    {"write_pri_password", nullptr, &SnmpRow::write_pri_password},
    {"port", &SnmpRow::port, nullptr},
};

// True when the agent may not take `port`.
bool port_refused(int port)
{
    if (port < 1 || port > kMaxPort) return true;
    PortRow services;
    read_port(kMainDb, &services);
    for (int taken : {services.ssh_port, services.http_port, services.https_port, services.rtsp_port,
                      services.service_port, services.pos_port})
        if (taken == port) return true;
    return service_port_taken(port);
}

}  // namespace

int snmp_read(const char*)
{
    SnmpRow row;
    read_snmp(kMainDb, &row);
    PortRow ports;
    read_port(kMainDb, &ports);
    JsonPtr o = jobject();
    for (const SnmpField& f : kSnmpFields) {
        if (f.number) jadd(o.get(), f.key, row.*f.number);
        else jadd_text(o.get(), f.key, row.*f.text);
    }
    jadd(o.get(), "sshPort", ports.ssh_port);
    jadd(o.get(), "httpPort", ports.http_port);
    jadd(o.get(), "rtspPort", ports.rtsp_port);
    jadd(o.get(), "httpsPort", ports.https_port);
    return json_reply(kReplyJson, o.get());
}

int snmp_write(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    SnmpRow row;
    read_snmp(kMainDb, &row);
    int port = jint(r, "port");
    if (port != row.port && port_refused(port)) return cgi_reply(kReplyText, "POE_Port_Error");
    // Numbers a request leaves out read as 0; texts it leaves out keep
    // their stored values.
    for (const SnmpField& f : kSnmpFields) {
        if (f.number) row.*f.number = jint(r, f.key);
        else jtext(r, f.key, row.*f.text);
    }
    write_snmp(kMainDb, row);
    notify_settings_changed("snmp");
    return cgi_reply_ok();
}

int snmp_status(const char*)
{
    core_ask<core_reply_int>(kMsgSnmpStatus, nullptr, 0, kCoreStatusReply, kReplyJson, {kReplySnmpStatus});
    return 0;
}

// 7302: any answer is a success.
int snmp_check_reply(const KxFrameHeader*, const void*)
{
    JsonPtr o = jobject();
    jadd(o.get(), "res", 0);
    return core_reply_json(o.get());
}

int snmp_check(const char*)
{
    core_ask<snmp_check_reply>(kMsgSnmpCheck, nullptr, 0, kReplyJson, {kReplySnmpCheck});
    return 0;
}
