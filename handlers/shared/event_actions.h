// The event action model: what every event source (motion, video loss,
// alarm inputs, smart events, plates, people counting, ...) triggers, and
// the one implementation of it that all sources share.
//
// Each action kind of an event-source instance is gated by a weekly schedule
// of its own (the record-schedule structure, first 12 plans of each day).
// Beside the schedules an instance has trigger fields in its stored record,
// a white-LED schedule and list, and a PTZ action list. A source describes
// where these live with an EventSource table; the procedures below (action
// update, action reply, copy to other channels) work from that table alone.
#pragma once

#include <cstddef>

#include "common/json.h"
#include "platform/record.h"
#include "common/reply.h"
#include "handlers/shared/channel.h"
#include "handlers/shared/schedule.h"
#include "platform/kxdb.h"

constexpr int kEventChannels = kChannelCount;
constexpr int kActionPlans = 12;         // plans per day that event schedules use
constexpr int kMaskTextWidth = 65;       // channel mask text field: 64 characters and a NUL
constexpr int kWhiteLedEntries = 16;     // white-LED entries per channel
constexpr int kPtzListEntries = 64;      // entries a PTZ action list holds
constexpr int kPtzRequestEntries = 16;   // entries one request writes
constexpr int kPeoplecntPtzType = 20;    // people counting keeps a PTZ table of its own
constexpr int kMaxPtzEventType = 26;
constexpr int kAlarmAudioFiles = 10;
constexpr int kSmartEvents = 9;

constexpr int kEventLogType = 4, kEventLogSubType = 204;
constexpr u32 kMsgOpLogChannels = 3509;

// ---- records ----

// One white-LED action: the camera `chnid` lights its LED in `mode` for `time`.
struct WhiteLedEntry {
    i32 owner;  //  0  the event source's channel
    i32 chnid;  //  4
    i32 mode;   //  8
    i32 time;   // 12
};
NVR_RECORD_SIZE(WhiteLedEntry, 16);

// A channel's white-LED list as stored. The list keeps its length, so an
// entry for camera 0 with mode and time 0 is not taken for an empty slot.
struct WhiteLedList {
    i32 count;                                // 0  entries in use, 0..16
    WhiteLedEntry entries[kWhiteLedEntries];  // 4
};
NVR_RECORD_SIZE(WhiteLedList, 260);

// Names one white-LED schedule or list: the source's channel and the name
// of the source's schedule or parameter list ("motion_whiteled_esche", ...).
struct WhiteLedKey {
    i32 channel;    // 0
    char name[64];  // 4
};
NVR_RECORD_SIZE(WhiteLedKey, 68);

// One PTZ action; acto_ptz_channel 0 marks an empty entry.
struct PtzActionEntry {
    i32 source_channel;    //  0  the event source's channel
    i32 acto_ptz_channel;  //  4  the PTZ camera that acts
    i32 reserved;          //  8  always 0
    i32 acto_ptz_type;     // 12  1 preset, 2 patrol, 3 pattern
    i32 acto_ptz_preset;   // 16
    i32 acto_ptz_patrol;   // 20
    i32 acto_ptz_pattern;  // 24
};
NVR_RECORD_SIZE(PtzActionEntry, 28);

// The PTZ action list of one (PTZ event type, source channel), as stored.
struct PtzActionList {
    i32 count;                               // 0  entries stored, 0..64
    PtzActionEntry entries[kPtzListEntries]; // 4
};
NVR_RECORD_SIZE(PtzActionList, 1796);

// People counting (PTZ event type 20) keeps 16 entries per source.
struct PeoplecntPtzList {
    i32 count;                                  // 0
    PtzActionEntry entries[kPtzRequestEntries]; // 4
};
NVR_RECORD_SIZE(PeoplecntPtzList, 452);

// One of the two camera alarm-output channel texts of a request.
struct ChnAlarmEntry {
    i32 channel;                // 0
    i32 index;                  // 4  alarm output 0 or 1
    char text[kMaskTextWidth];  // 8
    u8 pad[3];                  // 73
};
NVR_RECORD_SIZE(ChnAlarmEntry, 76);

// An alarm audio clip slot; `enable` 1 marks a clip that exists.
struct AlarmAudioFile {
    i32 id;          // 0
    i32 enable;      // 4
    char name[128];  // 8  URL-safe Base64 of the display name
};
NVR_RECORD_SIZE(AlarmAudioFile, 136);

// Operation-log record of a change to several channels (message 3509): the
// usual record followed by the 64-bit mask of the channels concerned.
struct OpLogChannelsRecord {
    OpLogRecord log;  //   0
    u64 channels;     // 672  bit n: channel n, little-endian
};
NVR_RECORD_SIZE(OpLogChannelsRecord, 680);

