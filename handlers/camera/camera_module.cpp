// Camera module: the "/2001" request table.
#include "front/webreq.h"
#include "handlers/camera/camera.h"
#include "handlers/camera/camera_features.h"
#include "handlers/camera/camera_queries.h"
#include "handlers/event/people.h"
#include "handlers/event/smart.h"
#include "handlers/playback/playback.h"

#define CAMERA_EDIT_KEYS                                                                               \
    "id:i(0..64), name:s(63), enable:i(0..1), camProtocol:i(0..7), ipAddr:s(63), managePort:i, "         \
    "transmitProtocol:i(0..2), userName:s(63), password:s(63), minorid:i, enableSubStream:i, syncTime:i, " \
    "mainRtspPort:i, mainSourcePath:s(255), subRtspPort:i, subSourcePath:s(255), mainrtspurl:s(255), "    \
    "subrtspurl:s(255), ddns:s(63)"
#define LOGIN_TEST_KEYS \
    "ipAddr:s(31), managePort:i(0..2147483647), userName:s(63), password:s(32), camProtocol:i(0..7)"
#define STREAM_KEYS                                                                                      \
    "subEnable:i, mainVideoType:i, mainResWidth:i(0..2147483647), mainResHeight:i(0..2147483647), "       \
    "mainFramerate:i(0..2147483647), mainBitrate:i(0..2147483647), IframeInterval:i, subVideoType:i, "    \
    "subResWidth:i, subResHeight:i, subFramerate:i, subBitrate:i, subIframeInterval:i"
#define IMAGE_KEYS \
    "smartir:i, whiteblance:i, focusmode:i, antiblurry:i, wdrenable:i, wdrlevel:i, wdrstarthour:i, " \
    "wdrstartminute:i, wdrstophour:i, wdrstopminute:i, regiontype:i, hlcmode:i, exclude:i, " \
    "exposemode:i, exposeregion:s(63), modelType:i, imageschemode:i, hlcday:i, hlcnight:i, redgain:i, " \
    "bluegain:i, defogmode:i, defoglevel:i, exposetime:i, exposegain:i, aflevel:i, hlclevel:i, " \
    "enblur:i, deblur:i, lensType:i, reduceVideoStuttering:i"
#define DAY_NIGHT_KEYS \
    "id:i(0..63), colorkiller:i, modestarthour:i, modestartminute:i, modestophour:i, " \
    "modestopminute:i, exposurectrl:i, lighttype:i, mirctrl:i, localdisplay:i, ircutaddaytonight:i, " \
    "ircutadnighttoday:i, corridormode:i, imagerotation:i, saveCorridor:i, smartIRType:i, " \
    "nearIRLevel:i, farIRLevel:i, midIRLevel:i, whiteLedLevel:i, keepCorrectAspectRatio:i, " \
    "dayNightSens:i, nightDaySens:i, zoomLimit:i"
#define PROFILE_KEYS \
    "enable:i, startHour:i, startMinute:i, endHour:i, endMinute:i, exposureLevel:i, minShutter:i, " \
    "maxShutter:i, gainLevel:i, irCutLatency:i, irCutState:i, irLedState:i, colorMode:i"
#define AUDIO_KEYS \
    "chnid:i(0..63), audioEnable:i, audioMode:i, denoise:i, encoding:i, sampleRate:i, inputGain:i, " \
    "inputMode:i, audioGainControl:i, outputVolume:i, audioBitrate:i"
#define POS_KEYS \
    "enable:i, name:s(32), protocol:i, connectionMode:i, ip:s(63), liveviewDisplay:i, " \
    "displayChannel:i, startX:i, startY:i, areaWidth:i, areaHeight:i, characterEncodeing:i, " \
    "fontSize:i, fontColor:i, overlayMode:i, displayTime:i, timeout:i, privacy1:s(63), " \
    "privacy2:s(63), privacy3:s(63), port:i"
