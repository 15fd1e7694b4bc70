// A camera's audio: capabilities and settings read from the camera through
// the core daemon, settings applied to one or several channels, and the
// audio support flags. The values are the camera's; they pass through.
#include <cstring>
#include <memory>

#include "handlers/camera/audio_records.h"
#include "handlers/camera/camera.h"
#include "handlers/camera/camera_features.h"
#include "handlers/camera/camera_records.h"
#include "handlers/camera/camera_request.h"

namespace {

int clamp(int v, int high) { return v < 0 ? 0 : v > high ? high : v; }

// The request's "chnid" when it lies within 0..63, else -1.
int channel_of(json_object* r) { return r && jint_required_in(r, "chnid", 0, kMaxCameras - 1) ? jint(r, "chnid") : -1; }

json_object* int_list(const i32* values, int count)
{
    json_object* a = json_object_new_array();
    for (int i = 0; a && i < count; i++) json_object_array_add(a, json_object_new_int(values[i]));
    return a;
}

json_object* settings_object(const AudioSettings& s)
{
    json_object* o = json_object_new_object();
    if (!o) return nullptr;
    for (const AudioKey& k : kAudioKeys) jadd(o, k.key, s.*k.field);
    return o;
}

// Sends the request's channel and waits for `answer`.
int query(const char* request, const CoreAnswer& answer, u32 code)
{
    JsonPtr req = json_parse(request);
    const i32 chnid = channel_of(req.get());
    if (chnid < 0) return cgi_reply_error(kReplyJson);
    core_ask(answer, code, &chnid, sizeof chnid, kReplyJson);
    return 0;
}

}  // namespace

int audio_get(const char* request)
{
    return query(request, core_answer<audio_get_reply>({kReplyAudioGet}), kMsgAudioGet);
}

int audio_get_reply(const KxFrameHeader* header, const void* payload)
{
    // 5,968 bytes: kept off the receiving thread's stack.
    auto record = std::make_unique<AudioCapsRecord>();
    const AudioCapsRecord& c = *record;
    if (!record_at(payload, header->length, 0, record.get())) return reply_too_short(kReplyJson);
    JsonPtr o = jobject();
    if (!o) return finish_json(nullptr);
    json_object* m = o.get();
    jadd(m, "res", c.res);
    jadd(m, "support", c.support);
    jadd(m, "supportMode", c.support_mode);
    jadd(m, "supportInputMode", c.support_input_mode);
    jadd_value(m, "config", settings_object(c.config));
    json_object* options = json_object_new_array();
    const int count = clamp(c.option_count, kAudioOptions);
    for (int i = 0; options && i < count; i++) {
        const AudioOption& opt = c.options[i];
        json_object* e = json_object_new_object();
        if (!e) break;
        jadd(e, "encodeValue", opt.encode_value);
        jadd(e, "sampleRateValue", opt.sample_rate_value);
        jadd_value(e, "bitrateInfo", int_list(opt.bitrates, clamp(opt.bitrate_count, kAudioRates)));
        jadd_value(e, "sampleRateInfo", int_list(opt.sample_rates, clamp(opt.sample_rate_count, kAudioRates)));
        json_object_array_add(options, e);
    }
    jadd_value(m, "options", options);
    return finish_json(m);
}

int audio_support_get(const char* request)
{
    return query(request, core_answer<audio_support_get_reply>({kReplyAudioSupport}), kMsgAudioSupport);
}

int audio_support_get_reply(const KxFrameHeader* header, const void* payload)
{
    AudioSupportRecord s;
    if (!record_at(payload, header->length, 0, &s)) return reply_too_short(kReplyJson);
    JsonPtr o = jobject();
    if (!o) return finish_json(nullptr);
    jadd(o.get(), "res", s.res);
    jadd(o.get(), "audioSupport", s.audio_support);
    jadd(o.get(), "audioSupportMode", s.audio_support_mode);
    jadd(o.get(), "audioLineInputSupport", s.audio_line_input_support);
    jadd(o.get(), "systemSpeakerSupport", s.system_speaker_support);
    jadd(o.get(), "systemManualSpeedSupport", s.system_manual_speed_support);
    return finish_json(o.get());
}

// The settings go to "chnid" and to every channel i whose character in
// "channels" (up to 64 characters) is '1'.
int audio_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    const int chnid = channel_of(r);
    if (chnid < 0) return cgi_reply_error(kReplyJson);
    AudioSetMessage msg = zeroed<AudioSetMessage>();
    for (const AudioKey& k : kAudioKeys) msg.settings.*k.field = jint(r, k.key);
    if (const char* channels = jstr(r, "channels"))
        for (int i = 0; i < kMaxCameras && channels[i]; i++)
            if (channels[i] == '1') msg.mask |= u64(1) << i;
    msg.mask |= u64(1) << chnid;
    core_ask<audio_set_reply>(kMsgAudioSet, &msg, sizeof msg, kReplyJson, {kReplyAudioSet});
    return 0;
}

int audio_set_reply(const KxFrameHeader* header, const void* payload)
{
    i32 res = 0;
    if (!record_at(payload, header->length, 0, &res)) return reply_too_short(kReplyJson);
    return finish_text(res == 0 ? "OK" : "ERROR");
}
