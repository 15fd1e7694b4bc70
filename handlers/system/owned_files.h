// Checks that keep a request to the files it owns: a name the client gives
// may only name a regular file directly inside one fixed directory.
#pragma once

#include <string>

// A single file name: not empty, no '/', not "." or "..", at most 255 bytes.
bool plain_file_name(const char* name);
// True when `path` names a regular file (not a link) directly inside the
// fixed directory `fixed_dir` (resolved under NVR_ROOT), however the
// directory part is spelt.
bool regular_file_in(const std::string& path, const char* fixed_dir);
// Reads a whole regular file, at most `max` bytes; false when it cannot be
// read or is larger.
bool read_whole(const std::string& path, std::string* out, size_t max);
// Creates an empty file (or keeps an existing one), like touch.
void touch_file(const std::string& path);
