// The URL-safe Base64 framing shared by both builds of the encryption
// library (platform/kxcrypt.cpp, platform/crypt_client/kxcrypt.cpp).
#include "platform/kxcrypt_url.h"

#include <climits>
#include <cstring>
#include <string>

#include "platform/kxcrypt.h"

int kx_base64_url_encode(const unsigned char* in, int len, char* out, int out_size, KxBase64Encode encode)
{
    if (!in || !out || len < 0 || len > INT_MAX / 4 - 3) return -1;
    const int full = (len + 2) / 3 * 4;
    std::string text(size_t(full) + 1, '\0');
    int n = encode(in, len, &text[0], int(text.size()));
    if (n != full) return -1;
    while (n > 0 && text[size_t(n) - 1] == '=') n--;
    if (n >= out_size) return -1;
    for (int i = 0; i < n; i++) {
        char c = text[size_t(i)];
        out[i] = c == '+' ? '-' : c == '/' ? '_' : c;
    }
    out[n] = '\0';
    return n;
}

int kx_base64_url_decode(const char* in, unsigned char* out, int out_size, KxBase64Decode decode)
{
    if (!in || !out) return -1;
    std::string text(in);
    for (char& c : text) {
        if (c == '+' || c == '/') return -1;  // not of the URL-safe alphabet
        if (c == '-') c = '+';
        if (c == '_') c = '/';
    }
    while (text.size() % 4 != 0) text += '=';
    if (text.size() > size_t(INT_MAX)) return -1;
    // The decoder needs room for whole groups; the result is copied out only
    // when it fits.
    std::string plain(size_t(kx_base64_decoded_max(int(text.size()))) + 1, '\0');
    int n = decode(text.c_str(), int(text.size()), reinterpret_cast<unsigned char*>(&plain[0]), int(plain.size()));
    if (n < 0 || n > out_size) return -1;
    std::memcpy(out, plain.data(), size_t(n));
    return n;
}
