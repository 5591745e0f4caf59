// SPDX-License-Identifier: BSD-2-Clause
#include "common/datetime.h"

#include <gtest/gtest.h>

using common::FormatDate;
using common::FormatTime;

namespace {

SYSTEMTIME At(WORD y, WORD mo, WORD d, WORD h = 0, WORD mi = 0, WORD s = 0)
{
    SYSTEMTIME t;
    t.wYear = y, t.wMonth = mo, t.wDay = d, t.wHour = h, t.wMinute = mi, t.wSecond = s;
    t.wDayOfWeek = 6; // deliberately wrong: the formatter works the day out itself
    return t;
}

constexpr LANGID kEn = 0x409, kKo = 0x412, kZh = 0x804;

} // namespace

TEST(DateFormat, EveryLetterInEveryLanguage)
{
    const SYSTEMTIME t = At(2026, 3, 5, 9, 7, 3); // a Thursday
    const char16_t* picture = u"d|dd|ddd|dddd|M|MM|MMM|MMMM|y|yy|yyyy|g|gg";
    EXPECT_EQ(FormatDate(kEn, t, picture), u"5|05|Thu|Thursday|3|03|Mar|March|26|26|2026|A.D.|A.D.");
    EXPECT_EQ(FormatDate(kKo, t, picture), u"5|05|목|목요일|3|03|3월|3월|26|26|2026|서기|서기");
    EXPECT_EQ(FormatDate(kZh, t, picture), u"5|05|周四|星期四|3|03|3月|三月|26|26|2026|公元|公元");
    // Primary language ids alone select the same names; others fall back to English.
    EXPECT_EQ(FormatDate(0x12, t, u"dddd"), u"목요일");
    EXPECT_EQ(FormatDate(0x04, t, u"MMMM"), u"三月");
    EXPECT_EQ(FormatDate(0x407, t, u"dddd MMMM"), u"Thursday March");
    // Long runs read as the longest form; y counts from 3 letters on as the full year.
    EXPECT_EQ(FormatDate(kEn, t, u"ddddd MMMMM yyy yyyyy"), u"Thursday March 2026 2026");
    EXPECT_EQ(FormatDate(kEn, At(2009, 12, 31), u"y yy"), u"9 09");
    EXPECT_EQ(FormatDate(kEn, At(2000, 1, 2), u"dddd ddd"), u"Sunday Sun");
    EXPECT_EQ(FormatDate(kZh, At(2000, 1, 2), u"dddd ddd"), u"星期日 周日");
    EXPECT_EQ(FormatDate(kKo, At(2026, 12, 12), u"MMMM dddd"), u"12월 토요일");
    EXPECT_EQ(FormatDate(kZh, At(2026, 12, 12), u"MMMM MMM"), u"十二月 12月");
}

TEST(TimeFormat, EveryLetterInEveryLanguage)
{
    const char16_t* picture = u"h|hh|H|HH|m|mm|s|ss|t|tt";
    EXPECT_EQ(FormatTime(kEn, At(2026, 3, 5, 9, 7, 3), picture), u"9|09|9|09|7|07|3|03|A|AM");
    EXPECT_EQ(FormatTime(kEn, At(2026, 3, 5, 21, 45, 59), picture), u"9|09|21|21|45|45|59|59|P|PM");
    EXPECT_EQ(FormatTime(kKo, At(2026, 3, 5, 9, 7, 3), picture), u"9|09|9|09|7|07|3|03|오|오전");
    EXPECT_EQ(FormatTime(kKo, At(2026, 3, 5, 13, 0, 0), u"tt h:mm"), u"오후 1:00");
    EXPECT_EQ(FormatTime(kZh, At(2026, 3, 5, 9, 7, 3), u"tt hh:mm"), u"上午 09:07");
    EXPECT_EQ(FormatTime(kZh, At(2026, 3, 5, 12, 30, 0), u"tt h:mm"), u"下午 12:30");
    // Midnight and noon on the 12-hour clock.
    EXPECT_EQ(FormatTime(kEn, At(2026, 3, 5, 0, 5, 0), u"hh:mm tt"), u"12:05 AM");
    EXPECT_EQ(FormatTime(kEn, At(2026, 3, 5, 12, 5, 0), u"h:mm tt"), u"12:05 PM");
    EXPECT_EQ(FormatTime(kEn, At(2026, 3, 5, 0, 5, 0), u"H:mm"), u"0:05");
}

