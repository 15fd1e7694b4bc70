// Record schedules and record modes, end to end through the CGI program.
#include <gtest/gtest.h>

#include <json-c/json.h>

#include <string>

#include "common/json.h"
#include "handlers/record/record_records.h"
#include "tests/harness.h"

namespace {

class RecordTest : public NvrTest {
protected:
    void put_record(int id, int mode)
    {
        RecordRow row = zeroed<RecordRow>();
        row.id = id;
        row.mode = mode;
        row.prev_record_duration = 30;  // a record setting that must survive mode changes
        put_row("record", id, row);
    }
};

// One day object of the "/6041" request with plan 0 (and plan 47 when asked).
std::string day_object(int wholeday, int wholeday_type, const std::string& plan0, bool last_plan = false)
{
    std::string plans = "[" + plan0;
    if (last_plan) {
        for (int p = 1; p < 47; p++) plans += ",[]";
        plans += ",[\"23:00\",\"24:00\",2]";
    }
    plans += "]";
    return "{\"wholedayEnable\":" + std::to_string(wholeday) + ",\"wholedayActionType\":" +
           std::to_string(wholeday_type) + ",\"plans\":" + plans + "}";
}

// ---- "/6040" ----

TEST_F(RecordTest, ReadRepliesEightDaysOfFortyEightPlansWithTheRowId)
{
    put_record(7, 1);
    RecordSchedule s = zeroed<RecordSchedule>();
    s.days[6].wholeday_enable = 1;
    s.days[6].wholeday_action_type = 3;
    set_text(s.days[6].plans[47].start_time, "23:00");
    set_text(s.days[6].plans[47].end_time, "23:59");
    s.days[6].plans[47].action_type = 2;
    put_row("record_schedule", 7, s);

    auto r = post("/6040", "7");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    JsonPtr reply = json_parse(r.body().c_str());
    ASSERT_TRUE(reply);
    EXPECT_EQ(jint(reply.get(), "id", -1), 7);
    json_object* days = jget(reply.get(), "schedule");
    ASSERT_EQ(json_object_array_length(days), 8u);
    for (size_t d = 0; d < 8; d++)
        EXPECT_EQ(json_object_array_length(jget(json_object_array_get_idx(days, d), "plans")), 48u) << d;
    json_object* day6 = json_object_array_get_idx(days, 6);
    EXPECT_EQ(jint(day6, "wholedayEnable"), 1);
    EXPECT_EQ(jint(day6, "wholedayActionType"), 3);
    EXPECT_STREQ(json_object_to_json_string(json_object_array_get_idx(jget(day6, "plans"), 47)),
                 "{ \"startTime\": \"23:00\", \"endTime\": \"23:59\", \"actionType\": 2 }");
    EXPECT_STREQ(json_object_to_json_string(json_object_array_get_idx(jget(day6, "plans"), 0)),
                 "{ \"startTime\": \"\", \"endTime\": \"\", \"actionType\": 0 }");
    // The day object's keys come in this order.
    EXPECT_EQ(r.body().find("{ \"id\": 7, \"schedule\": [ { \"wholedayEnable\": 0, \"wholedayActionType\": 0, "
                            "\"plans\": [ { \"startTime\": \"\""),
              0u);
}

TEST_F(RecordTest, ReadOutsideTheChannelRangeAnswersNothing)
{
    for (const char* text : {"64", "-1", "99999999999"}) EXPECT_EQ(post("/6040", text).out, "") << text;
    // No digits reads as channel 0; a channel without a stored row keeps its id.
    JsonPtr reply = json_parse(post("/6040", "abc").body().c_str());
    EXPECT_EQ(jint(reply.get(), "id", -1), 0);
    reply = json_parse(post("/6040", "12").body().c_str());
    EXPECT_EQ(jint(reply.get(), "id", -1), 12);
}

// ---- "/6041" ----

TEST_F(RecordTest, ScheduleWriteGoesToListedChannelsAndChangesOnlyDifferingModes)
{
    for (int id = 0; id < 64; id++) put_record(id, id == 5 ? 2 : 0);
    emu();
    std::string long_time(40, '9');
    std::string days = "[" + day_object(0, 4, "[\"" + long_time + "\",\"12:00\",1]") + "," +
                       day_object(1, 6, "[\"00:00\",\"06:00\",3]", true) + "]";
    auto r = post("/6041", "{\"schedule\":" + days + ",\"cnt\":4,\"recordplanmode\":2,\"chnid\":[3,70,5,40,9]}");
    EXPECT_EQ(r.body(), "OK");

    RecordSchedule s;
    for (int ch : {3, 5, 40}) {
        ASSERT_TRUE(stored("record_schedule", ch, &s)) << ch;
        EXPECT_EQ(std::string(s.days[0].plans[0].start_time), std::string(31, '9'));
        EXPECT_STREQ(s.days[0].plans[0].end_time, "12:00");
        EXPECT_EQ(s.days[0].plans[0].action_type, 1);
        // wholedayEnable 0 stores both whole-day fields as 0.
        EXPECT_EQ(s.days[0].wholeday_enable, 0);
        EXPECT_EQ(s.days[0].wholeday_action_type, 0);
        EXPECT_EQ(s.days[1].wholeday_enable, 1);
        EXPECT_EQ(s.days[1].wholeday_action_type, 6);
        EXPECT_STREQ(s.days[1].plans[1].start_time, "");
        EXPECT_STREQ(s.days[1].plans[47].start_time, "23:00");
        EXPECT_EQ(s.days[1].plans[47].action_type, 2);
        EXPECT_STREQ(s.days[2].plans[0].start_time, "");
    }
    EXPECT_FALSE(stored("record_schedule", 9, &s));  // beyond "cnt"

    RecordRow row;
    ASSERT_TRUE(stored("record", 3, &row));
    EXPECT_EQ(row.mode, 2);
    EXPECT_EQ(row.prev_record_duration, 30);
    ASSERT_TRUE(stored("record", 9, &row));
    EXPECT_EQ(row.mode, 0);

    auto modes = emu().received(1413);
    auto scheds = emu().received(1411);
    ASSERT_EQ(modes.size(), 1u);
    ASSERT_EQ(scheds.size(), 1u);
    EXPECT_EQ(u64(modes[0].i64_at(0)), (u64(1) << 3) | (u64(1) << 40));
    EXPECT_EQ(u64(scheds[0].i64_at(0)), (u64(1) << 3) | (u64(1) << 5) | (u64(1) << 40));
    auto logs = emu().received(3485);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].u32_at(24), 907u);
    EXPECT_EQ(logs[0].u32_at(32), 41u);
    EXPECT_EQ(logs[0].i64_at(8), 204);
    // The order of the messages: modes, schedules, log.
    auto all = emu().received();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].code, 1413u);
    EXPECT_EQ(all[1].code, 1411u);
}

