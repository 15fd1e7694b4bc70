// The platform base library: shell, file and copy helpers.
#pragma once

// Runs a shell command like system(3) and returns its wait status.
int kx_system(const char* command);
// Copies everything from in_fd to out_fd (sendfile/splice where possible,
// else read/write). 0 on success, negative on failure.
int kx_spliced_copy_ex(int in_fd, int out_fd);
// 1 when the path exists, else 0.
int kx_check_file_exist(const char* path);
