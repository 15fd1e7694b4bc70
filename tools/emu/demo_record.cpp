// Demo answers of the recording area: every ANR change succeeds, cameras
// online on the first 8 of 16 channels support ANR, and each of the 16
// channels can record its main and sub stream.
#include <cstring>

#include "handlers/record/record_records.h"
#include "tools/emu/emu.h"

namespace {

constexpr int kDemoChannels = 16;

i32 request_int(const EmuRequest& req, i32 def)
{
    i32 v = def;
    if (req.length >= sizeof v) std::memcpy(&v, req.payload, sizeof v);
    return v;
}

void demo_anr_set(const EmuRequest& req, EmuAnswer& answer)
{
    AnrRequest in = zeroed<AnrRequest>();
    std::memcpy(&in, req.payload, req.length < sizeof in ? req.length : sizeof in);
    AnrResult out = zeroed<AnrResult>();
    out.count = in.count < 0 ? 0 : (in.count > kRecordChannels ? kRecordChannels : in.count);
    out.flag = 1;
    answer.reply_record(7285, out);
}

void demo_anr_support(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 channel = request_int(req, -1);
    answer.reply_record(7286, AnrSupport{channel, channel >= 0 && channel < kDemoOnline ? 1 : 0});
}

void demo_stream_capability(const EmuRequest&, EmuAnswer& answer)
{
    StreamCapability cap = zeroed<StreamCapability>();
    cap.size = kDemoChannels;
    for (int i = 0; i < kDemoChannels; i++) {
        cap.primary[i] = 1;
        cap.secondary[i] = 1;
    }
    answer.reply_record(8218, cap);
}

const EmuDemoEntry kRecordDemo[] = {
    {2285, demo_anr_set},
    {2286, demo_anr_support},
    {3218, demo_stream_capability},
};

}  // namespace

EMU_DEMO_AREA(record, kRecordDemo);
