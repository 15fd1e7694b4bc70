// One resolver for every fixed path of the system.
//
// On the device the paths are used as they stand. When the environment
// variable NVR_ROOT is set and not empty, every fixed absolute path
// ("/mnt/nand/cgi_log.txt", "/tmp/cgicXXXXXX", "/var/run/kxsocket", ...) is
// placed under that directory instead, and the directories it needs are
// created on demand.
#pragma once

#include <string>

// The root prefix, or "" on the device. Read once per process.
const std::string& nvr_root();

// Resolves a fixed absolute path. Under NVR_ROOT the parent directory of the
// result is created if missing, so the caller can open or create the file.
std::string nvr_path(const char* fixed);
inline std::string nvr_path(const std::string& fixed) { return nvr_path(fixed.c_str()); }

// Creates a directory and its parents (mode 0755); true when it exists afterwards.
bool make_dirs(const std::string& dir);
