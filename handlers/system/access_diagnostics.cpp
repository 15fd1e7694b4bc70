// The address filter of the web pages ("/6300", "/6301") and the diagnostic
// package: "/6310" has the core daemon write one into "/tmp", "/6311" hands
// it out once and removes it.
//
// "/6311" sends and removes only the package the last "/6310" reported: its
// path is kept in a directory of the diagnostics' own, where no upload can
// land (uploads go directly into "/tmp" under a name without '/').
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "common/core.h"
#include "common/json.h"
#include "handlers/shared/reply_flow.h"
#include "platform/paths.h"
#include "common/reply.h"
#include "handlers/system/owned_files.h"
#include "handlers/system/service_records.h"
#include "handlers/system/system.h"
#include "platform/kxbase.h"
#include "platform/kxdb.h"

namespace {

constexpr const char* kCollecting = "/tmp/tmp_diagnostic";  // the daemon's marker of a collection
constexpr const char* kPackageDir = "/tmp";
constexpr const char* kStateDir = "/tmp/.diagnostic";
constexpr const char* kReportedFile = "/tmp/.diagnostic/package";
constexpr size_t kRequestPath = 255;

// The state directory as a directory of ours: a file that took its name is
// removed first.
bool prepare_state_dir()
{
    const std::string dir = nvr_path(kStateDir);
    struct stat st;
    if (lstat(dir.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) unlink(dir.c_str());
    return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// The package path the daemon reported, or "".
std::string reported_package()
{
    std::string text;
    if (!read_whole(nvr_path(kReportedFile), &text, 1024)) return "";
    return text;
}

// A package path as the daemon writes it: "/tmp/" and a plain file name.
bool package_path(const std::string& path)
{
    const std::string dir = std::string(kPackageDir) + "/";
    return path.compare(0, dir.size(), dir) == 0 && plain_file_name(path.c_str() + dir.size());
}

}  // namespace

int access_filter_read(const char*)
{
    auto whole = std::make_unique<AccessFilterRow[]>(kAccessFilterRows);
    AccessFilterRow* rows = whole.get();
    int count = 0;
    read_access_filter(kMainDb, rows, &count);
    JsonPtr obj = jobject();
    jadd(obj.get(), "filterEnable", get_param_int(kMainDb, kKeyFilterEnable, 0));
    jadd(obj.get(), "filterType", get_param_int(kMainDb, kKeyFilterType, 1));
    json_object* list = json_object_new_array();
    for (int i = 0; i < count && i < kAccessFilterRows; i++) {
        json_object* row = json_object_new_object();
        jadd(row, "address_type", rows[i].address_type);
        jadd_text(row, "address", rows[i].address);
        json_object_array_add(list, row);
    }
    jadd_value(obj.get(), "filterList", list);
    json_reply(kReplyJson, obj.get());
    return 0;
}

int access_filter_write(const char* request)
{
    JsonPtr req = json_parse(request);
    if (!req) return 0;
    auto whole = std::make_unique<AccessFilterRow[]>(kAccessFilterRows);
    AccessFilterRow* rows = whole.get();
    int count = 0;
    json_object* list = jget(req.get(), "filterList");
    if (list && json_object_is_type(list, json_type_array)) {
        size_t n = json_object_array_length(list);
        for (size_t i = 0; i < n && count < kAccessFilterRows; i++) {
            json_object* e = json_object_array_get_idx(list, i);
            rows[count] = zeroed<AccessFilterRow>();
            rows[count].address_type = jint(e, "address_type");
            jtext(e, "address", rows[count].address);
            count++;
        }
    }
    set_param_int(kMainDb, kKeyFilterEnable, jint(req.get(), "filterEnable"));
    set_param_int(kMainDb, kKeyFilterType, jint(req.get(), "filterType"));
    write_access_filter(kMainDb, rows, count);
    core_notify(kMsgAccessFilter, nullptr, 0);
    cgi_reply_ok();
    return 0;
}

// Reply 8528: the package's path follows the value and the status.
int diagnostic_reply(const KxFrameHeader* header, const void* payload)
{
    if (header->length < kDiagnosticResultHead) {
        return core_reply_text("Failed");
    }
    DiagnosticResult result = zeroed<DiagnosticResult>();
    std::memcpy(&result, payload, header->length < sizeof result ? header->length : sizeof result);
    const std::string path(result.path, strnlen(result.path, sizeof result.path));
    if (result.status < 0) {
        cgi_reply(kReplyText, "Failed");
    } else {
        // Kept for "/6311"; a path outside the package directory is never
        // handed out.
        if (package_path(path) && prepare_state_dir()) {
            const std::string state = nvr_path(kReportedFile);
            unlink(state.c_str());
            if (FILE* f = std::fopen(state.c_str(), "wbx")) {
                std::fputs(path.c_str(), f);
                std::fclose(f);
            }
        }
        cgi_reply(kReplyText, ("OK/" + path + "\r\n").c_str());
    }
    core_reply_finish(1);
    return 0;
}

int diagnostic_collect(const char*)
{
    if (kx_check_file_exist(nvr_path(kCollecting).c_str())) {
        cgi_reply(kReplyText, "Failed");
        return 0;
    }
    DiagnosticOrder order = zeroed<DiagnosticOrder>();
    set_text(order.directory, kPackageDir);
    const CoreAnswer answer = core_answer<diagnostic_reply>({kReplyDiagnostic});
    CoreExchange exchange;
    core_request_answer(exchange, answer, kMsgDiagnostic, sizeof order, &order, 0);
    if (exchange.done() == 0) cgi_reply(kReplyText, "Failed");
    core_release(exchange);
    return 0;
}

// Sends the reported package and removes it; any other path gives nothing.
int diagnostic_download(const char* request)
{
    const std::string wanted(request, strnlen(request, kRequestPath));
    if (wanted.empty() || !package_path(wanted) || wanted != reported_package()) return 0;
    const std::string file = nvr_path(wanted);
    if (!regular_file_in(file, kPackageDir)) return 0;
    int fd = open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return 0;
    std::printf("Content-Type:application/octet-stream\r\n");
    std::printf("Content-Disposition: attachment; filename= %s\r\n\r\n", std::strrchr(wanted.c_str(), '/') + 1);
    std::fflush(stdout);
    if (kx_spliced_copy_ex(fd, STDOUT_FILENO) < 0) {
        struct stat st;
        fstat(fd, &st);
        cgi_debug_log("OnSystem", 3553, "", "fd_in:%d fd_out:%d filestat.st_size:%d", fd, STDOUT_FILENO,
                      int(st.st_size));
        cgi_debug_log("OnSystem", 3554, "", "Error copying input file [%d] to output file [%d]\n", fd,
                      STDOUT_FILENO);
    }
    std::fflush(stdout);
    close(fd);
    unlink(file.c_str());
    unlink(nvr_path(kReportedFile).c_str());
    return 0;
}
