#include "platform/kxcrypt_helper.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

extern char** environ;

namespace {

// An anonymous file for the helper's input or output: a pipe in each
// direction would need both ends served at once to avoid a deadlock on
// large data, a file does not.
int scratch_file()
{
    int fd = memfd_create("nvr-crypt", MFD_CLOEXEC);
    if (fd < 0) fd = open("/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    return fd;
}

bool write_all(int fd, const std::string& bytes)
{
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

bool read_all(int fd, std::string* out)
{
    struct stat st;
    if (fstat(fd, &st) != 0) return false;
    out->resize(size_t(st.st_size));
    for (size_t done = 0; done < out->size();) {
        ssize_t n = pread(fd, &(*out)[done], out->size() - done, off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

}  // namespace

int kxcrypt_helper_run(const std::vector<std::string>& args, const std::string& input, std::string* output,
                       int socket_fd)
{
    if (output) output->clear();
    int in = scratch_file();
    int out = scratch_file();
    int status = -1;
    if (in >= 0 && out >= 0 && write_all(in, input) && lseek(in, 0, SEEK_SET) == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(kCryptHelper));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        // posix_spawn runs no fork handlers: the store's connections stay
        // open in this process. Everything but the streams (and the socket)
        // is closed in the helper.
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, in, STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&fa, out, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (socket_fd >= 0) posix_spawn_file_actions_adddup2(&fa, socket_fd, 3);
        posix_spawn_file_actions_addclosefrom_np(&fa, socket_fd >= 0 ? 4 : 3);
        std::fflush(nullptr);
        pid_t pid = -1;
        if (posix_spawnp(&pid, kCryptHelper, &fa, nullptr, argv.data(), environ) == 0) {
            int ws = 0;
            pid_t r;
            while ((r = waitpid(pid, &ws, 0)) < 0 && errno == EINTR) {
            }
            if (r == pid && WIFEXITED(ws) && WEXITSTATUS(ws) != 127) status = WEXITSTATUS(ws);
        }
        posix_spawn_file_actions_destroy(&fa);
        if (status >= 0 && output && !read_all(out, output)) status = -1;
    }
    if (in >= 0) close(in);
    if (out >= 0) close(out);
    return status;
}

void kxcrypt_put(std::string* out, const std::string& field)
{
    out->append(std::to_string(field.size()));
    out->push_back('\n');
    out->append(field);
}

bool kxcrypt_take(const std::string& in, size_t* at, std::string* field)
{
    size_t nl = in.find('\n', *at);
    if (nl == std::string::npos || nl == *at || nl - *at > 12) return false;
    size_t n = 0;
    for (size_t i = *at; i < nl; i++) {
        if (in[i] < '0' || in[i] > '9') return false;
        n = n * 10 + size_t(in[i] - '0');
    }
    if (n > in.size() - nl - 1) return false;
    field->assign(in, nl + 1, n);
    *at = nl + 1 + n;
    return true;
}
