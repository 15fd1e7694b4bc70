// Point-of-sale terminals end to end: the eight connections with the actions
// of one, the write of a connection and its actions, and the checks of a
// terminal's address and port, through the CGI program and the store.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/json.h"
#include "handlers/camera/pos_records.h"
#include "tests/fixtures.h"

namespace {

// A request-form schedule: `days` days of `plans` plans ["dd:pp", "dd:pp+1", d + p].
std::string request_schedule(int days, int plans)
{
    return schedule_json_of(days, plans,
                            [](int d, int p) { return plan_json(clock_text(d, p), clock_text(d, p + 1), d + p); });
}

// Every connection key of a write.
const std::string kConnection =
    "\"enable\":1,\"name\":\"Till 4\",\"protocol\":2,\"connectionMode\":1,\"ip\":\"192.168.1.50\","
    "\"liveviewDisplay\":1,\"displayChannel\":5,\"startX\":10,\"startY\":20,\"areaWidth\":300,\"areaHeight\":200,"
    "\"characterEncodeing\":1,\"fontSize\":2,\"fontColor\":3,\"overlayMode\":1,\"displayTime\":15,\"timeout\":60,"
    "\"privacy1\":\"card\",\"privacy2\":\"pin\",\"privacy3\":\"cvv\",\"port\":9100";

class PosTest : public NvrTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(store({"init"}).status, 0);
        emu();
    }
    PosSettingRecord setting(int id)
    {
        PosSettingRecord p;
        stored("pos_setting", id, &p);
        return p;
    }
    std::string dump(const std::string& table) { return store({"dump", table}).out; }
};

TEST_F(PosTest, ModuleListsItsCodes)
{
    const std::vector<std::string> mine = {"/2073", "/2074"};
    EXPECT_EQ(registered_codes("camera", mine), mine);
}

TEST_F(PosTest, ReadListsEightConnectionsAndTheActionsOfOne)
{
    EXPECT_EQ(post("/2073", "{\"id\":8}").out, kJsonError);
    EXPECT_EQ(post("/2073", "{\"id\":-1}").out, kJsonError);
    EXPECT_EQ(post("/2073", "{}").out, kJsonError);
    EXPECT_EQ(post("/2073", "id=3").out, kJsonError);

    auto r = post("/2073", "{\"id\":3}");
    ASSERT_EQ(r.header(), "Content-type: application/json");
    JsonPtr reply = json_of(r);
    json_object* pos = jget(reply.get(), "pos");
    ASSERT_EQ(jarray_size(pos), 8u);
    EXPECT_STREQ(json_object_to_json_string(json_object_array_get_idx(pos, 7)),
                 "{ \"id\": 7, \"enable\": 0, \"name\": \"POS 8\", \"protocol\": 0, \"connectionMode\": 0, \"ip\": "
                 "\"\", \"liveviewDisplay\": 0, \"displayChannel\": 7, \"startX\": 0, \"startY\": 0, \"areaWidth\": 0, "
                 "\"areaHeight\": 0, \"characterEncodeing\": 0, \"fontSize\": 1, \"fontColor\": 0, \"overlayMode\": 0, "
                 "\"displayTime\": 10, \"timeout\": 30, \"privacy1\": \"\", \"privacy2\": \"\", \"privacy3\": \"\", "
                 "\"port\": 0 }");
    json_object* action = jget(reply.get(), "action");
    std::vector<std::string> keys = json_keys(action);
    EXPECT_EQ(keys, (std::vector<std::string>{"effective", "audible", "interval", "audioId", "email",
                                              "email_interval", "email_pic_enable", "tri_channels_pic", "ptz",
                                              "ptz_interval", "ptzParams", "white", "whiteInfo", "white_interval",
                                              "alarmout_interval", "triAlarms", "triChannels", "triChnAlarms"}));
    EXPECT_EQ(jarray_size(jget(action, "effective")), 8u);
}

TEST_F(PosTest, WriteWithoutActionsWritesTheConnectionAndTellsTheDaemon)
{
    const std::string events = dump("pos_event");
    auto r = post("/2074", "{\"id\":4," + kConnection + "}");
    EXPECT_EQ(r.out, kJsonHead + "{ \"res\": 0 }");
    auto sent = emu().received(1421);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(to_hex(sent[0].payload.data(), sent[0].payload.size()), "04000000");
    EXPECT_EQ(sent[0].flags & 1, 1u);
    EXPECT_EQ(emu().received().size(), 1u);

    PosSettingRecord want = zeroed<PosSettingRecord>();
    want.id = 4;
    want.enable = 1;
    set_text(want.name, "Till 4");
    want.protocol = 2;
    want.connection_mode = 1;
    set_text(want.ip, "192.168.1.50");
    want.liveview_display = 1;
    want.display_channel = 5;
    want.start_x = 10;
    want.start_y = 20;
    want.area_width = 300;
    want.area_height = 200;
    want.character_encoding = 1;
    want.font_size = 2;
    want.font_color = 3;
    want.overlay_mode = 1;
    want.display_time = 15;
    want.timeout = 60;
    set_text(want.privacy[0], "card");
    set_text(want.privacy[1], "pin");
    set_text(want.privacy[2], "cvv");
    want.port = 9100;
    EXPECT_EQ(hex_of(setting(4)), hex_of(want));
    EXPECT_EQ(dump("pos_event"), events);

    // The read gives it back as written.
    JsonPtr reply = json_of(post("/2073", "{\"id\":0}"));
    json_object* row = json_object_array_get_idx(jget(reply.get(), "pos"), 4);
    EXPECT_STREQ(jstr(row, "ip"), "192.168.1.50");
    EXPECT_EQ(jint(row, "port"), 9100);
    EXPECT_STREQ(jstr(row, "privacy3"), "cvv");
}

