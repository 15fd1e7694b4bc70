// Quick settings of the set-up wizard ("/3300" table): the SSH switch,
// automatic local login, one recording mode for every channel, the wizard
// flag and the quick add of a camera.
#include <memory>

#include "common/core.h"
#include "common/json.h"
#include "common/reply.h"
#include "front/webreq.h"
#include "handlers/camera/camera_records.h"
#include "handlers/record/record_records.h"
#include "handlers/system/device_records.h"

namespace {

// "/3301", "/3303": one switch stored under a key; a text that is not JSON
// stores nothing.
int store_switch(const char* request, const char* json_key, const char* store_key)
{
    JsonPtr req = json_parse(request);
    if (!req) return 0;
    set_param_int(kMainDb, store_key, jint(req.get(), json_key));
    return cgi_reply_ok();
}

int ssh_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    const int enable = jint(r, "sshEnable");  // stored as given
    PortRow ports;
    read_port(kMainDb, &ports);
    ports.enable_ssh = enable;
    write_port(kMainDb, ports);
    cgi_reply_ok();
    SettingsAreaName area = zeroed<SettingsAreaName>();
    set_text(area.name, "more");
    core_notify(kMsgSettingsArea, area);
    return 0;
}

int auto_login_set(const char* request) { return store_switch(request, "autoLoginEnable", "local_auth_enable"); }

// Every channel's record row takes the mode in one store transaction; the
// core daemon hears of each channel after the client has its answer.
int record_mode_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    const int mode = jint(r, "recordMode");  // the core daemon's number, stored as given
    auto whole = std::make_unique<RecordRow[]>(kRecordChannels);
    RecordRow* rows = whole.get();
    int count = 0;
    read_records(kMainDb, rows, &count);
    for (int i = 0; i < kRecordChannels; i++) {
        rows[i].id = i;  // an absent row reads as zeros
        rows[i].mode = mode;
    }
    write_records(kMainDb, rows, kRecordChannels);
    cgi_reply_ok();
    for (i32 channel = 0; channel < kRecordChannels; channel++) core_notify(kMsgRecordModeChanged, channel);
    return 0;
}

int wizard_set(const char* request) { return store_switch(request, "wizardEnable", "wizard_enable"); }

int camera_quick_add(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    const int id = jint(r, "id"), enable = jint(r, "enable"), port = jint(r, "managePort");
    const char* address = jstr(r, "ipAddr");
    if (!r || !jhas(r, "id") || id < 0 || id > kMaxCameras) return 0;
    if (enable < 0 || enable > 1 || !address || !*address || port < 0) return 0;
    // Channel 64 passes the checks, but the store keeps rows 0..63 only: the
    // camera could not be kept, so the client hears so and nothing is sent.
    if (id >= kMaxCameras) return cgi_reply_error(kReplyText);

    CameraRecord cam;
    read_camera(kMainDb, &cam, id);
    cam.enable = enable;
    set_text(cam.ip, address, 63);
    cam.manage_port = port;
    cam.protocol = 0;
    jtext(r, "userName", cam.user, 63);
    jtext(r, "password", cam.password, 63);
    if (write_camera(kMainDb, &cam) != 0) return cgi_reply_error(kReplyText);
    core_notify(enable == 1 ? kMsgCameraEnabled : kMsgCameraDisabled, cam.id);
    return cgi_reply_ok();
}

}  // namespace

static const WebReqEntry kQuickTable[] = {
    {"/3300", ssh_set, "Switches SSH access on or off | JSON: sshEnable | plain | 1702"},
    {"/3301", auto_login_set, "Switches the automatic local login on or off | JSON: autoLoginEnable | plain | none"},
    {"/3302", record_mode_set, "Sets one recording mode for every channel | JSON: recordMode | plain | 1407"},
    {"/3303", wizard_set, "Switches the set-up wizard on or off | JSON: wizardEnable | plain | none"},
    {"/3304", camera_quick_add, "Puts a camera on a channel, or takes it off | JSON: id, enable, ipAddr, managePort, userName, password | plain | 1201, 1202"},
};

NVR_MODULE(quick, kModQuick, kQuickTable)
