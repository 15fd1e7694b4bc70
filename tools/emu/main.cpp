// nvr-core-emu: answers the core-daemon protocol on a Unix socket.
//
// One thread: ppoll() over the listening socket and every connection, with
// a timer list for delayed steps. Every frame received is written to the
// journal at once; the answer comes from the rules file, else from the demo
// registry. See docs/emulator.md.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "platform/paths.h"
#include "platform/kxsocket.h"
#include "tools/emu/emu.h"
#include "tools/emu/rules.h"

namespace {

using Clock = std::chrono::steady_clock;

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_reload = 0;

void on_signal(int sig)
{
    if (sig == SIGHUP)
        g_reload = 1;
    else
        g_stop = 1;
}

struct Options {
    std::string socket_path;
    std::string journal_path;
    std::string rules_path;
    bool demo = true;
};

void usage(FILE* out)
{
    std::fprintf(out,
                 "usage: nvr-core-emu [--socket PATH] [--journal FILE] [--rules FILE] [--no-demo]\n"
                 "  --socket PATH   listen here (default: /var/run/kxsocket under NVR_ROOT)\n"
                 "  --journal FILE  append one line per received frame:\n"
                 "                  <seq> <code> <flags> <length> <hex payload or ->\n"
                 "  --rules FILE    answers by request code, reread when the file changes\n"
                 "  --no-demo       no built-in demo answers\n"
                 "Runs until SIGTERM or SIGINT; SIGHUP rereads the rules. See docs/emulator.md.\n"
                 "Demo answers:\n");
    for (auto& line : emu_demo_list()) std::fprintf(out, "  %s\n", line.c_str());
}

struct Conn {
    int fd = -1;
    std::vector<u8> in;       // bytes received, not yet a whole frame
    std::vector<u8> out;      // bytes to send
    size_t out_done = 0;
    bool eof = false;         // the client will send nothing more
    bool close_after_out = false;
    int pending_steps = 0;    // timers still to run for this connection
    // A stream being sent, and the steps due while it runs (carried out
    // after it, in order).
    std::shared_ptr<EmuStream> stream;
    u32 stream_seq = 0;
    std::deque<std::pair<u32, EmuStep>> after_stream;
};

// A stream is topped up to this many bytes whenever the connection has sent
// everything it had, and the socket takes as much before a send would block,
// so that a stream goes out in large writes.
constexpr size_t kStreamBuffer = 2u << 20;
constexpr int kSendBuffer = 2 << 20;

// A step of an answer waiting for its time.
struct Timer {
    u64 conn;
    u32 seq;
    EmuStep step;
};

class Server {
public:
    Server(const Options& opt, FILE* journal) : opt_(opt), journal_(journal), rules_(opt.rules_path) {}
    bool listen_on(const std::string& path);
    int run();

private:
    bool accept_all();
    bool read_conn(u64 id);
    void process_frame(u64 id, const KxFrameHeader& h, const u8* payload);
    void schedule(u64 id, u32 seq, std::vector<EmuStep>& steps);
    void run_step(u64 id, u32 seq, const EmuStep& step);
    void queue_frame(Conn& c, u32 seq, u32 code, const void* payload, size_t length);
    void fill_from_stream(u64 id);
    void flush(u64 id);
    void close_conn(u64 id);
    void finish_if_idle(u64 id);
    void run_due_timers();
    void answer_syncs();
    void journal(const KxFrameHeader& h, const u8* payload);

