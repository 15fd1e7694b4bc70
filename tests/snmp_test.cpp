// SNMP settings end to end: the row round trips with the service ports the
// page shows, a changed agent port is checked like a service port (a fake
// netstat lists the sockets in use), a refusal writes and sends nothing, and
// the status questions go to the core daemon.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "handlers/network/services_records.h"
#include "handlers/network/snmp_records.h"
#include "tests/fixtures.h"

namespace {

const char* kPortError = "Content-type: text/plain\r\n\r\nPOE_Port_Error";

const char* kListing =
    "printf 'Proto Recv-Q Send-Q Local Address           Foreign Address         State\\n"
    "udp        0      0 0.0.0.0:1161            0.0.0.0:*\\n"
    "tcp        0      0 :::8443                 :::*                    LISTEN\\n'";

SnmpRow stored_snmp()
{
    SnmpRow s = zeroed<SnmpRow>();
    s.v2c_enable = 1;
    set_text(s.read_community, "public");
    set_text(s.write_community, "private");
    set_text(s.read_security_name, "reader");
    s.read_level_security = 2;
    s.port = 1161;  // in use by the running agent itself
    return s;
}

PortRow ports()
{
    PortRow p = zeroed<PortRow>();
    p.ssh_port = 22;
    p.http_port = 80;
    p.rtsp_port = 554;
    p.service_port = 6036;
    p.https_port = 443;
    p.pos_port = 38800;
    return p;
}

std::string all_keys(int port)
{
    return R"({"v1_enable":1,"v2c_enable":0,"write_community":"w-)" + std::string(70, 'c') +
           R"(","read_community":"r","v3_enable":1,"read_security_name":"rsn","read_level_security":3,)"
           R"("read_auth_algorithm":1,"read_auth_password":"rap","read_pri_algorithm":2,"read_pri_password":"rpp",)"
           R"("write_security_name":"wsn","write_level_security":1,"write_auth_algorithm":0,)"
           R"("write_auth_password":"wap","write_pri_algorithm":1,"write_pri_password":"wpp","port":)" +
           std::to_string(port) + "}";
}

class SnmpTest : public NvrTest {
protected:
    void SetUp() override
    {
        put_row("snmp", 0, stored_snmp());
        put_row("port", 0, ports());
        fake_tool("netstat", kListing);
        emu();
    }
    std::string snmp_hex()
    {
        SnmpRow s;
        stored("snmp", 0, &s);
        return to_hex(&s, sizeof s);
    }
};

TEST_F(SnmpTest, ReadListsTheRowThenTheServicePorts)
{
    EXPECT_EQ(post("/7090", "").body(),
              "{ \"v1_enable\": 0, \"v2c_enable\": 1, \"write_community\": \"private\", \"read_community\": "
              "\"public\", \"v3_enable\": 0, \"read_security_name\": \"reader\", \"read_level_security\": 2, "
              "\"read_auth_algorithm\": 0, \"read_auth_password\": \"\", \"read_pri_algorithm\": 0, "
              "\"read_pri_password\": \"\", \"write_security_name\": \"\", \"write_level_security\": 0, "
              "\"write_auth_algorithm\": 0, \"write_auth_password\": \"\", \"write_pri_algorithm\": 0, "
              "\"write_pri_password\": \"\", \"port\": 1161, \"sshPort\": 22, \"httpPort\": 80, \"rtspPort\": 554, "
              "\"httpsPort\": 443 }");
}

