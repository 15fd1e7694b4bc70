// The flows of handlers that ask a channel's camera through the core daemon
// or change a channel's stored row: the channel of a request, the
// one-channel query, the reply that turns one record into a JSON object,
// lists of JSON objects, channel lists and mask texts, and the
// read-patch-write of a channel row.
#pragma once

#include <cstring>
#include <memory>
#include <utility>

#include "common/core.h"
#include "common/core_reply.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/shared/channel.h"
#include "platform/kxdb.h"
#include "platform/record.h"

// The recorder's channels: 0..63.
constexpr int kFlowChannels = kChannelCount;

// The error kind of a request that is answered with nothing at all.
constexpr int kNoReply = -1;

// The array member `key`, or null when it is absent or not an array.
inline json_object* jarray_of(json_object* r, const char* key)
{
    json_object* a = jget(r, key);
    return a && json_object_is_type(a, json_type_array) ? a : nullptr;
}

// Number of elements of an array member (0 when it is not an array).
inline int jarray_length(json_object* a)
{
    return int(jarray_size(a));
}

// Writes a plain-text reply and ends the wait with `done`.
inline int finish_text(const char* text, int done = 1)
{
    cgi_reply(kReplyText, text);
    core_reply_finish(done);
    return 0;
}

// An integer field of record type T and its JSON key. One table of them
// serves both the reply that shows the record and the request that sets it.
template <typename T>
struct IntKey {
    const char* key;
    i32 T::*field;
};

// Adds the fields of `keys` to `o`, in table order.
template <typename T, size_t N>
void jadd_fields(json_object* o, const T& record, const IntKey<T> (&keys)[N])
{
    for (const IntKey<T>& k : keys) jadd(o, k.key, record.*k.field);
}

// Sets the fields of `keys` from the members of `r` (a missing one reads as
// 0).
template <typename T, size_t N>
void jint_fields(json_object* r, T& record, const IntKey<T> (&keys)[N])
{
    for (const IntKey<T>& k : keys) record.*k.field = jint(r, k.key);
}

// The one-channel query: the channel of the request's member `key` is the
// whole payload of `code`, and `answer` writes the reply (`error_kind` when
// none came). A request that is not JSON or names no channel there gets
// cgi_reply_error(bad_kind) and sends nothing.
int ask_channel(const char* request, const char* key, int bad_kind, const CoreAnswer& answer, u32 code,
                int error_kind);

// A zero-filled record on the heap, for messages too large for the stack.
template <typename T>
std::unique_ptr<T> heap_zeroed()
{
    auto record = std::make_unique<T>();
    std::memset(static_cast<void*>(record.get()), 0, sizeof(T));
    return record;
}

// A write to a channel's camera: a request whose member `key` is not a
// channel gets the JSON error reply; else fill(r, channel, record) sets a
// zero-filled Record (on the heap: some are tens of kilobytes), which goes
// as the payload of `code` and is answered by `answer` (the JSON error
// reply when no answer came).
template <typename Record, typename Fill>
int channel_write(const char* request, const char* key, const CoreAnswer& answer, u32 code, Fill fill)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    const i32 channel = channel_of(r, key);
    if (channel < 0) return cgi_reply_error(kReplyJson);
    auto record = heap_zeroed<Record>();
    fill(r, channel, *record);
    core_ask(answer, code, record.get(), sizeof(Record), kReplyJson);
    return 0;
}

// The object {key: value}; null (and the value freed) when it could not be
// created.
inline JsonPtr jobject_with(const char* key, JsonPtr value)
{
    JsonPtr o = jobject();
    if (o) jadd_value(o.get(), key, value.release());
    return o;
}

// An array of `count` objects, object i made by fill(object, i); null when
// the array or one of its objects could not be created.
template <typename Fill>
JsonPtr object_list(int count, Fill fill)
{
    JsonPtr list = jarray();
    for (int i = 0; list && i < count; i++) {
        JsonPtr o = jobject();
        if (!o) return JsonPtr();
        fill(o.get(), i);
        json_object_array_add(list.get(), o.release());
    }
    return list;
}

// An array of one object per whole record of type T in a reply, object i
// made by fill(object, record i).
template <typename T, typename Fill>
JsonPtr record_list(const KxFrameHeader* header, const void* payload, Fill fill)
{
    const int count = payload ? int(record_count<T>(header->length)) : 0;
    return object_list(count, [&](json_object* o, int i) {
        T record;
        record_at(payload, header->length, size_t(i), &record);
        fill(o, static_cast<const T&>(record));
    });
}

// Calls f(channel) for each of the first `count` elements of the array
// `list` that is a channel (0..63); elements past its end are not read.
template <typename F>
void each_listed_channel(json_object* list, int count, F f)
{
    for (int i = 0; i < count && i < jarray_length(list); i++) {
        const int ch = json_object_get_int(json_object_array_get_idx(list, size_t(i)));
        if (ch >= 0 && ch < kFlowChannels) f(ch);
    }
}

// A channel mask as text: one '1' or '0' per channel 0..63.
using ChannelText = char[kFlowChannels + 1];
void channel_text_of_mask(u64 mask, ChannelText& text);

// The mask of a channel text: bit i for a '1' at position i, up to the
// text's end or 64 positions. A null text is the empty mask.
u64 mask_of_channel_text(const char* text);

// Reads row `id` of a channel table into `row` (a row the store lacks reads
// as the table's empty row), sets its id, lets patch(row) change it and
// writes it back: the write's result.
template <typename T, typename Patch>
int patch_row(int (*read)(const char*, T*, int), int (*write)(const char*, const T*), int id, T& row, Patch patch)
{
    read(kMainDb, &row, id);
    row.id = id;
    patch(row);
    return write(kMainDb, &row);
}
