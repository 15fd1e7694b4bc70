// Address filter ("/6300", "/6301"), diagnostic package ("/6310",
// "/6311") and alarm audio clips ("/6320" to "/6325") end to end.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "handlers/system/service_records.h"
#include "platform/kxcrypt.h"
#include "tests/fixtures.h"

namespace {

class ServicePagesTest : public CommandTest {
protected:
    static std::string json(const std::string& body) { return "Content-type: application/json\r\n\r\n" + body; }
    static std::string plain(const std::string& body) { return "Content-type: text/plain\r\n\r\n" + body; }
};

std::string encoded(const std::string& text)
{
    char out[256] = {};
    base64EncodeUrl(reinterpret_cast<const unsigned char*>(text.data()), int(text.size()), out, sizeof out);
    return out;
}

// ---- address filter ----

TEST_F(ServicePagesTest, FilterRoundTripAndShrinkingList)
{
    emu();
    EXPECT_EQ(post("/6300", "").out, json(R"({ "filterEnable": 0, "filterType": 1, "filterList": [ ] })"));

    EXPECT_EQ(post("/6301", R"({"filterEnable":1,"filterType":0,"filterList":[
        {"address_type":0,"address":"192.0.2.1"},{"address_type":1,"address":"2001:db8::1"},
        {"address_type":2,"address":"192.0.2.10-192.0.2.20-and-more-than-31-characters"}]})")
                  .out,
              plain("OK"));
    auto notes = emu().received(kMsgAccessFilter);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].flags, 0u);
    EXPECT_TRUE(notes[0].payload.empty());
    EXPECT_EQ(post("/6300", "").body(),
              R"({ "filterEnable": 1, "filterType": 0, "filterList": [ { "address_type": 0, "address": "192.0.2.1" }, )"
              R"({ "address_type": 1, "address": "2001:db8::1" }, { "address_type": 2, "address": "192.0.2.10-192.0.2.20-and-more-" } ] })");

    // A shorter list replaces the whole list; an empty one leaves nothing.
    EXPECT_EQ(post("/6301", R"({"filterEnable":1,"filterType":1,"filterList":[{"address_type":0,"address":"198.51.100.7"}]})").body(), "OK");
    EXPECT_EQ(post("/6300", "").body(),
              R"({ "filterEnable": 1, "filterType": 1, "filterList": [ { "address_type": 0, "address": "198.51.100.7" } ] })");
    EXPECT_EQ(post("/6301", R"({"filterEnable":0,"filterType":1,"filterList":[]})").body(), "OK");
    EXPECT_EQ(post("/6300", "").body(), R"({ "filterEnable": 0, "filterType": 1, "filterList": [ ] })");
    EXPECT_EQ(emu().received(kMsgAccessFilter).size(), 3u);
}

TEST_F(ServicePagesTest, FilterKeepsAtMostHundredRowsAndRefusesNonJson)
{
    emu();
    std::string list;
    for (int i = 0; i < 105; i++) list += std::string(i ? "," : "") + R"({"address_type":0,"address":"10.0.0.)" + std::to_string(i) + "\"}";
    EXPECT_EQ(post("/6301", R"({"filterEnable":1,"filterType":1,"filterList":[)" + list + "]}").body(), "OK");
    const std::string all = post("/6300", "").body();
    EXPECT_NE(all.find("\"10.0.0.99\""), std::string::npos);
    EXPECT_EQ(all.find("\"10.0.0.100\""), std::string::npos);

    EXPECT_EQ(post("/6301", "filterEnable=0").out, "");
    EXPECT_EQ(post("/6300", "").body(), all);
    EXPECT_EQ(emu().received(kMsgAccessFilter).size(), 1u);
}

// ---- diagnostic package ----

