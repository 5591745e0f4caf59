// SPDX-License-Identifier: BSD-2-Clause
// Date and time pictures as the desktop formatters read them:
//   d dd ddd dddd   day, day with zero, short and long day name
//   M MM MMM MMMM   month, month with zero, short and long month name
//   y yy yyyy       year mod 100, the same with zero, full year (yyy+ too)
//   g gg            era
//   h hh H HH       hour 1..12 / 0..23, without and with zero
//   m mm s ss       minute, second
//   t tt            first character of the AM/PM marker, whole marker
//   'text'          literal text ('' inside or outside quotes is one ')
// Any other character is copied. A date picture copies time letters as
// they are and a time picture copies date letters, as the desktop does.
// Names exist for English (primary language 0x09), Korean (0x12) and
// Chinese (0x04); any other language uses the English names.
#pragma once

#include "common/platform.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

using LANGID = uint16_t;

namespace common {

constexpr LANGID kLangEnglish = 0x09;
constexpr LANGID kLangKorean = 0x12;
constexpr LANGID kLangChinese = 0x04;

// Empty when the date is not a real calendar date (the day of the week is
// worked out from the date; wDayOfWeek is not read).
// A broken-down time (localtime_r, gmtime_r) as a SYSTEMTIME; a leap second reads as :59.
SYSTEMTIME SystemTimeFromTm(const std::tm& tm, long nanoseconds = 0);

std::u16string FormatDate(LANGID lang, const SYSTEMTIME& time, std::u16string_view picture);
// Empty when the hour, minute or second is out of range.
std::u16string FormatTime(LANGID lang, const SYSTEMTIME& time, std::u16string_view picture);

// The interface language of the user's session from LC_ALL, LC_MESSAGES or
// LANG: 0x0412 for Korean, 0x0804 for Chinese, else 0x0409.
LANGID GetUserDefaultUILanguage();

} // namespace common

// The desktop calls on top of the formatter: the text and its end mark go to
// out (cchOut characters); the result is the characters written including
// the end mark, or 0 when the text does not fit, the date is invalid or an
// argument is missing. With cchOut 0 the result is the size needed.
int GetDateFormatW(LANGID lang, DWORD flags, const SYSTEMTIME* time, const char16_t* picture,
                   char16_t* out, int cchOut);
int GetTimeFormatW(LANGID lang, DWORD flags, const SYSTEMTIME* time, const char16_t* picture,
                   char16_t* out, int cchOut);
