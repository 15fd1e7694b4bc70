// Service commands ("/vb.htm"), the customised firmware package ("/oem")
// and the fixed answers, through the CGI program with recording fakes of
// the tools.
#include <openssl/evp.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "handlers/system/service_records.h"
#include "platform/kxcrypt.h"
#include "tests/fixtures.h"

namespace {

const char kChip[] = "KXN123456H99E7654321S11111111111";
const std::string kChipReader =
    std::string("if [ \"$1\" = -r ]; then printf 'kxchip\\nRead old:%s\\n' '") + kChip + "'; fi";

class ServiceCommandTest : public CommandTest {
protected:
    void TearDown() override
    {
        EXPECT_FALSE(root().exists("/fakebin/pwned"));
        CommandTest::TearDown();
    }
    std::string vb(const std::string& text) { return post("/vb.htm", text).out; }
    std::string key(const std::string& k) { return store({"get", k}).out; }
    static std::string plain(const std::string& body) { return "Content-type: text/plain\r\n\r\n" + body; }
};

TEST_F(ServiceCommandTest, CommandsReplyAndStore)
{
    emu();
    EXPECT_EQ(vb("setlang=3"), plain("OK"));
    auto lang = emu().received(kMsgSetLanguage);
    ASSERT_EQ(lang.size(), 1u);
    EXPECT_EQ(lang[0].flags, 0u);
    ASSERT_EQ(lang[0].payload.size(), 4u);
    EXPECT_EQ(lang[0].u32_at(0), 3u);

    EXPECT_EQ(vb("setlang"), plain("PARAM ERROR"));
    EXPECT_EQ(vb(""), plain("PARAM ERROR"));
    EXPECT_EQ(vb("debug"), plain("ERROR"));
    EXPECT_EQ(vb("elvar"), plain("ERROR"));
    EXPECT_EQ(vb("nosuch=1"), plain("ERROR"));
    EXPECT_EQ(vb("setdefault=1"), "");
    EXPECT_EQ(vb("softversion"), plain("7x.7.0.9"));
    EXPECT_EQ(get("/vb.htm", "softversion=1").out, plain("7x.7.0.9"));

    EXPECT_EQ(vb("decode=2"), plain("OK"));
    EXPECT_EQ(key("decode"), "2\n");
    EXPECT_EQ(vb("hotplug=1"), plain("OK"));
    EXPECT_EQ(key("hdmihotplug"), "1\n");

    // A name or value that reaches position 64 of the text is refused whole.
    const std::string long_value(60, '7');
    EXPECT_EQ(vb("decode=" + long_value), plain("PARAM ERROR"));
    EXPECT_EQ(key("decode"), "2\n");
    EXPECT_EQ(vb("decode=" + std::string(56, '5')), plain("OK"));
    EXPECT_EQ(key("decode"), std::string(56, '5') + "\n");
}

TEST_F(ServiceCommandTest, FactoryLookRestoresResourcesAndClearsCustomFiles)
{
    fake_tool("tar");
    ASSERT_EQ(store({"set", "oem_type", "7"}).status, 0);
    root().write_file("/mnt/nand2/logo.jpg_bk", "factory logo");
    root().write_file("/mnt/nand2/gui.rcc_bk", "factory gui");
    root().write_file("/mnt/nand2/logo.jpg", "custom logo");
    root().write_file("/mnt/nand2/oem_upload", "");
    root().write_file("/mnt/nand2/keep/inner.txt", "a directory is not removed");
    root().write_file("/opt/app/bin/logo.jpg", "custom logo");

    EXPECT_EQ(vb("oemclean"), plain("OK"));
    EXPECT_EQ(root().read_file("/opt/app/bin/logo.jpg"), "factory logo");
    EXPECT_EQ(root().read_file("/opt/app/bin/gui.rcc"), "factory gui");
    EXPECT_EQ(root().list_dir("/mnt/nand2"), std::vector<std::string>{"keep"});
    EXPECT_TRUE(root().exists("/mnt/nand2/keep/inner.txt"));
    EXPECT_EQ(tool_calls("tar"), std::vector<std::string>{"-zxf " + root().at("/opt/app/www/web.tar.gz") + " -C " +
                                                          root().at("/opt/app/www/")});
    for (const char* f : {"/mnt/nand/app/eraseip", "/mnt/nand/app/eraseuser", "/mnt/nand/app/eraseall"})
        EXPECT_TRUE(root().exists(f)) << f;
    EXPECT_EQ(key("oem_type"), "0\n");
}

TEST_F(ServiceCommandTest, IdentityChipFieldsAreProgrammed)
{
    fake_tool("kxchip_update", kChipReader);
    EXPECT_EQ(vb("paratest=chipinfo"), plain(std::string("OK chipinfo=") + kChip + "\n"));
    EXPECT_EQ(vb("paratest=other"), plain("Param ERROR"));

    EXPECT_EQ(vb("modelupdate=H1"), plain("OK modelupdate"));
    EXPECT_EQ(vb("modelupdate=N42"), plain("OK modelupdate"));
    EXPECT_EQ(vb("modelupdate=E1234567"), plain("OK modelupdate"));
    EXPECT_EQ(vb("modelupdate=E12345678"), plain("NG modelupdate"));
    EXPECT_EQ(vb("modelupdate=X1"), plain("NG modelupdate"));
    EXPECT_EQ(vb("modelupdate="), plain("NG modelupdate"));

    // 25 characters are padded to 32; characters 1..11 land at 20..30.
    EXPECT_EQ(vb("chipupdate=SABCDEFGHIJKLMNOPQRSTUVWX"), plain("OK chipupdate"));
    EXPECT_EQ(vb("chipupdate=N654321"), plain("OK chipupdate"));
    EXPECT_EQ(vb("chipupdate=H12"), plain("OK chipupdate"));
    EXPECT_EQ(vb("chipupdate=KXN000000H00E0000000S00000000000"), plain("OK chipupdate"));
    EXPECT_EQ(vb("chipupdate=N12"), plain("NG chipupdate"));  // fewer characters than the field
    EXPECT_EQ(vb("chipupdate=Q123"), plain("NG chipupdate"));
    EXPECT_EQ(vb("chipupdate=" + std::string(33, 'S')), plain("NG chipupdate"));

    std::vector<std::string> writes;
    for (const std::string& call : tool_calls("kxchip_update"))
        if (call != "-r 32") writes.push_back(call);
    EXPECT_EQ(writes, (std::vector<std::string>{
                          "KXN123456H10E7654321S11111111111",
                          "KXN420000H99E7654321S11111111111",
                          "KXN123456H99E1234567S11111111111",
                          "KXN123456H99E7654321ABCDEFGHIJK1",
                          "KXN654321H99E7654321S11111111111",
                          "KXN123456129E7654321S11111111111",
                          "KXN000000H00E0000000S00000000000",
                      }));
}

TEST_F(ServiceCommandTest, ChipStandInKeepsWhatWasProgrammed)
{
    EXPECT_EQ(vb("paratest=chipinfo"), plain("OK chipinfo=KXN000001H10E0000001S00000000001\n"));
    EXPECT_EQ(vb("modelupdate=S42"), plain("OK modelupdate"));
    EXPECT_EQ(vb("paratest=chipinfo"), plain("OK chipinfo=KXN000001H10E0000001S42000000000\n"));
}

// Shell text and paths in a chip value never reach a shell, and the chip is
// not programmed with them.
TEST_F(ServiceCommandTest, ChipValuesWithShellTextProgramNothing)
{
    fake_tool("kxchip_update", kChipReader);
    const std::vector<std::string> values = {
        "S$(touch pwned)",      "S`touch pwned`",    "N;touch%20pwned", "E1|touch pwned",
        "KXN'$(touch pwned)'", "H../../pwned",       "S12345\"x\"",       "N1>pwned",
        "KXN000000H00E0000000S0000000000;", "-r",
    };
    for (const std::string& v : values) {
        EXPECT_EQ(vb("chipupdate=" + v), plain("NG chipupdate")) << v;
        EXPECT_EQ(vb("modelupdate=" + v), plain("NG modelupdate")) << v;
    }
    for (const std::string& call : tool_calls("kxchip_update")) EXPECT_EQ(call, "-r 32");
}

// ---- "/oem" ----

const char kBoundary[] = "----oemB0undary7";
const char kKey[] = "0123456789abcdef0123456789ABCDEF";

std::string package(const std::string& zip, const char* key)
{
    const unsigned char iv[kAesWebIvSize] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::vector<unsigned char> cipher(zip.size() + 64);
    int n = aesEncryWeb(reinterpret_cast<const unsigned char*>(zip.data()), key, iv, cipher.data(), int(zip.size()));
    EXPECT_GT(n, 0);
    std::string b64(size_t(n) * 2 + 8, '\0');
    int m = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&b64[0]), cipher.data(), n);
    b64.resize(size_t(m));
    // Written in lines of 64 characters, as a tool would.
    std::string lines;
    for (size_t i = 0; i < b64.size(); i += 64) lines += b64.substr(i, 64) + "\n";
    return lines;
}

