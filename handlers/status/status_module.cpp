// Status module ("/8000" table).
#include "front/webreq.h"

NVR_MODULE_EMPTY(status, kModStatus)