TEST_F(ServicePagesTest, PackageIsCollectedDownloadedOnceAndRemoved)
{
    emu();
    auto r = post("/6310", "");
    EXPECT_EQ(r.out, plain("OK//tmp/diagnostic_1.tar.gz\r\n"));
    auto orders = emu().received(kMsgDiagnostic);
    ASSERT_EQ(orders.size(), 1u);
    EXPECT_EQ(orders[0].flags, 1u);
    ASSERT_EQ(orders[0].payload.size(), 64u);
    EXPECT_EQ(orders[0].text_at(0, 64), "/tmp");
    ASSERT_TRUE(root().exists("/tmp/diagnostic_1.tar.gz"));
    const std::string bytes = root().read_file("/tmp/diagnostic_1.tar.gz");

    auto d = get("/6311", "/tmp/diagnostic_1.tar.gz");
    EXPECT_EQ(d.header(), "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= diagnostic_1.tar.gz");
    EXPECT_EQ(d.body(), bytes);
    EXPECT_FALSE(root().exists("/tmp/diagnostic_1.tar.gz"));
    EXPECT_EQ(get("/6311", "/tmp/diagnostic_1.tar.gz").out, "");
    EXPECT_EQ(get("/6311", "/tmp/missing.tar.gz").out, "");
}

TEST_F(ServicePagesTest, CollectFailsWhileBusyOrOnAShortReply)
{
    root().write_file("/tmp/tmp_diagnostic", "");
    EXPECT_EQ(post("/6310", "").out, plain("Failed"));
    EXPECT_TRUE(emu().received(kMsgDiagnostic).empty());
    ASSERT_EQ(unlink(root().at("/tmp/tmp_diagnostic").c_str()), 0);

    emu().rule("3528 reply 8528 hex:0000");  // answered at once, not after the 240 s wait
    EXPECT_EQ(post("/6310", "").out, plain("Failed"));
}

TEST_F(ServicePagesTest, CollectFailsWhenTheDaemonReportsAFailure)
{
    emu().rule("3528 reply 8528 hex:00000000ffffffff2f746d702f78");
    EXPECT_EQ(post("/6310", "").out, plain("Failed"));
    EXPECT_EQ(get("/6311", "/tmp/x").out, "");
}

// "/6311" hands out the package the daemon reported, nothing else: no path
// of the client's choosing is read or removed.
TEST_F(ServicePagesTest, DownloadSendsAndRemovesNothingElse)
{
    root().write_file("/tmp/kxcore", "daemon flag");
    root().write_file("/tmp/other.tar.gz", "someone's upload");
    root().write_file("/etc/passwd", "root:x:0:0");
    const std::string db = root().read_file("/mnt/nand/app/kxdb.db");
    const std::vector<std::string> paths = {
        "/tmp/kxcore", "/tmp/other.tar.gz", "/tmp/../mnt/nand/app/kxdb.db", "../mnt/nand/app/kxdb.db",
        "/etc/passwd", root().at("/etc/passwd"), "/tmp/x;touch pwned", "/tmp/$(touch pwned)", "/tmp/`touch pwned`",
        "/tmp", "/tmp/", "",
    };
    for (const auto& p : paths) {
        EXPECT_EQ(post("/6311", p).out, "") << p;
        EXPECT_EQ(get("/6311", p).out, "") << p;
    }
    // A reported path that now names a link, or a planted record.
    emu();
    ASSERT_EQ(post("/6310", "").body(), "OK//tmp/diagnostic_1.tar.gz\r\n");
    ASSERT_EQ(unlink(root().at("/tmp/diagnostic_1.tar.gz").c_str()), 0);
    ASSERT_EQ(symlink(root().at("/etc/passwd").c_str(), root().at("/tmp/diagnostic_1.tar.gz").c_str()), 0);
    EXPECT_EQ(get("/6311", "/tmp/diagnostic_1.tar.gz").out, "");
    root().write_file("/tmp/.diagnostic/package", "/tmp/../etc/passwd");
    EXPECT_EQ(get("/6311", "/tmp/../etc/passwd").out, "");

    EXPECT_EQ(root().read_file("/tmp/kxcore"), "daemon flag");
    EXPECT_EQ(root().read_file("/tmp/other.tar.gz"), "someone's upload");
    EXPECT_EQ(root().read_file("/etc/passwd"), "root:x:0:0");
    EXPECT_EQ(root().read_file("/mnt/nand/app/kxdb.db"), db);
}

// ---- audio clips ----

const char kBoundary[] = "----audioB0undary3";

