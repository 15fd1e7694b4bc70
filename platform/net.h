// Network facts of the running machine, read from the kernel: IPv4 and IPv6
// addresses of an interface, its IPv6 default gateway, and the device MAC
// configuration.
//
// Every call returns 0 on success and -1 on failure (unknown or absent
// interface, no such address, unreadable source). On failure the output
// buffers are left exactly as they were, so a caller's preset text (such as
// "0.0.0.0") stands. Outputs are always NUL-terminated and never written past
// the size given; a value that does not fit counts as a failure.
#pragma once

#include <cstddef>

// Widths the handlers use for the texts below.
constexpr size_t kNetIpv4TextLen = 32;    // net_get_ifaddr
constexpr size_t kNetIpv6TextLen = 64;    // addresses and gateways
constexpr size_t kNetPrefixTextLen = 16;  // prefix length as decimal text

// IPv6 scopes understood by the calls below.
enum NetIpv6Scope {
    kNetScopeGlobal = 0,     // a routable address (global or unique-local)
    kNetScopeLinkLocal = 1,  // fe80::/10
};

// IPv4 address of the interface as dotted text ("192.0.2.2").
int net_get_ifaddr(const char* ifname, char* out, size_t size);

// First IPv6 address of the interface in the given scope, in compressed text
// form, and its prefix length as decimal text ("64"). Read from
// /proc/net/if_inet6.
int net_get_ipv6_ifaddr(int scope, const char* ifname, char* addr, size_t addr_size, char* prefix,
                        size_t prefix_size);

// Next hop of the interface's IPv6 default route (::/0) whose next hop lies in
// the given scope: kNetScopeGlobal for a routable gateway, kNetScopeLinkLocal
// for one on the link (the usual form of a gateway learned from router
// advertisements). Read from /proc/net/ipv6_route.
int net_get_ipv6_gateway2(int scope, const char* ifname, char* out, size_t size);

// 1 when an interface other than the loopback has a routable IPv6 address,
// else 0.
int net_is_haveipv6();

// The device MAC address as text without separators ("025E7A0A19C8"): the
// first word of the MAC configuration file "/mnt/nand/mac.conf" when it is a
// MAC address (12 hexadecimal digits, as written; ':' or '-' separators are
// dropped), else the hardware address of "eth0" (upper-case hex), else the
// fixed fallback "025E7A0A19C8". -1 only for a null or too small buffer
// (at least 13 bytes).
int read_mac_conf(char* out, size_t size);

// The same lookups on given source files, in the formats of
// /proc/net/if_inet6 and /proc/net/ipv6_route (tests feed them fixtures).
int net_ipv6_ifaddr_from(const char* if_inet6_path, int scope, const char* ifname, char* addr, size_t addr_size,
                         char* prefix, size_t prefix_size);
int net_ipv6_gateway_from(const char* ipv6_route_path, int scope, const char* ifname, char* out, size_t size);
int net_have_ipv6_from(const char* if_inet6_path);
// read_mac_conf with the configuration file given and the hardware address
// taken from `ifname`.
int net_mac_conf_from(const char* conf_path, const char* ifname, char* out, size_t size);

// Array forms: the buffer sizes come from the arrays.
template <size_t N>
inline int net_get_ifaddr(const char* ifname, char (&out)[N]) { return net_get_ifaddr(ifname, out, N); }
template <size_t A, size_t P>
inline int net_get_ipv6_ifaddr(int scope, const char* ifname, char (&addr)[A], char (&prefix)[P])
{
    return net_get_ipv6_ifaddr(scope, ifname, addr, A, prefix, P);
}
template <size_t N>
inline int net_get_ipv6_gateway2(int scope, const char* ifname, char (&out)[N])
{
    return net_get_ipv6_gateway2(scope, ifname, out, N);
}
template <size_t N>
inline int read_mac_conf(char (&out)[N]) { return read_mac_conf(out, N); }
