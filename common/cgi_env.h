// The CGI environment of this run, captured once at start.
#pragma once

struct CgiEnv {
    const char* server_software = "";
    const char* server_name = "";
    const char* gateway_interface = "";
    const char* server_protocol = "";
    const char* server_port = "";
    const char* request_method = "";
    const char* path_info = "";
    const char* path_translated = "";
    const char* script_name = "";
    const char* query_string = "";
    const char* remote_host = "";
    const char* remote_addr = "";
    const char* auth_type = "";
    const char* remote_user = "";
    const char* remote_ident = "";
    const char* http_host = "";
    const char* content_type = "";
    const char* http_accept = "";
    const char* http_user_agent = "";
    const char* http_referer = "";
    const char* http_cookie = "";
    // Media type without parameters (at most 1,023 characters) and the
    // multipart boundary taken from its "boundary=" parameter.
    char media_type[1024] = {};
    char multipart_boundary[1024] = {};
    int content_length = 0;
};

// The process's captured environment (all fields empty until captured).
extern CgiEnv g_cgi;

// Fills g_cgi from the process environment: unset variables become "".
void cgi_env_capture();

// Splits a CONTENT_TYPE value into the media type and the boundary parameter.
void cgi_split_content_type(const char* content_type, char (&media)[1024], char (&boundary)[1024]);
