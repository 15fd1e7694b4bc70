// Store calls of face detection's event actions and the table of where it
// keeps them.
#include <cstddef>

#include "handlers/camera/face_records.h"

namespace {

void set_face_channel(void* record, int channel) { static_cast<FaceEventRecord*>(record)->id = channel; }

const char* const kWhiteLedSchedules[] = {kFaceWhiteLedSchedule};
const char* const kWhiteLedParams[] = {kFaceWhiteLedParams};

constexpr EventKey at(int channel) { return EventKey{channel, 0}; }

}  // namespace

const EventSource kFaceEvents = {
    "face",
    kFaceEventKind,
    set_face_channel,
    false,
    {kFaceScheduleTables[kActEffective], kFaceScheduleTables[kActAudible], kFaceScheduleTables[kActEmail],
     kFaceScheduleTables[kActPtz]},
    kFacePtzType,
    kWhiteLedSchedules,
    kWhiteLedParams,
    1,
    TriggerLayout{
        kNoField,  // "enable" of a face request is the capture switch, sent to the camera
        int(offsetof(FaceEventRecord, tri_mask)),
        int(offsetof(FaceEventRecord, tri_channels)),
        int(offsetof(FaceEventRecord, tri_alarms)),
        int(offsetof(FaceEventRecord, interval)),
        int(offsetof(FaceEventRecord, email_interval)),
        int(offsetof(FaceEventRecord, email_pic_enable)),
        int(offsetof(FaceEventRecord, tri_channels_pic)),
        int(offsetof(FaceEventRecord, ptz_interval)),
        int(offsetof(FaceEventRecord, alarmout_interval)),
        int(offsetof(FaceEventRecord, white_interval)),
        int(offsetof(FaceEventRecord, audio_id)),
        kNoField,
        {int(offsetof(FaceEventRecord, tri_chn_alarms[0])), int(offsetof(FaceEventRecord, tri_chn_alarms[1]))},
    },
    kMsgFaceActionsChanged,
    kNotifyChannel,
    nullptr,
};

int read_face_event(const char* db, FaceEventRecord* row, int channel)
{
    return store_read(db, kFaceEventKind, channel, row);
}

int write_face_event(const char* db, const FaceEventRecord* row)
{
    return store_write(db, kFaceEventKind, row->id, *row);
}

int write_face_effective_schedule(const char* db, const RecordSchedule* schedule, int channel)
{
    return event_schedule_write(db, kFaceEvents, kActEffective, at(channel), schedule);
}
int write_face_audible_schedule(const char* db, const RecordSchedule* schedule, int channel)
{
    return event_schedule_write(db, kFaceEvents, kActAudible, at(channel), schedule);
}
int write_face_mail_schedule(const char* db, const RecordSchedule* schedule, int channel)
{
    return event_schedule_write(db, kFaceEvents, kActEmail, at(channel), schedule);
}
int write_face_ptz_schedule(const char* db, const RecordSchedule* schedule, int channel)
{
    return event_schedule_write(db, kFaceEvents, kActPtz, at(channel), schedule);
}
int write_face_whiteled_schedule(const char* db, const RecordSchedule* schedule, int channel)
{
    WhiteLedKey key;
    if (!event_whiteled_key(kFaceEvents, at(channel), 0, &key)) return -1;
    return write_whiteled_effective_schedule(db, schedule, key);
}
