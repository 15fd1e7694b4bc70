// End-to-end harness: runs the built programs in a fresh NVR_ROOT.
//
//   class LoginTest : public NvrTest {};
//   TEST_F(LoginTest, Works) {
//       emu().rule("3504 reply 8504 hex:00000000");
//       auto r = post("/1018", "page");
//       EXPECT_EQ(r.body(), "...");
//       auto frames = emu().received(3504);
//   }
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// A temporary root directory, removed with everything in it at destruction.
class TempRoot {
public:
    TempRoot();
    ~TempRoot();
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;
    const std::string& path() const { return path_; }
    // Path of a fixed system path under this root ("/tmp/x" -> ROOT/tmp/x).
    std::string at(const std::string& fixed) const { return path_ + fixed; }
    void write_file(const std::string& fixed, const std::string& bytes) const;
    std::string read_file(const std::string& fixed) const;
    bool exists(const std::string& fixed) const;
    std::vector<std::string> list_dir(const std::string& fixed) const;

private:
    std::string path_;
};

// Result of one program run.
struct RunResult {
    std::string out;  // standard output, byte for byte
    std::string err;  // standard error
    int status = -1;  // exit status (0..255), or 128 + signal
    bool timed_out = false;
    // Output after the CGI header's blank line; the whole output when none.
    std::string body() const;
    // The header block (up to and excluding the first blank line).
    std::string header() const;
};

// Runs `program` (a path) with exactly `env` as environment and `input` on
// standard input. Killed after `timeout_ms`.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& env, const std::string& input,
                      int timeout_ms = 60000);

// One program run of run_programs.
struct ProgramRun {
    std::string program;
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> env;
    std::string input;
};
// Runs programs concurrently, all started from the calling thread: under
// qemu-arm a fork from a threaded process now and then leaves a child that
// never runs its program. The results in the order of `runs`; each program
// is killed after `timeout_ms`.
std::vector<RunResult> run_programs(const std::vector<ProgramRun>& runs, int timeout_ms = 60000);

// The argument vector of a program, built before a fork: the child of a
// threaded process may only make async-signal-safe calls before its exec
// (another thread may have held the allocator's lock at the fork). A built
// program runs under the emulator of its processor when the build is for
// another one.
class ExecLine {
public:
    ExecLine(const std::string& program, const std::vector<std::string>& args);
    // In the child: replaces it with the program.
    [[noreturn]] void exec(char* const* envp) const;

private:
    std::vector<std::string> words_;
    std::vector<char*> argv_;
};
// The same in one call, for a child of a single-threaded process.
[[noreturn]] void exec_program(const std::string& program, const std::vector<std::string>& args, char* const* envp);

// Runs a built program natively with exactly `env`, the file `in_path` as
// standard input and `out_path` (created) as standard output, for tests of
// memory: the exit status and the child's peak resident bytes.
struct MeasuredRun {
    int status = -1;
    size_t peak_bytes = 0;
};
MeasuredRun run_measured(const std::string& program, const std::vector<std::string>& env,
                         const std::string& in_path, const std::string& out_path);
// Resident bytes of this process now.
size_t resident_bytes();

// Path of a built program (nvr-api.cgi, nvr-core-emu, ...).
std::string built(const std::string& name);

// One CGI request.
struct CgiRequest {
    std::string method = "POST";
    std::string code;                            // PATH_INFO
    std::string content_type = "application/json";
    std::string query;                           // QUERY_STRING
    std::string body;                            // standard input
    std::vector<std::pair<std::string, std::string>> env;  // extra variables
    bool set_content_length = true;
};

// A POST of a multipart/form-data `body` (built by the test) whose parts are
// separated by `boundary`.
CgiRequest multipart_request(const std::string& code, const std::string& boundary, const std::string& body,
                             const std::string& query = "");

// A frame the emulator received (from its journal).
struct EmuFrame {
    uint32_t seq = 0;
    uint32_t code = 0;
    uint32_t flags = 0;
    std::vector<uint8_t> payload;
    // Little-endian reads at an offset of the payload.
    uint32_t u32_at(size_t off) const;
    int64_t i64_at(size_t off) const;
    std::string text_at(size_t off, size_t width) const;  // up to the first NUL
};

// The core-daemon emulator running as a child process on ROOT's socket.
class Emulator {
public:
    explicit Emulator(const TempRoot& root) : root_(root) {}
    ~Emulator() { stop(); }
    // Adds a rule line (see docs/emulator.md): takes effect at start,
    // or at once if running (the emulator rereads its rules on SIGHUP).
    void rule(const std::string& line);
    void start(bool demo = true);
    void stop();
    bool running() const { return pid_ > 0; }
    // Every frame received so far, or those of one request code.
    std::vector<EmuFrame> received() const;
    std::vector<EmuFrame> received(uint32_t code) const;

private:
    void write_rules() const;
    const TempRoot& root_;
    std::vector<std::string> rules_;
    int pid_ = -1;
};

