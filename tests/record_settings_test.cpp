// Holidays, per-channel record settings and the recording capability
// queries, end to end through the CGI program and the emulator.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/json.h"
#include "common/reply.h"
#include "handlers/camera/camera_records.h"
#include "handlers/record/record_records.h"
#include "tests/fixtures.h"

namespace {

class RecordSettingsTest : public NvrTest {
protected:
    HolidayRow holiday(int id)
    {
        HolidayRow h = zeroed<HolidayRow>();
        stored("holiday", id, &h);
        return h;
    }
    RecordRow record(int id)
    {
        RecordRow r = zeroed<RecordRow>();
        stored("record", id, &r);
        return r;
    }
    CameraRecord camera(int id)
    {
        CameraRecord c = zeroed<CameraRecord>();
        stored("camera", id, &c);
        return c;
    }
    void put_camera(int id, int enable, int protocol, int poe, int anr, int stream)
    {
        CameraRecord c = zeroed<CameraRecord>();
        c.id = id;
        c.enable = enable;
        c.protocol = protocol;
        c.poe_channel = poe;
        c.anr = anr;
        c.record_stream = stream;
        set_text(c.ip, "192.168.1.50");
        put_row("camera", id, c);
    }
};

const std::string kHoliday3 =
    "{\"id\":3,\"enable\":1,\"name\":\"New Year\",\"type\":1,\"startYear\":2025,\"startMon\":1,\"startMDay\":1,"
    "\"startMWeek\":0,\"startWDay\":0,\"endYear\":2025,\"endMon\":1,\"endMDay\":2,\"endMWeek\":0,\"endWDay\":0}";

// ---- holidays ----

TEST_F(RecordSettingsTest, FactoryHolidaysAreListedInIdOrderWithTheirKeys)
{
    ASSERT_EQ(store({"init"}).status, 0);
    auto r = post("/6030", "");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    JsonPtr reply = json_parse(r.body().c_str());
    json_object* list = jget(reply.get(), "holidays");
    ASSERT_EQ(json_object_array_length(list), 32u);
    EXPECT_EQ(jint(json_object_array_get_idx(list, 31), "id"), 31);
    EXPECT_STREQ(json_object_to_json_string(json_object_array_get_idx(list, 0)),
                 "{ \"id\": 0, \"enable\": 0, \"name\": \"\", \"type\": 0, \"startYear\": 0, \"startMon\": 1, "
                 "\"startMDay\": 1, \"startMWeek\": 1, \"startWDay\": 0, \"endYear\": 0, \"endMon\": 1, "
                 "\"endMDay\": 1, \"endMWeek\": 1, \"endWDay\": 0 }");
}

TEST_F(RecordSettingsTest, HolidaysAddedEditedAndRemovedKeepTheOthers)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    env.push_back({"HTTP_COOKIE", "userName=oper"});
    EXPECT_EQ(post("/6031", kHoliday3).out, "Content-type: text/plain\r\n\r\nOK");
    EXPECT_EQ(post("/6031", "{\"id\":4,\"enable\":1,\"name\":\"Spring\",\"type\":2,\"startMon\":4,\"startMWeek\":2,"
                            "\"startWDay\":1,\"endMon\":4,\"endMWeek\":2,\"endWDay\":5}")
                  .body(),
              "OK");
    // Edit holiday 3: a number key left out reads as 0.
    EXPECT_EQ(post("/6031", "{\"id\":3,\"enable\":1,\"name\":\"New Year's Day\",\"type\":1,\"startMon\":1}").body(),
              "OK");
    HolidayRow h3 = holiday(3);
    EXPECT_STREQ(h3.name, "New Year's Day");
    EXPECT_EQ(h3.start_mon, 1);
    EXPECT_EQ(h3.start_year, 0);
    EXPECT_EQ(h3.end_mday, 0);
    HolidayRow h4 = holiday(4);
    EXPECT_STREQ(h4.name, "Spring");
    EXPECT_EQ(h4.type, 2);
    EXPECT_EQ(h4.start_mweek, 2);
    EXPECT_EQ(h4.end_wday, 5);

