// Live image adjustments of a channel (brightness, contrast, saturation,
// sharpness, noise reduction): the records exchanged with the core daemon,
// which holds and applies the values.
#pragma once

#include "platform/record.h"

constexpr u32 kMsgImageAdjustGet = 3002;  // 4 bytes: channel id; reply 8002 ImageAdjustRecord
constexpr u32 kMsgImageAdjustSet = 1205;  // ImageAdjustPayload
constexpr u32 kReplyImageAdjust = 8002;

constexpr int kImageAdjustChannels = 16;  // channels 0..15
constexpr int kImageAdjustMax = 255;
constexpr int kImageAdjustDefault = 128;

// Operation log of a change (main type 4).
constexpr int kImageAdjustLogSubType = 217;
constexpr int kImageAdjustLogParam = 900;
constexpr int kImageAdjustLogDetail = 107;

// New values of a channel (1205).
struct ImageAdjustPayload {
    i32 chnid;            //  0
    i32 brightness;       //  4
    i32 contrast;         //  8
    i32 saturation;       // 12
    i32 sharpness;        // 16
    i32 noise_reduction;  // 20
    i32 i2ddnr;           // 24
};
NVR_RECORD_SIZE(ImageAdjustPayload, 28);

// Current values of a channel (reply 8002).
struct ImageAdjustRecord {
    i32 chnid;            //  0
    i32 brightness;       //  4
    i32 contrast;         //  8
    i32 saturation;       // 12
    i32 sharpness;        // 16
    i32 noise_reduction;  // 20
    i32 i2ddnr;           // 24
    i32 result;           // 28  negative: failure
};
NVR_RECORD_SIZE(ImageAdjustRecord, 32);

// The five percent values of the log's detail block.
struct ImageAdjustLogDetail {
    i32 brightness;       //  0
    i32 contrast;         //  4
    i32 saturation;       //  8
    i32 sharpness;        // 12
    i32 noise_reduction;  // 16
};
NVR_RECORD_SIZE(ImageAdjustLogDetail, 20);

// A 0..255 value as a percent for the log: v * 100 / 255 in single
// precision, rounded half up (255 -> 100, 128 -> 50).
inline int image_adjust_percent(int value)
{
    const float p = float(value) * 100.0f / 255.0f;
    int whole = int(p);
    if (p - float(whole) >= 0.5f) whole++;
    return whole;
}
