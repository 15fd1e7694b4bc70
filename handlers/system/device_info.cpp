// The device page: identity and capacities, device name and number, UPnP
// port mapping, the automatic reboot plan, and the batch of camera
// addresses of the set-up wizard.
#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

#include "common/core.h"
#include "common/core_reply.h"
#include "common/json.h"
#include "common/reply.h"
#include "handlers/camera/camera_records.h"
#include "handlers/network/network_records.h"
#include "handlers/shared/reply_flow.h"
#include "handlers/system/device.h"
#include "handlers/system/device_records.h"
#include "handlers/system/maintenance_records.h"
#include "handlers/system/system.h"
#include "platform/kxpipe.h"

namespace {

constexpr useconds_t kRebootPause = 500 * 1000;

void send_settings_area(const char* name)
{
    SettingsAreaName area = zeroed<SettingsAreaName>();
    set_text(area.name, name);
    core_notify(kMsgSettingsArea, area);
}

// A text key of the store, at most size - 1 characters.
template <size_t N>
void param_text(const char* key, char (&out)[N], const char* def)
{
    get_param_value(kMainDb, key, out, int(N), def);
}

}  // namespace

void device_uptime(char (&out)[65])
{
    std::memset(out, 0, sizeof out);
    static const char* const argv[] = {"uptime", nullptr};
    FILE* f = kx_vpopen(argv, "r");
    if (!f) return;
    size_t n = 0;
    while (n < sizeof out - 1) {
        size_t got = std::fread(out + n, 1, sizeof out - 1 - n, f);
        if (got == 0) break;
        n += got;
    }
    kx_vpclose(f);
    out[n] = '\0';
    // "10:00:01 up 3 days,  2:03,  2 users,  load average: ..." keeps the
    // time and the time up; without a user count the text ends before the
    // load average.
    if (char* users = std::strstr(out, "users")) {
        size_t at = size_t(users - out);
        out[at >= 5 ? at - 5 : 0] = '\0';
    } else if (char* l = std::strchr(out, 'l')) {
        size_t at = size_t(l - out);
        out[at >= 2 ? at - 2 : 0] = '\0';
    }
}

int device_info_reply(const KxFrameHeader* header, const void* payload)
{
    DeviceInfoRecord info;
    if (!core_reply_record(header, payload, &info, kCoreReplyLeftToAsker)) return 0;
    char plugin[32], mplugin[32], company[64], uptime[65];
    param_text("plugin_version", plugin, "1.0");
    param_text("mplugin_version", mplugin, "1.0");
    param_text("company", company, "Tarvane");
    device_uptime(uptime);
    const int stream_info = get_param_int(kMainDb, "stream_information", 0);

    JsonPtr o = jobject();
    json_object* r = o.get();
    jadd(r, "hostName", "");
    jadd_text(r, "deviceName", info.device_name);
    jadd(r, "deviceId", info.device_id);
    jadd_text(r, "product", info.device_name);
    jadd_text(r, "hwver", info.hwver);
    jadd_text(r, "software", info.software);
    jadd(r, "oemversion", info.oem_version);
    jadd_text(r, "sn", info.sn);
    jadd_text(r, "prefix", info.prefix);
    jadd(r, "pluginVersion", plugin);
    jadd(r, "mpluginVersion", mplugin);
    jadd_text(r, "macAddress", info.mac_address);
    jadd(r, "kxddns", info.kxddns);
    jadd(r, "uptime", uptime);
    jadd_text(r, "sncode", info.sn);
    JsonPtr resource = jobject();
    jadd(resource.get(), "displayNum", info.display_num);
    jadd(resource.get(), "maxAudioOut", info.max_audio_out);
    jadd(resource.get(), "maxNetworkLan", info.max_network_lan);
    jadd(resource.get(), "maxSensor", info.max_sensor);
    jadd(resource.get(), "maxAlarm", info.max_alarm);
    jadd(resource.get(), "maxCameras", info.max_cameras);
    jadd(resource.get(), "masRs485", info.max_rs485);
    jadd_value(r, "resource", resource.release());
    jadd(r, "kxfsDbup", get_param_int(kMainDb, "kxfs_dbup", 0));
    jadd(r, "transProtocol", get_param_int(kMainDb, "transport_protocol", 0));
    jadd(r, "streamInfo", stream_info);
    jadd(r, "oemonlineupdate", get_param_int(kMainDb, "oemupdateonline", 0));
    jadd(r, "company", company);
    jadd(r, "isSupportTalk", info.is_support_talk);
    return core_reply_json(r);
}

int device_info(const char*)
{
    core_ask_answered<device_info_reply>(kMsgDeviceInfo, nullptr, 0, kReplyJson, {kReplyDeviceInfo});
    return 0;
}

int device_name_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    const char* name = jstr(r, "hostName");
    if (!name || !*name || !jhas(r, "deviceId") || !jint_zero_in(r, "deviceId", 1, kDeviceIdMax)) return 0;
    const i32 number = jint(r, "deviceId");

    NetworkRow row;
    read_network(kMainDb, &row);
    set_text(row.host_name, name, 127);
    write_network(kMainDb, row);
    set_param_int(kMainDb, "deviceid", number);
    core_notify(kMsgDeviceNumber, number);
    send_settings_area("hostname");
    return cgi_reply_ok();
}