    // Removing holiday 3 (switched off, name cleared) leaves holiday 4.
    EXPECT_EQ(post("/6031", "{\"id\":3,\"enable\":0,\"type\":0}").body(), "OK");
    EXPECT_EQ(holiday(3).enable, 0);
    EXPECT_STREQ(holiday(3).name, "");
    EXPECT_EQ(hex_of(holiday(4)), hex_of(h4));
    EXPECT_EQ(holiday(5).start_mon, 1);  // untouched factory row

    JsonPtr reply = json_parse(post("/6030", "").body().c_str());
    json_object* list = jget(reply.get(), "holidays");
    ASSERT_EQ(json_object_array_length(list), 32u);
    EXPECT_STREQ(jstr(json_object_array_get_idx(list, 4), "name"), "Spring");

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 8u);  // 1401 and a log for each of the four writes
    EXPECT_EQ(frames[0].code, 1401u);
    EXPECT_TRUE(frames[0].payload.empty());
    EXPECT_EQ(frames[0].flags & 1, 0u);
    EXPECT_EQ(frames[1].code, 3485u);
    EXPECT_EQ(frames[1].u32_at(0), 4u);
    EXPECT_EQ(frames[1].i64_at(8), 204);
    EXPECT_EQ(frames[1].u32_at(24), 920u);
    EXPECT_EQ(frames[1].u32_at(32), 4u);  // holiday 3, counted from 1
    EXPECT_EQ(frames[1].text_at(82, 64), "oper");
    EXPECT_EQ(frames[3].u32_at(32), 5u);
}

TEST_F(RecordSettingsTest, HolidayNameIsCutAndStoredWhole)
{
    const std::string name(300, 'n');
    EXPECT_EQ(post("/6031", "{\"id\":31,\"enable\":1,\"type\":0,\"name\":\"" + name + "\"}").body(), "OK");
    HolidayRow h = holiday(31);
    EXPECT_EQ(h.id, 31);
    EXPECT_EQ(std::string(h.name), std::string(255, 'n'));
}

TEST_F(RecordSettingsTest, BadHolidaysAnswerNothingAndChangeNothing)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    const std::string before = store({"dump", "holiday"}).out;
    for (const char* text : {"{\"id\":32,\"enable\":1,\"type\":0}", "{\"id\":-1,\"enable\":1,\"type\":0}",
                             "{\"id\":3,\"enable\":2,\"type\":0}", "{\"id\":3,\"enable\":1,\"type\":-1}",
                             "{\"enable\":1,\"type\":0}", "{\"id\":3,\"type\":0}", "{\"id\":3,\"enable\":1}",
                             "holiday", ""})
        EXPECT_EQ(post("/6031", text).out, "") << text;
    EXPECT_EQ(store({"dump", "holiday"}).out, before);
    EXPECT_TRUE(emu().received().empty());
}

// ---- "/6044" ----

TEST_F(RecordSettingsTest, ReadsRecordAndCameraSettingsInOrder)
{
    RecordRow row = zeroed<RecordRow>();
    row.id = 9;
    row.prev_record_on = 1;
    row.prev_record_duration = 5;
    row.post_record_on = 1;
    row.post_record_duration = 60;
    row.audio_enable = 1;
    row.record_exp_date = 30;
    put_row("record", 9, row);
    put_camera(9, 1, 3, 2, 1, 2);
    auto r = post("/6044", "9");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    EXPECT_EQ(r.body(), "{ \"id\": 9, \"prevRecordOn\": 1, \"prevRecordDuration\": 5, \"postRecordOn\": 1, "
                        "\"postRecordDuration\": 60, \"audioEnable\": 1, \"recordStreamType\": 2, "
                        "\"recordExpDate\": 30, \"cameraAnr\": 1, \"camEnable\": 1, \"camProtocol\": 3, "
                        "\"poeChannel\": 2 }");
    // A channel without rows answers zeros with its own id.
    EXPECT_EQ(post("/6044", "63").body().rfind("{ \"id\": 63, \"prevRecordOn\": 0, ", 0), 0u);
    for (const char* text : {"64", "-1", "", "9x", "abc"}) EXPECT_EQ(post("/6044", text).out, "") << text;
}

// ---- "/6045" ----

const char* kSettings =
    "{\"cnt\":%d,\"chnid\":%s,\"prevRecordOn\":1,\"prevRecordDuration\":10,\"postRecordOn\":1,"
    "\"postRecordDuration\":120,\"audioEnable\":1,\"recordStreamType\":1,\"recordExpDate\":7,\"camAnr\":%d}";

