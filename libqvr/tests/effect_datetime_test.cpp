// SPDX-License-Identifier: BSD-2-Clause
#include "effect_test_util.h"

#include <common/globalization.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

SYSTEMTIME At(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s)
{
    SYSTEMTIME t;
    t.wYear = y, t.wMonth = mo, t.wDay = d, t.wHour = h, t.wMinute = mi, t.wSecond = s;
    return t;
}

std::u16string Text(const CLumivo& item)
{
    std::u16string s;
    for (int i = 0; i < CLumivo::kCells && item.chars[i].code; ++i)
        s += static_cast<char16_t>(item.chars[i].code);
    return s;
}

std::string Widths(const CLumivo& item)
{
    std::string s;
    for (int i = 0; i < CLumivo::kCells && item.chars[i].code; ++i)
        s += static_cast<char>('0' + item.chars[i].attr.widthIndex);
    return s;
}

// The program's language files, English selected; a fixed clock; an engine
// whose content library claims the language under test.
class LiveText : public ::testing::Test {
protected:
    void SetUp() override
    {
        CGlobalization::SetLangDir(effecttest::LangDir());
        CGlobalization::SelectLanguage(u"English");
        SetClock(At(2026, 3, 5, 9, 7, 3)); // a Thursday morning
        engine.SetContent(content.get());
        Language(0);
        const char* lc = std::getenv("LC_ALL");
        savedLocale = lc ? lc : "";
        hadLocale = lc != nullptr;
        setenv("LC_ALL", "C", 1);
    }
    void TearDown() override
    {
        qvr::SetEffectClock({});
        CGlobalization::SetLangDir(std::filesystem::path());
        if (hadLocale)
            setenv("LC_ALL", savedLocale.c_str(), 1);
        else
            unsetenv("LC_ALL");
    }
    static void SetClock(SYSTEMTIME t)
    {
        qvr::SetEffectClock([t](SYSTEMTIME& out) {
            out = t;
            return true;
        });
    }
    void Language(unsigned lang) { content->m_Header = lang << 16; }

    std::unique_ptr<CContent> content = std::make_unique<CContent>();
    CEffect engine;
    CLumivo item;
    std::string savedLocale;
    bool hadLocale = false;
};

} // namespace

TEST_F(LiveText, DatesInEveryFormat)
{
    item.type = LUMIVO_DATE;
    const char16_t* english[5] = {u"2026-03-05", u"Thu 03/05", u"03/05/2026",
                                  u"Thu, Mar 5, 2026", u"Thursday"};
    for (uint8_t f = 0; f < 5; ++f) {
        item.format = f;
        engine.SetDateText(&item);
        EXPECT_EQ(Text(item), english[f]) << int(f);
    }
    // Letters are wide, except in format 3, which spells everything at one width.
    item.format = 1;
    engine.SetDateText(&item);
    EXPECT_EQ(Widths(item), "222111111");
    item.format = 3;
    engine.SetDateText(&item);
    EXPECT_EQ(Widths(item), std::string(16, '1'));

    Language(qvr::kLanguageHangul); // Korean library: Korean names and patterns
    const char16_t* korean[5] = {u"2026-03-05", u"3월 5일 (목)", u"2026.03.05",
                                 u"2026년 3월 5일 목요일", u"목요일"};
    CGlobalization::SelectLanguage(u"Korean");
    for (uint8_t f = 0; f < 5; ++f) {
        item.format = f;
        engine.SetDateText(&item);
        EXPECT_EQ(Text(item), korean[f]) << int(f);
    }
    // Other bits of the selector are kept.
    item.chars[0].attr.color = 5;
    item.chars[0].attr.face = 3;
    engine.UpdateHangMok(&item);
    EXPECT_EQ(item.chars[0].attr.color, 5u);
    EXPECT_EQ(item.chars[0].attr.face, 3u);
    EXPECT_EQ(item.chars[0].attr.widthIndex, 1u);
}

TEST_F(LiveText, TimesInEveryFormat)
{
    item.type = LUMIVO_TIME;
    item.format = 0; // "tt hh:mm" with the marker in full-width letters
    engine.SetTimeText(&item);
    EXPECT_EQ(Text(item), u"\uFF21\uFF2D 09:07");
    EXPECT_EQ(Widths(item), "11111111");
    item.format = 1;
    engine.UpdateHangMok(&item);
    EXPECT_EQ(Text(item), u"09:07:03");
    item.format = 2;
    engine.SetTimeText(&item);
    EXPECT_EQ(Text(item), u"09:07");
    item.format = 3; // "hh:mm tt": a one-digit hour loses its zero
    engine.SetTimeText(&item);
    EXPECT_EQ(Text(item), u" 9:07 AM");
    SetClock(At(2026, 3, 5, 12, 30, 0));
    engine.SetTimeText(&item);
    EXPECT_EQ(Text(item), u"12:30 PM");
    SetClock(At(2026, 3, 5, 0, 30, 0));
    engine.SetTimeText(&item);
    EXPECT_EQ(Text(item), u"12:30 AM");
    SetClock(At(2026, 3, 5, 21, 45, 0));
    engine.SetTimeText(&item);
    EXPECT_EQ(Text(item), u" 9:45 PM");
    item.format = 4;
    engine.SetTimeText(&item);
    EXPECT_EQ(Text(item), u"");

    // A Chinese desktop gives Chinese markers; a Korean library Korean ones.
    setenv("LC_ALL", "zh_CN.UTF-8", 1);
    item.format = 0;
    engine.SetTimeText(&item);
    EXPECT_EQ(Text(item), u"下午 09:45");
    Language(qvr::kLanguageHangul);
    engine.SetTimeText(&item);
    EXPECT_EQ(Text(item), u"오후 09:45");
}

