// System module: login, accounts, maintenance ("/1000" table) and its reply
// callback.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/system/display.h"
#include "handlers/system/system.h"

static const ReplyRoute kSystemReplies[] = {
    {8504, page_check_reply},
    {6713, upgrade_reply},
    {6715, online_info_reply},
    {6716, firmware_result_reply},
    {6717, firmware_result_reply},
    {8350, camera_upgrade_reply},
    {8365, camera_check_reply},
    {8495, log_search_reply},
    {8494, log_export_reply},
    {8488, log_add_reply},
    {8528, diagnostic_reply},
    {9012, audio_list_reply},
    {9013, audio_status_reply},
    {9014, audio_status_reply},
    {9015, audio_status_reply},
    {9016, audio_status_reply},
};

int system_reply(void*, const KxFrameHeader* header, const void* payload)
{
    return core_route_reply(kSystemReplies, header, payload);
}

static const WebReqEntry kSystemTable[] = {
    {"/1000", login, "Logs a user in and gives the account's rights | JSON: userName, md5 | plain (JSON text: type and rights) | 3485"},
    {"/1004", system_reboot, "Reboots the recorder | none | plain | 3485, 1703"},
    {"/1005", core_check, "Tells whether the core daemon is up (and repairs zero motion intervals) | none | plain (OK or NO OK) | none"},
    {"/1006", factory_reset, "Restores the factory settings and reboots | JSON: keepIp, keepUser | plain | 3311, 3410, 3485, 1703"},
    {"/1007", profile_export, "Exports the settings profile with the profile tool | none | plain (OK filename=...) | 3485"},
    {"/1008", profile_import, "Imports an uploaded settings profile | text: path of the uploaded file | plain | 3485"},
    {"/1010", firmware_upload, "Upgrades the recorder from an uploaded firmware file | upload: firmware file (query \"reset\" resets after it) | plain (OK, or the upgrade status) | 3485, 1713 wait, 1703"},
    {"/1011", firmware_present, "Tells whether an uploaded recorder firmware is present | none | plain (OK or Error) | none"},
    {"/1013", profile_download, "Downloads the exported settings profile | none | download | none"},
    {"/6070", user_list, "Lists the user accounts with their rights | none | JSON | none"},
    {"/6071", user_add, "Adds a user account | JSON: name, password, type, permission, remotePermission, rights | plain (the new id, SAMEUSER or FAILED_FULL) | 3505, 3485"},
    {"/6072", user_edit, "Changes a user account | JSON: id, name, password, type, permission, remotePermission, rights | plain (OK or SAMEUSER) | 3505"},
    {"/6073", user_delete, "Deletes a user account | JSON: id, type | plain | 3505, 3485"},
    {"/1014", logout, "Logs the user out | none | plain | 3485"},
    {"/1018", page_check, "Asks the core daemon whether a page may be visited | text: page | plain (redirect, with guest cookies when allowed) | 3504 wait"},
    {"/6074", user_list_oem, "Lists the user accounts with their passwords | none | JSON | none"},
    {"/6077", user_changed, "Tells the core daemon that the accounts changed | none | plain | 3505"},
    {"/6082", camera_firmware_upload, "Stores an uploaded camera firmware file | upload: camera firmware file | plain (OK or Error) | none"},
    {"/6084", camera_firmware_remove, "Removes the uploaded camera firmware | none | plain | 3351"},
    {"/6083", camera_upgrade, "Upgrades a camera from the uploaded firmware | JSON: chnid, reset | JSON | 3350 wait"},
    {"/6085", online_download, "Downloads a recorder or camera firmware from the internet | JSON: type, url | JSON | 1716 wait"},
    {"/6086", online_cancel, "Cancels an online firmware download | JSON: type | JSON | 1717 wait"},
    {"/6087", online_info, "Reads the newest recorder firmware online | none | JSON | 1715 wait"},
    {"/6088", online_upgrade, "Upgrades the recorder from the downloaded firmware | none | JSON | 1721, 3485, 1713 wait, 1703"},
    {"/6089", camera_firmware_check, "Lists the firmware upgrades online for the chosen cameras | JSON: ch | JSON | 3365 wait"},
    {"/1024", permission_reset, "Clears the flag that tells the pages that account rights changed | none | plain | none"},
    {"/1002", log_search, "Searches the device log page by page | JSON: language, mainType, subTypeArr, startTime, endTime, curPageNum, chnMask, searchNoChn (POST body or GET query) | JSON | 3495 wait"},
    {"/1003", log_export, "Exports the chosen log entries as a CSV file | JSON: language, mainType, subTypeArr, startTime, endTime, curPageNum, ch, na | download (CSV) | 3494 wait"},
    {"/1022", log_export_running, "Tells whether a log export is running | none | plain (OK or NO) | none"},
    {"/1021", log_add, "Adds an entry to the device log | JSON: mainTypeValue, subTypeValue, pts, parameterValue, remote, chanNo, size, detail2, ip, user | plain (the daemon's answer) | 3488 wait"},
    {"/1015", log_catalogue, "Lists the log types and sub types with their names | JSON: lan | JSON | none"},
    {"/1016", log_retention_read, "Reads how long logs and snapshots are kept | none | JSON | none"},
    {"/1017", log_retention_write, "Sets how long logs and snapshots are kept | JSON: logRetention, photoRetention | plain | 2102"},
    {"/6080", display_get, "Reads the video outputs, audio outputs, device name and number | none | JSON | none"},
    {"/6081", display_set, "Writes the video outputs, audio outputs, device name and number | JSON: mainResolution, subResolution, subEnable, audioOutputOn, audioVolume, audioStereo, hdmiAudioOn, homologous, isHomologousChanged, hostname, deviceId, wizardEnable, displayMode, hdmihotplug, streamInfo | plain (OK, or SUB when the sub output has control; no reply for bad input) | 1023, 1705, 1702, 1001, 1015, 1002, 3485, 1703"},
    {"/json", page_text, "Reads one page's texts from a language file | query: lang, page, sub | JSON (ERROR PAGE. or ERROR LANG. as plain text) | none"},
    {"/1001", languages_set, "Replaces the list of languages | text: the new list | plain (OK; ERROR for an empty list) | none"},
    {"/1019", upload_ignored, "Takes an upload and answers nothing | upload: any file | plain (nothing written) | none"},
    {"/vb.htm", service_command, "Runs a service command: language, display options, factory look, identity chip, software version | text: name=value (or oemclean, softversion alone) | plain (OK, the command's answer, ERROR or PARAM ERROR) | 4000"},
    {"/oem", oem_package, "Installs a customised firmware package (Base64 of the AES-encrypted zip) | upload: package file (query aes=KEY) | plain (OK or ERROR) | none"},
    {"/dw.cgi", download_refused, "Refuses the old download page | none | plain (NG download) | none"},
    {"/6300", access_filter_read, "Reads the client address filter | none | JSON | none"},
    {"/6301", access_filter_write, "Sets the client address filter | JSON: filterEnable, filterType, filterList (address_type, address) | plain | 1722"},
    {"/6310", diagnostic_collect, "Has the core daemon write a diagnostic package | none | plain (OK/path or Failed) | 3528 wait"},
    {"/6311", diagnostic_download, "Downloads the diagnostic package once and removes it | text: the path \"/6310\" gave | download | none"},
    {"/6320", audio_list, "Lists the alarm audio clips | none | JSON | 4012 wait"},
    {"/6321", audio_upload, "Takes an uploaded WAV clip under its encoded name | upload: WAV file | plain (status and encoded name) | none"},
    {"/6322", audio_add, "Adds an uploaded clip under a display name | JSON: uploadName, name | JSON | 4013 wait, 3485"},
    {"/6323", audio_delete, "Deletes audio clips | JSON: idMask | JSON | 4014 wait, 3485"},
    {"/6324", audio_rename, "Renames an audio clip | JSON: id, name | JSON | 4015 wait, 3485"},
    {"/6325", audio_play, "Plays an audio clip | JSON: id | JSON | 4016 wait"},
};

NVR_MODULE(system, kModSystem, kSystemTable)
