// HTTPS certificate end to end: a self-signed certificate or a request is
// made here with its key (mode 0600) and announced to the core daemon; an
// upload replaces the installed certificate only when its key matches; a
// path that is not an upload is never read, run or moved; deletion and the
// switch keep the store and the files in step.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <string>

#include "handlers/network/https_records.h"
#include "platform/ssl_cert.h"
#include "tests/fixtures.h"

namespace {

const char* kError = "Content-type: text/plain\r\n\r\nError";
const char kBoundary[] = "----certB0undary7";

CgiRequest upload(const std::string& file_name_attr, const std::string& bytes)
{
    std::string body = std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=" +
                       file_name_attr + "\r\nContent-Type: application/octet-stream\r\n\r\n" + bytes + "\r\n--" +
                       kBoundary + "--\r\n";
    return multipart_request("/7084", kBoundary, body);
}

// A key and a self-signed certificate of it for `cn`.
struct Pair {
    std::string key, cert;
};
Pair make_pair_for(const std::string& cn, const std::string& key = "")
{
    Pair p;
    p.key = key;
    if (p.key.empty()) {
        EXPECT_TRUE(ssl_make_key(&p.key));
    }
    SslSubject s;
    s.country = "DE";
    s.common_name = cn;
    SslCertInfo info;
    time_t now = std::time(nullptr);
    EXPECT_TRUE(ssl_make_self_signed(p.key, s, now, now + 86400, &p.cert, &info));
    return p;
}

unsigned mode_of(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? unsigned(st.st_mode & 07777) : 0u;
}

class HttpsCertTest : public NvrTest {
protected:
    void SetUp() override
    {
        emu();
        fake_tool("kxprofile");
    }
    std::string key(const char* k) { return store({"get", k}).out; }
    SslParams params(int kind)
    {
        SslParams p;
        stored("ssl_params", kind, &p);
        return p;
    }
    // The installed certificate's common name ("" when none or unreadable).
    std::string installed_cn()
    {
        if (!root().exists(kSslCert)) return "";
        std::string pem, out;
        SslCertInfo info;
        pem = root().read_file(kSslCert);
        return ssl_check_pair(pem, "", &out, &info) == kSslPairOk ? info.common_name : "";
    }
};

TEST_F(HttpsCertTest, SelfSignedCertificateIsMadeWithAPrivateKeyFileAndAnnounced)
{
    auto r = post("/7080",
                  R"({"InstallType":0,"Country":"USA","CommonName":"nvr.shop.example","Validity":365,)"
                  R"("Password":"pa$$word","Province":"Ohio","Region":"Dayton","Organization":"Shop",)"
                  R"("Company":"Security","Email":"admin@shop.example"})");
    EXPECT_EQ(r.out, kOk);

    // The certificate file holds the certificate and its key, readable by its owner only.
    EXPECT_EQ(installed_cn(), "nvr.shop.example");
    EXPECT_EQ(mode_of(root().at(kSslCert)), 0600u);
    EXPECT_EQ(root().read_file("/mnt/nand/ssl/demoCA/serial"), "01\n");
    EXPECT_TRUE(root().exists("/mnt/nand/ssl/demoCA/index.txt"));
    EXPECT_TRUE(root().exists("/mnt/nand/ssl/demoCA/newcerts"));

    auto f = emu().received(kMsgSslCreate);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].flags & 1, 1u);
    ASSERT_EQ(f[0].payload.size(), 892u);
    EXPECT_EQ(f[0].u32_at(0), 0u);
    EXPECT_EQ(f[0].text_at(4, 3), "US");  // three letters: the first two go
    EXPECT_EQ(f[0].text_at(7, 64), "nvr.shop.example");
    EXPECT_EQ(f[0].u32_at(72), 365u);
    EXPECT_EQ(f[0].text_at(76, 16), "pa$$word");
    EXPECT_EQ(f[0].text_at(92, 64), "Ohio");
    EXPECT_EQ(f[0].text_at(156, 64), "Dayton");
    EXPECT_EQ(f[0].text_at(220, 64), "Shop");
    EXPECT_EQ(f[0].text_at(284, 64), "Security");
    EXPECT_EQ(f[0].text_at(348, 64), "admin@shop.example");
    for (size_t i = 412; i < 892; i++) ASSERT_EQ(f[0].payload[i], 0) << i;

    // The details shown are the certificate's; the pass phrase is not stored.
    SslParams p = params(kSslParamsCert);
    EXPECT_EQ(std::string(text_of(p.password).s), "");
    std::string dates = text_of(p.dates).s;
    EXPECT_EQ(dates.size(), 41u) << dates;
    auto state = post("/7081", "");
    EXPECT_EQ(state.body(), "{ \"enable\": 0, \"checkfile\": \"OK\", \"country\": \"US\", \"common_name\": "
                            "\"nvr.shop.example\", \"email\": \"admin@shop.example\", \"dates\": \"" +
                                dates + "\" }");
}

