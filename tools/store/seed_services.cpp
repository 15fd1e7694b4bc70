// Factory network services: PPPoE, DDNS and e-mail off with their usual
// ports, multicast off, the usual service ports with SSH off, and no
// events pushed to mobile clients.
#include "handlers/network/services_records.h"
#include "tools/store/seeds.h"

static int seed_services(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    PppoeRow pppoe = zeroed<PppoeRow>();
    pppoe.auto_connect = 1;

    DdnsRow ddns = zeroed<DdnsRow>();
    ddns.update_freq = 60;
    ddns.http_port = 80;
    ddns.rtsp_port = 554;

    EmailRow mail = zeroed<EmailRow>();
    mail.smtp_port = 25;
    mail.attach = 1;
    mail.capture_interval = 60;

    PortRow port = zeroed<PortRow>();
    port.enable_ssh = 0;
    port.ssh_port = 22;
    port.http_port = 80;
    port.rtsp_port = 554;
    port.service_port = 6036;
    port.https_port = 443;
    port.pos_port = 38800;

    MulticastRow multicast = zeroed<MulticastRow>();
    set_text(multicast.address, "239.255.42.42");

    PushEventRow events[kPushChannels];
    for (int i = 0; i < kPushChannels; i++) events[i] = PushEventRow{i, 0};
    PushPosRow pos = zeroed<PushPosRow>();

    if (store_write(into, kPppoeKind, 0, pppoe) || store_write(into, kDdnsKind, 0, ddns) ||
        store_write(into, kEmailKind, 0, mail) || store_write(into, kPortKind, 0, port) ||
        store_write(into, kMulticastKind, 0, multicast) ||
        store_write_all(into, kPushEventKind, events, kPushChannels) || store_write(into, kPushPosKind, 0, pos))
        return -1;
    static const struct {
        const char* key;
        const char* value;
    } kKeys[] = {
        {kKeyChannelAccess, "0"}, {kKeyPushType, "0"},   {kKeyPushAlarmInType, "65535"},
        {kKeyPushEnable, "0"},    {kKeyPushStream, "0"}, {kKeyPoePorts, "0"},
    };
    for (const auto& k : kKeys)
        if (put_param_value(into, k.key, k.value) != 0) return -1;
    return 0;
}
NVR_STORE_SEED(seed_services);
