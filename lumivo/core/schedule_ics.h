// SPDX-License-Identifier: GPL-2.0-or-later
// A schedule as an iCalendar file (.ics), read and written with libical, so
// that a shop can keep its schedule in any calendar program. An event names
// its Ads by categories "Ad 01", "Ad 03" (the list's own labels, 1-based);
// SUMMARY is the entry's name, DTSTART and DTEND its window, RRULE, EXDATE
// and PRIORITY its days, exceptions and priority. Qt-free.
#pragma once

#include "core/result.h"
#include "core/schedule.h"

#include <ctime>
#include <string>

namespace lumivo {

// .ics files above this size are refused.
constexpr size_t kMaxCalendarBytes = 4u * 1024u * 1024u;

// Reads the events of a calendar into entries (appended to out.entries).
// A malformed file fails naming the line and what is wrong, and out is
// left as it was. An event without an "Ad NN" category, or one that cannot
// be a daily window (longer than a day, a rule that repeats within a day),
// is skipped with a warning naming it. Window times are read as wall-clock
// times; an event in another zone than zone is warned about.
Result ReadCalendar(const std::string& text, const std::string& zone, Schedule& out);

// The schedule as an iCalendar file, events in the schedule's zone (zone
// when the schedule names none), stamped with `stamp`.
std::string WriteCalendar(const Schedule& schedule, const std::string& zone, std::time_t stamp);

} // namespace lumivo
