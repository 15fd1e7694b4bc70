// nvr-core-emu: a stand-in for the core daemon, for tests and development.
//
// The answers it gives come from two places: the rules file of a test (see
// rules.h) and, for codes without a rule, the demo registry below, which
// each area fills from its own file tools/emu/demo_<area>.cpp:
//
//   static void demo_busy(const EmuRequest& req, EmuAnswer& answer)
//   {
//       answer.reply_record(req.code + 5000, u32(0));
//   }
//   static const EmuDemoEntry kPlaybackDemo[] = {{4011, demo_busy}};
//   EMU_DEMO_AREA(playback, kPlaybackDemo);
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "platform/record.h"

// The emulator's own message: answered by the demo with code + 5000 and the
// request's payload unchanged (a probe, and the demo registry's self-test).
constexpr u32 kEmuEchoCode = 0x7fff0001;

// One frame received with the wait flag set.
struct EmuRequest {
    u32 seq;
    u32 code;
    u32 flags;
    const u8* payload;  // never null
    u32 length;
};

// A stream of reply frames made on demand (a recording download): the
// emulator asks for the next frame only once the connection has sent what it
// had, so a long stream never sits in memory and goes as fast as the client
// reads. next() sets the code and payload of the next frame, or returns
// false at the end of the stream.
class EmuStream {
public:
    virtual ~EmuStream() = default;
    virtual bool next(u32* code, std::vector<u8>* payload) = 0;
    // Appends the next frames, whole and encoded (the 24-byte header with
    // sequence number `seq`, then the payload), to `out` until it holds at
    // least `want` bytes. False once the stream has ended: everything it had
    // is in `out`. The default encodes what next() makes; a stream that
    // keeps its frames prebuilt writes them straight in, without a copy of
    // its own.
    virtual bool fill(std::vector<u8>* out, u32 seq, size_t want);
};

// Appends one reply frame, header and payload, to `out`. Frames of any
// length go out as they are: a rule may ask for one over the protocol's
// limit to test a client.
void emu_encode_frame(std::vector<u8>* out, u32 seq, u32 code, const void* payload, size_t length);

// One step of an answer: a reply frame, a stream of frames, or the end of the
// connection. The delay counts from the previous step (from the request for
// the first), so the steps are carried out in their order; steps after a
// stream wait until the stream has ended.
struct EmuStep {
    enum Kind { kReply, kClose, kStream } kind = kReply;
    u32 code = 0;
    std::vector<u8> payload;
    std::shared_ptr<EmuStream> stream;
    int delay_ms = 0;
};

// The answer a demo function builds. No step: no answer.
class EmuAnswer {
public:
    void reply(u32 code, const void* payload, size_t length, int delay_ms = 0);
    void reply(u32 code, std::vector<u8> payload, int delay_ms = 0);
    // One plain record as the payload (little-endian layout as declared).
    template <typename T>
    void reply_record(u32 code, const T& record, int delay_ms = 0) { reply(code, &record, sizeof record, delay_ms); }
    // Several records of one type as the payload.
    template <typename T>
    void reply_records(u32 code, const std::vector<T>& records, int delay_ms = 0)
    {
        reply(code, records.data(), records.size() * sizeof(T), delay_ms);
    }
    void stream(std::shared_ptr<EmuStream> frames, int delay_ms = 0);
    void close(int delay_ms = 0);
    std::vector<EmuStep>& steps() { return steps_; }

private:
    std::vector<EmuStep> steps_;
};

// The request's payload as one plain record; false, and *out left as it
// was, when the payload is shorter than the record.
template <typename T>
bool request_record(const EmuRequest& req, T* out)
{
    return record_at(req.payload, req.length, 0, out);
}

// The leading int of a request (most often its channel); `absent` when the
// payload is short.
inline i32 request_channel(const EmuRequest& req, i32 absent = -1)
{
    i32 ch = absent;
    request_record(req, &ch);
    return ch;
}

// The demo's cameras are online on the first eight channels.
constexpr int kDemoOnline = 8;
inline bool online(i32 channel) { return channel >= 0 && channel < kDemoOnline; }

// A write the recorder or a camera took: code + 5000 with status 0.
void demo_accepted(const EmuRequest& req, EmuAnswer& answer);

// "YYYY-MM-DD HH:MM:SS" as seconds (UTC); false when it is not that form.
bool demo_parse_time(const char* text, time_t* out);

using EmuDemoFn = void (*)(const EmuRequest& request, EmuAnswer& answer);
struct EmuDemoEntry {
    u32 code;
    EmuDemoFn fn;
};

// Adds an area's table; a code registered twice keeps its first entry (a
// warning names both areas). Returns the number of entries added.
int emu_demo_register(const char* area, const EmuDemoEntry* entries, size_t count);
// The demo function of a request code, or null.
EmuDemoFn emu_demo_find(u32 code);
// "code area" lines of every registered code, sorted by code.
std::vector<std::string> emu_demo_list();

#define EMU_DEMO_AREA(area, table) \
    static const int emu_demo_area_##area = emu_demo_register(#area, table, sizeof(table) / sizeof((table)[0]))
