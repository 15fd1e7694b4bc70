// Network interfaces end to end: the views of the network row, the
// read-modify-write that keeps what a request does not name, the messages to
// the core daemon byte for byte, and the live IPv6 values of the machine.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "common/reply.h"
#include "handlers/network/network_records.h"
#include "platform/net.h"
#include "tests/fixtures.h"

namespace {

void set_ipv4(NetIpv4Set& s, int enable, int type, const char* address, const char* netmask, const char* gateway,
              const char* dns1, const char* dns2, int mtu)
{
    s.enable = enable;
    s.type = type;
    set_text(s.address, address);
    set_text(s.netmask, netmask);
    set_text(s.gateway, gateway);
    set_text(s.dns1, dns1);
    set_text(s.dns2, dns2);
    s.mtu = mtu;
}

void set_ipv6(NetIpv6Set& s, const char* address, const char* prefix, const char* gateway)
{
    set_text(s.address, address);
    set_text(s.prefix, prefix);
    set_text(s.gateway, gateway);
}

// A bonded device whose every field holds a value of its own.
NetworkRow sample_row()
{
    NetworkRow r = zeroed<NetworkRow>();
    r.mode = kNetModeBond;
    set_text(r.host_name, "recorder-7");
    r.primary_net = 1;
    set_ipv4(r.bond, 1, 2, "10.0.0.5", "255.0.0.0", "10.0.0.1", "1.1.1.1", "8.8.8.8", 1400);
    set_ipv4(r.port[0], 1, 0, "192.168.1.10", "255.255.255.0", "192.168.1.1", "192.168.1.2", "192.168.1.3", 1500);
    set_ipv4(r.port[1], 0, 1, "192.168.2.10", "255.255.0.0", "192.168.2.1", "192.168.2.2", "", 9000);
    std::memset(r.reserved, 0xa5, sizeof r.reserved);
    set_ipv6(r.port6[0], "2001:db8::10", "64", "2001:db8::1");
    set_ipv6(r.port6[1], "2001:db8:1::10", "48", "2001:db8:1::1");
    set_ipv6(r.bond6, "2001:db8:2::5", "56", "2001:db8:2::1");
    r.default_route = 1;
    return r;
}

class NetworkTest : public NvrTest {
protected:
    // The device's one network row (index 0): written whole, read back in
    // hex ("" when absent) or as the record (zeros when absent).
    void put_network(const NetworkRow& row) { put_row("network", 0, row); }
    std::string stored_hex()
    {
        std::vector<uint8_t> bytes;
        stored_bytes("network", 0, &bytes);
        return to_hex(bytes.data(), bytes.size());
    }
    NetworkRow stored_row()
    {
        NetworkRow row = zeroed<NetworkRow>();
        stored("network", 0, &row);
        return row;
    }
    std::string macs(int i)
    {
        char m[2][18];
        device_macs(m[0], m[1]);
        return m[i];
    }
};

TEST_F(NetworkTest, ModuleCodesInTableOrder)
{
    const std::vector<std::string> want = {"/7040", "/7041", "/7043", "/7042", "/7044", "/7096"};
    EXPECT_EQ(registered_codes("network", want), want);
}

TEST_F(NetworkTest, ReadShowsTheRequestedOrStoredView)
{
    put_network(sample_row());
    const std::string bond =
        "{ \"mode\": 1, \"hostName\": \"recorder-7\", \"primaryNet\": 1, \"enableNetwork1\": 1, \"networkType\": 2, "
        "\"ipAddr\": \"10.0.0.5\", \"netmask\": \"255.0.0.0\", \"gateway\": \"10.0.0.1\", \"macAddr\": \"" +
        macs(0) +
        "\", \"DNS1\": \"1.1.1.1\", \"DNS2\": \"8.8.8.8\", \"mtu\": 1400, \"ip6networkType\": 0, "
        "\"ip6Addr\": \"2001:db8:2::5\", \"ip6netmask\": \"56\", \"ip6gateway\": \"2001:db8:2::1\", "
        "\"defaultRoute\": 1 }";
    auto r = post("/7040", "7");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    EXPECT_EQ(r.body(), bond);
    EXPECT_EQ(post("/7040", "x").body(), bond);  // not a number: the stored mode
    EXPECT_EQ(get("/7040", "-1").body(), bond);

    // Mode 0 shows the two ports even though bonding is stored.
    EXPECT_EQ(post("/7040", "0").body(),
              "{ \"mode\": 0, \"hostName\": \"recorder-7\", \"enableNetwork1\": 1, \"networkType\": 0, "
              "\"ipAddr\": \"192.168.1.10\", \"netmask\": \"255.255.255.0\", \"gateway\": \"192.168.1.1\", "
              "\"ip6networkType\": 0, \"ip6Addr\": \"2001:db8::10\", \"ip6netmask\": \"64\", "
              "\"ip6gateway\": \"2001:db8::1\", \"macAddr\": \"" +
                  macs(0) +
                  "\", \"DNS1\": \"192.168.1.2\", \"DNS2\": \"192.168.1.3\", \"mtu\": 1500, "
                  "\"enableNetwork2\": 0, \"networkType2\": 1, \"ipAddr2\": \"192.168.2.10\", "
                  "\"netmask2\": \"255.255.0.0\", \"gateway2\": \"192.168.2.1\", \"ip6networkType2\": 0, "
                  "\"ip6Addr2\": \"2001:db8:1::10\", \"ip6netmask2\": \"48\", \"ip6gateway2\": \"2001:db8:1::1\", "
                  "\"macAddr2\": \"" +
                  macs(1) +
                  "\", \"DNS12\": \"192.168.2.2\", \"DNS22\": \"\", \"mtu2\": 9000, \"defaultRoute\": 1 }");
    EXPECT_EQ(post("/7040", "2").body().rfind("{ \"mode\": 2, \"hostName\": \"recorder-7\", \"primaryNet\": 1,", 0),
              0u);
    EXPECT_EQ(post("/7040", "").out, "");
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(NetworkTest, ReadWithoutStoredRowShowsEmptyPorts)
{
    auto body = post("/7040", "9").body();
    EXPECT_EQ(body.rfind("{ \"mode\": 0, \"hostName\": \"\", \"enableNetwork1\": 0,", 0), 0u) << body;
    EXPECT_EQ(post("/7042", "").body(), "-1");
}

// The keys the live lookups of an interface give, as json-c writes them.
std::string live_ipv6(const char* ifname, int scope, const std::string& suffix)
{
    std::string s;
    char addr[kNetIpv6TextLen], prefix[kNetPrefixTextLen], gw[kNetIpv6TextLen];
    if (net_get_ipv6_ifaddr(scope, ifname, addr, prefix) == 0)
        s += "\"ip6Addr" + suffix + "\": \"" + addr + "\", \"ip6netmask" + suffix + "\": \"" + prefix + "\", ";
    if (net_get_ipv6_gateway2(kNetScopeGlobal, ifname, gw) == 0 ||
        net_get_ipv6_gateway2(kNetScopeLinkLocal, ifname, gw) == 0)
        s += "\"ip6gateway" + suffix + "\": \"" + gw + "\", ";
    return s;
}

TEST_F(NetworkTest, LiveIpv6ValuesWhenNothingUsableIsStored)
{
    NetworkRow row = sample_row();
    row.mode = kNetModeSeparate;
    // eth0: type 1 with a prefix but no address; eth1: gateway learned on
    // the link. Neither stored value may show.
    set_ipv6(row.port6[0], "", "64", "2001:db8::dead");
    row.port6_type[0] = 1;
    row.port6_type[1] = kIpv6TypeLinkGateway;
    put_network(row);
    auto body = post("/7040", "0").body();
    EXPECT_NE(body.find("\"ip6networkType\": 1, " + live_ipv6("eth0", kNetScopeLinkLocal, "") + "\"macAddr\""),
              std::string::npos)
        << body;
    EXPECT_NE(body.find("\"ip6networkType2\": 2, " + live_ipv6("eth1", kNetScopeGlobal, "2") + "\"macAddr2\""),
              std::string::npos)
        << body;
    EXPECT_EQ(body.find("dead"), std::string::npos);
    EXPECT_EQ(body.find("2001:db8:1::10"), std::string::npos);

    // Type 1 with both address and prefix stored shows the stored values.
    set_ipv6(row.port6[0], "2001:db8::77", "64", "2001:db8::1");
    put_network(row);
    body = post("/7040", "0").body();
    EXPECT_NE(body.find("\"ip6networkType\": 1, \"ip6Addr\": \"2001:db8::77\", \"ip6netmask\": \"64\", "
                        "\"ip6gateway\": \"2001:db8::1\", \"macAddr\""),
              std::string::npos)
        << body;

    // The bond: "bond0" rarely exists; what it lacks is left out.
    row.mode = kNetModeBond;
    row.bond6_type = kIpv6TypeLinkGateway;
    put_network(row);
    body = post("/7040", "1").body();
    EXPECT_NE(body.find("\"ip6networkType\": 2, " + live_ipv6("bond0", kNetScopeGlobal, "") + "\"defaultRoute\": 1 }"),
              std::string::npos)
        << body;
}

TEST_F(NetworkTest, BondWriteKeepsWhatTheRequestDoesNotName)
{
    NetworkRow before = sample_row();
    put_network(before);
    emu();
    auto r = post("/7041", "{\"mode\":2,\"primaryNet\":0,\"ipAddr\":\"10.1.1.9\",\"mtu\":1300,"
                           "\"ip6networkType\":2,\"ip6Addr\":\"2001:db8:3::9\",\"ip6gateway\":\"2001:db8:3::1\","
                           "\"ipAddr2\":\"172.16.0.1\",\"defaultRoute\":0,\"slaveClear\":1}");
    EXPECT_EQ(r.out, "Content-type: text/plain\r\n\r\nOK");

    NetworkRow want = before;
    want.mode = 2;
    want.primary_net = 0;
    set_text(want.bond.address, "10.1.1.9");
    want.bond.mtu = 1300;
    want.bond6_type = 2;
    set_text(want.bond6.address, "2001:db8:3::9");
    // the gateway of type 2 is never stored; eth1 and the default route
    // belong to the two-port view
    EXPECT_EQ(stored_hex(), to_hex(&want, sizeof want));

    auto f = emu().received();
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].code, 3023u);
    EXPECT_EQ(to_hex(f[0].payload.data(), f[0].payload.size()), "01000000");
    EXPECT_EQ(f[1].code, 1702u);
    char area[32] = "network";
    EXPECT_EQ(to_hex(f[1].payload.data(), f[1].payload.size()), to_hex(area, sizeof area));
    EXPECT_EQ(f[2].code, 3485u);
    EXPECT_EQ(f[2].u32_at(0), 4u);
    EXPECT_EQ(f[2].i64_at(8), 204);
    EXPECT_EQ(f[2].u32_at(24), 914u);
    for (const EmuFrame& x : f) EXPECT_EQ(x.flags & 1, 0u);

