// Demo answers of the network services: the test mail goes out after the
// time a mail server takes to answer, and the multicast settings are taken.
// (The PTZ port check, 1262, is the camera command result answered with the
// camera queries: 0 for the channels with a camera online.)
#include "handlers/network/services_records.h"
#include "tools/emu/emu.h"

namespace {

void demo_test_mail(const EmuRequest& req, EmuAnswer& answer)
{
    answer.reply_record(req.code + 5000, i32(0), 800);
}

const EmuDemoEntry kServicesDemo[] = {
    {kMsgTestMail, demo_test_mail},
    {kMsgMulticast, demo_accepted},
};

}  // namespace

EMU_DEMO_AREA(services, kServicesDemo);
