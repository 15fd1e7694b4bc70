// Request helpers shared by the camera units: the shared camera flows, and
// the edit of a channel's stored camera.
#pragma once

#include "handlers/shared/camera_flow.h"

// The stored edit of channel `id`'s camera: reads it, lets patch(camera, r)
// change it and writes it back, then tells the core daemon and the
// operation log of the edit and answers "OK". A camera the store cannot
// keep (a channel past its rows) gets the plain error reply and is announced
// nowhere.
int edit_camera(int id, json_object* r, void (*patch)(CameraRecord& cam, json_object* r));

// What the store holds of one channel: its name, its camera and the
// camera's model row.
struct StoredChannel {
    char name[64];
    CameraRecord cam;
    IpcModelRecord model;
};
void read_stored_channel(int id, StoredChannel* out);