TEST_F(PosTest, MissingKeysClearTheConnectionAndLongTextsAreCut)
{
    ASSERT_EQ(post("/2074", "{\"id\":2," + kConnection + "}").body(), "{ \"res\": 0 }");
    const std::string name(40, 'n'), word(80, 'w');
    ASSERT_EQ(post("/2074", "{\"id\":2,\"name\":\"" + name + "\",\"privacy2\":\"" + word + "\"}").body(),
              "{ \"res\": 0 }");
    PosSettingRecord want = zeroed<PosSettingRecord>();
    want.id = 2;
    set_text(want.name, name.c_str());
    set_text(want.privacy[1], word.c_str());
    EXPECT_EQ(hex_of(setting(2)), hex_of(want));
    EXPECT_EQ(std::string(setting(2).name), std::string(32, 'n'));
    EXPECT_EQ(std::string(setting(2).privacy[1]), std::string(63, 'w'));
}

TEST_F(PosTest, AddressIsATextAndPortANumberStoredAsGiven)
{
    // Host names and any other text are terminal addresses too: stored cut
    // to 63 characters, never checked here (the core daemon connects).
    const std::string long_ip(70, '1');
    const std::pair<std::string, std::string> addresses[] = {
        {"\"till4.shop.example.net\"", "till4.shop.example.net"},
        {"\"fe80::1\"", "fe80::1"},
        {"\"192.168.1.256\"", "192.168.1.256"},
        {"\"" + long_ip + "\"", long_ip.substr(0, 63)},
        {"\"\"", ""},
    };
    int sent = 0;
    for (const auto& [json, stored_text] : addresses) {
        ASSERT_EQ(post("/2074", "{\"id\":1,\"ip\":" + json + ",\"port\":9100}").body(), "{ \"res\": 0 }") << json;
        EXPECT_EQ(std::string(setting(1).ip), stored_text) << json;
        EXPECT_EQ(setting(1).port, 9100);
        sent++;
    }
    // The port is an integer key: numbers are stored unchanged.
    for (const auto& [json, value] : {std::pair<std::string, int>{"70000", 70000}, {"-1", -1}, {"\"65535\"", 65535}}) {
        ASSERT_EQ(post("/2074", "{\"id\":1,\"port\":" + json + "}").body(), "{ \"res\": 0 }") << json;
        EXPECT_EQ(setting(1).port, value) << json;
        sent++;
    }
    EXPECT_EQ(emu().received(kMsgPosChanged).size(), size_t(sent));

    // Only a request without a POS id, or not JSON, is refused.
    const std::string before = dump("pos_setting"), events = dump("pos_event");
    EXPECT_EQ(post("/2074", "{\"id\":8," + kConnection + "}").out, kJsonError);
    EXPECT_EQ(post("/2074", "not json").out, kJsonError);
    EXPECT_EQ(dump("pos_setting"), before);
    EXPECT_EQ(dump("pos_event"), events);
    EXPECT_EQ(emu().received(kMsgPosChanged).size(), size_t(sent));
}

