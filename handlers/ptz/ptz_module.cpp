// PTZ module ("/5000" table).
#include "front/webreq.h"

NVR_MODULE_EMPTY(ptz, kModPtz)
