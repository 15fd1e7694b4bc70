// Factory alarm and video-loss settings: the recorder's 16 alarm inputs and
// 4 alarm outputs, named and off; a name and delay row for both alarm
// inputs and outputs of every channel; a video-loss record per channel, off.
// The requests that change a stored record then always find one.
#include <cstdio>
#include <string>

#include "handlers/event/alarm_records.h"
#include "handlers/event/video_loss_records.h"
#include "tools/store/seeds.h"

namespace {

constexpr int kFactoryDuration = 10;  // seconds an alarm output stays on
constexpr int kFactoryDelay = 10;     // seconds a camera alarm output stays on

int seed_alarm(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    static AlarmInRecord ins[kAlarmIns];
    for (int i = 0; i < kAlarmIns; i++) {
        ins[i] = zeroed<AlarmInRecord>();
        ins[i].id = i;
        std::snprintf(ins[i].name, sizeof ins[i].name, "Alarm In %d", i + 1);
    }
    AlarmOutRecord outs[kAlarmOuts];
    for (int i = 0; i < kAlarmOuts; i++) {
        outs[i] = zeroed<AlarmOutRecord>();
        outs[i].id = i;
        std::snprintf(outs[i].name, sizeof outs[i].name, "Alarm Out %d", i + 1);
        outs[i].duration = kFactoryDuration;
    }
    if (store_write_all(into, kAlarmInKind, ins, kAlarmIns) != 0) return -1;
    if (store_write_all(into, kAlarmOutKind, outs, kAlarmOuts) != 0) return -1;

    static CameraInNameRecord in_names[kEventChannels];
    static CameraOutNameRecord out_names[kEventChannels];
    for (int a = 0; a < kCameraAlarms; a++) {
        for (int c = 0; c < kEventChannels; c++) {
            in_names[c] = zeroed<CameraInNameRecord>();
            in_names[c].chnid = c;
            in_names[c].alarm_id = a;
            out_names[c] = zeroed<CameraOutNameRecord>();
            out_names[c].chnid = c;
            out_names[c].alarm_id = a;
            out_names[c].delay_time = kFactoryDelay;
        }
        if (store_write_all(into, kCameraInNameKinds[a], in_names, kEventChannels) != 0) return -1;
        if (store_write_all(into, kCameraOutNameKinds[a], out_names, kEventChannels) != 0) return -1;
    }

    static VideoLossRecord losses[kEventChannels];
    for (int c = 0; c < kEventChannels; c++) {
        losses[c] = zeroed<VideoLossRecord>();
        losses[c].chnid = c;
    }
    return store_write_all(into, kVideoLossKind, losses, kEventChannels);
}

}  // namespace

NVR_STORE_SEED(seed_alarm);
