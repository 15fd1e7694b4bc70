// Video features and events module: the "/6000" request table.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/camera/camera.h"
#include "handlers/camera/camera_queries.h"
#include "handlers/event/people.h"
#include "handlers/event/smart.h"
#include "handlers/event/video.h"
#include "handlers/event/video_loss.h"

// Codes the table keeps in their places with no behaviour behind them: the
// request is taken and nothing is written, as for a code no module knows.
static int reserved_code(const char*) { return 0; }
static const char kReservedDoc[] = "Reserved: takes the request and answers nothing | none | plain (no reply) | none";

static const WebReqEntry kVideoTable[] = {
    {"/6000", osd_get, "Reads a channel's OSD: name, date, week day and their places | decimal: channel | JSON"
     " {camId:i, camName:s, showName:i, showDate:i, showWeek:i, dateFormat:i, timeFormat:i, "
     "datePosX:n, datePosY:i, namePosX:n, namePosY:n, alpha:i}"
     " | none"},
    {"/6001", osd_set,
     "Writes a channel's OSD | JSON: camId:i(0..63), camName:s(63), showName:i(0..1), showDate:i(0..1), showWeek:i(0..1), dateFormat:i(0..3), "
     "timeFormat:i(0..1), "
     "datePosX:n, datePosY:n, namePosX:n, namePosY:n, alpha:i(0..2147483647) | plain (no reply for bad input) | 1007"},
    {"/6002", osd_rename, "Renames a channel | JSON: camId:i(0..63), camName:s(31) | plain | none"},
    {"/6010", motion_get,
     "Reads a channel's motion settings and actions | JSON: chnid:i(0..63) | JSON"
     " {chnid:i, enable:i, sensitivity:i, triChannels:s, triAlarms:i, interval:i, enableMS:i, "
     "motionTable:s, email_enable:i, email_interval:i, email_pic_enable:i, tri_channels_pic:s, "
     "ptz_interval:i, alarmout_interval:i, effective:[[{startTime:s, endTime:s, actionType:i}]], "
     "audible:[[{startTime:s, endTime:s, actionType:i}]], email:[[{startTime:s, endTime:s, "
     "actionType:i}]], ptz:[[{startTime:s, endTime:s, actionType:i}]], triChnAlarms:[s], "
     "white:[[{startTime:s, endTime:s, actionType:i}]], whiteInfo:[{chnid:i, mode:i, time:i}], "
     "white_interval:i, audioId:i, audioIdMask:i, ptzParams:[{acto_ptz_channel:i, acto_ptz_type:i, "
     "acto_ptz_preset:i, acto_ptz_patrol:i}]}"
     " | none"},
    {"/6011", motion_audible_schedule_get,
     "Reads a channel's motion alarm-audio schedule | decimal: channel id | JSON"
     " [[{startTime:s, endTime:s, actionType:i}]]"
     " | none"},
    {"/6012", motion_area_set,
     "Writes a channel's motion settings and grid (older page) | JSON: camId:i(0..63), enable:i(0..2), sensitivity:i(0..2147483647), "
     "triChannels:s(64), triAlarms:i(0..2147483647), interval:i(0..2147483647), enableMS:i, motionTable:s | plain | 1403, 3207, 3212, 3209, 3485"},
    {"/6013", motion_schedule_set,
     "Writes a channel's motion schedule (older page) | JSON: camId:i(0..63), schedule:[[*]] | plain | 1403"},
    {"/6014", video_loss_get, "Reads a channel's video-loss settings (older page) | decimal: channel id | JSON"
     " {camId:i, enable:i, triAlarms:i, interval:i}"
     " | none"},
    {"/6015", video_loss_audible_schedule_get,
     "Reads a channel's video-loss alarm-audio schedule | decimal: channel id | JSON"
     " [[{startTime:s, endTime:s, actionType:i}]] | none"},
    {"/6016", video_loss_triggers_set,
     "Sets a channel's video-loss alarm outputs and interval (older page) | JSON: camId:i(0..63), enable:i(0..2), triAlarms:i(0..2147483647), "
     "interval:i(0..2147483647) "
     "| plain | 1402, 3485"},
    {"/6017", video_loss_schedule_set,
     "Writes a channel's video-loss arming schedule and enable (older page) | JSON: camId:i(0..63), schedule:[[*]], "
     "enable:i | plain | "
     "1402"},
    {"/6018", privacy_masks_get, "Lists every channel's stored privacy masks | none | JSON"
     " [{id:i, area:[{area_id:i, enable:i, start_x:i, start_y:i, area_width:i, area_height:i, "
     "width:i, height:i, fill_color:i}]}]"
     " | none"},
    {"/6019", privacy_masks_send,
     "Sends privacy masks to the cameras of several channels | JSON: cnt:i, chnid:[i], area:[z], enable:i, num:i, "
     "cgiSdkFlag:i, "
     "areaMaskEnable:i, mosaicSupport:i, mosaicNum:i, delMask:i | plain | 2509"},
    {"/6098", camera_map_get,
     "Reads a camera's motion map and fisheye mode | JSON: id:i | JSON (no reply for bad input)"
     " {map:s, sensitivity:i, result:i, enable:i, modelType:i, fishdisplay:i, fishtransfer:i, "
     "fishinstall:i}"
     " | 3206 wait"},
    {"/6999", trigger_alarms_get,
     "Reads the seven trigger-alarm values and the alarm audio mask | none | JSON (array)"
     " [i]"
     " | none"},
    {"/6998", trigger_alarms_set,
     "Writes the seven trigger-alarm values | JSON: 0:i, 1:i, 2:i, 3:i, 4:i, 5:i, 6:i | JSON (empty object; no reply for bad "
     "input)"
     " {}"
     " | 2104"},
    {"/6997", camera_osd_get, "Reads the OSD a camera burns into its streams | JSON: id:i(0..63) | JSON"
     " {disconnect:i, enable_text?:i, text_name?:s, textpos?:i, enable_date?:i, datepos?:i, "
     "dateformat?:i, enable_text_sub?:i, text_name_sub?:s, textpos_sub?:i, enable_date_sub?:i, "
     "datepos_sub?:i, dateformat_sub?:i}"
     " | 3211 wait"},
    {"/6996", camera_osd_set,
     "Writes the OSD a camera burns into its streams | JSON: ch:i(0..63), enable_text:i, text_name:s(255), textpos:i, "
     "enable_date:i, "
     "datepos:i, dateformat:i, enable_text_sub:i, text_name_sub:s(255), textpos_sub:i, enable_date_sub:i, "
     "datepos_sub:i, "
     "dateformat_sub:i | plain (OK, NO_SUPPORT or ERROR) | 3210 wait"},
    {"/6090", camera_io_get, "Reads a camera's alarm I/O event | decimal: channel id | JSON"
     " {camId:i, enable:i, type:i, triActions:i, triChannels:s}"
     " | 3213 wait"},
    {"/6091", camera_io_set,
     "Writes a camera's alarm I/O event | JSON: camId:i(0..63), enable:i(0..1), type:i(0..2147483647), triActions:i, "
     "triChannels:s(64) | plain (no reply for "
     "bad input) | 3214, 3485"},
    {"/6092", volume_detect_get, "Reads a camera's volume detection | decimal: channel id | JSON"
     " {camId:i, enable:i, type:i, volume:i, duration:i, onEvent:i, offEvent:i, ongoingEvent:i, "
     "triActions:i, triChannels:s}"
     " | 3215 wait"},
    {"/6093", volume_detect_set,
     "Writes a camera's volume detection | JSON: camId:i(0..63), enable:i(0..1), type:i(0..2147483647), volume:i(0..2147483647), "
     "duration:i(0..2147483647), onEvent:i(0..2147483647), offEvent:i(0..2147483647), "
     "ongoingEvent:i(0..2147483647), triActions:i, triChannels:s(64) | plain (no reply for bad input) | 3216, 3485"},
    {"/6112", motion_set,
     "Writes a channel's motion settings and actions and copies them to other channels | JSON: chnid:i(0..63), "
     "dialog:{...}, enableMS:i, sensitivity:i, motionTable:s, copyCnt:i, copyChn:[i] | plain | 3509, 3251, 1410, "
     "3212, 3252"},
    {"/6113", motion_area_schedule_set,
     "Writes a channel's motion settings and schedule (older page) | JSON: camId:i(0..63), sensitivity:i, enableMS:i, "
     "enable:i, triAlarms:i, interval:i, schedule:[[*]] | plain | 1403, 3212, 3209"},
    {"/6114", motion_triggers_set,
     "Sets a channel's motion trigger channels, outputs and interval (older page) | JSON: camId:i(0..63), sensitivity:i, "
     "triChannels:s(64), triAlarms:i, interval:i, enableMS:i | plain | 1403, 3485"},
    {"/6115", motion_result_2502,
     "Asks the core daemon for motion result A | JSON: id:i | JSON"
     " {result:i}"
     " | 2502 wait"},
    {"/6116", motion_result_2503,
     "Asks the core daemon for motion result B | JSON: id:i | JSON"
     " {result:i}"
     " | 2503 wait"},
    {"/6117", motion_actions_set,
     "Writes a channel's motion actions | JSON: chnid:i(0..63), effective:[[*]], audible:[[*]], email:[[*]], ptz:[[*]], white:[[*]], "
     "whiteInfo:[[*]], triChnAlarms:[s], enable:i, triAlarms:i, interval:i, audioId:i, email_interval:i, "
     "email_pic_enable:i, tri_channels_pic:s(64), ptz_interval:i, alarmout_interval:i, white_interval:i, "
     "triChannels:s(64) | plain | 1403"},
    {"/6118", motion_email_set,
     "Writes a channel's motion e-mail schedule, enable and interval | JSON: camId:i(0..63), enable:i, interval:i, "
     "schedule:[[*]] | plain | 1403"},
    {"/6120", motion_email_schedule_get, "Reads a channel's motion e-mail schedule | decimal: channel id | JSON"
     " [[{startTime:s, endTime:s, actionType:i}]]"
     " | none"},
    {"/6119", motion_trigger_set,
     "Sets a channel's motion trigger channels (type 1) or alarm outputs (type 2) | JSON: camId:i(0..63), type:i, "
     "triChannels:s(64), triAlarms:i | plain | 1403, 3485"},
    {"/6122", video_loss_email_list_set,
     "Applies a video-loss e-mail schedule, enable and interval to listed channels | JSON: schedule:[[*]], enable:i, "
     "interval:i, cnt:i, chnid:[i] | plain | 1414"},
    {"/6124", video_loss_email_schedule_get,
     "Reads a channel's video-loss e-mail schedule | decimal: channel id | JSON"
     " [[{startTime:s, endTime:s, actionType:i}]]"
     " | none"},
    {"/6126", alarm_in_email_list_set,
     "Applies an e-mail schedule, enable, interval and snapshot channels to listed recorder alarm inputs | JSON: "
     "schedule:[[*]], enable:i, interval:i, triSnapshot:s(64), cnt:i, chnid:[i] | plain | 1415"},
    {"/6128", alarm_in_email_schedule_get,
     "Reads a recorder alarm input's e-mail schedule | decimal: alarm-input id | JSON"
     " [[{startTime:s, endTime:s, actionType:i}]]"
     " | none"},
    {"/6121", video_loss_audible_list_set,
     "Applies a video-loss alarm-audio schedule, enable and interval to listed channels | JSON: schedule:[[*]], "
     "enable:i, "
     "interval:i, cnt:i, chnid:[i] | plain | 1414"},
    {"/6125", alarm_in_audible_list_set,
     "Applies an alarm-audio schedule, enable and interval to listed recorder alarm inputs | JSON: schedule:[[*]], "
     "enable:i, "
     "interval:i, cnt:i, chnid:[i] | plain | 1415"},
    {"/6129", alarm_in_audible_schedule_get,
     "Reads a recorder alarm input's alarm-audio schedule | decimal: alarm-input id | JSON"
     " [[{startTime:s, endTime:s, actionType:i}]]"
     " | none"},
    {"/6123", video_loss_alarms_list_set,
     "Sets the video-loss alarm outputs of listed channels | JSON: cnt:i, chnid:[i], triAlarms:i | plain | 1414, 3509"},
    {"/6127", alarm_in_triggers_list_set,
     "Gives listed recorder alarm inputs an input's arming schedule and trigger channels or outputs | JSON: camId:i(0..15), "
     "type:i, triChannels:s(64), triAlarms:i, cnt:i, chnid:[i] | plain | 1415, 3509"},
    {"/6130", fisheye_get, "Reads a channel's fisheye settings | JSON: id:i(0..63) | JSON (no reply for bad input)"
     " {chnid:i, result:i, fishmount:i, fishdisplay:i, fishcorrect:i}"
     " | 3232 wait"},
    {"/6132", smart_region_get, "Reads region entrance (type 0) or exit detection | JSON: channel:i(0..63), type:i | JSON"
     " {region:s, enable:i, sensitivity:i, objtype:i, polygonX:s, polygonY:s}"
     " | 3237 wait, 3238 wait"},
    {"/6133", smart_region_set, "Writes region entrance (type 0) or exit detection | JSON: chnid:i(0..63), type:i, "
     "dialog:{...}, enable:i, sensitivity:i, objtype:i, region:s(299), polygonX:s(63), "
     "polygonY:s(63) | plain (OK or FAILED) | 1412, 3244 wait, 3245 wait"},
    {"/6134", smart_motion_get, "Reads advanced motion detection | JSON: channel:i(0..63) | JSON"
     " {region:s, enable:i, sensitivity:i, ignore_time:i, objtype:i, polygonX:s, polygonY:s}"
     " | 3239 wait"},
    {"/6135", smart_motion_set, "Writes advanced motion detection | JSON: chnid:i(0..63), dialog:{...}, enable:i, region:s(299), "
     "sensitivity:i, ignore_time:i, objtype:i, polygonX:s(63), polygonY:s(63) | plain (OK or FAILED) | 1412, 3246 wait"},
    {"/6136", smart_tamper_get, "Reads tamper detection | JSON: channel:i(0..63) | JSON {enable:i, "
     "sensitivity:i} | 3240 wait"},
    {"/6137", smart_tamper_set, "Writes tamper detection | JSON: chnid:i(0..63), dialog:{...}, enable:i, "
     "sensitivity:i | plain (OK or FAILED) | 1412, 3247 wait"},
    {"/6138", smart_line_get, "Reads line crossing, lines on the 460 x 260 canvas | JSON: channel:i(0..63) | JSON"
     " {direction:i, position:s, line:[{position:s, direction:i}], enable:i, width:i, height:i, "
     "objtype:i}"
     " | 3241 wait"},
    {"/6139", smart_line_set, "Writes line crossing from canvas lines | JSON: chnid:i(0..63), dialog:{...}, enable:i, objtype:i, "
     "width:i, height:i, line:[{...}] | plain (OK or FAILED) | 1412, 3248 wait"},
    {"/6140", smart_loiter_get, "Reads loitering detection | JSON: channel:i(0..63) | JSON"
     " {region:s, enable:i, time:i, size:i, objtype:i, polygonX:s, polygonY:s} | 3242 wait"},
    {"/6141", smart_loiter_set, "Writes loitering detection | JSON: chnid:i(0..63), dialog:{...}, enable:i, region:s(299), time:i, "
     "size:i, objtype:i, polygonX:s(63), polygonY:s(63) | plain (OK or FAILED) | 1412, 3249 wait"},
    {"/6142", smart_human_get, "Reads human detection | JSON: channel:i(0..63) | JSON"
     " {enable:i, tracks:i}"
     " | 3243 wait"},
    {"/6143", smart_human_set, "Writes human detection | JSON: chnid:i(0..63), dialog:{...}, enable:i, "
     "tracks:i | plain (OK or FAILED) | 1412, 3250 wait"},
    {"/6144", smart_people_count_get, "Reads the people count display and thresholds | JSON: channel:i(0..63) | JSON"
     " {enable:i, osd:i, text:s, width:i, height:i, fontSize:i, triggerEnable:i, triggerEnableByIn:i, "
     "inThresholds:i, triggerEnableByOut:i, outThresholds:i, triggerEnableBySum:i, sumThresholds:i, "
     "position:i}"
     " | 3253 wait"},
    {"/6145", smart_people_count_set, "Writes the people count display and thresholds | JSON: chnid:i(0..63), dialog:{...}, "
     "enable:i, osd:i, text:s(15), width:i, height:i, fontSize:i, triggerEnable:i, triggerEnableByIn:i, inThresholds:i, "
     "triggerEnableByOut:i, outThresholds:i, triggerEnableBySum:i, sumThresholds:i, "
     "position:i | plain (OK or FAILED) | 1412, 3254 wait"},
    {"/6146", smart_people_settings_get, "Reads people-counting settings, boxes on the canvas | JSON: channel:i(0..63) | JSON"
     " {fps:i, mode:i, installation:i, analysis:i, width:i, height:i, vcaType:i, minStartX:i, "
     "minStartY:i, minWidth:i, minHeight:i, maxStartX:i, maxStartY:i, maxWidth:i, maxHeight:i, "
     "position:[{minStartX:i, minStartY:i, minWidth:i, minHeight:i, maxStartX:i, maxStartY:i, "
     "maxWidth:i, maxHeight:i}]}"
     " | 3259 wait"},
    {"/6147", smart_people_settings_set, "Writes people-counting settings from canvas boxes | JSON: chnid:i(0..63), fps:i, "
     "mode:i, installation:i, analysis:i, width:i, height:i, position:[{...}] | plain (OK or FAILED) | 3260 wait"},
    {"/6148", smart_actions_get, "Reads the actions of a channel's smart event | JSON: chnid:i(0..63), event:i(0..8) | JSON"
     " {action:[{chnid:i, event:i, enable:i, triAlarms:i, interval:i, email_interval:i, "
     "email_pic_enable:i, tri_channels_pic:s, ptz_interval:i, alarmout_interval:i, triChannels:s, "
     "effective:[[{startTime:s, endTime:s, actionType:i}]], audible:[[{startTime:s, endTime:s, "
     "actionType:i}]], email:[[{startTime:s, endTime:s, actionType:i}]], ptz:[[{startTime:s, "
     "endTime:s, actionType:i}]], triChnAlarms:[s], white:[[{startTime:s, endTime:s, actionType:i}]], "
     "whiteInfo:[{chnid:i, mode:i, time:i}], white_interval:i, audioId:i, audioIdMask:i, "
     "ptzParams:[*]}]}"
     " | none"},
    {"/6149", smart_actions_set, "Writes the actions of a channel's smart event | JSON: chnid:i(0..63), event:i(0..8), "
     "effective:[[*]], audible:[[*]], email:[[*]], ptz:[[*]], white:[[*]], whiteInfo:[[*]], triChnAlarms:[s], "
     "trigger fields | plain | 1412"},
    {"/6150", smart_trigger_set, "Writes a smart event's alarm outputs (type 0) or record channels (type 1) | JSON: "
     "channel:i(0..63), type:i, event:i(0..8), triAlarms:i, triChannels:s(64) | plain | 1412"},
    {"/6151", smart_triggers_get, "Reads a smart event's trigger fields | JSON: channel:i(0..63), type:i(0..8) | JSON"
     " {chnid:i, enable:i, triAlarms:i, interval:i, email_interval:i, email_pic_enable:i, "
     "tri_channels_pic:s, triChannels:s}"
     " | none"},
    {"/6152", motion_effective_schedule_set,
     "Writes a channel's motion arming schedule | JSON: camId:i(0..63), schedule:[[*]] | plain | 1403"},
    {"/6153", motion_effective_schedule_get,
     "Reads a channel's motion arming schedule | decimal: channel id | JSON"
     " [[{startTime:s, endTime:s, actionType:i}]]"
     " | none"},
    {"/6154", reserved_code, kReservedDoc},
    {"/6155", reserved_code, kReservedDoc},
    {"/6156", reserved_code, kReservedDoc},
    {"/6157", smart_capability_get, "Reads a camera's analytics capability | JSON: channel:i(0..63) | JSON"
     " {support:i, type:i}"
     " | 3257 wait"},
    {"/6158", motion_ptz_schedule_get, "Reads a channel's motion PTZ schedule | decimal: channel id | JSON"
     " [[{startTime:s, endTime:s, actionType:i}]]"
     " | none"},
    {"/6159", motion_ptz_schedule_set,
     "Writes a channel's motion PTZ schedule | JSON: camId:i(0..63), schedule:[[*]] | plain | 1403"},
    {"/6160", ptz_link_add,
     "Adds a PTZ action to an event's list (type: PTZ event type) | JSON: type:i(0..26), chn_id:i(0..63), acto_ptz_channel:i, "
     "acto_ptz_type:i, acto_ptz_preset:i, acto_ptz_patrol:i, acto_ptz_pattern:i | plain | none"},
    {"/6161", ptz_link_list, "Lists the PTZ actions of an event | JSON: type:i(0..26), chn_id:i(0..63) | JSON"
     " {ptzInfo:[{acto_ptz_channel:i, acto_ptz_type:i, acto_ptz_preset:i, acto_ptz_patrol:i}]}"
     " | none"},
    {"/6162", ptz_link_delete,
     "Deletes the PTZ action of one PTZ camera from an event's list | JSON: type:i(0..26), chn_id:i(0..63), "
     "acto_ptz_channel:i | plain "
     "| none"},
    {"/6163", ptz_link_update,
     "Changes a PTZ action, moving it from old_chn_id to chn_id | JSON: type:i(0..26), chn_id:i(0..63), old_chn_id:i(0..63), "
     "acto_ptz_channel:i, acto_ptz_type:i, acto_ptz_preset:i, acto_ptz_patrol:i, acto_ptz_pattern:i | plain | none"},
    {"/6164", ptz_link_delete_several,
     "Deletes the PTZ actions of several PTZ cameras from an event's list | JSON: type:i(0..26), chn_id:i(0..63), "
     "ptzChannel:[i] | plain "
     "| none"},
    {"/6165", video_loss_ptz_list_set,
     "Applies a channel's video-loss PTZ schedule and PTZ actions to listed channels | JSON: camId:i(0..63), "
     "schedule:[[*]], cnt:i, "
     "chnid:[i] | plain | 1414"},
    {"/6166", video_loss_ptz_schedule_get,
     "Reads a channel's video-loss PTZ schedule | decimal: channel id | JSON"
     " [[{startTime:s, endTime:s, actionType:i}]]"
     " | none"},
    {"/6167", alarm_in_ptz_list_set,
     "Applies an alarm input's PTZ schedule and PTZ actions to listed recorder alarm inputs | JSON: camId:i(0..15), "
     "schedule:[[*]], "
     "cnt:i, chnid:[i] | plain | 1415"},
    {"/6168", alarm_in_ptz_schedule_get,
     "Reads a recorder alarm input's PTZ schedule | decimal: alarm-input id | JSON"
     " [[{startTime:s, endTime:s, actionType:i}]]"
     " | none"},
    {"/6170", alarm_in_effective_schedule_set,
     "Writes a recorder alarm input's arming schedule | JSON: camId:i(0..15), schedule:[[*]] | plain | 1404"},
    {"/6169", alarm_in_effective_schedule_get,
     "Reads a recorder alarm input's arming schedule | decimal: alarm-input id | JSON"
     " [[{startTime:s, endTime:s, actionType:i}]]"
     " | none"},
    {"/6171", smart_object_set, "Writes object left or removed detection | JSON: chnid:i(0..63), dialog:{...}, left_enable:i, "
     "remove_enable:i, min_time:i, sensitivity:i, region:s(299), polygonX:s(63), polygonY:s(63) | plain (OK or FAILED) | 1412, "
     "3269 wait"},
    {"/6172", smart_object_get, "Reads object left or removed detection | JSON: channel:i(0..63) | JSON"
     " {region:s, left_enable:i, remove_enable:i, min_time:i, sensitivity:i, polygonX:s, polygonY:s}"
     " | 3268 wait"},
    {"/6173", mask_area_clear, "Clears one privacy-mask area of a camera | JSON: chan_id:i(0..63), area_id:i(0..24) | plain | 2508"},
    {"/6174", snapshot_schedule_get, "Reads a channel's snapshot schedule | decimal: channel id | JSON"
     " [[{startTime:s, endTime:s, actionType:i}]]"
     " | none"},
    {"/6175", snapshot_schedule_list_set,
     "Writes a snapshot schedule to listed channels | JSON: schedule:[[*]], cnt:i, chnid:[i] | plain | 1312"},
    {"/6176", snapshot_settings_get, "Reads a channel's event snapshot settings | decimal: channel id | JSON"
     " {resolution:i, quality:i, interval:i, interval_unit:i, expiration_date:i}"
     " | none"},
    {"/6177", snapshot_settings_copy,
     "Writes event snapshot settings to listed channels | JSON: resolution:i, quality:i, interval:i, interval_unit:i, "
     "expiration_date:i, cnt:i, chnid:[i] | plain | 1311"},
    {"/6178", snapshot_run,
     "Starts and stops snapshot taking on listed channels | JSON: snapshotCnt:i, snapshotChnId:[i], stopCnt:i, "
     "stopChnId:[i] | "
     "plain | 1313"},
    {"/6180", plate_event_set, "Writes a channel's plate event | JSON: chnid:i(0..63), mode:i(-1..2), dialog:{...}, "
     "enable:i | plain | 1416"},
    {"/6179", plate_event_get, "Reads a channel's plate event (mode -1 every plate, 0 black, 1 white, "
     "2 visitor) with its actions | JSON: chnid:i(0..63), mode:i(-1..2) | JSON"
     " {chnid:i, mode:i, enable?:i, triAlarms?:i, interval?:i, email_interval?:i, "
     "email_pic_enable?:i, tri_channels_pic?:s, ptz_interval?:i, alarmout_interval?:i, "
     "white_interval?:i, triChannels?:s, effective:[[{startTime:s, endTime:s, actionType:i}]], "
     "audible?:[[{startTime:s, endTime:s, actionType:i}]], email?:[[{startTime:s, endTime:s, "
     "actionType:i}]], ptz?:[[{startTime:s, endTime:s, actionType:i}]], triChnAlarms?:[s], "
     "white?:[[{startTime:s, endTime:s, actionType:i}]], whiteInfo?:[{chnid:i, mode:i, time:i}], "
     "audioId?:i, audioIdMask?:i, ptzParams?:[{acto_ptz_channel:i, acto_ptz_type:i, "
     "acto_ptz_preset:i, acto_ptz_patrol:i}]}"
     " | none"},
    {"/6181", plate_settings_get, "Reads a camera's plate recognition settings | JSON: chnid:i(0..63) | JSON"
     " {enable:i, resolution_width:i, resolution_height:i, area_x:i, area_y:i, area_width:i, "
     "area_height:i, day_night_mode_enable:i, scene:i, direction_enable:i, region_enable:i, "
     "roiid_enable:i, process_mode:i, repeat_check_time_value:i, repeat_check_time_unit:i, "
     "post_enable:i, post_type:i, post_tcp_port:i, post_http_user:s, post_http_password:s, "
     "post_http_url:s, confidence:i, cur_area:i, region:[{name:s, startX:i, startY:i, endX:i, "
     "endY:i}], roi:[{name:s, startX:i, startY:i, endX:i, endy:i, preset:i}], night_mode_enable:i, "
     "night_mode_level:i, night_mode_starthour:i, night_mode_startminute:i, night_mode_stophour:i, "
     "night_mode_stopminute:i, night_mode_effective_mode:i, in_night_mode:i}"
     " | 3289 wait"},
    {"/6182", plate_settings_set, "Writes a camera's plate recognition settings | JSON: chnid:i(0..63), dialog:{...}, "
     "formatData:{...}, enable:i, post_http_user:s(63), post_http_password:s(63), post_http_url:s(255), "
     "region:[{...}], roi:[{...}], night_mode_enable:i, "
     "... | plain (OK or FAILED) | 1416, 1208, 3290 wait"},
    {"/6183", plate_list_delete, "Deletes plates from the plate lists | JSON: cnt:i(1..10000), plate:[s] | plain | none"},
    {"/6184", plate_list_import, "Adds or replaces plate-list entries, keyed by plate | JSON: cnt:i(1..10000), "
     "plate:[[*]] | JSON ({\"count\": entries taken})"
     " {count:i}"
     " | none"},
    {"/6185", plate_list_edit, "Edits plate-list entries | JSON: cnt:i(1..10000), plate:[[*]] | plain | none"},
    {"/6186", smart_vca_support_get, "Reads whether a camera supports video analytics | JSON: chnid:i(0..63) | JSON"
     " {chnid:i, vca_support:i, vca_version:i}"
     " | 3293 wait"},
    {"/6094", video_loss_actions_get, "Reads a channel's video-loss settings and actions | JSON: chnid:i(0..63) | JSON"
     " {chnid:i, enable:i, triAlarms:i, interval:i, email_interval:i, ptz_interval:i, "
     "alarmout_interval:i, white_interval:i, audible:[[{startTime:s, endTime:s, actionType:i}]], "
     "email:[[{startTime:s, endTime:s, actionType:i}]], ptz:[[{startTime:s, endTime:s, "
     "actionType:i}]], triChnAlarms:[s], white:[[{startTime:s, endTime:s, actionType:i}]], "
     "whiteInfo:[{chnid:i, mode:i, time:i}], audioId:i, audioIdMask:i, "
     "ptzParams:[{acto_ptz_channel:i, acto_ptz_type:i, acto_ptz_preset:i, acto_ptz_patrol:i}]}"
     " | none"},
    {"/6095", video_loss_actions_set,
     "Writes a channel's video-loss actions and copies them to other channels | JSON: chnid:i(0..63), dialog:{...}, "
     "copyCnt:i, "
     "copyChn:[i] | plain | 1414"},
    {"/6187", reserved_code, kReservedDoc},
    {"/6188", reserved_code, kReservedDoc},
    {"/6189", plate_zoom_get, "Reads a plate camera's zoom state | JSON: chnid:i(0..63) | JSON"
     " {chnid:i, state:i, zoomNumber:i}"
     " | 1215 wait"},
    {"/6190", plate_formats_get, "Reads a camera's plate formats | JSON: chnid:i(0..63) | JSON"
     " {chnid:i, filter:i, enable:[i], cr_count:[i], format:[s], wildcards:i}"
     " | 1207 wait"},
    {"/6191", plate_formats_set, "Writes a camera's plate formats | JSON: chnid:i(0..63), filter:i, wildcards:i, "
     "enable:[i], cr_count:[i], format:[s(15)] | plain (OK or FAILED) | 1208 wait"},
    {"/6192", smart_line_ex_get, "Reads line crossing of the newer cameras | JSON: chnid:i(0..63) | JSON"
     " {chnid:i, width:i, height:i, sensitivity:i, enable:i, objtype:i, direction:i, position:s, "
     "line:[{position:s, direction:i}]}"
     " | 1209 wait"},
    {"/6193", smart_line_ex_set, "Writes line crossing of the newer cameras | JSON: chnid:i(0..63), dialog:{...}, enable:i, "
     "sensitivity:i, objtype:i, width:i, height:i, line:[{...}] | plain (OK or FAILED) | 1412, 1210 wait"},
    {"/6194", smart_people_settings_ex_get, "Reads people-counting settings of the newer cameras | JSON: chnid:i(0..63) | JSON"
     " {fps:i, mode:i, installation:i, analysis:i, width:i, height:i, minStartX:i, minStartY:i, "
     "minWidth:i, minHeight:i, maxStartX:i, maxStartY:i, maxWidth:i, maxHeight:i, "
     "position:[{minStartX:i, minStartY:i, minWidth:i, minHeight:i, maxStartX:i, maxStartY:i, "
     "maxWidth:i, maxHeight:i}]}"
     " | 1211 wait"},
    {"/6195", smart_people_settings_ex_set, "Writes people-counting settings of the newer cameras | JSON: chnid:i(0..63), "
     "fps:i, mode:i, installation:i, analysis:i, width:i, height:i, position:[{...}] | plain (OK or FAILED) | 1212 wait"},
    {"/6131", fisheye_set,
     "Writes a channel's fisheye settings | JSON: chnid:i, fishcorrect:i, fishmount:i, "
     "fishdisplay:i | plain (OK or FAILED) | "
     "3231 wait"},
    {"/6196", fisheye_caps_get,
     "Asks a camera not yet added for its fisheye capabilities | JSON: ddns:s(63), ipaddr:s(63), username:s(63), password:s(63), "
     "port:i | JSON "
     "{support:i, transfer:i, install:i, display:i, streamCnt:i} | 3373 wait"},
    {"/6197", fisheye_mode_set,
     "Gives a camera not yet added its fisheye mode | JSON: ddns:s(63), ipaddr:s(63), username:s(63), password:s(63), port:i, transfer:i, "
     "install:i, display:i | JSON (result code)"
     " {res:i}"
     " | 3374 wait"},
    {"/6198", camera_mask_command,
     "Sends a privacy-mask command to a camera | JSON: chnid:i, maskid:i | JSON (result code; no reply for non-JSON)"
     " {res:i}"
     " | "
     "3353 wait"},
    {"/6096", regional_pcnt_get,
     "Reads a camera's regional people counting with each region's actions | JSON: chnid:i(0..63) | JSON"
     " {result:i, chnid:i, sensitivity:i, minObjX:i, minObjY:i, minObjWidth:i, minObjHeight:i, "
     "maxObjX:i, maxObjY:i, maxObjWidth:i, maxObjHeight:i, regional:[{enable:i, polygonX:s, "
     "polygonY:s, maxStayEnable:i, maxStayValue:i, minStayEnable:i, minStayValue:i, "
     "maxStayTimeEnable:i, maxStayTimeValue:i}], action:[{audible:[[{startTime:s, endTime:s, "
     "actionType:i}]], interval:i, audioId:i, email:[[{startTime:s, endTime:s, actionType:i}]], "
     "email_interval:i, email_pic_enable:i, tri_channels_pic:s, ptz:[[{startTime:s, endTime:s, "
     "actionType:i}]], ptz_interval:i, ptzParams:[{acto_ptz_channel:i, acto_ptz_type:i, "
     "acto_ptz_preset:i, acto_ptz_patrol:i}], white:[[{startTime:s, endTime:s, actionType:i}]], "
     "whiteInfo:[{chnid:i, mode:i, time:i}], white_interval:i, alarmout_interval:i, triAlarms:i, "
     "triChannels:s, triChnAlarms:[s]}]}"
     " | 1220 wait"},
    {"/6097", regional_pcnt_set,
     "Writes a camera's regional people counting and the actions of its regions | JSON: chnid:i(0..63), sensitivity:i, "
     "minObjX:i, minObjY:i, minObjWidth:i, minObjHeight:i, maxObjX:i, maxObjY:i, maxObjWidth:i, maxObjHeight:i, "
     "regional:[{...}], action:[{...}] "
     "| JSON ({\"res\": n})"
     " {res:i}"
     " | 1221 wait"},
};

NVR_MODULE(video, kModVideo, kVideoTable)
