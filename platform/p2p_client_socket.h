// The P2P socket as both builds of the P2P client library hold it (the
// in-process one, platform/p2p_client.cpp, and the one that leaves the RSA
// work to the helper program, platform/crypt_client/p2p_client.cpp): the
// connection is the same; what each keeps of the keys is its own.
#pragma once

#include "platform/p2p_client.h"

// The build's key state; a new one holds no key.
struct P2pKeys;
P2pKeys* p2p_keys_new();
void p2p_keys_free(P2pKeys* keys);

struct P2pSocket {
    int fd = -1;
    P2pKeys* keys = nullptr;
};

constexpr int kP2pKeyBits = 2048;
constexpr int kP2pBlock = kP2pKeyBits / 8;      // encrypted block
constexpr int kP2pPlainBlock = kP2pBlock - 42;  // OAEP with SHA-1 leaves 214 bytes
