#include "handlers/shared/firmware_upload.h"

#include <cstdio>
#include <string>
#include <unistd.h>

#include "common/cgi_env.h"
#include "front/multipart.h"
#include "platform/paths.h"

FirmwareUpload receive_firmware(const char* fixed, OnUploadFailure on_failure)
{
    if (g_cgi.content_length <= 0 || !g_cgi.multipart_boundary[0]) return FirmwareUpload::kNone;
    // A quoted boundary parameter ("boundary=\"x\"") stands for x.
    std::string boundary = g_cgi.multipart_boundary;
    if (boundary.size() >= 2 && boundary.front() == '"' && boundary.back() == '"')
        boundary = boundary.substr(1, boundary.size() - 2);
    const std::string target = nvr_path(fixed);
    const size_t slash = target.rfind('/');
    const std::string temp = target.substr(0, slash + 1) + "." + target.substr(slash + 1) + ".XXXXXX";
    auto failed = [&] {
        if (on_failure == OnUploadFailure::kRemoveOld) unlink(target.c_str());
        return FirmwareUpload::kFailed;
    };

    FormEntry* list = nullptr;
    if (multipart_parse(STDIN_FILENO, g_cgi.content_length, boundary.c_str(), &list, temp.c_str()) != kMultipartOk)
        return failed();
    FormEntry* part = form_entry_find(list, "file");
    if (!part || !part->temp_file[0]) {
        part = nullptr;
        for (FormEntry* e = list; e && !part; e = e->next)
            if (e->temp_file[0]) part = e;
    }
    FirmwareUpload result = FirmwareUpload::kNone;
    if (part) {
        if (rename(part->temp_file, target.c_str()) == 0) {
            part->temp_file[0] = '\0';
            result = FirmwareUpload::kStored;
        } else {
            result = failed();
        }
    }
    form_entries_free(list);  // removes every temporary file left
    return result;
}
