// Record calendar: asks the core daemon which days of a month hold
// recordings of one channel and stream, and answers one flag per day.
#include <cstring>
#include <ctime>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/playback/calendar_records.h"
#include "handlers/playback/playback.h"
#include "handlers/shared/reply_flow.h"

namespace {

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
    // The channel places a '1' in a 64-character mask: a channel outside it
    // has no place and is answered with the error form.
    const int channel = jint(o, "chnid");
    if (channel < 0 || channel >= kCalendarChannels) return cgi_reply_error(kReplyJson);

    CalendarRequest r = zeroed<CalendarRequest>();
    r.stream = jint(o, "streamType") == 1 ? 1 : 0;
    month_of(jstr(o, "time"), &r.year, &r.month);
    std::memset(r.mask, '0', sizeof r.mask);
    r.mask[channel] = '1';

    core_ask<calendar_reply>(kMsgCalendar, &r, sizeof r, kReplyJson, {kReplyCalendar});
    return 0;
}

int calendar_reply(const KxFrameHeader* header, const void* payload)
{
    CalendarReply r;
    if (!core_reply_record(header, payload, &r)) return 0;
    // All 31 flags as the daemon sent them, days the month lacks included.
    JsonPtr days = jarray();
    for (int d = 1; d <= kCalendarDays; d++) json_object_array_add(days.get(), json_object_new_int(r.days[d - 1] != 0 ? 1 : 0));
    return core_reply_json(days.get());
}
