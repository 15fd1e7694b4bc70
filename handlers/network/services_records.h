// Rows of the network services: PPPoE, DDNS, e-mail, multicast, the service
// ports and the push-message settings, with the core messages that carry
// them.
#pragma once

#include "platform/record.h"
#include "handlers/shared/device.h"  // kMsgReboot
#include "platform/kxdb.h"

// Core messages (1702, the changed section, is kMsgSettingsChanged).
constexpr u32 kMsgTestMail = 3409;          // 32-byte text "testmail"; reply 8409 {int32 result}
constexpr u32 kMsgMulticast = 1729;         // MulticastRow; reply 6729 {int32 result}
constexpr u32 kReplyTestMail = 8409;
constexpr u32 kReplyMulticast = 6729;
constexpr u32 kMsgChannelAccess = 3618;     // 4 bytes: the access switch
constexpr u32 kMsgPosPort = 1422;           // 4 bytes: the POS port
constexpr u32 kMsgPushSwitch = 3617;        // 10-byte text "0" or "1"

// PPPoE dial-up account (store kind "pppoe", one row).
struct PppoeRow {
    i32 enable;            //   0
    i32 auto_connect;      //   4
    char user_name[64];    //   8
    char password[64];     //  72
};
NVR_RECORD_SIZE(PppoeRow, 136);

NVR_STORE_KIND(kPppoeKind, "pppoe", 1, PppoeRow);

// Dynamic DNS account (store kind "ddns", one row).
struct DdnsRow {
    i32 enable;             //   0
    char domain[64];        //   4
    char user_name[32];     //  68
    char password[32];      // 100
    char host_name[128];    // 132
    char hash[128];         // 260  "freeDNSHash"
    i32 update_freq;        // 388
    i32 http_port;          // 392
    i32 rtsp_port;          // 396
    char update_url[128];   // 400  "ddnsurl"
};
NVR_RECORD_SIZE(DdnsRow, 528);

NVR_STORE_KIND(kDdnsKind, "ddns", 1, DdnsRow);

constexpr int kEmailReceivers = 3;

struct EmailReceiver {
    char address[128];  //   0
    char name[64];      // 128
    u8 zero0[4];        // 192
};
NVR_RECORD_SIZE(EmailReceiver, 196);

// E-mail (SMTP) account (store kind "email", one row).
struct EmailRow {
    i32 enable;                                //   0
    char user_name[64];                        //   4
    char password[64];                         //  68
    char smtp_server[64];                      // 132
    i32 smtp_port;                             // 196
    char sender_addr[128];                     // 200
    char sender_name[64];                      // 328
    i32 tls;                                   // 392  0..2 ("enableTls")
    i32 attach;                                // 396  0 or 1
    i32 capture_interval;                      // 400
    u8 reserved[4];                            // 404  kept as stored
    EmailReceiver receivers[kEmailReceivers];  // 408
};
NVR_RECORD_SIZE(EmailRow, 996);

NVR_STORE_KIND(kEmailKind, "email", 1, EmailRow);

// Service ports of the recorder (store kind "port", one row).
struct PortRow {
    i32 enable_ssh;         //   0
    i32 ssh_port;           //   4
    i32 http_port;          //   8
    i32 rtsp_port;          //  12
    i32 service_port;       //  16
    char host_name[256];    //  20  sender host name of e-mails
    i32 enable_host_name;   // 276
    i32 https_port;         // 280
    i32 pos_port;           // 284
};
NVR_RECORD_SIZE(PortRow, 288);

NVR_STORE_KIND(kPortKind, "port", 1, PortRow);

// Multicast of the live streams (store kind "multicast", one row); also the
// payload of 1729.
struct MulticastRow {
    i32 enable;        //  0
    char address[65];  //  4
    u8 zero0[3];       // 69
};
NVR_RECORD_SIZE(MulticastRow, 72);

NVR_STORE_KIND(kMulticastKind, "multicast", 1, MulticastRow);

constexpr int kPushChannels = 64;

// Events of one channel pushed to mobile clients (store kind
// "push_msg_event", row = channel).
struct PushEventRow {
    i32 channel;     // 0
    i32 event_mask;  // 4
};
NVR_RECORD_SIZE(PushEventRow, 8);

NVR_STORE_KIND(kPushEventKind, "push_msg_event", kPushChannels, PushEventRow);

// Point-of-sale text pushed to mobile clients (store kind
// "push_msg_nvr_event", one row).
struct PushPosRow {
    char text[65];  // 0
};
NVR_RECORD_SIZE(PushPosRow, 65);

NVR_STORE_KIND(kPushPosKind, "push_msg_nvr_event", 1, PushPosRow);

// Store keys.
constexpr const char* kKeyChannelAccess = "ch_access";          // default 0
constexpr const char* kKeyPushType = "push_type";
constexpr const char* kKeyPushAlarmInType = "pushmsg_alarmin_type";  // default 65535
constexpr const char* kKeyPushEnable = "enable_push_msg";      // text "0" or "1"
constexpr const char* kKeyPushStream = "video_push_stream";    // default 0
constexpr const char* kKeyPoePorts = "max_poe_num";            // default 0

// The first port reserved for PoE cameras: 4, 8 or 16 PoE ports reserve as
// many ports from here on.
constexpr int kPoeFirstPort = 23001;

// Store calls (one row each; reads give 0, or -1 with a zeroed row when none
// is stored).
int read_pppoe(const char* db, PppoeRow* out);
int write_pppoe(const char* db, const PppoeRow& row);
int read_ddns(const char* db, DdnsRow* out);
int write_ddns(const char* db, const DdnsRow& row);
int read_email(const char* db, EmailRow* out);
int write_email(const char* db, const EmailRow& row);
int read_port(const char* db, PortRow* out);
int write_port(const char* db, const PortRow& row);
int read_multicast(const char* db, MulticastRow* out);
int write_multicast(const char* db, const MulticastRow& row);
// The push events of channels 0..count-1 (absent rows zeroed).
int read_push_msg_events(const char* db, PushEventRow* out, int count);
// Writes rows 0..count-1 in one transaction.
int write_push_msg_events(const char* db, const PushEventRow* rows, int count);
int read_push_msg_nvr_event(const char* db, PushPosRow* out);
int write_push_msg_nvr_event(const char* db, const PushPosRow& row);

// The port check of a service port being changed to `port`: true when the
// port is reserved for PoE cameras or something already listens on it.
bool service_port_taken(int port);
