#include "handlers/shared/reply_flow.h"

int reply_error_finish(int kind)
{
    cgi_reply_error(kind);
    core_reply_finish(1);
    return 0;
}

int reply_json_finish(json_object* o)
{
    json_reply(kReplyJson, o);
    core_reply_finish(1);
    return 0;
}

int reply_text_finish(const char* text)
{
    cgi_reply(kReplyText, text);
    core_reply_finish(1);
    return 0;
}
