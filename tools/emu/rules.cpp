#include "tools/emu/rules.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

bool parse_number(const std::string& text, unsigned long long max, unsigned long long* out)
{
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    int base = 10;
    const char* start = text.c_str();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        start += 2;
    }
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(start, &end, base);
    if (errno || end == start || *end || v > max) return false;
    *out = v;
    return true;
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parse_hex(const std::string& text, std::vector<u8>* out)
{
    if (text.size() % 2) return false;
    out->clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int hi = hex_digit(text[i]), lo = hex_digit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out->push_back(u8(hi << 4 | lo));
    }
    return true;
}

bool starts_with(const std::string& s, const char* prefix)
{
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

// Parses one line's words into a step; an error text on failure.
std::string parse_step(const std::vector<std::string>& words, const std::string& base_dir, RuleStep* step)
{
    const std::string& verb = words[1];
    size_t i = 2;
    if (verb == "silent") {
        step->kind = RuleStep::kSilent;
        return words.size() == 2 ? "" : "\"silent\" takes nothing more";
    }
    if (verb == "reply") {
        unsigned long long code;
        if (words.size() < 3 || !parse_number(words[2], 0xffffffffu, &code)) return "reply code missing or invalid";
        step->kind = RuleStep::kReply;
        step->reply_code = u32(code);
        i = 3;
    } else if (verb == "close") {
        step->kind = RuleStep::kClose;
    } else {
        return "unknown action \"" + verb + "\" (reply, close or silent)";
    }
    bool have_delay = false;
    for (; i < words.size(); i++) {
        const std::string& w = words[i];
        if (starts_with(w, "delay:")) {
            unsigned long long ms;
            if (have_delay || !parse_number(w.substr(6), 3600000, &ms)) return "bad delay \"" + w + "\"";
            step->delay_ms = int(ms);
            have_delay = true;
            continue;
        }
        if (step->kind != RuleStep::kReply) return "\"close\" takes only a delay";
        if (step->data != RuleStep::kNone) return "more than one data part";
        if (starts_with(w, "hex:")) {
            if (!parse_hex(w.substr(4), &step->bytes)) return "bad hex data";
            step->data = RuleStep::kHex;
        } else if (starts_with(w, "file:")) {
            std::string p = w.substr(5);
            if (p.empty()) return "empty file name";
            step->path = p[0] == '/' ? p : base_dir + "/" + p;
            step->data = RuleStep::kFile;
        } else if (starts_with(w, "zeros:")) {
            unsigned long long n;
            if (!parse_number(w.substr(6), kRuleMaxPayload, &n)) return "bad zeros count";
            step->zeros = size_t(n);
            step->data = RuleStep::kZeros;
        } else {
            return "unknown word \"" + w + "\"";
        }
    }
    return "";
}

}  // namespace

void RuleSet::parse(const std::string& text, const std::string& base_dir, std::map<u32, std::vector<RuleStep>>* rules,
                    std::vector<std::string>* errors)
{
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); number++) {
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream words_in(line);
        std::vector<std::string> words;
        for (std::string w; words_in >> w;) words.push_back(w);
        if (words.empty()) continue;
        unsigned long long code;
        std::string error;
        RuleStep step;
        if (!parse_number(words[0], 0xffffffffu, &code))
            error = "bad request code \"" + words[0] + "\"";
        else if (words.size() < 2)
            error = "action missing";
        else
            error = parse_step(words, base_dir, &step);
        if (!error.empty()) {
            errors->push_back("line " + std::to_string(number) + ": " + error);
            continue;
        }
        (*rules)[u32(code)].push_back(std::move(step));
    }
}

void RuleSet::refresh(bool force)
{
    if (path_.empty()) return;
    std::string text;
    if (FILE* f = std::fopen(path_.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
        std::fclose(f);
    }
    if (loaded_ && !force && text == text_) return;

    std::string dir = path_.find('/') == std::string::npos ? "." : path_.substr(0, path_.rfind('/'));
    if (dir.empty()) dir = "/";
    std::map<u32, std::vector<RuleStep>> rules;
    std::vector<std::string> errors;
    parse(text, dir, &rules, &errors);
    for (auto& e : errors) std::fprintf(stderr, "nvr-core-emu: %s: %s\n", path_.c_str(), e.c_str());
    rules_ = std::move(rules);
    text_ = std::move(text);
    loaded_ = true;
}

const std::vector<RuleStep>* RuleSet::find(u32 code) const
{
    auto found = rules_.find(code);
    return found == rules_.end() ? nullptr : &found->second;
}

void RuleSet::answer(const std::vector<RuleStep>& steps, EmuAnswer& out)
{
    for (const RuleStep& s : steps) {
        switch (s.kind) {
        case RuleStep::kSilent:
            break;
        case RuleStep::kClose:
            out.close(s.delay_ms);
            break;
        case RuleStep::kReply: {
            std::vector<u8> payload;
            if (s.data == RuleStep::kHex) {
                payload = s.bytes;
            } else if (s.data == RuleStep::kZeros) {
                payload.assign(s.zeros, 0);
            } else if (s.data == RuleStep::kFile) {
                FILE* f = std::fopen(s.path.c_str(), "rb");
                if (!f) {
                    std::fprintf(stderr, "nvr-core-emu: cannot read %s: the reply goes out empty\n", s.path.c_str());
                } else {
                    char buf[65536];
                    size_t n;
                    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && payload.size() < kRuleMaxPayload)
                        payload.insert(payload.end(), buf, buf + n);
                    std::fclose(f);
                    if (payload.size() > kRuleMaxPayload) payload.resize(kRuleMaxPayload);
                }
            }
            out.reply(s.reply_code, std::move(payload), s.delay_ms);
            break;
        }
        }
    }
}
