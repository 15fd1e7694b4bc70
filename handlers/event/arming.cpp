// Channel arming schedules: the arming ("effective") schedules of a
// channel's motion detection and of eight of its smart events, read and
// written together from one page.
#include <cstring>
#include <memory>

#include "common/json.h"
#include "common/reply.h"
#include "handlers/shared/event_actions.h"
#include "handlers/event/motion_records.h"
#include "handlers/event/smart.h"
#include "handlers/event/smart_records.h"

namespace {

constexpr int kArmingTypes = 9;  // motion, then smart events 0..7

// JSON key of schedule type t; type t > 0 is smart event t - 1.
const char* const kArmingKeys[kArmingTypes] = {
    "schedule_motion",           "schedule_region_entrance", "schedule_region_exit",
    "schedule_advanced_motion",  "schedule_tamper_detection", "schedule_line_crossing",
    "schedule_loitering",        "schedule_human_detection", "schedule_people_counting",
};

int read_arming(RecordSchedule* out, int channel, int type)
{
    if (type == 0) return read_motion_effective_schedule(kMainDb, out, channel);
    return read_smart_event_effective_schedule(kMainDb, out, channel, type - 1);
}

int write_arming(const RecordSchedule* schedule, int channel, int type)
{
    if (type == 0) return write_motion_effective_schedule(kMainDb, schedule, channel);
    return write_smart_event_effective_schedule(kMainDb, schedule, channel, type - 1);
}

// 8 days of 12 plan objects; a plan without a start time reads as
// {"00:00", "00:00", 0}.
JsonPtr arming_to_json(const RecordSchedule& s)
{
    JsonPtr days = jarray();
    for (const ScheduleDay& day : s.days) {
        json_object* plans = json_object_new_array();
        for (int p = 0; p < kActionPlans; p++) {
            const SchedulePlan& plan = day.plans[p];
            json_object* o = json_object_new_object();
            if (plan.start_time[0] == 0) {
                jadd(o, "startTime", "00:00");
                jadd(o, "endTime", "00:00");
                jadd(o, "actionType", 0);
            } else {
                jadd_text(o, "startTime", plan.start_time);
                jadd_text(o, "endTime", plan.end_time);
                jadd(o, "actionType", plan.action_type);
            }
            json_object_array_add(plans, o);
        }
        json_object_array_add(days.get(), plans);
    }
    return days;
}

}  // namespace

int arming_schedules_get(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jhas(r, "channel")) return 0;
    const int channel = jint(r, "channel");
    if (channel < 0 || channel >= kEventChannels) return 0;
    const auto schedule_owner = std::make_unique<RecordSchedule>();
    RecordSchedule& schedule = *schedule_owner;
    JsonPtr o = jobject();
    for (int t = 0; t < kArmingTypes; t++) {
        std::memset(&schedule, 0, sizeof schedule);
        read_arming(&schedule, channel, t);
        jadd_value(o.get(), kArmingKeys[t], arming_to_json(schedule).release());
    }
    return json_reply(kReplyJson, o.get());
}

int arming_schedules_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    // A channel the store has no row for would be a write that goes
    // nowhere: refused before anything is written.
    const int channel = jint(r, "channel");
    if (!jhas(r, "channel") || channel < 0 || channel >= kEventChannels) return cgi_reply_error(kReplyText);
    const int start = jint(r, "start"), end = jint(r, "end");
    const auto schedule_owner = std::make_unique<RecordSchedule>();
    RecordSchedule& schedule = *schedule_owner;
    for (int t = start < 0 ? 0 : start; t <= end && t < kArmingTypes; t++) {
        // A type of the run whose key is missing keeps its stored schedule.
        if (schedule_from_json(r, kArmingKeys[t], &schedule) == 0) write_arming(&schedule, channel, t);
    }
    return cgi_reply_ok();
}