TEST_F(SnmpTest, WriteKeepingThePortSkipsTheCheckAndStoresEveryKey)
{
    EXPECT_EQ(post("/7091", all_keys(1161)).out, kOk);
    SnmpRow want = zeroed<SnmpRow>();
    want.v1_enable = 1;
    set_text(want.write_community, ("w-" + std::string(70, 'c')).c_str());  // cut to 63
    set_text(want.read_community, "r");
    want.v3_enable = 1;
    set_text(want.read_security_name, "rsn");
    want.read_level_security = 3;
    want.read_auth_algorithm = 1;
    set_text(want.read_auth_password, "rap");
    want.read_pri_algorithm = 2;
    set_text(want.read_pri_password, "rpp");
    set_text(want.write_security_name, "wsn");
    want.write_level_security = 1;
    set_text(want.write_auth_password, "wap");
    want.write_pri_algorithm = 1;
    set_text(want.write_pri_password, "wpp");
    want.port = 1161;
    EXPECT_EQ(snmp_hex(), to_hex(&want, sizeof want));
    EXPECT_TRUE(tool_calls("netstat").empty());
    auto f = emu().received();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].code, 1702u);
    EXPECT_EQ(f[0].flags & 1, 0u);
    ASSERT_EQ(f[0].payload.size(), 32u);
    EXPECT_EQ(f[0].text_at(0, 32), "snmp");

    // A free port is taken; numbers left out read as 0, texts keep theirs.
    EXPECT_EQ(post("/7091", R"({"port":10161,"read_community":"pub2"})").out, kOk);
    SnmpRow now;
    stored("snmp", 0, &now);
    EXPECT_EQ(now.port, 10161);
    EXPECT_EQ(now.v1_enable, 0);
    EXPECT_EQ(std::string(text_of(now.read_community).s), "pub2");
    EXPECT_EQ(std::string(text_of(now.read_security_name).s), "rsn");
    EXPECT_EQ(tool_calls("netstat").size(), 1u);
}

TEST_F(SnmpTest, ATakenOrImpossiblePortWritesNothing)
{
    std::string before = snmp_hex();
    for (int port : {8443, 80, 443, 38800, 6036, 0, -5, 70000})
        EXPECT_EQ(post("/7091", all_keys(port)).out, kPortError) << port;
    EXPECT_EQ(post("/7091", R"({"v1_enable":1})").out, kPortError) << "a missing port reads as 0";
    // Ports reserved for PoE cameras.
    EXPECT_EQ(store({"set", kKeyPoePorts, "8"}).status, 0);
    EXPECT_EQ(post("/7091", all_keys(23001)).out, kPortError);
    EXPECT_EQ(post("/7091", all_keys(23008)).out, kPortError);
    EXPECT_EQ(snmp_hex(), before);
    EXPECT_TRUE(emu().received().empty());
    EXPECT_EQ(post("/7091", "snmp please").out, "");
    EXPECT_EQ(post("/7091", all_keys(23009)).out, kOk);
}

TEST_F(SnmpTest, StatusQuestionsGoToTheDaemon)
{
    const char* json = "Content-type: application/json\r\n\r\n";
    EXPECT_EQ(post("/7094", "").out, std::string(json) + "{ \"status\": 1 }");
    EXPECT_EQ(post("/7095", "").out, std::string(json) + "{ \"res\": 0 }");
    auto s = emu().received(3309), c = emu().received(2302);
    ASSERT_EQ(s.size(), 1u);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(s[0].flags & 1, 1u);
    EXPECT_TRUE(s[0].payload.empty());
    EXPECT_EQ(c[0].flags & 1, 1u);

    emu().rule("3309 close");
    emu().rule("2302 reply 7302 hex:");
    EXPECT_EQ(post("/7094", "").out, std::string(json) + "{status:\"CGI ERROR\"}");
    EXPECT_EQ(post("/7095", "").out, std::string(json) + "{ \"res\": 0 }");
    expect_empty_bodies_handled({"/7090", "/7091", "/7094", "/7095"});
}

class AccessFactoryTest : public NvrTest {};

// Factory settings: the SNMP agent off on port 161, HTTPS off, P2P off
// with its server configured.
TEST_F(AccessFactoryTest, InitSeedsEverySetting)
{
    ASSERT_EQ(store({"init"}).status, 0);
    SnmpRow snmp;
    ASSERT_TRUE(stored("snmp", 0, &snmp));
    EXPECT_EQ(snmp.port, 161);
    EXPECT_EQ(snmp.v1_enable + snmp.v2c_enable + snmp.v3_enable, 0);
    EXPECT_EQ(std::string(text_of(snmp.read_community).s), "public");
    std::vector<uint8_t> row;
    EXPECT_TRUE(stored_bytes("p2p_info", 0, &row));
    EXPECT_EQ(row.size(), 484u);
    EXPECT_TRUE(stored_bytes("ssl_params", 0, &row));
    EXPECT_TRUE(stored_bytes("ssl_params", 2, &row));
    EXPECT_EQ(store({"get", "httpsenable"}).out, "0\n");
    EXPECT_NE(store({"get", "p2p_server"}).out, "");
}

}  // namespace
