// Opt-in login sessions and the login-failure limit, end to end through the
// CGI program, plus the constant-time comparisons and the cookie reading.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "common/session.h"
#include "handlers/system/user_records.h"
#include "platform/kxdb.h"
#include "tests/fixtures.h"

namespace {

const char* kAdminMd5 = "21232f297a57a5a743894a0e4a801fc3";  // md5("admin"), the factory password
const char* kWrongMd5 = "00000000000000000000000000000000";
const char* kAddrA = "192.0.2.10";
const char* kAddrB = "198.51.100.7";
const std::string kUnauthorized = "Status: 401 Unauthorized\r\nContent-type: text/plain\r\n\r\nUNAUTHORIZED";

class SessionTest : public StoreTest {
protected:
    void mode_on() { ASSERT_EQ(store({"set", "session_required", "1"}).status, 0); }

    RunResult request(const std::string& code, const std::string& body, const std::string& cookie,
                      const char* addr = kAddrA)
    {
        CgiRequest r;
        r.code = code;
        r.body = body;
        r.env = {{"REMOTE_ADDR", addr}, {"HTTP_COOKIE", cookie}};
        return run(r);
    }
    CgiRequest login_request(const char* md5, const char* addr = kAddrA, const std::string& name = "admin")
    {
        CgiRequest r;
        r.code = "/1000";
        r.body = "{\"userName\":\"" + name + "\",\"md5\":\"" + md5 + "\"}";
        r.env = {{"REMOTE_ADDR", addr}, {"HTTP_COOKIE", ""}};
        return r;
    }
    RunResult login(const char* md5, const char* addr = kAddrA, const std::string& name = "admin")
    {
        return run(login_request(md5, addr, name));
    }
    // The identifier of a login reply ("" when it has none).
    static std::string session_of(const RunResult& r)
    {
        std::smatch m;
        static const std::regex id("\"sessionId\": \"([0-9]{32})\"");
        return std::regex_search(r.out, m, id) ? m[1].str() : "";
    }
    std::string login_session(const char* addr = kAddrA)
    {
        std::string id = session_of(login(kAdminMd5, addr));
        EXPECT_EQ(id.size(), 32u);
        return id;
    }

