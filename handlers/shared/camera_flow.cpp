// The one-channel query and the channel mask texts of camera_flow.h.
#include "handlers/shared/camera_flow.h"

int ask_channel(const char* request, const char* key, int bad_kind, const CoreAnswer& answer, u32 code,
                int error_kind)
{
    JsonPtr req = json_parse(request);
    const i32 channel = channel_of(req.get(), key);
    if (channel < 0) return cgi_reply_error(bad_kind);
    core_ask(answer, code, &channel, sizeof channel, error_kind);
    return 0;
}

void channel_text_of_mask(u64 mask, ChannelText& text)
{
    for (int i = 0; i < kFlowChannels; i++) text[i] = (mask >> i) & 1 ? '1' : '0';
    text[kFlowChannels] = '\0';
}

u64 mask_of_channel_text(const char* text)
{
    u64 mask = 0;
    for (int i = 0; text && i < kFlowChannels && text[i]; i++)
        if (text[i] == '1') mask |= u64(1) << i;
    return mask;
}
