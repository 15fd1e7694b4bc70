// HTTPS certificate of the web server: the certificate parameters, the
// message that announces a new certificate or request, the files under
// "/mnt/nand/ssl" and the switch.
#pragma once

#include "platform/record.h"
#include "platform/kxdb.h"

// Core messages.
constexpr u32 kMsgSslCreate = 3316;   // SslParams (dates zero); reply 8316
constexpr u32 kReplySslCreate = 8316;
constexpr u32 kMsgSslReload = 3317;   // no payload
constexpr u32 kMsgSslInstall = 3318;  // no payload; reply 8318 {int32 1 = accepted}
constexpr u32 kReplySslInstall = 8318;
constexpr u32 kMsgSslDelete = 3320;   // no payload
constexpr u32 kMsgHttpsSwitch = 3322; // 4 bytes: the switch

// Certificate parameters: the payload of 3316 (a creation request) and, with
// the validity dates filled in, the stored parameters of the certificate
// (store kind "ssl_params", row kSslParamsCert) and of the request (row
// kSslParamsRequest).
struct SslParams {
    i32 install_type;        //   0  0 self-signed certificate, other: request ("InstallType")
    char country[3];         //   4  two letters
    char common_name[64];    //   7
    u8 pad0[1];              //  71
    i32 validity;            //  72  days (self-signed only)
    char password[16];       //  76  private-key pass phrase as typed
    char province[64];       //  92
    char region[64];         // 156
    char organization[64];   // 220
    char company[64];        // 284
    char email[64];          // 348
    u8 zero0[256];           // 412
    char dates[192];         // 668  stored parameters only: "from - to"
    char start_time[16];     // 860  self-signed only
    char end_time[16];       // 876  self-signed only
};
NVR_RECORD_SIZE(SslParams, 892);

constexpr int kSslParamsCert = 0;
constexpr int kSslParamsRequest = 2;
NVR_STORE_KIND(kSslParamsKind, "ssl_params", 3, SslParams);

// Store key of the HTTPS switch (0 or 1).
constexpr const char* kKeyHttpsEnable = "httpsenable";

// Files.
constexpr const char* kSslDir = "/mnt/nand/ssl";
constexpr const char* kSslCert = "/mnt/nand/ssl/ssl_cert.pem";          // certificate and key (0600)
constexpr const char* kSslCertSave = "/mnt/nand/ssl/ssl_cert_save.pem"; // the one it replaced (0600)
constexpr const char* kSslRequest = "/mnt/nand/ssl/tmp/ssl_cert.csr";   // pending request
constexpr const char* kSslRequestKey = "/mnt/nand/ssl/tmp/ssl_cert.key"; // its key (0600)
constexpr const char* kSslStrayRequest = "/mnt/nand/ssl/ssl_cert.csr";  // removed with the certificate
constexpr const char* kSslCaDir = "/mnt/nand/ssl/demoCA";               // CA working directory

// Store calls: `kind` is kSslParamsCert or kSslParamsRequest. Reads give 0,
// or -1 with a zeroed record when none is stored.
int read_ssl_params(const char* db, int kind, SslParams* out);
int write_ssl_params(const char* db, int kind, const SslParams& params);
