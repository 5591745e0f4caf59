// SPDX-License-Identifier: GPL-2.0-or-later
// The one place the board commands and the trace take the time from, so
// that tests can fix it: the computer's local time sets the controller's
// clock, UTC stamps the trace lines.
#pragma once

#include <common/platform.h>

#include <array>
#include <ctime>

namespace lumivo {

class IClock {
public:
    virtual ~IClock() = default;
    virtual SYSTEMTIME LocalNow() const = 0;
    virtual SYSTEMTIME UtcNow() const = 0;
};

// The computer's clock.
class CSystemClock final : public IClock {
public:
    SYSTEMTIME LocalNow() const override;
    SYSTEMTIME UtcNow() const override;
};
IClock& SystemClock();

// A clock that stands still (tests); the day of the week is worked out
// from the date, and the same time serves as local time and UTC.
class CFixedClock final : public IClock {
public:
    CFixedClock(int year, int month, int day, int hour, int minute, int second);
    SYSTEMTIME LocalNow() const override { return m_time; }
    SYSTEMTIME UtcNow() const override { return m_time; }

private:
    SYSTEMTIME m_time;
};


// 0 = Sunday .. 6 = Saturday for a date of the Gregorian calendar.
int DayOfWeek(int year, int month, int day);

// The 7-byte payload of the set-clock command: year modulo 100, month, day,
// day of the week (1 = Sunday), hour, minute, second.
std::array<BYTE, 7> MakeClockPayload(const SYSTEMTIME& local);

} // namespace lumivo
