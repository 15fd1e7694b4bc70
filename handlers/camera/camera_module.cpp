// Camera module ("/2001" table) and its reply callback.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/camera/camera.h"
#include "handlers/event/smart.h"

static const ReplyRoute kCameraReplies[] = {
    {8200, camera_search_reply},
    {8201, camera_list_reply},
    {8202, camera_login_test_reply},
    {8205, camera_ip_change_reply},
    {8227, camera_login_test2_reply},
};

int camera_reply(void*, const KxFrameHeader* header, const void* payload)
{
    return core_route_reply(kCameraReplies, header, payload);
}

static const WebReqEntry kCameraTable[] = {
    {"/2001", camera_list},
    {"/2003", camera_edit},
    {"/2004", camera_add},
    {"/2005", camera_clear},
    {"/2006", camera_search},
    {"/2007", camera_status_list},
    {"/2008", camera_protocols},
    {"/2000", camera_read},
    {"/2011", camera_ip_change},
    {"/2012", camera_names},
    {"/2014", camera_login_test},
    {"/2015", camera_login_test2},
    {"/2018", camera_poe_ports},
    {"/2016", camera_poe_password},
    {"/2017", camera_login_change},
    {"/2032", camera_ip_change_many},
    {"/2035", arming_schedules_get, "Reads a channel's arming schedules of motion and eight smart events | JSON: channel | JSON (no output on bad input) | none"},
    {"/2036", arming_schedules_set, "Writes a run of a channel's arming schedules | JSON: channel, start, end, schedule_motion, schedule_region_entrance, ... | plain | none"},
};

NVR_MODULE(camera, kModCamera, kCameraTable)
