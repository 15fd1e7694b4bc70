#include "common/tool_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

std::vector<char*> argv_of(const std::vector<std::string>& args)
{
    std::vector<char*> v;
    for (const std::string& a : args) v.push_back(const_cast<char*>(a.c_str()));
    v.push_back(nullptr);
    return v;
}

// In a child: standard streams from `out_fd` (or /dev/null), every other
// descriptor closed.
void child_streams(int out_fd)
{
    int devnull = open("/dev/null", O_RDWR);
    if (devnull < 0) _exit(127);
    dup2(devnull, STDIN_FILENO);
    dup2(out_fd >= 0 ? out_fd : devnull, STDOUT_FILENO);
    dup2(devnull, STDERR_FILENO);
    for (int fd = 3; fd < 1024; fd++) close(fd);
}

int wait_child(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (!WIFEXITED(status)) return -1;
    int code = WEXITSTATUS(status);
    return code == 127 ? -1 : code;
}

// The watcher of a tool with a time limit: ends it after `limit` seconds.
[[noreturn]] void watch(pid_t tool, int limit)
{
    for (int waited = 0; waited < limit; waited++) {
        if (waitpid(tool, nullptr, WNOHANG) != 0) _exit(0);
        sleep(1);
    }
    kill(tool, SIGTERM);
    for (int i = 0; i < 5; i++) {
        if (waitpid(tool, nullptr, WNOHANG) != 0) _exit(0);
        sleep(1);
    }
    kill(tool, SIGKILL);
    waitpid(tool, nullptr, 0);
    _exit(0);
}

}  // namespace

int tool_run(const std::vector<std::string>& args, const ToolOptions& options)
{
    if (args.empty() || args[0].empty()) return -1;
    std::vector<char*> argv = argv_of(args);
    int fds[2] = {-1, -1};
    if (options.output && pipe2(fds, O_CLOEXEC) != 0) return -1;
    std::fflush(nullptr);  // the child must not repeat buffered output
    pid_t pid = fork();
    if (pid < 0) {
        if (fds[0] >= 0) close(fds[0]), close(fds[1]);
        return -1;
    }
    if (pid == 0) {
        int out = options.output ? fds[1] : options.stdout_fd;
        if (out >= 0 && out < 3) out = dup(out);  // survives the dup2 of the streams
        child_streams(out);
        if (options.dir && chdir(options.dir) != 0) _exit(127);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (options.output) {
        close(fds[1]);
        char buf[4096];
        for (;;) {
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n > 0) {
                size_t room = options.output_max > options.output->size() ? options.output_max - options.output->size() : 0;
                options.output->append(buf, size_t(n) < room ? size_t(n) : room);
            } else if (n == 0 || errno != EINTR) {
                break;
            }
        }
        close(fds[0]);
    }
    return wait_child(pid);
}

int tool_start(const std::vector<std::string>& args, int time_limit_s)
{
    if (args.empty() || args[0].empty()) return -1;
    std::vector<char*> argv = argv_of(args);
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        // The first child leaves at once, so the tool (or its watcher) is
        // nobody's child here and this process never waits for it.
        setsid();
        child_streams(-1);
        pid_t keeper = fork();
        if (keeper != 0) _exit(keeper < 0 ? 1 : 0);
        if (time_limit_s <= 0) {
            execvp(argv[0], argv.data());
            _exit(127);
        }
        pid_t tool = fork();
        if (tool < 0) _exit(1);
        if (tool == 0) {
            execvp(argv[0], argv.data());
            _exit(127);
        }
        watch(tool, time_limit_s);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
}
