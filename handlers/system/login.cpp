// Login, logout, the page check and the permission-change flag.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <strings.h>
#include <unistd.h>

#include "common/core.h"
#include "common/json.h"
#include "common/paths.h"
#include "common/reply.h"
#include "front/cgi_env.h"
#include "handlers/system/system.h"
#include "handlers/system/user_records.h"

namespace {

constexpr u32 kMsgPageCheck = 3504;
constexpr int kLoginLog = 201, kLogoutLog = 202, kSessionParam = 900;

// 32 decimal digits from the C generator seeded with the time in seconds:
// two logins within one second get the same identifier.
void new_session_id(char (&out)[33])
{
    srand(unsigned(time(nullptr)));
    for (int i = 0; i < 32; i++) out[i] = char('0' + rand() % 10);
    out[32] = '\0';
}

void ensure_dir(const char* fixed)
{
    std::string dir = nvr_path(fixed);
    if (access(dir.c_str(), F_OK) != 0) shell_run(("mkdir " + shell_quote(dir.c_str())).c_str());
}

void send_session_log(int sub_type, const char* user)
{
    OpLogRecord log;
    oplog_prepare(&log);
    log.sub_type = sub_type;
    log.param_type = kSessionParam;
    if (user) set_text(log.user, user, 63);
    core_send_oplog(log);
}

void add_login_rights(json_object* o, const UserRecord& u)
{
    jadd_text(o, "userName", u.name);
    jadd(o, "permission", u.permission);
    for (int i = 0; i < kRightCount; i++) jadd(o, kLocalRightKeys[i], u.local_rights[i]);
    jadd_text(o, "localliveview", u.localliveview);
    jadd_text(o, "localplayback", u.localplayback);
    jadd(o, "remotePermisson", u.remote_permission);
    for (int i = 0; i < kRightCount; i++) jadd(o, kRemoteRightKeys[i], u.remote_rights[i]);
    jadd_text(o, "remoteliveview", u.remoteliveview);
    jadd_text(o, "remoteplayback", u.remoteplayback);

    char session[33];
    new_session_id(session);
    jadd(o, "sessionId", session);
    jadd(o, "failoverMode", get_param_int(kMainDb, "failover_mode", 0));
    jadd(o, "sameChannel", get_param_int(kMainDb, "same_channel_exist", 0) == 2 ? 1 : 0);
    char text[256];
    get_param_value(kMainDb, "hardware_version", text, 32, "V1.1");
    jadd(o, "hardwareVersion", text);
    get_param_value(kMainDb, "software_version", text, 256, "7x.7.0.9");
    jadd(o, "softwareVersion", text);
    get_param_value(kMainDb, "model", text, 256, "");
    jadd(o, "model", text);
}

}  // namespace

int login(const char* request)
{
    JsonPtr req = json_parse(request);
    if (!req) return 0;
    ensure_dir("/mnt/nand/ssl");
    ensure_dir("/mnt/nand/ssl/tmp");

    char name[256] = "", md5[33] = "";
    jtext(req.get(), "userName", name);
    jtext(req.get(), "md5", md5);

    UserRecord user;
    read_user_by_name(kMainDb, name, &user);
    // An account that does not exist never matches, even an empty digest.
    int type = (user.id >= 0 && strcasecmp(user.password, md5) == 0) ? user.type : -1;
    if (user.type == 3) type = -2;

    JsonPtr reply = jobject();
    jadd(reply.get(), "type", type);
    if (type != -1 && type != -2) {
        add_login_rights(reply.get(), user);
        send_session_log(kLoginLog, name);
    }
    return json_reply(kReplyText, reply.get());
}

int logout(const char*)
{
    send_session_log(kLogoutLog, nullptr);
    return cgi_reply_ok();
}

int page_check(const char* request)
{
    if (!request) return 0;
    char payload[256] = {};
    std::strncpy(payload, request, sizeof payload - 1);
    core_query(system_reply, kMsgPageCheck, payload, sizeof payload, kReplyText);
    return 0;
}

// Cookie line "name=value; domain=D; expires=Day, DD-Mon-YYYY hh:mm:ss GMT; path=/".
static void put_cookie(const char* name, const char* value, const char* domain, const struct tm& exp)
{
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    printf("Set-Cookie: %s=%s; domain=%s; expires=%s, %02d-%s-%04d %02d:%02d:%02d GMT; path=%s\r\n", name, value,
           domain, days[exp.tm_wday], exp.tm_mday, months[exp.tm_mon], exp.tm_year + 1900, exp.tm_hour, exp.tm_min,
           exp.tm_sec, "/");
}

int page_check_reply(const KxFrameHeader* header, const void* payload)
{
    i32 verdict = 0;
    if (!record_at(payload, header->length, 0, &verdict)) return 0;
    if (verdict != 0) {
        printf("Location: %s\r\n\r\n", "../../html/home.html");
    } else {
        char domain[50] = "";
        std::strncpy(domain, g_cgi.http_host, sizeof domain - 1);
        if (char* colon = std::strchr(domain, ':')) *colon = '\0';
        time_t expires = time(nullptr) + 600;
        struct tm exp;
        gmtime_r(&expires, &exp);
        put_cookie("userName", "temp", domain, exp);
        put_cookie("userType", "2", domain, exp);
        put_cookie("permission", "0", domain, exp);
        put_cookie("sessionId", "0", domain, exp);
        put_cookie("language", "en-US", domain, exp);
        printf("Location: %s\r\n\r\n", "../../html/index.html");
    }
    fflush(stdout);
    core_reply_finish(1);
    return 0;
}

int permission_reset(const char*)
{
    set_param_int(kMainDb, "permission_update", 0);
    return cgi_reply_ok();
}
