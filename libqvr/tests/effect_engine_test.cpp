// SPDX-License-Identifier: BSD-2-Clause
#include "effect_test_util.h"

#include <common/named_mutex.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

using effecttest::Rig;

namespace {

void FillFrame(PageInfo& p, uint8_t v) { std::memset(p.bits, v, PageInfo::kFrameBytes); }

} // namespace

TEST(EffectEngine, PhasePreparation)
{
    Rig rig(6, 1);
    PageInfo& p = *rig.page;
    rig.engine->SetPageInfo(&p);
    p.width = 96;
    p.textWidth = 130;
    p.fits = 0;
    p.frameCount = 7;
    p.holdCountdown = 32770;
    p.pair2[0] = 9;
    p.divisor = 5;
    p.limit = 3;
    p.xOffset = 12;

    EXPECT_EQ(rig.engine->_init_effs(0), 0);
    EXPECT_EQ(p.frameCount, 0u);
    EXPECT_EQ(p.holdCountdown, 0u);
    EXPECT_EQ(p.phase, 0u);
    EXPECT_EQ(p.waitStage, 0u);
    EXPECT_EQ(p.direction, 1);
    EXPECT_EQ(p.xOffset, 0);
    EXPECT_EQ(p.pair2[0], 1u);
    EXPECT_EQ(p.pair2[1], 0u);
    EXPECT_EQ(p.divisor, 1);
    EXPECT_EQ(p.reserved2, 0u);
    EXPECT_EQ(p.limit, 0);

    // Wait: the text stands where the scrolling wait left it only at stage 2.
    p.xOffset = 5;
    EXPECT_EQ(rig.engine->_init_effw(1), 1);
    EXPECT_EQ(p.phase, 1u);
    EXPECT_EQ(p.waitStage, 1u);
    EXPECT_EQ(p.direction, 0);
    EXPECT_EQ(p.waitValue1, -1);
    EXPECT_EQ(p.waitValue2, -1);
    EXPECT_EQ(p.xOffset, 0);
    EXPECT_EQ(rig.engine->_init_effw(2), 1);
    EXPECT_EQ(p.xOffset, 96 - 130);
    p.fits = 1;
    EXPECT_EQ(rig.engine->_init_effw(2), 1);
    EXPECT_EQ(p.xOffset, 0);

    p.frameCount = 3;
    p.holdCountdown = 40000;
    EXPECT_EQ(rig.engine->_init_effe(0), 2);
    EXPECT_EQ(p.frameCount, 0u);
    EXPECT_EQ(p.holdCountdown, 0u);
    EXPECT_EQ(p.direction, -1);
    EXPECT_EQ(p.phase, 2u);
    EXPECT_EQ(p.xOffset, 0);
    p.fits = 0;
    rig.engine->_init_effe(0);
    EXPECT_EQ(p.xOffset, -34);

    // No page: only the phase number.
    CEffect bare;
    EXPECT_EQ(bare._init_effw(2), 1);
    EXPECT_EQ(bare.check_T(), 1);
}

TEST(EffectEngine, HoldCountdown)
{
    Rig rig;
    PageInfo& p = *rig.page;
    rig.engine->SetPageInfo(&p);
    EXPECT_EQ(rig.engine->check_T(), 1); // not armed
    p.stepCounter = 17;
    rig.engine->effect_T(3);
    EXPECT_EQ(p.holdCountdown, 32771u);
    EXPECT_EQ(p.stepCounter, 0u);
    EXPECT_EQ(rig.engine->check_T(), 0);
    // Armed: a second call changes nothing.
    p.stepCounter = 4;
    rig.engine->effect_T(9);
    EXPECT_EQ(p.holdCountdown, 32771u);
    EXPECT_EQ(p.stepCounter, 4u);
    // The host counts down once per second.
    p.holdCountdown = 32769;
    EXPECT_EQ(rig.engine->check_T(), 0);
    p.holdCountdown = 32768;
    EXPECT_EQ(rig.engine->check_T(), 1);
}

