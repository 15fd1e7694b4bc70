// Helpers shared by the fuzz targets: a private scratch directory, an input
// reader, and invariant checks that end the run as a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Reads a fuzz input field by field. A text field ends at a backslash that is
// followed by any byte other than a backslash ("\\\\" stands for one
// backslash), so seed files can be written one field per line, each line
// ending in a backslash. What no field takes is the tail.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    std::string text(size_t max = 65536);
    uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
    uint16_t u16() { return uint16_t(byte() | byte() << 8); }
    uint32_t u32() { return uint32_t(u16()) | uint32_t(u16()) << 16; }
    size_t left() const { return size_t(end_ - p_); }
    const uint8_t* here() const { return p_; }
    // Up to n bytes (fewer at the end of the input).
    std::string bytes(size_t n);
    std::string rest() { return bytes(left()); }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

// A fresh directory of this process (under $TMPDIR, else /dev/shm when it
// exists, else /tmp), removed with its contents when the process exits.
const std::string& fuzz_scratch_dir();
// Removes a directory tree, or only what is inside it.
void fuzz_remove_tree(const std::string& path, bool keep_top = false);
// Names of the entries of a directory ("." and ".." excluded).
size_t fuzz_count_entries(const std::string& dir);

// A broken invariant: prints the reason and aborts, which libFuzzer reports
// as a crash with the input that caused it.
[[noreturn]] void fuzz_fail(const char* what, const std::string& detail = "");
#define FUZZ_CHECK(cond, detail) \
    do {                         \
        if (!(cond)) fuzz_fail(#cond, detail); \
    } while (0)
