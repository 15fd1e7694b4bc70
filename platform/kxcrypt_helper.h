// The cryptographic helper program `nvr-crypt` (tools/crypt/): the CGI
// program leaves key, certificate and cipher work to it, so that it does not
// carry the cryptographic library itself. Secrets and data travel on the
// helper's standard input and output, never in its argument vector (which
// other users can read).
#pragma once

#include <string>
#include <vector>

// The helper's name, found on PATH like the recorder's other tools.
constexpr const char* kCryptHelper = "nvr-crypt";

// Runs `nvr-crypt ARGS...` with `input` on its standard input and waits for
// it; its standard output is collected in `output` (may be null). With
// `socket_fd` >= 0 that descriptor is the helper's descriptor 3. The exit
// status (0..255), or -1 when the helper could not be run or was killed.
int kxcrypt_helper_run(const std::vector<std::string>& args, const std::string& input, std::string* output,
                       int socket_fd = -1);

// The helper's input and output are sequences of fields, each written as
// its decimal length, a newline and its bytes.
void kxcrypt_put(std::string* out, const std::string& field);
// Takes the next field from `in` at `*at`; false when none is left whole.
bool kxcrypt_take(const std::string& in, size_t* at, std::string* field);
