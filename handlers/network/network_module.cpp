// Network and services module ("/7000" table) and its reply callback.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/network/network.h"

static const ReplyRoute kNetworkReplies[] = {
    {6724, net_default_route_reply},
    {6701, time_apply_reply},
};

int network_reply(void*, const KxFrameHeader* header, const void* payload)
{
    return core_route_reply(kNetworkReplies, header, payload);
}

static const WebReqEntry kNetworkTable[] = {
    {"/7040", net_settings_read, "Reads the settings of the network interfaces (the requested or stored mode) | decimal: network mode | JSON | none"},
    {"/7041", net_settings_write, "Stores the network interface settings | JSON: mode, hostName, primaryNet, enableNetwork1, networkType, ipAddr, netmask, gateway, DNS1, DNS2, mtu, ip6networkType, ip6Addr, ip6netmask, ip6gateway, defaultRoute, ... (eth1 keys suffixed 2), Conflict, slaveClear | plain | 3023, 1702, 3485"},
    {"/7043", net_apply, "Has the core daemon apply the stored network settings | none | plain | 1712"},
    {"/7042", net_mode_read, "Reads the stored network mode | none | plain (the mode number) | none"},
    {"/7044", net_mac_read, "Reads the device MAC address | none | JSON | none"},
    {"/7000", time_read, "Reads the clock and the stored time, time zone and NTP settings | none | JSON | none"},
    {"/7001", time_write, "Stores the time, time zone and NTP settings and has the core daemon apply them | JSON: ntpEnable, dstEnable, timeZone, timeZoneName, syncEnable, syncInterval, syncPc, ntpServer, manualTime, failoverMode | plain (JSON CGI ERROR when the daemon does not confirm) | 1701 wait, 1711, 3485"},
    {"/7096", net_default_route, "Chooses the port that carries the default route | JSON: defaultRoute | JSON | 1724 wait"},
};

NVR_MODULE(network, kModNetwork, kNetworkTable)
