// Login, logout, the page check and the permission-change flag.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <strings.h>
#include <unistd.h>

#include "common/core.h"
#include "common/json.h"
#include "platform/paths.h"
#include "common/reply.h"
#include "common/session.h"
#include "common/cgi_env.h"
#include "handlers/system/system.h"
#include "handlers/system/user_records.h"

namespace {

constexpr u32 kMsgPageCheck = 3504;
constexpr u32 kReplyPageCheck = 8504;
constexpr int kLoginLog = 201, kLogoutLog = 202, kSessionParam = 900;
// A refused login goes to the device log as an exception "illegal login".
constexpr u32 kExceptionLog = 32;
constexpr int kIllegalLoginLog = 404;

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

// A failed or refused login: the device log (through the core daemon) and
// the debug log.
void log_login_failure(const char* user, const char* why)
{
    OpLogRecord log;
    oplog_prepare(&log);
    log.main_type = kExceptionLog;
    log.sub_type = kIllegalLoginLog;
    log.param_type = kSessionParam;
    set_text(log.user, user, 63);
    core_send_oplog(log);
    // The name is the client's text: control characters would forge lines.
    char shown[64];
    set_text(shown, user);
    for (char& c : shown)
        if (c && (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)) c = '?';
    CGI_LOG("login of \"%s\" from %.45s failed: %s", shown, g_cgi.remote_addr, why);
}

// `session` is the identifier to hand out.
void add_login_rights(json_object* o, const UserRecord& u, const char* session)
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

    // With sessions required, an address that failed too often is refused
    // before its digest is even compared, and answered like a wrong one.
    const bool sessions = session_mode_on();
    u32 attempt = 0;
    if (sessions) {
        session_sweep();
        if (!login_attempt_begin(g_cgi.remote_addr, &attempt)) {
            log_login_failure(name, "too many failed logins from this address");
            JsonPtr refused = jobject();
            jadd(refused.get(), "type", -1);
            return json_reply(kReplyText, refused.get());
        }
    }

    UserRecord user;
    read_user_by_name(kMainDb, name, &user);
    // An account that does not exist never matches, even an empty digest.
    // The digests are compared in constant time.
    bool match = user.id >= 0 && ct_equal_nocase(user.password, md5, sizeof md5);
    int type = match ? user.type : -1;
    if (user.type == 3) type = -2;

    char session[33] = "";
    if (sessions) {
        login_attempt_end(g_cgi.remote_addr, attempt, !match);
        if (!match) log_login_failure(name, "wrong user name or password");
        if (type != -1 && type != -2 && !session_open(user.name, user.type, g_cgi.remote_addr, session)) {
            CGI_LOG("login of \"%.63s\": the session could not be stored", user.name);
            return cgi_reply_error(kReplyText);
        }
    } else if (!session_new_id(session)) {
        return cgi_reply_error(kReplyText);
    }

    JsonPtr reply = jobject();
    jadd(reply.get(), "type", type);
    if (type != -1 && type != -2) {
        add_login_rights(reply.get(), user, session);
        send_session_log(kLoginLog, name);
    }
    return json_reply(kReplyText, reply.get());
}

int logout(const char*)
{
    send_session_log(kLogoutLog, nullptr);
    // With sessions required the log above named the session's user (only a
    // live session gets here); the session ends after it.
    if (session_mode_on()) {
        session_close(g_cgi.http_cookie, g_cgi.remote_addr);
        session_sweep();
    }
    return cgi_reply_ok();
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

int page_check(const char* request)
{
    if (!request) return 0;
    char payload[256] = {};
    std::strncpy(payload, request, sizeof payload - 1);
    core_ask<page_check_reply>(kMsgPageCheck, payload, sizeof payload, kReplyText, {kReplyPageCheck});
    return 0;
}

int permission_reset(const char*)
{
    set_param_int(kMainDb, "permission_update", 0);
    return cgi_reply_ok();
}
