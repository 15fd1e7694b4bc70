// Store calls of the HTTPS certificate parameters, the P2P information and
// the SNMP settings.
#include "handlers/network/https_records.h"
#include "handlers/network/p2p_records.h"
#include "handlers/network/snmp_records.h"

int read_ssl_params(const char* db, int kind, SslParams* out) { return store_read(db, kSslParamsKind, kind, out); }
int write_ssl_params(const char* db, int kind, const SslParams& params)
{
    return store_write(db, kSslParamsKind, kind, params);
}
int read_p2p_info(const char* db, P2pInfoRow* out) { return store_read(db, kP2pInfoKind, 0, out); }
int write_p2p_info(const char* db, const P2pInfoRow& row) { return store_write(db, kP2pInfoKind, 0, row); }
int read_snmp(const char* db, SnmpRow* out) { return store_read(db, kSnmpKind, 0, out); }
int write_snmp(const char* db, const SnmpRow& row) { return store_write(db, kSnmpKind, 0, row); }
