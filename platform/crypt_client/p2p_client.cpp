// The P2P client library for the CGI program: this process holds the TCP
// connection; the key exchange and each message's RSA work are done by the
// helper program (tools/crypt/) on the same connection, handed to it as its
// descriptor 3, so this program carries no cryptographic library.
#include "platform/p2p_client.h"

#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/kxcrypt_helper.h"
#include "platform/p2p_socket.h"

struct P2pSocket {
    int fd = -1;
    std::string own_path;  // our key file, once the exchange succeeded
    std::string peer;      // the peer's public key (DER), from the exchange
};

namespace {

constexpr int kBlock = 256;       // encrypted block of a 2048-bit key
constexpr int kPlainBlock = 214;  // OAEP with SHA-1

int switch_keyfile(P2pSocket* s, const char* path, const char* side)
{
    if (!s || s->fd < 0 || !path) return -1;
    std::string peer;
    if (kxcrypt_helper_run({"p2p-switch", side, path}, "", &peer, s->fd) != 0 || peer.empty()) return -1;
    s->own_path = path;
    s->peer = std::move(peer);
    return 0;
}

}  // namespace

P2pSocket* socket_create() { return new P2pSocket; }

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
    delete s;
}

int p2p_create_keyfile(const char* path)
{
    if (!path || !*path) return -1;
    return kxcrypt_helper_run({"p2p-keyfile", path}, "", nullptr) == 0 ? 0 : -1;
}

int p2p_cli_switch_keyfile(P2pSocket* s, const char* path) { return switch_keyfile(s, path, "client"); }
int p2p_srv_switch_keyfile(P2pSocket* s, const char* path) { return switch_keyfile(s, path, "server"); }

int rsa_cal_ensize(int length)
{
    if (length <= 0) return 0;
    return (length + kPlainBlock - 1) / kPlainBlock * kBlock;
}

int p2p_send(P2pSocket* s, const void* data, int length, void* work, int work_size)
{
    if (!s || s->fd < 0 || s->peer.empty() || !data || length < 0 || !work) return -1;
    if (rsa_cal_ensize(length) > work_size) return -1;
    std::string in, sent;
    kxcrypt_put(&in, s->peer);
    kxcrypt_put(&in, std::string(static_cast<const char*>(data), size_t(length)));
    if (kxcrypt_helper_run({"p2p-send"}, in, &sent, s->fd) != 0 || sent.size() != size_t(rsa_cal_ensize(length)))
        return -1;
    std::memcpy(work, sent.data(), sent.size());  // the encrypted bytes, as the library leaves them
    return length;
}

int p2p_recv(P2pSocket* s, void* buffer, int size)
{
    if (!s || s->fd < 0 || s->own_path.empty() || !buffer || size <= 0) return -1;
    std::string plain;
    if (kxcrypt_helper_run({"p2p-recv", s->own_path, std::to_string(size)}, "", &plain, s->fd) != 0 ||
        plain.size() > size_t(size))
        return -1;
    std::memcpy(buffer, plain.data(), plain.size());
    return int(plain.size());
}
