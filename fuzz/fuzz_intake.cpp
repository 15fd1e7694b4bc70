// The whole intake in-process: environment, request text by method and media
// type, multipart uploads, dispatch to every registered handler, and the
// core daemon's answers, all from the input.
//
// Input, one text field per line (see FuzzInput: each ends in a backslash):
//   REQUEST_METHOD \ CONTENT_TYPE \ PATH_INFO \ QUERY_STRING \
//   CONTENT_LENGTH (empty: the body's size) \ HTTP_COOKIE \ HTTP_HOST \
//   body \
// and then the core daemon's script (fuzz/fake_daemon.h).
//
// The process runs under a private NVR_ROOT (set before anything resolves a
// path), with standard output on /dev/null and standard input fed from the
// body. Shell tools resolve only in ROOT/fakebin, where every tool a handler
// may run is a fake that does nothing; any other name is not found. Every
// run starts from the factory store and an empty ROOT/tmp.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdio_ext.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/paths.h"
#include "front/intake.h"
#include "fuzz/fake_daemon.h"
#include "fuzz/fuzz_util.h"
#include "platform/kxdb.h"
#include "tools/store/seeds.h"

namespace {

const std::string& root()
{
    static const std::string* r = new std::string(fuzz_scratch_dir() + "/root");
    return *r;
}

// NVR_ROOT before any constructor or call can resolve a path.
__attribute__((constructor(101))) void set_root()
{
    mkdir(root().c_str(), 0700);
    setenv("NVR_ROOT", root().c_str(), 1);
}

// Tools the handlers run through the shell, as harmless fakes.
const char* const kFakeTools[] = {
    "kxprofile", "kxchip_update", "tcpdump", "killall", "kill", "netstat", "unzip", "tar", "gzip", "zip",
    "cp", "mv", "rm", "ln", "touch", "mkdir", "rmdir", "chmod", "chown", "sync", "cat", "ls", "find",
    "reboot", "poweroff", "halt", "shutdown", "ifconfig", "route", "ip", "date", "hwclock", "ntpdate",
    "openssl", "dd", "mount", "umount", "mkfs", "fdisk", "sed", "grep", "awk", "head", "tail", "md5sum",
    "sleep", "ping", "arp", "iptables", "pppd", "udhcpc", "wget", "curl", "df", "du", "ps",
};

// An environment variable whose text is rewritten in place for each run.
struct EnvVar {
    std::vector<char> buf;
    size_t prefix;
    EnvVar(const char* name, size_t max) : prefix(std::strlen(name) + 1)
    {
        buf.assign(prefix + max + 1, 0);
        std::memcpy(buf.data(), name, prefix - 1);
        buf[prefix - 1] = '=';
        putenv(buf.data());
    }
    void set(const std::string& value)
    {
        size_t n = value.size() < buf.size() - prefix - 1 ? value.size() : buf.size() - prefix - 1;
        std::memcpy(buf.data() + prefix, value.data(), n);
        buf[prefix + n] = 0;
    }
};

struct Db {
    std::string live;
    std::string pristine;  // bytes of the factory file; empty when it has none
};

struct State {
    FakeDaemon daemon;
    int body_fd = -1;
    std::vector<Db> dbs;
    EnvVar method{"REQUEST_METHOD", 256};
    EnvVar type{"CONTENT_TYPE", 2048};
    EnvVar path_info{"PATH_INFO", 512};
    EnvVar query{"QUERY_STRING", 2048};
    EnvVar length{"CONTENT_LENGTH", 32};
    EnvVar cookie{"HTTP_COOKIE", 1024};
    EnvVar host{"HTTP_HOST", 256};
};
State* g_state;

void write_file(const std::string& path, const std::string& bytes, mode_t mode = 0644)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) fuzz_fail("cannot write", path);
    if (!bytes.empty() && write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size())) fuzz_fail("short write", path);
    close(fd);
}

std::string read_file(const std::string& path)
{
    std::string s;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return s;
    char buf[65536];
    for (ssize_t k; (k = read(fd, buf, sizeof buf)) > 0;) s.append(buf, size_t(k));
    close(fd);
    return s;
}

