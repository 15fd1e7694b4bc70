// Handlers of the local display settings and of the pages' language texts
// (rows of the "/1000" table).
#pragma once

// Display settings.
int display_get(const char* request);  // "/6080"
int display_set(const char* request);  // "/6081"

// Language files of the web pages.
int page_text(const char* request);      // "/json"
int languages_set(const char* request);  // "/1001"

// The directory of the language files (a fixed path, resolved under NVR_ROOT).
constexpr const char* kLanguageDir = "/opt/app/www/webfile/json";
