// Firmware upgrades: the recorder's own from an uploaded file or an online
// source, and the cameras' from an uploaded file.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "common/core.h"
#include "common/json.h"
#include "platform/paths.h"
#include "common/reply.h"
#include "handlers/shared/firmware_upload.h"
#include "handlers/system/maintenance_records.h"
#include "handlers/system/system.h"
#include "platform/kxbase.h"

namespace {

constexpr int kLogUpgrade = 203;

}  // namespace

// The upgrade status is kept whole: any value but 0 is a failure, 1 too.
int upgrade_reply(UpgradeAsk& ask, const KxFrameHeader* header, const void* payload)
{
    i32 status;
    if (!record_at(payload, header->length, 0, &status)) return 0;
    ask.status = status;
    core_reply_finish(1);
    return 0;
}

namespace {

// Sends the upgrade order (1713) and waits for its status. False when no
// reply came.
bool run_upgrade(i32 reset, int* status)
{
    UpgradeOrder order{reset};
    UpgradeAsk ask;
    const CoreAnswer answer = core_answer<upgrade_reply>(ask, {kReplyUpgrade});
    CoreExchange exchange;
    core_request_answer(exchange, answer, kMsgUpgrade, sizeof order, &order, 0);
    bool replied = exchange.done() != 0;
    core_release(exchange);
    *status = ask.status;
    return replied;
}

void reply_result(int value)
{
    JsonPtr o = jobject();
    jadd(o.get(), "res", value);
    json_reply(kReplyJson, o.get());
}

void add_firmware_info(json_object* o, const FirmwareInfo& info)
{
    jadd(o, "state", info.state);
    jadd(o, "fileSize", info.file_size);
    jadd_text(o, "softversion", info.softversion);
    jadd_text(o, "url", info.url);
    jadd_text(o, "description", info.description);
}

}  // namespace

// "temp & <query>": the query (7 characters at most) asks for a reset after
// the upgrade when it holds "reset". An upload that broke off starts no
// upgrade.
int firmware_upload(const char* request)
{
    char word[64] = "", query[8] = "";
    if (!request) {
        cgi_reply_error(kReplyText);
        return 0;
    }
    std::sscanf(request, "%63s & %7s", word, query);
    const i32 reset = std::strstr(query, "reset") ? 1 : 0;
    if (receive_firmware(kRecorderFirmware, OnUploadFailure::kKeepOld) == FirmwareUpload::kFailed) {
        cgi_reply_error(kReplyText);
        return 0;
    }
    maintenance_log(kLogUpgrade);
    int status = 0;
    if (!run_upgrade(reset, &status)) {
        cgi_reply(kReplyText, "0");
        return 0;
    }
    if (status != 0) {
        cgi_reply(kReplyText, std::to_string(status).c_str());
        return 0;
    }
    maintenance_reboot();
    cgi_reply_ok();
    return 0;
}

int firmware_present(const char*)
{
    cgi_reply(kReplyText, kx_check_file_exist(nvr_path(kRecorderFirmware).c_str()) ? "Error" : "OK");
    return 0;
}

// The online download and cancel result, {"res": n}; a reply too short for n
// is answered at once with the error form of those requests, text.
int firmware_result_reply(const KxFrameHeader* header, const void* payload)
{
    return core_reply_int(CoreIntReply{"res", kReplyText}, header, payload);
}

int online_download(const char* request)
{
    JsonPtr req = json_parse(request);
    int type = req ? jint(req.get(), "type") : -1;
    if (type != 0 && type != 1) {
        cgi_reply_error(kReplyJson);
        return 0;
    }
    FirmwareSource source = zeroed<FirmwareSource>();
    jtext(req.get(), "url", source.url);
    set_text(source.target, type == 0 ? kRecorderFirmware : kCameraFirmware);
    core_ask<firmware_result_reply>(kMsgOnlineDownload, &source, sizeof source, kReplyText, {kReplyOnlineDownload});
    return 0;
}

int online_cancel(const char* request)
{
    JsonPtr req = json_parse(request);
    int type = req ? jint(req.get(), "type") : -1;
    if (type == 0) {
        std::string path = nvr_path(kRecorderFirmware);
        if (kx_check_file_exist(path.c_str())) unlink(path.c_str());
        reply_result(0);
    } else if (type == 1) {
        core_ask<firmware_result_reply>(kMsgOnlineCancel, nullptr, 0, kReplyText, {kReplyOnlineCancel});
    } else {
        cgi_reply_error(kReplyJson);
    }
    return 0;
}

