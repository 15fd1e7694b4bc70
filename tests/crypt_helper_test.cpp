// The cryptographic helper program and the runner the CGI program uses for
// it: fields on its streams, results that match the library calls done in
// this process, refusals, and a helper that cannot be run.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/kxcrypt.h"
#include "platform/kxcrypt_helper.h"
#include "platform/p2p_client.h"
#include "platform/ssl_cert.h"

namespace {

// The helper is found on PATH, as on the device.
class CryptHelper : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* old = std::getenv("PATH");
        saved_ = old ? old : "";
        setenv("PATH", (std::string(NVR_BUILD_DIR) + "/tools:" + saved_).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", saved_.c_str(), 1); }
    std::string saved_;
};

std::string fields(std::initializer_list<std::string> list)
{
    std::string out;
    for (const std::string& f : list) kxcrypt_put(&out, f);
    return out;
}

TEST(CryptFields, RoundTripAndTruncation)
{
    std::string bytes("a\nb\0c", 5);
    std::string in = fields({"", bytes, std::string(70000, 'x')});
    size_t at = 0;
    std::string f;
    ASSERT_TRUE(kxcrypt_take(in, &at, &f));
    EXPECT_EQ(f, "");
    ASSERT_TRUE(kxcrypt_take(in, &at, &f));
    EXPECT_EQ(f, bytes);
    ASSERT_TRUE(kxcrypt_take(in, &at, &f));
    EXPECT_EQ(f.size(), 70000u);
    EXPECT_FALSE(kxcrypt_take(in, &at, &f)) << "nothing left";
    for (const char* bad : {"5\nabc", "x\nabc", "\nabc", "3abc", "99999999999999\n", "-1\n"}) {
        at = 0;
        EXPECT_FALSE(kxcrypt_take(bad, &at, &f)) << bad;
        EXPECT_EQ(at, 0u);
    }
}

TEST_F(CryptHelper, AesAndBase64MatchTheLibrary)
{
    const char key[] = "0123456789abcdef0123456789ABCDEF-ignored";
    const unsigned char iv[kAesWebIvSize] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};
    for (size_t len : {size_t(0), size_t(1), size_t(16), size_t(100000)}) {
        std::string plain(len, '\0');
        for (size_t i = 0; i < len; i++) plain[i] = char(i * 7);
        std::string cipher;
        ASSERT_EQ(kxcrypt_helper_run({"aes-encrypt"},
                                     fields({std::string(key, 32), std::string(reinterpret_cast<const char*>(iv), 16),
                                             plain}),
                                     &cipher),
                  0);
        std::string back(cipher.size(), '\0');
        int n = aesDecryWeb(reinterpret_cast<const unsigned char*>(cipher.data()), key,
                            reinterpret_cast<unsigned char*>(&back[0]), int(cipher.size()));
        ASSERT_EQ(n, int(len));
        back.resize(size_t(n));
        EXPECT_EQ(back, plain);
        std::string out;
        EXPECT_EQ(kxcrypt_helper_run({"aes-decrypt"}, fields({std::string(key, 32), cipher}), &out), 0);
        EXPECT_EQ(out, plain);
        // The wrong key is refused (bad padding), with no output.
        EXPECT_EQ(kxcrypt_helper_run({"aes-decrypt"}, fields({"another key", cipher}), &out), 1);
        EXPECT_EQ(out, "");
    }
    std::string out;
    EXPECT_EQ(kxcrypt_helper_run({"base64-decode"}, "aGVs\nbG8g\r\nd29y bGQ=\n", &out), 0);
    EXPECT_EQ(out, "hello world");
    EXPECT_EQ(kxcrypt_helper_run({"base64-decode"}, "not base64 at all!", &out), 1);
}

