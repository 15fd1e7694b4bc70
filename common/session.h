// Login sessions and login-failure counts, kept in the main database.
//
// The mode is the store key "session_required": "0" (factory default) runs
// every request without a login; any other number makes every request but
// the login, the page check and the page texts carry the cookie
// "sessionId=<identifier>" of a live session opened from the same client
// address (front/session_gate.h).
//
// A session identifier is 32 decimal digits from the kernel's random source.
// Its first 8 digits select the stored row; the whole identifier is then
// compared in constant time, so the time a lookup takes tells nothing about
// the digits that matter. A session lives 30 minutes after its last use.
//
// Login failures are counted per client address: five within ten minutes
// refuse further logins from that address for ten minutes.
#pragma once

#include <cstddef>
#include <ctime>

#include "platform/record.h"

constexpr const char* kSessionModeKey = "session_required";
constexpr size_t kSessionIdLength = 32;
constexpr size_t kSessionSelectorLength = 8;
constexpr time_t kSessionLifetime = 30 * 60;
// A session used again within this long of its last refresh is not written
// again: one store write a minute at most per session, not one a request.
constexpr time_t kSessionRefreshStep = 60;
constexpr int kLoginFailureLimit = 5;
constexpr time_t kLoginFailureWindow = 10 * 60;
constexpr time_t kLoginLockout = 10 * 60;

// The list tables of the main database.
constexpr const char* kSessionList = "session";
constexpr const char* kLoginFailureList = "login_failure";

struct SessionRecord {
    char id[33];     //   0  the whole identifier
    u8 pad0[3];      //  33
    i32 type;        //  36  user type at login
    char user[64];   //  40  user name
    char addr[48];   // 104  client address (REMOTE_ADDR)
    i64 expires;     // 152  seconds since the epoch
};
NVR_RECORD_SIZE(SessionRecord, 160);

// Failed logins of one client address. A login in progress holds a slot
// from its start (so parallel guesses cannot outrun the limit) and frees it
// when the digest matched.
struct LoginFailureRecord {
    i64 locked_until;                 //  0  0, or the end of a refusal
    i64 at[kLoginFailureLimit];       //  8  time of each failure, 0 = free
    u32 token[kLoginFailureLimit];    // 48  the login holding the slot
    u8 pad0[4];                       // 68
};
NVR_RECORD_SIZE(LoginFailureRecord, 72);

// Equal bytes, in a time that depends only on `n`.
bool ct_equal(const void* a, const void* b, size_t n);
// Equal texts held in two fixed fields of `n` bytes each (each text ends at
// its first NUL or at the field's end), ASCII letters compared without regard
// to case, in a time that depends only on `n`.
bool ct_equal_nocase(const char* a, const char* b, size_t n);

// Whether the session mode is on (read from the store on every call).
bool session_mode_on();

// A fresh identifier from the kernel's random source; false when it fails.
bool session_new_id(char (&id)[33]);

// Opens a session for the user from `addr`: true, with its identifier.
bool session_open(const char* user, int type, const char* addr, char (&id)[33]);

// The live session named by a "sessionId" cookie of `cookie` and opened
// from `addr`: true, with the record in *out when given. `refresh` extends
// its life to 30 minutes from now (written at most once a minute).
bool session_find(const char* cookie, const char* addr, bool refresh, SessionRecord* out);

// Ends the live session of the cookie from `addr`; true when one ended.
bool session_close(const char* cookie, const char* addr);

// Removes expired sessions and failure counts that no longer matter.
void session_sweep();

// A login from `addr` may go on: true with the slot's token in *token, or
// false while the address is refused (or the count cannot be stored).
bool login_attempt_begin(const char* addr, u32* token);
// Ends the attempt begun with `token`: a failure keeps its slot (and starts
// the refusal at the limit), a matching digest frees it.
void login_attempt_end(const char* addr, u32 token, bool failed);
