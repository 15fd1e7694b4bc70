// The encryption library for the CGI program. The URL-safe Base64 of clip
// names is the C library's resolver Base64; the Base64 and AES of uploaded
// packages are done by the helper program (tools/crypt/), so this program
// carries no cryptographic library.
#include "platform/kxcrypt.h"

#include <resolv.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/kxcrypt_helper.h"
#include "platform/kxcrypt_url.h"

int kx_base64_decode(const char* in, int in_len, unsigned char* out, int out_size)
{
    if (!in || !out || in_len < 0 || out_size < kx_base64_decoded_max(in_len)) return -1;
    if (in_len == 0) return 0;
    std::string plain;
    if (kxcrypt_helper_run({"base64-decode"}, std::string(in, size_t(in_len)), &plain) != 0 ||
        plain.size() > size_t(out_size))
        return -1;
    std::memcpy(out, plain.data(), plain.size());
    return int(plain.size());
}

int base64EncodeUrl(const unsigned char* in, int len, char* out, int out_size)
{
    return kx_base64_url_encode(in, len, out, out_size, [](const unsigned char* bytes, int n, char* text, int size) {
        return b64_ntop(bytes, size_t(n), text, size_t(size));
    });
}

int base64DecodeUrl(const char* in, unsigned char* out, int out_size)
{
    return kx_base64_url_decode(in, out, out_size, [](const char* text, int, unsigned char* bytes, int size) {
        return b64_pton(text, bytes, size_t(size));
    });
}

int aesDecryWeb(const unsigned char* in, const char* key, unsigned char* out, int len)
{
    if (!in || !out || !key || !*key || len <= kAesWebIvSize || (len - kAesWebIvSize) % 16 != 0) return -1;
    std::string request, plain;
    kxcrypt_put(&request, std::string(key, strnlen(key, kAesWebKeyChars)));
    kxcrypt_put(&request, std::string(reinterpret_cast<const char*>(in), size_t(len)));
    if (kxcrypt_helper_run({"aes-decrypt"}, request, &plain) != 0 || plain.size() > size_t(len)) return -1;
    std::memcpy(out, plain.data(), plain.size());
    return int(plain.size());
}

int aesEncryWeb(const unsigned char* in, const char* key, const unsigned char iv[kAesWebIvSize], unsigned char* out,
                int len)
{
    if (!in || !iv || !out || len < 0 || len > INT_MAX - 64 || !key || !*key) return -1;
    std::string request, cipher;
    kxcrypt_put(&request, std::string(key, strnlen(key, kAesWebKeyChars)));
    kxcrypt_put(&request, std::string(reinterpret_cast<const char*>(iv), kAesWebIvSize));
    kxcrypt_put(&request, std::string(reinterpret_cast<const char*>(in), size_t(len)));
    if (kxcrypt_helper_run({"aes-encrypt"}, request, &cipher) != 0 || cipher.size() > size_t(len) + 32) return -1;
    std::memcpy(out, cipher.data(), cipher.size());
    return int(cipher.size());
}
