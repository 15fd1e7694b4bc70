// Store calls of the user table.
#include <cstring>
#include <memory>

#include "handlers/system/user_records.h"

const char* const kLocalRightKeys[kRightCount] = {
    "localLiveView", "localPlayback", "localRetrieve", "localSmartAnalysis", "localEvent",
    "localCamera",   "localStorage",  "localSettings", "localStatus",        "localShutdown",
};
const char* const kRemoteRightKeys[kRightCount] = {
    "remoteLiveView", "remotePlayback", "remoteRetrieve", "remoteSmartAnalysis", "remoteEvent",
    "remoteCamera",   "remoteStorage",  "remoteSettings", "remoteStatus",        "remoteShutdown",
};

int read_user(const char* db, UserRecord* out, int id) { return store_read(db, kUserKind, id, out); }

int write_user(const char* db, const UserRecord* rec) { return store_write(db, kUserKind, rec->id, *rec); }

int read_users(const char* db, UserRecord* out, int* count)
{
    return kxdb_rows_read(db, kUserKind, out, kMaxUsers, count);
}

int read_user_by_name(const char* db, const char* name, UserRecord* out)
{
    // All the account rows, zeroed each call (a row not in the store reads as
    // a disabled account).
    const auto all = std::make_unique<UserRecord[]>(kMaxUsers);
    int count = 0;
    read_users(db, all.get(), &count);
    for (int i = 0; i < kMaxUsers; i++) {
        const UserRecord& u = all[i];
        if (u.enable && std::strncmp(u.name, name, sizeof u.name) == 0 && name[0]) {
            *out = u;
            return 0;
        }
    }
    std::memset(out, 0, sizeof *out);
    out->id = -1;
    return -1;
}

int read_user_count(const char* db)
{
    // All the account rows, zeroed each call (a row not in the store reads as
    // a disabled account).
    const auto all = std::make_unique<UserRecord[]>(kMaxUsers);
    int count = 0, enabled = 0;
    read_users(db, all.get(), &count);
    for (int i = 0; i < kMaxUsers; i++) enabled += all[i].enable ? 1 : 0;
    return enabled;
}

int add_user(const char* db, UserRecord* rec)
{
    // All the account rows, zeroed each call (a row not in the store reads as
    // a disabled account).
    const auto all = std::make_unique<UserRecord[]>(kMaxUsers);
    int count = 0;
    read_users(db, all.get(), &count);
    for (int id = 0; id < kMaxUsers; id++) {
        if (all[id].enable) continue;
        rec->id = id;
        rec->enable = 1;
        return write_user(db, rec) == 0 ? id : -1;
    }
    return -1;
}

int read_users_oem(const char* db, OemUserRecord* out, int* count)
{
    return kxdb_rows_read(db, kOemUserKind, out, kMaxUsers, count);
}

u32 channel_word(const char* mask_text)
{
    u32 word = 0;
    for (int i = 0; i < 32 && mask_text[i]; i++)
        if (mask_text[i] == '1') word |= 1u << i;
    return word;
}

void user_update_channel_words(UserRecord* rec)
{
    const char* texts[4] = {rec->localliveview, rec->localplayback, rec->remoteliveview, rec->remoteplayback};
    for (int i = 0; i < 4; i++) rec->channel_words[i] = channel_word(texts[i]);
}