TEST_F(LiveText, DatesAndTimesFollowTheConnectedBoardsLanguage)
{
    item.type = LUMIVO_DATE;
    item.format = 4;
    CGlobalization::SelectLanguage(u"Korean");
    content->SetBoardLanguage(qvr::kLanguageHangul); // an English library on a Korean board
    engine.SetDateText(&item);
    EXPECT_EQ(Text(item), u"목요일");
    item.type = LUMIVO_TIME;
    item.format = 0;
    engine.SetTimeText(&item);
    EXPECT_EQ(Text(item), u"오전 09:07");

    Language(qvr::kLanguageHangul); // a Korean library on a board set to English
    content->SetBoardLanguage(14);
    item.type = LUMIVO_DATE;
    item.format = 4;
    engine.SetDateText(&item);
    EXPECT_EQ(Text(item), u"Thursday");
    content->SetBoardLanguage(0); // unconnected: the library's own
    engine.SetDateText(&item);
    EXPECT_EQ(Text(item), u"목요일");
}

TEST_F(LiveText, TemperatureSample)
{
    item.format = 0;
    engine.SetTempText(&item);
    EXPECT_EQ(Text(item), u"23'C");
    item.format = 1;
    engine.SetTempText(&item);
    EXPECT_EQ(Text(item), u"73'F");
    EXPECT_EQ(Widths(item), "1111");
    item.format = 2;
    engine.SetTempText(&item);
    EXPECT_EQ(Text(item), u"");
}

TEST_F(LiveText, TextIsBoundedAndClockFailureShowsNothing)
{
    // A pattern that formats longer than the item holds, in the language
    // file of the library (English for the Latin one).
    char dirName[] = "/tmp/lumivo-effect-XXXXXX";
    ASSERT_NE(mkdtemp(dirName), nullptr);
    const std::filesystem::path dir(dirName);
    {
        std::ofstream f(dir / "English.lang");
        f << "[config]\nlanguage=cp1252\n\n[Format]\nfmtDateM1=" << std::string(120, 'x')
          << "yyyy\n";
    }
    CGlobalization::SetLangDir(dir);
    CGlobalization::SelectLanguage(u"English");
    item.type = LUMIVO_DATE;
    item.format = 0;
    const CEFF start = item.effectS;
    engine.SetDateText(&item);
    EXPECT_EQ(Text(item), std::u16string(99, u'x'));
    EXPECT_EQ(item.chars[99].code, 0);
    EXPECT_EQ(item.effectS, start);
    // A missing pattern formats as empty text.
    item.format = 2;
    engine.SetDateText(&item);
    EXPECT_EQ(Text(item), u"");
    std::filesystem::remove_all(dir);

    qvr::SetEffectClock([](SYSTEMTIME&) { return false; });
    CGlobalization::SetLangDir(effecttest::LangDir());
    CGlobalization::SelectLanguage(u"English");
    item.format = 0;
    engine.SetDateText(&item);
    EXPECT_EQ(Text(item), u"");
    item.type = LUMIVO_TIME;
    engine.SetTimeText(&item);
    EXPECT_EQ(Text(item), u"");
}

// The board's date is the board's: the menus in Chinese or Korean change
// nothing a library draws (a Chinese picture would run off a 1 x 6 board).
TEST_F(LiveText, DatesFollowTheLibraryWhateverLanguageTheMenusAreIn)
{
    SetClock(At(2026, 12, 9, 18, 30, 0)); // a Wednesday
    item.type = LUMIVO_DATE;
    item.format = 1;
    for (const char16_t* menus : {u"English", u"Chinese", u"Korean"}) {
        CGlobalization::SelectLanguage(menus);
        Language(0);
        engine.SetDateText(&item);
        EXPECT_EQ(Text(item), u"Wed 12/09");
        Language(qvr::kLanguageHangul);
        engine.SetDateText(&item);
        EXPECT_EQ(Text(item), u"12\uC6D4 9\uC77C (\uC218)"); // the Korean file's picture
    }
}
