// P2P cloud service end to end: the registration's encrypted exchange with
// a P2P server played by the test (through the same client library), its
// result codes, and the switch, state and address checks through the core
// daemon.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "handlers/network/p2p_records.h"
#include "platform/p2p_client.h"
#include "tests/fixtures.h"

namespace {

std::string text_reply(const std::string& s) { return "Content-type: text/plain\r\n\r\n" + s; }

// A P2P server for one connection on 127.0.0.1: it exchanges keys, reads the
// header and the request, then answers as told.
class FakeP2pServer {
public:
    enum Mode { kAnswer, kCloseAfterKeys, kBadKey };
    FakeP2pServer(const std::string& key_path, Mode mode, i32 status, const std::string& text)
    {
        listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a;
        std::memset(&a, 0, sizeof a);
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        EXPECT_EQ(bind(listen_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        EXPECT_EQ(listen(listen_fd_, 1), 0);
        getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        EXPECT_EQ(p2p_create_keyfile(key_path.c_str()), 0);
        thread_ = std::thread([=] { serve(key_path, mode, status, text); });
    }
    ~FakeP2pServer()
    {
        shutdown(listen_fd_, SHUT_RDWR);
        thread_.join();
        close(listen_fd_);
    }
    int port() const { return port_; }
    // What the server received (after the CGI program has ended).
    P2pRegHeader header{};
    P2pRegRequest request{};
    int header_len = -1, request_len = -1;

private:
    void serve(const std::string& key_path, Mode mode, i32 status, const std::string& text)
    {
        int fd = accept(listen_fd_, nullptr, nullptr);
        if (fd < 0) return;
        if (mode == kBadKey) {
            const char junk[] = "\0\0\0\4junk";
            recv(fd, buf_, sizeof buf_, 0);
            send(fd, junk, 8, MSG_NOSIGNAL);
            close(fd);
            return;
        }
        P2pSocket* s = socket_adopt(fd);
        if (p2p_srv_switch_keyfile(s, key_path.c_str()) == 0 && mode == kAnswer) {
            header_len = p2p_recv(s, buf_, rsa_cal_ensize(40));
            if (header_len == 40) std::memcpy(&header, buf_, 40);
            request_len = p2p_recv(s, buf_, sizeof buf_);
            if (request_len == int(sizeof request)) std::memcpy(&request, buf_, sizeof request);
            P2pRegHeader answer = zeroed<P2pRegHeader>();
            answer.kind = 2;
            answer.status = status;
            answer.version = 1;
            char work[2048];
            p2p_send(s, &answer, 40, work, sizeof work);
            if (!text.empty()) p2p_send(s, text.data(), int(text.size()), work, sizeof work);
        }
        socket_destroy(s);
    }
    int listen_fd_ = -1;
    int port_ = 0;
    std::thread thread_;
    char buf_[4096];
};

class P2pTest : public DaemonTest {
protected:
    void use_server(int port) { ASSERT_EQ(store({"set", kKeyP2pServer, "127.0.0.1:" + std::to_string(port)}).status, 0); }
    std::string server_key() { return root().at("/p2p_server_key.pem"); }
    // Replaces the emulator's rules by one line (it reads its rules file
    // again when the text changes).
    void only_rule(const std::string& line) { root().write_file("/emu/rules.txt", line + "\n"); }
    P2pInfoRow info_row()
    {
        P2pInfoRow row = zeroed<P2pInfoRow>();
        row.enable = 1;
        std::memset(row.daemon0, 0x5a, sizeof row.daemon0);
        set_text(row.text[0], "uuid-0001");
        set_text(row.text[1], "cloud-token");
        std::memset(row.text[2], 'z', sizeof row.text[2]);  // fills its field
        set_text(row.tag, "tag64");
        return row;
    }
};

TEST_F(P2pTest, RegistrationSendsTheRequestEncryptedAndForwardsTheServersText)
{
    put_row("p2p_info", 0, info_row());
    std::string answer(200, 'k');
    std::memcpy(&answer[0], "device-secret-42", 16);
    FakeP2pServer server(server_key(), FakeP2pServer::kAnswer, kP2pRegAccepted, answer);
    use_server(server.port());

    auto r = post("/7062", R"({"sn":"SN-0042-)" + std::string(80, 's') +
                               R"(","deviceName":"Front desk recorder with a long name"})");
    EXPECT_EQ(r.out, text_reply("0"));

