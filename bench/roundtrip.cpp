// roundtrip: the cost of one core-daemon exchange through the messenger,
// against the same exchange made with bare frames on the emulator's socket.
// Usage: roundtrip CODE ITERATIONS   (NVR_ROOT names the emulator's root)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "common/core.h"
#include "platform/paths.h"

namespace {

using Clock = std::chrono::steady_clock;

int finish_on_reply(void*, const KxFrameHeader*, const void*)
{
    core_reply_finish(1);
    return 0;
}

// One exchange with bare frames: connect, send, read the first reply.
bool bare_exchange(const std::string& path, u32 code)
{
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
              kx_write_frame(s, 1, code, kKxFlagWait, nullptr, 0) == 0;
    KxFrameHeader h;
    unsigned char* payload = nullptr;
    ok = ok && kx_read_frame(s, &h, &payload) == 1;
    std::free(payload);
    close(s);
    return ok;
}

double mean_us(Clock::duration d, int n)
{
    return std::chrono::duration<double, std::micro>(d).count() / n;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: roundtrip CODE ITERATIONS\n", stderr);
        return 2;
    }
    u32 code = u32(std::strtoul(argv[1], nullptr, 10));
    int n = std::atoi(argv[2]);
    std::string path = nvr_path("/var/run/kxsocket");

    // Warm both paths once.
    bare_exchange(path, code);
    {
        CoreExchange x;
        core_request(x, finish_on_reply, nullptr, code, 0, nullptr, 0);
        core_release(x);
    }

    int failures = 0;
    Clock::time_point t0 = Clock::now();
    for (int i = 0; i < n; i++) failures += bare_exchange(path, code) ? 0 : 1;
    Clock::duration bare = Clock::now() - t0;

    t0 = Clock::now();
    for (int i = 0; i < n; i++) {
        CoreExchange x;
        core_request(x, finish_on_reply, nullptr, code, 0, nullptr, 0);
        failures += x.done() ? 0 : 1;
        core_release(x);
    }
    Clock::duration messenger = Clock::now() - t0;
    std::printf("%.1f %.1f %d\n", mean_us(bare, n), mean_us(messenger, n), failures);
    return failures ? 1 : 0;
}