// The databases as `nvr-store init` creates them, kept as bytes.
void make_factory_store(State& s)
{
    InitOptions opt;
    for (const char* db : {kMainDb, kAnprDb, kOemDb}) {
        std::string side = std::string("/fuzz-factory") + db;
        for (int i = 0; i < seed_count(); i++) seed_at(i)(db, side.c_str(), opt);
        if (db == std::string(kMainDb)) put_param_value(side.c_str(), "max_cameras", "32");
        kxdb_close_all();
        s.dbs.push_back({nvr_path(db), read_file(nvr_path(side))});
    }
    fuzz_remove_tree(root() + "/fuzz-factory");
}

void restore_store(State& s)
{
    kxdb_close_all();
    for (const Db& d : s.dbs) {
        for (const char* suffix : {"-wal", "-shm", "-journal"}) unlink((d.live + suffix).c_str());
        if (d.pristine.empty())
            unlink(d.live.c_str());
        else
            write_file(d.live, d.pristine);
    }
}

void setup(State& s)
{
    signal(SIGPIPE, SIG_IGN);
    for (const char* dir : {"/tmp/", "/dev/shm/", "/var/run/", "/mnt/nand/ssl/tmp/", "/mnt/nand2/", "/fakebin/"})
        nvr_path((std::string(dir) + "x").c_str());
    std::string fakebin = root() + "/fakebin/";
    for (const char* tool : kFakeTools) write_file(fakebin + tool, "#!/bin/sh\nexit 0\n", 0755);
    setenv("PATH", (root() + "/fakebin").c_str(), 1);
    setenv("REMOTE_ADDR", "192.0.2.10", 1);

    make_factory_store(s);
    restore_store(s);
    s.daemon.start(nvr_path("/var/run/kxsocket"));

    // NVR_FUZZ_SHOW=1 keeps the replies on standard output (to look at what
    // a corpus file does: ./fuzz_intake FILE).
    if (!std::getenv("NVR_FUZZ_SHOW")) {
        int devnull = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (devnull < 0 || dup2(devnull, STDOUT_FILENO) < 0) fuzz_fail("stdout", strerror(errno));
        close(devnull);
    }
    s.body_fd = memfd_create("body", MFD_CLOEXEC);
    if (s.body_fd < 0) fuzz_fail("memfd_create", strerror(errno));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_state = new State;
    setup(*g_state);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    State& s = *g_state;
    FuzzInput in(data, size);
    s.method.set(in.text(256));
    s.type.set(in.text(2048));
    s.path_info.set(in.text(512));
    s.query.set(in.text(2048));
    std::string length = in.text(32);
    s.cookie.set(in.text(1024));
    s.host.set(in.text(256));
    std::string body = in.text(1 << 20);
    s.length.set(length.empty() ? std::to_string(body.size()) : length);
    s.daemon.set_script(in.rest());

    // Standard input holds the body, from its start, with nothing buffered.
    if (ftruncate(s.body_fd, 0) != 0) fuzz_fail("ftruncate", strerror(errno));
    if (!body.empty() && pwrite(s.body_fd, body.data(), body.size(), 0) != ssize_t(body.size()))
        fuzz_fail("body write", strerror(errno));
    lseek(s.body_fd, 0, SEEK_SET);
    dup2(s.body_fd, STDIN_FILENO);
    __fpurge(stdin);
    clearerr(stdin);

    uint64_t answered = s.daemon.answered();
    cgi_intake_run();
    std::fflush(stdout);
    if (std::getenv("NVR_FUZZ_SHOW"))
        std::printf("\n[%llu daemon answers]\n", (unsigned long long)(s.daemon.answered() - answered));

    // Nothing of this run reaches the next: uploads and files under /tmp and
    // /dev/shm, the debug log, and the store.
    fuzz_remove_tree(root() + "/tmp", true);
    fuzz_remove_tree(root() + "/dev/shm", true);
    unlink((root() + "/mnt/nand/cgi_log.txt").c_str());
    restore_store(s);
    return 0;
}
