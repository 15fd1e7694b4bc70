// Handlers of the video-features module ("/6000" table) for video loss and
// for the requests that read or write one action schedule of an event
// source (motion, video loss, recorder alarm inputs, snapshots).
#pragma once

// Video loss.
int video_loss_get(const char* request);               // "/6014"
int video_loss_audible_schedule_get(const char* request);  // "/6015"
int video_loss_triggers_set(const char* request);      // "/6016"
int video_loss_schedule_set(const char* request);      // "/6017"
int video_loss_actions_get(const char* request);       // "/6094"
int video_loss_actions_set(const char* request);       // "/6095"
int video_loss_audible_list_set(const char* request);  // "/6121"
int video_loss_email_list_set(const char* request);    // "/6122"
int video_loss_alarms_list_set(const char* request);   // "/6123"
int video_loss_email_schedule_get(const char* request);  // "/6124"
int video_loss_ptz_list_set(const char* request);      // "/6165"
int video_loss_ptz_schedule_get(const char* request);  // "/6166"

// One action schedule of motion, recorder alarm inputs and snapshots.
int motion_email_schedule_get(const char* request);    // "/6120"
int motion_ptz_schedule_get(const char* request);      // "/6158"
int alarm_in_audible_list_set(const char* request);    // "/6125"
int alarm_in_email_list_set(const char* request);      // "/6126"
int alarm_in_triggers_list_set(const char* request);   // "/6127"
int alarm_in_email_schedule_get(const char* request);  // "/6128"
int alarm_in_audible_schedule_get(const char* request);  // "/6129"
int alarm_in_ptz_list_set(const char* request);        // "/6167"
int alarm_in_ptz_schedule_get(const char* request);    // "/6168"
int alarm_in_effective_schedule_get(const char* request);  // "/6169"
int alarm_in_effective_schedule_set(const char* request);  // "/6170"
int snapshot_schedule_get(const char* request);        // "/6174"
int snapshot_schedule_list_set(const char* request);   // "/6175"
