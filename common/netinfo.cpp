// Network interface helpers: MAC addresses, interface details and the
// default gateway.
#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "common/reply.h"

static void set_ifname(struct ifreq& ifr, const char* name)
{
    std::memset(&ifr, 0, sizeof ifr);
    std::strncpy(ifr.ifr_name, name, IFNAMSIZ - 1);
}

int mac_of_interface(const char* name, unsigned char out6[6])
{
    if (!name || !out6) return -1;
    int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        perror("create socket fail\n");
        return -1;
    }
    struct ifreq ifr;
    set_ifname(ifr, name);
    int rc = ioctl(s, SIOCGIFHWADDR, &ifr);
    close(s);
    if (rc < 0) return -1;
    std::memcpy(out6, ifr.ifr_hwaddr.sa_data, 6);
    return 0;
}

int device_macs(char mac0[18], char mac1[18])
{
    struct {
        const char* iface;
        const char* fallback;
        char* out;
    } macs[] = {{"eth0", "02:5E:7A:0A:19:C8", mac0}, {"eth1", "02:5E:7A:0A:19:C9", mac1}};
    for (auto& m : macs) {
        if (!m.out) continue;
        unsigned char b[6];
        if (mac_of_interface(m.iface, b) == 0)
            snprintf(m.out, 18, "%02X:%02X:%02X:%02X:%02X:%02X", b[0], b[1], b[2], b[3], b[4], b[5]);
        else
            snprintf(m.out, 18, "%s", m.fallback);
    }
    return 0;
}

int default_gateway(const char* name, u32* out)
{
    if (!name || !out) return -1;
    FILE* f = fopen("/proc/net/route", "r");
    if (!f) {
        perror("fopen");
        return -1;
    }
    char line[256];
    if (!fgets(line, sizeof line, f)) {
        fclose(f);
        return 0;
    }
    while (fgets(line, sizeof line, f)) {
        char iface[256];
        unsigned long dest = 0, gw = 0;
        if (sscanf(line, "%255s %lX %lX", iface, &dest, &gw) != 3) continue;
        if (dest == 0 && std::strcmp(iface, name) == 0) {
            *out = u32(gw);
            break;
        }
    }
    fclose(f);
    return 0;
}

static void addr_text(const struct sockaddr& sa, char (&out)[24])
{
    const auto* in = reinterpret_cast<const struct sockaddr_in*>(&sa);
    inet_ntop(AF_INET, &in->sin_addr, out, sizeof out);
}

int interface_info(const char* name, IfaceInfo* out)
{
    if (!name || !out) return -1;
    int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        perror("socket");
        return -1;
    }
    struct ifreq ifr;
    set_ifname(ifr, name);
    if (ioctl(s, SIOCGIFMTU, &ifr) < 0)
        perror("[SIOCGIFMTU] ioctl");
    else
        out->mtu = ifr.ifr_mtu;
    set_ifname(ifr, name);
    if (ioctl(s, SIOCGIFFLAGS, &ifr) < 0)
        perror("[SIOCGIFFLAGS] ioctl");
    else
        out->up = (ifr.ifr_flags & IFF_UP) ? 1 : 0;
    set_ifname(ifr, name);
    if (ioctl(s, SIOCGIFADDR, &ifr) < 0)
        perror("[SIOCGIFADDR] ioctl");
    else
        addr_text(ifr.ifr_addr, out->address);
    set_ifname(ifr, name);
    if (ioctl(s, SIOCGIFHWADDR, &ifr) < 0) {
        perror("[SIOCGIFHWADDR] ioctl");
    } else {
        const auto* b = reinterpret_cast<const unsigned char*>(ifr.ifr_hwaddr.sa_data);
        snprintf(out->mac, sizeof out->mac, "%2.2x:%2.2x:%2.2x:%2.2x:%2.2x:%2.2x", b[0], b[1], b[2], b[3], b[4], b[5]);
    }
    const u32 kNone = 0xffffffffu;  // never a gateway address
    u32 gw = kNone;
    if (default_gateway(name, &gw) == 0 && gw != kNone)
        snprintf(out->gateway, sizeof out->gateway, "%d.%d.%d.%d", int(gw & 0xff), int((gw >> 8) & 0xff),
                 int((gw >> 16) & 0xff), int(gw >> 24));
    set_ifname(ifr, name);
    if (ioctl(s, SIOCGIFNETMASK, &ifr) < 0)
        perror("[SIOCGIFNETMASK] ioctl");
    else
        addr_text(ifr.ifr_netmask, out->netmask);
    set_ifname(ifr, name);
    if (ioctl(s, SIOCGIFBRDADDR, &ifr) < 0)
        perror("[SIOCGIFBRDADDR] ioctl");
    else
        addr_text(ifr.ifr_broadaddr, out->broadcast);
    close(s);
    return 0;
}