// The FastCGI entry (nvr-api.fcgi) as one worker listening on a socket under
// ROOT, started with `env` as its environment; request() sends one request
// as a web server would (the variables as parameters, `input` as the body)
// and returns what a CGI run returns: the reply, and the request's
// application status as the exit status (128 + signal when the worker died).
class FcgiWorker {
public:
    FcgiWorker(const std::string& socket_path, const std::vector<std::pair<std::string, std::string>>& env);
    ~FcgiWorker() { stop(); }
    FcgiWorker(const FcgiWorker&) = delete;
    FcgiWorker& operator=(const FcgiWorker&) = delete;
    RunResult request(const std::vector<std::pair<std::string, std::string>>& params, const std::string& input,
                      int timeout_ms = 60000);
    bool running();
    // SIGTERM, then the exit status (killed after 10 s: -1).
    int stop();
    int pid() const { return pid_; }

private:
    std::string socket_;
    int pid_ = -1;
};

// True when the end-to-end tests run the FastCGI entry instead of the CGI
// program (NVR_TEST_ENTRY=fcgi): one worker per test then serves every
// request NvrTest::run would have given nvr-api.cgi, in order.
bool fcgi_entry_selected();
// Set by run_limited while its programs start under limits: a FastCGI run
// then gets a worker of its own started under them.
void fcgi_limits_active(bool active);

// Test fixture: a fresh root, the CGI program, and an emulator that starts on
// first use.
class NvrTest : public ::testing::Test {
protected:
    NvrTest() : emu_(root_) {}
    TempRoot& root() { return root_; }
    Emulator& emu();  // started lazily with the demo behaviour
    RunResult run(const CgiRequest& req, const std::string& program = "nvr-api.cgi");
    // The requests at the same moment, as the web server would run requests
    // that arrive together; the results in request order.
    std::vector<RunResult> run_together(const std::vector<CgiRequest>& reqs);
    RunResult post(const std::string& code, const std::string& body);
    RunResult get(const std::string& code, const std::string& query);
    // Runs `nvr-store ARGS...` in this root (e.g. {"init"}).
    RunResult store(const std::vector<std::string>& args);
    // Installs a fake shell tool ROOT/fakebin/NAME (first on the CGI's PATH)
    // that appends its arguments, one line per call, to ROOT/fakebin/NAME.calls
    // and then runs `script` (sh) if given.
    void fake_tool(const std::string& name, const std::string& script = "");
    std::vector<std::string> tool_calls(const std::string& name);
    // The single frame of `code` the emulator received, its wait flag as
    // `wait` (an empty frame, and the case failed, when not exactly one).
    EmuFrame sent_once(uint32_t code, bool wait = true);
    // Gives the emulator every rule, then posts each request and checks its
    // whole reply.
    struct ReplyCase {
        std::string code, body, reply;
    };
    void expect_replies(const std::vector<std::string>& rules, const std::vector<ReplyCase>& cases);
    // Store rows from the test: writes one record whole, or reads one back
    // (false, record zeroed, when the row is absent).
    template <typename T>
    void put_row(const std::string& table, int index, const T& record, const std::string& db = "main")
    {
        auto r = store({"put-row", table, std::to_string(index), to_hex(&record, sizeof record), "--db", db});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    template <typename T>
    bool stored(const std::string& table, int index, T* out, const std::string& db = "main")
    {
        std::vector<uint8_t> bytes;
        bool found = stored_bytes(table, index, &bytes, db);
        std::memset(static_cast<void*>(out), 0, sizeof *out);
        if (!bytes.empty()) std::memcpy(static_cast<void*>(out), bytes.data(), std::min(bytes.size(), sizeof *out));
        return found;
    }
    bool stored_bytes(const std::string& table, int index, std::vector<uint8_t>* out, const std::string& db = "main");
    // Every code ends normally on an empty POST body and on a GET with no
    // body at all, and answers both the same way.
    void expect_empty_bodies_handled(const std::vector<std::string>& codes);
    // Extra environment for every run (e.g. HTTP_COOKIE, REMOTE_ADDR).
    std::vector<std::pair<std::string, std::string>> env;

private:
    std::vector<std::pair<std::string, std::string>> cgi_env(const CgiRequest& req);
    TempRoot root_;
    Emulator emu_;
    bool emu_started_ = false;
    std::unique_ptr<FcgiWorker> fcgi_;  // the test's worker (FastCGI runs), ended before the root
    std::mutex fcgi_mutex_;             // held by the one request in flight on fcgi_
    std::atomic<int> fcgi_extra_{0};    // numbers the extra workers' sockets
};

// The request codes a module registered, in slot order (from nvr-api-codes).
std::vector<std::string> registered_codes(const std::string& module);
// The same, only those among `codes`: equal to `codes` when the module
// registered every one of them in that order.
std::vector<std::string> registered_codes(const std::string& module, const std::vector<std::string>& codes);

// Whole contents of a file ("" when unreadable).
std::string read_whole_file(const std::string& path);

// Hex helpers.
std::string to_hex(const void* data, size_t len);
std::vector<uint8_t> from_hex(const std::string& hex);
