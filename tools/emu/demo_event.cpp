// Demo answers of the event area.
#include "tools/emu/emu.h"

namespace {

// The two motion queries of the older motion page ("/6115", "/6116"): one
// 32-bit result, 0.
void demo_motion_result(const EmuRequest& req, EmuAnswer& answer)
{
    answer.reply_record(req.code + 5000, i32(0));
}

const EmuDemoEntry kEventDemo[] = {
    {2502, demo_motion_result},
    {2503, demo_motion_result},
};

}  // namespace

EMU_DEMO_AREA(event, kEventDemo);
