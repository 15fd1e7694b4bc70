// The CGI intake end to end: nvr-api-echo.cgi answers with the request text
// its handler was handed, so each test sees exactly what the intake built.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/harness.h"

namespace {

const char kEcho[] = "nvr-api-echo.cgi";
const char kBoundary[] = "----formB0undaryQx7";

std::string part(const std::string& disposition, const std::string& bytes, const std::string& type = "")
{
    std::string s = std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; " + disposition + "\r\n";
    if (!type.empty()) s += "Content-Type: " + type + "\r\n";
    return s + "\r\n" + bytes + "\r\n";
}

std::string file_body(const std::string& file_name_attr, const std::string& bytes)
{
    return part("name=\"note\"", "hello") + part("name=\"file\"; filename=" + file_name_attr, bytes, "text/plain") +
           "--" + kBoundary + "--\r\n";
}

// Every file under `dir`, recursively, as paths relative to it.
void walk(const std::string& dir, const std::string& rel, std::vector<std::string>& out)
{
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (struct dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        out.push_back(rel + n);
        struct stat st;
        if (lstat((dir + "/" + n).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) walk(dir + "/" + n, rel + n + "/", out);
    }
    closedir(d);
}

class IntakeTest : public NvrTest {
protected:
    RunResult echo(const CgiRequest& req) { return run(req, kEcho); }

    CgiRequest multipart(const std::string& code, const std::string& body, const std::string& query = "")
    {
        return multipart_request(code, kBoundary, body, query);
    }

    // The temporary upload files still present in ROOT/tmp.
    std::vector<std::string> temp_files()
    {
        std::vector<std::string> left;
        for (auto& n : root().list_dir("/tmp"))
            if (n.rfind("cgic", 0) == 0) left.push_back(n);
        return left;
    }

    void TearDown() override { EXPECT_TRUE(temp_files().empty()) << testing::PrintToString(temp_files()); }
};

TEST_F(IntakeTest, GetHandsOnTheQueryWithOnlyQuotesDecoded)
{
    CgiRequest r;
    r.method = "get";
    r.code = "/1002";
    r.content_type = "multipart/form-data; boundary=x";  // a GET ignores the media type
    r.query = "{%22a%22:1,%22b%22:%22x%20y%22}%2";
    auto res = echo(r);
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.body(), "{\"a\":1,\"b\":\"x%20y\"}%2");

    // The text is cut to 255 characters before decoding.
    std::string q;
    for (int i = 0; i < 100; i++) q += "%22";
    r.query = q;
    EXPECT_EQ(echo(r).body(), std::string(85, '"'));
}

TEST_F(IntakeTest, PostBodiesArriveUnchangedAndCut)
{
    CgiRequest r;
    r.code = "/json";
    r.content_type = "Application/JSON; charset=utf-8";
    r.body = "{\"a\": \"%22 x\"}\n";
    EXPECT_EQ(echo(r).body(), r.body);

    r.method = "post";
    r.content_type = "APPLICATION/X-WWW-FORM-URLENCODED";
    r.body = "a=1&b=%20%22";
    EXPECT_EQ(echo(r).body(), r.body);

    // The length header is not consulted: the body is read to its end.
    r.env = {{"CONTENT_LENGTH", "3"}};
    r.set_content_length = false;
    EXPECT_EQ(echo(r).body(), r.body);
    r.env.clear();
    r.set_content_length = true;

    // 128 lines at most ...
    std::string lines;
    for (int i = 0; i < 200; i++) lines += "line " + std::to_string(i) + "\n";
    r.body = lines;
    std::string first128;
    for (int i = 0; i < 128; i++) first128 += "line " + std::to_string(i) + "\n";
    EXPECT_EQ(echo(r).body(), first128);

    // ... and 30,719 characters at most.
    r.body = std::string(40000, 'j');
    EXPECT_EQ(echo(r).body(), std::string(30719, 'j'));
    std::string long_lines;
    for (int i = 0; i < 128; i++) long_lines += std::string(299, 'k') + "\n";
    r.body = long_lines;
    EXPECT_EQ(echo(r).body(), long_lines.substr(0, 30719));
}

TEST_F(IntakeTest, OtherMethodsTypesAndCodesProduceNothing)
{
    CgiRequest r;
    r.code = "/echo";
    r.body = "{}";
    for (const char* method : {"PUT", "DELETE", "", "POSTX"}) {
        r.method = method;
        auto res = echo(r);
        EXPECT_EQ(res.status, 0) << method;
        EXPECT_EQ(res.out, "") << method;
    }
    r.method = "POST";
    for (const char* type : {"text/plain", "", "application/json-patch", "multipart/mixed; boundary=x"}) {
        r.content_type = type;
        auto res = echo(r);
        EXPECT_EQ(res.status, 0) << type;
        EXPECT_EQ(res.out, "") << type;
    }
    r.content_type = "application/json";
    // Unknown, empty, over-long and binary request codes find no handler.
    for (std::string code : {std::string("/9999"), std::string(""), std::string("/echo "), std::string("/ECHO"),
                             "/echo" + std::string(300, 'x'), std::string("\x01\xff/echo\n\x7f")}) {
        r.code = code;
        auto res = echo(r);
        EXPECT_EQ(res.status, 0);
        EXPECT_EQ(res.out, "");
        r.method = "GET";
        res = echo(r);
        EXPECT_EQ(res.status, 0);
        EXPECT_EQ(res.out, "");
        r.method = "POST";
    }
}

TEST_F(IntakeTest, RawUploadCodesGetTempAndTheQuery)
{
    // "/1010" leaves the body to its handler: even a body that could not be
    // parsed is dispatched.
    CgiRequest r = multipart("/1010", "--" + std::string(kBoundary) + "\r\nContent-Disp");
    r.set_content_length = false;
    r.env = {{"CONTENT_LENGTH", "999999"}};
    auto res = echo(r);
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.body(), "temp & ");
    r.query = "reset";
    EXPECT_EQ(echo(r).body(), "temp & reset");

