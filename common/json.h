// Small helpers over json-c so that handlers read as their algorithm.
#pragma once

#include <json-c/json.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

struct JsonFree {
    void operator()(json_object* o) const { json_object_put(o); }
};
// Owns a json-c object.
using JsonPtr = std::unique_ptr<json_object, JsonFree>;

// Parses a request text; null when it is not JSON.
JsonPtr json_parse(const char* text);

// A member, or null when absent.
inline json_object* jget(json_object* o, const char* key)
{
    json_object* v = nullptr;
    return o && json_object_object_get_ex(o, key, &v) ? v : nullptr;
}
inline bool jhas(json_object* o, const char* key) { return jget(o, key) != nullptr; }
// An integer member; a missing key reads as `def` (0 unless given).
inline int jint(json_object* o, const char* key, int def = 0)
{
    json_object* v = jget(o, key);
    return v ? json_object_get_int(v) : def;
}
// Range checks of an integer member (its value as jint reads it), one per
// rule for a missing key, named in the function:
//   jint_required_in  a missing key fails;
//   jint_optional_in  a missing key passes (nothing to check);
//   jint_zero_in      a missing key reads as 0 and is checked as 0.
// The value is read whole (64 bits) before it is compared: json-c's 32-bit
// read saturates, which would let 99999999999 pass a check against
// 0..INT32_MAX as if it were INT32_MAX.
inline bool jint_required_in(json_object* o, const char* key, int low, int high)
{
    json_object* v = jget(o, key);
    if (!v) return false;
    const int64_t n = json_object_get_int64(v);
    return n >= low && n <= high;
}
inline bool jint_optional_in(json_object* o, const char* key, int low, int high)
{
    return !jhas(o, key) || jint_required_in(o, key, low, high);
}
inline bool jint_zero_in(json_object* o, const char* key, int low, int high)
{
    json_object* v = jget(o, key);
    const int64_t n = v ? json_object_get_int64(v) : 0;
    return n >= low && n <= high;
}
// A text member, or null when absent.
inline const char* jstr(json_object* o, const char* key)
{
    json_object* v = jget(o, key);
    return v ? json_object_get_string(v) : nullptr;
}
// Copies a text member into a fixed field, cut to the field's width less one
// (or to `max` characters). False, field untouched, when the key is absent.
template <size_t N>
inline bool jtext(json_object* o, const char* key, char (&field)[N], size_t max = N - 1)
{
    const char* s = jstr(o, key);
    if (!s) return false;
    size_t n = std::strlen(s);
    if (n > max) n = max;
    if (n > N - 1) n = N - 1;
    std::memset(field, 0, N);
    std::memcpy(field, s, n);
    return true;
}
// Sets an integer field when the key is present.
template <typename T>
inline bool jset(json_object* o, const char* key, T& field)
{
    json_object* v = jget(o, key);
    if (!v) return false;
    field = static_cast<T>(json_object_get_int(v));
    return true;
}

// A request's list: its length (0 when it is not a list) and element `i`
// (null when it is not a list or holds fewer elements).
inline size_t jarray_size(json_object* array)
{
    return array && json_object_is_type(array, json_type_array) ? json_object_array_length(array) : 0;
}
inline json_object* jarray_at(json_object* array, size_t i)
{
    return i < jarray_size(array) ? json_object_array_get_idx(array, i) : nullptr;
}

// Building replies. Keys are literals (kept, not copied) and added once per
// object: json-c then neither copies the key nor looks for an earlier one,
// which is most of its cost in a large reply.
constexpr unsigned kNewConstantKey = JSON_C_OBJECT_ADD_KEY_IS_NEW | JSON_C_OBJECT_KEY_IS_CONSTANT;
inline void jadd_value(json_object* o, const char* key, json_object* v)
{
    json_object_object_add_ex(o, key, v, kNewConstantKey);
}
inline void jadd(json_object* o, const char* key, int v) { jadd_value(o, key, json_object_new_int(v)); }
inline void jadd(json_object* o, const char* key, const char* s) { jadd_value(o, key, json_object_new_string(s ? s : "")); }
// Adds a fixed text field (read up to its first NUL, never past its width).
template <size_t N>
inline void jadd_text(json_object* o, const char* key, const char (&field)[N])
{
    jadd_value(o, key, json_object_new_string_len(field, int(strnlen(field, N))));
}
inline JsonPtr jobject() { return JsonPtr(json_object_new_object()); }
inline JsonPtr jarray() { return JsonPtr(json_object_new_array()); }

// Writes json-c's text of `o` as the reply of `kind`.
int json_reply(int kind, json_object* o);
