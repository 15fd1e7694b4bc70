// SNMP agent settings (versions 1, 2c and 3) and the status messages of the
// SNMP page.
#pragma once

#include "platform/record.h"
#include "platform/kxdb.h"

// Core messages (the settings change is announced with 1702 "snmp").
constexpr u32 kMsgSnmpStatus = 3309;  // no payload; reply 8309 {int32 status}
constexpr u32 kMsgSnmpCheck = 2302;   // no payload; reply 7302
constexpr u32 kReplySnmpStatus = 8309;
constexpr u32 kReplySnmpCheck = 7302;

// SNMP settings (store kind "snmp", one row). The JSON keys are the field
// names of the settings page.
struct SnmpRow {
    i32 v1_enable;                  //   0
    i32 v2c_enable;                 //   4
    char write_community[64];       //   8
    char read_community[64];        //  72
    i32 v3_enable;                  // 136
    char read_security_name[64];    // 140
    i32 read_level_security;        // 204
    i32 read_auth_algorithm;        // 208
    char read_auth_password[64];    // 212
    i32 read_pri_algorithm;         // 276
    char read_pri_password[64];     // 280
    char write_security_name[64];   // 344
    i32 write_level_security;       // 408
    i32 write_auth_algorithm;       // 412
    char write_auth_password[64];   // 416
    i32 write_pri_algorithm;        // 480
    char write_pri_password[64];    // 484
    i32 port;                       // 548
};
NVR_RECORD_SIZE(SnmpRow, 552);

NVR_STORE_KIND(kSnmpKind, "snmp", 1, SnmpRow);

// Store calls (one row; a read gives 0, or -1 with a zeroed row when none).
int read_snmp(const char* db, SnmpRow* out);
int write_snmp(const char* db, const SnmpRow& row);
