// The steps many handlers of the network, playback, storage, system, PTZ
// and record modules take alike: the log entry of a change, a file sent as
// a download, a request's list read and a query built from the request's
// JSON. How their formatters answer is common/core_reply.h.
#pragma once

#include "common/core.h"
#include "common/core_reply.h"
#include "common/json.h"
#include "common/reply.h"
#include "platform/record.h"

// Sends the operation log entry of a change the request made (its user and
// address, the common main type) with the given sub type, parameter type
// and channel; 0 leaves a field unset.
void send_change_log(int sub_type, int param_type, int channel = 0);

// Writes the open file `fd` as a download named `file_name` (the
// octet-stream header, then the file's bytes in pieces) and closes it.
void reply_attachment(int fd, const char* file_name);

// What a request whose text is not JSON gets: no answer, or the error
// answer of the query's kind.
enum class BadRequest { kNoAnswer, kError };

// A query made from the request's JSON alone: build(json) returns the
// message sent with `code`; formatter F answers the `codes` replies in the
// form `kind` (the error of that form when no reply comes).
template <auto F, typename Build>
int ask_with_request(const char* request, u32 code, int kind, std::initializer_list<u32> codes, BadRequest bad,
                     Build build)
{
    JsonPtr req = json_parse(request);
    if (!req) return bad == BadRequest::kError ? cgi_reply_error(kind) : 0;
    const auto msg = build(req.get());
    core_ask<F>(code, &msg, sizeof msg, kind, codes);
    return 0;
}
