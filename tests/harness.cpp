#include "tests/harness.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <thread>
#include <unistd.h>

#include "platform/kxsocket.h"

namespace {

void remove_tree(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR* d = opendir(path.c_str())) {
            while (struct dirent* e = readdir(d)) {
                if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
                remove_tree(path + "/" + e->d_name);
            }
            closedir(d);
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

}  // namespace

// Programs built for another processor run under its emulator (the build
// passes NVR_EXEC_WRAPPER, e.g. "qemu-arm -L /usr/arm-linux-gnueabihf").
ExecLine::ExecLine(const std::string& program, const std::vector<std::string>& args)
{
#ifdef NVR_EXEC_WRAPPER
    char magic[4] = {};
    int fd = open(program.c_str(), O_RDONLY | O_CLOEXEC);
    bool elf = fd >= 0 && read(fd, magic, 4) == 4 && std::memcmp(magic, "\x7f" "ELF", 4) == 0;
    if (fd >= 0) close(fd);
    std::string wrapper = elf ? NVR_EXEC_WRAPPER : "";  // scripts run as they are
    for (size_t start = 0; start <= wrapper.size();) {
        size_t end = wrapper.find(' ', start);
        if (end == std::string::npos) end = wrapper.size();
        if (end > start) words_.push_back(wrapper.substr(start, end - start));
        start = end + 1;
    }
#endif
    words_.push_back(program);
    words_.insert(words_.end(), args.begin(), args.end());
    for (auto& w : words_) argv_.push_back(const_cast<char*>(w.c_str()));
    argv_.push_back(nullptr);
}

void ExecLine::exec(char* const* envp) const
{
    if (argv_[0][0] == '/')
        execve(argv_[0], argv_.data(), envp);
    else
        execvpe(argv_[0], argv_.data(), envp);
    _exit(127);
}

void exec_program(const std::string& program, const std::vector<std::string>& args, char* const* envp)
{
    ExecLine(program, args).exec(envp);
}

namespace {

long now_ms()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000L + ts.tv_nsec / 1000000L;
}

}  // namespace

TempRoot::TempRoot()
{
    char tmpl[] = "/tmp/nvr-test-XXXXXX";
    char* d = mkdtemp(tmpl);
    if (!d) std::abort();
    path_ = d;
}

TempRoot::~TempRoot()
{
    if (!std::getenv("NVR_KEEP_ROOT")) remove_tree(path_);
}

