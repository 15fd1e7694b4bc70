// Small queries of the camera and maintenance pages: a channel's camera
// type, a raw command for the core daemon, the chip code, the motion state
// and camera identities of every channel, a URL for one camera, the batch
// results of the cameras, the privacy-mask commands, the IPv6 test and the
// trigger-alarm row. Each sends at most one message; the commands and their
// results are the core daemon's and are passed through unchanged (never to
// a shell).
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "handlers/camera/camera.h"
#include "handlers/camera/camera_queries.h"
#include "handlers/camera/camera_records.h"
#include "handlers/camera/camera_request.h"
#include "handlers/camera/maintenance_records.h"
#include "handlers/shared/event_actions.h"
#include "platform/net.h"

namespace {

constexpr u32 kMsgTriggerAlarms = 2104, kMsgIdentities = 2505, kMsgCameraType = 2503, kMsgMaskAreaClear = 2508;
constexpr u32 kMsgBatchResults = 3230, kMsgMotionState = 3307, kMsgCameraMask = 3353, kMsgCameraUrl = 3377;
constexpr u32 kMsgCoreCommand = 4002, kMsgChipCode = 4004;
// Reply codes of the queries above.
constexpr u32 kReplyCameraType = 7503, kReplyIdentities = 7505;
constexpr u32 kReplyBatchResults = 8230, kReplyMotionState = 8307, kReplyCameraMask = 8353, kReplyCameraUrl = 8377;
constexpr u32 kReplyCoreCommand = 9002, kReplyChipCode = 9004;
constexpr int kMaxMaskArea = 24;

// A text that starts at byte `offset` of a reply, up to its first NUL or the
// end of the payload.
std::string reply_text(const void* payload, u32 length, u32 offset)
{
    if (!payload || length <= offset) return std::string();
    const char* p = static_cast<const char*>(payload) + offset;
    return std::string(p, strnlen(p, length - offset));
}

// {key: text} as the JSON reply.
int text_object_reply(const char* key, const std::string& text)
{
    JsonPtr o = jobject();
    if (o) jadd(o.get(), key, text.c_str());
    return core_reply_json(o.get());
}

// The JSON key of trigger-alarm value i: "0" to "6".
const char* const kTriggerKeys[kTriggerAlarmValues] = {"0", "1", "2", "3", "4", "5", "6"};
constexpr int kRequiredTriggerKeys = 6;  // "0" to "5"; "6" may be absent

}  // namespace

void camera_identity_object(json_object* o, const CameraIdentityRecord& c)
{
    jadd(o, "chnid", c.chnid);
    jadd_text(o, "ipaddr", c.ipaddr);
    jadd_text(o, "model", c.model);
    jadd_text(o, "fwversion", c.fwversion);
}

int camera_type_get(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    // The id goes to the core daemon as given (a missing id reads as 0):
    // its channel table is its own to check.
    if (!r) return 0;
    const i32 id = jint(r, "id");
    core_ask<camera_type_reply>(kMsgCameraType, &id, sizeof id, kReplyText, {kReplyCameraType});
    return 0;
}

int camera_type_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<i32>(header, payload, kReplyText, [](json_object* j, i32 type) { jadd(j, "type", type); });
}

int core_command(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    CoreCommandRecord c = zeroed<CoreCommandRecord>();
    if (!r || !jtext(r, "cmd", c.cmd)) return 0;  // cut to 99 characters
    core_ask<core_command_reply>(kMsgCoreCommand, &c, sizeof c, kReplyText, {kReplyCoreCommand});
    return 0;
}

int core_command_reply(const KxFrameHeader* header, const void* payload)
{
    if (header->length < sizeof(CoreCommandReplyHead)) return core_reply_short(kReplyText);
    return text_object_reply("result", reply_text(payload, header->length, sizeof(CoreCommandReplyHead)));
}

int chip_code_get(const char*)
{
    core_ask<chip_code_reply>(kMsgChipCode, nullptr, 0, kReplyText, {kReplyChipCode});
    return 0;
}

int chip_code_reply(const KxFrameHeader* header, const void* payload)
{
    return text_object_reply("chip_code", reply_text(payload, header->length, 0));
}

