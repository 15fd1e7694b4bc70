// Network interfaces: the settings of the two ports or of the bond, the
// stored mode, the device MAC address and the default route. The settings
// live in the network row; the core daemon applies them.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/network/network.h"
#include "handlers/network/network_records.h"
#include "platform/net.h"

namespace {

constexpr int kNetLog = 204, kConflictLog = 406, kNetLogParam = 914;
constexpr u32 kMainTypeException = 32;

// JSON names of one interface's settings: the bond and eth0 use the
// unsuffixed names, eth1 the suffixed ones.
struct Ipv4Keys {
    const char* enable;
    const char* type;
    const char* address;
    const char* netmask;
    const char* gateway;
    const char* dns1;
    const char* dns2;
    const char* mtu;
    const char* mac;
};
struct Ipv6Keys {
    const char* type;
    const char* address;
    const char* prefix;
    const char* gateway;
};
constexpr Ipv4Keys kIpv4Keys[2] = {
    {"enableNetwork1", "networkType", "ipAddr", "netmask", "gateway", "DNS1", "DNS2", "mtu", "macAddr"},
    {"enableNetwork2", "networkType2", "ipAddr2", "netmask2", "gateway2", "DNS12", "DNS22", "mtu2", "macAddr2"},
};
constexpr Ipv6Keys kIpv6Keys[2] = {
    {"ip6networkType", "ip6Addr", "ip6netmask", "ip6gateway"},
    {"ip6networkType2", "ip6Addr2", "ip6netmask2", "ip6gateway2"},
};
const char* const kPortNames[2] = {"eth0", "eth1"};

// ---- read ----

// The address keys of one interface, after "enable" ... "gateway".
void add_ipv4_address(json_object* o, const Ipv4Keys& k, const NetIpv4Set& s)
{
    jadd(o, k.enable, s.enable);
    jadd(o, k.type, s.type);
    jadd_text(o, k.address, s.address);
    jadd_text(o, k.netmask, s.netmask);
    jadd_text(o, k.gateway, s.gateway);
}

void add_ipv4_dns_mtu(json_object* o, const Ipv4Keys& k, const NetIpv4Set& s)
{
    jadd_text(o, k.dns1, s.dns1);
    jadd_text(o, k.dns2, s.dns2);
    jadd(o, k.mtu, s.mtu);
}

// The IPv6 address, prefix and gateway of an interface: the stored values
// for type 0, and for type 1 when an address and prefix are stored; else
// what the interface has now, leaving out what it does not have.
void add_ipv6(json_object* o, const Ipv6Keys& k, const char* ifname, int type, const NetIpv6Set& s)
{
    if (type == 0 || (type == 1 && s.address[0] && s.prefix[0])) {
        jadd_text(o, k.address, s.address);
        jadd_text(o, k.prefix, s.prefix);
        jadd_text(o, k.gateway, s.gateway);
        return;
    }
    char address[kNetIpv6TextLen] = {}, prefix[kNetPrefixTextLen] = {};
    if (net_get_ipv6_ifaddr(type == 1 ? kNetScopeLinkLocal : kNetScopeGlobal, ifname, address, prefix) == 0) {
        jadd(o, k.address, address);
        jadd(o, k.prefix, prefix);
    }
    char gateway[kNetIpv6TextLen] = {};
    if (net_get_ipv6_gateway2(kNetScopeGlobal, ifname, gateway) == 0 ||
        net_get_ipv6_gateway2(kNetScopeLinkLocal, ifname, gateway) == 0)
        jadd(o, k.gateway, gateway);
}

void reply_bond(int mode, const char* mac0)
{
    NetworkBondView v;
    read_network_bond(kMainDb, &v);
    const Ipv4Keys& k = kIpv4Keys[0];
    JsonPtr o = jobject();
    jadd(o.get(), "mode", mode);
    jadd_text(o.get(), "hostName", v.host_name);
    jadd(o.get(), "primaryNet", v.primary_net);
    add_ipv4_address(o.get(), k, v.bond);
    jadd(o.get(), k.mac, mac0);
    add_ipv4_dns_mtu(o.get(), k, v.bond);
    jadd(o.get(), kIpv6Keys[0].type, v.bond6_type);
    add_ipv6(o.get(), kIpv6Keys[0], "bond0", v.bond6_type, v.bond6);
    jadd(o.get(), "defaultRoute", v.default_route);
    json_reply(kReplyJson, o.get());
}

void reply_ports(const char* mac0, const char* mac1)
{
    NetworkMutiView v;
    read_network_muti(kMainDb, &v);
    const char* macs[2] = {mac0, mac1};
    JsonPtr o = jobject();
    jadd(o.get(), "mode", kNetModeSeparate);
    jadd_text(o.get(), "hostName", v.host_name);
    for (int i = 0; i < 2; i++) {
        add_ipv4_address(o.get(), kIpv4Keys[i], v.port[i]);
        jadd(o.get(), kIpv6Keys[i].type, v.port6_type[i]);
        add_ipv6(o.get(), kIpv6Keys[i], kPortNames[i], v.port6_type[i], v.port6[i]);
        jadd(o.get(), kIpv4Keys[i].mac, macs[i]);
        add_ipv4_dns_mtu(o.get(), kIpv4Keys[i], v.port[i]);
    }
    jadd(o.get(), "defaultRoute", v.default_route);
    json_reply(kReplyJson, o.get());
}

// ---- write ----

// Copies the settings the request names; the others keep their values.
void take_ipv4(json_object* r, const Ipv4Keys& k, NetIpv4Set& s)
{
    jset(r, k.enable, s.enable);
    jset(r, k.type, s.type);
    jtext(r, k.address, s.address);
    jtext(r, k.netmask, s.netmask);
    jtext(r, k.gateway, s.gateway);
    jtext(r, k.dns1, s.dns1);
    jtext(r, k.dns2, s.dns2);
    jset(r, k.mtu, s.mtu);
}

// The gateway of an interface whose gateway is learned on the link is not
// stored.
void take_ipv6(json_object* r, const Ipv6Keys& k, i32& type, NetIpv6Set& s)
{
    jset(r, k.type, type);
    jtext(r, k.address, s.address);
    jtext(r, k.prefix, s.prefix);
    if (type != kIpv6TypeLinkGateway) jtext(r, k.gateway, s.gateway);
}

void send_net_log(u32 main_type, int sub_type)
{
    OpLogRecord log;
    oplog_prepare(&log);
    log.main_type = main_type;
    log.sub_type = sub_type;
    log.param_type = kNetLogParam;
    core_send_oplog(log);
}

}  // namespace