void TempRoot::write_file(const std::string& fixed, const std::string& bytes) const
{
    std::string p = at(fixed);
    std::string dir = p.substr(0, p.rfind('/'));
    for (size_t pos = dir.find('/', 1);; pos = dir.find('/', pos + 1)) {
        mkdir(dir.substr(0, pos).c_str(), 0755);
        if (pos == std::string::npos) break;
    }
    std::ofstream f(p, std::ios::binary);
    f.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string read_whole_file(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::string TempRoot::read_file(const std::string& fixed) const { return read_whole_file(at(fixed)); }

bool TempRoot::exists(const std::string& fixed) const
{
    struct stat st;
    return lstat(at(fixed).c_str(), &st) == 0;
}

std::vector<std::string> TempRoot::list_dir(const std::string& fixed) const
{
    std::vector<std::string> names;
    if (DIR* d = opendir(at(fixed).c_str())) {
        while (struct dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string RunResult::body() const
{
    size_t p = out.find("\r\n\r\n");
    return p == std::string::npos ? out : out.substr(p + 4);
}

std::string RunResult::header() const
{
    size_t p = out.find("\r\n\r\n");
    return p == std::string::npos ? "" : out.substr(0, p);
}

std::string built(const std::string& name)
{
    return std::string(NVR_BUILD_DIR) + "/" + name;
}

namespace {

// One program started with pipes on its three standard streams.
struct Running {
    pid_t pid = -1;
    int in = -1, out = -1, err = -1;
    const std::string* input = nullptr;
    size_t written = 0;
    RunResult r;
};

void close_fd(int& fd)
{
    if (fd >= 0) close(fd);
    fd = -1;
}

// Starts `run`; everything the child needs is built before the fork.
void start_program(const ProgramRun& run, Running& p)
{
    signal(SIGPIPE, SIG_IGN);  // a program that leaves input unread must not kill the test
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC)) return;
    if (pipe2(out, O_CLOEXEC)) {
        close(in[0]);
        close(in[1]);
        return;
    }
    if (pipe2(err, O_CLOEXEC)) {
        for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
        return;
    }
    // A later variable of the same name replaces an earlier one.
    std::vector<std::string> envs;
    const auto& env = run.env;
    for (size_t i = 0; i < env.size(); i++) {
        bool replaced = false;
        for (size_t j = i + 1; j < env.size() && !replaced; j++) replaced = env[j].first == env[i].first;
        if (!replaced) envs.push_back(env[i].first + "=" + env[i].second);
    }
    std::vector<char*> envp;
    for (auto& e : envs) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const ExecLine line(run.program, run.args);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        line.exec(envp.data());
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    p.pid = pid;
    p.in = in[1];
    p.out = out[0];
    p.err = err[0];
    p.input = &run.input;
    fcntl(p.in, F_SETFL, O_NONBLOCK);
    if (run.input.empty() || pid < 0) close_fd(p.in);
    if (pid < 0) {
        close_fd(p.out);
        close_fd(p.err);
    }
}

// Feeds and reads every started program until each has closed its output
// (or the deadline passed: the rest are killed), then reaps them.
void finish_programs(std::vector<Running>& ps, long deadline)
{
    char buf[65536];
    std::vector<struct pollfd> fds;
    std::vector<std::pair<Running*, int*>> owners;
    for (;;) {
        fds.clear();
        owners.clear();
        for (auto& p : ps) {
            if (p.out >= 0) { fds.push_back({p.out, POLLIN, 0}); owners.push_back({&p, &p.out}); }
            if (p.err >= 0) { fds.push_back({p.err, POLLIN, 0}); owners.push_back({&p, &p.err}); }
            if (p.in >= 0) { fds.push_back({p.in, POLLOUT, 0}); owners.push_back({&p, &p.in}); }
        }
        if (fds.empty()) break;
        long left = deadline - now_ms();
        if (left <= 0) {
            for (auto& p : ps) {
                if (p.out < 0 && p.err < 0) continue;
                p.r.timed_out = true;
                kill(p.pid, SIGKILL);
            }
            break;
        }
        if (poll(fds.data(), nfds_t(fds.size()), int(left)) < 0 && errno != EINTR) break;
        for (size_t i = 0; i < fds.size(); i++) {
            if (!fds[i].revents) continue;
            Running& p = *owners[i].first;
            int& fd = *owners[i].second;
            if (&fd == &p.in) {
                const std::string& input = *p.input;
                ssize_t k = (fds[i].revents & POLLOUT) ? write(fd, input.data() + p.written, input.size() - p.written)
                                                       : -1;
                if (k > 0) p.written += size_t(k);
                if (k <= 0 || p.written == input.size()) close_fd(fd);
                continue;
            }
            ssize_t k = read(fd, buf, sizeof buf);
            if (k > 0)
                (&fd == &p.out ? p.r.out : p.r.err).append(buf, size_t(k));
            else
                close_fd(fd);
        }
    }
    for (auto& p : ps) {
        close_fd(p.in);
        close_fd(p.out);
        close_fd(p.err);
        if (p.pid < 0) continue;
        int st = 0;
        waitpid(p.pid, &st, 0);
        p.r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    }
}

}  // namespace

std::vector<RunResult> run_programs(const std::vector<ProgramRun>& runs, int timeout_ms)
{
    std::vector<Running> ps(runs.size());
    for (size_t i = 0; i < runs.size(); i++) start_program(runs[i], ps[i]);
    finish_programs(ps, now_ms() + timeout_ms);
    std::vector<RunResult> results;
    for (auto& p : ps) results.push_back(std::move(p.r));
    return results;
}

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& env, const std::string& input,
                      int timeout_ms)
{
    return run_programs({{program, args, env, input}}, timeout_ms)[0];
}

// ---- emulator ----

uint32_t EmuFrame::u32_at(size_t off) const
{
    uint32_t v = 0;
    if (off + 4 <= payload.size()) std::memcpy(&v, payload.data() + off, 4);
    return v;
}

int64_t EmuFrame::i64_at(size_t off) const
{
    int64_t v = 0;
    if (off + 8 <= payload.size()) std::memcpy(&v, payload.data() + off, 8);
    return v;
}

std::string EmuFrame::text_at(size_t off, size_t width) const
{
    std::string s;
    for (size_t i = off; i < off + width && i < payload.size() && payload[i]; i++) s += char(payload[i]);
    return s;
}

void Emulator::write_rules() const
{
    std::string text;
    for (auto& r : rules_) text += r + "\n";
    root_.write_file("/emu/rules.txt", text);
}

void Emulator::rule(const std::string& line)
{
    rules_.push_back(line);
    write_rules();
}

void Emulator::start(bool demo)
{
    if (pid_ > 0) return;
    write_rules();
    root_.write_file("/emu/journal.txt", "");
    std::string socket_path = root_.at("/var/run/kxsocket");
    unlink(socket_path.c_str());
    pid_t pid = fork();
    if (pid == 0) {
        std::string root_env = "NVR_ROOT=" + root_.path();
        std::string prog = built("nvr-core-emu");
        std::string journal = root_.at("/emu/journal.txt");
        std::string rules = root_.at("/emu/rules.txt");
        std::vector<std::string> args{"--journal", journal, "--rules", rules};
        if (!demo) args.push_back("--no-demo");
        const char* envp[] = {root_env.c_str(), "PATH=/usr/bin:/bin", nullptr};
        // The emulator ends with the test process, even one that aborts, and
        // holds none of its output pipes (ctest would wait for them).
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
        exec_program(prog, args, const_cast<char* const*>(envp));
    }
    pid_ = pid;
    // Ready when the socket accepts connections.
    long deadline = now_ms() + 10000;
    while (now_ms() < deadline) {
        int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        struct sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, socket_path.c_str(), sizeof a.sun_path - 1);
        bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        close(s);
        if (ok) return;
        usleep(5000);
    }
    ADD_FAILURE() << "emulator did not start";
}

void Emulator::stop()
{
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int st;
    waitpid(pid_, &st, 0);
    pid_ = -1;
}

// Asks the emulator to read everything already sent to it, so its journal
// is complete for every CGI run that has ended.
static void emulator_sync(const std::string& socket_path)
{
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, socket_path.c_str(), sizeof a.sun_path - 1);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        kx_write_frame(s, 1, kKxSyncCode, kKxFlagWait, nullptr, 0) == 0) {
        KxFrameHeader h;
        unsigned char* payload = nullptr;
        if (kx_read_frame(s, &h, &payload) == 1) free(payload);
    }
    close(s);
}

