// Playback sessions and control, end to end through the CGI program and the
// emulator.
#include <gtest/gtest.h>

#include <cstring>

#include "common/reply.h"
#include "handlers/playback/playback_records.h"
#include "tests/fixtures.h"

namespace {

class PlaybackTest : public NvrTest {
protected:
    void put_device(int channels) { put_row("device", 0, DeviceRow{0, channels}); }
    static RecordSection section(int ch, int sid, int lock, int type, const char* start, const char* end)
    {
        RecordSection r = zeroed<RecordSection>();
        r.channel = ch;
        r.sid = sid;
        r.lock = lock;
        r.record_type = type;
        set_text(r.start_time, start);
        set_text(r.end_time, end);
        std::memset(r.unused0, 0xee, sizeof r.unused0);  // bytes the reply does not read
        return r;
    }
    static SessionList list_of(std::vector<i32> sids, int count)
    {
        SessionList l = zeroed<SessionList>();
        for (size_t i = 0; i < sids.size(); i++) l.sids[i] = sids[i];
        l.count = count;
        return l;
    }
};

// ---- search ----

TEST_F(PlaybackTest, SearchLetsThePreviousSessionGoAndSendsTheChannelMask)
{
    put_device(16);
    std::vector<RecordSection> found = {
        section(3, 9, 1, 2, "2024-05-01 00:00:00", "2024-05-01 01:00:00"),
        section(4, 10, 0, 1, "2024-05-01 02:00:00", "2024-05-01 03:00:00"),
    };
    emu().rule("1159 reply 6159 hex:" + to_hex(found.data(), found.size() * sizeof(RecordSection)));
    auto r = post("/4000",
                  "{\"channelId\":3,\"sid\":5,\"streamType\":1,\"time\":\"2024-05-01 00:00:00 and then far too much\","
                  "\"endTime\":\"2024-05-02 00:00:00\"}");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    EXPECT_EQ(r.body(),
              "{ \"status\": \"OK\", \"camId\": 4, \"sectionNum\": 2, \"sid\": 9, \"section\": [ "
              "{ \"startTime\": \"2024-05-01 00:00:00\", \"endTime\": \"2024-05-01 01:00:00\", \"recordType\": 2, "
              "\"lock\": 1 }, "
              "{ \"startTime\": \"2024-05-01 02:00:00\", \"endTime\": \"2024-05-01 03:00:00\", \"recordType\": 1, "
              "\"lock\": 0 } ] }");

    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<u32>{1160, 1903, 1159}));
    EXPECT_EQ(frames[0].flags & 1, 0u);
    EXPECT_EQ(hex_of(frames[0]), hex_of(list_of({5}, 1)));
    EXPECT_EQ(frames[1].flags & 1, 0u);
    EXPECT_EQ(hex_of(frames[1]), words({5}));
    EXPECT_EQ(frames[2].flags & 1, 1u);
    SearchRequest want = zeroed<SearchRequest>();
    std::memcpy(want.mask, "0001000000000000", 16);  // then 48 zero bytes
    want.one = 1;
    want.stream_type = 1;
    want.minus_one[0] = want.minus_one[1] = -1;
    set_text(want.start_time, "2024-05-01 00:00:00 and then fa");
    set_text(want.end_time, "2024-05-02 00:00:00");
    EXPECT_EQ(hex_of(frames[2]), hex_of(want));
    EXPECT_EQ(frames[2].text_at(84, 32).size(), 31u);
}

TEST_F(PlaybackTest, SearchWithoutSessionSendsOnlyTheSearch)
{
    emu().rule("1159 reply 6159");
    const std::string request =
        "{\"channelId\":2,\"sid\":-1,\"streamType\":2,\"time\":\"a\",\"endTime\":\"b\"}";
    // No device row: the channels of `max_cameras` (32 when unset).
    EXPECT_EQ(post("/4000", request).body(), "{ \"status\": \"NO MATCHES\" }");
    ASSERT_EQ(store({"set", "max_cameras", "8"}).status, 0);
    EXPECT_EQ(post("/4000", request).body(), "{ \"status\": \"NO MATCHES\" }");
    put_device(70);  // never more than the 64 characters of the mask
    EXPECT_EQ(post("/4000", request).body(), "{ \"status\": \"NO MATCHES\" }");

    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<u32>{1159, 1159, 1159}));
    EXPECT_EQ(frames[0].text_at(0, 64), "00100000000000000000000000000000");
    EXPECT_EQ(frames[1].text_at(0, 64), "00100000");
    EXPECT_EQ(frames[2].text_at(0, 64), "0010" + std::string(60, '0'));
    EXPECT_EQ(frames[2].u32_at(64), 0u);
    EXPECT_EQ(frames[0].u32_at(72), 0u);  // stream type 2 is sent as 0
}

