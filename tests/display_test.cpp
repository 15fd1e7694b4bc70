// Display settings, the pages' language texts and the languages list, end
// to end through the CGI program, the store and the emulator.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "handlers/network/network_records.h"
#include "handlers/system/display_records.h"
#include "tests/fixtures.h"

namespace {

const char* kJsonHeader = "Content-type: application/json";
const std::string kLangDir = "/opt/app/www/webfile/json";


// A request of every key, with some overridden or removed.
std::string settings(const std::map<std::string, std::string>& change = {})
{
    std::map<std::string, std::string> keys = {
        {"mainResolution", "0"}, {"subResolution", "0"},   {"subEnable", "0"},         {"audioOutputOn", "1"},
        {"audioVolume", "50"},   {"audioStereo", "0"},     {"hdmiAudioOn", "1"},       {"homologous", "1"},
        {"isHomologousChanged", "0"}, {"hostname", "\"NVR\""}, {"deviceId", "255"}, {"wizardEnable", "0"},
        {"displayMode", "0"},    {"hdmihotplug", "1"},     {"streamInfo", "0"},
    };
    for (auto& [k, v] : change) {
        if (v.empty())
            keys.erase(k);
        else
            keys[k] = v;
    }
    std::string s = "{";
    for (auto& [k, v] : keys) s += (s.size() > 1 ? "," : "") + ("\"" + k + "\":" + v);
    return s + "}";
}

class DisplayTest : public NvrTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(store({"init"}).status, 0);
        emu();
    }
    std::string key(const char* name) { return store({"get", name}).out; }
    DisplayRecord display()
    {
        DisplayRecord d;
        EXPECT_TRUE(stored("display", 0, &d));
        return d;
    }
    // Everything the factory store holds for the page, as text.
    std::string state()
    {
        NetworkRow net;
        stored("network", 0, &net);
        DisplayRecord d = display();
        return to_hex(&d, sizeof d) + text_of(net.host_name).s + key("deviceid") + key("wizard_enable") +
               key("display_mode") + key("hdmihotplug") + key("homologous") + key("quick_screen") +
               key("stream_information");
    }
};

TEST_F(DisplayTest, CodesJoinTheirModuleTables)
{
    EXPECT_EQ(registered_codes("system", {"/1001", "/6080", "/6081", "/json"}),
              (std::vector<std::string>{"/1001", "/6080", "/6081", "/json"}));
    EXPECT_EQ(registered_codes("playback", {"/3000", "/3001", "/3002"}),
              (std::vector<std::string>{"/3000", "/3001", "/3002"}));
    EXPECT_EQ(registered_codes("camera", {"/2013"}), (std::vector<std::string>{"/2013"}));
    expect_empty_bodies_handled({"/6080", "/6081", "/json", "/1001", "/3000", "/3001", "/3002", "/2013"});
}

