// Live status records of the core daemon (network interfaces, traffic,
// channels, events, disk space, channel capabilities, users online) and the
// alarm rows of the store the event status names. Shared by the status
// handlers, the emulator's demo answers and the tests.
#pragma once

#include "platform/record.h"
#include "handlers/event/alarm_records.h"
#include "platform/kxdb.h"

// Queries, all without payload; each reply code is the query code + 5000.
constexpr u32 kMsgChannelStatus = 3300;    // reply 8300: ChannelStatusRecord per channel
constexpr u32 kMsgNetInterfaces = 3301;    // reply 8301: NetInterfaceStatus per interface
constexpr u32 kMsgNetTraffic = 3302;       // reply 8302: NetTrafficStatus per interface
constexpr u32 kMsgEventStatus = 3305;      // reply 8305: EventStatusRecord
constexpr u32 kMsgDiskSpace = 3306;        // reply 8306: DiskSpaceRecord
constexpr u32 kMsgChannelSupport = 3263;   // reply 8263: ChannelSupportRecord
constexpr u32 kMsgOnlineUsers = 1719;      // reply 6719: OnlineUserRecord per user
constexpr u32 kReplyChannelStatus = 8300;
constexpr u32 kReplyNetInterfaces = 8301;
constexpr u32 kReplyNetTraffic = 8302;
constexpr u32 kReplyEventStatus = 8305;
constexpr u32 kReplyDiskSpace = 8306;
constexpr u32 kReplyChannelSupport = 8263;
constexpr u32 kReplyOnlineUsers = 6719;

constexpr int kStatusChannels = 64;

// One network interface (reply 8301).
struct NetInterfaceStatus {
    char ifname[12];       //   0
    i32 id;                //  12
    i32 state;             //  16
    i32 speed_mode;        //  20
    i32 duplex;            //  24
    i32 enable;            //  28
    i32 dhcp_enable;       //  32
    char ip_addr[24];      //  36
    char mac[24];          //  60
    char primary_dns[24];  //  84
    char second_dns[24];   // 108
    char gateway[24];      // 132
    char netmask[24];      // 156
    i32 mtu;               // 180
    u8 ip6_mode;           // 184
    char ip6_address[67];  // 185
    i32 ip6_prefix;        // 252
    char ip6_gateway[64];  // 256
};
NVR_RECORD_SIZE(NetInterfaceStatus, 320);

// Traffic of one interface (reply 8302).
struct NetTrafficStatus {
    char ifname[12];  //  0
    i32 rx_speed;     // 12
    i32 tx_speed;     // 16
    i32 id;           // 20
};
NVR_RECORD_SIZE(NetTrafficStatus, 24);

// One stream of a channel.
struct StreamStatus {
    i32 width;           //  0
    i32 height;          //  4
    i32 framerate;       //  8
    i32 bitrate;         // 12
    i32 connection;      // 16
    i32 connect_status;  // 20
};
NVR_RECORD_SIZE(StreamStatus, 24);

// One channel (reply 8300); records come in ascending channel order, only
// for the channels that have a status.
struct ChannelStatusRecord {
    StreamStatus main;  //  0
    StreamStatus sub;   // 24
    i32 record_on;      // 48
    i32 alarm_on;       // 52
    i32 chnid;          // 56
    u8 unused[4];       // 60
};
NVR_RECORD_SIZE(ChannelStatusRecord, 64);

// People counted in and out on one channel.
struct ChannelCount {
    i32 in;   // 0
    i32 out;  // 4
};
NVR_RECORD_SIZE(ChannelCount, 8);

// Which events and alarms are active (reply 8305; only the first record is
// used). Masks: bit i for channel i; the recorder's own alarm words: bit j
// for input or output j.
struct EventStatusRecord {
    u64 video_loss;                        //   0
    u64 motion;                            //   8
    u32 alarm_outs;                        //  16
    u32 alarm_ins;                         //  20
    u64 region_entrance;                   //  24
    u64 region_exit;                       //  32
    u64 advanced_motion;                   //  40
    u64 tampering;                         //  48
    u64 line_crossing;                     //  56
    u64 loitering;                         //  64
    u64 human_detection;                   //  72
    u64 object_left_removed;               //  80
    ChannelCount counts[kStatusChannels];  //  88
    u64 camera_in_state[kCameraAlarms];    // 600
    u64 camera_out_state[kCameraAlarms];   // 616
    u64 camera_in_type[kCameraAlarms];     // 632
    u64 camera_out_type[kCameraAlarms];    // 648
};
NVR_RECORD_SIZE(EventStatusRecord, 664);

// Recording space (reply 8306), in the core daemon's unit (MiB).
struct DiskSpaceRecord {
    i32 total;  // 0
    i32 free;   // 4
    i32 used;   // 8
};
NVR_RECORD_SIZE(DiskSpaceRecord, 12);

// One channel's capability entry.
struct ChannelSupportEntry {
    i32 word0;      //  0
    i32 supported;  //  4  1 when the feature is supported
    i32 type;       //  8  1 or 2
    u8 more[32];    // 12
};
NVR_RECORD_SIZE(ChannelSupportEntry, 44);

// Every channel's capability (reply 8263): entry i for channel i.
struct ChannelSupportRecord {
    ChannelSupportEntry channels[kStatusChannels];  // 0
};
NVR_RECORD_SIZE(ChannelSupportRecord, 2816);

// One user logged in (reply 6719).
struct OnlineUserRecord {
    char user_name[64];   //   0
    i32 user_level;       //  64
    char ipaddr[64];      //  68
    char login_time[32];  // 132
};
NVR_RECORD_SIZE(OnlineUserRecord, 164);

// The alarm rows the event status reads are the event area's own
// (handlers/event/alarm_records.h).
