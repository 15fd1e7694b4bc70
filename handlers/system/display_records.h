// Local display settings: the stored display record, the store keys shown on
// the same page and the core messages that apply a change.
#pragma once

#include "platform/record.h"
#include "platform/kxdb.h"
#include "handlers/system/device_records.h"  // kMsgDeviceNumber

// Core messages (all sent without waiting).
constexpr u32 kMsgOutputResolution = 1001;  // DisplayResolutionMsg
constexpr u32 kMsgDisplayAudio = 1002;      // DisplayAudioMsg
constexpr u32 kMsgOutputsApply = 1015;      // no payload
constexpr u32 kMsgSubOutput = 1023;         // 4 bytes: sub output on (0/1)
// kMsgDeviceNumber (1705, 4 bytes: the device number) is the device's.
// 1702 (settings changed, 32-byte area name "hostname") and 1703 (reboot)
// are the network and maintenance messages of the same numbers.

// Operation log of a display change.
constexpr int kDisplayLogSubType = 204;
constexpr int kDisplayLogParam = 913;

// Store keys of the display page and their factory values.
constexpr const char* kKeyDeviceId = "deviceid";            // text, "255"
constexpr const char* kKeyWizardEnable = "wizard_enable";   // text, "0"
constexpr const char* kKeyDisplayMode = "display_mode";     // text, "0"
constexpr const char* kKeyHomologous = "homologous";        // integer, 1: both outputs show one picture
constexpr const char* kKeyHdmiHotplug = "hdmihotplug";      // text, "1"
constexpr const char* kKeyQuickScreen = "quick_screen";     // text: the sub output's state
constexpr const char* kKeyStreamInfo = "stream_information";  // integer, 0
constexpr const char* kDefaultDeviceId = "255";
constexpr const char* kDefaultWizardEnable = "0";
constexpr const char* kDefaultDisplayMode = "0";
constexpr int kDefaultHomologous = 1;
constexpr const char* kDefaultHdmiHotplug = "1";

constexpr int kMaxVolume = 100;
constexpr int kVolumeStep = 10;
constexpr int kMaxDeviceId = 256;
constexpr size_t kHostNameMax = 127;

// The display record (store kind "display", one row). Bytes no field names
// are kept as stored.
struct DisplayRecord {
    i32 main_resolution;   //  0  main output resolution code
    u8 reserved0[8];       //  4
    i32 hdmi_audio_on;     // 12  0/1
    i32 audio_output_on;   // 16  0/1
    i32 audio_volume;      // 20  0..100 in steps of 10
    i32 audio_stereo;      // 24
    i32 sub_enable;        // 28  sub output enabled (0/1)
    i32 sub_resolution;    // 32  sub output resolution code
    u8 reserved1[32];      // 36
    i32 cur_control;       // 68  0 = main output; else the sub output has control
    u8 reserved2[24];      // 72
};
NVR_RECORD_SIZE(DisplayRecord, 96);

NVR_STORE_KIND(kDisplayKind, "display", 1, DisplayRecord);

// An output's resolution (1001): output 0 main, 1 sub.
struct DisplayResolutionMsg {
    i32 output;      // 0
    i32 resolution;  // 4
};
NVR_RECORD_SIZE(DisplayResolutionMsg, 8);

// Audio outputs (1002).
struct DisplayAudioMsg {
    i32 hdmi_audio_on;    // 0
    i32 audio_output_on;  // 4
    i32 audio_volume;     // 8
};
NVR_RECORD_SIZE(DisplayAudioMsg, 12);

// Store calls.
int read_display(const char* db, DisplayRecord* out);
int write_display(const char* db, const DisplayRecord& record);
