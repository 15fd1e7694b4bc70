// Point-of-sale (POS) terminals: the stored connection of each of the eight
// terminals, the trigger fields of its event actions, and where POS input
// keeps its actions. Shared by the handlers, the store seeds and the tests.
#pragma once

#include "platform/record.h"
#include "handlers/shared/event_actions.h"
#include "platform/kxdb.h"

constexpr int kPosTerminals = 8;          // POS ids 0..7
constexpr u32 kMsgPosChanged = 1421;      // 4 bytes: POS id; reply 6421: i32 result
constexpr u32 kReplyPosChanged = 6421;
constexpr int kPosPtzType = 21;           // PTZ event type of POS input
constexpr int kPosNameMax = 32;           // characters of "name"
constexpr int kPosTextMax = 63;           // characters of "ip" and the privacy words

// One POS connection (store table "pos_setting", row = POS id).
struct PosSettingRecord {
    i32 id;                  //   0  "id"
    i32 enable;              //   4  "enable"
    char name[33];           //   8  "name"
    u8 pad0[3];              //  41
    i32 protocol;            //  44  "protocol"
    i32 connection_mode;     //  48  "connectionMode"
    char ip[64];             //  52  "ip": the terminal's address, "" for none
    i32 liveview_display;    // 116  "liveviewDisplay"
    i32 display_channel;     // 120  "displayChannel"
    i32 start_x;             // 124  "startX"
    i32 start_y;             // 128  "startY"
    i32 area_width;          // 132  "areaWidth"
    i32 area_height;         // 136  "areaHeight"
    i32 character_encoding;  // 140  "characterEncodeing"
    i32 font_size;           // 144  "fontSize"
    i32 font_color;          // 148  "fontColor"
    i32 overlay_mode;        // 152  "overlayMode"
    i32 display_time;        // 156  "displayTime"
    i32 timeout;             // 160  "timeout"
    char privacy[3][64];     // 164, 228, 292  "privacy1", "privacy2", "privacy3"
    i32 port;                // 356  "port": 0 for none, else 1..65535
};
NVR_RECORD_SIZE(PosSettingRecord, 360);

// The trigger fields of an event source's actions, for sources whose record
// holds nothing else (POS input, keyed by POS id; face detection, keyed by
// channel).
struct ActionTriggerRecord {
    i32 id;                                    //   0  POS id or channel
    u32 tri_mask;                              //   4  bits 0..31 of tri_channels
    char tri_channels[kMaskTextWidth];         //   8  "triChannels"
    u8 pad0[3];                                //  73
    i32 tri_alarms;                            //  76  "triAlarms"
    i32 interval;                              //  80  "interval"
    i32 email_interval;                        //  84  "email_interval"
    char tri_chn_alarms[2][kMaskTextWidth];    //  88, 153  "triChnAlarms"
    u8 pad1[2];                                // 218
    i32 ptz_interval;                          // 220  "ptz_interval"
    i32 alarmout_interval;                     // 224  "alarmout_interval"
    i32 white_interval;                        // 228  "white_interval"
    i32 email_pic_enable;                      // 232  "email_pic_enable"
    char tri_channels_pic[kMaskTextWidth];     // 236  "tri_channels_pic"
    u8 pad2[3];                                // 301
    i32 audio_id;                              // 304  "audioId"
};
NVR_RECORD_SIZE(ActionTriggerRecord, 308);

using PosEventRecord = ActionTriggerRecord;

// POS action schedule kinds: the four shared ones and the white LED.
enum PosScheduleKind { kPosEffective, kPosAudible, kPosEmail, kPosPtz, kPosWhite };

NVR_STORE_KIND(kPosSettingKind, "pos_setting", kPosTerminals, PosSettingRecord);
NVR_STORE_KIND(kPosEventKind, "pos_event", kPosTerminals, PosEventRecord);
constexpr const char* kPosScheduleTables[kActionKinds] = {"pos_effective_schedule", "pos_audible_schedule",
                                                          "pos_email_schedule", "pos_ptz_schedule"};
constexpr const char* kPosWhiteLedSchedule = "pos_whiteled_esche";
constexpr const char* kPosWhiteLedParams = "pos_whiteled_params";

// Where POS input keeps its actions (instance = POS id).
extern const EventSource kPosEvents;

// Store calls.
int read_pos_settings(const char* db, PosSettingRecord* rows);  // kPosTerminals rows
int read_pos_setting(const char* db, PosSettingRecord* row, int id);
int write_pos_setting(const char* db, const PosSettingRecord* row);  // at row->id
int read_pos_event(const char* db, PosEventRecord* row, int id);
int write_pos_event(const char* db, const PosEventRecord* row);  // at row->id
int read_pos_schedule(const char* db, int kind, RecordSchedule* schedule, int id);
int write_pos_schedule(const char* db, int kind, const RecordSchedule* schedule, int id);
