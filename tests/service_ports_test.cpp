// Service ports, channel access and push messages end to end: a changed
// port is refused when it is no port number, is another service's port, is
// reserved for PoE cameras or is in use (a fake netstat lists the sockets),
// and a refusal writes and sends nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "handlers/network/services_records.h"
#include "tests/fixtures.h"

namespace {

const char* kPoeError = "Content-type: text/plain\r\n\r\nPOE_Port_Error";
const char* kPosError = "Content-type: text/plain\r\n\r\nPOS_Port_Error";



PortRow stored_ports()
{
    PortRow p = zeroed<PortRow>();
    p.enable_ssh = 0;
    p.ssh_port = 22;
    p.http_port = 80;
    p.rtsp_port = 554;
    p.service_port = 6036;
    set_text(p.host_name, "nvr.shop.example");
    p.enable_host_name = 1;
    p.https_port = 443;
    p.pos_port = 38800;
    return p;
}

// A write request: the stored ports unless a key is given.
std::string ports_body(std::map<std::string, std::string> keys = {})
{
    std::map<std::string, std::string> all = {{"enableSsh", "0"},    {"sshPort", "22"},     {"httpPort", "80"},
                                              {"rtspPort", "554"},   {"servicePort", "6036"}, {"httpsPort", "443"},
                                              {"posPort", "38800"},  {"enableMsg", "0"}};
    for (auto& k : keys) all[k.first] = k.second;
    std::string s = "{";
    for (auto& k : all) {
        if (k.second == "-") continue;  // left out
        if (s.size() > 1) s += ",";
        s += "\"" + k.first + "\":" + k.second;
    }
    return s + "}";
}

// "netstat -an" of a recorder whose web server listens on 8080 (IPv4) and
// whose something else listens on 8443 (IPv6 only).
const char* kListing =
    "printf 'Active Internet connections (servers and established)\\n"
    "Proto Recv-Q Send-Q Local Address           Foreign Address         State\\n"
    "tcp        0      0 0.0.0.0:8080            0.0.0.0:*               LISTEN\\n"
    "tcp        0      0 192.168.1.100:80        192.168.1.20:51234      ESTABLISHED\\n"
    "tcp        0      0 :::8443                 :::*                    LISTEN\\n'";

class ServicePortsTest : public NvrTest {
protected:
    void SetUp() override
    {
        put_row("port", 0, stored_ports());
        fake_tool("netstat", kListing);
    }
    PortRow ports()
    {
        PortRow p;
        stored("port", 0, &p);
        return p;
    }
    std::string key(const char* k) { return store({"get", k}).out; }
    // A refused request: its error, and nothing written or sent.
    void expect_refused(const std::string& body, const char* error)
    {
        auto events = store({"dump", "push_msg_event"}).out;
        EXPECT_EQ(post("/7051", body).out, error) << body;
        EXPECT_EQ(hex_of(ports()), hex_of(stored_ports())) << body;
        EXPECT_EQ(store({"dump", "push_msg_event"}).out, events) << body;
        EXPECT_EQ(key("enable_push_msg"), "") << body;
        EXPECT_EQ(key("push_type"), "") << body;
        EXPECT_TRUE(emu().received().empty()) << body;
    }
};

TEST_F(ServicePortsTest, WriteStoresPortsAndPushSettingsThenTellsTheDaemon)
{
    emu();
    auto r = post("/7051", ports_body({{"enableSsh", "1"},
                                       {"sshPort", "2222"},
                                       {"httpPort", "8000"},
                                       {"rtspPort", "8554"},
                                       {"servicePort", "9000"},
                                       {"httpsPort", "8444"},
                                       {"posPort", "38801"},
                                       {"enableMsg", "1"},
                                       {"enableAccess", "1"},
                                       {"pushType", "3"},
                                       {"PushTypeNvrAlarmIn", "15"},
                                       {"channel_num", "3"},
                                       {"pushTypeArr", "[5,6,7,8]"},
                                       {"pushNvrPos", "\"" + std::string(90, 'p') + "\""},
                                       {"pushVideoStream", "1"}}));
    EXPECT_EQ(r.out, kOk);

    PortRow want = stored_ports();
    want.enable_ssh = 1;
    want.ssh_port = 2222;
    want.http_port = 8000;
    want.rtsp_port = 8554;
    want.https_port = 8444;
    want.pos_port = 38801;  // the service port keeps its stored value
    EXPECT_EQ(hex_of(ports()), hex_of(want));
    EXPECT_EQ(key("push_type"), "3\n");
    EXPECT_EQ(key("pushmsg_alarmin_type"), "15\n");
    EXPECT_EQ(key("enable_push_msg"), "1\n");
    EXPECT_EQ(key("video_push_stream"), "1\n");
    for (int i = 0; i < 4; i++) {
        PushEventRow e;
        EXPECT_EQ(stored("push_msg_event", i, &e), i < 3) << i;
        if (i < 3) {
            EXPECT_EQ(hex_of(e), hex_of(PushEventRow{i, 5 + i}));
        }
    }
    PushPosRow pos;
    ASSERT_TRUE(stored("push_msg_nvr_event", 0, &pos));
    EXPECT_EQ(std::string(pos.text), std::string(64, 'p'));
    // Every changed port was looked up.
    EXPECT_EQ(tool_calls("netstat"), std::vector<std::string>(5, "-an"));

    auto f = emu().received();
    std::vector<uint32_t> codes;
    for (const EmuFrame& x : f) codes.push_back(x.code);
    EXPECT_EQ(codes, (std::vector<uint32_t>{3618, 1422, 3617, 3485, 1702}));
    EXPECT_EQ(hex_of(f[0]), "01000000");
    EXPECT_EQ(hex_of(f[1]), "91970000");  // 38801
    EXPECT_EQ(hex_of(f[2]), "31000000000000000000");
    EXPECT_EQ(f[3].i64_at(8), 204);
    EXPECT_EQ(f[3].u32_at(24), 918u);
    EXPECT_EQ(hex_of(f[4]), [] {
        char s[32] = "more";
        return to_hex(s, sizeof s);
    }());
    for (const EmuFrame& x : f) EXPECT_EQ(x.flags & 1, 0u);
}

TEST_F(ServicePortsTest, KeptPortsSkipTheChecksAndTheReadShowsTheSettings)
{
    ASSERT_EQ(store({"set", "max_cameras", "4"}).status, 0);
    ASSERT_EQ(store({"set", "ch_access", "1"}).status, 0);
    emu();
    // enableMsg outside 0..1 stores "0"; access unchanged sends nothing.
    EXPECT_EQ(post("/7051", ports_body({{"enableMsg", "5"}, {"enableAccess", "1"}, {"channel_num", "2"},
                                        {"pushTypeArr", "[9,10]"}}))
                  .out,
              kOk);
    EXPECT_TRUE(tool_calls("netstat").empty());
    EXPECT_EQ(hex_of(ports()), hex_of(stored_ports()));
    EXPECT_EQ(key("enable_push_msg"), "0\n");
    EXPECT_TRUE(emu().received(3618).empty());
    EXPECT_TRUE(emu().received(1422).empty());
    auto push = emu().received(3617);
    ASSERT_EQ(push.size(), 1u);
    EXPECT_EQ(hex_of(push[0]), "30000000000000000000");

    auto r = post("/7050", "");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    EXPECT_EQ(r.body(), "{ \"enableSsh\": 0, \"sshPort\": 22, \"httpPort\": 80, \"httpsPort\": 443, \"rtspPort\": 554, "
                        "\"servicePort\": 6036, \"posPort\": 38800, \"enable_access\": 1, "
                        "\"PushTypeArr\": [ 9, 10, 0, 0 ], \"PushNvrAlarmInType\": 65535, \"enableMsg\": 0, "
                        "\"push_stream\": 0, \"pushNvrPos\": \"\" }");
    // A switch stored out of range reads as off.
    ASSERT_EQ(store({"set", "enable_push_msg", "3"}).status, 0);
    EXPECT_NE(post("/7050", "").body().find("\"enableMsg\": 0,"), std::string::npos);
    ASSERT_EQ(store({"set", "enable_push_msg", "1"}).status, 0);
    EXPECT_NE(post("/7050", "").body().find("\"enableMsg\": 1,"), std::string::npos);
}

TEST_F(ServicePortsTest, PoeReservedPorts)
{
    ASSERT_EQ(store({"set", "max_poe_num", "8"}).status, 0);
    emu();
    expect_refused(ports_body({{"httpPort", "23005"}, {"enableMsg", "1"}, {"pushType", "2"}}), kPoeError);
    expect_refused(ports_body({{"sshPort", "23001"}}), kPoeError);
    expect_refused(ports_body({{"posPort", "23008"}}), kPosError);
    EXPECT_TRUE(tool_calls("netstat").empty());  // refused before any lookup

    ASSERT_EQ(store({"set", "max_poe_num", "4"}).status, 0);
    EXPECT_EQ(post("/7051", ports_body({{"httpPort", "23005"}})).out, kOk);
    EXPECT_EQ(ports().http_port, 23005);
    EXPECT_EQ(post("/7093", "").body(), "{ \"max_poe_num\": 4 }");
}

TEST_F(ServicePortsTest, PortsInUse)
{
    emu();
    expect_refused(ports_body({{"httpPort", "8080"}, {"enableAccess", "1"}}), kPoeError);
    expect_refused(ports_body({{"httpsPort", "8443"}}), kPoeError);  // listening on IPv6 only
    expect_refused(ports_body({{"rtspPort", "8080"}}), kPoeError);
    expect_refused(ports_body({{"posPort", "8080"}}), kPosError);
    // 808 is a prefix of a port in use, and 51234 a remote port: both free.
    EXPECT_EQ(post("/7051", ports_body({{"httpPort", "808"}, {"posPort", "51234"}})).out, kOk);
    EXPECT_EQ(ports().http_port, 808);
    EXPECT_EQ(ports().pos_port, 51234);
}

TEST_F(ServicePortsTest, AnotherServicesPortOrNoPortNumber)
{
    emu();
    expect_refused(ports_body({{"httpPort", "554"}}), kPoeError);
    expect_refused(ports_body({{"sshPort", "6036"}}), kPoeError);  // the stored service port
    expect_refused(ports_body({{"httpsPort", "8000"}, {"httpPort", "8000"}}), kPoeError);
    expect_refused(ports_body({{"posPort", "443"}}), kPosError);
    expect_refused(ports_body({{"httpPort", "0"}}), kPoeError);
    expect_refused(ports_body({{"sshPort", "65536"}}), kPoeError);
    expect_refused(ports_body({{"httpsPort", "-443"}}), kPoeError);
    expect_refused(ports_body({{"posPort", "70000"}}), kPosError);
    EXPECT_TRUE(tool_calls("netstat").empty());
}

TEST_F(ServicePortsTest, MissingKeysAndOptionalPorts)
{
    emu();
    for (const char* k : {"enableSsh", "sshPort", "httpPort", "rtspPort", "servicePort", "enableMsg"})
        EXPECT_EQ(post("/7051", ports_body({{k, "-"}})).out, "") << k;
    for (auto kv : std::map<std::string, std::string>{{"enableSsh", "2"}, {"sshPort", "-1"}, {"enableMsg", "-1"}})
        EXPECT_EQ(post("/7051", ports_body({kv})).out, "") << kv.first;
    EXPECT_EQ(post("/7051", "ports").out, "");
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(hex_of(ports()), hex_of(stored_ports()));

    // HTTPS and POS ports left out keep their stored values.
    EXPECT_EQ(post("/7051", ports_body({{"httpsPort", "-"}, {"posPort", "-"}, {"httpPort", "81"}})).out, kOk);
    PortRow want = stored_ports();
    want.http_port = 81;
    EXPECT_EQ(hex_of(ports()), hex_of(want));
}

TEST_F(ServicePortsTest, AccessChangeAndReboot)
{
    emu();
    EXPECT_EQ(post("/7092", "").body(), "{ \"access\": 0 }");
    EXPECT_EQ(post("/7051", ports_body({{"enableAccess", "1"}, {"needReboot", "1"}})).out, kOk);
    auto f = emu().received();
    std::vector<uint32_t> codes;
    for (const EmuFrame& x : f) codes.push_back(x.code);
    EXPECT_EQ(codes, (std::vector<uint32_t>{3618, 3617, 3485, 1702, 3485, 1703}));
    EXPECT_EQ(hex_of(f[0]), "01000000");
    EXPECT_EQ(f[4].i64_at(8), 200);
    EXPECT_EQ(f[4].u32_at(24), 900u);
    EXPECT_TRUE(f[5].payload.empty());
}

TEST_F(ServicePortsTest, NoNetstatCountsAsFree)
{
    // As when no netstat is found: the shell's "not found" status.
    fake_tool("netstat", "exit 127");
    emu();
    EXPECT_EQ(post("/7051", ports_body({{"httpPort", "8080"}})).out, kOk);
    EXPECT_EQ(ports().http_port, 8080);
}

class ServicePortsFactoryTest : public NvrTest {};

TEST_F(ServicePortsFactoryTest, EmptyBodiesAndFactorySettings)
{
    emu();
    expect_empty_bodies_handled({"/7050", "/7051", "/7092", "/7093"});
    ASSERT_EQ(store({"init"}).status, 0);
    EXPECT_EQ(post("/7093", "").body(), "{ \"max_poe_num\": 0 }");
    EXPECT_EQ(post("/7092", "").body(), "{ \"access\": 0 }");
    EXPECT_EQ(post("/7050", "").body(),
              "{ \"enableSsh\": 0, \"sshPort\": 22, \"httpPort\": 80, \"httpsPort\": 443, \"rtspPort\": 554, "
              "\"servicePort\": 6036, \"posPort\": 38800, \"enable_access\": 0, \"PushTypeArr\": [ " +
                  [] {
                      std::string zeros;
                      for (int i = 0; i < 32; i++) zeros += i ? ", 0" : "0";
                      return zeros;
                  }() +
                  " ], \"PushNvrAlarmInType\": 65535, \"enableMsg\": 0, \"push_stream\": 0, \"pushNvrPos\": \"\" }");
}

}  // namespace