TEST_F(PlaybackTest, SearchReplyShorterThanARecordHasNoMatches)
{
    emu().rule("1159 reply 6159 zeros:103");
    EXPECT_EQ(post("/4000", "{\"channelId\":0,\"sid\":-1,\"streamType\":0,\"time\":\"a\",\"endTime\":\"b\"}").body(),
              "{ \"status\": \"NO MATCHES\" }");
}

TEST_F(PlaybackTest, SearchRefusalsAndNoReply)
{
    emu().rule("1159 close");
    for (const char* text : {"{\"sid\":-1,\"streamType\":0,\"time\":\"a\",\"endTime\":\"b\"}",
                             "{\"channelId\":0,\"sid\":-1,\"streamType\":0,\"time\":\"a\"}", "not json", ""})
        EXPECT_EQ(post("/4000", text).out, "") << text;
    EXPECT_TRUE(emu().received().empty());
    const char* search = "{\"channelId\":0,\"sid\":-1,\"streamType\":0,\"time\":\"a\",\"endTime\":\"b\"}";
    EXPECT_EQ(post("/4000", search).out, kJsonError);
}

TEST_F(PlaybackTest, DemoFindsRecordingsOnlyWhereCamerasAre)
{
    emu();
    const std::string times = ",\"sid\":-1,\"streamType\":0,\"time\":\"2024-05-01 00:00:00\","
                              "\"endTime\":\"2024-05-01 03:00:00\"}";
    auto found = post("/4000", "{\"channelId\":2" + times).body();
    EXPECT_EQ(found.rfind("{ \"status\": \"OK\", \"camId\": 2, \"sectionNum\": 3, \"sid\": 102, \"section\": [ "
                          "{ \"startTime\": \"2024-05-01 00:00:00\", \"endTime\": \"2024-05-01 00:48:00\"",
                          0),
              0u)
        << found;
    EXPECT_EQ(post("/4000", "{\"channelId\":12" + times).body(), "{ \"status\": \"NO MATCHES\" }");
    EXPECT_EQ(post("/4023", "{\"sid\":102,\"page\":2}").body(), "{ \"status\": \"NO MATCHES\" }");
    auto pages = emu().received(1161);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(hex_of(pages[0]), words({102, 2}));
    EXPECT_EQ(post("/4023", "{").out, "");
}

// ---- open ----

TEST_F(PlaybackTest, OpenReportsTheStreamAndLogs)
{
    emu();
    env.push_back({"HTTP_COOKIE", "userName=viewer"});
    auto r = post("/4001",
                  "{\"channelId\":2,\"playTime\":\"2024-05-01 00:30:00\",\"startTime\":\"2024-05-01 00:00:00\","
                  "\"endTime\":\"2024-05-01 01:00:00\",\"sid\":102}");
    EXPECT_EQ(r.out,
              "Content-type: application/json\r\n\r\n"
              "{ \"sessionId\": 102, \"sourcePath\": \"\\/playback\\/session102\", \"port\": 554, \"status\": \"OK\", "
              "\"realPlayTime\": \"2024-05-01 00:30:00\", \"external_port\": 554, \"external_http_port\": 80, "
              "\"ddns_port\": 0, \"ddns_http_port\": 0 }");
    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<u32>{1162, 3502, 3485}));
    OpenRequest want = zeroed<OpenRequest>();
    want.channel = 2;
    want.sid = 102;
    set_text(want.start_time, "2024-05-01 00:00:00");
    set_text(want.end_time, "2024-05-01 01:00:00");
    set_text(want.play_time, "2024-05-01 00:30:00");
    EXPECT_EQ(hex_of(frames[0]), hex_of(want));
    EXPECT_EQ(frames[0].flags & 1, 1u);
    EXPECT_EQ(hex_of(frames[1]), words({102}));
    EXPECT_EQ(frames[1].flags & 1, 1u);
    EXPECT_EQ(frames[2].i64_at(8), 209);
    EXPECT_EQ(frames[2].u32_at(24), 900u);
    EXPECT_EQ(frames[2].u32_at(32), 3u);
    EXPECT_EQ(frames[2].text_at(82, 64), "viewer");
}

