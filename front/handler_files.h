// Where each handler of the request tables is defined: generated at build
// time from the handler sources (cmake/handler_files.cmake) for the API
// reference, which names every code's handler as function and file.
#pragma once

struct HandlerFile {
    const char* code;      // "/2001"
    const char* function;  // "camera_list"
    const char* file;      // "handlers/camera/channels.cpp", from the source root
};

extern const HandlerFile kHandlerFiles[];
extern const int kHandlerFileCount;