int net_settings_read(const char* request)
{
    if (!request || !request[0]) return 0;
    char* end = nullptr;
    long shown = std::strtol(request, &end, 10);
    if (end == request || shown < kNetModeSeparate || shown > kNetModeBondPrimary)
        shown = read_network_mode(kMainDb);
    char mac0[18], mac1[18];
    device_macs(mac0, mac1);
    if (shown == kNetModeBond || shown == kNetModeBondPrimary)
        reply_bond(int(shown), mac0);
    else
        reply_ports(mac0, mac1);
    return 0;
}

void notify_settings_changed(const char* area)
{
    char name[32];
    set_text(name, area);
    core_notify(kMsgSettingsChanged, name);
}

int net_settings_write(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    // A request without "mode" changes the settings of the stored mode. A
    // mode is stored as given: every mode but 0 writes the bonded view.
    int mode = read_network_mode(kMainDb);
    if (mode < 0) mode = kNetModeSeparate;  // nothing stored yet
    jset(r, "mode", mode);
    int conflict = jint(r, "Conflict");
    i32 slave_clear = jint(r, "slaveClear");

    if (mode != kNetModeSeparate) {
        NetworkBondView v;
        read_network_bond(kMainDb, &v);
        v.mode = mode;
        if (mode == kNetModeBondPrimary) jset(r, "primaryNet", v.primary_net);
        take_ipv4(r, kIpv4Keys[0], v.bond);
        take_ipv6(r, kIpv6Keys[0], v.bond6_type, v.bond6);
        write_network_bond(kMainDb, v);
    } else {
        NetworkMutiView v;
        read_network_muti(kMainDb, &v);
        v.mode = mode;
        for (int i = 0; i < 2; i++) {
            take_ipv4(r, kIpv4Keys[i], v.port[i]);
            take_ipv6(r, kIpv6Keys[i], v.port6_type[i], v.port6[i]);
        }
        jset(r, "defaultRoute", v.default_route);
        write_network_muti(kMainDb, v);
    }

    core_notify(kMsgNetSlaveClear, slave_clear);
    notify_settings_changed("network");
    send_net_log(4, kNetLog);
    if (conflict == 1) send_net_log(kMainTypeException, kConflictLog);
    return cgi_reply_ok();
}

int net_mode_read(const char*)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", read_network_mode(kMainDb));
    return cgi_reply(kReplyText, text);
}

int net_apply(const char*)
{
    u8 zeros[32] = {};
    core_notify(kMsgNetApply, zeros);
    return cgi_reply_ok();
}

int net_mac_read(const char*)
{
    char mac[32] = {};
    read_mac_conf(mac);
    // Pairs of characters joined by ':' ("025E7A0A19C8" -> "02:5E:7A:0A:19:C8").
    std::string text;
    for (size_t i = 0; mac[i]; i++) {
        text += mac[i];
        if (i % 2 == 1 && mac[i + 1] && std::isalnum(static_cast<unsigned char>(mac[i + 1]))) text += ':';
    }
    JsonPtr o = jobject();
    jadd(o.get(), "mac0", text.c_str());
    return json_reply(kReplyJson, o.get());
}

int net_default_route(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    NetworkRow row;
    if (!r || read_network(kMainDb, &row) != 0) return cgi_reply_error(kReplyJson);
    jset(r, "defaultRoute", row.default_route);
    write_network(kMainDb, row);
    i32 route = row.default_route;
    core_ask<core_reply_int>(kMsgNetDefaultRoute, &route, sizeof route, kCoreResReply, kReplyJson,
                             {kReplyNetDefaultRoute});
    return 0;
}
