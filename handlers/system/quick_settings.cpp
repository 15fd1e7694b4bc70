// Quick settings module ("/3300" table).
#include "front/webreq.h"

NVR_MODULE_EMPTY(quick, kModQuick)
