// The rules file of nvr-core-emu: how a test tells the emulator to answer.
//
//   <code> reply <reply-code> [hex:<hex>|file:<path>|zeros:<n>] [delay:<ms>]
//   <code> close [delay:<ms>]
//   <code> silent
//
// Several lines for one code are carried out in their order (a stream of
// frames, possibly ending with a close). "#" starts a comment. A file path
// that is not absolute is taken relative to the rules file's directory.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tools/emu/emu.h"

struct RuleStep {
    enum Kind { kReply, kClose, kSilent } kind = kReply;
    u32 reply_code = 0;
    enum Data { kNone, kHex, kFile, kZeros } data = kNone;
    std::vector<u8> bytes;  // kHex
    std::string path;       // kFile, resolved
    size_t zeros = 0;       // kZeros
    int delay_ms = 0;
};

// Largest payload a rule may ask for. Frames over the protocol's 16 MiB are
// allowed on purpose: tests use them to check that a client refuses them.
constexpr size_t kRuleMaxPayload = 64u << 20;

class RuleSet {
public:
    explicit RuleSet(std::string path) : path_(std::move(path)) {}
    // Reads the file again and takes its rules when its text has changed
    // since the last read (or when `force`): called for every request, so a
    // change is seen by the next request whatever the file times say. Errors
    // name the line and go to standard error; a line with an error is skipped.
    // A missing file means no rules.
    void refresh(bool force = false);
    // The steps for a request code, or null when no rule names it.
    const std::vector<RuleStep>* find(u32 code) const;
    // Turns the steps into the answer (file data is read now).
    static void answer(const std::vector<RuleStep>& steps, EmuAnswer& out);

    // Parses the text of a rules file into `rules`; the error texts go to `errors`.
    static void parse(const std::string& text, const std::string& base_dir, std::map<u32, std::vector<RuleStep>>* rules,
                      std::vector<std::string>* errors);

private:
    std::string path_;
    bool loaded_ = false;
    std::string text_;
    std::map<u32, std::vector<RuleStep>> rules_;
};
