#include "platform/kxcrypt.h"

#include <openssl/evp.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/kxcrypt_url.h"

namespace {

// Decodes standard Base64 with libcrypto's streaming decoder, which skips
// line breaks and blanks and understands the padding.
int decode_standard(const char* in, int in_len, unsigned char* out, int out_size)
{
    if (!in || !out || in_len < 0 || out_size < kx_base64_decoded_max(in_len)) return -1;
    if (in_len == 0) return 0;
    EVP_ENCODE_CTX* ctx = EVP_ENCODE_CTX_new();
    if (!ctx) return -1;
    EVP_DecodeInit(ctx);
    int n = 0, tail = 0;
    int r = EVP_DecodeUpdate(ctx, out, &n, reinterpret_cast<const unsigned char*>(in), in_len);
    if (r >= 0 && EVP_DecodeFinal(ctx, out + n, &tail) == 1) {
        EVP_ENCODE_CTX_free(ctx);
        return n + tail;
    }
    EVP_ENCODE_CTX_free(ctx);
    return -1;
}

int encode_standard(const unsigned char* in, int len, char* out, int /*out_size*/)
{
    return EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out), in, len);
}

// The 32 key bytes: the text's first 32 characters, zero-padded.
bool web_key(const char* text, unsigned char key[kAesWebKeyChars])
{
    if (!text || !*text) return false;
    std::memset(key, 0, kAesWebKeyChars);
    std::memcpy(key, text, strnlen(text, kAesWebKeyChars));
    return true;
}

}  // namespace

int kx_base64_decode(const char* in, int in_len, unsigned char* out, int out_size)
{
    return decode_standard(in, in_len, out, out_size);
}

int base64EncodeUrl(const unsigned char* in, int len, char* out, int out_size)
{
    return kx_base64_url_encode(in, len, out, out_size, encode_standard);
}

int base64DecodeUrl(const char* in, unsigned char* out, int out_size)
{
    return kx_base64_url_decode(in, out, out_size, decode_standard);
}

int aesDecryWeb(const unsigned char* in, const char* key, unsigned char* out, int len)
{
    unsigned char k[kAesWebKeyChars];
    if (!in || !out || !web_key(key, k) || len <= kAesWebIvSize || (len - kAesWebIvSize) % 16 != 0) return -1;
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    if (!ctx) return -1;
    int n = 0, tail = 0;
    bool ok = EVP_DecryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, k, in) == 1 &&
              EVP_DecryptUpdate(ctx, out, &n, in + kAesWebIvSize, len - kAesWebIvSize) == 1 &&
              EVP_DecryptFinal_ex(ctx, out + n, &tail) == 1;
    EVP_CIPHER_CTX_free(ctx);
    return ok ? n + tail : -1;
}

int aesEncryWeb(const unsigned char* in, const char* key, const unsigned char iv[kAesWebIvSize], unsigned char* out,
                int len)
{
    unsigned char k[kAesWebKeyChars];
    if (!in || !iv || !out || len < 0 || len > INT_MAX - 64 || !web_key(key, k)) return -1;
    std::memcpy(out, iv, kAesWebIvSize);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    if (!ctx) return -1;
    int n = 0, tail = 0;
    bool ok = EVP_EncryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, k, iv) == 1 &&
              EVP_EncryptUpdate(ctx, out + kAesWebIvSize, &n, in, len) == 1 &&
              EVP_EncryptFinal_ex(ctx, out + kAesWebIvSize + n, &tail) == 1;
    EVP_CIPHER_CTX_free(ctx);
    return ok ? kAesWebIvSize + n + tail : -1;
}
