// Camera channels as the store keeps them, and the records exchanged with the
// core daemon about cameras. Shared by the camera handlers, the emulator's
// demo answers, the store seeds and the tests.
#pragma once

#include "platform/record.h"
#include "platform/kxdb.h"

constexpr int kMaxCameras = 64;          // channel rows of the store: ids 0..63
constexpr int kMaxIpcProtocols = 32;     // protocol rows, indexed by protocol id
constexpr int kMaxIpcModels = 512;       // model rows, indexed by model id
constexpr int kMaskAreas = 24;           // privacy-mask areas of one channel
constexpr int kDefaultMaxCameras = 32;   // `max_cameras` when the key is absent

// ---- store rows ----

// One channel's camera configuration.
struct CameraRecord {
    i32 id;                      //    0  channel id, 0-based
    i32 cleared;                 //    4  1 once the channel has been cleared
    i32 enable;                  //    8
    i32 anr;                     //   12  camera-side recording on network loss ("anr" column)
    i32 record_stream;           //   16  stream that is recorded ("record_stream" column)
    u8 reserved0[8];             //   20
    char user[64];               //   28  camera login
    char password[64];           //   92
    char ip[64];                 //  156  address or host name
    i32 main_rtsp_port;          //  220
    char main_source_path[256];  //  224
    i32 sub_enable;              //  480
    i32 sub_rtsp_port;           //  484
    char sub_source_path[256];   //  488
    i32 manage_port;             //  744
    i32 protocol;                //  748  protocol / model number
    i32 transmit;                //  752  0 UDP, 1 and 2 TCP
    u8 reserved1[4];             //  756
    i32 kept;                    //  760  survives clearing the channel
    i32 sync_time;               //  764
    u8 reserved2[4];             //  768
    char main_rtsp_url[256];     //  772
    char sub_rtsp_url[256];      // 1028
    i32 poe_channel;             // 1284
    char mac[32];                // 1288
    i32 physical_port;           // 1320
    u8 reserved3[68];            // 1324
    i32 minor_id;                // 1392
    char ddns[64];               // 1396
};
NVR_RECORD_SIZE(CameraRecord, 1460);

// One channel's on-screen display; its name is the channel name.
struct OsdRecord {
    i32 id;              //   0  channel id
    char name[64];       //   4
    i32 show_name;       //  68
    i32 show_date;       //  72
    i32 show_week;       //  76
    i32 date_format;     //  80  0..3
    i32 time_format;     //  84
    double date_pos_x;   //  88
    double date_pos_y;   //  96
    double name_pos_x;   // 104
    double name_pos_y;   // 112
    i32 alpha;           // 120
    u8 kept[4];          // 124
};
NVR_RECORD_SIZE(OsdRecord, 128);

// One privacy-mask area.
struct MaskArea {
    i32 area_id;      //  0
    i32 enable;       //  4
    i32 start_x;      //  8
    i32 start_y;      // 12
    i32 area_width;   // 16
    i32 area_height;  // 20
    i32 width;        // 24
    i32 height;       // 28
    i32 fill_color;   // 32
    i32 more[4];      // 36
};
NVR_RECORD_SIZE(MaskArea, 52);

// One channel's privacy masks.
struct PrivacyMaskRecord {
    i32 id;                      //  0  channel id
    MaskArea area[kMaskAreas];   //  4
};
NVR_RECORD_SIZE(PrivacyMaskRecord, 1252);

// A camera protocol the recorder speaks.
struct IpcProtocolRecord {
    i32 id;                 //  0  protocol number
    char name[24];          //  4
    i32 protocol_function;  // 28
    i32 enable;             // 32
    i32 display_model;      // 36
};
NVR_RECORD_SIZE(IpcProtocolRecord, 40);

// A camera model of a protocol. Model ids 0..7 are the generic model of the
// protocol with the same number, so a camera's protocol/model field names
// both.
struct IpcModelRecord {
    i32 id;             //  0  model id
    i32 protocol;       //  4  protocol number
    char name[32];      //  8
    i32 alarm_type;     // 40
    i32 default_model;  // 44
};
NVR_RECORD_SIZE(IpcModelRecord, 48);

NVR_STORE_KIND(kCameraKind, "camera", kMaxCameras, CameraRecord);
NVR_STORE_KIND(kOsdKind, "osd", kMaxCameras, OsdRecord);
NVR_STORE_KIND(kPrivacyMaskKind, "privacy_mask", kMaxCameras, PrivacyMaskRecord);
NVR_STORE_KIND(kIpcProtocolKind, "ipc_protocol", kMaxIpcProtocols, IpcProtocolRecord);
NVR_STORE_KIND(kIpcModelKind, "ipc_model", kMaxIpcModels, IpcModelRecord);

// ---- core daemon records ----

// Live state of one channel (reply 8201).
struct CameraStatusRecord {
    i32 id;              //   0
    i32 manage_port;     //   4
    i32 protocol;        //   8
    i32 state;           //  12
    i32 main_rtsp_port;  //  16
    char ip[32];         //  20
    char vendor[192];    //  52
    char sn[128];        // 244
    char fw_version[64]; // 372
    char mac[48];        // 436
    char model[324];     // 484
    i32 poe_channel;     // 808
    i32 physical_port;   // 812
    i32 alarm_in;        // 816
    i32 alarm_out;       // 820
    i32 white_led;       // 824
    i32 led_alarm;       // 828
    i32 led_manual;      // 832
    i32 minor_id;        // 836
    i32 sub_state;       // 840
    i32 connect_state;   // 844
    char sn_real[64];    // 848
    char ddns[64];       // 912
};
NVR_RECORD_SIZE(CameraStatusRecord, 976);