std::vector<EmuFrame> Emulator::received() const
{
    if (pid_ > 0) emulator_sync(root_.at("/var/run/kxsocket"));
    std::vector<EmuFrame> frames;
    std::istringstream in(root_.read_file("/emu/journal.txt"));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        EmuFrame f;
        uint32_t len = 0;
        std::string hex;
        if (!(ls >> f.seq >> f.code >> f.flags >> len >> hex)) continue;
        if (f.code == kKxSyncCode) continue;
        if (hex != "-") f.payload = from_hex(hex);
        frames.push_back(std::move(f));
    }
    return frames;
}

std::vector<EmuFrame> Emulator::received(uint32_t code) const
{
    std::vector<EmuFrame> all = received(), some;
    for (auto& f : all)
        if (f.code == code) some.push_back(f);
    return some;
}

// ---- fixture ----

Emulator& NvrTest::emu()
{
    if (!emu_started_) {
        emu_started_ = true;
        emu_.start();
    }
    return emu_;
}

// With NVR_REPLY_LOG naming a directory, every CGI reply of the end-to-end
// tests is kept there, one file per request, for the contract check of the
// replies against docs/openapi.json (scripts/contract-check.js):
//   method NL code NL content type NL request length NL request bytes NL output bytes
// A request is kept up to 4 KiB (uploads are not needed), an output up to
// 1 MiB (downloads only show their header); nothing is kept while a test
// limits the size of files.
static void record_reply(const CgiRequest& req, const RunResult& r)
{
    const char* dir = getenv("NVR_REPLY_LOG");
    struct rlimit fsize;
    if (!dir || !*dir || r.timed_out) return;
    if (getrlimit(RLIMIT_FSIZE, &fsize) != 0 || fsize.rlim_cur != RLIM_INFINITY) return;
    static int serial = 0;
    const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = t ? std::string(t->test_suite_name()) + "." + t->name() : "none";
    for (char& c : name)
        if (c == '/') c = '_';
    std::ofstream f(std::string(dir) + "/" + name + "-" + std::to_string(getpid()) + "-" + std::to_string(serial++) +
                        ".reply",
                    std::ios::binary);
    std::string body = req.body.substr(0, 4096);
    f << req.method << '\n' << req.code << '\n' << req.content_type << '\n' << body.size() << '\n' << body << '\n'
      << r.out.substr(0, 1 << 20);
}

