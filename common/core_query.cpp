#include "common/core.h"
#include "common/core_reply.h"
#include "common/reply.h"

void core_detail::set_codes(CoreAnswer& answer, std::initializer_list<u32> codes)
{
    answer.code_count = 0;
    for (u32 c : codes)
        if (answer.code_count < CoreAnswer::kMaxCodes) answer.codes[answer.code_count++] = c;
}

int core_answer_reply(CoreExchange& exchange, const CoreAnswer& answer, const KxFrameHeader* header,
                      const void* payload)
{
    if (!header || !payload || exchange.done() != 0) return 0;
    for (size_t i = 0; i < answer.code_count; i++) {
        if (answer.codes[i] != header->code) continue;
        CoreReplying replying(exchange);
        return answer.format(answer.context, header, payload);
    }
    return 0;
}

namespace {

// Sends `code`, waits for `answer`, and writes the error form of
// `error_kind` when the exchange ended without the answer `needed`:
// any (done() is 0) or one written (done() is not 1).
enum class Needed { kAny, kWritten };

int ask(const CoreAnswer& answer, u32 code, const void* payload, u32 length, int error_kind, Needed needed)
{
    CoreExchange exchange;
    core_request_answer(exchange, answer, code, length, payload, 0);
    const int done = exchange.done();
    if (needed == Needed::kWritten ? done != 1 : done == 0) cgi_reply_error(error_kind);
    core_release(exchange);
    return done;
}

}  // namespace

int core_ask(const CoreAnswer& answer, u32 code, const void* payload, u32 length, int error_kind)
{
    return ask(answer, code, payload, length, error_kind, Needed::kAny);
}

int core_ask_answered(const CoreAnswer& answer, u32 code, const void* payload, u32 length, int error_kind)
{
    return ask(answer, code, payload, length, error_kind, Needed::kWritten);
}

int core_reply_json(json_object* o)
{
    if (o)
        json_reply(kReplyJson, o);
    else
        cgi_reply_error(kReplyJson);
    core_reply_finish(1);
    return 0;
}

int core_reply_text(const char* text)
{
    cgi_reply(kReplyText, text);
    core_reply_finish(1);
    return 0;
}