TEST_F(DisplayTest, ReadGivesTheFactorySettings)
{
    auto r = post("/6080", "ignored");
    EXPECT_EQ(r.header(), kJsonHeader);
    EXPECT_EQ(r.body(),
              "{ \"displayMode\": 0, \"hdmihotplug\": 1, \"mainResolution\": 0, \"hdmiAudioOn\": 1, "
              "\"homologous\": 1, \"curControl\": 0, \"subEnable\": 0, \"subResolution\": 0, \"audioOutputOn\": 1, "
              "\"audioVolume\": 50, \"deviceId\": 255, \"hostname\": \"NVR\", \"wizardEnable\": 0 }");
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(DisplayTest, WriteStoresEverythingAndSendsTheMessagesInOrder)
{
    auto r = post("/6081", settings({{"mainResolution", "3"}, {"subResolution", "2"}, {"audioVolume", "100"},
                                     {"audioStereo", "1"}, {"hdmiAudioOn", "0"}, {"hostname", "\"Front door\""},
                                     {"deviceId", "256"}, {"wizardEnable", "1"}, {"displayMode", "1"},
                                     {"hdmihotplug", "0"}, {"streamInfo", "1"}}));
    EXPECT_EQ(r.out, kOk);

    DisplayRecord d = display();
    EXPECT_EQ(d.main_resolution, 3);
    EXPECT_EQ(d.sub_resolution, 2);
    EXPECT_EQ(d.audio_volume, 100);
    EXPECT_EQ(d.audio_stereo, 1);
    EXPECT_EQ(d.hdmi_audio_on, 0);
    EXPECT_EQ(d.audio_output_on, 1);
    EXPECT_EQ(d.sub_enable, 0);
    NetworkRow net;
    ASSERT_TRUE(stored("network", 0, &net));
    EXPECT_STREQ(text_of(net.host_name).s, "Front door");
    EXPECT_STREQ(text_of(net.port[0].address).s, "192.168.1.100");  // the rest of the row is kept
    EXPECT_EQ(key("deviceid"), "256\n");
    EXPECT_EQ(key("wizard_enable"), "1\n");
    EXPECT_EQ(key("display_mode"), "1\n");
    EXPECT_EQ(key("hdmihotplug"), "0\n");
    EXPECT_EQ(key("stream_information"), "1\n");
    EXPECT_EQ(key("homologous"), "1\n");  // not changed without isHomologousChanged

    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<u32>{1705, 1702, 1001, 1001, 1015, 1002, 3485}));
    for (auto& f : frames) EXPECT_EQ(f.flags & 1, 0u) << f.code;
    EXPECT_EQ(hex_of(frames[0]), words({256}));
    EXPECT_EQ(frames[1].payload.size(), 32u);
    EXPECT_EQ(frames[1].text_at(0, 32), "hostname");
    EXPECT_EQ(hex_of(frames[2]), words({0, 3}));
    EXPECT_EQ(hex_of(frames[3]), words({1, 2}));
    EXPECT_TRUE(frames[4].payload.empty());
    EXPECT_EQ(hex_of(frames[5]), words({0, 1, 100}));
    EXPECT_EQ(frames[6].u32_at(0), 4u);
    EXPECT_EQ(frames[6].i64_at(8), 204);
    EXPECT_EQ(frames[6].u32_at(24), 913u);
    EXPECT_EQ(frames[6].u32_at(32), 0u);

    EXPECT_EQ(post("/6080", "").body(),
              "{ \"displayMode\": 1, \"hdmihotplug\": 0, \"mainResolution\": 3, \"hdmiAudioOn\": 0, "
              "\"homologous\": 1, \"curControl\": 0, \"subEnable\": 0, \"subResolution\": 2, \"audioOutputOn\": 1, "
              "\"audioVolume\": 100, \"deviceId\": 256, \"hostname\": \"Front door\", \"wizardEnable\": 1 }");
}

TEST_F(DisplayTest, AudioOnlyChangeLeavesTheOutputsAlone)
{
    EXPECT_EQ(post("/6081", settings({{"audioVolume", "0"}, {"audioOutputOn", "0"}})).out, kOk);
    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<u32>{1705, 1702, 1002, 3485}));
    EXPECT_EQ(hex_of(frames[2]), words({1, 0, 0}));
    EXPECT_EQ(display().audio_volume, 0);
    // Any multiple of 10 up to 100 is taken, below 0 too.
    EXPECT_EQ(post("/6081", settings({{"audioVolume", "-10"}})).out, kOk);
    EXPECT_EQ(display().audio_volume, -10);
}

TEST_F(DisplayTest, BadSettingsWriteAndSendNothing)
{
    const std::string before = state();
    const std::vector<std::string> bad = {
        settings({{"audioVolume", "55"}}),     settings({{"audioVolume", "110"}}),
        settings({{"audioOutputOn", "2"}}),
        settings({{"hdmiAudioOn", "-1"}}),     settings({{"wizardEnable", "2"}}),
        settings({{"deviceId", "257"}}),       settings({{"deviceId", "-1"}}),
        settings({{"displayMode", "2"}}),      settings({{"subEnable", "2"}}),
        settings({{"mainResolution", ""}}),    settings({{"subResolution", ""}}),
        settings({{"hostname", ""}}),          settings({{"audioVolume", ""}}),
        settings({{"deviceId", ""}}),          "not json",
        "{\"mainResolution\":1",
    };
    for (const std::string& b : bad) EXPECT_EQ(post("/6081", b).out, "") << b;
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(state(), before);
}

TEST_F(DisplayTest, SwitchingToTwoPicturesRepliesThenReboots)
{
    auto r = post("/6081", settings({{"homologous", "0"}, {"isHomologousChanged", "1"}, {"subEnable", "0"}}));
    EXPECT_EQ(r.out, kOk);
    EXPECT_EQ(display().sub_enable, 1);
    EXPECT_EQ(key("homologous"), "0\n");
    EXPECT_EQ(key("quick_screen"), "1\n");
    // No 1023 while the picture mode changes: the restart applies it.
    EXPECT_EQ(codes_of(emu().received()), (std::vector<u32>{1705, 1702, 1002, 3485, 1703}));

    EXPECT_EQ(post("/6081", settings({{"homologous", "1"}, {"isHomologousChanged", "1"}})).out, kOk);
    EXPECT_EQ(display().sub_enable, 0);
    EXPECT_EQ(key("homologous"), "1\n");
    EXPECT_EQ(key("quick_screen"), "0\n");
}