    EXPECT_EQ(server.header_len, 40);
    EXPECT_EQ(server.header.kind, 2);
    EXPECT_EQ(server.header.size, rsa_cal_ensize(568));
    EXPECT_EQ(server.header.status, 0);
    EXPECT_EQ(server.header.version, 1);
    ASSERT_EQ(server.request_len, 568);
    const P2pRegRequest& q = server.request;
    EXPECT_EQ(std::string(text_of(q.sn).s), "SN-0042-" + std::string(55, 's'));
    EXPECT_EQ(std::string(text_of(q.device_name).s), "Front desk recorder with a long");
    EXPECT_EQ(std::string(text_of(q.text[0]).s), "uuid-0001");
    EXPECT_EQ(std::string(text_of(q.text[1]).s), "cloud-token");
    EXPECT_EQ(std::string(text_of(q.text[2]).s), std::string(127, 'z'));
    EXPECT_EQ(std::string(text_of(q.tag).s), "tag64");

    // The first 128 bytes of the server's text, without waiting.
    auto f = emu().received(kMsgP2pEnable);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].flags & 1, 0u);
    EXPECT_EQ(std::string(f[0].payload.begin(), f[0].payload.end()), answer.substr(0, 128));

    struct stat st;
    ASSERT_EQ(stat(root().at(kP2pKeyFile).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(P2pTest, RegistrationResultCodes)
{
    {
        FakeP2pServer server(server_key(), FakeP2pServer::kAnswer, kP2pRegRefused, "");
        use_server(server.port());
        EXPECT_EQ(post("/7062", R"({"sn":"1","deviceName":"n"})").out, text_reply("2"));
    }
    {
        FakeP2pServer server(server_key(), FakeP2pServer::kAnswer, 7, "");
        use_server(server.port());
        EXPECT_EQ(post("/7062", R"({"sn":"1","deviceName":"n"})").out, text_reply("0"));
    }
    {
        FakeP2pServer server(server_key(), FakeP2pServer::kCloseAfterKeys, 0, "");
        use_server(server.port());
        EXPECT_EQ(post("/7062", R"({"sn":"1","deviceName":"n"})").out, text_reply("3"));
    }
    {
        FakeP2pServer server(server_key(), FakeP2pServer::kBadKey, 0, "");
        use_server(server.port());
        EXPECT_EQ(post("/7062", R"({"sn":"1","deviceName":"n"})").out, text_reply("4"));
    }
    // Nobody listens: a network failure.
    int port;
    {
        FakeP2pServer gone(server_key(), FakeP2pServer::kCloseAfterKeys, 0, "");
        port = gone.port();
    }
    use_server(port);
    EXPECT_EQ(post("/7062", R"({"sn":"1","deviceName":"n"})").out, text_reply("3"));
    EXPECT_EQ(post("/7062", "not json").out, "");
    EXPECT_TRUE(emu().received(kMsgP2pEnable).empty());
}

TEST_F(P2pTest, SwitchOnAsksTheDaemonAndNamesItsResult)
{
    const std::pair<const char*, const char*> results[] = {
        {"00000000", "ERR_OK"},         {"02000000", "ERR_NOTFOUND"}, {"03000000", "ERR_NETWORK"},
        {"05000000", "ERR_MAC_FORMAT"}, {"06000000", "ERR_AUTH_FAILED"}, {"07000000", "ERR_NO_UUID"},
        {"04000000", "ERR_UNKNOWN"},    {"ffffffff", "ERR_UNKNOWN"},   {"06", "ERR_UNKNOWN"},
    };
    for (auto& r : results) {
        only_rule(std::string("3700 reply 8700 hex:") + r.first);
        EXPECT_EQ(post("/7061", R"({"enableP2P":1})").out, text_reply(r.second)) << r.first;
    }
    auto f = emu().received(kMsgP2pEnable);
    ASSERT_EQ(f.size(), 9u);
    EXPECT_EQ(f[0].flags & 1, 1u);
    P2pInfoRow want = zeroed<P2pInfoRow>();
    want.enable = 1;
    EXPECT_EQ(to_hex(f[0].payload.data(), f[0].payload.size()), to_hex(&want, sizeof want));
    P2pInfoRow none;
    EXPECT_FALSE(stored("p2p_info", 0, &none)) << "switching on stores nothing";
}

TEST_F(P2pTest, SwitchOffStoresTheRowThenAsksTheDaemon)
{
    P2pInfoRow row = info_row();
    put_row("p2p_info", 0, row);
    EXPECT_EQ(post("/7061", R"({"enableP2P":0})").out, text_reply("OK"));
    row.enable = 0;
    P2pInfoRow now;
    ASSERT_TRUE(stored("p2p_info", 0, &now));
    EXPECT_EQ(to_hex(&now, sizeof now), to_hex(&row, sizeof row));
    auto f = emu().received(kMsgP2pDisable);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].flags & 1, 1u);
    EXPECT_EQ(to_hex(f[0].payload.data(), f[0].payload.size()), to_hex(&row, sizeof row));

    only_rule("3701 reply 8701 hex:01000000");
    EXPECT_EQ(post("/7061", "{}").out, text_reply("ERR"));
    only_rule("3701 close");
    EXPECT_EQ(post("/7061", R"({"enableP2P":0})").out, text_reply("CGI ERROR"));
    EXPECT_EQ(post("/7061", "[").out, text_reply("CGI ERROR"));
}

