// Demo answers of the network area: the default route is always taken.
#include "handlers/network/network_records.h"
#include "tools/emu/emu.h"

namespace {

const EmuDemoEntry kNetworkDemo[] = {
    {kMsgNetDefaultRoute, demo_accepted},
};

}  // namespace

EMU_DEMO_AREA(network, kNetworkDemo);
