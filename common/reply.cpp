#include "common/reply.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/paths.h"
#include "common/reply_failure.h"
#include "common/session.h"
#include "common/cgi_env.h"
#include "platform/kxbase.h"
#include "platform/kxdb.h"

namespace {

bool g_reply_started;   // this request has written reply text
bool g_failure_written; // ... and it was the store-failure answer

void write_reply(int kind, const char* text)
{
    g_reply_started = true;
    if (kind == kReplyText)
        fputs("Content-type: text/plain\r\n\r\n", stdout);
    else if (kind == kReplyJson)
        fputs("Content-type: application/json\r\n\r\n", stdout);
    fputs(text, stdout);
    fflush(stdout);
}

// The request's store writes are committed before any reply text goes out.
// When a write or commit failed, the reply is the kind's error text instead
// (plain "CGI ERROR" for the raw kinds), written once; whatever the handler
// goes on to write is dropped, so a failed change is never answered as done.
bool store_failed_reply(int kind)
{
    if (kxdb_request_commit() == 0) return false;
    if (!g_failure_written) {
        g_failure_written = true;
        if (kind == kReplyJson)
            write_reply(kReplyJson, "{status:\"CGI ERROR\"}");
        else
            write_reply(kReplyText, "CGI ERROR");
    }
    return true;
}

}  // namespace

int cgi_reply(int kind, const char* text)
{
    if (!text) return -1;
    if (store_failed_reply(kind)) return -1;
    write_reply(kind, text);
    return 0;
}

int cgi_reply_failure(int kind, const char* text)
{
    if (!text) return -1;
    kxdb_request_commit();
    if (g_failure_written) return -1;
    g_failure_written = true;
    write_reply(kind, text);
    return 0;
}

void cgi_reply_reset()
{
    g_reply_started = false;
    g_failure_written = false;
}

int cgi_reply_started() { return g_reply_started ? 1 : 0; }

int cgi_reply_error(int kind)
{
    if (kind == kReplyText) cgi_reply(kReplyText, "CGI ERROR");
    if (kind == kReplyJson) cgi_reply(kReplyJson, "{status:\"CGI ERROR\"}");
    return 0;
}

int shell_run(const char* command)
{
    int status = kx_system(command);
    if (status == -1) return -1;
    if ((status & 0x7f) != 0) return -1;
    return WEXITSTATUS(status) == 0 ? 0 : -1;
}

std::string shell_quote(const char* arg)
{
    std::string q = "'";
    for (const char* p = arg ? arg : ""; *p; p++) {
        if (*p == '\'')
            q += "'\\''";
        else
            q += *p;
    }
    q += "'";
    return q;
}

int lockfile_acquire(const char* path)
{
    if (!path) return -1;
    int fd = open(nvr_path(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) lockf(fd, F_LOCK, 0);
    return fd;
}

void lockfile_release(int fd)
{
    if (fd < 0) return;
    lockf(fd, F_ULOCK, 0);
    close(fd);
}

int cgi_debug_log(const char* source_file, int line, const char* function, const char* format, ...)
{
    char message[2048];
    va_list ap;
    va_start(ap, format);
    vsnprintf(message, sizeof message, format, ap);
    va_end(ap);

    time_t now = time(nullptr);
    struct tm tm;
    localtime_r(&now, &tm);
    char stamp[64];
    snprintf(stamp, sizeof stamp, "%4d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
             tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    char text[2048];  // the whole line is cut to 2,047 characters
    int n = snprintf(text, sizeof text, "[dorn debug] %s  %s:%d in %s: %s\n", stamp, source_file ? source_file : "",
             line, function ? function : "", message);

    FILE* f = fopen(nvr_path("/mnt/nand/cgi_log.txt").c_str(), "a+");
    if (!f) return -1;
    fwrite(text, 1, n < 0 ? 0 : std::min(size_t(n), sizeof text - 1), f);
    fflush(f);
    fclose(f);
    return 0;
}

int cookie_user_name(char* buffer, size_t size)
{
    if (!buffer || size == 0) return -1;
    // With sessions required the user is the one who opened the request's
    // session, whatever else the cookie says.
    if (session_mode_on()) {
        SessionRecord rec;
        buffer[0] = '\0';
        if (!session_find(g_cgi.http_cookie, g_cgi.remote_addr, false, &rec)) return -1;
        size_t n = strnlen(rec.user, sizeof rec.user - 1);
        if (n > size - 1) n = size - 1;
        std::memcpy(buffer, rec.user, n);
        buffer[n] = '\0';
        return 0;
    }
    const char* cookie = g_cgi.http_cookie;
    const char* at = cookie ? std::strstr(cookie, "userName") : nullptr;
    if (!at) return -1;
    const char* start = at + 9;
    if (start > cookie + std::strlen(cookie)) start = cookie + std::strlen(cookie);
    const char* end = std::strchr(start, ';');
    size_t n = end ? size_t(end - start) : std::strlen(start);
    const char* eq = static_cast<const char*>(std::memchr(start, '=', n));
    if (eq) {
        n -= size_t(eq + 1 - start);
        start = eq + 1;
    }
    if (n > size - 1) n = size - 1;
    std::memcpy(buffer, start, n);
    buffer[n] = '\0';
    return 0;
}

int oplog_prepare(OpLogRecord* record)
{
    if (!record) return -1;
    std::memset(record, 0, sizeof *record);
    record->main_type = 4;
    record->remote = 1;
    cookie_user_name(record->user, sizeof record->user);
    set_text(record->remote_addr, g_cgi.remote_addr);
    return 0;
}

int cgi_reply_download(const char* path)
{
    if (!path) return -1;
    if (store_failed_reply(kReplyText)) return -1;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    const char* slash = std::strrchr(path, '/');
    printf("Content-Type:application/octet-stream\r\n");
    printf("Content-Disposition: attachment; filename= %s\r\n\r\n", slash ? slash + 1 : path);
    fflush(stdout);
    if (kx_spliced_copy_ex(fd, STDOUT_FILENO) < 0) {
        struct stat st;
        fstat(fd, &st);
        CGI_LOG("fd_in:%d fd_out:%d filestat.st_size:%d", fd, STDOUT_FILENO, int(st.st_size));
        CGI_LOG("Error copying input file [%d] to output file [%d]\n", fd, STDOUT_FILENO);
    }
    fflush(stdout);
    close(fd);
    unlink(path);
    return 0;
}
