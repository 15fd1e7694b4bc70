// Demo answers of the device log: 250 entries, one every ten minutes back
// from the present, of every main type (logins and setting changes through
// the web, motion and video loss on the demo channels, cameras coming
// online, a network disk that went offline, time synchronisation). Some
// detail texts hold commas, double quotes and line breaks, as real ones do.
// Searches are answered page by page; an export writes the export file the
// core daemon would and answers with its path.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "handlers/system/log_records.h"
#include "tools/emu/emu.h"

namespace {

constexpr int kDemoEntries = 250;
constexpr int kDemoStep = 600;  // seconds between entries

struct DemoEntry {
    OpLogRecord record;
    std::string detail;
};

DemoEntry demo_entry(int i, time_t newest)
{
    DemoEntry d;
    OpLogRecord& r = d.record;
    r = zeroed<OpLogRecord>();
    r.pts = u32(newest - time_t(i) * kDemoStep);
    const int camera = i % 8 + 1;  // cameras online on channels 1..8
    auto web = [&r](const char* user, const char* address) {
        r.remote = 1;
        set_text(r.user, user);
        set_text(r.remote_addr, address);
    };
    switch (i % 10) {
    case 0:
        r.main_type = 4, r.sub_type = 201, r.param_type = 900;
        web("admin", "::ffff:192.168.1.20");
        break;
    case 1:
        r.main_type = 2, r.sub_type = 11, r.channel = u32(camera);
        d.detail = "Motion on channel " + std::to_string(camera);
        break;
    case 2:
        r.main_type = 4, r.sub_type = 204, r.param_type = 909, r.channel = u32(camera);
        web("admin", "192.168.1.20");
        d.detail = "Sensitivity 3, area \"Front door\"";
        break;
    case 3:
        r.main_type = 8, r.sub_type = 505, r.channel = u32(camera);
        d.detail = "192.168.1.10" + std::to_string(camera);
        break;
    case 4:
        r.main_type = 32, r.sub_type = 410, r.channel = 17;  // the network disk's port
        d.detail = "Network disk 192.168.1.50:/nvr\nnot reachable";
        break;
    case 5:
        r.main_type = 4, r.sub_type = 209, r.param_type = 900, r.channel = u32(camera);
        web("operator", "fe80::1%eth0");
        break;
    case 6:
        r.main_type = 2, r.sub_type = 12, r.channel = u32(camera + 8);  // channels without a camera
        break;
    case 7:
        r.main_type = 4, r.sub_type = 225, r.param_type = 900;
        web("admin", "192.168.1.20");
        break;
    case 8:
        r.main_type = 8, r.sub_type = 513;
        d.detail = "pool.ntp.org";
        break;
    default:
        r.main_type = 4, r.sub_type = 202, r.param_type = 900;
        web("admin", "::ffff:192.168.1.20");
        break;
    }
    const size_t n = std::min(d.detail.size(), sizeof r.detail - 1);
    std::memcpy(r.detail, d.detail.data(), n);
    r.detail_size = u32(n);
    return d;
}

// The entry matches the query's time, main type (1: every type), sub types
// (10 first: every sub type) and channels (no mask: every channel; entries
// without a channel always match).
bool matches(const LogQuery& q, const OpLogRecord& r)
{
    if (i64(r.pts) < i64(q.start_time) || i64(r.pts) > i64(q.end_time)) return false;
    if (q.main_type != 1 && r.main_type != q.main_type) return false;
    int count = q.sub_type_count < 0 ? 0 : q.sub_type_count > kLogQuerySubTypes ? kLogQuerySubTypes : q.sub_type_count;
    if (count > 0 && q.sub_types[0] != 10) {
        bool found = false;
        for (int i = 0; i < count && !found; i++) found = q.sub_types[i] == r.sub_type;
        if (!found) return false;
    }
    if (q.channel_mask != 0 && r.channel > 0 && (r.channel > 64 || !(q.channel_mask >> (r.channel - 1) & 1)))
        return false;
    return true;
}

std::vector<DemoEntry> found_entries(const EmuRequest& req)
{
    std::vector<DemoEntry> found;
    LogQuery q;
    if (!record_at(req.payload, req.length, 0, &q)) return found;
    const time_t newest = time(nullptr) / kDemoStep * kDemoStep;
    for (int i = 0; i < kDemoEntries; i++) {
        DemoEntry d = demo_entry(i, newest);
        if (matches(q, d.record)) found.push_back(std::move(d));
    }
    return found;
}

// One page of 100 entries, newest first; pages count from 1.
void demo_search(const EmuRequest& req, EmuAnswer& answer)
{
    std::vector<DemoEntry> found = found_entries(req);
    LogQuery q;
    const int page = record_at(req.payload, req.length, 0, &q) && q.page > 1 ? q.page : 1;
    static LogPage out;
    out = zeroed<LogPage>();
    out.total = u32(found.size());
    for (size_t i = size_t(page - 1) * kLogPageEntries; i < found.size() && out.count < u32(kLogPageEntries); i++)
        out.entries[out.count++] = found[i].record;
    answer.reply(req.code + 5000, &out, kLogPageHeader + out.count * sizeof(OpLogRecord));
}

// The export file: the entry count, then each entry with its detail text.
void demo_export(const EmuRequest& req, EmuAnswer& answer)
{
    std::vector<DemoEntry> found = found_entries(req);
    LogExportReply reply = zeroed<LogExportReply>();
    std::snprintf(reply.path, sizeof reply.path, "/tmp/log/export_%u.log", unsigned(req.seq));
    if (FILE* f = std::fopen(nvr_path(reply.path).c_str(), "wb")) {
        const u32 count = u32(found.size());
        std::fwrite(&count, sizeof count, 1, f);
        static LogExportEntry e;
        for (const DemoEntry& d : found) {
            e = zeroed<LogExportEntry>();
            e.record = d.record;
            set_text(e.detail, d.detail.c_str());
            std::fwrite(&e, sizeof e, 1, f);
        }
        std::fclose(f);
        reply.value = count;
    }
    answer.reply_record(req.code + 5000, reply);
}

// An added entry is taken.
void demo_add(const EmuRequest& req, EmuAnswer& answer)
{
    answer.reply(req.code + 5000, "OK", 2);
}

const EmuDemoEntry kLogsDemo[] = {
    {kMsgLogSearch, demo_search},
    {kMsgLogExport, demo_export},
    {kMsgLogAdd, demo_add},
};

}  // namespace

EMU_DEMO_AREA(logs, kLogsDemo);
