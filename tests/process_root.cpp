#include "tests/process_root.h"

#include <cstdlib>
#include <string>

namespace {

struct ProcessRoot {
    std::string path;
    ProcessRoot()
    {
        char tmpl[] = "/tmp/nvr-unit-XXXXXX";
        if (!mkdtemp(tmpl)) std::abort();
        path = tmpl;
        setenv("NVR_ROOT", path.c_str(), 1);
    }
    ~ProcessRoot()
    {
        if (!std::getenv("NVR_KEEP_ROOT")) std::system(("rm -rf '" + path + "'").c_str());
    }
};

// Constructed before main() and before any test's static objects use paths.
ProcessRoot g_root __attribute__((init_priority(101)));

}  // namespace

const std::string& test_process_root() { return g_root.path; }
