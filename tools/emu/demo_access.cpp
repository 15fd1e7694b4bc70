// Demo answers of the HTTPS certificate, the P2P cloud service and the SNMP
// agent: certificates are taken, the P2P service is online under a demo
// cloud account, the address checks pass, and the SNMP agent runs.
#include <cstring>

#include "handlers/network/https_records.h"
#include "handlers/network/p2p_records.h"
#include "handlers/network/snmp_records.h"
#include "tools/emu/emu.h"

namespace {

// Status 1: the certificate installed, SNMP running.
void demo_one(const EmuRequest& req, EmuAnswer& answer) { answer.reply_record(req.code + 5000, i32(1)); }

// Creating a key and a certificate takes the device a moment.
void demo_cert_created(const EmuRequest& req, EmuAnswer& answer)
{
    answer.reply_record(req.code + 5000, i32(0), 300);
}

void demo_p2p_state(const EmuRequest& req, EmuAnswer& answer)
{
    P2pState s = zeroed<P2pState>();
    s.enable = 1;
    s.status = 1;
    set_text(s.model, "NVR-16CH");
    set_text(s.ipc, "8");
    set_text(s.cloud_account, "demo@cloud.example");
    set_text(s.cloud_server, kP2pDefaultServer);
    set_text(s.register_code, "RC-7F3A-19C8-DEMO");
    set_text(s.company, "Demo Security Ltd");
    set_text(s.email, "support@demo-security.example");
    set_text(s.dealer, "Demo Dealer");
    answer.reply_record(req.code + 5000, s);
}

const EmuDemoEntry kAccessDemo[] = {
    {kMsgSslCreate, demo_cert_created}, {kMsgSslInstall, demo_one},       {kMsgP2pEnable, demo_accepted},
    {kMsgP2pDisable, demo_accepted},    {kMsgP2pState, demo_p2p_state},   {kMsgAddrCheck, demo_accepted},
    {kMsgDevAddrCheck, demo_accepted},  {kMsgSnmpStatus, demo_one},       {kMsgSnmpCheck, demo_accepted},
};

}  // namespace

EMU_DEMO_AREA(access, kAccessDemo);
