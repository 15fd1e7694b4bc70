// Handlers and reply formatters of the system module ("/1000" table).
#pragma once

#include "platform/kxsocket.h"

// The system module's reply callback (one formatter per reply code).
int system_reply(void* context, const KxFrameHeader* header, const void* payload);

// Login and session.
int login(const char* request);            // "/1000"
int logout(const char* request);           // "/1014"
int page_check(const char* request);       // "/1018"
int permission_reset(const char* request); // "/1024"
int page_check_reply(const KxFrameHeader* header, const void* payload);  // 8504

// User accounts.
int user_list(const char* request);        // "/6070"
int user_add(const char* request);         // "/6071"
int user_edit(const char* request);        // "/6072"
int user_delete(const char* request);      // "/6073"
int user_list_oem(const char* request);    // "/6074"
int user_changed(const char* request);     // "/6077"
