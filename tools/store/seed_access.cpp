// Factory settings of the ways in from outside: HTTPS off with no
// certificate parameters, the P2P service off with the default P2P server,
// and the SNMP agent off on its usual port with the usual communities.
#include "handlers/network/https_records.h"
#include "handlers/network/p2p_records.h"
#include "handlers/network/snmp_records.h"
#include "tools/store/seeds.h"

static int seed_access(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    SslParams none = zeroed<SslParams>();
    P2pInfoRow p2p = zeroed<P2pInfoRow>();
    SnmpRow snmp = zeroed<SnmpRow>();
    set_text(snmp.read_community, "public");
    set_text(snmp.write_community, "private");
    snmp.port = 161;
    if (store_write(into, kSslParamsKind, kSslParamsCert, none) ||
        store_write(into, kSslParamsKind, kSslParamsRequest, none) || store_write(into, kP2pInfoKind, 0, p2p) ||
        store_write(into, kSnmpKind, 0, snmp))
        return -1;
    if (put_param_value(into, kKeyHttpsEnable, "0") || put_param_value(into, kKeyP2pServer, kP2pDefaultServer))
        return -1;
    return 0;
}
NVR_STORE_SEED(seed_access);
