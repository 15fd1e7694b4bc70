// PTZ configuration end to end: the stored serial links, speeds and tours,
// the messages to the core daemon byte for byte, and the requests that are
// refused without writing or sending anything.
#include <gtest/gtest.h>

#include <cstring>

#include "handlers/ptz/ptz_config_records.h"
#include "tests/fixtures.h"

namespace {

const char* kPortKeys = "\"connectType\":1,\"baudRate\":4800,\"dataBits\":7,\"stopBits\":2,\"parityType\":2,"
                        "\"protocol\":13,\"address\":31";

PtzPortRow port_row(int channel)
{
    PtzPortRow p = zeroed<PtzPortRow>();
    p.cam_id = channel;
    p.connect_type = 1;
    p.baud_rate = 4800;
    p.data_bits = 7;
    p.stop_bits = 2;
    p.parity_type = 2;
    p.protocol = 13;
    p.address = 31;
    return p;
}

// Tours whose every point holds values of its own.
PtzStoredTours numbered_tours()
{
    PtzStoredTours t = zeroed<PtzStoredTours>();
    for (int i = 0; i < kPtzTours; i++)
        for (int k = 0; k < kPtzTourPoints; k++) t.tours[i][k] = PtzTourPoint{100 * i + k + 1, 10 + k, 1 + i};
    return t;
}

class PtzConfigTest : public NvrTest {
protected:
    // Every log record sent: PTZ setting (904) of the given channels.
    void expect_logs(const std::vector<int>& channels)
    {
        auto logs = emu().received(3485);
        ASSERT_EQ(logs.size(), channels.size());
        for (size_t i = 0; i < logs.size(); i++) {
            EXPECT_EQ(logs[i].u32_at(0), 4u);
            EXPECT_EQ(logs[i].i64_at(8), 206);
            EXPECT_EQ(logs[i].u32_at(24), 904u);
            EXPECT_EQ(logs[i].u32_at(32), u32(channels[i] + 1));
            EXPECT_EQ(logs[i].flags & 1, 0u);
        }
    }
    void expect_silent(const std::string& code, const std::vector<std::string>& bodies)
    {
        for (const std::string& b : bodies) EXPECT_EQ(post(code, b).out, "") << code << " " << b;
    }
    std::string table(const char* name) { return store({"dump", name}).out; }
};

TEST_F(PtzConfigTest, ModuleCodesInTableOrder)
{
    const std::vector<std::string> want = {"/5000", "/5001", "/6050", "/6051", "/6052", "/6053", "/6054",
                                           "/6056", "/6055", "/6057", "/5002", "/5012"};
    EXPECT_EQ(registered_codes("ptz", want), want);
}

TEST_F(PtzConfigTest, PortReadOfTheSerialChannels)
{
    put_row("ptz_port", 5, port_row(5));
    auto r = post("/6050", "{\"chnid\":5}");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    EXPECT_EQ(r.body(), "{ \"camId\": 5, \"connectType\": 1, \"baudRate\": 4800, \"dataBits\": 7, \"stopBits\": 2, "
                        "\"parityType\": 2, \"protocol\": 13, \"address\": 31 }");
    // Only the first 16 channels have a serial head.
    for (const char* body : {"{\"chnid\":16}", "{\"chnid\":-1}", "{}", "chnid=5", ""})
        EXPECT_EQ(post("/6050", body).out, kJsonError) << body;
    EXPECT_EQ(post("/6050", "{\"chnid\":15}").body().rfind("{ \"camId\": 15, \"connectType\": 0,", 0), 0u);
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(PtzConfigTest, PortWriteOfListedChannels)
{
    emu();
    EXPECT_EQ(post("/6051", std::string("{\"cnt\":3,\"chnid\":[0,70,3],") + kPortKeys + "}").out, kOk);
    PtzPortRow got;
    ASSERT_TRUE(stored("ptz_port", 0, &got));
    EXPECT_EQ(hex_of(got), hex_of(port_row(0)));
    ASSERT_TRUE(stored("ptz_port", 3, &got));
    EXPECT_EQ(hex_of(got), hex_of(port_row(3)));
    EXPECT_FALSE(stored("ptz_port", 1, &got));

    auto sent = emu().received(1252);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(hex_of(sent[0]), "00000000");
    EXPECT_EQ(hex_of(sent[1]), "03000000");
    EXPECT_EQ(sent[0].flags & 1, 0u);
    expect_logs({0, 3});
}

TEST_F(PtzConfigTest, PortWriteTakesAtMostCntEntriesOfTheList)
{
    emu();
    // "cnt" beyond the list reads no further than the list.
    EXPECT_EQ(post("/6051", std::string("{\"cnt\":9,\"chnid\":[7,8],") + kPortKeys + "}").out, kOk);
    EXPECT_EQ(emu().received(1252).size(), 2u);
    EXPECT_EQ(post("/6051", std::string("{\"cnt\":1,\"chnid\":[9,10],") + kPortKeys + "}").out, kOk);
    auto sent = emu().received(1252);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(hex_of(sent[2]), "09000000");
    PtzPortRow got;
    EXPECT_TRUE(stored("ptz_port", 8, &got));
    EXPECT_EQ(got.cam_id, 8);
    EXPECT_TRUE(stored("ptz_port", 9, &got));
    EXPECT_FALSE(stored("ptz_port", 10, &got));
}

TEST_F(PtzConfigTest, PortWriteRefusalsWriteAndSendNothing)
{
    emu();
    const std::string list = "\"cnt\":1,\"chnid\":[2],";
    expect_silent("/6051", {
                               "{" + list + "\"connectType\":0,\"baudRate\":9600,\"dataBits\":9,\"stopBits\":1,"
                                            "\"parityType\":0,\"protocol\":0,\"address\":1}",
                               "{" + list + "\"connectType\":0,\"baudRate\":9600,\"dataBits\":8,\"stopBits\":1,"
                                            "\"parityType\":0,\"protocol\":14,\"address\":1}",
                               "{" + list + "\"connectType\":2,\"baudRate\":9600,\"dataBits\":8,\"stopBits\":1,"
                                            "\"parityType\":0,\"protocol\":0,\"address\":1}",
                               "{" + list + "\"connectType\":0,\"baudRate\":9600,\"dataBits\":4,\"stopBits\":1,"
                                            "\"parityType\":3,\"protocol\":0,\"address\":1}",
                               "{" + list + "\"connectType\":0,\"baudRate\":-1,\"dataBits\":8,\"stopBits\":1,"
                                            "\"parityType\":0,\"protocol\":0,\"address\":1}",
                               "{" + list + "\"connectType\":0,\"baudRate\":9600,\"dataBits\":8,\"stopBits\":1,"
                                            "\"parityType\":0,\"protocol\":0}",
                               std::string("{\"cnt\":1,\"chnid\":2,") + kPortKeys + "}",
                               std::string("{\"chnid\":[2],") + kPortKeys + "}",
                               "not json",
                           });
    EXPECT_EQ(table("ptz_port"), "");
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(PtzConfigTest, PortCheckAnswersZeroOrMinusOne)
{
    emu().rule("1262 reply 6262 hex:ffffffff");
    auto r = post("/6052", "{\"camId\":4}");
    EXPECT_EQ(r.out, "Content-type: text/plain\r\n\r\n-1");
    EXPECT_EQ(hex_of(sent_once(1262)), "04000000");

    // Not a channel, or not JSON: nothing asked, no reply.
    expect_silent("/6052", {"{\"camId\":64}", "{\"camId\":-2}", "camId=1"});
    EXPECT_EQ(emu().received(1262).size(), 1u);
    EXPECT_TRUE(emu().received(3485).empty());
}

TEST_F(PtzConfigTest, PortCheckAnyOtherValueIsZero)
{
    emu().rule("1262 reply 6262 hex:05000000");
    EXPECT_EQ(post("/6052", "{\"camId\":4}").body(), "0");
}

TEST_F(PtzConfigTest, PortCheckShortOrMissingReplyIsCgiError)
{
    emu().rule("1262 reply 6262 hex:ffff");  // no whole value, then the connection ends
    emu().rule("1262 close");
    EXPECT_EQ(post("/6052", "{\"camId\":4}").out, kTextError);
}

TEST_F(PtzConfigTest, SpeedsRoundTrip)
{
    emu();
    EXPECT_EQ(post("/6054", "{\"camId\":12,\"pan_speed\":7,\"tilt_speed\":6,\"zoom_speed\":3,\"foucs_speed\":2}").out,
              kOk);
    PtzSpeedRow got;
    ASSERT_TRUE(stored("ptz_speed", 12, &got));
    EXPECT_EQ(hex_of(got), hex_of(PtzSpeedRow{12, 7, 6, 3, 2}));
    auto r = post("/6053", "{\"camId\":12}");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    EXPECT_EQ(r.body(), "{ \"pan_speed\": 7, \"tilt_speed\": 6, \"zoom_speed\": 3, \"foucs_speed\": 2 }");
    expect_logs({12});

    // A speed left out reads as 0.
    EXPECT_EQ(post("/6054", "{\"camId\":12,\"pan_speed\":4}").body(), "OK");
    EXPECT_EQ(post("/6053", "{\"camId\":12}").body(),
              "{ \"pan_speed\": 4, \"tilt_speed\": 0, \"zoom_speed\": 0, \"foucs_speed\": 0 }");

    expect_silent("/6054", {"{\"camId\":64,\"pan_speed\":4}", "{\"camId\":-1}", "speed"});
    expect_silent("/6053", {"{\"camId\":64}", "x"});
    EXPECT_EQ(emu().received(3485).size(), 2u);
}

TEST_F(PtzConfigTest, TourWriteChangesOnlyTheGivenPoints)
{
    PtzStoredTours before = numbered_tours();
    put_row("ptz_tour", 2, before);
    emu();
    auto r = post("/6055", "{\"chn\":2,\"tourid\":2,\"rowsize\":2,\"path\":[{\"preset\":7,\"speed\":3,\"time\":15},"
                           "{\"preset\":9,\"speed\":4,\"time\":20},{\"preset\":11,\"speed\":5,\"time\":25}]}");
    EXPECT_EQ(r.out, kOk);

    PtzStoredTours want = before;
    want.tours[1][0] = PtzTourPoint{7, 15, 3};
    want.tours[1][1] = PtzTourPoint{9, 20, 4};
    PtzStoredTours got;
    ASSERT_TRUE(stored("ptz_tour", 2, &got));
    EXPECT_EQ(hex_of(got), hex_of(want));

    PtzTourPointsMsg msg = zeroed<PtzTourPointsMsg>();
    msg.channel = 2;
    msg.tour_id = 2;
    msg.count = 2;
    msg.points[0] = PtzTourPoint{7, 15, 3};
    msg.points[1] = PtzTourPoint{9, 20, 4};
    EXPECT_EQ(hex_of(sent_once(1264, false)), hex_of(msg));
    expect_logs({2});
}

TEST_F(PtzConfigTest, ToursOutsideTheirBoundsAreRefused)
{
    PtzStoredTours before = numbered_tours();
    put_row("ptz_tour", 1, before);
    emu();
    const std::string path = "\"path\":[{\"preset\":1,\"speed\":1,\"time\":1},{\"preset\":2,\"speed\":1,\"time\":1}]";
    for (const char* code : {"/6055", "/6056"})
        expect_silent(code, {
                                "{\"chn\":1,\"tourid\":0,\"rowsize\":2," + path + "}",
                                "{\"chn\":1,\"tourid\":9,\"rowsize\":2," + path + "}",
                                "{\"chn\":1,\"tourid\":1,\"rowsize\":49," + path + "}",
                                "{\"chn\":1,\"tourid\":1,\"rowsize\":-1," + path + "}",
                                "{\"chn\":1,\"tourid\":1,\"rowsize\":3," + path + "}",  // fewer points than said
                                "{\"chn\":1,\"tourid\":1,\"rowsize\":1,\"path\":{}}",
                                "{\"chn\":64,\"tourid\":1,\"rowsize\":2," + path + "}",
                                "not json",
                            });
    expect_silent("/6057", {"{\"chn\":1,\"tourid\":0}", "{\"chn\":1,\"tourid\":9}", "{\"chn\":-1,\"tourid\":1}"});
    PtzStoredTours got;
    ASSERT_TRUE(stored("ptz_tour", 1, &got));
    EXPECT_EQ(hex_of(got), hex_of(before));
    EXPECT_TRUE(emu().received().empty());

    // An empty tour is a tour of no points.
    EXPECT_EQ(post("/6055", "{\"chn\":1,\"tourid\":8,\"rowsize\":0}").out, kOk);
    ASSERT_TRUE(stored("ptz_tour", 1, &got));
    EXPECT_EQ(hex_of(got), hex_of(before));
    ASSERT_EQ(emu().received(1264).size(), 1u);
    EXPECT_EQ(emu().received(1264)[0].u32_at(8), 0u);
}

TEST_F(PtzConfigTest, FisheyeTourFillsOnlyItsTour)
{
    emu();
    auto r = post("/6056", "{\"chn\":6,\"tourid\":3,\"streamId\":2,\"rowsize\":2,"
                           "\"path\":[{\"preset\":4,\"speed\":2,\"time\":30},{\"preset\":5,\"speed\":3,\"time\":40}]}");
    EXPECT_EQ(r.out, kOk);
    static PtzFishTourMsg msg;
    msg = zeroed<PtzFishTourMsg>();
    msg.channel = 6;
    msg.stream_id = 2;
    msg.tour_index = 2;
    msg.tours[2].preset_id[0] = 4;
    msg.tours[2].timeout[0] = 30;
    msg.tours[2].speed[0] = 2;
    msg.tours[2].preset_id[1] = 5;
    msg.tours[2].timeout[1] = 40;
    msg.tours[2].speed[1] = 3;
    EXPECT_EQ(hex_of(sent_once(1269, false)), hex_of(msg));
    expect_logs({6});
    EXPECT_EQ(table("ptz_tour"), "");  // a fisheye tour is the camera's, not stored
}

TEST_F(PtzConfigTest, TourClearKeepsTimesAndSpeeds)
{
    PtzStoredTours before = numbered_tours();
    put_row("ptz_tour", 9, before);
    emu();
    EXPECT_EQ(post("/6057", "{\"chn\":9,\"tourid\":1,\"fisheyeType\":1,\"streamId\":3}").out, kOk);
    PtzStoredTours want = before;
    for (PtzTourPoint& p : want.tours[0]) p.preset_id = 0;
    PtzStoredTours got;
    ASSERT_TRUE(stored("ptz_tour", 9, &got));
    EXPECT_EQ(hex_of(got), hex_of(want));
    EXPECT_EQ(got.tours[0][47].time, 10 + 47);

    PtzTour t = zeroed<PtzTour>();
    t.channel = 9;
    t.tour_id = 1;
    t.fisheye_type = 1;
    t.stream_id = 3;
    auto sent = emu().received(1257);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(hex_of(sent[0]), hex_of(t));
    expect_logs({9});
}

TEST_F(PtzConfigTest, EmptyBodies)
{
    emu();
    expect_empty_bodies_handled({"/6050", "/6051", "/6052", "/6053", "/6054", "/6055", "/6056", "/6057"});
}

TEST_F(PtzConfigTest, FactorySettingsAndDemoDaemon)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    EXPECT_EQ(post("/6050", "{\"chnid\":3}").body(),
              "{ \"camId\": 3, \"connectType\": 0, \"baudRate\": 9600, \"dataBits\": 8, \"stopBits\": 1, "
              "\"parityType\": 0, \"protocol\": 0, \"address\": 1 }");
    EXPECT_EQ(post("/6053", "{\"camId\":63}").body(),
              "{ \"pan_speed\": 5, \"tilt_speed\": 5, \"zoom_speed\": 5, \"foucs_speed\": 5 }");
    EXPECT_EQ(post("/6052", "{\"camId\":0}").body(), "0");
    EXPECT_EQ(post("/6055", "{\"chn\":0,\"tourid\":1,\"rowsize\":1,\"path\":[{\"preset\":2,\"speed\":1,\"time\":5}]}")
                  .body(),
              "OK");
    PtzStoredTours got;
    ASSERT_TRUE(stored("ptz_tour", 0, &got));
    EXPECT_EQ(got.tours[0][0].preset_id, 2);
    EXPECT_EQ(got.tours[0][1].preset_id, 0);
}

}  // namespace