// ---- FastCGI worker ----

namespace {

enum : uint8_t { kFcgiBegin = 1, kFcgiEnd = 3, kFcgiParams = 4, kFcgiStdin = 5, kFcgiStdout = 6, kFcgiStderr = 7 };

void fcgi_record(std::string& out, uint8_t type, const char* data, size_t len)
{
    const uint8_t head[8] = {1, type, 0, 1, uint8_t(len >> 8), uint8_t(len), 0, 0};
    out.append(reinterpret_cast<const char*>(head), 8);
    out.append(data, len);
}

// A stream's content in records of at most 65,535 bytes, then its empty end.
void fcgi_stream(std::string& out, uint8_t type, const std::string& data)
{
    for (size_t off = 0; off < data.size(); off += 65535)
        fcgi_record(out, type, data.data() + off, std::min<size_t>(65535, data.size() - off));
    fcgi_record(out, type, nullptr, 0);
}

void fcgi_length(std::string& out, size_t n)
{
    if (n < 128) {
        out += char(n);
    } else {
        out += char(0x80 | (n >> 24));
        out += char(n >> 16);
        out += char(n >> 8);
        out += char(n);
    }
}

}  // namespace

namespace {
std::atomic<int> g_fcgi_limits{0};
}

void fcgi_limits_active(bool active)
{
    g_fcgi_limits += active ? 1 : -1;
}

bool fcgi_entry_selected()
{
    const char* v = std::getenv("NVR_TEST_ENTRY");
    return v && std::strcmp(v, "fcgi") == 0;
}

FcgiWorker::FcgiWorker(const std::string& socket_path, const std::vector<std::pair<std::string, std::string>>& env)
    : socket_(socket_path)
{
    unlink(socket_.c_str());
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::snprintf(a.sun_path, sizeof a.sun_path, "%s", socket_.c_str());
    if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 16) != 0) {
        if (s >= 0) close(s);
        return;
    }
    std::vector<std::string> envs;
    for (auto& kv : env) envs.push_back(kv.first + "=" + kv.second);
    std::vector<char*> envp;
    for (auto& e : envs) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    // Workers are started from the test's request threads too.
    const ExecLine line(built("nvr-api.fcgi"), {});
    pid_t pid = fork();
    if (pid == 0) {
        dup2(s, 0);  // FCGI_LISTENSOCK_FILENO
        int null_fd = open("/dev/null", O_WRONLY);
        if (null_fd >= 0) dup2(null_fd, 1);
        line.exec(envp.data());
    }
    close(s);
    pid_ = pid;
}