TEST_F(PlaybackTest, OpenRefusedByTheDaemonIsAnErrorWithoutLog)
{
    emu().rule("1162 reply 6162 hex:ffffffff");
    const std::string request =
        "{\"channelId\":1,\"playTime\":\"p\",\"startTime\":\"s\",\"endTime\":\"e\",\"sid\":3}";
    EXPECT_EQ(post("/4001", request).out, kJsonError);
    EXPECT_EQ(codes_of(emu().received()), (std::vector<u32>{1162}));
}

TEST_F(PlaybackTest, OpenWithAShortResultIsAnError)
{
    emu().rule("1162 reply 6162 hex:00");
    EXPECT_EQ(post("/4001", "{\"channelId\":1,\"playTime\":\"p\",\"startTime\":\"s\",\"endTime\":\"e\",\"sid\":3}").out,
              kJsonError);
    EXPECT_EQ(codes_of(emu().received()), (std::vector<u32>{1162}));
}

TEST_F(PlaybackTest, OpenWithoutStreamInfoIsAnErrorButTheOpenIsLogged)
{
    emu().rule("3502 close");
    EXPECT_EQ(post("/4001", "{\"channelId\":1,\"playTime\":\"p\",\"startTime\":\"s\",\"endTime\":\"e\",\"sid\":3}").out,
              kJsonError);
    EXPECT_EQ(codes_of(emu().received()), (std::vector<u32>{1162, 3502, 3485}));
}

TEST_F(PlaybackTest, OpenRefusals)
{
    emu();
    for (const char* text : {"{\"channelId\":16,\"playTime\":\"p\",\"startTime\":\"s\",\"endTime\":\"e\",\"sid\":3}",
                             "{\"channelId\":-1,\"playTime\":\"p\",\"startTime\":\"s\",\"endTime\":\"e\",\"sid\":3}",
                             "{\"channelId\":1,\"startTime\":\"s\",\"endTime\":\"e\",\"sid\":3}",
                             "{\"channelId\":1,\"playTime\":\"p\",\"startTime\":\"s\",\"endTime\":\"e\"}", "[1", ""})
        EXPECT_EQ(post("/4001", text).out, "") << text;
    EXPECT_TRUE(emu().received().empty());
}

// ---- play time ----

TEST_F(PlaybackTest, PlayTimeIsFormattedInLocalTime)
{
    env.push_back({"TZ", "UTC"});
    emu().rule("1153 reply 6153 hex:" + words({1714521600}));
    EXPECT_EQ(post("/4002", "7").out,
              "Content-type: application/json\r\n\r\n{ \"status\": \"OK\", \"curPlayTime\": \"2024-05-01 00:00:00\" }");
    for (const char* text : {"-1", "x", "", "7x"}) EXPECT_EQ(post("/4002", text).out, "") << text;
    EXPECT_EQ(hex_of(sent_once(1153)), words({7}));
}

TEST_F(PlaybackTest, PlayTimeOfZeroSecondsIsAnError)
{
    emu().rule("1153 reply 6153 hex:00000000");
    EXPECT_EQ(post("/4002", "0").out, kJsonError);
}

// ---- session lists ----

TEST_F(PlaybackTest, CloseEndsEachSessionThenSendsTheLists)
{
    emu();
    EXPECT_EQ(post("/4003", "{\"close\":1,\"num\":2,\"sid\":[4,-1,7]}").out, kOk);
    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<u32>{1903, 1164, 1160}));
    for (auto& f : frames) EXPECT_EQ(f.flags & 1, 0u);
    EXPECT_EQ(hex_of(frames[0]), words({4}));
    EXPECT_EQ(hex_of(frames[1]), hex_of(list_of({4, -1, 7}, 2)));
    EXPECT_EQ(hex_of(frames[2]), hex_of(list_of({4, -1, 7}, 2)));
}