CgiRequest oem_upload(const std::string& bytes, const std::string& query)
{
    std::string body = std::string("--") + kBoundary +
                       "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"oem.bin\"\r\n\r\n" + bytes +
                       "\r\n--" + kBoundary + "--\r\n";
    return multipart_request("/oem", kBoundary, body, query);
}

TEST_F(ServiceCommandTest, PackageIsDecryptedAndUnpacked)
{
    // The fake unzip keeps a copy of the archive it was given.
    fake_tool("unzip", "cp \"$2\" \"$NVR_ROOT/unzipped.zip\"");
    const std::string zip = std::string("PK\x03\x04 customised package ", 24) + std::string(5000, 'z');
    auto r = run(oem_upload(package(zip, kKey), std::string("aes=") + kKey));
    EXPECT_EQ(r.out, plain("OK"));
    EXPECT_EQ(tool_calls("unzip"), std::vector<std::string>{"-o " + root().at("/tmp/oem.zip") + " -d " +
                                                            root().at("/mnt/nand2/")});
    EXPECT_EQ(root().read_file("/unzipped.zip"), zip);
    EXPECT_FALSE(root().exists("/tmp/oem.zip"));
    EXPECT_TRUE(root().exists("/mnt/nand2/oem_upload"));
    for (const auto& name : root().list_dir("/tmp")) EXPECT_NE(name.rfind("cgic", 0), 0u) << name;
}

