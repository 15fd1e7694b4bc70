// Replies and the small services every handler uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/kxfs_log.h"
#include "platform/record.h"

// Reply kinds of cgi_reply: any other value writes the text with no header.
enum ReplyKind { kReplyText = 0, kReplyJson = 1 };

// Writes the header of `kind` and the text, then flushes. -1 for a null text
// (nothing written). The request's store writes are committed first; when a
// write or commit of the request failed, the kind's error text is written
// instead (once per request) and the result is -1.
int cgi_reply(int kind, const char* text);
// Per-request reply state: cleared by the dispatcher before each handler;
// whether any reply text has been written since.
void cgi_reply_reset();
int cgi_reply_started();
// Writes "CGI ERROR" (kind 0) or "{status:\"CGI ERROR\"}" (kind 1).
int cgi_reply_error(int kind);
// Writes "OK" as plain text: the usual answer of a setting change.
inline int cgi_reply_ok() { return cgi_reply(kReplyText, "OK"); }

// Runs a command with the shell: 0 when it ran and exited 0, else -1. Never
// build `command` from client text without shell_quote().
int shell_run(const char* command);
// Quotes one argument for the shell: '...' with embedded quotes escaped, so
// the shell passes it on as one word whatever it holds.
std::string shell_quote(const char* arg);

// Exclusive lockf lock on a file (created if missing): the descriptor, or -1.
int lockfile_acquire(const char* path);
void lockfile_release(int fd);

// Appends one line to the debug log "/mnt/nand/cgi_log.txt".
int cgi_debug_log(const char* source_file, int line, const char* function, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
#define CGI_LOG(...) cgi_debug_log(__FILE__, __LINE__, __func__, __VA_ARGS__)

// The "userName" value of the request cookie, cut to `size` - 1 characters.
// 0, or -1 when the cookie has no user name. With sessions required it is
// the user of the cookie's live session instead ("" and -1 without one).
int cookie_user_name(char* buffer, size_t size);

// Zero-fills the record and sets main type 4, the remote flag, the cookie's
// user name and the client address.
int oplog_prepare(OpLogRecord* record);

// Interface and MAC helpers.
int mac_of_interface(const char* name, unsigned char out6[6]);
int device_macs(char mac0[18], char mac1[18]);

struct IfaceInfo {
    char address[24];    //   0
    char mac[24];        //  24
    char gateway[24];    //  48
    char netmask[24];    //  72
    char broadcast[24];  //  96
    i32 up;              // 120
    i32 mtu;             // 124
};
NVR_RECORD_SIZE(IfaceInfo, 128);

int interface_info(const char* name, IfaceInfo* out);
// Default gateway of an interface from /proc/net/route: 0 with `out` set to
// the route's 32-bit gateway value (first octet in the low byte), 0 with
// `out` untouched when there is none, -1 when the file cannot be read.
int default_gateway(const char* name, u32* out);

// File-download reply: octet-stream header, the file's bytes, then the file
// is removed.
int cgi_reply_download(const char* path);
