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
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/p2p_client_keys.h"
#include "platform/p2p_socket.h"
#include "platform/ssl_cert.h"

struct P2pSocket {
    int fd = -1;
    EVP_PKEY* own = nullptr;   // our key pair, from the key file
    EVP_PKEY* peer = nullptr;  // the peer's public key, from the exchange
};

namespace {

constexpr int kKeyBits = 2048;
constexpr int kBlock = kKeyBits / 8;       // encrypted block
constexpr int kPlainBlock = kBlock - 42;   // OAEP with SHA-1 leaves 214 bytes
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
    if (key && (EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA || EVP_PKEY_get_bits(key) != kKeyBits)) {
        EVP_PKEY_free(key);
        key = nullptr;
    }
    ERR_clear_error();
    return key;
}

bool send_public_key(P2pSocket* s)
{
    unsigned char* der = nullptr;
    int n = i2d_PUBKEY(s->own, &der);
    if (n <= 0) return false;
    bool ok = send_frame(s->fd, der, uint32_t(n));
    OPENSSL_free(der);
    return ok;
}

bool recv_public_key(P2pSocket* s)
{
    std::vector<unsigned char> der;
    if (!recv_frame(s->fd, &der, kMaxFrame)) return false;
    const unsigned char* p = der.data();
    EVP_PKEY* key = d2i_PUBKEY(nullptr, &p, long(der.size()));
    ERR_clear_error();
    if (!key || EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA || EVP_PKEY_get_bits(key) != kKeyBits) {
        EVP_PKEY_free(key);
        return false;
    }
    EVP_PKEY_free(s->peer);
    s->peer = key;
    return true;
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
    if (!s || s->fd < 0) return false;
    EVP_PKEY* key = load_key(path);
    if (!key) return false;
    EVP_PKEY_free(s->own);
    s->own = key;
    return client ? send_public_key(s) && recv_public_key(s) : recv_public_key(s) && send_public_key(s);
}

}  // namespace

P2pSocket* socket_create()
{
    // The address family is known only after resolving: the descriptor is
    // opened by socket_connect.
    return new P2pSocket;
}

P2pSocket* socket_adopt(int fd)
{
    if (fd < 0) return nullptr;
    P2pSocket* s = new P2pSocket;
    s->fd = fd;
    p2p_set_timeouts(fd);
    return s;
}

int socket_connect(P2pSocket* s, const char* host, int port)
{
    if (!s || s->fd >= 0) return -1;
    s->fd = p2p_tcp_connect(host, port);
    return s->fd >= 0 ? 0 : -1;
}

void socket_destroy(P2pSocket* s)
{
    if (!s) return;
    if (s->fd >= 0) close(s->fd);
    EVP_PKEY_free(s->own);
    EVP_PKEY_free(s->peer);
    delete s;
}

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

int rsa_cal_ensize(int length)
{
    if (length <= 0) return 0;
    return (length + kPlainBlock - 1) / kPlainBlock * kBlock;
}

int p2p_send(P2pSocket* s, const void* data, int length, void* work, int work_size)
{
    if (!s || s->fd < 0 || !s->peer || !data || length < 0 || !work) return -1;
    int total = rsa_cal_ensize(length);
    if (total > work_size) return -1;
    const unsigned char* in = static_cast<const unsigned char*>(data);
    unsigned char* out = static_cast<unsigned char*>(work);
    for (int done = 0, at = 0; done < length; done += kPlainBlock, at += kBlock) {
        size_t piece = size_t(std::min(kPlainBlock, length - done));
        size_t out_len = kBlock;
        if (!crypt_block(s->peer, true, in + done, piece, out + at, &out_len) || out_len != size_t(kBlock))
            return -1;
    }
    return send_frame(s->fd, work, uint32_t(total)) ? length : -1;
}

int p2p_recv(P2pSocket* s, void* buffer, int size)
{
    if (!s || s->fd < 0 || !s->own || !buffer || size <= 0) return -1;
    std::vector<unsigned char> frame;
    if (!recv_frame(s->fd, &frame, uint32_t(size)) || frame.size() % kBlock != 0) return -1;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    size_t got = 0;
    for (size_t at = 0; at < frame.size(); at += kBlock) {
        unsigned char plain[kBlock];
        size_t n = sizeof plain;
        if (!crypt_block(s->own, false, frame.data() + at, kBlock, plain, &n)) return -1;
        std::memcpy(out + got, plain, n);  // n <= kPlainBlock < kBlock: stays within `size`
        got += n;
    }
    return int(got);
}

bool p2p_peer_key(P2pSocket* s, std::string* der)
{
    if (!s || !s->peer) return false;
    unsigned char* bytes = nullptr;
    int n = i2d_PUBKEY(s->peer, &bytes);
    if (n <= 0) return false;
    der->assign(reinterpret_cast<const char*>(bytes), size_t(n));
    OPENSSL_free(bytes);
    return true;
}

bool p2p_set_peer_key(P2pSocket* s, const std::string& der)
{
    if (!s) return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
    EVP_PKEY* key = d2i_PUBKEY(nullptr, &p, long(der.size()));
    ERR_clear_error();
    if (!key || EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA || EVP_PKEY_get_bits(key) != kKeyBits) {
        EVP_PKEY_free(key);
        return false;
    }
    EVP_PKEY_free(s->peer);
    s->peer = key;
    return true;
}

bool p2p_use_keyfile(P2pSocket* s, const char* path)
{
    if (!s) return false;
    EVP_PKEY* key = load_key(path);
    if (!key) return false;
    EVP_PKEY_free(s->own);
    s->own = key;
    return true;
}
