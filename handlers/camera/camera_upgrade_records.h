// Camera firmware upgrades run by the core daemon: the upgrade order sent for
// an uploaded file or a URL, and the per-channel status it reports. Shared by
// the handlers, the emulator's demo answers and the tests.
#pragma once

#include "platform/record.h"

constexpr u32 kMsgIpcUpgradeFile = 3385;    // reply 8385: i32 result
constexpr u32 kMsgIpcUpgradeStatus = 3386;  // reply 8386: IpcUpgradeStatus
constexpr u32 kMsgIpcUpgradeUrl = 3379;     // reply 8379: IpcUpgradeStatus
constexpr u32 kMsgIpcUpgradeStop = 3390;    // 4 bytes: the stop value
constexpr u32 kReplyIpcUpgradeFile = 8385;
constexpr u32 kReplyIpcUpgradeStatus = 8386;
constexpr u32 kReplyIpcUpgradeUrl = 8379;
constexpr int kUpgradeStatusChannels = 16;  // channels whose status is reported

// Upgrade order (messages 3385 and 3379). The channels are a 64-bit mask,
// bit i for channel i.
struct IpcUpgradeOrder {
    i64 chnid;       //   0  channel mask
    i64 reset;       //   8  3385: complement of "reset"; 3379: "reset" as given
    i32 file_size;   //  16  3385 only
    char url[128];   //  20  3379 only, at most 127 characters
    char path[25];   // 148  3379 only: the file the daemon downloads into
    u8 zero[107];    // 173
};
NVR_RECORD_SIZE(IpcUpgradeOrder, 280);

// Upgrade status (replies 8386 and 8379): status[i] belongs to channel i.
struct IpcUpgradeStatus {
    u64 chnid;                              // 0  channel mask
    i32 status[kUpgradeStatusChannels];     // 8
};
NVR_RECORD_SIZE(IpcUpgradeStatus, 72);
