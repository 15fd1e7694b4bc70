// Binary records shared with the store and the core daemon.
//
// A record is a plain struct declared in a header, used by the handlers, the
// emulator and the tests alike. Layouts are little-endian with natural
// alignment. The struct is the record's offset table: every member carries
// its byte offset as the comment of its line, and NVR_RECORD_SIZE(T, n)
// after the struct gives the size:
//
//     struct ThirdStreamQuery {
//         i32 channel;       // 0
//         i32 fisheye_type;  // 4
//     };
//     NVR_RECORD_SIZE(ThirdStreamQuery, 8);
//
// The build checks every one: cmake/record_checks.cmake reads each header
// that uses NVR_RECORD_SIZE and turns each member's comment into
// static_assert(offsetof(T, member) == N), compiled on every target
// (x86-64, 32-bit ARM, the sanitizer and fuzz builds), so a comment that
// does not match the layout, or a layout that differs between targets, does
// not build; a record member without an offset comment stops the build too.
// An array's comment may list the offsets of its elements ("// 104, 169");
// words may follow the numbers. Inside an anonymous struct or union the
// offsets count from the record's start; inside a struct or union that
// names a member, from that member's start (its closing line "} name;"
// carries the member's offset).
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

// Whether a path names a header (ends in ".h").
constexpr bool nvr_is_header(const char* path)
{
    size_t n = 0;
    while (path[n]) n++;
    return n >= 2 && path[n - 2] == '.' && path[n - 1] == 'h';
}

// The size of record T and that it is plain data; a record declared outside
// a header does not build, as the offset checks read headers only.
#define NVR_RECORD_SIZE(T, n)                                                   \
    static_assert(sizeof(T) == (n), #T " must be " #n " bytes");                \
    static_assert(std::is_trivially_copyable<T>::value, #T " must be plain data"); \
    static_assert(nvr_is_header(__FILE__), #T " must be declared in a header, where the build checks its offsets")

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