int device_dbup_clear(const char*)
{
    set_param_int(kMainDb, "kxfs_dbup", 0);
    return cgi_reply_ok();
}

int device_value_reply(const KxFrameHeader* header, const void* payload)
{
    i32 value;
    if (!core_reply_record(header, payload, &value, kCoreReplyLeftToAsker)) return 0;
    return core_reply_text(std::to_string(value).c_str());
}

int device_value_get(const char*)
{
    core_ask_answered<device_value_reply>(kMsgDeviceValue, nullptr, 0, kReplyJson, {kReplyDeviceValue});
    return 0;
}

int device_signal(const char*)
{
    core_notify(kMsgDeviceSignal, nullptr, 0);
    return cgi_reply_ok();
}

int upnp_get(const char*)
{
    UpnpRecord upnp;
    PortRow ports;
    read_upnp(kMainDb, &upnp);
    read_port(kMainDb, &ports);
    JsonPtr o = jobject();
    jadd(o.get(), "enable", upnp.enable);
    jadd(o.get(), "type", upnp.type);
    jadd(o.get(), "external_http_port", upnp.external_http_port);
    jadd(o.get(), "http_status", upnp.http_status);
    jadd(o.get(), "external_rtsp_port", upnp.external_rtsp_port);
    jadd(o.get(), "rtsp_status", upnp.rtsp_status);
    jadd(o.get(), "http_port", ports.http_port);
    jadd(o.get(), "rtsp_port", ports.rtsp_port);
    return json_reply(kReplyJson, o.get());
}

// The core daemon applies the mapping and stores it itself.
int upnp_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    UpnpRecord upnp;
    read_upnp(kMainDb, &upnp);
    upnp.enable = jint(r, "enable");
    upnp.type = jint(r, "type");
    upnp.external_http_port = jint(r, "external_http_port");
    upnp.external_rtsp_port = jint(r, "external_rtsp_port");
    core_notify(kMsgUpnpApply, upnp);
    return cgi_reply_ok();
}

int autoreboot_get(const char*)
{
    AutoRebootRecord rec;
    read_autoreboot_conf(kMainDb, &rec);
    JsonPtr o = jobject();
    jadd(o.get(), "enable", rec.enable);
    jadd(o.get(), "wday", rec.wday);
    jadd(o.get(), "hour", rec.hour);
    jadd(o.get(), "minutes", rec.minutes);
    jadd(o.get(), "seconds", rec.seconds);
    return json_reply(kReplyJson, o.get());
}

// A missing key reads as 0; a plan outside the clock (hour 24, minute 60,
// a week day past 7) is refused whole, so the recorder never keeps a plan
// it cannot carry out.
int autoreboot_set(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    if (!r) return 0;
    if (!jint_zero_in(r, "enable", 0, 1) || !jint_zero_in(r, "wday", 0, 7) || !jint_zero_in(r, "hour", 0, 23) ||
        !jint_zero_in(r, "minutes", 0, 59) || !jint_zero_in(r, "seconds", 0, 59))
        return 0;
    AutoRebootRecord rec;
    read_autoreboot_conf(kMainDb, &rec);
    rec.enable = jint(r, "enable");
    rec.wday = jint(r, "wday");
    rec.hour = jint(r, "hour");
    rec.minutes = jint(r, "minutes");
    rec.seconds = jint(r, "seconds");
    write_autoreboot_conf(kMainDb, rec);
    core_notify(kMsgAutoRebootChanged, nullptr, 0);
    return cgi_reply_ok();
}

int device_online_upgrade(const char*)
{
    core_notify(kMsgOnlineUpgrade, nullptr, 0);
    usleep(kRebootPause);
    JsonPtr o = jobject();
    jadd(o.get(), "res", 0);
    return json_reply(kReplyJson, o.get());
}

// Group g of "chnFre" channels gets the start address with its last number
// increased by g. The walk ends after "chnNum" groups, at the device's last
// channel, or before an address whose last number would pass 255.
int camera_ip_batch(const char* request)
{
    JsonPtr req = json_parse(request);
    json_object* r = req.get();
    char start[32];
    if (!r || !jtext(r, "startip", start)) return 0;
    const in_addr_t address = inet_addr(start);
    if (address == INADDR_NONE) return 0;
    const u32 host = ntohl(address);

    int limit = get_param_int(kMainDb, "max_cameras", kDefaultMaxCameraChannels);
    if (limit > kMaxCameras) limit = kMaxCameras;
    const int groups = jint(r, "chnNum"), per_group = jint(r, "chnFre");
    auto whole = std::make_unique<char[][32]>(kMaxCameras);
    char (*addresses)[32] = whole.get();
    int channel = 0;
    for (int g = 0; per_group > 0 && g < groups && channel < limit; g++) {
        const u32 last = (host & 0xff) + u32(g);
        if (last > 255) break;
        std::snprintf(addresses[channel], sizeof addresses[channel], "%u.%u.%u.%u", host >> 24, host >> 16 & 0xff,
                      host >> 8 & 0xff, last);
        for (int k = 1; k < per_group && channel + k < limit; k++)
            std::memcpy(addresses[channel + k], addresses[channel], sizeof addresses[channel]);
        channel += per_group < limit - channel ? per_group : limit - channel;
    }
    write_camera_ips(kMainDb, addresses, channel);
    return cgi_reply_ok();
}
