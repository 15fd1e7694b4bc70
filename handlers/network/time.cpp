// Date, time, time zone, daylight saving and NTP: "/7000" reports the clock
// and the stored settings, "/7001" stores new settings and has the core
// daemon apply them (with the manual time when the clock is set by hand).
//
// Every text of a write is checked before anything is stored: the time zone
// (a GMT offset, a zone name or a POSIX zone with its daylight-saving rules),
// the NTP server (a host name or an address) and the manual time (a real
// calendar date and time). A request that fails any check gets no reply and
// changes nothing.
#include <arpa/inet.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/network/network.h"
#include "handlers/network/time_records.h"

namespace {

// ---- checks ----

bool flag_key(json_object* r, const char* key, int* out)
{
    if (!jhas(r, key)) return false;
    *out = jint(r, key);
    return *out == 0 || *out == 1;
}

// Reads 1..max_digits decimal digits at *p; false when there is none.
bool read_number(const char*& p, int max_digits, int* out)
{
    int n = 0, v = 0;
    while (n < max_digits && std::isdigit(static_cast<unsigned char>(*p))) {
        v = v * 10 + (*p++ - '0');
        n++;
    }
    *out = v;
    return n > 0;
}

// "GMT", "UTC", or either followed by a signed offset "+8", "+08", "+08:00",
// "-03:30": the offsets of the world's zones, -12:00 to +14:00.
bool is_gmt_form(const char* tz)
{
    return std::strncmp(tz, "GMT", 3) == 0 || std::strncmp(tz, "UTC", 3) == 0;
}
bool valid_gmt_offset(const char* tz)
{
    const char* p = tz + 3;
    if (!*p) return true;
    if (*p != '+' && *p != '-') return false;
    const bool west = *p++ == '-';
    int hours = 0, minutes = 0;
    if (!read_number(p, 2, &hours)) return false;
    if (*p == ':') {
        const char* m = ++p;
        if (!read_number(p, 2, &minutes) || p - m != 2) return false;
    }
    if (*p || minutes > 59) return false;
    const int total = hours * 60 + minutes;
    return west ? total <= 12 * 60 : total <= 14 * 60;
}

// A zone name of the zone database with parts: "Asia/Shanghai",
// "America/Argentina/Salta", "Etc/GMT-14".
bool valid_zone_name(const char* tz)
{
    if (!std::isalpha(static_cast<unsigned char>(*tz))) return false;
    bool after_slash = false;
    for (const char* p = tz; *p; p++) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '/') {
            if (after_slash || !p[1]) return false;  // no empty part
            after_slash = true;
            continue;
        }
        after_slash = false;
        if (!std::isalnum(c) && c != '_' && c != '-' && c != '+') return false;
    }
    return true;
}

// A zone name without a part: words of letters joined by '-' or '_'
// ("Japan", "NZ-CHAT", "GB-Eire").
bool valid_word_zone(const char* tz)
{
    bool letter_before = false;
    for (const char* p = tz; *p; p++) {
        if (std::isalpha(static_cast<unsigned char>(*p))) {
            letter_before = true;
        } else if ((*p == '-' || *p == '_') && letter_before && p[1]) {
            letter_before = false;
        } else {
            return false;
        }
    }
    return letter_before;
}

// POSIX zone: std offset [dst [offset] [,start[/time],end[/time]]].
bool posix_name(const char*& p)
{
    const char* start = p;
    if (*p == '<') {
        p++;
        while (std::isalnum(static_cast<unsigned char>(*p)) || *p == '+' || *p == '-') p++;
        if (*p != '>' || p - start - 1 < 3) return false;
        p++;
        return true;
    }
    while (std::isalpha(static_cast<unsigned char>(*p))) p++;
    return p - start >= 3;
}
// [+-]hh[:mm[:ss]] with hh up to max_hours.
bool posix_time(const char*& p, int max_hours)
{
    if (*p == '+' || *p == '-') p++;
    int v = 0;
    if (!read_number(p, 3, &v) || v > max_hours) return false;
    for (int part = 0; part < 2 && *p == ':'; part++) {
        p++;
        if (!read_number(p, 2, &v) || v > 59) return false;
    }
    return true;
}
// Jn (1..365), n (0..365) or Mm.w.d (month 1..12, week 1..5, day 0..6),
// optionally followed by "/time".
bool posix_rule(const char*& p)
{
    int a = 0, b = 0, c = 0;
    if (*p == 'J') {
        p++;
        if (!read_number(p, 3, &a) || a < 1 || a > 365) return false;
    } else if (*p == 'M') {
        p++;
        if (!read_number(p, 2, &a) || a < 1 || a > 12 || *p++ != '.') return false;
        if (!read_number(p, 1, &b) || b < 1 || b > 5 || *p++ != '.') return false;
        if (!read_number(p, 1, &c) || c > 6) return false;
    } else if (!read_number(p, 3, &a) || a > 365) {
        return false;
    }
    if (*p == '/') {
        p++;
        return posix_time(p, 167);
    }
    return true;
}
bool valid_posix_zone(const char* tz)
{
    const char* p = tz;
    if (!posix_name(p) || !posix_time(p, 24)) return false;
    if (!*p) return true;
    if (!posix_name(p)) return false;
    if (*p && *p != ',' && !posix_time(p, 24)) return false;
    if (!*p) return true;
    if (*p++ != ',' || !posix_rule(p) || *p++ != ',' || !posix_rule(p)) return false;
    return *p == '\0';
}

bool all_digits(const char* s)
{
    if (!*s) return false;
    for (; *s; s++)
        if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
    return true;
}

