// The demo registry: request code -> demo function, filled by the areas'
// static tables before main runs.
#include <cstdio>
#include <ctime>
#include <map>

#include "platform/kxsocket.h"
#include "tools/emu/emu.h"

namespace {

struct DemoSlot {
    EmuDemoFn fn;
    const char* area;
};

// Function-local so that registrations from any unit's static initialisers
// find it constructed.
std::map<u32, DemoSlot>& registry()
{
    static std::map<u32, DemoSlot> map;
    return map;
}

}  // namespace

void EmuAnswer::reply(u32 code, const void* payload, size_t length, int delay_ms)
{
    const auto* p = static_cast<const u8*>(payload);
    reply(code, p ? std::vector<u8>(p, p + length) : std::vector<u8>(), delay_ms);
}

bool EmuStream::fill(std::vector<u8>* out, u32 seq, size_t want)
{
    std::vector<u8> payload;
    while (out->size() < want) {
        u32 code = 0;
        payload.clear();
        if (!next(&code, &payload)) return false;
        emu_encode_frame(out, seq, code, payload.data(), payload.size());
    }
    return true;
}

void emu_encode_frame(std::vector<u8>* out, u32 seq, u32 code, const void* payload, size_t length)
{
    KxFrameHeader h{kKxMagic, kKxVersion, seq, code, 0, u32(length)};
    u8 raw[kKxHeaderSize];
    kx_encode_header(&h, raw);
    out->insert(out->end(), raw, raw + sizeof raw);
    const auto* p = static_cast<const u8*>(payload);
    if (length) out->insert(out->end(), p, p + length);
}

void EmuAnswer::stream(std::shared_ptr<EmuStream> frames, int delay_ms)
{
    EmuStep step;
    step.kind = EmuStep::kStream;
    step.stream = std::move(frames);
    step.delay_ms = delay_ms;
    steps_.push_back(std::move(step));
}

void EmuAnswer::reply(u32 code, std::vector<u8> payload, int delay_ms)
{
    EmuStep step;
    step.kind = EmuStep::kReply;
    step.code = code;
    step.payload = std::move(payload);
    step.delay_ms = delay_ms;
    steps_.push_back(std::move(step));
}

void EmuAnswer::close(int delay_ms)
{
    EmuStep step;
    step.kind = EmuStep::kClose;
    step.delay_ms = delay_ms;
    steps_.push_back(std::move(step));
}

int emu_demo_register(const char* area, const EmuDemoEntry* entries, size_t count)
{
    int added = 0;
    for (size_t i = 0; i < count; i++) {
        if (!entries[i].fn) continue;
        auto found = registry().find(entries[i].code);
        if (found != registry().end()) {
            std::fprintf(stderr, "nvr-core-emu: code %u of area %s is already registered by area %s\n",
                         entries[i].code, area, found->second.area);
            continue;
        }
        registry()[entries[i].code] = DemoSlot{entries[i].fn, area};
        added++;
    }
    return added;
}

EmuDemoFn emu_demo_find(u32 code)
{
    auto found = registry().find(code);
    return found == registry().end() ? nullptr : found->second.fn;
}

std::vector<std::string> emu_demo_list()
{
    std::vector<std::string> lines;
    for (auto& entry : registry()) lines.push_back(std::to_string(entry.first) + " " + entry.second.area);
    return lines;
}

bool demo_parse_time(const char* text, time_t* out)
{
    struct tm t = {};
    if (std::sscanf(text, "%d-%d-%d %d:%d:%d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour, &t.tm_min,
                    &t.tm_sec) != 6)
        return false;
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    *out = timegm(&t);
    return true;
}

void demo_accepted(const EmuRequest& req, EmuAnswer& answer) { answer.reply_record(req.code + 5000, i32(0)); }
