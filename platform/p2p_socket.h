// The P2P client's TCP connection, without its cryptography (shared by the
// CGI program and the helper program that encrypts for it).
#pragma once

// Resolves `host` and connects to `port` within 10 s; the descriptor
// (close-on-exec, with the send and receive time-outs set) or -1.
int p2p_tcp_connect(const char* host, int port);
// Sends and receives on `fd` time out after 15 s.
void p2p_set_timeouts(int fd);