bool FcgiWorker::running()
{
    if (pid_ <= 0) return false;
    int st = 0;
    if (waitpid(pid_, &st, WNOHANG) == pid_) pid_ = -1;
    return pid_ > 0;
}

int FcgiWorker::stop()
{
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int st = 0;
    long deadline = now_ms() + 10000;
    while (waitpid(pid_, &st, WNOHANG) == 0) {
        if (now_ms() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &st, 0);
            pid_ = -1;
            return -1;
        }
        struct timespec ts{0, 5000000};
        nanosleep(&ts, nullptr);
    }
    pid_ = -1;
    return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

RunResult FcgiWorker::request(const std::vector<std::pair<std::string, std::string>>& params, const std::string& input,
                              int timeout_ms)
{
    RunResult r;
    signal(SIGPIPE, SIG_IGN);
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::snprintf(a.sun_path, sizeof a.sun_path, "%s", socket_.c_str());
    if (s < 0 || connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        if (s >= 0) close(s);
        return r;
    }
    // Begin (responder, connection closed after the request), parameters
    // (a later variable of the same name replaces an earlier one), body.
    std::string out;
    const char begin[8] = {0, 1, 0, 0, 0, 0, 0, 0};
    fcgi_record(out, kFcgiBegin, begin, sizeof begin);
    std::string pairs;
    for (size_t i = 0; i < params.size(); i++) {
        bool replaced = false;
        for (size_t j = i + 1; j < params.size() && !replaced; j++) replaced = params[j].first == params[i].first;
        if (replaced) continue;
        fcgi_length(pairs, params[i].first.size());
        fcgi_length(pairs, params[i].second.size());
        pairs += params[i].first + params[i].second;
    }
    fcgi_stream(out, kFcgiParams, pairs);
    fcgi_stream(out, kFcgiStdin, input);
    fcntl(s, F_SETFL, O_NONBLOCK);

    size_t sent = 0;
    std::string in;
    bool ended = false, open_in = true;
    long deadline = now_ms() + timeout_ms;
    char buf[65536];
    while (open_in && !ended) {
        struct pollfd p{s, short(POLLIN | (sent < out.size() ? POLLOUT : 0)), 0};
        long left = deadline - now_ms();
        if (left <= 0) {
            r.timed_out = true;
            break;
        }
        if (poll(&p, 1, int(left)) < 0 && errno != EINTR) break;
        if ((p.revents & POLLOUT) && sent < out.size()) {
            ssize_t k = send(s, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
            if (k > 0) sent += size_t(k);
        }
        if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
            ssize_t k = read(s, buf, sizeof buf);
            if (k > 0) in.append(buf, size_t(k));
            else if (k == 0 || errno != EAGAIN) open_in = false;
        }
        // Whole records: standard output, standard error, the end.
        size_t used = 0;
        while (in.size() - used >= 8) {
            const auto* h = reinterpret_cast<const unsigned char*>(in.data() + used);
            size_t len = size_t(h[4]) << 8 | h[5], total = 8 + len + h[6];
            if (in.size() - used < total) break;
            const char* body = in.data() + used + 8;
            if (h[1] == kFcgiStdout) r.out.append(body, len);
            if (h[1] == kFcgiStderr) r.err.append(body, len);
            if (h[1] == kFcgiEnd && len >= 4) {
                const auto* b = reinterpret_cast<const unsigned char*>(body);
                r.status = int(b[3]);  // as an exit status: the low byte
                ended = true;
            }
            used += total;
        }
        in.erase(0, used);
    }
    close(s);
    if (!ended && !r.timed_out) {
        // No end record: the worker died (its signal, as a CGI run reports it).
        for (int i = 0; i < 200 && running(); i++) {
            struct timespec ts{0, 5000000};
            nanosleep(&ts, nullptr);
        }
        if (pid_ <= 0) r.status = 128 + SIGKILL;
    }
    return r;
}

