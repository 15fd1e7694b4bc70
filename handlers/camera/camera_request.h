// Request helpers shared by the camera units: the shared camera flows, and
// the edit of a channel's stored camera.
#pragma once

#include "handlers/camera/camera_records.h"
#include "handlers/shared/camera_flow.h"

static_assert(kMaxCameras == kFlowChannels, "the camera flows cover every camera channel");

// The stored edit of channel `id`'s camera: reads it, lets patch(camera, r)
// change it and writes it back, then tells the core daemon and the
// operation log of the edit and answers "OK". A camera the store cannot
// keep (a channel past its rows) gets the plain error reply and is announced
// nowhere.
int edit_camera(int id, json_object* r, void (*patch)(CameraRecord& cam, json_object* r));

// The clear of one numbered area of a channel: "chan_id" a channel and
// "area_id" within 0..max_area, else the JSON error reply; the Record
// {channel, area} goes as message `code` and the reply is "OK".
template <typename Record>
int area_clear(const char* request, int max_area, u32 code)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!has_channel(r, "chan_id") || !jint_required_in(r, "area_id", 0, max_area))
        return cgi_reply_error(kReplyJson);
    core_notify(code, Record{jint(r, "chan_id"), jint(r, "area_id")});
    return cgi_reply_ok();
}

// What the store holds of one channel: its name, its camera and the
// camera's model row.
struct StoredChannel {
    char name[64];
    CameraRecord cam;
    IpcModelRecord model;
};
void read_stored_channel(int id, StoredChannel* out);
