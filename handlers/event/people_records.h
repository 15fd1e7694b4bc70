// People counting: the regional counting of a camera (four polygon regions,
// each an event source of its own), the recorder's counting groups with
// their actions, and the automatic report plans. Stored records, core
// messages and store calls.
#pragma once

#include "platform/record.h"
#include "handlers/shared/event_actions.h"
#include "handlers/event/smart_records.h"
#include "platform/kxdb.h"

// ---- regional people counting ----

constexpr int kPcntRegions = 4;
constexpr int kRegionalPcntPtzType = 22;  // PTZ event type of region r: 22 + r
constexpr u32 kMsgRegionalPcntGet = 1220;  // 4 bytes: channel id; reply 6220
constexpr u32 kMsgRegionalPcntSet = 1221;  // RegionalPcntSettings; reply 6221, a 32-bit result
constexpr u32 kRegionalPcntGetReply = 6220, kRegionalPcntSetReply = 6221;
constexpr int kPcntPolygonWidth = 64;

// The actions of one region of a channel: the layout of a smart event's
// actions.
using RegionalPcntEventRecord = SmartEventRecord;

// One counting region of the camera picture.
struct PcntRegion {
    i32 enable;                           //   0
    char polygon_x[kPcntPolygonWidth];    //   4
    char polygon_y[kPcntPolygonWidth];    //  68
    i32 max_stay_enable;                  // 132
    i32 max_stay_value;                   // 136
    i32 min_stay_enable;                  // 140
    i32 min_stay_value;                   // 144
    i32 max_stay_time_enable;             // 148
    i32 max_stay_time_value;              // 152
};
NVR_RECORD_SIZE(PcntRegion, 156);

// Detection settings of regional counting (message 1221).
struct RegionalPcntSettings {
    i32 chnid;                         //   0
    i32 sensitivity;                   //   4
    i32 min_obj_x;                     //   8
    i32 min_obj_y;                     //  12
    i32 min_obj_width;                 //  16
    i32 min_obj_height;                //  20
    i32 max_obj_x;                     //  24
    i32 max_obj_y;                     //  28
    i32 max_obj_width;                 //  32
    i32 max_obj_height;                //  36
    PcntRegion regions[kPcntRegions];  //  40, 196, 352, 508
    i32 reserved;                      // 664  0
};
NVR_RECORD_SIZE(RegionalPcntSettings, 668);

// The camera's settings as read (reply 6220 to message 1220).
struct RegionalPcntReply {
    i32 result;                     // 0  0: read from the camera
    RegionalPcntSettings settings;  // 4
};
NVR_RECORD_SIZE(RegionalPcntReply, 672);

// Store: one record per (channel, region) in a table per region
// ("regional_pcnt_event_<r>"), the three action schedules likewise; the
// white-LED schedule and list are kept by name per region.
NVR_STORE_KIND(kRegionalPcntEventKind, "regional_pcnt_event", kEventChannels, RegionalPcntEventRecord);
constexpr const char* kRegionalPcntScheduleTables[kActionKinds] = {
    nullptr, "regional_pcnt_audible_schedule", "regional_pcnt_email_schedule", "regional_pcnt_ptz_schedule"};

extern const EventSource kRegionalPcntSource;  // instance: channel, region

// Schedule kinds of the regional store calls.
enum RegionalScheduleKind { kPcntAudible = 1, kPcntEmail = 2, kPcntPtz = 3, kPcntWhite = 4 };

int read_regional_pcnt_event(const char* db, RegionalPcntEventRecord* out, int channel, int region);
int write_regional_pcnt_event(const char* db, const RegionalPcntEventRecord* rec, int region);  // at rec->chnid
int read_regional_pcnt_schedule(const char* db, int kind, RecordSchedule* out, int channel, int region);
int write_regional_pcnt_schedule(const char* db, int kind, const RecordSchedule* schedule, int channel,
                                 int region);

// ---- people-counting groups ----

constexpr int kPcntGroups = 9;
constexpr u32 kMsgPcntGroupsChanged = 2290;  // 4 bytes: 0; reply 7290
constexpr u32 kMsgPcntGroupCommandA = 2291;  // 4 bytes: group id; reply 7291
constexpr u32 kMsgPcntGroupCommandB = 2292;  // 4 bytes: group id; reply 7292
constexpr u32 kMsgPcntGroupActions = 2293;   // PcntGroupNotice; reply 7293
constexpr u32 kPcntGroupsReplyFirst = 7290, kPcntGroupsReplyLast = 7293;