NVR_STORE_KIND(kAlarmAudioFileKind, "alarm_audio_file", kAlarmAudioFiles, AlarmAudioFile);
NVR_STORE_KIND(kPeoplecntPtzKind, "peoplecnt_ptz_params", kEventChannels, PeoplecntPtzList);
// PTZ lists live in one table per PTZ event type, "ptz_params_<type>"; the
// white-LED schedules and lists in one table per name (the name itself).

// ---- store calls of the shared lists ----

int read_whiteled_effective_schedule(const char* db, RecordSchedule* out, const WhiteLedKey& key);
int write_whiteled_effective_schedule(const char* db, const RecordSchedule* schedule, const WhiteLedKey& key);
int copy_whiteled_effective_schedules(const char* db, const WhiteLedKey& source, u32 mask_low, u32 mask_high);
// Fills up to 16 entries; the number filled (0 when none are stored).
int read_whiteled_params(const char* db, WhiteLedEntry* out, const WhiteLedKey& key);
int write_whiteled_params_all(const char* db, const WhiteLedList* list, const char* name, int channel);
int copy_whiteled_params(const char* db, const WhiteLedKey& source, u32 mask_low, u32 mask_high);

// PTZ lists of a PTZ event type (0..26; type 20 uses the people-counting
// table). Reads fill up to 64 entries (16 for type 20) and give the number
// filled; writes replace the list with `count` entries (at most 16); -1 for
// a type or channel out of range.
int read_ptz_params(const char* db, PtzActionEntry* out, int type, int channel);
int write_ptz_params_all(const char* db, const PtzActionEntry* entries, int count, int type, int channel);
int copy_ptz_params_all(const char* db, int type, int source, u32 mask_low, u32 mask_high);
int read_peoplecnt_ptz_params(const char* db, PtzActionEntry* out, int channel);
int write_peoplecnt_ptz_params_ex(const char* db, const PtzActionEntry* entries, int count, int channel);

int read_alarm_audio_file(const char* db, AlarmAudioFile* out);  // kAlarmAudioFiles slots

// ---- JSON forms and helpers ----

// Reply form: 8 day arrays of exactly 12 plan objects {"startTime",
// "endTime", "actionType"}, empty plans included.
JsonPtr schedule_to_json(const RecordSchedule& schedule);
// Request form: 8 day arrays of 12 plan arrays [start, end, action type].
// -1, schedule untouched, when an argument is missing or the key is absent
// or not an array; else the schedule is zero-filled and parsed (missing days,
// plans and values stay empty), 0.
int schedule_from_json(json_object* obj, const char* key, RecordSchedule* schedule);
// Marked form: parsing also sets every day's wholeday_enable to 1; the reply
// gives a day's plans only when its wholeday_enable is set, else empty plans.
JsonPtr schedule_to_json_marked(const RecordSchedule& schedule);
int schedule_from_json_marked(json_object* obj, const char* key, RecordSchedule* schedule);

// Copy mask from the first `count_key` elements of `list_key`: each integer
// 0..63 sets its bit; other elements are skipped but still counted.
u64 chn_mask_from_list(json_object* obj, const char* list_key, const char* count_key);
// Numeric mask of a channel mask text: bit i for a '1' at position i, for
// positions 0..31 only.
u32 chn_mask_word(const char* text, size_t width);

// "triChnAlarms": -1 when the key is absent or not an array; else entry k is
// filled from element k when it exists (the table is not cleared first), 0.
int chn_alarms_from_json(int channel, json_object* obj, const char* key, ChnAlarmEntry table[2]);
JsonPtr chn_alarms_to_json(const char* text0, const char* text1);  // fixed 65-byte fields

// "whiteInfo": zero-fills the list and fills up to 16 entries owned by
// `channel`, as objects {"chnid","mode","time"} when the array's text holds
// "chnid", else as arrays [chnid, mode, time]; parsing stops at the first
// element of the wrong form. -1 when the key is absent or not an array.
int whiteled_params_from_json(int channel, WhiteLedList* list, json_object* obj, const char* key);
JsonPtr whiteled_params_to_json(int channel, const char* name);

// "ptzParams": writes up to 16 entries of the array for (type, source). 1
// when the store took them, else 0 (also for a missing array).
int ptz_actions_from_json(int source, int type, json_object* array);
// Entries whose acto_ptz_channel is above 0, as {"acto_ptz_channel",
// "acto_ptz_type", "acto_ptz_preset", "acto_ptz_patrol"}.
JsonPtr ptz_actions_to_json(int type, int source);

// Bit i set when alarm audio clip i (0..9) exists.
u32 alarm_audio_mask();

// White-LED name of smart event `event` (0..8): kind 0 the schedule name,
// kind 1 the parameter-list name. Its length, or -1 (buffer untouched) for
// an unknown event or kind or a buffer too small.
int vca_whiteled_name(int kind, int event, char* buffer, size_t size);

// Sends the 680-byte record of a change to several channels (message 3509,
// no wait). `channel` (counted from 1) is set at byte 32 when not 0.
void oplog_send_channels(u32 log_type, i64 sub_type, u32 detail, u64 mask, u32 channel = 0);
// Sends the single-channel record (message 3485, log type 4, sub type 204)
// with `id` counted from 1.
void oplog_send_event(u32 detail, int id);

