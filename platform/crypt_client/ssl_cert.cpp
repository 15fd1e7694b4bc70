// Keys, certificates and requests for the CGI program: the work is done by
// the helper program (tools/crypt/), so this program carries no
// cryptographic library. Keys travel on the helper's standard streams.
#include "platform/ssl_cert.h"

#include <cstdlib>
#include <string>

#include "platform/kxcrypt_helper.h"

namespace {

void put_subject(std::string* in, const SslSubject& s)
{
    for (const std::string* f : {&s.country, &s.province, &s.region, &s.organization, &s.unit, &s.common_name,
                                 &s.email})
        kxcrypt_put(in, *f);
}

// The helper's answer: the text, then the certificate's details.
bool take_result(const std::string& out, std::string* pem, SslCertInfo* info)
{
    size_t at = 0;
    SslCertInfo got;
    std::string text;
    if (!kxcrypt_take(out, &at, &text) || !kxcrypt_take(out, &at, &got.country) ||
        !kxcrypt_take(out, &at, &got.common_name) || !kxcrypt_take(out, &at, &got.email) ||
        !kxcrypt_take(out, &at, &got.dates))
        return false;
    *pem = std::move(text);
    if (info) *info = std::move(got);
    return true;
}

}  // namespace

bool ssl_subject_valid(const SslSubject& subject)
{
    std::string in;
    put_subject(&in, subject);
    return kxcrypt_helper_run({"subject-valid"}, in, nullptr) == 0;
}

bool ssl_make_key(std::string* key_pem)
{
    std::string out;
    if (kxcrypt_helper_run({"key"}, "", &out) != 0 || out.empty()) return false;
    *key_pem = std::move(out);
    return true;
}

bool ssl_make_self_signed(const std::string& key_pem, const SslSubject& subject, time_t not_before,
                          time_t not_after, std::string* cert_pem, SslCertInfo* info)
{
    std::string in, out;
    kxcrypt_put(&in, key_pem);
    put_subject(&in, subject);
    return kxcrypt_helper_run({"self-signed", std::to_string(static_cast<long long>(not_before)),
                               std::to_string(static_cast<long long>(not_after))},
                              in, &out) == 0 &&
           take_result(out, cert_pem, info);
}

bool ssl_make_request(const std::string& key_pem, const SslSubject& subject, std::string* csr_pem,
                      SslCertInfo* info)
{
    std::string in, out;
    kxcrypt_put(&in, key_pem);
    put_subject(&in, subject);
    return kxcrypt_helper_run({"request"}, in, &out) == 0 && take_result(out, csr_pem, info);
}

SslCheck ssl_check_pair(const std::string& upload, const std::string& spare_key_pem, std::string* pem_out,
                        SslCertInfo* info)
{
    std::string in, out;
    kxcrypt_put(&in, upload);
    kxcrypt_put(&in, spare_key_pem);
    switch (kxcrypt_helper_run({"check-pair"}, in, &out)) {
    case kSslPairOk:
        return take_result(out, pem_out, info) ? kSslPairOk : kSslNoCertificate;
    case kSslNoKey:
        return kSslNoKey;
    case kSslKeyMismatch:
        return kSslKeyMismatch;
    default:
        return kSslNoCertificate;
    }
}
