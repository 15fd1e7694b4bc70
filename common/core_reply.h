// How a reply formatter answers its request. Each call writes the answer
// and ends the asking request's wait; the int forms return 0, what a
// formatter returns. A reply too short for what the formatter needs is
// answered at once with the request's error form (core_reply_short in
// common/core.h), never after the rest of the wait.
#pragma once

#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "platform/record.h"

// `o` as the JSON answer; an object that could not be made gives the JSON
// error answer.
int core_reply_json(json_object* o);

// `text` as the plain-text answer.
int core_reply_text(const char* text);

// For formatters that do not know the request's error form: the wait ends
// at once with this value and nothing is written; the asker, seeing no
// answer, writes its own error form.
constexpr int kCoreReplyLeftToAsker = -1;

// The reply's first record in *out. A reply too short to hold it is
// answered with the error form of `error_kind` (or, with
// kCoreReplyLeftToAsker, by the asker), and false returned.
template <typename T>
bool core_reply_record(const KxFrameHeader* header, const void* payload, T* out, int error_kind = kReplyJson)
{
    if (record_at(payload, header->length, 0, out)) return true;
    if (error_kind == kCoreReplyLeftToAsker)
        core_reply_finish(kCoreReplyLeftToAsker);
    else
        core_reply_short(error_kind);
    return false;
}

// A formatter answering one JSON object made from the reply's first record:
// fill(object, record) adds the keys. The record is read into the heap, not
// onto the receiving thread's stack (some are tens of kilobytes).
template <typename T, typename Fill>
int core_reply_object(const KxFrameHeader* header, const void* payload, int error_kind, Fill fill)
{
    auto record = std::make_unique<T>();
    if (!core_reply_record(header, payload, record.get(), error_kind)) return 0;
    JsonPtr o = jobject();
    if (o) fill(o.get(), static_cast<const T&>(*record));
    return core_reply_json(o.get());
}
