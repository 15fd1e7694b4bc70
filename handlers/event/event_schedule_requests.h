// Shared parts of the requests that read or write one action schedule.
#pragma once

#include <cstring>
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "platform/record.h"
#include "handlers/event/event_request.h"
#include "handlers/shared/event_actions.h"
#include "handlers/shared/schedule.h"

// Replies the schedule `read` gives for the id of a decimal request text, in
// the reply form. No reply for a text without a number; "CGI ERROR" for an
// id outside 0..limit-1 when limit is above 0.
int reply_schedule_of(const char* request, int (*read)(const char*, RecordSchedule*, int), int limit = 0);

// The mask of the first "cnt" ids of the request's "chnid" array that lie
// in 0..limit-1.
u64 listed_ids(json_object* req, int limit);

// Gives every PTZ action of source `source` (PTZ event type `type`) to each
// listed id other than the source, as that id's own list.
void copy_ptz_actions_to(int type, int source, u64 mask);

using CopySchedules = int (*)(const char* db, const RecordSchedule* schedule, u32 mask_low, u32 mask_high);

// An event source whose records the older pages set for a list of ids at
// once ("chnid", "cnt"): its table of N records (ids 0..N-1), the message
// telling the core daemon which ids changed (8 bytes: mask of ids), and its
// PTZ list type and PTZ schedule copy.
template <typename Rec, int N>
struct ListedSource {
    int (*read_all)(const char* db, Rec* out, int* count);
    int (*write_all)(const char* db, const Rec* table, int count, u32 mask_low, u32 mask_high);
    u32 changed_msg;
    int ptz_type;
    CopySchedules copy_ptz_schedules;
};

template <typename Rec, int N, typename Update>
u64 update_listed(const ListedSource<Rec, N>& source, u64 listed, Update&& update)
{
    return update_listed<N>(source.read_all, source.write_all, listed, update);
}

// "enable" and "interval" (and, where the record has `snapshot`, the text
// of "triSnapshot") go to the listed records that differ; the request's
// "schedule" goes with `copy` to every listed id.
template <typename Rec, int N>
int enable_interval_list_set(const char* request, const ListedSource<Rec, N>& source, CopySchedules copy,
                             char (Rec::*snapshot)[kMaskTextWidth] = nullptr)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    const auto schedule = std::make_unique<RecordSchedule>();
    const bool has_schedule = schedule_from_json(r, "schedule", schedule.get()) == 0;
    const int enable = jint(r, "enable"), interval = jint(r, "interval");
    char tri_snapshot[kMaskTextWidth];
    set_text(tri_snapshot, jstr(r, "triSnapshot"));
    const u64 listed = listed_ids(r, N);
    update_listed(source, listed, [&](Rec& rec) {
        const bool same_snapshot =
            !snapshot || std::memcmp(rec.*snapshot, tri_snapshot, sizeof tri_snapshot) == 0;
        if (rec.enable == enable && rec.interval == interval && same_snapshot) return false;
        rec.enable = enable;
        rec.interval = interval;
        if (snapshot) std::memcpy(rec.*snapshot, tri_snapshot, sizeof tri_snapshot);
        return true;
    });
    if (has_schedule) copy(kMainDb, schedule.get(), mask_low(listed), mask_high(listed));
    core_notify(source.changed_msg, listed);
    return cgi_reply_ok();
}

// Gives the PTZ list of the request's "camId" (with its PTZ schedule, when
// the request has one) to every listed id; "CGI ERROR" for a bad "camId".
template <typename Rec, int N>
int ptz_list_set(const char* request, const ListedSource<Rec, N>& source)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int id;
    if (!r || !id_key(r, "camId", N, &id)) return cgi_reply_error(kReplyText);
    const auto schedule = std::make_unique<RecordSchedule>();
    const bool has_schedule = schedule_from_json(r, "schedule", schedule.get()) == 0;
    const u64 listed = listed_ids(r, N);
    copy_ptz_actions_to(source.ptz_type, id, listed);
    if (has_schedule) source.copy_ptz_schedules(kMainDb, schedule.get(), mask_low(listed), mask_high(listed));
    core_notify(source.changed_msg, listed);
    return cgi_reply_ok();
}
