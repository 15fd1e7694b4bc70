// Demo answers of the time settings: the settings are applied (result 0).
#include "handlers/network/time_records.h"
#include "tools/emu/emu.h"

namespace {

const EmuDemoEntry kTimeDemo[] = {
    {kMsgTimeApply, demo_accepted},
};

}  // namespace

EMU_DEMO_AREA(time, kTimeDemo);
