// nvr-api.fcgi: a FastCGI responder that serves many requests per process.
//
// It accepts connections on descriptor 0 (FCGI_LISTENSOCK_FILENO) and runs
// each request exactly as nvr-api.cgi runs one: the request's parameters
// become the environment, its body arrives on descriptor 0 and descriptor 1
// carries the reply, through pipes that two pump threads connect to the
// FastCGI streams, so every handler (stdio, splice, writev, streamed
// downloads) writes the same bytes it writes as a CGI program. The handler
// runs on a fresh thread of its own: what it changes for its thread (the
// nice value of a download, thread-local state) ends with the request. After
// each request the state a fresh process would start with is restored (see
// request_reset). The worker ends after NVR_FCGI_MAX_REQUESTS requests
// (default 10,000; 0 = never) or on SIGTERM, after the request it serves.
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <fastcgi.h>
#include <fcgiapp.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <stdio_ext.h>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "front/intake.h"
#include "common/core.h"
#include "platform/kxdb.h"

extern char** environ;

namespace {

volatile sig_atomic_t g_terminate = 0;

void on_terminate(int)
{
    g_terminate = 1;
    FCGX_ShutdownPending();
}

// A write to a pipe whose reader is gone fails with EPIPE instead of ending
// the worker. A caught signal is reset to its default in programs the
// handlers run, unlike an ignored one.
void on_pipe(int) {}

// The environment the worker was started with (NVR_ROOT, PATH, ...). During
// a request the environment is the request's parameters and, beneath them,
// the start variables they do not name; it is built anew for each request,
// so nothing of one request's variables is seen by the next. The texts live
// here (not in setenv's never-freed copies), so the worker does not grow
// with every distinct query string.
std::vector<std::string> g_start_env;
std::vector<std::string> g_env_text;
std::vector<char*> g_env_ptrs;

size_t name_length(const char* entry)
{
    const char* eq = std::strchr(entry, '=');
    return eq ? size_t(eq - entry) : 0;
}

void set_request_environment(char** params)
{
    std::vector<std::string> text;
    for (char** p = params; p && *p; p++)
        if (name_length(*p) > 0) text.emplace_back(*p);
    const size_t named = text.size();
    for (const std::string& e : g_start_env) {
        size_t n = name_length(e.c_str());
        bool shadowed = false;
        for (size_t i = 0; i < named && !shadowed; i++)
            shadowed = name_length(text[i].c_str()) == n && text[i].compare(0, n + 1, e, 0, n + 1) == 0;
        if (!shadowed) text.push_back(e);
    }
    std::vector<char*> ptrs;
    for (std::string& t : text) ptrs.push_back(&t[0]);
    ptrs.push_back(nullptr);
    environ = ptrs.data();
    g_env_text.swap(text);
    g_env_ptrs.swap(ptrs);
}

// The worker's signal dispositions; set again after each request, since a
// handler may change them (a download ignores SIGPIPE).
void install_signals()
{
    // As in the CGI program: a write past a file-size limit fails (EFBIG).
    std::signal(SIGXFSZ, SIG_IGN);
    struct sigaction sa{};
    sa.sa_handler = on_pipe;
    sigaction(SIGPIPE, &sa, nullptr);
    // No SA_RESTART: the wait in accept ends (the library gives up its wait
    // on an interruption once shutdown is pending).
    sa.sa_handler = on_terminate;
    sigaction(SIGTERM, &sa, nullptr);
}

// ---- the state of one request ----

// Before a request: a store file replaced underneath (profile import,
// factory reset, a copy by the store tool) or deleted is opened anew.
void request_begin()
{
    kxdb_close_replaced();
}

// After a request: what it left is ended, so the next one starts as a fresh
// process would. Daemon sessions it did not end are ended (the socket
// library keeps them on a stack), its upload files removed, its captured
// variables cleared. Its exchanges with the daemon, and their reply flags,
// ended with it.
void request_reset()
{
    for (int i = 0; i < 16; i++) kx_sock_uninit(0);
    core_set_socket_path(nullptr);
    cgi_intake_reset();
    install_signals();
}

// ---- the pumps between the FastCGI streams and descriptors 0 and 1 ----

struct InPump {
    FCGX_Stream* in;
    int fd;  // write end of the request's standard input
};

void* pump_in(void* arg)
{
    auto* p = static_cast<InPump*>(arg);
    char buf[65536];
    bool open = true;
    for (;;) {
        int n = FCGX_GetStr(buf, sizeof buf, p->in);
        if (n <= 0) break;
        // Once the handler has closed its input, the rest of the body is
        // read and dropped, so the stream stays in step.
        for (int off = 0; open && off < n;) {
            ssize_t w = write(p->fd, buf + off, size_t(n - off));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                open = false;
                break;
            }
            off += int(w);
        }
    }
    close(p->fd);
    return nullptr;
}

struct OutPump {
    FCGX_Stream* out;
    int fd;  // read end of the request's standard output
};

