// Video features and events module ("/6000" table) and its reply callback.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/camera/camera.h"
#include "handlers/event/video.h"

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
    {"/6010", motion_get},
    {"/6011", motion_audible_schedule_get},
    {"/6012", motion_area_set},
    {"/6013", motion_schedule_set},
    {"/6018", privacy_masks_get, "Lists every channel's stored privacy masks | none | JSON | none"},
    {"/6019", privacy_masks_send,
     "Sends privacy masks to the cameras of several channels | JSON: cnt, chnid, area, enable, num, cgiSdkFlag, "
     "areaMaskEnable, mosaicSupport, mosaicNum, delMask | plain | 2509"},
    {"/6997", camera_osd_get, "Reads the OSD a camera burns into its streams | JSON: id | JSON | 3211 wait"},
    {"/6996", camera_osd_set,
     "Writes the OSD a camera burns into its streams | JSON: ch, enable_text, text_name, textpos, enable_date, "
     "datepos, dateformat, enable_text_sub, text_name_sub, textpos_sub, enable_date_sub, datepos_sub, "
     "dateformat_sub | plain (OK, NO_SUPPORT or ERROR) | 3210 wait"},
    {"/6112", motion_set},
    {"/6113", motion_area_schedule_set},
    {"/6114", motion_triggers_set},
    {"/6115", motion_result_2502},
    {"/6116", motion_result_2503},
    {"/6117", motion_actions_set},
    {"/6118", motion_email_set},
    {"/6119", motion_trigger_set},
    {"/6152", motion_effective_schedule_set},
    {"/6153", motion_effective_schedule_get},
    {"/6159", motion_ptz_schedule_set},
};

NVR_MODULE(video, kModVideo, kVideoTable)