    const Options& opt_;
    FILE* journal_;
    RuleSet rules_;
    int listen_fd_ = -1;
    u64 next_id_ = 1;
    std::map<u64, Conn> conns_;
    std::multimap<std::pair<Clock::time_point, u64>, Timer> timers_;  // ordered by time, then by creation
    u64 timer_serial_ = 0;
    std::vector<std::pair<u64, u32>> syncs_;  // connection and sequence number of waiting sync frames
};

bool Server::listen_on(const std::string& path)
{
    struct sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) {
        std::fprintf(stderr, "nvr-core-emu: socket path too long: %s\n", path.c_str());
        return false;
    }
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path.c_str());

    struct stat st;
    if (lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            std::fprintf(stderr, "nvr-core-emu: %s exists and is not a socket\n", path.c_str());
            return false;
        }
        int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        bool live = probe >= 0 && connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        if (probe >= 0) close(probe);
        if (live) {
            std::fprintf(stderr, "nvr-core-emu: a daemon already listens on %s\n", path.c_str());
            return false;
        }
        unlink(path.c_str());  // stale socket of a daemon that is gone
    }
    listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listen_fd_ < 0 || bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listen_fd_, 128) != 0) {
        std::fprintf(stderr, "nvr-core-emu: cannot listen on %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

void Server::journal(const KxFrameHeader& h, const u8* payload)
{
    if (!journal_) return;
    std::fprintf(journal_, "%u %u %u %u ", h.seq, h.code, h.flags, h.length);
    if (h.length == 0) {
        std::fputs("-", journal_);
    } else {
        static const char digits[] = "0123456789abcdef";
        std::string hex;
        hex.reserve(size_t(h.length) * 2);
        for (u32 i = 0; i < h.length; i++) {
            hex += digits[payload[i] >> 4];
            hex += digits[payload[i] & 15];
        }
        std::fputs(hex.c_str(), journal_);
    }
    std::fputc('\n', journal_);
    std::fflush(journal_);
}

// Accepts every pending connection; true when there was one.
bool Server::accept_all()
{
    bool any = false;
    for (;;) {
        int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            break;
        }
        // Best effort: the system's limit may keep the buffer smaller.
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kSendBuffer, sizeof kSendBuffer);
        Conn c;
        c.fd = fd;
        conns_[next_id_++] = std::move(c);
        any = true;
    }
    return any;
}

// Reads everything the connection has for now and handles each whole frame;
// true when anything was read or the stream ended.
bool Server::read_conn(u64 id)
{
    auto it = conns_.find(id);
    if (it == conns_.end() || it->second.eof) return false;
    bool progress = false;
    u8 buf[65536];
    for (;;) {
        Conn& c = conns_.at(id);
        ssize_t n = read(c.fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) {
            // End of stream (or a reset): what was sent still gets its answer.
            c.eof = true;
            progress = true;
            if (!c.in.empty()) std::fprintf(stderr, "nvr-core-emu: connection ended inside a frame\n");
            break;
        }
        progress = true;
        c.in.insert(c.in.end(), buf, buf + n);

        size_t off = 0;
        while (c.in.size() - off >= kKxHeaderSize) {
            KxFrameHeader h;
            if (kx_decode_header(c.in.data() + off, &h) != 0) {
                std::fprintf(stderr, "nvr-core-emu: bad frame (magic %08x, version %u, length %u): closing\n",
                             h.magic, h.version, h.length);
                close_conn(id);
                return true;
            }
            if (c.in.size() - off - kKxHeaderSize < h.length) break;
            std::vector<u8> payload(c.in.begin() + long(off + kKxHeaderSize),
                                    c.in.begin() + long(off + kKxHeaderSize + h.length));
            payload.push_back(0);  // never an empty buffer
            off += kKxHeaderSize + h.length;
            process_frame(id, h, payload.data());
            if (!conns_.count(id)) return true;  // closed by its answer
        }
        Conn& cc = conns_.at(id);
        cc.in.erase(cc.in.begin(), cc.in.begin() + long(off));
    }
    finish_if_idle(id);
    return progress;
}

void Server::process_frame(u64 id, const KxFrameHeader& h, const u8* payload)
{
    journal(h, payload);
    if (h.code == kKxSyncCode) {
        syncs_.emplace_back(id, h.seq);
        return;
    }
    if (g_reload) {
        g_reload = 0;
        rules_.refresh(true);
    } else {
        rules_.refresh();
    }
    EmuAnswer answer;
    if (const std::vector<RuleStep>* steps = rules_.find(h.code)) {
        RuleSet::answer(*steps, answer);  // rules answer whatever the wait flag
    } else if (!(h.flags & kKxFlagWait)) {
        return;
    } else if (EmuDemoFn fn = opt_.demo ? emu_demo_find(h.code) : nullptr) {
        EmuRequest req{h.seq, h.code, h.flags, payload, h.length};
        fn(req, answer);
    } else {
        // A message nobody answers: end the connection so that the client's
        // wait ends at once instead of after its time-out.
        answer.close();
    }
    schedule(id, h.seq, answer.steps());
}