std::string settings(int cnt, const std::string& ids, int anr)
{
    std::vector<char> text(std::strlen(kSettings) + ids.size() + 64);
    std::snprintf(text.data(), text.size(), kSettings, cnt, ids.c_str(), anr);
    return text.data();
}

TEST_F(RecordSettingsTest, SettingsGoToEveryListedChannelAndAnrOnlyWhereTheCameraTakesIt)
{
    ASSERT_EQ(store({"init"}).status, 0);
    put_camera(0, 1, 0, 0, 0, 1);   // takes ANR; already records stream 1
    put_camera(2, 1, 0, 3, 0, 0);   // PoE channel: keeps its ANR
    put_camera(5, 1, 1, 0, 0, 0);   // plain RTSP: keeps its ANR
    put_camera(7, 0, 0, 0, 0, 0);   // disabled: keeps its ANR
    put_camera(40, 1, 2, 0, 1, 0);  // ANR already on
    put_camera(63, 1, 0, 0, 0, 0);  // takes ANR
    emu();
    env.push_back({"HTTP_COOKIE", "userName=admin"});

    // Ids outside 0..63, non-numbers and repeats are skipped; "cnt" limits the list.
    auto r = post("/6045", settings(9, "[0,2,5,7,70,\"8\",40,0,63,9]", 1));
    EXPECT_EQ(r.out, "Content-type: application/json\r\n\r\n{ \"resp\": 0 }");

    for (int ch : {0, 2, 5, 7, 40, 63}) {
        RecordRow row = record(ch);
        EXPECT_EQ(row.id, ch);
        EXPECT_EQ(row.prev_record_on, 1) << ch;
        EXPECT_EQ(row.prev_record_duration, 10) << ch;
        EXPECT_EQ(row.post_record_duration, 120) << ch;
        EXPECT_EQ(row.audio_enable, 1) << ch;
        EXPECT_EQ(row.record_exp_date, 7) << ch;
        EXPECT_EQ(camera(ch).record_stream, 1) << ch;
    }
    // Channels not listed keep the factory settings.
    for (int ch : {1, 8, 9, 39}) {
        EXPECT_EQ(record(ch).prev_record_duration, 5) << ch;
        EXPECT_EQ(record(ch).post_record_duration, 30) << ch;
    }
    EXPECT_EQ(camera(0).anr, 1);
    EXPECT_EQ(camera(63).anr, 1);
    for (int ch : {2, 5, 7}) EXPECT_EQ(camera(ch).anr, 0) << ch;
    EXPECT_STREQ(camera(2).ip, "192.168.1.50");  // the rest of the camera row is kept

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].code, 1310u);
    EXPECT_EQ(frames[0].flags & 1, 0u);
    RecordChannelList changed = zeroed<RecordChannelList>();
    for (int ch : {0, 2, 5, 7, 40, 63}) changed.channels[changed.count++] = ch;
    EXPECT_EQ(hex_of(frames[0]), hex_of(changed));
    EXPECT_EQ(frames[1].code, 3485u);
    EXPECT_EQ(frames[1].u32_at(24), 906u);
    EXPECT_EQ(frames[1].u32_at(32), 0u);
    EXPECT_EQ(frames[2].code, 2285u);
    EXPECT_EQ(frames[2].flags & 1, 1u);
    AnrRequest anr = zeroed<AnrRequest>();
    anr.channels[0] = 0;
    anr.channels[1] = 63;
    anr.count = 2;
    anr.anr = 1;
    EXPECT_EQ(hex_of(frames[2]), hex_of(anr));
}

TEST_F(RecordSettingsTest, AnrOffClearsEveryListedChannelThatHasIt)
{
    for (int ch = 0; ch < 4; ch++) put_camera(ch, ch % 2, 1, ch, ch == 3 ? 0 : 1, 0);
    emu();
    EXPECT_EQ(post("/6045", settings(4, "[0,1,2,3]", 0)).body(), "{ \"resp\": 0 }");
    for (int ch = 0; ch < 4; ch++) EXPECT_EQ(camera(ch).anr, 0) << ch;
    auto sent = emu().received(2285);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].u32_at(256), 3u);
    EXPECT_EQ(sent[0].u32_at(0), 0u);
    EXPECT_EQ(sent[0].u32_at(8), 2u);
    EXPECT_EQ(sent[0].u32_at(260), 0u);
}

