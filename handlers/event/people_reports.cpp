// People-counting report plans: the three plans by which the core daemon
// makes and delivers counting reports on its own.
#include <cctype>
#include <cstring>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/camera/camera.h"
#include "handlers/event/people.h"
#include "handlers/event/people_records.h"

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
// integers are 0, missing texts empty.
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

bool two_digits(const char* s, int max, int* out)
{
    if (!std::isdigit(static_cast<unsigned char>(s[0])) || !std::isdigit(static_cast<unsigned char>(s[1])))
        return false;
    *out = (s[0] - '0') * 10 + (s[1] - '0');
    return *out <= max;
}

// "HH:MM" or "HH:MM:SS", a time of day.
bool valid_time_of_day(const char* t)
{
    int v;
    const size_t n = std::strlen(t);
    if (n != 5 && n != 8) return false;
    if (!two_digits(t, 23, &v) || t[2] != ':' || !two_digits(t + 3, 59, &v)) return false;
    return n == 5 || (t[5] == ':' && two_digits(t + 6, 59, &v));
}

// Only '0' and '1', one a channel or group.
bool valid_mask_text(const char* t)
{
    for (; *t; t++)
        if (*t != '0' && *t != '1') return false;
    return true;
}

// A plan the core daemon can carry out: a real time of day (required when
// the plan is on), channel and group masks of '0'/'1', numbers not negative.
bool valid_plan(const PeoplecntReportPlan& p)
{
    const auto time = text_of(p.backup_time);
    const auto channels = text_of(p.tri_channels);
    const auto groups = text_of(p.tri_groups);
    if (time.s[0] ? !valid_time_of_day(time.s) : p.enable != 0) return false;
    if (!valid_mask_text(channels.s) || !valid_mask_text(groups.s)) return false;
    // Group characters beyond the ninth name no group.
    for (size_t i = kPcntGroups; i < sizeof p.tri_groups && p.tri_groups[i]; i++)
        if (p.tri_groups[i] == '1') return false;
    for (const IntKey& k : kLeadInts)
        if (p.*k.field < 0) return false;
    for (const IntKey& k : kMidInts)
        if (p.*k.field < 0) return false;
    for (const IntKey& k : kTailInts)
        if (p.*k.field < 0) return false;
    return true;
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
        json_object* e = size_t(i) < n ? json_object_array_get_idx(report, size_t(i)) : nullptr;
        if (e && !json_object_is_type(e, json_type_object)) return cgi_reply_error(kReplyJson);
        plans[i] = plan_from_json(e);
        if (!valid_plan(plans[i])) return cgi_reply_error(kReplyJson);
    }
    write_peoplecnt_auto_backup(kMainDb, plans);
    core_query(camera_reply, kMsgPcntReportsChanged, nullptr, 0, kReplyJson);
    return 0;
}

int pcnt_reports_reply(const KxFrameHeader*, const void*)
{
    JsonPtr o = jobject();
    jadd(o.get(), "res", 0);
    json_reply(kReplyJson, o.get());
    core_reply_finish(1);
    return 0;
}
