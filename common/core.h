// Messages to the core daemon and the wait for their replies.
#pragma once

#include <atomic>
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

// A module's reply callback routes each reply code to one formatter.
struct ReplyRoute {
    u32 code;
    int (*format)(const KxFrameHeader* header, const void* payload);
};
// Calls the formatter of header->code; a null payload or an unknown code is
// ignored (core_reply_done stays 0). A run writes one reply: once a formatter
// has finished it, further answers of the daemon are dropped.
template <size_t N>
inline int core_route_reply(const ReplyRoute (&routes)[N], const KxFrameHeader* header, const void* payload)
{
    if (!header || !payload || core_reply_done.load() != 0) return 0;
    for (const ReplyRoute& r : routes)
        if (r.code == header->code) return r.format(header, payload);
    return 0;
}

// The usual query: sends `code` and waits for the module's callback to write
// the reply; when none came, writes cgi_reply_error(error_kind) (a kind that
// is neither 0 nor 1 writes nothing). Ends the session. The final
// core_reply_done value.
int core_query(KxReplyCallback callback, u32 code, const void* payload, u32 length, int error_kind);
