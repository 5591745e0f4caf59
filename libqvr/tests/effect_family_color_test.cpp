// SPDX-License-Identifier: BSD-2-Clause
// Color: mixing copies, sweeping symbols, and the waits built from them.
#include "effect_family_fixture.h"

using namespace familytest;

TEST(ColorFamily, CopiesSlideTogetherAndMixToYellow)
{
    Board b(2); // 32 pixels
    b.Text("A", kYellowText); // 8 columns, centred at 12..19
    b.Effects(88);
    b.engine->effect_0700S(); // p = 32: both copies off the band
    EXPECT_EQ(b.ColumnsOf(4, kBlack).size(), 32u);
    for (int i = 0; i < 30; ++i)
        b.engine->effect_0700S(); // p = 2
    // Red shifted right by 2 (14..21), green left by 2 (10..17).
    EXPECT_EQ(b.ColumnsOf(4, kRed), (std::vector<int>{18, 19, 20, 21}));
    EXPECT_EQ(b.ColumnsOf(4, kGreen), (std::vector<int>{10, 11, 12, 13}));
    EXPECT_EQ(b.ColumnsOf(4, kYellow), (std::vector<int>{14, 15, 16, 17}));
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0700S), 2);
    EXPECT_EQ(b.ColumnsOf(4, kYellow), (std::vector<int>{12, 13, 14, 15, 16, 17, 18, 19}));
    EXPECT_EQ(b.Frame(), b.RestFrame());

    // Red text has no green: the green copy adds nothing.
    b.Text("A", kRedText);
    b.Effects(90);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0700S), 17);
    EXPECT_EQ(b.ColumnsOf(4, kRed).size(), 8u);
}

// The colour copy keeps (replace, add) or takes out (remove) the colour's
// components of each text pixel: with red, yellow text becomes red and green
// text black; what a mode leaves alone shows through.
TEST(ColorFamily, ColourCopyKeepsOrRemovesTheGivenComponents)
{
    Board b(2);
    b.Text("AA", kGreenText); // solid cells at 8 .. 15 (green) and 16 .. 23 (yellow)
    b.page->item.chars[1].attr.color = kYellowText;
    b.engine->SetPageInfo(b.page.get());
    b.engine->effect_unicode(b.page->xOffset, 0);
    const struct {
        ROP_MODE mode;
        uint32_t before, dark, green, yellow; // the frame before, then at 2, 8, 16
    } cases[] = {
        {ROP_REPLACE, kWhite, kBlack, kBlack, kRed},
        {ROP_ADD, kBlue, kBlue, kBlue, kRed | kBlue},
        {ROP_REMOVE, kWhite, kBlack, kGreen, kGreen},
    };
    for (const auto& c : cases) {
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x)
                std::memcpy(b.page->bits + y * b.page->bitmap.bmWidthBytes + x * 4, &c.before, 4);
        b.engine->_copy_pBUFnCLR(0, 0, c.mode, 1, &b.page->bitmap);
        EXPECT_EQ(b.Pixel(2, 4), c.dark) << c.mode;
        EXPECT_EQ(b.Pixel(8, 4), c.green) << c.mode;
        EXPECT_EQ(b.Pixel(16, 4), c.yellow) << c.mode;
        EXPECT_EQ(b.Pixel(23, 15), c.yellow) << c.mode;
    }
}

TEST(ColorFamily, SymbolSweepsAcrossRevealingTheText)
{
    Board b(2);
    b.Text("AAAA", kRedText);
    b.Effects(92);
    for (int i = 0; i < 17; ++i)
        b.engine->effect_0700S(); // p = 0: the square covers 0..15
    EXPECT_EQ(b.Pixel(3, 3), 0x00FFFFu); // red under the square: its complement
    EXPECT_EQ(b.Pixel(20, 3), kBlack);   // right of it: not yet shown
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0700S), 32);
    EXPECT_EQ(b.Frame(), b.RestFrame());
}

TEST(ColorFamily, DiscOnBlackIsAWhiteDisc)
{
    Board b(2);
    b.Text("");
    b.Effects(93);
    for (int i = 0; i < 25; ++i)
        b.engine->effect_0700S(); // p = 8
    EXPECT_EQ(b.ColumnsOf(0, kWhite), (std::vector<int>{13, 14, 15, 16, 17, 18}));
    EXPECT_EQ(b.ColumnsOf(7, kWhite).size(), 16u);
    EXPECT_EQ(b.ColumnsOf(15, kWhite).size(), 6u);
}

TEST(ColorFamily, SymbolRowsStretchDownTallBands)
{
    Board b(2, 3); // 48 rows: each symbol row covers three
    b.Text("");
    b.Effects(94);
    for (int i = 0; i < 17; ++i)
        b.engine->effect_0700S(); // p = 0
    for (int y : {0, 1, 2})
        EXPECT_EQ(b.ColumnsOf(y, kWhite), (std::vector<int>{7, 8})) << y;
    EXPECT_EQ(b.ColumnsOf(47, kWhite), (std::vector<int>{7, 8}));
}

TEST(ColorFamily, WaitHidesShowsAndHoldsTheLastFrameOnce)
{
    Board b(2);
    b.Text("A", kYellowText);
    b.Effects(88, 79, 88);
    b.engine->_init_effw(0);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0700W), 33 + 33 + 1);
    EXPECT_EQ(b.Frame(), b.RestFrame());
}

TEST(ColorFamily, BlinkingWaitRemovesTheSharedColour)
{
    Board b(2);
    b.Text("AAAA", kYellowText);
    b.Effects(88, 87, 88);
    b.engine->_init_effw(0);
    // Not held: a single step.
    EXPECT_EQ(b.engine->effect_0700W(), CEffect::kEffectEnd);
    EXPECT_EQ(qvr::ColorWaitColour(), 1u);
    EXPECT_EQ(b.Pixel(16, 4), kGreen); // red taken out of yellow
    b.engine->effect_T(3);
    EXPECT_EQ(b.engine->effect_0700W(), 0u);
    EXPECT_EQ(b.Pixel(16, 4), kYellow);
    b.page->effectW.code = 86;
    EXPECT_EQ(b.engine->effect_0700W(), 0u);
    EXPECT_EQ(b.Pixel(16, 4), kBlack);
    EXPECT_EQ(b.engine->effect_0700W(), 0u);
    EXPECT_EQ(b.Pixel(16, 4), kYellow);
}
