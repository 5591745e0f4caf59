// SPDX-License-Identifier: GPL-2.0-or-later
// Schedules to and from iCalendar files: what a calendar program writes is
// read, what we write reads back the same, damage names its line.
#include "core/schedule_ics.h"

#include <gtest/gtest.h>

using namespace lumivo;

namespace {

const char* kShop = "BEGIN:VCALENDAR\r\n"
                    "VERSION:2.0\r\n"
                    "PRODID:-//Some calendar//EN\r\n"
                    "BEGIN:VEVENT\r\n"
                    "UID:1@example\r\n"
                    "SUMMARY:Breakfast\r\n"
                    "CATEGORIES:Ad 01,Ad 03\r\n"
                    "DTSTART;TZID=Europe/Berlin:20261201T060000\r\n"
                    "DTEND;TZID=Europe/Berlin:20261201T110000\r\n"
                    "RRULE:FREQ=WEEKLY;BYDAY=MO,TU,WE,TH,FR\r\n"
                    "EXDATE;TZID=Europe/Berlin:20261225T060000\r\n"
                    "PRIORITY:3\r\n"
                    "END:VEVENT\r\n"
                    "BEGIN:VEVENT\r\n"
                    "UID:2@example\r\n"
                    "SUMMARY:Late\r\n"
                    "CATEGORIES:Work,ad 2\r\n"
                    "DTSTART;TZID=Europe/Berlin:20261204T220000\r\n"
                    "DURATION:PT4H\r\n"
                    "RRULE:FREQ=WEEKLY;UNTIL=20261231T225959Z\r\n"
                    "END:VEVENT\r\n"
                    "BEGIN:VEVENT\r\n"
                    "UID:3@example\r\n"
                    "SUMMARY:Dentist\r\n"
                    "DTSTART:20261201T100000\r\n"
                    "DTEND:20261201T110000\r\n"
                    "END:VEVENT\r\n"
                    "BEGIN:VEVENT\r\n"
                    "UID:4@example\r\n"
                    "SUMMARY:First of the month\r\n"
                    "CATEGORIES:Ad 04\r\n"
                    "DTSTART;TZID=Europe/Berlin:20260101T090000\r\n"
                    "DTEND;TZID=Europe/Berlin:20260101T100000\r\n"
                    "RRULE:FREQ=MONTHLY;BYMONTHDAY=1\r\n"
                    "END:VEVENT\r\n"
                    "END:VCALENDAR\r\n";

TEST(ScheduleIcs, ACalendarProgramsEventsBecomeEntries)
{
    Schedule s;
    const Result r = ReadCalendar(kShop, "Europe/Berlin", s);
    ASSERT_TRUE(r) << r.FirstError();
    EXPECT_TRUE(r.HasMessage("event \"Dentist\" names no Ad")) << "reported, not guessed at";
    ASSERT_EQ(s.entries.size(), 3u);
    const ScheduleEntry& b = s.entries[0];
    EXPECT_EQ(b.name, "Breakfast");
    EXPECT_EQ(b.pages, (std::vector<unsigned>{0, 2}));
    EXPECT_EQ(FormatMinute(b.start) + "-" + FormatMinute(b.end), "06:00-11:00");
    EXPECT_EQ(b.days, kWeekdays);
    EXPECT_EQ(b.except, (std::vector<Date>{{2026, 12, 25}}));
    EXPECT_EQ(b.priority, 3);
    EXPECT_TRUE(b.rule.empty());
    const ScheduleEntry& late = s.entries[1];
    EXPECT_EQ(late.pages, (std::vector<unsigned>{1}));
    EXPECT_EQ(FormatMinute(late.start) + "-" + FormatMinute(late.end), "22:00-02:00");
    EXPECT_EQ(late.days, 1u << 5) << "weekly on DTSTART's day, a Friday";
    EXPECT_EQ(late.last, (Date{2026, 12, 31})) << "UNTIL 23:59:59 Berlin time";
    EXPECT_EQ(late.priority, kDefaultPriority);
    EXPECT_EQ(s.entries[2].rule, "FREQ=MONTHLY;BYMONTHDAY=1") << "a rule the days cannot say is kept";
}

TEST(ScheduleIcs, WhatWeWriteReadsBackTheSame)
{
    Schedule s;
    ASSERT_TRUE(ReadCalendar(kShop, "Europe/Berlin", s));
    ScheduleEntry open;
    open.name = "Opening hours, all year";
    open.pages = {4};
    open.start = 0;
    open.end = 1440;
    open.priority = 9;
    s.entries.push_back(open);
    s.timeZone = "Europe/Berlin";
    const std::string text = WriteCalendar(s, "", 1765000000);
    EXPECT_NE(text.find("CATEGORIES:Ad 01"), std::string::npos) << text;
    EXPECT_NE(text.find("BEGIN:VTIMEZONE"), std::string::npos);
    Schedule back;
    back.timeZone = "Europe/Berlin";
    const Result r = ReadCalendar(text, "Europe/Berlin", back);
    ASSERT_TRUE(r) << r.FirstError() << "\n" << text;
    EXPECT_EQ(back, s) << text;
}

TEST(ScheduleIcs, DamageNamesItsLineAndReplacesNothing)
{
    Schedule s;
    s.entries.resize(1);
    const std::string noColon = "BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\nSUMMARY:x\nCATEGORIES Ad 01\nEND:VEVENT\nEND:VCALENDAR\n";
    Result r = ReadCalendar(noColon, "UTC", s);
    EXPECT_FALSE(r);
    EXPECT_TRUE(r.HasMessage("line 5: \"CATEGORIES Ad 01\" is not a property")) << r.FirstError();
    r = ReadCalendar("BEGIN:VCALENDAR\nBEGIN:VEVENT\nSUMMARY:x\nEND:VCALENDAR\n", "UTC", s);
    EXPECT_TRUE(r.HasMessage("line 4: END:VCALENDAR does not close BEGIN:VEVENT")) << r.FirstError();
    r = ReadCalendar("BEGIN:VCALENDAR\nBEGIN:VEVENT\nSUMMARY:Odd\nCATEGORIES:Ad 01\nDTSTART:20261201T100000\n"
                     "DTEND:20261201T110000\nRRULE:FREQ=HOURLY\nEND:VEVENT\nEND:VCALENDAR\n",
                     "UTC", s);
    EXPECT_TRUE(r.HasMessage("event \"Odd\": its rule \"FREQ=HOURLY\" repeats within a day")) << r.FirstError();
    EXPECT_EQ(s.entries.size(), 1u) << "nothing was added";
}

} // namespace
