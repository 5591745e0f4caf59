// SPDX-License-Identifier: BSD-2-Clause
// Scroll: text sliding in and out, combing, and the diagonal scrolls.
#include "effect_family_fixture.h"

using namespace familytest;

TEST(ScrollFamily, FittingTextEntersFromTheRightAndRestsCentred)
{
    Board b(6); // 96 pixels
    b.Text("AAAA"); // 32 pixels: centred at 32..63
    b.Effects(59);
    b.engine->effect_0400S();
    EXPECT_EQ(b.ColumnsOf(0, kRed).size(), 0u); // just beyond the right edge
    // x offset runs from 96 - 32 = 64 down to 0.
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0400S), 64);
    const std::vector<int> lit = b.ColumnsOf(7, kRed);
    ASSERT_EQ(lit.size(), 32u);
    EXPECT_EQ(lit.front(), 32);
    EXPECT_EQ(lit.back(), 63);
}

TEST(ScrollFamily, LoopedTextRunsOutAtTheLeft)
{
    Board b(6);
    b.Text("AAAA");
    b.page->item.effectLoop = 1;
    b.Effects(59);
    // x offset from 96 - 32 down to -32 - 32: no centring while looping.
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0400S), 64 + 64 + 1);
    EXPECT_EQ(b.ColumnsOf(0, kRed).size(), 0u);
}

TEST(ScrollFamily, DropInTakesFourStepsARowAndEndsAtRest)
{
    Board b(6);
    b.Text("TTTT"); // a line on row 0
    b.Effects(61);
    for (int call = 0; call < 60; ++call)
        ASSERT_EQ(b.engine->effect_0400S(), 0u);
    // Counter 59: (59 >> 2) - 16 = -2, the glyph's top row is above the band.
    EXPECT_EQ(b.ColumnsOf(0, kRed).size(), 0u);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0400S), 65 - 60);
    EXPECT_EQ(b.ColumnsOf(0, kRed).size(), 32u);

    b.engine->_init_effe(0);
    b.page->effectE.code = 62; // leaves at the top
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0400E), 65);
    EXPECT_EQ(b.ColumnsOf(0, kRed).size(), 0u);
}

TEST(ScrollFamily, CombingMeetsInTheMiddle)
{
    Board b(2); // 32 pixels
    b.Text("AAAA");
    b.Effects(67);
    b.engine->effect_0400S(); // k = 1: even rows shifted 31 right, odd rows 31 left
    EXPECT_EQ(b.ColumnsOf(0, kRed), (std::vector<int>{31}));
    EXPECT_EQ(b.ColumnsOf(1, kRed), (std::vector<int>{0}));
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0400S), 31);
    const std::vector<uint32_t> last = b.Frame();
    EXPECT_EQ(last, b.RestFrame());

    b.Effects(68);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0400S), 64);
    EXPECT_EQ(b.Frame(), b.RestFrame());
}

TEST(ScrollFamily, EndLeavesAtEitherSide)
{
    Board b(6);
    b.Text("AAAA");
    b.Effects(59, 92, 59);
    b.engine->_init_effe(0); // fits: x offset 0, drawn centred at 32
    // x offset from 0 to -32 - 32.
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0400E), 65);
    EXPECT_EQ(b.ColumnsOf(3, kRed).size(), 0u);

    b.engine->_init_effe(0);
    b.page->effectE.code = 60;
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0400E), 65);
    EXPECT_EQ(b.ColumnsOf(3, kRed).size(), 0u);
}

TEST(ScrollFamily, DiagonalEntersFromAboveAndRests)
{
    Board b(6);
    b.Text("AAAA");
    b.Effects(63);
    // Second x value 64, slope 64 / 16 = 4: at x offset 64 the text is 16 rows up.
    b.engine->effect_0400S();
    EXPECT_EQ(b.ColumnsOf(15, kRed).size(), 0u);
    for (int i = 0; i < 40; ++i)
        b.engine->effect_0400S(); // x offset 24: 6 rows up, 24 columns right
    const std::vector<int> lit = b.ColumnsOf(9, kRed);
    ASSERT_EQ(lit.size(), 32u);
    EXPECT_EQ(lit.front(), 32 + 24);
    EXPECT_EQ(b.ColumnsOf(10, kRed).size(), 0u);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0400S), 24);
    EXPECT_EQ(b.Frame(), b.RestFrame());
}

TEST(ScrollFamily, NoSlopeStillArrivesAtRest)
{
    // A 1 x 2 board with a one-cell text: second x value 16 - 4 = 12 is less
    // than the band's 32 rows, so the rule's slope is 0.
    Board b(1, 2);
    b.Text("A");
    for (uint16_t code : {63, 64, 65, 66}) {
        b.Effects(code);
        const int calls = b.CallsToEnd(&CEffect::effect_0400S, 1000);
        EXPECT_GT(calls, 0) << code;
        EXPECT_EQ(b.Frame(), b.RestFrame()) << code;
        b.page->effectE.code = code;
        b.engine->_init_effe(0);
        EXPECT_GT(b.CallsToEnd(&CEffect::effect_0400E, 1000), 0) << code;
    }
}
