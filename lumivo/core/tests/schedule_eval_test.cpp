// SPDX-License-Identifier: GPL-2.0-or-later
// The schedule evaluator on its clock seam: windows, dates, exceptions,
// priorities, the default set, daylight-saving changes, and the state stepped
// minute by minute against the jumps from change to change.
#include "core/schedule_eval.h"

#include <gtest/gtest.h>

using namespace lumivo;

namespace {

ScheduleEntry Entry(std::string name, std::vector<unsigned> pages, const char* start, const char* end,
                    uint8_t days = kAllDays, int priority = kDefaultPriority)
{
    ScheduleEntry e;
    e.name = std::move(name);
    e.pages = std::move(pages);
    e.start = *ParseMinute(start);
    e.end = *ParseMinute(end);
    e.days = days;
    e.priority = priority;
    return e;
}

uint8_t Day(int weekday) { return static_cast<uint8_t>(1u << weekday); }

struct Evaluated {
    explicit Evaluated(Schedule s, std::vector<unsigned> defaults = {0}, unsigned pages = 6)
    {
        const Result r = CScheduleEvaluator::Make(s, defaults, pages, eval);
        EXPECT_TRUE(r) << r.FirstError();
    }
    // Local wall-clock time "YYYY-MM-DD HH:MM" in the schedule's zone.
    std::time_t T(const char* text) const
    {
        const std::string s(text);
        return eval->ToInstant(*ParseDate(s.substr(0, 10)), *ParseMinute(s.substr(11)));
    }
    std::vector<unsigned> Pages(const char* at) const { return eval->At(T(at)).pages; }
    std::unique_ptr<CScheduleEvaluator> eval;
};

Schedule In(const char* zone, std::vector<ScheduleEntry> entries)
{
    Schedule s;
    s.timeZone = zone;
    s.entries = std::move(entries);
    return s;
}

using P = std::vector<unsigned>;

TEST(ScheduleEval, WindowsCoverTheirDaysDatesAndNothingElse)
{
    ScheduleEntry breakfast = Entry("Breakfast", {1}, "06:00", "11:00", kWeekdays);
    ScheduleEntry late = Entry("Late", {2}, "22:00", "02:00", Day(5)); // Friday, past midnight
    ScheduleEntry promo = Entry("Promo", {3}, "15:00", "16:00");
    promo.first = Date{2026, 12, 10};
    promo.last = Date{2026, 12, 12};
    ScheduleEntry lunch = Entry("Lunch", {4}, "11:00", "14:00", kWeekdays);
    lunch.except = {Date{2026, 12, 25}};
    Evaluated e(In("UTC", {breakfast, late, promo, lunch}));

    // 2026-12-14 is a Monday.
    EXPECT_EQ(e.Pages("2026-12-14 05:59"), P{0}) << "before the window: the default set";
    EXPECT_EQ(e.Pages("2026-12-14 06:00"), P{1});
    EXPECT_EQ(e.Pages("2026-12-14 10:59"), P{1});
    EXPECT_EQ(e.Pages("2026-12-14 11:00"), P{4}) << "the end is outside the window";
    EXPECT_EQ(e.Pages("2026-12-13 08:00"), P{0}) << "Sunday";

    EXPECT_EQ(e.Pages("2026-12-19 01:00"), P{2}) << "Saturday 01:00 belongs to Friday's window";
    EXPECT_EQ(e.Pages("2026-12-18 01:00"), P{0}) << "Friday 01:00 belongs to Thursday, which has none";
    EXPECT_EQ(e.Pages("2026-12-18 23:30"), P{2});
    EXPECT_EQ(e.Pages("2026-12-19 02:00"), P{0});

    EXPECT_EQ(e.Pages("2026-12-09 15:30"), P{0}) << "the day before the first date";
    EXPECT_EQ(e.Pages("2026-12-10 15:30"), P{3}) << "the first date";
    EXPECT_EQ(e.Pages("2026-12-12 15:30"), P{3}) << "the last date";
    EXPECT_EQ(e.Pages("2026-12-13 15:30"), P{0}) << "the day after the last date";

    EXPECT_EQ(e.Pages("2026-12-24 12:30"), P{4});
    EXPECT_EQ(e.Pages("2026-12-25 12:30"), P{0}) << "the exception date";
    EXPECT_EQ(e.Pages("2026-12-28 12:30"), P{4});
}

TEST(ScheduleEval, TheHighestPriorityPresentWinsAndEqualPrioritiesUnite)
{
    Evaluated e(In("UTC", {Entry("Opening hours", {0, 1}, "00:00", "24:00", kAllDays, 9),
                          Entry("Lunch", {2}, "11:00", "14:00", kAllDays, 5),
                          Entry("Coffee", {3, 2}, "13:00", "15:00", kAllDays, 5),
                          Entry("Holiday", {5}, "12:00", "12:30", kAllDays, 1),
                          Entry("Gone", {40}, "00:00", "24:00", kAllDays, 1)}),
                {4});
    EXPECT_EQ(e.Pages("2026-06-01 10:00"), (P{0, 1}));
    EXPECT_EQ(e.Pages("2026-06-01 11:30"), P{2}) << "priority 5 over 9";
    EXPECT_EQ(e.Pages("2026-06-01 12:10"), P{5}) << "priority 1 over 5";
    const ScheduleState both = e.eval->At(e.T("2026-06-01 13:30"));
    EXPECT_EQ(both.pages, (P{2, 3})) << "two entries of priority 5: the union";
    EXPECT_EQ(both.entries, (std::vector<size_t>{1, 2}));
    EXPECT_FALSE(both.isDefault);

    Evaluated none(In("UTC", {Entry("Lunch", {2}, "11:00", "14:00")}), {0, 4});
    const ScheduleState idle = none.eval->At(none.T("2026-06-01 09:00"));
    EXPECT_TRUE(idle.isDefault);
    EXPECT_EQ(idle.pages, (P{0, 4})) << "no entry active: the Uses boxes decide";
    EXPECT_TRUE(idle.entries.empty());
}

TEST(ScheduleEval, DaylightSavingChangesFollowTheWallClock)
{
    // Europe/Berlin springs forward on 2026-03-29 at 02:00 CET and falls
    // back on 2026-10-25 at 03:00 CEST.
    Evaluated berlin(In("Europe/Berlin", {Entry("Early", {1}, "02:30", "05:00", Day(0))}));
    const std::time_t gapStart = 1774747800; // 2026-03-29 01:30 UTC = 03:30 CEST
    EXPECT_EQ(berlin.eval->At(gapStart - 60).pages, P{0}) << "02:30 does not exist that day";
    EXPECT_EQ(berlin.eval->At(gapStart).pages, P{1}) << "it reads as 03:30, an hour after 01:30";
    EXPECT_EQ(berlin.eval->At(1774753200 - 1).pages, P{1}); // 04:59:59 CEST
    EXPECT_EQ(berlin.eval->At(1774753200).pages, P{0});
    EXPECT_EQ(berlin.eval->At(1774143000).pages, P{1}) << "a week earlier: 02:30 CET = 01:30 UTC";
    // On the fall-back Sunday "Early" runs from the first 02:30 (CEST) to 05:00 CET.
    const std::time_t fallStart = 1792888200; // 2026-10-25 00:30 UTC = 02:30 CEST
    const std::time_t fallEnd = 1792900800;   // 2026-10-25 04:00 UTC = 05:00 CET
    EXPECT_EQ(berlin.eval->At(fallStart - 1).pages, P{0});
    EXPECT_EQ(berlin.eval->At(fallStart).pages, P{1}) << "the first 02:30 of the night";
    EXPECT_EQ(berlin.eval->At(fallStart + 3600).pages, P{1}) << "the second 02:30 is inside";
    EXPECT_EQ(berlin.eval->At(fallEnd - 1).pages, P{1});
    EXPECT_EQ(berlin.eval->At(fallEnd).pages, P{0}) << "the window lasted 3.5 hours of real time";
    EXPECT_EQ(berlin.eval->NextChange(fallStart, fallStart + 86400), fallEnd);

    // America/New_York springs forward on 2026-03-08 at 02:00 EST and falls
    // back on 2026-11-01 at 02:00 EDT.
    ScheduleEntry spring = Entry("Spring", {3}, "02:30", "04:00", Day(0));
    spring.first = spring.last = Date{2026, 3, 8};
    ScheduleEntry across = Entry("Across", {4}, "00:30", "03:00", Day(0));
    across.first = across.last = Date{2026, 11, 1};
    Evaluated ny(In("America/New_York", {spring, across}));
    EXPECT_EQ(ny.eval->At(1772955000 - 1).pages, P{0}); // 2026-03-08 07:30 UTC = 03:30 EDT
    EXPECT_EQ(ny.eval->At(1772955000).pages, P{3});
    const std::time_t acrossStart = 1793507400; // 2026-11-01 04:30 UTC = 00:30 EDT
    const std::time_t acrossEnd = 1793520000;   // 2026-11-01 08:00 UTC = 03:00 EST
    EXPECT_EQ(ny.eval->At(acrossStart).pages, P{4});
    EXPECT_EQ(ny.eval->At(acrossStart + 3 * 3600).pages, P{4}) << "01:30 EST, the repeated hour";
    EXPECT_EQ(ny.eval->At(acrossEnd - 1).pages, P{4});
    EXPECT_EQ(ny.eval->At(acrossEnd).pages, P{0});
}

TEST(ScheduleEval, SteppingMinuteByMinuteAgreesWithJumpingFromChangeToChange)
{
    ScheduleEntry summer = Entry("Summer", {5}, "18:00", "20:00", Day(6), 2);
    summer.first = Date{2026, 6, 1};
    summer.last = Date{2026, 8, 31};
    ScheduleEntry lunch = Entry("Lunch", {2}, "11:00", "14:00", kWeekdays);
    lunch.except = {Date{2026, 5, 1}, Date{2026, 12, 25}};
    ScheduleEntry monthly = Entry("Monthly", {4}, "09:00", "10:00");
    monthly.rule = "FREQ=MONTHLY;BYMONTHDAY=1";
    monthly.first = Date{2026, 1, 1};
    Evaluated e(In("Europe/Berlin", {Entry("Breakfast", {1}, "06:00", "11:00", kWeekdays),
                                     Entry("Late", {3}, "22:00", "02:30", Day(5) | Day(6)),
                                     Entry("Night", {1, 3}, "01:00", "03:00", Day(0), 4), lunch, summer, monthly}));
    const std::time_t from = e.T("2026-01-01 00:00"), to = e.T("2027-01-01 00:00");
    std::vector<std::time_t> stepped, jumped;
    std::vector<unsigned> last = e.eval->At(from).pages;
    for (std::time_t t = from + 60; t < to; t += 60) {
        std::vector<unsigned> now = e.eval->At(t).pages;
        if (now != last)
            stepped.push_back(t);
        last = std::move(now);
    }
    for (std::optional<std::time_t> t = e.eval->NextChange(from, to); t; t = e.eval->NextChange(*t, to))
        jumped.push_back(*t);
    EXPECT_GT(stepped.size(), 1000u);
    EXPECT_EQ(stepped, jumped);
    EXPECT_EQ(e.Pages("2026-03-01 09:30"), P{4}) << "the calendar rule, on a Sunday";
}

TEST(ScheduleEval, BadSchedulesAreRefusedWithTheirReason)
{
    struct Case {
        const char* what;
        std::function<void(ScheduleEntry&)> spoil;
    } cases[] = {
        {"empty", [](ScheduleEntry& e) { e.end = e.start; }},
        {"before its first", [](ScheduleEntry& e) { e.first = Date{2026, 5, 2}, e.last = Date{2026, 5, 1}; }},
        {"outside 1970", [](ScheduleEntry& e) { e.first = Date{1969, 12, 31}; }},
        {"outside 1970", [](ScheduleEntry& e) { e.except = {Date{2100, 1, 1}}; }},
        {"priority 0", [](ScheduleEntry& e) { e.priority = 0; }},
        {"no day", [](ScheduleEntry& e) { e.days = 0; }},
        {"cannot expand its rule \"FREQ=SOMETIMES\"",
         [](ScheduleEntry& e) { e.rule = "FREQ=SOMETIMES", e.first = Date{2026, 1, 1}; }},
        {"repeats within a day", [](ScheduleEntry& e) { e.rule = "FREQ=HOURLY", e.first = Date{2026, 1, 1}; }},
    };
    for (const Case& c : cases) {
        ScheduleEntry e = Entry("Lunch", {1}, "11:00", "14:00");
        c.spoil(e);
        std::unique_ptr<CScheduleEvaluator> eval;
        const Result r = CScheduleEvaluator::Make(In("UTC", {e}), {}, 3, eval);
        EXPECT_FALSE(r) << c.what;
        EXPECT_TRUE(r.HasMessage(c.what)) << r.FirstError();
        EXPECT_TRUE(r.HasMessage("entry 1 \"Lunch\"")) << r.FirstError();
    }
    Schedule many = In("UTC", std::vector<ScheduleEntry>(501, Entry("x", {0}, "01:00", "02:00")));
    EXPECT_TRUE(CheckSchedule(many).HasMessage("at most 500"));
    EXPECT_TRUE(CheckSchedule(In("Mars/Olympus", {})).HasMessage("\"Mars/Olympus\" is not known"));
}

} // namespace