TEST_F(ServiceCommandTest, PackageWithWrongKeyOrNoKeyIsRefused)
{
    fake_tool("unzip");
    const std::string pkg = package("PK zip bytes", kKey);
    EXPECT_EQ(run(oem_upload(pkg, "aes=ffffffffffffffffffffffffffffffff")).out, plain("ERROR"));
    EXPECT_EQ(run(oem_upload(pkg, "")).out, plain("ERROR"));
    EXPECT_EQ(run(oem_upload("not base64 at all!", std::string("aes=") + kKey)).out, plain("ERROR"));
    EXPECT_EQ(post("/oem", "").out, plain("ERROR"));
    // A request text that names a file outside the upload directory.
    const std::string db = root().at("/mnt/nand/app/kxdb.db");
    const std::string before = root().read_file("/mnt/nand/app/kxdb.db");
    EXPECT_EQ(post("/oem", db + " & aes=" + kKey).out, plain("ERROR"));
    EXPECT_EQ(post("/oem", root().at("/tmp/../mnt/nand/app/kxdb.db") + " & aes=" + kKey).out, plain("ERROR"));
    EXPECT_EQ(root().read_file("/mnt/nand/app/kxdb.db"), before);
    EXPECT_TRUE(tool_calls("unzip").empty());
    EXPECT_FALSE(root().exists("/mnt/nand2/oem_upload"));

    // The archive that does not unpack is reported, not installed.
    fake_tool("unzip", "exit 9");
    EXPECT_EQ(run(oem_upload(pkg, std::string("aes=") + kKey)).out, plain("ERROR"));
    EXPECT_FALSE(root().exists("/mnt/nand2/oem_upload"));
    EXPECT_FALSE(root().exists("/tmp/oem.zip"));
}

TEST_F(ServiceCommandTest, FixedAnswersAndEmptyBodies)
{
    EXPECT_EQ(post("/dw.cgi", "").out, plain("NG download"));
    EXPECT_EQ(post("/1019", "x").out, "");
    fake_tool("kxchip_update", kChipReader);
    fake_tool("unzip");
    expect_empty_bodies_handled({"/vb.htm", "/oem", "/dw.cgi", "/1019"});
}

}  // namespace
