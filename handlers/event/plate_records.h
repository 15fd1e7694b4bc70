// Plate recognition: the plate lists, the three plate events of a channel
// (black list, white list, visitor), and the camera's recognition settings
// and plate formats exchanged with the core daemon.
#pragma once

#include "platform/record.h"
#include "handlers/shared/event_actions.h"
#include "handlers/event/smart_records.h"
#include "platform/kxdb.h"

constexpr u32 kMsgPlateEventChanged = 1416;  // 8 bytes: channel mask
constexpr u32 kMsgPlateSettingsGet = 3289, kMsgPlateSettingsSet = 3290;
constexpr u32 kMsgPlateFormatsGet = 1207, kMsgPlateFormatsSet = 1208;
constexpr u32 kMsgPlateZoomGet = 1215;
// Their replies: the records below, a 32-bit status for the writes.
constexpr u32 kReplyPlateSettingsGet = 8289, kReplyPlateSettingsSet = 8290;
constexpr u32 kReplyPlateFormatsGet = 6207, kReplyPlateFormatsSet = 6208;
constexpr u32 kReplyPlateZoomGet = 6215;
constexpr int kPlatePtzType = 15;  // PTZ event type of mode m: 15 + m
constexpr int kPlateModes = 3;     // 0 black list, 1 white list, 2 visitor
constexpr int kAllPlatesMode = -1; // every plate: an arming schedule only
constexpr int kMaxPlateCount = 10000;  // entries one list request may carry

// One plate-list entry; the plate is the entry's key.
struct PlateListEntry {
    char type[16];   //  0  list type
    char plate[64];  // 16
};
NVR_RECORD_SIZE(PlateListEntry, 80);

// One channel's actions for one plate mode: the layout of a smart event's
// actions.
using PlateEventRecord = SmartEventRecord;

constexpr int kPlateRegions = 4;
constexpr int kPlateRois = 16;

// A detection area of the picture.
struct PlateRegion {
    char name[32];  //  0
    i32 start_x;    // 32
    i32 start_y;    // 36
    i32 end_x;      // 40
    i32 end_y;      // 44
};
NVR_RECORD_SIZE(PlateRegion, 48);

// A region of interest, tied to a PTZ preset.
struct PlateRoi {
    char name[32];  //  0
    i32 start_x;    // 32
    i32 start_y;    // 36
    i32 end_x;      // 40
    i32 end_y;      // 44
    i32 preset;     // 48
};
NVR_RECORD_SIZE(PlateRoi, 52);

// The camera's recognition settings (3290, and the reply to 3289).
struct PlateSettingsRecord {
    i32 chnid;                          //    0
    i32 enable;                         //    4
    i32 resolution_width;               //    8
    i32 resolution_height;              //   12
    i32 area_x;                         //   16
    i32 area_y;                         //   20
    i32 area_width;                     //   24
    i32 area_height;                    //   28
    i32 day_night_mode_enable;          //   32
    i32 scene;                          //   36
    i32 direction_enable;               //   40
    i32 region_enable;                  //   44
    i32 roiid_enable;                   //   48
    i32 process_mode;                   //   52
    i32 repeat_check_time_value;        //   56
    i32 repeat_check_time_unit;         //   60
    i32 post_enable;                    //   64
    i32 post_type;                      //   68
    i32 post_tcp_port;                  //   72
    char post_http_user[64];            //   76
    char post_http_password[64];        //  140
    char post_http_url[256];            //  204
    i32 confidence;                     //  460
    i32 cur_area;                       //  464
    PlateRegion regions[kPlateRegions]; //  468
    PlateRoi rois[kPlateRois];          //  660
    i32 night_mode_enable;              // 1492
    i32 night_mode_level;               // 1496
    i32 night_mode_starthour;           // 1500
    i32 night_mode_startminute;         // 1504
    i32 night_mode_stophour;            // 1508
    i32 night_mode_stopminute;          // 1512
    i32 night_mode_effective_mode;      // 1516
    i32 in_night_mode;                  // 1520  reply only
    u8 reserved[2148];                  // 1524
};
NVR_RECORD_SIZE(PlateSettingsRecord, 3672);

constexpr int kPlateFormats = 9;

// One plate format: `cr_count` characters of the form `format`.
struct PlateFormat {
    u8 enable;       //  0
    u8 cr_count;     //  1
    char format[16]; //  2
};
NVR_RECORD_SIZE(PlateFormat, 18);

// The camera's plate formats (1208, and the reply to 1207).
struct PlateFormatsRecord {
    i32 chnid;                          //   0
    i32 filter;                         //   4
    i32 wildcards;                      //   8
    PlateFormat formats[kPlateFormats]; //  12, 30, 48, 66, 84, 102, 120, 138, 156
    u8 reserved[50];                    // 174
};
NVR_RECORD_SIZE(PlateFormatsRecord, 224);

// Zoom state of a plate camera (reply 6215).
struct PlateZoomReply {
    i32 chnid;        // 0
    i32 state;        // 4
    i32 zoom_number;  // 8
};
NVR_RECORD_SIZE(PlateZoomReply, 12);

// Store: plate lists in "/mnt/nand/app/anpr.db"; plate events per (channel,
// mode) in the main database ("anpr_event_<mode>", "anpr_event_m1" for every
// plate), the action schedules likewise.
constexpr const char* kPlateListTable = "anpr_list";
NVR_STORE_KIND(kPlateEventKind, "anpr_event", kEventChannels, PlateEventRecord);
constexpr const char* kPlateScheduleTables[kActionKinds] = {
    "anpr_effective_schedule", "anpr_audible_schedule", "anpr_mail_schedule", "anpr_ptz_schedule"};

// Where plate events keep their actions: modes 0..2, and mode -1 (every
// plate), which has its record and arming schedule only.
extern const EventSource kPlateEvents;
extern const EventSource kAllPlateEvents;
const EventSource& plate_source(int mode);

// Plate-list calls (database kAnprDb). Entries are keyed by their plate.
int write_anpr_list_replace_batch(const char* db, const PlateListEntry* entries, int count);
int delete_anpr_lists(const char* db, const PlateListEntry* entries, int count);
int delete_anpr_list(const char* db, const PlateListEntry* entry);
// The entry of `plate`; its plate field is empty when the plate is not listed.
int read_anpr_list_plate(const char* db, PlateListEntry* out, const char* plate);
int update_anpr_list(const char* db, const PlateListEntry* entry);
int write_anpr_list(const char* db, const PlateListEntry* entry);
// Removes the entry of `old_plate` and stores `entry` in one transaction.
int replace_anpr_list(const char* db, const char* old_plate, const PlateListEntry* entry);

// Plate events (modes -1..2).
int read_anpr_event(const char* db, PlateEventRecord* out, int channel, int mode);
int write_anpr_event(const char* db, const PlateEventRecord* rec, int mode);  // at rec->chnid
int read_anpr_effective_schedule(const char* db, RecordSchedule* out, int channel, int mode);
int write_anpr_effective_schedule(const char* db, const RecordSchedule* schedule, int channel, int mode);
