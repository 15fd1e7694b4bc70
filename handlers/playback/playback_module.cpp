// Playback module ("/4000" table).
#include "front/webreq.h"

NVR_MODULE_EMPTY(playback, kModPlayback)