std::vector<std::pair<std::string, std::string>> NvrTest::cgi_env(const CgiRequest& req)
{
    std::vector<std::pair<std::string, std::string>> e{
        {"NVR_ROOT", root_.path()},
        {"PATH", root_.path() + "/fakebin:" + std::string(NVR_BUILD_DIR) + "/tools:/usr/bin:/bin"},
        {"REQUEST_METHOD", req.method},
        {"PATH_INFO", req.code},
        {"QUERY_STRING", req.query},
        {"CONTENT_TYPE", req.content_type},
        {"REMOTE_ADDR", "192.0.2.10"},
    };
    if (req.set_content_length) e.push_back({"CONTENT_LENGTH", std::to_string(req.body.size())});
    for (auto& kv : env) e.push_back(kv);
    for (auto& kv : req.env) e.push_back(kv);
    return e;
}

RunResult NvrTest::run(const CgiRequest& req, const std::string& program)
{
    const auto e = cgi_env(req);
    RunResult r;
    if (program == "nvr-api.cgi" && fcgi_entry_selected()) {
        // One worker serves every request of the test, in order, so state
        // one request leaves behind is seen by the next. A worker that died
        // is replaced, as the web server would.
        const std::vector<std::pair<std::string, std::string>> start_env(e.begin(), e.begin() + 2);
        // A request under limits, or one made while another is in flight (a
        // web server runs several workers), gets a worker of its own. The
        // test's worker is taken under its lock, so two requests started at
        // once never both start (or replace) it.
        std::unique_lock<std::mutex> own(fcgi_mutex_, std::defer_lock);
        if (g_fcgi_limits.load() == 0) own.try_lock();
        if (!own.owns_lock()) {
            FcgiWorker extra(root_.at("/fcgi-" + std::to_string(++fcgi_extra_) + ".sock"), start_env);
            r = extra.request(e, req.body);
        } else {
            if (!fcgi_ || !fcgi_->running()) fcgi_ = std::make_unique<FcgiWorker>(root_.at("/fcgi.sock"), start_env);
            r = fcgi_->request(e, req.body);
        }
    } else {
        r = run_program(built(program), {}, e, req.body);
    }
    if (program == "nvr-api.cgi") record_reply(req, r);
    return r;
}

std::vector<RunResult> NvrTest::run_together(const std::vector<CgiRequest>& reqs)
{
    std::vector<RunResult> results(reqs.size());
    if (fcgi_entry_selected()) {
        // Workers are started and fed from threads, as requests in flight
        // at once are served by the web server.
        std::vector<std::thread> threads;
        for (size_t i = 0; i < reqs.size(); i++) threads.emplace_back([&, i] { results[i] = run(reqs[i]); });
        for (auto& t : threads) t.join();
        return results;
    }
    std::vector<ProgramRun> runs;
    for (auto& req : reqs) runs.push_back({built("nvr-api.cgi"), {}, cgi_env(req), req.body});
    results = run_programs(runs);
    for (size_t i = 0; i < reqs.size(); i++) record_reply(reqs[i], results[i]);
    return results;
}

RunResult NvrTest::post(const std::string& code, const std::string& body)
{
    CgiRequest r;
    r.code = code;
    r.body = body;
    return run(r);
}

RunResult NvrTest::get(const std::string& code, const std::string& query)
{
    CgiRequest r;
    r.method = "GET";
    r.code = code;
    r.query = query;
    r.content_type = "";
    return run(r);
}

CgiRequest multipart_request(const std::string& code, const std::string& boundary, const std::string& body,
                             const std::string& query)
{
    CgiRequest r;
    r.code = code;
    r.content_type = "multipart/form-data; boundary=" + boundary;
    r.body = body;
    r.query = query;
    return r;
}

