// Camera alarm I/O and volume detection writes, end to end: a number past 32
// bits is refused (nothing stored, nothing sent), not read as the nearest
// 32-bit value that would pass the range check.
#include <gtest/gtest.h>

#include <string>

#include "handlers/event/camera_io_records.h"
#include "tests/harness.h"

namespace {

class EventFlowTest : public NvrTest {
protected:
    void SetUp() override
    {
        emu();
        ASSERT_EQ(store({"init"}).status, 0);
    }
    CameraTriggerRecord row(const std::string& table, int index)
    {
        CameraTriggerRecord r;
        stored(table, index, &r);
        return r;
    }
};

TEST_F(EventFlowTest, CameraTriggerNumbersPast32BitsAreRefused)
{
    const char* const io_bad[] = {
        "{\"camId\":4294967297,\"enable\":1,\"type\":0,\"triActions\":0,\"triChannels\":\"1\"}",
        "{\"camId\":1,\"enable\":4294967297,\"type\":0,\"triActions\":0,\"triChannels\":\"1\"}",
        "{\"camId\":1,\"enable\":1,\"type\":2147483648,\"triActions\":0,\"triChannels\":\"1\"}",
        "{\"camId\":1,\"enable\":1,\"type\":0,\"triActions\":-2147483649,\"triChannels\":\"1\"}",
        "{\"camId\":1,\"enable\":1,\"type\":0,\"triActions\":99999999999,\"triChannels\":\"1\"}",
    };
    for (const char* bad : io_bad) EXPECT_EQ(post("/6091", bad).out, "") << bad;
    EXPECT_EQ(post("/6093", "{\"camId\":1,\"enable\":1,\"type\":0,\"volume\":2147483648,\"duration\":0,"
                            "\"onEvent\":0,\"offEvent\":0,\"ongoingEvent\":0,\"triActions\":0,\"triChannels\":\"1\"}")
                  .out,
              "");
    EXPECT_EQ(row("cameraio", 1).enable, 0);
    EXPECT_EQ(row("volumedetect", 1).enable, 0);
    EXPECT_TRUE(emu().received().empty());

    // The largest 32-bit values themselves are taken.
    EXPECT_EQ(post("/6091", "{\"camId\":1,\"enable\":1,\"type\":2147483647,\"triActions\":-2147483648,"
                            "\"triChannels\":\"1\"}")
                  .body(),
              "OK");
    EXPECT_EQ(row("cameraio", 1).tri_actions, INT32_MIN);
    auto sent = emu().received(kMsgCameraIoSet);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].u32_at(8), 0x7fffffffu);
}

}  // namespace
