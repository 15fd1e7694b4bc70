// PPPoE, DDNS, e-mail and multicast settings: one store row each. After a
// write the core daemon is told which section changed; it dials, updates
// the DDNS name and sends the mails. Account passwords are stored and given
// back to the settings page, and never written to the debug log.
#include <cstring>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/network/network.h"
#include "handlers/network/network_records.h"
#include "handlers/network/services.h"
#include "handlers/network/services_records.h"
#include "handlers/shared/reply_flow.h"
#include "platform/net.h"

namespace {

constexpr int kServiceLog = 204;
constexpr int kLogPppoe = 915, kLogDdns = 916, kLogMail = 917;

// Tells the core daemon which section changed, then logs the change.
void section_changed(const char* section, int log_param)
{
    notify_settings_changed(section);
    send_change_log(kServiceLog, log_param);
}

// An optional port: absent, or a port number.

}  // namespace

int pppoe_read(const char*)
{
    PppoeRow row;
    read_pppoe(kMainDb, &row);
    char address[kNetIpv4TextLen] = "0.0.0.0";
    net_get_ifaddr("ppp0", address);  // stays "0.0.0.0" while the link is down
    JsonPtr o = jobject();
    jadd(o.get(), "enable", row.enable);
    jadd(o.get(), "autoConnect", row.auto_connect);
    jadd_text(o.get(), "userName", row.user_name);
    jadd_text(o.get(), "password", row.password);
    jadd(o.get(), "pppoeipaddr", address);
    return json_reply(kReplyJson, o.get());
}

int pppoe_write(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jint_required_in(r, "enable", 0, 1)) return 0;
    // The account is the request's alone: nothing stored is kept.
    PppoeRow row = zeroed<PppoeRow>();
    row.enable = jint(r, "enable");
    row.auto_connect = jint(r, "autoConnect");
    jtext(r, "userName", row.user_name);
    jtext(r, "password", row.password);
    write_pppoe(kMainDb, row);
    section_changed("pppoe", kLogPppoe);
    return cgi_reply_ok();
}

int ddns_read(const char*)
{
    DdnsRow row;
    read_ddns(kMainDb, &row);
    char mac[18];
    device_macs(mac, nullptr);
    JsonPtr o = jobject();
    jadd(o.get(), "enable", row.enable);
    jadd_text(o.get(), "domain", row.domain);
    jadd_text(o.get(), "userName", row.user_name);
    jadd_text(o.get(), "password", row.password);
    jadd_text(o.get(), "hostName", row.host_name);
    jadd_text(o.get(), "ddnsurl", row.update_url);
    jadd_text(o.get(), "freeDNSHash", row.hash);
    jadd(o.get(), "updateFreq", row.update_freq);
    jadd(o.get(), "http_port", row.http_port);
    jadd(o.get(), "rtsp_port", row.rtsp_port);
    jadd(o.get(), "mac", mac);
    return json_reply(kReplyJson, o.get());
}

int ddns_write(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jint_required_in(r, "enable", 0, 1) || !jint_required_in(r, "updateFreq", 0, 0x7fffffff)) return 0;
    // The account is the request's alone: a key it leaves out is cleared.
    DdnsRow row = zeroed<DdnsRow>();
    row.enable = jint(r, "enable");
    jtext(r, "domain", row.domain);
    jtext(r, "userName", row.user_name);
    jtext(r, "password", row.password);
    jtext(r, "hostName", row.host_name);
    jtext(r, "ddnsurl", row.update_url);
    jtext(r, "freeDNSHash", row.hash);
    row.http_port = jint(r, "http");
    row.rtsp_port = jint(r, "rtsp");
    row.update_freq = jint(r, "updateFreq");
    write_ddns(kMainDb, row);
    section_changed("ddns", kLogDdns);
    return cgi_reply_ok();
}

