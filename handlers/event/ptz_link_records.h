// Event PTZ linkage: store calls on single entries of the PTZ action lists
// of the event action model (PtzActionEntry, PtzActionList).
#pragma once

#include "handlers/shared/event_actions.h"

// acto_ptz_type: which action field of an entry is meaningful.
enum PtzActionType { kPtzActPreset = 1, kPtzActPatrol = 2, kPtzActPattern = 3 };

// The entry's list is that of (type, entry->source_channel). A write
// replaces the entry of the same acto_ptz_channel or appends one (-1 when
// the list is full); a delete removes the entry of entry->acto_ptz_channel
// (0 also when there is none); an update moves the entry from the list of
// `old_channel` to that of entry->source_channel, both in one transaction.
// -1 for a type outside 0..26 or a channel outside 0..63.
int write_ptz_params(const char* db, const PtzActionEntry* entry, int type);
int update_ptz_params(const char* db, const PtzActionEntry* entry, int type, int old_channel);
int delete_ptz_params(const char* db, const PtzActionEntry* entry, int type);
// The same on the people-counting table (PTZ event type 20).
int write_peoplecnt_ptz_params(const char* db, const PtzActionEntry* entry);
int update_peoplecnt_ptz_params(const char* db, const PtzActionEntry* entry, int old_channel);
int delete_peoplecnt_ptz_params(const char* db, const PtzActionEntry* entry);
