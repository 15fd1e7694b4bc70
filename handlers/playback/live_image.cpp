// Live image adjustments: a channel's brightness, contrast, saturation,
// sharpness and noise reduction, held and applied by the core daemon (this
// system stores none of them).
#include "common/core.h"
#include "common/decimal_text.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/playback/live_image_records.h"
#include "handlers/playback/playback.h"
#include "handlers/shared/reply_flow.h"
#include "platform/kxfs_log.h"

namespace {

bool channel_ok(int channel) { return channel >= 0 && channel < kImageAdjustChannels; }

// A required key within 0..255.
bool level_ok(json_object* o, const char* key)
{
    json_object* v = jget(o, key);
    if (!v) return false;
    const int n = json_object_get_int(v);
    return n >= 0 && n <= kImageAdjustMax;
}

void send_change_log(const ImageAdjustPayload& p)
{
    OpLogRecord log;
    oplog_prepare(&log);
    log.sub_type = kImageAdjustLogSubType;
    log.param_type = kImageAdjustLogParam;
    log.channel = u32(p.chnid) + 1;
    const ImageAdjustLogDetail detail{image_adjust_percent(p.brightness), image_adjust_percent(p.contrast),
                                      image_adjust_percent(p.saturation), image_adjust_percent(p.sharpness),
                                      image_adjust_percent(p.noise_reduction)};
    kxfs_log_pack_detail(&log, kImageAdjustLogDetail, &detail, sizeof detail);
    core_send_oplog(log);
}

}  // namespace

int live_image_get(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* o = req.get();
    if (!o) return 0;
    const i32 channel = jint(o, "chnid");
    if (!channel_ok(channel)) return 0;
    core_ask<live_image_reply>(kMsgImageAdjustGet, &channel, sizeof channel, kReplyJson, {kReplyImageAdjust});
    return 0;
}

int live_image_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<ImageAdjustRecord>(header, payload, kReplyJson, [](json_object* o, const ImageAdjustRecord& r) {
        if (r.result < 0) {
            jadd(o, "status", "ERROR");
            return;
        }
        jadd(o, "status", "OK");
        jadd(o, "brightness", r.brightness);
        jadd(o, "contrast", r.contrast);
        jadd(o, "saturation", r.saturation);
        jadd(o, "Sharpness", r.sharpness);
        jadd(o, "NoiseReduction", r.noise_reduction);
        jadd(o, "i2ddnr", r.i2ddnr);
    });
}

int live_image_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* o = req.get();
    if (!o || !jhas(o, "id") || !channel_ok(jint(o, "id"))) return 0;
    if (!level_ok(o, "brightness") || !level_ok(o, "contrast") || !level_ok(o, "saturation")) return 0;

    const ImageAdjustPayload p{jint(o, "id"),        jint(o, "brightness"),     jint(o, "contrast"),
                               jint(o, "saturation"), jint(o, "Sharpness"), jint(o, "NoiseReduction"),
                               jint(o, "i2ddnr")};
    core_notify(kMsgImageAdjustSet, p);
    send_change_log(p);
    return cgi_reply_ok();
}

int live_image_reset(const char* request)
{
    int channel = 0;
    if (!decimal_text(request, &channel) || !channel_ok(channel)) return 0;
    const int d = kImageAdjustDefault;
    const ImageAdjustPayload p{channel, d, d, d, d, d, 0};
    core_notify(kMsgImageAdjustSet, p);

    JsonPtr reply = jobject();
    json_object* o = reply.get();
    jadd(o, "ChannelId", p.chnid);
    jadd(o, "Brightness", p.brightness);
    jadd(o, "Contrast", p.contrast);
    jadd(o, "Saturation", p.saturation);
    jadd(o, "Sharpness", p.sharpness);
    jadd(o, "NoiseReduction", p.noise_reduction);
    return json_reply(kReplyJson, o);
}
