// The multipart parser fed a boundary and a body.
//
// Input: boundary \ CONTENT_LENGTH text \ chunking byte, then the body.
// An empty length text stands for the body's size; a number (atoi, as the
// intake reads it) may be shorter or longer than the body. The body reaches
// the parser through a packet socket, one packet per chunk, so delimiters
// fall across reads wherever the chunking puts them.
//
// Besides the sanitizers, every run checks what the parser promises: a
// failure leaves no list and no temporary file; every kept part is complete
// and NUL-terminated; file parts are private files whose size is the part's
// length; the upload helpers never name a file outside the directory.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "front/multipart.h"
#include "fuzz/fuzz_util.h"

namespace {

const std::string& upload_dir()
{
    static const std::string dir = [] {
        std::string d = fuzz_scratch_dir() + "/up";
        mkdir(d.c_str(), 0700);
        return d;
    }();
    return dir;
}

// Hands the body to the parser as packets of `chunk` bytes (at most 64 of
// them, so they all fit the socket's buffer before the parser reads).
int feed(const std::string& body, size_t chunk)
{
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) fuzz_fail("socketpair", strerror(errno));
    fcntl(sv[1], F_SETFL, O_NONBLOCK);
    size_t min_chunk = (body.size() + 63) / 64;
    if (chunk < min_chunk) chunk = min_chunk;
    for (size_t pos = 0; pos < body.size(); pos += chunk) {
        size_t n = body.size() - pos < chunk ? body.size() - pos : chunk;
        if (write(sv[1], body.data() + pos, n) != ssize_t(n)) break;  // the parser sees the body end early
    }
    close(sv[1]);
    return sv[0];
}

void check_list(FormEntry* list)
{
    const std::string& dir = upload_dir();
    int parts = 0;
    size_t files = 0;
    for (FormEntry* e = list; e; e = e->next) {
        parts++;
        FUZZ_CHECK(e->name && e->value && e->file_name && e->content_type && e->temp_file, "null field");
        FUZZ_CHECK(std::strlen(e->name) < 1024 && std::strlen(e->file_name) < 1024, e->name);
        FUZZ_CHECK(std::strlen(e->content_type) < 1024, e->content_type);
        FUZZ_CHECK(e->value_length >= 0, "");
        if (e->temp_file[0]) {
            files++;
            FUZZ_CHECK(e->file_name[0], "a file part without a file name");
            FUZZ_CHECK(e->value[0] == '\0', "file part with a value");
            FUZZ_CHECK(std::strncmp(e->temp_file, (dir + "/cgic").c_str(), dir.size() + 5) == 0, e->temp_file);
            struct stat st;
            FUZZ_CHECK(stat(e->temp_file, &st) == 0, e->temp_file);
            FUZZ_CHECK((st.st_mode & 07777) == 0600, e->temp_file);
            FUZZ_CHECK(st.st_size == e->value_length, e->temp_file);
        } else {
            FUZZ_CHECK(e->file_name[0] == '\0', "a text part with a file name");
            FUZZ_CHECK(e->value_length <= kFormValueMax, "");
            FUZZ_CHECK(e->value[e->value_length] == '\0', "value not terminated");
        }
    }
    FUZZ_CHECK(parts <= kFormMaxParts, std::to_string(parts));
    FUZZ_CHECK(fuzz_count_entries(dir) == files, "temporary files not owned by an entry");

    // The upload rules' helpers on this list.
    char name[128];
    FormFileNameResult r = form_file_name(list, "file", name, sizeof name);
    FormEntry* file = form_entry_find(list, "file");
    FUZZ_CHECK((r == kFormFileNameNotFound) == (file == nullptr), "");
    if (r != kFormFileNameOk) FUZZ_CHECK(r == kFormFileNameTruncated || name[0] == '\0', name);
    char base[128];
    if (r == kFormFileNameOk && upload_base_name(name, base, sizeof base)) {
        FUZZ_CHECK(!std::strchr(base, '/') && std::strcmp(base, ".") && std::strcmp(base, ".."), base);
        if (file->temp_file[0]) {
            char moved[1088];
            if (upload_move(file->temp_file, base, moved, sizeof moved) == 0) {
                FUZZ_CHECK(std::string(moved) == dir + "/" + base, moved);
                struct stat st;
                FUZZ_CHECK(stat(moved, &st) == 0 && S_ISREG(st.st_mode), moved);
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    std::string boundary = in.text(1100);
    std::string length_text = in.text(24);
    size_t chunk = in.byte();
    std::string body = in.rest();
    chunk = chunk ? (chunk * 37) % 4096 + 1 : body.size() + 1;
    long length = length_text.empty() ? long(body.size()) : std::atoi(length_text.c_str());
    // The intake never hands over a boundary with a NUL in it.
    boundary.resize(std::strlen(boundary.c_str()));

    const std::string tmpl = upload_dir() + "/cgicXXXXXX";
    int fd = feed(body, chunk);
    FormEntry* list = reinterpret_cast<FormEntry*>(&fd);  // must be overwritten
    int rc = multipart_parse(fd, length, boundary.c_str(), &list, tmpl.c_str());
    close(fd);
    FUZZ_CHECK(rc == kMultipartOk || rc == kMultipartNoMemory || rc == kMultipartIoError, std::to_string(rc));
    if (rc != kMultipartOk) {
        FUZZ_CHECK(list == nullptr, "a failed parse returned a list");
        FUZZ_CHECK(fuzz_count_entries(upload_dir()) == 0, "a failed parse left a temporary file");
        return 0;
    }
    if (length <= 0 || boundary.empty()) FUZZ_CHECK(list == nullptr, "a list without a body or boundary");
    check_list(list);
    form_entries_free(list);
    // Only an upload moved to its base name may remain; nothing else.
    FUZZ_CHECK(fuzz_count_entries(upload_dir()) <= 1, "the list left temporary files behind");
    fuzz_remove_tree(upload_dir(), true);
    return 0;
}
