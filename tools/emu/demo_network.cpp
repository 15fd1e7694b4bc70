// Demo answers of the network area: the default route is always taken.
#include "handlers/network/network_records.h"
#include "tools/emu/emu.h"

namespace {

void demo_default_route(const EmuRequest& req, EmuAnswer& answer)
{
    answer.reply_record(req.code + 5000, i32(0));
}

const EmuDemoEntry kNetworkDemo[] = {
    {kMsgNetDefaultRoute, demo_default_route},
};

}  // namespace

EMU_DEMO_AREA(network, kNetworkDemo);
