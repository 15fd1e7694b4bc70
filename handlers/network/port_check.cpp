// The check of a service port before it is changed: ports reserved for
// PoE cameras are refused, and so are ports something already listens on.
// "netstat -an" lists the listening sockets; it runs from an argument
// vector (no shell) and its output is read through a pipe, so concurrent
// requests share no file.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "handlers/network/services_records.h"

namespace {

// Standard output of "netstat -an"; false when it could not be run.
bool listening_sockets(std::string* out)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, STDIN_FILENO);
            dup2(devnull, STDERR_FILENO);
        }
        dup2(fds[1], STDOUT_FILENO);
        char* const argv[] = {const_cast<char*>("netstat"), const_cast<char*>("-an"), nullptr};
        execvp(argv[0], argv);
        _exit(127);
    }
    close(fds[1]);
    char buf[4096];
    for (;;) {
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n > 0) {
            out->append(buf, size_t(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) != 127;
}

bool poe_reserved(int port)
{
    int poe = get_param_int(kMainDb, kKeyPoePorts, 0);
    if (poe != 4 && poe != 8 && poe != 16) return false;
    return port >= kPoeFirstPort && port < kPoeFirstPort + poe;
}

// A line of the listing names a socket bound to every IPv4 or IPv6 address
// on the port.
bool port_listed(const std::string& listing, int port)
{
    char v4[32], v6[32];
    std::snprintf(v4, sizeof v4, "0.0.0.0:%d ", port);
    std::snprintf(v6, sizeof v6, ":::%d ", port);
    return listing.find(v4) != std::string::npos || listing.find(v6) != std::string::npos;
}

}  // namespace

bool service_port_taken(int port)
{
    if (poe_reserved(port)) return true;
    std::string listing;
    if (!listening_sockets(&listing)) return false;  // nothing known to be in the way
    return port_listed(listing, port);
}
