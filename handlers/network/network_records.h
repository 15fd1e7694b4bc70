// The network row of the configuration store, its mode-specific views, and
// the core messages of the network interface settings.
#pragma once

#include "platform/record.h"
#include "platform/kxdb.h"

// Network modes: two independent ports, or both joined into "bond0".
constexpr int kNetModeSeparate = 0;
constexpr int kNetModeBond = 1;
constexpr int kNetModeBondPrimary = 2;  // bonded with a primary port

// IPv6 type whose gateway is learned on the link and never stored.
constexpr int kIpv6TypeLinkGateway = 2;

// Core messages.
constexpr u32 kMsgNetSlaveClear = 3023;    // 4 bytes: the "slaveClear" flag
constexpr u32 kMsgSettingsChanged = 1702;  // 32-byte text naming the area
constexpr u32 kMsgNetApply = 1712;         // 32 zero bytes
constexpr u32 kMsgNetDefaultRoute = 1724;  // 4 bytes: the port; reply 6724 {int32 result}
constexpr u32 kReplyNetDefaultRoute = 6724;

// The IPv4 settings of one interface (a port, or the bond).
struct NetIpv4Set {
    i32 enable;         //  0
    i32 type;           //  4  network type (the core daemon's meaning)
    char address[16];   //  8
    char netmask[16];   // 24
    char gateway[16];   // 40
    char dns1[16];      // 56
    char dns2[16];      // 72
    i32 mtu;            // 88
};
NVR_RECORD_SIZE(NetIpv4Set, 92);

// The stored IPv6 settings of one interface.
struct NetIpv6Set {
    char address[64];  //   0
    char prefix[16];   //  64
    char gateway[64];  //  80
};
NVR_RECORD_SIZE(NetIpv6Set, 144);

// The network row (store kind "network", one row at index 0).
struct NetworkRow {
    i32 mode;                 //   0  kNetMode*
    char host_name[132];      //   4
    i32 primary_net;          // 136  bond: the primary port (mode 2)
    NetIpv4Set bond;          // 140
    NetIpv4Set port[2];       // 232  eth0, eth1
    u8 reserved[36];          // 416  kept as stored
    NetIpv6Set port6[2];      // 452  eth0, eth1
    i32 port6_type[2];        // 740
    NetIpv6Set bond6;         // 748
    i32 bond6_type;           // 892
    i32 default_route;        // 896  the port that carries the default route
};
NVR_RECORD_SIZE(NetworkRow, 900);

NVR_STORE_KIND(kNetworkKind, "network", 1, NetworkRow);

// The bonded view (modes 1 and 2): what the bond settings show and change.
struct NetworkBondView {
    i32 mode;
    char host_name[132];
    i32 primary_net;
    NetIpv4Set bond;
    NetIpv6Set bond6;
    i32 bond6_type;
    i32 default_route;
};

// The two-port view (mode 0).
struct NetworkMutiView {
    i32 mode;
    char host_name[132];
    NetIpv4Set port[2];
    NetIpv6Set port6[2];
    i32 port6_type[2];
    i32 default_route;
};

// Store calls. The views are read from the row; their writes change only
// the view's own fields of the stored row (the host name, which no request
// sets, and the other mode's settings keep their stored values):
//   bond:  mode, primary port, bond IPv4 and IPv6 settings;
//   muti:  mode, both ports' IPv4 and IPv6 settings, default route.
// Reads give 0, or -1 with a zero record when no row is stored.
int read_network(const char* db, NetworkRow* out);
int write_network(const char* db, const NetworkRow& row);
int read_network_bond(const char* db, NetworkBondView* out);
int write_network_bond(const char* db, const NetworkBondView& view);
int read_network_muti(const char* db, NetworkMutiView* out);
int write_network_muti(const char* db, const NetworkMutiView& view);
// The stored mode, or -1 when no row is stored.
int read_network_mode(const char* db);