int email_read(const char*)
{
    EmailRow mail;
    read_email(kMainDb, &mail);
    PortRow port;
    read_port(kMainDb, &port);
    JsonPtr o = jobject();
    jadd(o.get(), "enable", mail.enable);
    jadd_text(o.get(), "userName", mail.user_name);
    jadd_text(o.get(), "password", mail.password);
    jadd_text(o.get(), "smtpServer", mail.smtp_server);
    jadd(o.get(), "smtpPort", mail.smtp_port);
    jadd_text(o.get(), "senderAddr", mail.sender_addr);
    jadd_text(o.get(), "senderName", mail.sender_name);
    jadd(o.get(), "enableTls", mail.tls);
    jadd(o.get(), "enableAttach", mail.attach);
    jadd(o.get(), "captureInterval", mail.capture_interval);
    jadd(o.get(), "enableHostName", port.enable_host_name);
    jadd_text(o.get(), "hostName", port.host_name);
    JsonPtr receivers = jarray();
    for (const EmailReceiver& to : mail.receivers) {
        JsonPtr e = jobject();
        jadd_text(e.get(), "receiverAddr", to.address);
        jadd_text(e.get(), "receiverName", to.name);
        json_object_array_add(receivers.get(), e.release());
    }
    jadd_value(o.get(), "receivers", receivers.release());
    return json_reply(kReplyJson, o.get());
}

int email_write(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jint_required_in(r, "smtpPort", 0, 0x7fffffff) || !jint_required_in(r, "enableTls", 0, 2) ||
        !jint_required_in(r, "enableAttach", 0, 1) || !jint_required_in(r, "captureInterval", 0, 0x7fffffff))
        return 0;

    // Texts the request leaves out keep their stored values.
    EmailRow mail;
    read_email(kMainDb, &mail);
    mail.enable = jint(r, "enable");
    jtext(r, "userName", mail.user_name);
    jtext(r, "password", mail.password);
    jtext(r, "smtpServer", mail.smtp_server);
    mail.smtp_port = jint(r, "smtpPort");
    mail.tls = jint(r, "enableTls");
    mail.attach = jint(r, "enableAttach");
    mail.capture_interval = jint(r, "captureInterval");
    jtext(r, "senderName", mail.sender_name);
    jtext(r, "senderAddr", mail.sender_addr);
    // The receivers are the list's: entries past its end are cleared.
    json_object* list = jget(r, "receivers");
    if (list && json_object_is_type(list, json_type_array)) {
        size_t given = json_object_array_length(list);
        for (int k = 0; k < kEmailReceivers; k++) {
            EmailReceiver& to = mail.receivers[k];
            json_object* e = size_t(k) < given ? json_object_array_get_idx(list, size_t(k)) : nullptr;
            std::memset(to.address, 0, sizeof to.address);
            std::memset(to.name, 0, sizeof to.name);
            jtext(e, "receiverName", to.name);
            jtext(e, "receiverAddr", to.address);
        }
    }
    write_email(kMainDb, mail);

    PortRow port;
    read_port(kMainDb, &port);
    port.enable_host_name = jint(r, "enableHostName");
    jtext(r, "hostName", port.host_name);
    write_port(kMainDb, port);

    section_changed("mail", kLogMail);
    return cgi_reply_ok();
}

// 8409: "OK" when the test mail went out, else "ERROR".
int email_test_reply(const KxFrameHeader* header, const void* payload)
{
    i32 result;
    if (!record_at(payload, header->length, 0, &result)) return 0;
    return core_reply_text(result == 0 ? "OK" : "ERROR");
}

int email_test(const char*)
{
    char text[32];
    set_text(text, "testmail");
    core_ask<email_test_reply>(kMsgTestMail, text, sizeof text, kReplyText, {kReplyTestMail});
    return 0;
}

int multicast_read(const char*)
{
    MulticastRow row;
    read_multicast(kMainDb, &row);
    JsonPtr o = jobject();
    jadd(o.get(), "enable", row.enable);
    jadd_text(o.get(), "ip", row.address);
    return json_reply(kReplyJson, o.get());
}

int multicast_write(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return cgi_reply_error(kReplyJson);
    MulticastRow row;
    read_multicast(kMainDb, &row);
    jset(r, "enable", row.enable);
    jtext(r, "ip", row.address);
    write_multicast(kMainDb, row);
    core_ask<core_reply_int>(kMsgMulticast, &row, sizeof row, kCoreResReply, kReplyJson, {kReplyMulticast});
    return 0;
}