TEST_F(RecordSettingsTest, AllSixtyFourChannelsWithRepeatsStayWithinTheLists)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    std::string ids = "[";
    for (int round = 0; round < 3; round++)
        for (int ch = 63; ch >= 0; ch--) ids += std::to_string(ch) + ",";
    ids.back() = ']';
    EXPECT_EQ(post("/6045", settings(192, ids, 0)).body(), "{ \"resp\": 0 }");
    auto sent = emu().received(1310);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].u32_at(256), 64u);
    EXPECT_EQ(sent[0].u32_at(0), 63u);
    EXPECT_EQ(sent[0].u32_at(252), 0u);
    for (int ch : {0, 31, 63}) EXPECT_EQ(record(ch).post_record_duration, 120) << ch;
}

TEST_F(RecordSettingsTest, BadSettingsWriteAndSendNothing)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    const std::string before = store({"dump", "record"}).out;
    const std::string ok = settings(1, "[0]", 0);
    auto without = [&](const std::string& key) {
        JsonPtr j = json_parse(ok.c_str());
        json_object_object_del(j.get(), key.c_str());
        return std::string(json_object_to_json_string(j.get()));
    };
    auto with = [&](const std::string& key, int value) {
        JsonPtr j = json_parse(ok.c_str());
        json_object_object_add(j.get(), key.c_str(), json_object_new_int(value));
        return std::string(json_object_to_json_string(j.get()));
    };
    std::vector<std::string> bad = {without("cnt"), without("chnid"), without("camAnr"), without("postRecordDuration"),
                                    with("prevRecordOn", 2), with("prevRecordDuration", -1), with("postRecordOn", -1),
                                    with("audioEnable", 2), with("recordStreamType", 3), "{", ""};
    for (const std::string& text : bad) EXPECT_EQ(post("/6045", text).out, "") << text;
    EXPECT_EQ(store({"dump", "record"}).out, before);
    EXPECT_TRUE(emu().received().empty());
    // "recordExpDate" may be left out: it reads as 0.
    EXPECT_EQ(post("/6045", without("recordExpDate")).body(), "{ \"resp\": 0 }");
    EXPECT_EQ(record(0).record_exp_date, 0);
}

struct AnrCase {
    const char* name;
    i32 count, flag, failing;  // failing: index of a non-zero result, -1 none
    const char* body;
};
void PrintTo(const AnrCase& c, std::ostream* os) { *os << c.name; }

class AnrResultTest : public RecordSettingsTest, public ::testing::WithParamInterface<AnrCase> {};

TEST_P(AnrResultTest, RespIsMinusOneOnlyForAReportedFailure)
{
    const AnrCase& c = GetParam();
    AnrResult res = zeroed<AnrResult>();
    res.count = c.count;
    res.flag = c.flag;
    for (int i = 0; i < 64; i++) res.unused[i] = 9;  // never read
    if (c.failing >= 0) res.results[c.failing] = 1;
    emu().rule("2285 reply 7285 hex:" + to_hex(&res, sizeof res));
    EXPECT_EQ(post("/6045", settings(1, "[0]", 0)).body(), c.body);
}

INSTANTIATE_TEST_SUITE_P(
    AnrResults, AnrResultTest,
    ::testing::Values(AnrCase{"AllDone", 3, 1, -1, "{ \"resp\": 0 }"},
                      AnrCase{"OneOfThreeFailed", 3, 1, 2, "{ \"resp\": -1 }"},
                      AnrCase{"SingleChannelFailed", 1, 1, 0, "{ \"resp\": -1 }"},
                      AnrCase{"FailureBeyondTheCount", 2, 1, 2, "{ \"resp\": 0 }"},
                      AnrCase{"NoFlag", 3, 0, 1, "{ \"resp\": 0 }"},
                      AnrCase{"CountBeyondTheRecord", 100000, 1, 63, "{ \"resp\": -1 }"},
                      AnrCase{"NegativeCount", -5, 1, 0, "{ \"resp\": 0 }"}),
    [](const ::testing::TestParamInfo<AnrCase>& info) { return std::string(info.param.name); });

TEST_F(RecordSettingsTest, AnrChangeWithoutAWholeReplyIsJsonError)
{
    emu().rule("2285 reply 7285 zeros:519");
    EXPECT_EQ(post("/6045", settings(1, "[0]", 0)).out, kJsonError);
}

