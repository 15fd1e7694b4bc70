#include "fuzz/fuzz_util.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

std::string FuzzInput::text(size_t max)
{
    std::string s;
    while (p_ < end_ && s.size() < max) {
        uint8_t c = *p_++;
        if (c == '\\') {
            if (p_ >= end_) break;
            if (*p_ != '\\') {
                p_++;
                break;
            }
            p_++;
        }
        s += char(c);
    }
    return s;
}

std::string FuzzInput::bytes(size_t n)
{
    if (n > left()) n = left();
    std::string s(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    return s;
}

namespace {

// Kept on the heap and reached through a function, so that it is usable from
// constructors that run before this unit's own.
struct Scratch {
    std::string path;
    pid_t owner = 0;
};
Scratch& scratch()
{
    static Scratch* s = new Scratch;
    return *s;
}

void remove_scratch()
{
    // A forked child (a shell tool's) never removes its parent's directory.
    Scratch& s = scratch();
    if (!s.path.empty() && getpid() == s.owner) fuzz_remove_tree(s.path);
}

}  // namespace

const std::string& fuzz_scratch_dir()
{
    Scratch& s = scratch();
    if (s.path.empty()) {
        const char* base = std::getenv("TMPDIR");
        struct stat st;
        std::string dir = base && *base ? base : stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
        std::string tmpl = dir + "/nvr-fuzz-XXXXXX";
        if (!mkdtemp(&tmpl[0])) fuzz_fail("cannot create a scratch directory", tmpl);
        s.path = tmpl;
        s.owner = getpid();
        std::atexit(remove_scratch);
    }
    return s.path;
}

void fuzz_remove_tree(const std::string& path, bool keep_top)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return;
    if (!S_ISDIR(st.st_mode)) {
        unlink(path.c_str());
        return;
    }
    if (DIR* d = opendir(path.c_str())) {
        while (struct dirent* e = readdir(d)) {
            if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
            fuzz_remove_tree(path + "/" + e->d_name);
        }
        closedir(d);
    }
    if (!keep_top) rmdir(path.c_str());
}

size_t fuzz_count_entries(const std::string& dir)
{
    size_t n = 0;
    if (DIR* d = opendir(dir.c_str())) {
        while (struct dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) n++;
        closedir(d);
    }
    return n;
}

void fuzz_fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "==FUZZ INVARIANT== %s %s\n", what, detail.c_str());
    std::fflush(stderr);
    std::abort();
}
