// Smart events (the video-analytics events of a camera): the stored
// smart-event record, the detection records exchanged with the core daemon,
// and the canvas on which the browser draws lines and boxes.
#pragma once

#include "platform/record.h"
#include "handlers/shared/event_actions.h"
#include "platform/kxdb.h"

// Smart event numbers.
enum SmartEvent {
    kSmartRegionIn = 0,
    kSmartRegionExit = 1,
    kSmartMotion = 2,
    kSmartTamper = 3,
    kSmartLineCross = 4,
    kSmartLoiter = 5,
    kSmartHuman = 6,
    kSmartPeople = 7,
    kSmartObject = 8,
};

constexpr u32 kMsgSmartChanged = 1412;  // 4 bytes: channel id
constexpr int kSmartPtzType = 5;        // PTZ event type of event e: 5 + e

// Detection settings: reads send the 4-byte channel and get the record back
// with code + 5000; writes send the record and get a 32-bit status.
constexpr u32 kMsgRegionInGet = 3237, kMsgRegionExitGet = 3238, kMsgAdvMotionGet = 3239, kMsgTamperGet = 3240,
              kMsgLineCrossGet = 3241, kMsgLoiterGet = 3242, kMsgHumanGet = 3243;
constexpr u32 kMsgRegionInSet = 3244, kMsgRegionExitSet = 3245, kMsgAdvMotionSet = 3246, kMsgTamperSet = 3247,
              kMsgLineCrossSet = 3248, kMsgLoiterSet = 3249, kMsgHumanSet = 3250;
constexpr u32 kMsgPeopleCountGet = 3253, kMsgPeopleCountSet = 3254;
constexpr u32 kMsgCapabilityGet = 3257;
constexpr u32 kMsgPeopleSettingsGet = 3259, kMsgPeopleSettingsSet = 3260;
constexpr u32 kMsgObjectGet = 3268, kMsgObjectSet = 3269;
constexpr u32 kMsgVcaSupportGet = 3293;
constexpr u32 kMsgLineCrossExGet = 1209, kMsgLineCrossExSet = 1210;
constexpr u32 kMsgPeopleSettingsExGet = 1211, kMsgPeopleSettingsExSet = 1212;
constexpr u32 kReplyOffset = 5000;  // a reply's code: the request's code + 5000

constexpr int kLineCount = 4;
constexpr int kRegionTextWidth = 300;
constexpr int kPolygonTextWidth = 64;
constexpr int kLinePositionWidth = 32;  // "x1;y1;x2;y2" as the client sends it

// One channel's actions for one smart event.
struct SmartEventRecord {
    i32 chnid;                               //   0
    i32 enable;                              //   4
    u32 tri_mask;                            //   8  bits 0..31 of tri_channels
    char tri_channels[kMaskTextWidth];       //  12
    u8 pad0[3];                              //  77
    i32 tri_alarms;                          //  80
    i32 interval;                            //  84
    i32 email_interval;                      //  88
    char tri_chn_alarms[2][kMaskTextWidth];  //  92, 157
    u8 pad1[6];                              // 222
    i32 ptz_interval;                        // 228
    i32 alarmout_interval;                   // 232
    i32 white_interval;                      // 236
    i32 email_pic_enable;                    // 240
    char tri_channels_pic[kMaskTextWidth];   // 244
    u8 pad2[3];                              // 309
    i32 audio_id;                            // 312
};
NVR_RECORD_SIZE(SmartEventRecord, 316);

// Region entrance and exit, advanced motion, tamper, loitering and human
// detection settings (sent and read back whole).
struct RegionRecord {
    i32 chnid;                          //   0
    i32 enable;                         //   4
    u8 zero0[16];                       //   8
    i32 sensitivity;                    //  24
    i32 time;                           //  28  loitering time
    i32 size;                           //  32  minimum size
    i32 tracks;                         //  36
    char region[kRegionTextWidth];      //  40  region grid text
    i32 ignore_time;                    // 340
    i32 objtype;                        // 344
    char polygon_x[kPolygonTextWidth];  // 348
    char polygon_y[kPolygonTextWidth];  // 412
};
NVR_RECORD_SIZE(RegionRecord, 476);

// One crossing line in picture points.
struct LineEntry {
    i32 start_x;    //  0
    i32 start_y;    //  4
    i32 end_x;      //  8
    i32 end_y;      // 12
    i32 direction;  // 16
    i32 reserved;   // 20  0
};
NVR_RECORD_SIZE(LineEntry, 24);

// Line crossing (3248, and the reply to 3241). Width and height are the
// camera picture's: 0 in a write, the camera's values in a reply.
struct LineCrossRecord {
    i32 chnid;                   //   0
    i32 enable;                  //   4
    i32 width;                   //   8
    i32 height;                  //  12
    LineEntry lines[kLineCount]; //  16, 40, 64, 88
    i32 objtype;                 // 112
};
NVR_RECORD_SIZE(LineCrossRecord, 116);

// Line crossing, newer form (1210, and the reply to 1209).
struct LineCrossExRecord {
    i32 chnid;                    //   0
    i32 enable;                   //   4
    i32 width;                    //   8
    i32 height;                   //  12
    i32 sensitivity;              //  16
    i32 objtype;                  //  20
    LineEntry lines[kLineCount];  //  24
    u8 reserved[12];              // 120
};
NVR_RECORD_SIZE(LineCrossExRecord, 132);

