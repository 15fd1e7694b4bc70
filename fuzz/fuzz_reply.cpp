// Each reply formatter fed reply frames as the socket library hands them
// over, through the answer its handler asks with (see core_ask): one of the
// reply codes the answer lists (or, now and then, any code, which the answer
// must ignore) and a payload of the header's length (followed by one zero
// byte), whatever the code expects. A formatter that takes a request context
// gets a fresh zeroed one.
//
// Input: formatter selector byte, payload mode byte, reply code selector
// (32-bit little-endian), then the payload bytes. Modes: the bytes as they
// are; an empty payload; the bytes zero-extended to an oversize payload; no
// payload at all (the formatter must then not run).
//
// To fuzz a new formatter, add one line to kFormatters (and include its
// header).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "common/core.h"
#include "fuzz/fuzz_util.h"
#include "handlers/camera/camera.h"
#include "handlers/camera/camera_features.h"
#include "handlers/camera/camera_queries.h"
#include "handlers/event/alarm.h"
#include "handlers/event/people.h"
#include "handlers/event/smart.h"
#include "handlers/event/video.h"
#include "handlers/network/access_services.h"
#include "handlers/network/network.h"
#include "handlers/network/services.h"
#include "handlers/playback/playback.h"
#include "handlers/ptz/ptz.h"
#include "handlers/record/record.h"
#include "handlers/status/status.h"
#include "handlers/storage/storage.h"
#include "handlers/system/device.h"
#include "handlers/system/system.h"

