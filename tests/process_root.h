// The test process's own NVR_ROOT: a temporary directory set before any
// test runs, so in-process code never touches the machine's real paths.
#pragma once

#include <string>

// The directory NVR_ROOT names for this test process.
const std::string& test_process_root();
