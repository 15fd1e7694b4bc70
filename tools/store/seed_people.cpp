// Factory people-counting, camera I/O and snapshot settings: region event
// records naming their channel, nine empty counting groups named "Group 1"
// to "Group 9" with their event rows, three report plans off (daily at
// midnight, to e-mail), camera I/O and volume detection off, and snapshots
// of the main stream at medium quality, one every 5 seconds, kept 30 days.
#include <cstdio>
#include <string>

#include "handlers/event/camera_io_records.h"
#include "handlers/event/people_records.h"
#include "tools/store/seeds.h"

namespace {

int seed_regions(const char* into)
{
    static RegionalPcntEventRecord rows[kEventChannels];
    for (int region = 0; region < kPcntRegions; region++) {
        char name[64];
        std::snprintf(name, sizeof name, "%s_%d", kRegionalPcntEventKind.table, region);
        for (int channel = 0; channel < kEventChannels; channel++) {
            rows[channel] = zeroed<RegionalPcntEventRecord>();
            rows[channel].chnid = channel;
        }
        if (store_write_all(into, StoreKind<RegionalPcntEventRecord>{name, kEventChannels}, rows, kEventChannels) != 0)
            return -1;
    }
    return 0;
}

int seed_groups(const char* into)
{
    PeoplecntGroupRecord groups[kPcntGroups];
    PeoplecntEventRecord events[kPcntGroups];
    for (int g = 0; g < kPcntGroups; g++) {
        groups[g] = zeroed<PeoplecntGroupRecord>();
        groups[g].groupid = g;
        groups[g].liveview_font_size = 1;
        std::snprintf(groups[g].name, sizeof groups[g].name, "Group %d", g + 1);
        set_text(groups[g].auto_day_time, "00:00");
        events[g] = zeroed<PeoplecntEventRecord>();
        events[g].groupid = g;
    }
    if (store_write_all(into, kPeoplecntSettingsKind, groups, kPcntGroups) != 0) return -1;
    return store_write_all(into, kPeoplecntEventKind, events, kPcntGroups);
}

int seed_reports(const char* into)
{
    PeoplecntReportPlan plans[kPcntReportPlans];
    for (int i = 0; i < kPcntReportPlans; i++) {
        plans[i] = zeroed<PeoplecntReportPlan>();
        plans[i].report_type = i;  // daily, weekly, monthly
        set_text(plans[i].backup_time, "00:00");
    }
    return store_write_all(into, kPeoplecntReportKind, plans, kPcntReportPlans);
}

int seed_camera_io(const char* into)
{
    static CameraTriggerRecord triggers[kEventChannels];
    static SnapshotSettingsRecord snapshots[kEventChannels];
    for (int c = 0; c < kEventChannels; c++) {
        triggers[c] = zeroed<CameraTriggerRecord>();
        triggers[c].cam_id = c;
        snapshots[c] = zeroed<SnapshotSettingsRecord>();
        snapshots[c].quality = 1;
        snapshots[c].interval = 5;
        snapshots[c].interval_unit = 0;
        snapshots[c].expiration_date = 30;
        snapshots[c].resolution = 0;
    }
    if (store_write_all(into, kCameraIoKind, triggers, kEventChannels) != 0) return -1;
    if (store_write_all(into, kVolumeDetectKind, triggers, kEventChannels) != 0) return -1;
    return store_write_all(into, kSnapshotKind, snapshots, kEventChannels);
}

int seed_people(const char* db, const char* into, const InitOptions&)
{
    if (std::string(db) != kMainDb) return 0;
    if (seed_regions(into) != 0 || seed_groups(into) != 0 || seed_reports(into) != 0 || seed_camera_io(into) != 0)
        return -1;
    return 0;
}

}  // namespace

NVR_STORE_SEED(seed_people);
