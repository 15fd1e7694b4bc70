// Inputs the fuzz targets found faults with, replayed end to end. Each test
// names the target and what went wrong; in the sanitizer build (scripts/
// test.sh) the fault itself ends the CGI program with a report.
#include <gtest/gtest.h>

#include <cstdint>

#include "tests/harness.h"

namespace {

class FuzzRegressionTest : public NvrTest {};

// fuzz_intake: a PTZ speed request whose channel reads as INT_MAX overflowed
// while the operation-log record's channel (counted from 1) was computed.
TEST_F(FuzzRegressionTest, PtzSpeedWithTheLargestChannelLogsWithoutOverflow)
{
    emu();
    RunResult r = post("/5008", "{\"chn\":21474836470,\"Speed\":5}");
    EXPECT_EQ(r.status, 0) << r.err;
    auto logs = emu().received(3485);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].u32_at(32), 0x80000000u);  // 2147483647 + 1, as the unsigned field holds it
}

}  // namespace
