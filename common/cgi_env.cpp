#include "common/cgi_env.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <strings.h>

CgiEnv g_cgi;

static const char* env_or_empty(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

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

void cgi_env_capture()
{
    CgiEnv& e = g_cgi;
    e.server_software = env_or_empty("SERVER_SOFTWARE");
    e.server_name = env_or_empty("SERVER_NAME");
    e.gateway_interface = env_or_empty("GATEWAY_INTERFACE");
    e.server_protocol = env_or_empty("SERVER_PROTOCOL");
    e.server_port = env_or_empty("SERVER_PORT");
    e.request_method = env_or_empty("REQUEST_METHOD");
    e.path_info = env_or_empty("PATH_INFO");
    e.path_translated = env_or_empty("PATH_TRANSLATED");
    e.script_name = env_or_empty("SCRIPT_NAME");
    e.query_string = env_or_empty("QUERY_STRING");
    e.remote_host = env_or_empty("REMOTE_HOST");
    e.remote_addr = env_or_empty("REMOTE_ADDR");
    e.auth_type = env_or_empty("AUTH_TYPE");
    e.remote_user = env_or_empty("REMOTE_USER");
    e.remote_ident = env_or_empty("REMOTE_IDENT");
    e.http_host = env_or_empty("HTTP_HOST");
    e.content_type = env_or_empty("CONTENT_TYPE");
    e.http_accept = env_or_empty("HTTP_ACCEPT");
    e.http_user_agent = env_or_empty("HTTP_USER_AGENT");
    e.http_referer = env_or_empty("HTTP_REFERER");
    e.http_cookie = env_or_empty("HTTP_COOKIE");
    cgi_split_content_type(e.content_type, e.media_type, e.multipart_boundary);
    e.content_length = std::atoi(env_or_empty("CONTENT_LENGTH"));
}
