// Handlers and reply formatters of the ways into the recorder from outside,
// in the network module ("/7000" table): the HTTPS certificate, the P2P
// cloud service and the SNMP agent.
#pragma once

#include "platform/kxsocket.h"

// HTTPS certificate.
int ssl_create(const char* request);          // "/7080"
int ssl_cert_state(const char* request);      // "/7081"
int ssl_request_download(const char* request);  // "/7082"
int ssl_reload(const char* request);          // "/7083"
int ssl_install(const char* request);         // "/7084"
int ssl_delete(const char* request);          // "/7085"
int https_switch(const char* request);        // "/7086"
int https_switch_read(const char* request);   // "/7087"
int ssl_request_state(const char* request);   // "/7089"

// P2P cloud service.
int p2p_state(const char* request);       // "/7060"
int p2p_switch(const char* request);      // "/7061"
int p2p_register(const char* request);    // "/7062"
int p2p_addr_check(const char* request);  // "/7070"
int p2p_dev_addr_check(const char* request);  // "/7071"

// SNMP agent.
int snmp_read(const char* request);    // "/7090"
int snmp_write(const char* request);   // "/7091"
int snmp_status(const char* request);  // "/7094"
int snmp_check(const char* request);   // "/7095"

// Reply formatters, each asked for by its handler (see core_ask) with the
// reply codes it answers.
int ssl_create_reply(const KxFrameHeader* header, const void* payload);
int ssl_install_reply(const KxFrameHeader* header, const void* payload);
int p2p_enable_reply(const KxFrameHeader* header, const void* payload);
int p2p_disable_reply(const KxFrameHeader* header, const void* payload);
int p2p_state_reply(const KxFrameHeader* header, const void* payload);
int p2p_check_reply(const KxFrameHeader* header, const void* payload);
int snmp_check_reply(const KxFrameHeader* header, const void* payload);
