// Keys, self-signed certificates, requests and the check of an uploaded
// certificate, with libcrypto.
#include "platform/ssl_cert.h"

#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

namespace {

constexpr int kRsaBits = 2048;

struct Free {
    void operator()(BIO* p) const { BIO_free(p); }
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(X509* p) const { X509_free(p); }
    void operator()(X509_REQ* p) const { X509_REQ_free(p); }
    void operator()(X509_NAME* p) const { X509_NAME_free(p); }
    void operator()(BIGNUM* p) const { BN_free(p); }
};
template <typename T>
using Own = std::unique_ptr<T, Free>;

// Never asks for a pass phrase: an encrypted key simply does not read.
int no_pass_phrase(char*, int, int, void*) { return -1; }

Own<BIO> memory_of(const std::string& text)
{
    return Own<BIO>(BIO_new_mem_buf(text.data(), int(text.size())));
}

bool bio_text(BIO* bio, std::string* out)
{
    char* data = nullptr;
    long n = BIO_get_mem_data(bio, &data);
    if (n < 0 || !data) return false;
    out->assign(data, size_t(n));
    return true;
}

Own<EVP_PKEY> read_key(const std::string& pem)
{
    if (pem.empty()) return nullptr;
    Own<BIO> bio = memory_of(pem);
    if (!bio) return nullptr;
    return Own<EVP_PKEY>(PEM_read_bio_PrivateKey(bio.get(), nullptr, no_pass_phrase, nullptr));
}

bool add_entry(X509_NAME* name, const char* field, const std::string& value)
{
    if (value.empty()) return true;
    return X509_NAME_add_entry_by_txt(name, field, MBSTRING_UTF8,
                                      reinterpret_cast<const unsigned char*>(value.data()), int(value.size()), -1,
                                      0) == 1;
}

// The subject as an X.509 name; null when a field is refused.
Own<X509_NAME> name_of(const SslSubject& s)
{
    if (s.common_name.empty()) return nullptr;
    if (!s.country.empty() &&
        (s.country.size() != 2 || !std::isalpha(static_cast<unsigned char>(s.country[0])) ||
         !std::isalpha(static_cast<unsigned char>(s.country[1]))))
        return nullptr;
    Own<X509_NAME> name(X509_NAME_new());
    if (!name) return nullptr;
    if (!add_entry(name.get(), "C", s.country) || !add_entry(name.get(), "ST", s.province) ||
        !add_entry(name.get(), "L", s.region) || !add_entry(name.get(), "O", s.organization) ||
        !add_entry(name.get(), "OU", s.unit) || !add_entry(name.get(), "CN", s.common_name) ||
        !add_entry(name.get(), "emailAddress", s.email))
        return nullptr;
    return name;
}

std::string name_field(const X509_NAME* name, int nid)
{
    int at = X509_NAME_get_index_by_NID(name, nid, -1);
    if (at < 0) return "";
    const ASN1_STRING* data = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, at));
    unsigned char* utf8 = nullptr;
    int n = ASN1_STRING_to_UTF8(&utf8, data);
    if (n < 0) return "";
    std::string s(reinterpret_cast<char*>(utf8), size_t(n));
    OPENSSL_free(utf8);
    return s;
}

std::string time_text(const ASN1_TIME* t)
{
    struct tm tm;
    if (!t || ASN1_TIME_to_tm(t, &tm) != 1) return "";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

void fill_info(const X509_NAME* name, SslCertInfo* info)
{
    info->country = name_field(name, NID_countryName);
    info->common_name = name_field(name, NID_commonName);
    info->email = name_field(name, NID_pkcs9_emailAddress);
}

void certificate_info(const X509* x, SslCertInfo* info)
{
    fill_info(X509_get_subject_name(x), info);
    info->dates = time_text(X509_get0_notBefore(x)) + " - " + time_text(X509_get0_notAfter(x));
}

// The common name as the certificate's alternative name (browsers match
// the host against it): an IP address, or a host name of plain ASCII.
bool add_alt_name(X509* x, const std::string& cn)
{
    GENERAL_NAME* gen = GENERAL_NAME_new();
    if (!gen) return false;
    if (ASN1_OCTET_STRING* ip = a2i_IPADDRESS(cn.c_str())) {
        GENERAL_NAME_set0_value(gen, GEN_IPADD, ip);
    } else {
        ERR_clear_error();
        for (char c : cn)
            if (c <= ' ' || c > '~') {
                GENERAL_NAME_free(gen);
                return true;  // no usable host name: the subject alone names it
            }
        ASN1_IA5STRING* dns = ASN1_IA5STRING_new();
        if (!dns || ASN1_STRING_set(dns, cn.data(), int(cn.size())) != 1) {
            ASN1_IA5STRING_free(dns);
            GENERAL_NAME_free(gen);
            return false;
        }
        GENERAL_NAME_set0_value(gen, GEN_DNS, dns);
    }
    GENERAL_NAMES* names = sk_GENERAL_NAME_new_null();
    bool ok = names && sk_GENERAL_NAME_push(names, gen) > 0;
    if (!ok) GENERAL_NAME_free(gen);
    ok = ok && X509_add1_ext_i2d(x, NID_subject_alt_name, names, 0, X509V3_ADD_DEFAULT) == 1;
    GENERAL_NAMES_free(names);
    return ok;
}

bool random_serial(X509* x)
{
    Own<BIGNUM> bn(BN_new());
    if (!bn || BN_rand(bn.get(), 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) != 1) return false;
    return BN_to_ASN1_INTEGER(bn.get(), X509_get_serialNumber(x)) != nullptr;
}

bool pem_of_key(EVP_PKEY* key, BIO* bio)
{
    return PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
}

}  // namespace

