// Video features and events module ("/6000" table).
#include "front/webreq.h"

NVR_MODULE_EMPTY(video, kModVideo)
