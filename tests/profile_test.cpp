// Settings profile through the CGI program: export ("/1007"), download
// ("/1013") and import ("/1008"), with the real profile tool and with a
// recording fake of it.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "handlers/system/user_records.h"
#include "tests/fixtures.h"

namespace {

const char kBoundary[] = "----profileB0undary42";

std::string upload_body(const std::string& file_name_attr, const std::string& bytes)
{
    return std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=" +
           file_name_attr + "\r\nContent-Type: application/octet-stream\r\n\r\n" + bytes + "\r\n--" + kBoundary +
           "--\r\n";
}

CgiRequest upload(const std::string& code, const std::string& file_name_attr, const std::string& bytes)
{
    return multipart_request(code, kBoundary, upload_body(file_name_attr, bytes));
}

// The CGI program in another root (no emulator there: its messages are lost).
RunResult run_in(const TempRoot& root, const CgiRequest& req)
{
    return run_program(built("nvr-api.cgi"), {},
                       {{"NVR_ROOT", root.path()},
                        {"PATH", std::string(NVR_BUILD_DIR) + "/tools:/usr/bin:/bin"},
                        {"REQUEST_METHOD", req.method},
                        {"PATH_INFO", req.code},
                        {"CONTENT_TYPE", req.content_type},
                        {"CONTENT_LENGTH", std::to_string(req.body.size())}},
                       req.body);
}

RunResult store_in(const TempRoot& root, const std::vector<std::string>& args)
{
    return run_program(built("nvr-store"), args, {{"NVR_ROOT", root.path()}}, "");
}

UserRecord make_user(int id, const char* name)
{
    UserRecord u = zeroed<UserRecord>();
    u.id = id;
    u.enable = 1;
    set_text(u.name, name);
    set_text(u.password, "5ebe2294ecd0e0f08eab7690d2a6ee69");
    u.type = 1;
    return u;
}

std::string user_row_hex(const TempRoot& root, int id)
{
    auto r = store_in(root, {"dump", "user"});
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        std::istringstream ls(line);
        int index = -1;
        size_t len = 0;
        std::string hex;
        if (ls >> index >> len >> hex && index == id) return hex;
    }
    return "";
}

class ProfileTest : public CommandTest {
protected:
    std::string get_key(const std::string& key) { return store({"get", key}).out; }
};

TEST_F(ProfileTest, ExportDownloadAndImportRestoreSettingsAndUsers)
{
    UserRecord alice = make_user(3, "alice");
    ASSERT_EQ(store({"put-row", "user", "3", to_hex(&alice, sizeof alice)}).status, 0);
    ASSERT_EQ(store({"set", "video_format", "1"}).status, 0);
    ASSERT_EQ(store({"set", "plate_mode", "2", "--db", "anpr"}).status, 0);
    const std::string alice_hex = user_row_hex(root(), 3);
    ASSERT_FALSE(alice_hex.empty());
    emu();

    auto exported = post("/1007", "");
    const std::string body = exported.body();
    ASSERT_EQ(body.rfind("OK filename=nvr_profile_", 0), 0u) << exported.out;
    ASSERT_EQ(body.substr(body.size() - 6), ".kxp\r\n");
    const std::string name = body.substr(12, body.size() - 14);
    auto logs = emu().received(3485);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].i64_at(8), 213);
    EXPECT_EQ(logs[0].u32_at(24), 900u);

    auto download = get("/1013", "");
    EXPECT_EQ(download.header(),
              "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= " + name);
    const std::string profile = download.body();
    ASSERT_EQ(profile.substr(0, 8), "NVRPROF1");
    EXPECT_TRUE(root().list_dir("/tmp/.profile_export").empty()) << "the download removes the export";
    EXPECT_EQ(get("/1013", "").out, "");

    // Changed after the export, restored by the import.
    ASSERT_EQ(store({"set", "video_format", "0"}).status, 0);
    UserRecord gone = zeroed<UserRecord>();
    gone.id = 3;
    ASSERT_EQ(store({"put-row", "user", "3", to_hex(&gone, sizeof gone)}).status, 0);
    auto imported = run(upload("/1008", "\"my $(touch pwned) profile;.kxp\"", profile));
    EXPECT_EQ(imported.out, "Content-type: text/plain\r\n\r\nOK");
    EXPECT_EQ(get_key("video_format"), "1\n");
    EXPECT_EQ(user_row_hex(root(), 3), alice_hex);
    EXPECT_FALSE(root().exists("/tmp/my $(touch pwned) profile;.kxp"));
    logs = emu().received(3485);
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs[1].i64_at(8), 214);

    // On a device that was never set up.
    TempRoot fresh;
    EXPECT_EQ(run_in(fresh, upload("/1008", "\"backup.kxp\"", profile)).body(), "OK");
    EXPECT_EQ(store_in(fresh, {"get", "video_format"}).out, "1\n");
    EXPECT_EQ(store_in(fresh, {"get", "plate_mode", "--db", "anpr"}).out, "2\n");
    EXPECT_EQ(user_row_hex(fresh, 3), alice_hex);
    EXPECT_EQ(user_row_hex(fresh, 0), user_row_hex(root(), 0));
}