TEST_F(HttpsCertTest, RequestIsMadeDownloadedAndItsSignedCertificateInstalled)
{
    auto r = post("/7080", R"({"InstallType":1,"Country":"FR","CommonName":"192.0.2.7","Validity":30,)"
                           R"("startTime":"2024-01-01","endTime":"2025-01-01","Email":"it@shop.example"})");
    EXPECT_EQ(r.out, kOk);
    auto f = emu().received(kMsgSslCreate);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].u32_at(0), 1u);
    EXPECT_EQ(f[0].u32_at(72), 0u);  // validity and times belong to self-signed certificates
    EXPECT_EQ(f[0].text_at(860, 16), "");
    EXPECT_EQ(f[0].text_at(876, 16), "");
    EXPECT_FALSE(root().exists(kSslCert));
    EXPECT_EQ(mode_of(root().at(kSslRequestKey)), 0600u);

    EXPECT_EQ(post("/7089", "").body(),
              "{ \"checkfile\": \"OK\", \"country_req\": \"FR\", \"common_name_req\": \"192.0.2.7\", \"email_req\": "
              "\"it@shop.example\" }");
    std::string csr = root().read_file(kSslRequest);
    EXPECT_NE(csr.find("-----BEGIN CERTIFICATE REQUEST-----"), std::string::npos);
    auto down = post("/7082", "");
    EXPECT_EQ(down.out, "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= "
                        "ssl_cert.csr\r\n\r\n" + csr);

    // The signed certificate comes back without a key: the request's key is its own.
    Pair signed_cert = make_pair_for("192.0.2.7", root().read_file(kSslRequestKey));
    auto in = run(upload("\"signed.crt\"", signed_cert.cert));
    EXPECT_EQ(in.out, kOk);
    EXPECT_EQ(installed_cn(), "192.0.2.7");
    EXPECT_EQ(mode_of(root().at(kSslCert)), 0600u);
    EXPECT_FALSE(root().exists("/tmp/signed.crt"));
    EXPECT_EQ(tool_calls("kxprofile"), std::vector<std::string>{"-i " + root().at("/tmp/signed.crt")});
    ASSERT_EQ(emu().received(kMsgSslInstall).size(), 1u);
    EXPECT_EQ(emu().received(kMsgSslInstall)[0].flags & 1, 1u);
    EXPECT_EQ(std::string(text_of(params(kSslParamsCert).common_name).s), "192.0.2.7");

    // The core daemon refuses it: "Error".
    emu().rule("3318 reply 8318 hex:00000000");
    EXPECT_EQ(run(upload("\"again.crt\"", signed_cert.cert)).out, kError);
}

