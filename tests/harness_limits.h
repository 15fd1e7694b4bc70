// Fault injection for end-to-end tests: programs started under a file-size
// limit, or without the privilege that lets root ignore file modes.
//
//   RunLimits lim;
//   lim.file_size = 64 * 1024;
//   RunResult r = run_limited(lim, [&] { return post("/1008", body); });
#pragma once

#include <functional>

#include "tests/harness.h"

struct RunLimits {
    // RLIMIT_FSIZE in bytes for the programs started (-1: unchanged). A write
    // past it fails with EFBIG, or raises SIGXFSZ where not ignored.
    long file_size = -1;
    // Programs started lack CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH, so a
    // read-only file or directory is read-only for them even when the tests
    // run as root.
    bool obey_file_modes = false;
};

// Calls `start` (which runs programs through the harness) so that every
// program it starts gets `limits`; the test process itself keeps its own
// limits and privileges afterwards. The file-size limit is the process's
// while `start` runs, so `start` must not write large files itself.
RunResult run_limited(const RunLimits& limits, const std::function<RunResult()>& start);

// True when dropping the DAC capabilities makes file modes bind (the process
// may drop capabilities and is root).
bool can_obey_file_modes();
