// Store calls of the network row and its views.
#include <cstring>

#include "handlers/network/network_records.h"

int read_network(const char* db, NetworkRow* out) { return store_read(db, kNetworkKind, 0, out); }

int write_network(const char* db, const NetworkRow& row) { return store_write(db, kNetworkKind, 0, row); }

int read_network_bond(const char* db, NetworkBondView* out)
{
    NetworkRow row;
    int rc = read_network(db, &row);
    out->mode = row.mode;
    std::memcpy(out->host_name, row.host_name, sizeof row.host_name);
    out->primary_net = row.primary_net;
    out->bond = row.bond;
    out->bond6 = row.bond6;
    out->bond6_type = row.bond6_type;
    out->default_route = row.default_route;
    return rc;
}

int write_network_bond(const char* db, const NetworkBondView& view)
{
    NetworkRow row;
    read_network(db, &row);
    row.mode = view.mode;
    row.primary_net = view.primary_net;
    row.bond = view.bond;
    row.bond6 = view.bond6;
    row.bond6_type = view.bond6_type;
    return write_network(db, row);
}

int read_network_muti(const char* db, NetworkMutiView* out)
{
    NetworkRow row;
    int rc = read_network(db, &row);
    out->mode = row.mode;
    std::memcpy(out->host_name, row.host_name, sizeof row.host_name);
    for (int i = 0; i < 2; i++) {
        out->port[i] = row.port[i];
        out->port6[i] = row.port6[i];
        out->port6_type[i] = row.port6_type[i];
    }
    out->default_route = row.default_route;
    return rc;
}

int write_network_muti(const char* db, const NetworkMutiView& view)
{
    NetworkRow row;
    read_network(db, &row);
    row.mode = view.mode;
    for (int i = 0; i < 2; i++) {
        row.port[i] = view.port[i];
        row.port6[i] = view.port6[i];
        row.port6_type[i] = view.port6_type[i];
    }
    row.default_route = view.default_route;
    return write_network(db, row);
}

int read_network_mode(const char* db)
{
    NetworkRow row;
    return read_network(db, &row) == 0 ? row.mode : -1;
}
