// nvr-crypt: the cryptographic work of the CGI program (keys, certificates,
// the P2P connection's RSA, the Base64 and AES of uploaded packages), run by
// it as a helper so that it does not carry the cryptographic library.
//
//   nvr-crypt subject-valid            in: 7 subject fields       exit 0 when valid
//   nvr-crypt key                      out: a new key (PEM)
//   nvr-crypt self-signed FROM TO      in: key, 7 subject fields  out: certificate, 4 detail fields
//   nvr-crypt request                  in: key, 7 subject fields  out: request, 4 detail fields
//   nvr-crypt check-pair               in: upload, spare key      exit: the check's result; out as above
//   nvr-crypt p2p-keyfile PATH         makes PATH hold a key
//   nvr-crypt p2p-switch client|server PATH    key exchange on descriptor 3; out: the peer's key (DER)
//   nvr-crypt p2p-send                 in: peer key, message; sends it on descriptor 3; out: the encrypted bytes
//   nvr-crypt p2p-recv PATH SIZE       receives one message on descriptor 3; out: its plain bytes
//   nvr-crypt base64-decode            in: Base64 text            out: the bytes
//   nvr-crypt aes-decrypt              in: key text, cipher       out: the plain bytes
//   nvr-crypt aes-encrypt              in: key text, vector, plain bytes  out: the cipher
//
// Fields are those of kxcrypt_put() (platform/kxcrypt_helper.h). Exit status
// 0 on success, 1 on failure, 2 for a malformed call.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kxcrypt.h"
#include "platform/kxcrypt_helper.h"
#include "platform/p2p_client.h"
#include "platform/p2p_client_keys.h"
#include "platform/ssl_cert.h"

