// SPDX-License-Identifier: BSD-2-Clause
#include "common/datetime.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace common {

namespace {

struct LocaleNames {
    std::array<const char16_t*, 7> days;
    std::array<const char16_t*, 7> shortDays;
    std::array<const char16_t*, 12> months;
    std::array<const char16_t*, 12> shortMonths;
    const char16_t* am;
    const char16_t* pm;
    const char16_t* era;
};

const LocaleNames kEnglish = {
    {u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"},
    {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"},
    {u"January", u"February", u"March", u"April", u"May", u"June", u"July", u"August",
     u"September", u"October", u"November", u"December"},
    {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug", u"Sep", u"Oct", u"Nov",
     u"Dec"},
    u"AM",
    u"PM",
    u"A.D.",
};

const LocaleNames kKorean = {
    {u"일요일", u"월요일", u"화요일", u"수요일", u"목요일", u"금요일", u"토요일"},
    {u"일", u"월", u"화", u"수", u"목", u"금", u"토"},
    {u"1월", u"2월", u"3월", u"4월", u"5월", u"6월", u"7월", u"8월", u"9월", u"10월", u"11월",
     u"12월"},
    {u"1월", u"2월", u"3월", u"4월", u"5월", u"6월", u"7월", u"8월", u"9월", u"10월", u"11월",
     u"12월"},
    u"오전",
    u"오후",
    u"서기",
};

const LocaleNames kChinese = {
    {u"星期日", u"星期一", u"星期二", u"星期三", u"星期四", u"星期五", u"星期六"},
    {u"周日", u"周一", u"周二", u"周三", u"周四", u"周五", u"周六"},
    {u"一月", u"二月", u"三月", u"四月", u"五月", u"六月", u"七月", u"八月", u"九月", u"十月",
     u"十一月", u"十二月"},
    {u"1月", u"2月", u"3月", u"4月", u"5月", u"6月", u"7月", u"8月", u"9月", u"10月", u"11月",
     u"12月"},
    u"上午",
    u"下午",
    u"公元",
};

const LocaleNames& NamesFor(LANGID lang)
{
    switch (lang & 0x3FF) {
    case kLangKorean:
        return kKorean;
    case kLangChinese:
        return kChinese;
    default:
        return kEnglish;
    }
}

bool IsLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool ValidDate(const SYSTEMTIME& t)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1)
        return false;
    const int last = kDays[t.wMonth - 1] + (t.wMonth == 2 && IsLeap(t.wYear) ? 1 : 0);
    return t.wDay <= last;
}

bool ValidTime(const SYSTEMTIME& t)
{
    return t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000;
}

// 0 = Sunday, by Sakamoto's rule.
int DayOfWeek(int y, int m, int d)
{
    static constexpr int kOffset[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3)
        y -= 1;
    return (y + y / 4 - y / 100 + y / 400 + kOffset[m - 1] + d) % 7;
}

void AppendNumber(std::u16string& out, unsigned value, unsigned minDigits)
{
    char16_t digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (unsigned i = static_cast<unsigned>(n); i < minDigits; ++i)
        out.push_back(u'0');
    while (n > 0)
        out.push_back(digits[--n]);
}

enum class Kind { Date, Time };

std::u16string Format(LANGID lang, const SYSTEMTIME& t, std::u16string_view picture, Kind kind)
{
    const LocaleNames& names = NamesFor(lang);
    std::u16string out;
    std::size_t i = 0;
    while (i < picture.size()) {
        const char16_t c = picture[i];
        if (c == u'\'') {
            // Quoted text runs to the next lone quote; two quotes stand for one.
            ++i;
            if (i < picture.size() && picture[i] == u'\'') {
                out.push_back(u'\'');
                ++i;
                continue;
            }
            while (i < picture.size()) {
                if (picture[i] == u'\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
                        out.push_back(u'\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out.push_back(picture[i++]);
            }
            continue;
        }
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c)
            ++run;
        const bool dateLetter = c == u'd' || c == u'M' || c == u'y' || c == u'g';
        const bool timeLetter = c == u'h' || c == u'H' || c == u'm' || c == u's' || c == u't';
        if ((kind == Kind::Date && !dateLetter) || (kind == Kind::Time && !timeLetter)) {
            out.append(picture.substr(i, run));
            i += run;
            continue;
        }
        const unsigned two = run >= 2 ? 2 : 1;
        switch (c) {
        case u'd':
            if (run <= 2)
                AppendNumber(out, t.wDay, two);
            else if (run == 3)
                out += names.shortDays[DayOfWeek(t.wYear, t.wMonth, t.wDay)];
            else
                out += names.days[DayOfWeek(t.wYear, t.wMonth, t.wDay)];
            break;
        case u'M':
            if (run <= 2)
                AppendNumber(out, t.wMonth, two);
            else if (run == 3)
                out += names.shortMonths[t.wMonth - 1];
            else
                out += names.months[t.wMonth - 1];
            break;
        case u'y':
            if (run <= 2)
                AppendNumber(out, t.wYear % 100, two);
            else
                AppendNumber(out, t.wYear, 1);
            break;
        case u'g':
            out += names.era;
            break;
        case u'h':
            AppendNumber(out, t.wHour % 12 == 0 ? 12 : t.wHour % 12, two);
            break;
        case u'H':
            AppendNumber(out, t.wHour, two);
            break;
        case u'm':
            AppendNumber(out, t.wMinute, two);
            break;
        case u's':
            AppendNumber(out, t.wSecond, two);
            break;
        case u't': {
            const std::u16string_view marker = t.wHour < 12 ? names.am : names.pm;
            out += run == 1 ? marker.substr(0, 1) : marker;
            break;
        }
        default:
            break;
        }
        i += run;
    }
    return out;
}

int CopyOut(bool ok, const std::u16string& text, char16_t* out, int cchOut)
{
    if (!ok || cchOut < 0)
        return 0;
    const int needed = static_cast<int>(text.size()) + 1;
    if (cchOut == 0)
        return needed;
    if (!out || needed > cchOut)
        return 0;
    std::memcpy(out, text.data(), text.size() * sizeof(char16_t));
    out[text.size()] = u'\0';
    return needed;
}

// The desktop formatters use the language's own short picture when none is given.
std::u16string_view PictureView(const char16_t* picture, LANGID lang, Kind kind)
{
    if (picture)
        return picture;
    switch (lang & 0x3FF) {
    case kLangKorean:
        return kind == Kind::Date ? u"yyyy-MM-dd" : u"tt h:mm:ss";
    case kLangChinese:
        return kind == Kind::Date ? u"yyyy/M/d" : u"H:mm:ss";
    default:
        return kind == Kind::Date ? u"M/d/yyyy" : u"h:mm:ss tt";
    }
}

// Without a time the desktop formatters use the current local time.
SYSTEMTIME TimeOrNow(const SYSTEMTIME* time)
{
    if (time)
        return *time;
    SYSTEMTIME now;
    const std::time_t t = std::time(nullptr);
    struct tm parts {};
    if (localtime_r(&t, &parts))
        now = common::SystemTimeFromTm(parts);
    return now;
}

} // namespace

SYSTEMTIME SystemTimeFromTm(const std::tm& tm, long nanoseconds)
{
    SYSTEMTIME t;
    t.wYear = static_cast<WORD>(tm.tm_year + 1900);
    t.wMonth = static_cast<WORD>(tm.tm_mon + 1);
    t.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    t.wDay = static_cast<WORD>(tm.tm_mday);
    t.wHour = static_cast<WORD>(tm.tm_hour);
    t.wMinute = static_cast<WORD>(tm.tm_min);
    t.wSecond = static_cast<WORD>(tm.tm_sec > 59 ? 59 : tm.tm_sec);
    t.wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
    return t;
}

std::u16string FormatDate(LANGID lang, const SYSTEMTIME& time, std::u16string_view picture)
{
    return ValidDate(time) ? Format(lang, time, picture, Kind::Date) : std::u16string();
}

std::u16string FormatTime(LANGID lang, const SYSTEMTIME& time, std::u16string_view picture)
{
    return ValidTime(time) ? Format(lang, time, picture, Kind::Time) : std::u16string();
}

LANGID GetUserDefaultUILanguage()
{
    const char* value = nullptr;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        value = std::getenv(name);
        if (value && *value)
            break;
    }
    if (value && std::strncmp(value, "ko", 2) == 0)
        return 0x0412;
    if (value && std::strncmp(value, "zh", 2) == 0)
        return 0x0804;
    return 0x0409;
}

} // namespace common

int GetDateFormatW(LANGID lang, DWORD, const SYSTEMTIME* time, const char16_t* picture,
                   char16_t* out, int cchOut)
{
    using namespace common;
    const SYSTEMTIME t = TimeOrNow(time);
    const bool ok = ValidDate(t);
    return CopyOut(ok, ok ? Format(lang, t, PictureView(picture, lang, Kind::Date), Kind::Date) : u"",
                   out, cchOut);
}

int GetTimeFormatW(LANGID lang, DWORD, const SYSTEMTIME* time, const char16_t* picture,
                   char16_t* out, int cchOut)
{
    using namespace common;
    const SYSTEMTIME t = TimeOrNow(time);
    const bool ok = ValidTime(t);
    return CopyOut(ok, ok ? Format(lang, t, PictureView(picture, lang, Kind::Time), Kind::Time) : u"",
                   out, cchOut);
}
