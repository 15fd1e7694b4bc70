// Demo answers of the live image adjustments and the record calendar: the
// cameras on the first eight channels show the default picture and have
// recorded every day up to today.
#include <cstring>
#include <ctime>

#include "handlers/playback/calendar_records.h"
#include "handlers/playback/live_image_records.h"
#include "tools/emu/emu.h"

namespace {

constexpr int kDemoCameras = 8;

// The values of a channel; a channel without a camera fails.
void demo_image_adjust(const EmuRequest& req, EmuAnswer& answer)
{
    i32 channel = -1;
    if (req.length >= sizeof channel) std::memcpy(&channel, req.payload, sizeof channel);
    ImageAdjustRecord r = zeroed<ImageAdjustRecord>();
    r.chnid = channel;
    if (channel >= 0 && channel < kDemoCameras) {
        const int d = kImageAdjustDefault;
        r.brightness = r.contrast = r.saturation = r.sharpness = r.noise_reduction = d;
    } else {
        r.result = -1;
    }
    answer.reply_record(kReplyImageAdjust, r);
}

// Every day of the month up to today holds recordings on a channel with a
// camera, on either stream.
void demo_calendar(const EmuRequest& req, EmuAnswer& answer)
{
    CalendarReply r = zeroed<CalendarReply>();
    CalendarRequest q;
    if (req.length >= sizeof q) {
        std::memcpy(&q, req.payload, sizeof q);
        const void* one = std::memchr(q.mask, '1', sizeof q.mask);
        const int channel = one ? int(static_cast<const char*>(one) - q.mask) : -1;
        const time_t now = time(nullptr);
        struct tm today;
        localtime_r(&now, &today);
        const long this_month = long(today.tm_year + 1900) * 12 + today.tm_mon;
        const long asked = long(q.year) * 12 + (q.month - 1);
        if (channel >= 0 && channel < kDemoCameras && asked <= this_month) {
            const int last = asked == this_month ? today.tm_mday : days_in_month(q.year, q.month);
            for (int d = 1; d <= last; d++) r.days[d - 1] = 1;
        }
    }
    answer.reply_record(kReplyCalendar, r);
}

const EmuDemoEntry kLiveCalendarDemo[] = {
    {kMsgImageAdjustGet, demo_image_adjust},
    {kMsgCalendar, demo_calendar},
};

}  // namespace

EMU_DEMO_AREA(live_calendar, kLiveCalendarDemo);