namespace {

constexpr int kUsage = 2;
constexpr int kSocketFd = 3;

std::string read_input()
{
    std::string in;
    char buf[65536];
    for (;;) {
        ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        in.append(buf, size_t(n));
    }
    return in;
}

bool write_output(const std::string& out)
{
    for (size_t done = 0; done < out.size();) {
        ssize_t n = write(STDOUT_FILENO, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

bool take_fields(const std::string& in, size_t* at, std::vector<std::string*> fields)
{
    for (std::string* f : fields)
        if (!kxcrypt_take(in, at, f)) return false;
    return true;
}

bool take_subject(const std::string& in, size_t* at, SslSubject* s)
{
    return take_fields(in, at, {&s->country, &s->province, &s->region, &s->organization, &s->unit,
                                &s->common_name, &s->email});
}

int put_result(const std::string& pem, const SslCertInfo& info)
{
    std::string out;
    kxcrypt_put(&out, pem);
    kxcrypt_put(&out, info.country);
    kxcrypt_put(&out, info.common_name);
    kxcrypt_put(&out, info.email);
    kxcrypt_put(&out, info.dates);
    return write_output(out) ? 0 : 1;
}

bool number(const char* text, long long* out)
{
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    *out = std::strtoll(text, &end, 10);
    return errno == 0 && *end == '\0';
}

// The socket handed over as descriptor 3, as a P2P connection.
P2pSocket* handed_socket() { return socket_adopt(kSocketFd); }

int run(int argc, char** argv)
{
    if (argc < 2) return kUsage;
    const std::string cmd = argv[1];
    const std::string in = read_input();
    size_t at = 0;

    if (cmd == "subject-valid") {
        SslSubject s;
        if (!take_subject(in, &at, &s)) return kUsage;
        return ssl_subject_valid(s) ? 0 : 1;
    }
    if (cmd == "key") {
        std::string key;
        return ssl_make_key(&key) && write_output(key) ? 0 : 1;
    }
    if (cmd == "self-signed" || cmd == "request") {
        std::string key, pem;
        SslSubject s;
        SslCertInfo info;
        long long from = 0, to = 0;
        if (!kxcrypt_take(in, &at, &key) || !take_subject(in, &at, &s)) return kUsage;
        if (cmd == "request") return ssl_make_request(key, s, &pem, &info) ? put_result(pem, info) : 1;
        if (argc != 4 || !number(argv[2], &from) || !number(argv[3], &to)) return kUsage;
        return ssl_make_self_signed(key, s, time_t(from), time_t(to), &pem, &info) ? put_result(pem, info) : 1;
    }
    if (cmd == "check-pair") {
        std::string upload, spare, pem;
        SslCertInfo info;
        if (!take_fields(in, &at, {&upload, &spare})) return kUsage;
        SslCheck check = ssl_check_pair(upload, spare, &pem, &info);
        if (check != kSslPairOk) return int(check);
        return put_result(pem, info) == 0 ? int(kSslPairOk) : int(kSslNoCertificate);
    }
    if (cmd == "p2p-keyfile") {
        if (argc != 3) return kUsage;
        return p2p_create_keyfile(argv[2]) == 0 ? 0 : 1;
    }
    if (cmd == "p2p-switch") {
        if (argc != 4) return kUsage;
        const std::string side = argv[2];
        if (side != "client" && side != "server") return kUsage;
        P2pSocket* s = handed_socket();
        if (!s) return 1;
        int rc = side == "client" ? p2p_cli_switch_keyfile(s, argv[3]) : p2p_srv_switch_keyfile(s, argv[3]);
        std::string peer;
        bool ok = rc == 0 && p2p_peer_key(s, &peer) && write_output(peer);
        socket_destroy(s);
        return ok ? 0 : 1;
    }
    if (cmd == "p2p-send") {
        std::string peer, message;
        if (!take_fields(in, &at, {&peer, &message}) || message.size() > (1u << 24)) return kUsage;
        P2pSocket* s = handed_socket();
        if (!s) return 1;
        std::vector<char> work(size_t(rsa_cal_ensize(int(message.size()))) + 1);
        bool ok = p2p_set_peer_key(s, peer) &&
                  p2p_send(s, message.data(), int(message.size()), work.data(), int(work.size())) ==
                      int(message.size()) &&
                  write_output(std::string(work.data(), size_t(rsa_cal_ensize(int(message.size())))));
        socket_destroy(s);
        return ok ? 0 : 1;
    }
    if (cmd == "p2p-recv") {
        long long size = 0;
        if (argc != 4 || !number(argv[3], &size) || size <= 0 || size > (1 << 24)) return kUsage;
        P2pSocket* s = handed_socket();
        if (!s) return 1;
        std::vector<char> plain(static_cast<size_t>(size));
        int n = p2p_use_keyfile(s, argv[2]) ? p2p_recv(s, plain.data(), int(size)) : -1;
        bool ok = n >= 0 && write_output(std::string(plain.data(), size_t(n)));
        socket_destroy(s);
        return ok ? 0 : 1;
    }
    if (cmd == "base64-decode") {
        if (in.size() > (1u << 30)) return kUsage;
        std::vector<unsigned char> out(size_t(kx_base64_decoded_max(int(in.size()))) + 1);
        int n = kx_base64_decode(in.data(), int(in.size()), out.data(), int(out.size()));
        return n >= 0 && write_output(std::string(reinterpret_cast<const char*>(out.data()), size_t(n))) ? 0 : 1;
    }
    if (cmd == "aes-decrypt") {
        std::string key, cipher;
        if (!take_fields(in, &at, {&key, &cipher}) || cipher.size() > (1u << 30)) return kUsage;
        std::vector<unsigned char> plain(cipher.size() + 1);
        int n = aesDecryWeb(reinterpret_cast<const unsigned char*>(cipher.data()), key.c_str(), plain.data(),
                            int(cipher.size()));
        return n >= 0 && write_output(std::string(reinterpret_cast<const char*>(plain.data()), size_t(n))) ? 0 : 1;
    }
    if (cmd == "aes-encrypt") {
        std::string key, iv, plain;
        if (!take_fields(in, &at, {&key, &iv, &plain}) || iv.size() != size_t(kAesWebIvSize) ||
            plain.size() > (1u << 30))
            return kUsage;
        std::vector<unsigned char> cipher(plain.size() + 32);
        int n = aesEncryWeb(reinterpret_cast<const unsigned char*>(plain.data()), key.c_str(),
                            reinterpret_cast<const unsigned char*>(iv.data()), cipher.data(), int(plain.size()));
        return n >= 0 && write_output(std::string(reinterpret_cast<const char*>(cipher.data()), size_t(n))) ? 0 : 1;
    }
    return kUsage;
}

}  // namespace

int main(int argc, char** argv) { return run(argc, argv); }
