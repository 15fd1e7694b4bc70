// Demo answers of the alarm area: the cameras online on the first 8 of the
// 16 channels each have two alarm inputs and two alarm outputs; input 0 is
// on, input 1 off, and input 0 of channel 2 is in alarm. Offline channels
// report no inputs or outputs.
#include "handlers/event/alarm_records.h"
#include "tools/emu/emu.h"

namespace {

// 3298: live state of a camera's alarm inputs.
void demo_camera_inputs(const EmuRequest& req, EmuAnswer& answer)
{
    CameraInStateRecord s = zeroed<CameraInStateRecord>();
    s.chnid = request_channel(req);
    if (s.chnid >= 0 && s.chnid < kDemoOnline) {
        s.enable[0] = 1;
        s.status[0] = s.chnid == 2 ? 1 : 0;
        s.count = kCameraAlarms;
    }
    answer.reply_record(req.code + 5000, s);
}

// 3296: live state of a camera's alarm outputs.
void demo_camera_outputs(const EmuRequest& req, EmuAnswer& answer)
{
    CameraOutStateRecord s = zeroed<CameraOutStateRecord>();
    s.chnid = request_channel(req);
    if (s.chnid >= 0 && s.chnid < kDemoOnline) s.count = kCameraAlarms;
    answer.reply_record(req.code + 5000, s);
}

const EmuDemoEntry kAlarmDemo[] = {
    {kMsgCameraOutState, demo_camera_outputs},
    {kMsgCameraInState, demo_camera_inputs},
};

}  // namespace

EMU_DEMO_AREA(alarm, kAlarmDemo);
