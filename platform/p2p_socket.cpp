#include "platform/p2p_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

constexpr int kConnectMs = 10000;
constexpr int kIoSeconds = 15;

// Connects one address within the connect time-out.
bool connect_within(int fd, const struct sockaddr* addr, socklen_t len)
{
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return false;
    int rc = connect(fd, addr, len);
    if (rc != 0 && errno == EINPROGRESS) {
        struct pollfd p = {fd, POLLOUT, 0};
        int n;
        while ((n = poll(&p, 1, kConnectMs)) < 0 && errno == EINTR) {
        }
        int err = 0;
        socklen_t elen = sizeof err;
        rc = (n == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &elen) == 0 && err == 0) ? 0 : -1;
    }
    return fcntl(fd, F_SETFL, flags) == 0 && rc == 0;
}

}  // namespace

void p2p_set_timeouts(int fd)
{
    struct timeval tv = {kIoSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

int p2p_tcp_connect(const char* host, int port)
{
    if (!host || !*host || port < 1 || port > 65535) return -1;
    struct addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    struct addrinfo* list = nullptr;
    if (getaddrinfo(host, std::to_string(port).c_str(), &hints, &list) != 0) return -1;
    int connected = -1;
    for (struct addrinfo* a = list; a; a = a->ai_next) {
        int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        if (connect_within(fd, a->ai_addr, a->ai_addrlen)) {
            p2p_set_timeouts(fd);
            connected = fd;
            break;
        }
        close(fd);
    }
    freeaddrinfo(list);
    return connected;
}
