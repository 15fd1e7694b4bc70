#include "common/cgi_env.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <strings.h>
#include <unistd.h>

CgiEnv g_cgi;

void cgi_split_content_type(const char* content_type, char (&media)[1024], char (&boundary)[1024])
{
    std::memset(media, 0, sizeof media);
    std::memset(boundary, 0, sizeof boundary);
    std::strncpy(media, content_type ? content_type : "", sizeof media - 1);
    // At every ';' the buffer is cut; the first parameter "boundary=" (any
    // letter case) gives the boundary up to the first white space.
    for (char* p = std::strchr(media, ';'); p; p = std::strchr(p + 1, ';')) {
        *p = '\0';
        char* q = p + 1;
        while (*q == ' ' || *q == '\t') q++;
        if (strncasecmp(q, "boundary=", 9) == 0) {
            q += 9;
            size_t n = 0;
            while (q[n] && !std::isspace(static_cast<unsigned char>(q[n])) && n < sizeof boundary - 1) {
                boundary[n] = q[n];
                n++;
            }
            break;
        }
        p = q - 1;
    }
}

namespace {

// The variables taken, each with the field it fills.
struct EnvField {
    std::string_view name;
    const char* CgiEnv::*field;
};
constexpr EnvField kEnvFields[] = {
    {"SERVER_SOFTWARE", &CgiEnv::server_software}, {"SERVER_NAME", &CgiEnv::server_name},
    {"GATEWAY_INTERFACE", &CgiEnv::gateway_interface}, {"SERVER_PROTOCOL", &CgiEnv::server_protocol},
    {"SERVER_PORT", &CgiEnv::server_port}, {"REQUEST_METHOD", &CgiEnv::request_method},
    {"PATH_INFO", &CgiEnv::path_info}, {"PATH_TRANSLATED", &CgiEnv::path_translated},
    {"SCRIPT_NAME", &CgiEnv::script_name}, {"QUERY_STRING", &CgiEnv::query_string},
    {"REMOTE_HOST", &CgiEnv::remote_host}, {"REMOTE_ADDR", &CgiEnv::remote_addr},
    {"AUTH_TYPE", &CgiEnv::auth_type}, {"REMOTE_USER", &CgiEnv::remote_user},
    {"REMOTE_IDENT", &CgiEnv::remote_ident}, {"HTTP_HOST", &CgiEnv::http_host},
    {"CONTENT_TYPE", &CgiEnv::content_type}, {"HTTP_ACCEPT", &CgiEnv::http_accept},
    {"HTTP_USER_AGENT", &CgiEnv::http_user_agent}, {"HTTP_REFERER", &CgiEnv::http_referer},
    {"HTTP_COOKIE", &CgiEnv::http_cookie},
};

constexpr int kEnvFieldCount = sizeof kEnvFields / sizeof kEnvFields[0];

// The index in kEnvFields of a variable name of `len` characters, or -1.
// Most of an environment is not CGI (PATH, HOME, ...): those names are
// passed over at their first letter.
int env_field(const char* name, size_t len)
{
    if (!std::strchr("ACGHPQRS", name[0])) return -1;
    for (int i = 0; i < kEnvFieldCount; i++)
        if (kEnvFields[i].name.size() == len && std::memcmp(kEnvFields[i].name.data(), name, len) == 0) return i;
    return -1;
}

}  // namespace

void cgi_env_capture()
{
    // One pass over the environment instead of a search of the whole of it
    // per variable. The first entry of a name counts, as for getenv().
    CgiEnv& e = g_cgi;
    e = CgiEnv{};
    const char* content_length = nullptr;
    bool seen[kEnvFieldCount] = {};
    for (char** v = environ; v && *v; v++) {
        const char* eq = std::strchr(*v, '=');
        if (!eq || eq == *v) continue;
        const size_t len = static_cast<size_t>(eq - *v);
        if (len == 14 && std::strncmp(*v, "CONTENT_LENGTH", len) == 0) {
            if (!content_length) content_length = eq + 1;
            continue;
        }
        const int i = env_field(*v, len);
        if (i >= 0 && !seen[i]) {
            seen[i] = true;
            e.*kEnvFields[i].field = eq + 1;
        }
    }
    cgi_split_content_type(e.content_type, e.media_type, e.multipart_boundary);
    e.content_length = std::atoi(content_length ? content_length : "");
}
