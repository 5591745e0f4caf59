// SPDX-License-Identifier: BSD-2-Clause
#include "effect_test_util.h"

#include <gtest/gtest.h>

using effecttest::Rig;
using effecttest::ScriptedRandom;

TEST(EffectCodes, ColourConversions)
{
    const DWORD rgb[8] = {0x000000, 0xFF0000, 0x00FF00, 0xFFFF00,
                          0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    const COLORREF gdi[8] = {0x000000, 0x0000FF, 0x00FF00, 0x00FFFF,
                             0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    for (unsigned c = 0; c < 8; ++c) {
        EXPECT_EQ(CEffect::GetRGX2RGB(static_cast<unsigned char>(c)), rgb[c]) << c;
        EXPECT_EQ(CEffect::GetRGX2Color(static_cast<unsigned char>(c)), gdi[c]) << c;
        // Only the low three bits count.
        EXPECT_EQ(CEffect::GetRGX2RGB(static_cast<unsigned char>(c | 0xF8)), rgb[c]);
    }
}

TEST(EffectCodes, RowsAndIndexes)
{
    EXPECT_EQ(CEffect::GetEffect2Type(0, 75), 4);
    EXPECT_EQ(CEffect::GetEffect2Index(0, 75), 6);
    EXPECT_EQ(CEffect::GetType2Effect(0, 4, 6), 75u);
    EXPECT_EQ(CEffect::GetType2Effect(1, 3, 0), 60u);
    EXPECT_EQ(CEffect::GetEffect2Index(1, 60), 0);
    EXPECT_EQ(CEffect::GetEffect2Type(2, 0x8003), 0);
    EXPECT_EQ(CEffect::GetEffect2Type(0, 0), 0);

    // Every code of every table maps to a row and index and back.
    const unsigned ends[3] = {100, 92, 97};
    for (int t = 0; t < 3; ++t) {
        for (unsigned c = 1; c <= ends[t]; ++c) {
            if (t == 1 && c == 59)
                continue; // the scrolling wait has no place in the list
            const int row = CEffect::GetEffect2Type(t, c);
            const int index = CEffect::GetEffect2Index(t, c);
            ASSERT_GT(row, 0);
            ASSERT_GE(index, 0);
            EXPECT_EQ(CEffect::GetType2Effect(t, row, index), c) << t << " " << c;
        }
    }
    // Rows of the Ad list: the wait table has Wave in row 3, the start table Scroll.
    EXPECT_EQ(aEffectW[3].type, 4u);
    EXPECT_EQ(aEffectS[3].type, 3u);
    EXPECT_EQ(CEffect::GetEffect2Type(1, 59), 3);
    EXPECT_EQ(CEffect::GetEffect2Index(1, 59), -1);
    EXPECT_EQ(CEffect::GetEffect2Type(0, 100), 8);
    EXPECT_EQ(CEffect::GetEffect2Type(2, 97), 8);
    EXPECT_EQ(CEffect::GetEffect2Type(2, 96), 7);
}

TEST(EffectCodes, OutOfRangeArgumentsStayInsideTheTables)
{
    // Fixed codes above the tables show as the last row.
    EXPECT_EQ(CEffect::GetEffect2Type(0, 104), 8);
    EXPECT_EQ(CEffect::GetEffect2Type(1, 96), 7);
    EXPECT_EQ(CEffect::GetEffect2Type(2, 101), 8);
    // An index outside the table's range gives the row's first code.
    EXPECT_EQ(CEffect::GetType2Effect(0, 4, -1), 69u);
    EXPECT_EQ(CEffect::GetType2Effect(0, 4, 100), 69u);
    EXPECT_EQ(CEffect::GetType2Effect(1, 3, 92), 60u);
    // Auto counts from code 1; rows beyond the table give 0 (an automatic choice).
    EXPECT_EQ(CEffect::GetType2Effect(0, 0, 4), 5u);
    EXPECT_EQ(CEffect::GetType2Effect(0, 9, 0), 0u);
    EXPECT_EQ(CEffect::GetType2Effect(1, -1, 0), 0u);
}

TEST(EffectCodes, FamilyOfEveryCode)
{
    EXPECT_EQ(qvr::EffectFamilyOf(0, 1), 1u);
    EXPECT_EQ(qvr::EffectFamilyOf(0, 58), 51u);
    EXPECT_EQ(qvr::EffectFamilyOf(0, 68), 59u);
    EXPECT_EQ(qvr::EffectFamilyOf(0, 99), 95u);
    EXPECT_EQ(qvr::EffectFamilyOf(0, 100), 100u);
    EXPECT_EQ(qvr::EffectFamilyOf(0, 101), 0u);
    EXPECT_EQ(qvr::EffectFamilyOf(1, 59), 59u);
    EXPECT_EQ(qvr::EffectFamilyOf(1, 60), 60u);
    EXPECT_EQ(qvr::EffectFamilyOf(1, 66), 60u);
    EXPECT_EQ(qvr::EffectFamilyOf(1, 92), 92u);
    EXPECT_EQ(qvr::EffectFamilyOf(1, 93), 0u);
    EXPECT_EQ(qvr::EffectFamilyOf(2, 96), 95u);
    EXPECT_EQ(qvr::EffectFamilyOf(2, 97), 97u);
    EXPECT_EQ(qvr::EffectFamilyOf(2, 0x8000 | 97), 97u);
    EXPECT_EQ(qvr::EffectFamilyOf(2, 0), 0u);
}

TEST(EffectChoice, AutoCodesAreAnimationOrView)
{
    ScriptedRandom random({0, 0, 58, 116, 57});
    EXPECT_EQ(CEffect::GetEffectAuto(1), 0x8039u); // 0, 0, 58 and 116 are redrawn
    EXPECT_EQ(random.draws(), 5);
    for (int i = 0; i < 500; ++i) {
        const unsigned c = CEffect::GetEffectAuto(i % 3);
        ASSERT_GE(c, 0x8001u);
        ASSERT_LE(c, 0x8039u);
    }
}

TEST(EffectChoice, StartDrawSkipsForbiddenAndUnusableCodes)
{
    Rig rig;
    rig.content->m_EffectCount = CContent::kEffects;
    for (unsigned i = 0; i < CContent::kEffects; ++i)
        rig.content->m_Effect[i].header.phase = 0;
    rig.content->m_Effect[6].header.phase = 2 | 4; // code 7: wait and end only
    rig.content->m_Effect[11].header.phase = 1;    // code 12: start
    rig.content->m_Effect[7].header.phase = 7;     // code 8: never drawn
    rig.engine->SetPageInfo(rig.page.get());

    // 100 -> 0, 8, 44, 45, 7 (no start bit), 8 (forbidden), then 12.
    ScriptedRandom random({100, 8, 144, 45, 7, 108, 12});
    CEFF eff(0, 50); // code 0: automatic
    rig.engine->SetEffectS(eff);
    EXPECT_EQ(eff.code, 0x8000 | 12);
    EXPECT_EQ(rig.page->effectS.code, 0x8000 | 12);
    EXPECT_EQ(rig.page->effectS.param, 50);
    EXPECT_EQ(rig.page->familyS, 1u);
    EXPECT_EQ(random.draws(), 7);

    // Codes from 51 on need no library entry; 99 is the largest start draw.
    ScriptedRandom random2({199, 50, 51});
    CEFF eff2(105, 30);
    rig.engine->SetEffectS(eff2);
    EXPECT_EQ(eff2.code, 0x8000 | 99);
    EXPECT_EQ(rig.page->familyS, 95u);

    // The end table takes the end bit; 97 is never drawn (None).
    ScriptedRandom random3({97, 7});
    CEFF eff3(0x8000, 50);
    rig.engine->SetEffectE(eff3);
    EXPECT_EQ(eff3.code, 0x8000 | 7);
    EXPECT_EQ(rig.page->familyE, 1u);
}

TEST(EffectChoice, FixedCodesAndFamilies)
{
    Rig rig;
    rig.engine->SetPageInfo(rig.page.get());
    CEFF wait(66, 40);
    rig.engine->SetEffectW(wait);
    EXPECT_EQ(wait.code, 66);
    EXPECT_EQ(rig.page->effectW.code, 66);
    EXPECT_EQ(rig.page->familyW, 60u);

    // A wait code past the table but still accepted keeps the family.
    CEFF picture(95, 50);
    rig.engine->SetEffectW(picture);
    EXPECT_EQ(picture.code, 95);
    EXPECT_EQ(rig.page->effectW.code, 95);
    EXPECT_EQ(rig.page->familyW, 60u);
    EXPECT_EQ(rig.engine->GetEffectW(), CEffect::kEffectEnd); // the stub of Wave

    // An unset code is drawn; with an empty library only codes from 51 on.
    ScriptedRandom random({3, 12, 59});
    CEFF unset;
    rig.engine->SetEffectW(unset);
    EXPECT_EQ(unset.code, 0x8000 | 59);
    EXPECT_EQ(rig.page->familyW, 59u);

    // On a fresh page a fixed picture code selects nothing: steps draw nothing.
    Rig fresh;
    fresh.engine->SetPageInfo(fresh.page.get());
    CEFF fixed(101, 50);
    fresh.engine->SetEffectS(fixed);
    EXPECT_EQ(fresh.page->familyS, 0u);
    EXPECT_EQ(fresh.engine->GetEffectS(), 0u);
    EXPECT_EQ(fresh.page->frameCount, 0u);
}
