// Auto-tracking of PTZ cameras (read, and write with copies to other
// channels through the core daemon), and two single-channel queries: the
// result number of a camera command and the identity of a channel's camera.
#include <cstring>
#include <memory>

#include "handlers/camera/camera.h"
#include "handlers/camera/camera_queries.h"
#include "handlers/camera/camera_records.h"
#include "handlers/camera/camera_request.h"
#include "handlers/camera/tracking_records.h"
#include "handlers/shared/event_actions.h"

namespace {

constexpr u32 kMsgCommandResult = 1262, kMsgIdentity = 2507;
constexpr u32 kMsgTrackingGet = 3294, kMsgTrackingSet = 3375;
// Reply codes of the messages above.
constexpr u32 kReplyCommandResult = 6262, kReplyIdentity = 7507;
constexpr u32 kReplyTrackingGet = 8294, kReplyTrackingSet = 8375;

// Sends the request's "chnid" and waits for `answer`; `error` is the reply
// when none came.
int query_channel(const char* request, const CoreAnswer& answer, u32 code, int error)
{
    return ask_channel(request, "chnid", kReplyJson, answer, code, error);
}

}  // namespace

int auto_tracking_get(const char* request)
{
    return query_channel(request, core_answer<auto_tracking_get_reply>({kReplyTrackingGet}), kMsgTrackingGet,
                         kReplyJson);
}

int auto_tracking_get_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<AutoTrackingRecord>(header, payload, kReplyJson, [](json_object* j, const auto& t) {
        jadd(j, "chnid", t.chnid);
        jadd(j, "enable", t.enable);
        jadd(j, "show", t.show);
        jadd(j, "sensitivity", t.sensitivity);
        jadd(j, "time", t.time);
        jadd(j, "manual_tracking", t.manual_tracking);
        jadd(j, "zoom_mode", t.zoom_mode);
        jadd(j, "zoom_number", t.zoom_number);
        jadd_text(j, "area", t.area);
        jadd(j, "humanVehicleSupport", t.human_vehicle_support);
        jadd(j, "trackingObject", t.tracking_object);
        jadd_value(j, "schedule", schedule_to_json(t.schedule).release());
    });
}

int auto_tracking_set(const char* request)
{
    const CoreAnswer answer = core_answer<core_reply_int>(kCoreResReply, {kReplyTrackingSet});
    return channel_write<AutoTrackingMessage>(request, "chnid", answer, kMsgTrackingSet,
                                              [](json_object* r, i32 chnid, AutoTrackingMessage& m) {
        m.channels = mask_of_channel_text(jstr(r, "channels")) | (u64(1) << chnid);
        m.chnid = chnid;
        m.enable = jint(r, "enable");
        m.show = jint(r, "show");
        m.sensitivity = jint(r, "sensitivity");
        m.time = jint(r, "time");
        m.manual_tracking = jint(r, "manual_tracking");
        m.zoom_mode = jint(r, "zoom_mode");
        m.zoom_number = jint(r, "zoom_number");
        schedule_from_json(r, "schedule", &m.schedule);  // absent: stays zero
        jtext(r, "area", m.area);
        m.human_vehicle_support = jint(r, "humanVehicleSupport");
        m.tracking_object = jint(r, "trackingObject");
    });
}

int camera_command_result(const char* request)
{
    return query_channel(request, core_answer<core_reply_int>(kCoreResReply, {kReplyCommandResult}),
                         kMsgCommandResult, kReplyJson);
}

// No answer: an empty reply (the identity page shows nothing then).
int camera_identity_get(const char* request)
{
    return query_channel(request, core_answer<camera_identity_reply>({kReplyIdentity}), kMsgIdentity, -1);
}

int camera_identity_reply(const KxFrameHeader* header, const void* payload)
{
    CameraIdentityRecord c;
    if (!record_at(payload, header->length, 0, &c)) {
        // Short of a record: the same empty reply as no answer, at once.
        core_reply_finish(1);
        return 0;
    }
    JsonPtr o = jobject();
    if (o) camera_identity_object(o.get(), c);
    return core_reply_json(o.get());
}
