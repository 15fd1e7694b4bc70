// Video features and events module ("/6000" table) and its reply callback.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/camera/camera.h"
#include "handlers/camera/camera_queries.h"
#include "handlers/event/video.h"
#include "handlers/event/video_loss.h"

static const ReplyRoute kVideoReplies[] = {
    {7502, motion_result_reply},
    {7503, motion_result_reply},
};

int video_reply(void*, const KxFrameHeader* header, const void* payload)
{
    return core_route_reply(kVideoReplies, header, payload);
}

static const WebReqEntry kVideoTable[] = {
    {"/6000", osd_get, "Reads a channel's OSD: name, date, week day and their places | decimal: channel | JSON | none"},
    {"/6001", osd_set,
     "Writes a channel's OSD | JSON: camId, camName, showName, showDate, showWeek, dateFormat, timeFormat, "
     "datePosX, datePosY, namePosX, namePosY, alpha | plain (no reply for bad input) | 1007"},
    {"/6002", osd_rename, "Renames a channel | JSON: camId, camName | plain | none"},
    {"/6010", motion_get,
     "Reads a channel's motion settings and actions | JSON: chnid | JSON | none"},
    {"/6011", motion_audible_schedule_get,
     "Reads a channel's motion alarm-audio schedule | decimal: channel id | JSON | none"},
    {"/6012", motion_area_set,
     "Writes a channel's motion settings and grid (older page) | JSON: camId, enable, sensitivity, triChannels, triAlarms, interval, enableMS, motionTable | plain | 1403, 3207, 3212, 3209, 3485"},
    {"/6013", motion_schedule_set,
     "Writes a channel's motion schedule (older page) | JSON: camId, schedule | plain | 1403"},
    {"/6018", privacy_masks_get, "Lists every channel's stored privacy masks | none | JSON | none"},
    {"/6019", privacy_masks_send,
     "Sends privacy masks to the cameras of several channels | JSON: cnt, chnid, area, enable, num, cgiSdkFlag, "
     "areaMaskEnable, mosaicSupport, mosaicNum, delMask | plain | 2509"},
    {"/6997", camera_osd_get, "Reads the OSD a camera burns into its streams | JSON: id | JSON | 3211 wait"},
    {"/6996", camera_osd_set,
     "Writes the OSD a camera burns into its streams | JSON: ch, enable_text, text_name, textpos, enable_date, "
     "datepos, dateformat, enable_text_sub, text_name_sub, textpos_sub, enable_date_sub, datepos_sub, "
     "dateformat_sub | plain (OK, NO_SUPPORT or ERROR) | 3210 wait"},
    {"/6112", motion_set,
     "Writes a channel's motion settings and actions and copies them to other channels | JSON: chnid, dialog, enableMS, sensitivity, motionTable, copyCnt, copyChn | plain | 3509, 3251, 1410, 3212, 3252"},
    {"/6113", motion_area_schedule_set,
     "Writes a channel's motion settings and schedule (older page) | JSON: camId, sensitivity, enableMS, enable, triAlarms, interval, schedule | plain | 1403, 3212, 3209"},
    {"/6114", motion_triggers_set,
     "Sets a channel's motion trigger channels, outputs and interval (older page) | JSON: camId, sensitivity, triChannels, triAlarms, interval, enableMS | plain | 1403, 3485"},
    {"/6115", motion_result_2502,
     "Asks the core daemon for motion result A | JSON: id | JSON | 2502 wait"},
    {"/6116", motion_result_2503,
     "Asks the core daemon for motion result B | JSON: id | JSON | 2503 wait"},
    {"/6117", motion_actions_set,
     "Writes a channel's motion actions | JSON: chnid, effective, audible, email, ptz, white, whiteInfo, triChnAlarms, enable, triAlarms, interval, audioId, email_interval, email_pic_enable, tri_channels_pic, ptz_interval, alarmout_interval, white_interval, triChannels | plain | 1403"},
    {"/6118", motion_email_set,
     "Writes a channel's motion e-mail schedule, enable and interval | JSON: camId, enable, interval, schedule | plain | 1403"},
    {"/6119", motion_trigger_set,
     "Sets a channel's motion trigger channels (type 1) or alarm outputs (type 2) | JSON: camId, type, triChannels, triAlarms | plain | 1403, 3485"},
    {"/6152", motion_effective_schedule_set,
     "Writes a channel's motion arming schedule | JSON: camId, schedule | plain | 1403"},
    {"/6153", motion_effective_schedule_get,
     "Reads a channel's motion arming schedule | decimal: channel id | JSON | none"},
    {"/6159", motion_ptz_schedule_set,
     "Writes a channel's motion PTZ schedule | JSON: camId, schedule | plain | 1403"},
    // Video loss.
    {"/6014", video_loss_get, "Reads a channel's video-loss settings (older page) | decimal: channel id | JSON | none"},
    {"/6015", video_loss_audible_schedule_get,
     "Reads a channel's video-loss alarm-audio schedule | decimal: channel id | JSON | none"},
    {"/6016", video_loss_triggers_set,
     "Sets a channel's video-loss alarm outputs and interval (older page) | JSON: camId, enable, triAlarms, interval "
     "| plain | 1402, 3485"},
    {"/6017", video_loss_schedule_set,
     "Writes a channel's video-loss arming schedule and enable (older page) | JSON: camId, schedule, enable | plain | "
     "1402"},
    {"/6094", video_loss_actions_get, "Reads a channel's video-loss settings and actions | JSON: chnid | JSON | none"},
    {"/6095", video_loss_actions_set,
     "Writes a channel's video-loss actions and copies them to other channels | JSON: chnid, dialog, copyCnt, "
     "copyChn | plain | 1414"},
    {"/6121", video_loss_audible_list_set,
     "Applies a video-loss alarm-audio schedule, enable and interval to listed channels | JSON: schedule, enable, "
     "interval, cnt, chnid | plain | 1414"},
    {"/6122", video_loss_email_list_set,
     "Applies a video-loss e-mail schedule, enable and interval to listed channels | JSON: schedule, enable, "
     "interval, cnt, chnid | plain | 1414"},
    {"/6123", video_loss_alarms_list_set,
     "Sets the video-loss alarm outputs of listed channels | JSON: cnt, chnid, triAlarms | plain | 1414, 3509"},
    {"/6124", video_loss_email_schedule_get,
     "Reads a channel's video-loss e-mail schedule | decimal: channel id | JSON | none"},
    {"/6165", video_loss_ptz_list_set,
     "Applies a channel's video-loss PTZ schedule and PTZ actions to listed channels | JSON: camId, schedule, cnt, "
     "chnid | plain | 1414"},
    {"/6166", video_loss_ptz_schedule_get,
     "Reads a channel's video-loss PTZ schedule | decimal: channel id | JSON | none"},
    // One action schedule of motion, recorder alarm inputs and snapshots.
    {"/6120", motion_email_schedule_get, "Reads a channel's motion e-mail schedule | decimal: channel id | JSON | none"},
    {"/6158", motion_ptz_schedule_get, "Reads a channel's motion PTZ schedule | decimal: channel id | JSON | none"},
    {"/6125", alarm_in_audible_list_set,
     "Applies an alarm-audio schedule, enable and interval to listed recorder alarm inputs | JSON: schedule, enable, "
     "interval, cnt, chnid | plain | 1415"},
    {"/6126", alarm_in_email_list_set,
     "Applies an e-mail schedule, enable, interval and snapshot channels to listed recorder alarm inputs | JSON: "
     "schedule, enable, interval, triSnapshot, cnt, chnid | plain | 1415"},
    {"/6127", alarm_in_triggers_list_set,
     "Gives listed recorder alarm inputs an input's arming schedule and trigger channels or outputs | JSON: camId, "
     "type, triChannels, triAlarms, cnt, chnid | plain | 1415, 3509"},
    {"/6128", alarm_in_email_schedule_get,
     "Reads a recorder alarm input's e-mail schedule | decimal: alarm-input id | JSON | none"},
    {"/6129", alarm_in_audible_schedule_get,
     "Reads a recorder alarm input's alarm-audio schedule | decimal: alarm-input id | JSON | none"},
    {"/6167", alarm_in_ptz_list_set,
     "Applies an alarm input's PTZ schedule and PTZ actions to listed recorder alarm inputs | JSON: camId, schedule, "
     "cnt, chnid | plain | 1415"},
    {"/6168", alarm_in_ptz_schedule_get,
     "Reads a recorder alarm input's PTZ schedule | decimal: alarm-input id | JSON | none"},
    {"/6169", alarm_in_effective_schedule_get,
     "Reads a recorder alarm input's arming schedule | decimal: alarm-input id | JSON | none"},
    {"/6170", alarm_in_effective_schedule_set,
     "Writes a recorder alarm input's arming schedule | JSON: camId, schedule | plain | 1404"},
    {"/6174", snapshot_schedule_get, "Reads a channel's snapshot schedule | decimal: channel id | JSON | none"},
    {"/6175", snapshot_schedule_list_set,
     "Writes a snapshot schedule to listed channels | JSON: schedule, cnt, chnid | plain | 1312"},
    // Fisheye settings and camera queries; replies through camera_reply.
    {"/6098", camera_map_get,
     "Reads a camera's motion map and fisheye mode | JSON: id | JSON (no reply for bad input) | 3206 wait"},
    {"/6999", trigger_alarms_get,
     "Reads the seven trigger-alarm values and the alarm audio mask | none | JSON (array) | none"},
    {"/6998", trigger_alarms_set,
     "Writes the seven trigger-alarm values | JSON: 0, 1, 2, 3, 4, 5, 6 | JSON (empty object; no reply for bad "
     "input) | 2104"},
    {"/6130", fisheye_get, "Reads a channel's fisheye settings | JSON: id | JSON (no reply for bad input) | 3232 wait"},
    {"/6131", fisheye_set,
     "Writes a channel's fisheye settings | JSON: chnid, fishcorrect, fishmount, fishdisplay | plain (OK or FAILED) | "
     "3231 wait"},
    {"/6173", mask_area_clear, "Clears one privacy-mask area of a camera | JSON: chan_id, area_id | plain | 2508"},
    {"/6196", fisheye_caps_get,
     "Asks a camera not yet added for its fisheye capabilities | JSON: ddns, ipaddr, username, password, port | JSON "
     "| 3373 wait"},
    {"/6197", fisheye_mode_set,
     "Gives a camera not yet added its fisheye mode | JSON: ddns, ipaddr, username, password, port, transfer, "
     "install, display | JSON (result code) | 3374 wait"},
    {"/6198", camera_mask_command,
     "Sends a privacy-mask command to a camera | JSON: chnid, maskid | JSON (result code; no reply for bad input) | "
     "3353 wait"},
};

NVR_MODULE(video, kModVideo, kVideoTable)