void* pump_out(void* arg)
{
    auto* p = static_cast<OutPump*>(arg);
    char buf[65536];
    for (;;) {
        ssize_t n = read(p->fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (FCGX_PutStr(buf, int(n), p->out) != int(n)) break;  // the client is gone
        // Flushed at once: a streamed reply reaches the client as it is written.
        FCGX_FFlush(p->out);
    }
    // Closing the read end makes the handler's next write fail (EPIPE), as
    // a CGI program's write fails when the web server's client hangs up.
    close(p->fd);
    return nullptr;
}

// ---- the request thread ----

thread_local bool t_request_thread = false;
thread_local int t_exit_status = 0;

struct RequestRun {
    int status = 0;
};

void* run_request(void* arg)
{
    auto* run = static_cast<RequestRun*>(arg);
    t_request_thread = true;
    try {
        run->status = cgi_intake_run();
    } catch (abi::__forced_unwind&) {
        // exit() in a handler: the thread ends here (see __wrap_exit).
        run->status = t_exit_status;
        throw;
    } catch (...) {
        // A fatal error that would have ended a CGI program by abort():
        // its status, and only this request ends.
        run->status = 128 + SIGABRT;
    }
    return nullptr;
}

// Starts a thread with SIGTERM blocked, so the signal reaches the main
// thread (which waits in accept or for the request) and never a handler's.
bool start_thread(pthread_t* t, void* (*fn)(void*), void* arg)
{
    sigset_t term, old;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &term, &old);
    bool ok = pthread_create(t, nullptr, fn, arg) == 0;
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return ok;
}

// Points descriptor `fd` at /dev/null (read and write).
void to_null(int fd)
{
    int null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null_fd < 0) return;
    if (null_fd == fd) {
        fcntl(fd, F_SETFD, 0);
        return;
    }
    dup2(null_fd, fd);
    close(null_fd);
}

int serve(FCGX_Request& req)
{
    request_begin();
    set_request_environment(req.envp);
    tzset();
    setlocale(LC_ALL, "C");

    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return 255;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return 255;
    }
    dup2(in[0], STDIN_FILENO);
    close(in[0]);
    dup2(out[1], STDOUT_FILENO);
    close(out[1]);
    clearerr(stdin);
    __fpurge(stdin);
    clearerr(stdout);

    InPump ip{req.in, in[1]};
    OutPump op{req.out, out[0]};
    pthread_t tin, tout, treq;
    bool in_ok = start_thread(&tin, pump_in, &ip);
    if (!in_ok) close(in[1]);
    bool out_ok = start_thread(&tout, pump_out, &op);
    if (!out_ok) close(out[0]);

    RequestRun run;
    if (start_thread(&treq, run_request, &run))
        pthread_join(treq, nullptr);
    else
        run.status = 255;

    // The reply ends: what stdio holds is written, and descriptor 1 no
    // longer names the pipe, so the pump sees its end.
    fflush(stdout);
    to_null(STDOUT_FILENO);
    if (out_ok) pthread_join(tout, nullptr);
    // The handler's input closes: the pump drops what the client still sends.
    __fpurge(stdin);
    to_null(STDIN_FILENO);
    if (in_ok) pthread_join(tin, nullptr);

    request_reset();
    return run.status & 0xff;
}

long max_requests()
{
    const char* v = std::getenv("NVR_FCGI_MAX_REQUESTS");
    if (!v || !*v) return 10000;
    char* end = nullptr;
    long n = std::strtol(v, &end, 10);
    return (*end || n < 0) ? 10000 : n;
}

}  // namespace

// Linked with --wrap=exit: exit() called by a handler ends its request (its
// status becomes the request's), not the worker. Elsewhere it is exit().
extern "C" [[noreturn]] void __real_exit(int status);
extern "C" [[noreturn]] void __wrap_exit(int status)
{
    if (t_request_thread) {
        t_exit_status = status;
        pthread_exit(nullptr);
    }
    __real_exit(status);
}

int main()
{
    install_signals();
    for (char** e = environ; e && *e; e++) g_start_env.emplace_back(*e);
    // Started with descriptors 1 and 2 closed (cgi-fcgi -start), the pipes
    // of a request would take their numbers: they name /dev/null instead.
    for (int fd = 1; fd <= 2; fd++)
        if (fcntl(fd, F_GETFD) < 0) to_null(fd);

    // The listening socket moves off descriptor 0, which each request's
    // input takes, and is not inherited by the programs handlers run.
    const int listen_fd = fcntl(FCGI_LISTENSOCK_FILENO, F_DUPFD_CLOEXEC, 3);
    if (listen_fd < 0) return 1;
    to_null(FCGI_LISTENSOCK_FILENO);
    if (FCGX_Init() != 0) return 1;
    FCGX_Request req;
    if (FCGX_InitRequest(&req, listen_fd, 0) != 0) return 1;
    const long limit = max_requests();
    for (long served = 0; !g_terminate && (limit == 0 || served < limit); served++) {
        if (FCGX_Accept_r(&req) < 0) break;
        int status = serve(req);
        // Going idle (no connection waiting): the logs are emptied before the
        // request ends, as a CGI program's exit does, so a database replaced
        // while the worker waits is not read with the old file's log.
        struct pollfd waiting{listen_fd, POLLIN, 0};
        if (poll(&waiting, 1, 0) == 0) kxdb_checkpoint_all();
        FCGX_SetExitStatus(status, req.out);
        FCGX_Finish_r(&req);
    }
    return 0;
}
