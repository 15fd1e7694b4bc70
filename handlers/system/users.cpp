// User accounts: list, add, edit, delete, the customised-firmware list, and
// the "accounts changed" notice.
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

#include "common/core.h"
#include "common/json.h"
#include "handlers/shared/reply_flow.h"
#include "platform/paths.h"
#include "common/reply.h"
#include "common/reply_failure.h"
#include "handlers/system/system.h"
#include "handlers/system/user_records.h"

namespace {

constexpr u32 kMsgUsersChanged = 3505;
constexpr int kUserLog = 204, kUserAddParam = 921, kUserDeleteParam = 922;

void send_user_log(int param_type) { send_change_log(kUserLog, param_type); }

// The four mask texts and their JSON keys, in record order.
struct MaskField {
    const char* key;
    char (UserRecord::*field)[65];
};
constexpr MaskField kMasks[] = {
    {"localliveview", &UserRecord::localliveview},
    {"localplayback", &UserRecord::localplayback},
    {"remoteliveview", &UserRecord::remoteliveview},
    {"remoteplayback", &UserRecord::remoteplayback},
};

// Overwrites the right flags and mask texts the request names. True when a
// mask text changed.
bool apply_rights(json_object* req, UserRecord& u)
{
    for (int i = 0; i < kRightCount; i++) {
        jset(req, kLocalRightKeys[i], u.local_rights[i]);
        jset(req, kRemoteRightKeys[i], u.remote_rights[i]);
    }
    bool masks = false;
    for (const MaskField& m : kMasks) masks |= jtext(req, m.key, u.*m.field, 64);
    return masks;
}

// The keys an account and an OEM account share, in reply order.
template <typename User>
JsonPtr account_object(const User& u)
{
    JsonPtr o = jobject();
    jadd(o.get(), "id", u.id);
    jadd(o.get(), "enable", u.enable);
    jadd_text(o.get(), "name", u.name);
    jadd_text(o.get(), "password", u.password);
    jadd(o.get(), "type", u.type);
    jadd(o.get(), "permission", u.permission);
    return o;
}

void add_user_object(json_object* list, const UserRecord& u)
{
    JsonPtr o = account_object(u);
    for (int i = 0; i < kRightCount; i++) jadd(o.get(), kLocalRightKeys[i], u.local_rights[i]);
    jadd_text(o.get(), "localliveview", u.localliveview);
    jadd_text(o.get(), "localplayback", u.localplayback);
    jadd(o.get(), "remotePermission", u.remote_permission);
    for (int i = 0; i < kRightCount; i++) jadd(o.get(), kRemoteRightKeys[i], u.remote_rights[i]);
    jadd_text(o.get(), "remoteliveview", u.remoteliveview);
    jadd_text(o.get(), "remoteplayback", u.remoteplayback);
    json_object_array_add(list, o.release());
}

}  // namespace

int user_list(const char*)
{
    auto whole = std::make_unique<UserRecord[]>(kMaxUsers);
    UserRecord* users = whole.get();
    int count = 0;
    read_users(kMainDb, users, &count);
    JsonPtr list = jarray();
    for (int i = 0; i < kMaxUsers; i++)
        if (users[i].enable) add_user_object(list.get(), users[i]);
    return json_reply(kReplyJson, list.get());
}

int user_add(const char* request)
{
    if (read_user_count(kMainDb) >= kMaxUsers) return cgi_reply(kReplyText, "FAILED_FULL");
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    int type = jint(r, "type", -100), permission = jint(r, "permission", -100),
        remote_permission = jint(r, "remotePermission", -100);
    if (!jhas(r, "type") || type < 0 || type > 3) return 0;
    if (!jhas(r, "permission") || permission < -1) return 0;
    if (!jhas(r, "remotePermission") || remote_permission < -1) return 0;

    UserRecord u = zeroed<UserRecord>();
    jtext(r, "name", u.name);
    // The name is looked up exactly as it will be stored, so that two
    // accounts can never share a name.
    UserRecord same;
    if (read_user_by_name(kMainDb, u.name, &same) == 0) return cgi_reply(kReplyText, "SAMEUSER");

    jtext(r, "password", u.password);
    u.type = type;
    u.permission = permission;
    u.remote_permission = remote_permission;
    apply_rights(r, u);
    user_update_channel_words(&u);
    u.store_area[33] = '0';

    // A slot that could not be written, or an add whose commit failed, is
    // answered like a full table: the account does not exist.
    int id = add_user(kMainDb, &u);
    if (id < 0 || kxdb_request_commit() != 0) return cgi_reply_failure(kReplyText, "FAILED_FULL");
    core_notify(kMsgUsersChanged, nullptr, 0);
    send_user_log(kUserAddParam);
    char text[16];
    snprintf(text, sizeof text, "id=%d", id);
    return cgi_reply(kReplyText, text);
}

int user_edit(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    int id = jint(r, "id");
    if (id < 0 || id >= kMaxUsers) return 0;  // no such account slot: nothing to write
    UserRecord u;
    read_user(kMainDb, &u, id);
    u.id = id;
    u.enable = 1;

    char name[32];
    if (jtext(r, "name", name)) {
        UserRecord same;
        if (read_user_by_name(kMainDb, name, &same) == 0 && same.id != id)
            return cgi_reply(kReplyText, "SAMEUSER");
        set_text(u.name, name);
    }
    jtext(r, "password", u.password, 32);
    jset(r, "type", u.type);
    // The channel words follow the mask texts, so the rights the daemon
    // enforces match the ones the account shows.
    if (apply_rights(r, u)) user_update_channel_words(&u);

    write_user(kMainDb, &u);
    core_notify(kMsgUsersChanged, &u.id, sizeof u.id);
    return cgi_reply_ok();
}

int user_delete(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    int id = jint(r, "id"), type = jint(r, "type");
    if (!jhas(r, "id") || id < 0 || id >= kMaxUsers) return 0;
    if (!jhas(r, "type") || type < 0 || type > 3) return 0;

    UserRecord u = zeroed<UserRecord>();
    u.id = id;
    write_user(kMainDb, &u);
    core_notify(kMsgUsersChanged, &u.id, sizeof u.id);
    send_user_log(kUserDeleteParam);
    return cgi_reply_ok();
}

int user_list_oem(const char*)
{
    struct stat st;
    if (stat(nvr_path(kOemDb).c_str(), &st) != 0) return 0;
    auto whole = std::make_unique<OemUserRecord[]>(kMaxUsers);
    OemUserRecord* users = whole.get();
    int count = 0;
    read_users_oem(kOemDb, users, &count);
    JsonPtr list = jarray();
    for (int i = 0; i < kMaxUsers; i++) {
        const OemUserRecord& u = users[i];
        if (!u.enable) continue;
        JsonPtr o = account_object(u);
        jadd(o.get(), "remotePermission", u.remote_permission);
        json_object_array_add(list.get(), o.release());
    }
    return json_reply(kReplyJson, list.get());
}

int user_changed(const char*)
{
    core_notify(kMsgUsersChanged, nullptr, 0);
    return cgi_reply_ok();
}