namespace {

struct Formatter {
    const char* name;
    int (*answer)(u32 code_selector, const KxFrameHeader* header, const void* payload);
};

// Runs an answer on a frame, for an exchange of its own: the value the
// exchange was finished with (0: not finished). Bit 31 of the selector keeps
// the fuzzed code as it is; otherwise it picks one of the answer's codes.
int run_answer(const CoreAnswer& a, u32 selector, const KxFrameHeader* header, const void* payload)
{
    KxFrameHeader h = *header;
    if (!(selector & 0x80000000u)) h.code = a.codes[selector % a.code_count];
    CoreExchange exchange;
    core_answer_reply(exchange, a, &h, payload);
    return exchange.done();
}

// Formatter F through its answer for `Codes`: without a context, with a
// fresh zeroed one, or with a fixed one (a constant its handlers pass).
template <auto F, u32... Codes>
int plain(u32 selector, const KxFrameHeader* header, const void* payload)
{
    return run_answer(core_answer<F>({Codes...}), selector, header, payload);
}
template <auto F, typename Ctx, u32... Codes>
int with_context(u32 selector, const KxFrameHeader* header, const void* payload)
{
    Ctx context{};
    return run_answer(core_answer<F>(context, {Codes...}), selector, header, payload);
}
template <auto F, const auto& Value, u32... Codes>
int with_value(u32 selector, const KxFrameHeader* header, const void* payload)
{
    return run_answer(core_answer<F>(Value, {Codes...}), selector, header, payload);
}

const Formatter kFormatters[] = {
    {"core_reply_int", with_value<core_reply_int, kCoreResReply, 8361, 6271>},
    {"ptz_camera_param_reply", plain<ptz_camera_param_reply, 8226>},
    {"ptz_preset_list_reply", plain<ptz_preset_list_reply, 6265, 6268>},
    {"ptz_status_read_reply", plain<ptz_status_read_reply, 6270>},
    {"ptz_channel_status_reply", with_context<ptz_channel_status_reply, int, 8363>},
    {"ptz_port_check_reply", plain<ptz_port_check_reply, 6262>},
    {"motion_result_reply", plain<motion_result_reply, 7502, 7503>},
    {"smart_region_reply", plain<smart_region_reply, 8237, 8238, 8239, 8240>},
    {"smart_region_reply_b", plain<smart_region_reply, 8242, 8243>},
    {"smart_line_reply", plain<smart_line_reply, 8241>},
    {"smart_line_ex_reply", plain<smart_line_ex_reply, 6209>},
    {"smart_people_count_reply", plain<smart_people_count_reply, 8253>},
    {"smart_people_settings_reply", plain<smart_people_settings_reply, 8259, 6211>},
    {"smart_object_reply", plain<smart_object_reply, 8268>},
    {"smart_capability_reply", plain<smart_capability_reply, 8257>},
    {"smart_vca_support_reply", plain<smart_vca_support_reply, 8293>},
    {"smart_status_reply", plain<smart_status_reply, 8244, 8245, 8246, 8247>},
    {"plate_settings_reply", plain<plate_settings_reply, 8289>},
    {"plate_formats_reply", plain<plate_formats_reply, 6207>},
    {"plate_zoom_reply", plain<plate_zoom_reply, 6215>},
    {"regional_pcnt_reply", with_context<regional_pcnt_reply, int, 6220>},
    {"camera_io_reply", plain<camera_io_reply, 8213>},
    {"volume_detect_reply", plain<volume_detect_reply, 8215>},
    {"camera_in_state_reply", plain<camera_in_state_reply, 8298>},
    {"camera_out_state_reply", plain<camera_out_state_reply, 8296>},
    {"anr_set_reply", plain<anr_set_reply, 7285>},
    {"anr_support_reply", plain<anr_support_reply, 7286>},
    {"stream_capability_reply", plain<stream_capability_reply, 8218>},
    {"status_interfaces_reply", plain<status_interfaces_reply, 8301>},
    {"status_traffic_reply", plain<status_traffic_reply, 8302>},
    {"status_channels_reply", plain<status_channels_reply, 8300>},
    {"status_events_reply", plain<status_events_reply, 8305>},
    {"status_disk_space_reply", plain<status_disk_space_reply, 8306>},
    {"status_support_reply", plain<status_support_reply, 8263>},
    {"status_users_reply", plain<status_users_reply, 6719>},
    {"search_reply", plain<search_reply, 6159, 6161>},
    {"open_reply", with_context<open_reply, SessionOpen, 6162>},
    {"session_stream_reply", with_context<session_stream_reply, const StreamPlayTime, 8502>},
    {"play_time_reply", plain<play_time_reply, 6153>},
    {"jump_reply", plain<jump_reply, 6171>},
    {"live_address_reply", with_context<live_address_reply, LiveGiven, 8500>},
    {"transcode_reply", plain<transcode_reply, 6176>},
    {"transcode_state_reply", plain<transcode_state_reply, 6177>},
    {"download_frame_reply", with_context<download_frame_reply, DownloadStream, 6173>},
    {"sync_session_reply", with_context<sync_session_reply, SyncPlaySession, 8103>},
    {"stream_addresses_reply", plain<stream_addresses_reply, 8503>},
    {"external_ports_reply", plain<external_ports_reply, 8506>},
    {"playback_busy_reply", plain<playback_busy_reply, 9011>},
    {"live_image_reply", plain<live_image_reply, 8002>},
    {"calendar_reply", plain<calendar_reply, 8493>},
    {"disk_list_reply", plain<disk_list_reply, 8433>},
    {"disk_format_reply", with_context<disk_format_reply, bool, 8434, 8402>},
    {"array_result_reply", plain<array_result_reply, 8420, 8421, 8423, 8425>},
    {"storage_result_reply", with_context<storage_result_reply, int, 8507, 8508, 8439, 8530>},
    {"share_search_reply", plain<share_search_reply, 8440>},
    {"esata_mode_set_reply", plain<esata_mode_set_reply, 8475>},
    {"esata_mode_get_reply", plain<esata_mode_get_reply, 8431>},
    {"disk_self_eval_reply", plain<disk_self_eval_reply, 8403>},
    {"quota_get_reply", plain<quota_get_reply, 8529>},
    {"backup_status_reply", plain<backup_status_reply, 6317>},
    {"backup_device_reply", plain<backup_device_reply, 8457>},
    {"backup_progress_reply", plain<backup_progress_reply, 8540>},
    {"camera_list_reply", plain<camera_list_reply, 8201>},
    {"camera_search_reply", plain<camera_search_reply, 8200>},
    {"camera_login_test_reply", plain<camera_login_test_reply, 8202>},
    {"camera_ip_change_reply", plain<camera_ip_change_reply, 8205>},
    {"camera_login_test2_reply", plain<camera_login_test2_reply, 8227>},
    {"stream_caps_reply", plain<stream_caps_reply, 8204>},
    {"stream_set_reply", with_context<stream_set_reply, int, 8203>},
    {"stream_query_reply", plain<stream_query_reply, 8360>},
    {"watermark_get_reply", plain<watermark_get_reply, 6213>},
    {"third_stream_get_reply", plain<third_stream_get_reply, 6217>},
    {"image_get_reply", plain<image_get_reply, 8221>},
    {"day_night_get_reply", plain<day_night_get_reply, 8223>},
    {"day_night_set_reply", plain<day_night_set_reply, 8224>},
    {"camera_param_get_reply", plain<camera_param_get_reply, 8225>},
    {"camera_param_set_reply", plain<camera_param_set_reply, 8226>},
    {"image_areas_get_reply", plain<image_areas_get_reply, 8271>},
    {"image_schedule_get_reply", plain<image_schedule_get_reply, 8273, 8277>},
    {"image_exposure_schedule_get_reply", plain<image_exposure_schedule_get_reply, 8275>},
    {"image_profiles_get_reply", plain<image_profiles_get_reply, 8278>},
    {"night_mode_get_reply", plain<night_mode_get_reply, 6219>},
    {"camera_osd_set_reply", plain<camera_osd_set_reply, 8210>},
    {"camera_osd_get_reply", plain<camera_osd_get_reply, 8211>},
    {"camera_map_reply", plain<camera_map_reply, 8206>},
    {"fisheye_set_reply", plain<fisheye_set_reply, 8231>},
    {"fisheye_get_reply", plain<fisheye_get_reply, 8232>},
    {"fisheye_caps_reply", plain<fisheye_caps_reply, 8373>},
    {"auto_tracking_get_reply", plain<auto_tracking_get_reply, 8294>},
    {"camera_identity_reply", plain<camera_identity_reply, 7507>},
    {"camera_motion_get_reply", plain<camera_motion_get_reply, 8358>},
    {"camera_type_reply", plain<camera_type_reply, 7503>},
    {"camera_identities_reply", plain<camera_identities_reply, 7505>},
    {"camera_batch_reply", plain<camera_batch_reply, 8230>},
    {"motion_state_reply", plain<motion_state_reply, 8307>},
    {"camera_url_reply", plain<camera_url_reply, 8377>},
    {"core_command_reply", plain<core_command_reply, 9002>},
    {"chip_code_reply", plain<chip_code_reply, 9004>},
    {"ipc_upgrade_status_reply", plain<ipc_upgrade_status_reply, 8386>},
    {"ipc_upgrade_url_reply", plain<ipc_upgrade_url_reply, 8379>},
    {"audio_get_reply", plain<audio_get_reply, 8371>},
    {"audio_set_reply", plain<audio_set_reply, 8372>},
    {"audio_support_get_reply", plain<audio_support_get_reply, 8376>},
    {"face_set_reply", plain<face_set_reply, 8381>},
    {"pcnt_reports_reply", plain<pcnt_reports_reply, 6423>},
    {"pcnt_group_result_reply", plain<pcnt_group_result_reply, 7290, 7291, 7292, 7293>},
    {"email_test_reply", plain<email_test_reply, 8409>},
    {"time_apply_reply", plain<time_apply_reply, 6701>},
    {"ssl_create_reply", plain<ssl_create_reply, 8316>},
    {"ssl_install_reply", plain<ssl_install_reply, 8318>},
    {"p2p_enable_reply", plain<p2p_enable_reply, 8700>},
    {"p2p_disable_reply", plain<p2p_disable_reply, 8701>},
    {"p2p_state_reply", plain<p2p_state_reply, 8702>},
    {"p2p_check_reply", plain<p2p_check_reply, 8005, 8006>},
    {"snmp_check_reply", plain<snmp_check_reply, 7302>},
    {"page_check_reply", plain<page_check_reply, 8504>},
    {"upgrade_reply", with_context<upgrade_reply, UpgradeAsk, 6713>},
    {"online_info_reply", plain<online_info_reply, 6715>},
    {"firmware_result_reply", plain<firmware_result_reply, 6716, 6717>},
    {"camera_upgrade_reply", plain<camera_upgrade_reply, 8350>},
    {"camera_check_reply", plain<camera_check_reply, 8365>},
    {"device_info_reply", plain<device_info_reply, 8400>},
    {"device_value_reply", plain<device_value_reply, 8265>},
    {"log_search_reply", with_context<log_search_reply, LogSearchAsk, 8495>},
    {"log_export_reply", with_context<log_export_reply, LogExportAsk, 8494>},
    {"log_add_reply", plain<log_add_reply, 8488>},
    {"diagnostic_reply", plain<diagnostic_reply, 8528>},
    {"audio_list_reply", plain<audio_list_reply, 9012>},
    {"audio_status_reply", plain<audio_status_reply, 9013, 9014, 9015, 9016>},
};
constexpr size_t kFormatterCount = sizeof kFormatters / sizeof kFormatters[0];

void setup_once()
{
    static bool done = false;
    if (done) return;
    done = true;
    // Replies go nowhere; a callback that sends a message of its own finds no
    // daemon and gives up at once.
    int devnull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (devnull >= 0) dup2(devnull, STDOUT_FILENO);
    core_set_socket_path((fuzz_scratch_dir() + "/no-daemon").c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    setup_once();
    FuzzInput in(data, size);
    const Formatter& f = kFormatters[in.byte() % kFormatterCount];
    uint8_t mode = in.byte();
    const u32 selector = in.u32();
    KxFrameHeader h{kKxMagic, kKxVersion, 1, selector, 0, 0};
    std::string bytes = in.rest();

    size_t length = bytes.size();
    switch (mode & 3) {
    case 1:
        length = 0;
        break;
    case 2:  // oversize: up to 64 KiB more than the bytes given
        length += size_t(mode >> 2) * 1031 + 1;
        break;
    default:
        break;
    }
    h.length = u32(length);
    // Exactly the buffer the library allocates: the payload and one zero byte.
    auto* payload = static_cast<unsigned char*>(std::calloc(length + 1, 1));
    if (!payload) return 0;
    std::memcpy(payload, bytes.data(), length < bytes.size() ? length : bytes.size());

    if ((mode & 3) == 3) {
        const int done = f.answer(selector, &h, nullptr);
        FUZZ_CHECK(done == 0, std::string(f.name) + " acted on a null payload");
    } else {
        f.answer(selector, &h, payload);
    }
    std::fflush(stdout);
    std::free(payload);
    return 0;
}