    // Mode 1 does not take a primary port.
    EXPECT_EQ(post("/7041", "{\"mode\":1,\"primaryNet\":1}").body(), "OK");
    want.mode = 1;
    EXPECT_EQ(stored_hex(), to_hex(&want, sizeof want));
}

TEST_F(NetworkTest, PortWriteCutsTextsToTheirFieldsAndLogsAConflict)
{
    NetworkRow before = sample_row();
    put_network(before);
    emu();
    const std::string long4(40, '9'), long6(100, 'f');
    auto r = post("/7041", "{\"mode\":0,\"enableNetwork1\":0,\"ipAddr\":\"" + long4 + "\",\"DNS22\":\"" + long4 +
                               "\",\"netmask2\":\"not an address\",\"mtu2\":-5,\"ip6networkType\":1,"
                               "\"ip6Addr\":\"" + long6 + "\",\"ip6netmask\":\"" + long4 + "\","
                               "\"ip6networkType2\":2,\"ip6gateway2\":\"fe80::1\",\"ip6Addr2\":\"\","
                               "\"defaultRoute\":0,\"Conflict\":1,\"hostName\":\"ignored\"}");
    EXPECT_EQ(r.body(), "OK");

    NetworkRow want = before;
    want.mode = 0;
    want.port[0].enable = 0;
    set_text(want.port[0].address, long4.c_str());  // 15 characters
    set_text(want.port[1].dns2, long4.c_str());
    set_text(want.port[1].netmask, "not an address");
    want.port[1].mtu = -5;
    want.port6_type[0] = 1;
    set_text(want.port6[0].address, long6.c_str());  // 63 characters
    set_text(want.port6[0].prefix, long4.c_str());
    want.port6_type[1] = 2;
    set_text(want.port6[1].address, "");
    want.default_route = 0;
    NetworkRow got = stored_row();
    EXPECT_EQ(std::string(got.port[0].address), std::string(15, '9'));
    EXPECT_EQ(std::string(got.port6[0].address), std::string(63, 'f'));
    EXPECT_EQ(stored_hex(), to_hex(&want, sizeof want));

    auto logs = emu().received(3485);
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs[0].u32_at(0), 4u);
    EXPECT_EQ(logs[0].i64_at(8), 204);
    EXPECT_EQ(logs[1].u32_at(0), 32u);
    EXPECT_EQ(logs[1].i64_at(8), 406);
    EXPECT_EQ(logs[1].u32_at(24), 914u);
    auto clear = emu().received(3023);
    ASSERT_EQ(clear.size(), 1u);
    EXPECT_EQ(to_hex(clear[0].payload.data(), clear[0].payload.size()), "00000000");
}

