#include "platform/kxbase.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

int kx_system(const char* command)
{
    if (!command) return -1;
    fflush(nullptr);  // the child must not repeat buffered output
    return std::system(command);
}

int kx_spliced_copy_ex(int in_fd, int out_fd)
{
    if (in_fd < 0 || out_fd < 0) return -1;
    for (;;) {
        ssize_t n = sendfile(out_fd, in_fd, nullptr, 1 << 20);
        if (n > 0) continue;
        if (n == 0) return 0;
        if (errno == EINTR) continue;
        if (errno == EINVAL || errno == ENOSYS) break;  // fall back to plain copies
        return -1;
    }
    char buf[64 * 1024];
    for (;;) {
        ssize_t n = read(in_fd, buf, sizeof buf);
        if (n == 0) return 0;
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        for (ssize_t off = 0; off < n;) {
            ssize_t w = write(out_fd, buf + off, size_t(n - off));
            if (w < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            off += w;
        }
    }
}

int kx_check_file_exist(const char* path)
{
    struct stat st;
    return path && stat(path, &st) == 0 ? 1 : 0;
}
