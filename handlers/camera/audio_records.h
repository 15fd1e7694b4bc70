// A camera's audio: its capabilities and settings as the core daemon reads
// them from the camera, the settings message for several channels, and the
// audio support flags. Shared by the handlers, the emulator and the tests.
#pragma once

#include "platform/record.h"

constexpr u32 kMsgAudioGet = 3371;      // 4 bytes: chnid; reply 8371: AudioCapsRecord
constexpr u32 kMsgAudioSet = 3372;      // AudioSetMessage; reply 8372: i32 result, 0 = done
constexpr u32 kMsgAudioSupport = 3376;  // 4 bytes: chnid; reply 8376: AudioSupportRecord
constexpr u32 kReplyAudioGet = 8371;
constexpr u32 kReplyAudioSet = 8372;
constexpr u32 kReplyAudioSupport = 8376;
constexpr int kAudioOptions = 40;       // encodings a capability record holds
constexpr int kAudioRates = 16;         // bit rates and sample rates per encoding

// A camera's audio settings, in the order of their JSON keys.
struct AudioSettings {
    i32 chnid;               //  0 "chnid"
    i32 audio_enable;        //  4 "audioEnable"
    i32 audio_mode;          //  8 "audioMode"
    i32 denoise;             // 12 "denoise"
    i32 encoding;            // 16 "encoding"
    i32 sample_rate;         // 20 "sampleRate"
    i32 input_gain;          // 24 "inputGain"
    i32 input_mode;          // 28 "inputMode"
    i32 audio_gain_control;  // 32 "audioGainControl"
    i32 output_volume;       // 36 "outputVolume"
    i32 audio_bitrate;       // 40 "audioBitrate"
};
NVR_RECORD_SIZE(AudioSettings, 44);

// The JSON key of each settings field, in record order.
struct AudioKey {
    const char* key;
    i32 AudioSettings::*field;
};
inline constexpr AudioKey kAudioKeys[] = {
    {"chnid", &AudioSettings::chnid},
    {"audioEnable", &AudioSettings::audio_enable},
    {"audioMode", &AudioSettings::audio_mode},
    {"denoise", &AudioSettings::denoise},
    {"encoding", &AudioSettings::encoding},
    {"sampleRate", &AudioSettings::sample_rate},
    {"inputGain", &AudioSettings::input_gain},
    {"inputMode", &AudioSettings::input_mode},
    {"audioGainControl", &AudioSettings::audio_gain_control},
    {"outputVolume", &AudioSettings::output_volume},
    {"audioBitrate", &AudioSettings::audio_bitrate},
};

// One encoding the camera offers: its value, its usual sample rate, and the
// bit rates and sample rates it may run at (the first *_count entries).
struct AudioOption {
    i32 encode_value;                 //   0
    i32 sample_rate_value;            //   4
    i32 bitrate_count;                //   8  0..16
    i32 bitrates[kAudioRates];        //  12
    i32 sample_rate_count;            //  76  0..16
    i32 sample_rates[kAudioRates];    //  80
};
NVR_RECORD_SIZE(AudioOption, 144);

// Audio capabilities and settings of a camera (reply 8371).
struct AudioCapsRecord {
    i32 res;                             //    0
    i32 support;                         //    4
    i32 support_mode;                    //    8
    i32 support_input_mode;              //   12
    i32 option_count;                    //   16  0..40
    AudioOption options[kAudioOptions];  //   20
    u8 reserved[144];                    // 5780
    AudioSettings config;                // 5924
};
NVR_RECORD_SIZE(AudioCapsRecord, 5968);

// Audio settings applied to the channels of a mask (message 3372).
struct AudioSetMessage {
    u64 mask;                //  0  bit i: channel i
    AudioSettings settings;  //  8
    u8 zero[4];              // 52
};
NVR_RECORD_SIZE(AudioSetMessage, 56);

// A camera's audio support flags (reply 8376).
struct AudioSupportRecord {
    i32 res;                          //  0
    i32 audio_support;                //  4
    i32 audio_support_mode;           //  8
    i32 audio_line_input_support;     // 12
    i32 system_speaker_support;       // 16
    i32 system_manual_speed_support;  // 20
    u8 reserved[328];                 // 24
};
NVR_RECORD_SIZE(AudioSupportRecord, 352);