    // Direct access to the list rows the program keeps in the main database.
    std::string db_path() { return root().at("/mnt/nand/app/kxdb.db"); }
    template <typename T>
    bool list_row(const char* list, const std::string& key, T* out)
    {
        sqlite3* h = nullptr;
        bool found = false;
        std::memset(static_cast<void*>(out), 0, sizeof *out);
        if (sqlite3_open_v2(db_path().c_str(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* s = nullptr;
            std::string sql = std::string("SELECT data FROM ") + list + " WHERE key=?1";
            if (sqlite3_prepare_v2(h, sql.c_str(), -1, &s, nullptr) == SQLITE_OK) {
                sqlite3_bind_text(s, 1, key.c_str(), -1, SQLITE_TRANSIENT);
                if (sqlite3_step(s) == SQLITE_ROW) {
                    found = true;
                    size_t n = std::min(size_t(sqlite3_column_bytes(s, 0)), sizeof *out);
                    std::memcpy(static_cast<void*>(out), sqlite3_column_blob(s, 0), n);
                }
            }
            sqlite3_finalize(s);
        }
        sqlite3_close(h);
        return found;
    }
    template <typename T>
    void put_list_row(const char* list, const std::string& key, const T& row)
    {
        sqlite3* h = nullptr;
        ASSERT_EQ(sqlite3_open_v2(db_path().c_str(), &h, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        sqlite3_busy_timeout(h, 10000);
        sqlite3_stmt* s = nullptr;
        std::string sql = std::string("INSERT OR REPLACE INTO ") + list + "(key,data) VALUES(?1,?2)";
        ASSERT_EQ(sqlite3_prepare_v2(h, sql.c_str(), -1, &s, nullptr), SQLITE_OK);
        sqlite3_bind_text(s, 1, key.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_blob(s, 2, &row, int(sizeof row), SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(s), SQLITE_DONE);
        sqlite3_finalize(s);
        sqlite3_close(h);
    }
    SessionRecord session_row(const std::string& id)
    {
        SessionRecord rec;
        EXPECT_TRUE(list_row(kSessionList, id.substr(0, 8), &rec)) << id;
        return rec;
    }
    // Moves the failure record of an address `seconds` into the past.
    void age_failures(const char* addr, time_t seconds)
    {
        LoginFailureRecord r;
        ASSERT_TRUE(list_row(kLoginFailureList, addr, &r));
        if (r.locked_until) r.locked_until -= seconds;
        for (i64& at : r.at)
            if (at) at -= seconds;
        put_list_row(kLoginFailureList, addr, r);
    }
    int log_lines_with(const std::string& text)
    {
        std::string log = root().read_file("/mnt/nand/cgi_log.txt");
        int n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) n++;
        return n;
    }
    std::vector<EmuFrame> failure_logs()
    {
        std::vector<EmuFrame> out;
        for (auto& f : emu().received(3485))
            if (f.u32_at(0) == 32 && f.i64_at(8) == 404) out.push_back(f);
        return out;
    }
    void add_user(int id, const char* name)
    {
        UserRecord u = zeroed<UserRecord>();
        u.id = id;
        u.enable = 1;
        set_text(u.name, name);
        set_text(u.password, kWrongMd5);
        u.type = 1;
        put_row("user", id, u);
    }
};

// ---- the factory default ----

TEST_F(SessionTest, FactoryDefaultRunsEveryRequestWithoutCookieAndStoresNoSession)
{
    EXPECT_EQ(store({"get", "session_required"}).out, "0\n");
    auto list = request("/6070", "", "");
    EXPECT_NE(list.out.find("\"name\": \"admin\""), std::string::npos) << list.out;
    // Identifiers come from the random source: two logins in one second differ.
    std::string a = login_session(), b = login_session();
    EXPECT_NE(a, b);
    SessionRecord rec;
    EXPECT_FALSE(list_row(kSessionList, a.substr(0, 8), &rec));
    // Wrong digests are not counted while the mode is off.
    for (int i = 0; i < 6; i++) EXPECT_EQ(session_of(login(kWrongMd5)), "");
    EXPECT_EQ(session_of(login(kAdminMd5)).size(), 32u);
}

// ---- the gate ----

TEST_F(SessionTest, WithoutLiveSessionNoHandlerRunsAndNothingChanges)
{
    mode_on();
    ASSERT_EQ(store({"set", "permission_update", "5"}).status, 0);
    emu();
    const std::vector<std::pair<std::string, std::string>> requests = {
        {"/6073", "{\"id\":0,\"type\":0}"},  // would delete the admin account
        {"/1024", ""},                       // would reset permission_update
        {"/1014", ""},  {"/6070", ""}, {"/6077", ""}, {"/2001", ""}, {"/9999", ""}, {"", ""},
    };
    for (const auto& cookie : {std::string(""), std::string("userName=admin; sessionId=0"),
                               std::string("sessionId=12345678901234567890123456789012")}) {
        for (const auto& r : requests) EXPECT_EQ(request(r.first, r.second, cookie).out, kUnauthorized) << r.first;
    }
    auto got = get("/7000", "");
    EXPECT_EQ(got.out, kUnauthorized);
    auto upload = run(multipart_request("/1019", "XyZ",
                                        "--XyZ\r\nContent-Disposition: form-data; name=\"file\"; filename=\"a.bin\"\r\n"
                                        "\r\nabc\r\n--XyZ--\r\n"));
    EXPECT_EQ(upload.out, kUnauthorized);
    EXPECT_TRUE(emu().received().empty());
    UserRecord admin;
    ASSERT_TRUE(stored("user", 0, &admin));
    EXPECT_EQ(admin.enable, 1);
    EXPECT_EQ(store({"get", "permission_update"}).out, "5\n");
}

TEST_F(SessionTest, LoginPageCheckAndPageTextsRunWithoutSession)
{
    mode_on();
    emu().rule("3504 reply 8504 hex:01000000");
    EXPECT_EQ(login_session().size(), 32u);
    auto check = request("/1018", "page", "");
    EXPECT_EQ(check.out, "Location: ../../html/home.html\r\n\r\n");
    EXPECT_EQ(emu().received(3504).size(), 1u);
    auto text = get("/json", "lang=en-US&page=setup&sub=display");
    EXPECT_NE(text.out, kUnauthorized);
    EXPECT_EQ(text.out.find("401"), std::string::npos);
}

TEST_F(SessionTest, SessionRunsOnlyFromItsAddressWithItsWholeIdentifier)
{
    mode_on();
    std::string id = login_session(kAddrA);
    auto ok = request("/6070", "", "lang=en; sessionId=" + id + "; userName=admin");
    EXPECT_NE(ok.out.find("\"name\": \"admin\""), std::string::npos) << ok.out;
    // The visitor cookie of the page check may come along with the real one.
    EXPECT_NE(request("/6070", "", "sessionId=0; sessionId=\"" + id + "\"").out, kUnauthorized);

    // A stolen identifier from another address.
    EXPECT_EQ(request("/6070", "", "sessionId=" + id, kAddrB).out, kUnauthorized);
    // The right selector with other digits, a longer or shorter value, or
    // another cookie's name.
    std::string other = id;
    other[31] = other[31] == '9' ? '0' : char(other[31] + 1);
    EXPECT_EQ(request("/6070", "", "sessionId=" + other).out, kUnauthorized);
    EXPECT_EQ(request("/6070", "", "sessionId=" + id + "1").out, kUnauthorized);
    EXPECT_EQ(request("/6070", "", "sessionId=" + id.substr(0, 31)).out, kUnauthorized);
    EXPECT_EQ(request("/6070", "", "xsessionId=" + id).out, kUnauthorized);
    EXPECT_EQ(request("/6070", "", "sessionid=" + id).out, kUnauthorized);
    // Each login opens a session of its own; the first stays live.
    std::string second = login_session(kAddrB);
    EXPECT_NE(second, id);
    EXPECT_NE(request("/6070", "", "sessionId=" + second, kAddrB).out, kUnauthorized);
    EXPECT_NE(request("/6070", "", "sessionId=" + id, kAddrA).out, kUnauthorized);
    SessionRecord rec = session_row(id);
    EXPECT_STREQ(rec.user, "admin");
    EXPECT_STREQ(rec.addr, kAddrA);
    EXPECT_EQ(rec.type, 0);
}

TEST_F(SessionTest, OperationLogNamesTheSessionUserNotTheCookieName)
{
    mode_on();
    emu();
    add_user(1, "guest");
    std::string id = login_session();
    auto r = request("/6073", "{\"id\":1,\"type\":1}", "userName=mallory; sessionId=" + id);
    EXPECT_EQ(r.body(), "OK");
    auto logs = emu().received(3485);
    ASSERT_FALSE(logs.empty());
    EXPECT_EQ(logs.back().text_at(82, 64), "admin");
    EXPECT_EQ(logs.back().text_at(36, 46), kAddrA);
}

TEST_F(SessionTest, LogoutLogsItsUserAndEndsTheSession)
{
    mode_on();
    emu();
    std::string id = login_session();
    std::string keep = login_session();
    auto out = request("/1014", "", "userName=mallory; sessionId=" + id);
    EXPECT_EQ(out.body(), "OK");
    auto logs = emu().received(3485);
    ASSERT_FALSE(logs.empty());
    EXPECT_EQ(logs.back().i64_at(8), 202);
    EXPECT_EQ(logs.back().text_at(82, 64), "admin");
    EXPECT_EQ(request("/6070", "", "sessionId=" + id).out, kUnauthorized);
    EXPECT_EQ(request("/1014", "", "sessionId=" + id).out, kUnauthorized);
    SessionRecord rec;
    EXPECT_FALSE(list_row(kSessionList, id.substr(0, 8), &rec));
    // Another session of the same user and address is not touched.
    EXPECT_NE(request("/6070", "", "sessionId=" + keep).out, kUnauthorized);
}

TEST_F(SessionTest, SessionsExpireThirtyMinutesAfterLastUse)
{
    mode_on();
    std::string id = login_session();
    time_t now = time(nullptr);
    SessionRecord rec = session_row(id);
    EXPECT_GE(rec.expires, now + kSessionLifetime - 5);
    EXPECT_LE(rec.expires, now + kSessionLifetime);

    // A use a minute or more after the last refresh pushes the end out again.
    rec.expires = now + 100;
    put_list_row(kSessionList, id.substr(0, 8), rec);
    EXPECT_NE(request("/6070", "", "sessionId=" + id).out, kUnauthorized);
    EXPECT_GE(session_row(id).expires, now + kSessionLifetime - 5);
    // A use within the minute does not write the row.
    rec.expires = now + kSessionLifetime - 10;
    put_list_row(kSessionList, id.substr(0, 8), rec);
    EXPECT_NE(request("/6070", "", "sessionId=" + id).out, kUnauthorized);
    EXPECT_EQ(session_row(id).expires, now + kSessionLifetime - 10);
    // A clock set back does not leave a session hours to live.
    rec.expires = now + 5 * kSessionLifetime;
    put_list_row(kSessionList, id.substr(0, 8), rec);
    EXPECT_NE(request("/6070", "", "sessionId=" + id).out, kUnauthorized);
    EXPECT_LE(session_row(id).expires, time(nullptr) + kSessionLifetime);

    // Past its end it is refused, and the next login removes it.
    rec.expires = now - 1;
    put_list_row(kSessionList, id.substr(0, 8), rec);
    EXPECT_EQ(request("/6070", "", "sessionId=" + id).out, kUnauthorized);
    login_session(kAddrB);
    EXPECT_FALSE(list_row(kSessionList, id.substr(0, 8), &rec));
}

// ---- the login limit ----

TEST_F(SessionTest, FiveFailuresRefuseTheAddressForTenMinutesAndAreLogged)
{
    mode_on();
    emu();
    for (int i = 0; i < kLoginFailureLimit; i++) {
        auto r = login(kWrongMd5);
        EXPECT_EQ(r.body(), "{ \"type\": -1 }");
    }
    // The right digest from the refused address is answered as a failure.
    auto refused = login(kAdminMd5);
    EXPECT_EQ(refused.body(), "{ \"type\": -1 }");
    EXPECT_EQ(session_of(refused), "");
    // Another address is not refused.
    EXPECT_EQ(session_of(login(kAdminMd5, kAddrB)).size(), 32u);

    auto logs = failure_logs();
    ASSERT_EQ(logs.size(), 6u);
    for (auto& f : logs) {
        EXPECT_EQ(f.text_at(82, 64), "admin");
        EXPECT_EQ(f.u32_at(24), 900u);
    }
    EXPECT_EQ(logs[0].text_at(36, 46), kAddrA);
    EXPECT_EQ(log_lines_with("wrong user name or password"), 5);
    EXPECT_EQ(log_lines_with("too many failed logins"), 1);

    // Nine minutes on the address is still refused; ten minutes on it may
    // log in again.
    age_failures(kAddrA, 9 * 60);
    EXPECT_EQ(session_of(login(kAdminMd5)), "");
    age_failures(kAddrA, 60);
    EXPECT_EQ(session_of(login(kAdminMd5)).size(), 32u);
}

TEST_F(SessionTest, FailuresCountWithinTenMinutesWhateverSucceedsBetween)
{
    mode_on();
    for (int i = 0; i < 4; i++) login(kWrongMd5);
    // A success between the failures does not clear them ...
    EXPECT_EQ(session_of(login(kAdminMd5)).size(), 32u);
    login(kWrongMd5, kAddrA, "nobody");
    EXPECT_EQ(session_of(login(kAdminMd5)), "");

    // ... while failures older than ten minutes no longer count.
    age_failures(kAddrA, 11 * 60);
    for (int i = 0; i < 4; i++) login(kWrongMd5);
    EXPECT_EQ(session_of(login(kAdminMd5)).size(), 32u);
}

TEST_F(SessionTest, ParallelGuessesCompareAtMostFiveDigests)
{
    mode_on();
    emu();
    std::vector<CgiRequest> guesses(12, login_request(kWrongMd5));
    for (auto& r : run_together(guesses)) EXPECT_EQ(r.body(), "{ \"type\": -1 }") << r.status << " " << r.err;
    int compared = log_lines_with("wrong user name or password");
    EXPECT_GE(compared, 1);
    EXPECT_LE(compared, kLoginFailureLimit);
    EXPECT_EQ(compared + log_lines_with("too many failed logins"), 12);
    EXPECT_EQ(session_of(login(kAdminMd5)), "");
}

// ---- in-process pieces ----

TEST(SessionCompare, ConstantTimeDigestComparisonIgnoresCaseAndBytesAfterTheText)
{
    char a[33] = "5ebe2294ecd0e0f08eab7690d2a6ee69";
    char b[33] = "5EBE2294ECD0E0F08EAB7690D2A6EE69";
    EXPECT_TRUE(ct_equal_nocase(a, b, sizeof a));
    b[31] = '8';
    EXPECT_FALSE(ct_equal_nocase(a, b, sizeof a));
    // A shorter text with the same start, and leftovers after a NUL.
    char c[33] = "5ebe2294";
    EXPECT_FALSE(ct_equal_nocase(a, c, sizeof a));
    char d[33] = "5ebe2294";
    std::memcpy(d + 9, "zzzz", 4);
    EXPECT_TRUE(ct_equal_nocase(c, d, sizeof c));
    // Only letters fold: '[' is not '{', '@' is not '`'.
    EXPECT_FALSE(ct_equal_nocase("[", "{", 2));
    EXPECT_FALSE(ct_equal_nocase("@", "`", 2));
    char empty1[33] = "", empty2[33] = "";
    EXPECT_TRUE(ct_equal_nocase(empty1, empty2, sizeof empty1));
    EXPECT_FALSE(ct_equal_nocase(empty1, a, sizeof a));

    EXPECT_TRUE(ct_equal("abc", "abc", 3));
    EXPECT_FALSE(ct_equal("abc", "abd", 3));
    EXPECT_TRUE(ct_equal("abc", "abd", 2));
}

TEST(SessionStore, IdentifiersAreDigitsAndLoginSlotsHoldParallelAttempts)
{
    char x[33], y[33];
    ASSERT_TRUE(session_new_id(x));
    ASSERT_TRUE(session_new_id(y));
    EXPECT_EQ(std::strlen(x), 32u);
    EXPECT_EQ(std::strspn(x, "0123456789"), 32u);
    EXPECT_STRNE(x, y);

    // Five attempts in progress take every slot; one that matched frees its
    // slot, a failure keeps it.
    const char* addr = "203.0.113.99";
    u32 tokens[kLoginFailureLimit];
    for (u32& t : tokens) ASSERT_TRUE(login_attempt_begin(addr, &t));
    u32 extra = 0;
    EXPECT_FALSE(login_attempt_begin(addr, &extra));
    login_attempt_end(addr, tokens[0], false);
    ASSERT_TRUE(login_attempt_begin(addr, &extra));
    login_attempt_end(addr, extra, true);
    EXPECT_FALSE(login_attempt_begin(addr, &extra));
    for (int i = 1; i < kLoginFailureLimit; i++) login_attempt_end(addr, tokens[i], true);
    LoginFailureRecord r;
    ASSERT_EQ(kxdb_list_get(kMainDb, kLoginFailureList, addr, &r, sizeof r), 0);
    EXPECT_GT(r.locked_until, time(nullptr) + kLoginLockout - 5);

    // Sessions: the cookie is read by its exact name, from the right address.
    char id[33];
    ASSERT_TRUE(session_open("viewer", 2, "203.0.113.5", id));
    SessionRecord rec;
    EXPECT_TRUE(session_find((std::string(" lang=en;sessionId=") + id + " ;").c_str(), "203.0.113.5", false, &rec));
    EXPECT_STREQ(rec.user, "viewer");
    EXPECT_FALSE(session_find((std::string("sessionId=") + id).c_str(), "203.0.113.50", false, &rec));
    EXPECT_FALSE(session_find((std::string("SessionId=") + id).c_str(), "203.0.113.5", false, &rec));
    EXPECT_FALSE(session_find(nullptr, "203.0.113.5", false, &rec));
    EXPECT_TRUE(session_close((std::string("sessionId=") + id).c_str(), "203.0.113.5"));
    EXPECT_FALSE(session_find((std::string("sessionId=") + id).c_str(), "203.0.113.5", false, &rec));
    EXPECT_FALSE(session_close((std::string("sessionId=") + id).c_str(), "203.0.113.5"));
}

TEST(SessionStore, ListUpdatesFromParallelProcessesLoseNoChange)
{
    struct Counter {
        i64 n;
    };
    auto add_one = [](void* row, bool, void*) {
        static_cast<Counter*>(row)->n++;
        return int(kListPut);
    };
    const int kChildren = 4, kEach = 25;
    std::vector<pid_t> kids;
    for (int c = 0; c < kChildren; c++) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int bad = 0;
            for (int i = 0; i < kEach; i++)
                bad += kxdb_list_update(kMainDb, "update_test", "k", sizeof(Counter), add_one, nullptr) != kListPut;
            _exit(bad ? 1 : 0);
        }
        kids.push_back(pid);
    }
    for (pid_t pid : kids) {
        int status = -1;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Counter total{};
    ASSERT_EQ(kxdb_list_get(kMainDb, "update_test", "k", &total, sizeof total), 0);
    EXPECT_EQ(total.n, kChildren * kEach);
    // Keep leaves the row, delete removes it; an invalid list is refused.
    EXPECT_EQ(kxdb_list_update(kMainDb, "update_test", "k", sizeof(Counter),
                               [](void*, bool found, void*) { return found ? int(kListKeep) : -1; }, nullptr),
              kListKeep);
    EXPECT_EQ(kxdb_list_update(kMainDb, "update_test", "k", sizeof(Counter),
                               [](void*, bool, void*) { return int(kListDelete); }, nullptr),
              kListDelete);
    EXPECT_EQ(kxdb_list_count(kMainDb, "update_test"), 0);
    EXPECT_EQ(kxdb_list_update(kMainDb, "param", "k", sizeof(Counter), add_one, nullptr), -1);
    EXPECT_EQ(kxdb_list_update(kMainDb, "update_test", "k", sizeof(Counter), nullptr, nullptr), -1);
}

}  // namespace
