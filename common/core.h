// Messages to the core daemon and the wait for their replies.
#pragma once

#include <atomic>
#include <condition_variable>
#include <initializer_list>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "common/reply.h"
#include "platform/kxsocket.h"

struct CoreAnswer;

// One question to the core daemon and the wait for its answer: the session
// it opened, the reply-finished value and the wait's mutex and condition
// variable. It belongs to the request that asks (a local of the handler, or
// of core_ask), is the socket library's context for its session and must
// outlive that session. A question asked again on it starts afresh (its
// earlier session ended, its value 0). Ending it ends a session still open
// (see core_release).
class CoreExchange {
public:
    CoreExchange() = default;
    CoreExchange(const CoreExchange&) = delete;
    CoreExchange& operator=(const CoreExchange&) = delete;
    ~CoreExchange();

    // 0 from the question on; set by a reply callback (1 as a rule) once
    // the HTTP reply has been written and flushed. 0 after the wait: no
    // reply.
    int done() const { return done_.load(); }
    // Sets the value and wakes the thread waiting on this exchange.
    void finish(int value);

private:
    friend int core_release(CoreExchange&);
    friend struct CoreExchangeAccess;

    KxReplyCallback callback_ = nullptr;  // a plain callback with its context,
    void* context_ = nullptr;
    const CoreAnswer* answer_ = nullptr;  // or an answer
    std::atomic<int> done_{0};
    std::mutex mutex_;
    std::condition_variable cv_;
    int handle_ = 0;     // the result of its last kx_sock_init, passed back to kx_sock_uninit
    bool open_ = false;  // a session was opened and has not been ended
};

// Finishes the reply of the exchange whose reply callback runs on this
// thread: sets its value and wakes its waiting handler thread. Reply
// callbacks and formatters call this; anywhere else it does nothing.
void core_reply_finish(int value);

// For the length of its scope, reply callbacks run on this thread answer
// `exchange`: core_reply_finish finishes it. The messenger sets it around
// every reply callback; code that hands a frame to a formatter itself (tests,
// fuzzers) uses it the same way.
class CoreReplying {
public:
    explicit CoreReplying(CoreExchange& exchange);
    ~CoreReplying();
    CoreReplying(const CoreReplying&) = delete;
    CoreReplying& operator=(const CoreReplying&) = delete;

private:
    CoreExchange* previous_;
};

// Sends `code` with its payload on a new session of `exchange`; unless
// no_wait, waits for a reply callback to finish the exchange's reply or for
// the code's maximum wait. `callback` runs on the socket thread with
// `context` for every reply frame. The request's store writes are committed
// first. -1 for a null callback, and -1 when a store write or commit of the
// request failed (nothing sent: the daemon never hears of a change that did
// not happen); else 0.
int core_request(CoreExchange& exchange, KxReplyCallback callback, void* context, u32 code, u32 length,
                 const void* payload, int no_wait);
// Ends the session opened by core_request on `exchange`, if any. Always 0.
int core_release(CoreExchange& exchange);
// Number of 40 ms waits allowed for a request code.
int core_wait_polls(u32 code);

// Process configuration, not request state: makes core_request connect to
// `path` instead of nvr_path("/var/run/kxsocket"); null or "" restores the
// default. Set before requests are made; in-process tests use it because
// NVR_ROOT is read only once per process.
void core_set_socket_path(const char* path);

// Sends a fire-and-forget message and ends its session: the usual way of
// telling the core daemon about a change.
void core_notify(u32 code, const void* payload, u32 length);
template <typename T>
inline void core_notify(u32 code, const T& record) { core_notify(code, &record, sizeof record); }
// Sends an operation-log record (message 3485).
struct OpLogRecord;
void core_send_oplog(const OpLogRecord& record);

// Shared reply formatters.
int core_reply_status_json(int count, const void* payload);
int core_reply_status_text(void* context, int status, const char* data_text);


// A request's own answer: the reply codes it expects and the formatter that
// turns one of them into the HTTP reply, with the request's context. Declared
// where the request is sent, so a handler and its formatter sit side by side
// and nothing of the request passes through globals:
//
//     struct StatusAsk { int channel; };
//     int status_reply(StatusAsk& ask, const KxFrameHeader* header, const void* payload);
//     ...
//     StatusAsk ask{channel};
//     core_ask<status_reply>(kMsgStatus, &c, sizeof c, ask, kReplyJson, {8363});
//
// The formatter runs on the socket thread, only for the listed codes, with a
// non-null payload, and only until a formatter has finished the reply (see
// core_reply_finish): a run writes one reply. A formatter without context
// takes (header, payload) and is asked for without one.
struct CoreAnswer {
    static constexpr size_t kMaxCodes = 4;
    int (*format)(void* context, const KxFrameHeader* header, const void* payload);
    void* context;
    u32 codes[kMaxCodes];
    size_t code_count;
};

