// Handlers and reply formatters of the camera module ("/2001" table).
#pragma once

#include "platform/kxsocket.h"

// Channel management.
int camera_list(const char* request);          // "/2001"
int camera_status_list(const char* request);   // "/2007", the same list
int camera_read(const char* request);          // "/2000"
int camera_edit(const char* request);          // "/2003"
int camera_add(const char* request);           // "/2004"
int camera_clear(const char* request);         // "/2005"
int camera_names(const char* request);         // "/2012"
int camera_login_change(const char* request);  // "/2017"

// Searching, addresses, login tests, protocols and PoE.
int camera_search(const char* request);        // "/2006"
int camera_protocols(const char* request);     // "/2008"
int camera_ip_change(const char* request);     // "/2011"
int camera_ip_change_many(const char* request);  // "/2032"
int camera_login_test(const char* request);    // "/2014"
int camera_login_test2(const char* request);   // "/2015"
int camera_poe_password(const char* request);  // "/2016"
int camera_poe_ports(const char* request);     // "/2018"

// Operation-log entry of a camera change (sub type 204 edit, 210 add, 211
// clear); with the detail block of a parameter type 901 or 903.
struct CameraRecord;
void camera_send_log(int sub_type, int param_type, const CameraRecord& cam, bool with_detail);

// Streams and encoding.
int stream_caps_get(const char* request);      // "/2009"
int stream_set(const char* request);           // "/2010"
int stream_set_many(const char* request);      // "/2030"
int stream_transport_set(const char* request); // "/2031"
int stream_query(const char* request);         // "/2053"
int watermark_get(const char* request);        // "/2058"
int watermark_set(const char* request);        // "/2059"
int third_stream_get(const char* request);     // "/2060"
int third_stream_set(const char* request);     // "/2061"

// Image and ISP settings.
int image_get(const char* request);            // "/2019"
int image_set(const char* request);            // "/2020"
int day_night_get(const char* request);        // "/2021"
int day_night_set(const char* request);        // "/2022"
int camera_param_get(const char* request);     // "/2023"
int camera_param_set(const char* request);     // "/2024"
int image_profiles_get(const char* request);   // "/2037"
int image_profile_set(const char* request);    // "/2038"
int image_areas_get(const char* request);      // "/2039"
int image_areas_set(const char* request);      // "/2040"
int image_schedule_get(const char* request);           // "/2041"
int image_schedule_set(const char* request);           // "/2042"
int image_exposure_schedule_get(const char* request);  // "/2043"
int image_exposure_schedule_set(const char* request);  // "/2044"
int image_schedule2_get(const char* request);          // "/2045"
int image_schedule2_set(const char* request);          // "/2046"
int image_profiles_set_many(const char* request);      // "/2047"
int exposure_table_set(const char* request);   // "/2048"
int exposure_table_get(const char* request);   // "/2049"
int image_area_clear(const char* request);     // "/2050"
int night_mode_get(const char* request);       // "/2062"

// The recorder's OSD, the camera's OSD and the privacy masks ("/6000"
// table).
int osd_get(const char* request);              // "/6000"
int osd_set(const char* request);              // "/6001"
int osd_rename(const char* request);           // "/6002"
int privacy_masks_get(const char* request);    // "/6018"
int privacy_masks_send(const char* request);   // "/6019"
int camera_osd_set(const char* request);       // "/6996"
int camera_osd_get(const char* request);       // "/6997"

// Reply formatters, each asked for by its handler (see core_ask) with the
// reply code it answers. The one-integer replies of "/2059" and "/2061" are
// core_reply_int's.
int camera_list_reply(const KxFrameHeader* header, const void* payload);
int camera_search_reply(const KxFrameHeader* header, const void* payload);
int camera_login_test_reply(const KxFrameHeader* header, const void* payload);
int camera_ip_change_reply(const KxFrameHeader* header, const void* payload);
int camera_login_test2_reply(const KxFrameHeader* header, const void* payload);
int stream_caps_reply(const KxFrameHeader* header, const void* payload);
// Context: the error form of the request ("/2010" plain text, "/2030" JSON).
int stream_set_reply(const int& error_kind, const KxFrameHeader* header, const void* payload);
int stream_query_reply(const KxFrameHeader* header, const void* payload);
int watermark_get_reply(const KxFrameHeader* header, const void* payload);
int third_stream_get_reply(const KxFrameHeader* header, const void* payload);
int image_get_reply(const KxFrameHeader* header, const void* payload);
int day_night_get_reply(const KxFrameHeader* header, const void* payload);
int day_night_set_reply(const KxFrameHeader* header, const void* payload);
int camera_param_get_reply(const KxFrameHeader* header, const void* payload);
int camera_param_set_reply(const KxFrameHeader* header, const void* payload);
int image_areas_get_reply(const KxFrameHeader* header, const void* payload);
// 10 plans a day for "/2041" (8273), 12 for "/2045" (8277).
int image_schedule_get_reply(const KxFrameHeader* header, const void* payload);
int image_exposure_schedule_get_reply(const KxFrameHeader* header, const void* payload);
int image_profiles_get_reply(const KxFrameHeader* header, const void* payload);
int night_mode_get_reply(const KxFrameHeader* header, const void* payload);
int camera_osd_set_reply(const KxFrameHeader* header, const void* payload);
int camera_osd_get_reply(const KxFrameHeader* header, const void* payload);
