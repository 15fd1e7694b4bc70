// Live image adjustments and the record calendar, end to end through the CGI
// program and the emulator.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "common/reply.h"
#include "handlers/playback/calendar_records.h"
#include "handlers/playback/live_image_records.h"
#include "platform/kxfs_log.h"
#include "tests/fixtures.h"

namespace {

std::string json_body(const std::string& body) { return "Content-type: application/json\r\n\r\n" + body; }

// "[ 1, 1, ..., 0 ]": `ones` days set, then zeros up to 31.
std::string calendar(int ones)
{
    std::string s = "[ ";
    for (int d = 1; d <= kCalendarDays; d++) s += std::string(d > 1 ? ", " : "") + (d <= ones ? "1" : "0");
    return s + " ]";
}

class LiveImageTest : public NvrTest {};

TEST_F(LiveImageTest, ReadAsksTheDaemonAndShowsItsValues)
{
    const ImageAdjustRecord r{5, 10, 20, 30, 40, 50, 2, 0};
    emu().rule("3002 reply 8002 hex:" + hex_of(r));
    auto out = post("/3000", "{\"chnid\":5}");
    EXPECT_EQ(out.out, json_body("{ \"status\": \"OK\", \"brightness\": 10, \"contrast\": 20, \"saturation\": 30, "
                                 "\"Sharpness\": 40, \"NoiseReduction\": 50, \"i2ddnr\": 2 }"));
    EXPECT_EQ(hex_of(sent_once(3002)), words({5}));
}

TEST_F(LiveImageTest, ReadFailureFromTheDaemon)
{
    const ImageAdjustRecord failed{1, 10, 20, 30, 40, 50, 2, -3};
    emu().rule("3002 reply 8002 hex:" + hex_of(failed));
    EXPECT_EQ(post("/3000", "{\"chnid\":1}").out, json_body("{ \"status\": \"ERROR\" }"));
}

TEST_F(LiveImageTest, ReadShortReplyIsAnError)
{
    emu().rule("3002 reply 8002 zeros:31");
    EXPECT_EQ(post("/3000", "{\"chnid\":1}").out, kJsonError);
}

TEST_F(LiveImageTest, ReadWithoutAnswerIsAnError)
{
    emu().rule("3002 close");
    EXPECT_EQ(post("/3000", "{\"chnid\":15}").out, kJsonError);
}

TEST_F(LiveImageTest, ReadRefusesOtherChannels)
{
    emu();
    for (const char* body : {"{\"chnid\":16}", "{\"chnid\":-1}", "not json", "{\"chnid\":"})
        EXPECT_EQ(post("/3000", body).out, "") << body;
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(LiveImageTest, DemoAnswersCamerasWithTheDefaults)
{
    emu();
    EXPECT_EQ(post("/3000", "{\"chnid\":2}").body(),
              "{ \"status\": \"OK\", \"brightness\": 128, \"contrast\": 128, \"saturation\": 128, "
              "\"Sharpness\": 128, \"NoiseReduction\": 128, \"i2ddnr\": 0 }");
    EXPECT_EQ(post("/3000", "{\"chnid\":9}").body(), "{ \"status\": \"ERROR\" }");
}

TEST_F(LiveImageTest, SetSendsTheValuesAndLogsThemAsPercent)
{
    emu();
    EXPECT_EQ(post("/3001", "{\"id\":3,\"brightness\":255,\"contrast\":128,\"saturation\":0,\"Sharpness\":127,"
                            "\"NoiseReduction\":2,\"i2ddnr\":1}")
                  .out,
              kOk);
    EXPECT_EQ(post("/3001", "{\"id\":0,\"brightness\":255,\"contrast\":255,\"saturation\":255,\"Sharpness\":255,"
                            "\"NoiseReduction\":255}")
                  .out,
              kOk);
    // Optional keys missing: 0.
    EXPECT_EQ(post("/3001", "{\"id\":15,\"brightness\":1,\"contrast\":0,\"saturation\":0}").out, kOk);

    auto sets = emu().received(1205);
    ASSERT_EQ(sets.size(), 3u);
    for (auto& f : sets) EXPECT_EQ(f.flags & 1, 0u);
    EXPECT_EQ(hex_of(sets[0]), hex_of(ImageAdjustPayload{3, 255, 128, 0, 127, 2, 1}));
    EXPECT_EQ(hex_of(sets[1]), hex_of(ImageAdjustPayload{0, 255, 255, 255, 255, 255, 0}));
    EXPECT_EQ(hex_of(sets[2]), hex_of(ImageAdjustPayload{15, 1, 0, 0, 0, 0, 0}));

    auto logs = emu().received(3485);
    ASSERT_EQ(logs.size(), 3u);
    const std::vector<std::pair<int, ImageAdjustLogDetail>> want = {
        {4, {100, 50, 0, 50, 1}},  // 127 -> 49.8 -> 50, 2 -> 0.78 -> 1
        {1, {100, 100, 100, 100, 100}},
        {16, {0, 0, 0, 0, 0}},  // 1 -> 0.39 -> 0
    };
    for (size_t i = 0; i < logs.size(); i++) {
        OpLogRecord expect = zeroed<OpLogRecord>();
        kxfs_log_pack_detail(&expect, kImageAdjustLogDetail, &want[i].second, sizeof want[i].second);
        EXPECT_EQ(logs[i].u32_at(0), 4u);
        EXPECT_EQ(logs[i].i64_at(8), 217);
        EXPECT_EQ(logs[i].u32_at(24), 900u);
        EXPECT_EQ(logs[i].u32_at(32), u32(want[i].first));
        EXPECT_EQ(logs[i].u32_at(148), expect.detail_size);
        EXPECT_EQ(to_hex(logs[i].payload.data() + 152, 512), to_hex(expect.detail, 512)) << i;
    }
}

TEST_F(LiveImageTest, SetRefusesBadValuesWithoutSending)
{
    emu();
    for (const char* body : {
             "{\"id\":0,\"brightness\":256,\"contrast\":1,\"saturation\":1}",
             "{\"id\":0,\"brightness\":1,\"contrast\":-1,\"saturation\":1}",
             "{\"id\":0,\"brightness\":1,\"contrast\":1}",
             "{\"id\":16,\"brightness\":1,\"contrast\":1,\"saturation\":1}",
             "{\"brightness\":1,\"contrast\":1,\"saturation\":1}",
             "not json",
         })
        EXPECT_EQ(post("/3001", body).out, "") << body;
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(LiveImageTest, ResetSendsTheDefaults)
{
    emu();
    EXPECT_EQ(post("/3002", "3").out,
              json_body("{ \"ChannelId\": 3, \"Brightness\": 128, \"Contrast\": 128, \"Saturation\": 128, "
                        "\"Sharpness\": 128, \"NoiseReduction\": 128 }"));
    EXPECT_EQ(hex_of(sent_once(1205, false)), hex_of(ImageAdjustPayload{3, 128, 128, 128, 128, 128, 0}));
    for (const char* body : {"16", "-1", "3x", "", "{\"id\":3}"}) EXPECT_EQ(post("/3002", body).out, "") << body;
    EXPECT_EQ(emu().received().size(), 1u);
}

// ---- record calendar ----

class CalendarTest : public NvrTest {
protected:
    // Every flag of the reply set (7, not 1: any non-zero value counts).
    void all_days_recorded()
    {
        CalendarReply r = zeroed<CalendarReply>();
        r.unused0 = -1;
        for (int& d : r.days) d = 7;
        std::memset(r.unused1, 0xff, sizeof r.unused1);
        emu().rule("3493 reply 8493 hex:" + hex_of(r));
    }
    std::string month(const std::string& time, int channel = 0)
    {
        return post("/2013", "{\"time\":\"" + time + "\",\"chnid\":" + std::to_string(channel) +
                                 ",\"streamType\":0}")
            .out;
    }
};

TEST_F(CalendarTest, RequestNamesStreamYearMonthAndChannel)
{
    all_days_recorded();
    post("/2013", "{\"time\":\"2024-03-17 12:34:56\",\"chnid\":5,\"streamType\":1}");
    post("/2013", "{\"time\":\"2023-12-01 00:00:00\",\"chnid\":63,\"streamType\":2}");
    post("/2013", "{\"time\":\"not a time\",\"chnid\":0,\"streamType\":0}");
    auto frames = emu().received(3493);
    ASSERT_EQ(frames.size(), 3u);
    CalendarRequest want = zeroed<CalendarRequest>();
    want.stream = 1;
    want.year = 2024;
    want.month = 3;
    std::memset(want.mask, '0', sizeof want.mask);
    want.mask[5] = '1';
    EXPECT_EQ(frames[0].flags & 1, 1u);
    EXPECT_EQ(hex_of(frames[0]), hex_of(want));
    want.stream = 0;  // stream type 2 is the main stream
    want.year = 2023;
    want.month = 12;
    want.mask[5] = '0';
    want.mask[63] = '1';
    EXPECT_EQ(hex_of(frames[1]), hex_of(want));
    // A time of another form: January 1900.
    EXPECT_EQ(frames[2].u32_at(4), 1900u);
    EXPECT_EQ(frames[2].u32_at(8), 1u);
}

TEST_F(CalendarTest, DaysTheMonthLacksComeFromTheReplyToo)
{
    // Every flag of the record is answered, whatever the month's length:
    // the days past its end are the daemon's to fill.
    all_days_recorded();
    for (const char* time : {"2024-02-05 00:00:00", "2023-02-05 00:00:00", "2024-04-30 00:00:00", "garbage"})
        EXPECT_EQ(month(time), json_body(calendar(31))) << time;
}

TEST_F(CalendarTest, FlagsPastTheMonthAreAnsweredAsSent)
{
    CalendarReply r = zeroed<CalendarReply>();
    for (int d = 0; d < 29; d++) r.days[d] = 1;
    r.days[30] = 1;
    emu().rule("3493 reply 8493 hex:" + hex_of(r));
    std::string want = "[ 1";
    for (int d = 2; d <= 31; d++) want += d == 30 ? ", 0" : ", 1";
    EXPECT_EQ(month("2024-02-05 00:00:00"), json_body(want + " ]"));
}

TEST_F(CalendarTest, FlagsAreReadDayByDay)
{
    CalendarReply r = zeroed<CalendarReply>();
    r.days[0] = 1;
    r.days[14] = -5;
    r.days[30] = 1;
    emu().rule("3493 reply 8493 hex:" + hex_of(r) + hex_of(r));  // only the first record counts
    std::string want = "[ 1";
    for (int d = 2; d <= 31; d++) want += d == 15 || d == 31 ? ", 1" : ", 0";
    EXPECT_EQ(month("2024-07-01 00:00:00"), json_body(want + " ]"));
}

TEST_F(CalendarTest, ShortReplyIsAnError)
{
    emu().rule("3493 reply 8493 zeros:131");
    EXPECT_EQ(month("2024-07-01 00:00:00"), kJsonError);
}

TEST_F(CalendarTest, NoAnswerIsAnError)
{
    emu().rule("3493 close");
    EXPECT_EQ(month("2024-07-01 00:00:00"), kJsonError);
}

TEST_F(CalendarTest, BadRequestsSendNothing)
{
    emu();
    for (const char* body : {"{\"chnid\":0,\"streamType\":0}", "{\"time\":\"2024-01-01 00:00:00\",\"streamType\":0}",
                             "{\"time\":\"2024-01-01 00:00:00\",\"chnid\":0}", "not json"})
        EXPECT_EQ(post("/2013", body).out, "") << body;
    // A channel with no place in the 64-character mask: the error form.
    for (const char* body : {"{\"time\":\"2024-01-01 00:00:00\",\"chnid\":64,\"streamType\":0}",
                             "{\"time\":\"2024-01-01 00:00:00\",\"chnid\":-1,\"streamType\":0}"})
        EXPECT_EQ(post("/2013", body).out, kJsonError) << body;
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(CalendarTest, DemoRecordsEveryPastDayOnCameraChannels)
{
    emu();
    EXPECT_EQ(month("2024-02-10 00:00:00", 2), json_body(calendar(29)));
    EXPECT_EQ(month("2024-02-10 00:00:00", 12), json_body(calendar(0)));
    const time_t now = time(nullptr);
    struct tm today;
    localtime_r(&now, &today);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &today);
    EXPECT_EQ(month(text, 0), json_body(calendar(today.tm_mday)));
    EXPECT_EQ(month("2099-01-01 00:00:00", 0), json_body(calendar(0)));
}

}  // namespace
