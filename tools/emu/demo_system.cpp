// Demo answers of the system area.
#include "tools/emu/emu.h"

namespace {

// Page check: every page may be visited (0 = no session needed, the browser
// gets a guest cookie set).
void demo_page_check(const EmuRequest&, EmuAnswer& answer)
{
    answer.reply_record(8504, i32(0));
}

const EmuDemoEntry kSystemDemo[] = {
    {3504, demo_page_check},
};

}  // namespace

EMU_DEMO_AREA(system, kSystemDemo);
