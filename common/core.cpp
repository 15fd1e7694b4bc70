// Messages to the core daemon and the wait for their replies.
//
// One socket session per question, kept by the request's CoreExchange. The
// handler's thread sends and then sleeps on the exchange's condition
// variable; the socket library's receiving thread runs the reply callback,
// which writes the HTTP reply and then calls core_reply_finish. The wait ends
// as soon as the exchange's reply is finished, when the daemon closes the
// connection (no reply can come any more), or after the code's maximum wait.
#include "common/core.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <json-c/json.h>
#include <string>
#include <time.h>

#include "platform/paths.h"
#include "common/reply.h"
#include "platform/kxdb.h"

// The messenger's own view of an exchange: the socket callback, the event
// hook and the reply scope reach its state through the context pointer.
struct CoreExchangeAccess {
    static void wake(CoreExchange& x)
    {
        std::lock_guard<std::mutex> lock(x.mutex_);
        x.cv_.notify_all();
    }
    static int reply(CoreExchange& x, const KxFrameHeader* header, const void* payload)
    {
        if (x.answer_) return core_answer_reply(x, *x.answer_, header, payload);
        CoreReplying replying(x);
        return x.callback_ ? x.callback_(x.context_, header, payload) : 0;
    }
    static int ask(CoreExchange& x, KxReplyCallback callback, void* context, const CoreAnswer* answer, u32 code,
                   u32 length, const void* payload, int no_wait);
};

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kConnectTries = 3;       // per session, 10 ms apart (socket library)
constexpr int kSendAttempts = 3000;    // 10 ms apart: about 30 s on a live connection
constexpr int kSendPauseMs = 10;
// A connection that cannot be opened, or that breaks before the message is
// written, is reopened for at most this long. A daemon that is not running
// is noticed within about 100 ms instead of the 30 s of the send attempts.
constexpr int kReconnectWindowMs = 100;
constexpr int kPollMs = 40;

// Process configuration (core_set_socket_path): the socket to connect to
// instead of the usual one; empty for the usual one.
std::string g_socket_path;

// The exchange whose reply callback runs on this thread, for
// core_reply_finish; set only for the length of a callback (CoreReplying).
thread_local CoreExchange* t_replying = nullptr;

// The socket callback of every session the messenger opens: the context is
// the request's exchange.
int exchange_reply(void* exchange, const KxFrameHeader* header, const void* payload)
{
    return CoreExchangeAccess::reply(*static_cast<CoreExchange*>(exchange), header, payload);
}

// Run by the receiving thread after each callback and at the end of a
// connection, with its session's callback and context: the waiting thread
// is woken when its condition has come true (not for every frame of a
// stream, which would wake it thousands of times a second for nothing). The
// condition is set before this runs, and the waiter looks at it under the
// mutex, so no wake is lost. Sessions the messenger did not open are not
// its own.
void wake_waiter_when_done(KxReplyCallback callback, void* context)
{
    if (callback != exchange_reply || !context) return;
    auto& x = *static_cast<CoreExchange*>(context);
    if (x.done() != 0 || kx_sock_closed()) CoreExchangeAccess::wake(x);
}

void pause_ms(long ms)
{
    struct timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

long elapsed_ms(Clock::time_point since)
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

int ignore_reply(void*, const KxFrameHeader*, const void*)
{
    return 0;
}

}  // namespace

CoreExchange::~CoreExchange()
{
    core_release(*this);
}

void CoreExchange::finish(int value)
{
    done_ = value;
    CoreExchangeAccess::wake(*this);
}

CoreReplying::CoreReplying(CoreExchange& exchange) : previous_(t_replying)
{
    t_replying = &exchange;
}

CoreReplying::~CoreReplying()
{
    t_replying = previous_;
}

void core_set_socket_path(const char* path)
{
    g_socket_path = path ? path : "";
}

void core_reply_finish(int value)
{
    if (t_replying) t_replying->finish(value);
}

int core_wait_polls(u32 code)
{
    switch (code) {
    case 3230: case 3350: case 3434: case 3494: case 3495:
        return 15000;
    case 1701: case 1713: case 1716: case 3200: case 3201: case 3202: case 3203: case 3204:
    case 3205: case 3227: case 3379: case 3402: case 3409: case 3420: case 3440: case 3528:
        return 6000;
    case 1153: case 1171: case 3102: case 3104: case 3223: case 3259: case 3263: case 3360:
    case 3365: case 3401: case 3535:
        return 3000;
    case 3700: case 3702:
        return 1500;
    default:
        return 1000;
    }
}

