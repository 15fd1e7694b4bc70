// Demo answers of the event area.
#include "tools/emu/emu.h"

namespace {

// The two motion queries of the older motion page ("/6115", "/6116"): one
// 32-bit result, 0.
const EmuDemoEntry kEventDemo[] = {
    {2502, demo_accepted},
    {2503, demo_accepted},
};

}  // namespace

EMU_DEMO_AREA(event, kEventDemo);
