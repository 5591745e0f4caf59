// SPDX-License-Identifier: GPL-2.0-or-later
// The schedule evaluator: which Ads show at an instant, and the next instant
// at which that changes. One evaluator serves the window's preview, the
// command-line tool and the board service. It is Qt-free and depends only on
// schedule.h, libical and the standard library.
//
// Instants are seconds since 1970 UTC (std::time_t); the caller passes them
// in, so the clock is whatever the caller says (tests play a year in
// milliseconds). Windows are wall-clock times in the schedule's time zone
// (the system's when it names none), expanded by libical from each entry's
// recurrence rule. A local time that a daylight-saving change skips is read
// with the offset before the gap (02:30 on a spring-forward day is 03:30); a
// local time that occurs twice is its first occurrence (RFC 5545, 3.3.5).
//
// At an instant the active entries are those whose window covers it; the
// Ads shown are the union of the Ads of the active entries of the highest
// priority present. An entry is active only through Ads that exist: one
// naming none of the project's pages is skipped here and flagged by
// ScheduleProblems. With no active entry the default set (the project's
// Uses boxes) shows.
//
// Thread: an evaluator caches expanded years; use one from one thread at a
// time. libical's zone tables are guarded inside.
#pragma once

#include "core/result.h"
#include "core/schedule.h"

#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumivo {

// What the board shows at an instant.
struct ScheduleState {
    std::vector<unsigned> pages;  // 0-based, ascending
    std::vector<size_t> entries;  // indexes of the entries that put them there (empty for the default)
    bool isDefault = true;        // no entry active: the Uses boxes decide
    bool operator==(const ScheduleState&) const = default;
};

// The clock seam: the current instant. The system clock unless a caller
// gives another (a shifted clock, a test's clock).
using ScheduleClock = std::function<std::time_t()>;
ScheduleClock SystemScheduleClock();

// Local wall-clock time in a zone.
struct LocalTime {
    Date date;
    int minute = 0; // minutes from midnight
    int second = 0;
};

class CScheduleEvaluator {
public:
    // defaultPages: the pages whose Uses box is checked; pageCount: how many
    // pages the project has (references past it are not Ads). Fails, naming
    // the entry, when the schedule does not pass CheckSchedule, and when the
    // time zone is unknown.
    static Result Make(const Schedule& schedule, std::vector<unsigned> defaultPages, unsigned pageCount,
                       std::unique_ptr<CScheduleEvaluator>& out);
    ~CScheduleEvaluator();

    // The state at instant t (1970..2099; clamped to that range).
    ScheduleState At(std::time_t t) const;
    // The first instant after t at which the Ads shown differ from those at
    // t, up to and excluding limit; nullopt when they do not change before.
    std::optional<std::time_t> NextChange(std::time_t t, std::time_t limit) const;

    // Wall-clock time of an instant in the evaluator's zone, and back
    // (a skipped time reads with the offset before the gap; a repeated
    // one is its first occurrence).
    LocalTime ToLocal(std::time_t t) const;
    std::time_t ToInstant(const Date& date, int minute) const;
    const std::string& ZoneName() const { return m_zoneName; }

private:
    struct Impl;
    explicit CScheduleEvaluator(std::unique_ptr<Impl> impl, std::string zone);
    std::unique_ptr<Impl> m_impl;
    std::string m_zoneName;
};

// What "check" reports: entries naming no Ad that exists, Ads shown at no
// second of the year from `from`, pages named that do not exist.
struct ScheduleProblems {
    std::vector<size_t> entriesWithoutAds;
    std::vector<std::pair<size_t, unsigned>> missingPages; // entry, 0-based page
    std::vector<unsigned> unusedPages;
    bool empty() const { return entriesWithoutAds.empty() && missingPages.empty() && unusedPages.empty(); }
};
ScheduleProblems FindScheduleProblems(const Schedule& schedule, const CScheduleEvaluator& eval,
                                      unsigned pageCount, std::time_t from);

// The name of the system's time zone ("Europe/Berlin"): $TZ, else
// /etc/timezone, else the target of /etc/localtime; "UTC" when none is found.
std::string SystemZoneName();

} // namespace lumivo
