// Messages to the core daemon and the wait for their replies.
#pragma once

#include <atomic>
#include <initializer_list>
#include <cstddef>
#include <cstdint>

#include "platform/kxsocket.h"

// Set to 0 by core_request; a reply callback sets it (1 as a rule) after
// the HTTP reply has been written and flushed. 0 after the wait: no reply.
extern std::atomic<int> core_reply_done;

// Sets core_reply_done and wakes the waiting handler thread. Reply
// callbacks call this instead of assigning the flag.
void core_reply_finish(int value);

// Sends `code` with its payload; unless no_wait, waits for the callback to
// finish the reply or for the code's maximum wait. The request's store
// writes are committed first. -1 for a null callback, and -1 when a store
// write or commit of the request failed (nothing sent: the daemon never hears
// of a change that did not happen); else 0.
int core_request(KxReplyCallback callback, u32 code, u32 length, const void* payload, int no_wait);
// The same with a context pointer that reaches the callback as its first
// argument. The context must outlive the session (until core_release).
int core_request_with(KxReplyCallback callback, void* context, u32 code, u32 length, const void* payload,
                      int no_wait);
// Ends the session opened by core_request. Always 0.
int core_release();
// Number of 40 ms waits allowed for a request code.
int core_wait_polls(u32 code);

// Test hook: makes core_request connect to `path` instead of
// nvr_path("/var/run/kxsocket"); null or "" restores the default. In-process
// tests use it because NVR_ROOT is read only once per process.
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

// The socket callback of an answer: the context is the CoreAnswer itself.
int core_answer_reply(void* answer, const KxFrameHeader* header, const void* payload);

// Sends `code` and waits for the answer; opens a session the caller ends with
// core_release (for requests that go on talking on the session, streams).
// `answer` must outlive the session.
int core_request_answer(const CoreAnswer& answer, u32 code, u32 length, const void* payload, int no_wait);

// The usual query with its answer: sends `code`, waits for the answer to
// write the reply; when none came, writes cgi_reply_error(error_kind) (a kind
// that is neither 0 nor 1 writes nothing). Ends the session. The final
// core_reply_done value.
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

// The one-integer JSON reply {"<key>": n}, n the reply's first 32-bit value.
// A reply too short to hold it is answered at once with the JSON error form.
struct CoreIntReply {
    const char* key;
};
int core_reply_int(const CoreIntReply& reply, const KxFrameHeader* header, const void* payload);
inline constexpr CoreIntReply kCoreResReply{"res"};
inline constexpr CoreIntReply kCoreStatusReply{"status"};
