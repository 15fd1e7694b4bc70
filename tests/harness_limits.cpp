#include "tests/harness_limits.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

namespace {

// Removes the DAC capabilities from this thread only: from its bounding set,
// so that a program it execs as root does not get them back, and from its
// own sets. Capabilities belong to threads, so the rest of the test process
// keeps them. False when the thread may not drop them.
bool drop_dac_capabilities()
{
    const int caps[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH};
    for (int cap : caps)
        if (prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0) return geteuid() != 0;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    for (int cap : caps) {
        data[0].effective &= ~(1u << cap);
        data[0].permitted &= ~(1u << cap);
        data[0].inheritable &= ~(1u << cap);
    }
    return syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

bool can_obey_file_modes()
{
    bool ok = false;
    std::thread t([&] { ok = drop_dac_capabilities(); });
    t.join();
    return ok;
}

RunResult run_limited(const RunLimits& limits, const std::function<RunResult()>& start)
{
    struct rlimit saved;
    bool limited = false;
    if (limits.file_size >= 0 && getrlimit(RLIMIT_FSIZE, &saved) == 0) {
        struct rlimit lim = saved;
        lim.rlim_cur = rlim_t(limits.file_size);
        if (saved.rlim_max != RLIM_INFINITY && lim.rlim_cur > saved.rlim_max) lim.rlim_cur = saved.rlim_max;
        limited = setrlimit(RLIMIT_FSIZE, &lim) == 0;
        if (!limited) ADD_FAILURE() << "cannot set the file-size limit";
    }
    RunResult result;
    fcgi_limits_active(true);
    if (limits.obey_file_modes) {
        std::thread t([&] {
            if (!drop_dac_capabilities()) {
                ADD_FAILURE() << "cannot drop the DAC capabilities";
                return;
            }
            result = start();
        });
        t.join();
    } else {
        result = start();
    }
    fcgi_limits_active(false);
    if (limited) setrlimit(RLIMIT_FSIZE, &saved);
    return result;
}
