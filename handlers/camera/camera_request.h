// Small request and reply helpers shared by the camera units.
#pragma once

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"

// The array member `key`, or null when it is absent or not an array.
inline json_object* jarray_of(json_object* r, const char* key)
{
    json_object* a = jget(r, key);
    return a && json_object_is_type(a, json_type_array) ? a : nullptr;
}

// Number of elements of an array member (0 when it is not an array).
inline int jarray_length(json_object* a)
{
    return a && json_object_is_type(a, json_type_array) ? int(json_object_array_length(a)) : 0;
}

// A reply too short for its record: the request's error reply, so that the
// handler does not wait out the whole time-out for an answer that came.
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

// Writes a plain-text reply and ends the wait with `done`.
inline int finish_text(const char* text, int done = 1)
{
    cgi_reply(kReplyText, text);
    core_reply_finish(done);
    return 0;
}
