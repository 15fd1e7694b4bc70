// The P2P client's key state, for the helper program that does the
// encryption of the CGI program's P2P connection one step at a time.
#pragma once

#include <string>

#include "platform/p2p_client.h"

// The peer's public key (DER) learnt by the key exchange; false when none.
bool p2p_peer_key(P2pSocket* sock, std::string* der);
// Sets the peer's public key from DER (a 2048-bit RSA key); false when refused.
bool p2p_set_peer_key(P2pSocket* sock, const std::string& der);
// Loads our own key from the key file without an exchange; false on failure.
bool p2p_use_keyfile(P2pSocket* sock, const char* path);
