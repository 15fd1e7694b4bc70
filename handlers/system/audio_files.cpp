// Alarm audio clips: the core daemon keeps the clip table and the files;
// this unit takes an uploaded WAV file into "/tmp" under the URL-safe Base64
// form of its name and asks the daemon to list, add, delete, rename and
// play clips.
//
// Only the request's own upload in "/tmp" is ever renamed or removed: a
// name from the client is a plain file name of that directory, never a path.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/core.h"
#include "common/json.h"
#include "handlers/shared/reply_flow.h"
#include "platform/paths.h"
#include "common/reply.h"
#include "handlers/system/owned_files.h"
#include "handlers/system/service_records.h"
#include "handlers/system/system.h"
#include "platform/kxcrypt.h"

namespace {

constexpr const char* kUploadDir = "/tmp";
constexpr int kAudioSubType = 204;
constexpr int kAudioParamType = 925;
constexpr size_t kNameChars = 127;

// URL-safe Base64 of a text into a clip name field; false when it does not
// fit or the text is empty.
bool encode_name(const std::string& text, char (&out)[128])
{
    std::memset(out, 0, sizeof out);
    int n = base64EncodeUrl(reinterpret_cast<const unsigned char*>(text.data()), int(text.size()), out, int(sizeof out));
    return n >= 1;
}

void audio_log() { send_change_log(kAudioSubType, kAudioParamType); }

}  // namespace

// A reply too short to hold a status is answered as an error at once
// (the exchange finished with -1: replied, but no success to log).
int audio_status_reply(const KxFrameHeader* header, const void* payload)
{
    if (header->length < 4) {
        cgi_reply_error(kReplyJson);
        core_reply_finish(-1);
        return 0;
    }
    return core_reply_status_json(int(header->length / 4), payload);
}

namespace {

// Sends a clip message and waits for its status reply `reply_code`; the
// operation log follows a reply.
template <typename T>
void audio_request(u32 code, u32 reply_code, const T& payload, bool logged)
{
    const CoreAnswer answer = core_answer<audio_status_reply>({reply_code});
    CoreExchange exchange;
    core_request_answer(exchange, answer, code, sizeof payload, &payload, 0);
    const int done = exchange.done();
    if (done == 0) cgi_reply_error(kReplyJson);
    core_release(exchange);
    if (done > 0 && logged) audio_log();
}

}  // namespace

// Reply 9012: the clips in use, their names decoded.
int audio_list_reply(const KxFrameHeader* header, const void* payload)
{
    JsonPtr obj = jobject();
    json_object* list = json_object_new_array();
    AudioClip clip;
    for (size_t i = 0; record_at(payload, header->length, i, &clip); i++) {
        if (clip.enable != 1) continue;
        unsigned char name[129] = {};
        int n = base64DecodeUrl(text_of(clip.name).s, name, 128);
        json_object* row = json_object_new_object();
        jadd(row, "id", clip.id);
        jadd(row, "enable", clip.enable);
        jadd_value(row, "name", json_object_new_string_len(reinterpret_cast<const char*>(name), n > 0 ? n : 0));
        json_object_array_add(list, row);
    }
    jadd_value(obj.get(), "audioFileList", list);
    jadd(obj.get(), "status", 0);
    return core_reply_json(obj.get());
}

int audio_list(const char*)
{
    core_ask<audio_list_reply>(kMsgAudioList, nullptr, 0, kReplyJson, {kReplyAudioList});
    return 0;
}

// The upload lands as "/tmp/" + the client's file name. A WAV file is
// renamed to the Base64 form of that name; anything else is removed.
int audio_upload(const char* request)
{
    const char* sep = std::strstr(request, " & ");
    const std::string path = sep ? std::string(request, size_t(sep - request)) : std::string(request);
    char encoded[128] = {};
    int result = -1;
    if (regular_file_in(path, kUploadDir)) {
        const std::string name = path.substr(path.rfind('/') + 1);
        if (name.find(".wav") == std::string::npos && name.find(".WAV") == std::string::npos) {
            int removed = std::remove(path.c_str());
            cgi_debug_log("OnSystem", 3628, "", "pqa upload_audio_file ret:[%d], pData:[%s], name:[%s]", removed,
                          path.c_str(), encoded);
        } else if (encode_name(name, encoded)) {
            const std::string target = nvr_path(std::string(kUploadDir) + "/" + encoded);
            result = std::rename(path.c_str(), target.c_str()) == 0 ? 0 : -1;
            if (result != 0) std::remove(path.c_str());
        } else {
            std::remove(path.c_str());
        }
    }
    core_reply_status_text(nullptr, result, result == 0 ? encoded : "");
    return 0;
}

// "uploadName" names an upload in "/tmp"; it takes the encoded display name
// before the daemon is told.
int audio_add(const char* request)
{
    JsonPtr req = json_parse(request);
    const char* upload = req ? jstr(req.get(), "uploadName") : nullptr;
    const char* name = req ? jstr(req.get(), "name") : nullptr;
    AudioClipName clip = zeroed<AudioClipName>();
    if (!upload || !plain_file_name(upload) || !name ||
        !encode_name(std::string(name, strnlen(name, kNameChars)), clip.name)) {
        cgi_reply_error(kReplyJson);
        return 0;
    }
    const std::string from = nvr_path(std::string(kUploadDir) + "/" + upload);
    const std::string to = nvr_path(std::string(kUploadDir) + "/" + clip.name);
    if (!regular_file_in(from, kUploadDir) || std::rename(from.c_str(), to.c_str()) != 0) {
        cgi_reply_error(kReplyJson);
        return 0;
    }
    audio_request(kMsgAudioAdd, kReplyAudioAdd, clip, true);
    return 0;
}

int audio_delete(const char* request)
{
    JsonPtr req = json_parse(request);
    AudioClipMask mask{req ? u32(jint(req.get(), "idMask")) : 0};
    if (!req || (mask.mask & kAudioClipBits) == 0) {
        cgi_reply_error(kReplyJson);
        return 0;
    }
    audio_request(kMsgAudioDelete, kReplyAudioDelete, mask, true);
    return 0;
}

int audio_rename(const char* request)
{
    JsonPtr req = json_parse(request);
    const char* name = req ? jstr(req.get(), "name") : nullptr;
    AudioClip clip = zeroed<AudioClip>();
    clip.id = req ? jint(req.get(), "id") : 0;
    clip.enable = 1;
    if (!name || !encode_name(std::string(name, strnlen(name, kNameChars)), clip.name)) {
        cgi_reply_error(kReplyJson);
        return 0;
    }
    audio_request(kMsgAudioRename, kReplyAudioRename, clip, true);
    return 0;
}

int audio_play(const char* request)
{
    JsonPtr req = json_parse(request);
    if (!req) {
        cgi_reply_error(kReplyJson);
        return 0;
    }
    IdRecord id{jint(req.get(), "id")};
    audio_request(kMsgAudioPlay, kReplyAudioPlay, id, false);
    return 0;
}