TEST_F(PosTest, ActionsAreStoredAndReadBack)
{
    const std::string action =
        "{\"effective\":" + request_schedule(8, 12) + ",\"audible\":" + request_schedule(2, 1) +
        ",\"interval\":30,\"audioId\":2,\"email\":" + request_schedule(1, 2) +
        ",\"email_interval\":60,\"email_pic_enable\":1,\"tri_channels_pic\":\"0011\",\"ptz\":" +
        request_schedule(1, 1) + ",\"ptz_interval\":5,\"ptzParams\":[{\"acto_ptz_channel\":3,\"acto_ptz_type\":1,"
        "\"acto_ptz_preset\":7}],\"white\":" + request_schedule(1, 3) +
        ",\"white_interval\":9,\"whiteInfo\":[[2,1,30]],\"triChnAlarms\":[\"01\",\"10\"],\"alarmout_interval\":8,"
        "\"triAlarms\":3,\"triChannels\":\"" + std::string(40, '0') + "1" + "\"}";
    ASSERT_EQ(post("/2074", "{\"id\":6,\"action\":" + action + "}").body(), "{ \"res\": 0 }");

    PosEventRecord ev;
    ASSERT_TRUE(stored("pos_event", 6, &ev));
    EXPECT_EQ(ev.id, 6);
    EXPECT_EQ(ev.interval, 30);
    EXPECT_EQ(ev.audio_id, 2);
    EXPECT_EQ(ev.email_interval, 60);
    EXPECT_EQ(ev.email_pic_enable, 1);
    EXPECT_STREQ(ev.tri_channels_pic, "0011");
    EXPECT_EQ(ev.ptz_interval, 5);
    EXPECT_EQ(ev.white_interval, 9);
    EXPECT_EQ(ev.alarmout_interval, 8);
    EXPECT_EQ(ev.tri_alarms, 3);
    EXPECT_STREQ(ev.tri_chn_alarms[1], "10");
    // A '1' at position 40 stays in the text but sets no bit of the mask.
    EXPECT_EQ(std::string(ev.tri_channels), std::string(40, '0') + "1");
    EXPECT_EQ(ev.tri_mask, 0u);

    RecordSchedule s;
    ASSERT_TRUE(stored("pos_audible_schedule", 6, &s));
    EXPECT_STREQ(s.days[1].plans[0].start_time, "01:00");
    ASSERT_TRUE(stored("pos_whiteled_esche", 6, &s));
    EXPECT_STREQ(s.days[0].plans[2].end_time, "00:03");
    PtzActionList ptz;
    ASSERT_TRUE(stored("ptz_params_21", 6, &ptz));
    EXPECT_EQ(ptz.count, 1);
    EXPECT_EQ(ptz.entries[0].source_channel, 6);
    EXPECT_EQ(ptz.entries[0].acto_ptz_preset, 7);
    WhiteLedList white;
    ASSERT_TRUE(stored("pos_whiteled_params", 6, &white));
    EXPECT_EQ(white.count, 1);
    EXPECT_EQ(white.entries[0].owner, 6);

    JsonPtr reply = json_of(post("/2073", "{\"id\":6}"));
    json_object* a = jget(reply.get(), "action");
    EXPECT_EQ(jint(a, "interval"), 30);
    EXPECT_EQ(jint(a, "triAlarms"), 3);
    EXPECT_STREQ(json_object_to_json_string(jget(a, "ptzParams")),
                 "[ { \"acto_ptz_channel\": 3, \"acto_ptz_type\": 1, \"acto_ptz_preset\": 7, "
                 "\"acto_ptz_patrol\": 0 } ]");
    EXPECT_STREQ(json_object_to_json_string(jget(a, "whiteInfo")), "[ { \"chnid\": 2, \"mode\": 1, \"time\": 30 } ]");
    EXPECT_STREQ(json_object_to_json_string(jget(a, "triChnAlarms")), "[ \"01\", \"10\" ]");
    json_object* plan = json_object_array_get_idx(json_object_array_get_idx(jget(a, "email"), 0), 1);
    EXPECT_STREQ(json_object_to_json_string(plan),
                 "{ \"startTime\": \"00:01\", \"endTime\": \"00:02\", \"actionType\": 1 }");
    // The other terminals' actions are untouched.
    JsonPtr other = json_of(post("/2073", "{\"id\":5}"));
    a = jget(other.get(), "action");
    EXPECT_EQ(jint(a, "interval"), 0);
    EXPECT_STREQ(json_object_to_json_string(jget(a, "ptzParams")), "[ ]");
}

TEST_F(PosTest, AudibleAloneLeavesTheOtherActions)
{
    ASSERT_EQ(post("/2074", "{\"id\":0,\"action\":{\"interval\":12,\"email\":" + request_schedule(1, 1) + "}}").body(),
              "{ \"res\": 0 }");
    const std::string events = dump("pos_event"), email = dump("pos_email_schedule");
    ASSERT_EQ(post("/2074", "{\"id\":0,\"action\":{\"audible\":" + request_schedule(1, 1) + "}}").body(),
              "{ \"res\": 0 }");
    EXPECT_EQ(dump("pos_event"), events);
    EXPECT_EQ(dump("pos_email_schedule"), email);
    RecordSchedule s;
    EXPECT_TRUE(stored("pos_audible_schedule", 0, &s));
}

TEST_F(PosTest, NoOrShortReplyGivesTheErrorAfterTheWrite)
{
    emu().rule("1421 close");
    EXPECT_EQ(post("/2074", "{\"id\":3,\"name\":\"late\"}").out, kJsonError);
    EXPECT_STREQ(setting(3).name, "late");
}

TEST_F(PosTest, ShortReplyGivesTheError)
{
    emu().rule("1421 reply 6421 hex:0100");
    EXPECT_EQ(post("/2074", "{\"id\":3}").out, kJsonError);
}

TEST_F(PosTest, EmptyBodies) { expect_empty_bodies_handled({"/2073", "/2074"}); }

}  // namespace
