// Demo answers of the time settings: the settings are applied (result 0).
#include "handlers/network/time_records.h"
#include "tools/emu/emu.h"

namespace {

void demo_apply(const EmuRequest& req, EmuAnswer& answer)
{
    answer.reply_record(req.code + 5000, i32(0));
}

const EmuDemoEntry kTimeDemo[] = {
    {kMsgTimeApply, demo_apply},
};

}  // namespace

EMU_DEMO_AREA(time, kTimeDemo);
