// Pieces the end-to-end tests share: the reply texts the CGI program writes,
// records and received frames as hex, request-form schedules, and fixtures
// for the common set-ups (a running emulator, an initialised store).
#pragma once

#include <json-c/json.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/json.h"
#include "platform/record.h"
#include "tests/harness.h"

// ---- reply texts ----

inline const std::string kJsonHead = "Content-type: application/json\r\n\r\n";
inline const std::string kTextHead = "Content-type: text/plain\r\n\r\n";
inline const std::string kJsonError = kJsonHead + "{status:\"CGI ERROR\"}";
inline const std::string kTextError = kTextHead + "CGI ERROR";
inline const std::string kOk = kTextHead + "OK";

// ---- records and frames ----

template <typename T>
std::string hex_of(const T& record)
{
    return to_hex(&record, sizeof record);
}
inline std::string hex_of(const EmuFrame& f) { return to_hex(f.payload.data(), f.payload.size()); }
// 32-bit words as the daemon reads them.
inline std::string words(std::vector<i32> v) { return to_hex(v.data(), v.size() * sizeof(i32)); }

// A received payload as its record; the test fails when the size differs.
template <typename T>
void frame_as(const EmuFrame& f, T* out)
{
    ASSERT_EQ(f.payload.size(), sizeof(T));
    std::memcpy(static_cast<void*>(out), f.payload.data(), sizeof(T));
}

bool all_zero(const void* p, size_t n);
// The request codes of `frames`, in order.
std::vector<u32> codes_of(const std::vector<EmuFrame>& frames);

// ---- JSON ----

// The keys of an object in the reply's order.
std::vector<std::string> json_keys(json_object* o);
// A reply's body parsed (the case fails when it is not JSON).
JsonPtr json_of(const RunResult& r);

// ---- request-form schedules ----

// "HH:MM".
std::string clock_text(int hour, int minute);
// One plan: ["start","end",type].
std::string plan_json(const std::string& start, const std::string& end, int type);
// `days` day arrays of `plans` plans each, plan(d, p) giving each plan's text.
std::string schedule_json_of(int days, int plans, const std::function<std::string(int day, int plan)>& plan);

// ---- large uploads ----

// `n` bytes of `pattern` repeated, starting at its byte `from` (mod its size).
std::string repeated_bytes(const std::string& pattern, size_t n, size_t from = 0);
// Writes a request body to `path` a piece at a time, so that this process
// stays small: `head` with `size` bytes in place of its '@', made by
// bytes(piece, at). Returns the body's size (-1 when it cannot be written).
long write_large_body(const std::string& path, const std::string& head, size_t size, size_t piece,
                      const std::function<std::string(size_t n, size_t from)>& bytes);

// Runs nvr-api.cgi natively on a large multipart upload to `code` whose body
// is written by write_large_body, and checks that it ends well and that its
// peak memory stays below half the upload's size above this process's.
// Returns its output.
std::string expect_flat_memory_upload(const TempRoot& root, const std::string& code, const std::string& boundary,
                                      const std::string& head, size_t size, size_t piece,
                                      const std::function<std::string(size_t n, size_t from)>& bytes);
// Checks that the file at `path` holds exactly `size` bytes of bytes(piece, at).
void expect_file_bytes(const std::string& path, size_t size, size_t piece,
                       const std::function<std::string(size_t n, size_t from)>& bytes);

// ---- fixtures ----

// The emulator runs from the start of every case.
class DaemonTest : public NvrTest {
protected:
    void SetUp() override { emu(); }
};

// The store initialised at the start of every case.
class StoreTest : public NvrTest {
protected:
    void SetUp() override { ASSERT_EQ(store({"init"}).status, 0); }
};

// An initialised store, and the root as working directory for requests that
// hand client text to commands: one that reached a shell would leave
// "pwned" there.
class CommandTest : public StoreTest {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    char old_cwd_[4096] = {};
};
