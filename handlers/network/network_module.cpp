// Network and services module ("/7000" table).
#include "front/webreq.h"
#include "handlers/network/access_services.h"
#include "handlers/network/network.h"
#include "handlers/network/services.h"

static const WebReqEntry kNetworkTable[] = {
    {"/7000", time_read, "Reads the clock and the stored time, time zone and NTP settings | none | JSON"
     " {dateYear:s, dateMon:s, dateDay:s, dateHour:s, dateMin:s, dateSec:s, serverTime:s, "
     "ntpEnable:i, dstEnable:i, timeZone:s, timeZoneName:s, ntpServer:s, syncEnable:i, "
     "syncInterval:i, syncPc:i}"
     " | none"},
    {"/7001", time_write, "Stores the time, "
     "time zone and NTP settings and has the core daemon apply them | JSON: ntpEnable:i(0..1), dstEnable:i(0..1), "
     "timeZone:s(31), timeZoneName:s(31), syncEnable:i, syncInterval:i, syncPc:i, ntpServer:s(63), manualTime:s(29), "
     "failoverMode:i | plain (JSON CGI ERROR when the daemon does not confirm or a text holds quotes or control "
     "characters) | 1701 wait, 1711, 3485"},
    {"/7010", pppoe_read, "Reads the PPPoE account and the dial-up address | none | JSON"
     " {enable:i, autoConnect:i, userName:s, password:s, pppoeipaddr:s}"
     " | none"},
    {"/7011", pppoe_write,
     "Writes the PPPoE account | JSON: enable:i(0..1), autoConnect:i, userName:s(63), "
     "password:s(63) | plain (OK; nothing for bad input) | "
     "1702, 3485"},
    {"/7020", ddns_read, "Reads the DDNS account | none | JSON"
     " {enable:i, domain:s, userName:s, password:s, hostName:s, ddnsurl:s, freeDNSHash:s, "
     "updateFreq:i, http_port:i, rtsp_port:i, mac:s}"
     " | none"},
    {"/7021", ddns_write,
     "Writes the DDNS account | JSON: enable:i(0..1), domain:s(63), userName:s(31), password:s(31), "
     "hostName:s(127), ddnsurl:s(127), freeDNSHash:s(127), updateFreq:i(0..2147483647), "
     "http:i, rtsp:i | plain (OK; nothing for bad input) | 1702, 3485"},
    {"/7030", email_read, "Reads the e-mail account, its receivers and the sender host name | none | JSON"
     " {enable:i, userName:s, password:s, smtpServer:s, smtpPort:i, senderAddr:s, senderName:s, "
     "enableTls:i, enableAttach:i, captureInterval:i, enableHostName:i, hostName:s, "
     "receivers:[{receiverAddr:s, receiverName:s}]}"
     " | none"},
    {"/7031", email_write,
     "Writes the e-mail account, its receivers and the sender host name | JSON: enable:i, userName:s(63), "
     "password:s(63), smtpServer:s(63), smtpPort:i(0..2147483647), senderAddr:s(127), senderName:s(63), "
     "enableTls:i(0..2), enableAttach:i(0..1), captureInterval:i(0..2147483647), "
     "receivers:[{receiverAddr?:s(127), receiverName?:s(63)}], enableHostName:i, hostName:s(255) | plain (OK; nothing "
     "for bad input) | 1702, 3485"},
    {"/7040", net_settings_read,
     "Reads the interface settings of a network mode | decimal: the mode to show (else the stored mode) | JSON"
     " {mode:i, hostName:s, enableNetwork1:i, networkType:i, ipAddr:s, netmask:s, gateway:s, "
     "ip6networkType:i, ip6Addr?:s, ip6netmask?:s, ip6gateway?:s, macAddr:s, DNS1:s, DNS2:s, mtu:i, "
     "enableNetwork2?:i, networkType2?:i, ipAddr2?:s, netmask2?:s, gateway2?:s, ip6networkType2?:i, "
     "macAddr2?:s, DNS12?:s, DNS22?:s, mtu2?:i, defaultRoute:i, primaryNet?:i, ip6Addr2?:s, "
     "ip6netmask2?:s, ip6gateway2?:s}"
     " | "
     "none"},
    {"/7041", net_settings_write,
     "Writes the interface settings of the stored or given mode | JSON: mode:i, primaryNet:i, enableNetwork1:i, "
     "networkType:i, ipAddr:s(15), netmask:s(15), gateway:s(15), DNS1:s(15), DNS2:s(15), mtu:i, ip6networkType:i, "
     "ip6Addr:s(63), ip6netmask:s(15), ip6gateway:s(63), the same keys with 2 for eth1, defaultRoute:i, Conflict:i, "
     "slaveClear:i | plain | 3023, 1702, 3485"},
    {"/7043", net_apply, "Tells the core daemon to apply the network settings | none | plain | 1712"},
    {"/7042", net_mode_read, "Reads the stored network mode | none | plain (the mode, or -1) | none"},
    {"/7050", service_ports_read, "Reads the service ports, channel access and push-message settings | none | JSON"
     " {enableSsh:i, sshPort:i, httpPort:i, httpsPort:i, rtspPort:i, servicePort:i, posPort:i, "
     "enable_access:i, PushTypeArr:[i], PushNvrAlarmInType:i, enableMsg:i, push_stream:i, "
     "pushNvrPos:s}"
     " | "
                                  "none"},
    {"/7093", poe_ports_read, "Reads the number of PoE ports | none | JSON"
     " {max_poe_num:i}"
     " | none"},
    {"/7051", service_ports_write,
     "Writes the service ports, SSH switch and push-message settings | JSON: enableSsh:i(0..1), "
     "sshPort:i(1..65535), httpPort:i(1..65535), rtspPort:i(1..65535), servicePort:i(0..2147483647), "
     "httpsPort:i(1..65535), posPort:i(1..65535), enableAccess:i, enableMsg:i(0..2147483647), needReboot:i, "
     "channel_num:i, pushType:i, PushTypeNvrAlarmIn:i, pushTypeArr:[i], pushNvrPos:s(64), pushVideoStream:i | "
     "plain (OK, "
     "POE_Port_Error or POS_Port_Error) | "
     "3618, 1422, 3617, 3485, 1702, 1703"},
    {"/7060", p2p_state, "Reads the state of the P2P cloud service | none | JSON"
     " {enable:i, company:s, email:s, p2pstatus:i, cloudAccount:s, registerCode:s, dealer:s, model:s, "
     "ipc:s, cloudServer:s}"
     " | 3702 wait"},
    {"/7061", p2p_switch,
     "Switches the P2P cloud service on or off | JSON: enableP2P:i | plain (the core daemon's result text) | 3700 "
     "wait, "
     "3701 wait"},
    {"/7062", p2p_register,
     "Registers the recorder with the P2P server | JSON: sn:s(63), deviceName:s(31) | plain (0 done, 2 refused, 3 "
     "network, "
     "4 key "
     "file) | 3700"},
    {"/7070", p2p_addr_check,
     "Asks the core daemon to check an address | JSON: ip:s(19) | plain (0 or -1) | 3005 wait"},
    {"/7032", email_test, "Sends a test mail | none | plain (OK or ERROR) | 3409 wait"},
    {"/7071", p2p_dev_addr_check,
     "Asks the core daemon to check an address of an interface | JSON: dev:s(15), ip:s(15) | plain (0 or -1) | 3006 "
     "wait"},
    {"/7044", net_mac_read, "Reads the device MAC address | none | JSON (mac0)"
     " {mac0:s}"
     " | none"},
    {"/7080", ssl_create,
     "Makes a new key with a self-signed certificate or a certificate request | JSON: InstallType:i, Country:s(2), "
     "CommonName:s(63), Validity:i, Password:s(15), Province:s(63), Region:s(63), Organization:s(63), "
     "Company:s(63), Email:s(63), startTime:s(15), endTime:s(15) | plain (OK, "
     "or Error for a subject or validity the certificate cannot carry) | 3316 wait"},
    {"/7081", ssl_cert_state, "Reads the HTTPS switch and the installed certificate's details | none | JSON"
     " {enable:i, checkfile:s, country?:s, common_name?:s, email?:s, dates?:s}"
     " | none"},
    {"/7082", ssl_request_download, "Downloads the pending certificate request | none | download (or NotFile) | none"},
    {"/7083", ssl_reload, "Tells the core daemon to take the certificate files again | none | plain | 3317"},
    {"/7084", ssl_install,
     "Installs an uploaded certificate whose key is in the upload or is the pending request's | upload: the "
     "certificate (PEM or DER), with its key or not | plain (OK or Error) | 3318 wait"},
    {"/7085", ssl_delete, "Deletes the certificate and switches HTTPS off | none | plain | 3320, 3322"},
    {"/7086", https_switch,
     "Switches HTTPS on or off | JSON: httpsenable:i | plain (OK, or NOFILE without a certificate) | 3322"},
    {"/7087", https_switch_read, "Reads the HTTPS switch | none | JSON (enable)"
     " {enable:i}"
     " | none"},
    {"/7089", ssl_request_state, "Reads the details of the pending certificate request | none | JSON"
     " {checkfile:s, country_req?:s, common_name_req?:s, email_req?:s}"
     " | none"},
    {"/7090", snmp_read, "Reads the SNMP agent settings and the service ports | none | JSON"
     " {v1_enable:i, v2c_enable:i, write_community:s, read_community:s, v3_enable:i, "
     "read_security_name:s, read_level_security:i, read_auth_algorithm:i, read_auth_password:s, "
     "read_pri_algorithm:i, read_pri_password:s, write_security_name:s, write_level_security:i, "
     "write_auth_algorithm:i, write_auth_password:s, write_pri_algorithm:i, write_pri_password:s, "
     "port:i, sshPort:i, httpPort:i, rtspPort:i, httpsPort:i}"
     " | none"},
    {"/7091", snmp_write,
     "Writes the SNMP agent settings | JSON: v1_enable:i, v2c_enable:i, "
     "write_community:s(63), read_community:s(63), v3_enable:i, read_security_name:s(63), read_level_security:i, "
     "read_auth_algorithm:i, read_auth_password:s(63), read_pri_algorithm:i, read_pri_password:s(63), "
     "write_security_name:s(63), write_level_security:i, write_auth_algorithm:i, write_auth_password:s(63), "
     "write_pri_algorithm:i, write_pri_password:s(63), port:i(1..65535) | plain (OK or POE_Port_Error) | 1702"},
    {"/7092", channel_access_read, "Reads the channel-access switch | none | JSON"
     " {access:i}"
     " | none"},
    {"/7094", snmp_status, "Reads the SNMP agent's status | none | JSON (status)"
     " {status:i}"
     " | 3309 wait"},
    {"/7095", snmp_check, "Asks the core daemon about the SNMP agent | none | JSON (res)"
     " {res:i}"
     " | 2302 wait"},
    {"/7096", net_default_route,
     "Sets the port that carries the default route | JSON: defaultRoute:i | JSON (res)"
     " {res:i}"
     " | 1724 wait"},
    {"/7033", multicast_read, "Reads the multicast address of the live streams | none | JSON"
     " {enable:i, ip:s}"
     " | none"},
    {"/7034", multicast_write,
     "Writes the multicast switch and address | JSON: enable:i, ip:s(64) | JSON (res)"
     " {res:i}"
     " | 1729 wait"},
};

NVR_MODULE(network, kModNetwork, kNetworkTable)
