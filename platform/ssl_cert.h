// Keys, certificates and certificate requests for the web server's HTTPS,
// made and checked with OpenSSL's libcrypto in this process (no shell, no
// openssl program). Texts are PEM.
#pragma once

#include <ctime>
#include <string>

// The subject of a certificate or request; empty fields are left out.
struct SslSubject {
    std::string country;       // C, two letters
    std::string province;      // ST
    std::string region;        // L
    std::string organization;  // O
    std::string unit;          // OU
    std::string common_name;   // CN
    std::string email;         // emailAddress
};

// What the settings page shows of a certificate or request.
struct SslCertInfo {
    std::string country;
    std::string common_name;
    std::string email;
    std::string dates;  // "YYYY-MM-DD HH:MM:SS - YYYY-MM-DD HH:MM:SS" (UTC); "" for a request
};

// True when a certificate can carry the subject: a country of two letters
// or none, a common name, and texts its name fields take.
bool ssl_subject_valid(const SslSubject& subject);

// A new 2048-bit RSA private key (unencrypted PKCS#8 PEM). False on failure.
bool ssl_make_key(std::string* key_pem);

// A self-signed certificate of the key for the subject, valid from
// not_before to not_after (SHA-256, version 3, random serial). False when the
// key cannot be read, the subject is refused (a country that is not two
// letters, an empty common name) or the times are out of order.
bool ssl_make_self_signed(const std::string& key_pem, const SslSubject& subject, time_t not_before,
                          time_t not_after, std::string* cert_pem, SslCertInfo* info);

// A certificate signing request of the key for the subject (SHA-256).
bool ssl_make_request(const std::string& key_pem, const SslSubject& subject, std::string* csr_pem,
                      SslCertInfo* info);

// Result of checking a certificate upload.
enum SslCheck {
    kSslPairOk = 0,
    kSslNoCertificate,  // no readable certificate in the text
    kSslNoKey,          // no private key in the text nor a spare one given
    kSslKeyMismatch,    // the key is not the certificate's
};

// Parses the first certificate of `upload` and its private key: the key in
// `upload`, else `spare_key_pem` (the key of a pending request; may be
// empty). On kSslPairOk, `pem_out` holds the certificate and the key as PEM
// (the form the web server reads) and `info` the certificate's details.
SslCheck ssl_check_pair(const std::string& upload, const std::string& spare_key_pem, std::string* pem_out,
                        SslCertInfo* info);

// Writes `bytes` to `path` with the given mode whatever the umask: to a
// temporary file beside it, synced, then renamed over it, so a reader sees
// the old file or the whole new one. False on failure (nothing replaced).
bool ssl_write_file(const std::string& path, const std::string& bytes, unsigned mode);
// Reads a file of at most `max` bytes; false when missing, unreadable or larger.
bool ssl_read_file(const std::string& path, std::string* out, size_t max);
