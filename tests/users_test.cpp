// Login, session and user accounts, end to end through the CGI program.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "common/reply.h"
#include "handlers/system/user_records.h"
#include "tests/harness.h"

namespace {

// md5("secret")
const char* kSecretMd5 = "5ebe2294ecd0e0f08eab7690d2a6ee69";

class UserTest : public NvrTest {
protected:
    void put_user(const UserRecord& u) { put_row("user", u.id, u); }
    UserRecord make_user(int id, const char* name, const char* md5, int type)
    {
        UserRecord u = zeroed<UserRecord>();
        u.id = id;
        u.enable = 1;
        set_text(u.name, name);
        set_text(u.password, md5);
        u.type = type;
        u.permission = 7;
        u.remote_permission = -1;
        for (int i = 0; i < kRightCount; i++) {
            u.local_rights[i] = i;
            u.remote_rights[i] = 10 + i;
        }
        set_text(u.localliveview, "1100");
        set_text(u.remoteplayback, "01");
        return u;
    }
    UserRecord stored_user(int id)
    {
        UserRecord u = zeroed<UserRecord>();
        stored("user", id, &u);
        return u;
    }
    RunResult login(const std::string& name, const std::string& md5)
    {
        return post("/1000", "{\"userName\":\"" + name + "\",\"md5\":\"" + md5 + "\"}");
    }
};

TEST_F(UserTest, LoginWithUpperCaseDigestRepliesRightsInOrderAndLogs)
{
    put_user(make_user(0, "admin", kSecretMd5, 0));
    emu();
    env.push_back({"REMOTE_ADDR", "198.51.100.7"});
    std::string upper = kSecretMd5;
    for (char& c : upper) c = char(toupper(c));
    auto r = login("admin", upper);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.header(), "Content-type: text/plain");
    std::regex want(
        "\\{ \"type\": 0, \"userName\": \"admin\", \"permission\": 7, \"localLiveView\": 0, \"localPlayback\": 1, "
        "\"localRetrieve\": 2, \"localSmartAnalysis\": 3, \"localEvent\": 4, \"localCamera\": 5, "
        "\"localStorage\": 6, \"localSettings\": 7, \"localStatus\": 8, \"localShutdown\": 9, "
        "\"localliveview\": \"1100\", \"localplayback\": \"\", \"remotePermisson\": -1, \"remoteLiveView\": 10, "
        "\"remotePlayback\": 11, \"remoteRetrieve\": 12, \"remoteSmartAnalysis\": 13, \"remoteEvent\": 14, "
        "\"remoteCamera\": 15, \"remoteStorage\": 16, \"remoteSettings\": 17, \"remoteStatus\": 18, "
        "\"remoteShutdown\": 19, \"remoteliveview\": \"\", \"remoteplayback\": \"01\", "
        "\"sessionId\": \"[0-9]{32}\", \"failoverMode\": 0, \"sameChannel\": 0, \"hardwareVersion\": \"V1.1\", "
        "\"softwareVersion\": \"7x.7.0.9\", \"model\": \"\" \\}");
    EXPECT_TRUE(std::regex_match(r.body(), want)) << r.body();

    auto logs = emu().received(3485);
    ASSERT_EQ(logs.size(), 1u);
    const EmuFrame& f = logs[0];
    ASSERT_EQ(f.payload.size(), 672u);
    EXPECT_EQ(f.flags & 1, 0u);
    EXPECT_EQ(f.u32_at(0), 4u);
    EXPECT_EQ(f.i64_at(8), 201);
    EXPECT_EQ(f.u32_at(24), 900u);
    EXPECT_EQ(f.u32_at(28), 1u);
    EXPECT_EQ(f.u32_at(32), 0u);
    EXPECT_EQ(f.text_at(36, 46), "198.51.100.7");
    EXPECT_EQ(f.text_at(82, 64), "admin");
    OpLogRecord expect;
    std::memset(&expect, 0, sizeof expect);
    expect.main_type = 4;
    expect.sub_type = 201;
    expect.param_type = 900;
    expect.remote = 1;
    set_text(expect.remote_addr, "198.51.100.7");
    set_text(expect.user, "admin");
    EXPECT_EQ(to_hex(f.payload.data(), f.payload.size()), to_hex(&expect, sizeof expect));
}

TEST_F(UserTest, LoginRefusals)
{
    put_user(make_user(0, "admin", kSecretMd5, 0));
    put_user(make_user(4, "viewer", kSecretMd5, 3));
    emu();
    EXPECT_EQ(login("viewer", kSecretMd5).body(), "{ \"type\": -2 }");
    EXPECT_EQ(login("ghost", kSecretMd5).body(), "{ \"type\": -1 }");
    EXPECT_EQ(login("admin", "00000000000000000000000000000000").body(), "{ \"type\": -1 }");
    // An unknown account with an empty digest must not match the empty record.
    EXPECT_EQ(login("ghost", "").body(), "{ \"type\": -1 }");
    EXPECT_EQ(login("", "").body(), "{ \"type\": -1 }");
    auto bad = post("/1000", "userName=admin&md5=x");
    EXPECT_EQ(bad.out, "");
    EXPECT_TRUE(emu().received(3485).empty());
}