// Sends `code` on a new session of `x`, whose frames go to `answer` if
// given, else to `callback` with `context`; see core_request.
int CoreExchangeAccess::ask(CoreExchange& x, KxReplyCallback callback, void* context, const CoreAnswer* answer,
                            u32 code, u32 length, const void* payload, int no_wait)
{
    // A session the exchange still holds from an earlier question ends first.
    core_release(x);
    x.callback_ = callback;
    x.context_ = context;
    x.answer_ = answer;
    x.done_ = 0;
    // The request's store writes are committed before the daemon hears of
    // them (and the write lock is not held while waiting on it); after a
    // failed write or commit nothing is sent about a change that did not
    // happen.
    if (kxdb_request_commit() != 0) return -1;
    if (!payload) length = 0;
    kx_sock_set_event_hook(wake_waiter_when_done);
    const std::string path = g_socket_path.empty() ? nvr_path("/var/run/kxsocket") : g_socket_path;

    x.handle_ = kx_sock_init(exchange_reply, &x, kConnectTries, path.c_str());
    x.open_ = true;
    // A payload over the frame limit can never be sent: no reply to wait for.
    if (length > kKxMaxPayload) return 0;

    // Send. No pause after a send that succeeded; a failing attempt waits
    // 10 ms, and when it failed because there is no connection, the
    // connection is opened again (within the reconnect window).
    const Clock::time_point start = Clock::now();
    bool sent = false;
    for (int attempt = 1; attempt <= kSendAttempts; attempt++) {
        if (kx_sock_send_msg(no_wait ? 0 : 1, code, payload, length, 0, 0) == 0) {
            sent = true;
            break;
        }
        if (attempt == kSendAttempts) break;
        if (kx_sock_closed()) {
            if (elapsed_ms(start) >= kReconnectWindowMs) break;
            pause_ms(kSendPauseMs);
            kx_sock_uninit(x.handle_);
            x.handle_ = kx_sock_init(exchange_reply, &x, kConnectTries, path.c_str());
        } else {
            pause_ms(kSendPauseMs);
        }
    }
    if (!sent || no_wait) return 0;

    // Wait for the callback, the end of the connection, or the time-out.
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(long(kPollMs) * core_wait_polls(code));
    std::unique_lock<std::mutex> lock(x.mutex_);
    x.cv_.wait_until(lock, deadline, [&x] { return x.done_.load() != 0 || kx_sock_closed(); });
    return 0;
}

int core_request(CoreExchange& x, KxReplyCallback callback, void* context, u32 code, u32 length,
                 const void* payload, int no_wait)
{
    if (!callback) return -1;
    return CoreExchangeAccess::ask(x, callback, context, nullptr, code, length, payload, no_wait);
}

int core_request_answer(CoreExchange& x, const CoreAnswer& answer, u32 code, u32 length, const void* payload,
                        int no_wait)
{
    return CoreExchangeAccess::ask(x, nullptr, nullptr, &answer, code, length, payload, no_wait);
}

int core_release(CoreExchange& x)
{
    if (!x.open_) return 0;
    x.open_ = false;
    kx_sock_uninit(x.handle_);
    return 0;
}

void core_notify(u32 code, const void* payload, u32 length)
{
    CoreExchange x;
    core_request(x, ignore_reply, nullptr, code, length, payload, 1);
    core_release(x);
}

void core_send_oplog(const OpLogRecord& record)
{
    core_notify(3485, record);
}

int core_reply_status_json(int count, const void* payload)
{
    if (count < 1 || !payload) return -1;
    const auto* p = static_cast<const unsigned char*>(payload);
    int32_t status = int32_t(u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24);
    json_object* obj = json_object_new_object();
    json_object_object_add(obj, "status", json_object_new_int(status));
    cgi_reply(kReplyJson, json_object_to_json_string(obj));
    json_object_put(obj);
    core_reply_finish(1);
    return 0;
}

int core_reply_status_text(void*, int status, const char* data_text)
{
    char text[256];
    int n = std::snprintf(text, sizeof text, status >= 0 ? "CGI OK status:[%d]" : "CGI ERROR status:[%d]", status);
    if (data_text && n >= 0 && size_t(n) < sizeof text)
        std::snprintf(text + n, sizeof text - size_t(n), ", data:[%s]", data_text);
    cgi_reply(kReplyText, text);
    core_reply_finish(1);
    return 0;
}

int core_reply_short(int error_kind)
{
    cgi_reply_error(error_kind);
    core_reply_finish(1);
    return 0;
}

int core_reply_int(const CoreIntReply& reply, const KxFrameHeader* header, const void* payload)
{
    if (!header || !payload) return 0;
    if (header->length < 4) return core_reply_short(reply.error_kind);
    const auto* p = static_cast<const unsigned char*>(payload);
    const int32_t value = int32_t(u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24);
    json_object* obj = json_object_new_object();
    json_object_object_add(obj, reply.key, json_object_new_int(value));
    cgi_reply(kReplyJson, json_object_to_json_string(obj));
    json_object_put(obj);
    core_reply_finish(1);
    return 0;
}
