// The record the store tests read and write.
#pragma once

#include "platform/record.h"

namespace store_test {
// A record of the current layout: 24 bytes, a channel number at offset 4.
struct Rec {
    u32 magic;    //  0
    i32 channel;  //  4
    u8 bytes[16]; //  8
};
NVR_RECORD_SIZE(Rec, 24);
}  // namespace store_test
