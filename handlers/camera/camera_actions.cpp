// The event actions that a camera settings request (face capture, POS) may
// carry in its "action" object.
#include "handlers/camera/camera_features.h"
#include "handlers/shared/event_actions.h"

void store_request_actions(json_object* r, const EventSource& events, int ptz_type, int id)
{
    json_object* action = jget(r, "action");
    if (!action || !json_object_is_type(action, json_type_object)) return;
    if (jhas(action, "ptzParams")) ptz_actions_from_json(id, ptz_type, jget(action, "ptzParams"));
    event_action_update(events, EventKey{id, 0}, action, false);
}
