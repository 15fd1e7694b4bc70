// People-counting report plans: the three plans by which the core daemon
// makes and delivers counting reports on its own.
#include <cstring>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/event/people.h"
#include "handlers/event/people_records.h"
#include "common/core_reply.h"

namespace {

struct IntKey {
    const char* key;
    i32 PeoplecntReportPlan::*field;
};
// Integer keys, each followed in the reply by the texts noted in plan_json.
constexpr IntKey kLeadInts[] = {{"reportType", &PeoplecntReportPlan::report_type},
                                {"enable", &PeoplecntReportPlan::enable}};
constexpr IntKey kMidInts[] = {{"stayLengthType", &PeoplecntReportPlan::stay_length_type},
                               {"stayLengthValue", &PeoplecntReportPlan::stay_length_value},
                               {"backupDay", &PeoplecntReportPlan::backup_day}};
constexpr IntKey kTailInts[] = {{"fileFormat", &PeoplecntReportPlan::file_format},
                                {"timeRange", &PeoplecntReportPlan::time_range},
                                {"backupTo", &PeoplecntReportPlan::backup_to}};

JsonPtr plan_json(const PeoplecntReportPlan& p)
{
    JsonPtr o = jobject();
    json_object* j = o.get();
    for (const IntKey& k : kLeadInts) jadd(j, k.key, p.*k.field);
    jadd_text(j, "triChannels", p.tri_channels);
    jadd_text(j, "triGroups", p.tri_groups);
    for (const IntKey& k : kMidInts) jadd(j, k.key, p.*k.field);
    jadd_text(j, "backupTime", p.backup_time);
    for (const IntKey& k : kTailInts) jadd(j, k.key, p.*k.field);
    return o;
}

// Every key of the plan from element `e` (null: a missing element): missing
// integers are 0, missing texts empty. Texts are cut to their fields and
// numbers stored as given: what they mean is the core daemon's business.
PeoplecntReportPlan plan_from_json(json_object* e)
{
    PeoplecntReportPlan p = zeroed<PeoplecntReportPlan>();
    for (const IntKey& k : kLeadInts) p.*k.field = jint(e, k.key);
    for (const IntKey& k : kMidInts) p.*k.field = jint(e, k.key);
    for (const IntKey& k : kTailInts) p.*k.field = jint(e, k.key);
    set_text(p.tri_channels, jstr(e, "triChannels"));
    set_text(p.tri_groups, jstr(e, "triGroups"));
    set_text(p.backup_time, jstr(e, "backupTime"));
    return p;
}

}  // namespace

int pcnt_reports_get(const char*)
{
    PeoplecntReportPlan plans[kPcntReportPlans];
    read_peoplecnt_auto_backup(kMainDb, plans);
    JsonPtr list = jarray();
    for (const PeoplecntReportPlan& p : plans) json_object_array_add(list.get(), plan_json(p).release());
    JsonPtr reply = jobject();
    jadd_value(reply.get(), "report", list.release());
    jadd(reply.get(), "email", 1);
    return json_reply(kReplyJson, reply.get());
}

int pcnt_reports_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* report = jget(req.get(), "report");
    if (!report || !json_object_is_type(report, json_type_array)) return cgi_reply_error(kReplyJson);
    PeoplecntReportPlan plans[kPcntReportPlans];
    const size_t n = json_object_array_length(report);
    for (int i = 0; i < kPcntReportPlans; i++) {
        // An element that is not an object has no keys: it clears its plan.
        json_object* e = size_t(i) < n ? json_object_array_get_idx(report, size_t(i)) : nullptr;
        plans[i] = plan_from_json(e && json_object_is_type(e, json_type_object) ? e : nullptr);
    }
    write_peoplecnt_auto_backup(kMainDb, plans);
    core_ask<pcnt_reports_reply>(kMsgPcntReportsChanged, nullptr, 0, kReplyJson, {kPcntReportsReply});
    return 0;
}

int pcnt_reports_reply(const KxFrameHeader*, const void*)
{
    JsonPtr o = jobject();
    jadd(o.get(), "res", 0);
    return core_reply_json(o.get());
}