TEST(EffectEngine, NoneStartAndEndCountFrames)
{
    Rig rig;
    PageInfo& p = *rig.page;
    rig.engine->SetPageInfo(&p);
    CEFF s(100, 50);
    rig.engine->SetEffectS(s);
    rig.engine->_init_effs(0);
    for (int call = 1; call < 50; ++call) {
        FillFrame(p, 0x5A);
        ASSERT_EQ(rig.engine->GetEffectS(), 0u) << call;
        ASSERT_EQ(rig.Pixel(95, 15), 0u); // the frame is drawn every call
    }
    EXPECT_EQ(rig.engine->GetEffectS(), CEffect::kEffectEnd);
    EXPECT_EQ(rig.engine->GetEffectS(), CEffect::kEffectEnd); // and keeps the last frame
    EXPECT_EQ(p.frameCount, 51u);

    CEFF e(97, 0x0102); // speed is the low byte only
    rig.engine->SetEffectE(e);
    rig.engine->_init_effe(0);
    EXPECT_EQ(rig.engine->GetEffectE(), 0u);
    EXPECT_EQ(rig.engine->GetEffectE(), CEffect::kEffectEnd);

    // A step called with another family's code ends at once without drawing.
    rig.engine->_init_effs(0);
    p.effectS.code = 51;
    FillFrame(p, 0x5A);
    EXPECT_EQ(rig.engine->effect_0900S(), CEffect::kEffectEnd);
    EXPECT_EQ(p.frameCount, 0u);
    EXPECT_EQ(rig.Pixel(0, 0), 0x5A5A5A5Au);
}

TEST(EffectEngine, NoneWaitHoldsForTheOptionSeconds)
{
    Rig rig;
    PageInfo& p = *rig.page;
    p.item.option = 5;
    rig.engine->SetPageInfo(&p);
    CEFF w(92, 50);
    rig.engine->SetEffectW(w);
    rig.engine->_init_effw(0);
    p.stepCounter = 9;
    EXPECT_EQ(rig.engine->GetEffectW(), 0u);
    EXPECT_EQ(p.holdCountdown, 32768u + 5);
    EXPECT_EQ(p.stepCounter, 0u);
    int seconds = 0;
    while (rig.engine->GetEffectW() == 0) {
        ASSERT_LT(seconds, 10);
        --p.holdCountdown; // the host's second
        ++seconds;
    }
    EXPECT_EQ(seconds, 5);
    // Option 0: over on the first call.
    p.item.option = 0;
    rig.engine->_init_effw(0);
    EXPECT_EQ(rig.engine->GetEffectW(), CEffect::kEffectEnd);
}

TEST(EffectEngine, EveryFamilyIsReachable)
{
    Rig rig;
    PageInfo& p = *rig.page;
    rig.engine->SetPageInfo(&p);
    // The dispatch reaches each family through its own first code: the
    // first step of each goes on, except an Animation whose mask the empty
    // library lacks, which shows its one frame and ends.
    for (unsigned code : {1u, 51u, 59u, 69u, 76u, 88u, 95u}) {
        CEFF s(static_cast<uint16_t>(code), 50);
        rig.engine->SetEffectS(s);
        rig.engine->_init_effs(0);
        EXPECT_EQ(p.familyS, code);
        EXPECT_EQ(rig.engine->GetEffectS(), code == 1 ? CEffect::kEffectEnd : 0u) << code;
    }
    // A family value that is no family's first code produces nothing.
    p.familyE = 2; // the starting value of a fresh page
    EXPECT_EQ(rig.engine->GetEffectE(), 0u);
    CEffect bare;
    EXPECT_EQ(bare.GetEffectS(), 0u);
}

