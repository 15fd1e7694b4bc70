// Factory network settings: two independent ports with fixed addresses,
// IPv6 addresses learned on the link, eth0 carrying the default route.
#include "handlers/network/network_records.h"
#include "tools/store/seeds.h"

namespace {

void seed_ipv4(NetIpv4Set& s, int enable, const char* address, const char* gateway)
{
    s.enable = enable;
    s.type = 0;
    set_text(s.address, address);
    set_text(s.netmask, "255.255.255.0");
    set_text(s.gateway, gateway);
    set_text(s.dns1, gateway);
    set_text(s.dns2, "");
    s.mtu = 1500;
}

int seed_network(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    NetworkRow row = zeroed<NetworkRow>();
    row.mode = kNetModeSeparate;
    set_text(row.host_name, "NVR");
    seed_ipv4(row.bond, 1, "192.168.1.100", "192.168.1.1");
    seed_ipv4(row.port[0], 1, "192.168.1.100", "192.168.1.1");
    seed_ipv4(row.port[1], 1, "192.168.2.100", "192.168.2.1");
    row.port6_type[0] = row.port6_type[1] = row.bond6_type = kIpv6TypeLinkGateway;
    row.default_route = 0;
    return store_write(into, kNetworkKind, 0, row);
}

}  // namespace

NVR_STORE_SEED(seed_network);
