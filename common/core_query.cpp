#include "common/core.h"
#include "common/reply.h"

void core_detail::set_codes(CoreAnswer& answer, std::initializer_list<u32> codes)
{
    answer.code_count = 0;
    for (u32 c : codes)
        if (answer.code_count < CoreAnswer::kMaxCodes) answer.codes[answer.code_count++] = c;
}

int core_answer_reply(void* answer, const KxFrameHeader* header, const void* payload)
{
    const auto* a = static_cast<const CoreAnswer*>(answer);
    if (!a || !header || !payload || core_reply_done.load() != 0) return 0;
    for (size_t i = 0; i < a->code_count; i++)
        if (a->codes[i] == header->code) return a->format(a->context, header, payload);
    return 0;
}

int core_request_answer(const CoreAnswer& answer, u32 code, u32 length, const void* payload, int no_wait)
{
    return core_request_with(core_answer_reply, const_cast<CoreAnswer*>(&answer), code, length, payload, no_wait);
}

int core_ask(const CoreAnswer& answer, u32 code, const void* payload, u32 length, int error_kind)
{
    core_request_answer(answer, code, length, payload, 0);
    int done = core_reply_done;
    if (done == 0) cgi_reply_error(error_kind);
    core_release();
    return done;
}
