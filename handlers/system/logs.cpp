// The device log: search page by page, export as a CSV download (with the
// marker that tells whether an export runs), adding an entry, the catalogue
// of log types with their names, and how long logs and snapshots are kept.
//
// The core daemon keeps the log; type, sub type and parameter codes are
// turned into words of the client's language by the translation service.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "common/core.h"
#include "common/json.h"
#include "handlers/shared/reply_flow.h"
#include "platform/paths.h"
#include "common/reply.h"
#include "handlers/system/log_records.h"
#include "handlers/system/system.h"
#include "platform/kxfs_log.h"
#include "platform/net.h"
#include "platform/trans.h"

namespace {

constexpr size_t kTransSize = 128;

// Main types: translation index and export name.
struct MainType {
    u32 value;
    int index;
    const char* export_name;
};
constexpr MainType kMainTypes[] = {
    {1, 1, "All"}, {2, 2, "Event"}, {4, 3, "Operation"}, {8, 4, "Information"}, {32, 5, "Exception"}, {64, 6, "Debug"},
};
int main_type_index(u32 main_type)
{
    for (const MainType& m : kMainTypes)
        if (m.value == main_type) return m.index;
    return -1;
}
const char* export_name(u32 main_type)
{
    for (const MainType& m : kMainTypes)
        if (m.value == main_type) return m.export_name;
    return "All";
}

// ---- request ----

// Checks shared by search and export.
bool valid_query(json_object* r)
{
    if (!r || !json_object_is_type(r, json_type_object)) return false;
    if (!jhas(r, "language") || !jhas(r, "mainType")) return false;
    const int main_type = jint(r, "mainType");
    if (main_type < 1 || main_type > 64) return false;
    json_object* subs = jget(r, "subTypeArr");
    if (jarray_size(subs) == 0) return false;
    if (json_object_get_int64(jarray_at(subs, 0)) <= 9) return false;
    return jhas(r, "startTime") && jhas(r, "endTime") && jhas(r, "curPageNum");
}

// A local time text read with `pattern`: false when it does not match
// whole, names a day the month does not have, or lies outside 1970..2038.
// A GET query hands its blanks on as "%20".
bool local_time_of(json_object* r, const char* key, const char* pattern, i32* out)
{
    char text[32] = {};
    jtext(r, key, text);
    std::string s(text);
    for (size_t at; (at = s.find("%20")) != std::string::npos;) s.replace(at, 3, " ");
    struct tm t = {};
    const char* rest = strptime(s.c_str(), pattern, &t);
    if (!rest || *rest) return false;
    struct tm normal = t;
    normal.tm_isdst = -1;  // daylight saving as the zone has it on that day
    const time_t when = mktime(&normal);
    if (normal.tm_year != t.tm_year || normal.tm_mon != t.tm_mon || normal.tm_mday != t.tm_mday) return false;
    if (when < 0 || when > INT32_MAX) return false;
    *out = i32(when);
    return true;
}

// A search or export request with its period ("startTime", "endTime" read
// with `pattern`) in `q`.
bool query_period(json_object* r, const char* pattern, LogQuery* q)
{
    return valid_query(r) && local_time_of(r, "startTime", pattern, &q->start_time) &&
           local_time_of(r, "endTime", pattern, &q->end_time);
}

// The sub types of "subTypeArr" as given, as many as the query holds.
void add_sub_types(json_object* subs, LogQuery* q)
{
    const size_t n = json_object_array_length(subs);
    for (size_t i = 0; i < n && i < size_t(kLogQuerySubTypes); i++)
        q->sub_types[q->sub_type_count++] = json_object_get_int64(json_object_array_get_idx(subs, i));
}

void keep_language(json_object* r, char (&language)[32])
{
    set_text(language, jstr(r, "language"));
}

// ---- reply helpers ----

// The address as shown: "::ffff:a.b.c.d" without its prefix, a scoped
// address without its zone ("fe80::1%eth0" -> "fe80::1").
std::string display_address(const char (&field)[46])
{
    std::string a = text_of(field).s;
    if (a.compare(0, 7, "::ffff:") == 0 && a.find('.') != std::string::npos) return a.substr(7);
    const size_t pct = a.find('%');
    return pct == std::string::npos ? a : a.substr(0, pct);
}

std::string translated(long long code)
{
    char text[kTransSize];
    trans_get_value(code, text, sizeof text);
    return text;
}

std::string local_time_text(time_t when)
{
    struct tm t;
    char text[64];
    if (!localtime_r(&when, &t)) return "";
    std::snprintf(text, sizeof text, "%4d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

u32 big_endian_at(const u8* p) { return u32(p[0]) << 24 | u32(p[1]) << 16 | u32(p[2]) << 8 | u32(p[3]); }

JsonPtr entry_json(int no, const OpLogRecord& e)
{
    JsonPtr o = jobject();
    json_object* x = o.get();
    jadd(x, "no", no);
    jadd(x, "mainTypeValue", int(e.main_type));
    jadd(x, "mainType", translated(main_type_index(e.main_type)).c_str());
    jadd_value(x, "subTypeValue", json_object_new_int64(e.sub_type));
    jadd(x, "subType", translated(e.sub_type).c_str());
    jadd_value(x, "pts", json_object_new_int64(e.pts));
    jadd(x, "ptc", local_time_text(time_t(e.pts)).c_str());
    jadd_value(x, "parameterValue", json_object_new_int64(e.param_type));
    jadd(x, "parameter", translated(e.param_type).c_str());
    jadd(x, "remote", int(e.remote));
    jadd(x, "chanNo", int(e.channel));
    jadd(x, "disk", log_channo_is_disk(e.main_type, e.sub_type) ? 1 : 0);
    jadd_value(x, "size", json_object_new_int64(e.detail_size));
    jadd_value(x, "detail", json_object_new_string_len(reinterpret_cast<const char*>(e.detail),
                                                       int(strnlen(reinterpret_cast<const char*>(e.detail),
                                                                   sizeof e.detail))));
    json_object* words = json_object_new_array();
    for (size_t i = 0; i < sizeof e.detail; i += 4)
        json_object_array_add(words, json_object_new_int(i32(big_endian_at(e.detail + i))));
    jadd_value(x, "detail2", words);
    jadd(x, "ip", display_address(e.remote_addr).c_str());
    jadd_text(x, "user", e.user);
    return o;
}

// ---- CSV export ----

// One cell as RFC 4180 has it: quoted when it holds a comma, a double quote
// or a line break (quotes doubled), or always when `quote` is set.
void csv_cell(std::string& row, const char* text, bool quote = false)
{
    quote = quote || std::strpbrk(text, ",\"\r\n") != nullptr;
    if (quote) row += '"';
    for (const char* p = text; *p; p++) {
        if (*p == '"') row += '"';
        row += *p;
    }
    if (quote) row += '"';
    row += ',';
}

// The export file's path as the core daemon gave it: a file in the log
// directory "/tmp/log/", without ".." parts. The file is read and then
// removed, so nothing else is ever touched whatever the answer holds.
bool usable_export_path(const std::string& path)
{
    if (path.compare(0, std::strlen(kLogExportDir), kLogExportDir) != 0) return false;
    if (path.size() == std::strlen(kLogExportDir) || path.back() == '/') return false;
    for (size_t at = 0; at != std::string::npos;) {
        const size_t next = path.find('/', at + 1);
        const std::string part = path.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
        if (part == "..") return false;
        at = next;
    }
    return true;
}

void write_export_rows(FILE* in)
{
    u32 count = 0;
    if (std::fread(&count, sizeof count, 1, in) != 1) return;
    auto entry = std::make_unique<LogExportEntry>();  // 4,768 bytes, one at a time
    LogExportEntry& e = *entry;
    std::string row;
    row.reserve(8192);
    for (u32 n = 1; n <= count; n++) {
        if (std::fread(&e, sizeof e, 1, in) != 1) break;
        const OpLogRecord& r = e.record;
        row.clear();
        row += std::to_string(n);
        row += ',';
        row += local_time_text(time_t(r.pts));
        row += ',';
        csv_cell(row, translated(main_type_index(r.main_type)).c_str());
        csv_cell(row, translated(r.sub_type).c_str());
        const std::string param = translated(r.param_type);
        csv_cell(row, param.empty() ? "N/A" : param.c_str());
        csv_cell(row, text_of(r.user).s);
        csv_cell(row, display_address(r.remote_addr).c_str());
        row += std::to_string(r.channel);
        row += ',';
        const FieldText<kLogExportDetail> detail = text_of(e.detail);
        csv_cell(row, detail.s[0] ? detail.s : "N/A", true);
        row += "\r\n";
        std::fwrite(row.data(), 1, row.size(), stdout);
    }
}

}  // namespace

// ---- "/1002" search ----

int log_search_reply(const LogSearchAsk& ask, const KxFrameHeader* header, const void* payload)
{
    u32 total = 0, count = 0;
    if (!record_at(payload, header->length, 0, &total) || !record_at(payload, header->length, 1, &count)) {
        cgi_reply(kReplyJson, "ERROR");
        core_reply_finish(1);
        return 0;
    }
    // Only whole entries the payload holds, at most a page.
    const size_t held = (header->length - kLogPageHeader) / sizeof(OpLogRecord);
    size_t shown = count;
    if (shown > size_t(kLogPageEntries)) shown = kLogPageEntries;
    if (shown > held) shown = held;

    trans_init(ask.language);
    JsonPtr o = jobject();
    jadd_value(o.get(), "count", json_object_new_int64(total));
    jadd(o.get(), "num", int(shown));
    jadd(o.get(), "curPageNum", ask.page);
    JsonPtr log = jarray();
    const char* entries = static_cast<const char*>(payload) + kLogPageHeader;
    for (size_t i = 0; i < shown; i++) {
        OpLogRecord e;
        std::memcpy(&e, entries + i * sizeof e, sizeof e);
        json_object_array_add(log.get(), entry_json(int(i), e).release());
    }
    jadd_value(o.get(), "log", log.release());
    json_reply(kReplyJson, o.get());
    trans_deinit();
    core_reply_finish(1);
    return 0;
}

int log_search(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    LogQuery q = zeroed<LogQuery>();
    if (!query_period(r, "%Y-%m-%d %H:%M:%S", &q)) return cgi_reply_error(kReplyJson);

    LogSearchAsk ask{};
    keep_language(r, ask.language);
    ask.page = jint(r, "curPageNum");
    q.page = ask.page;
    q.main_type = u32(jint(r, "mainType"));
    add_sub_types(jget(r, "subTypeArr"), &q);
    char mask[kLogMaskText + 1] = {};
    jtext(r, "chnMask", mask);
    for (int i = 0; mask[i]; i++)
        if (mask[i] == '1') q.channel_mask |= u64(1) << i;
    q.no_channel = jint(r, "searchNoChn");
    core_ask<log_search_reply>(kMsgLogSearch, &q, sizeof q, ask, kReplyJson, {kReplyLogSearch});
    return 0;
}

// ---- "/1003" export, "/1022" export running ----

int log_export_reply(LogExportAsk& ask, const KxFrameHeader* header, const void* payload)
{
    int expected = LogExportAsk::kOpen;
    if (!ask.owner.compare_exchange_strong(expected, LogExportAsk::kStreaming)) return 0;

    // The path follows a 32-bit value; a short answer gives what it holds.
    std::string path;
    if (header->length > 4) {
        const char* p = static_cast<const char*>(payload) + 4;
        size_t room = header->length - 4;
        if (room > sizeof(LogExportReply::path)) room = sizeof(LogExportReply::path);
        path.assign(p, strnlen(p, room));
    }

    trans_init(ask.language);
    char mac[32] = {};
    read_mac_conf(mac);
    const time_t now = time(nullptr);
    struct tm t;
    localtime_r(&now, &t);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%4d%02d%02d%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                  t.tm_min, t.tm_sec);
    std::printf("Content-Type:application/octet-stream\r\n");
    std::printf("Content-Disposition: attachment; filename= %s_log_%s_%s.csv\r\n\r\n", export_name(ask.main_type),
                mac, stamp);
    for (const char* h : {"Number", "Time", "Main", "Sub", "Parameter", "User", "Ip", "Channel", "Log information"})
        std::printf("%s,", h);
    std::printf("\r\n");

    // Only a regular file (not a link) is read and removed.
    if (usable_export_path(path)) {
        const std::string file = nvr_path(path);
        const int fd = open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st;
        if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            if (FILE* in = fdopen(fd, "rb")) {
                write_export_rows(in);
                std::fclose(in);
            } else {
                close(fd);
            }
            unlink(file.c_str());
        } else if (fd >= 0) {
            close(fd);
        }
    }
    std::fflush(stdout);
    trans_deinit();
    core_reply_finish(1);
    return 0;
}

