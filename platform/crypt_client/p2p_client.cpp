// The P2P client library for the CGI program: this process holds the TCP
// connection; the key exchange and each message's RSA work are done by the
// helper program (tools/crypt/) on the same connection, handed to it as its
// descriptor 3, so this program carries no cryptographic library.
#include "platform/p2p_client.h"

#include <cstring>
#include <string>

#include "platform/kxcrypt_helper.h"
#include "platform/p2p_client_socket.h"

struct P2pKeys {
    std::string own_path;  // our key file, once the exchange succeeded
    std::string peer;      // the peer's public key (DER), from the exchange
};

P2pKeys* p2p_keys_new() { return new P2pKeys; }
void p2p_keys_free(P2pKeys* keys) { delete keys; }

namespace {

int switch_keyfile(P2pSocket* s, const char* path, const char* side)
{
    if (!s || s->fd < 0 || !path) return -1;
    std::string peer;
    if (kxcrypt_helper_run({"p2p-switch", side, path}, "", &peer, s->fd) != 0 || peer.empty()) return -1;
    s->keys->own_path = path;
    s->keys->peer = std::move(peer);
    return 0;
}

}  // namespace

int p2p_create_keyfile(const char* path)
{
    if (!path || !*path) return -1;
    return kxcrypt_helper_run({"p2p-keyfile", path}, "", nullptr) == 0 ? 0 : -1;
}

int p2p_cli_switch_keyfile(P2pSocket* s, const char* path) { return switch_keyfile(s, path, "client"); }
int p2p_srv_switch_keyfile(P2pSocket* s, const char* path) { return switch_keyfile(s, path, "server"); }

int p2p_send(P2pSocket* s, const void* data, int length, void* work, int work_size)
{
    if (!s || s->fd < 0 || s->keys->peer.empty() || !data || length < 0 || !work) return -1;
    if (rsa_cal_ensize(length) > work_size) return -1;
    std::string in, sent;
    kxcrypt_put(&in, s->keys->peer);
    kxcrypt_put(&in, std::string(static_cast<const char*>(data), size_t(length)));
    if (kxcrypt_helper_run({"p2p-send"}, in, &sent, s->fd) != 0 || sent.size() != size_t(rsa_cal_ensize(length)))
        return -1;
    std::memcpy(work, sent.data(), sent.size());  // the encrypted bytes, as the library leaves them
    return length;
}

int p2p_recv(P2pSocket* s, void* buffer, int size)
{
    if (!s || s->fd < 0 || s->keys->own_path.empty() || !buffer || size <= 0) return -1;
    std::string plain;
    if (kxcrypt_helper_run({"p2p-recv", s->keys->own_path, std::to_string(size)}, "", &plain, s->fd) != 0 ||
        plain.size() > size_t(size))
        return -1;
    std::memcpy(buffer, plain.data(), plain.size());
    return int(plain.size());
}
