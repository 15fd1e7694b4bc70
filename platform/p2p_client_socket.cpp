// The connection half of the P2P client library, compiled into both of its
// builds (see platform/p2p_client_socket.h).
#include "platform/p2p_client_socket.h"

#include <unistd.h>

#include "platform/p2p_socket.h"

P2pSocket* socket_create()
{
    // The address family is known only after resolving: the descriptor is
    // opened by socket_connect.
    P2pSocket* s = new P2pSocket;
    s->keys = p2p_keys_new();
    return s;
}

P2pSocket* socket_adopt(int fd)
{
    if (fd < 0) return nullptr;
    P2pSocket* s = socket_create();
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
    p2p_keys_free(s->keys);
    delete s;
}

int rsa_cal_ensize(int length)
{
    if (length <= 0) return 0;
    return (length + kP2pPlainBlock - 1) / kP2pPlainBlock * kP2pBlock;
}
