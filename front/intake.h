// The CGI program's entry: environment capture, request text, dispatch.
#pragma once

// Runs one CGI request from the process environment and standard input.
// Returns the exit status: 0, or -1 when a multipart body cannot be parsed.
int cgi_intake_run();

// Ends what a run left behind in this process: removes the upload files and
// forgets the form entries and the captured environment. A persistent worker
// calls it after each request.
void cgi_intake_reset();