TEST_F(PlaybackTest, ListCountNeverExceedsTheEntriesSent)
{
    emu();
    EXPECT_EQ(post("/4003", "{\"close\":0,\"num\":9,\"sid\":[3]}").body(), "OK");
    std::string many = "[";
    for (int i = 0; i < 70; i++) many += std::to_string(i) + (i < 69 ? "," : "]");
    EXPECT_EQ(post("/4004", "{\"num\":70,\"sid\":" + many + "}").body(), "OK");
    EXPECT_EQ(post("/4006", "{\"num\":-3,\"sid\":[1,2]}").body(), "OK");
    EXPECT_EQ(post("/4004", "{\"num\":2,\"sid\":5}").body(), "OK");  // not an array: no entries

    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<u32>{1903, 1164, 1165, 1170, 1165}));
    EXPECT_EQ(hex_of(frames[1]), hex_of(list_of({3}, 1)));
    std::vector<i32> first64;
    for (int i = 0; i < 64; i++) first64.push_back(i);
    EXPECT_EQ(hex_of(frames[2]), hex_of(list_of(first64, 64)));
    EXPECT_EQ(hex_of(frames[3]), hex_of(list_of({1, 2}, 0)));
    EXPECT_EQ(hex_of(frames[4]), hex_of(list_of({}, 0)));
}

TEST_F(PlaybackTest, SpeedDirectionAndStopLists)
{
    emu();
    EXPECT_EQ(post("/4007", "{\"chind\":0,\"num\":2,\"sessionId\":[1,2],\"speed\":[4,8]}").out, kOk);
    EXPECT_EQ(post("/4007", "{\"num\":2,\"sessionId\":[1,2],\"speed\":[4,8]}").out, "");
    EXPECT_EQ(post("/4007", "{\"chind\":-1,\"num\":2,\"sessionId\":[1,2],\"speed\":[4,8]}").out, "");
    EXPECT_EQ(post("/3003", "{\"sessionId\":[8,9]}").out, kOk);
    EXPECT_EQ(post("/4005", "{\"sid\":3,\"direction\":1}").out, kOk);
    EXPECT_EQ(post("/4005", "sid=3").out, "");

    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<u32>{1112, 1113, 1166}));
    SessionList speeds = list_of({1, 2}, 2);
    speeds.speeds[0] = 4;
    speeds.speeds[1] = 8;
    EXPECT_EQ(hex_of(frames[0]), hex_of(speeds));
    EXPECT_EQ(hex_of(frames[1]), hex_of(list_of({8, 9}, 0)));
    EXPECT_EQ(hex_of(frames[2]), words({3, 1}));
}

TEST_F(PlaybackTest, SpeedMasksAndTheSingleSessionFastFlag)
{
    emu();
    EXPECT_EQ(post("/4008", "{\"chind\":[1,70,3,5],\"num\":3,\"speed\":4}").out, kOk);
    EXPECT_EQ(post("/4008", "{\"num\":1,\"speed\":4}").out, "");
    EXPECT_EQ(post("/4022", "{\"num\":1,\"sid\":[2],\"speed\":2}").out, kOk);
    EXPECT_EQ(post("/4022", "{\"num\":2,\"sid\":[2,3],\"speed\":2}").out, kOk);
    EXPECT_EQ(post("/4022", "{\"num\":1,\"sid\":[-1],\"speed\":3}").out, kOk);

    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<u32>{1149, 1167, 1167, 1167}));
    auto mask = [](std::vector<int> ones, int speed, int fast) {
        SpeedByChannel s = zeroed<SpeedByChannel>();
        std::memset(s.mask, '0', sizeof s.mask);
        for (int i : ones) s.mask[i] = '1';
        s.speed = speed;
        s.fast = fast;
        return hex_of(s);
    };
    EXPECT_EQ(hex_of(frames[0]), mask({1, 3}, 4, 0));
    EXPECT_EQ(hex_of(frames[1]), mask({2}, 2, 1));
    EXPECT_EQ(hex_of(frames[2]), mask({2, 3}, 2, 0));
    EXPECT_EQ(hex_of(frames[3]), mask({}, 3, 0));
}

