// Each module's reply callback fed reply frames as the socket library hands
// them over: a reply code and a payload of the header's length (followed by
// one zero byte), whatever the code expects.
//
// Input: callback selector byte, payload mode byte, reply code (32-bit
// little-endian), then the payload bytes. Modes: the bytes as they are; an
// empty payload; the bytes zero-extended to an oversize payload; no payload
// at all (the callback must then do nothing).
//
// To fuzz a new module's callback, add one line to kCallbacks (and include
// its header).
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
#include "handlers/network/network.h"
#include "handlers/playback/playback.h"
#include "handlers/ptz/ptz.h"
#include "handlers/record/record.h"
#include "handlers/status/status.h"
#include "handlers/storage/storage.h"
#include "handlers/system/system.h"

namespace {

struct Callback {
    const char* name;
    KxReplyCallback fn;
};

const Callback kCallbacks[] = {
    {"system_reply", system_reply},
    {"camera_reply", camera_reply},
    {"video_reply", video_reply},
    {"network_reply", network_reply},
    {"playback_reply", playback_reply},
    {"ptz_reply", ptz_reply},
    {"storage_reply", storage_reply},
    {"alarm_reply", alarm_reply},
    {"record_reply", record_reply},
    {"status_reply", status_reply},
};
constexpr size_t kCallbackCount = sizeof kCallbacks / sizeof kCallbacks[0];

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
    const Callback& cb = kCallbacks[in.byte() % kCallbackCount];
    uint8_t mode = in.byte();
    KxFrameHeader h{kKxMagic, kKxVersion, 1, in.u32(), 0, 0};
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
        cb.fn(nullptr, &h, nullptr);
        FUZZ_CHECK(core_reply_done == 0, std::string(cb.name) + " acted on a null payload");
    } else {
        cb.fn(nullptr, &h, payload);
    }
    std::fflush(stdout);
    std::free(payload);
    return 0;
}
