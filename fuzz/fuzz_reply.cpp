// Each reply formatter fed reply frames as the socket library hands them
// over, through the answer its handler asks with (see core_ask): one of the
// reply codes the answer lists (or, now and then, any code, which the answer
// must ignore) and a payload of the header's length (followed by one zero
// byte), whatever the code expects. A formatter that takes a request context
// gets a fresh zeroed one.
//
// Input: formatter selector byte, payload mode byte, reply code selector
// (32-bit little-endian), then the payload bytes. Modes: the bytes as they
// are; an empty payload; the bytes zero-extended to an oversize payload; no
// payload at all (the formatter must then not run).
//
// To fuzz a new formatter, add one line to kFormatters (and include its
// header).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "common/core.h"
#include "fuzz/fuzz_util.h"
#include "handlers/camera/camera.h"
#include "handlers/event/alarm.h"
#include "handlers/event/video.h"
#include "handlers/network/access_services.h"
#include "handlers/network/network.h"
#include "handlers/network/services.h"
#include "handlers/playback/playback.h"
#include "handlers/ptz/ptz.h"
#include "handlers/record/record.h"
#include "handlers/status/status.h"
#include "handlers/storage/storage.h"
#include "handlers/system/device.h"
#include "handlers/system/system.h"

namespace {

struct Formatter {
    const char* name;
    int (*answer)(u32 code_selector, const KxFrameHeader* header, const void* payload);
};

// Runs formatter F through its answer for `codes`. Bit 31 of the selector
// keeps the fuzzed code as it is; otherwise it picks one of the codes.
template <auto F, u32... Codes>
int plain(u32 selector, const KxFrameHeader* header, const void* payload)
{
    const u32 codes[] = {Codes...};
    KxFrameHeader h = *header;
    if (!(selector & 0x80000000u)) h.code = codes[selector % sizeof...(Codes)];
    const CoreAnswer a = core_answer<F>({Codes...});
    return core_answer_reply(const_cast<CoreAnswer*>(&a), &h, payload);
}
template <auto F, typename Ctx, u32... Codes>
int with_context(u32 selector, const KxFrameHeader* header, const void* payload)
{
    const u32 codes[] = {Codes...};
    KxFrameHeader h = *header;
    if (!(selector & 0x80000000u)) h.code = codes[selector % sizeof...(Codes)];
    Ctx context{};
    const CoreAnswer a = core_answer<F>(context, {Codes...});
    return core_answer_reply(const_cast<CoreAnswer*>(&a), &h, payload);
}

template <KxReplyCallback C>
int module(u32, const KxFrameHeader* header, const void* payload)
{
    return C(nullptr, header, payload);
}

const Formatter kFormatters[] = {
    {"core_reply_int", with_context<core_reply_int, const CoreIntReply, 8361, 6271>},
    {"ptz_camera_param_reply", plain<ptz_camera_param_reply, 8226>},
    {"ptz_preset_list_reply", plain<ptz_preset_list_reply, 6265, 6268>},
    {"ptz_status_read_reply", plain<ptz_status_read_reply, 6270>},
    {"ptz_channel_status_reply", with_context<ptz_channel_status_reply, int, 8363>},
    {"ptz_port_check_reply", plain<ptz_port_check_reply, 6262>},
    {"email_test_reply", plain<email_test_reply, 8409>},
    {"time_apply_reply", plain<time_apply_reply, 6701>},
    {"ssl_create_reply", plain<ssl_create_reply, 8316>},
    {"ssl_install_reply", plain<ssl_install_reply, 8318>},
    {"p2p_enable_reply", plain<p2p_enable_reply, 8700>},
    {"p2p_disable_reply", plain<p2p_disable_reply, 8701>},
    {"p2p_state_reply", plain<p2p_state_reply, 8702>},
    {"p2p_check_reply", plain<p2p_check_reply, 8005, 8006>},
    {"snmp_check_reply", plain<snmp_check_reply, 7302>},
    {"page_check_reply", plain<page_check_reply, 8504>},
    {"upgrade_reply", with_context<upgrade_reply, UpgradeAsk, 6713>},
    {"online_info_reply", plain<online_info_reply, 6715>},
    {"firmware_result_reply", plain<firmware_result_reply, 6716, 6717>},
    {"camera_upgrade_reply", plain<camera_upgrade_reply, 8350>},
    {"camera_check_reply", plain<camera_check_reply, 8365>},
    {"device_info_reply", plain<device_info_reply, 8400>},
    {"device_value_reply", plain<device_value_reply, 8265>},
    {"log_search_reply", with_context<log_search_reply, LogSearchAsk, 8495>},
    {"log_export_reply", with_context<log_export_reply, LogExportAsk, 8494>},
    {"log_add_reply", plain<log_add_reply, 8488>},
    {"diagnostic_reply", plain<diagnostic_reply, 8528>},
    {"audio_list_reply", plain<audio_list_reply, 9012>},
    {"audio_status_reply", plain<audio_status_reply, 9013, 9014, 9015, 9016>},
    // Formatters of the modules not yet asking through core_ask: their
    // module callbacks (one formatter per reply code).
    {"camera_reply", module<camera_reply>},
    {"video_reply", module<video_reply>},
    {"playback_reply", module<playback_reply>},
    {"storage_reply", module<storage_reply>},
    {"alarm_reply", module<alarm_reply>},
    {"record_reply", module<record_reply>},
    {"status_reply", module<status_reply>},
};
constexpr size_t kFormatterCount = sizeof kFormatters / sizeof kFormatters[0];

void setup_once()
{
    static bool done = false;
    if (done) return;
    done = true;
    // Replies go nowhere; a callback that sends a message of its own finds no
    // daemon and gives up at once.
    int devnull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (devnull >= 0) dup2(devnull, STDOUT_FILENO);
    core_set_socket_path((fuzz_scratch_dir() + "/no-daemon").c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    setup_once();
    FuzzInput in(data, size);
    const Formatter& f = kFormatters[in.byte() % kFormatterCount];
    uint8_t mode = in.byte();
    const u32 selector = in.u32();
    KxFrameHeader h{kKxMagic, kKxVersion, 1, selector, 0, 0};
    std::string bytes = in.rest();

    size_t length = bytes.size();
    switch (mode & 3) {
    case 1:
        length = 0;
        break;
    case 2:  // oversize: up to 64 KiB more than the bytes given
        length += size_t(mode >> 2) * 1031 + 1;
        break;
    default:
        break;
    }
    h.length = u32(length);
    // Exactly the buffer the library allocates: the payload and one zero byte.
    auto* payload = static_cast<unsigned char*>(std::calloc(length + 1, 1));
    if (!payload) return 0;
    std::memcpy(payload, bytes.data(), length < bytes.size() ? length : bytes.size());

    core_reply_done = 0;
    if ((mode & 3) == 3) {
        f.answer(selector, &h, nullptr);
        FUZZ_CHECK(core_reply_done == 0, std::string(f.name) + " acted on a null payload");
    } else {
        f.answer(selector, &h, payload);
    }
    std::fflush(stdout);
    std::free(payload);
    return 0;
}