// ---- event sources ----

enum ActionKind { kActEffective, kActAudible, kActEmail, kActPtz, kActionKinds };
// "effective", "audible", "email", "ptz"
extern const char* const kActionKeys[kActionKinds];

// One instance of a source: the channel (or input id) and, for sources with
// several instances per channel, the smart event, plate mode, alarm index or
// region (0 otherwise).
struct EventKey {
    int channel;
    int sub;
};

constexpr int kNoField = -1;
// Byte offsets of the trigger fields in a source's stored record; kNoField
// where the source has none. Integers are signed 32-bit; texts are channel
// mask texts of 65 bytes; tri_mask is the numeric mask rebuilt from
// tri_channels.
struct TriggerLayout {
    int enable;
    int tri_mask;
    int tri_channels;
    int tri_alarms;
    int interval;
    int email_interval;
    int email_pic_enable;
    int tri_channels_pic;
    int ptz_interval;
    int alarmout_interval;
    int white_interval;
    int audio_id;
    int tri_snapshot;
    int tri_chn_alarms[2];
};

enum NotifyForm {
    kNotifyNone,     // no message after an action update
    kNotifyChannel,  // 4 bytes: the channel id
    kNotifyMask,     // 8 bytes: the channel's bit
};

// Where one event source keeps its actions.
struct EventSource {
    const char* label;
    // The source record: table, instances per sub (channels or inputs), size.
    KxRecordKind record;
    // Writes the instance's channel id into a record (applied on every write
    // and every copy, so a record always names its own channel).
    void (*set_channel)(void* record, int channel);
    // Tables of instance sub are named "<table>_<sub>" ("..._m1" for -1).
    bool per_sub;
    // Schedule tables by action kind; null where the source has none.
    const char* schedules[kActionKinds];
    // PTZ event type of sub 0 (the type of sub s is ptz_type + s); -1: none.
    int ptz_type;
    // White-LED schedule and list names by sub; null or past `whiteled_names`:
    // none.
    const char* const* whiteled_schedules;
    const char* const* whiteled_params;
    int whiteled_names;
    TriggerLayout trigger;
    // Core message after an action update.
    u32 notify_code;
    NotifyForm notify;
    // Source-specific request keys of the action update, applied after the
    // trigger fields; true when the record changed. May be null.
    bool (*extra_fields)(json_object* obj, void* record);
};

// Store access through a source's tables. Reads zero-fill on absence.
int event_record_read(const char* db, const EventSource& src, EventKey key, void* out);
int event_record_write(const char* db, const EventSource& src, EventKey key, void* record);  // sets the channel first
int event_record_copy(const char* db, const EventSource& src, EventKey source, u64 mask);
int event_schedule_read(const char* db, const EventSource& src, ActionKind kind, EventKey key, RecordSchedule* out);
int event_schedule_write(const char* db, const EventSource& src, ActionKind kind, EventKey key,
                         const RecordSchedule* schedule);
int event_schedule_copy(const char* db, const EventSource& src, ActionKind kind, EventKey source, u64 mask);
// The instance's white-LED schedule key (which 0) or list key (which 1);
// false when the source has no such name.
bool event_whiteled_key(const EventSource& src, EventKey key, int which, WhiteLedKey* out);
int event_ptz_type(const EventSource& src, EventKey key);  // -1: none

// Action update: applies an action object (a source's action request, or
// the "dialog" object of a settings request) to one instance, in this order:
// the four action schedules, the white-LED schedule and list, the camera
// alarm-output texts, the trigger fields, the source's own fields, (dialog
// only) the PTZ list from "ptzParams", then writes the record when a field
// changed and sends the source's core message. Writes no reply.
void event_action_update(const EventSource& src, EventKey key, json_object* obj, bool dialog);

// Adds a source's own key of an action reply; false when `name` is not one.
using ActionOwnKey = bool (*)(json_object* out, const char* name, const void* record, EventKey key);
// Action reply object: the keys in the given order, each from the source's
// own keys first, else from the shared action keys (trigger fields,
// schedules, "triChnAlarms", "white", "whiteInfo", "audioIdMask",
// "ptzParams").
JsonPtr event_action_object(const EventSource& src, EventKey key, const void* record, const char* const* names,
                            size_t count, ActionOwnKey own);
// The same with the whole list of `names`.
template <size_t N>
inline JsonPtr event_action_object(const EventSource& src, EventKey key, const void* record,
                                   const char* const (&names)[N], ActionOwnKey own)
{
    return event_action_object(src, key, record, names, N, own);
}

// Copies the instance's stored state to every channel of the mask (the
// source itself excluded): the record, each action schedule, the white-LED
// schedule and list, and the PTZ list. Each copy is one store transaction.
void event_action_copy(const EventSource& src, EventKey source, u64 mask);
