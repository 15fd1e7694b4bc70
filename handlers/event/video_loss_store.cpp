// Store calls of video loss and the snapshot schedule, and the table of where
// video loss keeps its actions.
#include <cstddef>

#include "common/store_mask.h"
#include "handlers/event/event_rows.h"
#include "handlers/event/video_loss_records.h"

namespace {

void set_video_loss_channel(void* record, int channel) { static_cast<VideoLossRecord*>(record)->chnid = channel; }

const char* const kWhiteLedSchedules[] = {"videoloss_whiteled_esche"};
const char* const kWhiteLedParams[] = {"video_loss_white_led_params"};

constexpr EventKey at(int channel) { return EventKey{channel, 0}; }

int copy_schedule(ActionKind kind, const char* db, const RecordSchedule* schedule, u32 low, u32 high)
{
    const StoreKind<RecordSchedule> k{kVideoLossScheduleTables[kind], kEventChannels};
    return store_write_masked(db, k, schedule, mask64(low, high));
}

}  // namespace

const EventSource kVideoLossEvents = {
    "video loss",
    kVideoLossKind,
    set_video_loss_channel,
    false,
    {nullptr, kVideoLossScheduleTables[kActAudible], kVideoLossScheduleTables[kActEmail],
     kVideoLossScheduleTables[kActPtz]},
    kVideoLossPtzType,
    kWhiteLedSchedules,
    kWhiteLedParams,
    1,
    TriggerLayout{
        int(offsetof(VideoLossRecord, enable)),
        kNoField,
        kNoField,
        int(offsetof(VideoLossRecord, tri_alarms)),
        int(offsetof(VideoLossRecord, interval)),
        int(offsetof(VideoLossRecord, email_interval)),
        kNoField,
        kNoField,
        int(offsetof(VideoLossRecord, ptz_interval)),
        int(offsetof(VideoLossRecord, alarmout_interval)),
        int(offsetof(VideoLossRecord, white_interval)),
        int(offsetof(VideoLossRecord, audio_id)),
        kNoField,
        {int(offsetof(VideoLossRecord, tri_chn_alarms[0])), int(offsetof(VideoLossRecord, tri_chn_alarms[1]))},
    },
    0,
    kNotifyNone,  // the request sends 1414 once for the channel and its copies
    nullptr,
};

int read_video_lost(const char* db, VideoLossRecord* out, int channel)
{
    return store_read(db, kVideoLossKind, channel, out);
}
int write_video_lost(const char* db, const VideoLossRecord* rec)
{
    return store_write(db, kVideoLossKind, rec->chnid, *rec);
}

int read_video_losts(const char* db, VideoLossRecord* out, int* count)
{
    int r = store_read_all(db, kVideoLossKind, out, kEventChannels, count);
    for (int i = 0; i < kEventChannels; i++) out[i].chnid = i;
    return r;
}

int write_video_losts(const char* db, const VideoLossRecord* table, int count, u32 mask_low, u32 mask_high)
{
    return event_rows_write_table(db, kVideoLossKind, table, count, mask_low, mask_high);
}

int copy_video_losts(const char* db, int source, u32 mask_low, u32 mask_high)
{
    return store_copy(db, kVideoLossKind, source, mask_low, mask_high, set_video_loss_channel);
}

int read_videoloss_audible_schedule(const char* db, RecordSchedule* out, int channel)
{
    return event_schedule_read(db, kVideoLossEvents, kActAudible, at(channel), out);
}
int read_videoloss_email_schedule(const char* db, RecordSchedule* out, int channel)
{
    return event_schedule_read(db, kVideoLossEvents, kActEmail, at(channel), out);
}
int read_videoloss_ptz_schedule(const char* db, RecordSchedule* out, int channel)
{
    return event_schedule_read(db, kVideoLossEvents, kActPtz, at(channel), out);
}
int copy_videoloss_audible_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high)
{
    return copy_schedule(kActAudible, db, schedule, mask_low, mask_high);
}
int copy_videoloss_email_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high)
{
    return copy_schedule(kActEmail, db, schedule, mask_low, mask_high);
}
int copy_videoloss_ptz_schedules(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high)
{
    return copy_schedule(kActPtz, db, schedule, mask_low, mask_high);
}
int write_video_loss_schedule(const char* db, const RecordSchedule* schedule, int channel)
{
    return store_write(db, kVideoLossScheduleKind, channel, *schedule);
}

int read_snapshot_schedule(const char* db, SnapshotScheduleRecord* out, int channel)
{
    return store_read(db, kSnapshotScheduleKind, channel, out);
}

int write_snapshot_schedules(const char* db, const SnapshotScheduleRecord* table, const ChannelListRecord* list)
{
    if (!table || !list) return -1;
    u64 mask = 0;
    for (int i = 0; i < list->count && i < 64; i++)
        if (list->ids[i] >= 0 && list->ids[i] < kEventChannels) mask |= u64(1) << list->ids[i];
    return event_rows_write_masked(db, kSnapshotScheduleKind, table, mask);
}