CgiRequest clip_upload(const std::string& file_name, const std::string& bytes)
{
    std::string body = std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
                       file_name + "\"\r\n\r\n" + bytes + "\r\n--" + kBoundary + "--\r\n";
    return multipart_request("/6321", kBoundary, body);
}

TEST_F(ServicePagesTest, ClipListShowsClipsInUseWithDecodedNames)
{
    emu();
    EXPECT_EQ(post("/6320", "").out,
              json(R"({ "audioFileList": [ { "id": 0, "enable": 1, "name": "Door bell" }, )"
                   R"({ "id": 1, "enable": 1, "name": "Warning" } ], "status": 0 })"));
    auto asked = emu().received(kMsgAudioList);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].flags, 1u);
    EXPECT_TRUE(asked[0].payload.empty());

    emu().rule("4012 close");
    EXPECT_EQ(post("/6320", "").out, json(R"({status:"CGI ERROR"})"));
}

TEST_F(ServicePagesTest, UploadKeepsWavUnderEncodedNameAndRemovesOthers)
{
    root().write_file("/tmp/other.wav", "another clip");
    auto r = run(clip_upload("door.wav", "RIFF wav bytes"));
    EXPECT_EQ(r.out, plain("CGI OK status:[0], data:[" + encoded("door.wav") + "]"));
    EXPECT_EQ(root().read_file("/tmp/" + encoded("door.wav")), "RIFF wav bytes");
    EXPECT_FALSE(root().exists("/tmp/door.wav"));
    EXPECT_EQ(root().read_file("/tmp/other.wav"), "another clip");

    r = run(clip_upload("door.mp3", "ID3 bytes"));
    EXPECT_EQ(r.out, plain("CGI ERROR status:[-1], data:[]"));
    EXPECT_FALSE(root().exists("/tmp/door.mp3"));
    EXPECT_NE(root().read_file("/mnt/nand/cgi_log.txt").find("pqa upload_audio_file ret:[0]"), std::string::npos);

    // Only the upload itself: a request text that names another file.
    root().write_file("/etc/alarm.wav", "outside");
    EXPECT_EQ(post("/6321", root().at("/etc/alarm.wav")).out, plain("CGI ERROR status:[-1], data:[]"));
    EXPECT_EQ(post("/6321", root().at("/tmp/../etc/alarm.wav")).out, plain("CGI ERROR status:[-1], data:[]"));
    EXPECT_EQ(root().read_file("/etc/alarm.wav"), "outside");
}

TEST_F(ServicePagesTest, AddRenamesTheUploadAndTellsTheDaemon)
{
    emu();
    root().write_file("/tmp/" + encoded("door.wav"), "RIFF");
    EXPECT_EQ(post("/6322", R"({"uploadName":")" + encoded("door.wav") + R"(","name":"Front door"})").out,
              json(R"({ "status": 0 })"));
    EXPECT_EQ(root().read_file("/tmp/" + encoded("Front door")), "RIFF");
    auto adds = emu().received(kMsgAudioAdd);
    ASSERT_EQ(adds.size(), 1u);
    EXPECT_EQ(adds[0].flags, 1u);
    ASSERT_EQ(adds[0].payload.size(), 128u);
    EXPECT_EQ(adds[0].text_at(0, 128), encoded("Front door"));
    auto logs = emu().received(3485);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].i64_at(8), 204);
    EXPECT_EQ(logs[0].u32_at(24), 925u);

    EXPECT_EQ(post("/6322", R"({"uploadName":"missing.wav","name":"x"})").out, json(R"({status:"CGI ERROR"})"));
    EXPECT_EQ(post("/6322", "not json").out, json(R"({status:"CGI ERROR"})"));
    EXPECT_EQ(emu().received(kMsgAudioAdd).size(), 1u);
}

