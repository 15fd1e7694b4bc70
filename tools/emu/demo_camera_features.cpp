// Demo answers about the cameras' firmware upgrade, audio, POS terminals and
// face capture, consistent with the demo recorder: cameras online on
// channels 0 to 7 of 16, each with a microphone and a speaker; nothing
// behind the other channels.
#include <cstring>

#include "handlers/camera/audio_records.h"
#include "handlers/camera/camera_upgrade_records.h"
#include "handlers/camera/face_records.h"
#include "handlers/camera/pos_records.h"
#include "tools/emu/emu.h"

namespace {

constexpr u64 kOnlineMask = (u64(1) << kDemoOnline) - 1;

// 3385: the upgrade starts when it names online cameras only.
void demo_upgrade_file(const EmuRequest& req, EmuAnswer& answer)
{
    IpcUpgradeOrder order = zeroed<IpcUpgradeOrder>();
    const bool ok = request_record(req, &order) && order.chnid != 0 && (u64(order.chnid) & ~kOnlineMask) == 0;
    answer.reply_record(8385, i32(ok ? 0 : -1));
}

// 3386: channels 0 and 1 are upgrading, at 100 and 45 percent.
void demo_upgrade_status(const EmuRequest&, EmuAnswer& answer)
{
    IpcUpgradeStatus s = zeroed<IpcUpgradeStatus>();
    s.chnid = 0x3;
    s.status[0] = 100;
    s.status[1] = 45;
    answer.reply_record(8386, s);
}

// 3379: the download starts for every online camera of the mask (0), the
// others fail (-1).
void demo_upgrade_url(const EmuRequest& req, EmuAnswer& answer)
{
    IpcUpgradeOrder order = zeroed<IpcUpgradeOrder>();
    request_record(req, &order);
    IpcUpgradeStatus s = zeroed<IpcUpgradeStatus>();
    s.chnid = u64(order.chnid);
    for (int i = 0; i < kUpgradeStatusChannels; i++) s.status[i] = online(i) ? 0 : -1;
    answer.reply_record(8379, s);
}

AudioOption audio_option(i32 encoding, i32 rate, const i32* bitrates, int nb, const i32* rates, int nr)
{
    AudioOption o = zeroed<AudioOption>();
    o.encode_value = encoding;
    o.sample_rate_value = rate;
    o.bitrate_count = nb;
    for (int i = 0; i < nb; i++) o.bitrates[i] = bitrates[i];
    o.sample_rate_count = nr;
    for (int i = 0; i < nr; i++) o.sample_rates[i] = rates[i];
    return o;
}

// 3371: G.711A, G.711U (8 kHz, 64 kbit/s) and AAC; the camera encodes
// G.711A with audio on.
void demo_audio_get(const EmuRequest& req, EmuAnswer& answer)
{
    static AudioCapsRecord c;
    c = zeroed<AudioCapsRecord>();
    const i32 ch = request_channel(req);
    c.config.chnid = ch;
    if (!online(ch)) {
        c.res = -1;
        answer.reply_record(8371, c);
        return;
    }
    c.support = 1;
    c.support_mode = 3;
    c.support_input_mode = 3;
    const i32 g711_rates[] = {8000}, g711_bitrates[] = {64};
    const i32 aac_rates[] = {8000, 16000, 48000}, aac_bitrates[] = {32, 64, 128};
    c.options[0] = audio_option(0, 8000, g711_bitrates, 1, g711_rates, 1);
    c.options[1] = audio_option(1, 8000, g711_bitrates, 1, g711_rates, 1);
    c.options[2] = audio_option(2, 16000, aac_bitrates, 3, aac_rates, 3);
    c.option_count = 3;
    c.config.audio_enable = 1;
    c.config.audio_mode = 0;
    c.config.encoding = 0;
    c.config.sample_rate = 8000;
    c.config.input_gain = 50;
    c.config.input_mode = 0;
    c.config.output_volume = 80;
    c.config.audio_bitrate = 64;
    answer.reply_record(8371, c);
}

// 3372: done when every channel of the mask is online.
void demo_audio_set(const EmuRequest& req, EmuAnswer& answer)
{
    AudioSetMessage m = zeroed<AudioSetMessage>();
    const bool ok = request_record(req, &m) && m.mask != 0 && (m.mask & ~kOnlineMask) == 0;
    answer.reply_record(8372, i32(ok ? 0 : -1));
}

// 3376: microphone, line input and speaker on every online camera.
void demo_audio_support(const EmuRequest& req, EmuAnswer& answer)
{
    AudioSupportRecord s = zeroed<AudioSupportRecord>();
    if (online(request_channel(req))) {
        s.audio_support = 1;
        s.audio_support_mode = 3;
        s.audio_line_input_support = 1;
        s.system_speaker_support = 1;
        s.system_manual_speed_support = 0;
    } else {
        s.res = -1;
    }
    answer.reply_record(8376, s);
}

// 1421: the POS connection is taken (ids 0..7).
void demo_pos_changed(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 id = request_channel(req);
    answer.reply_record(6421, i32(id >= 0 && id < kPosTerminals ? 0 : -1));
}

// 3381: an online camera takes its face capture settings.
void demo_face_config(const EmuRequest& req, EmuAnswer& answer)
{
    FaceConfigMessage m = zeroed<FaceConfigMessage>();
    const bool ok = request_record(req, &m) && online(m.chn_id);
    answer.reply_record(8381, i32(ok ? 0 : -1));
}

const EmuDemoEntry kCameraFeaturesDemo[] = {
    {kMsgIpcUpgradeFile, demo_upgrade_file}, {kMsgIpcUpgradeStatus, demo_upgrade_status},
    {kMsgIpcUpgradeUrl, demo_upgrade_url},   {kMsgAudioGet, demo_audio_get},
    {kMsgAudioSet, demo_audio_set},          {kMsgAudioSupport, demo_audio_support},
    {kMsgPosChanged, demo_pos_changed},      {kMsgFaceConfig, demo_face_config},
};

}  // namespace

EMU_DEMO_AREA(camera_features, kCameraFeaturesDemo);
