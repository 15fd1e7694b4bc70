// Requests that read or write one action schedule of an event source: the
// single-schedule reads, the recorder alarm inputs' schedule lists, and the
// snapshot schedule.
#include <cstring>
#include <memory>
#include <new>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/event/alarm_records.h"
#include "handlers/shared/event_actions.h"
#include "handlers/event/event_request.h"
#include "handlers/event/event_schedule_requests.h"
#include "handlers/event/motion_records.h"
#include "handlers/event/video_loss.h"
#include "handlers/event/video_loss_records.h"

int reply_schedule_of(const char* request, int (*read)(const char*, RecordSchedule*, int), int limit)
{
    long id;
    if (!decimal_id(request, &id)) return 0;
    if (limit > 0 && (id < 0 || id >= limit)) return cgi_reply_error(kReplyText);
    const auto schedule_owner = std::make_unique<RecordSchedule>();
    RecordSchedule& schedule = *schedule_owner;
    read(kMainDb, &schedule, int(id));
    return json_reply(kReplyJson, schedule_to_json(schedule).get());
}

u64 listed_ids(json_object* req, int limit) { return id_mask_from_list(req, "chnid", "cnt", limit, -1); }

void copy_ptz_actions_to(int type, int source, u64 mask)
{
    const auto entries_owner = std::make_unique<PtzActionEntry[][kPtzListEntries]>(1);
    PtzActionEntry(&entries)[kPtzListEntries] = entries_owner[0];
    const int n = read_ptz_params(kMainDb, entries, type, source);
    for (int id = 0; id < kEventChannels; id++) {
        if (!(mask >> id & 1) || id == source) continue;
        for (int i = 0; i < n; i++)
            if (entries[i].acto_ptz_channel > 0) entries[i].source_channel = id;
        write_ptz_params_all(kMainDb, entries, n, type, id);
    }
}

namespace {

constexpr ListedSource<AlarmInRecord, kAlarmIns> kAlarmInList{read_alarm_ins, write_alarm_ins, kMsgAlarmInsChanged,
                                                             kAlarmInPtzType, copy_alarmin_ptz_schedules};

}  // namespace

int motion_email_schedule_get(const char* request) { return reply_schedule_of(request, read_motion_email_schedule); }
int motion_ptz_schedule_get(const char* request) { return reply_schedule_of(request, read_motion_ptz_schedule); }
int alarm_in_email_schedule_get(const char* request)
{
    return reply_schedule_of(request, read_alarmin_email_schedule);
}
int alarm_in_audible_schedule_get(const char* request)
{
    return reply_schedule_of(request, read_alarmin_audible_schedule, kEventChannels);
}
int alarm_in_ptz_schedule_get(const char* request) { return reply_schedule_of(request, read_alarmin_ptz_schedule); }
int alarm_in_effective_schedule_get(const char* request)
{
    return reply_schedule_of(request, read_alarmin_effective_schedule);
}

int snapshot_schedule_get(const char* request)
{
    long id;
    if (!decimal_id(request, &id)) return 0;
    const auto rec_owner = std::make_unique<SnapshotScheduleRecord>();
    SnapshotScheduleRecord& rec = *rec_owner;
    read_snapshot_schedule(kMainDb, &rec, int(id));
    return json_reply(kReplyJson, schedule_to_json(rec.schedule).get());
}

// "/6125", "/6126": for e-mail the listed inputs also take "triSnapshot".
int alarm_in_audible_list_set(const char* request)
{
    return enable_interval_list_set(request, kAlarmInList, copy_alarmin_audible_schedules);
}
int alarm_in_email_list_set(const char* request)
{
    return enable_interval_list_set(request, kAlarmInList, copy_alarmin_email_schedules, &AlarmInRecord::tri_snapshot);
}

int alarm_in_triggers_list_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int source;
    if (!r || !id_key(r, "camId", kAlarmIns, &source)) return 0;
    const u64 listed = listed_ids(r, kAlarmIns);
    const bool channels = jint(r, "type") == 0;

    const auto schedule_owner = std::make_unique<RecordSchedule>();

    RecordSchedule& schedule = *schedule_owner;
    read_alarmin_effective_schedule(kMainDb, &schedule, source);
    copy_alarmin_effective_schedules(kMainDb, &schedule, mask_low(listed), mask_high(listed));

    update_listed(kAlarmInList, listed, [&](AlarmInRecord& rec) {
        if (channels) {
            set_text(rec.tri_channels, jstr(r, "triChannels"));
            rec.tri_mask = chn_mask_word(rec.tri_channels, sizeof rec.tri_channels);
        } else {
            rec.tri_alarms = jint(r, "triAlarms");
        }
        return true;
    });
    core_notify(kMsgAlarmInsChanged, listed);
    oplog_send_channels(kEventLogType, kEventLogSubType, kChannelsLogDetail, listed);
    return cgi_reply_ok();
}

int alarm_in_ptz_list_set(const char* request) { return ptz_list_set(request, kAlarmInList); }

int alarm_in_effective_schedule_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int id;
    if (!r || !id_key(r, "camId", kAlarmIns, &id)) return cgi_reply_error(kReplyText);
    const auto schedule_owner = std::make_unique<RecordSchedule>();
    RecordSchedule& schedule = *schedule_owner;
    if (schedule_from_json(r, "schedule", &schedule) == 0) write_alarmin_effective_schedule(kMainDb, &schedule, id);
    core_notify(kMsgAlarmInChanged, i32(id));
    return cgi_reply_ok();
}

int snapshot_schedule_list_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    std::unique_ptr<SnapshotScheduleRecord[]> table(new (std::nothrow) SnapshotScheduleRecord[kEventChannels]);
    if (!table) return cgi_reply_error(kReplyText);
    const auto rec_owner = std::make_unique<SnapshotScheduleRecord>();
    SnapshotScheduleRecord& rec = *rec_owner;
    std::memset(&rec, 0, sizeof rec);
    const bool has_schedule = schedule_from_json(r, "schedule", &rec.schedule) == 0;

    ChannelListRecord list = zeroed<ChannelListRecord>();
    each_listed_channel(r, "chnid", "cnt", [&](int id) {
        table[size_t(id)] = rec;
        list.ids[list.count++] = id;
        return list.count < kEventChannels;
    });
    if (has_schedule) write_snapshot_schedules(kMainDb, table.get(), &list);
    core_notify(kMsgSnapshotSchedules, list);
    return cgi_reply_ok();
}
