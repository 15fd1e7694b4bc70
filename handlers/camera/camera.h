// Handlers and reply formatters of the camera module ("/2001" table).
#pragma once

#include "platform/kxsocket.h"

// The camera module's reply callback (one formatter per reply code).
int camera_reply(void* context, const KxFrameHeader* header, const void* payload);

// Channel management.
int camera_list(const char* request);          // "/2001"
int camera_status_list(const char* request);   // "/2007", the same list
int camera_read(const char* request);          // "/2000"
int camera_edit(const char* request);          // "/2003"
int camera_add(const char* request);           // "/2004"
int camera_clear(const char* request);         // "/2005"
int camera_names(const char* request);         // "/2012"
int camera_login_change(const char* request);  // "/2017"
int camera_list_reply(const KxFrameHeader* header, const void* payload);  // 8201

// Searching, addresses, login tests, protocols and PoE.
int camera_search(const char* request);        // "/2006"
int camera_protocols(const char* request);     // "/2008"
int camera_ip_change(const char* request);     // "/2011"
int camera_ip_change_many(const char* request);  // "/2032"
int camera_login_test(const char* request);    // "/2014"
int camera_login_test2(const char* request);   // "/2015"
int camera_poe_password(const char* request);  // "/2016"
int camera_poe_ports(const char* request);     // "/2018"
int camera_search_reply(const KxFrameHeader* header, const void* payload);       // 8200
int camera_login_test_reply(const KxFrameHeader* header, const void* payload);   // 8202
int camera_ip_change_reply(const KxFrameHeader* header, const void* payload);    // 8205
int camera_login_test2_reply(const KxFrameHeader* header, const void* payload);  // 8227
