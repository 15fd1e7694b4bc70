// The encryption library: Base64 in its standard and URL-safe forms, and the
// AES cipher of the web pages' encrypted uploads. Built on OpenSSL's
// libcrypto.
//
// Every call returns a length (0 or more) on success and -1 on failure (bad
// input, or an output that does not fit); outputs are never written past the
// size given.
#pragma once

#include <cstddef>

// Bytes needed to decode `in_len` characters of Base64 (an upper bound).
constexpr int kx_base64_decoded_max(int in_len) { return in_len < 0 ? 0 : (in_len + 3) / 4 * 3; }

// Decodes standard Base64 ('+', '/', '=' padding). Line breaks and blanks
// between the characters are ignored, so a file written 64 or 76 characters
// a line decodes as it stands.
int kx_base64_decode(const char* in, int in_len, unsigned char* out, int out_size);

// URL-safe Base64 ('-' and '_' in place of '+' and '/', no padding): the
// result can be a file name. `out` receives the text and a NUL, so it needs
// at least 4 * ceil(len / 3) + 1 bytes.
int base64EncodeUrl(const unsigned char* in, int len, char* out, int out_size);
// Decodes a URL-safe Base64 text (padding may be present or not).
int base64DecodeUrl(const char* in, unsigned char* out, int out_size);

// The AES cipher of the web pages: AES-256 in CBC mode with PKCS#7 padding.
// The key is the key text's first 32 characters, zero-padded when it is
// shorter; the cipher text begins with its 16-byte initialisation vector.
constexpr int kAesWebIvSize = 16;
constexpr int kAesWebKeyChars = 32;

// Decrypts `len` bytes of `in` into `out` (room for `len` bytes): the plain
// length. -1 for a wrong key (bad padding), a length that is no whole number
// of blocks after the vector, or an empty key.
int aesDecryWeb(const unsigned char* in, const char* key, unsigned char* out, int len);
// The reverse, for tools and tests: encrypts `len` bytes with the given
// vector into `out` (room for len + 32 bytes): the cipher length, vector
// included.
int aesEncryWeb(const unsigned char* in, const char* key, const unsigned char iv[kAesWebIvSize], unsigned char* out,
                int len);
