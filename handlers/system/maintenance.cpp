// Reboot, factory reset, the crash-flag query and the settings profile:
// export, download and import.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "common/core.h"
#include "common/json.h"
#include "handlers/shared/reply_flow.h"
#include "platform/paths.h"
#include "common/reply.h"
#include "handlers/system/maintenance_records.h"
#include "handlers/system/system.h"
#include "platform/kxdb.h"
#include "tools/kxprofile/profile_format.h"

namespace {

constexpr int kMaintenanceParam = 900;
constexpr int kLogReboot = 200, kLogExport = 213, kLogImport = 214, kLogReset = 215;

// Written by the core daemon while it runs.
constexpr const char* kCoreFlag = "/tmp/kxcore";
// Uploads of file upload codes are moved here under the client's base name.
constexpr const char* kUploadDir = "/tmp";
// The profile tool leaves the path of its last export here. The file lies in
// the upload directory, so an upload can plant it too: its text is trusted
// only for an export in kExportDir.
constexpr const char* kExportPathFile = "/tmp/.export_down_file";
// Exports are written here and nowhere else. Uploads land directly in
// kUploadDir under a name without '/', so none can land inside.
constexpr const char* kExportDir = "/tmp/.profile_export";

// Channel 0's motion record of the event settings (696 bytes): "/1005"
// gives its interval and e-mail interval their default when they are 0.
constexpr KxRecordKind kMotionRows{"motion", 64, 696};
constexpr size_t kMotionInterval = 388, kMotionEmailInterval = 468;
constexpr i32 kMotionIntervalDefault = 20;

// realpath() as a string; "" when the path does not resolve.
std::string resolved(const std::string& path)
{
    char out[PATH_MAX];
    return realpath(path.c_str(), out) ? std::string(out) : std::string();
}

// True when `path` names a regular file (not a link) directly inside the
// directory `fixed_dir`, whatever the spelling of the path.
bool file_directly_in(const char* path, const char* fixed_dir)
{
    const char* slash = std::strrchr(path, '/');
    if (!slash || path[0] != '/') return false;
    const char* base = slash + 1;
    if (!*base || !std::strcmp(base, ".") || !std::strcmp(base, "..")) return false;
    std::string parent(path, size_t(slash - path));
    std::string want = resolved(nvr_path(fixed_dir));
    if (want.empty() || resolved(parent.empty() ? "/" : parent) != want) return false;
    struct stat st;
    return lstat(path, &st) == 0 && S_ISREG(st.st_mode);
}

// Reads at most `size` - 1 bytes of a fixed file as a text; false when it
// cannot be read.
bool read_text(const char* fixed, char* out, size_t size)
{
    FILE* f = std::fopen(nvr_path(fixed).c_str(), "rb");
    if (!f) return false;
    size_t n = std::fread(out, 1, size - 1, f);
    bool ok = !std::ferror(f);
    std::fclose(f);
    out[n] = '\0';
    return ok;
}

// Makes the export directory ready: a directory of ours (a file that took
// its name is removed), without the exports nobody downloaded.
bool prepare_export_dir()
{
    std::string dir = nvr_path(kExportDir);
    struct stat st;
    if (lstat(dir.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) unlink(dir.c_str());
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (DIR* d = opendir(dir.c_str())) {
        size_t prefix = std::strlen(kProfileNamePrefix);
        while (struct dirent* e = readdir(d))
            if (!std::strncmp(e->d_name, kProfileNamePrefix, prefix)) unlinkat(dirfd(d), e->d_name, 0);
        closedir(d);
    }
    return true;
}

// Opens the export that `path` names: a regular file of the export
// directory that begins with the profile marker. -1 for anything else.
int open_export(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    if (!slash || std::strncmp(slash + 1, kProfileNamePrefix, std::strlen(kProfileNamePrefix)) != 0) return -1;
    std::string want = resolved(nvr_path(kExportDir));
    if (want.empty() || resolved(std::string(path, size_t(slash - path))) != want) return -1;
    int fd = open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return -1;
    struct stat st;
    char marker[kProfileMarkerSize];
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || pread(fd, marker, sizeof marker, 0) != ssize_t(sizeof marker) ||
        !profile_marker_ok(marker, sizeof marker)) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

void maintenance_log(int sub_type) { send_change_log(sub_type, kMaintenanceParam); }

void maintenance_reboot()
{
    maintenance_log(kLogReboot);
    core_notify(kMsgReboot, nullptr, 0);
}

int system_reboot(const char*)
{
    maintenance_reboot();
    cgi_reply_ok();
    return 0;
}

int core_check(const char*)
{
    unsigned char motion[696];
    if (kxdb_row_read(kMainDb, kMotionRows, 0, motion) == 0) {
        bool changed = false;
        for (size_t off : {kMotionInterval, kMotionEmailInterval}) {
            i32 v;
            std::memcpy(&v, motion + off, sizeof v);
            if (v != 0) continue;
            std::memcpy(motion + off, &kMotionIntervalDefault, sizeof v);
            changed = true;
        }
        if (changed) kxdb_row_write(kMainDb, kMotionRows, 0, motion);
    }
    cgi_reply(kReplyText, access(nvr_path(kCoreFlag).c_str(), R_OK) == 0 ? "OK" : "NO OK");
    return 0;
}

// The client sees "OK" before the reset starts. A text that is not JSON
// resets nothing: a reset that keeps neither network nor users must be asked
// for, never read from a garbled request.
int factory_reset(const char* request)
{
    JsonPtr req = json_parse(request);
    if (!req) return 0;
    ResetOptions opt = zeroed<ResetOptions>();
    opt.keep_ip = jint(req.get(), "keepIp");
    opt.keep_user = jint(req.get(), "keepUser");
    cgi_reply_ok();
    core_notify(kMsgFactoryReset, opt);
    core_notify(kMsgResetDone, nullptr, 0);
    maintenance_log(kLogReset);
    core_notify(kMsgReboot, nullptr, 0);
    return 0;
}

// The path file is removed first, so the reply names this export or none.
int profile_export(const char*)
{
    unlink(nvr_path(kExportPathFile).c_str());
    if (!prepare_export_dir()) {
        cgi_reply_error(kReplyText);
        return 0;
    }
    std::string command = "kxprofile -e " + shell_quote(nvr_path(kExportDir).c_str());
    if (shell_run(command.c_str()) != 0) {
        cgi_reply_error(kReplyText);
        return 0;
    }
    char path[256];
    std::string reply = "OK";
    if (read_text(kExportPathFile, path, sizeof path)) {
        if (const char* slash = std::strrchr(path, '/')) reply = std::string("OK filename=") + (slash + 1) + "\r\n";
    }
    maintenance_log(kLogExport);
    cgi_reply(kReplyText, reply.c_str());
    return 0;
}

// Only an export of the profile tool is handed out and removed; a path file
// that names anything else gives no output.
int profile_download(const char*)
{
    char path[1169];
    if (!read_text(kExportPathFile, path, sizeof path)) return 0;
    int fd = open_export(path);
    if (fd < 0) return 0;
    reply_attachment(fd, std::strrchr(path, '/') + 1);
    unlink(path);
    return 0;
}

// The request text is the path of the upload. It reaches the tool as one
// word, and only a file directly in the upload directory is imported and
// then removed.
int profile_import(const char* request)
{
    if (!file_directly_in(request, kUploadDir)) {
        cgi_reply_error(kReplyText);
        return 0;
    }
    std::string command = "kxprofile -i " + shell_quote(request);
    if (shell_run(command.c_str()) != 0 || unlink(request) != 0) {
        cgi_reply_error(kReplyText);
        return 0;
    }
    cgi_reply_ok();
    maintenance_log(kLogImport);
    return 0;
}
