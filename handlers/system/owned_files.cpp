#include "handlers/system/owned_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/paths.h"

namespace {

std::string resolved(const std::string& path)
{
    char out[PATH_MAX];
    return realpath(path.c_str(), out) ? std::string(out) : std::string();
}

}  // namespace

bool plain_file_name(const char* name)
{
    if (!name || !*name || std::strlen(name) > 255 || std::strchr(name, '/')) return false;
    return std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0;
}

bool regular_file_in(const std::string& path, const char* fixed_dir)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos || path[0] != '/') return false;
    if (!plain_file_name(path.c_str() + slash + 1)) return false;
    std::string want = resolved(nvr_path(fixed_dir));
    std::string parent = slash == 0 ? std::string("/") : path.substr(0, slash);
    if (want.empty() || resolved(parent) != want) return false;
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool read_whole(const std::string& path, std::string* out, size_t max)
{
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && size_t(st.st_size) <= max;
    out->clear();
    char buf[64 * 1024];
    while (ok) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (out->size() + size_t(n) > max) ok = false;
        else out->append(buf, size_t(n));
    }
    close(fd);
    return ok;
}

void touch_file(const std::string& path)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) close(fd);
}
