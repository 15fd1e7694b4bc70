#include "front/session_gate.h"

#include <cstdio>
#include <cstring>

#include "common/session.h"
#include "common/cgi_env.h"

// The login, the page check (which hands out the visitor cookies) and the
// page texts of the login page run without a session.
bool session_exempt(const char* code)
{
    return !std::strcmp(code, "/1000") || !std::strcmp(code, "/1018") || !std::strcmp(code, "/json");
}

bool session_gate_pass()
{
    if (!session_mode_on()) return true;
    if (session_exempt(g_cgi.path_info)) return true;
    if (session_find(g_cgi.http_cookie, g_cgi.remote_addr, true, nullptr)) return true;
    std::fputs("Status: 401 Unauthorized\r\nContent-type: text/plain\r\n\r\nUNAUTHORIZED", stdout);
    std::fflush(stdout);
    return false;
}
