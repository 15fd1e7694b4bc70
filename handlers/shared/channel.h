// The recorder's channels as requests name them: 0..63, camera and event
// handlers alike.
#pragma once

#include "common/json.h"

constexpr int kChannelCount = 64;

// Whether `channel` is one of the recorder's channels.
inline bool is_channel(long channel) { return channel >= 0 && channel < kChannelCount; }

// Whether member `key` is a channel (an absent one is not).
inline bool has_channel(json_object* r, const char* key) { return jint_required_in(r, key, 0, kChannelCount - 1); }

// The channel of member `key`, or -1 when it is absent or not a channel.
inline int channel_of(json_object* r, const char* key) { return has_channel(r, key) ? jint(r, key) : -1; }

// The channel of member `key` in *out; false, *out untouched, when it is
// absent or not a channel.
inline bool channel_in(json_object* r, const char* key, int* out)
{
    if (!has_channel(r, key)) return false;
    *out = jint(r, key);
    return true;
}