TEST_F(DisplayTest, SubOutputSwitchAndControl)
{
    // The main output has control: the new sub-output state goes to the daemon.
    EXPECT_EQ(post("/6081", settings({{"subEnable", "1"}})).out, kOk);
    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<u32>{1023, 1705, 1702, 1002, 3485}));
    EXPECT_EQ(hex_of(frames[0]), words({1}));
    EXPECT_EQ(display().sub_enable, 0);  // the daemon stores what it applies

    // The sub output has control: "SUB", and no switch from here.
    DisplayRecord d = display();
    d.cur_control = 1;
    d.reserved1[5] = 0x5a;  // bytes no field names survive the write
    put_row("display", 0, d);
    EXPECT_EQ(post("/6081", settings({{"subEnable", "1"}})).out, "Content-type: text/plain\r\n\r\nSUB");
    EXPECT_EQ(codes_of(emu().received()), (std::vector<u32>{1023, 1705, 1702, 1002, 3485, 1705, 1702, 1002, 3485}));
    EXPECT_EQ(display().reserved1[5], 0x5a);
    EXPECT_EQ(display().cur_control, 1);
}

TEST_F(DisplayTest, HostNameIsCutAndOnlyStored)
{
    const std::string name = "$(touch /tmp/pwned);`id`" + std::string(200, 'x');
    EXPECT_EQ(post("/6081", settings({{"hostname", "\"" + name + "\""}})).out, kOk);
    NetworkRow net;
    ASSERT_TRUE(stored("network", 0, &net));
    EXPECT_EQ(std::string(text_of(net.host_name).s), name.substr(0, 127));
    EXPECT_FALSE(root().exists("/tmp/pwned"));
}

// ---- page texts ----

class PageTextTest : public NvrTest {
protected:
    void SetUp() override
    {
        root().write_file(kLangDir + "/en.json",
                          "{//live.json\n\"title\": \"Live\",\n\"play\": \"Play\"\n}//live.json\n"
                          "{//setup=display.json\n\"title\": \"Display\"\n}//setup=display.json\n"
                          "{//setup.json\n\"title\": \"Setup\"\n}//setup.json\n");
        // Files outside the language directory, with blocks of the same names.
        const std::string secret = "{//live.json\n\"secret\": 1\n}//live.json\n";
        root().write_file("/opt/app/www/webfile/secret.json", secret);
        root().write_file("/secret.json", secret);
        root().write_file("/tmp/secret.json", secret);
    }
    std::string json_body(const std::string& body) { return std::string(kJsonHeader) + "\r\n\r\n" + body; }
};

