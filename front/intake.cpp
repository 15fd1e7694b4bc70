#include "front/intake.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <unistd.h>

#include "common/reply.h"
#include "common/cgi_env.h"
#include "front/multipart.h"
#include "front/session_gate.h"
#include "front/webreq.h"

namespace {

constexpr size_t kCodeSize = 128;         // request code: 127 characters
constexpr size_t kPostSize = 30720;       // POST text: 30,719 characters
constexpr int kPostLines = 128;           // ... or 128 lines
constexpr size_t kGetSize = 256;          // GET text: 255 characters
constexpr size_t kUploadTextSize = 1088;  // upload request text: 1,087 characters
constexpr size_t kFileNameSize = 128;     // client file name: 127 characters
constexpr int kParamMax = 255;            // "param:" value

// The form entries of this run. A handler that ends the process itself still
// has the temporary files removed, by the exit hook of the process that
// parsed them (never by a child it forked).
FormEntry* g_form_list;
pid_t g_form_pid;

void free_form_list()
{
    if (getpid() != g_form_pid) return;
    FormEntry* list = g_form_list;
    g_form_list = nullptr;
    form_entries_free(list);
}

// Formats into a fixed buffer; an over-long text is cut, never rejected.
__attribute__((format(printf, 3, 4))) void format_cut(char* buffer, size_t size, const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(buffer, size, format, ap);
    va_end(ap);
}

// The request code, cut to 127 characters.
void request_code(char (&code)[kCodeSize])
{
    format_cut(code, sizeof code, "%s", g_cgi.path_info);
}

// Road 1: a JSON or URL-encoded POST hands its body on as it came, read line
// by line and cut at 128 lines or 30,719 characters.
void road_post()
{
    char code[kCodeSize];
    request_code(code);
    if (!code[0]) return;
    // fgets keeps the text terminated; the buffer needs no clearing first.
    char* body = static_cast<char*>(std::malloc(kPostSize));
    if (!body) return;
    body[0] = '\0';
    size_t len = 0;
    for (int i = 0; i < kPostLines && len < kPostSize - 1; i++) {
        if (!std::fgets(body + len, static_cast<int>(kPostSize - len), stdin)) break;
        len += std::strlen(body + len);
    }
    webreq_dispatch(code, body);
    std::free(body);
}

// Road 2: a GET hands on its query string with only "%22" decoded.
void road_get()
{
    g_cgi.content_length = static_cast<int>(std::strlen(g_cgi.query_string));
    char code[kCodeSize];
    request_code(code);
    if (!code[0]) return;
    char text[kGetSize];
    format_cut(text, sizeof text, "%s", g_cgi.query_string);
    size_t w = 0;
    for (size_t r = 0; text[r];) {
        if (text[r] == '%' && text[r + 1] == '2' && text[r + 2] == '2') {
            text[w++] = '"';
            r += 3;
        } else {
            text[w++] = text[r++];
        }
    }
    text[w] = '\0';
    webreq_dispatch(code, text);
}

bool is_raw_upload_code(const char* code)
{
    return !std::strcmp(code, "/1010") || !std::strcmp(code, "/6082") || !std::strcmp(code, "/2079");
}

// Builds the upload request text and dispatches it. Raw upload codes get
// "temp & " + query; "/1019" and "/oem" the temporary file and the query;
// every other code gets its upload renamed to the client's base name in the
// temporary file's directory, the new path, and the "param:" value.
void upload_rules(FormEntry* list)
{
    char code[kCodeSize];
    request_code(code);
    if (!code[0]) return;
    const char* query = g_cgi.query_string;
    char text[kUploadTextSize];
    if (is_raw_upload_code(code)) {
        format_cut(text, sizeof text, "%s & %s", "temp", query);
        webreq_dispatch(code, text);
        return;
    }
    char file_name[kFileNameSize];
    if (form_file_name(list, "file", file_name, sizeof file_name) != kFormFileNameOk) return;
    FormEntry* entry = form_entry_find(list, "file");
    if (!entry) return;
    if (!std::strcmp(code, "/1019") || !std::strcmp(code, "/oem")) {
        format_cut(text, sizeof text, "%s & %s", entry->temp_file, query);
        webreq_dispatch(code, text);
        return;
    }
    // The client's name is used only as one directory entry beside the
    // temporary file, and never reaches a shell.
    char base[kFileNameSize];
    if (!upload_base_name(file_name, base, sizeof base)) return;
    char path[kUploadTextSize];
    if (upload_move(entry->temp_file, base, path, sizeof path) != 0) {
        CGI_LOG("upload %s could not be moved to %s", entry->temp_file, path);
        return;
    }
    if (const char* param = std::strstr(query, "param:")) {
        param += 6;
        int n = static_cast<int>(std::strcspn(param, "&"));
        if (n > kParamMax) n = kParamMax;
        format_cut(text, sizeof text, "%s & %.*s", path, n, param);
    } else {
        format_cut(text, sizeof text, "%s", path);
    }
    webreq_dispatch(code, text);
}

// Firmware uploads: their handlers stream the body from standard input
// straight to the firmware's own directory.
bool body_left_to_handler(const char* code)
{
    return !std::strcmp(code, "/1010") || !std::strcmp(code, "/2079");
}

// Road 3: a multipart POST. "/1010" and "/2079" leave the body on standard
// input for their handlers; every other code has the body parsed first. A
// body that cannot be parsed ends the run with -1 and no output.
int road_multipart()
{
    g_form_pid = getpid();
    // Once per process: a persistent worker parses many bodies.
    static const bool exit_hook = std::atexit(free_form_list) == 0;
    (void)exit_hook;
    if (!body_left_to_handler(g_cgi.path_info)) {
        // A quoted boundary parameter ("boundary=\"x\"") stands for x.
        char boundary[sizeof g_cgi.multipart_boundary];
        format_cut(boundary, sizeof boundary, "%s", g_cgi.multipart_boundary);
        size_t blen = std::strlen(boundary);
        if (blen >= 2 && boundary[0] == '"' && boundary[blen - 1] == '"') {
            std::memmove(boundary, boundary + 1, blen - 2);
            boundary[blen - 2] = '\0';
        }
        if (multipart_parse(0, g_cgi.content_length, boundary, &g_form_list) != kMultipartOk) return -1;
    }
    upload_rules(g_form_list);
    free_form_list();
    return 0;
}

}  // namespace

void cgi_intake_reset()
{
    free_form_list();
    g_cgi = CgiEnv{};
}

int cgi_intake_run()
{
    cgi_env_capture();
    if (!session_gate_pass()) return 0;
    const char* method = g_cgi.request_method;
    const char* media = g_cgi.media_type;
    bool post = strcasecmp(method, "post") == 0;
    if (post && (strcasecmp(media, "application/x-www-form-urlencoded") == 0 ||
                 strcasecmp(media, "application/json") == 0)) {
        road_post();
    } else if (strcasecmp(method, "get") == 0) {
        road_get();
    } else if (post && strcasecmp(media, "multipart/form-data") == 0) {
        return road_multipart();
    }
    return 0;
}
