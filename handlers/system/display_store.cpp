// Store calls of the display record.
#include "handlers/system/display_records.h"

int read_display(const char* db, DisplayRecord* out) { return store_read(db, kDisplayKind, 0, out); }

int write_display(const char* db, const DisplayRecord& record) { return store_write(db, kDisplayKind, 0, record); }
