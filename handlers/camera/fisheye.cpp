// Fisheye cameras: the recorder-side mount, display and correction settings
// of a channel, a camera's motion map, and the fisheye capabilities and mode
// of a camera reached by its address before it is added. Everything is the
// camera's business: these handlers pass the values through the core daemon
// unchanged and turn its replies into JSON or text.
#include "handlers/camera/camera.h"
#include "handlers/camera/camera_queries.h"
#include "handlers/camera/camera_records.h"
#include "handlers/camera/camera_request.h"
#include "handlers/camera/fisheye_records.h"

namespace {

constexpr u32 kMsgCameraMap = 3206, kMsgFisheyeSet = 3231, kMsgFisheyeGet = 3232;
constexpr u32 kMsgFisheyeCaps = 3373, kMsgFisheyeMode = 3374;
// Reply codes of the messages above.
constexpr u32 kReplyCameraMap = 8206, kReplyFisheyeSet = 8231, kReplyFisheyeGet = 8232;
constexpr u32 kReplyFisheyeCaps = 8373, kReplyFisheyeMode = 8374;

// The camera's address from the request. A text key that is absent is sent
// as an empty text.
// The mount, display and correction keys of a channel's fisheye settings.
constexpr IntKey<FisheyeSettingRecord> kFisheyeKeys[] = {
    {"fishmount", &FisheyeSettingRecord::mount},
    {"fishdisplay", &FisheyeSettingRecord::display},
    {"fishcorrect", &FisheyeSettingRecord::correction},
};

CameraAddressRecord camera_address(json_object* r)
{
    CameraAddressRecord a = zeroed<CameraAddressRecord>();
    jtext(r, "ddns", a.ddns);
    jtext(r, "ipaddr", a.ipaddr);
    jtext(r, "username", a.username);
    jtext(r, "password", a.password);
    a.port = jint(r, "port");
    return a;
}

}  // namespace

int camera_map_get(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || jint(r, "id") < 0) return 0;  // a missing id reads as 0
    const i32 id = jint(r, "id");
    core_ask<camera_map_reply>(kMsgCameraMap, &id, sizeof id, kReplyText, {kReplyCameraMap});
    return 0;
}

int camera_map_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<CameraMapRecord>(header, payload, kReplyText, [](json_object* j, const auto& m) {
        jadd_text(j, "map", m.map);
        jadd(j, "sensitivity", m.sensitivity);
        jadd(j, "result", m.result);
        jadd(j, "enable", m.enable);
        jadd(j, "modelType", m.model_type);
        jadd(j, "fishdisplay", m.fish_display);
        jadd(j, "fishtransfer", m.fish_transfer);
        jadd(j, "fishinstall", m.fish_install);
    });
}

int fisheye_get(const char* request)
{
    return ask_channel(request, "id", kNoReply, core_answer<fisheye_get_reply>({kReplyFisheyeGet}), kMsgFisheyeGet,
                       kReplyText);
}

int fisheye_get_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<FisheyeSettingRecord>(header, payload, kReplyText, [](json_object* j, const auto& f) {
        jadd(j, "chnid", f.chnid);
        jadd(j, "result", f.result);
        jadd_fields(j, f, kFisheyeKeys);
    });
}

int fisheye_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    // Missing keys read as 0; the channel goes to the core daemon as given.
    if (!r) return cgi_reply_error(kReplyJson);
    FisheyeSettingRecord f = zeroed<FisheyeSettingRecord>();
    f.chnid = jint(r, "chnid");
    jint_fields(r, f, kFisheyeKeys);
    core_ask<fisheye_set_reply>(kMsgFisheyeSet, &f, sizeof f, kReplyJson, {kReplyFisheyeSet});
    return 0;
}

int fisheye_set_reply(const KxFrameHeader* header, const void* payload)
{
    i32 result = -1;
    record_at(payload, header->length, 0, &result);  // no result: failed
    return finish_text(result == 0 ? "OK" : "FAILED");
}

int fisheye_caps_get(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return cgi_reply_error(kReplyJson);
    const CameraAddressRecord a = camera_address(r);
    core_ask<fisheye_caps_reply>(kMsgFisheyeCaps, &a, sizeof a, kReplyJson, {kReplyFisheyeCaps});
    return 0;
}

int fisheye_caps_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<FisheyeCapsRecord>(header, payload, kReplyJson, [](json_object* j, const auto& c) {
        jadd(j, "support", c.support == 1 ? 1 : 0);
        jadd(j, "transfer", c.transfer);
        jadd(j, "install", c.install);
        jadd(j, "display", c.display);
        jadd(j, "streamCnt", c.stream_count);
    });
}

int fisheye_mode_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return cgi_reply_error(kReplyJson);
    FisheyeModeRecord m = zeroed<FisheyeModeRecord>();
    m.camera = camera_address(r);
    m.transfer = jint(r, "transfer");
    m.install = jint(r, "install");
    m.display = jint(r, "display");
    core_ask<core_reply_int>(kMsgFisheyeMode, &m, sizeof m, kCoreResReply, kReplyJson, {kReplyFisheyeMode});
    return 0;
}
