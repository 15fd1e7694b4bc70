// Status module ("/8000" table).
#include "front/webreq.h"
#include "handlers/storage/storage.h"

static const WebReqEntry kStatusTable[] = {
    {"/8010", groups_get, "Reads the disk groups | none | JSON | none"},
};

NVR_MODULE(status, kModStatus, kStatusTable)
