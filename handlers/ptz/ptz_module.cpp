// PTZ module: the "/5000" request table.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/ptz/ptz.h"

static const WebReqEntry kPtzTable[] = {
    {"/5000", ptz_move,
     "Moves a PTZ camera and pushes its pan speed | JSON: channelId:i(0..63), action:i(0..2147483647), "
     "panSpeed:i, tiltSpeed:i, zoomSpeed:i, focusSpeed:i, fisheyeType:i, streamId:i, isAutoFocus:i | "
     "plain (OK; nothing for a bad channel or action) | "
     "1251, 3226 wait, 3485"},
    {"/5001", ptz_preset,
     "Calls, sets or clears a preset | JSON: channelId:i(0..63), presetId:i(0..300), action:i(0..2147483647), "
     "panSpeed:i(0..2147483647), tiltSpeed:i(0..2147483647), zoomSpeed:i(0..2147483647), "
     "focusSpeed:i(0..2147483647), "
     "name:s(30), fisheyeType:i, streamId:i | plain (OK; nothing for bad input) | 1253, 3226 wait, 3485"},
    {"/6050", ptz_port_read,
     "Reads the serial link of a channel's PTZ head | JSON: chnid:i(0..15) | "
     "JSON (CGI ERROR for a channel outside 0..15)"
     " {camId:i(0..15), connectType:i, baudRate:i, dataBits:i, stopBits:i, parityType:i, protocol:i, "
     "address:i}"
     " | "
     "none"},
    {"/6051", ptz_port_write,
     "Writes the serial link of the PTZ heads of listed channels | JSON: cnt:i, chnid:[i], connectType:i(0..1), "
     "baudRate:i(0..2147483647), dataBits:i(5..8), "
     "stopBits:i(0..2147483647), parityType:i(0..2), protocol:i(0..13), address:i(0..2147483647) | "
     "plain (OK; nothing for bad input) | 1252, 3485"},
    {"/6052", ptz_port_check,
     "Asks the core daemon to check a channel's PTZ link | JSON: camId:i(0..63) | plain (0 or -1) | 1262 wait"},
    {"/6053", ptz_speed_read, "Reads a channel's default PTZ speeds | JSON: camId:i(0..63) | JSON"
     " {pan_speed:i, tilt_speed:i, zoom_speed:i, foucs_speed:i}"
     " | none"},
    {"/6054", ptz_speed_write,
     "Writes a channel's default PTZ speeds | JSON: camId:i(0..63), pan_speed:i, tilt_speed:i, zoom_speed:i, "
     "foucs_speed:i | plain | "
     "3485"},
    {"/6056", ptz_fish_tour_write,
     "Sends the points of a fisheye stream's tour | JSON: chn:i(0..63), tourid:i(1..8), streamId:i, "
     "rowsize:i(0..48), path:[{preset?:i, time?:i, speed?:i}] | plain | 1269, 3485"},
    {"/6055", ptz_tour_write,
     "Writes the first points of a stored tour | JSON: chn:i(0..63), tourid:i(1..8), rowsize:i(0..48), "
     "path:[{preset?:i, time?:i, speed?:i}] | plain | 1264, 3485"},
    {"/6057", ptz_tour_clear,
     "Clears the presets of a stored tour | JSON: chn:i(0..63), tourid:i(1..8), fisheyeType:i, streamId:i | "
     "plain | 1257, 3485"},
    {"/5002", ptz_tour_start, "Starts a tour | JSON: chn:i, tourid:i, fisheyeType:i, streamId:i | plain | 1260, 3485"},
    {"/5003", ptz_tour_stop, "Stops a tour | JSON: chn:i, tourid:i, fisheyeType:i, streamId:i | plain | 1261, 3485"},
    {"/5004", ptz_tour_action,
     "Runs a tour, pattern or scan action | JSON: action:i, chn:i, tourid:i | plain | 1254, 3485"},
    {"/5005", ptz_preset_list,
     "Lists a camera's presets, tours, patterns and scan status | JSON: chn:i, fisheyeType:i, streamId:i | JSON"
     " {status:s, PRESET?:[{enable:i, name:s}], TOUR?:[[{preset_id:i, speed:i, timeout:i}]], "
     "PATTERN?:[{enable:i}], autoscan_status?:[i], tour_status?:[[i]]}"
     " | "
     "1265 wait, 1268 wait"},
    {"/5006", ptz_channel_action, "Sends a PTZ action of a channel | JSON: channelId:i, action:i | plain | 1266, 3485"},
    {"/5007", ptz_zoom, "Zooms a camera | JSON: camId:i, Zoom:i, ZoomSpeed:i | plain | 1267, 3485"},
    {"/5008", ptz_speed, "Sets a camera's PTZ speed | JSON: chn:i, Speed:i | plain | 3226 wait, 3485"},
    {"/5009", ptz_command, "Sends a raw PTZ command | JSON: chnid:i(0..63), ptzCmd:i | JSON (res)"
     " {res:i}"
     " | 3361 wait, 3485"},
    {"/5010", ptz_channel_status, "Reads a PTZ status value of a channel | JSON: chnid:i(0..63) | JSON"
     " {chnid:i(0..63), status:i}"
     " | 3363 wait"},
    {"/5011", ptz_status_read, "Reads a channel's PTZ status record | JSON: chnId:i(0..63) | JSON"
     " {status:i, chnId:i, zoomStatus:i, panTiltStatus:i, presetStatus:i, patrolStatus:i, "
     "patternStatus:i, autoScanStatus:i, presetFreezing:i, presetSpeed:i, manualSpeed:i, "
     "patrolRecovering:i, patrolRecoveryTime:i, focusMode:i, minFocusDistance:i, resumeTime:i, "
     "fanWorkingMode:i}"
     " | 1270 wait"},
    {"/5012", ptz_status_write,
     "Writes a channel's PTZ status record to the channels of a mask | JSON: chnId:i(0..63), zoomStatus:i, "
     "panTiltStatus:i, presetStatus:i, patrolStatus:i, patternStatus:i, autoScanStatus:i, presetFreezing:i, "
     "presetSpeed:i, manualSpeed:i, "
     "patrolRecovering:i, patrolRecoveryTime:i, focusMode:i, minFocusDistance:i, resumeTime:i, fanWorkingMode:i, "
     "channelMask:s(64) | "
     "JSON (status)"
     " {status:i}"
     " | 1271 wait"},
};

NVR_MODULE(ptz, kModPtz, kPtzTable)
