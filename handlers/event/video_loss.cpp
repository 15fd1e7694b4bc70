// Video loss: the settings and actions of a channel's video-loss event, the
// requests of the older pages, and the lists that apply one schedule with a
// few record fields to several channels.
#include <cstring>
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/shared/event_actions.h"
#include "handlers/event/event_request.h"
#include "handlers/event/event_schedule_requests.h"
#include "handlers/event/video_loss.h"
#include "handlers/event/video_loss_records.h"

namespace {

constexpr EventKey at(int channel) { return EventKey{channel, 0}; }

VideoLossRecord video_loss_of(int channel)
{
    VideoLossRecord rec;
    read_video_lost(kMainDb, &rec, channel);
    rec.chnid = channel;
    return rec;
}

bool video_loss_own_key(json_object* out, const char* name, const void*, EventKey key)
{
    if (std::strcmp(name, "chnid") != 0) return false;
    jadd(out, name, key.channel);
    return true;
}

const char* const kVideoLossReplyKeys[] = {
    "chnid",    "enable", "triAlarms", "interval",     "email_interval", "ptz_interval",
    "alarmout_interval", "white_interval", "audible", "email", "ptz",   "triChnAlarms",
    "white",    "whiteInfo", "audioId", "audioIdMask", "ptzParams",
};

constexpr ListedSource<VideoLossRecord, kEventChannels> kVideoLossList{
    read_video_losts, write_video_losts, kMsgVideoLossesChanged, kVideoLossPtzType, copy_videoloss_ptz_schedules};

}  // namespace

int video_loss_get(const char* request)
{
    long channel;
    if (!decimal_id(request, &channel)) return 0;
    if (channel < 0 || channel >= kEventChannels) return cgi_reply_error(kReplyText);
    VideoLossRecord rec = video_loss_of(int(channel));
    JsonPtr o = jobject();
    jadd(o.get(), "camId", rec.chnid);
    jadd(o.get(), "enable", rec.enable);
    jadd(o.get(), "triAlarms", rec.tri_alarms);
    jadd(o.get(), "interval", rec.interval);
    return json_reply(kReplyJson, o.get());
}

int video_loss_audible_schedule_get(const char* request)
{
    return reply_schedule_of(request, read_videoloss_audible_schedule, kEventChannels);
}
int video_loss_email_schedule_get(const char* request)
{
    return reply_schedule_of(request, read_videoloss_email_schedule);
}
int video_loss_ptz_schedule_get(const char* request)
{
    return reply_schedule_of(request, read_videoloss_ptz_schedule);
}

int video_loss_triggers_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    if (!r || !id_key(r, "camId", kEventChannels, &channel)) return 0;
    const int enable = jint(r, "enable"), tri_alarms = jint(r, "triAlarms"), interval = jint(r, "interval");
    if (!jhas(r, "enable") || enable < 0 || enable > 2) return 0;
    if (!jhas(r, "triAlarms") || tri_alarms < 0 || !jhas(r, "interval") || interval < 0) return 0;
    VideoLossRecord rec = video_loss_of(channel);
    rec.tri_alarms = tri_alarms;
    rec.interval = interval;
    write_video_lost(kMainDb, &rec);
    core_notify(kMsgVideoLossChanged, i32(channel));
    oplog_send_event(kVideoLossLogDetail, channel);
    return cgi_reply_ok();
}

int video_loss_schedule_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    if (!r || !id_key(r, "camId", kEventChannels, &channel)) return 0;
    const auto schedule_owner = std::make_unique<RecordSchedule>();
    RecordSchedule& schedule = *schedule_owner;
    if (schedule_from_json(r, "schedule", &schedule) == 0) write_video_loss_schedule(kMainDb, &schedule, channel);
    VideoLossRecord rec = video_loss_of(channel);
    jset(r, "enable", rec.enable);
    write_video_lost(kMainDb, &rec);
    core_notify(kMsgVideoLossChanged, i32(channel));
    return cgi_reply_ok();
}

int video_loss_actions_get(const char* request)
{
    JsonPtr req = json_parse(request);
    int channel;
    if (!req || !id_key(req.get(), "chnid", kEventChannels, &channel)) return cgi_reply_error(kReplyJson);
    VideoLossRecord rec = video_loss_of(channel);
    JsonPtr reply = event_action_object(kVideoLossEvents, at(channel), &rec, kVideoLossReplyKeys, video_loss_own_key);
    return json_reply(kReplyJson, reply.get());
}

int video_loss_actions_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    int channel;
    if (!r || !id_key(r, "chnid", kEventChannels, &channel)) return cgi_reply_error(kReplyJson);
    if (json_object* dialog = jobject_of(r, "dialog")) event_action_update(kVideoLossEvents, at(channel), dialog, true);
    const u64 mask = id_mask_from_list(r, "copyChn", "copyCnt", kEventChannels, channel);
    if (mask) event_action_copy(kVideoLossEvents, at(channel), mask);
    core_notify(kMsgVideoLossesChanged, mask | u64(1) << channel);
    return cgi_reply_ok();
}

// "/6121", "/6122"
int video_loss_audible_list_set(const char* request)
{
    return enable_interval_list_set(request, kVideoLossList, copy_videoloss_audible_schedules);
}
int video_loss_email_list_set(const char* request)
{
    return enable_interval_list_set(request, kVideoLossList, copy_videoloss_email_schedules);
}

int video_loss_alarms_list_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    const int tri_alarms = jint(r, "triAlarms");
    const u64 listed = listed_ids(r, kEventChannels);
    // Channels that already hold the value need no write.
    const u64 changed = update_listed(kVideoLossList, listed, [&](VideoLossRecord& rec) {
        if (rec.tri_alarms == tri_alarms) return false;
        rec.tri_alarms = tri_alarms;
        return true;
    });
    core_notify(kMsgVideoLossesChanged, changed);
    oplog_send_channels(kEventLogType, kEventLogSubType, kChannelsLogDetail, listed);
    return cgi_reply_ok();
}

int video_loss_ptz_list_set(const char* request) { return ptz_list_set(request, kVideoLossList); }
