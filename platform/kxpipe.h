// Pipes to a program, the platform's vpopen/vpclose: the program is started
// from an argument vector (found on PATH), never through a shell, so no
// argument is ever taken apart or interpreted.
#pragma once

#include <cstdio>

// Starts argv[0] with the arguments argv[1..] (argv ends with a null) and
// returns a stream on its standard output (mode "r") or its standard input
// (mode "w"); null when it cannot be started. Close with kx_vpclose.
FILE* kx_vpopen(const char* const argv[], const char* mode);
// Closes the stream and waits for the program: its wait status, or -1.
int kx_vpclose(FILE* stream);
