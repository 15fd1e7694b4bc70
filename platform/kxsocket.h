// The socket library that links a CGI run to the core daemon.
//
// Wire protocol (see docs/core-protocol.md): a Unix stream socket; every
// frame in both directions is a 24-byte header of six little-endian 32-bit
// words followed by the payload.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/record.h"

constexpr u32 kKxMagic = 0x5243564E;  // the bytes "NVCR"
constexpr u32 kKxVersion = 1;
constexpr u32 kKxFlagWait = 1;        // the client waits for a reply
constexpr u32 kKxMaxPayload = 16u << 20;
// Emulator only: answered once every frame sent before it has been read.
constexpr u32 kKxSyncCode = 0x7fff0000;

struct KxFrameHeader {
    u32 magic;    //  0
    u32 version;  //  4
    u32 seq;      //  8  requests numbered from 1; a reply carries its request's number
    u32 code;     // 12  request code, or reply code (request code + 5000)
    u32 flags;    // 16  bit 0: the client waits for a reply (0 in replies)
    u32 length;   // 20  payload bytes, at most 16 MiB
};
NVR_RECORD_SIZE(KxFrameHeader, 24);

// Reply callback: called on the library's receiving thread for every reply
// frame, with the frame's header and payload (payload is non-null, possibly
// of length 0). The result is ignored.
using KxReplyCallback = int (*)(void* context, const KxFrameHeader* header, const void* payload);

// Opens a session: connects to the socket at `path` (resolved under NVR_ROOT
// by the caller), trying up to `connect_tries` times 10 ms apart, and starts
// the receiving thread. 0 on success, -1 when the daemon cannot be reached
// (the session stays open without a connection: its sends fail at once).
//
// The library keeps one current session per process. Calling kx_sock_init
// again from the thread that opened the current session ends that session
// first; calling it from a receiving thread (a reply callback that sends a
// message of its own) opens a nested session that becomes current until its
// kx_sock_uninit.
int kx_sock_init(KxReplyCallback callback, void* context, int connect_tries, const char* path);
// Sends one request frame on the current session; `wait` sets the wait
// flag. 0 on success, non-zero on failure (no connection, or the write
// failed: the connection then counts as closed).
int kx_sock_send_msg(int wait, u32 code, const void* payload, u32 length, int reserved1, int reserved2);
// Ends the current session: shuts the connection down and joins its
// receiving thread (no callback runs after it returns, unless it is called
// from that receiving thread itself). 0; the handle is not used.
int kx_sock_uninit(int handle);
// True when the session has no live connection: the connect failed, a send
// failed, or the daemon closed the connection (no reply can come).
bool kx_sock_closed();

// Process-wide hook run on a receiving thread after every reply callback has
// returned and once when a connection ends, with the session's callback and
// context, so that a thread waiting for that session's reply can look at its
// condition again at once instead of polling.
using KxEventHook = void (*)(KxReplyCallback callback, void* context);
void kx_sock_set_event_hook(KxEventHook hook);

// Header encoding, explicitly little-endian whatever the host.
constexpr size_t kKxHeaderSize = 24;
void kx_encode_header(const KxFrameHeader* header, unsigned char out[kKxHeaderSize]);
// Decodes a header: 0 when its magic, version and length are acceptable,
// -1 otherwise (the header is filled in either case).
int kx_decode_header(const unsigned char in[kKxHeaderSize], KxFrameHeader* header);

// Frame reader shared by the library, the emulator and the fuzzers: reads
// one whole frame from `fd`. 1 on success (payload in `*payload`, never
// null, with one zero byte after the payload; the caller frees it with
// free()), 0 on a clean end of stream, -1 on a bad frame or error.
int kx_read_frame(int fd, KxFrameHeader* header, unsigned char** payload);
// Writes one whole frame (short writes and EINTR handled, no SIGPIPE); 0 on
// success, -1 on a write error or a payload over kKxMaxPayload.
int kx_write_frame(int fd, u32 seq, u32 code, u32 flags, const void* payload, u32 length);
