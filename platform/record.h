// Binary records shared with the store and the core daemon.
//
// A record is a plain struct whose members follow its offset table, declared
// once and used by the handlers, the emulator and the tests. Layouts are
// little-endian with natural alignment; NVR_RECORD_SIZE and NVR_FIELD_AT pin
// every size and offset at compile time so that a layout that differs
// between targets (x86-64, 32-bit ARM) does not build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

using u8 = uint8_t;
using u32 = uint32_t;
using i32 = int32_t;
using u64 = uint64_t;
using i64 = int64_t;

#define NVR_RECORD_SIZE(T, n)                                                   \
    static_assert(sizeof(T) == (n), #T " must be " #n " bytes");                \
    static_assert(std::is_trivially_copyable<T>::value, #T " must be plain data")

#define NVR_FIELD_AT(T, field, off) \
    static_assert(offsetof(T, field) == (off), #T "." #field " must be at " #off)

// Copies a text into a fixed field, cut to the field's width less one and
// NUL-padded.
template <size_t N>
inline void set_text(char (&field)[N], const char* text)
{
    std::memset(field, 0, N);
    if (text) std::memcpy(field, text, strnlen(text, N - 1));
}

// Copies a text into a fixed field, cut to at most `max` characters.
template <size_t N>
inline void set_text(char (&field)[N], const char* text, size_t max)
{
    std::memset(field, 0, N);
    if (!text) return;
    size_t n = std::strlen(text);
    if (n > max) n = max;
    if (n > N - 1) n = N - 1;
    std::memcpy(field, text, n);
}

// Reads a fixed text field as a C string even when it has no terminating NUL.
template <size_t N>
struct FieldText {
    char s[N + 1];
};
template <size_t N>
inline FieldText<N> text_of(const char (&field)[N])
{
    FieldText<N> t;
    std::memcpy(t.s, field, N);
    t.s[N] = 0;
    return t;
}

// Zero-filled record.
template <typename T>
inline T zeroed()
{
    static_assert(std::is_trivially_copyable<T>::value, "plain records only");
    T t;
    std::memset(&t, 0, sizeof t);
    return t;
}

// Reads record i of a payload of `len` bytes; false when the payload does not
// hold a whole record there (a short reply never reads past its payload).
template <typename T>
inline bool record_at(const void* payload, size_t len, size_t i, T* out)
{
    if (!payload || (i + 1) * sizeof(T) > len) return false;
    std::memcpy(out, static_cast<const char*>(payload) + i * sizeof(T), sizeof(T));
    return true;
}

// Number of whole records of type T in a payload of `len` bytes.
template <typename T>
inline size_t record_count(size_t len) { return len / sizeof(T); }

// 64-bit channel mask carried as two 32-bit words, low word first.
inline u64 mask64(u32 low, u32 high) { return (u64(high) << 32) | low; }
inline u32 mask_low(u64 m) { return u32(m & 0xffffffffu); }
inline u32 mask_high(u64 m) { return u32(m >> 32); }
