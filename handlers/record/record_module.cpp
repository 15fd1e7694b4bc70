// Record schedules module ("/6030" table).
#include "front/webreq.h"

NVR_MODULE_EMPTY(record, kModRecord)
