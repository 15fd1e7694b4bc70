// Network facts of the running machine: getifaddrs for IPv4, the kernel's
// /proc/net tables for IPv6, SIOCGIFHWADDR for the hardware address.
#include "platform/net.h"

#include <arpa/inet.h>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/paths.h"

namespace {

constexpr const char* kIfInet6 = "/proc/net/if_inet6";
constexpr const char* kIpv6Route = "/proc/net/ipv6_route";
constexpr const char* kMacConf = "/mnt/nand/mac.conf";
constexpr const char* kMacFallback = "025E7A0A19C8";

// Kernel scope values of /proc/net/if_inet6 (IPV6_ADDR_*).
constexpr unsigned kKernelScopeGlobal = 0x00;
constexpr unsigned kKernelScopeLink = 0x20;
constexpr unsigned kAddrFlagDadFailed = 0x08;  // IFA_F_DADFAILED: never usable
// Route flags of /proc/net/ipv6_route.
constexpr unsigned long kRouteGateway = 0x0002;  // RTF_GATEWAY
constexpr unsigned long kRouteReject = 0x0200;   // RTF_REJECT

// Copies a text into out[size]; false, out untouched, when it does not fit.
bool put_text(const char* text, char* out, size_t size)
{
    if (!out || size == 0) return false;
    size_t n = std::strlen(text);
    if (n >= size) return false;
    std::memcpy(out, text, n + 1);
    return true;
}

bool valid_name(const char* ifname) { return ifname && ifname[0] && std::strlen(ifname) < IFNAMSIZ; }

// 32 hexadecimal digits of /proc/net into an address.
bool parse_hex_addr(const char* hex, struct in6_addr* out)
{
    if (std::strlen(hex) != 32) return false;
    for (int i = 0; i < 16; i++) {
        unsigned v = 0;
        for (int k = 0; k < 2; k++) {
            int c = hex[2 * i + k];
            if (!std::isxdigit(c)) return false;
            v = v * 16 + unsigned(std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10);
        }
        out->s6_addr[i] = static_cast<unsigned char>(v);
    }
    return true;
}

bool is_link_local(const struct in6_addr& a) { return a.s6_addr[0] == 0xfe && (a.s6_addr[1] & 0xc0) == 0x80; }

bool is_unspecified(const struct in6_addr& a)
{
    for (unsigned char b : a.s6_addr)
        if (b) return false;
    return true;
}

bool scope_matches(int scope, unsigned kernel_scope)
{
    if (scope == kNetScopeGlobal) return kernel_scope == kKernelScopeGlobal;
    if (scope == kNetScopeLinkLocal) return kernel_scope == kKernelScopeLink;
    return false;
}

// One line of /proc/net/if_inet6.
struct Inet6Line {
    struct in6_addr addr;
    unsigned prefix = 0, scope = 0, flags = 0;
    char name[IFNAMSIZ + 1] = {};
};

bool parse_inet6_line(const char* line, Inet6Line* out)
{
    char hex[33] = {}, name[64] = {};
    unsigned index = 0;
    if (std::sscanf(line, "%32s %x %x %x %x %63s", hex, &index, &out->prefix, &out->scope, &out->flags, name) != 6)
        return false;
    if (std::strlen(name) > IFNAMSIZ || !parse_hex_addr(hex, &out->addr)) return false;
    std::memcpy(out->name, name, std::strlen(name) + 1);
    return true;
}

}  // namespace

int net_get_ifaddr(const char* ifname, char* out, size_t size)
{
    if (!valid_name(ifname) || !out || size == 0) return -1;
    struct ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return -1;
    int rc = -1;
    for (struct ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !i->ifa_name) continue;
        if (std::strcmp(i->ifa_name, ifname) != 0) continue;
        char text[INET_ADDRSTRLEN];
        const auto* in = reinterpret_cast<const struct sockaddr_in*>(i->ifa_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) && put_text(text, out, size)) rc = 0;
        break;
    }
    freeifaddrs(list);
    return rc;
}

int net_ipv6_ifaddr_from(const char* path, int scope, const char* ifname, char* addr, size_t addr_size, char* prefix,
                         size_t prefix_size)
{
    if (!path || !valid_name(ifname) || !addr || !prefix) return -1;
    FILE* f = std::fopen(path, "re");
    if (!f) return -1;
    int rc = -1;
    char line[256];
    while (rc != 0 && std::fgets(line, sizeof line, f)) {
        Inet6Line l;
        if (!parse_inet6_line(line, &l) || std::strcmp(l.name, ifname) != 0) continue;
        if (!scope_matches(scope, l.scope) || (l.flags & kAddrFlagDadFailed) || l.prefix > 128) continue;
        char a[INET6_ADDRSTRLEN], p[8];
        if (!inet_ntop(AF_INET6, &l.addr, a, sizeof a)) continue;
        std::snprintf(p, sizeof p, "%u", l.prefix);
        // Both fit, or neither is written.
        if (std::strlen(a) >= addr_size || std::strlen(p) >= prefix_size) break;
        put_text(a, addr, addr_size);
        put_text(p, prefix, prefix_size);
        rc = 0;
    }
    std::fclose(f);
    return rc;
}

