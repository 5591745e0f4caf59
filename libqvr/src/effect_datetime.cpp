// SPDX-License-Identifier: BSD-2-Clause
// Live date, time and temperature items: the engine writes their text into
// the item's cells, in the format the item's format byte selects, with the
// patterns of the language file's section "Format".
#include "qvr/effect.h"

#include <common/datetime.h>
#include <common/globalization.h>

#include <ctime>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr int kTextChars = 255; // the formatter's output buffer
constexpr int kMaxCells = CLumivo::kCells - 1; // one cell stays for the end mark

std::mutex g_clockLock;
qvr::EffectClock g_clock;

bool SystemClock(SYSTEMTIME& st)
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    if (now == static_cast<std::time_t>(-1) || !localtime_r(&now, &tm))
        return false;
    st = common::SystemTimeFromTm(tm);
    return true;
}

bool Now(SYSTEMTIME& st)
{
    {
        std::lock_guard<std::mutex> lock(g_clockLock);
        if (g_clock)
            return g_clock(st);
    }
    return SystemClock(st);
}

bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// Live dates and times follow the language of the board they play on: the
// connected board's when one was set, else the content library's own.
bool KoreanLibrary(const CContent* content)
{
    if (!content)
        return false;
    const unsigned board = content->GetBoardLanguage();
    return (board != 0 ? board : content->GetContentLanguage()) == qvr::kLanguageHangul;
}

// Writes text into the cells with an end mark; letters get the wide width
// index when wideLetters is set, everything else index 1.
void FillCells(CLumivo* item, std::u16string_view text, bool wideLetters)
{
    int n = 0;
    for (; n < kMaxCells && n < static_cast<int>(text.size()) && text[n] != 0; ++n) {
        CLumiChar& c = item->chars[n];
        c.code = text[n];
        c.attr.widthIndex = (wideLetters && text[n] <= 255 && IsAsciiLetter(text[n])) ? 2 : 1;
    }
    item->chars[n].code = 0;
}

// The board's pictures: those of its library's language, whatever language
// the program's menus are in (a Chinese menu's date would run off a small
// board of the Latin library).
std::u16string Pattern(bool korean, std::u16string_view key)
{
    return CGlobalization::GetTextOf(korean ? u"Korean" : u"English", u"Format", key);
}

} // namespace

namespace qvr {

EffectClock SetEffectClock(EffectClock source)
{
    std::lock_guard<std::mutex> lock(g_clockLock);
    return std::exchange(g_clock, std::move(source));
}

} // namespace qvr

void CEffect::SetDateText(CLumivo* item)
{
    if (!item)
        return;
    char16_t text[kTextChars + 1] = {};
    SYSTEMTIME st;
    // Without a clock the item shows nothing rather than a made-up date.
    if (item->format <= 4 && Now(st)) {
        const bool korean = KoreanLibrary(m_pContent);
        static const char16_t* const kKeysK[5] = {u"fmtDateM1", u"fmtDateM2_K", u"fmtDateM3",
                                                  u"fmtDateM4_K", u"fmtDateM5"};
        static const char16_t* const kKeysE[5] = {u"fmtDateM1", u"fmtDateM2_E", u"fmtDateM3",
                                                  u"fmtDateM4_E", u"fmtDateM5"};
        const std::u16string picture = Pattern(korean, (korean ? kKeysK : kKeysE)[item->format]);
        GetDateFormatW(korean ? common::kLangKorean : common::kLangEnglish, 0, &st,
                       picture.c_str(), text, kTextChars);
    }
    FillCells(item, text, item->format != 3);
}

void CEffect::SetTimeText(CLumivo* item)
{
    if (!item)
        return;
    char16_t text[kTextChars + 1] = {};
    SYSTEMTIME st;
    if (item->format <= 3 && Now(st)) {
        // The markers (AM/PM) of the board's library, or of a Chinese desktop.
        const bool korean = KoreanLibrary(m_pContent);
        LANGID lang = korean ? common::kLangKorean : common::kLangEnglish;
        if (!korean && (common::GetUserDefaultUILanguage() & 0x3FF) == common::kLangChinese)
            lang = common::kLangChinese;
        static const char16_t* const kKeys[4] = {u"fmtTimeM1", u"fmtTimeM2", u"fmtTimeM3",
                                                 u"fmtTimeM4"};
        const std::u16string picture = Pattern(korean, kKeys[item->format]);
        GetTimeFormatW(lang, 0, &st, picture.c_str(), text, kTextChars);
        if (item->format == 0) {
            // Letters (AM/PM markers) in their full-width forms.
            for (char16_t& c : text)
                if (c <= 255 && IsAsciiLetter(c))
                    c = static_cast<char16_t>(c + 0xFEE0);
        } else if (item->format == 3) {
            // Drop the leading zero of a one-digit 12-hour hour.
            const int h12 = st.wHour % 12;
            if (h12 >= 1 && h12 <= 9 && text[0] != 0)
                text[0] = u' ';
        }
    }
    FillCells(item, text, false);
}

void CEffect::SetTempText(CLumivo* item)
{
    if (!item)
        return;
    // A fixed sample reading: token 0 Celsius, token 1 Fahrenheit.
    static constexpr std::u16string_view kSample = u"23'C;73'F";
    std::u16string_view token;
    if (item->format == 0)
        token = kSample.substr(0, 4);
    else if (item->format == 1)
        token = kSample.substr(5, 4);
    FillCells(item, token, false);
}

void CEffect::UpdateHangMok(CLumivo* item)
{
    if (!item)
        return;
    if (item->type == LUMIVO_DATE)
        SetDateText(item);
    else if (item->type == LUMIVO_TIME)
        SetTimeText(item);
}