// One camera found on the network (reply 8200).
struct CameraSearchRecord {
    char ip[32];          //   0
    char mac[32];         //  32
    i32 manage_port;      //  64
    i32 protocol;         //  68
    char vendor[192];     //  72
    char sn[128];         // 264
    char fw_version[64];  // 392
    char model[64];       // 456
    i32 model_id;         // 520
    char netmask[32];     // 524
    char dns[32];         // 556
    char gateway[32];     // 588
    char netif[8];        // 620
    i32 active_status;    // 628
    char name[64];        // 632
    char sn_real[64];     // 696
};
NVR_RECORD_SIZE(CameraSearchRecord, 760);

// New network settings for one camera (message 3205).
struct IpChangeRecord {
    char mac[48];          //   0
    char old_ip[32];       //  48
    char new_ip[32];       //  80
    char netmask[32];      // 112
    char gateway[32];      // 144
    char primary_dns[32];  // 176
    i32 port;              // 208
    char user[64];         // 212
    char password[33];     // 276  at most 32 characters
    u8 pad0[3];            // 309
    i32 protocol;          // 312
    u8 reserved[64];       // 316
    char netif[6];         // 380  at most 5 characters
    u8 pad1[2];            // 386
};
NVR_RECORD_SIZE(IpChangeRecord, 388);

// The same for one of several cameras (message 3229).
struct IpChangeChannelRecord {
    IpChangeRecord change;  //   0
    i32 channel_id;         // 388
    i32 modify_num;         // 392
};
NVR_RECORD_SIZE(IpChangeChannelRecord, 396);

// A camera login to try (message 3202).
struct LoginTestRecord {
    char ip[32];         //   0
    i32 manage_port;     //  32
    char user[64];       //  36
    char password[33];   // 100
    u8 pad0[3];          // 133
    i32 protocol;        // 136
    u8 reserved[68];     // 140
};
NVR_RECORD_SIZE(LoginTestRecord, 208);

// Its second form (message 3227).
struct LoginTestShortRecord {
    i32 zero0;           //   0
    char ip[32];         //   4
    i32 manage_port;     //  36  at least 80
    char user[64];       //  40
    char password[33];   // 104
    u8 pad0[3];          // 137
    i32 protocol;        // 140
    u8 zero1[4];         // 144
};
NVR_RECORD_SIZE(LoginTestShortRecord, 148);

// Detail block of a camera operation-log entry (log detail kind 111).
constexpr int kCameraLogDetailKind = 111;
struct CameraLogDetail {
    i32 param_type;       //   0  901 added, 903 edited
    char ip[64];          //   4
    i32 manage_port;      //  68
    i32 channel;          //  72  counted from 1
    u8 zero0[64];         //  76
    char protocol[16];    // 140  "ONVIF", "RTSP" or "KXSF"
    char transport[4];    // 156  "UDP" or "TCP"
    u8 zero1[12];         // 160
    u8 sync_time;         // 172
    u8 zero2[3];          // 173
};
NVR_RECORD_SIZE(CameraLogDetail, 176);

// The channel-management messages' payload pair (message 1206).
struct PoePowerRecord {
    i32 channel;   // 0
    i32 other_poe; // 4  1 when the camera hangs on another PoE switch
};
NVR_RECORD_SIZE(PoePowerRecord, 8);

// ---- store calls ----
// Channel rows (camera, OSD, privacy mask): a row that is absent, or whose id
// lies outside the store's 64 channels, reads as a zeroed row carrying the
// asked id (result -1), so that a row edited from it is written back to its
// own channel. Every write goes to the row's id field; an id outside the
// kind's rows is refused (-1, nothing written).

int read_camera(const char* db, CameraRecord* out, int id);
int write_camera(const char* db, const CameraRecord* rec);
int read_cameras(const char* db, CameraRecord* out, int* count);  // kMaxCameras rows

int read_osd(const char* db, OsdRecord* out, int id);
int write_osd(const char* db, const OsdRecord* rec);
// The channel name alone: "" for a channel without an OSD row.
int read_osd_name(const char* db, char (&name)[64], int id);
// Every channel's OSD record (kMaxCameras of them; absent rows zeroed).
int read_osds(const char* db, OsdRecord* out, int* count);

int read_privacy_mask(const char* db, PrivacyMaskRecord* out, int id);
int write_privacy_mask(const char* db, const PrivacyMaskRecord* rec);
// Every stored privacy-mask row in channel order, packed into `out` (room
// for kMaxCameras rows); *count is the number of rows.
int read_privacy_masks(const char* db, PrivacyMaskRecord* out, int* count);

// Every stored protocol row in id order, in a list the caller frees with
// release_ipc_protocol (null with a count of 0 when there is none).
int read_ipc_protocols(const char* db, IpcProtocolRecord** list, int* count);
void release_ipc_protocol(IpcProtocolRecord* list);
int write_ipc_protocol(const char* db, const IpcProtocolRecord* rec);  // at rec->id

// The models of one protocol in id order, freed with ipc_destroy.
int read_ipc_models_by_protocol(const char* db, IpcModelRecord** list, int protocol, int* count);
void ipc_destroy(IpcModelRecord* list);
int read_ipc_model(const char* db, IpcModelRecord* out, int model_id);
