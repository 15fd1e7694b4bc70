// Factory account: user 0 "admin", the only account of a new device.
#include "handlers/system/user_records.h"
#include "tools/store/seeds.h"

static int seed_users(const char* db, const char* into, const InitOptions& opt)
{
    if (std::string(db) != kMainDb) return 0;
    UserRecord admin = zeroed<UserRecord>();
    admin.id = 0;
    admin.enable = 1;
    set_text(admin.name, "admin");
    set_text(admin.password, md5_hex(opt.admin_password_given ? opt.admin_password : "admin").c_str());
    admin.type = 0;
    admin.permission = -1;
    admin.remote_permission = -1;
    for (int i = 0; i < kRightCount; i++) admin.local_rights[i] = admin.remote_rights[i] = 1;
    const std::string all(64, '1');
    set_text(admin.localliveview, all.c_str());
    set_text(admin.localplayback, all.c_str());
    set_text(admin.remoteliveview, all.c_str());
    set_text(admin.remoteplayback, all.c_str());
    admin.store_area[33] = '0';
    admin.channel_words[0] = admin.channel_words[1] = admin.channel_words[2] = admin.channel_words[3] = 0xffffffffu;
    return store_write(into, kUserKind, 0, admin);
}
NVR_STORE_SEED(seed_users);
