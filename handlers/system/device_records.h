// Device information, UPnP port mapping, the automatic reboot plan and the
// service-port row the device page and the set-up wizard read and change.
// Shared by the handlers, the emulator's demo answers, the store seeds and
// the tests.
#pragma once

#include "platform/record.h"
#include "handlers/network/services_records.h"  // the service-port row (PortRow)
#include "platform/kxdb.h"

// Core daemon messages.
constexpr u32 kMsgDeviceInfo = 3400;       // no payload; reply 8400: DeviceInfoRecord
constexpr u32 kMsgDeviceValue = 3265;      // no payload; reply 8265: i32 value
constexpr u32 kReplyDeviceInfo = 8400;
constexpr u32 kReplyDeviceValue = 8265;
constexpr u32 kMsgDeviceSignal = 3267;     // no payload, no reply
constexpr u32 kMsgDeviceNumber = 1705;     // 4 bytes: the device number
constexpr u32 kMsgSettingsArea = 1702;     // SettingsAreaName: which settings changed
constexpr u32 kMsgUpnpApply = 3720;        // UpnpRecord
constexpr u32 kMsgAutoRebootChanged = 1718;  // no payload
constexpr u32 kMsgCameraEnabled = 1201;    // 4 bytes: channel id
constexpr u32 kMsgCameraDisabled = 1202;   // 4 bytes: channel id
constexpr u32 kMsgRecordModeChanged = 1407;  // 4 bytes: channel id

constexpr int kDeviceIdMax = 255;
constexpr int kDefaultMaxCameraChannels = 32;  // `max_cameras` when the key is absent

// The device's identity and capacities (reply 8400).
struct DeviceInfoRecord {
    i32 device_id;         //   0  "deviceId"
    i32 max_cameras;       //   4  "maxCameras"
    u8 reserved0[8];       //   8
    i32 max_sensor;        //  16  "maxSensor": alarm inputs
    i32 max_alarm;         //  20  "maxAlarm": alarm outputs
    u8 reserved1[4];       //  24
    i32 max_audio_out;     //  28  "maxAudioOut"
    i32 display_num;       //  32  "displayNum"
    u8 reserved2[8];       //  36
    i32 max_rs485;         //  44  "masRs485"
    u8 reserved3[4];       //  48
    i32 max_network_lan;   //  52  "maxNetworkLan"
    u8 reserved4[4];       //  56
    i32 oem_version;       //  60  "oemversion"
    u8 reserved5[4];       //  64
    i32 kxddns;            //  68  "kxddns"
    char sn[65];           //  72  "sn" and "sncode"
    char prefix[16];       // 137  "prefix"
    char device_name[32];  // 153  "deviceName" and "product"
    char software[32];     // 185  "software"
    char hwver[32];        // 217  "hwver"
    u8 reserved6[160];     // 249
    char mac_address[40];  // 409  "macAddress"
    u8 reserved7[3];       // 449
    i32 is_support_talk;   // 452  "isSupportTalk"
    u8 reserved8[128];     // 456
};
NVR_RECORD_SIZE(DeviceInfoRecord, 584);

// Payload of message 1702: the NUL-padded name of the settings that changed
// ("hostname" after a device-name change, "more" after the SSH switch).
struct SettingsAreaName {
    char name[32];  // 0
};
NVR_RECORD_SIZE(SettingsAreaName, 32);

// UPnP port mapping: the store row, and the payload of message 3720.
struct UpnpRecord {
    i32 enable;              //   0
    i32 type;                //   4
    u8 reserved[128];        //   8  kept as stored
    i32 external_http_port;  // 136
    i32 http_status;         // 140  mapping status, set by the core daemon
    i32 external_rtsp_port;  // 144
    i32 rtsp_status;         // 148
};
NVR_RECORD_SIZE(UpnpRecord, 152);

// The automatic reboot plan.
struct AutoRebootRecord {
    i32 enable;        //   0  0 or 1
    i32 wday;          //   4  0 every day, 1..7 one day of the week
    i32 hour;          //   8  0..23
    i32 minutes;       //  12  0..59
    i32 seconds;       //  16  0..59
    u8 reserved[108];  //  20  kept as stored
};
NVR_RECORD_SIZE(AutoRebootRecord, 128);

NVR_STORE_KIND(kUpnpKind, "upnp", 1, UpnpRecord);
NVR_STORE_KIND(kAutoRebootKind, "autoreboot_conf", 1, AutoRebootRecord);

// Store calls: one row each; a read of an absent row gives a zero record
// and -1.
int read_upnp(const char* db, UpnpRecord* out);
int read_autoreboot_conf(const char* db, AutoRebootRecord* out);
int write_autoreboot_conf(const char* db, const AutoRebootRecord& rec);
// Sets the camera address of channels 0..count-1 to addresses[i] in one
// transaction (the channels' other camera settings are kept).
int write_camera_ips(const char* db, const char (*addresses)[32], int count);