bool ssl_subject_valid(const SslSubject& subject)
{
    bool ok = name_of(subject) != nullptr;
    ERR_clear_error();
    return ok;
}

bool ssl_make_key(std::string* key_pem)
{
    Own<EVP_PKEY> key(EVP_RSA_gen(kRsaBits));
    Own<BIO> bio(BIO_new(BIO_s_mem()));
    bool ok = key && bio && pem_of_key(key.get(), bio.get()) && bio_text(bio.get(), key_pem);
    ERR_clear_error();
    return ok;
}

// Sets a certificate time from its UTC text ("YYYYMMDDHHMMSSZ"). No time_t
// crosses into the library: on 32-bit ARM it is built with a 32-bit time_t
// while this program uses a 64-bit one, so ASN1_TIME_set would read the
// wrong register.
static bool set_time(ASN1_TIME* field, time_t when)
{
    struct tm tm{};
    char text[32];
    if (!gmtime_r(&when, &tm) ||
        std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                      tm.tm_hour, tm.tm_min, tm.tm_sec) >= int(sizeof text))
        return false;
    return ASN1_TIME_set_string_X509(field, text) == 1;
}

bool ssl_make_self_signed(const std::string& key_pem, const SslSubject& subject, time_t not_before,
                          time_t not_after, std::string* cert_pem, SslCertInfo* info)
{
    bool ok = false;
    Own<EVP_PKEY> key = read_key(key_pem);
    Own<X509_NAME> name = name_of(subject);
    Own<X509> x(X509_new());
    Own<BIO> bio(BIO_new(BIO_s_mem()));
    if (key && name && x && bio && not_after > not_before && X509_set_version(x.get(), 2) == 1 &&
        random_serial(x.get()) && set_time(X509_getm_notBefore(x.get()), not_before) &&
        set_time(X509_getm_notAfter(x.get()), not_after) && X509_set_subject_name(x.get(), name.get()) == 1 &&
        X509_set_issuer_name(x.get(), name.get()) == 1 && X509_set_pubkey(x.get(), key.get()) == 1 &&
        add_alt_name(x.get(), subject.common_name) && X509_sign(x.get(), key.get(), EVP_sha256()) > 0 &&
        PEM_write_bio_X509(bio.get(), x.get()) == 1 && bio_text(bio.get(), cert_pem)) {
        certificate_info(x.get(), info);
        ok = true;
    }
    ERR_clear_error();
    return ok;
}

bool ssl_make_request(const std::string& key_pem, const SslSubject& subject, std::string* csr_pem,
                      SslCertInfo* info)
{
    bool ok = false;
    Own<EVP_PKEY> key = read_key(key_pem);
    Own<X509_NAME> name = name_of(subject);
    Own<X509_REQ> req(X509_REQ_new());
    Own<BIO> bio(BIO_new(BIO_s_mem()));
    if (key && name && req && bio && X509_REQ_set_version(req.get(), 0) == 1 &&
        X509_REQ_set_subject_name(req.get(), name.get()) == 1 && X509_REQ_set_pubkey(req.get(), key.get()) == 1 &&
        X509_REQ_sign(req.get(), key.get(), EVP_sha256()) > 0 && PEM_write_bio_X509_REQ(bio.get(), req.get()) == 1 &&
        bio_text(bio.get(), csr_pem)) {
        fill_info(X509_REQ_get_subject_name(req.get()), info);
        info->dates.clear();
        ok = true;
    }
    ERR_clear_error();
    return ok;
}

SslCheck ssl_check_pair(const std::string& upload, const std::string& spare_key_pem, std::string* pem_out,
                        SslCertInfo* info)
{
    Own<X509> x;
    if (Own<BIO> bio = memory_of(upload)) x.reset(PEM_read_bio_X509(bio.get(), nullptr, no_pass_phrase, nullptr));
    if (!x) {
        // A certificate in binary (DER) form.
        if (Own<BIO> bio = memory_of(upload)) x.reset(d2i_X509_bio(bio.get(), nullptr));
    }
    ERR_clear_error();
    if (!x) return kSslNoCertificate;
    Own<EVP_PKEY> key = read_key(upload);
    if (!key) key = read_key(spare_key_pem);
    ERR_clear_error();
    if (!key) return kSslNoKey;
    if (X509_check_private_key(x.get(), key.get()) != 1) {
        ERR_clear_error();
        return kSslKeyMismatch;
    }
    Own<BIO> out(BIO_new(BIO_s_mem()));
    bool ok = out && PEM_write_bio_X509(out.get(), x.get()) == 1 && pem_of_key(key.get(), out.get()) &&
              bio_text(out.get(), pem_out);
    ERR_clear_error();
    if (!ok) return kSslNoCertificate;
    certificate_info(x.get(), info);
    return kSslPairOk;
}
