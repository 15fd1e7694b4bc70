// User accounts as the store keeps them.
#pragma once

#include "platform/record.h"
#include "platform/kxdb.h"

constexpr int kMaxUsers = 100;
constexpr int kRightCount = 10;

struct UserRecord {
    i32 id;                     //   0  account number 0..99, -1 when not found
    i32 enable;                 //   4  1 = account exists
    char name[64];              //   8
    char password[33];          //  72  hexadecimal MD5 digest
    u8 pad0[3];                 // 105
    i32 type;                   // 108  0..3; type 3 cannot log in
    char localliveview[65];     // 112  channel mask texts
    char localplayback[65];     // 177
    char remoteliveview[65];    // 242
    char remoteplayback[65];    // 307
    char store_area[52];        // 372  kept by the store
    i32 local_rights[kRightCount];   // 424
    i32 remote_rights[kRightCount];  // 464
    i32 permission;             // 504
    i32 remote_permission;      // 508
    u32 channel_words[4];       // 512  bits 0..31 of the four mask texts
};
NVR_RECORD_SIZE(UserRecord, 528);

// A row of the customised-firmware user table ("/mnt/nand2/oem.db").
struct OemUserRecord {
    i32 id;             //   0
    i32 enable;         //   4
    char name[64];      //   8
    char password[33];  //  72
    u8 pad0[3];         // 105
    i32 type;           // 108
    i32 permission;     // 112
    i32 remote_permission;  // 116
};
NVR_RECORD_SIZE(OemUserRecord, 120);

NVR_STORE_KIND(kUserKind, "user", kMaxUsers, UserRecord);
NVR_STORE_KIND(kOemUserKind, "user_oem", kMaxUsers, OemUserRecord);

// JSON names of the ten local and ten remote right flags, in record order.
extern const char* const kLocalRightKeys[kRightCount];
extern const char* const kRemoteRightKeys[kRightCount];

// Store calls.
int read_user(const char* db, UserRecord* out, int id);
int write_user(const char* db, const UserRecord* rec);  // at rec->id; -1 when out of range
int read_users(const char* db, UserRecord* out, int* count);  // kMaxUsers records
// The enabled account of that name; -1 with a zero record of id -1 when none.
int read_user_by_name(const char* db, const char* name, UserRecord* out);
int read_user_count(const char* db);  // enabled accounts
// Stores a new account in the lowest free slot; its id, or -1 when full.
int add_user(const char* db, UserRecord* rec);
int read_users_oem(const char* db, OemUserRecord* out, int* count);  // kMaxUsers records

// Bit i of the result is set when character i (0..31) of the text is '1'.
u32 channel_word(const char* mask_text);
// Recomputes the four channel words from the four mask texts.
void user_update_channel_words(UserRecord* rec);
