// Motion detection run by the camera itself: its settings and arming
// schedule are read from the camera and sent to it (with copies to other
// channels) through the core daemon; the recorder stores nothing of them.
#include <cstring>
#include <memory>

#include "handlers/camera/camera.h"
#include "handlers/camera/camera_motion_records.h"
#include "handlers/camera/camera_queries.h"
#include "handlers/camera/camera_records.h"
#include "handlers/camera/camera_request.h"
#include "handlers/shared/event_actions.h"

namespace {

constexpr u32 kMsgCameraMotionGet = 3358, kMsgCameraMotionSet = 3366;
constexpr u32 kReplyCameraMotionGet = 8358, kReplyCameraMotionSet = 8366;

}  // namespace

int camera_motion_get(const char* request)
{
    return ask_channel(request, "chnid", kReplyJson, core_answer<camera_motion_get_reply>({kReplyCameraMotionGet}),
                       kMsgCameraMotionGet, kReplyJson);
}

int camera_motion_get_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<CameraMotionRecord>(header, payload, kReplyJson, [](json_object* j, const auto& m) {
        jadd(j, "chnid", m.chnid);
        jadd(j, "enable", m.enable);
        jadd(j, "sensitivity", m.sensitivity);
        jadd(j, "minsize", m.minsize);
        jadd(j, "mintime", m.mintime);
        jadd(j, "adaptability", m.adaptability);
        jadd_text(j, "map_mask", m.map_mask);
        jadd_value(j, "effective", schedule_to_json_marked(m.effective).release());
    });
}

int camera_motion_set(const char* request)
{
    const CoreAnswer answer = core_answer<core_reply_int>(kCoreResReply, {kReplyCameraMotionSet});
    return channel_write<CameraMotionMessage>(request, "chnid", answer, kMsgCameraMotionSet,
                                              [](json_object* r, i32 chnid, CameraMotionMessage& m) {
        m.channels = chn_mask_from_list(r, "copyChn", "copyCnt") | (u64(1) << chnid);
        m.chnid = chnid;
        m.enable = jint(r, "enable");
        m.sensitivity = jint(r, "sensitivity");
        m.minsize = jint(r, "minsize");
        m.mintime = jint(r, "mintime");
        m.adaptability = jint(r, "adaptability");
        jtext(r, "map_mask", m.map_mask);
        schedule_from_json_marked(r, "effective", &m.effective);  // absent: stays zero
    });
}