TEST_F(P2pTest, StateAndAddressChecks)
{
    EXPECT_EQ(post("/7060", "").body(),
              "{ \"enable\": 1, \"company\": \"Demo Security Ltd\", \"email\": \"support@demo-security.example\", "
              "\"p2pstatus\": 1, \"cloudAccount\": \"demo@cloud.example\", \"registerCode\": \"RC-7F3A-19C8-DEMO\", "
              "\"dealer\": \"Demo Dealer\", \"model\": \"NVR-16CH\", \"ipc\": \"8\", \"cloudServer\": "
              "\"p2p.cloud.invalid\" }");
    EXPECT_EQ(emu().received(kMsgP2pState)[0].flags & 1, 1u);

    EXPECT_EQ(post("/7070", R"({"ip":"192.168.100.200/24-and-more"})").out, text_reply("0"));
    auto a = emu().received(kMsgAddrCheck);
    ASSERT_EQ(a.size(), 1u);
    EXPECT_EQ(a[0].payload.size(), 20u);
    EXPECT_EQ(a[0].text_at(0, 20), "192.168.100.200/24-");
    EXPECT_EQ(post("/7071", R"({"dev":"eth0-with-long-name","ip":"10.20.30.40:5678"})").out, text_reply("0"));
    auto d = emu().received(kMsgDevAddrCheck);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].payload.size(), 32u);
    EXPECT_EQ(d[0].text_at(0, 16), "eth0-with-long-");
    EXPECT_EQ(d[0].text_at(16, 16), "10.20.30.40:567");

    emu().rule("3005 reply 8005 hex:01000000");
    emu().rule("3006 reply 8006 hex:ffffffff");
    emu().rule("3702 reply 8702 zeros:743");
    EXPECT_EQ(post("/7070", R"({"ip":"1.2.3.4"})").out, text_reply("-1"));
    EXPECT_EQ(post("/7071", R"({"dev":"eth0","ip":"1.2.3.4"})").out, text_reply("-1"));
    EXPECT_EQ(post("/7060", "").out, "Content-type: application/json\r\n\r\n{status:\"CGI ERROR\"}");
    expect_empty_bodies_handled({"/7060", "/7061", "/7062", "/7070", "/7071"});
}

}  // namespace
