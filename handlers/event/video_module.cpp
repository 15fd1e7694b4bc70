// Video features and events module ("/6000" table) and its reply callback.
#include "common/core.h"
#include "front/webreq.h"
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
    {"/6010", motion_get},
    {"/6011", motion_audible_schedule_get},
    {"/6012", motion_area_set},
    {"/6013", motion_schedule_set},
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