TEST_F(UserTest, LogoutAndPermissionFlag)
{
    emu();
    env.push_back({"HTTP_COOKIE", "lang=en; userName=oper; sessionId=5"});
    EXPECT_EQ(post("/1014", "").out, "Content-type: text/plain\r\n\r\nOK");
    auto logs = emu().received(3485);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].i64_at(8), 202);
    EXPECT_EQ(logs[0].u32_at(24), 900u);
    EXPECT_EQ(logs[0].text_at(82, 64), "oper");

    ASSERT_EQ(store({"set", "permission_update", "1"}).status, 0);
    EXPECT_EQ(post("/1024", "").body(), "OK");
    EXPECT_EQ(store({"get", "permission_update"}).out, "0\n");
}

TEST_F(UserTest, PageCheckSetsCookiesForTheHostWithoutPort)
{
    emu().rule("3504 reply 8504 hex:00000000");
    env.push_back({"HTTP_HOST", "recorder:8080"});
    auto r = post("/1018", "/html/live.html");
    std::regex cookie(
        "Set-Cookie: (\\w+)=([\\w-]+); domain=recorder; expires=(Sun|Mon|Tue|Wed|Thu|Fri|Sat), "
        "\\d\\d-(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)-\\d{4} \\d\\d:\\d\\d:\\d\\d GMT; path=/\r\n");
    std::string out = r.out;
    std::vector<std::string> names;
    std::smatch m;
    while (std::regex_search(out, m, cookie) && m.position(0) == 0) {
        names.push_back(m[1].str() + "=" + m[2].str());
        out = m.suffix();
    }
    EXPECT_EQ(names, (std::vector<std::string>{"userName=temp", "userType=2", "permission=0", "sessionId=0",
                                               "language=en-US"}))
        << r.out;
    EXPECT_EQ(out, "Location: ../../html/index.html\r\n\r\n");

    auto sent = emu().received(3504);
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].payload.size(), 256u);
    EXPECT_EQ(sent[0].text_at(0, 256), "/html/live.html");
    EXPECT_EQ(sent[0].flags & 1, 1u);
}

TEST_F(UserTest, PageCheckRedirectsHomeOrFails)
{
    emu().rule("3504 reply 8504 hex:01000000");
    EXPECT_EQ(post("/1018", "x").out, "Location: ../../html/home.html\r\n\r\n");
}

TEST_F(UserTest, PageCheckWithoutReplyIsCgiError)
{
    emu().rule("3504 close");
    EXPECT_EQ(post("/1018", "x").out, "Content-type: text/plain\r\n\r\nCGI ERROR");
}

TEST_F(UserTest, PageCheckWithShortReplyIsCgiError)
{
    // A reply too short to hold the verdict is no reply.
    emu().rule("3504 reply 8504 hex:0100");
    emu().rule("3504 close");
    EXPECT_EQ(post("/1018", "x").out, "Content-type: text/plain\r\n\r\nCGI ERROR");
}

