// PPPoE, DDNS, e-mail and multicast settings end to end: each row round
// trips through its write and read, texts are cut to their fields, refused
// requests write and send nothing, the test mail goes through the core
// daemon, and no password reaches the debug log.
#include <gtest/gtest.h>

#include <cstring>

#include "handlers/network/services_records.h"
#include "tests/fixtures.h"

namespace {

std::string section_hex(const char* name)
{
    char text[32];
    set_text(text, name);
    return to_hex(text, sizeof text);
}

class NetServicesTest : public NvrTest {
protected:
    // The section named to the core daemon, then one log record: operation
    // 204 of the given parameter type; nothing waited for.
    void expect_section_and_log(const char* section, int param_type)
    {
        auto f = emu().received();
        ASSERT_EQ(f.size(), 2u);
        EXPECT_EQ(f[0].code, 1702u);
        EXPECT_EQ(hex_of(f[0]), section_hex(section));
        EXPECT_EQ(f[1].code, 3485u);
        EXPECT_EQ(f[1].u32_at(0), 4u);
        EXPECT_EQ(f[1].i64_at(8), 204);
        EXPECT_EQ(f[1].u32_at(24), u32(param_type));
        for (const EmuFrame& x : f) EXPECT_EQ(x.flags & 1, 0u);
    }
    void expect_silent(const std::string& code, const std::vector<std::string>& bodies)
    {
        for (const std::string& b : bodies) EXPECT_EQ(post(code, b).out, "") << code << " " << b;
    }
    std::string debug_log() { return root().exists("/mnt/nand/cgi_log.txt") ? root().read_file("/mnt/nand/cgi_log.txt") : ""; }
    std::string table(const char* name) { return store({"dump", name}).out; }
};

TEST_F(NetServicesTest, ModuleCodesInTableOrder)
{
    const std::vector<std::string> want = {"/7010", "/7011", "/7020", "/7021", "/7030", "/7031", "/7050",
                                           "/7093", "/7051", "/7032", "/7092", "/7033", "/7034"};
    EXPECT_EQ(registered_codes("network", want), want);
}

TEST_F(NetServicesTest, PppoeRoundTripCutsTextsAndReplacesTheWholeAccount)
{
    emu();
    const std::string user(80, 'u');
    auto r = post("/7011", "{\"enable\":1,\"autoConnect\":1,\"userName\":\"" + user + "\",\"password\":\"pp-S3cret\"}");
    EXPECT_EQ(r.out, kOk);
    PppoeRow want = zeroed<PppoeRow>();
    want.enable = 1;
    want.auto_connect = 1;
    set_text(want.user_name, user.c_str());  // 63 characters
    set_text(want.password, "pp-S3cret");
    PppoeRow got;
    ASSERT_TRUE(stored("pppoe", 0, &got));
    EXPECT_EQ(hex_of(got), hex_of(want));
    expect_section_and_log("pppoe", 915);

    // No "ppp0" on this machine: the link is down.
    auto read = post("/7010", "");
    EXPECT_EQ(read.header(), "Content-type: application/json");
    EXPECT_EQ(read.body(), "{ \"enable\": 1, \"autoConnect\": 1, \"userName\": \"" + std::string(63, 'u') +
                               "\", \"password\": \"pp-S3cret\", \"pppoeipaddr\": \"0.0.0.0\" }");

    // The stored account is not read first: what the request leaves out is
    // cleared.
    EXPECT_EQ(post("/7011", "{\"enable\":0}").body(), "OK");
    ASSERT_TRUE(stored("pppoe", 0, &got));
    EXPECT_EQ(hex_of(got), hex_of(zeroed<PppoeRow>()));
    EXPECT_EQ(debug_log().find("pp-S3cret"), std::string::npos);
}

TEST_F(NetServicesTest, PppoeRefusals)
{
    emu();
    expect_silent("/7011", {"{\"enable\":2,\"userName\":\"a\"}", "{\"enable\":-1}", "{\"userName\":\"a\"}",
                            "enable=1"});
    EXPECT_EQ(table("pppoe"), "");
    EXPECT_TRUE(emu().received().empty());
}

TEST_F(NetServicesTest, DdnsWriteIsAFreshRowCutToItsFields)
{
    DdnsRow before = zeroed<DdnsRow>();
    set_text(before.update_url, "https://update.example/nic");
    set_text(before.password, "old");
    put_row("ddns", 0, before);
    emu();
    const std::string l200(200, 'x');
    auto r = post("/7021", "{\"enable\":1,\"domain\":\"" + l200 + "\",\"userName\":\"" + l200 + "\",\"password\":\"" +
                               l200 + "\",\"hostName\":\"" + l200 + "\",\"freeDNSHash\":\"" + l200 +
                               "\",\"updateFreq\":30,\"http\":8080,\"rtsp\":8554}");
    EXPECT_EQ(r.out, kOk);
    DdnsRow got;
    ASSERT_TRUE(stored("ddns", 0, &got));
    EXPECT_EQ(std::string(got.domain), std::string(63, 'x'));
    EXPECT_EQ(std::string(got.user_name), std::string(31, 'x'));
    EXPECT_EQ(std::string(got.password), std::string(31, 'x'));
    EXPECT_EQ(std::string(got.host_name), std::string(127, 'x'));
    EXPECT_EQ(std::string(got.hash), std::string(127, 'x'));
    EXPECT_EQ(std::string(got.update_url), "");  // not in the request: cleared
    EXPECT_EQ(got.update_freq, 30);
    EXPECT_EQ(got.http_port, 8080);
    EXPECT_EQ(got.rtsp_port, 8554);
    expect_section_and_log("ddns", 916);
}

TEST_F(NetServicesTest, DdnsReadInItsOrderWithTheMac)
{
    DdnsRow row = zeroed<DdnsRow>();
    row.enable = 1;
    set_text(row.domain, "dyn.example");
    set_text(row.user_name, "nvr");
    set_text(row.password, "dd-pass");
    set_text(row.host_name, "shop.dyn.example");
    set_text(row.hash, "abc123");
    set_text(row.update_url, "https://u.example/");
    row.update_freq = 15;
    row.http_port = 81;
    row.rtsp_port = 555;
    put_row("ddns", 0, row);
    auto body = post("/7020", "").body();
    const std::string head =
        "{ \"enable\": 1, \"domain\": \"dyn.example\", \"userName\": \"nvr\", \"password\": \"dd-pass\", "
        "\"hostName\": \"shop.dyn.example\", \"ddnsurl\": \"https:\\/\\/u.example\\/\", \"freeDNSHash\": \"abc123\", "
        "\"updateFreq\": 15, \"http_port\": 81, \"rtsp_port\": 555, \"mac\": \"";
    EXPECT_EQ(body.rfind(head, 0), 0u) << body;
    EXPECT_EQ(body.size(), head.size() + 17 + 3) << body;  // "XX:XX:XX:XX:XX:XX" }
}

TEST_F(NetServicesTest, DdnsRefusals)
{
    emu();
    expect_silent("/7021", {"{\"enable\":2,\"updateFreq\":1}", "{\"enable\":1}", "{\"enable\":1,\"updateFreq\":-1}",
                            "domain"});
    EXPECT_EQ(table("ddns"), "");
    EXPECT_TRUE(emu().received().empty());
    // The ports are numbers stored as given.
    EXPECT_EQ(post("/7021", "{\"enable\":1,\"updateFreq\":1,\"http\":70000,\"rtsp\":0}").body(), "OK");
    DdnsRow row;
    stored("ddns", 0, &row);
    EXPECT_EQ(row.http_port, 70000);
    EXPECT_EQ(row.rtsp_port, 0);
}

const char* kMailBody =
    "{\"enable\":1,\"userName\":\"alarm@shop.example\",\"password\":\"ml-Pa55\",\"smtpServer\":\"smtp.example\","
    "\"smtpPort\":587,\"senderAddr\":\"alarm@shop.example\",\"senderName\":\"Shop NVR\",\"enableTls\":2,"
    "\"enableAttach\":1,\"captureInterval\":5,\"enableHostName\":1,\"hostName\":\"nvr.shop.example\","
    "\"receivers\":[{\"receiverAddr\":\"a@example.com\",\"receiverName\":\"A\"},"
    "{\"receiverAddr\":\"b@example.com\",\"receiverName\":\"B\"},"
    "{\"receiverAddr\":\"c@example.com\",\"receiverName\":\"C\"}]}";

TEST_F(NetServicesTest, EmailRoundTripWithTheSenderHostName)
{
    PortRow port = zeroed<PortRow>();
    port.http_port = 80;
    port.pos_port = 38800;
    put_row("port", 0, port);
    emu();
    EXPECT_EQ(post("/7031", kMailBody).out, kOk);
    expect_section_and_log("mail", 917);

    PortRow got_port;
    ASSERT_TRUE(stored("port", 0, &got_port));
    PortRow want_port = port;
    want_port.enable_host_name = 1;
    set_text(want_port.host_name, "nvr.shop.example");
    EXPECT_EQ(hex_of(got_port), hex_of(want_port));

    auto r = post("/7030", "");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    EXPECT_EQ(r.body(),
              "{ \"enable\": 1, \"userName\": \"alarm@shop.example\", \"password\": \"ml-Pa55\", "
              "\"smtpServer\": \"smtp.example\", \"smtpPort\": 587, \"senderAddr\": \"alarm@shop.example\", "
              "\"senderName\": \"Shop NVR\", \"enableTls\": 2, \"enableAttach\": 1, \"captureInterval\": 5, "
              "\"enableHostName\": 1, \"hostName\": \"nvr.shop.example\", \"receivers\": [ "
              "{ \"receiverAddr\": \"a@example.com\", \"receiverName\": \"A\" }, "
              "{ \"receiverAddr\": \"b@example.com\", \"receiverName\": \"B\" }, "
              "{ \"receiverAddr\": \"c@example.com\", \"receiverName\": \"C\" } ] }");
    EXPECT_EQ(debug_log().find("ml-Pa55"), std::string::npos);
}

TEST_F(NetServicesTest, EmailWriteKeepsUnnamedTextsAndClearsMissingReceivers)
{
    emu();
    ASSERT_EQ(post("/7031", kMailBody).body(), "OK");
    EmailRow before;
    ASSERT_TRUE(stored("email", 0, &before));
    const std::string l300(300, 'h');
    auto r = post("/7031", "{\"enable\":1,\"smtpPort\":25,\"enableTls\":0,\"enableAttach\":0,\"captureInterval\":0,"
                           "\"senderAddr\":\"" + l300 + "\",\"hostName\":\"" + l300 + "\","
                           "\"receivers\":[{\"receiverAddr\":\"z@example.com\",\"receiverName\":\"Z\"},"
                           "{\"receiverName\":\"" + l300 + "\"}]}");
    EXPECT_EQ(r.body(), "OK");
    EmailRow want = before;
    want.smtp_port = 25;
    want.tls = 0;
    want.attach = 0;
    want.capture_interval = 0;
    set_text(want.sender_addr, l300.c_str());  // 127 characters
    set_text(want.receivers[0].address, "z@example.com");
    set_text(want.receivers[0].name, "Z");
    set_text(want.receivers[1].address, "");
    set_text(want.receivers[1].name, l300.c_str());  // 63 characters
    set_text(want.receivers[2].address, "");         // past the list: cleared
    set_text(want.receivers[2].name, "");
    EmailRow got;
    ASSERT_TRUE(stored("email", 0, &got));
    EXPECT_EQ(hex_of(got), hex_of(want));
    EXPECT_EQ(std::string(got.password), "ml-Pa55");  // not in the request: kept
    PortRow port;
    ASSERT_TRUE(stored("port", 0, &port));
    EXPECT_EQ(std::string(port.host_name), std::string(255, 'h'));
    EXPECT_EQ(port.enable_host_name, 0);  // a switch left out reads as off
}

TEST_F(NetServicesTest, EmailRefusals)
{
    emu();
    const std::string rest = "\"enableAttach\":1,\"captureInterval\":5";
    expect_silent("/7031", {"{\"smtpPort\":25,\"enableTls\":3," + rest + "}",
                            "{\"smtpPort\":25,\"enableTls\":-1," + rest + "}",
                            "{\"smtpPort\":25,\"enableTls\":0,\"enableAttach\":2,\"captureInterval\":5}",
                            "{\"smtpPort\":25,\"enableTls\":0,\"enableAttach\":1,\"captureInterval\":-5}",
                            "{\"smtpPort\":-1,\"enableTls\":0," + rest + "}",
                            "{\"enableTls\":0," + rest + "}", "{\"smtpPort\":25,\"enableTls\":0}", "mail"});
    EXPECT_EQ(table("email"), "");
    EXPECT_EQ(table("port"), "");
    EXPECT_TRUE(emu().received().empty());
    // Any port number from 0 up is stored as given.
    for (int port : {0, 65536}) {
        EXPECT_EQ(post("/7031", "{\"smtpPort\":" + std::to_string(port) + ",\"enableTls\":0," + rest + "}").body(),
                  "OK");
        EmailRow mail;
        stored("email", 0, &mail);
        EXPECT_EQ(mail.smtp_port, port);
    }
}

TEST_F(NetServicesTest, TestMailGoesThroughTheDaemon)
{
    emu().rule("3409 reply 8409 hex:00000000");
    EXPECT_EQ(post("/7032", "ignored").out, kOk);
    EXPECT_EQ(hex_of(sent_once(3409)), section_hex("testmail"));
}

TEST_F(NetServicesTest, TestMailFailureIsError)
{
    emu().rule("3409 reply 8409 hex:01000000");
    EXPECT_EQ(post("/7032", "").out, "Content-type: text/plain\r\n\r\nERROR");
}

TEST_F(NetServicesTest, TestMailShortOrMissingReplyIsCgiError)
{
    emu().rule("3409 reply 8409 hex:00");
    emu().rule("3409 close");
    EXPECT_EQ(post("/7032", "").out, kTextError);
}

TEST_F(NetServicesTest, MulticastKeepsWhatTheRequestLeavesOut)
{
    MulticastRow before = zeroed<MulticastRow>();
    before.enable = 1;
    set_text(before.address, "239.1.1.1");
    put_row("multicast", 0, before);
    emu().rule("1729 reply 6729 hex:07000000");
    EXPECT_EQ(post("/7033", "").body(), "{ \"enable\": 1, \"ip\": \"239.1.1.1\" }");

    const std::string l80(80, '9');
    auto r = post("/7034", "{\"ip\":\"" + l80 + "\"}");
    EXPECT_EQ(r.header(), "Content-type: application/json");
    EXPECT_EQ(r.body(), "{ \"res\": 7 }");
    MulticastRow want = before;
    set_text(want.address, l80.c_str());  // 64 characters
    MulticastRow got;
    ASSERT_TRUE(stored("multicast", 0, &got));
    EXPECT_EQ(hex_of(got), hex_of(want));
    EXPECT_EQ(std::string(got.address).size(), 64u);
    EXPECT_EQ(hex_of(sent_once(1729)), hex_of(want));

    EXPECT_EQ(post("/7034", "{\"enable\":0}").body(), "{ \"res\": 7 }");
    ASSERT_TRUE(stored("multicast", 0, &got));
    EXPECT_EQ(got.enable, 0);
    EXPECT_EQ(std::string(got.address), std::string(64, '9'));
}

TEST_F(NetServicesTest, MulticastBadTextOrNoAnswer)
{
    emu().rule("1729 close");
    for (const char* body : {"", "ip=239.1.1.1"}) EXPECT_EQ(post("/7034", body).out, kJsonError) << body;
    EXPECT_EQ(table("multicast"), "");
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(post("/7034", "{\"enable\":1}").out, kJsonError);
    EXPECT_EQ(emu().received(1729).size(), 1u);
}

TEST_F(NetServicesTest, EmptyBodies)
{
    emu();
    expect_empty_bodies_handled({"/7010", "/7011", "/7020", "/7021", "/7030", "/7031", "/7032", "/7033", "/7034"});
}

TEST_F(NetServicesTest, FactorySettingsAndDemoDaemon)
{
    ASSERT_EQ(store({"init"}).status, 0);
    emu();
    EXPECT_EQ(post("/7010", "").body(), "{ \"enable\": 0, \"autoConnect\": 1, \"userName\": \"\", \"password\": \"\", "
                                        "\"pppoeipaddr\": \"0.0.0.0\" }");
    EXPECT_NE(post("/7020", "").body().find("\"updateFreq\": 60, \"http_port\": 80, \"rtsp_port\": 554"),
              std::string::npos);
    EXPECT_NE(post("/7030", "").body().find("\"smtpPort\": 25,"), std::string::npos);
    EXPECT_EQ(post("/7033", "").body(), "{ \"enable\": 0, \"ip\": \"239.255.42.42\" }");
    EXPECT_EQ(post("/7032", "").body(), "OK");
    EXPECT_EQ(post("/7034", "{\"enable\":1}").body(), "{ \"res\": 0 }");
}

}  // namespace
