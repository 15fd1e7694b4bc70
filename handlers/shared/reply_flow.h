// The steps many handlers of the network, playback, storage, system, PTZ
// and record modules take alike: the log entry of a change, a file sent as
// a download, a request's list read, a query built from the request's JSON,
// and the answers of a core reply (its first record as a JSON object or the
// error when the record is missing, a JSON object, a one-word text), each of
// which ends the handler's wait for the core daemon.
#pragma once

#include "common/core.h"
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

// A request's list: element `i` of `array` (null when `array` is not a list
// or holds fewer elements) and its length (0 when it is not a list).
json_object* jarray_at(json_object* array, size_t i);
size_t jarray_size(json_object* array);

// Writes the "CGI ERROR" answer of `kind` and ends the wait; 0, what a reply
// formatter returns.
int reply_error_finish(int kind);

// Writes `o` as the JSON answer and ends the wait; 0.
int reply_json_finish(json_object* o);

// Writes `text` as the text answer and ends the wait; 0.
int reply_text_finish(const char* text);

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

// The reply's first record in *rec. A reply too short to hold it counts as
// no reply: the JSON error is written, the wait ended and false returned.
template <typename Rec>
bool reply_record(const KxFrameHeader* header, const void* payload, Rec* rec)
{
    if (record_at(payload, header->length, 0, rec)) return true;
    reply_error_finish(kReplyJson);
    return false;
}

// A reply formatter answering one JSON object built from the reply's first
// record: fill(object, record) adds the keys. Without the record the JSON
// error is the answer.
template <typename Rec, typename Fill>
int reply_record_object(const KxFrameHeader* header, const void* payload, Fill fill)
{
    Rec rec;
    if (!reply_record(header, payload, &rec)) return 0;
    JsonPtr reply = jobject();
    fill(reply.get(), rec);
    return reply_json_finish(reply.get());
}
