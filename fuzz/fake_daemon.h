// An in-process stand-in for the core daemon that answers from a fuzzed
// script: every request that waits for a reply gets the next answer of the
// script, and then the connection is closed, so a client never waits for
// its time-out. Notifications are read and not answered.
//
// Script: a sequence of steps, each starting with an op byte (taken mod 4):
//   0  reply: code selector byte, 16-bit length n, n payload bytes (what the
//      script lacks is zero-filled)
//   1  large reply: code selector byte, size byte s; a payload of
//      s * 4099 + 1 bytes, its first 16 bytes from the script, zeros after
//   2  end of this answer
//   3  raw bytes: count byte n, n bytes written as they are (a malformed or
//      cut frame), end of this answer
// Code selector: below 200 the request code + 5000 (the reply the module
// expects), below 230 the request code itself, else a 32-bit code follows.
// The answer also ends where the script does.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class FakeDaemon {
public:
    // Listens on `path` and serves connections one at a time on a thread.
    void start(const std::string& path);
    // The script for the requests that follow (each answer takes its steps
    // from where the previous one stopped).
    void set_script(std::string script);
    // Requests answered since start.
    uint64_t answered() const { return answered_; }

private:
    void serve();
    void handle(int fd);
    void answer(int fd, uint32_t seq, uint32_t code);
    uint8_t byte();
    int listen_fd_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::string script_;
    size_t pos_ = 0;
    std::atomic<uint64_t> answered_{0};
};
