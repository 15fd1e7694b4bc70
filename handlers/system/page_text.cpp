// Language texts of the web pages: one page's block of a language file, and
// the replacement of the list of languages.
//
// A language file holds the texts of every page, each block between two
// marker lines, "{//PAGE.json" and "}//PAGE.json" (with a sub-page
// "{//PAGE=SUB.json" and "}//PAGE=SUB.json"). Only files inside the language
// directory are ever opened: the language names a file there and may not
// climb out of it.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "common/decimal_text.h"
#include "platform/paths.h"
#include "common/reply.h"
#include "handlers/system/display.h"

namespace {

constexpr size_t kLanguageMax = 63;
constexpr size_t kPageMax = 127;
constexpr const char* kLanguagesList = "languages.json";
constexpr const char* kLanguagesSide = "languages_bak.json";
constexpr const char* kLockFile = "/tmp/cgilockfile";

// The value of `key` in a text of key=value pairs joined by '&' ("" when the
// key is absent), cut to `max` characters.
std::string query_value(const char* text, const char* key, size_t max)
{
    const size_t key_len = std::strlen(key);
    for (const char* p = text; p && *p;) {
        const char* end = std::strchr(p, '&');
        const size_t len = end ? size_t(end - p) : std::strlen(p);
        if (len > key_len && std::strncmp(p, key, key_len) == 0 && p[key_len] == '=') {
            const size_t n = len - key_len - 1;
            return std::string(p + key_len + 1, n < max ? n : max);
        }
        p = end ? end + 1 : nullptr;
    }
    return "";
}

// A language names one file of the language directory: not empty, not too
// long, no path separator, no "..", no control character.
bool language_name_ok(const std::string& lang, size_t whole_length)
{
    if (lang.empty() || whole_length > kLanguageMax) return false;
    if (lang.find('/') != std::string::npos || lang.find("..") != std::string::npos) return false;
    for (unsigned char c : lang)
        if (c < 0x20 || c == 0x7f) return false;
    return true;
}

// Length of the raw "lang=" value, to refuse a name that would be cut.
size_t raw_length(const char* text, const char* key)
{
    return query_value(text, key, std::string::npos).size();
}

std::string language_dir_file(const char* name) { return nvr_path(std::string(kLanguageDir) + "/" + name); }

// Opens a regular file for reading; null for anything else (a directory, a
// pipe, a device), so a request never blocks on or reads a special file.
FILE* open_regular(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    FILE* f = fdopen(fd, "rb");
    if (!f) close(fd);
    return f;
}

bool write_all(int fd, const char* data, size_t len)
{
    while (len > 0) {
        ssize_t n = write(fd, data, len);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        len -= size_t(n);
    }
    return true;
}

// Makes a rename in `dir` survive a power cut.
void sync_dir(const std::string& dir)
{
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

int page_text(const char* request)
{
    const std::string lang = query_value(request, "lang", kLanguageMax);
    const std::string page = query_value(request, "page", kPageMax);
    const std::string sub = query_value(request, "sub", kPageMax);
    if (page.empty()) return cgi_reply(kReplyText, "ERROR PAGE.");

    const std::string name = page + (sub.empty() ? "" : "=" + sub) + ".json";
    const std::string open_marker = "{//" + name;
    const std::string close_marker = "}//" + name;

    FILE* file = nullptr;
    if (language_name_ok(lang, raw_length(request, "lang")))
        file = open_regular(language_dir_file((lang + ".json").c_str()));
    if (!file) return cgi_reply(kReplyText, "ERROR LANG.");

    // The block is written as it is read, so a large page costs no memory.
    cgi_reply(kReplyJson, "");
    char* line = nullptr;
    size_t cap = 0;
    ssize_t len;
    bool copying = false;
    while ((len = getline(&line, &cap, file)) > 0) {
        const std::string_view text(line, size_t(len));
        if (text.find(open_marker) != std::string_view::npos) {
            copying = true;
            std::fputs("{\n", stdout);
        } else if (copying && text.find(close_marker) != std::string_view::npos) {
            std::fputs("\n}", stdout);
            break;
        } else if (copying) {
            std::fwrite(line, 1, size_t(len), stdout);
        }
    }
    std::free(line);
    std::fclose(file);
    std::fflush(stdout);
    return 0;
}

int languages_set(const char* request)
{
    // An empty text would leave the pages with no language to choose.
    if (blank_text(request)) return cgi_reply(kReplyText, "ERROR");

    const int lock = lockfile_acquire(kLockFile);
    const std::string side = language_dir_file(kLanguagesSide);
    const std::string list = language_dir_file(kLanguagesList);

    // The new list is written beside the old one and renamed over it, so a
    // reader finds either the whole old list or the whole new one.
    // A side file left by an earlier run (or a link put in its place) is
    // removed, never written through.
    unlink(side.c_str());
    int fd = open(side.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        CGI_LOG("%s: %s", side.c_str(), std::strerror(errno));
        lockfile_release(lock);
        return cgi_reply(kReplyText, "ERROR");
    }
    const bool written = write_all(fd, request, std::strlen(request)) && write_all(fd, "\n", 1) && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(side.c_str(), list.c_str()) != 0) {
        unlink(side.c_str());
        lockfile_release(lock);
        return cgi_reply(kReplyText, "ERROR");
    }
    sync_dir(nvr_path(kLanguageDir));
    lockfile_release(lock);
    return cgi_reply_ok();
}
