// Test module: answers the codes the intake treats specially, and a plain
// code, with the request text it was handed, so tests see the intake's
// result byte for byte.
#include <cstdio>
#include <cstring>

#include "common/reply.h"
#include "front/webreq.h"

static int echo(const char* request)
{
    std::fputs("Content-type: text/plain\r\n\r\n", stdout);
    std::fwrite(request, 1, std::strlen(request), stdout);
    std::fflush(stdout);
    return 0;
}

static const WebReqEntry kEchoTable[] = {
    {"/echo", echo}, {"/1002", echo}, {"/1010", echo}, {"/6082", echo}, {"/2079", echo},
    {"/1019", echo}, {"/oem", echo},  {"/1008", echo}, {"/json", echo}, {"/vb.htm", echo},
};

NVR_MODULE(echo, kModSystem, kEchoTable)
