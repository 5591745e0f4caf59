// SPDX-License-Identifier: GPL-2.0-or-later
// The settings dialog's model: what it shows and what each edit writes.
#include "core/module_state.h"

#include <gtest/gtest.h>

#include <cstring>

using lumivo::CModuleStateModel;

namespace {

std::vector<BYTE> Record(BYTE fill)
{
    return std::vector<BYTE>(156, fill);
}

CModuleStateModel Filled(const std::vector<BYTE>& record, DWORD modelCode = 0, const char16_t* name = u"LV-SIM")
{
    CModuleStateModel m;
    const BYTE date[4] = {0x21, 0x03, 0x15, 0x99};
    EXPECT_TRUE(m.SetModuleInfo(name, date));
    EXPECT_TRUE(m.SetSettings(record.data(), record.size()));
    m.SetModelCode(modelCode);
    return m;
}

TEST(ModuleState, VersionTextAndManufactureDate)
{
    std::vector<BYTE> r = Record(0);
    r[0] = 0x01, r[1] = 0x00, r[2] = 0x03, r[3] = 0x01;
    EXPECT_EQ(u"LV-SIM v1.3.1", Filled(r).VersionText());
    r[0] = 0x2C, r[1] = 0x01; // build 300
    EXPECT_EQ(u"LV-SIM v1.3.300", Filled(r).VersionText());
    const char16_t coded[] = {0x2074, 0x207F, 0x2081, 0x2082, u'X', 0};
    EXPECT_EQ(u"Lumivo v1.3.300", Filled(r, 0, coded).VersionText());
    EXPECT_EQ((lumivo::CalendarDate{2021, 3, 15}), Filled(r).Manufacture());
}

TEST(ModuleState, SetUpRefusesAMissingNameAndRecordsOfAnotherLength)
{
    CModuleStateModel m;
    EXPECT_FALSE(m.SetModuleInfo(nullptr, nullptr));
    const std::vector<BYTE> r(157, 0xAB);
    EXPECT_FALSE(m.SetSettings(r.data(), 155));
    EXPECT_FALSE(m.SetSettings(r.data(), 157));
    EXPECT_FALSE(m.SetSettings(r.data(), 0));
    EXPECT_FALSE(m.SetSettings(nullptr, 156));
    EXPECT_EQ(std::vector<BYTE>(156, 0), m.RecordBytes()); // untouched
    EXPECT_TRUE(m.SetSettings(r.data(), 156));
    EXPECT_EQ(std::vector<BYTE>(156, 0xAB), m.RecordBytes());
}

TEST(ModuleState, ModelNameIsBoundedWithoutItsZero)
{
    serio::ModuleInfo info{};
    for (char16_t& c : info.szModelName)
        c = u'M';
    EXPECT_EQ(u"MMMMMMMMM", lumivo::ModelName(info));
    info.szModelName[3] = 0;
    EXPECT_EQ(u"MMM", lumivo::ModelName(info));
}

TEST(ModuleState, LanguageListFollowsTheModelCode)
{
    std::vector<BYTE> r = Record(0);
    r[52] = 2;
    CModuleStateModel chinese = Filled(r, serio::ModuleInfo::MakeModelCode(6, 1, 14));
    ASSERT_EQ(2u, chinese.LanguageChoices().size());
    EXPECT_EQ(std::u16string(u"Chinese"), chinese.LanguageChoices()[1].name);
    EXPECT_EQ(1, chinese.LanguageIndex());

    CModuleStateModel korean = Filled(r, serio::ModuleInfo::MakeModelCode(6, 1, 10));
    EXPECT_EQ(std::u16string(u"Korean"), korean.LanguageChoices()[1].name);
    EXPECT_EQ(0, korean.LanguageIndex()); // 2 is not offered: English shows
    korean.SelectLanguage(1);
    EXPECT_EQ(1, korean.Language());
    korean.SelectLanguage(2); // no such entry
    EXPECT_EQ(1, korean.Language());

    // A value of 5 shows English and, untouched, goes back as 5.
    r[52] = 5;
    CModuleStateModel odd = Filled(r);
    EXPECT_EQ(0, odd.LanguageIndex());
    odd.SetBeep(true);
    EXPECT_EQ(5, odd.RecordBytes()[52]);
}

TEST(ModuleState, EachEditWritesItsOwnBytes)
{
    const std::vector<BYTE> r = Record(0xEE);
    CModuleStateModel m = Filled(r);
    m.SetPowerEnabled(false);
    m.SetPowerOn({1, 2, 3});
    m.SetPowerOff({4, 5, 6});
    m.SetDayTime({7, 8, 9});
    m.SetNightTime({10, 11, 12});
    m.SpinDayBrightness(0);
    m.SpinNightBrightness(7);
    m.SetBeep(true);
    m.SetColumns(20);
    m.SetRows(4);
    std::vector<BYTE> expected = r;
    auto put = [&](size_t at, std::initializer_list<BYTE> bytes) {
        for (BYTE b : bytes)
            expected[at++] = b;
    };
    put(12, {0, 0});
    put(4, {1, 2, 3});
    put(8, {4, 5, 6});
    put(32, {7, 8, 9});
    put(36, {10, 11, 12});
    put(28, {1, 0}); // the spin stops at 1
    put(30, {7, 0});
    put(14, {1, 0});
    put(44, {20, 0});
    put(54, {4, 0});
    EXPECT_EQ(expected, m.RecordBytes());
    EXPECT_FALSE(m.PowerEnabled());
    EXPECT_EQ((lumivo::TimeOfDay{10, 11, 12}), m.NightTime());
}

} // namespace