namespace core_detail {
template <auto F, typename Ctx>
int call_with_context(void* context, const KxFrameHeader* header, const void* payload)
{
    return F(*static_cast<Ctx*>(context), header, payload);
}
template <typename Ctx>
void* context_pointer(Ctx& context)
{
    return const_cast<void*>(static_cast<const void*>(&context));
}
template <auto F>
int call_without_context(void*, const KxFrameHeader* header, const void* payload)
{
    return F(header, payload);
}
void set_codes(CoreAnswer& answer, std::initializer_list<u32> codes);
}  // namespace core_detail

// The answer of formatter F with `context`, for the reply codes `codes` (at
// most CoreAnswer::kMaxCodes).
template <auto F, typename Ctx>
CoreAnswer core_answer(Ctx& context, std::initializer_list<u32> codes)
{
    CoreAnswer a{core_detail::call_with_context<F, Ctx>, core_detail::context_pointer(context), {}, 0};
    core_detail::set_codes(a, codes);
    return a;
}
template <auto F>
CoreAnswer core_answer(std::initializer_list<u32> codes)
{
    CoreAnswer a{core_detail::call_without_context<F>, nullptr, {}, 0};
    core_detail::set_codes(a, codes);
    return a;
}

// Hands one reply frame to `answer` as the socket thread does for an
// exchange that asked with it: the formatter runs (with `exchange` finished
// by its core_reply_finish) only for the answer's codes, a non-null payload
// and while the exchange's reply is not finished yet.
int core_answer_reply(CoreExchange& exchange, const CoreAnswer& answer, const KxFrameHeader* header,
                      const void* payload);

// Sends `code` on `exchange` and waits for the answer; the caller reads
// exchange.done() and ends the session with core_release (for requests that
// act on the reply themselves or go on talking on the session, streams).
// `answer` must outlive the session.
int core_request_answer(CoreExchange& exchange, const CoreAnswer& answer, u32 code, u32 length,
                        const void* payload, int no_wait);

// The usual query with its answer, on an exchange of its own: sends `code`,
// waits for the answer to write the reply; when none came, writes
// cgi_reply_error(error_kind) (a kind that is neither 0 nor 1 writes
// nothing). Ends the session. The exchange's final done() value.
int core_ask(const CoreAnswer& answer, u32 code, const void* payload, u32 length, int error_kind);
template <auto F, typename Ctx>
int core_ask(u32 code, const void* payload, u32 length, Ctx& context, int error_kind, std::initializer_list<u32> codes)
{
    return core_ask(core_answer<F>(context, codes), code, payload, length, error_kind);
}
template <auto F>
int core_ask(u32 code, const void* payload, u32 length, int error_kind, std::initializer_list<u32> codes)
{
    return core_ask(core_answer<F>(codes), code, payload, length, error_kind);
}

// core_ask for formatters that leave a reply too short for them to the
// asker (kCoreReplyLeftToAsker, common/core_reply.h): the error form of
// `error_kind` is written unless the answer was (done() is not 1), so a
// short reply and no reply answer alike. The exchange's final done() value.
int core_ask_answered(const CoreAnswer& answer, u32 code, const void* payload, u32 length, int error_kind);
template <auto F>
int core_ask_answered(u32 code, const void* payload, u32 length, int error_kind, std::initializer_list<u32> codes)
{
    return core_ask_answered(core_answer<F>(codes), code, payload, length, error_kind);
}

// The one rule for a reply too short to hold what its formatter needs: the
// error form of the request's error kind (cgi_reply_error), written at once
// and the reply finished, so the handler does not wait out the rest of the
// time for an answer that came. 0.
int core_reply_short(int error_kind);

// The one-integer JSON reply {"<key>": n}, n the reply's first 32-bit value.
// A reply too short to hold it is answered at once with the error form of
// `error_kind` (the request's, JSON unless said otherwise).
struct CoreIntReply {
    const char* key;
    int error_kind = kReplyJson;
};
int core_reply_int(const CoreIntReply& reply, const KxFrameHeader* header, const void* payload);
inline constexpr CoreIntReply kCoreResReply{"res"};
inline constexpr CoreIntReply kCoreStatusReply{"status"};