void Server::schedule(u64 id, u32 seq, std::vector<EmuStep>& steps)
{
    Clock::time_point at = Clock::now();
    for (EmuStep& step : steps) {
        if (step.delay_ms > 0) at += std::chrono::milliseconds(step.delay_ms);
        Timer t{id, seq, std::move(step)};
        conns_.at(id).pending_steps++;
        timers_.emplace(std::make_pair(at, timer_serial_++), std::move(t));
    }
    run_due_timers();
}

void Server::run_due_timers()
{
    while (!timers_.empty() && timers_.begin()->first.first <= Clock::now()) {
        Timer t = std::move(timers_.begin()->second);
        timers_.erase(timers_.begin());
        auto it = conns_.find(t.conn);
        if (it == conns_.end()) continue;
        it->second.pending_steps--;
        run_step(t.conn, t.seq, t.step);
    }
}

void Server::run_step(u64 id, u32 seq, const EmuStep& step)
{
    Conn& c = conns_.at(id);
    if (c.close_after_out) return;  // the connection is closing: nothing more goes out
    if (c.stream) {
        c.after_stream.emplace_back(seq, step);
        return;
    }
    if (step.kind == EmuStep::kClose) {
        c.close_after_out = true;
    } else if (step.kind == EmuStep::kStream) {
        c.stream = step.stream;
        c.stream_seq = seq;
    } else {
        queue_frame(c, seq, step.code, step.payload.data(), step.payload.size());
    }
    flush(id);
}

// Tops the output up from the connection's stream; at the stream's end the
// steps held back meanwhile are carried out.
void Server::fill_from_stream(u64 id)
{
    Conn& c = conns_.at(id);
    while (c.stream && c.out.size() - c.out_done < kStreamBuffer) {
        if (c.stream->fill(&c.out, c.stream_seq, c.out_done + kStreamBuffer)) continue;
        c.stream.reset();
        while (!c.stream && !c.close_after_out && !c.after_stream.empty()) {
            std::pair<u32, EmuStep> held = std::move(c.after_stream.front());
            c.after_stream.pop_front();
            if (held.second.kind == EmuStep::kClose)
                c.close_after_out = true;
            else if (held.second.kind == EmuStep::kStream) {
                c.stream = held.second.stream;
                c.stream_seq = held.first;
            } else
                queue_frame(c, held.first, held.second.code, held.second.payload.data(), held.second.payload.size());
        }
    }
}

void Server::queue_frame(Conn& c, u32 seq, u32 code, const void* payload, size_t length)
{
    emu_encode_frame(&c.out, seq, code, payload, length);
}

