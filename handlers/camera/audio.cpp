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
    return ask_channel(request, "chnid", kReplyJson, answer, code, kReplyJson);
}

}  // namespace

int audio_get(const char* request)
{
    return query(request, core_answer<audio_get_reply>({kReplyAudioGet}), kMsgAudioGet);
}

int audio_get_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<AudioCapsRecord>(header, payload, kReplyJson, [](json_object* m, const auto& c) {
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
    });
}

int audio_support_get(const char* request)
{
    return query(request, core_answer<audio_support_get_reply>({kReplyAudioSupport}), kMsgAudioSupport);
}

int audio_support_get_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<AudioSupportRecord>(header, payload, kReplyJson, [](json_object* o, const auto& s) {
        jadd(o, "res", s.res);
        jadd(o, "audioSupport", s.audio_support);
        jadd(o, "audioSupportMode", s.audio_support_mode);
        jadd(o, "audioLineInputSupport", s.audio_line_input_support);
        jadd(o, "systemSpeakerSupport", s.system_speaker_support);
        jadd(o, "systemManualSpeedSupport", s.system_manual_speed_support);
    });
}

// The settings go to "chnid" and to every channel i whose character in
// "channels" (up to 64 characters) is '1'.
int audio_set(const char* request)
{
    const CoreAnswer answer = core_answer<audio_set_reply>({kReplyAudioSet});
    return channel_write<AudioSetMessage>(request, "chnid", answer, kMsgAudioSet,
                                          [](json_object* r, i32 chnid, AudioSetMessage& msg) {
        for (const AudioKey& k : kAudioKeys) msg.settings.*k.field = jint(r, k.key);
        msg.mask = mask_of_channel_text(jstr(r, "channels")) | (u64(1) << chnid);
    });
}

int audio_set_reply(const KxFrameHeader* header, const void* payload)
{
    i32 res = 0;
    if (!record_at(payload, header->length, 0, &res)) return core_reply_short(kReplyJson);
    return finish_text(res == 0 ? "OK" : "ERROR");
}
