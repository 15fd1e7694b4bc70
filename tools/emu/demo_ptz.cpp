// Demo answers of the PTZ area: a camera with four presets, one tour and
// one pattern, an idle PTZ status, and success for commands and speeds.
#include <cstdio>
#include <cstring>

#include "handlers/ptz/ptz_records.h"
#include "tools/emu/emu.h"

namespace {

i32 first_word(const EmuRequest& req)
{
    i32 v = 0;
    record_at(req.payload, req.length, 0, &v);
    return v;
}

void demo_preset_list(const EmuRequest& req, EmuAnswer& answer)
{
    static PtzPresetList list;
    std::memset(&list, 0, sizeof list);
    for (int i = 0; i < 4; i++) {
        list.presets[i].enable = 1;
        char name[32];
        std::snprintf(name, sizeof name, "Preset %d", i + 1);
        set_text(list.presets[i].name, name);
    }
    for (int k = 0; k < 3; k++) {
        list.tours[0].preset_id[k] = k + 1;
        list.tours[0].timeout[k] = 10;
        list.tours[0].speed[k] = 5;
    }
    list.pattern_enable[0] = 1;
    answer.reply_record(req.code + 5000, list);
}

void demo_status_read(const EmuRequest& req, EmuAnswer& answer)
{
    PtzStatus s = zeroed<PtzStatus>();
    s.channel = first_word(req);
    s.values[7] = 5;    // presetSpeed
    s.values[8] = 5;    // manualSpeed
    s.values[10] = 30;  // patrolRecoveryTime
    s.values[13] = 60;  // resumeTime
    answer.reply_record(req.code + 5000, s);
}

const EmuDemoEntry kPtzDemo[] = {
    {kMsgPtzPresetList, demo_preset_list},
    {kMsgPtzFishPresetList, demo_preset_list},
    {kMsgPtzStatusRead, demo_status_read},
    {kMsgPtzStatusWrite, demo_accepted},
    {kMsgCameraParam, demo_accepted},
    {kMsgPtzCommand, demo_accepted},
    {kMsgPtzChannelStatus, demo_accepted},
};

}  // namespace

EMU_DEMO_AREA(ptz, kPtzDemo);
