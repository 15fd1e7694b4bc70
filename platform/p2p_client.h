// The P2P client library: a TCP connection to the P2P server whose messages
// are encrypted with RSA.
//
// Each side holds an RSA key in a key file. After connecting, switching the
// connection to a key file exchanges the public keys (the client sends its
// own first, the server answers with its own). From then on each message is
// encrypted for the peer's public key in RSA-OAEP blocks (2048-bit keys: up
// to 214 plain bytes per 256-byte block) and sent as one frame: a 32-bit
// big-endian length, then the encrypted bytes. A message of n plain bytes is
// rsa_cal_ensize(n) bytes on the wire after its length.
//
// Every call returns 0 (or a byte count) on success and -1 on failure.
// Connections time out: 10 s to connect, 15 s for any send or receive.
#pragma once

#include <cstddef>

struct P2pSocket;

// A new TCP socket, not yet connected; null on failure.
P2pSocket* socket_create();
// Resolves `host` and connects to `port`.
int socket_connect(P2pSocket* sock, const char* host, int port);
// Closes the connection and frees the socket (null is ignored).
void socket_destroy(P2pSocket* sock);

// Makes `path` hold an RSA key: an existing sound key file is kept, else a
// new key is written (mode 0600).
int p2p_create_keyfile(const char* path);
// Client side of the key exchange on a connected socket, with the key in
// `path`.
int p2p_cli_switch_keyfile(P2pSocket* sock, const char* path);
// Server side of the key exchange (the P2P server; tests).
int p2p_srv_switch_keyfile(P2pSocket* sock, const char* path);
// Server side: takes over an accepted connection (the descriptor is owned by
// the socket from then on); null on failure.
P2pSocket* socket_adopt(int fd);

// Encrypts `length` bytes for the peer and sends them as one message;
// `work` must hold rsa_cal_ensize(length) bytes. The plain byte count, or -1.
int p2p_send(P2pSocket* sock, const void* data, int length, void* work, int work_size);
// Receives one message of at most `size` encrypted bytes and decrypts it into
// `buffer` (the plain bytes are never more than the encrypted ones). The
// plain byte count, or -1 (also for a longer message).
int p2p_recv(P2pSocket* sock, void* buffer, int size);

// Encrypted size of `length` plain bytes.
int rsa_cal_ensize(int length);