TEST_F(NetworkTest, WriteWithoutModeChangesTheStoredModesView)
{
    NetworkRow before = sample_row();
    put_network(before);
    emu();
    EXPECT_EQ(post("/7041", "{\"gateway\":\"10.0.0.254\"}").body(), "OK");
    NetworkRow want = before;
    set_text(want.bond.gateway, "10.0.0.254");
    EXPECT_EQ(stored_hex(), to_hex(&want, sizeof want));
}

TEST_F(NetworkTest, WriteTakesAnyModeAndRefusesOnlyNonJson)
{
    NetworkRow before = sample_row();
    put_network(before);
    emu();
    for (const char* body : {"mode=0", ""}) EXPECT_EQ(post("/7041", body).out, "") << body;
    EXPECT_EQ(stored_hex(), to_hex(&before, sizeof before));
    EXPECT_TRUE(emu().received().empty());
    // A mode other than 0, 1 and 2 is stored and writes the bonded view.
    EXPECT_EQ(post("/7041", "{\"mode\":3,\"ipAddr\":\"1.2.3.4\"}").body(), "OK");
    NetworkRow want = before;
    want.mode = 3;
    set_text(want.bond.address, "1.2.3.4");
    EXPECT_EQ(stored_hex(), to_hex(&want, sizeof want));
    EXPECT_EQ(emu().received(3023).size(), 1u);
}

