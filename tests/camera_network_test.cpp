// Cameras on the network end to end: search, address changes, login tests,
// protocols and models, and the PoE settings.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "handlers/camera/camera_records.h"
#include "tests/fixtures.h"

namespace {

class CameraNetTest : public NvrTest {
protected:
    template <typename T>
    void reply_rule(u32 code, const std::vector<T>& records, const std::string& extra = "")
    {
        emu().rule(std::to_string(code) + " reply " + std::to_string(code + 5000) +
                   " hex:" + to_hex(records.data(), records.size() * sizeof(T)) + extra);
    }
    void result_rule(u32 code, i32 value)
    {
        emu().rule(std::to_string(code) + " reply " + std::to_string(code + 5000) + " hex:" + to_hex(&value, 4));
    }
};


const std::string kIpChange =
    "{\"macAddr\":\"02:5e:7a:20:00:01\",\"oldIpcAddr\":\"192.168.1.201\",\"newIpcAddr\":\"192.168.1.50\","
    "\"netmask\":\"255.255.255.0\",\"gateway\":\"192.168.1.1\",\"primaryDNS\":\"192.168.1.2\",\"port\":PORT,"
    "\"username\":\"admin\",\"password\":\"" + std::string(40, 'p') + "\",\"protocol\":3,\"netif\":\"eth0:12\"}";

std::string ip_change(const std::string& port)
{
    std::string s = kIpChange;
    return s.replace(s.find("PORT"), 4, port);
}

IpChangeRecord expected_ip_change(i32 port)
{
    IpChangeRecord r = zeroed<IpChangeRecord>();
    set_text(r.mac, "02:5e:7a:20:00:01");
    set_text(r.old_ip, "192.168.1.201");
    set_text(r.new_ip, "192.168.1.50");
    set_text(r.netmask, "255.255.255.0");
    set_text(r.gateway, "192.168.1.1");
    set_text(r.primary_dns, "192.168.1.2");
    r.port = port;
    set_text(r.user, "admin");
    set_text(r.password, std::string(32, 'p').c_str());
    r.protocol = 3;
    set_text(r.netif, "eth0:");
    return r;
}

TEST_F(CameraNetTest, SearchSendsTheProtocolAndListsFoundCamerasInKeyOrder)
{
    std::vector<CameraSearchRecord> found(2, zeroed<CameraSearchRecord>());
    CameraSearchRecord& a = found[0];
    set_text(a.ip, "192.168.1.201");
    set_text(a.mac, "MAC");
    a.manage_port = 80;
    a.protocol = 3;
    set_text(a.vendor, "V");
    set_text(a.sn, "SN");
    set_text(a.fw_version, "FW");
    set_text(a.model, "M");
    a.model_id = 12;
    set_text(a.netmask, "NM");
    set_text(a.dns, "DNS");
    set_text(a.gateway, "GW");
    std::memset(a.netif, 'e', sizeof a.netif);  // full width, no terminator
    a.active_status = 1;
    set_text(a.name, "Porch");
    set_text(a.sn_real, "SNR");
    // A name with a byte of 128 or more is not shown.
    set_text(found[1].name, "Caf\xc3\xa9");
    reply_rule(3200, found);

    auto r = post("/2006", "{\"protocol\":3}");
    EXPECT_EQ(r.out,
              kJsonHead +
                  "{ \"resultString\": \"OK\", \"IPC\": [ { \"ipAddr\": \"192.168.1.201\", \"managePort\": 80, "
                  "\"protocol\": 3, \"macAddr\": \"MAC\", \"vendor\": \"V\", \"sn\": \"SN\", \"fwVersion\": \"FW\", "
                  "\"model\": \"M\", \"modelId\": 12, \"netmask\": \"NM\", \"dns\": \"DNS\", \"gateway\": \"GW\", "
                  "\"netif\": \"eeeeeeee\", \"active_status\": 1, \"name\": \"Porch\", \"snReal\": \"SNR\" }, "
                  "{ \"ipAddr\": \"\", \"managePort\": 0, \"protocol\": 0, \"macAddr\": \"\", \"vendor\": \"\", "
                  "\"sn\": \"\", \"fwVersion\": \"\", \"model\": \"\", \"modelId\": 0, \"netmask\": \"\", "
                  "\"dns\": \"\", \"gateway\": \"\", \"netif\": \"\", \"active_status\": 0, \"name\": \"\", "
                  "\"snReal\": \"\" } ] }");
    EXPECT_EQ(hex_of(sent_once(3200)), "03000000");
}

TEST_F(CameraNetTest, SearchWithNothingFoundAndItsChecks)
{
    emu().rule("3200 reply 8200 zeros:759");  // less than one record
    EXPECT_EQ(post("/2006", "{\"protocol\":0}").out, kJsonHead + "{ \"resultString\": \"NO\", \"IPC\": [ ] }");
    // An absent protocol reads as 0.
    EXPECT_EQ(post("/2006", "{}").body(), "{ \"resultString\": \"NO\", \"IPC\": [ ] }");

    // Out of range or not JSON: no reply and nothing sent.
    for (const char* body : {"{\"protocol\":8}", "{\"protocol\":-1}", "protocol=1"})
        EXPECT_EQ(post("/2006", body).out, "") << body;
    EXPECT_EQ(emu().received(3200).size(), 2u);
}

TEST_F(CameraNetTest, SearchWithoutReplyIsJsonError)
{
    emu().rule("3200 close");
    EXPECT_EQ(post("/2006", "{\"protocol\":7}").out, kJsonHead + "{status:\"CGI ERROR\"}");
}

TEST_F(CameraNetTest, ProtocolListResetsProtocolTwosDisplayFlag)
{
    for (int id : {0, 2, 3}) {
        IpcProtocolRecord p = zeroed<IpcProtocolRecord>();
        p.id = id;
        set_text(p.name, ("P" + std::to_string(id)).c_str());
        p.protocol_function = 10 + id;
        p.enable = 1;
        p.display_model = 1;
        put_row("ipc_protocol", id, p);
    }
    auto model = [&](int id, int protocol, const char* name) {
        IpcModelRecord m = zeroed<IpcModelRecord>();
        m.id = id;
        m.protocol = protocol;
        set_text(m.name, name);
        m.alarm_type = id % 3;
        m.default_model = id < 8 ? 1 : 0;
        put_row("ipc_model", id, m);
    };
    model(0, 0, "generic");
    model(9, 3, "dome");
    model(8, 0, "bullet");

    const std::string want =
        kJsonHead +
        "{ \"protocols\": [ { \"id\": 0, \"name\": \"P0\", \"protocolFunction\": 10, \"enable\": 1, "
        "\"display_model\": 1, \"models\": [ { \"id\": 0, \"name\": \"generic\", \"alarm_type\": 0, "
        "\"default_model\": 1 }, { \"id\": 8, \"name\": \"bullet\", \"alarm_type\": 2, \"default_model\": 0 } ] }, "
        "{ \"id\": 2, \"name\": \"P2\", \"protocolFunction\": 12, \"enable\": 1, \"display_model\": 0, "
        "\"models\": [ ] }, { \"id\": 3, \"name\": \"P3\", \"protocolFunction\": 13, \"enable\": 1, "
        "\"display_model\": 1, \"models\": [ { \"id\": 9, \"name\": \"dome\", \"alarm_type\": 0, "
        "\"default_model\": 0 } ] } ] }";
    EXPECT_EQ(post("/2008", "").out, want);
    // The store holds 0 afterwards; the other protocols keep their flag.
    std::istringstream in(store({"dump", "ipc_protocol"}).out);
    std::vector<i32> flags;
    for (std::string line; std::getline(in, line);) {
        std::istringstream ls(line);
        int index;
        size_t len;
        std::string hex;
        ls >> index >> len >> hex;
        auto bytes = from_hex(hex);
        IpcProtocolRecord p;
        ASSERT_EQ(bytes.size(), sizeof p);
        std::memcpy(&p, bytes.data(), sizeof p);
        flags.push_back(p.display_model);
    }
    EXPECT_EQ(flags, (std::vector<i32>{1, 0, 1}));
    EXPECT_EQ(post("/2008", "").out, want);
}

TEST_F(CameraNetTest, FreshStoreListsEightProtocolsWithModels)
{
    EXPECT_EQ(post("/2008", "").out, kJsonHead + "{ \"protocols\": [ ] }");
    ASSERT_EQ(store({"init"}).status, 0);
    auto r = post("/2008", "").body();
    for (int p = 0; p < 8; p++)
        EXPECT_NE(r.find("{ \"id\": " + std::to_string(p) + ", \"name\": \""), std::string::npos) << p;
    EXPECT_NE(r.find("{ \"id\": 8, \"name\": \"ONVIF bullet\""), std::string::npos) << r;
    EXPECT_EQ(r.rfind("{ \"protocols\": [ { \"id\": 0, \"name\": \"ONVIF\", ", 0), 0u) << r;
    EXPECT_NE(r.find("\"models\": [ { \"id\": 1, \"name\": \"RTSP generic\""), std::string::npos) << r;
}

TEST_F(CameraNetTest, IpChangeForwardsTheRecord)
{
    result_rule(3205, 0);
    EXPECT_EQ(post("/2011", ip_change("65535")).out, kJsonHead + "{\"resultString\":\"OK\"}");
    EXPECT_EQ(post("/2011", ip_change("0")).body(), "{\"resultString\":\"OK\"}");
    auto sent = emu().received(3205);
    ASSERT_EQ(sent.size(), 2u);
    IpChangeRecord want = expected_ip_change(65535);
    EXPECT_EQ(hex_of(sent[0]), to_hex(&want, sizeof want));
    EXPECT_EQ(sent[0].flags & 1, 1u);
    want = expected_ip_change(0);
    EXPECT_EQ(hex_of(sent[1]), to_hex(&want, sizeof want));
}

// The daemon's verdict and the text each of the three requests replies.
struct Verdict {
    i32 value;
    const char* ip_change;
    const char* login;
};
class CameraVerdictTest : public CameraNetTest, public ::testing::WithParamInterface<Verdict> {};

TEST_P(CameraVerdictTest, RepliedAsText)
{
    const Verdict& v = GetParam();
    result_rule(3205, v.value);
    result_rule(3202, v.value);
    result_rule(3227, v.value);
    EXPECT_EQ(post("/2011", ip_change("80")).out, kJsonHead + v.ip_change);
    const char* login = "{\"ipAddr\":\"a\",\"managePort\":80,\"camProtocol\":0}";
    EXPECT_EQ(post("/2014", login).out, kTextHead + v.login);
    EXPECT_EQ(post("/2015", login).out, kTextHead + v.login);
}

INSTANTIATE_TEST_SUITE_P(
    Results, CameraVerdictTest,
    ::testing::Values(Verdict{0, "{\"resultString\":\"OK\"}", "OK"},
                      Verdict{1, "{\"resultString\":\"NETWORK_ERR\"}", "NETWORKERROR"},
                      Verdict{2, "{\"resultString\":\"INVALID_USER\"}", "USERERROR"},
                      Verdict{3, "{\"resultString\":\"UNKNOWN_ERR\"}", "UNKOWNERROR"},
                      Verdict{4, "{\"resultString\":\"PROTO_NOT_SUPPORT\"}", "OK"},
                      Verdict{5, "{\"resultString\":\"ERROR\"}", "BANDWIDTHERROR"},
                      Verdict{-1, "{\"resultString\":\"ERROR\"}", "UNKOWNERROR"}));

TEST_F(CameraNetTest, OnlyTheFirstReplyIsWritten)
{
    // A daemon that answers twice still gives one CGI reply.
    result_rule(3202, 4);
    result_rule(3202, 1);
    emu().rule("3201 reply 8201 zeros:976");
    emu().rule("3201 reply 8201 zeros:976");
    const char* login = "{\"ipAddr\":\"a\",\"managePort\":80,\"camProtocol\":0}";
    EXPECT_EQ(post("/2014", login).out, kTextHead + "OK");
    auto list = post("/2001", "").out;
    EXPECT_EQ(list.find("Content-type"), list.rfind("Content-type")) << list;
}

TEST_F(CameraNetTest, IpChangeValidation)
{
    emu();
    std::vector<std::string> refused = {ip_change("65536"), ip_change("-1"), "x", ""};
    for (const char* key : {"macAddr", "oldIpcAddr", "newIpcAddr", "netmask", "gateway", "primaryDNS", "username",
                            "password"}) {
        std::string body = ip_change("80");
        const std::string quoted = std::string("\"") + key + "\"";
        body.replace(body.find(quoted), quoted.size(), "\"x_" + std::string(key) + "\"");
        refused.push_back(body);
    }
    std::string bad_protocol = ip_change("80");
    refused.push_back(bad_protocol.replace(bad_protocol.find("\"protocol\":3"), 12, "\"protocol\":8"));
    std::string no_port = ip_change("80");
    refused.push_back(no_port.replace(no_port.find("\"port\":80"), 9, "\"portx\":80"));
    for (const std::string& body : refused) EXPECT_EQ(post("/2011", body).out, "") << body;
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(CameraNetTest, IpChangeShortReplyOrNoneIsJsonError)
{
    emu().rule("3205 reply 8205 hex:000000");
    emu().rule("3205 close");
    EXPECT_EQ(post("/2011", ip_change("80")).out, kJsonHead + "{status:\"CGI ERROR\"}");
}

TEST_F(CameraNetTest, IpChangeOfSeveralCamerasSendsOnlyExistingElements)
{
    emu();
    const std::string cam0 =
        "{\"macAddr\":\"m0\",\"oldIpcAddr\":\"o0\",\"newIpcAddr\":\"n0\",\"netmask\":\"k0\",\"gateway\":\"g0\","
        "\"primaryDNS\":\"d0\",\"port\":70000,\"username\":\"u0\",\"password\":\"p0\",\"protocol\":9,"
        "\"netif\":\"eth1\",\"channelId\":4,\"modifynum\":2}";
    EXPECT_EQ(post("/2032", "{\"cnt\":2,\"oIPCAddr\":[" + cam0 + ",{\"channelId\":5},{\"channelId\":6}]}").out,
              kTextHead + "OK");
    EXPECT_EQ(post("/2032", "{\"cnt\":9,\"oIPCAddr\":[{\"channelId\":7}]}").body(), "OK");
    EXPECT_EQ(post("/2032", "{\"cnt\":3}").body(), "OK");
    EXPECT_EQ(post("/2032", "{\"cnt\":-3,\"oIPCAddr\":[{}]}").body(), "OK");
    EXPECT_EQ(post("/2032", "nope").out, "");

    auto sent = emu().received();
    ASSERT_EQ(sent.size(), 3u);
    IpChangeChannelRecord want = zeroed<IpChangeChannelRecord>();
    set_text(want.change.mac, "m0");
    set_text(want.change.old_ip, "o0");
    set_text(want.change.new_ip, "n0");
    set_text(want.change.netmask, "k0");
    set_text(want.change.gateway, "g0");
    set_text(want.change.primary_dns, "d0");
    want.change.port = 70000;  // not checked here
    set_text(want.change.user, "u0");
    set_text(want.change.password, "p0");
    want.change.protocol = 9;
    set_text(want.change.netif, "eth1");
    want.channel_id = 4;
    want.modify_num = 2;
    EXPECT_EQ(sent[0].code, 3229u);
    EXPECT_EQ(sent[0].flags & 1, 0u);
    EXPECT_EQ(hex_of(sent[0]), to_hex(&want, sizeof want));
    EXPECT_EQ(sent[1].payload.size(), 396u);
    EXPECT_EQ(sent[1].u32_at(388), 5u);
    EXPECT_EQ(sent[2].u32_at(388), 7u);
}

TEST_F(CameraNetTest, LoginTestSendsItsRecord)
{
    result_rule(3202, 4);
    const std::string body =
        "{\"ipAddr\":\"192.168.1.9\",\"managePort\":8000,\"userName\":\"admin\",\"password\":\"" +
        std::string(40, 'q') + "\",\"camProtocol\":2}";
    EXPECT_EQ(post("/2014", body).out, kTextHead + "OK");
    auto sent = emu().received(3202);
    ASSERT_EQ(sent.size(), 1u);
    LoginTestRecord want = zeroed<LoginTestRecord>();
    set_text(want.ip, "192.168.1.9");
    want.manage_port = 8000;
    set_text(want.user, "admin");
    set_text(want.password, std::string(32, 'q').c_str());
    want.protocol = 2;
    EXPECT_EQ(hex_of(sent[0]), to_hex(&want, sizeof want));
    EXPECT_EQ(sent[0].flags & 1, 1u);
}

TEST_F(CameraNetTest, SecondLoginTestRaisesThePortTo80)
{
    result_rule(3227, 4);
    EXPECT_EQ(post("/2015", "{\"ipAddr\":\"cam.local\",\"managePort\":0,\"userName\":\"u\",\"password\":\"p\","
                            "\"camProtocol\":7}")
                  .out,
              kTextHead + "OK");
    EXPECT_EQ(post("/2015", "{\"ipAddr\":\"cam.local\",\"managePort\":81,\"camProtocol\":0}").body(), "OK");
    EXPECT_EQ(post("/2015", "{\"ipAddr\":\"cam.local\",\"managePort\":79,\"camProtocol\":0}").body(), "OK");
    auto sent = emu().received(3227);
    ASSERT_EQ(sent.size(), 3u);
    LoginTestShortRecord want = zeroed<LoginTestShortRecord>();
    set_text(want.ip, "cam.local");
    want.manage_port = 80;
    set_text(want.user, "u");
    set_text(want.password, "p");
    want.protocol = 7;
    EXPECT_EQ(hex_of(sent[0]), to_hex(&want, sizeof want));
    EXPECT_EQ(sent[1].u32_at(36), 81u);
    EXPECT_EQ(sent[2].u32_at(36), 80u);
}

TEST_F(CameraNetTest, LoginTestValidationAndMissingReply)
{
    emu().rule("3202 close");
    emu().rule("3227 reply 8227 hex:0000");  // too short to hold a verdict
    emu().rule("3227 close");
    for (const char* code : {"/2014", "/2015"}) {
        for (const char* body :
             {"{\"managePort\":80,\"camProtocol\":0}", "{\"ipAddr\":\"\",\"managePort\":80,\"camProtocol\":0}",
              "{\"ipAddr\":\"a\",\"camProtocol\":0}", "{\"ipAddr\":\"a\",\"managePort\":-1,\"camProtocol\":0}",
              "{\"ipAddr\":\"a\",\"managePort\":80}", "{\"ipAddr\":\"a\",\"managePort\":80,\"camProtocol\":8}",
              "garbage"})
            EXPECT_EQ(post(code, body).out, "") << code << " " << body;
    }
    EXPECT_TRUE(emu().received().empty());
    const char* ok = "{\"ipAddr\":\"a\",\"managePort\":80,\"camProtocol\":0}";
    EXPECT_EQ(post("/2014", ok).out, kTextHead + "CGI ERROR");
    EXPECT_EQ(post("/2015", ok).out, kTextHead + "CGI ERROR");
}

TEST_F(CameraNetTest, PoeSettings)
{
    EXPECT_EQ(post("/2016", "").out, kTextHead + "qz5824");
    EXPECT_EQ(post("/2018", "").out, kTextHead + "0");
    ASSERT_EQ(store({"set", "poepsd", std::string(70, 'z')}).status, 0);
    ASSERT_EQ(store({"set", "max_poe_num", "8"}).status, 0);
    EXPECT_EQ(post("/2016", "").body(), std::string(63, 'z'));
    EXPECT_EQ(post("/2018", "").body(), "8");
}

TEST_F(CameraNetTest, DemoDaemonAnswersEveryCameraQuery)
{
    emu();
    auto search = post("/2006", "{\"protocol\":4}").body();
    EXPECT_EQ(search.rfind("{ \"resultString\": \"OK\", \"IPC\": [ { \"ipAddr\": \"192.168.1.201\"", 0), 0u) << search;
    EXPECT_NE(search.find("\"protocol\": 4"), std::string::npos);
    EXPECT_EQ(post("/2011", ip_change("80")).body(), "{\"resultString\":\"OK\"}");
    const char* login = "{\"ipAddr\":\"192.168.1.201\",\"managePort\":80,\"camProtocol\":0}";
    EXPECT_EQ(post("/2014", login).body(), "OK");
    EXPECT_EQ(post("/2015", login).body(), "OK");
    auto list = post("/2007", "").body();
    EXPECT_NE(list.find("{ \"id\": 7, \"enable\": 1"), std::string::npos);
    EXPECT_NE(list.find("{ \"id\": 15, \"enable\": 1"), std::string::npos);
}

}  // namespace
