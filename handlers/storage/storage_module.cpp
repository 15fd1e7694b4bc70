// Storage module ("/6100" table).
#include "front/webreq.h"

NVR_MODULE_EMPTY(storage, kModStorage)