bool valid_time_zone(const char* tz)
{
    const size_t n = std::strlen(tz);
    if (n == 0 || n > sizeof(TimeRow::time_zone) - 1) return false;
    if (is_gmt_form(tz) && (tz[3] == '\0' || tz[3] == '+' || tz[3] == '-')) return valid_gmt_offset(tz);
    if (n <= 3 && all_digits(tz)) return true;  // the index of a zone list
    if (std::strpbrk(tz, ",<:")) return valid_posix_zone(tz);
    if (std::strchr(tz, '/')) return valid_zone_name(tz);
    return valid_word_zone(tz) || valid_posix_zone(tz);
}

// A display name: printable, no control characters.
bool valid_zone_display_name(const char* s)
{
    for (; *s; s++)
        if (static_cast<unsigned char>(*s) < 0x20 || *s == 0x7f) return false;
    return true;
}

// Labels of letters, digits and '-' (not first or last), 1..63 each,
// separated by single dots.
bool valid_host_name(const char* s)
{
    size_t label = 0;
    char prev = '.';
    for (const char* p = s; *p; p++) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '.') {
            if (label == 0 || prev == '-') return false;
            label = 0;
        } else if (std::isalnum(c) || (c == '-' && label > 0)) {
            if (++label > 63) return false;
        } else {
            return false;
        }
        prev = char(c);
    }
    return label > 0 && prev != '-';
}

// An NTP server: a host name, an IPv4 address or an IPv6 address (bare or
// in brackets); "" only while NTP is off.
bool valid_ntp_server(const char* s, bool ntp_on)
{
    const size_t n = std::strlen(s);
    if (n == 0) return !ntp_on;
    if (n > sizeof(TimeRow::ntp_server) - 1) return false;
    unsigned char addr[16];
    if (inet_pton(AF_INET6, s, addr) == 1) return true;
    if (s[0] == '[' && s[n - 1] == ']') {
        const std::string inner(s + 1, n - 2);
        return inet_pton(AF_INET6, inner.c_str(), addr) == 1;
    }
    if (std::strspn(s, "0123456789.") == n) return inet_pton(AF_INET, s, addr) == 1;
    return valid_host_name(s);
}

bool leap_year(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// "YYYY-MM-DD HH:MM:SS", a real date from 1970 to 2037 (the core daemon
// keeps 32-bit times).
bool valid_manual_time(const char* s)
{
    if (std::strlen(s) != 19) return false;
    static const char kShape[] = "dddd-dd-dd dd:dd:dd";
    for (int i = 0; i < 19; i++) {
        if (kShape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(s[i])) : s[i] != kShape[i]) return false;
    }
    auto num = [s](int at, int len) {
        int v = 0;
        for (int i = 0; i < len; i++) v = v * 10 + (s[at + i] - '0');
        return v;
    };
    const int year = num(0, 4), month = num(5, 2), day = num(8, 2);
    const int hour = num(11, 2), minute = num(14, 2), second = num(17, 2);
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1970 || year > 2037 || month < 1 || month > 12 || day < 1) return false;
    const int days = kDays[month - 1] + (month == 2 && leap_year(year) ? 1 : 0);
    return day <= days && hour <= 23 && minute <= 59 && second <= 59;
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

int time_write(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    int ntp = 0, dst = 0, sync_enable = 0;
    if (!flag_key(r, "ntpEnable", &ntp) || !flag_key(r, "dstEnable", &dst)) return 0;
    if (!flag_key(r, "syncEnable", &sync_enable)) return 0;
    for (const char* key : {"timeZone", "timeZoneName", "syncInterval", "syncPc"})
        if (!jhas(r, key)) return 0;

    const char* zone = jstr(r, "timeZone");
    const char* zone_name = jstr(r, "timeZoneName");
    if (!valid_time_zone(zone) || !valid_zone_display_name(zone_name)) return 0;

    // An absent server keeps the stored one.
    TimeRow row;
    read_time(kMainDb, &row);
    const char* server = jhas(r, "ntpServer") ? jstr(r, "ntpServer") : row.ntp_server;
    const std::string server_text = server ? server : "";
    if (!valid_ntp_server(server_text.c_str(), ntp == 1)) return 0;

    // The clock is set by hand while NTP is off, unless the failover mode
    // (2) leaves it alone. No manual time: the clock is kept.
    TimeApply apply = zeroed<TimeApply>();
    const char* manual = jstr(r, "manualTime");
    if (ntp == 0 && jint(r, "failoverMode") != 2 && manual && *manual) {
        if (!valid_manual_time(manual)) return 0;
        const std::string quoted = "\"" + std::string(manual) + "\"";
        set_text(apply.manual_time, quoted.c_str());
    }

    row.ntp_enable = ntp;
    row.dst_enable = dst;
    set_text(row.time_zone, zone);
    set_text(row.time_zone_name, zone_name);
    set_text(row.ntp_server, server_text.c_str());
    row.sync_enable = sync_enable;
    row.sync_interval = sync_minutes_of(jint(r, "syncInterval"));
    row.sync_pc = jint(r, "syncPc");
    write_time(kMainDb, row);

    // One reply, once the core daemon has taken the settings (or not).
    core_request(network_reply, kMsgTimeApply, sizeof apply, &apply, 0);
    const bool applied = core_reply_done != 0;
    core_release();

    OpLogRecord log;
    oplog_prepare(&log);
    log.sub_type = kTimeLogSubType;
    log.param_type = kTimeLogParamType;
    core_send_oplog(log);
    return applied ? cgi_reply_ok() : cgi_reply_error(kReplyJson);
}

int time_apply_reply(const KxFrameHeader*, const void*)
{
    core_notify(kMsgTimeApplied, nullptr, 0);
    core_reply_finish(1);
    return 0;
}
