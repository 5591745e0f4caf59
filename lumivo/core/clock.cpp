// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/clock.h"

#include <common/datetime.h>

#include <ctime>

namespace lumivo {
namespace {

SYSTEMTIME Now(bool local)
{
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    if (local)
        ::localtime_r(&ts.tv_sec, &tm);
    else
        ::gmtime_r(&ts.tv_sec, &tm);
    return common::SystemTimeFromTm(tm, ts.tv_nsec);
}

} // namespace

SYSTEMTIME CSystemClock::LocalNow() const { return Now(true); }
SYSTEMTIME CSystemClock::UtcNow() const { return Now(false); }

IClock& SystemClock()
{
    static CSystemClock clock;
    return clock;
}

int DayOfWeek(int year, int month, int day)
{
    // Sakamoto's method.
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 1 || month > 12)
        return 0;
    if (month < 3)
        year -= 1;
    const int w = (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
    return w < 0 ? w + 7 : w;
}

CFixedClock::CFixedClock(int year, int month, int day, int hour, int minute, int second)
{
    m_time.wYear = static_cast<WORD>(year);
    m_time.wMonth = static_cast<WORD>(month);
    m_time.wDay = static_cast<WORD>(day);
    m_time.wDayOfWeek = static_cast<WORD>(DayOfWeek(year, month, day));
    m_time.wHour = static_cast<WORD>(hour);
    m_time.wMinute = static_cast<WORD>(minute);
    m_time.wSecond = static_cast<WORD>(second);
}

std::array<BYTE, 7> MakeClockPayload(const SYSTEMTIME& t)
{
    return {static_cast<BYTE>(t.wYear % 100), static_cast<BYTE>(t.wMonth),     static_cast<BYTE>(t.wDay),
            static_cast<BYTE>(t.wDayOfWeek % 7 + 1), static_cast<BYTE>(t.wHour), static_cast<BYTE>(t.wMinute),
            static_cast<BYTE>(t.wSecond)};
}

} // namespace lumivo
