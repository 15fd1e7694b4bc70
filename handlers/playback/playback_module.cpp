// Playback module: recordings, sessions, downloads, live and stream
// addresses (the "/4000" request table).
#include "front/webreq.h"
#include "handlers/playback/playback.h"

static const WebReqEntry kPlaybackTable[] = {
    {"/4000", playback_search,
     "Searches a channel's recordings in a time range, letting the client's earlier session go | JSON: channelId:i, "
     "sid:i, streamType:i, time:s(31), endTime:s(31) | JSON"
     " {status:s, camId?:i, sectionNum?:i, sid?:i, section?:[{startTime:s, endTime:s, recordType:i, "
     "lock:i}]}"
     " | 1160, 1903, 1159 wait"},
    {"/4001", playback_open,
     "Opens a playback session on a channel and tells where to fetch its stream | JSON: channelId:i(0..15), "
     "playTime:s(31), startTime:s(31), endTime:s(31), sid:i | JSON"
     " {sessionId:i, sourcePath:s, port:i, status:s, realPlayTime:s, external_port:i, "
     "external_http_port:i, ddns_port:i, ddns_http_port:i}"
     " | 1162 wait, 3502 wait, 3485"},
    {"/4002", playback_play_time,
     "Reads a playback session's current play time | decimal: session id | JSON"
     " {status:s, curPlayTime:s}"
     " | 1153 wait"},
    {"/4003", playback_close,
     "Closes playback sessions, and with close 1 lets them go | JSON: close:i, num:i, sid:[i] | plain | 1903, 1164, "
     "1160"},
    {"/4004", playback_list_1165,
     "Hands a list of playback sessions to the core daemon (1165) | JSON: num:i, sid:i | plain | 1165"},
    {"/4005", playback_direction,
     "Sets a playback session's play direction | JSON: sid:i, direction:i | plain | 1166"},
    {"/4006", playback_list_1170,
     "Hands a list of playback sessions to the core daemon (1170) | JSON: num:i, sid:[i] | plain | 1170"},
    {"/4007", playback_session_speed,
     "Sets the speed of each listed playback session | JSON: chind:i(0..2147483647), num:i, sessionId:[i], "
     "speed:[i] | plain | 1112"},
    {"/4008", playback_channel_speed,
     "Sets one playback speed on the listed channels | JSON: chind:[i], num:i, speed:i | plain | 1149"},
    {"/4009", playback_jump,
     "Moves playback sessions to a time | JSON: jumpTime:s(63), sid:[i], chnid:[i], num:i | JSON"
     " {status:s}"
     " | 1171 wait"},
    {"/4010", live_address,
     "Asks for a channel's live-stream address and logs it | JSON: id:i(0..15), streamType:i(0..1), "
     "streamFrom:i(0..1) | JSON"
     " {status:s, port?:i, direct?:i, rtspAddr?:s, resPath?:s}"
     " | 3500 wait, 3485"},
    {"/4011", live_stop,
     "Stops a channel's live stream | JSON: id:i(0..15), streamType:i(0..1), streamFrom:i(0..1) | plain | 1901"},
    {"/3000", live_image_get,
     "Reads a channel's live brightness, contrast, saturation, sharpness and noise reduction | JSON: chnid:i(0..15) | "
     "JSON"
     " {status:s, brightness?:i, contrast?:i, saturation?:i, Sharpness?:i, NoiseReduction?:i, "
     "i2ddnr?:i}"
     " | 3002 wait"},
    {"/3001", live_image_set,
     "Sets a channel's live image adjustments | JSON: id:i(0..15), brightness:i(0..255), "
     "contrast:i(0..255), saturation:i(0..255), Sharpness:i, NoiseReduction:i, i2ddnr:i | "
     "plain (no reply for bad input) | 1205, 3485"},
    {"/3002", live_image_reset,
     "Resets a channel's live image adjustments to 128 | decimal: channel 0-15 | JSON"
     " {ChannelId:i, Brightness:i, Contrast:i, Saturation:i, Sharpness:i, NoiseReduction:i}"
     " | 1205"},
    {"/4012", playback_stop_all,
     "Tells the core daemon that the client's playback stops (1902) | none | plain | 1902"},
    {"/4013", playback_download,
     "Downloads a stretch of a channel's recording as an AVI file streamed into the reply | JSON: id:i(0..15), "
     "startTime:s, endTime:s, streamType:i | download (AVI; plain BUSY NOW while another download runs) | 3485, "
     "1173 wait"},
    {"/4014", playback_log_205,
     "Logs a playback action on a channel (205) | decimal: channel 0-15 | plain | 3485"},
    {"/4015", playback_channel_ok,
     "Accepts a channel id and answers OK | decimal: channel 0-15 | plain | none"},
    {"/4016", playback_channel_ok,
     "Accepts a channel id and answers OK | decimal: channel 0-15 | plain | none"},
    {"/4017", playback_log_218,
     "Logs a playback action on a channel (218) | decimal: channel 0-15 | plain | 3485"},
    {"/4018", stream_addresses,
     "Lists every channel's RTSP addresses, ports and credentials | none | JSON"
     " {rtspaddr:[{ipc:{main:s, sub:s}, nvr:{mainUsername:s, mainPassword:s, mainPort:i, "
     "mainExternalPort:i, mainDDNSPort:i, mainResPath:s, mainExternalHttpPort:i, mainDDNSHttpPort:i, "
     "subUsername:s, subPassword:s, subPort:i, subExternalPort:i, subDDNSPort:i, subResPath:s, "
     "subExternalHttpPort:i, subDDNSHttpPort:i}}]}"
     " | 3503 wait"},
    {"/4019", download_busy,
     "Tells whether a recording download is running | none | plain (a JSON text: isOK)"
     " {isOK:i}"
     " | none"},
    {"/4020", sync_play,
     "Starts synchronous playback of the masked channels from a time | JSON: mask0:i, mask1:i, mask2:i, mask3:i, "
     "mask4:i, mask5:i, mask6:i, mask7:i, playTime:s | JSON"
     " {sessionId:i, sourcePath:s, port:i, status:s, realPlayTime:s, external_port:i, "
     "external_http_port:i, ddns_port:i, ddns_http_port:i}"
     " | 3109 wait, 3502 wait, 3485"},
    {"/3003", playback_list_1113,
     "Hands a list of playback sessions to the core daemon (1113) | JSON: sessionId:[i] | plain | 1113"},
    {"/4022", playback_sid_speed,
     "Sets one playback speed on the listed sessions, fast play for a single one | JSON: num:i, sid:[i], "
     "speed:i | plain | 1167"},
    {"/4023", playback_next_page,
     "Reads the next page of a recording search | JSON: sid:i, page:i | JSON"
     " {status:s}"
     " | 1161 wait"},
    {"/4021", external_ports,
     "Reads the UPnP and DDNS external ports | none | JSON"
     " {upnp_extern_port:i, ddns_extern_port:i}"
     " | 3506 wait"},
    {"/4024", playback_log,
     "Logs that a channel's live stream is watched | decimal: channel 0-15 | plain | 3485"},
    {"/4027", download_end,
     "Ends a recording download: removes the busy marker | none | plain | 1178"},
    {"/4025", transcode_start,
     "Starts transcoding a playback session | JSON: ch:i, sid:i, trancodingmode:i, framesize:i, bitrate:i, "
     "framerate:i | JSON"
     " {ch:i, sid:i, state:i, status:s}"
     " | 1176 wait"},
    {"/4026", transcode_state,
     "Reads a playback session's transcoding state | JSON: ch:i, sid:i | JSON"
     " {ch:i, sid:i, state:i}"
     " | 1177 wait"},
    {"/3004", playback_busy,
     "Tells whether the core daemon's playback is busy | none | JSON"
     " {status:s}"
     " | 4011 wait"},
};

NVR_MODULE(playback, kModPlayback, kPlaybackTable)
