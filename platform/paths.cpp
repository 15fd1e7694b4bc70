#include "platform/paths.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

const std::string& nvr_root()
{
    static const std::string root = [] {
        const char* r = std::getenv("NVR_ROOT");
        std::string s = r ? r : "";
        while (s.size() > 1 && s.back() == '/') s.pop_back();
        return s;
    }();
    return root;
}

bool make_dirs(const std::string& dir)
{
    if (dir.empty()) return false;
    struct stat st;
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    for (size_t pos = dir.find('/', 1); pos != std::string::npos; pos = dir.find('/', pos + 1)) {
        std::string part = dir.substr(0, pos);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST;
}

std::string nvr_path(const char* fixed)
{
    const std::string& root = nvr_root();
    if (root.empty() || !fixed || fixed[0] != '/') return fixed ? fixed : "";
    std::string path = root + fixed;
    size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > root.size()) make_dirs(path.substr(0, slash));
    return path;
}
