// SPDX-License-Identifier: GPL-2.0-or-later
// A project's schedule: when each Ad shows. A schedule is a list of entries;
// each names Ads (pages), a daily window, the days of the week, an optional
// date range, exception dates and a priority. This header holds the model,
// its checks, its JSON form (the "schedule" section of the companion file)
// and the renumbering that keeps page references on their Ads. Evaluation
// lives in schedule_eval.h. Qt-free.
#pragma once

#include "core/result.h"

#include <nlohmann/json.hpp>

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumivo {

constexpr size_t kMaxScheduleEntries = 500;
constexpr int kFirstScheduleYear = 1970;
constexpr int kLastScheduleYear = 2099;
constexpr int kDefaultPriority = 5;

// A calendar date (local, Gregorian).
struct Date {
    int year = 1970;
    int month = 1;
    int day = 1;
    auto operator<=>(const Date&) const = default;
};

// Days since 1970-01-01 (may be negative), and back.
int DayNumber(const Date& d);
Date FromDayNumber(int days);
// 0 = Sunday .. 6 = Saturday.
int Weekday(const Date& d);
// "YYYY-MM-DD", and read back; nullopt for anything else or a date that
// does not exist.
std::string FormatDate(const Date& d);
std::optional<Date> ParseDate(const std::string& text);
// "HH:MM" (minutes from midnight, 0..1440), and read back ("24:00" allowed).
std::string FormatMinute(int minute);
std::optional<int> ParseMinute(const std::string& text);

// Day bits: bit d is weekday d (0 = Sunday).
constexpr uint8_t kAllDays = 0x7f;
constexpr uint8_t kWeekdays = 0x3e; // Mon..Fri

struct ScheduleEntry {
    std::string name;
    // 0-based page numbers, ascending, no repeats. May be empty once its
    // Ads are deleted: the entry is then flagged, never dropped.
    std::vector<unsigned> pages;
    int start = 0;               // minutes from midnight, 0..1439
    int end = 0;                 // 1..1440; an end at or before start runs past midnight
    uint8_t days = kAllDays;
    std::optional<Date> first;   // the first and last days the window may start on
    std::optional<Date> last;
    std::vector<Date> except;    // days on which the window does not start
    int priority = kDefaultPriority; // 1 (highest) .. 9
    // An iCalendar RRULE (without "RRULE:") from an imported calendar that
    // the days cannot express; it then replaces the days and first is its
    // DTSTART. Empty: weekly on the days.
    std::string rule;

    bool operator==(const ScheduleEntry&) const = default;
    // Length of the window in minutes (1..1440).
    int Length() const { return end > start ? end - start : end + 1440 - start; }
    // The recurrence as RRULE text: the stored rule, else weekly on the days.
    std::string RuleText() const;
};

struct Schedule {
    std::vector<ScheduleEntry> entries;
    // An IANA zone name ("Europe/Berlin"); empty: the system's time zone.
    std::string timeZone;

    bool empty() const { return entries.empty(); }
    bool operator==(const Schedule&) const = default;
};

// Refuses what cannot be evaluated, naming the entry and what is wrong:
// an empty name, an empty window, minutes out of range, no days,
// dates outside 1970-2099, a last date before the first, a priority outside
// 1..9, a rule libical does not read (with its text), more than 500 entries.
Result CheckEntry(const ScheduleEntry& entry);
Result CheckSchedule(const Schedule& schedule);
// Whether libical knows the zone ("UTC" and IANA names such as "Europe/Berlin").
bool ZoneKnown(const std::string& name);

// The JSON form: {"timeZone": "...", "entries": [{"name", "pages" (1-based),
// "start", "end", "days", "first", "last", "except", "priority", "rule"}]}.
nlohmann::json ScheduleToJson(const Schedule& schedule);
// Reads and checks; an error names the place ("entries[2].start") and what
// is wrong. On failure schedule is left as it was.
Result ScheduleFromJson(const nlohmann::json& json, Schedule& schedule);

// ---- Page references follow the Ads.
// A page was inserted at `page`: references at or after it move one up.
void SchedulePageInserted(Schedule& schedule, unsigned page);
// Page `page` was removed: references to it go, later ones move one down.
void SchedulePageDeleted(Schedule& schedule, unsigned page);
// Where page `page` is once page `from` has moved to position `to` (both
// 0-based; the pages between close up).
unsigned PageAfterMove(unsigned page, unsigned from, unsigned to);
// Page `from` moved to position `to`: every reference follows its Ad.
void SchedulePageMoved(Schedule& schedule, unsigned from, unsigned to);
// The entries (by index) that name page `page`: what an undo of its
// deletion gives back.
std::vector<size_t> EntriesNaming(const Schedule& schedule, unsigned page);

// ---- Text for people.
// The words of the descriptions; English unless a caller gives its own (the
// window gives its interface language's). "%s" in the parts is the value.
struct WhenWords {
    std::string days[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::string daily = "daily";
    std::string from = "from %s";
    std::string until = "until %s";
    std::string exceptOne = "except 1 day";
    std::string exceptMany = "except %s days";
    std::string byDefault = "default";
};
// "Mon–Fri 06:00–11:00", "Sat, Sun 22:00–02:00", with " from", " until"
// and " except" parts when set; the rule text for a calendar rule.
std::string DescribeWhen(const ScheduleEntry& entry, const WhenWords& words = {});
// When the page is shown: the entries naming it joined by "; ", "default"
// when it plays where nothing is scheduled (both when both), "" when never.
std::string DescribePage(const Schedule& schedule, unsigned page, bool usedByDefault, const WhenWords& words = {});
// Three-letter English day names, Sunday first.
const char* DayName(int weekday);

} // namespace lumivo