TEST_F(UserTest, AddListEditDelete)
{
    put_user(make_user(0, "admin", kSecretMd5, 0));
    emu();
    std::string ones(64, '1');
    auto r = post("/6071", "{\"name\":\"alice\",\"password\":\"" + std::string(kSecretMd5) +
                               "\",\"type\":1,\"permission\":-1,\"remotePermission\":3,\"localliveview\":\"" + ones +
                               "\",\"remoteliveview\":\"" + std::string(32, '0') + "1111\",\"localEvent\":1}");
    EXPECT_EQ(r.out, "Content-type: text/plain\r\n\r\nid=1");
    UserRecord alice = stored_user(1);
    EXPECT_EQ(alice.enable, 1);
    EXPECT_STREQ(alice.name, "alice");
    EXPECT_EQ(alice.channel_words[0], 0xffffffffu);
    EXPECT_EQ(alice.channel_words[2], 0u);  // characters past the 32nd do not count
    EXPECT_EQ(alice.local_rights[4], 1);
    EXPECT_EQ(alice.store_area[33], '0');

    // Same name again: refused, nothing written.
    EXPECT_EQ(post("/6071", "{\"name\":\"alice\",\"type\":1,\"permission\":0,\"remotePermission\":0}").body(),
              "SAMEUSER");
    // Validation failures and non-JSON: no output.
    EXPECT_EQ(post("/6071", "{\"name\":\"bob\",\"type\":4,\"permission\":0,\"remotePermission\":0}").out, "");
    EXPECT_EQ(post("/6071", "{\"name\":\"bob\",\"type\":1,\"permission\":-2,\"remotePermission\":0}").out, "");
    EXPECT_EQ(post("/6071", "{\"name\":\"bob\",\"type\":1,\"permission\":0}").out, "");
    EXPECT_EQ(post("/6071", "not json").out, "");

    auto added = emu().received();
    ASSERT_EQ(added.size(), 2u);
    EXPECT_EQ(added[0].code, 3505u);
    EXPECT_TRUE(added[0].payload.empty());
    EXPECT_EQ(added[1].code, 3485u);
    EXPECT_EQ(added[1].i64_at(8), 204);
    EXPECT_EQ(added[1].u32_at(24), 921u);

    // Rename to its own name succeeds; to another account's name does not.
    EXPECT_EQ(post("/6072", "{\"id\":1,\"name\":\"alice\",\"localliveview\":\"01\"}").body(), "OK");
    EXPECT_EQ(stored_user(1).channel_words[0], 2u);
    EXPECT_EQ(stored_user(1).permission, -1);
    EXPECT_EQ(post("/6072", "{\"id\":1,\"name\":\"admin\"}").body(), "SAMEUSER");
    EXPECT_STREQ(stored_user(1).name, "alice");
    auto edits = emu().received(3505);
    ASSERT_EQ(edits.size(), 2u);
    EXPECT_EQ(to_hex(edits[1].payload.data(), edits[1].payload.size()), "01000000");

    auto list = post("/6070", "");
    EXPECT_EQ(list.header(), "Content-type: application/json");
    EXPECT_NE(list.body().find("{ \"id\": 1, \"enable\": 1, \"name\": \"alice\", \"password\": \""), std::string::npos);
    EXPECT_NE(list.body().find("\"remotePermission\": 3, \"remoteLiveView\""), std::string::npos);

    EXPECT_EQ(post("/6073", "{\"id\":1,\"type\":1}").body(), "OK");
    UserRecord gone = stored_user(1);
    EXPECT_EQ(gone.enable, 0);
    EXPECT_EQ(gone.id, 1);
    EXPECT_EQ(gone.name[0], 0);
    auto after = post("/6070", "").body();
    EXPECT_EQ(after.find("alice"), std::string::npos);
    EXPECT_NE(after.find("\"admin\""), std::string::npos);
    auto logs = emu().received(3485);
    ASSERT_FALSE(logs.empty());
    EXPECT_EQ(logs.back().u32_at(24), 922u);
}

TEST_F(UserTest, DeleteOutOfRangeWritesNothing)
{
    emu();
    EXPECT_EQ(post("/6073", "{\"id\":100,\"type\":1}").out, "");
    EXPECT_EQ(post("/6073", "{\"id\":-1,\"type\":1}").out, "");
    EXPECT_EQ(post("/6073", "{\"id\":3,\"type\":9}").out, "");
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(store({"dump", "user"}).out, "");
}

TEST_F(UserTest, HundredAccountsAreFull)
{
    for (int id = 0; id < kMaxUsers; id++) put_user(make_user(id, ("u" + std::to_string(id)).c_str(), kSecretMd5, 1));
    emu();
    EXPECT_EQ(post("/6071", "garbage").body(), "FAILED_FULL");
    EXPECT_TRUE(emu().received().empty());
    // A gap in the ids is reused by the next add.
    EXPECT_EQ(post("/6073", "{\"id\":42,\"type\":1}").body(), "OK");
    EXPECT_EQ(post("/6071", "{\"name\":\"new\",\"type\":1,\"permission\":0,\"remotePermission\":0}").body(), "id=42");
}

TEST_F(UserTest, OemListOnlyWhenItsDatabaseExists)
{
    EXPECT_EQ(post("/6074", "").out, "");
    OemUserRecord o = zeroed<OemUserRecord>();
    o.id = 2;
    o.enable = 1;
    set_text(o.name, "installer");
    set_text(o.password, "x");
    o.type = 1;
    o.permission = 5;
    o.remote_permission = 6;
    ASSERT_EQ(store({"put-row", "user_oem", "2", to_hex(&o, sizeof o), "--db", kOemDb}).status, 0);
    EXPECT_EQ(post("/6074", "").body(),
              "[ { \"id\": 2, \"enable\": 1, \"name\": \"installer\", \"password\": \"x\", \"type\": 1, "
              "\"permission\": 5, \"remotePermission\": 6 } ]");
}

TEST_F(UserTest, ChangedNoticeHasNoPayload)
{
    emu();
    EXPECT_EQ(post("/6077", "").body(), "OK");
    auto f = emu().received();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].code, 3505u);
    EXPECT_TRUE(f[0].payload.empty());
}

}  // namespace

namespace {

TEST_F(UserTest, FreshStoreLogsInAsAdminWithTheFactoryPassword)
{
    ASSERT_EQ(store({"init", "--admin-password", "secret"}).status, 0);
    auto r = login("admin", kSecretMd5);
    EXPECT_EQ(r.body().rfind("{ \"type\": 0, \"userName\": \"admin\"", 0), 0u) << r.body();
    // The demo daemon lets every page through with a guest cookie.
    emu();
    auto page = post("/1018", "/index");
    EXPECT_NE(page.out.find("Location: ../../html/index.html"), std::string::npos) << page.out;
}

}  // namespace
