// Demo answers of the service pages: the diagnostic package and the alarm
// audio clips.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "handlers/system/service_records.h"
#include "platform/kxcrypt.h"
#include "tools/emu/emu.h"

namespace {

// The package is written into the requested directory as
// "diagnostic_<seq>.tar.gz" (a short text stands in for the archive).
void demo_diagnostic(const EmuRequest& req, EmuAnswer& answer)
{
    DiagnosticOrder order = zeroed<DiagnosticOrder>();
    std::memcpy(&order, req.payload, req.length < sizeof order ? req.length : sizeof order);
    std::string dir(order.directory, strnlen(order.directory, sizeof order.directory));
    DiagnosticResult r = zeroed<DiagnosticResult>();
    if (dir != "/tmp") {
        r.status = -1;
        answer.reply_record(req.code + 5000, r);
        return;
    }
    std::snprintf(r.path, sizeof r.path, "%s/diagnostic_%u.tar.gz", dir.c_str(), unsigned(req.seq));
    if (FILE* f = std::fopen(nvr_path(r.path).c_str(), "wb")) {
        std::fputs("demo recorder: 16 channels, 8 cameras online, 2 disks, 1 network disk\n", f);
        std::fclose(f);
    }
    answer.reply_record(req.code + 5000, r, 500);
}

AudioClip demo_clip(int id, int enable, const char* name)
{
    AudioClip c = zeroed<AudioClip>();
    c.id = id;
    c.enable = enable;
    base64EncodeUrl(reinterpret_cast<const unsigned char*>(name), int(std::strlen(name)), c.name, sizeof c.name);
    return c;
}

// Ten clip slots: "Door bell" and "Warning" in use, the rest free.
void demo_audio_list(const EmuRequest& req, EmuAnswer& answer)
{
    std::vector<AudioClip> clips = {demo_clip(0, 1, "Door bell"), demo_clip(1, 1, "Warning")};
    for (int id = 2; id < kAudioClips; id++) clips.push_back(demo_clip(id, 0, ""));
    answer.reply_records(req.code + 5000, clips);
}

const EmuDemoEntry kServicePagesDemo[] = {
    {kMsgDiagnostic, demo_diagnostic},      {kMsgAudioList, demo_audio_list},
    {kMsgAudioAdd, demo_accepted},      {kMsgAudioDelete, demo_accepted},
    {kMsgAudioRename, demo_accepted},   {kMsgAudioPlay, demo_accepted},
};

}  // namespace

EMU_DEMO_AREA(service_pages, kServicePagesDemo);
