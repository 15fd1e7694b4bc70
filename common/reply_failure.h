// A handler's own failure form after a failed store write (see cgi_reply).
#pragma once

// Writes `text` with the header of `kind` as the request's failure answer
// (e.g. "FAILED_FULL"), also after a failed store write or commit, in place
// of the kind's error text; once per request. -1 when a failure answer was
// already written or the text is null.
int cgi_reply_failure(int kind, const char* text);
