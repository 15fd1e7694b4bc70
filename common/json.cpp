#include "common/json.h"

#include "common/reply.h"

JsonPtr json_parse(const char* text)
{
    if (!text) return nullptr;
    json_tokener* tok = json_tokener_new();
    if (!tok) return nullptr;
    // -1: the text runs to its NUL, which also ends a bare number.
    json_object* o = json_tokener_parse_ex(tok, text, -1);
    json_tokener_error err = json_tokener_get_error(tok);
    json_tokener_free(tok);
    if (err != json_tokener_success) {
        if (o) json_object_put(o);
        return nullptr;
    }
    return JsonPtr(o);
}

int json_reply(int kind, json_object* o)
{
    return cgi_reply(kind, o ? json_object_to_json_string(o) : nullptr);
}
