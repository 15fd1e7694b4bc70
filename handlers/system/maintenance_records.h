// Records of the maintenance requests: factory reset, firmware upgrades of
// the recorder and of its cameras.
#pragma once

#include "platform/record.h"
#include "handlers/shared/device.h"  // kMsgReboot, the firmware files

// Core daemon messages of maintenance.
constexpr u32 kMsgUpgrade = 1713;          // reply 6713: i32 status, 0 = success
constexpr u32 kMsgOnlineInfo = 1715;       // reply 6715: FirmwareInfo
constexpr u32 kMsgOnlineDownload = 1716;   // reply 6716: i32 result
constexpr u32 kMsgOnlineCancel = 1717;     // reply 6717: i32 result
constexpr u32 kMsgOnlineUpgrade = 1721;
constexpr u32 kMsgFactoryReset = 3311;
constexpr u32 kMsgCameraUpgrade = 3350;    // reply 8350: CameraUpgradeResult
constexpr u32 kMsgCameraFirmwareGone = 3351;
constexpr u32 kMsgCameraCheck = 3365;      // reply 8365: kFirmwareChannels FirmwareInfo
constexpr u32 kMsgResetDone = 3410;
constexpr u32 kReplyUpgrade = 6713;
constexpr u32 kReplyOnlineInfo = 6715;
constexpr u32 kReplyOnlineDownload = 6716;
constexpr u32 kReplyOnlineCancel = 6717;
constexpr u32 kReplyCameraUpgrade = 8350;
constexpr u32 kReplyCameraCheck = 8365;

// Factory-reset options, the payload of message 3311.
struct ResetOptions {
    i32 keep_ip;    // 0  "keepIp": keep the network settings
    i32 keep_user;  // 4  "keepUser": keep the user accounts
};
NVR_RECORD_SIZE(ResetOptions, 8);

// Upgrade flag, the payload of message 1713.
struct UpgradeOrder {
    i32 reset;  // 0  1 = reset the settings after the upgrade
};
NVR_RECORD_SIZE(UpgradeOrder, 4);

// Online firmware source, the payload of message 1716.
struct FirmwareSource {
    char url[128];     //   0
    char target[128];  // 128  firmware file the download goes to
};
NVR_RECORD_SIZE(FirmwareSource, 256);

// Camera upgrade order, the payload of message 3350.
struct CameraUpgradeOrder {
    i32 chnid;       //  0
    i32 reset;       //  4
    char path[256];  //  8  the camera firmware file
};
NVR_RECORD_SIZE(CameraUpgradeOrder, 264);

// Reply 8350.
struct CameraUpgradeResult {
    i32 chnid;   // 0
    i32 status;  // 4
};
NVR_RECORD_SIZE(CameraUpgradeResult, 8);

// Firmware information: reply 6715, and one per channel in reply 8365.
struct FirmwareInfo {
    i32 state;              //   0
    i32 file_size;          //   4
    char softversion[64];   //   8
    char url[128];          //  72
    char description[128];  // 200
};
NVR_RECORD_SIZE(FirmwareInfo, 328);

constexpr int kFirmwareChannels = 64;
