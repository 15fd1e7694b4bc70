// Demo answers of the emulator's own messages.
#include "tools/emu/emu.h"

namespace {

void demo_echo(const EmuRequest& request, EmuAnswer& answer)
{
    answer.reply(request.code + 5000, request.payload, request.length);
}

const EmuDemoEntry kEmuDemo[] = {
    {kEmuEchoCode, demo_echo},
};

}  // namespace

EMU_DEMO_AREA(emu, kEmuDemo);
