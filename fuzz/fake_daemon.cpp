#include "fuzz/fake_daemon.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "platform/kxsocket.h"

void FakeDaemon::start(const std::string& path)
{
    struct sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) fuzz_fail("socket path too long", path);
    unlink(path.c_str());
    listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path.c_str());
    if (listen_fd_ < 0 || bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listen_fd_, 16) != 0)
        fuzz_fail("fake daemon cannot listen", strerror(errno));
    thread_ = std::thread([this] { serve(); });
    thread_.detach();
}

void FakeDaemon::set_script(std::string script)
{
    std::lock_guard<std::mutex> lock(mutex_);
    script_ = std::move(script);
    pos_ = 0;
}

void FakeDaemon::serve()
{
    for (;;) {
        int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;
        }
        // A client that stops reading cannot hold the daemon.
        struct timeval tv{2, 0};
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        handle(fd);
        close(fd);
    }
}

void FakeDaemon::handle(int fd)
{
    for (;;) {
        struct pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 2000) <= 0) return;
        KxFrameHeader h;
        unsigned char* payload = nullptr;
        if (kx_read_frame(fd, &h, &payload) != 1) return;
        std::free(payload);
        if (h.flags & kKxFlagWait) {
            answer(fd, h.seq, h.code);
            shutdown(fd, SHUT_RDWR);
            return;
        }
    }
}

uint8_t FakeDaemon::byte()
{
    return pos_ < script_.size() ? uint8_t(script_[pos_++]) : 0;
}

void FakeDaemon::answer(int fd, uint32_t seq, uint32_t request_code)
{
    std::lock_guard<std::mutex> lock(mutex_);
    answered_++;
    std::vector<unsigned char> payload;
    while (pos_ < script_.size()) {
        uint8_t op = byte() % 4;
        if (op == 2) return;
        if (op == 3) {
            size_t n = byte();
            if (n > script_.size() - pos_) n = script_.size() - pos_;
            if (n) send(fd, script_.data() + pos_, n, MSG_NOSIGNAL);
            pos_ += n;
            return;
        }
        uint8_t selector = byte();
        uint32_t code = selector < 200 ? request_code + 5000 : selector < 230 ? request_code : 0;
        if (selector >= 230) code = uint32_t(byte()) | uint32_t(byte()) << 8 | uint32_t(byte()) << 16 | uint32_t(byte()) << 24;
        size_t n, given;
        if (op == 0) {
            n = size_t(byte()) | size_t(byte()) << 8;
            given = n;
        } else {
            n = size_t(byte()) * 4099 + 1;
            given = 16;
        }
        if (given > script_.size() - pos_) given = script_.size() - pos_;
        if (given > n) given = n;
        payload.assign(n, 0);
        if (given) std::memcpy(payload.data(), script_.data() + pos_, given);
        pos_ += given;
        if (kx_write_frame(fd, seq, code, 0, payload.data(), uint32_t(n)) != 0) return;
    }
}
