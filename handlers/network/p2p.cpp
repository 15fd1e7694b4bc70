// P2P cloud service: its state and switch through the core daemon, the
// registration of the recorder with the P2P server (an encrypted exchange
// through the P2P client library), and two address checks of the core
// daemon. A registration reports every failure only by its result code and
// stores nothing.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/core.h"
#include "common/json.h"
#include "platform/paths.h"
#include "common/reply.h"
#include "handlers/network/access_services.h"
#include "handlers/network/network.h"
#include "handlers/network/p2p_records.h"
#include "handlers/shared/reply_flow.h"
#include "platform/p2p_client.h"

namespace {

// Where the P2P server is: the configured "host" or "host:port".
void p2p_server(std::string* host, int* port)
{
    char text[256];
    get_param_value(kMainDb, kKeyP2pServer, text, sizeof text, kP2pDefaultServer);
    *host = text[0] ? text : kP2pDefaultServer;
    *port = kP2pServerPort;
    size_t colon = host->rfind(':');
    if (colon == std::string::npos || host->find(':') != colon) return;  // none, or an IPv6 address
    std::string digits = host->substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return;
    int p = std::atoi(digits.c_str());
    if (p < 1 || p > 65535) return;
    *port = p;
    host->resize(colon);
}

P2pRegRequest registration_of(json_object* r)
{
    P2pRegRequest body = zeroed<P2pRegRequest>();
    char mac[18] = "";
    device_macs(mac, nullptr);
    set_text(body.mac, mac);
    jtext(r, "deviceName", body.device_name);
    jtext(r, "sn", body.sn);
    P2pInfoRow info;
    read_p2p_info(kMainDb, &info);
    for (int i = 0; i < 3; i++) std::memcpy(body.text[i], info.text[i], sizeof body.text[i]);
    std::memcpy(body.tag, info.tag, sizeof body.tag);
    // Stored texts may fill their fields: each still ends in a zero.
    for (auto& t : body.text) t[sizeof t - 1] = 0;
    body.tag[sizeof body.tag - 1] = 0;
    return body;
}

// The exchange on a created socket; the result code.
int exchange(P2pSocket* sock, const P2pRegRequest& body)
{
    std::string host;
    int port = 0;
    p2p_server(&host, &port);
    if (socket_connect(sock, host.c_str(), port) != 0) return kP2pNetwork;

    std::string key = nvr_path(kP2pKeyFile);
    make_dirs(key.substr(0, key.rfind('/')));
    if (p2p_create_keyfile(key.c_str()) != 0 || p2p_cli_switch_keyfile(sock, key.c_str()) != 0) return kP2pKeyFailed;

    P2pRegHeader head = zeroed<P2pRegHeader>();
    head.kind = 2;
    head.size = rsa_cal_ensize(int(sizeof body));
    head.version = 1;
    std::vector<char> work(kP2pWork);
    if (p2p_send(sock, &head, int(sizeof head), work.data(), kP2pWork) < 0 ||
        p2p_send(sock, &body, int(sizeof body), work.data(), kP2pWork) < 0)
        return kP2pNetwork;

    std::vector<char> answer(size_t(rsa_cal_ensize(int(sizeof head))));
    P2pRegHeader got;
    int n = p2p_recv(sock, answer.data(), int(answer.size()));
    if (!record_at(answer.data(), size_t(std::max(n, 0)), 0, &got)) return kP2pNetwork;
    if (got.status == kP2pRegRefused) return kP2pRefused;
    if (got.status != kP2pRegAccepted) return kP2pDone;

    // Accepted: the server's text (its first 128 bytes) goes to the core daemon.
    n = p2p_recv(sock, work.data(), kP2pWork);
    if (n < 0) return kP2pNetwork;
    char text[129] = "";
    std::memcpy(text, work.data(), size_t(std::min(n, 128)));
    core_notify(kMsgP2pEnable, text, u32(std::strlen(text)));
    return kP2pDone;
}

const char* enable_result_text(i32 result)
{
    switch (result) {
    case 0: return "ERR_OK";
    case 2: return "ERR_NOTFOUND";
    case 3: return "ERR_NETWORK";
    case 5: return "ERR_MAC_FORMAT";
    case 6: return "ERR_AUTH_FAILED";
    case 7: return "ERR_NO_UUID";
    default: return "ERR_UNKNOWN";
    }
}

}  // namespace