int log_export(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    LogQuery q = zeroed<LogQuery>();
    if (!query_period(r, "%Y-%m-%dT%H:%M:%S", &q)) return 0;

    q.main_type = u32(jint(r, "mainType"));
    json_object* subs = jget(r, "subTypeArr");
    const size_t n = json_object_array_length(subs);
    const i64 first = json_object_get_int64(json_object_array_get_idx(subs, 0));
    if (q.main_type == 4 && first != 10) {
        // Operations are chosen by bit fields: bit j of (element k - 10)
        // selects sub type base[k] + j. An element below 10 (or missing)
        // selects none.
        constexpr int kBase[3] = {101, 131, 200};
        for (size_t k = 0; k < 3 && k < n; k++) {
            const i64 bits = json_object_get_int64(json_object_array_get_idx(subs, k)) - 10;
            if (bits <= 0) continue;
            for (int j = 0; j < 30; j++)
                if (bits >> j & 1) q.sub_types[q.sub_type_count++] = kBase[k] + j;
        }
    } else {
        add_sub_types(subs, &q);
    }
    q.no_channel = jint(r, "na");
    char mask[kLogMaskText + 1] = {};
    jtext(r, "ch", mask);
    q.channel_mask = std::strtoull(mask, nullptr, 10);
    q.page = 1;
    LogExportAsk ask;
    ask.main_type = q.main_type;
    keep_language(r, ask.language);

    const std::string marker = nvr_path(kLogExportMarker);
    if (FILE* f = std::fopen(marker.c_str(), "wb")) std::fclose(f);
    const CoreAnswer answer = core_answer<log_export_reply>(ask, {kReplyLogExport});
    CoreExchange exchange;
    core_request_answer(exchange, answer, kMsgLogExport, sizeof q, &q, 0);
    // The formatter may still be streaming a long export: it owns the reply
    // then, and the session's end waits for it.
    int expected = LogExportAsk::kOpen;
    const bool unanswered = exchange.done() == 0 && ask.owner.compare_exchange_strong(expected, LogExportAsk::kGivenUp);
    core_release(exchange);
    if (unanswered) cgi_reply_error(kReplyJson);
    unlink(marker.c_str());
    return 0;
}

