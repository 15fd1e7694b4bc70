// Face capture: the configuration the core daemon applies to a camera, and
// where face detection keeps its event actions. Shared by the handlers, the
// store seeds and the tests.
#pragma once

#include "platform/record.h"
#include "handlers/camera/pos_records.h"
#include "handlers/shared/event_actions.h"
#include "platform/kxdb.h"

constexpr u32 kMsgFaceConfig = 3381;        // FaceConfigMessage; reply 8381: i32 status
constexpr u32 kReplyFaceConfig = 8381;
constexpr u32 kMsgFaceActionsChanged = 3383;  // 4 bytes: channel
constexpr int kFaceChannels = 16;           // "chnId" 0..15
constexpr int kFacePtzType = 26;            // PTZ event type of face detection
constexpr int kFaceShieldAreas = 4;
constexpr int kFaceCaptureModes = 3;

// One area the camera leaves out of face detection.
struct FaceShieldArea {
    i32 enable;          //  0  "enable"
    char polygon_x[64];  //  4  "polygonX"
    char polygon_y[64];  // 68  "polygonY"
};
NVR_RECORD_SIZE(FaceShieldArea, 132);

// A channel's face capture configuration (message 3381). Fields not named
// are zero.
struct FaceConfigMessage {
    u8 zero0[4];                             //    0
    i32 chn_id;                              //    4  "chnId"
    u8 zero1[132];                           //    8
    i32 enable;                              //  140  "enable"
    i32 width;                               //  144  "width"
    i32 height;                              //  148  "height"
    i32 min_pixel;                           //  152  "minPixel"
    i32 capture_mode;                        //  156  "captureMode"
    i32 capture_quality[kFaceCaptureModes];  //  160  "captureModeArray"[i]."captureQuality"
    i32 snapshot_type;                       //  172  "snapshotType"
    i32 snapshot_interval;                   //  176  "snapshotInterval"
    i32 snapshot_background;                 //  180  "snapshotBackground"
    i32 pose_yaw;                            //  184  "poseYaw"
    i32 pose_roll;                           //  188  "poseRoll"
    i32 pose_pitch;                          //  192  "posePitch"
    i32 blur_limit;                          //  196  "blurLimit"
    u8 zero2[16];                            //  200
    char detection_polygon_x[64];            //  216  "detection_polygonX"
    char detection_polygon_y[64];            //  280  "detection_polygonY"
    i32 upload_enable;                       //  344  "uploadEnable"
    i32 upload_file_type;                    //  348  "uploadFileType"
    i32 nas_enable;                          //  352  "nasEnable"
    i32 nas_file_type;                       //  356  "nasFileType"
    i32 email_enable;                        //  360  "emailEnable"
    i32 email_file_type;                     //  364  "emailFileType"
    i32 http_enable;                         //  368  "httpEnable"
    i32 http_notify_interval;                //  372  "httpNotifyInterval"
    char http_url[128];                      //  376  "httpUrl"
    char http_user[64];                      //  504  "httpUser"
    char http_password[64];                  //  568  "httpPassword"
    i32 snapshot[kFaceCaptureModes];         //  632  "captureModeArray"[i]."snapshot"
    i32 record_seconds;                      //  644  "recordSeconds"
    i32 prerecord_seconds;                   //  648  "prerecordSeconds"
    i32 post_enable;                         //  652  "postEnable"
    i32 post_type;                           //  656  "postType"
    u8 zero3[80];                            //  660
    FaceShieldArea shield[kFaceShieldAreas]; //  740, 872, 1004, 1136  "shield"[0..3]
    i32 attribute_enable;                    // 1268  "attributeEnable"
    i32 attribute_type;                      // 1272  "attributeType"
    i32 mosaic_enable;                       // 1276  "mosaicEnable"
    i32 mosaic_mode_status;                  // 1280  "mosaicModeStatus"
    i32 mutually_exclusive;                  // 1284  "mutuallyExclusive"
};
NVR_RECORD_SIZE(FaceConfigMessage, 1288);

// A channel's face event row: the trigger fields, keyed by channel.
using FaceEventRecord = ActionTriggerRecord;

NVR_STORE_KIND(kFaceEventKind, "face_event", kEventChannels, FaceEventRecord);
constexpr const char* kFaceScheduleTables[kActionKinds] = {"face_effective_schedule", "face_audible_schedule",
                                                           "face_mail_schedule", "face_ptz_schedule"};
constexpr const char* kFaceWhiteLedSchedule = "face_whiteled_schedule";
constexpr const char* kFaceWhiteLedParams = "face_whiteled_params";

// Where face detection keeps its actions (instance = channel).
extern const EventSource kFaceEvents;

// Store calls.
int read_face_event(const char* db, FaceEventRecord* row, int channel);
int write_face_event(const char* db, const FaceEventRecord* row);  // at row->id
int write_face_effective_schedule(const char* db, const RecordSchedule* schedule, int channel);
int write_face_audible_schedule(const char* db, const RecordSchedule* schedule, int channel);
int write_face_mail_schedule(const char* db, const RecordSchedule* schedule, int channel);
int write_face_ptz_schedule(const char* db, const RecordSchedule* schedule, int channel);
int write_face_whiteled_schedule(const char* db, const RecordSchedule* schedule, int channel);
