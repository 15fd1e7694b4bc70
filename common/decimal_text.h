// Request texts that carry one decimal number ("3", " 12\n").
#pragma once

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

// True with *out set when the text is a whole decimal integer that fits an
// int, with optional blanks around it. An empty text, trailing garbage
// ("3x") or an overflow is not a number, so a destructive request never
// acts on a port that the client did not name.
inline bool decimal_text(const char* text, int* out)
{
    if (!text) return false;
    while (std::isspace(static_cast<unsigned char>(*text))) text++;
    if (!*text) return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    while (std::isspace(static_cast<unsigned char>(*end))) end++;
    if (*end) return false;
    *out = int(v);
    return true;
}

// True when the text holds nothing but blanks.
inline bool blank_text(const char* text)
{
    if (!text) return true;
    while (std::isspace(static_cast<unsigned char>(*text))) text++;
    return *text == 0;
}
