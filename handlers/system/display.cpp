// Local display settings: the main and sub video outputs, HDMI and local
// audio, and the device name, number and page flags shown beside them.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/network/network.h"
#include "handlers/network/network_records.h"
#include "handlers/shared/reply_flow.h"
#include "handlers/system/display.h"
#include "handlers/system/display_records.h"
#include "handlers/system/maintenance_records.h"

namespace {

// The decimal value of a text key (atoi semantics, as the pages store them).
int text_key_value(const char* key, const char* def)
{
    char text[64];
    get_param_value(kMainDb, key, text, sizeof text, def);
    return std::atoi(text);
}

void put_text_key(const char* key, int value) { put_param_value(kMainDb, key, std::to_string(value).c_str()); }

bool valid_settings(json_object* o)
{
    if (!jhas(o, "mainResolution") || !jhas(o, "subResolution") || !jhas(o, "hostname")) return false;
    if (!jint_required_in(o, "audioOutputOn", 0, 1) || !jint_required_in(o, "hdmiAudioOn", 0, 1) ||
        !jint_required_in(o, "wizardEnable", 0, 1) || !jint_required_in(o, "displayMode", 0, 1) ||
        !jint_required_in(o, "subEnable", 0, 1) || !jint_required_in(o, "deviceId", 0, kMaxDeviceId))
        return false;
    // A volume in steps of 10, not above 100 (the core daemon takes any
    // such number).
    if (!jint_required_in(o, "audioVolume", INT32_MIN, kMaxVolume)) return false;
    return jint(o, "audioVolume") % kVolumeStep == 0;
}

}  // namespace

int display_get(const char*)
{
    DisplayRecord d;
    read_display(kMainDb, &d);
    NetworkRow net;
    read_network(kMainDb, &net);

    JsonPtr reply = jobject();
    json_object* o = reply.get();
    jadd(o, "displayMode", text_key_value(kKeyDisplayMode, kDefaultDisplayMode));
    jadd(o, "hdmihotplug", text_key_value(kKeyHdmiHotplug, kDefaultHdmiHotplug));
    jadd(o, "mainResolution", d.main_resolution);
    jadd(o, "hdmiAudioOn", d.hdmi_audio_on);
    jadd(o, "homologous", get_param_int(kMainDb, kKeyHomologous, kDefaultHomologous));
    jadd(o, "curControl", d.cur_control);
    jadd(o, "subEnable", d.sub_enable);
    jadd(o, "subResolution", d.sub_resolution);
    jadd(o, "audioOutputOn", d.audio_output_on);
    jadd(o, "audioVolume", d.audio_volume);
    jadd(o, "deviceId", text_key_value(kKeyDeviceId, kDefaultDeviceId));
    jadd_text(o, "hostname", net.host_name);
    jadd(o, "wizardEnable", text_key_value(kKeyWizardEnable, kDefaultWizardEnable));
    json_reply(kReplyJson, o);
    return 0;
}

int display_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* o = req.get();
    if (!o || !valid_settings(o)) return 0;

    DisplayRecord d;
    read_display(kMainDb, &d);
    const bool sub_had_control = d.cur_control != 0;
    const int old_main = d.main_resolution;
    const int old_sub = d.sub_resolution;

    d.main_resolution = jint(o, "mainResolution");
    d.audio_output_on = jint(o, "audioOutputOn");
    d.audio_volume = jint(o, "audioVolume");
    d.audio_stereo = jint(o, "audioStereo");
    d.hdmi_audio_on = jint(o, "hdmiAudioOn");
    d.sub_resolution = jint(o, "subResolution");
    const int sub_enable = jint(o, "subEnable");
    const int homologous = jint(o, "homologous");
    const int homologous_changed = jint(o, "isHomologousChanged");

    // Switching between one picture on both outputs and a picture each
    // needs a restart of the recorder.
    bool restart = false;
    if (homologous_changed != 0) {
        set_param_int(kMainDb, kKeyHomologous, homologous);
        d.sub_enable = homologous == 0 ? 1 : 0;
        put_text_key(kKeyQuickScreen, d.sub_enable);
        restart = true;
    }
    write_display(kMainDb, d);

    if (d.sub_enable != sub_enable && !sub_had_control && homologous_changed == 0) {
        const i32 on = sub_enable;
        core_notify(kMsgSubOutput, on);
    }

    NetworkRow net;
    read_network(kMainDb, &net);
    set_text(net.host_name, jstr(o, "hostname"), kHostNameMax);
    write_network(kMainDb, net);
    const int device_id = jint(o, "deviceId");
    put_text_key(kKeyDeviceId, device_id);
    put_text_key(kKeyWizardEnable, jint(o, "wizardEnable"));
    put_text_key(kKeyDisplayMode, jint(o, "displayMode"));
    put_text_key(kKeyHdmiHotplug, jint(o, "hdmihotplug"));
    set_param_int(kMainDb, kKeyStreamInfo, jint(o, "streamInfo"));

    const i32 number = device_id;
    core_notify(kMsgDeviceNumber, number);
    notify_settings_changed("hostname");

    if (d.main_resolution != old_main || d.sub_resolution != old_sub) {
        core_notify(kMsgOutputResolution, DisplayResolutionMsg{0, d.main_resolution});
        core_notify(kMsgOutputResolution, DisplayResolutionMsg{1, d.sub_resolution});
        core_notify(kMsgOutputsApply, nullptr, 0);
    }
    core_notify(kMsgDisplayAudio, DisplayAudioMsg{d.hdmi_audio_on, d.audio_output_on, d.audio_volume});

    send_change_log(kDisplayLogSubType, kDisplayLogParam);

    cgi_reply(kReplyText, sub_had_control ? "SUB" : "OK");
    if (restart) core_notify(kMsgReboot, nullptr, 0);
    return 0;
}
