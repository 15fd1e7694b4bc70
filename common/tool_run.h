// Running the recorder's shell tools without a shell: the program is found on
// PATH and gets its arguments as a vector, so no text of a request is ever
// read by a shell, whatever characters it holds.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ToolOptions {
    std::string* output = nullptr;  // standard output collected here (else /dev/null)
    size_t output_max = 1 << 20;    // bytes kept of it; the rest is read and dropped
    int stdout_fd = -1;             // or standard output sent to this descriptor
    const char* dir = nullptr;      // working directory of the tool
};

// Runs argv[0] with the arguments and waits for it. Standard input and error
// are /dev/null. The exit status (0..255), or -1 when the tool could not be
// started (not found: 127 from the child) or ended by a signal.
int tool_run(const std::vector<std::string>& argv, const ToolOptions& options = {});

// Starts argv[0] in the background, detached from this process (its own
// session, standard streams on /dev/null, nothing of ours left open), so the
// CGI reply ends without waiting for it. With a time limit above 0 a small
// watcher process ends the tool (SIGTERM, then SIGKILL) once the limit has
// passed. 0 when started, -1 when it could not be.
int tool_start(const std::vector<std::string>& argv, int time_limit_s = 0);
