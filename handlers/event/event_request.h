// Small request helpers of the alarm and video-loss handlers.
#pragma once

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "common/json.h"
#include "platform/kxdb.h"
#include "platform/record.h"
#include "handlers/shared/event_actions.h"

// The id under `key`, when present and within 0..limit-1.
inline bool id_key(json_object* req, const char* key, int limit, int* out)
{
    json_object* v = jget(req, key);
    if (!v) return false;
    int64_t id = json_object_get_int64(v);
    if (id < 0 || id >= limit) return false;
    *out = int(id);
    return true;
}

// A request text holding an id as decimal text ("3", " 12"); false when it
// holds no number at all. Values beyond the int range are clamped.
inline bool decimal_id(const char* text, long* out)
{
    if (!text) return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (end == text) return false;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    *out = v;
    return true;
}

// The object under `key`, or null when absent or not an object.
inline json_object* jobject_of(json_object* obj, const char* key)
{
    json_object* v = jget(obj, key);
    return v && json_object_is_type(v, json_type_object) ? v : nullptr;
}

// Element i of an array member, or null.
inline json_object* jelement(json_object* obj, const char* key, size_t i)
{
    return jarray_at(jget(obj, key), i);
}

// The mask of the first `count_key` ids of `list_key` that lie in
// 0..limit-1 (other elements are skipped but counted), without `except`.
inline u64 id_mask_from_list(json_object* obj, const char* list_key, const char* count_key, int limit, int except)
{
    json_object* list = jget(obj, list_key);
    if (!list || !json_object_is_type(list, json_type_array) || !jhas(obj, count_key)) return 0;
    const int count = jint(obj, count_key);
    const size_t n = json_object_array_length(list);
    u64 mask = 0;
    for (int i = 0; i < count && size_t(i) < n; i++) {
        json_object* v = json_object_array_get_idx(list, size_t(i));
        if (!v || !json_object_is_type(v, json_type_int)) continue;
        int64_t id = json_object_get_int64(v);
        if (id >= 0 && id < limit && id < 64 && id != except) mask |= u64(1) << id;
    }
    return mask;
}

// Calls `each` with the id of every element among the first `count_key`
// of `list_key` that is an integer within 0..63, repeats included, in
// order; stops at the end of the list or when `each` gives false.
template <typename Each>
void each_listed_channel(json_object* obj, const char* list_key, const char* count_key, Each&& each)
{
    const int count = jint(obj, count_key);
    for (int i = 0; i < count; i++) {
        json_object* v = jelement(obj, list_key, size_t(i));
        if (!v) break;
        if (!json_object_is_type(v, json_type_int)) continue;
        const int64_t id = json_object_get_int64(v);
        if (id >= 0 && id < kEventChannels && !each(int(id))) break;
    }
}

// Reads the whole table of an event source's N records with `read_all`,
// lets `update` change the records of the `listed` ids (true when it changed
// one) and writes back the changed ones with `write_all`. The mask of the
// changed ids.
template <int N, typename Rec, typename Update>
u64 update_listed(int (*read_all)(const char*, Rec*, int*),
                  int (*write_all)(const char*, const Rec*, int, u32, u32), u64 listed, Update&& update)
{
    const auto all = std::make_unique<Rec[]>(N);
    int count = 0;
    read_all(kMainDb, all.get(), &count);
    u64 changed = 0;
    for (int i = 0; i < N; i++)
        if ((listed >> i & 1) && update(all[i])) changed |= u64(1) << i;
    write_all(kMainDb, all.get(), N, mask_low(changed), mask_high(changed));
    return changed;
}