TEST_F(HttpsCertTest, SubjectsAndValiditiesACertificateCannotCarryChangeNothing)
{
    for (const char* body : {
             R"({"InstallType":0,"Country":"U","CommonName":"a","Validity":10})",
             R"({"InstallType":0,"Country":"1A","CommonName":"a","Validity":10})",
             R"({"InstallType":0,"Country":"US","CommonName":"","Validity":10})",
             R"({"InstallType":0,"Country":"US","CommonName":"a","Validity":0})",
             R"({"InstallType":0,"Country":"US","CommonName":"a","startTime":"2025-01-01","endTime":"2024-01-01"})",
             R"({"InstallType":2,"Country":"US"})",
         })
        EXPECT_EQ(post("/7080", body).out, kError) << body;
    EXPECT_EQ(post("/7080", "not json").out, "Content-type: text/plain\r\n\r\nCGI ERROR");
    EXPECT_TRUE(emu().received().empty());
    EXPECT_FALSE(root().exists(kSslCert));
    EXPECT_FALSE(root().exists(kSslRequest));
    EXPECT_FALSE(root().exists(kSslCaDir));
    EXPECT_EQ(post("/7082", "").out, "Content-type: text/plain\r\n\r\nNotFile");
    EXPECT_EQ(post("/7089", "").body(), "{ \"checkfile\": \"NOFILE\" }");
}

TEST_F(HttpsCertTest, UploadWithoutItsKeyOrNotACertificateKeepsTheInstalledOne)
{
    Pair installed = make_pair_for("installed.example");
    root().write_file(kSslCert, installed.cert + installed.key);
    Pair other = make_pair_for("other.example");
    std::string wrong_key = make_pair_for("x", "").key;

    for (const std::string& bytes : {other.cert + wrong_key, other.cert, std::string("not a certificate"),
                                     installed.key}) {
        EXPECT_EQ(run(upload("\"cert.pem\"", bytes)).out, kError);
        EXPECT_FALSE(root().exists("/tmp/cert.pem")) << "a refused upload is removed";
    }
    EXPECT_EQ(root().read_file(kSslCert), installed.cert + installed.key);
    EXPECT_FALSE(root().exists(kSslCertSave));
    EXPECT_TRUE(tool_calls("kxprofile").empty());
    EXPECT_TRUE(emu().received().empty());

    // Certificate and key in one upload: the old one becomes the backup.
    EXPECT_EQ(run(upload("\"both.pem\"", other.key + other.cert)).out, kOk);
    EXPECT_EQ(installed_cn(), "other.example");
    EXPECT_EQ(root().read_file(kSslCertSave), installed.cert + installed.key);
    EXPECT_EQ(mode_of(root().at(kSslCertSave)), 0600u);
}

TEST_F(HttpsCertTest, InstallNeverRunsOrTouchesAnythingButTheUpload)
{
    Pair p = make_pair_for("nvr.example");
    // A file name with shell metacharacters reaches the tool as one argument.
    auto r = run(upload("\"a;touch pwned;$(touch pwned2).pem\"", p.cert + p.key));
    EXPECT_EQ(r.out, kOk);
    EXPECT_EQ(tool_calls("kxprofile"),
              std::vector<std::string>{"-i " + root().at("/tmp/a;touch pwned;$(touch pwned2).pem")});
    EXPECT_TRUE(root().list_dir("/tmp").empty() || !root().exists("/tmp/pwned"));
    EXPECT_FALSE(root().exists("/tmp/pwned2"));

    // Request texts that are not an upload of this request: nothing is read,
    // run, moved or removed.
    root().write_file("/mnt/nand/app/secret.pem", p.cert + p.key);
    root().write_file("/tmp/sub/c.pem", p.cert + p.key);
    std::string installed = root().read_file(kSslCert);
    for (const std::string& text :
         {root().at("/mnt/nand/app/secret.pem"), root().at("/tmp/../mnt/nand/app/secret.pem"),
          root().at("/tmp/sub/c.pem"), root().at("/tmp/x.pem; touch " + root().at("/pwned")), std::string("c.pem"),
          root().at("/tmp/")}) {
        EXPECT_EQ(post("/7084", text).out, kError) << text;
    }
    EXPECT_TRUE(root().exists("/mnt/nand/app/secret.pem"));
    EXPECT_TRUE(root().exists("/tmp/sub/c.pem"));
    EXPECT_FALSE(root().exists("/pwned"));
    EXPECT_EQ(tool_calls("kxprofile").size(), 1u);
    EXPECT_EQ(root().read_file(kSslCert), installed);
    EXPECT_EQ(emu().received(kMsgSslInstall).size(), 1u);
}

