// Network and services module ("/7000" table).
#include "front/webreq.h"

NVR_MODULE_EMPTY(network, kModNetwork)