TEST(DateTimeFormat, QuotesAndForeignLetters)
{
    const SYSTEMTIME t = At(2026, 3, 5, 9, 7, 3);
    EXPECT_EQ(FormatDate(kEn, t, u"'Today is' dddd"), u"Today is Thursday");
    EXPECT_EQ(FormatDate(kEn, t, u"'it''s' d"), u"it's 5");
    EXPECT_EQ(FormatDate(kEn, t, u"d '' M"), u"5 ' 3");
    EXPECT_EQ(FormatDate(kEn, t, u"d 'unclosed dddd"), u"5 unclosed dddd");
    EXPECT_EQ(FormatDate(kKo, t, u"yyyy'년' M'월' d'일' dddd"), u"2026년 3월 5일 목요일");
    // A date picture leaves time letters alone, and a time picture date letters.
    EXPECT_EQ(FormatDate(kEn, t, u"d hh:mm tt"), u"5 hh:mm tt");
    EXPECT_EQ(FormatTime(kEn, t, u"HH dd MM yy"), u"09 dd MM yy");
    EXPECT_EQ(FormatDate(kEn, t, u""), u"");
}

TEST(DateTimeFormat, InvalidInputAndTheDesktopCalls)
{
    EXPECT_EQ(FormatDate(kEn, At(2026, 2, 29), u"d"), u"");
    EXPECT_EQ(FormatDate(kEn, At(2024, 2, 29), u"dddd d"), u"Thursday 29");
    EXPECT_EQ(FormatDate(kEn, At(2026, 13, 1), u"MMMM"), u"");
    EXPECT_EQ(FormatDate(kEn, At(2026, 0, 1), u"MMM"), u"");
    EXPECT_EQ(FormatTime(kEn, At(2026, 1, 1, 24, 0, 0), u"H"), u"");
    EXPECT_EQ(FormatTime(kEn, At(2026, 1, 1, 0, 60, 0), u"m"), u"");

    const SYSTEMTIME t = At(2026, 3, 5, 9, 7, 3);
    char16_t buffer[255];
    EXPECT_EQ(GetDateFormatW(kKo, 0, &t, u"yyyy-MM-dd", buffer, 255), 11);
    EXPECT_EQ(std::u16string(buffer), u"2026-03-05");
    EXPECT_EQ(GetDateFormatW(kKo, 0, &t, u"yyyy-MM-dd", nullptr, 0), 11);
    // Too small a buffer fails without writing past it.
    char16_t small[4] = {u'a', u'b', u'c', u'd'};
    EXPECT_EQ(GetDateFormatW(kEn, 0, &t, u"dddd", small, 4), 0);
    EXPECT_EQ(GetTimeFormatW(kEn, 0, &t, u"tt", small, 3), 3);
    EXPECT_EQ(std::u16string(small), u"AM");
    EXPECT_EQ(GetTimeFormatW(kEn, 0, &t, nullptr, buffer, 255), 11);
    EXPECT_EQ(std::u16string(buffer), u"9:07:03 AM");
    const SYSTEMTIME bad = At(2026, 4, 31);
    EXPECT_EQ(GetDateFormatW(kEn, 0, &bad, u"d", buffer, 255), 0);
    // Without a time the current one is used.
    EXPECT_EQ(GetDateFormatW(kEn, 0, nullptr, u"yyyy", buffer, 255), 5);
}
