// Store calls of the alarm rows the event status reads.
#include "handlers/status/status_records.h"

int read_alarm_ins(const char* db, AlarmInStatusRow* out, int* count)
{
    return store_read_all(db, kAlarmInStatusKind, out, kRecorderAlarmIns, count);
}

int read_alarm_outs(const char* db, AlarmOutStatusRow* out, int* count)
{
    return store_read_all(db, kAlarmOutStatusKind, out, kRecorderAlarmOuts, count);
}

namespace {

// Rows alarm * 64 .. alarm * 64 + channels - 1 of a name kind into out[0..].
template <typename T>
int read_names(const char* db, const KxRecordKind& kind, T* out, int channels, int alarm)
{
    if (channels < 0 || channels > kStatusChannels || alarm < 0 || alarm >= kCameraAlarms) return -1;
    static T all[kCameraAlarms * kStatusChannels];
    int present = 0;
    int rc = store_read_all(db, kind, all, kCameraAlarms * kStatusChannels, &present);
    for (int i = 0; i < channels; i++) out[i] = all[alarm * kStatusChannels + i];
    return rc;
}

}  // namespace

int read_alarm_chnIn_event_names(const char* db, CameraAlarmInName* out, int channels, int alarm)
{
    return read_names(db, kCameraAlarmInNameKind, out, channels, alarm);
}

int read_alarm_chnOut_event_names(const char* db, CameraAlarmOutName* out, int channels, int alarm)
{
    return read_names(db, kCameraAlarmOutNameKind, out, channels, alarm);
}