int online_info_reply(const KxFrameHeader* header, const void* payload)
{
    FirmwareInfo info;
    if (!record_at(payload, header->length, 0, &info)) return core_reply_short(kReplyText);
    JsonPtr o = jobject();
    add_firmware_info(o.get(), info);
    json_reply(kReplyJson, o.get());
    core_reply_finish(1);
    return 0;
}

int online_info(const char*)
{
    core_ask<online_info_reply>(kMsgOnlineInfo, nullptr, 0, kReplyText, {kReplyOnlineInfo});
    return 0;
}

// A daemon that does not answer is a failure, never {"res": 0}, which would
// read as an upgrade under way.
int online_upgrade(const char*)
{
    core_notify(kMsgOnlineUpgrade, nullptr, 0);
    maintenance_log(kLogUpgrade);
    int status = 0;
    if (!run_upgrade(0, &status)) {
        cgi_reply_error(kReplyJson);
        return 0;
    }
    reply_result(status);
    if (status == 0) maintenance_reboot();
    return 0;
}

// Camera firmware that is still on standard input is stored first; the
// reply tells whether a camera firmware file is there.
int camera_firmware_upload(const char*)
{
    bool ok = receive_firmware(kCameraFirmware, OnUploadFailure::kKeepOld) != FirmwareUpload::kFailed &&
              kx_check_file_exist(nvr_path(kCameraFirmware).c_str());
    cgi_reply(kReplyText, ok ? "OK" : "Error");
    return 0;
}

int camera_upgrade_reply(const KxFrameHeader* header, const void* payload)
{
    CameraUpgradeResult r;
    if (!record_at(payload, header->length, 0, &r)) return core_reply_short(kReplyText);
    JsonPtr o = jobject();
    jadd(o.get(), "chnid", r.chnid);
    jadd(o.get(), "status", r.status);
    json_reply(kReplyJson, o.get());
    core_reply_finish(1);
    return 0;
}

int camera_upgrade(const char* request)
{
    JsonPtr req = json_parse(request);
    if (!req) {
        cgi_reply_error(kReplyJson);
        return 0;
    }
    CameraUpgradeOrder order = zeroed<CameraUpgradeOrder>();
    order.chnid = jint(req.get(), "chnid");
    order.reset = jint(req.get(), "reset");
    set_text(order.path, kCameraFirmware);
    core_ask<camera_upgrade_reply>(kMsgCameraUpgrade, &order, sizeof order, kReplyText, {kReplyCameraUpgrade});
    return 0;
}

int camera_firmware_remove(const char*)
{
    unlink(nvr_path(kCameraFirmware).c_str());
    core_notify(kMsgCameraFirmwareGone, nullptr, 0);
    cgi_reply_ok();
    return 0;
}

int camera_check_reply(const KxFrameHeader* header, const void* payload)
{
    size_t count = record_count<FirmwareInfo>(header->length);
    if (count == 0) return core_reply_short(kReplyText);  // too short for one record
    if (count > size_t(kFirmwareChannels)) count = kFirmwareChannels;
    JsonPtr o = jobject();
    json_object* list = json_object_new_array();
    for (size_t i = 0; i < count; i++) {
        FirmwareInfo info;
        if (!record_at(payload, header->length, i, &info)) break;
        json_object* item = json_object_new_object();
        add_firmware_info(item, info);
        json_object_array_add(list, item);
    }
    json_object_object_add(o.get(), "check", list);
    json_reply(kReplyJson, o.get());
    core_reply_finish(1);
    return 0;
}

// "ch": character i = '1' selects channel i, '0' leaves it out, anything
// else ends the text.
int camera_firmware_check(const char* request)
{
    JsonPtr req = json_parse(request);
    if (!req) {
        cgi_reply_error(kReplyJson);
        return 0;
    }
    u64 mask = 0;
    const char* ch = jstr(req.get(), "ch");
    for (int i = 0; ch && i < kFirmwareChannels && (ch[i] == '0' || ch[i] == '1'); i++)
        if (ch[i] == '1') mask |= u64(1) << i;
    u32 words[2] = {mask_low(mask), mask_high(mask)};
    core_ask<camera_check_reply>(kMsgCameraCheck, words, sizeof words, kReplyText, {kReplyCameraCheck});
    return 0;
}
