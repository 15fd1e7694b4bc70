// Record schedules and record modes: one channel's weekly schedule, one
// schedule written to several channels, and the record mode of every channel.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/record/record.h"
#include "handlers/record/record_records.h"
#include "handlers/shared/reply_flow.h"

namespace {

constexpr u32 kMsgRecordModes = 1413;      // 8 bytes: channels whose record mode changed
constexpr u32 kMsgRecordSchedules = 1411;  // 8 bytes: channels given a new schedule
constexpr u32 kMsgRecordRow = 1407;        // 4 bytes: one channel's record row changed
constexpr int kLogSchedule = 907, kLogModes = 905;
constexpr int kMaxRecordMode = 2;

// The request text as a decimal number: leading blanks and sign, then
// digits; no digits gives 0. Values beyond int range are clamped, so they
// stay out of every channel range.
long decimal_of(const char* text)
{
    long v = std::strtol(text, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return v;
}

// An element of a channel list: only integers count.
bool channel_of(json_object* v, int* out)
{
    if (!v || !json_object_is_type(v, json_type_int)) return false;
    *out = json_object_get_int(v);
    return *out >= 0 && *out < kRecordChannels;
}

template <size_t N>
void text_from(json_object* v, char (&field)[N])
{
    set_text(field, v ? json_object_get_string(v) : nullptr, N - 1);
}

// "/6041" form of a schedule: 8 day objects {"wholedayEnable",
// "wholedayActionType", "plans": [[start, end, action type], ...48]}. Missing
// days and plans, and plans that are not arrays, stay empty.
void schedule_from_request(json_object* days, RecordSchedule* s)
{
    std::memset(s, 0, sizeof *s);
    for (int d = 0; d < kScheduleDays; d++) {
        json_object* day = jarray_at(days, size_t(d));
        if (!day || !json_object_is_type(day, json_type_object)) continue;
        ScheduleDay& out = s->days[d];
        if (jint(day, "wholedayEnable") != 0) {
            out.wholeday_enable = jint(day, "wholedayEnable");
            out.wholeday_action_type = jint(day, "wholedayActionType");
        }
        json_object* plans = jget(day, "plans");
        for (int p = 0; p < kSchedulePlans; p++) {
            json_object* plan = jarray_at(plans, size_t(p));
            if (!plan || !json_object_is_type(plan, json_type_array)) continue;
            text_from(jarray_at(plan, 0), out.plans[p].start_time);
            text_from(jarray_at(plan, 1), out.plans[p].end_time);
            json_object* type = jarray_at(plan, 2);
            out.plans[p].action_type = type ? json_object_get_int(type) : 0;
        }
    }
}

JsonPtr schedule_to_reply(const RecordSchedule& s)
{
    JsonPtr days = jarray();
    for (const ScheduleDay& day : s.days) {
        JsonPtr d = jobject();
        jadd(d.get(), "wholedayEnable", day.wholeday_enable);
        jadd(d.get(), "wholedayActionType", day.wholeday_action_type);
        JsonPtr plans = jarray();
        for (const SchedulePlan& plan : day.plans) {
            JsonPtr p = jobject();
            jadd_text(p.get(), "startTime", plan.start_time);
            jadd_text(p.get(), "endTime", plan.end_time);
            jadd(p.get(), "actionType", plan.action_type);
            json_object_array_add(plans.get(), p.release());
        }
        json_object_object_add(d.get(), "plans", plans.release());
        json_object_array_add(days.get(), d.release());
    }
    return days;
}

}  // namespace

int record_schedule_get(const char* request)
{
    long channel = decimal_of(request);
    if (channel < 0 || channel >= kRecordChannels) return 0;
    RecordRow row;
    // A channel without a stored row still answers with its own id.
    if (read_record(kMainDb, &row, int(channel)) != 0) row.id = int(channel);
    auto whole = std::make_unique<RecordSchedule>();
    const RecordSchedule& schedule = *whole;
    read_record_schedule(kMainDb, whole.get(), int(channel));

    JsonPtr reply = jobject();
    jadd(reply.get(), "id", row.id);
    json_object_object_add(reply.get(), "schedule", schedule_to_reply(schedule).release());
    return json_reply(kReplyJson, reply.get());
}

int record_schedule_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jhas(r, "cnt")) return 0;

    auto schedule = std::make_unique<RecordSchedule>();
    schedule_from_request(jget(r, "schedule"), schedule.get());

    auto rows = std::make_unique<RecordRow[]>(kRecordChannels);
    int count = 0;
    read_records(kMainDb, rows.get(), &count);
    const int n = jint(r, "cnt"), mode = jint(r, "recordplanmode");
    json_object* ids = jget(r, "chnid");
    u64 schedule_mask = 0, mode_mask = 0;
    int last = -1;
    for (int i = 0; i < n && size_t(i) < jarray_size(ids); i++) {
        int id;
        if (!channel_of(jarray_at(ids, size_t(i)), &id)) continue;
        last = id;
        schedule_mask |= u64(1) << id;
        if (rows[id].mode != mode) {
            rows[id].mode = mode;
            mode_mask |= u64(1) << id;
        }
    }
    copy_record_schedules(kMainDb, schedule.get(), mask_low(schedule_mask), mask_high(schedule_mask));
    copy_record_modes(kMainDb, mode, mask_low(mode_mask), mask_high(mode_mask));

    core_notify(kMsgRecordModes, mode_mask);
    core_notify(kMsgRecordSchedules, schedule_mask);
    record_send_log(kLogSchedule, last + 1 > 0 ? last + 1 : 1);
    return cgi_reply_ok();
}

int record_modes_get(const char*)
{
    int max_cameras = get_param_int(kMainDb, "max_cameras", 32);
    auto rows = std::make_unique<RecordRow[]>(kRecordChannels);
    int count = 0;
    read_records(kMainDb, rows.get(), &count);
    int n = max_cameras < count ? max_cameras : count;
    if (n < 0) n = 0;
    if (n > kRecordChannels) n = kRecordChannels;

    JsonPtr list = jarray();
    for (int i = 0; i < n; i++) {
        JsonPtr o = jobject();
        jadd(o.get(), "id", rows[i].id);
        jadd(o.get(), "mode", rows[i].mode);
        json_object_array_add(list.get(), o.release());
    }
    JsonPtr reply = jobject();
    json_object_object_add(reply.get(), "records", list.release());
    return json_reply(kReplyJson, reply.get());
}

int record_modes_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    auto rows = std::make_unique<RecordRow[]>(kRecordChannels);
    int count = 0;
    read_records(kMainDb, rows.get(), &count);

    // Element i sets the mode of channel i; its "id" must be a valid channel
    // but does not pick the row. One bad element, or more elements than
    // there are channels, rejects the whole request.
    json_object* records = jget(r, "records");
    const size_t n = jarray_size(records);
    bool ok = n <= size_t(kRecordChannels);
    for (size_t i = 0; ok && i < n; i++) {
        json_object* e = jarray_at(records, i);
        int id = jint(e, "id", -1), mode = jint(e, "mode", -1);
        if (!jhas(e, "id") || id < 0 || id >= kRecordChannels || !jhas(e, "mode") || mode < 0 ||
            mode > kMaxRecordMode) {
            ok = false;
            break;
        }
        rows[i].id = int(i);
        rows[i].mode = mode;
    }
    if (!ok) return cgi_reply(kReplyText, "ERROR");

    write_records(kMainDb, rows.get(), int(n));
    record_send_log(kLogModes, 0);
    cgi_reply_ok();
    for (size_t i = 0; i < n; i++) core_notify(kMsgRecordRow, i32(i));
    return 0;
}
