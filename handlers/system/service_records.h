// Records of the service pages: maintenance commands, the address filter,
// the diagnostic package and the alarm audio clips.
#pragma once

#include "platform/record.h"
#include "handlers/system/display_records.h"  // the HDMI hot-plug key the "hotplug" command sets
#include "platform/kxdb.h"

// Core daemon messages.
constexpr u32 kMsgSetLanguage = 4000;      // i32 language number, no wait
constexpr u32 kMsgAccessFilter = 1722;     // no payload, no wait: the filter changed
constexpr u32 kMsgDiagnostic = 3528;       // DiagnosticOrder; reply 8528: DiagnosticResult
constexpr u32 kMsgAudioList = 4012;        // no payload; reply 9012: AudioClip rows
constexpr u32 kMsgAudioAdd = 4013;         // AudioClipName; reply 9013: i32 status
constexpr u32 kMsgAudioDelete = 4014;      // AudioClipMask; reply 9014: i32 status
constexpr u32 kMsgAudioRename = 4015;      // AudioClip; reply 9015: i32 status
constexpr u32 kMsgAudioPlay = 4016;        // i32 id; reply 9016: i32 status
constexpr u32 kReplyDiagnostic = 8528;
constexpr u32 kReplyAudioList = 9012;
constexpr u32 kReplyAudioAdd = 9013;
constexpr u32 kReplyAudioDelete = 9014;
constexpr u32 kReplyAudioRename = 9015;
constexpr u32 kReplyAudioPlay = 9016;

// Store keys.
constexpr const char* kKeyDecode = "decode";
constexpr const char* kKeySoftwareVersion = "software_version";
constexpr const char* kKeyOemType = "oem_type";
constexpr const char* kKeyFilterEnable = "access_filter_enable";
constexpr const char* kKeyFilterType = "access_filter_type";
constexpr const char* kDefaultSoftwareVersion = "7x.7.0.9";

// One address of the access filter (store table "access_filter").
struct AccessFilterRow {
    i32 address_type;   //  0  as the core daemon defines it (IPv4, IPv6, range ...)
    char address[32];   //  4
};
NVR_RECORD_SIZE(AccessFilterRow, 36);
constexpr int kAccessFilterRows = 100;
NVR_STORE_KIND(kAccessFilterKind, "access_filter", kAccessFilterRows, AccessFilterRow);
inline int read_access_filter(const char* db, AccessFilterRow* rows, int* count)
{
    return store_read_all(db, kAccessFilterKind, rows, kAccessFilterRows, count);
}
// The rows given become the whole list.
inline int write_access_filter(const char* db, const AccessFilterRow* rows, int count)
{
    return kxdb_rows_replace(db, kAccessFilterKind, rows, count);
}

// Payload of message 3528: the directory the package is written to.
struct DiagnosticOrder {
    char directory[64];  // 0
};
NVR_RECORD_SIZE(DiagnosticOrder, 64);

// Reply 8528: the path text follows the two words, up to the payload's end.
struct DiagnosticResult {
    i32 value;       // 0
    i32 status;      // 4  0 or more: the package was written
    char path[256];  // 8
};
NVR_RECORD_SIZE(DiagnosticResult, 264);
constexpr size_t kDiagnosticResultHead = 8;

// One audio clip: rows of reply 9012, payload of message 4015.
struct AudioClip {
    i32 id;          //  0
    i32 enable;      //  4  1 = in use
    char name[128];  //  8  URL-safe Base64 of the display name
};
NVR_RECORD_SIZE(AudioClip, 136);
constexpr int kAudioClips = 10;

// Payload of message 4013: the encoded name of the uploaded clip.
struct AudioClipName {
    char name[128];  // 0
};
NVR_RECORD_SIZE(AudioClipName, 128);

// Payload of message 4014: bit i = clip i (bits 0..9).
struct AudioClipMask {
    u32 mask;  // 0
};
NVR_RECORD_SIZE(AudioClipMask, 4);
constexpr u32 kAudioClipBits = (1u << kAudioClips) - 1;

// Payload of messages 4000 and 4016.
struct IdRecord {
    i32 id;  // 0
};
NVR_RECORD_SIZE(IdRecord, 4);