void NvrTest::fake_tool(const std::string& name, const std::string& script)
{
    std::string calls = root_.at("/fakebin/" + name + ".calls");
    std::string text = "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + calls + "'\n" + script + "\n";
    root_.write_file("/fakebin/" + name, text);
    chmod(root_.at("/fakebin/" + name).c_str(), 0755);
}

EmuFrame NvrTest::sent_once(uint32_t code, bool wait)
{
    auto frames = emu().received(code);
    EXPECT_EQ(frames.size(), 1u) << code;
    if (frames.empty()) return EmuFrame();
    EXPECT_EQ(frames[0].flags & 1, wait ? 1u : 0u) << code;
    return frames[0];
}

void NvrTest::expect_replies(const std::vector<std::string>& rules, const std::vector<ReplyCase>& cases)
{
    for (const std::string& rule : rules) emu().rule(rule);
    for (const ReplyCase& c : cases) EXPECT_EQ(post(c.code, c.body).out, c.reply) << c.code << " " << c.body;
}

std::vector<std::string> NvrTest::tool_calls(const std::string& name)
{
    std::vector<std::string> lines;
    std::istringstream in(root_.read_file("/fakebin/" + name + ".calls"));
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

RunResult NvrTest::store(const std::vector<std::string>& args)
{
    return run_program(built("nvr-store"), args, {{"NVR_ROOT", root_.path()}}, "");
}

bool NvrTest::stored_bytes(const std::string& table, int index, std::vector<uint8_t>* out, const std::string& db)
{
    out->clear();
    std::istringstream in(store({"dump", table, "--db", db}).out);
    for (std::string line; std::getline(in, line);) {
        std::istringstream ls(line);
        int i = -1;
        size_t len = 0;
        std::string hex;
        if (ls >> i >> len >> hex && i == index) {
            *out = from_hex(hex);
            return true;
        }
    }
    return false;
}

void NvrTest::expect_empty_bodies_handled(const std::vector<std::string>& codes)
{
    for (const std::string& code : codes) {
        auto posted = post(code, "");
        EXPECT_EQ(posted.status, 0) << code;
        EXPECT_FALSE(posted.timed_out) << code;
        CgiRequest r;
        r.method = "GET";
        r.code = code;
        r.content_type = "";
        r.set_content_length = false;
        auto got = run(r);
        EXPECT_EQ(got.status, 0) << code;
        EXPECT_EQ(got.out, posted.out) << code;
    }
}

std::vector<std::string> registered_codes(const std::string& module)
{
    auto r = run_program(built("nvr-api-codes"), {}, {}, "");
    std::vector<std::string> codes;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        std::istringstream ls(line);
        std::string slot, code, mod;
        if (ls >> slot >> code >> mod && mod == module) codes.push_back(code);
    }
    return codes;
}

std::vector<std::string> registered_codes(const std::string& module, const std::vector<std::string>& codes)
{
    std::vector<std::string> among;
    for (const std::string& code : registered_codes(module))
        if (std::find(codes.begin(), codes.end(), code) != codes.end()) among.push_back(code);
    return among;
}

std::string to_hex(const void* data, size_t len)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < len; i++) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::vector<uint8_t> from_hex(const std::string& hex)
{
    std::vector<uint8_t> v;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) v.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return v;
}

MeasuredRun run_measured(const std::string& program, const std::vector<std::string>& env,
                         const std::string& in_path, const std::string& out_path)
{
    MeasuredRun result;
    pid_t pid = fork();
    if (pid == 0) {
        int in = open(in_path.c_str(), O_RDONLY);
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        std::vector<char*> envp;
        for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        execve(argv[0], argv, envp.data());
        _exit(127);
    }
    if (pid < 0) return result;
    int status = 0;
    struct rusage ru;
    if (wait4(pid, &status, 0, &ru) != pid) return result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.peak_bytes = size_t(ru.ru_maxrss) * 1024;
    return result;
}

size_t resident_bytes()
{
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (f && std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    if (f) std::fclose(f);
    return size_t(resident) * size_t(sysconf(_SC_PAGESIZE));
}