// The upload name is a file name of "/tmp", never a path: nothing outside
// is renamed, and shell text is only a name that does not exist.
TEST_F(ServicePagesTest, AddRenamesNothingOutsideTheUploadDirectory)
{
    root().write_file("/mnt/nand/secret.wav", "keep");
    root().write_file("/tmp/sub/clip.wav", "keep");
    const std::string db = root().read_file("/mnt/nand/app/kxdb.db");
    for (const std::string& name :
         {std::string("../mnt/nand/app/kxdb.db"), std::string("../mnt/nand/secret.wav"), std::string("sub/clip.wav"),
          std::string(".."), std::string("."), std::string(""), std::string("x;touch pwned"),
          std::string("$(touch pwned)"), root().at("/mnt/nand/secret.wav")}) {
        EXPECT_EQ(post("/6322", R"({"uploadName":")" + name + R"(","name":"n"})").out, json(R"({status:"CGI ERROR"})"))
            << name;
    }
    EXPECT_EQ(root().read_file("/mnt/nand/secret.wav"), "keep");
    EXPECT_EQ(root().read_file("/tmp/sub/clip.wav"), "keep");
    EXPECT_EQ(root().read_file("/mnt/nand/app/kxdb.db"), db);
    EXPECT_TRUE(emu().received(kMsgAudioAdd).empty());
}

TEST_F(ServicePagesTest, DeleteRenameAndPlay)
{
    EXPECT_EQ(post("/6323", R"({"idMask":1024})").out, json(R"({status:"CGI ERROR"})"));
    EXPECT_EQ(post("/6323", R"({"idMask":0})").out, json(R"({status:"CGI ERROR"})"));
    EXPECT_TRUE(emu().received(kMsgAudioDelete).empty());
    EXPECT_EQ(post("/6323", R"({"idMask":1027})").out, json(R"({ "status": 0 })"));
    auto del = emu().received(kMsgAudioDelete);
    ASSERT_EQ(del.size(), 1u);
    ASSERT_EQ(del[0].payload.size(), 4u);
    EXPECT_EQ(del[0].u32_at(0), 1027u);

    EXPECT_EQ(post("/6324", R"({"id":3,"name":"Back door"})").out, json(R"({ "status": 0 })"));
    auto ren = emu().received(kMsgAudioRename);
    ASSERT_EQ(ren.size(), 1u);
    ASSERT_EQ(ren[0].payload.size(), 136u);
    EXPECT_EQ(ren[0].u32_at(0), 3u);
    EXPECT_EQ(ren[0].u32_at(4), 1u);
    EXPECT_EQ(ren[0].text_at(8, 128), encoded("Back door"));
    EXPECT_EQ(post("/6324", R"({"id":3,"name":")" + std::string(120, 'x') + R"("})").out,
              json(R"({status:"CGI ERROR"})"));  // its encoding does not fit

    EXPECT_EQ(post("/6325", R"({"id":1})").out, json(R"({ "status": 0 })"));
    auto play = emu().received(kMsgAudioPlay);
    ASSERT_EQ(play.size(), 1u);
    EXPECT_EQ(play[0].u32_at(0), 1u);
    EXPECT_EQ(emu().received(3485).size(), 2u);  // delete and rename, not play

    emu().rule("4015 reply 9015 hex:ffffffff");
    EXPECT_EQ(post("/6324", R"({"id":3,"name":"x"})").out, json(R"({ "status": -1 })"));
    emu().rule("4014 close");
    EXPECT_EQ(post("/6323", R"({"idMask":1})").out, json(R"({status:"CGI ERROR"})"));
    emu().rule("4016 reply 9016 hex:01");
    EXPECT_EQ(post("/6325", R"({"id":1})").out, json(R"({status:"CGI ERROR"})"));
    EXPECT_EQ(emu().received(3485).size(), 3u);
}

TEST_F(ServicePagesTest, EmptyBodiesAndTableOrder)
{
    emu();
    expect_empty_bodies_handled({"/6300", "/6301", "/6310", "/6311", "/6320", "/6321", "/6322", "/6323", "/6324", "/6325"});
    const std::vector<std::string> codes = {"/1019", "/vb.htm", "/oem", "/dw.cgi", "/6300", "/6301", "/6310",
                                            "/6311", "/6320", "/6321", "/6322", "/6323", "/6324", "/6325"};
    EXPECT_EQ(registered_codes("system", codes), codes);
}

}  // namespace