#define FACE_KEYS \
    "enable:i, width:i, height:i, minPixel:i, captureMode:i, captureModeArray:[{captureQuality:i, " \
    "snapshot:i, ...}], snapshotType:i, snapshotInterval:i, snapshotBackground:i, poseYaw:i, " \
    "poseRoll:i, posePitch:i, blurLimit:i, detection_polygonX:s(63), detection_polygonY:s(63), " \
    "uploadEnable:i, uploadFileType:i, nasEnable:i, nasFileType:i, emailEnable:i, emailFileType:i, " \
    "httpEnable:i, httpNotifyInterval:i, httpUrl:s(127), httpUser:s(63), httpPassword:s(63), " \
    "recordSeconds:i, prerecordSeconds:i, postEnable:i, postType:i, shield:[{enable:i, " \
    "polygonX:s(63), polygonY:s(63), ...}], attributeEnable:i, attributeType:i, mosaicEnable:i, " \
    "mosaicModeStatus:i, mutuallyExclusive:i"

static const WebReqEntry kCameraTable[] = {
    {"/2001", camera_list, "Lists every channel with its camera's live state | none | JSON"
     " {IPC:[{id:i, enable:i, name:s, ipAddr:s, managePort:i, camProtocol:i, vendor:s, sn:s, "
     "snReal:s, mac:s, model:s, fwVersion:s, state:i, mainRtspPort:i, physicalport:i, poechannel:i, "
     "alarmin:i, alarmout:i, whiteLed:i, ledAlarm:i, ledManual:i, minorid:i, subState:i, "
     "connectState:i, ddns:s}], maxIPCNums:i}"
     " | 3201 wait"},
    {"/2003", camera_edit,
     "Edits the camera of a channel and its name | JSON: " CAMERA_EDIT_KEYS
     ", type:i | plain (no reply for bad input) | 1203, 3485"},
    {"/2004", camera_add,
     "Puts a camera on a channel | JSON: " CAMERA_EDIT_KEYS
     ", mac_addr:s(31), poechannel:i, physicalport:i, otherPoe:i | plain (no reply for bad input) | 1201, 1206, 3485"},
    {"/2005", camera_clear,
     "Clears a channel: its camera, its name and its privacy masks | JSON: chnid:i(0..15) | plain | 1202, 1206, 3485"},
    {"/2006", camera_search, "Searches the network for cameras of a protocol | JSON: protocol:i | JSON"
     " {resultString:s, IPC:[{ipAddr:s, managePort:i, protocol:i, macAddr:s, vendor:s, sn:s, "
     "fwVersion:s, model:s, modelId:i, netmask:s, dns:s, gateway:s, netif:s, active_status:i, name:s, "
     "snReal:s}]}"
     " | 3200 wait"},
    {"/2007", camera_status_list, "Lists every channel with its camera's live state | none | JSON"
     " {IPC:[{id:i, enable:i, name:s, ipAddr:s, managePort:i, camProtocol:i, vendor:s, sn:s, "
     "snReal:s, mac:s, model:s, fwVersion:s, state:i, mainRtspPort:i, physicalport:i, poechannel:i, "
     "alarmin:i, alarmout:i, whiteLed:i, ledAlarm:i, ledManual:i, minorid:i, subState:i, "
     "connectState:i, ddns:s}], maxIPCNums:i}"
     " | 3201 wait"},
    {"/2008", camera_protocols, "Lists the camera protocols with their models | none | JSON"
     " {protocols:[{id:i, name:s, protocolFunction:i, enable:i, display_model:i, models:[{id:i, "
     "name:s, alarm_type:i, default_model:i}]}]}"
     " | none"},
    {"/2000", camera_read, "Reads one channel's stored camera configuration | JSON: chnid:i(0..15) | JSON"
     " {id:i, name:s, ipAddr:s, managePort:i, protocol:i, model:i, userName:s, password:s, "
     "transmitProtocol:i, mainRtspPort:i, mainSourcePath:s, subRtspEnable:i, subRtspPort:i, "
     "subSourcePath:s, syncTime:i, mainRtspUrl:s, subRtspUrl:s, physicalport:i, poechannel:i, "
     "mac_addr:s, minorid:i, ddns:s}"
     " | none"},
    {"/2009", stream_caps_get,
     "Reads a channel's stream capabilities and current encoding | JSON: chnid:i(0..15) | JSON"
     " {stateCode:i, id:i, name:s, subEnable:i, audioEnable:i, videoTypeEnable:i, mainVideoType:i, "
     "subVideoType:i, ipc_type:i, syncTime:i, protocol:i, managePort:i, physicalport:i, poechannel:i, "
     "mac_addr:s, transmitProtocol:i, ddns:s, subStream:i, SupportSmartStream:i, SmartStream:i, "
     "SmartStreamLevel:i, SubSmartStream:i, SubSmartStreamLevel:i, main:{curRes:i, res:[{width:i, "
     "height:i, name:s}], framerateMax:i, framerateMin:i, bitrateMax:i, bitrateMin:i, framerate:i, "
     "bitrate:i, iframeinterval:i}, sub:{curRes:i, res:[{width:i, height:i, name:s}], framerateMax:i, "
     "framerateMin:i, bitrateMax:i, bitrateMin:i, framerate:i, bitrate:i, iframeinterval:i}}"
     " | 3204 wait"},
    {"/2010", stream_set,
     "Changes one channel's stream encoding | JSON: id:i(0..63), audioEnable:i(0..1), videoTypeEnable:i, fisheyeType:i, " STREAM_KEYS
     ", bitrateControl:i, SubBitrateControl:i, SmartStream:i, SmartStreamLevel:i, SubSmartStream:i, "
     "SubSmartStreamLevel:i, "
     "recordtype:i, etframerate:i, etIframeinterval:i, etbitrate:i | JSON (channels changed)"
     " {res:s}"
     " | 3203 wait"},
    {"/2011", camera_ip_change,
     "Changes one camera's network settings | JSON: macAddr:s(47), oldIpcAddr:s(31), newIpcAddr:s(31), "
     "netmask:s(31), gateway:s(31), primaryDNS:s(31), port:i(0..65535), username:s(63), password:s(32), "
     "protocol:i(0..7), "
     "netif:s(5) | JSON"
     " {resultString:s}"
     " | 3205 wait"},
    {"/2012", camera_names, "Lists the channel names | none | JSON"
     " {IPC:[{id:i, name:s}]}"
     " | none"},
    {"/2013", record_calendar,
     "Marks the days of a month that hold recordings of a channel | JSON: time:s, chnid:i(0..63), streamType:i | "
     "JSON (31 flags, days 1 to 31)"
     " [i]"
     " | 3493 wait"},
    {"/2014", camera_login_test, "Tests a camera login | JSON: " LOGIN_TEST_KEYS " | plain | 3202 wait"},
    {"/2015", camera_login_test2,
     "Tests a camera login, port at least 80 | JSON: " LOGIN_TEST_KEYS " | plain | 3227 wait"},
    {"/2018", camera_poe_ports, "Reads the number of PoE ports | none | plain | none"},
    {"/2016", camera_poe_password, "Reads the password given to PoE cameras | none | plain | none"},
    {"/2017", camera_login_change, "Changes a channel's camera login | JSON: id:i(0..2147483647), "
     "userName:s(63), password:s(63) | plain | 1203, 3485"},
    {"/2019", image_get, "Reads a camera's image settings | JSON: id:i(0..63) | JSON"
     " {id:i, smartir:i, whiteblance:i, focusmode:i, antiblurry:i, wdrenable:i, wdrlevel:i, "
     "wdrstarthour:i, wdrstartminute:i, wdrstophour:i, wdrstopminute:i, regiontype:i, hlcmode:i, "
     "exclude:i, exposemode:i, exposeregion:s, imageschemode:i, hlcday:i, hlcnight:i, redgain:i, "
     "bluegain:i, defogmode:i, defoglevel:i, dismode:i, exposetime:i, exposegain:i, wdraflevel:i, "
     "exposurectrl:i, hlclevel:i, enblur:i, deblur:i, sdkversion:s, lensType:i, "
     "reduceVideoStuttering:i}"
     " | 3221 wait"},
    {"/2020", image_set, "Writes image settings to several cameras | JSON: channel:[i], " IMAGE_KEYS " | plain | 3280"},
    {"/2021", day_night_get, "Reads a camera's day-night and lens settings | JSON: id:i(0..63) | JSON"
     " {id:i, colorkiller:i, modestarthour:i, modestartminute:i, modestophour:i, modestopminute:i, "
     "exposurectrl:i, lighttype:i, mirctrl:i, localdisplay:i, ircutaddaytonight:i, "
     "ircutadnighttoday:i, corridormode:i, imagerotation:i, smartIRType:i, nearIRLevel:i, "
     "farIRLevel:i, midIRLevel:i, lencorrect:i, smartIrMath:i, smartIrLimit:i, chipninterface:s, "
     "nearSmartirValue:i, farSmartirValue:i, midSmartirValue:i, lenCorrectType:i, fovadjust:i, "
     "sensortype:s, productmodel:s, softversion:s, smokeddomecover:i, smartwhitestrength:i, "
     "dnRefocus:i, sdkversion:s, structuretype:i, keepCorrectAspectRatio:i, dayNightSens:i, "
     "nightDaySens:i, zoomLimit:i}"
     " | 3223 wait"},
    {"/2022", day_night_set,
     "Writes a camera's day-night and lens settings | JSON: " DAY_NIGHT_KEYS " | plain (OK or ERROR) | 3224 wait"},
    {"/2023", camera_param_get,
     "Reads one named camera parameter | JSON: id:i(0..63), pagename:s, httpname:s, key:s | JSON"
     " {id:i, pagename:s, httpname:s, key:s, value:s}"
     " | 3225 wait"},
    {"/2024", camera_param_set,
     "Writes one named camera parameter | JSON: id:i(0..63), pagename:s, httpname:s, key:s, value:s | plain (OK or ERROR) | "
     "3226 wait"},
    {"/2025", camera_type_get, "Reads the type of a channel's camera | JSON: id:i | JSON (no reply for a text that is not JSON)"
     " {type:i}"
     " | 2503 wait"},
    {"/2026", core_command,
     "Passes a command of at most 99 characters to the core daemon | JSON: cmd:s | JSON (no reply for bad input)"
     " {result:s}"
     " | "
     "4002 wait"},
    {"/2027", chip_code_get, "Reads the recorder's chip code | none | JSON"
     " {chip_code:s}"
     " | 4004 wait"},
    {"/2028", motion_state_get, "Reads which channels are in motion, one character per channel | none | JSON"
     " {Motion:s}"
     " | "
     "3307 wait"},
    {"/2029", camera_identities_get, "Lists the address, model and firmware of every channel's camera | none | JSON"
     " {IPC:[{chnid:i, ipaddr:s, model:s, fwversion:s}]}"
     " | "
     "2505 wait"},
    {"/2030", stream_set_many,
     "Changes several channels' stream encoding | JSON: chans:[i], transmitProtocol:i, syncTime:i, " STREAM_KEYS
     ", mainBitrateControl:i, subBitrateControl:i | JSON (channels changed)"
     " {res:s}"
     " | 3203 wait"},
    {"/2031", stream_transport_set,
     "Changes a channel's stream transport and time sync | JSON: id:i, transmitProtocol:i, syncTime:i | plain | "
     "1203, 3485"},
    {"/2032", camera_ip_change_many, "Changes several cameras' network settings | JSON: cnt:i, "
     "oIPCAddr:[{...}] | plain | 3229"},
    {"/2033", camera_batch_results, "Lists the cameras' results of a batch job by MAC address | none | JSON"
     " {IPC:[{mac:s, result:i}]}"
     " | "
     "3230 wait"},
    {"/2034", ipv6_state_get, "Tells whether the recorder has an IPv6 address (1 or 0) | none | plain | none"},
    {"/2035", arming_schedules_get, "Reads a channel's arming schedules of motion and eight smart events | JSON: "
     "channel:i(0..63) | JSON (no output on bad input)"
     " {schedule_motion:[[{startTime:s, endTime:s, actionType:i}]], "
     "schedule_region_entrance:[[{startTime:s, endTime:s, actionType:i}]], "
     "schedule_region_exit:[[{startTime:s, endTime:s, actionType:i}]], "
     "schedule_advanced_motion:[[{startTime:s, endTime:s, actionType:i}]], "
     "schedule_tamper_detection:[[{startTime:s, endTime:s, actionType:i}]], "
     "schedule_line_crossing:[[{startTime:s, endTime:s, actionType:i}]], "
     "schedule_loitering:[[{startTime:s, endTime:s, actionType:i}]], "
     "schedule_human_detection:[[{startTime:s, endTime:s, actionType:i}]], "
     "schedule_people_counting:[[{startTime:s, endTime:s, actionType:i}]]}"
     " | none"},
    {"/2036", arming_schedules_set, "Writes a run of a channel's arming schedules | JSON: channel:i(0..63), start:i, "
     "end:i, schedule_motion:[[*]], schedule_region_entrance:[[*]], ... | plain | none"},
    {"/2037", image_profiles_get, "Reads a camera's 7 timed image profiles | JSON: id:i(0..63) | JSON"
     " {image:[{id:i, enable:i, startHour:i, startMinute:i, endHour:i, endMinute:i, exposureLevel:i, "
     "maxShutter:i, minShutter:i, gainLevel:i, irCutLatency:i, irCutState:i, irLedState:i, "
     "colorMode:i}]}"
     " | 3278 wait"},
    {"/2038", image_profile_set,
     "Writes one timed image profile | JSON: channel:i(0..63), id:i(0..6), " PROFILE_KEYS " | plain | 3279"},
    {"/2039", image_areas_get, "Reads a camera's 16 image areas | JSON: id:i(0..63) | JSON"
     " {enable:i, sdkversion:s, area:[{id:i, enable:i, left:i, top:i, right:i, bottom:i}]}"
     " | 3271 wait"},
    {"/2040", image_areas_set, "Writes the image areas of several cameras | JSON: enable:i, cnt:i, chnid:[i], "
     "area:[{...}] | plain | 3288"},
    {"/2041", image_schedule_get, "Reads a camera's image schedule | JSON: id:i(0..63) | JSON"
     " {schedule:[[{startTime:s, endTime:s, actionType:i}]]}"
     " | 3273 wait"},
    {"/2042", image_schedule_set, "Writes the image schedule of several cameras | JSON: channel:[i], "
     "schedule:[[*]] | plain | 3281"},
    {"/2043", image_exposure_schedule_get,
     "Reads a camera's exposure schedule | JSON: id:i(0..63) | JSON"
     " {schedule:[[{startTime:s, endTime:s, actionType:i, exposureTime:i, gainLevel:i}]]}"
     " | 3275 wait"},
    {"/2044", image_exposure_schedule_set,
     "Writes the exposure schedule of several cameras | JSON: channel:[i], schedule:[[*]] | plain | 3282"},
    {"/2045", image_schedule2_get, "Reads a camera's second image schedule | JSON: id:i(0..63) | JSON"
     " {schedule:[[{startTime:s, endTime:s, actionType:i}]]}"
     " | 3277 wait"},
    {"/2046", image_schedule2_set,
     "Writes the second image schedule of several cameras | JSON: channel:[i], schedule:[*] | plain | 3283"},
    {"/2047", image_profiles_set_many,
     "Writes timed image profiles to several cameras | JSON: cnt:i, chnid:[i], image:[{...}] | plain | 3279"},
    {"/2050", image_area_clear, "Clears one image area of a camera | JSON: chan_id:i(0..63), area_id:i(0..16) | plain | 3284"},
    {"/2048", exposure_table_set,
     "Stores a channel's exposure table | JSON: channel:i(0..63), exposure:[{...}] | plain | none"},
    {"/2049", exposure_table_get, "Reads a channel's stored exposure table | JSON: channel:i(0..63) | JSON"
     " {exposure:[{exposureTime:i, gainLevel:i}]}"
     " | none"},
    {"/2051", camera_motion_get,
     "Reads the motion detection a camera runs itself and its arming schedule | JSON: chnid:i(0..63) | JSON"
     " {chnid:i, enable:i, sensitivity:i, minsize:i, mintime:i, adaptability:i, map_mask:s, "
     "effective:[[{startTime:s, endTime:s, actionType:i}]]}"
     " | 3358 wait"},
    {"/2052", camera_motion_set,
     "Writes a camera's own motion detection and copies it to other channels | JSON: chnid:i(0..63), enable:i, sensitivity:i, "
     "minsize:i, mintime:i, adaptability:i, map_mask:s, effective:[[*]], copyCnt:i, copyChn:[i] | JSON (result code)"
     " {res:i}"
     " | 3366 wait"},
    {"/2053", stream_query,
     "Queries a camera's stream by type and time | JSON: chnid:i(0..63), mainType:i, subType:i, time:s | plain | 3360 wait"},
    {"/2054", auto_tracking_get, "Reads a PTZ camera's auto-tracking settings | JSON: chnid:i(0..63) | JSON"
     " {chnid:i, enable:i, show:i, sensitivity:i, time:i, manual_tracking:i, zoom_mode:i, "
     "zoom_number:i, area:s, humanVehicleSupport:i, trackingObject:i, schedule:[[{startTime:s, "
     "endTime:s, actionType:i}]]}"
     " | 3294 wait"},
    {"/2055", auto_tracking_set,
     "Writes a PTZ camera's auto-tracking settings and copies them to other channels | JSON: chnid:i(0..63), channels:s, "
     "enable:i, show:i, sensitivity:i, time:i, manual_tracking:i, zoom_mode:i, zoom_number:i, schedule:[[*]], area:s, "
     "humanVehicleSupport:i, trackingObject:i | JSON (result code)"
     " {res:i}"
     " | 3375 wait"},
    {"/2056", camera_command_result, "Reads the result number of a camera command | JSON: chnid:i(0..63) | JSON"
     " {res:i}"
     " | 1262 wait"},
    {"/2057", camera_identity_get,
     "Reads the address, model and firmware of a channel's camera | JSON: chnid:i(0..63) | JSON (empty without an answer)"
     " {chnid:i, ipaddr:s, model:s, fwversion:s}"
     " | "
     "2507 wait"},
    {"/2058", watermark_get, "Reads a camera's watermark | JSON: chnid:i(0..63) | JSON"
     " {chnid:i, enable:i, watermark:s}"
     " | 1213 wait"},
    {"/2059", watermark_set,
     "Writes a camera's watermark and copies it to other channels | JSON: chnid:i(0..63), enable:i, watermark:s, copy:s | "
     "JSON (result code)"
     " {res:i}"
     " | 1216 wait"},
    {"/2060", third_stream_get, "Reads a camera's third stream | JSON: chnid:i(0..63), fisheyeType:i | JSON"
     " {chnid:i, enable:i, framerate:i, bitrate:i, iframeinterval:i}"
     " | 1217 wait"},
    {"/2061", third_stream_set,
     "Writes a camera's third stream | JSON: chnid:i(0..63), enable:i, framerate:i, bitrate:i, iframeinterval:i | "
     "JSON (result code) {res:i} | 1218 wait"},
    {"/2062", night_mode_get, "Reads a camera's night mode | JSON: chnid:i(0..63) | JSON"
     " {chnid:i, nightMode:i}"
     " | 1219 wait"},
    {"/2063", audio_get,
     "Reads a camera's audio settings and the encodings it offers | JSON: chnid:i(0..63) | JSON"
     " {res:i, support:i, supportMode:i, supportInputMode:i, config:{chnid:i, audioEnable:i, "
     "audioMode:i, denoise:i, encoding:i, sampleRate:i, inputGain:i, inputMode:i, audioGainControl:i, "
     "outputVolume:i, audioBitrate:i}, options:[{encodeValue:i, sampleRateValue:i, bitrateInfo:[i], "
     "sampleRateInfo:[i]}]}"
     " | 3371 wait"},
    {"/2064", audio_set,
     "Writes a camera's audio settings, also to other channels | JSON: " AUDIO_KEYS
     ", channels:s | plain (OK or ERROR) | 3372 wait"},
    {"/2065", audio_support_get, "Reads a camera's audio support flags | JSON: chnid:i(0..63) | JSON"
     " {res:i, audioSupport:i, audioSupportMode:i, audioLineInputSupport:i, systemSpeakerSupport:i, "
     "systemManualSpeedSupport:i}"
     " | 3376 wait"},
    {"/2066", pcnt_groups_get,
     "Lists the nine people-counting groups, with each group's actions under dialog when action is set | JSON: "
     "action:i | JSON"
     " {groups:[{groupid:i, enable:i, stays:i, liveview_auto_reset:i, auto_day:i, "
     "liveview_font_size:i, name:s, auto_day_time:s, tri_channels:s, liveview_green_tips:s, "
     "liveview_red_tips:s, dialog?:{chnid:i, triAlarms:i, interval:i, email_interval:i, "
     "email_pic_enable:i, tri_channels_pic:s, ptz_interval:i, alarmout_interval:i, white_interval:i, "
     "effective:[[{startTime:s, endTime:s, actionType:i}]], audible:[[{startTime:s, endTime:s, "
     "actionType:i}]], email:[[{startTime:s, endTime:s, actionType:i}]], ptz:[[{startTime:s, "
     "endTime:s, actionType:i}]], triChnAlarms:[s], white:[[{startTime:s, endTime:s, actionType:i}]], "
     "whiteInfo:[{chnid:i, mode:i, time:i}], audioId:i, audioIdMask:i, "
     "ptzParams:[{acto_ptz_channel:i, acto_ptz_type:i, acto_ptz_preset:i, acto_ptz_patrol:i}]}}]}"
     " | none"},
    {"/2068", camera_url_send, "Passes a URL to a channel's camera | JSON: chnid:i(0..63), url:s | JSON"
     " {res:i, chnid:i, data:s}"
     " | 3377 wait"},
    {"/2067", pcnt_groups_set,
     "Writes the people-counting groups | JSON: groups:[{...}] | JSON ({\"res\": n})"
     " {res:i}"
     " | 2290 wait"},
    {"/2069", pcnt_group_actions_get, "Reads a people-counting group's actions | JSON: groupid:i(0..8) | JSON"
     " {chnid:i, triAlarms:i, interval:i, email_interval:i, email_pic_enable:i, tri_channels_pic:s, "
     "ptz_interval:i, alarmout_interval:i, white_interval:i, effective:[[{startTime:s, endTime:s, "
     "actionType:i}]], audible:[[{startTime:s, endTime:s, actionType:i}]], email:[[{startTime:s, "
     "endTime:s, actionType:i}]], ptz:[[{startTime:s, endTime:s, actionType:i}]], triChnAlarms:[s], "
     "white:[[{startTime:s, endTime:s, actionType:i}]], whiteInfo:[{chnid:i, mode:i, time:i}], "
     "audioId:i, audioIdMask:i}"
     " | none"},
    {"/2070", pcnt_group_actions_set,
     "Writes a people-counting group's actions | JSON: groupid:i(0..8), audible:[[*]], email:[[*]], ptz:[[*]], white:[[*]], whiteInfo:[{...}], "
     "triChnAlarms:[s], triAlarms:i, interval:i, audioId:i, email_interval:i, email_pic_enable:i, tri_channels_pic:s(64), "
     "ptz_interval:i, "
     "alarmout_interval:i, white_interval:i, ptzParams:[{...}] | JSON ({\"res\": n})"
     " {res:i}"
     " | 2293 wait"},
    {"/2071", pcnt_group_command_a,
     "Passes group command A of a people-counting group to the core daemon | JSON: groupid:i(0..8) | JSON ({\"res\": n}) "
     "{res:i} "
     "| 2291 wait"},
    {"/2072", pcnt_group_command_b,
     "Passes group command B of a people-counting group to the core daemon | JSON: groupid:i(0..8) | JSON ({\"res\": n}) "
     "{res:i} "
     "| 2292 wait"},
    {"/2073", pos_get, "Reads the eight POS connections and the actions of one | JSON: id:i(0..7) | JSON"
     " {pos:[{id:i, enable:i, name:s, protocol:i, connectionMode:i, ip:s, liveviewDisplay:i, "
     "displayChannel:i, startX:i, startY:i, areaWidth:i, areaHeight:i, characterEncodeing:i, "
     "fontSize:i, fontColor:i, overlayMode:i, displayTime:i, timeout:i, privacy1:s, privacy2:s, "
     "privacy3:s, port:i}], action:{effective:[[{startTime:s, endTime:s, actionType:i}]], "
     "audible:[[{startTime:s, endTime:s, actionType:i}]], interval:i, audioId:i, "
     "email:[[{startTime:s, endTime:s, actionType:i}]], email_interval:i, email_pic_enable:i, "
     "tri_channels_pic:s, ptz:[[{startTime:s, endTime:s, actionType:i}]], ptz_interval:i, "
     "ptzParams:[{acto_ptz_channel:i, acto_ptz_type:i, acto_ptz_preset:i, acto_ptz_patrol:i}], "
     "white:[[{startTime:s, endTime:s, actionType:i}]], whiteInfo:[{chnid:i, mode:i, time:i}], "
     "white_interval:i, alarmout_interval:i, triAlarms:i, triChannels:s, triChnAlarms:[s]}}"
     " | none"},
    {"/2074", pos_set,
     "Writes one POS connection and optionally its actions | JSON: id:i(0..7), " POS_KEYS ", action:{...} | JSON"
     " {res:i}"
     " | 1421 wait"},
    {"/2075", pcnt_reports_get, "Reads the three people-counting report plans | none | JSON"
     " {report:[{reportType:i, enable:i, triChannels:s, triGroups:s, stayLengthType:i, "
     "stayLengthValue:i, backupDay:i, backupTime:s, fileFormat:i, timeRange:i, backupTo:i}], email:i}"
     " | none"},
    {"/2076", pcnt_reports_set,
     "Writes the three people-counting report plans (texts cut to their fields) | JSON: report:[{...}] | JSON "
     "({\"res\": 0}) {res:i} | 1423 wait"},
    {"/2077", face_set,
     "Sends a channel's face capture settings to its camera, optionally storing its face actions | "
     "JSON: chnId:i(0..15), " FACE_KEYS ", action:{...} | JSON"
     " {status:i}"
     " | 3383, 3381 wait"},
    {"/2078", ipc_upgrade_file,
     "Starts the firmware upgrade of the cameras of a channel mask from the uploaded file | "
     "JSON: chnid:i, reset:i, fileSize:i | JSON"
     " {res:i}"
     " | 3385 wait"},
    {"/2079", ipc_upgrade_status,
     "Stores an uploaded camera firmware, then reports the upgrade progress per channel | "
     "upload: camera firmware (optional) | plain (chnid and status lines) | 3386 wait"},
    {"/2080", ipc_upgrade_url,
     "Starts the firmware upgrade of the cameras of a channel mask from a URL | JSON: chnid:i, reset:i, url:s(127) | "
     "JSON"
     " {chnid:i, status:[i]}"
     " | 3379 wait"},
    {"/2081", ipc_upgrade_stop, "Stops the cameras' firmware upgrade | JSON: stop:i | plain (no reply) | 3390"},
};

NVR_MODULE(camera, kModCamera, kCameraTable)