// ---- capability queries ----

TEST_F(RecordSettingsTest, AnrSupportAsksAboutOneChannel)
{
    emu();
    EXPECT_EQ(post("/6046", "3").out, "Content-type: application/json\r\n\r\n{ \"chnid\": 3, \"support\": 1 }");
    EXPECT_EQ(post("/6046", "12").body(), "{ \"chnid\": 12, \"support\": 0 }");
    for (const char* text : {"64", "-1", "", "x"}) EXPECT_EQ(post("/6046", text).out, "") << text;
    auto sent = emu().received(2286);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(hex_of(sent[0]), "03000000");
    EXPECT_EQ(sent[0].flags & 1, 1u);

}

TEST_F(RecordSettingsTest, AnrSupportWithoutAWholeReplyIsJsonError)
{
    emu().rule("2286 reply 7286 hex:01000000");
    EXPECT_EQ(post("/6046", "1").out, kJsonError);
}

TEST_F(RecordSettingsTest, QueriesTheDaemonDoesNotAnswerAreJsonErrors)
{
    for (const char* rule : {"2285 close", "2286 close", "3218 close"}) emu().rule(rule);
    EXPECT_EQ(post("/6046", "1").out, kJsonError);
    EXPECT_EQ(post("/6047", "").out, kJsonError);
    EXPECT_EQ(post("/6045", settings(1, "[0]", 0)).out, kJsonError);
    // The settings are stored before the daemon is asked.
    EXPECT_EQ(record(0).post_record_duration, 120);
}

TEST_F(RecordSettingsTest, StreamCapabilityListsSizeEntries)
{
    emu();
    JsonPtr reply = json_parse(post("/6047", "").body().c_str());
    EXPECT_EQ(jint(reply.get(), "size"), 16);
    EXPECT_EQ(json_object_array_length(jget(reply.get(), "primary")), 16u);
    auto sent = emu().received(3218);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent[0].payload.empty());
    EXPECT_EQ(sent[0].flags & 1, 1u);

    StreamCapability cap = zeroed<StreamCapability>();
    cap.size = 2;
    cap.primary[0] = 7;
    cap.primary[1] = 8;
    cap.primary[2] = 9;
    cap.secondary[0] = 1;
    emu().rule("3218 reply 8218 hex:" + hex_of(cap));
    EXPECT_EQ(post("/6047", "").body(), "{ \"primary\": [ 7, 8 ], \"secondary\": [ 1, 0 ], \"size\": 2 }");
}

TEST_F(RecordSettingsTest, StreamCapabilitySizeNeverReadsPastTheArrays)
{
    StreamCapability cap = zeroed<StreamCapability>();
    cap.size = 1000;
    emu().rule("3218 reply 8218 hex:" + hex_of(cap));
    JsonPtr reply = json_parse(post("/6047", "").body().c_str());
    EXPECT_EQ(json_object_array_length(jget(reply.get(), "primary")), 64u);
    EXPECT_EQ(jint(reply.get(), "size"), 64);
}

TEST_F(RecordSettingsTest, StreamCapabilityOfANegativeSizeIsEmpty)
{
    StreamCapability cap = zeroed<StreamCapability>();
    cap.size = -3;
    emu().rule("3218 reply 8218 hex:" + hex_of(cap));
    EXPECT_EQ(post("/6047", "").body(), "{ \"primary\": [ ], \"secondary\": [ ], \"size\": 0 }");
}

TEST_F(RecordSettingsTest, StreamCapabilityWithoutAWholeReplyIsJsonError)
{
    emu().rule("3218 reply 8218 zeros:515");
    EXPECT_EQ(post("/6047", "").out, kJsonError);
}

// ---- the module ----

TEST_F(RecordSettingsTest, ModuleListsItsCodesInTableOrder)
{
    const std::vector<std::string> mine = {"/6030", "/6031", "/6040", "/6041", "/6042",
                                           "/6043", "/6044", "/6045", "/6046", "/6047"};
    EXPECT_EQ(registered_codes("record"), mine);
}

TEST_F(RecordSettingsTest, EveryCodeSurvivesAnEmptyOrMissingBody)
{
    emu();
    expect_empty_bodies_handled({"/6030", "/6031", "/6044", "/6045", "/6046", "/6047"});
}

}  // namespace
