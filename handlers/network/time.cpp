// Date, time, time zone, daylight saving and NTP: "/7000" reports the clock
// and the stored settings, "/7001" stores new settings and has the core
// daemon apply them (with the manual time when the clock is set by hand).
//
// The zone, its display name, the NTP server and the manual time are the
// core daemon's to interpret: every spelling is stored and passed on, cut to
// its field. Only characters no such value has and that would end or escape
// a quoted word downstream (quotes, backslash, '$', '`', control
// characters) are refused, with the JSON error form, before anything is
// stored.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/network/network.h"
#include "handlers/network/time_records.h"
#include "handlers/shared/reply_flow.h"

namespace {

// ---- checks ----

bool flag_key(json_object* r, const char* key, int* out)
{
    if (!jhas(r, key)) return false;
    *out = jint(r, key);
    return *out == 0 || *out == 1;
}

// False when the text holds a character that would end or escape a quoted
// word (the manual time travels between double quotes) or a control
// character. A null text (absent key) is safe.
bool safe_text(const char* s)
{
    if (!s) return true;
    for (; *s; s++) {
        const unsigned char c = static_cast<unsigned char>(*s);
        if (c < 0x20 || c == 0x7f || std::strchr("\"'`\\$", c)) return false;
    }
    return true;
}

// ---- replies ----

void add_two_digits(json_object* o, const char* key, int v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.2d", v);
    jadd(o, key, text);
}

}  // namespace

int time_read(const char*)
{
    TimeRow row;
    read_time(kMainDb, &row);
    const time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);

    JsonPtr o = jobject();
    char text[64];
    std::snprintf(text, sizeof text, "%.4d", local.tm_year + 1900);
    jadd(o.get(), "dateYear", text);
    add_two_digits(o.get(), "dateMon", local.tm_mon + 1);
    add_two_digits(o.get(), "dateDay", local.tm_mday);
    add_two_digits(o.get(), "dateHour", local.tm_hour);
    add_two_digits(o.get(), "dateMin", local.tm_min);
    add_two_digits(o.get(), "dateSec", local.tm_sec);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    jadd(o.get(), "serverTime", text);
    jadd(o.get(), "ntpEnable", row.ntp_enable);
    jadd(o.get(), "dstEnable", row.dst_enable);
    jadd_text(o.get(), "timeZone", row.time_zone);
    jadd_text(o.get(), "timeZoneName", row.time_zone_name);
    jadd_text(o.get(), "ntpServer", row.ntp_server);
    jadd(o.get(), "syncEnable", row.sync_enable);
    jadd(o.get(), "syncInterval", sync_index_of(row.sync_interval));
    jadd(o.get(), "syncPc", row.sync_pc);
    return json_reply(kReplyJson, o.get());
}

int time_apply_reply(const KxFrameHeader*, const void*)
{
    core_notify(kMsgTimeApplied, nullptr, 0);
    core_reply_finish(1);
    return 0;
}

int time_write(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    int ntp = 0, dst = 0;
    if (!flag_key(r, "ntpEnable", &ntp) || !flag_key(r, "dstEnable", &dst)) return 0;
    for (const char* key : {"timeZone", "timeZoneName", "syncEnable", "syncInterval", "syncPc"})
        if (!jhas(r, key)) return 0;

    const char* zone = jstr(r, "timeZone");
    const char* zone_name = jstr(r, "timeZoneName");
    const char* manual = jstr(r, "manualTime");
    // An absent server keeps the stored one.
    TimeRow row;
    read_time(kMainDb, &row);
    const char* server = jhas(r, "ntpServer") ? jstr(r, "ntpServer") : nullptr;
    for (const char* text : {zone, zone_name, server, manual})
        if (!safe_text(text)) return cgi_reply_error(kReplyJson);

    // The clock is set by hand while NTP is off, unless the failover mode
    // (2) leaves it alone. No manual time: the clock is kept.
    TimeApply apply = zeroed<TimeApply>();
    if (ntp == 0 && jint(r, "failoverMode") != 2 && manual && *manual) {
        const std::string quoted = "\"" + std::string(manual) + "\"";
        set_text(apply.manual_time, quoted.c_str());
    }

    row.ntp_enable = ntp;
    row.dst_enable = dst;
    set_text(row.time_zone, zone);
    set_text(row.time_zone_name, zone_name);
    if (server) set_text(row.ntp_server, server);
    row.sync_enable = jint(r, "syncEnable");
    row.sync_interval = sync_minutes_of(jint(r, "syncInterval"));
    row.sync_pc = jint(r, "syncPc");
    write_time(kMainDb, row);

    // One reply, once the core daemon has taken the settings (or not).
    const CoreAnswer answer = core_answer<time_apply_reply>({kReplyTimeApply});
    CoreExchange exchange;
    core_request_answer(exchange, answer, kMsgTimeApply, sizeof apply, &apply, 0);
    const bool applied = exchange.done() != 0;
    core_release(exchange);

    send_change_log(kTimeLogSubType, kTimeLogParamType);
    return applied ? cgi_reply_ok() : cgi_reply_error(kReplyJson);
}
