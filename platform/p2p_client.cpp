// The P2P client library on a TCP socket and libcrypto's RSA-OAEP.
#include "platform/p2p_client.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/p2p_client_keys.h"
#include "platform/p2p_client_socket.h"
#include "platform/ssl_cert.h"

struct P2pKeys {
    EVP_PKEY* own = nullptr;   // our key pair, from the key file
    EVP_PKEY* peer = nullptr;  // the peer's public key, from the exchange
};

P2pKeys* p2p_keys_new() { return new P2pKeys; }

void p2p_keys_free(P2pKeys* keys)
{
    if (!keys) return;
    EVP_PKEY_free(keys->own);
    EVP_PKEY_free(keys->peer);
    delete keys;
}

namespace {

constexpr uint32_t kMaxFrame = 64 * 1024;  // a public key or a message

bool send_all(int fd, const void* data, size_t length)
{
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t n = send(fd, p, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        length -= size_t(n);
    }
    return true;
}

bool recv_all(int fd, void* data, size_t length)
{
    char* p = static_cast<char*>(data);
    while (length > 0) {
        ssize_t n = recv(fd, p, length, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        length -= size_t(n);
    }
    return true;
}

bool send_frame(int fd, const void* data, uint32_t length)
{
    unsigned char head[4] = {u_char(length >> 24), u_char(length >> 16), u_char(length >> 8), u_char(length)};
    return send_all(fd, head, sizeof head) && send_all(fd, data, length);
}

// One frame of at most `max` bytes.
bool recv_frame(int fd, std::vector<unsigned char>* out, uint32_t max)
{
    unsigned char head[4];
    if (!recv_all(fd, head, sizeof head)) return false;
    uint32_t length = uint32_t(head[0]) << 24 | uint32_t(head[1]) << 16 | uint32_t(head[2]) << 8 | head[3];
    if (length > max) return false;
    out->resize(length);
    return recv_all(fd, out->data(), length);
}

EVP_PKEY* load_key(const char* path)
{
    std::string pem;
    if (!path || !ssl_read_file(path, &pem, kMaxFrame)) return nullptr;
    BIO* bio = BIO_new_mem_buf(pem.data(), int(pem.size()));
    EVP_PKEY* key = bio ? PEM_read_bio_PrivateKey(bio, nullptr, nullptr, const_cast<char*>("")) : nullptr;
    BIO_free(bio);
    if (key && (EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA || EVP_PKEY_get_bits(key) != kP2pKeyBits)) {
        EVP_PKEY_free(key);
        key = nullptr;
    }
    ERR_clear_error();
    return key;
}

// The public half of `key` as DER.
bool public_key_der(EVP_PKEY* key, std::string* der)
{
    unsigned char* bytes = nullptr;
    int n = i2d_PUBKEY(key, &bytes);
    if (n <= 0) return false;
    der->assign(reinterpret_cast<const char*>(bytes), size_t(n));
    OPENSSL_free(bytes);
    return true;
}

bool send_public_key(P2pSocket* s)
{
    std::string der;
    return public_key_der(s->keys->own, &der) && send_frame(s->fd, der.data(), uint32_t(der.size()));
}

bool recv_public_key(P2pSocket* s)
{
    std::vector<unsigned char> der;
    return recv_frame(s->fd, &der, kMaxFrame) && p2p_set_peer_key(s, std::string(der.begin(), der.end()));
}

// Encrypts or decrypts one block with OAEP padding.
bool crypt_block(EVP_PKEY* key, bool encrypt, const unsigned char* in, size_t in_len, unsigned char* out,
                 size_t* out_len)
{
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
    bool ok = ctx && (encrypt ? EVP_PKEY_encrypt_init(ctx) : EVP_PKEY_decrypt_init(ctx)) == 1 &&
              EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_OAEP_PADDING) == 1 &&
              (encrypt ? EVP_PKEY_encrypt(ctx, out, out_len, in, in_len)
                       : EVP_PKEY_decrypt(ctx, out, out_len, in, in_len)) == 1;
    EVP_PKEY_CTX_free(ctx);
    ERR_clear_error();
    return ok;
}

bool switch_keyfile(P2pSocket* s, const char* path, bool client)
{
    if (!s || s->fd < 0 || !p2p_use_keyfile(s, path)) return false;
    return client ? send_public_key(s) && recv_public_key(s) : recv_public_key(s) && send_public_key(s);
}

}  // namespace

int p2p_create_keyfile(const char* path)
{
    if (!path || !*path) return -1;
    if (EVP_PKEY* key = load_key(path)) {
        EVP_PKEY_free(key);
        return 0;
    }
    std::string pem;
    return ssl_make_key(&pem) && ssl_write_file(path, pem, 0600) ? 0 : -1;
}

int p2p_cli_switch_keyfile(P2pSocket* s, const char* path) { return switch_keyfile(s, path, true) ? 0 : -1; }
int p2p_srv_switch_keyfile(P2pSocket* s, const char* path) { return switch_keyfile(s, path, false) ? 0 : -1; }

int p2p_send(P2pSocket* s, const void* data, int length, void* work, int work_size)
{
    if (!s || s->fd < 0 || !s->keys->peer || !data || length < 0 || !work) return -1;
    int total = rsa_cal_ensize(length);
    if (total > work_size) return -1;
    const unsigned char* in = static_cast<const unsigned char*>(data);
    unsigned char* out = static_cast<unsigned char*>(work);
    for (int done = 0, at = 0; done < length; done += kP2pPlainBlock, at += kP2pBlock) {
        size_t piece = size_t(std::min(kP2pPlainBlock, length - done));
        size_t out_len = kP2pBlock;
        if (!crypt_block(s->keys->peer, true, in + done, piece, out + at, &out_len) || out_len != size_t(kP2pBlock))
            return -1;
    }
    return send_frame(s->fd, work, uint32_t(total)) ? length : -1;
}

int p2p_recv(P2pSocket* s, void* buffer, int size)
{
    if (!s || s->fd < 0 || !s->keys->own || !buffer || size <= 0) return -1;
    std::vector<unsigned char> frame;
    if (!recv_frame(s->fd, &frame, uint32_t(size)) || frame.size() % kP2pBlock != 0) return -1;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    size_t got = 0;
    for (size_t at = 0; at < frame.size(); at += kP2pBlock) {
        unsigned char plain[kP2pBlock];
        size_t n = sizeof plain;
        if (!crypt_block(s->keys->own, false, frame.data() + at, kP2pBlock, plain, &n)) return -1;
        std::memcpy(out + got, plain, n);  // n <= kP2pPlainBlock < kP2pBlock: stays within `size`
        got += n;
    }
    return int(got);
}

bool p2p_peer_key(P2pSocket* s, std::string* der)
{
    return s && s->keys->peer && public_key_der(s->keys->peer, der);
}

bool p2p_set_peer_key(P2pSocket* s, const std::string& der)
{
    if (!s) return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
    EVP_PKEY* key = d2i_PUBKEY(nullptr, &p, long(der.size()));
    ERR_clear_error();
    if (!key || EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA || EVP_PKEY_get_bits(key) != kP2pKeyBits) {
        EVP_PKEY_free(key);
        return false;
    }
    EVP_PKEY_free(s->keys->peer);
    s->keys->peer = key;
    return true;
}

bool p2p_use_keyfile(P2pSocket* s, const char* path)
{
    if (!s) return false;
    EVP_PKEY* key = load_key(path);
    if (!key) return false;
    EVP_PKEY_free(s->keys->own);
    s->keys->own = key;
    return true;
}
