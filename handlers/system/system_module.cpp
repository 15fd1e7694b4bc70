// System module: login, accounts, maintenance ("/1000" table).
#include "front/webreq.h"
#include "handlers/system/device.h"
#include "handlers/system/display.h"
#include "handlers/system/system.h"

static const WebReqEntry kSystemTable[] = {
    {"/1000", login, "Logs a user in: the account's rights and a new session id | JSON: userName:s(255), "
     "md5:s(32) | plain (a JSON text; type -1 unknown user or wrong password, -2 locked account)"
     " {type:i, userName?:s, permission?:i, localLiveView?:i, localPlayback?:i, localRetrieve?:i, "
     "localSmartAnalysis?:i, localEvent?:i, localCamera?:i, localStorage?:i, localSettings?:i, "
     "localStatus?:i, localShutdown?:i, localliveview?:s, localplayback?:s, remotePermisson?:i, "
     "remoteLiveView?:i, remotePlayback?:i, remoteRetrieve?:i, remoteSmartAnalysis?:i, "
     "remoteEvent?:i, remoteCamera?:i, remoteStorage?:i, remoteSettings?:i, remoteStatus?:i, "
     "remoteShutdown?:i, remoteliveview?:s, remoteplayback?:s, sessionId?:s, failoverMode?:i, "
     "sameChannel?:i, hardwareVersion?:s, softwareVersion?:s, model?:s}"
     " | 3485"},
    {"/1001", languages_set, "Replaces the list of languages | text: the new list | plain (OK; ERROR for an empty "
     "list) | none"},
    {"/1002", log_search, "Searches the device log page by page | JSON: language:s(31), mainType:i(1..64), "
     "subTypeArr:[i], startTime:s(31), endTime:s(31), curPageNum:i, chnMask:s(64), searchNoChn (POST body or GET "
     "query) | JSON"
     " {count:i, num:i, curPageNum:i, log:[{no:i, mainTypeValue:i, mainType:s, subTypeValue:i, "
     "subType:s, pts:i, ptc:s, parameterValue:i, parameter:s, remote:i, chanNo:i, disk:i, size:i, "
     "detail:s, detail2:[i], ip:s, user:s}]}|\"ERROR\""
     " | 3495 wait"},
    {"/1003", log_export, "Exports the chosen log entries as a CSV file | JSON: language:s(31), "
     "mainType:i(1..64), subTypeArr:[i], startTime:s(31), endTime:s(31), curPageNum:i, ch:s(64), na:i | "
     "download (CSV) | 3494 wait"},
    {"/1004", system_reboot, "Reboots the recorder | none | plain | 3485, 1703"},
    {"/1005", core_check, "Tells whether the core daemon runs; gives channel 0's motion intervals their default | "
     "none | plain (OK or NO OK) | none"},
    {"/1006", factory_reset, "Resets the settings to factory values, then reboots | JSON: keepIp:i, "
     "keepUser | plain | 3311, 3410, 3485, 1703"},
    {"/1007", profile_export, "Exports the settings profile to a file for download | none | plain (OK "
     "filename=<name>) | 3485"},
    {"/1008", profile_import, "Imports an uploaded settings profile | upload: the profile file (its path) | plain | "
     "3485"},
    {"/1009", device_info, "Reads the device's identity, versions and capacities | none | JSON"
     " {hostName:s, deviceName:s, deviceId:i, product:s, hwver:s, software:s, oemversion:i, sn:s, "
     "prefix:s, pluginVersion:s, mpluginVersion:s, macAddress:s, kxddns:i, uptime:s, sncode:s, "
     "resource:{displayNum:i, maxAudioOut:i, maxNetworkLan:i, maxSensor:i, maxAlarm:i, maxCameras:i, "
     "masRs485:i}, kxfsDbup:i, transProtocol:i, streamInfo:i, oemonlineupdate:i, company:s, "
     "isSupportTalk:i}"
     " | 3400 wait"},
    {"/1010", firmware_upload, "Upgrades the recorder from an uploaded firmware file, "
     "then reboots | upload: the firmware file; query reset | plain (OK, or the upgrade status) | 3485, 1713 wait, "
     "1703"},
    {"/1011", firmware_present, "Tells whether a recorder firmware file is waiting | none | plain (OK when none, "
     "Error when one is there) | none"},
    {"/1012", device_name_set, "Sets the device name and device number | JSON: hostName:s(127), "
     "deviceId:i(1..255) | plain | 1705, 1702"},
    {"/1013", profile_download, "Downloads the exported settings profile and removes it | none | download | none"},
    {"/6070", user_list, "Lists the user accounts | none | JSON"
     " [{id:i, enable:i, name:s, password:s, type:i, permission:i, localLiveView:i, localPlayback:i, "
     "localRetrieve:i, localSmartAnalysis:i, localEvent:i, localCamera:i, localStorage:i, "
     "localSettings:i, localStatus:i, localShutdown:i, localliveview:s, localplayback:s, "
     "remotePermission:i, remoteLiveView:i, remotePlayback:i, remoteRetrieve:i, "
     "remoteSmartAnalysis:i, remoteEvent:i, remoteCamera:i, remoteStorage:i, remoteSettings:i, "
     "remoteStatus:i, remoteShutdown:i, remoteliveview:s, remoteplayback:s}]"
     " | none"},
    {"/6071", user_add, "Adds a user account | JSON: name:s(63), password:s(32), type:i(0..3), "
     "permission:i(-1..2147483647), remotePermission:i(-1..2147483647), right flags, localliveview:s(64), "
     "localplayback:s(64), remoteliveview:s(64), remoteplayback:s(64) | plain (id=<n>, "
     "SAMEUSER or FAILED_FULL) | 3505, 3485"},
    {"/6072", user_edit, "Changes a user account | JSON: id:i(0..99), name:s(31), password:s(32), type:i, "
     "right flags, localliveview:s(64), localplayback:s(64), remoteliveview:s(64), remoteplayback:s(64) | "
     "plain (OK or SAMEUSER) | 3505"},
    {"/6073", user_delete, "Deletes a user account | JSON: id:i(0..99), type:i(0..3) | plain | 3505, 3485"},
    {"/6080", display_get, "Reads the video outputs, audio outputs, device name and number | none | JSON"
     " {displayMode:i, hdmihotplug:i, mainResolution:i, hdmiAudioOn:i, homologous:i, curControl:i, "
     "subEnable:i, subResolution:i, audioOutputOn:i, audioVolume:i, deviceId:i, hostname:s, "
     "wizardEnable:i}"
     " | none"},
    {"/6081", display_set, "Writes the video outputs, audio outputs, "
     "device name and number | JSON: mainResolution:i, subResolution:i, subEnable:i(0..1), "
     "audioOutputOn:i(0..1), audioVolume:i, audioStereo:i, hdmiAudioOn:i(0..1), homologous:i, isHomologousChanged:i, "
     "hostname:s(127), deviceId:i(0..256), wizardEnable:i(0..1), displayMode:i(0..1), hdmihotplug:i, "
     "streamInfo:i | plain (OK, "
     "or SUB when the sub output has control; no reply for bad input) | 1023, 1705, 1702, 1001, 1015, 1002, 3485, "
     "1703"},
    {"/1014", logout, "Logs the user out | none | plain | 3485"},
    {"/1015", log_catalogue, "Lists the log types and sub types with their names | JSON: lan:s(15) | JSON"
     " {mainType:[{key:i, name:s}], subType:[[{key:i, name:s}]]}"
     " | none"},
    {"/1016", log_retention_read, "Reads how long logs and snapshots are kept | none | JSON"
     " {logRetention:i, photoRetention:i}"
     " | none"},
    {"/1017", log_retention_write, "Sets how long logs and snapshots are kept | JSON: logRetention:i(-1..12), "
     "photoRetention:i(-1..12) | plain | 2102"},
    {"/1018", page_check, "Checks whether a page may be visited without a session | text: the page | plain (a "
     "redirect, with guest cookies when allowed) | 3504 wait"},
    {"/json", page_text, "Reads one page's texts from a language file | query: lang, page, "
     "sub | JSON (the page's texts by name, the file's block as it stands; ERROR PAGE. or ERROR LANG. as "
     "plain text; nothing when the file has no such page) {...}|s | none"},
    {"/1019", upload_ignored, "Takes an upload and answers nothing | upload: any file | plain (nothing written) | "
     "none"},
    {"/vb.htm", service_command, "Runs a service command: language, display options, factory look, identity chip, "
     "software version | text: name=value (or oemclean, softversion alone) | plain (OK, the command's answer, "
     "ERROR or PARAM ERROR) | 4000"},
    {"/oem", oem_package, "Installs a customised firmware package (Base64 of the AES-encrypted zip) | upload: "
     "package file (query aes=KEY) | plain (OK or ERROR) | none"},
    {"/dw.cgi", download_refused, "Refuses the old download page | none | plain (NG download) | none"},
    {"/ipc", camera_ip_batch, "Gives groups of channels consecutive camera addresses | JSON: startip:s(31), chnNum:i, "
     "chnFre:i | plain | none"},
    {"/6074", user_list_oem, "Lists the user accounts of the customised firmware | none | JSON"
     " [{id:i, enable:i, name:s, password:s, type:i, permission:i, remotePermission:i}]"
     " | none"},
    {"/1030", upnp_get, "Reads the UPnP port mapping and the ports it maps | none | JSON"
     " {enable:i, type:i, external_http_port:i, http_status:i, external_rtsp_port:i, rtsp_status:i, "
     "http_port:i, rtsp_port:i}"
     " | none"},
    {"/1031", upnp_set, "Applies a UPnP port mapping | JSON: enable:i, type:i, external_http_port:i, "
     "external_rtsp_port | plain | 3720"},
    {"/1021", log_add, "Adds an entry to the device log | JSON: mainTypeValue:i, subTypeValue:i, pts:i, "
     "parameterValue:i, remote:i, chanNo:i, size:i, detail2:[i], ip:s(45), "
     "user:s(63) | plain (the daemon's answer) | 3488 wait"},
    {"/1023", device_dbup_clear, "Clears the file-system database upgrade flag | none | plain | none"},
    {"/1020", device_info, "Reads the device's identity, versions and capacities | none | JSON"
     " {hostName:s, deviceName:s, deviceId:i, product:s, hwver:s, software:s, oemversion:i, sn:s, "
     "prefix:s, pluginVersion:s, mpluginVersion:s, macAddress:s, kxddns:i, uptime:s, sncode:s, "
     "resource:{displayNum:i, maxAudioOut:i, maxNetworkLan:i, maxSensor:i, maxAlarm:i, maxCameras:i, "
     "masRs485:i}, kxfsDbup:i, transProtocol:i, streamInfo:i, oemonlineupdate:i, company:s, "
     "isSupportTalk:i}"
     " | 3400 wait"},
    {"/1022", log_export_running, "Tells whether a log export is running | none | plain (OK or NO) | none"},
    {"/6075", device_value_get, "Reads a device value the core daemon keeps | none | plain (a decimal number) | "
     "3265 wait"},
    {"/6076", device_signal, "Signals the core daemon from the device page | none | plain | 3267"},
    {"/6077", user_changed, "Tells the core daemon that the accounts changed | none | plain | 3505"},
    {"/1032", autoreboot_get, "Reads the automatic reboot plan | none | JSON"
     " {enable:i, wday:i, hour:i, minutes:i, seconds:i}"
     " | none"},
    {"/1033", autoreboot_set, "Sets the automatic reboot plan | JSON: enable:i(0..1), wday:i(0..7), "
     "hour:i(0..23), minutes:i(0..59), seconds:i(0..59) | plain | 1718"},
    {"/6082", camera_firmware_upload, "Stores an uploaded camera firmware file | upload: the firmware file | plain "
     "(OK or Error) | none"},
    {"/6084", camera_firmware_remove, "Removes the stored camera firmware file | none | plain | 3351"},
    {"/6083", camera_upgrade, "Upgrades one camera with the stored camera firmware | JSON: chnid:i, reset:i | JSON"
     " {chnid:i, status:i}"
     " | 3350 wait"},
    {"/6085", online_download, "Downloads recorder or camera firmware from its online source | JSON: type:i(0..1), "
     "url:s(127) | JSON"
     " {res:i}"
     " | 1716 wait"},
    {"/6086", online_cancel, "Cancels an online firmware download | JSON: type:i(0..1) | JSON"
     " {res:i}"
     " | 1717 wait"},
    {"/6087", online_info, "Reads what the online source offers for the recorder | none | JSON"
     " {state:i, fileSize:i, softversion:s, url:s, description:s}"
     " | 1715 wait"},
    {"/6088", online_upgrade, "Upgrades the recorder with the downloaded firmware, then reboots | none | JSON"
     " {res:i}"
     " | 1721, 3485, 1713 wait, 1703"},
    {"/6089", camera_firmware_check, "Checks the cameras of a channel mask for firmware upgrades | JSON: ch:s | JSON"
     " {check:[{state:i, fileSize:i, softversion:s, url:s, description:s}]}"
     " | 3365 wait"},
    {"/1034", device_online_upgrade, "Starts the online upgrade of the recorder | none | JSON"
     " {res:i}"
     " | 1721"},
    {"/6300", access_filter_read, "Reads the client address filter | none | JSON"
     " {filterEnable:i, filterType:i, filterList:[{address_type:i, address:s}]}"
     " | none"},
    {"/6301", access_filter_write, "Sets the client address filter | JSON: filterEnable:i, filterType:i, "
     "filterList:[{address_type?:i, address?:s(31)}] | plain | 1722"},
    {"/6310", diagnostic_collect, "Has the core daemon write a diagnostic package | none | plain (OK/path or "
     "Failed) | 3528 wait"},
    {"/6311", diagnostic_download, "Downloads the diagnostic package once and removes it | text: the path \"/6310\" "
     "gave | download | none"},
    {"/6320", audio_list, "Lists the alarm audio clips | none | JSON"
     " {audioFileList:[{id:i, enable:i, name:s}], status:i}"
     " | 4012 wait"},
    {"/6321", audio_upload, "Takes an uploaded WAV clip under its encoded name | upload: WAV file | plain (status "
     "and encoded name) | none"},
    {"/6322", audio_add, "Adds an uploaded clip under a display name | JSON: uploadName:s, name:s | JSON"
     " {status:i}"
     " | 4013 wait, 3485"},
    {"/6323", audio_delete, "Deletes audio clips | JSON: idMask:i | JSON"
     " {status:i}"
     " | 4014 wait, 3485"},
    {"/6324", audio_rename, "Renames an audio clip | JSON: id:i, name:s | JSON"
     " {status:i}"
     " | 4015 wait, 3485"},
    {"/6325", audio_play, "Plays an audio clip | JSON: id:i | JSON"
     " {status:i}"
     " | 4016 wait"},
    {"/1024", permission_reset, "Clears the permission-changed flag | none | plain | none"},
};

NVR_MODULE(system, kModSystem, kSystemTable)
