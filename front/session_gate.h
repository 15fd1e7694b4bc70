// The session gate: with the session mode on, a request runs only with the
// cookie of a live session from its own client address.
#pragma once

// True when the request of g_cgi may run (mode off, an exempt code, or a
// live session, whose life it extends). Otherwise writes the refusal
// "Status: 401 Unauthorized" with the plain body "UNAUTHORIZED" and returns
// false: the caller then reads nothing more and runs no handler.
bool session_gate_pass();
// The codes that run without a session in that mode.
bool session_exempt(const char* code);