TEST_F(NetworkTest, ModeApplyAndMac)
{
    NetworkRow row = sample_row();
    row.mode = 2;
    put_network(row);
    emu();
    EXPECT_EQ(post("/7042", "").out, "Content-type: text/plain\r\n\r\n2");

    EXPECT_EQ(post("/7043", "ignored").body(), "OK");
    auto apply = emu().received(1712);
    ASSERT_EQ(apply.size(), 1u);
    EXPECT_EQ(apply[0].payload, std::vector<uint8_t>(32, 0));
    EXPECT_EQ(apply[0].flags & 1, 0u);

    // Without a configured address: eth0's, or the fixed fallback.
    std::regex pairs("\\{ \"mac0\": \"([0-9A-F]{2}:){5}[0-9A-F]{2}\" \\}");
    auto plain = post("/7044", "").body();
    EXPECT_TRUE(std::regex_match(plain, pairs)) << plain;
    root().write_file("/mnt/nand/mac.conf", "025e7a0a19c8\n");
    auto mac = post("/7044", "");
    EXPECT_EQ(mac.header(), "Content-type: application/json");
    EXPECT_EQ(mac.body(), "{ \"mac0\": \"02:5e:7a:0a:19:c8\" }");
}

TEST_F(NetworkTest, DefaultRoute)
{
    emu();
    // Nothing stored, or no JSON: nothing sent or written.
    EXPECT_EQ(post("/7096", "{\"defaultRoute\":1}").out, kJsonError);
    EXPECT_EQ(store({"dump", "network"}).out, "");
    NetworkRow before = sample_row();
    put_network(before);
    EXPECT_EQ(post("/7096", "route=1").out, kJsonError);
    EXPECT_TRUE(emu().received().empty());

    emu().rule("1724 reply 6724 hex:05000000");
    EXPECT_EQ(post("/7096", "{\"defaultRoute\":0}").body(), "{ \"res\": 5 }");
    NetworkRow want = before;
    want.default_route = 0;
    EXPECT_EQ(stored_hex(), to_hex(&want, sizeof want));
    auto sent = emu().received(1724);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(to_hex(sent[0].payload.data(), sent[0].payload.size()), "00000000");
    EXPECT_EQ(sent[0].flags & 1, 1u);
    EXPECT_TRUE(emu().received(3485).empty());
}

TEST_F(NetworkTest, DefaultRouteWithoutReplyOrKey)
{
    NetworkRow before = sample_row();
    put_network(before);
    emu().rule("1724 close");
    EXPECT_EQ(post("/7096", "{\"defaultRoute\":0}").out, kJsonError);
    EXPECT_EQ(stored_row().default_route, 0);  // written before the wait
    // A request that names no route keeps the stored one.
    EXPECT_EQ(post("/7096", "{}").out, kJsonError);
    EXPECT_EQ(stored_row().default_route, 0);
    auto sent = emu().received(1724);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(to_hex(sent[1].payload.data(), sent[1].payload.size()), "00000000");
}

TEST_F(NetworkTest, FactorySettingsAndDemoDaemon)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    EXPECT_EQ(post("/7042", "").body(), "0");
    auto body = post("/7040", "0").body();
    EXPECT_NE(body.find("\"ipAddr\": \"192.168.1.100\", \"netmask\": \"255.255.255.0\", \"gateway\": \"192.168.1.1\""),
              std::string::npos)
        << body;
    EXPECT_EQ(post("/7096", "{\"defaultRoute\":1}").body(), "{ \"res\": 0 }");
    EXPECT_EQ(stored_row().default_route, 1);
}

}  // namespace
