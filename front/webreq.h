// The process-wide request table: request code -> handler.
//
// Each handler module owns a constant table of rows, declared at the bottom
// of its unit, and registers it with NVR_MODULE before main() runs. The
// modules register in a fixed order so that slots fill the same way on
// every run.
#pragma once

#include <cstddef>

// A handler takes the request text (never null, may be empty) and writes the
// whole CGI reply itself. Its result is not used.
using WebReqHandler = int (*)(const char* request);

// `doc` describes the row for the generated API reference, in four fields
// separated by " | ":
//   purpose | request text | reply kind | core daemon messages
// e.g. "Lists the cameras of every channel | none | JSON | 8201 wait".
//   request: "none", "JSON: key, key, ...", "decimal: what", "text: what",
//            "query: what" or "upload: what"
//   reply:   "plain", "JSON" or "download", optionally followed by a short
//            note in parentheses
//   core:    "none", or the message codes sent, each followed by " wait"
//            when the handler waits for the daemon's reply
struct WebReqEntry {
    char name[8];  // request code, e.g. "/1000"; at most 7 characters
    WebReqHandler handler;
    const char* doc = nullptr;
};

constexpr int MAX_WEBREQ_COUNT = 512;

int webreq_register(const WebReqEntry* table, int count);
int webreq_unregister(const WebReqEntry* table, int count);
void webreq_dispatch(const char* code, const char* request);

// Read access for listing tools and tests.
int webreq_count();
const WebReqEntry* webreq_slot(int slot);  // null when the slot is free

// Module names in registration order; the module of a registered code.
const char* webreq_module_of(const char* code);
// `file` is the source file of the module's table (its directory names the
// handler area).
void webreq_note_module(const char* module, const WebReqEntry* table, int count, const char* file = "");

// What was noted of one module, in registration order (null past the last).
struct WebReqModule {
    const char* module;
    const WebReqEntry* table;
    int count;
    const char* file;
};
const WebReqModule* webreq_module_at(int index);

// Registration order of the eleven modules (constructor priorities).
enum NvrModuleOrder {
    kModQuick = 201,   // "/3300" quick settings
    kModAlarm,         // "/6020" alarm inputs and outputs
    kModCamera,        // "/2001" cameras
    kModNetwork,       // "/7000" network and services
    kModPtz,           // "/5000" PTZ
    kModRecord,        // "/6030" record schedules
    kModStatus,        // "/8000" status
    kModStorage,       // "/6100" storage
    kModPlayback,      // "/4000" playback
    kModSystem,        // "/1000" system
    kModVideo,         // "/6000" video features and events
};

template <typename T, size_t N>
constexpr int table_rows(const T (&)[N]) { return static_cast<int>(N); }

// Registers a module's table before main(). `table` is a constant array of
// WebReqEntry, or nullptr for a module that has no codes yet. Nothing is
// removed at exit: the table dies with the process, and a request should
// not pay for emptying it.
#define NVR_MODULE_IMPL(id, order, ptr, count)                                        \
    __attribute__((constructor(order))) static void nvr_module_register_##id()       \
    {                                                                                 \
        webreq_note_module(#id, ptr, count, __FILE__);                                       \
        webreq_register(ptr, count);                                                  \
    }

#define NVR_MODULE(id, order, table) NVR_MODULE_IMPL(id, order, table, table_rows(table))
#define NVR_MODULE_EMPTY(id, order) NVR_MODULE_IMPL(id, order, nullptr, 0)
