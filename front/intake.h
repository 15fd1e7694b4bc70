// The CGI program's entry: environment capture, request text, dispatch.
#pragma once

// Runs one CGI request from the process environment and standard input.
// Returns the exit status: 0, or -1 when a multipart body cannot be parsed.
int cgi_intake_run();
