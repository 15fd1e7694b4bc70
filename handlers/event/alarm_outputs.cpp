// The recorder's own alarm outputs (ids 0..3): name, type, enable, duration
// and their "effective" schedule, the copy to other outputs, and switching an
// output by hand.
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/event/alarm.h"
#include "handlers/event/alarm_records.h"
#include "handlers/shared/event_actions.h"
#include "handlers/event/event_request.h"

namespace {

AlarmOutRecord alarm_out_of(int id)
{
    AlarmOutRecord rec;
    read_alarm_out(kMainDb, &rec, id);
    rec.id = id;
    return rec;
}

void add_fields(json_object* o, const AlarmOutRecord& rec)
{
    jadd(o, "id", rec.id);
    jadd_text(o, "name", rec.name);
    jadd(o, "type", rec.type);
    jadd(o, "enable", rec.enable);
    jadd(o, "durationTime", rec.duration);
}

}  // namespace

int alarm_outs_list(const char*)
{
    const auto all_owner = std::make_unique<AlarmOutRecord[][kAlarmOuts]>(1);
    AlarmOutRecord(&all)[kAlarmOuts] = all_owner[0];
    int count = 0;
    read_alarm_outs(kMainDb, all, &count);
    JsonPtr list = jarray();
    for (int i = 0; i < count && i < kAlarmOuts; i++) {
        JsonPtr o = jobject();
        add_fields(o.get(), all[i]);
        json_object_array_add(list.get(), o.release());
    }
    return json_reply(kReplyJson, list.get());
}

int alarm_out_get(const char* request)
{
    JsonPtr req = json_parse(request);
    int id;
    if (!req || !id_key(req.get(), "alarmId", kAlarmOuts, &id)) return cgi_reply_error(kReplyJson);
    AlarmOutRecord rec = alarm_out_of(id);
    const auto schedule_owner = std::make_unique<RecordSchedule>();
    RecordSchedule& schedule = *schedule_owner;
    read_alarm_out_schedule(kMainDb, &schedule, id);
    JsonPtr o = jobject();
    add_fields(o.get(), rec);
    jadd_value(o.get(), "effective", schedule_to_json(schedule).release());
    return json_reply(kReplyJson, o.get());
}

int alarm_out_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int id;
    if (!r || !id_key(r, "alarmId", kAlarmOuts, &id)) return cgi_reply_error(kReplyText);

    const auto schedule_owner = std::make_unique<RecordSchedule>();

    RecordSchedule& schedule = *schedule_owner;
    if (schedule_from_json(jobject_of(r, "dialog"), "effective", &schedule) == 0)
        write_alarm_out_schedule(kMainDb, &schedule, id);
    AlarmOutRecord rec = alarm_out_of(id);
    jtext(r, "name", rec.name);
    jset(r, "enable", rec.enable);
    jset(r, "type", rec.type);
    jset(r, "durationTime", rec.duration);
    write_alarm_out(kMainDb, &rec);
    core_notify(kMsgAlarmOutChanged, i32(id));

    u64 mask = 0;
    if (jint(r, "copyCnt") > 0) mask = id_mask_from_list(r, "copyChn", "copyCnt", kAlarmOuts, id);
    if (mask) {
        update_listed<kAlarmOuts>(read_alarm_outs, write_alarm_outs, mask, [&](AlarmOutRecord& to) {
            to.type = rec.type;
            to.enable = rec.enable;
            to.duration = rec.duration;
            return true;
        });
        copy_alarm_out_schedules(kMainDb, id, mask_low(mask), mask_high(mask));
        for (int i = 0; i < kAlarmOuts; i++)
            if (mask >> i & 1) core_notify(kMsgAlarmOutChanged, i32(i));
    }
    oplog_send_channels(kEventLogType, kEventLogSubType, kAlarmOutLogDetail, mask | u64(1) << id, u32(id) + 1);
    return cgi_reply_ok();
}

int alarm_out_manual(const char* request)
{
    JsonPtr req = json_parse(request);
    int id;
    if (!req || !id_key(req.get(), "id", kAlarmOuts, &id)) return 0;
    AlarmOutManualRecord manual{id, jint(req.get(), "enable")};
    core_notify(kMsgAlarmOutManual, manual);
    oplog_send_event(kAlarmOutLogDetail, id);
    return cgi_reply_ok();
}