TEST_F(HttpsCertTest, SwitchAndDeleteKeepStoreAndFilesInStep)
{
    // No certificate: switching on is refused, switching off always works.
    EXPECT_EQ(post("/7086", R"({"httpsenable":1})").out, "Content-type: text/plain\r\n\r\nNOFILE");
    EXPECT_EQ(key(kKeyHttpsEnable), "");
    EXPECT_EQ(post("/7086", R"({"httpsenable":0})").out, kOk);
    EXPECT_EQ(key(kKeyHttpsEnable), "0\n");

    Pair p = make_pair_for("nvr.example");
    root().write_file(kSslCert, p.cert + p.key);
    root().write_file(kSslRequest, "pending request");
    root().write_file("/mnt/nand/ssl/ssl_cert.csr", "stray request");
    EXPECT_EQ(post("/7086", R"({"httpsenable":5})").out, kOk);
    EXPECT_EQ(key(kKeyHttpsEnable), "1\n");
    EXPECT_EQ(post("/7087", "").body(), "{ \"enable\": 1 }");
    auto sw = emu().received(kMsgHttpsSwitch);
    ASSERT_EQ(sw.size(), 2u);
    EXPECT_EQ(to_hex(sw[1].payload.data(), sw[1].payload.size()), "01000000");
    EXPECT_EQ(sw[1].flags & 1, 0u);

    EXPECT_EQ(post("/7085", "").out, kOk);
    EXPECT_FALSE(root().exists(kSslCert));
    EXPECT_FALSE(root().exists("/mnt/nand/ssl/ssl_cert.csr"));
    EXPECT_EQ(root().read_file(kSslRequest), "pending request");
    EXPECT_EQ(key(kKeyHttpsEnable), "0\n");
    SslParams cleared = params(kSslParamsCert);
    EXPECT_EQ(std::string(text_of(cleared.country).s), " ");
    EXPECT_EQ(std::string(text_of(cleared.common_name).s), " ");
    EXPECT_EQ(std::string(text_of(cleared.email).s), " ");
    EXPECT_EQ(std::string(text_of(cleared.dates).s), " ");
    auto del = emu().received(kMsgSslDelete);
    ASSERT_EQ(del.size(), 1u);
    EXPECT_TRUE(del[0].payload.empty());
    sw = emu().received(kMsgHttpsSwitch);
    ASSERT_EQ(sw.size(), 3u);
    EXPECT_EQ(to_hex(sw[2].payload.data(), sw[2].payload.size()), "00000000");

    // A switch left on without a certificate is corrected when read.
    EXPECT_EQ(store({"set", kKeyHttpsEnable, "1"}).status, 0);
    EXPECT_EQ(post("/7081", "").body(), "{ \"enable\": 0, \"checkfile\": \"NOFILE\" }");
    EXPECT_EQ(key(kKeyHttpsEnable), "0\n");

    EXPECT_EQ(post("/7083", "").out, kOk);
    ASSERT_EQ(emu().received(kMsgSslReload).size(), 1u);
    EXPECT_EQ(emu().received(kMsgSslReload)[0].flags & 1, 0u);
}

TEST_F(HttpsCertTest, NoDaemonAnswerAndEmptyBodies)
{
    emu().rule("3316 close");
    EXPECT_EQ(post("/7080", R"({"InstallType":1,"Country":"US","CommonName":"a"})").out,
              "Content-type: text/plain\r\n\r\nCGI ERROR");
    expect_empty_bodies_handled({"/7080", "/7081", "/7082", "/7083", "/7084", "/7085", "/7086", "/7087", "/7089"});
}

}  // namespace
