// A camera's image processing: image settings, day-night and lens settings,
// single camera parameters, timed image profiles, image areas, week
// schedules of image settings (records exchanged with the core daemon) and
// the exposure table (kept in the store). Shared by the image handlers, the
// emulator's demo answers, the store seeds and the tests.
#pragma once

#include "platform/record.h"
#include "platform/kxdb.h"
#include "handlers/shared/schedule.h"  // kScheduleDays (0..6 are used), kSchedulePlans

constexpr int kChannelListSize = 64;    // channel ids of a multi-channel message
constexpr int kImageProfiles = 7;       // timed image profiles of a channel
constexpr int kImageAreas = 16;         // image areas of a channel
constexpr int kScheduleWeekDays = 7;
constexpr int kScheduleWritePlans = 10; // plans per day a write fills
constexpr int kExposurePairs = 140;     // exposure table of a channel

// ---- core daemon records ----

// Image settings (the block of reply 8221 and message 3280).
struct ImageSettingsBlock {
    i32 smartir;                  //   0
    i32 whiteblance;              //   4
    i32 focusmode;                //   8
    i32 antiblurry;               //  12
    i32 wdrenable;                //  16
    i32 wdrlevel;                 //  20
    i32 wdrstarthour;             //  24
    i32 wdrstartminute;           //  28
    i32 wdrstophour;              //  32
    i32 wdrstopminute;            //  36
    i32 regiontype;               //  40
    i32 hlcmode;                  //  44
    i32 exclude;                  //  48
    i32 exposemode;               //  52
    char exposeregion[64];        //  56
    i32 model_type;               // 120  written only
    i32 imageschemode;            // 124
    i32 hlcday;                   // 128
    i32 hlcnight;                 // 132
    i32 redgain;                  // 136
    i32 bluegain;                 // 140
    i32 defogmode;                // 144
    i32 defoglevel;               // 148
    i32 dismode;                  // 152  read only
    i32 exposetime;               // 156
    i32 exposegain;               // 160
    i32 aflevel;                  // 164  "wdraflevel" when read
    i32 hlclevel;                 // 168
    i32 exposurectrl;             // 172  read only
    i32 enblur;                   // 176
    i32 deblur;                   // 180
    char sdkversion[32];          // 184  read only
    i32 lens_type;                // 216
    i32 reduce_video_stuttering;  // 220
};
NVR_RECORD_SIZE(ImageSettingsBlock, 224);

// A channel's image settings (reply 8221).
struct ImageSettingsReply {
    i32 id;                    // 0
    ImageSettingsBlock block;  // 4
};
NVR_RECORD_SIZE(ImageSettingsReply, 228);

// Image settings for several channels (message 3280).
struct ImageSettingsMessage {
    i32 channel[kChannelListSize];  //   0  -1 for unused places
    ImageSettingsBlock block;       // 256
};
NVR_RECORD_SIZE(ImageSettingsMessage, 480);

// Day-night and lens settings (reply 8223, message 3224). Fields a write
// does not carry are zero in the message.
struct DayNightRecord {
    i32 id;                         //   0
    i32 colorkiller;                //   4
    i32 modestarthour;              //   8
    i32 modestartminute;            //  12
    i32 modestophour;               //  16
    i32 modestopminute;             //  20
    i32 exposurectrl;               //  24
    i32 lighttype;                  //  28
    i32 mirctrl;                    //  32
    i32 localdisplay;               //  36
    i32 ircutaddaytonight;          //  40
    i32 ircutadnighttoday;          //  44
    i32 corridormode;               //  48
    i32 imagerotation;              //  52
    i32 save_corridor;              //  56  written only
    i32 unused0;                    //  60
    i32 smart_ir_type;              //  64
    i32 near_ir_level;              //  68
    i32 far_ir_level;               //  72
    i32 mid_ir_level;               //  76
    i32 lencorrect;                 //  80  read only, as the rest up to 300
    i32 smart_ir_math;              //  84
    i32 smart_ir_limit;             //  88
    char chipninterface[64];        //  92
    i32 near_smartir_value;         // 156
    i32 far_smartir_value;          // 160
    i32 mid_smartir_value;          // 164
    i32 len_correct_type;           // 168
    i32 fovadjust;                  // 172
    char sensortype[16];            // 176
    char productmodel[32];          // 192
    char softversion[32];           // 224
    i32 smokeddomecover;            // 256
    i32 white_led_level;            // 260  "smartwhitestrength" when read
    i32 dn_refocus;                 // 264
    char sdkversion[32];            // 268
    i32 structuretype;              // 300
    i32 keep_correct_aspect_ratio;  // 304
    i32 day_night_sens;             // 308
    i32 night_day_sens;             // 312
    i32 zoom_limit;                 // 316
};
NVR_RECORD_SIZE(DayNightRecord, 320);

// One named camera parameter to read or write (messages 3225, 3226).
struct CameraParamRecord {
    i32 id;              //   0  channel
    char pagename[64];   //   4
    char httpname[64];   //  68
    char key[128];       // 132
    char value[128];     // 260  zero for a read
    u8 zero[4];          // 388
};
NVR_RECORD_SIZE(CameraParamRecord, 392);

// The parameter as the camera reports it (reply 8225).
struct CameraParamReply {
    i32 id;              //   0
    i32 unused;          //   4
    char pagename[64];   //   8
    char httpname[64];   //  72
    char key[128];       // 136
    char value[128];     // 264
};
NVR_RECORD_SIZE(CameraParamReply, 392);

