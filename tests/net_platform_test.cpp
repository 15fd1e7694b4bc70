// Network facts of the machine: IPv4/IPv6 addresses, IPv6 gateways, the MAC
// configuration. The kernel tables are fed as fixtures; the live calls are
// checked only for what holds on every machine.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/net.h"
#include "tests/harness.h"
#include "tests/process_root.h"

namespace {

std::string fixture(const std::string& name, const std::string& text)
{
    std::string path = test_process_root() + "/net-" + name;
    FILE* f = std::fopen(path.c_str(), "w");
    if (f) {
        std::fputs(text.c_str(), f);
        std::fclose(f);
    }
    return path;
}

// /proc/net/if_inet6: address, index, prefix length, scope, flags, name.
const char* kIfInet6 =
    "fe8000000000000000fc00fffe000001 04 40 20 80     eth0\n"
    "20010db8000000000000000000000002 04 40 00 80     eth0\n"
    "20010db8000000000000000000000099 05 30 00 80    eth01\n"
    "fe800000000000000000000000000011 06 40 20 80    bond0\n"
    "20010db80000000000000000000000aa 07 40 00 08     eth1\n"  // duplicate address detected: unusable
    "20010db80000000000000000000000bb 07 38 00 80     eth1\n"
    "not a line at all\n"
    "00000000000000000000000000000001 01 80 10 80       lo\n";

struct AddrCase {
    int scope;
    const char* ifname;
    int rc;
    const char* addr;
    const char* prefix;
};

class NetIpv6Addr : public ::testing::TestWithParam<AddrCase> {};

TEST_P(NetIpv6Addr, PicksTheInterfaceAndScope)
{
    const AddrCase& c = GetParam();
    std::string path = fixture("if_inet6", kIfInet6);
    char addr[kNetIpv6TextLen] = "untouched", prefix[kNetPrefixTextLen] = "untouched";
    EXPECT_EQ(net_ipv6_ifaddr_from(path.c_str(), c.scope, c.ifname, addr, sizeof addr, prefix, sizeof prefix), c.rc);
    EXPECT_STREQ(addr, c.addr);
    EXPECT_STREQ(prefix, c.prefix);
}

INSTANTIATE_TEST_SUITE_P(
    Fixture, NetIpv6Addr,
    ::testing::Values(AddrCase{kNetScopeGlobal, "eth0", 0, "2001:db8::2", "64"},
                      AddrCase{kNetScopeLinkLocal, "eth0", 0, "fe80::fc:ff:fe00:1", "64"},
                      // "eth0" is not a prefix match for "eth01".
                      AddrCase{kNetScopeGlobal, "eth01", 0, "2001:db8::99", "48"},
                      AddrCase{kNetScopeGlobal, "bond0", -1, "untouched", "untouched"},
                      AddrCase{kNetScopeGlobal, "eth1", 0, "2001:db8::bb", "56"},
                      AddrCase{kNetScopeGlobal, "eth2", -1, "untouched", "untouched"},
                      AddrCase{kNetScopeGlobal, "lo", -1, "untouched", "untouched"},
                      AddrCase{7, "eth0", -1, "untouched", "untouched"},
                      AddrCase{kNetScopeGlobal, "", -1, "untouched", "untouched"}));

TEST(NetPlatform, Ipv6AddressNeverOverrunsItsBuffers)
{
    std::string path = fixture("if_inet6", kIfInet6);
    char addr[8] = "keep", prefix[kNetPrefixTextLen] = "keep";
    EXPECT_EQ(net_ipv6_ifaddr_from(path.c_str(), kNetScopeGlobal, "eth0", addr, sizeof addr, prefix, sizeof prefix),
              -1);
    EXPECT_STREQ(addr, "keep");
    EXPECT_STREQ(prefix, "keep");  // both are written, or neither
    char a2[kNetIpv6TextLen] = "keep", p2[2] = "k";
    EXPECT_EQ(net_ipv6_ifaddr_from(path.c_str(), kNetScopeGlobal, "eth0", a2, sizeof a2, p2, sizeof p2), -1);
    EXPECT_STREQ(a2, "keep");
    EXPECT_EQ(net_ipv6_ifaddr_from("/nonexistent/if_inet6", 0, "eth0", a2, sizeof a2, p2, sizeof p2), -1);
    // A name longer than an interface name can be is no interface.
    std::string longname(40, 'e');
    EXPECT_EQ(net_ipv6_ifaddr_from(path.c_str(), 0, longname.c_str(), a2, sizeof a2, p2, sizeof p2), -1);
}

// /proc/net/ipv6_route: dest, dest length, source, source length, next hop,
// metric, refcount, use, flags, device.
const char* kIpv6Route =
    "20010db8000000000000000000000000 40 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 00000100 00000001 00000000 00000001     eth0\n"
    // default via 2001:db8::1 on eth0, metric 0x400
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "20010db8000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n"
    // a better default via 2001:db8::fe on eth0, metric 0x100
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "20010db80000000000000000000000fe 00000100 00000002 00000000 00000003     eth0\n"
    // default via fe80::1 on eth1, learned from a router advertisement
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "fe800000000000000000000000000001 00000400 00000001 00000000 00450003     eth1\n"
    // a route to 2001:db8:1::/48 via a gateway is not a default route
    "20010db8000100000000000000000000 30 00000000000000000000000000000000 00 "
    "20010db8000000000000000000000077 00000001 00000001 00000000 00000003    bond0\n"
    // the loopback's unreachable default
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n"
    "garbage\n";

TEST(NetPlatform, Ipv6GatewayByScopeAndMetric)
{
    std::string path = fixture("ipv6_route", kIpv6Route);
    char gw[kNetIpv6TextLen] = "untouched";
    EXPECT_EQ(net_ipv6_gateway_from(path.c_str(), kNetScopeGlobal, "eth0", gw, sizeof gw), 0);
    EXPECT_STREQ(gw, "2001:db8::fe");
    std::strcpy(gw, "untouched");
    EXPECT_EQ(net_ipv6_gateway_from(path.c_str(), kNetScopeLinkLocal, "eth0", gw, sizeof gw), -1);
    EXPECT_STREQ(gw, "untouched");
    EXPECT_EQ(net_ipv6_gateway_from(path.c_str(), kNetScopeGlobal, "eth1", gw, sizeof gw), -1);
    EXPECT_EQ(net_ipv6_gateway_from(path.c_str(), kNetScopeLinkLocal, "eth1", gw, sizeof gw), 0);
    EXPECT_STREQ(gw, "fe80::1");
    std::strcpy(gw, "untouched");
    EXPECT_EQ(net_ipv6_gateway_from(path.c_str(), kNetScopeGlobal, "bond0", gw, sizeof gw), -1);
    EXPECT_EQ(net_ipv6_gateway_from(path.c_str(), kNetScopeGlobal, "lo", gw, sizeof gw), -1);
    EXPECT_EQ(net_ipv6_gateway_from(path.c_str(), kNetScopeLinkLocal, "lo", gw, sizeof gw), -1);
    EXPECT_STREQ(gw, "untouched");
    char small[6] = "small";
    EXPECT_EQ(net_ipv6_gateway_from(path.c_str(), kNetScopeGlobal, "eth0", small, sizeof small), -1);
    EXPECT_STREQ(small, "small");
    EXPECT_EQ(net_ipv6_gateway_from("/nonexistent/ipv6_route", 0, "eth0", gw, sizeof gw), -1);
}

TEST(NetPlatform, HaveIpv6CountsRoutableAddressesOutsideTheLoopback)
{
    EXPECT_EQ(net_have_ipv6_from(fixture("v6-loop", "00000000000000000000000000000001 01 80 10 80 lo\n").c_str()), 0);
    EXPECT_EQ(net_have_ipv6_from(fixture("v6-link", "fe800000000000000000000000000011 06 40 20 80 eth0\n").c_str()),
              0);
    EXPECT_EQ(net_have_ipv6_from(fixture("v6-dad", "20010db80000000000000000000000aa 07 40 00 08 eth1\n").c_str()),
              0);
    EXPECT_EQ(net_have_ipv6_from(fixture("v6-all", kIfInet6).c_str()), 1);
    EXPECT_EQ(net_have_ipv6_from("/nonexistent/if_inet6"), 0);
    int live = net_is_haveipv6();
    EXPECT_TRUE(live == 0 || live == 1);
}

TEST(NetPlatform, Ipv4AddressOfTheLoopbackAndOfNoInterface)
{
    char addr[kNetIpv4TextLen] = "0.0.0.0";
    EXPECT_EQ(net_get_ifaddr("nvrnosuch0", addr), -1);
    EXPECT_STREQ(addr, "0.0.0.0");
    EXPECT_EQ(net_get_ifaddr("", addr), -1);
    EXPECT_EQ(net_get_ifaddr(nullptr, addr, sizeof addr), -1);
    EXPECT_EQ(net_get_ifaddr("lo", addr), 0);
    EXPECT_STREQ(addr, "127.0.0.1");
    char small[4] = "abc";
    EXPECT_EQ(net_get_ifaddr("lo", small), -1);
    EXPECT_STREQ(small, "abc");
    // Live IPv6 lookups of an interface that does not exist fail cleanly.
    char a[kNetIpv6TextLen] = "x", p[kNetPrefixTextLen] = "y";
    EXPECT_EQ(net_get_ipv6_ifaddr(kNetScopeGlobal, "nvrnosuch0", a, p), -1);
    EXPECT_EQ(net_get_ipv6_gateway2(kNetScopeLinkLocal, "nvrnosuch0", a), -1);
    EXPECT_STREQ(a, "x");
    EXPECT_STREQ(p, "y");
}

TEST(NetPlatform, MacConfigurationOrFallback)
{
    // The configured text when it is a MAC address, separators dropped;
    // anything else falls back (here to the fixed address, as the interface
    // does not exist).
    const char* kFallback = "025E7A0A19C8";
    const std::pair<const char*, const char*> cases[] = {
        {"025e7a0a19c8\n", "025e7a0a19c8"},   {"  00:11:22:AA:BB:CC  extra\n", "001122AABBCC"},
        {"00-11-22-aa-bb-cc", "001122aabbcc"}, {"0011223344", kFallback},
        {"00112233445566", kFallback},         {"00112233445G", kFallback},
        {"$(reboot)", kFallback},              {"", kFallback},
    };
    for (const auto& c : cases) {
        std::string path = fixture("mac.conf", c.first);
        char mac[32] = {};
        EXPECT_EQ(net_mac_conf_from(path.c_str(), "nvrnosuch0", mac, sizeof mac), 0);
        EXPECT_STREQ(mac, c.second) << c.first;
    }
}

TEST(NetPlatform, MacOfTheInterfaceAndBufferLimits)
{
    std::string none = test_process_root() + "/net-no-mac.conf";
    char mac[13] = {};
    EXPECT_EQ(net_mac_conf_from(none.c_str(), "nvrnosuch0", mac, sizeof mac), 0);
    EXPECT_STREQ(mac, "025E7A0A19C8");
    // The loopback has an all-zero hardware address.
    EXPECT_EQ(net_mac_conf_from(none.c_str(), "lo", mac, sizeof mac), 0);
    EXPECT_STREQ(mac, "000000000000");
    char small[12] = "keep";
    EXPECT_EQ(net_mac_conf_from(none.c_str(), "lo", small, sizeof small), -1);
    EXPECT_STREQ(small, "keep");
    EXPECT_EQ(read_mac_conf(nullptr, 32), -1);
    char live[32] = {};
    EXPECT_EQ(read_mac_conf(live), 0);
    EXPECT_EQ(std::strlen(live), 12u);
}

}  // namespace
