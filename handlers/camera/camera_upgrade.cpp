// Firmware upgrade of several cameras at once, run by the core daemon: from
// an uploaded file or from a URL, its progress per channel, and its stop.
//
// The firmware file is "/dev/shm/updateIPCFM.bin". An upload to "/2079"
// streams into a new file beside it and takes its name only once the upload
// is complete, so the daemon never sees part of a firmware: an upload that
// breaks off leaves no firmware file at all.
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "platform/paths.h"
#include "handlers/camera/camera.h"
#include "handlers/camera/camera_features.h"
#include "handlers/camera/camera_request.h"
#include "handlers/camera/camera_upgrade_records.h"
#include "handlers/shared/device.h"
#include "handlers/shared/firmware_upload.h"

namespace {

constexpr size_t kUrlMax = sizeof(IpcUpgradeOrder::url) - 1;

bool mask_has(u64 mask, int channel) { return (mask >> channel) & 1u; }

}  // namespace

// The reset field carries the complement of "reset" (0 gives -1, 1 gives -2).
int ipc_upgrade_file(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return cgi_reply_error(kReplyJson);
    IpcUpgradeOrder order = zeroed<IpcUpgradeOrder>();
    order.chnid = json_object_get_int64(jget(r, "chnid"));
    order.reset = ~i64(jint(r, "reset"));
    order.file_size = jint(r, "fileSize");
    core_ask<core_reply_int>(kMsgIpcUpgradeFile, &order, sizeof order, kCoreResReply, kReplyJson,
                             {kReplyIpcUpgradeFile});
    return 0;
}

// A request carrying the firmware stores it first; every request then
// reports the progress. An upload that broke off answers the error reply.
int ipc_upgrade_status(const char*)
{
    // Whatever firmware was there before an upload that failed is not what
    // the client sent: no upgrade may start from it.
    if (receive_firmware(kCameraFirmware, OnUploadFailure::kRemoveOld) == FirmwareUpload::kFailed)
        return cgi_reply_error(kReplyJson);
    core_ask<ipc_upgrade_status_reply>(kMsgIpcUpgradeStatus, nullptr, 0, kReplyJson, {kReplyIpcUpgradeStatus});
    return 0;
}

// "chnid=<mask>\r\n", then "status<i>=<status>\r\n" for each channel 0..15
// of the mask.
int ipc_upgrade_status_reply(const KxFrameHeader* header, const void* payload)
{
    IpcUpgradeStatus s;
    if (!record_at(payload, header->length, 0, &s)) return core_reply_short(kReplyJson);
    char line[64];
    std::snprintf(line, sizeof line, "chnid=%lld\r\n", static_cast<long long>(s.chnid));
    std::string text = line;
    for (int i = 0; i < kUpgradeStatusChannels; i++) {
        if (!mask_has(s.chnid, i)) continue;
        std::snprintf(line, sizeof line, "status%d=%d\r\n", i, int(s.status[i]));
        text += line;
    }
    return finish_text(text.c_str());
}

// The daemon downloads the firmware from "url" into the firmware file. A
// missing, empty or over-long URL is refused: a cut URL names another file.
int ipc_upgrade_url(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    const char* url = r ? jstr(r, "url") : nullptr;
    if (!url || !url[0] || std::strlen(url) > kUrlMax) return cgi_reply_error(kReplyJson);
    IpcUpgradeOrder order = zeroed<IpcUpgradeOrder>();
    order.chnid = json_object_get_int64(jget(r, "chnid"));
    order.reset = jint(r, "reset");
    set_text(order.url, url);
    set_text(order.path, kCameraFirmware);
    core_ask<ipc_upgrade_url_reply>(kMsgIpcUpgradeUrl, &order, sizeof order, kReplyJson, {kReplyIpcUpgradeUrl});
    return 0;
}

int ipc_upgrade_url_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_object<IpcUpgradeStatus>(header, payload, kReplyJson, [](json_object* o, const auto& s) {
        json_object* status = json_object_new_array();
        for (int i = 0; status && i < kUpgradeStatusChannels; i++)
            if (mask_has(s.chnid, i)) json_object_array_add(status, json_object_new_int(s.status[i]));
        jadd(o, "chnid", i32(mask_low(s.chnid)));
        jadd_value(o, "status", status);
    });
}

// No reply: the client follows the stop through "/2079".
int ipc_upgrade_stop(const char* request)
{
    JsonPtr req = json_parse(request);
    if (!req) return 0;
    core_notify(kMsgIpcUpgradeStop, i32(jint(req.get(), "stop")));
    return 0;
}
