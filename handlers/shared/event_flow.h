// How the event handlers' formatters end a core daemon reply: the first
// record of the reply, and the JSON reply that ends the wait.
#pragma once

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "platform/record.h"

// The wait's end value of a reply that came but was too short to format:
// nothing is written.
constexpr int kReplyTooShort = -1;

// The reply's first record; a reply too short for it ends the wait with
// kReplyTooShort and gives false.
template <typename T>
bool reply_record(const KxFrameHeader* header, const void* payload, T* out)
{
    if (record_at(payload, header->length, 0, out)) return true;
    core_reply_finish(kReplyTooShort);
    return false;
}

// A reply too short for its record answered with the request's error
// reply, so that the handler does not wait out the time-out.
inline int reply_too_short(int kind)
{
    cgi_reply_error(kind);
    core_reply_finish(1);
    return 0;
}

// Writes a JSON reply built by a formatter and ends the wait; an object that
// could not be created gives the JSON error reply.
inline int finish_json(json_object* o)
{
    if (o)
        json_reply(kReplyJson, o);
    else
        cgi_reply_error(kReplyJson);
    core_reply_finish(1);
    return 0;
}
