// The FastCGI entry against the CGI program: the same requests in the same
// order, one CGI process each in one root and all through a single worker in
// another, give the same replies, statuses and files, whatever the previous
// request of the worker left (codes of other modules, uploads, a download,
// a database replaced or deleted underneath, variables of one request).
#include <cctype>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/harness.h"

namespace {

const char kBoundary[] = "----isoB0undary7";

CgiRequest clip_upload(const std::string& file_name, const std::string& bytes)
{
    std::string body = std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
                       file_name + "\"\r\n\r\n" + bytes + "\r\n--" + kBoundary + "--\r\n";
    return multipart_request("/6321", kBoundary, body);
}

CgiRequest post_request(const std::string& code, const std::string& body)
{
    CgiRequest r;
    r.code = code;
    r.body = body;
    return r;
}

CgiRequest get_request(const std::string& code, const std::string& query)
{
    CgiRequest r;
    r.method = "GET";
    r.code = code;
    r.query = query;
    r.content_type = "";
    return r;
}

// One side of the comparison: a root with its store and emulator.
struct Side {
    TempRoot root;
    Emulator emu{root};

    std::vector<std::pair<std::string, std::string>> base_env() const
    {
        return {{"NVR_ROOT", root.path()}, {"PATH", std::string(NVR_BUILD_DIR) + "/tools:/usr/bin:/bin"}};
    }
    std::vector<std::pair<std::string, std::string>> request_env(const CgiRequest& req) const
    {
        auto e = base_env();
        e.push_back({"REQUEST_METHOD", req.method});
        e.push_back({"PATH_INFO", req.code});
        e.push_back({"QUERY_STRING", req.query});
        e.push_back({"CONTENT_TYPE", req.content_type});
        e.push_back({"REMOTE_ADDR", "192.0.2.10"});
        if (req.set_content_length) e.push_back({"CONTENT_LENGTH", std::to_string(req.body.size())});
        for (auto& kv : req.env) e.push_back(kv);
        return e;
    }
    void store(const std::vector<std::string>& args, const std::string& root_path = "") const
    {
        auto r = run_program(built("nvr-store"), args, {{"NVR_ROOT", root_path.empty() ? root.path() : root_path}}, "");
        ASSERT_EQ(r.status, 0) << r.err;
    }
    // Replaces the main database with a new file (a rename over it, as a
    // profile import or a factory reset does), made with `args` applied.
    void replace_database(const std::vector<std::string>& args) const
    {
        TempRoot other;
        store({"init"}, other.path());
        store(args, other.path());
        ASSERT_EQ(std::rename(other.at("/mnt/nand/app/kxdb.db").c_str(), root.at("/mnt/nand/app/kxdb.db").c_str()), 0);
    }
    void delete_database() const
    {
        for (const char* suffix : {"", "-wal", "-shm"}) unlink((root.at("/mnt/nand/app/kxdb.db") + suffix).c_str());
    }
};

// The reply with the digits of its "sessionId" value replaced by '#'.
std::string without_session_id(std::string out)
{
    const std::string key = "\"sessionId\": \"";
    for (size_t at = out.find(key); at != std::string::npos; at = out.find(key, at + 1))
        for (size_t i = at + key.size(); i < out.size() && std::isdigit(static_cast<unsigned char>(out[i])); i++)
            out[i] = '#';
    return out;
}

class FcgiIsolationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Builds for another processor have no FastCGI entry.
        if (access(built("nvr-api.fcgi").c_str(), X_OK) != 0) GTEST_SKIP() << "no nvr-api.fcgi in this build";
        for (Side* s : {&cgi_, &fcgi_}) {
            s->store({"init"});
            s->emu.start();
        }
        worker_ = std::make_unique<FcgiWorker>(fcgi_.root.at("/fcgi.sock"), fcgi_.base_env());
    }

    // Runs `req` on both sides and expects the same reply and status.
    RunResult both(const CgiRequest& req, const std::string& what)
    {
        RunResult c = run_program(built("nvr-api.cgi"), {}, cgi_.request_env(req), req.body);
        RunResult f = worker_->request(fcgi_.request_env(req), req.body);
        // A login's session identifier is random on either side.
        c.out = without_session_id(c.out);
        f.out = without_session_id(f.out);
        EXPECT_FALSE(f.timed_out) << what;
        EXPECT_EQ(f.status, c.status) << what;
        if (f.out != c.out) {
            size_t i = 0;
            while (i < f.out.size() && i < c.out.size() && f.out[i] == c.out[i]) i++;
            ADD_FAILURE() << what << ": replies differ from byte " << i << ": fcgi [" << f.out.substr(i, 200) << "] cgi ["
                          << c.out.substr(i, 200) << "]";
            return f;
        }
        EXPECT_EQ(f.out, c.out) << what;
        EXPECT_TRUE(worker_->running()) << what;
        return f;
    }
    // The same file on both sides (or absent on both).
    void expect_same_file(const std::string& fixed)
    {
        EXPECT_EQ(fcgi_.root.exists(fixed), cgi_.root.exists(fixed)) << fixed;
        EXPECT_EQ(fcgi_.root.read_file(fixed), cgi_.root.read_file(fixed)) << fixed;
    }

    Side cgi_, fcgi_;
    std::unique_ptr<FcgiWorker> worker_;
};

