// System module: login, accounts, maintenance ("/1000" table) and its reply
// callback.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/system/system.h"

static const ReplyRoute kSystemReplies[] = {
    {8504, page_check_reply},
};

int system_reply(void*, const KxFrameHeader* header, const void* payload)
{
    return core_route_reply(kSystemReplies, header, payload);
}

static const WebReqEntry kSystemTable[] = {
    {"/1000", login},
    {"/6070", user_list},
    {"/6071", user_add},
    {"/6072", user_edit},
    {"/6073", user_delete},
    {"/1014", logout},
    {"/1018", page_check},
    {"/6074", user_list_oem},
    {"/6077", user_changed},
    {"/1024", permission_reset},
};

NVR_MODULE(system, kModSystem, kSystemTable)