// One timed image profile.
struct ImageProfile {
    i32 set;              //  0  1 for a profile a message sets
    i32 enable;           //  4
    i32 start_hour;       //  8
    i32 start_minute;     // 12
    i32 end_hour;         // 16
    i32 end_minute;       // 20
    i32 exposure_level;   // 24
    i32 min_shutter;      // 28
    i32 max_shutter;      // 32
    i32 gain_level;       // 36
    i32 ir_cut_latency;   // 40
    i32 ir_cut_state;     // 44
    i32 ir_led_state;     // 48
    i32 color_mode;       // 52
};
NVR_RECORD_SIZE(ImageProfile, 56);

// A channel's image profiles (reply 8278).
struct ImageProfilesReply {
    ImageProfile profile[kImageProfiles];  // 0
};
NVR_RECORD_SIZE(ImageProfilesReply, 392);

// Image profiles to set on one channel (message 3279).
struct ImageProfilesMessage {
    i32 channel;                           // 0
    ImageProfile profile[kImageProfiles];  // 4
};
NVR_RECORD_SIZE(ImageProfilesMessage, 396);

// One image area.
struct ImageArea {
    i32 enable;  //  0
    i32 left;    //  4
    i32 top;     //  8
    i32 right;   // 12
    i32 bottom;  // 16
};
NVR_RECORD_SIZE(ImageArea, 20);

// A channel's image areas (reply 8271).
struct ImageAreasReply {
    i32 id;                       //  0
    i32 enable;                   //  4  the whole feature
    i32 unused;                   //  8
    char sdkversion[32];          // 12
    ImageArea area[kImageAreas];  // 44
};
NVR_RECORD_SIZE(ImageAreasReply, 364);

// Image areas for several channels (message 3288).
struct ImageAreasMessage {
    i32 channel[kChannelListSize];  //   0  packed from the start, the rest zero
    i32 enable;                     // 256
    i32 count;                      // 260  channel ids given
    ImageArea area[kImageAreas];    // 264
};
NVR_RECORD_SIZE(ImageAreasMessage, 584);

// One image area of a channel to clear (message 3284).
struct ImageAreaClear {
    i32 channel;  // 0
    i32 area;     // 4
};
NVR_RECORD_SIZE(ImageAreaClear, 8);

// A plan of an image schedule, short form.
struct ImagePlan {
    char start_time[32];  //  0  "00:00"
    char end_time[32];    // 32
    i32 action_type;      // 64
};
NVR_RECORD_SIZE(ImagePlan, 68);

// A plan with exposure, long form.
struct ImageExposurePlan {
    char start_time[32];  //  0
    char end_time[32];    // 32
    i32 action_type;      // 64
    i32 exposure_time;    // 68
    i32 gain_level;       // 72
};
NVR_RECORD_SIZE(ImageExposurePlan, 76);

struct ImagePlanDay {
    ImagePlan plan[kSchedulePlans];  //    0
    u8 unused[8];                    // 3264
};
NVR_RECORD_SIZE(ImagePlanDay, 3272);

struct ImageExposurePlanDay {
    ImageExposurePlan plan[kSchedulePlans];  // 0
};
NVR_RECORD_SIZE(ImageExposurePlanDay, 3648);

// A channel's week schedule (replies 8273, 8277; 8275 in the long form).
struct ImageScheduleReply {
    i32 id;                             // 0
    ImagePlanDay day[kScheduleDays];    // 4
};
NVR_RECORD_SIZE(ImageScheduleReply, 26180);

struct ImageExposureScheduleReply {
    i32 id;                                     // 0
    ImageExposurePlanDay day[kScheduleDays];    // 4
};
NVR_RECORD_SIZE(ImageExposureScheduleReply, 29188);

// A week schedule for several channels (messages 3281, 3283; 3282 in the
// long form). The messages are as long as the replies: of the eighth day
// only the part that fits is sent, zero.
struct ImageScheduleMessage {
    i32 channel[kChannelListSize];          //     0  -1 for unused places
    ImagePlanDay day[kScheduleWeekDays];    //   256
    u8 tail[3020];                          // 23160
};
NVR_RECORD_SIZE(ImageScheduleMessage, 26180);

struct ImageExposureScheduleMessage {
    i32 channel[kChannelListSize];                  //     0
    ImageExposurePlanDay day[kScheduleWeekDays];    //   256
    u8 tail[3396];                                  // 25792
};
NVR_RECORD_SIZE(ImageExposureScheduleMessage, 29188);

// The night mode of a channel (reply 6219).
struct NightModeReply {
    i32 channel;     // 0
    i32 night_mode;  // 4
};
NVR_RECORD_SIZE(NightModeReply, 8);

// ---- store rows ----

// One step of the exposure table.
struct ExposurePair {
    i32 exposure_time;  // 0
    i32 gain_level;     // 4
};
NVR_RECORD_SIZE(ExposurePair, 8);

// A channel's exposure table: its pairs and how many of them are in use.
struct ExposureRecord {
    i32 count;                           // 0  pairs in use, 0..140
    ExposurePair pair[kExposurePairs];   // 4
};
NVR_RECORD_SIZE(ExposureRecord, 1124);

constexpr int kMaxExposureChannels = 64;
NVR_STORE_KIND(kExposureKind, "exposure", kMaxExposureChannels, ExposureRecord);

// ---- store calls ----
// The exposure table of a channel: *count is the number of pairs in use (0
// for a channel without a table or outside 0..63); `table` receives them.
int read_exposure(const char* db, ExposurePair (&table)[kExposurePairs], int channel, int* count);
// Stores the first `count` pairs (0..140) of `table` for a channel; -1,
// nothing written, for a channel outside 0..63 or a count out of range.
int write_exposure(const char* db, const ExposurePair* table, int channel, int count);
