// Camera module ("/2001" table).
#include "front/webreq.h"

NVR_MODULE_EMPTY(camera, kModCamera)
