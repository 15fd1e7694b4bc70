// Alarm inputs and outputs module: the "/6020" request table.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/event/alarm.h"

static const WebReqEntry kAlarmTable[] = {
    {"/6020", alarm_outs_list, "Lists the recorder's alarm outputs | none | JSON"
     " [{id:i, name:s, type:i, enable:i, durationTime:i}]"
     " | none"},
    {"/6021", alarm_out_get, "Reads one recorder alarm output with its schedule | JSON: alarmId:i(0..3) | JSON"
     " {id:i, name:s, type:i, enable:i, durationTime:i, effective:[[{startTime:s, endTime:s, "
     "actionType:i}]]}"
     " | none"},
    {"/6022", alarm_out_set,
     "Writes a recorder alarm output and copies it to other outputs | JSON: alarmId:i(0..3), dialog:{...}, name:s(255), "
     "enable:i, type:i, "
     "durationTime:i, copyCnt:i, copyChn:[i] | plain | 1405, 3509"},
    {"/6060", alarm_ins_list, "Lists the recorder's alarm inputs (older page) | none | JSON"
     " [{id:i, enable:i, name:s, type:i, triChannels:s, triAlarms:i}]"
     " | none"},
    {"/6061", alarm_in_schedule_get,
     "Reads one recorder alarm input and its schedule (older page) | decimal: alarm-input id | JSON"
     " {alarm:{id:i, enable:i, name:s, type:i, triChannels:s, triAlarms:i, interval:i, "
     "triSnapshot:s}, schedule:[[{startTime:s, endTime:s, actionType:i}]]}"
     " | none"},
    {"/6062", alarm_in_schedule_set,
     "Writes a recorder alarm input and its schedule (older page) | JSON: alarm:{id:i(0..15), name:s(255), enable:i(0..2), type:i(0..1), triChannels:s(64), triAlarms:i(0..2147483647), "
     "interval:i(0..2147483647), ...}, "
     "schedule:[[*]] | plain | 1404, 3485"},
    {"/6063", alarm_in_name_set,
     "Sets a recorder alarm input's name, type and enable (older page) | JSON: alarm:{camId:i(0..15), "
     "name:s(255), type:i(0..1), enable:i(0..2), ...} | plain | 1404, 3485"},
    {"/6064", alarm_in_triggers_set,
     "Sets a recorder alarm input's trigger channels, outputs and interval (older page) | JSON: alarm:{id:i(0..15), name:s(255), enable:i(0..2), type:i(0..1), triChannels:s(64), triAlarms:i(0..2147483647), "
     "interval:i(0..2147483647), ...} | plain | "
     "1404, 3485"},
    {"/6023", alarm_out_manual, "Switches a recorder alarm output by hand | JSON: id:i(0..3), enable:i | plain | 1409, 3485"},
    {"/6032", alarm_out_names, "Lists the names of the recorder's and the cameras' alarm outputs | none | JSON"
     " {nvr:[s], camera:[[s]]}"
     " | none"},
    {"/6024", camera_ins_get,
     "Reads a camera's alarm inputs: live state, names and actions | JSON: chnid:i(0..63) | JSON"
     " {chnid:i, alarmCnt:i, alarm:[{alarmEnable:i, alarmType:i, alarmStatus:i, alarmName:s, "
     "effective:[[{startTime:s, endTime:s, actionType:i}]], audible:[[{startTime:s, endTime:s, "
     "actionType:i}]], interval:i, audioId:i, audioIdMask:i, email:[[{startTime:s, endTime:s, "
     "actionType:i}]], email_interval:i, email_pic_enable:i, tri_channels_pic:s, ptz:[[{startTime:s, "
     "endTime:s, actionType:i}]], ptz_interval:i, ptzParams:[*], alarmout_interval:i, triAlarms:i, "
     "triChannels:s, triChnAlarms:[s], white:[[{startTime:s, endTime:s, actionType:i}]], "
     "whiteInfo:[*], white_interval:i}]}"
     " | 3298 wait"},
    {"/6025", camera_ins_set,
     "Writes a camera's alarm inputs, their actions and names, and copies them to other channels | JSON: chnid:i(0..63), "
     "alarmId:i(0..1), dialog:{...}, alarmCnt:i, alarm:[{...}], copyCnt:i, copyChn:[i] | plain | 3325, 1417"},
    {"/6026", alarm_in_get, "Reads one recorder alarm input with its actions | JSON: alarmId:i(0..15) | JSON"
     " {alarmId:i, name:s, alarmType:i, enable:i, triAlarms:i, interval:i, email_interval:i, "
     "email_pic_enable:i, tri_channels_pic:s, ptz_interval:i, alarmout_interval:i, triChannels:s, "
     "triSnapshot:s, effective:[[{startTime:s, endTime:s, actionType:i}]], audible:[[{startTime:s, "
     "endTime:s, actionType:i}]], email:[[{startTime:s, endTime:s, actionType:i}]], "
     "ptz:[[{startTime:s, endTime:s, actionType:i}]], triChnAlarms:[s], white:[[{startTime:s, "
     "endTime:s, actionType:i}]], whiteInfo:[{chnid:i, mode:i, time:i}], white_interval:i, audioId:i, "
     "audioIdMask:i, ptzParams:[{acto_ptz_channel:i, acto_ptz_type:i, acto_ptz_preset:i, "
     "acto_ptz_patrol:i}]}"
     " | none"},
    {"/6027", alarm_in_set,
     "Writes a recorder alarm input and its actions, and copies them to other inputs | JSON: alarmId:i(0..15), alarmType:i, "
     "name:s(255), dialog:{...}, copyCnt:i, copyChn:[i] | plain | 1415"},
    {"/6028", camera_outs_get,
     "Reads a camera's two alarm outputs: live state, names, delays and schedules | JSON: chnid:i(0..63) | JSON"
     " {chnid:i, alarmCnt:i, alarm:[{alarmType:i, alarmStatus:i, alarmName:s, delayTime:i, "
     "effective:[[{startTime:s, endTime:s, actionType:i}]]}]}"
     " | 3296 wait"},
    {"/6029", camera_outs_set,
     "Writes a camera's alarm outputs and their schedule, and copies them to other channels | JSON: chnid:i(0..63), "
     "alarmId:i(0..1), "
     "dialog:{...}, alarmCnt:i, alarm:[{...}], copyCnt:i, copyChn:[i] | plain | 3324, 1418"},
    {"/6033", camera_out_trigger, "Switches a camera's alarm output | JSON: chnid:i(0..63), alarmId:i(0..1), "
     "state:i | plain | 3352"},
    {"/6034", alarm_in_names, "Lists the names of the recorder's and the cameras' alarm inputs | none | JSON"
     " {nvr:[s], camera:[[s]]}"
     " | none"},
};

NVR_MODULE(alarm, kModAlarm, kAlarmTable)
