// Demo answers of the PTZ configuration and the network services: the PTZ
// link of every channel answers, the test mail goes out after the time a
// mail server takes to answer, and the multicast settings are taken.
#include "handlers/network/services_records.h"
#include "handlers/ptz/ptz_config_records.h"
#include "tools/emu/emu.h"

namespace {

void demo_taken(const EmuRequest& req, EmuAnswer& answer) { answer.reply_record(req.code + 5000, i32(0)); }

void demo_test_mail(const EmuRequest& req, EmuAnswer& answer)
{
    answer.reply_record(req.code + 5000, i32(0), 800);
}

const EmuDemoEntry kServicesDemo[] = {
    {kMsgPtzPortCheck, demo_taken},
    {kMsgTestMail, demo_test_mail},
    {kMsgMulticast, demo_taken},
};

}  // namespace

EMU_DEMO_AREA(services, kServicesDemo);