TEST_F(ProfileTest, ImportHandsTheUploadToTheToolAsOneWord)
{
    fake_tool("kxprofile", "printf '%s\\n' \"$#\" >> \"$0.argc\"");
    const std::vector<std::pair<std::string, std::string>> names = {
        {"\"a$(touch pwned).kxp\"", "a$(touch pwned).kxp"},
        {"\"`touch pwned`\"", "`touch pwned`"},
        {"\"c;touch pwned;.kxp\"", "c;touch pwned;.kxp"},
        {"b\"touch pwned\".kxp", "b\"touch pwned\".kxp"},
        {"\"d'$(touch pwned)'\"", "d'$(touch pwned)'"},
        {"\"e' ; touch pwned ; '\"", "e' ; touch pwned ; '"},
    };
    std::vector<std::string> want_calls;
    for (auto& [attr, base] : names) {
        auto r = run(upload("/1008", attr, "profile bytes"));
        EXPECT_EQ(r.body(), "OK") << attr;
        EXPECT_FALSE(root().exists("/tmp/" + base)) << "the imported upload is removed: " << attr;
        want_calls.push_back("-i " + root().at("/tmp/" + base));
    }
    EXPECT_EQ(tool_calls("kxprofile"), want_calls);
    std::string one_word_each;
    for (size_t i = 0; i < names.size(); i++) one_word_each += "2\n";
    EXPECT_EQ(root().read_file("/fakebin/kxprofile.argc"), one_word_each);
}

TEST_F(ProfileTest, ImportTouchesNothingOutsideTheUploadDirectory)
{
    fake_tool("kxprofile");
    root().write_file("/tmp/sub/p.kxp", "x");
    root().write_file("/tmp/real.kxp", "x");
    ASSERT_EQ(symlink(root().at("/mnt/nand/app/kxdb.db").c_str(), root().at("/tmp/link.kxp").c_str()), 0);
    const std::vector<std::string> refused = {
        root().at("/mnt/nand/app/kxdb.db"),
        root().at("/tmp/../mnt/nand/app/kxdb.db"),
        root().at("/tmp/sub/p.kxp"),
        root().at("/tmp/link.kxp"),
        root().at("/tmp"),
        root().at("/tmp/"),
        root().at("/tmp/missing.kxp"),
        "tmp/real.kxp",
        "",
    };
    for (const auto& path : refused) {
        EXPECT_EQ(post("/1008", path).out, "Content-type: text/plain\r\n\r\nCGI ERROR") << path;
    }
    EXPECT_TRUE(tool_calls("kxprofile").empty());
    EXPECT_TRUE(root().exists("/mnt/nand/app/kxdb.db"));
    EXPECT_TRUE(root().exists("/tmp/sub/p.kxp"));
    EXPECT_TRUE(root().exists("/tmp/link.kxp"));
    // The same file named through its own directory is accepted.
    EXPECT_EQ(post("/1008", root().at("/tmp/sub/../real.kxp")).body(), "OK");
    EXPECT_FALSE(root().exists("/tmp/real.kxp"));
}

