// Live status queries end to end: the query each request sends, the JSON
// built from the core daemon's records and the store, and the error reply
// when the daemon's answer is missing or short.
#include <gtest/gtest.h>

#include <json-c/json.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/json.h"
#include "handlers/camera/camera_records.h"
#include "handlers/status/status_records.h"
#include "tests/fixtures.h"

namespace {

const char* const kCgiErrorJson = "{status:\"CGI ERROR\"}";

class StatusTest : public NvrTest {
protected:
    JsonPtr reply_of(const std::string& code)
    {
        auto r = post(code, "");
        EXPECT_NE(r.header().find("application/json"), std::string::npos) << code;
        JsonPtr o = json_parse(r.body().c_str());
        EXPECT_TRUE(o) << code << ": " << r.body();
        return o;
    }
    template <typename T>
    void reply_rule(u32 code, u32 reply, const std::vector<T>& records)
    {
        emu().rule(std::to_string(code) + " reply " + std::to_string(reply) + " hex:" +
                   to_hex(records.data(), records.size() * sizeof(T)));
    }
    static json_object* at(json_object* list, size_t i) { return json_object_array_get_idx(list, i); }
    static std::string text(json_object* o, const char* key) { return jstr(o, key) ? jstr(o, key) : "(absent)"; }
};

ChannelStatusRecord channel_status(int ch)
{
    ChannelStatusRecord s = zeroed<ChannelStatusRecord>();
    s.main = {1920, 1080, 25, 4096, 1, 2};
    s.sub = {640, 360, 15, 512, 1, 1};
    s.record_on = 1;
    s.alarm_on = ch == 5 ? 1 : 0;
    s.chnid = ch;
    return s;
}

// ---- queries and key order over the demo recorder ----

TEST_F(StatusTest, EveryQueryIsSentWithoutPayloadAndWaitedFor)
{
    const std::vector<std::pair<std::string, u32>> queries = {
        {"/8000", 3301}, {"/8001", 3302}, {"/8002", 3300}, {"/8003", 3305},
        {"/8008", 3306}, {"/8009", 3263}, {"/8011", 1719},
    };
    emu();
    for (const auto& q : queries) {
        auto r = post(q.first, "{\"ignored\":1}");
        EXPECT_NE(r.body(), kCgiErrorJson) << q.first;
        auto frames = emu().received(q.second);
        ASSERT_EQ(frames.size(), 1u) << q.first;
        EXPECT_EQ(frames[0].flags & 1, 1u) << q.first;
        EXPECT_TRUE(frames[0].payload.empty()) << q.first;
    }
    EXPECT_EQ(emu().received().size(), queries.size());
}

TEST_F(StatusTest, InterfacesAndTrafficKeepTheirKeyOrder)
{
    store({"init"});
    emu();
    JsonPtr net = reply_of("/8000");
    ASSERT_TRUE(net);
    EXPECT_EQ(json_keys(net.get()), std::vector<std::string>{"netif"});
    json_object* list = jget(net.get(), "netif");
    ASSERT_EQ(json_object_array_length(list), 2u);
    EXPECT_EQ(json_keys(at(list, 0)),
              (std::vector<std::string>{"ifname", "id", "state", "speedMode", "duplex", "enable", "dhcpEnable",
                                        "ipAddr", "MAC", "primaryDNS", "secondDNS", "gateway", "netmask", "mtu",
                                        "ip6mode", "ip6address", "ip6prefix", "ip6gateway"}));
    EXPECT_EQ(text(at(list, 0), "ifname"), "eth0");
    EXPECT_EQ(text(at(list, 0), "ipAddr"), "192.168.1.100");
    EXPECT_EQ(jint(at(list, 0), "ip6mode"), 2);
    EXPECT_EQ(jint(at(list, 1), "state"), 0);

    JsonPtr traffic = reply_of("/8001");
    ASSERT_TRUE(traffic);
    list = jget(traffic.get(), "netif");
    ASSERT_EQ(json_object_array_length(list), 2u);
    EXPECT_EQ(json_keys(at(list, 0)), (std::vector<std::string>{"id", "ifname", "RxSpeed", "TxSpeed"}));
    EXPECT_GT(jint(at(list, 0), "RxSpeed"), 0);
}

TEST_F(StatusTest, InterfaceTextsFillingTheirFieldsAreReadWithinThem)
{
    NetInterfaceStatus s;
    std::memset(&s, 'x', sizeof s);  // no terminating NUL anywhere
    s.ip6_mode = 200;
    reply_rule(3301, 8301, std::vector<NetInterfaceStatus>{s});
    JsonPtr net = reply_of("/8000");
    ASSERT_TRUE(net);
    json_object* o = at(jget(net.get(), "netif"), 0);
    EXPECT_EQ(text(o, "ifname"), std::string(12, 'x'));
    EXPECT_EQ(text(o, "ip6address"), std::string(67, 'x'));
    EXPECT_EQ(text(o, "ip6gateway"), std::string(64, 'x'));
    EXPECT_EQ(jint(o, "ip6mode"), 200);
}

TEST_F(StatusTest, ChannelsListEveryChannelWithTheDaemonsFigures)
{
    store({"init"});
    store({"set", "max_cameras", "16"});
    CameraRecord cam;
    ASSERT_TRUE(stored("camera", 0, &cam));
    cam.enable = 1;
    set_text(cam.ip, "192.168.1.101");
    put_row("camera", 0, cam);
    reply_rule(3300, 8300, std::vector<ChannelStatusRecord>{channel_status(0), channel_status(5)});

    JsonPtr reply = reply_of("/8002");
    ASSERT_TRUE(reply);
    json_object* list = jget(reply.get(), "IPC");
    ASSERT_EQ(json_object_array_length(list), 16u);
    json_object* c0 = at(list, 0);
    EXPECT_EQ(json_keys(c0),
              (std::vector<std::string>{"id", "name", "enable", "ipAddr", "recordOn", "alarmOn", "main", "sub"}));
    EXPECT_EQ(text(c0, "name"), "CAM1");
    EXPECT_EQ(jint(c0, "enable"), 1);
    EXPECT_EQ(text(c0, "ipAddr"), "192.168.1.101");
    json_object* main = jget(c0, "main");
    EXPECT_EQ(json_keys(main),
              (std::vector<std::string>{"res", "framerate", "bitrate", "connection", "connectStatus"}));
    EXPECT_EQ(json_keys(jget(main, "res")), (std::vector<std::string>{"width", "height"}));
    EXPECT_EQ(jint(jget(main, "res"), "width"), 1920);
    EXPECT_EQ(jint(main, "connectStatus"), 2);
    EXPECT_EQ(jint(jget(jget(c0, "sub"), "res"), "height"), 360);
    EXPECT_EQ(jint(at(list, 5), "alarmOn"), 1);
    EXPECT_EQ(jint(at(list, 5), "id"), 5);

    for (int i : {1, 4, 6, 15}) {
        json_object* c = at(list, size_t(i));
        EXPECT_EQ(jint(c, "id"), i);
        EXPECT_EQ(text(c, "ipAddr"), "--") << i;
        EXPECT_EQ(text(c, "recordOn"), "--") << i;
        EXPECT_EQ(text(c, "alarmOn"), "--") << i;
        for (const char* stream : {"main", "sub"}) {
            json_object* s = jget(c, stream);
            EXPECT_EQ(json_keys(s), (std::vector<std::string>{"res", "framerate", "bitrate", "connection"})) << i;
            EXPECT_EQ(text(s, "res"), "--");
        }
    }
}

TEST_F(StatusTest, ChannelRecordsOutOfOrderOrPastTheDeviceTakeNoFiguresFromOthers)
{
    store({"init"});
    store({"set", "max_cameras", "8"});
    reply_rule(3300, 8300,
               std::vector<ChannelStatusRecord>{channel_status(6), channel_status(40), channel_status(2),
                                                channel_status(-3)});
    JsonPtr reply = reply_of("/8002");
    ASSERT_TRUE(reply);
    json_object* list = jget(reply.get(), "IPC");
    ASSERT_EQ(json_object_array_length(list), 8u);
    for (int i = 0; i < 8; i++) {
        bool reported = i == 2 || i == 6;
        EXPECT_EQ(text(at(list, size_t(i)), "recordOn") == "--", !reported) << i;
    }
}

TEST_F(StatusTest, ChannelsWithoutMaxCamerasListThirtyTwo)
{
    reply_rule(3300, 8300, std::vector<ChannelStatusRecord>{channel_status(0)});
    JsonPtr reply = reply_of("/8002");
    ASSERT_TRUE(reply);
    EXPECT_EQ(json_object_array_length(jget(reply.get(), "IPC")), 32u);
}

TEST_F(StatusTest, EventsShowEachChannelsBitsNamesAndTheRecordersAlarms)
{
    store({"init"});
    store({"set", "max_cameras", "4"});
    store({"set", "alarm_in", "20"});  // more than the recorder has: 16 listed
    store({"set", "alarm_out", "2"});
    CameraInNameRecord in_name{3, 1, {}};
    set_text(in_name.name, "Door contact");
    put_row(kCameraInNameKinds[1].table, 3, in_name);
    CameraOutNameRecord out_name{3, 0, 15, {}};
    set_text(out_name.name, "Siren");
    put_row(kCameraOutNameKinds[0].table, 3, out_name);
    AlarmInRecord in = zeroed<AlarmInRecord>();
    in.id = 2;
    set_text(in.name, "Back door");
    in.type = 1;
    put_row(kAlarmInKind.table, 2, in);
    AlarmOutRecord out = zeroed<AlarmOutRecord>();
    out.id = 1;
    set_text(out.name, "Strobe");
    out.type = 1;
    out.duration = 30;
    put_row(kAlarmOutKind.table, 1, out);

    EventStatusRecord ev = zeroed<EventStatusRecord>();
    ev.video_loss = 1u << 0;
    ev.motion = 1u << 3;
    ev.alarm_ins = 1u << 2;
    ev.alarm_outs = 1u << 1;
    ev.line_crossing = 1u << 3;
    ev.object_left_removed = 1u << 2;
    ev.counts[3] = {12, 7};
    ev.camera_in_state[1] = 1u << 3;
    ev.camera_in_type[1] = 1u << 3;
    ev.camera_out_type[0] = 1u << 3;
    ev.camera_out_state[0] = 1u << 3;
    reply_rule(3305, 8305, std::vector<EventStatusRecord>{ev});

    JsonPtr reply = reply_of("/8003");
    ASSERT_TRUE(reply);
    EXPECT_EQ(json_keys(reply.get()), (std::vector<std::string>{"cameras", "alarmIn", "alarmOut"}));
    json_object* cams = jget(reply.get(), "cameras");
    ASSERT_EQ(json_object_array_length(cams), 4u);
    std::vector<std::string> want = {"id",           "name",        "ipAddr",         "videolossOn",
                                     "motionOn",     "ioOn",        "entrance",       "exiting",
                                     "advancedMotion", "tampering", "lineCrossing",   "loitering",
                                     "humanDetection", "objectleftremove", "in",      "out"};
    for (const char* k : {"0", "1"})
        for (const char* f : {"AlarmInName", "AlarmInType", "AlarmInState", "AlarmOutName", "AlarmOutDelay",
                              "AlarmOutType", "AlarmOutState"})
            want.push_back(std::string(f) + k);
    EXPECT_EQ(json_keys(at(cams, 0)), want);
    for (int i = 0; i < 4; i++) EXPECT_EQ(jint(at(cams, size_t(i)), "ioOn"), 1);
    EXPECT_EQ(jint(at(cams, 0), "videolossOn"), 1);
    EXPECT_EQ(jint(at(cams, 1), "videolossOn"), 0);
    json_object* c3 = at(cams, 3);
    EXPECT_EQ(text(c3, "name"), "CAM4");
    EXPECT_EQ(jint(c3, "motionOn"), 1);
    EXPECT_EQ(jint(c3, "lineCrossing"), 1);
    EXPECT_EQ(jint(c3, "objectleftremove"), 0);
    EXPECT_EQ(jint(at(cams, 2), "objectleftremove"), 1);
    EXPECT_EQ(jint(c3, "in"), 12);
    EXPECT_EQ(jint(c3, "out"), 7);
    EXPECT_EQ(text(c3, "AlarmInName1"), "Door contact");
    EXPECT_EQ(text(c3, "AlarmInName0"), "");
    EXPECT_EQ(jint(c3, "AlarmInState1"), 1);
    EXPECT_EQ(jint(c3, "AlarmInType1"), 1);
    EXPECT_EQ(jint(c3, "AlarmInState0"), 0);
    EXPECT_EQ(text(c3, "AlarmOutName0"), "Siren");
    EXPECT_EQ(jint(c3, "AlarmOutDelay0"), 15);
    EXPECT_EQ(jint(c3, "AlarmOutType0"), 1);
    EXPECT_EQ(jint(c3, "AlarmOutState0"), 1);
    EXPECT_EQ(jint(c3, "AlarmOutState1"), 0);

    json_object* ins = jget(reply.get(), "alarmIn");
    ASSERT_EQ(json_object_array_length(ins), 16u);
    EXPECT_EQ(json_keys(at(ins, 2)), (std::vector<std::string>{"id", "name", "type", "state"}));
    EXPECT_EQ(text(at(ins, 2), "name"), "Back door");
    EXPECT_EQ(jint(at(ins, 2), "type"), 1);
    EXPECT_EQ(jint(at(ins, 2), "state"), 1);
    EXPECT_EQ(jint(at(ins, 3), "state"), 0);
    json_object* outs = jget(reply.get(), "alarmOut");
    ASSERT_EQ(json_object_array_length(outs), 2u);
    EXPECT_EQ(json_keys(at(outs, 1)), (std::vector<std::string>{"id", "name", "type", "duration", "state"}));
    EXPECT_EQ(text(at(outs, 1), "name"), "Strobe");
    EXPECT_EQ(jint(at(outs, 1), "duration"), 30);
    EXPECT_EQ(jint(at(outs, 1), "state"), 1);
    EXPECT_EQ(jint(at(outs, 0), "state"), 0);
}

TEST_F(StatusTest, DiskSpaceSupportAndUsers)
{
    reply_rule(3306, 8306, std::vector<DiskSpaceRecord>{{1000, 400, 600}});
    JsonPtr disk = reply_of("/8008");
    ASSERT_TRUE(disk);
    EXPECT_EQ(json_keys(disk.get()), (std::vector<std::string>{"total", "free", "used"}));
    EXPECT_EQ(jint(disk.get(), "used"), 600);

    ChannelSupportRecord cap = zeroed<ChannelSupportRecord>();
    cap.channels[0] = {0, 1, 1, {}};
    cap.channels[3] = {0, 1, 2, {}};
    cap.channels[5] = {1, 2, 3, {}};  // neither supported nor of a known type
    cap.channels[63] = {0, 1, 1, {}};
    reply_rule(3263, 8263, std::vector<ChannelSupportRecord>{cap});
    JsonPtr support = reply_of("/8009");
    ASSERT_TRUE(support);
    EXPECT_EQ(json_keys(support.get()), (std::vector<std::string>{"support", "type"}));
    std::string want_support(64, '0'), want_type(64, '0');
    want_support[0] = want_support[3] = want_support[63] = '1';
    want_type[0] = want_type[63] = '1';
    want_type[3] = '2';
    EXPECT_EQ(text(support.get(), "support"), want_support);
    EXPECT_EQ(text(support.get(), "type"), want_type);

    std::vector<OnlineUserRecord> users(2);
    for (size_t i = 0; i < 2; i++) {
        users[i] = zeroed<OnlineUserRecord>();
        set_text(users[i].user_name, i ? "guest" : "admin");
        users[i].user_level = int(i);
        set_text(users[i].ipaddr, i ? "10.0.0.9" : "192.168.1.50");
        set_text(users[i].login_time, "2024-05-06 09:15:42");
    }
    // A trailing piece shorter than a record is not a user.
    std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(users.data()),
                               reinterpret_cast<uint8_t*>(users.data()) + 2 * sizeof(OnlineUserRecord));
    bytes.resize(bytes.size() + 100, 'z');
    emu().rule("1719 reply 6719 hex:" + to_hex(bytes.data(), bytes.size()));
    JsonPtr list = reply_of("/8011");
    ASSERT_TRUE(list);
    ASSERT_TRUE(json_object_is_type(list.get(), json_type_array));
    ASSERT_EQ(json_object_array_length(list.get()), 2u);
    EXPECT_EQ(json_keys(at(list.get(), 0)), (std::vector<std::string>{"userName", "userLevel", "ipaddr", "loginTime"}));
    EXPECT_EQ(text(at(list.get(), 1), "userName"), "guest");
    EXPECT_EQ(jint(at(list.get(), 1), "userLevel"), 1);
    EXPECT_EQ(text(at(list.get(), 1), "loginTime"), "2024-05-06 09:15:42");
}

