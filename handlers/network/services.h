// Handlers and reply formatters of the network services in the network
// module ("/7000" table): PPPoE, DDNS, e-mail, multicast, the service ports,
// channel access and push messages.
#pragma once

#include "platform/kxsocket.h"

// PPPoE, DDNS, e-mail and multicast.
int pppoe_read(const char* request);       // "/7010"
int pppoe_write(const char* request);      // "/7011"
int ddns_read(const char* request);        // "/7020"
int ddns_write(const char* request);       // "/7021"
int email_read(const char* request);       // "/7030"
int email_write(const char* request);      // "/7031"
int email_test(const char* request);       // "/7032"
int multicast_read(const char* request);   // "/7033"
int multicast_write(const char* request);  // "/7034"

// Service ports, channel access and push messages.
int service_ports_read(const char* request);   // "/7050"
int service_ports_write(const char* request);  // "/7051"
int channel_access_read(const char* request);  // "/7092"
int poe_ports_read(const char* request);       // "/7093"

// Reply formatters, each asked for by its handler (see core_ask) with the
// reply codes it answers.
int email_test_reply(const KxFrameHeader* header, const void* payload);