void Server::flush(u64 id)
{
    auto it = conns_.find(id);
    if (it == conns_.end()) return;
    Conn& c = it->second;
    if (c.out_done == c.out.size()) {
        c.out.clear();
        c.out_done = 0;
    }
    if (c.stream) fill_from_stream(id);
    while (c.out_done < c.out.size()) {
        ssize_t n = send(c.fd, c.out.data() + c.out_done, c.out.size() - c.out_done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (n <= 0) {
            close_conn(id);  // the client has gone
            return;
        }
        c.out_done += size_t(n);
        if (c.out_done == c.out.size() && c.stream) {
            c.out.clear();
            c.out_done = 0;
            fill_from_stream(id);
        }
    }
    c.out.clear();
    c.out_done = 0;
    finish_if_idle(id);
}

// Closes a connection that has nothing left to do: closing was asked for,
// or the client has ended its side and no answer is pending.
void Server::finish_if_idle(u64 id)
{
    auto it = conns_.find(id);
    if (it == conns_.end()) return;
    Conn& c = it->second;
    if (c.out_done < c.out.size() || c.stream) return;
    bool waiting_sync = false;
    for (auto& s : syncs_) waiting_sync = waiting_sync || s.first == id;
    if (c.close_after_out || (c.eof && c.pending_steps == 0 && !waiting_sync)) close_conn(id);
}

void Server::close_conn(u64 id)
{
    auto it = conns_.find(id);
    if (it == conns_.end()) return;
    close(it->second.fd);
    conns_.erase(it);
}

// Answers the sync frames once everything sent before them has been read:
// pending connections accepted and every connection read until nothing is
// left.
void Server::answer_syncs()
{
    for (;;) {
        bool progress = accept_all();
        std::vector<u64> ids;
        for (auto& c : conns_) ids.push_back(c.first);
        for (u64 id : ids) progress = read_conn(id) || progress;
        if (!progress) break;
    }
    std::vector<std::pair<u64, u32>> syncs;
    syncs.swap(syncs_);
    for (auto& s : syncs) {
        auto it = conns_.find(s.first);
        if (it == conns_.end()) continue;
        queue_frame(it->second, s.second, kKxSyncCode, nullptr, 0);
        flush(s.first);
    }
}

int Server::run()
{
    sigset_t blocked, during_poll;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGHUP);
    sigprocmask(SIG_BLOCK, &blocked, &during_poll);
    sigdelset(&during_poll, SIGTERM);
    sigdelset(&during_poll, SIGINT);
    sigdelset(&during_poll, SIGHUP);

    rules_.refresh();
    while (!g_stop) {
        std::vector<struct pollfd> fds;
        std::vector<u64> ids;
        fds.push_back({listen_fd_, POLLIN, 0});
        for (auto& entry : conns_) {
            short events = 0;
            if (!entry.second.eof && !entry.second.close_after_out) events |= POLLIN;
            if (entry.second.out_done < entry.second.out.size() || entry.second.stream) events |= POLLOUT;
            fds.push_back({entry.second.fd, events, 0});
            ids.push_back(entry.first);
        }
        struct timespec timeout{};
        struct timespec* tp = nullptr;
        if (!timers_.empty()) {
            auto left = timers_.begin()->first.first - Clock::now();
            long ns = left.count() > 0 ? long(std::chrono::duration_cast<std::chrono::nanoseconds>(left).count()) : 0;
            timeout.tv_sec = ns / 1000000000L;
            timeout.tv_nsec = ns % 1000000000L;
            tp = &timeout;
        }
        int n = ppoll(fds.data(), fds.size(), tp, &during_poll);
        if (n < 0 && errno != EINTR) {
            std::fprintf(stderr, "nvr-core-emu: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (g_stop) break;
        if (g_reload) {
            g_reload = 0;
            rules_.refresh(true);
        }
        run_due_timers();
        if (n > 0) {
            if (fds[0].revents) accept_all();
            for (size_t i = 1; i < fds.size(); i++) {
                if (!fds[i].revents) continue;
                u64 id = ids[i - 1];
                if (fds[i].revents & POLLOUT) flush(id);
                if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
                    auto it = conns_.find(id);
                    if (it != conns_.end() && it->second.eof) {
                        close_conn(id);  // hang-up while answers were still pending
                        continue;
                    }
                    read_conn(id);
                }
            }
        }
        if (!syncs_.empty()) answer_syncs();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options opt;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "nvr-core-emu: %s needs a value\n", name);
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--socket")
            opt.socket_path = value("--socket");
        else if (a == "--journal")
            opt.journal_path = value("--journal");
        else if (a == "--rules")
            opt.rules_path = value("--rules");
        else if (a == "--no-demo")
            opt.demo = false;
        else if (a == "--help" || a == "-h") {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "nvr-core-emu: unknown option %s\n", a.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (opt.socket_path.empty()) opt.socket_path = nvr_path("/var/run/kxsocket");

    FILE* journal = nullptr;
    if (!opt.journal_path.empty()) {
        journal = std::fopen(opt.journal_path.c_str(), "a");
        if (!journal) {
            std::fprintf(stderr, "nvr-core-emu: cannot open %s: %s\n", opt.journal_path.c_str(), std::strerror(errno));
            return 1;
        }
    }

    struct sigaction sa{};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    Server server(opt, journal);
    if (!server.listen_on(opt.socket_path)) return 1;
    int rc = server.run();
    unlink(opt.socket_path.c_str());
    if (journal) std::fclose(journal);
    return rc;
}
