// Store calls of the trigger-alarm row.
#include <cstring>

#include "handlers/camera/maintenance_records.h"

int read_trigger_alarms(const char* db, TriggerAlarmRecord* row)
{
    if (!row) return -1;
    return store_read(db, kTriggerAlarmKind, 0, row);
}

int write_trigger_alarms(const char* db, const TriggerAlarmRecord* row)
{
    if (!row) return -1;
    return store_write(db, kTriggerAlarmKind, 0, *row);
}
