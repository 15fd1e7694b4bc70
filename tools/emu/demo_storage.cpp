// Demo answers of the storage area: a recorder with two local disks and one
// network disk.
#include <cstring>

#include "handlers/storage/storage_records.h"
#include "tools/emu/emu.h"

namespace {

constexpr i32 kDemoNetworkPort = 17;

DiskRecord demo_disk(i32 port, const char* vendor, u64 total, u64 used)
{
    DiskRecord d = zeroed<DiskRecord>();
    d.port = port;
    set_text(d.vendor, vendor);
    d.state = 0;
    d.total_size = total;
    d.used_size = used;
    d.free_size = total - used;
    d.property = 0;
    return d;
}

i32 request_port(const EmuRequest& req)
{
    i32 port = -1;
    if (req.length >= sizeof port) std::memcpy(&port, req.payload, sizeof port);
    return port;
}

void demo_disk_list(const EmuRequest&, EmuAnswer& answer)
{
    std::vector<DiskRecord> disks;
    disks.push_back(demo_disk(1, "ST2000VX015", 2199023255552ull, 879609302220ull));
    disks.push_back(demo_disk(2, "WD10PURZ", 1000204886016ull, 104857600000ull));
    DiskRecord nas = demo_disk(kDemoNetworkPort, "NAS", 4398046511104ull, 1099511627776ull);
    nas.type = kDiskTypeNetwork;
    nas.property = 1;
    set_text(nas.address, "192.168.1.20");
    set_text(nas.directory, "/export/recordings");
    disks.push_back(nas);
    answer.reply_records(8433, disks);
}

// Formatting takes a moment; an unknown port cannot be formatted.
void demo_format(const EmuRequest& req, EmuAnswer& answer)
{
    const i32 port = request_port(req);
    const StorageResult r{port == 1 || port == 2 || port == kDemoNetworkPort ? 0 : -1};
    answer.reply_record(8434, r, 300);
}

void demo_array_ok(const EmuRequest& req, EmuAnswer& answer)
{
    answer.reply_record(req.code + 5000, StorageResult{0});
}

const EmuDemoEntry kStorageDemo[] = {
    {3433, demo_disk_list},
    {3434, demo_format},
    {3420, demo_array_ok},
    {3421, demo_array_ok},
    {3423, demo_array_ok},
    {3424, demo_array_ok},
    {3425, demo_array_ok},
};

}  // namespace

EMU_DEMO_AREA(storage, kStorageDemo);
