// HTTPS certificate of the web server, kept in "/mnt/nand/ssl": a
// self-signed certificate or a certificate request made here (key, request
// and certificate with libcrypto, no shell), the download of the request,
// the installation of a signed certificate, its removal, its details and
// the HTTPS switch. The core daemon is told of every change and restarts
// the web server.
//
// The certificate file holds the certificate and its private key, the form
// the web server reads, so it and every key file are written with mode 0600
// (atomically: a reader sees the old file or the whole new one). An upload
// replaces the installed certificate only when it holds a certificate whose
// private key is in the upload too or is the key of the pending request.
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "common/core.h"
#include "common/json.h"
#include "handlers/shared/reply_flow.h"
#include "platform/paths.h"
#include "common/reply.h"
#include "handlers/network/access_services.h"
#include "handlers/network/https_records.h"
#include "handlers/network/network.h"
#include "platform/ssl_cert.h"

namespace {

constexpr const char* kUploadDir = "/tmp";  // uploads arrive here under the client's base name
constexpr size_t kFileMax = 64 * 1024;      // a certificate with its key and chain fits many times
constexpr int kMaxValidityDays = 36500;
constexpr const char* kError = "Error";

bool regular_file(const char* fixed)
{
    struct stat st;
    return stat(nvr_path(fixed).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string resolved(const std::string& path)
{
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

// A regular file directly in the fixed directory `dir` (not a link, not in a
// sub-directory, no ".." leading elsewhere).
bool file_directly_in(const std::string& path, const char* dir)
{
    size_t slash = path.rfind('/');
    if (path.empty() || path[0] != '/' || slash == std::string::npos) return false;
    std::string base = path.substr(slash + 1);
    if (base.empty() || base == "." || base == "..") return false;
    std::string want = resolved(nvr_path(dir));
    std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    if (want.empty() || resolved(parent) != want) return false;
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Runs a tool found on the PATH with an argument vector, its standard
// output kept away from the reply. Its exit status, or -1.
int run_tool(const char* const argv[])
{
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, STDIN_FILENO);
            dup2(devnull, STDOUT_FILENO);
        }
        execvp(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The CA working directory, made afresh: newcerts, an empty index and the
// first serial number.
int remove_entry(const char* path, const struct stat*, int, struct FTW*)
{
    std::remove(path);
    return 0;
}

void prepare_ca_dir()
{
    std::string ca = nvr_path(kSslCaDir);
    // Removed depth first, links themselves rather than what they name.
    nftw(ca.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
    make_dirs(ca + "/newcerts");
    ssl_write_file(ca + "/index.txt", "", 0644);
    ssl_write_file(ca + "/serial", "01\n", 0644);
}

// A date "YYYY-MM-DD" (anything after it is ignored) as midnight UTC.
bool parse_date(const char* text, time_t* out)
{
    int y = 0, m = 0, d = 0;
    char tail = 0;
    if (std::sscanf(text, "%4d-%2d-%2d%c", &y, &m, &d, &tail) < 3) return false;
    if (y < 1970 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return false;
    struct tm tm;
    std::memset(&tm, 0, sizeof tm);
    tm.tm_year = y - 1900;
    tm.tm_mon = m - 1;
    tm.tm_mday = d;
    time_t t = timegm(&tm);
    struct tm back;
    if (t == time_t(-1) || !gmtime_r(&t, &back) || back.tm_mday != d) return false;  // no 31 April
    *out = t;
    return true;
}

// Validity of a self-signed certificate: the start and end dates when both
// are dates in order, else `validity` days from now.
bool validity_window(const SslParams& p, time_t* from, time_t* to)
{
    FieldText<16> start = text_of(p.start_time), end = text_of(p.end_time);
    if (parse_date(start.s, from) && parse_date(end.s, to) && *to > *from) return true;
    if (p.validity < 1 || p.validity > kMaxValidityDays) return false;
    *from = std::time(nullptr);
    *to = *from + time_t(p.validity) * 86400;
    return true;
}

SslSubject subject_of(const SslParams& p)
{
    SslSubject s;
    s.country = text_of(p.country).s;
    s.province = text_of(p.province).s;
    s.region = text_of(p.region).s;
    s.organization = text_of(p.organization).s;
    s.unit = text_of(p.company).s;
    s.common_name = text_of(p.common_name).s;
    s.email = text_of(p.email).s;
    return s;
}

// Stores what the settings page shows of a certificate or request, with the
// request's other texts; the pass phrase is never stored.
void store_params(int kind, SslParams p, const SslCertInfo& info)
{
    std::memset(p.password, 0, sizeof p.password);
    set_text(p.country, info.country.c_str());
    set_text(p.common_name, info.common_name.c_str());
    set_text(p.email, info.email.c_str());
    set_text(p.dates, info.dates.c_str());
    write_ssl_params(kMainDb, kind, p);
}

// Keeps the installed certificate as the backup before it is replaced.
void back_up_certificate()
{
    std::string old;
    if (ssl_read_file(nvr_path(kSslCert), &old, kFileMax)) ssl_write_file(nvr_path(kSslCertSave), old, 0600);
}

// A new key and a self-signed certificate (install type 0) or a request.
bool make_certificate(const SslParams& p)
{
    SslSubject subject = subject_of(p);
    std::string key, pem;
    SslCertInfo info;
    if (!ssl_subject_valid(subject)) return false;
    make_dirs(nvr_path(kSslDir));
    if (p.install_type == 0) {
        time_t from = 0, to = 0;
        if (!validity_window(p, &from, &to) || !ssl_make_key(&key) ||
            !ssl_make_self_signed(key, subject, from, to, &pem, &info))
            return false;
        prepare_ca_dir();
        back_up_certificate();
        if (!ssl_write_file(nvr_path(kSslCert), pem + key, 0600)) return false;
        store_params(kSslParamsCert, p, info);
        return true;
    }
    if (!ssl_make_key(&key) || !ssl_make_request(key, subject, &pem, &info)) return false;
    prepare_ca_dir();
    make_dirs(nvr_path(kSslDir) + "/tmp");
    if (!ssl_write_file(nvr_path(kSslRequestKey), key, 0600) || !ssl_write_file(nvr_path(kSslRequest), pem, 0644))
        return false;
    store_params(kSslParamsRequest, p, info);
    return true;
}

int reply_text(const char* text) { return cgi_reply(kReplyText, text); }

}  // namespace

// 8316: the core daemon has taken the new certificate or request.
int ssl_create_reply(const KxFrameHeader*, const void*)
{
    return core_reply_text("OK");
}

int ssl_create(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return cgi_reply_error(kReplyText);
    SslParams p = zeroed<SslParams>();
    p.install_type = jint(r, "InstallType");
    jtext(r, "Country", p.country);
    jtext(r, "CommonName", p.common_name);
    jtext(r, "Password", p.password);
    jtext(r, "Province", p.province);
    jtext(r, "Region", p.region);
    jtext(r, "Organization", p.organization);
    jtext(r, "Company", p.company);
    jtext(r, "Email", p.email);
    if (p.install_type == 0) {
        p.validity = jint(r, "Validity");
        jtext(r, "startTime", p.start_time);
        jtext(r, "endTime", p.end_time);
    }
    // A subject or validity the certificate cannot carry is refused before
    // anything is replaced or announced.
    if (!make_certificate(p)) return reply_text(kError);
    core_ask<ssl_create_reply>(kMsgSslCreate, &p, sizeof p, kReplyText, {kReplySslCreate});
    return 0;
}

int ssl_cert_state(const char*)
{
    int enable = get_param_int(kMainDb, kKeyHttpsEnable, 0);
    JsonPtr o = jobject();
    if (!regular_file(kSslCert)) {
        // A switch left on without a certificate is corrected.
        if (enable != 0) set_param_int(kMainDb, kKeyHttpsEnable, 0);
        jadd(o.get(), "enable", 0);
        jadd(o.get(), "checkfile", "NOFILE");
        return json_reply(kReplyJson, o.get());
    }
    SslParams p;
    read_ssl_params(kMainDb, kSslParamsCert, &p);
    jadd(o.get(), "enable", enable);
    jadd(o.get(), "checkfile", "OK");
    jadd_text(o.get(), "country", p.country);
    jadd_text(o.get(), "common_name", p.common_name);
    jadd_text(o.get(), "email", p.email);
    jadd_text(o.get(), "dates", p.dates);
    return json_reply(kReplyJson, o.get());
}

int ssl_request_state(const char*)
{
    JsonPtr o = jobject();
    if (!regular_file(kSslRequest)) {
        jadd(o.get(), "checkfile", "NOFILE");
        return json_reply(kReplyJson, o.get());
    }
    SslParams p;
    read_ssl_params(kMainDb, kSslParamsRequest, &p);
    jadd(o.get(), "checkfile", "OK");
    jadd_text(o.get(), "country_req", p.country);
    jadd_text(o.get(), "common_name_req", p.common_name);
    jadd_text(o.get(), "email_req", p.email);
    return json_reply(kReplyJson, o.get());
}

int ssl_request_download(const char*)
{
    int fd = open(nvr_path(kSslRequest).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) close(fd);
        return reply_text("NotFile");
    }
    reply_attachment(fd, "ssl_cert.csr");
    return 0;
}

int ssl_reload(const char*)
{
    core_notify(kMsgSslReload, nullptr, 0);
    return cgi_reply_ok();
}

// 8318: 1 when the installed certificate was accepted.
int ssl_install_reply(const KxFrameHeader* header, const void* payload)
{
    i32 value = 0;
    bool accepted = record_at(payload, header->length, 0, &value) && value == 1;
    reply_text(accepted ? "OK" : kError);
    core_reply_finish(1);
    return 0;
}

// The request text is the upload's path (with " & " and a text after it
// when the page sent one). Only a file directly in the upload directory is
// read and then removed; the profile tool gets it as one argument.
int ssl_install(const char* request)
{
    if (!request || !*request) return 0;
    std::string path = request;
    size_t amp = path.find(" & ");
    if (amp != std::string::npos) path.resize(amp);
    if (!file_directly_in(path, kUploadDir)) return reply_text(kError);

    std::string upload, spare_key, pem;
    SslCertInfo info;
    bool read = ssl_read_file(path, &upload, kFileMax);
    ssl_read_file(nvr_path(kSslRequestKey), &spare_key, kFileMax);
    SslCheck check = read ? ssl_check_pair(upload, spare_key, &pem, &info) : kSslNoCertificate;
    if (check != kSslPairOk) {
        unlink(path.c_str());
        CGI_LOG("certificate upload refused (%d)", int(check));
        return reply_text(kError);
    }

    const char* const argv[] = {"kxprofile", "-i", path.c_str(), nullptr};
    run_tool(argv);  // the platform's own treatment of the upload; its result is not used
    make_dirs(nvr_path(kSslDir));
    back_up_certificate();
    bool written = ssl_write_file(nvr_path(kSslCert), pem, 0600);
    unlink(path.c_str());
    if (!written) return reply_text(kError);
    SslParams p;
    read_ssl_params(kMainDb, kSslParamsCert, &p);
    p.install_type = 0;
    store_params(kSslParamsCert, p, info);
    core_ask<ssl_install_reply>(kMsgSslInstall, nullptr, 0, kReplyText, {kReplySslInstall});
    return 0;
}

// The certificate and a request file beside it go; the pending request in
// tmp/ stays, so its signed certificate can still be installed.
int ssl_delete(const char*)
{
    set_param_int(kMainDb, kKeyHttpsEnable, 0);
    unlink(nvr_path(kSslCert).c_str());
    unlink(nvr_path(kSslStrayRequest).c_str());
    SslParams p;
    read_ssl_params(kMainDb, kSslParamsCert, &p);
    set_text(p.country, " ");
    set_text(p.common_name, " ");
    set_text(p.email, " ");
    set_text(p.dates, " ");
    write_ssl_params(kMainDb, kSslParamsCert, p);
    core_notify(kMsgSslDelete, nullptr, 0);
    core_notify(kMsgHttpsSwitch, i32(0));
    return cgi_reply_ok();
}

int https_switch(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return cgi_reply_error(kReplyText);
    i32 enable = jint(r, "httpsenable") != 0 ? 1 : 0;
    if (enable && !regular_file(kSslCert)) return reply_text("NOFILE");
    set_param_int(kMainDb, kKeyHttpsEnable, enable);
    core_notify(kMsgHttpsSwitch, enable);
    return cgi_reply_ok();
}

int https_switch_read(const char*)
{
    JsonPtr o = jobject();
    jadd(o.get(), "enable", get_param_int(kMainDb, kKeyHttpsEnable, 0));
    return json_reply(kReplyJson, o.get());
}