// One counting group's settings.
struct PeoplecntGroupRecord {
    i32 groupid;                         //   0
    i32 enable;                          //   4
    i32 stays;                           //   8
    i32 liveview_auto_reset;             //  12
    i32 auto_day;                        //  16
    i32 liveview_font_size;              //  20
    char name[64];                       //  24
    char auto_day_time[64];              //  88
    char tri_channels[kMaskTextWidth];   // 152
    char liveview_green_tips[128];       // 217
    char liveview_red_tips[128];         // 345
    u8 pad[3];                           // 473
};
NVR_RECORD_SIZE(PeoplecntGroupRecord, 476);

// One counting group's action fields.
struct PeoplecntEventRecord {
    i32 groupid;                             //   0
    i32 tri_alarms;                          //   4
    i32 interval;                            //   8
    i32 email_interval;                      //  12
    i32 email_pic_enable;                    //  16
    char tri_channels_pic[kMaskTextWidth];   //  20
    u8 pad0[3];                              //  85
    i32 ptz_interval;                        //  88
    i32 alarmout_interval;                   //  92
    i32 white_interval;                      //  96
    i32 audio_id;                            // 100
    char tri_chn_alarms[2][kMaskTextWidth];  // 104, 169
    u8 pad1[2];                              // 234
};
NVR_RECORD_SIZE(PeoplecntEventRecord, 236);

// Message 2293: a group's actions changed.
struct PcntGroupNotice {
    i32 groupid;  // 0
    i32 other;    // 4  -1
};
NVR_RECORD_SIZE(PcntGroupNotice, 8);

NVR_STORE_KIND(kPeoplecntSettingsKind, "peoplecnt_settings", kPcntGroups, PeoplecntGroupRecord);
NVR_STORE_KIND(kPeoplecntEventKind, "peoplecnt_event", kPcntGroups, PeoplecntEventRecord);
constexpr const char* kPeoplecntScheduleTables[kActionKinds] = {
    nullptr, "peoplecnt_audible_schedule", "peoplecnt_email_schedule", "peoplecnt_ptz_schedule"};
constexpr const char* kPeoplecntWhiteSchedule = "peoplecnt_whiteled_esche";
constexpr const char* kPeoplecntWhiteParams = "peoplecnt_white_led_params";

extern const EventSource kPeoplecntGroupSource;  // instance: group id

int read_peoplecnt_settings(const char* db, PeoplecntGroupRecord* rows);  // kPcntGroups rows
int write_peoplecnt_settings(const char* db, const PeoplecntGroupRecord* rows, int count);
int read_peoplecnt_event(const char* db, PeoplecntEventRecord* out, int group);
int write_peoplecnt_event(const char* db, const PeoplecntEventRecord* rec);  // at rec->groupid
int read_peoplecnt_audible_schedule(const char* db, RecordSchedule* out, int group);
int read_peoplecnt_email_schedule(const char* db, RecordSchedule* out, int group);
int read_peoplecnt_ptz_schedule(const char* db, RecordSchedule* out, int group);
int read_peoplecnt_wled_schedule(const char* db, RecordSchedule* out, int group);
int write_peoplecnt_audible_schedule(const char* db, const RecordSchedule* schedule, int group);
int write_peoplecnt_email_schedule(const char* db, const RecordSchedule* schedule, int group);
int write_peoplecnt_ptz_schedule(const char* db, const RecordSchedule* schedule, int group);
int write_peoplecnt_wled_schedule(const char* db, const RecordSchedule* schedule, int group);
int read_peoplecnt_wled_params(const char* db, WhiteLedEntry* out, int group);  // up to 16; the number filled
int write_peoplecnt_wled_params_all(const char* db, const WhiteLedList* list, int group);

// ---- report plans ----

constexpr int kPcntReportPlans = 3;
constexpr u32 kMsgPcntReportsChanged = 1423;  // no payload; reply 6423
constexpr u32 kPcntReportsReply = 6423;
constexpr int kGroupMaskWidth = 17;
constexpr int kReportTimeWidth = 32;

// One automatic report plan.
struct PeoplecntReportPlan {
    i32 report_type;                      //   0
    i32 enable;                           //   4
    char tri_channels[kMaskTextWidth];    //   8
    char tri_groups[kGroupMaskWidth];     //  73  one "0"/"1" per group
    u8 pad0[2];                           //  90
    i32 stay_length_type;                 //  92
    i32 stay_length_value;                //  96
    i32 backup_day;                       // 100
    char backup_time[kReportTimeWidth];   // 104
    i32 file_format;                      // 136
    i32 time_range;                       // 140
    i32 backup_to;                        // 144
};
NVR_RECORD_SIZE(PeoplecntReportPlan, 148);

NVR_STORE_KIND(kPeoplecntReportKind, "peoplecnt_auto_backup", kPcntReportPlans, PeoplecntReportPlan);

int read_peoplecnt_auto_backup(const char* db, PeoplecntReportPlan* plans);  // kPcntReportPlans plans
int write_peoplecnt_auto_backup(const char* db, const PeoplecntReportPlan* plans);
