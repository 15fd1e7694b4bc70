// multipart/form-data bodies: the streaming parser, the form-entry list and
// the helpers of the upload rules.
#pragma once

#include <cstddef>

// One part of a multipart/form-data body. Every text is heap-allocated,
// NUL-terminated and owned by the list; none is ever null.
struct FormEntry {
    char* name;          // the part's "name" attribute (may be empty)
    char* value;         // the part's bytes for a non-file part; "" for a file part
    long value_length;   // bytes kept in `value`, or bytes written to `temp_file`
    char* file_name;     // "filename" attribute as the client sent it (may hold a client path)
    char* content_type;  // the part's Content-Type header ("" if none)
    char* temp_file;     // temporary file holding a file part's bytes; "" for a non-file part
    FormEntry* next;
};

// Results of multipart_parse.
enum MultipartResult {
    kMultipartOk = 0,
    kMultipartNoMemory = -1,
    kMultipartIoError = -2,  // input ended inside a part, a read failed, or a temporary file failed
};

// Limits that keep a hostile body from growing the process: a non-file part
// keeps at most kFormValueMax bytes (the rest is read and dropped), and parts
// after the first kFormMaxParts are read and dropped.
constexpr long kFormValueMax = 64 * 1024;
constexpr int kFormMaxParts = 64;

// Reads a multipart/form-data body from `fd`, never more than
// `content_length` bytes, and builds the list of its form-data parts in
// arrival order. File parts (non-empty filename) are streamed into temporary
// files created from `temp_template` (a mkstemp template; null means
// nvr_path("/tmp/cgicXXXXXX")) with mode 0600. A content length of 0 or
// less, an empty boundary, or a body without the opening boundary gives an
// empty list. On failure nothing is left behind: *out is null and every
// temporary file made so far is removed.
int multipart_parse(int fd, long content_length, const char* boundary, FormEntry** out,
                    const char* temp_template = nullptr);

// The first entry whose name equals `name` exactly, or null.
FormEntry* form_entry_find(FormEntry* list, const char* name);

enum FormFileNameResult {
    kFormFileNameOk = 0,
    kFormFileNameTruncated,  // the name was cut to size - 1 characters
    kFormFileNameNotFound,   // no entry of that name; the buffer holds ""
    kFormFileNameEmpty,      // the entry has no file name; the buffer holds ""
};

// Copies the file name of the entry `name` into `buffer` (size > 0).
FormFileNameResult form_file_name(const FormEntry* list, const char* name, char* buffer, size_t size);

// Frees the list and removes every temporary file it names.
void form_entries_free(FormEntry* list);

// Base name of a client file name: the text after its last '/' or '\', cut
// to size - 1 characters. False when no usable name remains ("", "." or
// ".."), so the upload could never name a file outside its directory.
bool upload_base_name(const char* file_name, char* out, size_t size);

// Moves an upload to `base` in the directory of `temp_file` with rename(2),
// no shell involved. `new_path` receives the new path (cut to size - 1)
// whether or not the move succeeded; the result is 0 or -1.
int upload_move(const char* temp_file, const char* base, char* new_path, size_t size);
