// Recording module: holidays, record schedules, modes and settings: the
// "/6030" request table.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/record/record.h"

static const WebReqEntry kRecordTable[] = {
    {"/6030", holidays_get, "Lists the holidays | none | JSON"
     " {holidays:[{id:i, enable:i, name:s, type:i, startYear:i, startMon:i, startMDay:i, "
     "startMWeek:i, startWDay:i, endYear:i, endMon:i, endMDay:i, endMWeek:i, endWDay:i}]}"
     " | none"},
    {"/6031", holiday_set,
     "Writes one holiday | JSON: id:i(0..31), enable:i(0..1), name:s(255), type:i(0..2147483647), "
     "startYear:i, startMon:i, startMDay:i, startMWeek:i, startWDay:i, "
     "endYear:i, endMon:i, endMDay:i, endMWeek:i, endWDay:i | plain (OK; nothing on bad input) | 1401, 3485"},
    {"/6040", record_schedule_get,
     "Reads a channel's weekly record schedule | decimal: channel id | JSON (nothing outside 0..63)"
     " {id:i, schedule:[{wholedayEnable:i, wholedayActionType:i, plans:[{startTime:s, endTime:s, "
     "actionType:i}]}]}"
     " | none"},
    {"/6041", record_schedule_set,
     "Writes one weekly record schedule and record mode to several channels | JSON: "
     "schedule:[{wholedayEnable?:i, wholedayActionType?:i, plans?:[[s(31)|i]]}], cnt:i, recordplanmode:i, chnid:[i] | "
     "plain (OK) | 1413, 1411, 3485"},
    {"/6042", record_modes_get, "Lists the record mode of every channel | none | JSON"
     " {records:[{id:i, mode:i}]}"
     " | none"},
    {"/6043", record_modes_set,
     "Writes the record modes of channels 0..n-1 | JSON: records:[{id:i(0..63), mode:i(0..2)}] | "
     "plain (OK, or ERROR for a bad element) | "
     "3485, 1407"},
    {"/6044", record_settings_get,
     "Reads a channel's record settings and camera ANR | decimal: channel id | JSON (nothing outside 0..63)"
     " {id:i, prevRecordOn:i, prevRecordDuration:i, postRecordOn:i, postRecordDuration:i, "
     "audioEnable:i, recordStreamType:i, recordExpDate:i, cameraAnr:i, camEnable:i, camProtocol:i, "
     "poeChannel:i}"
     " | "
     "none"},
    {"/6045", record_settings_set,
     "Writes record settings and camera ANR to several channels | JSON: cnt:i, chnid:[i], prevRecordOn:i(0..1), "
     "prevRecordDuration:i(0..2147483647), postRecordOn:i(0..1), postRecordDuration:i, audioEnable:i(0..1), "
     "recordStreamType:i(0..2), "
     "recordExpDate:i, camAnr:i "
     "| JSON (resp 0 or -1)"
     " {resp:i}"
     " | 1310, 3485, 2285 wait"},
    {"/6046", anr_support_get, "Asks whether a channel's camera supports ANR | decimal: channel id | JSON"
     " {chnid:i, support:i}"
     " | 2286 wait"},
    {"/6047", stream_capability_get, "Lists the streams each channel can record | none | JSON"
     " {primary:[i], secondary:[i], size:i}"
     " | 3218 wait"},
};

NVR_MODULE(record, kModRecord, kRecordTable)
