// Network and services module ("/7000" table) and its reply callback.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/network/network.h"

static const ReplyRoute kNetworkReplies[] = {
    {6724, net_default_route_reply},
};

int network_reply(void*, const KxFrameHeader* header, const void* payload)
{
    return core_route_reply(kNetworkReplies, header, payload);
}

static const WebReqEntry kNetworkTable[] = {
    {"/7040", net_settings_read},
    {"/7041", net_settings_write},
    {"/7043", net_apply},
    {"/7042", net_mode_read},
    {"/7044", net_mac_read},
    {"/7096", net_default_route},
};

NVR_MODULE(network, kModNetwork, kNetworkTable)
