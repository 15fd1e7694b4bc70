// PTZ module ("/5000" table) and its reply callback.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/ptz/ptz.h"

static const ReplyRoute kPtzReplies[] = {
    {6265, ptz_preset_list_reply},
    {6268, ptz_preset_list_reply},
    {6270, ptz_status_read_reply},
    {6271, ptz_status_write_reply},
    {8226, ptz_camera_param_reply},
    {8361, ptz_command_reply},
    {8363, ptz_channel_status_reply},
};

int ptz_reply(void*, const KxFrameHeader* header, const void* payload)
{
    return core_route_reply(kPtzReplies, header, payload);
}

static const WebReqEntry kPtzTable[] = {
    {"/5000", ptz_move},
    {"/5001", ptz_preset},
    {"/5002", ptz_tour_start},
    {"/5003", ptz_tour_stop},
    {"/5004", ptz_tour_action},
    {"/5005", ptz_preset_list},
    {"/5006", ptz_channel_action},
    {"/5007", ptz_zoom},
    {"/5008", ptz_speed},
    {"/5009", ptz_command},
    {"/5010", ptz_channel_status},
    {"/5011", ptz_status_read},
    {"/5012", ptz_status_write},
};

NVR_MODULE(ptz, kModPtz, kPtzTable)