TEST_F(FcgiIsolationTest, InterleavedRequestsAnswerAsFreshProcesses)
{
    const std::string login = R"({"userName":"admin","md5":"21232f297a57a5a743894a0e4a801fc3"})";
    both(post_request("/1000", login), "login");
    both(post_request("/2012", ""), "channels");
    both(get_request("/2012", ""), "channels by GET");
    both(post_request("/1024", ""), "store write");
    both(post_request("/2001", ""), "live channels from the daemon");

    // An upload, then requests of other modules: its files are gone.
    auto up = both(clip_upload("door.wav", "RIFF wav bytes"), "clip upload");
    EXPECT_NE(up.out.find("CGI OK"), std::string::npos) << up.out;
    both(clip_upload("door.mp3", "ID3 bytes"), "refused clip upload");
    both(post_request("/6320", ""), "clip list");
    for (const std::string& f : fcgi_.root.list_dir("/tmp")) expect_same_file("/tmp/" + f);
    for (const std::string& f : cgi_.root.list_dir("/tmp")) expect_same_file("/tmp/" + f);

    // A download (the package the daemon made): sent whole, then removed.
    both(post_request("/6310", ""), "diagnostic package");
    const std::string package = fcgi_.root.read_file("/tmp/diagnostic_1.tar.gz");
    ASSERT_FALSE(package.empty());
    auto d = both(get_request("/6311", "/tmp/diagnostic_1.tar.gz"), "download");
    EXPECT_EQ(d.body(), package);
    expect_same_file("/tmp/diagnostic_1.tar.gz");
    both(get_request("/6311", "/tmp/diagnostic_1.tar.gz"), "download of a removed file");

    // Variables of one request are not seen by the next.
    CgiRequest with_cookie = post_request("/2012", "");
    with_cookie.env.push_back({"HTTP_COOKIE", "userName=admin; lang=en"});
    with_cookie.env.push_back({"REMOTE_ADDR", "198.51.100.7"});
    both(with_cookie, "with a cookie");
    both(post_request("/6070", ""), "accounts after a cookie");

    // The database replaced underneath (64 cameras in the new file), then deleted.
    cgi_.replace_database({"set", "max_cameras", "64"});
    fcgi_.replace_database({"set", "max_cameras", "64"});
    auto replaced = both(post_request("/2012", ""), "channels of a replaced database");
    EXPECT_NE(replaced.out.find("CAM33"), std::string::npos) << replaced.out;
    both(post_request("/1024", ""), "write to a replaced database");
    cgi_.delete_database();
    fcgi_.delete_database();
    both(post_request("/2012", ""), "channels of a deleted database");
    both(post_request("/1000", login), "login without a database");

    // Unknown codes, empty bodies, a body that cannot be parsed.
    both(post_request("/9999", "x"), "unknown code");
    both(get_request("", ""), "no code");
    CgiRequest broken = multipart_request("/6321", kBoundary, "no boundary here");
    both(broken, "unparsable multipart body");
    both(post_request("/2012", ""), "after a failed body");
}

TEST_F(FcgiIsolationTest, EndsOnTermAndAfterItsRequestLimit)
{
    both(post_request("/2012", ""), "first");
    EXPECT_EQ(worker_->stop(), 0);

    auto env = fcgi_.base_env();
    env.push_back({"NVR_FCGI_MAX_REQUESTS", "3"});
    worker_ = std::make_unique<FcgiWorker>(fcgi_.root.at("/fcgi2.sock"), env);
    for (int i = 0; i < 3; i++) {
        auto r = worker_->request(fcgi_.request_env(post_request("/1024", "")), "");
        EXPECT_EQ(r.out, "Content-type: text/plain\r\n\r\nOK") << i;
        EXPECT_EQ(r.status, 0);
    }
    for (int i = 0; i < 200 && worker_->running(); i++) usleep(10000);
    EXPECT_FALSE(worker_->running());
}

}  // namespace
