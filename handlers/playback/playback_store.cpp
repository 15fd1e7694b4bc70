// Store calls of the playback area.
#include "handlers/playback/playback_records.h"

int db_get_device(const char* db, DeviceRow* out) { return store_read(db, kDeviceKind, 0, out); }