int p2p_state_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<P2pState>(header, payload, kReplyJson, [](json_object* o, const P2pState& s) {
        jadd(o, "enable", s.enable);
        jadd_text(o, "company", s.company);
        jadd_text(o, "email", s.email);
        jadd(o, "p2pstatus", s.status);
        jadd_text(o, "cloudAccount", s.cloud_account);
        jadd_text(o, "registerCode", s.register_code);
        jadd_text(o, "dealer", s.dealer);
        jadd_text(o, "model", s.model);
        jadd_text(o, "ipc", s.ipc);
        jadd_text(o, "cloudServer", s.cloud_server);
    });
}

int p2p_state(const char*)
{
    core_ask<p2p_state_reply>(kMsgP2pState, nullptr, 0, kReplyJson, {kReplyP2pState});
    return 0;
}

// 8700: the result of switching the service on, as a text. A reply too
// short for its result counts as an unknown one.
int p2p_enable_reply(const KxFrameHeader* header, const void* payload)
{
    i32 result = -1;
    record_at(payload, header->length, 0, &result);
    return core_reply_text(enable_result_text(result));
}

// 8701: "OK" when the service was switched off.
int p2p_disable_reply(const KxFrameHeader* header, const void* payload)
{
    i32 result = -1;
    record_at(payload, header->length, 0, &result);
    return core_reply_text(result == 0 ? "OK" : "ERR");
}

int p2p_switch(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return cgi_reply_error(kReplyText);
    int enable = jint(r, "enableP2P");
    if (enable != 0) {
        P2pInfoRow row = zeroed<P2pInfoRow>();
        row.enable = enable;
        core_ask<p2p_enable_reply>(kMsgP2pEnable, &row, sizeof row, kReplyText, {kReplyP2pEnable});
        return 0;
    }
    // Switching off is stored at once; the core daemon then confirms.
    P2pInfoRow row;
    read_p2p_info(kMainDb, &row);
    row.enable = 0;
    write_p2p_info(kMainDb, row);
    core_ask<p2p_disable_reply>(kMsgP2pDisable, &row, sizeof row, kReplyText, {kReplyP2pDisable});
    return 0;
}

int p2p_register(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    P2pRegRequest body = registration_of(r);
    P2pSocket* sock = socket_create();
    int result = sock ? exchange(sock, body) : kP2pNetwork;
    socket_destroy(sock);
    char text[16];
    std::snprintf(text, sizeof text, "%d", result);
    return cgi_reply(kReplyText, text);
}

// 8005, 8006: "0" when the address checked out, else "-1".
int p2p_check_reply(const KxFrameHeader* header, const void* payload)
{
    i32 result = -1;
    record_at(payload, header->length, 0, &result);
    return core_reply_text(result == 0 ? "0" : "-1");
}

int p2p_addr_check(const char* request)
{
    return ask_with_request<p2p_check_reply>(
        request, kMsgAddrCheck, kReplyText, {kReplyAddrCheck}, BadRequest::kError, [](json_object* r) {
            P2pAddrCheck check = zeroed<P2pAddrCheck>();
            jtext(r, "ip", check.ip);
            return check;
        });
}

int p2p_dev_addr_check(const char* request)
{
    return ask_with_request<p2p_check_reply>(
        request, kMsgDevAddrCheck, kReplyText, {kReplyDevAddrCheck}, BadRequest::kError, [](json_object* r) {
            P2pDevAddrCheck check = zeroed<P2pDevAddrCheck>();
            jtext(r, "dev", check.dev);
            jtext(r, "ip", check.ip);
            return check;
        });
}
