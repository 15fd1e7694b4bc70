// Status module: the "/8000" request table.
#include "common/core.h"
#include "front/webreq.h"
#include "handlers/status/status.h"
#include "handlers/storage/storage.h"

static const WebReqEntry kStatusTable[] = {
    {"/8000", status_interfaces, "Lists the network interfaces with their addresses and link state | none | JSON"
     " {netif:[{ifname:s, id:i, state:i, speedMode:i, duplex:i, enable:i, dhcpEnable:i, ipAddr:s, "
     "MAC:s, primaryDNS:s, secondDNS:s, gateway:s, netmask:s, mtu:i, ip6mode:i, ip6address:s, "
     "ip6prefix:i, ip6gateway:s}]}"
     " | 3301 wait"},
    {"/8001", status_traffic, "Reads each network interface's receive and send speed | none | JSON"
     " {netif:[{id:i, ifname:s, RxSpeed:i, TxSpeed:i}]}"
     " | 3302 wait"},
    {"/8002", status_channels, "Lists every channel with its camera, stream figures, "
     "recording and alarm state | none | JSON"
     " {IPC:[{id:i, name:s, enable:i, ipAddr:s, recordOn:s|i, alarmOn:s|i, main:{res:s|{width:i, "
     "height:i}, framerate:s|i, bitrate:s|i, connection:s|i, connectStatus?:i}, sub:{res:s|{width:i, "
     "height:i}, framerate:s|i, bitrate:s|i, connection:s|i, connectStatus?:i}}]}"
     " | 3300 wait"},
    {"/8003", status_events, "Lists the active events of every channel and the recorder's alarm inputs and outputs "
     "| none | JSON"
     " {cameras:[{id:i, name:s, ipAddr:s, videolossOn:i, motionOn:i, ioOn:i, entrance:i, exiting:i, "
     "advancedMotion:i, tampering:i, lineCrossing:i, loitering:i, humanDetection:i, "
     "objectleftremove:i, in:i, out:i, AlarmInName0:s, AlarmInType0:i, AlarmInState0:i, "
     "AlarmOutName0:s, AlarmOutDelay0:i, AlarmOutType0:i, AlarmOutState0:i, AlarmInName1:s, "
     "AlarmInType1:i, AlarmInState1:i, AlarmOutName1:s, AlarmOutDelay1:i, AlarmOutType1:i, "
     "AlarmOutState1:i}], alarmIn:[{id:i, name:s, type:i, state:i}], alarmOut:[{id:i, name:s, type:i, "
     "duration:i, state:i}]}"
     " | 3305 wait"},
    {"/8004", status_none, "Kept for the status page; answers nothing | none | plain (no output at all) | none"},
    {"/8005", capture_start, "Starts a packet capture on one of the recorder's interfaces (at most 2 files of 25 "
     "MB, 5 minutes) | JSON: ip:s(63), port:s(5), nic:s(7), mntPath:s(127) | JSON (dirPath and fileName)"
     " {dirPath:s, fileName:s}"
     " | none"},
    {"/8006", capture_stop, "Stops the packet capture | none | plain | none"},
    {"/8007", capture_download, "Sends the capture files as one tar archive and removes them | text: capture "
     "directory, \"/\" and file name | download (packet.tar) | none"},
    {"/8008", status_disk_space, "Reads the total, free and used recording space | none | JSON"
     " {total:i, free:i, used:i}"
     " | 3306 wait"},
    {"/8009", status_support, "Tells which channels support the camera feature and of which type | none | JSON"
     " {support:s, type:s}"
     " | 3263 wait"},
    {"/8010", groups_get, "Reads the disk groups | none | JSON"
     " {channel:[s], disk:[i], max_chan:i, group_enable:i}"
     " | none"},
    {"/8011", status_users, "Lists the users logged in | none | JSON"
     " [{userName:s, userLevel:i, ipaddr:s, loginTime:s}]"
     " | 1719 wait"},
};

NVR_MODULE(status, kModStatus, kStatusTable)
