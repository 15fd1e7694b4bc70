// Store calls of the network services' rows.
#include "handlers/network/services_records.h"

int read_pppoe(const char* db, PppoeRow* out) { return store_read(db, kPppoeKind, 0, out); }
int write_pppoe(const char* db, const PppoeRow& row) { return store_write(db, kPppoeKind, 0, row); }
int read_ddns(const char* db, DdnsRow* out) { return store_read(db, kDdnsKind, 0, out); }
int write_ddns(const char* db, const DdnsRow& row) { return store_write(db, kDdnsKind, 0, row); }
int read_email(const char* db, EmailRow* out) { return store_read(db, kEmailKind, 0, out); }
int write_email(const char* db, const EmailRow& row) { return store_write(db, kEmailKind, 0, row); }
int read_port(const char* db, PortRow* out) { return store_read(db, kPortKind, 0, out); }
int write_port(const char* db, const PortRow& row) { return store_write(db, kPortKind, 0, row); }
int read_multicast(const char* db, MulticastRow* out) { return store_read(db, kMulticastKind, 0, out); }
int write_multicast(const char* db, const MulticastRow& row) { return store_write(db, kMulticastKind, 0, row); }

int read_push_msg_events(const char* db, PushEventRow* out, int count)
{
    int present = 0;
    return store_read_all(db, kPushEventKind, out, count, &present);
}

int write_push_msg_events(const char* db, const PushEventRow* rows, int count)
{
    return store_write_all(db, kPushEventKind, rows, count);
}

int read_push_msg_nvr_event(const char* db, PushPosRow* out) { return store_read(db, kPushPosKind, 0, out); }
int write_push_msg_nvr_event(const char* db, const PushPosRow& row) { return store_write(db, kPushPosKind, 0, row); }
