// Record calendar: asks the core daemon which days of a month hold
// recordings of one channel and stream, and answers one flag per day.
#include <atomic>
#include <cstring>
#include <ctime>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/camera/camera.h"
#include "handlers/playback/calendar_records.h"
#include "handlers/playback/playback.h"

namespace {

// Days of the month asked for; the reply's flags past them are cleared,
// whatever the daemon left there. Set before the request is sent, read by
// the reply callback.
std::atomic<int> g_month_days{kCalendarDays};

// Year and month of a "YYYY-MM-DD hh:mm:ss" text; a text of another form
// gives January 1900.
void month_of(const char* text, int* year, int* month)
{
    char copy[kCalendarTimeMax + 1] = "";
    std::strncpy(copy, text, kCalendarTimeMax);
    struct tm t;
    std::memset(&t, 0, sizeof t);
    if (!strptime(copy, "%Y-%m-%d %H:%M:%S", &t)) std::memset(&t, 0, sizeof t);
    *year = t.tm_year + 1900;
    *month = t.tm_mon + 1;
}

}  // namespace

int record_calendar(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* o = req.get();
    if (!o || !jhas(o, "time") || !jhas(o, "chnid") || !jhas(o, "streamType")) return 0;
    const int channel = jint(o, "chnid");
    if (channel < 0 || channel >= kCalendarChannels) return 0;

    CalendarRequest r = zeroed<CalendarRequest>();
    r.stream = jint(o, "streamType") == 1 ? 1 : 0;
    month_of(jstr(o, "time"), &r.year, &r.month);
    std::memset(r.mask, '0', sizeof r.mask);
    r.mask[channel] = '1';
    g_month_days = days_in_month(r.year, r.month);

    core_query(camera_reply, kMsgCalendar, &r, sizeof r, kReplyJson);
    return 0;
}

int calendar_reply(const KxFrameHeader* header, const void* payload)
{
    CalendarReply r;
    if (!record_at(payload, header->length, 0, &r)) {
        cgi_reply_error(kReplyJson);  // a reply without its record counts as none
        core_reply_finish(1);
        return 0;
    }
    const int month_days = g_month_days;
    JsonPtr days = jarray();
    for (int d = 1; d <= kCalendarDays; d++)
        json_object_array_add(days.get(), json_object_new_int(d <= month_days && r.days[d - 1] != 0 ? 1 : 0));
    json_reply(kReplyJson, days.get());
    core_reply_finish(1);
    return 0;
}