// ---- missing and short answers ----

TEST_F(StatusTest, EmptyShortOrMissingAnswersGiveTheJsonError)
{
    struct Case {
        const char* code;
        u32 query, reply;
        size_t record;
    };
    const Case cases[] = {
        {"/8000", 3301, 8301, sizeof(NetInterfaceStatus)}, {"/8001", 3302, 8302, sizeof(NetTrafficStatus)},
        {"/8002", 3300, 8300, sizeof(ChannelStatusRecord)}, {"/8003", 3305, 8305, sizeof(EventStatusRecord)},
        {"/8008", 3306, 8306, sizeof(DiskSpaceRecord)},     {"/8009", 3263, 8263, sizeof(ChannelSupportRecord)},
        {"/8011", 1719, 6719, sizeof(OnlineUserRecord)},
    };
    for (const Case& c : cases) {
        const std::string q = std::to_string(c.query), r = std::to_string(c.reply);
        for (const std::string& rule : {q + " reply " + r + " hex:", q + " reply " + r + " zeros:" +
                                                                          std::to_string(c.record - 1),
                                        q + " close"}) {
            emu().rule(rule);
            const auto start = std::chrono::steady_clock::now();
            auto out = post(c.code, "");
            EXPECT_EQ(out.body(), kCgiErrorJson) << rule;
            EXPECT_NE(out.header().find("application/json"), std::string::npos) << rule;
            // A reply came: answered at once, not after the code's wait.
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << rule;
        }
    }
}

TEST_F(StatusTest, NoDaemonGivesTheJsonError)
{
    EXPECT_EQ(post("/8002", "").body(), kCgiErrorJson);
}

TEST_F(StatusTest, UnusedCodeWritesNothingAtAll)
{
    auto r = post("/8004", "{\"x\":1}");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(StatusTest, ModuleRegistersItsCodesInOrderAndSurvivesEmptyBodies)
{
    const std::vector<std::string> mine = {"/8000", "/8001", "/8002", "/8003", "/8004", "/8008", "/8009", "/8011"};
    EXPECT_EQ(registered_codes("status", mine), mine);
    emu();
    expect_empty_bodies_handled(mine);
}

}  // namespace
