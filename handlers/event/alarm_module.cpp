// Alarm inputs and outputs module ("/6020" table).
#include "front/webreq.h"

NVR_MODULE_EMPTY(alarm, kModAlarm)