// Object left or removed (3269, and the reply to 3268).
struct ObjectRecord {
    i32 chnid;                          //   0
    i32 sensitivity;                    //   4
    i32 left_enable;                    //   8
    i32 remove_enable;                  //  12
    i32 min_time;                       //  16
    u8 zero0[16];                       //  20
    char region[kRegionTextWidth];      //  36
    char polygon_x[kPolygonTextWidth];  // 336
    char polygon_y[kPolygonTextWidth];  // 400
};
NVR_RECORD_SIZE(ObjectRecord, 464);

// People count on-screen display and thresholds (3254, and the reply to
// 3253).
struct PeopleCountRecord {
    i32 chnid;                  //  0
    i32 enable;                 //  4
    i32 osd;                    //  8
    i32 width;                  // 12
    i32 height;                 // 16
    i32 font_size;              // 20
    i32 trigger_enable;         // 24
    i32 trigger_by_in;          // 28
    i32 in_thresholds;          // 32
    i32 trigger_by_out;         // 36
    i32 out_thresholds;         // 40
    i32 trigger_by_sum;         // 44
    i32 sum_thresholds;         // 48
    i32 position;               // 52  where the count is shown
    char text[16];              // 56
};
NVR_RECORD_SIZE(PeopleCountRecord, 72);

// A box in picture points.
struct PictureBox {
    i32 x;       //  0
    i32 y;       //  4
    i32 width;   //  8
    i32 height;  // 12
};
NVR_RECORD_SIZE(PictureBox, 16);

// People-counting settings (3260, and the reply to 3259).
struct PeopleSettingsRecord {
    i32 chnid;         //  0
    i32 vca_type;      //  4  0 in a write
    i32 fps;           //  8
    i32 mode;          // 12
    i32 installation;  // 16
    i32 analysis;      // 20
    i32 width;         // 24  camera picture
    i32 height;        // 28
    PictureBox min;    // 32  smallest box counted
    PictureBox max;    // 48  largest box counted
};
NVR_RECORD_SIZE(PeopleSettingsRecord, 64);

// People-counting settings, newer form (1212, and the reply to 1211).
struct PeopleSettingsExRecord {
    PeopleSettingsRecord base;  //  0
    u8 reserved[224];           // 64
};
NVR_RECORD_SIZE(PeopleSettingsExRecord, 288);

// Analytics support of a camera (reply 8293).
struct VcaSupportReply {
    i32 chnid;        // 0
    i32 vca_support;  // 4
    i32 vca_version;  // 8
};
NVR_RECORD_SIZE(VcaSupportReply, 12);

// Analytics capability of a camera (reply 8257).
struct CapabilityReply {
    i32 chnid;    // 0
    i32 support;  // 4
    i32 type;     // 8
};
NVR_RECORD_SIZE(CapabilityReply, 12);

// The drawing canvas of the browser: 460 x 260 points.
constexpr int kCanvasWidth = 460, kCanvasHeight = 260;

struct Point {
    int x, y;
};
// Canvas point to picture point of a w x h picture; (0, 0) for an empty
// picture size. Computed in 64 bits so that no client value overflows.
inline Point canvas_to_picture(int x, int y, int w, int h)
{
    if (w == 0 || h == 0) return Point{0, 0};
    return Point{int((i64(x) * w + kCanvasWidth / 2) / kCanvasWidth),
                 int((i64(y) * h + kCanvasHeight / 2) / kCanvasHeight)};
}
inline Point picture_to_canvas(int x, int y, int w, int h)
{
    if (w == 0 || h == 0) return Point{0, 0};
    return Point{int((i64(kCanvasWidth) * x + w / 2) / w), int((i64(kCanvasHeight) * y + h / 2) / h)};
}

// Store: one record per (channel, event) in a table per event
// ("smart_event_<e>"), the four action schedules likewise.
constexpr const char* kSmartEventTable = "smart_event";
NVR_STORE_KIND(kSmartEventKind, "smart_event", kEventChannels, SmartEventRecord);
constexpr const char* kSmartScheduleTables[kActionKinds] = {
    "smart_event_effective_schedule", "smart_event_audible_schedule", "smart_event_mail_schedule",
    "smart_event_ptz_schedule"};

// Where smart events keep their actions (instance: channel, event).
extern const EventSource kSmartEventSource;

// Store calls.
int read_smart_event(const char* db, SmartEventRecord* out, int channel, int event);  // 0 when stored
int write_smart_event(const char* db, const SmartEventRecord* rec, int event);      // at rec->chnid
int read_smart_event_effective_schedule(const char* db, RecordSchedule* out, int channel, int event);
int read_smart_event_audible_schedule(const char* db, RecordSchedule* out, int channel, int event);
int read_smart_event_mail_schedule(const char* db, RecordSchedule* out, int channel, int event);
int read_smart_event_ptz_schedule(const char* db, RecordSchedule* out, int channel, int event);
int write_smart_event_effective_schedule(const char* db, const RecordSchedule* schedule, int channel, int event);
int write_smart_event_audible_schedule(const char* db, const RecordSchedule* schedule, int channel, int event);
int write_smart_event_mail_schedule(const char* db, const RecordSchedule* schedule, int channel, int event);
int write_smart_event_ptz_schedule(const char* db, const RecordSchedule* schedule, int channel, int event);
