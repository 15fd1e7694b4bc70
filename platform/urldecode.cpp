// URL decoding in place.
#include "platform/urldecode.h"

namespace {

int hex_digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

int get_url_decode(char* text)
{
    if (!text) return -1;
    char* out = text;
    for (const char* in = text; *in;) {
        int hi, lo;
        if (in[0] == '%' && (hi = hex_digit(in[1])) >= 0 && (lo = hex_digit(in[2])) >= 0) {
            *out++ = char(hi << 4 | lo);
            in += 3;
        } else {
            *out++ = *in++;
        }
    }
    *out = 0;
    int n = 0;
    while (text[n]) n++;
    return n;
}