    // The others have the body parsed (and the upload removed afterwards).
    res = echo(multipart("/6082", file_body("\"fw.bin\"", "firmware"), "a=b"));
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.body(), "temp & a=b");
    EXPECT_EQ(echo(multipart("/2079", "")).body(), "temp & ");
    EXPECT_TRUE(root().list_dir("/tmp").empty());
}

TEST_F(IntakeTest, FileUploadIsMovedToItsBaseName)
{
    auto res = echo(multipart("/1008", file_body("\"dir\\pic.jpg\"", "JPEG\r\n--" + std::string(kBoundary, 6)),
                              "a=1&param:abc&b=2"));
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.body(), root().at("/tmp/pic.jpg") + " & abc");
    EXPECT_EQ(root().read_file("/tmp/pic.jpg"), "JPEG\r\n--" + std::string(kBoundary, 6));

    // Without "param:" the text is the path alone; the value is cut at 255.
    EXPECT_EQ(echo(multipart("/1008", file_body("\"C:/x/y.cfg\"", "1"), "a=1")).body(), root().at("/tmp/y.cfg"));
    EXPECT_EQ(echo(multipart("/1008", file_body("y.cfg", "1"), "param:" + std::string(300, 'p'))).body(),
              root().at("/tmp/y.cfg") + " & " + std::string(255, 'p'));
    EXPECT_EQ(echo(multipart("/1008", file_body("y.cfg", "1"), "param:")).body(), root().at("/tmp/y.cfg") + " & ");
}

TEST_F(IntakeTest, ClientFileNamesNeverReachAShell)
{
    // A command that ran would create "pwned" in the working directory,
    // here the test root, or in a directory a name points at.
    char old_cwd[4096];
    ASSERT_NE(getcwd(old_cwd, sizeof old_cwd), nullptr);
    ASSERT_EQ(chdir(root().path().c_str()), 0);
    const std::vector<std::pair<std::string, std::string>> names = {
        {"\"a$(touch pwned).bin\"", "a$(touch pwned).bin"},
        {"\"`touch pwned`\"", "`touch pwned`"},
        {"\"c;touch pwned;.bin\"", "c;touch pwned;.bin"},
        {"b\"touch pwned\".bin", "b\"touch pwned\".bin"},
        {"\"d'$(touch pwned)'\"", "d'$(touch pwned)'"},
    };
    for (auto& [attr, base] : names) {
        std::string bytes = "upload " + base;
        auto res = echo(multipart("/1008", file_body(attr, bytes)));
        EXPECT_EQ(res.status, 0) << attr;
        EXPECT_EQ(res.body(), root().at("/tmp/") + base) << attr;
        EXPECT_EQ(root().read_file("/tmp/" + base), bytes) << attr;
    }
    ASSERT_EQ(chdir(old_cwd), 0);
    std::vector<std::string> all;
    walk(root().path(), "", all);
    EXPECT_EQ(all.size(), names.size() + 1) << testing::PrintToString(all);  // "tmp" and the uploads
    for (auto& f : all) EXPECT_NE(f.substr(f.rfind('/') + 1), "pwned") << f;
    EXPECT_NE(access((std::string(old_cwd) + "/pwned").c_str(), F_OK), 0);
}

