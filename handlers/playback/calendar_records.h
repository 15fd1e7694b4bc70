// Record calendar: which days of a month hold recordings of one channel.
#pragma once

#include "platform/record.h"

constexpr u32 kMsgCalendar = 3493;    // CalendarRequest; reply 8493 CalendarReply
constexpr u32 kReplyCalendar = 8493;
constexpr int kCalendarDays = 31;
constexpr int kCalendarChannels = 64;
constexpr size_t kCalendarTimeMax = 31;

// The month asked for (3493).
struct CalendarRequest {
    i32 stream;                     //  0  1 = sub stream, else 0
    i32 year;                       //  4  four digits
    i32 month;                      //  8  1..12
    char mask[kCalendarChannels];   // 12  '0' everywhere, '1' at the channel; no terminating zero
    u8 zero[4];                     // 76
};
NVR_RECORD_SIZE(CalendarRequest, 80);

// The days with recordings (8493); only the first record is read.
struct CalendarReply {
    i32 unused0;              //   0
    i32 days[kCalendarDays];  //   4  day 1..31: non-zero = recordings that day
    u8 unused1[4];            // 128
};
NVR_RECORD_SIZE(CalendarReply, 132);

// Days of a month of the Gregorian calendar (month 1..12; 0 for another).
inline int days_in_month(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}