TEST_F(RecordTest, ScheduleWriteWithNoChannelsLogsChannelOne)
{
    emu();
    auto r = post("/6041", "{\"schedule\":[],\"cnt\":0,\"recordplanmode\":1,\"chnid\":[1]}");
    EXPECT_EQ(r.body(), "OK");
    EXPECT_EQ(store({"dump", "record_schedule"}).out, "");
    ASSERT_EQ(emu().received(1413).size(), 1u);
    EXPECT_EQ(to_hex(emu().received(1413)[0].payload.data(), 8), "0000000000000000");
    EXPECT_EQ(to_hex(emu().received(1411)[0].payload.data(), 8), "0000000000000000");
    EXPECT_EQ(emu().received(3485)[0].u32_at(32), 1u);
}

TEST_F(RecordTest, ScheduleWriteWithoutCountOrJsonDoesNothing)
{
    emu();
    EXPECT_EQ(post("/6041", "{\"schedule\":[],\"chnid\":[1]}").out, "");
    EXPECT_EQ(post("/6041", "cnt").out, "");
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(store({"tables"}).out, "");
}

// ---- "/6042" ----

TEST_F(RecordTest, ModeListStopsAtMaxCameras)
{
    ASSERT_EQ(store({"init"}).status, 0);
    ASSERT_EQ(store({"set", "max_cameras", "16"}).status, 0);
    JsonPtr reply = json_parse(post("/6042", "").body().c_str());
    json_object* list = jget(reply.get(), "records");
    ASSERT_TRUE(list);
    ASSERT_EQ(json_object_array_length(list), 16u);
    EXPECT_STREQ(json_object_to_json_string(json_object_array_get_idx(list, 15)), "{ \"id\": 15, \"mode\": 0 }");

    ASSERT_EQ(store({"set", "max_cameras", "64"}).status, 0);
    reply = json_parse(post("/6042", "").body().c_str());
    EXPECT_EQ(json_object_array_length(jget(reply.get(), "records")), 64u);
}

TEST_F(RecordTest, ModeListOfAnEmptyStoreIsEmpty)
{
    EXPECT_EQ(post("/6042", "").body(), "{ \"records\": [ ] }");
}

// ---- "/6043" ----

TEST_F(RecordTest, ModeWriteAppliesElementIToChannelI)
{
    for (int id = 0; id < 3; id++) put_record(id, 0);
    emu();
    auto r = post("/6043", "{\"records\":[{\"id\":5,\"mode\":1},{\"id\":0,\"mode\":2}]}");
    EXPECT_EQ(r.body(), "OK");
    RecordRow row;
    ASSERT_TRUE(stored("record", 0, &row));
    EXPECT_EQ(row.id, 0);
    EXPECT_EQ(row.mode, 1);
    EXPECT_EQ(row.prev_record_duration, 30);
    ASSERT_TRUE(stored("record", 1, &row));
    EXPECT_EQ(row.mode, 2);
    ASSERT_TRUE(stored("record", 5, &row) == false);

    auto frames = emu().received();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].code, 3485u);
    EXPECT_EQ(frames[0].u32_at(24), 905u);
    EXPECT_EQ(frames[0].u32_at(32), 0u);
    EXPECT_EQ(frames[1].code, 1407u);
    EXPECT_EQ(to_hex(frames[1].payload.data(), frames[1].payload.size()), "00000000");
    EXPECT_EQ(to_hex(frames[2].payload.data(), frames[2].payload.size()), "01000000");
}

TEST_F(RecordTest, ModeWriteWithOneBadElementChangesNothing)
{
    for (int id = 0; id < 3; id++) put_record(id, 0);
    emu();
    std::string before = store({"dump", "record"}).out;
    std::string too_many = "{\"records\":[";
    for (int i = 0; i < 65; i++) too_many += std::string(i ? "," : "") + "{\"id\":1,\"mode\":1}";
    too_many += "]}";
    for (std::string body : {std::string("{\"records\":[{\"id\":0,\"mode\":1},{\"id\":1,\"mode\":3}]}"),
                             std::string("{\"records\":[{\"id\":64,\"mode\":1}]}"),
                             std::string("{\"records\":[{\"mode\":1}]}"), std::string("{\"records\":[7]}"), too_many}) {
        auto r = post("/6043", body);
        EXPECT_EQ(r.body(), "ERROR") << body;
        EXPECT_EQ(r.header(), "Content-type: text/plain");
    }
    EXPECT_EQ(store({"dump", "record"}).out, before);
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(post("/6043", "[").out, "");
}

}  // namespace