// ---- jump ----

TEST_F(PlaybackTest, JumpSendsThePairsTheClientNamed)
{
    emu();
    const std::string when(70, '9');
    EXPECT_EQ(post("/4009", "{\"jumpTime\":\"" + when + "\",\"sid\":[5,6],\"chnid\":[1,2],\"num\":3}").out,
              "Content-type: application/json\r\n\r\n{ \"status\": \"OK\" }");
    auto sent = emu().received(1171);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].flags & 1, 1u);
    JumpRequest want = zeroed<JumpRequest>();
    want.channels[0] = 1;
    want.channels[1] = 2;
    want.sids[0] = 5;
    want.sids[1] = 6;
    want.count = 2;
    set_text(want.jump_time, std::string(63, '9').c_str());
    EXPECT_EQ(hex_of(sent[0]), hex_of(want));
}

TEST_F(PlaybackTest, JumpWithoutEntriesIsAnErrorAndSendsNothing)
{
    emu();
    EXPECT_EQ(post("/4009", "{\"jumpTime\":\"t\",\"sid\":[5],\"chnid\":[1],\"num\":0}").out, kJsonError);
    EXPECT_EQ(post("/4009", "{\"jumpTime\":\"t\",\"sid\":[],\"chnid\":[1],\"num\":1}").out, kJsonError);
    EXPECT_EQ(post("/4009", "{\"sid\":[5],\"chnid\":[1],\"num\":1}").out, "");
    EXPECT_EQ(post("/4009", "").out, "");
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(PlaybackTest, JumpRefusedByTheDaemon)
{
    emu().rule("1171 reply 6171 hex:01000000");
    EXPECT_EQ(post("/4009", "{\"jumpTime\":\"t\",\"sid\":[5],\"chnid\":[1],\"num\":1}").body(),
              "{ \"status\": \"ERROR\" }");
}

// ---- live stream ----

TEST_F(PlaybackTest, LiveAddressThenLog)
{
    emu();
    EXPECT_EQ(post("/4010", "{\"id\":1,\"streamType\":1,\"streamFrom\":0}").out,
              "Content-type: application/json\r\n\r\n"
              "{ \"status\": \"OK\", \"port\": 554, \"direct\": 0, \"rtspAddr\": \"rtsp:\\/\\/127.0.0.1:554\\/ch02\\/1\", "
              "\"resPath\": \"\\/live\\/ch02\\/sub\" }");
    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<u32>{3500, 3485}));
    EXPECT_EQ(hex_of(frames[0]), words({1, 1, 0}));
    EXPECT_EQ(frames[1].i64_at(8), 208);
    EXPECT_EQ(frames[1].u32_at(24), 900u);
    EXPECT_EQ(frames[1].u32_at(32), 2u);

    // The demo has no camera on channel 9: an error and no log.
    EXPECT_EQ(post("/4010", "{\"id\":9,\"streamType\":0,\"streamFrom\":1}").body(), "{ \"status\": \"ERROR\" }");
    EXPECT_EQ(emu().received(3485).size(), 1u);

    for (const char* text : {"{\"id\":16,\"streamType\":0,\"streamFrom\":0}", "{\"id\":1,\"streamType\":2}",
                             "{\"id\":1,\"streamFrom\":-1}", "id=1", ""}) {
        EXPECT_EQ(post("/4010", text).out, "") << text;
        EXPECT_EQ(post("/4011", text).out, "") << text;
    }
    EXPECT_EQ(post("/4011", "{\"id\":3,\"streamType\":1,\"streamFrom\":1}").out, kOk);
    EXPECT_EQ(hex_of(sent_once(1901, false)), words({3, 1, 0}));
    EXPECT_EQ(emu().received(3500).size(), 2u);
}

TEST_F(PlaybackTest, LiveAddressReplyShorterThanItsRecordIsAnErrorWithoutLog)
{
    emu().rule("3500 reply 8500 zeros:975");
    EXPECT_EQ(post("/4010", "{\"id\":1}").out, kJsonError);
    EXPECT_TRUE(emu().received(3485).empty());
}

