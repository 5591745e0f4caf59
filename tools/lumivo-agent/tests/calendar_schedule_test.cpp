// SPDX-License-Identifier: GPL-2.0-or-later
// The agent's schedule seam over the project core's evaluator: the pages in
// force, why, and when the loop must look again.
#include "calendar_schedule.h"

#include "core/companion.h"
#include "core/project.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

using namespace agent;

TEST(CalendarSchedule, AnEntryInForceWinsOverTheUsesBoxesUntilItsEnd)
{
    lumivo::CProjectCore project([](int) { return std::optional<std::vector<uint8_t>>(); });
    ASSERT_TRUE(project.LoadFile(std::filesystem::path(std::getenv("LUMIVO_SOURCE_DIR")) / "examples" / "welcome.qvndoc"));
    const std::vector<unsigned> defaults = UsedPages(project);
    ASSERT_GT(project.PageCount(), 3u);

    lumivo::Schedule schedule;
    schedule.timeZone = "UTC";
    lumivo::ScheduleEntry lunch;
    lunch.name = "Lunch";
    lunch.pages = {2};
    lunch.start = 11 * 60;
    lunch.end = 14 * 60;
    schedule.entries.push_back(lunch);
    lumivo::CCompanion companion;
    companion.SetSchedule(schedule);

    CCalendarSchedule source;
    ASSERT_TRUE(source.Load(companion.Text(), "application/json"));
    const Ms day = Ms(1796169600) * kSecond; // 2026-12-02 00:00 UTC
    const ScheduleAnswer noon = source.At(project, day + 12 * 3600 * kSecond);
    EXPECT_EQ(std::vector<unsigned>{3}, noon.pages);
    EXPECT_NE(noon.why.find("Lunch"), std::string::npos) << noon.why;
    EXPECT_EQ(day + 14 * 3600 * kSecond, noon.nextChange);

    const ScheduleAnswer evening = source.At(project, day + 20 * 3600 * kSecond);
    EXPECT_EQ(defaults, evening.pages);
    EXPECT_EQ(day + (24 + 11) * 3600 * kSecond, evening.nextChange);

    // A body that is no schedule is refused and the one in force stays.
    EXPECT_FALSE(source.Load("BEGIN:VCALENDAR\nnonsense", "text/calendar"));
    EXPECT_EQ(std::vector<unsigned>{3}, source.At(project, day + 12 * 3600 * kSecond).pages);
    // An empty body removes it: the Uses boxes decide again.
    ASSERT_TRUE(source.Load("", "application/json"));
    EXPECT_EQ(defaults, source.At(project, day + 12 * 3600 * kSecond).pages);
}

} // namespace