TEST(LineBuffer, ReadsOutsideGiveBlack)
{
    Rig rig;
    CEffect::m_LB[0][0] = 1;
    CEffect::m_LB[63][4799] = 6;
    EXPECT_EQ(rig.engine->_get_pLB(0, 0), 0xFF0000u);
    EXPECT_EQ(rig.engine->_get_pLB(4799, 63), 0x00FFFFu);
    EXPECT_EQ(rig.engine->_get_pLB(4800, 0), 0u);
    EXPECT_EQ(rig.engine->_get_pLB(-1, 0), 0u);
    EXPECT_EQ(rig.engine->_get_pLB(0, 64), 0u);
    EXPECT_EQ(rig.engine->_get_pLB(0, -1), 0u);
    // A new board size clears the buffer.
    rig.engine->SetModuleSize(SIZE{6, 1});
    EXPECT_EQ(rig.engine->m_Width, 96);
    EXPECT_EQ(rig.engine->m_Height, 16);
    EXPECT_EQ(rig.engine->_get_pLB(0, 0), 0u);
    EXPECT_EQ(rig.engine->_get_pLB(4799, 63), 0u);
}

TEST(LineBuffer, CopyToTheFrameStaysInsideBothBuffers)
{
    Rig rig;
    PageInfo& p = *rig.page;
    rig.engine->SetPageInfo(&p);
    for (int y = 0; y < CEffect::kLBRows; ++y)
        for (int x = 0; x < CEffect::kLBCols; ++x)
            CEffect::m_LB[y][x] = static_cast<unsigned char>((x + y) & 7);
    rig.engine->copy_LB2FB(0, 0, &p.bitmap);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 96; ++x)
            ASSERT_EQ(rig.Pixel(x, y), CEffect::GetRGX2RGB(static_cast<unsigned char>(x + y)));

    // A band taller than the line buffer: the rows below it are black. A
    // description larger than the storage is cut to whole rows that fit.
    BITMAP& bm = p.bitmap;
    bm.bmWidth = 2000;
    bm.bmWidthBytes = 8000;
    bm.bmHeight = 100;
    FillFrame(p, 0x77);
    rig.engine->copy_LB2FB(0, 0, &bm);
    const long rows = static_cast<long>(PageInfo::kFrameBytes) / 8000; // 65
    EXPECT_EQ(rig.Pixel(1999, 63), CEffect::GetRGX2RGB((1999 + 63) & 7));
    EXPECT_EQ(rig.Pixel(1999, 64), 0u);
    uint8_t tail[PageInfo::kFrameBytes - 65 * 8000];
    std::memcpy(tail, p.bits + rows * 8000, sizeof tail);
    for (uint8_t b : tail)
        ASSERT_EQ(b, 0x77);
    EXPECT_EQ(p.frameBytes, 0u); // the field after the storage is untouched

    // Wider than the line buffer: columns past it are black.
    bm.bmWidth = 4900;
    bm.bmWidthBytes = 4900 * 4;
    bm.bmHeight = 2;
    rig.engine->copy_LB2FB(0, 0, &bm);
    EXPECT_EQ(rig.Pixel(4799, 1), CEffect::GetRGX2RGB((4799 + 1) & 7));
    EXPECT_EQ(rig.Pixel(4800, 1), 0u);
    EXPECT_EQ(rig.Pixel(4899, 1), 0u);
}

TEST(EffectEngine, StepsWaitForTheEngineLock)
{
    Rig rig;
    rig.engine->SetPageInfo(rig.page.get());
    CEFF none(100, 50);
    rig.engine->SetEffectS(none);
    rig.engine->_init_effs(0);

    // Another holder of "EffectMutex" (another engine, or another process)
    // keeps the step from running until it lets go.
    common::NamedMutex other("EffectMutex");
    std::atomic<bool> done{false};
    std::thread host;
    {
        std::lock_guard<common::NamedMutex> hold(other);
        host = std::thread([&] {
            rig.engine->GetEffectS();
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(done.load());
        EXPECT_EQ(rig.page->frameCount, 0u);
    }
    host.join();
    EXPECT_TRUE(done.load());
    EXPECT_EQ(rig.page->frameCount, 1u);
    // Set-up operations that do not lock run while it is held.
    std::lock_guard<common::NamedMutex> hold(other);
    rig.engine->_init_effs(0);
    rig.engine->effect_T(1);
    EXPECT_EQ(rig.engine->check_T(), 0);
}
