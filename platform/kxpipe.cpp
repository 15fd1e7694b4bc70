#include "platform/kxpipe.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// The children started, by stream: a handful at most per process.
struct Child {
    FILE* stream;
    pid_t pid;
};
constexpr int kMaxChildren = 16;
Child g_children[kMaxChildren];
std::mutex g_children_lock;

}  // namespace

FILE* kx_vpopen(const char* const argv[], const char* mode)
{
    if (!argv || !argv[0] || !mode) return nullptr;
    const bool reading = mode[0] == 'r';
    if (!reading && mode[0] != 'w') return nullptr;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return nullptr;
    const int ours = reading ? fds[0] : fds[1];
    const int theirs = reading ? fds[1] : fds[0];
    const int target = reading ? STDOUT_FILENO : STDIN_FILENO;

    // posix_spawn runs no fork handlers and the child execs at once, so the
    // caller's threads and store connections are not disturbed.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, theirs, target);
    pid_t pid = -1;
    fflush(nullptr);  // the child must not repeat buffered output
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(theirs);
    if (rc != 0) {
        close(ours);
        return nullptr;
    }
    FILE* stream = fdopen(ours, reading ? "r" : "w");
    std::lock_guard<std::mutex> lock(g_children_lock);
    Child* slot = nullptr;
    for (Child& c : g_children)
        if (!c.stream) {
            slot = &c;
            break;
        }
    if (!stream || !slot) {
        if (stream)
            fclose(stream);
        else
            close(ours);
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        return nullptr;
    }
    *slot = {stream, pid};
    return stream;
}

int kx_vpclose(FILE* stream)
{
    if (!stream) return -1;
    pid_t pid = -1;
    {
        std::lock_guard<std::mutex> lock(g_children_lock);
        for (Child& c : g_children)
            if (c.stream == stream) {
                pid = c.pid;
                c = {nullptr, -1};
                break;
            }
    }
    fclose(stream);
    if (pid < 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return status;
}
