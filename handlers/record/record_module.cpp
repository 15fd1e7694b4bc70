// Recording module: record schedules and modes ("/6030" table).
#include "front/webreq.h"
#include "handlers/record/record.h"

static const WebReqEntry kRecordTable[] = {
    {"/6040", record_schedule_get},
    {"/6041", record_schedule_set},
    {"/6042", record_modes_get},
    {"/6043", record_modes_set},
};

NVR_MODULE(record, kModRecord, kRecordTable)
