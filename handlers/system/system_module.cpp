// System module: login, accounts, maintenance ("/1000" table) and its reply
// callback.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/system/system.h"

static const ReplyRoute kSystemReplies[] = {
    {8504, page_check_reply},
    {6713, upgrade_reply},
    {6715, online_info_reply},
    {6716, firmware_result_reply},
    {6717, firmware_result_reply},
    {8350, camera_upgrade_reply},
    {8365, camera_check_reply},
};

int system_reply(void*, const KxFrameHeader* header, const void* payload)
{
    return core_route_reply(kSystemReplies, header, payload);
}

static const WebReqEntry kSystemTable[] = {
    {"/1000", login},
    {"/1004", system_reboot},
    {"/1005", core_check},
    {"/1006", factory_reset},
    {"/1007", profile_export},
    {"/1008", profile_import},
    {"/1010", firmware_upload},
    {"/1011", firmware_present},
    {"/1013", profile_download},
    {"/6070", user_list},
    {"/6071", user_add},
    {"/6072", user_edit},
    {"/6073", user_delete},
    {"/1014", logout},
    {"/1018", page_check},
    {"/6074", user_list_oem},
    {"/6077", user_changed},
    {"/6082", camera_firmware_upload},
    {"/6084", camera_firmware_remove},
    {"/6083", camera_upgrade},
    {"/6085", online_download},
    {"/6086", online_cancel},
    {"/6087", online_info},
    {"/6088", online_upgrade},
    {"/6089", camera_firmware_check},
    {"/1024", permission_reset},
};

NVR_MODULE(system, kModSystem, kSystemTable)
