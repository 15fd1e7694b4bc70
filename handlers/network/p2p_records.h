// P2P cloud service: the stored P2P information, the state the core daemon
// reports, and the registration exchanged with the P2P server.
#pragma once

#include "platform/record.h"
#include "platform/kxdb.h"

// Core messages.
constexpr u32 kMsgP2pEnable = 3700;   // P2pInfoRow (enable, rest zero); reply 8700 {int32 result}.
                                      // Also the server's text after a registration (no wait).
constexpr u32 kMsgP2pDisable = 3701;  // P2pInfoRow as stored; reply 8701 {int32 result}
constexpr u32 kMsgP2pState = 3702;    // no payload; reply 8702 P2pState
constexpr u32 kMsgAddrCheck = 3005;   // P2pAddrCheck; reply 8005 {int32 result}
constexpr u32 kMsgDevAddrCheck = 3006; // P2pDevAddrCheck; reply 8006 {int32 result}
constexpr u32 kReplyP2pEnable = 8700;
constexpr u32 kReplyP2pDisable = 8701;
constexpr u32 kReplyP2pState = 8702;
constexpr u32 kReplyAddrCheck = 8005;
constexpr u32 kReplyDevAddrCheck = 8006;

// P2P information (store kind "p2p_info", one row). The texts are the core
// daemon's; a registration forwards them to the P2P server.
struct P2pInfoRow {
    i32 enable;             //   0
    u8 daemon0[32];         //   4  the core daemon's
    char text[3][128];      //  36  forwarded: at 36, 164 and 292
    char tag[64];           // 420  forwarded
};
NVR_RECORD_SIZE(P2pInfoRow, 484);

NVR_STORE_KIND(kP2pInfoKind, "p2p_info", 1, P2pInfoRow);

// State of the P2P service (reply 8702).
struct P2pState {
    i32 enable;               //   0
    i32 status;               //   4  "p2pstatus"
    char model[32];           //   8
    char ipc[64];             //  40
    char cloud_account[64];   // 104
    char cloud_server[64];    // 168
    char register_code[128];  // 232
    char company[128];        // 360
    char email[128];          // 488
    char dealer[128];         // 616
};
NVR_RECORD_SIZE(P2pState, 744);

// Payloads of the address checks.
struct P2pAddrCheck {
    char ip[20];  // 0
};
NVR_RECORD_SIZE(P2pAddrCheck, 20);

struct P2pDevAddrCheck {
    char dev[16];  //  0
    char ip[16];   // 16
};
NVR_RECORD_SIZE(P2pDevAddrCheck, 32);

// Registration request sent to the P2P server.
struct P2pRegRequest {
    char mac[24];          //   0  MAC of eth0, "XX:XX:XX:XX:XX:XX"
    char device_name[32];  //  24  "deviceName"
    char sn[64];           //  56  "sn"
    char text[3][128];     // 120  the P2P information's texts
    char tag[64];          // 504
};
NVR_RECORD_SIZE(P2pRegRequest, 568);

// Header before a registration request and of the server's answer.
struct P2pRegHeader {
    i32 kind;        //  0  2
    i32 zero0;       //  4
    i32 size;        //  8  encrypted size of the request that follows
    i32 status;      // 12  answer: 0 accepted (a text follows), 2 refused; 0 in requests
    i32 version;     // 16  1
    i32 zero1[5];    // 20
};
NVR_RECORD_SIZE(P2pRegHeader, 40);

constexpr i32 kP2pRegAccepted = 0;
constexpr i32 kP2pRegRefused = 2;

// Results of a registration, the reply of "/7062".
constexpr int kP2pDone = 0;
constexpr int kP2pRefused = 2;
constexpr int kP2pNetwork = 3;
constexpr int kP2pKeyFailed = 4;

// The P2P server: its host name ("host" or "host:port"; a bare host is
// reached on kP2pServerPort) and this recorder's key file.
constexpr const char* kKeyP2pServer = "p2p_server";
constexpr const char* kP2pDefaultServer = "p2p.cloud.invalid";  // set per installation
constexpr int kP2pServerPort = 9999;
constexpr const char* kP2pKeyFile = "/mnt/nand/p2p/client_key.pem";
constexpr int kP2pWork = 2048;  // work buffer of each send; largest answer

// Store calls (one row; a read gives 0, or -1 with a zeroed row when none).
int read_p2p_info(const char* db, P2pInfoRow* out);
int write_p2p_info(const char* db, const P2pInfoRow& row);
