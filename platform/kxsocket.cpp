// The socket library: framing, one connection per session and the receiving
// thread that hands reply frames to the session's callback.
#include "platform/kxsocket.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "platform/iov_advance.h"

namespace {

void put_u32(unsigned char* out, u32 v)
{
    out[0] = u8(v);
    out[1] = u8(v >> 8);
    out[2] = u8(v >> 16);
    out[3] = u8(v >> 24);
}

u32 get_u32(const unsigned char* in)
{
    return u32(in[0]) | u32(in[1]) << 8 | u32(in[2]) << 16 | u32(in[3]) << 24;
}

// Reads exactly `len` bytes: the count read, which is short only at end of
// stream, or -1 on an error.
ssize_t read_full(int fd, unsigned char* buf, size_t len)
{
    size_t got = 0;
    while (got < len) {
        ssize_t n = read(fd, buf + got, len - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        got += size_t(n);
    }
    return ssize_t(got);
}

void pause_ms(long ms)
{
    struct timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

int connect_unix(const char* path)
{
    struct sockaddr_un addr{};
    if (!path || std::strlen(path) >= sizeof addr.sun_path) return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path);
    int rc;
    do {
        rc = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

std::atomic<KxEventHook> g_event_hook{nullptr};

void run_event_hook(KxReplyCallback callback, void* context)
{
    if (KxEventHook hook = g_event_hook.load()) hook(callback, context);
}

struct Session {
    int fd = -1;
    KxReplyCallback callback = nullptr;
    void* context = nullptr;
    std::thread::id owner;         // the thread that opened the session
    std::thread receiver;
    std::atomic<bool> closed{true};
    std::atomic<bool> ending{false};  // being ended: frames still buffered are dropped
    std::mutex send_mutex;         // one frame at a time, in sequence order
    u32 next_seq = 1;

    ~Session()
    {
        if (fd >= 0) close(fd);
    }
};

// The receiving thread reads the socket in blocks of up to this size and hands the
// frames to the callback where they lie, so that a stream of many frames (a
// recording download) costs one read per block instead of two reads and an
// allocation per frame. A frame larger than a block grows the buffer for as
// long as it takes.
constexpr size_t kReadBlock = 256u << 10;

// Receiving thread: delivers every frame to the callback until the stream
// ends, a frame is malformed, or the session is shut down.
void receive_loop(std::shared_ptr<Session> s)
{
    // One byte more than is ever read into: the byte after a payload is
    // zeroed while the callback runs (a text payload reads as a C string)
    // and is always inside the buffer.
    std::vector<unsigned char> buf(kReadBlock + 1);
    size_t begin = 0, end = 0;  // the bytes read and not yet delivered
    for (;;) {
        size_t need = kKxHeaderSize;
        if (end - begin >= kKxHeaderSize) {
            KxFrameHeader header;
            if (kx_decode_header(&buf[begin], &header) != 0) break;
            need = kKxHeaderSize + size_t(header.length);
            if (end - begin >= need) {
                if (s->ending) break;
                unsigned char* payload = &buf[begin + kKxHeaderSize];
                const unsigned char after = payload[header.length];
                payload[header.length] = 0;
                if (s->callback) s->callback(s->context, &header, payload);
                payload[header.length] = after;
                begin += need;
                run_event_hook(s->callback, s->context);
                continue;
            }
        }
        // Room for the rest of the frame under way: move it to the front,
        // and grow the buffer for a frame larger than a block (back to a
        // block once such a frame has gone).
        if (begin == end) {
            begin = end = 0;
            if (buf.size() > kReadBlock + 1) std::vector<unsigned char>(kReadBlock + 1).swap(buf);
        }
        if (begin + need + 1 > buf.size()) {
            std::memmove(buf.data(), buf.data() + begin, end - begin);
            end -= begin;
            begin = 0;
            if (need + 1 > buf.size()) buf.resize(need + 1);
        }
        ssize_t n = read(s->fd, buf.data() + end, buf.size() - 1 - end);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // end of stream (inside a frame: an error), or an error
        end += size_t(n);
    }
    // A malformed frame ends the connection for both sides.
    shutdown(s->fd, SHUT_RDWR);
    s->closed = true;
    run_event_hook(s->callback, s->context);
}

// The open sessions, the current one last. Never destroyed, so that a
// receiving thread still running at process exit meets no destructed state.
std::mutex g_sessions_mutex;
std::vector<std::shared_ptr<Session>>& sessions()
{
    static auto* list = new std::vector<std::shared_ptr<Session>>;
    return *list;
}

std::shared_ptr<Session> current_session()
{
    std::lock_guard<std::mutex> lock(g_sessions_mutex);
    return sessions().empty() ? nullptr : sessions().back();
}

void end_session(const std::shared_ptr<Session>& s)
{
    s->ending = true;
    if (s->fd >= 0) shutdown(s->fd, SHUT_RDWR);
    if (s->receiver.joinable()) {
        if (s->receiver.get_id() == std::this_thread::get_id())
            s->receiver.detach();  // called from a callback: the thread ends after it returns
        else
            s->receiver.join();
    }
    s->closed = true;
}

}  // namespace

void kx_encode_header(const KxFrameHeader* header, unsigned char out[kKxHeaderSize])
{
    put_u32(out + 0, header->magic);
    put_u32(out + 4, header->version);
    put_u32(out + 8, header->seq);
    put_u32(out + 12, header->code);
    put_u32(out + 16, header->flags);
    put_u32(out + 20, header->length);
}

int kx_decode_header(const unsigned char in[kKxHeaderSize], KxFrameHeader* header)
{
    header->magic = get_u32(in + 0);
    header->version = get_u32(in + 4);
    header->seq = get_u32(in + 8);
    header->code = get_u32(in + 12);
    header->flags = get_u32(in + 16);
    header->length = get_u32(in + 20);
    if (header->magic != kKxMagic || header->version != kKxVersion || header->length > kKxMaxPayload) return -1;
    return 0;
}

int kx_read_frame(int fd, KxFrameHeader* header, unsigned char** payload)
{
    if (payload) *payload = nullptr;
    if (!header) return -1;
    unsigned char raw[kKxHeaderSize];
    ssize_t n = read_full(fd, raw, sizeof raw);
    if (n == 0) return 0;
    if (n != ssize_t(sizeof raw)) return -1;
    if (kx_decode_header(raw, header) != 0) return -1;
    // One byte more than the payload, zeroed: never a null buffer, and a
    // text payload reads as a C string.
    auto* buf = static_cast<unsigned char*>(std::malloc(size_t(header->length) + 1));
    if (!buf) return -1;
    if (read_full(fd, buf, header->length) != ssize_t(header->length)) {
        std::free(buf);
        return -1;
    }
    buf[header->length] = 0;
    if (payload)
        *payload = buf;
    else
        std::free(buf);
    return 1;
}

int kx_write_frame(int fd, u32 seq, u32 code, u32 flags, const void* payload, u32 length)
{
    if (length > kKxMaxPayload || (length > 0 && !payload)) return -1;
    KxFrameHeader h{kKxMagic, kKxVersion, seq, code, flags, length};
    unsigned char raw[kKxHeaderSize];
    kx_encode_header(&h, raw);

    struct iovec iov[2] = {{raw, sizeof raw}, {const_cast<void*>(payload), length}};
    int count = length > 0 ? 2 : 1;
    struct iovec* v = iov;
    bool is_socket = true;
    while (count > 0) {
        ssize_t n;
        if (is_socket) {
            struct msghdr msg{};
            msg.msg_iov = v;
            msg.msg_iovlen = size_t(count);
            n = sendmsg(fd, &msg, MSG_NOSIGNAL);
            if (n < 0 && errno == ENOTSOCK) {
                is_socket = false;  // a pipe or a file: plain writes
                continue;
            }
        } else {
            n = writev(fd, v, count);
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        // Skip what was written; a short write continues where it stopped.
        iov_advance(&v, &count, size_t(n));
    }
    return 0;
}

int kx_sock_init(KxReplyCallback callback, void* context, int connect_tries, const char* path)
{
    // A second init from the thread that opened the current session replaces it.
    std::shared_ptr<Session> previous;
    {
        std::lock_guard<std::mutex> lock(g_sessions_mutex);
        if (!sessions().empty() && sessions().back()->owner == std::this_thread::get_id()) {
            previous = sessions().back();
            sessions().pop_back();
        }
    }
    if (previous) end_session(previous);

    auto s = std::make_shared<Session>();
    s->callback = callback;
    s->context = context;
    s->owner = std::this_thread::get_id();
    if (connect_tries < 1) connect_tries = 1;
    for (int i = 0; i < connect_tries && s->fd < 0; i++) {
        if (i > 0) pause_ms(10);
        s->fd = connect_unix(path);
    }
    if (s->fd >= 0) {
        s->closed = false;
        try {
            s->receiver = std::thread(receive_loop, s);
        } catch (...) {
            close(s->fd);
            s->fd = -1;
            s->closed = true;
        }
    }
    bool connected = s->fd >= 0;
    std::lock_guard<std::mutex> lock(g_sessions_mutex);
    sessions().push_back(std::move(s));
    return connected ? 0 : -1;
}

int kx_sock_send_msg(int wait, u32 code, const void* payload, u32 length, int, int)
{
    std::shared_ptr<Session> s = current_session();
    if (!s || s->fd < 0 || s->closed) return -1;
    std::lock_guard<std::mutex> lock(s->send_mutex);
    if (kx_write_frame(s->fd, s->next_seq, code, wait ? kKxFlagWait : 0, payload, length) != 0) {
        // A payload that is too long leaves the connection usable; anything
        // else means the connection is gone.
        if (length <= kKxMaxPayload && (length == 0 || payload)) s->closed = true;
        return -1;
    }
    s->next_seq++;
    return 0;
}

int kx_sock_uninit(int)
{
    std::shared_ptr<Session> s;
    {
        std::lock_guard<std::mutex> lock(g_sessions_mutex);
        if (sessions().empty()) return 0;
        s = sessions().back();
        sessions().pop_back();
    }
    end_session(s);
    return 0;
}

bool kx_sock_closed()
{
    std::shared_ptr<Session> s = current_session();
    return !s || s->closed;
}

void kx_sock_set_event_hook(KxEventHook hook)
{
    g_event_hook = hook;
}