int log_export_running(const char*)
{
    return cgi_reply(kReplyText, access(nvr_path(kLogExportMarker).c_str(), F_OK) == 0 ? "OK" : "NO");
}

// ---- "/1021" add an entry ----

int log_add_reply(const KxFrameHeader* header, const void* payload)
{
    const char* p = static_cast<const char*>(payload);
    const std::string text(p, strnlen(p, header->length));
    return core_reply_text(text.empty() ? "N/A" : text.c_str());
}

int log_add(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !json_object_is_type(r, json_type_object)) return cgi_reply_error(kReplyText);
    OpLogRecord e = zeroed<OpLogRecord>();
    e.main_type = u32(jint(r, "mainTypeValue"));
    e.sub_type = i64(jint(r, "subTypeValue"));
    e.pts = u32(jint(r, "pts"));
    e.param_type = u32(jint(r, "parameterValue"));
    e.remote = u32(jint(r, "remote"));
    e.channel = u32(jint(r, "chanNo"));
    // The detail size never claims more than the detail area holds.
    const int size = jint(r, "size");
    e.detail_size = u32(size < 0 ? 0 : size > int(sizeof e.detail) ? int(sizeof e.detail) : size);
    json_object* words = jget(r, "detail2");
    if (words && json_object_is_type(words, json_type_array)) {
        const size_t n = json_object_array_length(words);
        for (size_t i = 0; i < n && i < sizeof e.detail / 4; i++) {
            const u32 v = u32(json_object_get_int(json_object_array_get_idx(words, i)));
            e.detail[i * 4] = u8(v >> 24);
            e.detail[i * 4 + 1] = u8(v >> 16);
            e.detail[i * 4 + 2] = u8(v >> 8);
            e.detail[i * 4 + 3] = u8(v);
        }
    }
    jtext(r, "ip", e.remote_addr, 45);
    jtext(r, "user", e.user, 63);
    core_ask<log_add_reply>(kMsgLogAdd, &e, sizeof e, kReplyText, {kReplyLogAdd});
    return 0;
}