int net_get_ipv6_ifaddr(int scope, const char* ifname, char* addr, size_t addr_size, char* prefix,
                        size_t prefix_size)
{
    return net_ipv6_ifaddr_from(kIfInet6, scope, ifname, addr, addr_size, prefix, prefix_size);
}

int net_ipv6_gateway_from(const char* path, int scope, const char* ifname, char* out, size_t size)
{
    if (!path || !valid_name(ifname) || !out) return -1;
    if (scope != kNetScopeGlobal && scope != kNetScopeLinkLocal) return -1;
    FILE* f = std::fopen(path, "re");
    if (!f) return -1;
    bool found = false;
    unsigned long best_metric = 0;
    struct in6_addr best;
    char line[512];
    while (std::fgets(line, sizeof line, f)) {
        char dest[33] = {}, src[33] = {}, hop[33] = {}, name[64] = {};
        unsigned dest_len = 0, src_len = 0;
        unsigned long metric = 0, refcnt = 0, use = 0, flags = 0;
        if (std::sscanf(line, "%32s %x %32s %x %32s %lx %lx %lx %lx %63s", dest, &dest_len, src, &src_len, hop,
                        &metric, &refcnt, &use, &flags, name) != 10)
            continue;
        if (std::strcmp(name, ifname) != 0 || dest_len != 0) continue;
        struct in6_addr d, h;
        if (!parse_hex_addr(dest, &d) || !parse_hex_addr(hop, &h)) continue;
        if (!is_unspecified(d) || is_unspecified(h) || (flags & kRouteReject) || !(flags & kRouteGateway)) continue;
        if (is_link_local(h) != (scope == kNetScopeLinkLocal)) continue;
        if (!found || metric < best_metric) {
            found = true;
            best_metric = metric;
            best = h;
        }
    }
    std::fclose(f);
    char text[INET6_ADDRSTRLEN];
    if (!found || !inet_ntop(AF_INET6, &best, text, sizeof text)) return -1;
    return put_text(text, out, size) ? 0 : -1;
}

int net_get_ipv6_gateway2(int scope, const char* ifname, char* out, size_t size)
{
    return net_ipv6_gateway_from(kIpv6Route, scope, ifname, out, size);
}

int net_have_ipv6_from(const char* path)
{
    FILE* f = path ? std::fopen(path, "re") : nullptr;
    if (!f) return 0;
    int have = 0;
    char line[256];
    while (!have && std::fgets(line, sizeof line, f)) {
        Inet6Line l;
        if (!parse_inet6_line(line, &l) || std::strcmp(l.name, "lo") == 0) continue;
        if (l.scope == kKernelScopeGlobal && !(l.flags & kAddrFlagDadFailed)) have = 1;
    }
    std::fclose(f);
    return have;
}

int net_is_haveipv6() { return net_have_ipv6_from(kIfInet6); }

int net_mac_conf_from(const char* conf_path, const char* ifname, char* out, size_t size)
{
    if (!out || size < 13) return -1;
    // The configured address: its first word, with ':' or '-' separators
    // dropped; anything but 12 hexadecimal digits is not a MAC address.
    FILE* f = conf_path ? std::fopen(conf_path, "re") : nullptr;
    if (f) {
        char word[64] = {};
        bool got = std::fscanf(f, "%63s", word) == 1;
        std::fclose(f);
        std::string mac;
        for (const char* p = word; got && *p; p++) {
            if (*p == ':' || *p == '-') continue;
            if (!std::isxdigit(static_cast<unsigned char>(*p)) || mac.size() == 12) {
                mac.clear();
                break;
            }
            mac += *p;
        }
        if (mac.size() == 12) return put_text(mac.c_str(), out, size) ? 0 : -1;
    }
    // The interface's hardware address.
    if (valid_name(ifname)) {
        int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (s >= 0) {
            struct ifreq ifr;
            std::memset(&ifr, 0, sizeof ifr);
            std::memcpy(ifr.ifr_name, ifname, std::strlen(ifname));
            int rc = ioctl(s, SIOCGIFHWADDR, &ifr);
            close(s);
            if (rc == 0) {
                const auto* b = reinterpret_cast<const unsigned char*>(ifr.ifr_hwaddr.sa_data);
                char text[13];
                std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", b[0], b[1], b[2], b[3], b[4], b[5]);
                return put_text(text, out, size) ? 0 : -1;
            }
        }
    }
    return put_text(kMacFallback, out, size) ? 0 : -1;
}

int read_mac_conf(char* out, size_t size)
{
    return net_mac_conf_from(nvr_path(kMacConf).c_str(), "eth0", out, size);
}
