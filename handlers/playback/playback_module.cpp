// Playback module: recordings, sessions, live addresses ("/4000" table) and
// its reply callback.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/playback/playback.h"

static const ReplyRoute kPlaybackReplies[] = {
    {6159, search_reply},
    {6161, search_reply},
    {6162, open_reply},
    {8502, session_stream_reply},
    {6153, play_time_reply},
    {6171, jump_reply},
    {8500, live_address_reply},
    {6176, transcode_reply},
    {6177, transcode_state_reply},
};

int playback_reply(void*, const KxFrameHeader* header, const void* payload)
{
    return core_route_reply(kPlaybackReplies, header, payload);
}

static const WebReqEntry kPlaybackTable[] = {
    {"/4000", playback_search},
    {"/4001", playback_open},
    {"/4002", playback_play_time},
    {"/4003", playback_close},
    {"/4004", playback_list_1165},
    {"/4005", playback_direction},
    {"/4006", playback_list_1170},
    {"/4007", playback_session_speed},
    {"/4008", playback_channel_speed},
    {"/4009", playback_jump},
    {"/4010", live_address},
    {"/4011", live_stop},
    {"/3003", playback_list_1113},
    {"/4022", playback_sid_speed},
    {"/4023", playback_next_page},
    {"/4024", playback_log},
    {"/4025", transcode_start},
    {"/4026", transcode_state},
};

NVR_MODULE(playback, kModPlayback, kPlaybackTable)
