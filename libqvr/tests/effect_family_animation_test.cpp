// SPDX-License-Identifier: BSD-2-Clause
// Animation: the library's masks over the text in each phase.
#include "effect_family_fixture.h"

using namespace familytest;

namespace {

// Effect 0: frame f paints nibble `f` everywhere: frame 0 shows the text, 1 to
// 7 paint that colour, 8 and above black (play mode 0).
MaskSpec Solid(unsigned number, uint16_t frames, uint16_t mode)
{
    MaskSpec m;
    m.number = number;
    m.frames = frames;
    m.mode = mode;
    m.nibble = [](int f, int, int) { return unsigned(f); };
    return m;
}

// Effect 2: a four-pixel mask lit (colour 4) in its first column and row 0 only.
MaskSpec Corner()
{
    MaskSpec m;
    m.number = 2;
    m.width = 4;
    m.nibble = [](int, int x, int y) { return (x == 0 && y == 0) ? 4u : 0u; };
    return m;
}

} // namespace

TEST(AnimationFamily, StartPlaysTheFramesInTheModesOrder)
{
    Board b(2, 1, -1, {Solid(0, 10, 0), Solid(1, 10, 1)});
    b.Text("AA"); // red at 8..23
    b.Effects(1);
    std::vector<uint32_t> seen;
    for (;;) {
        const DWORD r = b.engine->effect_0200S();
        seen.push_back(b.Pixel(0, 0)); // background pixel
        if (r == CEffect::kEffectEnd)
            break;
    }
    ASSERT_EQ(seen.size(), 10u);
    EXPECT_EQ(seen[0], kBlack); // nibble 0: the text (dark there)
    EXPECT_EQ(seen[1], kRed);   // colour 1
    EXPECT_EQ(seen[4], kBlue);  // colour 4
    EXPECT_EQ(seen[9], kBlack); // nibble 9: black

    // Mode 1 plays backwards: frame 9 first, whose nibble 9 shows the text.
    b.Effects(2);
    b.engine->effect_0200S();
    EXPECT_EQ(b.Pixel(10, 5), kRed);
    EXPECT_EQ(b.Pixel(0, 5), kBlack);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0200S), 9);
    EXPECT_EQ(b.Pixel(10, 5), kBlack); // frame 0, nibble 0: colour 0

    // The end runs the other way round.
    b.Effects(1, 92, 1);
    b.engine->_init_effe(0);
    b.engine->effect_0200E();
    EXPECT_EQ(b.Pixel(10, 5), kBlack); // frame 9: black
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0200E), 9);
    EXPECT_EQ(b.Pixel(10, 5), kRed); // frame 0: the text
}

TEST(AnimationFamily, MaskTilesAcrossAndScalesWithTheBand)
{
    for (int band : {16, 32, 48, 64}) {
        const int rows = band / 16;
        Board b(2, rows, -1, {Corner()});
        b.Effects(3);
        b.engine->effect_0200S();
        const int s = band / 16; // each mask pixel covers s x s band pixels
        std::vector<int> lit;
        for (int x = 0; x < 32; ++x)
            if (b.Pixel(x, 0) == kBlue)
                lit.push_back(x);
        std::vector<int> want;
        for (int x = 0; x < 32; ++x)
            if ((x / s) % 4 == 0)
                want.push_back(x);
        EXPECT_EQ(lit, want) << band;
        EXPECT_EQ(b.Pixel(0, s - 1), kBlue) << band;
        EXPECT_EQ(b.Pixel(0, s), kBlack) << band;
        // 16 mask rows reach the bottom of the band: the mask repeats below.
        EXPECT_EQ(b.Pixel(0, 16 * s - 1), kBlack) << band;
    }
}

TEST(AnimationFamily, WaitPaintsOnlyTheBackgroundWhenBlended)
{
    MaskSpec m = Solid(0, 4, 1); // the wait ignores the play mode
    m.nibble = [](int f, int, int) { return f == 2 ? 5u : 0u; };
    Board b(2, 1, -1, {m});
    b.Text("AA");
    b.page->item.blend = 0;
    b.Effects(1, 1, 1);
    b.engine->_init_effw(0);
    for (int i = 0; i < 3; ++i)
        b.engine->effect_0200W(); // frame 2: magenta
    EXPECT_EQ(b.Pixel(0, 0), 0xFF00FFu);
    EXPECT_EQ(b.Pixel(10, 0), 0xFF00FFu);
    b.page->item.blend = 1;
    b.engine->_init_effw(0);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0200W), 4);
    b.engine->_init_effw(0);
    for (int i = 0; i < 3; ++i)
        b.engine->effect_0200W();
    EXPECT_EQ(b.Pixel(0, 0), 0xFF00FFu);
    EXPECT_EQ(b.Pixel(10, 0), kRed); // the text stays in front
    // Held: the cycle starts over instead of ending.
    b.engine->effect_T(2);
    EXPECT_EQ(b.engine->effect_0200W(), 0u);
    EXPECT_EQ(b.engine->effect_0200W(), 0u);
    EXPECT_EQ(b.page->position, 1);
}

TEST(AnimationFamily, MissingEffectShowsTheTextForOneFrame)
{
    Board b(2, 1, -1, {Solid(0, 3, 0)});
    b.Text("AA");
    b.content->m_EffectCount = 1; // the library holds effect 0 only
    b.Effects(7);
    EXPECT_EQ(b.engine->effect_0200S(), CEffect::kEffectEnd);
    EXPECT_EQ(b.Frame(), b.RestFrame());
    b.engine->_init_effw(0);
    b.page->effectW.code = 7;
    EXPECT_EQ(b.engine->effect_0200W(), CEffect::kEffectEnd);
    EXPECT_EQ(b.Frame(), b.RestFrame());
}

TEST(AnimationFamily, HeaderClaimingMoreThanItsStorageIsCut)
{
    Board b(2, 1, -1, {Solid(0, 3, 0)});
    b.Text("AA");
    RGX_HEADER* h = b.content->GetEffectInfo(0);
    ASSERT_NE(h, nullptr);
    h->width = 64;
    h->frames = 60000; // 32 bytes a row, 16 rows: the storage holds 57 frames
    b.Effects(1);
    EXPECT_EQ(b.page->limit, 0);
    b.engine->effect_0200S();
    EXPECT_EQ(b.page->limit, int(sizeof b.content->m_Effect[0].data / (32 * 16)) - 1);
}
