// The URL-safe Base64 of clip names around a standard Base64 codec. The
// helper program and the CGI program encode and decode standard Base64 with
// different libraries; the URL-safe alphabet, the dropped padding and the
// buffer checks are the same for both and live here.
#pragma once

// Encodes `len` bytes as standard Base64 with padding into `out` (room for
// `out_size` bytes, the text and a NUL): the text's length, or -1.
using KxBase64Encode = int (*)(const unsigned char* in, int len, char* out, int out_size);
// Decodes `in_len` characters of padded standard Base64 (`in` is also
// NUL-terminated) into `out`: the byte count, or -1.
using KxBase64Decode = int (*)(const char* in, int in_len, unsigned char* out, int out_size);

// base64EncodeUrl and base64DecodeUrl (platform/kxcrypt.h) with the given
// standard codec.
int kx_base64_url_encode(const unsigned char* in, int len, char* out, int out_size, KxBase64Encode encode);
int kx_base64_url_decode(const char* in, unsigned char* out, int out_size, KxBase64Decode decode);