TEST_F(PlaybackTest, LogRequestCountsTheChannelFromOne)
{
    emu();
    EXPECT_EQ(post("/4024", "15").out, kOk);
    EXPECT_EQ(post("/4024", "16").out, "");
    EXPECT_EQ(post("/4024", "").out, "");
    auto logs = emu().received(3485);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].i64_at(8), 208);
    EXPECT_EQ(logs[0].u32_at(32), 16u);
}

// ---- transcoding ----

TEST_F(PlaybackTest, TranscodingStartAndState)
{
    emu();
    EXPECT_EQ(post("/4025", "{\"ch\":2,\"sid\":102,\"trancodingmode\":1,\"framesize\":3,\"bitrate\":512,\"framerate\":15}")
                  .out,
              "Content-type: application/json\r\n\r\n{ \"ch\": 2, \"sid\": 102, \"state\": 1, \"status\": \"OK\" }");
    EXPECT_EQ(post("/4026", "{\"ch\":2,\"sid\":102}").body(), "{ \"ch\": 2, \"sid\": 102, \"state\": 1 }");
    EXPECT_EQ(post("/4025", "").out, kJsonError);
    EXPECT_EQ(post("/4026", "ch=2").out, kJsonError);
    auto frames = emu().received();
    ASSERT_EQ(codes_of(frames), (std::vector<u32>{1176, 1177}));
    EXPECT_EQ(hex_of(frames[0]), words({2, 102, 1, 3, 512, 15}));
    EXPECT_EQ(hex_of(frames[1]), words({2, 102}));
}

TEST_F(PlaybackTest, TranscodingReplyShorterThanItsRecordIsAnError)
{
    emu().rule("1177 reply 6177 hex:0200000066000000");
    EXPECT_EQ(post("/4026", "{\"ch\":2,\"sid\":102}").out, kJsonError);
}

// A frame under a reply code the request does not expect (another query's
// record) is no answer: the request ends as unanswered when the daemon hangs
// up, whatever that record would have made of it.
TEST_F(PlaybackTest, ReplyUnderAnotherQuerysCodeIsNoAnswer)
{
    emu().rule("1162 reply 6153 hex:00000000");  // a play time where the open result belongs
    emu().rule("1162 close");
    const char* open = "{\"channelId\":1,\"playTime\":\"p\",\"startTime\":\"s\",\"endTime\":\"e\",\"sid\":3}";
    EXPECT_EQ(post("/4001", open).out, kJsonError);
    EXPECT_EQ(codes_of(emu().received()), (std::vector<u32>{1162}));

    emu().rule("3500 reply 8103 zeros:40");  // a synchronous session where the live address belongs
    emu().rule("3500 close");
    EXPECT_EQ(post("/4010", "{\"id\":1,\"streamType\":0,\"streamFrom\":0}").out, kJsonError);
    EXPECT_TRUE(emu().received(3485).empty());

    emu().rule("1159 reply 6161 zeros:104");  // the next page's code answers no search
    emu().rule("1159 close");
    const char* search = "{\"channelId\":0,\"sid\":-1,\"streamType\":0,\"time\":\"a\",\"endTime\":\"b\"}";
    EXPECT_EQ(post("/4000", search).out, kJsonError);
}

TEST_F(PlaybackTest, ModuleListsItsCodesInTableOrder)
{
    const std::vector<std::string> mine = {"/4000", "/4001", "/4002", "/4003", "/4004", "/4005",
                                           "/4006", "/4007", "/4008", "/4009", "/4010", "/4011",
                                           "/3003", "/4022", "/4023", "/4024", "/4025", "/4026"};
    EXPECT_EQ(registered_codes("playback", mine), mine);
}

TEST_F(PlaybackTest, EveryCodeSurvivesAnEmptyOrMissingBody)
{
    emu();
    expect_empty_bodies_handled({"/4000", "/4001", "/4002", "/4003", "/4004", "/4005", "/4006", "/4007", "/4008", "/4009",
                             "/4010", "/4011", "/3003", "/4022", "/4023", "/4024", "/4025", "/4026"});
}

}  // namespace
