// The name lists of every alarm input and output: the recorder's own and
// the two of every camera.
#include <cstring>
#include <memory>

#include "common/json.h"
#include "common/reply.h"
#include "handlers/event/alarm.h"
#include "handlers/event/alarm_records.h"

namespace {

// Names of alarm index i of every channel, as the "camera" list of the
// name replies: 64 arrays of two names.
template <typename Name>
JsonPtr camera_names(int (*read)(const char*, Name*, int))
{
    const auto names_owner = std::make_unique<Name[][kCameraAlarms][kEventChannels]>(1);
    Name(&names)[kCameraAlarms][kEventChannels] = names_owner[0];
    for (int i = 0; i < kCameraAlarms; i++) read(kMainDb, names[i], i);
    JsonPtr camera = jarray();
    for (int c = 0; c < kEventChannels; c++) {
        json_object* pair = json_object_new_array();
        for (int i = 0; i < kCameraAlarms; i++) {
            const char* n = names[i][c].name;
            json_object_array_add(pair, json_object_new_string_len(n, int(strnlen(n, sizeof names[i][c].name))));
        }
        json_object_array_add(camera.get(), pair);
    }
    return camera;
}

// The name reply of the recorder's N alarm inputs or outputs ("nvr", read
// with `read_all`) and of those of every camera ("camera", read with
// `read_camera`).
template <int N, typename Rec, typename Name>
int names_reply(int (*read_all)(const char*, Rec*, int*), int (*read_camera)(const char*, Name*, int))
{
    const auto all = std::make_unique<Rec[]>(N);
    int count = 0;
    read_all(kMainDb, all.get(), &count);
    JsonPtr nvr = jarray();
    for (int i = 0; i < count && i < N; i++)
        json_object_array_add(nvr.get(),
                              json_object_new_string_len(all[i].name, int(strnlen(all[i].name, kAlarmNameWidth))));
    JsonPtr o = jobject();
    jadd_value(o.get(), "nvr", nvr.release());
    jadd_value(o.get(), "camera", camera_names(read_camera).release());
    return json_reply(kReplyJson, o.get());
}

}  // namespace

int alarm_in_names(const char*) { return names_reply<kAlarmIns>(read_alarm_ins, read_alarm_chnIn_event_names); }
int alarm_out_names(const char*) { return names_reply<kAlarmOuts>(read_alarm_outs, read_alarm_chnOut_event_names); }
