// Network and services module ("/7000" table) and its reply callback.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/network/network.h"
#include "handlers/network/services.h"

static const ReplyRoute kNetworkReplies[] = {
    {6724, net_default_route_reply},
    {8409, email_test_reply},
    {6729, multicast_write_reply},
    {6701, time_apply_reply},
};

int network_reply(void*, const KxFrameHeader* header, const void* payload)
{
    return core_route_reply(kNetworkReplies, header, payload);
}

static const WebReqEntry kNetworkTable[] = {
    {"/7040", net_settings_read,
     "Reads the interface settings of a network mode | decimal: the mode to show (else the stored mode) | JSON | "
     "none"},
    {"/7041", net_settings_write,
     "Writes the interface settings of the stored or given mode | JSON: mode, primaryNet, enableNetwork1, "
     "networkType, ipAddr, netmask, gateway, DNS1, DNS2, mtu, ip6networkType, ip6Addr, ip6netmask, ip6gateway, the "
     "same keys with 2 for eth1, defaultRoute, Conflict, slaveClear | plain | 3023, 1702, 3485"},
    {"/7043", net_apply, "Tells the core daemon to apply the network settings | none | plain | 1712"},
    {"/7042", net_mode_read, "Reads the stored network mode | none | plain (the mode, or -1) | none"},
    {"/7044", net_mac_read, "Reads the device MAC address | none | JSON (mac0) | none"},
    {"/7000", time_read, "Reads the clock and the stored time, time zone and NTP settings | none | JSON | none"},
    {"/7001", time_write, "Stores the time, time zone and NTP settings and has the core daemon apply them | JSON: ntpEnable, dstEnable, timeZone, timeZoneName, syncEnable, syncInterval, syncPc, ntpServer, manualTime, failoverMode | plain (JSON CGI ERROR when the daemon does not confirm) | 1701 wait, 1711, 3485"},
    {"/7096", net_default_route,
     "Sets the port that carries the default route | JSON: defaultRoute | JSON (res) | 1724 wait"},
    {"/7010", pppoe_read, "Reads the PPPoE account and the dial-up address | none | JSON | none"},
    {"/7011", pppoe_write,
     "Writes the PPPoE account | JSON: enable, autoConnect, userName, password | plain (OK; nothing for bad input) | "
     "1702, 3485"},
    {"/7020", ddns_read, "Reads the DDNS account | none | JSON | none"},
    {"/7021", ddns_write,
     "Writes the DDNS account | JSON: enable, domain, userName, password, hostName, ddnsurl, freeDNSHash, updateFreq, "
     "http, rtsp | plain (OK; nothing for bad input) | 1702, 3485"},
    {"/7030", email_read, "Reads the e-mail account, its receivers and the sender host name | none | JSON | none"},
    {"/7031", email_write,
     "Writes the e-mail account, its receivers and the sender host name | JSON: enable, userName, password, "
     "smtpServer, smtpPort, senderAddr, senderName, enableTls, enableAttach, captureInterval, receivers, "
     "enableHostName, hostName | plain (OK; nothing for bad input) | 1702, 3485"},
    {"/7050", service_ports_read, "Reads the service ports, channel access and push-message settings | none | JSON | "
                                  "none"},
    {"/7093", poe_ports_read, "Reads the number of PoE ports | none | JSON | none"},
    {"/7051", service_ports_write,
     "Writes the service ports, SSH switch and push-message settings | JSON: enableSsh, sshPort, httpPort, rtspPort, "
     "servicePort, httpsPort, posPort, enableAccess, enableMsg, needReboot, channel_num, pushType, "
     "PushTypeNvrAlarmIn, pushTypeArr, pushNvrPos, pushVideoStream | plain (OK, POE_Port_Error or POS_Port_Error) | "
     "3618, 1422, 3617, 3485, 1702, 1703"},
    {"/7032", email_test, "Sends a test mail | none | plain (OK or ERROR) | 3409 wait"},
    {"/7092", channel_access_read, "Reads the channel-access switch | none | JSON | none"},
    {"/7033", multicast_read, "Reads the multicast address of the live streams | none | JSON | none"},
    {"/7034", multicast_write,
     "Writes the multicast switch and address | JSON: enable, ip | JSON (res) | 1729 wait"},
};

NVR_MODULE(network, kModNetwork, kNetworkTable)
