#include "common/core.h"
#include "common/reply.h"

int core_query(KxReplyCallback callback, u32 code, const void* payload, u32 length, int error_kind)
{
    core_request(callback, code, length, payload, 0);
    int done = core_reply_done;
    if (done == 0) cgi_reply_error(error_kind);
    core_release();
    return done;
}
