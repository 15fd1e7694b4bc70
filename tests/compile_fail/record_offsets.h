// Records of every form the offset checks read (see platform/record.h).
// record_offsets.cmake breaks one offset comment at a time and expects the
// generated checks to stop the build at that member.
#pragma once

#include "platform/record.h"

struct OffsetPoint {
    i32 x;  // 0
    i32 y;  // 4
};
NVR_RECORD_SIZE(OffsetPoint, 8);

struct OffsetForms {
    u8 kind;                 //  0  words may follow the number
    i32 id;                  //  4
    char masks[2][5];        //  8, 13
    OffsetPoint points[3];   // 20
    union {
        i32 value;           // 44
        u8 bytes[4];         // 44
    };
    struct {
        i32 width;           //  0
        i32 height;          //  4
    } size;                  // 48
    i64 stamp;               // 56
};
NVR_RECORD_SIZE(OffsetForms, 64);

namespace offset_test {
struct Framed {
    struct Head {
        u32 magic;   // 0
        u32 length;  // 4
    };
    Head head;       // 0
    u8 body[8];      // 8
};
NVR_RECORD_SIZE(Framed, 16);
}  // namespace offset_test