TEST_F(IntakeTest, UploadsThatCannotBeHandedOnAreDropped)
{
    const std::vector<std::string> refused = {
        "\"\"",           // empty file name
        "\"dir/\"",      // nothing after the last separator
        "\"dir\\..\"",   // ".." would name the parent
        "\".\"",
        "\"" + std::string(128, 'n') + "\"",  // does not fit the name buffer
    };
    for (auto& attr : refused) {
        auto res = echo(multipart("/1008", file_body(attr, "data")));
        EXPECT_EQ(res.status, 0) << attr;
        EXPECT_EQ(res.out, "") << attr;
        EXPECT_TRUE(root().list_dir("/tmp").empty()) << attr;
    }
    // No "file" part, an empty body, or no boundary: nothing to hand on.
    std::string no_file = part("name=\"other\"; filename=\"a.bin\"", "x") + "--" + kBoundary + "--\r\n";
    EXPECT_EQ(echo(multipart("/1008", no_file)).out, "");
    EXPECT_EQ(echo(multipart("/1008", "")).out, "");
    CgiRequest r = multipart("/1008", file_body("\"a.bin\"", "x"));
    r.content_type = "multipart/form-data";
    auto res = echo(r);
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.out, "");
    // A name that is a directory beside the upload cannot be replaced.
    ASSERT_EQ(mkdir(root().at("/tmp/taken").c_str(), 0755), 0);
    res = echo(multipart("/1008", file_body("\"taken\"", "x")));
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.out, "");
}

TEST_F(IntakeTest, TempFileCodesGetTheTemporaryFile)
{
    for (const char* code : {"/1019", "/oem"}) {
        auto res = echo(multipart(code, file_body("\"oem.bin\"", "pkg"), "q=1"));
        EXPECT_EQ(res.status, 0);
        std::string prefix = root().at("/tmp/cgic");
        ASSERT_EQ(res.body().rfind(prefix, 0), 0u) << res.body();
        EXPECT_EQ(res.body().substr(prefix.size() + 6), " & q=1");
    }
    // The file part must still carry a file name.
    EXPECT_EQ(echo(multipart("/oem", file_body("\"\"", "pkg"))).out, "");
}

TEST_F(IntakeTest, UnparsableBodiesEndWithStatus255AndNoOutput)
{
    std::string body = file_body("\"big.bin\"", std::string(200000, 'b'));
    const std::vector<std::string> broken = {
        body.substr(0, 150000),                 // ends inside the file
        body.substr(0, body.find("Content-Type")),  // ends inside headers
        body.substr(0, body.rfind("--" + std::string(kBoundary)) - 2),  // no closing delimiter
    };
    for (auto& b : broken) {
        CgiRequest r = multipart("/6082", b);
        r.set_content_length = false;
        r.env = {{"CONTENT_LENGTH", std::to_string(body.size())}};
        auto res = echo(r);
        EXPECT_EQ(res.status, 255);
        EXPECT_EQ(res.out, "");
        EXPECT_TRUE(root().list_dir("/tmp").empty());
    }
    // A length that stops inside the body is the same failure. (The body
    // stays short enough for the pipe: the program leaves the rest unread.)
    CgiRequest r = multipart("/1008", file_body("\"small.bin\"", std::string(20000, 's')));
    r.set_content_length = false;
    r.env = {{"CONTENT_LENGTH", "1000"}};
    auto res = echo(r);
    EXPECT_EQ(res.status, 255);
    EXPECT_EQ(res.out, "");
}

uint64_t fnv1a(const std::string& s)
{
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return h;
}

TEST_F(IntakeTest, LargeUploadPassesThroughIntact)
{
    const size_t size = 64u << 20;
    std::string data(size, '\0');
    uint64_t x = 88172645463325252ull;
    for (size_t i = 0; i + 8 <= size; i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(&data[i], &x, 8);
    }
    // Near-delimiters sprinkled through the data.
    const std::string near = "\r\n--" + std::string(kBoundary, sizeof kBoundary - 2);
    for (size_t pos = 12345; pos + near.size() < size; pos += 1 << 20) data.replace(pos, near.size(), near);
    const uint64_t want = fnv1a(data);
    auto res = echo(multipart("/1008", file_body("\"fw/big.bin\"", data)));
    data.clear();
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.body(), root().at("/tmp/big.bin"));
    std::string got = root().read_file("/tmp/big.bin");
    EXPECT_EQ(got.size(), size);
    EXPECT_EQ(fnv1a(got), want);
}

}  // namespace