// ---- "/1015" catalogue of log types ----

namespace {

// Sub types of a main type, after the 10 that every main type lists first.
void append_sub_types(json_object* list, u32 main_type, bool face_events)
{
    auto add = [list](int key) {
        JsonPtr o = jobject();
        jadd(o.get(), "key", key);
        jadd(o.get(), "name", translated(key).c_str());
        json_object_array_add(list, o.release());
    };
    auto range = [&add](int from, int to, std::initializer_list<int> except) {
        for (int k = from; k <= to; k++) {
            bool skip = false;
            for (int x : except) skip = skip || x == k;
            if (!skip) add(k);
        }
    };
    add(10);
    switch (main_type) {
    case 2:
        if (face_events)
            range(11, 36, {31, 32});
        else
            range(11, 36, {15, 16, 31, 32});
        range(38, 41, {});
        add(37);
        add(42);
        break;
    case 4:
        range(101, 143, {});
        range(200, 225, {});
        break;
    case 8:
        range(500, 519, {507, 508, 509, 510});
        break;
    case 32:
        range(400, 411, {408});
        break;
    case 64:
        range(600, 603, {});
        break;
    default:
        break;
    }
}

}  // namespace

int log_catalogue(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !json_object_is_type(r, json_type_object)) return cgi_reply_error(kReplyJson);
    char language[16] = {};
    jtext(r, "lan", language);
    const bool face_events = get_param_int(kMainDb, "oem_type", 0) == 90;

    trans_init(language);
    JsonPtr mains = jarray(), subs = jarray();
    for (u32 m = 0; m <= 64; m++) {
        const int index = main_type_index(m);
        if (index < 0) continue;
        JsonPtr o = jobject();
        jadd(o.get(), "key", int(m));
        jadd(o.get(), "name", translated(index).c_str());
        json_object_array_add(mains.get(), o.release());
        JsonPtr list = jarray();
        append_sub_types(list.get(), m, face_events);
        json_object_array_add(subs.get(), list.release());
    }
    trans_deinit();
    JsonPtr o = jobject();
    jadd_value(o.get(), "mainType", mains.release());
    jadd_value(o.get(), "subType", subs.release());
    return json_reply(kReplyJson, o.get());
}

// ---- "/1016", "/1017" keeping times ----

int log_retention_read(const char*)
{
    DiskMaintainInfo info;
    read_disk_maintain_info(kMainDb, &info);
    JsonPtr o = jobject();
    jadd(o.get(), "logRetention", info.log_retention);
    jadd(o.get(), "photoRetention", info.photo_retention);
    return json_reply(kReplyJson, o.get());
}

int log_retention_write(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jhas(r, "logRetention") || !jhas(r, "photoRetention")) return 0;
    DiskMaintainInfo info{jint(r, "logRetention"), jint(r, "photoRetention")};
    if (!valid_retention(info.log_retention) || !valid_retention(info.photo_retention)) return 0;
    write_disk_maintain_info(kMainDb, info);
    core_notify(kMsgRetentionChanged, nullptr, 0);
    return cgi_reply_ok();
}
