// Face capture: a channel's face capture configuration, applied to the
// camera by the core daemon, and face detection as an event source with the
// shared event actions.
#include <cstring>

#include "handlers/camera/camera.h"
#include "handlers/camera/camera_features.h"
#include "handlers/camera/camera_request.h"
#include "handlers/camera/face_records.h"

namespace {

// The integer keys of the configuration, in payload order.
constexpr IntKey<FaceConfigMessage> kIntKeys[] = {
    {"enable", &FaceConfigMessage::enable},
    {"width", &FaceConfigMessage::width},
    {"height", &FaceConfigMessage::height},
    {"minPixel", &FaceConfigMessage::min_pixel},
    {"captureMode", &FaceConfigMessage::capture_mode},
    {"snapshotType", &FaceConfigMessage::snapshot_type},
    {"snapshotInterval", &FaceConfigMessage::snapshot_interval},
    {"snapshotBackground", &FaceConfigMessage::snapshot_background},
    {"poseYaw", &FaceConfigMessage::pose_yaw},
    {"poseRoll", &FaceConfigMessage::pose_roll},
    {"posePitch", &FaceConfigMessage::pose_pitch},
    {"blurLimit", &FaceConfigMessage::blur_limit},
    {"uploadEnable", &FaceConfigMessage::upload_enable},
    {"uploadFileType", &FaceConfigMessage::upload_file_type},
    {"nasEnable", &FaceConfigMessage::nas_enable},
    {"nasFileType", &FaceConfigMessage::nas_file_type},
    {"emailEnable", &FaceConfigMessage::email_enable},
    {"emailFileType", &FaceConfigMessage::email_file_type},
    {"httpEnable", &FaceConfigMessage::http_enable},
    {"httpNotifyInterval", &FaceConfigMessage::http_notify_interval},
    {"recordSeconds", &FaceConfigMessage::record_seconds},
    {"prerecordSeconds", &FaceConfigMessage::prerecord_seconds},
    {"postEnable", &FaceConfigMessage::post_enable},
    {"postType", &FaceConfigMessage::post_type},
    {"attributeEnable", &FaceConfigMessage::attribute_enable},
    {"attributeType", &FaceConfigMessage::attribute_type},
    {"mosaicEnable", &FaceConfigMessage::mosaic_enable},
    {"mosaicModeStatus", &FaceConfigMessage::mosaic_mode_status},
    {"mutuallyExclusive", &FaceConfigMessage::mutually_exclusive},
};

// Element i of the array `key`, or null when the key is absent, not an
// array or shorter.
json_object* element(json_object* r, const char* key, int i)
{
    json_object* a = jarray_of(r, key);
    return i < jarray_length(a) ? json_object_array_get_idx(a, size_t(i)) : nullptr;
}

// The configuration payload of the request. Missing keys and array
// elements give 0 and empty texts; texts are cut to their field.
void build_config(json_object* r, int channel, FaceConfigMessage* m)
{
    *m = zeroed<FaceConfigMessage>();
    m->chn_id = channel;
    jint_fields(r, *m, kIntKeys);
    for (int i = 0; i < kFaceCaptureModes; i++) {
        json_object* mode = element(r, "captureModeArray", i);
        m->capture_quality[i] = jint(mode, "captureQuality");
        m->snapshot[i] = jint(mode, "snapshot");
    }
    jtext(r, "detection_polygonX", m->detection_polygon_x);
    jtext(r, "detection_polygonY", m->detection_polygon_y);
    jtext(r, "httpUrl", m->http_url);
    jtext(r, "httpUser", m->http_user);
    jtext(r, "httpPassword", m->http_password);
    for (int i = 0; i < kFaceShieldAreas; i++) {
        json_object* area = element(r, "shield", i);
        FaceShieldArea& out = m->shield[i];
        out.enable = jint(area, "enable");
        jtext(area, "polygonX", out.polygon_x);
        jtext(area, "polygonY", out.polygon_y);
    }
}

}  // namespace

// Stores the channel's face actions when the request has an "action" object
// (and tells the core daemon so), then sends the configuration to the camera
// and answers the daemon's status.
int face_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r || !jint_required_in(r, "chnId", 0, kFaceChannels - 1)) return cgi_reply_error(kReplyJson);
    const int channel = jint(r, "chnId");
    FaceConfigMessage config;
    build_config(r, channel, &config);
    store_request_actions(r, kFaceEvents, kFacePtzType, channel);
    core_ask<face_set_reply>(kMsgFaceConfig, &config, sizeof config, kReplyJson, {kReplyFaceConfig});
    return 0;
}

int face_set_reply(const KxFrameHeader* header, const void* payload)
{
    if (header->length < sizeof(i32)) return core_reply_short(kReplyJson);
    return core_reply_status_json(int(header->length), payload);
}