int motion_state_get(const char*)
{
    core_ask<motion_state_reply>(kMsgMotionState, nullptr, 0, kReplyText, {kReplyMotionState});
    return 0;
}

int motion_state_reply(const KxFrameHeader* header, const void* payload)
{
    MotionStateRecord m;
    if (!record_at(payload, header->length, 0, &m)) return core_reply_short(kReplyText);
    ChannelText text;
    channel_text_of_mask(mask64(m.low, m.high), text);
    return text_object_reply("Motion", text);
}

int camera_identities_get(const char*)
{
    core_ask<camera_identities_reply>(kMsgIdentities, nullptr, 0, kReplyJson, {kReplyIdentities});
    return 0;
}

int camera_identities_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<CameraIdentityTable>(header, payload, kReplyJson, [](json_object* j, const auto& t) {
        // Every entry, empty channels included, in entry order.
        JsonPtr list =
            object_list(kIdentityEntries, [&t](json_object* e, int i) { camera_identity_object(e, t.entries[i]); });
        jadd_value(j, "IPC", list.release());
    });
}

int camera_batch_results(const char*)
{
    core_ask<camera_batch_reply>(kMsgBatchResults, nullptr, 0, kReplyJson, {kReplyBatchResults});
    return 0;
}

int camera_batch_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<BatchResultList>(header, payload, kReplyJson, [](json_object* j, const auto& b) {
        const int count = b.count < kBatchEntries ? b.count : kBatchEntries;
        JsonPtr list = object_list(count, [&b](json_object* e, int i) {
            jadd_text(e, "mac", b.entries[i].mac);
            jadd(e, "result", b.entries[i].result);
        });
        jadd_value(j, "IPC", list.release());
    });
}

int ipv6_state_get(const char*)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", net_is_haveipv6());
    return cgi_reply(kReplyText, text);
}

int camera_url_send(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return cgi_reply_error(kReplyJson);
    if (!has_channel(r, "chnid")) return cgi_reply_error(kReplyText);
    CameraUrlRecord u = zeroed<CameraUrlRecord>();
    u.chnid = jint(r, "chnid");
    jtext(r, "url", u.url);  // cut to 255 characters
    core_ask<camera_url_reply>(kMsgCameraUrl, &u, sizeof u, kReplyJson, {kReplyCameraUrl});
    return 0;
}

int camera_url_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<CameraUrlReply>(header, payload, kReplyJson, [](json_object* j, const auto& u) {
        jadd(j, "res", u.result);
        jadd(j, "chnid", u.chnid);
        jadd_text(j, "data", u.data);
    });
}

int mask_area_clear(const char* request)
{
    return area_clear<MaskAreaClearRecord>(request, kMaxMaskArea, kMsgMaskAreaClear);
}

int camera_mask_command(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    // Both numbers go to the core daemon as given; missing keys read as 0.
    if (!r) return 0;
    CameraMaskCommandRecord m = zeroed<CameraMaskCommandRecord>();
    m.chnid = jint(r, "chnid");
    m.maskid = jint(r, "maskid");
    core_ask<core_reply_int>(kMsgCameraMask, &m, sizeof m, kCoreResReply, kReplyJson, {kReplyCameraMask});
    return 0;
}

int trigger_alarms_get(const char*)
{
    TriggerAlarmRecord row;
    read_trigger_alarms(kMainDb, &row);
    JsonPtr list = jarray();
    if (!list) return cgi_reply_error(kReplyJson);
    for (i32 v : row.values) json_object_array_add(list.get(), json_object_new_int(v));
    json_object_array_add(list.get(), json_object_new_int(int(alarm_audio_mask())));
    return json_reply(kReplyJson, list.get());
}

int trigger_alarms_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    for (int i = 0; i < kRequiredTriggerKeys; i++)
        if (!jhas(r, kTriggerKeys[i])) return 0;
    TriggerAlarmRecord row = zeroed<TriggerAlarmRecord>();
    for (int i = 0; i < kTriggerAlarmValues; i++) row.values[i] = jint(r, kTriggerKeys[i]);
    write_trigger_alarms(kMainDb, &row);
    core_notify(kMsgTriggerAlarms, nullptr, 0);
    JsonPtr empty = jobject();
    return json_reply(kReplyJson, empty.get());
}
