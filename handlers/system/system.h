// Handlers and reply formatters of the system module ("/1000" table).
#pragma once

#include <atomic>

#include "platform/kxsocket.h"

// Login and session.
int login(const char* request);            // "/1000"
int logout(const char* request);           // "/1014"
int page_check(const char* request);       // "/1018"
int permission_reset(const char* request); // "/1024"

// User accounts.
int user_list(const char* request);        // "/6070"
int user_add(const char* request);         // "/6071"
int user_edit(const char* request);        // "/6072"
int user_delete(const char* request);      // "/6073"
int user_list_oem(const char* request);    // "/6074"
int user_changed(const char* request);     // "/6077"

// Reboot, factory reset and the settings profile.
int system_reboot(const char* request);     // "/1004"
int core_check(const char* request);        // "/1005"
int factory_reset(const char* request);     // "/1006"
int profile_export(const char* request);    // "/1007"
int profile_import(const char* request);    // "/1008"
int profile_download(const char* request);  // "/1013"
// Sends an operation-log record of maintenance (parameter type 900).
void maintenance_log(int sub_type);
// Logs the reboot (200) and tells the core daemon to reboot (1703).
void maintenance_reboot();

// Firmware upgrades of the recorder and of the cameras.
int firmware_upload(const char* request);         // "/1010"
int firmware_present(const char* request);        // "/1011"
int camera_firmware_upload(const char* request);  // "/6082"
int camera_upgrade(const char* request);          // "/6083"
int camera_firmware_remove(const char* request);  // "/6084"
int online_download(const char* request);         // "/6085"
int online_cancel(const char* request);           // "/6086"
int online_info(const char* request);             // "/6087"
int online_upgrade(const char* request);          // "/6088"
int camera_firmware_check(const char* request);   // "/6089"

// Device log: search, export, entries, type catalogue, keeping times.
int log_search(const char* request);           // "/1002"
int log_export(const char* request);           // "/1003"
int log_catalogue(const char* request);        // "/1015"
int log_retention_read(const char* request);   // "/1016"
int log_retention_write(const char* request);  // "/1017"
int log_add(const char* request);              // "/1021"
int log_export_running(const char* request);   // "/1022"

// Service commands, customised firmware package and fixed answers.
int service_command(const char* request);   // "/vb.htm"
int oem_package(const char* request);       // "/oem"
int download_refused(const char* request);  // "/dw.cgi"
int upload_ignored(const char* request);    // "/1019"

// Address filter and diagnostic package.
int access_filter_read(const char* request);   // "/6300"
int access_filter_write(const char* request);  // "/6301"
int diagnostic_collect(const char* request);   // "/6310"
int diagnostic_download(const char* request);  // "/6311"

// Alarm audio clips.
int audio_list(const char* request);    // "/6320"
int audio_upload(const char* request);  // "/6321"
int audio_add(const char* request);     // "/6322"
int audio_delete(const char* request);  // "/6323"
int audio_rename(const char* request);  // "/6324"
int audio_play(const char* request);    // "/6325"

// Reply formatters, each asked for by its handler (see core_ask) with the
// reply codes it answers.
int page_check_reply(const KxFrameHeader* header, const void* payload);
// Context of the upgrade order: the status its reply carried.
struct UpgradeAsk {
    std::atomic<int> status{0};
};
int upgrade_reply(UpgradeAsk& ask, const KxFrameHeader* header, const void* payload);
int online_info_reply(const KxFrameHeader* header, const void* payload);
int firmware_result_reply(const KxFrameHeader* header, const void* payload);
int camera_upgrade_reply(const KxFrameHeader* header, const void* payload);
int camera_check_reply(const KxFrameHeader* header, const void* payload);
// Context of a log search: the language of the texts and the page asked for.
struct LogSearchAsk {
    char language[32];
    int page;
};
int log_search_reply(const LogSearchAsk& ask, const KxFrameHeader* header, const void* payload);
// Context of a log export: the language, the main type naming the file, and
// who writes the reply (the formatter once it streams, or the handler once
// its wait is over without an answer).
struct LogExportAsk {
    enum Owner { kOpen = 0, kStreaming = 1, kGivenUp = 2 };
    char language[32] = {};
    u32 main_type = 0;
    std::atomic<int> owner{kOpen};
};
int log_export_reply(LogExportAsk& ask, const KxFrameHeader* header, const void* payload);
int log_add_reply(const KxFrameHeader* header, const void* payload);
int diagnostic_reply(const KxFrameHeader* header, const void* payload);
int audio_list_reply(const KxFrameHeader* header, const void* payload);
int audio_status_reply(const KxFrameHeader* header, const void* payload);