TEST_F(ProfileTest, RefusedImportLeavesStoreAndUploadAndLogsNothing)
{
    emu();
    ASSERT_EQ(store({"set", "video_format", "1"}).status, 0);
    // The real tool refuses a file that is not a profile.
    auto r = run(upload("/1008", "\"notes.kxp\"", "NVRPROF1 but nothing after it"));
    EXPECT_EQ(r.out, "Content-type: text/plain\r\n\r\nCGI ERROR");
    EXPECT_EQ(get_key("video_format"), "1\n");
    EXPECT_TRUE(root().exists("/tmp/notes.kxp"));
    EXPECT_TRUE(emu().received(3485).empty());
    for (const auto& name : root().list_dir("/mnt/nand/app")) EXPECT_EQ(name.find("import"), std::string::npos) << name;
}

TEST_F(ProfileTest, ExportRepliesOkWithoutPathFileAndErrorWhenTheToolFails)
{
    emu();
    // A path file planted before the export does not name this export.
    root().write_file("/tmp/.export_down_file", root().at("/etc/passwd"));
    fake_tool("kxprofile");
    EXPECT_EQ(post("/1007", "").out, "Content-type: text/plain\r\n\r\nOK");
    EXPECT_EQ(tool_calls("kxprofile"), std::vector<std::string>{"-e " + root().at("/tmp/.profile_export")});
    EXPECT_EQ(emu().received(3485).size(), 1u);

    fake_tool("kxprofile", "exit 1");
    EXPECT_EQ(post("/1007", "").out, "Content-type: text/plain\r\n\r\nCGI ERROR");
    EXPECT_EQ(emu().received(3485).size(), 1u);

    // A file that took the export directory's name is replaced by it.
    fake_tool("kxprofile", "printf '%s' \"$2/x\" > \"$NVR_ROOT/tmp/.export_down_file\"");
    ASSERT_EQ(rmdir(root().at("/tmp/.profile_export").c_str()), 0);
    root().write_file("/tmp/.profile_export", "squatter");
    EXPECT_EQ(post("/1007", "").body(), "OK filename=x\r\n");
    struct stat st;
    ASSERT_EQ(lstat(root().at("/tmp/.profile_export").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(ProfileTest, DownloadSendsOnlyAnExportOfTheTool)
{
    const std::string db = root().at("/mnt/nand/app/kxdb.db");
    const std::string db_bytes = read_whole_file(db);
    // An upload plants the path file (the failing fake keeps the upload).
    fake_tool("kxprofile", "exit 1");
    EXPECT_EQ(run(upload("/1008", "\".export_down_file\"", db)).body(), "CGI ERROR");
    ASSERT_EQ(root().read_file("/tmp/.export_down_file"), db);
    EXPECT_EQ(get("/1013", "").out, "");
    EXPECT_EQ(read_whole_file(db), db_bytes);

    // A file with the marker outside the export directory.
    root().write_file("/tmp/nvr_profile_1.kxp", "NVRPROF1 planted");
    root().write_file("/tmp/.export_down_file", root().at("/tmp/nvr_profile_1.kxp"));
    EXPECT_EQ(get("/1013", "").out, "");
    EXPECT_TRUE(root().exists("/tmp/nvr_profile_1.kxp"));

    // Inside it: a link, a file without the marker, a name with shell text.
    ASSERT_EQ(mkdir(root().at("/tmp/.profile_export").c_str(), 0700), 0);
    ASSERT_EQ(symlink(db.c_str(), root().at("/tmp/.profile_export/nvr_profile_2.kxp").c_str()), 0);
    root().write_file("/tmp/.profile_export/nvr_profile_3.kxp", "not a profile");
    root().write_file("/tmp/.profile_export/nvr_profile_$(touch pwned);`touch pwned`.kxp", "NVRPROF1 x");
    for (const char* name : {"nvr_profile_2.kxp", "nvr_profile_3.kxp", "../nvr_profile_1.kxp"}) {
        root().write_file("/tmp/.export_down_file", root().at("/tmp/.profile_export/") + name);
        EXPECT_EQ(get("/1013", "").out, "") << name;
    }
    EXPECT_EQ(read_whole_file(db), db_bytes);
    EXPECT_TRUE(root().exists("/tmp/.profile_export/nvr_profile_3.kxp"));

    const std::string odd = "nvr_profile_$(touch pwned);`touch pwned`.kxp";
    root().write_file("/tmp/.export_down_file", root().at("/tmp/.profile_export/" + odd));
    EXPECT_EQ(get("/1013", "").body(), "NVRPROF1 x");
    EXPECT_FALSE(root().exists("/tmp/.profile_export/" + odd));
}

}  // namespace
