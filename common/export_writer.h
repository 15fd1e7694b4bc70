// Export stream writer: turns the frames the core daemon streams for a
// recording download into an AVI stream on the HTTP reply.
//
// The daemon's reply callback (socket library thread) hands over chunks;
// whole frames go on a queue bounded by bytes, and a writer thread
// ("remote_backup") takes them off and writes them through the AVI library.
// One writer per process.
#pragma once

#include <cstdio>

#include "platform/kxavi.h"

// Opens the AVI library on `out` and starts the writer thread. 0, or -1 for a
// null stream or handle pointer, an AVI library that gives no handle, a
// writer still open, or a thread that cannot start.
int export_writer_open(FILE* out, KxAvi** handle);
// Hands over one chunk of a frame. Chunk offset 0 starts a new frame (its
// header gives the frame's size; a frame still under assembly is dropped);
// other offsets append to the frame under assembly (stray ones are ignored).
// A frame is queued once all its bytes are in. 0, or -1 when the frame
// cannot be allocated (or claims more than 16 MiB) or cannot be queued:
// the writer has ended, or it took nothing off a full queue during 25 waits.
int export_writer_put(const MediaFrameHeader* header, const void* data, i32 chunk_offset, i32 chunk_length);
// Ends the writer at its next turn (frames still queued are dropped).
void export_writer_stop();
// 1 while the writer runs: it ends when stopped, when the output fails
// (the client has gone), after about 60 s without frames, or once closed.
int export_writer_running();
// Lets the writer write what is queued, joins it, drops a frame still under
// assembly and closes the AVI stream: the AVI library's close result.
int export_writer_close(KxAvi* handle);

// Test hook: the length of one wait turn in milliseconds (default 40), so
// that tests see the time-outs (25 turns for a put, 1,500 idle turns for the
// writer) without waiting minutes.
void export_writer_set_turn_ms(int ms);
