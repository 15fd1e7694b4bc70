// Shared parts of the requests that read or write one action schedule.
#pragma once

#include "common/json.h"
#include "platform/record.h"
#include "handlers/shared/schedule.h"

// Replies the schedule `read` gives for the id of a decimal request text, in
// the reply form. No reply for a text without a number; "CGI ERROR" for an
// id outside 0..limit-1 when limit is above 0.
int reply_schedule_of(const char* request, int (*read)(const char*, RecordSchedule*, int), int limit = 0);

// The mask of the first "cnt" ids of the request's "chnid" array that lie
// in 0..limit-1.
u64 listed_ids(json_object* req, int limit);

// Gives every PTZ action of source `source` (PTZ event type `type`) to each
// listed id other than the source, as that id's own list.
void copy_ptz_actions_to(int type, int source, u64 mask);