TEST_F(PageTextTest, PageAndSubPageBlocks)
{
    emu();
    EXPECT_EQ(get("/json", "lang=en&page=live").out, json_body("{\n\"title\": \"Live\",\n\"play\": \"Play\"\n\n}"));
    EXPECT_EQ(get("/json", "page=setup&sub=display&lang=en").out, json_body("{\n\"title\": \"Display\"\n\n}"));
    EXPECT_EQ(get("/json", "lang=en&page=setup&sub=").out, json_body("{\n\"title\": \"Setup\"\n\n}"));
    EXPECT_EQ(post("/json", "lang=en&page=setup").out, json_body("{\n\"title\": \"Setup\"\n\n}"));
    // A page the file does not hold: an empty block.
    EXPECT_EQ(get("/json", "lang=en&page=nothing").out, json_body(""));
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(PageTextTest, MissingPageOrLanguage)
{
    const std::string page_error = "Content-type: text/plain\r\n\r\nERROR PAGE.";
    const std::string lang_error = "Content-type: text/plain\r\n\r\nERROR LANG.";
    EXPECT_EQ(get("/json", "lang=en").out, page_error);
    EXPECT_EQ(get("/json", "lang=en&page=").out, page_error);
    EXPECT_EQ(get("/json", "lang=xx&page=live").out, lang_error);
    EXPECT_EQ(get("/json", "page=live").out, lang_error);
    EXPECT_EQ(get("/json", "lang=&page=live").out, lang_error);
}

TEST_F(PageTextTest, LanguageNeverNamesAFileOutsideItsDirectory)
{
    const std::string lang_error = "Content-type: text/plain\r\n\r\nERROR LANG.";
    root().write_file(kLangDir + "/sub/en.json", "{//live.json\n\"nested\": 1\n}//live.json\n");
    for (const std::string& lang :
         {std::string("../secret"), std::string("../../../../secret"), std::string("..%2Fsecret"),
          root().path() + "/secret", std::string("/secret"), std::string("/tmp/secret"), std::string("sub/en"),
          std::string(".."), std::string("en/../en"), std::string("x..y"), std::string("en\t"),
          std::string(64, 'e')}) {
        auto r = get("/json", "lang=" + lang + "&page=live");
        EXPECT_EQ(r.out, lang_error) << lang;
        EXPECT_EQ(r.out.find("secret"), std::string::npos) << lang;
    }
    // Directories and pipes are not language files either.
    ASSERT_EQ(mkdir(root().at(kLangDir + "/dir.json").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(root().at(kLangDir + "/pipe.json").c_str(), 0644), 0);
    EXPECT_EQ(get("/json", "lang=dir&page=live").out, lang_error);
    auto piped = get("/json", "lang=pipe&page=live");
    EXPECT_FALSE(piped.timed_out);
    EXPECT_EQ(piped.out, lang_error);
    // A name of 63 characters is still a language.
    root().write_file(kLangDir + "/" + std::string(63, 'e') + ".json", "{//live.json\nx\n}//live.json\n");
    EXPECT_EQ(get("/json", "lang=" + std::string(63, 'e') + "&page=live").out, json_body("{\nx\n\n}"));
}

TEST_F(PageTextTest, BlockEdges)
{
    const std::string long_line(5000, 'a');
    root().write_file(kLangDir + "/t.json",
                      "}//a.json\n"  // a closing line before the block does not end it
                      "{//a.json\n" + long_line + "\n}//a.json trailing\n"
                      "{//open.json\nfirst\nlast");
    EXPECT_EQ(get("/json", "lang=t&page=a").out, json_body("{\n" + long_line + "\n\n}"));
    // No closing marker: the text up to the end, with no closing brace.
    EXPECT_EQ(get("/json", "lang=t&page=open").out, json_body("{\nfirst\nlast"));
}

TEST_F(PageTextTest, LanguagesListIsReplacedWhole)
{
    emu();
    root().write_file(kLangDir + "/languages.json", "old list\n");
    EXPECT_EQ(post("/1001", "{\"lang\":[\"en\",\"de\"]}").out, kOk);
    EXPECT_EQ(root().read_file(kLangDir + "/languages.json"), "{\"lang\":[\"en\",\"de\"]}\n");
    EXPECT_FALSE(root().exists(kLangDir + "/languages_bak.json"));
    EXPECT_TRUE(root().exists("/tmp/cgilockfile"));
    EXPECT_TRUE(emu().received().empty());

    // An empty list is refused: the pages keep their languages.
    for (const char* empty : {"", "  \n"}) {
        EXPECT_EQ(post("/1001", empty).out, "Content-type: text/plain\r\n\r\nERROR") << empty;
        EXPECT_EQ(root().read_file(kLangDir + "/languages.json"), "{\"lang\":[\"en\",\"de\"]}\n");
    }
}

TEST_F(PageTextTest, LanguagesSideFileIsNeverWrittenThrough)
{
    root().write_file("/outside.txt", "keep me");
    root().write_file(kLangDir + "/languages.json", "old\n");
    ASSERT_EQ(symlink(root().at("/outside.txt").c_str(), root().at(kLangDir + "/languages_bak.json").c_str()), 0);
    EXPECT_EQ(post("/1001", "new").out, kOk);
    EXPECT_EQ(root().read_file("/outside.txt"), "keep me");
    EXPECT_EQ(root().read_file(kLangDir + "/languages.json"), "new\n");
    struct stat st;
    EXPECT_EQ(lstat(root().at(kLangDir + "/languages.json").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST_F(PageTextTest, ListThatCannotBeWrittenIsAnsweredAsAnError)
{
    // The language directory is a plain file: nothing can be written there.
    root().write_file("/opt/app/www/webfile/placeholder", "");
    std::filesystem::remove_all(root().at(kLangDir));
    ASSERT_EQ(rename(root().at("/opt/app/www/webfile/placeholder").c_str(), root().at(kLangDir).c_str()), 0);
    EXPECT_EQ(post("/1001", "{\"lang\":[\"en\"]}").out, "Content-type: text/plain\r\n\r\nERROR");
}

TEST_F(PageTextTest, ConcurrentReplacementsLeaveOneWholeList)
{
    std::vector<std::string> lists;
    for (int i = 0; i < 4; i++) lists.push_back("list " + std::to_string(i) + " " + std::string(20000, char('a' + i)));
    std::vector<CgiRequest> writes;
    for (auto& l : lists) {
        CgiRequest r;
        r.code = "/1001";
        r.body = l;
        writes.push_back(r);
    }
    for (auto& r : run_together(writes)) EXPECT_EQ(r.out, kOk);
    const std::string now = root().read_file(kLangDir + "/languages.json");
    bool whole = false;
    for (auto& l : lists) whole = whole || now == l + "\n";
    EXPECT_TRUE(whole) << now.substr(0, 40);
    EXPECT_FALSE(root().exists(kLangDir + "/languages_bak.json"));
}

}  // namespace
