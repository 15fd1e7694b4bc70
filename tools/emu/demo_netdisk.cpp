// Demo answers of network storage and backup: the demo recorder's network
// disk at 192.168.1.20 with two shares, disks that pass their
// self-evaluation, quotas on the first 8 channels, and an eSATA disk on port
// 25 that is idle after its last backup.
#include <cstring>

#include "handlers/storage/netdisk_records.h"
#include "tools/emu/emu.h"

namespace {

constexpr const char* kDemoServer = "192.168.1.20";
constexpr u8 kDemoEsataPort = 25;

void demo_share_search(const EmuRequest& req, EmuAnswer& answer)
{
    ShareSearchRequest in = zeroed<ShareSearchRequest>();
    std::memcpy(&in, req.payload, req.length < sizeof in ? req.length : sizeof in);
    std::vector<u8> out(kShareSearchReplySize, 0);
    ShareSearchHead head{0};
    if (std::strncmp(in.server, kDemoServer, sizeof in.server) == 0) {
        const char* shares[] = {"/export/recordings", "/export/backup"};
        head.count = 2;
        for (int i = 0; i < head.count; i++) {
            SharePath p = zeroed<SharePath>();
            set_text(p.path, shares[i]);
            std::memcpy(out.data() + sizeof head + size_t(i) * sizeof p, &p, sizeof p);
        }
    }
    std::memcpy(out.data(), &head, sizeof head);
    answer.reply(8440, std::move(out), 400);
}

void demo_esata_get(const EmuRequest&, EmuAnswer& answer) { answer.reply_record(8431, EsataMode{1, 1}); }

void demo_self_eval(const EmuRequest&, EmuAnswer& answer)
{
    SelfEvalRecord r = zeroed<SelfEvalRecord>();
    set_text(r.text, "PASSED");
    answer.reply_record(8403, r);
}

void demo_quota_get(const EmuRequest&, EmuAnswer& answer)
{
    QuotaRecord q = zeroed<QuotaRecord>();
    q.enable = 1;
    q.count = kDemoOnline;
    for (int i = 0; i < kDemoOnline; i++) {
        QuotaEntry& e = q.entries[i];
        e.channel = u8(i);
        e.video_quota = 200;
        e.picture_quota = 10;
        e.video_used = 40 + 10 * i;
        e.picture_used = 1;
    }
    answer.reply_record(8529, q);
}

void demo_backup_status(const EmuRequest&, EmuAnswer& answer)
{
    BackupStatusRecord s = zeroed<BackupStatusRecord>();
    s.status = 0;
    set_text(s.last_time, "2024-05-01 02:00:00");
    s.percent = 100.0f;
    s.capacity = 953869;
    answer.reply_record(6317, s);
}

void demo_backup_device(const EmuRequest&, EmuAnswer& answer)
{
    BackupDeviceRecord d = zeroed<BackupDeviceRecord>();
    d.port = kDemoEsataPort;
    d.state = kBackupDeviceUsable;
    answer.reply_records(8457, std::vector<BackupDeviceRecord>{d});
}

void demo_backup_progress(const EmuRequest&, EmuAnswer& answer)
{
    BackupProgressRecord p = zeroed<BackupProgressRecord>();
    p.status = 0;
    p.percent = 100;
    p.port = kDemoEsataPort;
    p.type = 0;
    answer.reply_record(8540, p);
}

const EmuDemoEntry kNetDiskDemo[] = {
    {3507, demo_accepted},
    {3508, demo_accepted},
    {3439, demo_accepted},
    {3496, demo_accepted},
    {3530, demo_accepted},
    {3440, demo_share_search},
    {3475, demo_accepted},
    {3431, demo_esata_get},
    {3403, demo_self_eval},
    {3529, demo_quota_get},
    {1316, demo_accepted},
    {1317, demo_backup_status},
    {3457, demo_backup_device},
    {3535, demo_accepted},
    {3536, demo_accepted},
    {3537, demo_accepted},
    {3540, demo_backup_progress},
};

}  // namespace

EMU_DEMO_AREA(netdisk, kNetDiskDemo);