TEST_F(CryptHelper, CertificateResultsCarryTheirDetails)
{
    std::string key;
    ASSERT_EQ(kxcrypt_helper_run({"key"}, "", &key), 0);
    ASSERT_NE(key.find("PRIVATE KEY"), std::string::npos);
    const std::string subject = fields({"DE", "", "", "Shop", "", "192.0.2.1", "a@b.example"});
    std::string out;
    ASSERT_EQ(kxcrypt_helper_run({"self-signed", "1700000000", "1700086400"}, fields({key}) + subject, &out), 0);
    size_t at = 0;
    std::string cert, country, cn, email, dates;
    ASSERT_TRUE(kxcrypt_take(out, &at, &cert) && kxcrypt_take(out, &at, &country) && kxcrypt_take(out, &at, &cn) &&
                kxcrypt_take(out, &at, &email) && kxcrypt_take(out, &at, &dates));
    EXPECT_EQ(country, "DE");
    EXPECT_EQ(cn, "192.0.2.1");
    EXPECT_EQ(email, "a@b.example");
    EXPECT_EQ(dates, "2023-11-14 22:13:20 - 2023-11-15 22:13:20");
    // The pair checks in process; the helper answers the check as its exit status.
    std::string pem;
    SslCertInfo info;
    EXPECT_EQ(ssl_check_pair(cert + key, "", &pem, &info), kSslPairOk);
    EXPECT_EQ(kxcrypt_helper_run({"check-pair"}, fields({cert + key, ""}), &out), int(kSslPairOk));
    EXPECT_EQ(kxcrypt_helper_run({"check-pair"}, fields({cert, ""}), &out), int(kSslNoKey));
    std::string other;
    ASSERT_TRUE(ssl_make_key(&other));
    EXPECT_EQ(kxcrypt_helper_run({"check-pair"}, fields({cert, other}), &out), int(kSslKeyMismatch));
    EXPECT_EQ(kxcrypt_helper_run({"check-pair"}, fields({"junk", key}), &out), int(kSslNoCertificate));
    // Subjects a certificate cannot carry, and times out of order.
    EXPECT_EQ(kxcrypt_helper_run({"subject-valid"}, subject, nullptr), 0);
    EXPECT_EQ(kxcrypt_helper_run({"subject-valid"}, fields({"DEU", "", "", "", "", "x", ""}), nullptr), 1);
    EXPECT_EQ(kxcrypt_helper_run({"subject-valid"}, fields({"DE", "", "", "", "", "", ""}), nullptr), 1);
    EXPECT_EQ(kxcrypt_helper_run({"self-signed", "1700086400", "1700000000"}, fields({key}) + subject, &out), 1);
}

TEST_F(CryptHelper, MessagesOnAHandedOverSocketReachTheLibrarysPeer)
{
    char dir[] = "/tmp/nvr-crypt-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string client_key = std::string(dir) + "/client.pem", server_key = std::string(dir) + "/server.pem";
    ASSERT_EQ(kxcrypt_helper_run({"p2p-keyfile", client_key}, "", nullptr), 0);
    ASSERT_EQ(p2p_create_keyfile(server_key.c_str()), 0);
    int sv[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    P2pSocket* server = socket_adopt(sv[1]);
    // The server's half of the exchange needs the client's key first, so it
    // runs in a child while the helper does the client's half.
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        char buf[4096], work[4096];
        if (p2p_srv_switch_keyfile(server, server_key.c_str()) != 0) _exit(1);
        int n = p2p_recv(server, buf, sizeof buf);
        if (n != 300 || std::string(buf, 300) != std::string(300, 'q')) _exit(2);
        _exit(p2p_send(server, "answer", 6, work, sizeof work) == 6 ? 0 : 3);
    }
    std::string peer;
    ASSERT_EQ(kxcrypt_helper_run({"p2p-switch", "client", client_key}, "", &peer, sv[0]), 0);
    EXPECT_GT(peer.size(), 256u);
    std::string sent;
    ASSERT_EQ(kxcrypt_helper_run({"p2p-send"}, fields({peer, std::string(300, 'q')}), &sent, sv[0]), 0);
    EXPECT_EQ(int(sent.size()), rsa_cal_ensize(300));
    std::string got;
    EXPECT_EQ(kxcrypt_helper_run({"p2p-recv", client_key, "1024"}, "", &got, sv[0]), 0);
    EXPECT_EQ(got, "answer");
    int status = -1;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    // A peer key that is no RSA key is refused before anything is sent.
    EXPECT_EQ(kxcrypt_helper_run({"p2p-send"}, fields({"junk", "x"}), &sent, sv[0]), 1);
    socket_destroy(server);
    close(sv[0]);
    unlink(client_key.c_str());
    unlink(server_key.c_str());
    rmdir(dir);
}

TEST_F(CryptHelper, MalformedCallsAndAMissingHelper)
{
    std::string out = "stale";
    EXPECT_EQ(kxcrypt_helper_run({}, "", &out), 2);
    EXPECT_EQ(out, "");
    EXPECT_EQ(kxcrypt_helper_run({"no-such-command"}, "", &out), 2);
    EXPECT_EQ(kxcrypt_helper_run({"self-signed", "soon", "later"}, fields({"k"}) + fields({"", "", "", "", "", "x", ""}),
                                 &out),
              2);
    EXPECT_EQ(kxcrypt_helper_run({"aes-decrypt"}, "3\nab", &out), 2) << "a field cut short";
    setenv("PATH", "/nonexistent", 1);
    EXPECT_EQ(kxcrypt_helper_run({"key"}, "", &out), -1);
}

}  // namespace
