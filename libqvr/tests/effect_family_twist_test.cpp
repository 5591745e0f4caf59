// SPDX-License-Identifier: BSD-2-Clause
// Twist: the strip on a cylinder, circle or drum, and the twisting ribbon;
// with the copiers they use.
#include "effect_family_fixture.h"

#include <cstring>

using namespace familytest;

namespace {

// Fills line-buffer column `col` with colour c on every row.
void PaintColumn(int col, unsigned char c)
{
    for (int y = 0; y < CEffect::kLBRows; ++y)
        CEffect::m_LB[y][col] = c;
}

void ClearLB() { std::memset(CEffect::m_LB, 0, sizeof CEffect::m_LB); }

} // namespace

TEST(TwistCopiers, CosineIsTruncatedToThreeDecimals)
{
    EXPECT_DOUBLE_EQ(qvr::TwistCosine(0), 1.0);
    EXPECT_DOUBLE_EQ(qvr::TwistCosine(1), 0.999);
    EXPECT_DOUBLE_EQ(qvr::TwistCosine(91), -0.017);
    EXPECT_DOUBLE_EQ(qvr::TwistCosine(90), 0.0);
    EXPECT_DOUBLE_EQ(qvr::TwistCosine(180), -1.0);
}

TEST(TwistCopiers, QuarterTurnCollapsesAndHalfTurnMirrors)
{
    Board b(2); // 32 pixels
    b.engine->SetPageInfo(b.page.get());
    ClearLB();
    PaintColumn(3, 1);
    PaintColumn(10, 2);
    b.engine->_copy_pBUFnTWIST(0, 16, 90, 0, 0, &b.page->bitmap);
    for (int y = 0; y < 16; ++y)
        EXPECT_EQ(b.ColumnsOf(y, kYellow), (std::vector<int>{16})) << y; // red | green
    b.engine->_copy_pBUFnTWIST(0, 16, 180, 0, 0, &b.page->bitmap);
    EXPECT_EQ(b.ColumnsOf(5, kRed), (std::vector<int>{29}));
    EXPECT_EQ(b.ColumnsOf(5, kGreen), (std::vector<int>{22}));
    // With a slant each row lags three degrees: row 30 of a 180 start is at 90.
    b.engine->_copy_pBUFnTWIST(0, 16, 45 + 3 * 15, 0, 3, &b.page->bitmap);
    EXPECT_EQ(b.ColumnsOf(0, kYellow), (std::vector<int>{16}));
    EXPECT_EQ(b.ColumnsOf(15, kRed), (std::vector<int>{6}));
    ClearLB();
}

TEST(TwistCopiers, ShortCylinderOnTwoColumnsEndsAtStripColumn118)
{
    Board b(2);
    b.engine->SetPageInfo(b.page.get());
    ClearLB();
    PaintColumn(118, 2);
    b.engine->_copy_pBUFnANGLE(&b.page->bitmap);
    EXPECT_EQ(b.ColumnsOf(5, kGreen), (std::vector<int>{31}));
    EXPECT_EQ(b.Pixel(31, 0), kBlack); // rounded corner
    EXPECT_EQ(b.Pixel(31, 1), kBlack);
    EXPECT_EQ(b.Pixel(31, 2), kGreen);
    ClearLB();
}

TEST(TwistCopiers, DrumShowsTheFrontWholeAndTheBackShrunk)
{
    Board b(6); // 96 pixels
    b.engine->SetPageInfo(b.page.get());
    CEffect& e = *b.engine;
    ClearLB();
    for (int c = 0; c < 400; ++c)
        PaintColumn(c, static_cast<unsigned char>(c % 7 + 1));
    // x offset 0: every column is on the front, one to one.
    b.page->xOffset = 0;
    e._copy_pBUFn3DRotate3(&b.page->bitmap);
    for (int x = 20; x < 76; ++x)
        for (int y = 0; y < 16; ++y)
            ASSERT_EQ(b.Pixel(x, y), CEffect::GetRGX2RGB((e.m_DrumColumn[x] - 1) % 7 + 1)) << x;
    // Beyond the drum's front edge: the back, from its top offset, shrunk.
    b.page->xOffset = e.m_DrumColumn[95];
    e._copy_pBUFn3DRotate3(&b.page->bitmap);
    for (int x : {10, 48, 85}) {
        const int j = 2 * 96 - x - 1;
        const int top = e.m_DrumTopS[j];
        const int rows = 1 + 15 * e.m_DrumHeightS[j] / 100; // rows the 16 source rows reach
        const uint32_t colour = CEffect::GetRGX2RGB((e.m_DrumColumn[j] - 1) % 7 + 1);
        for (int y = 0; y < 16; ++y) {
            const bool lit = y >= top && y < top + rows;
            EXPECT_EQ(b.Pixel(x, y) == colour, lit) << x << "," << y;
        }
    }
    // The flat drum: the same columns, rows one to one.
    e._copy_pBUFn3DRotate2(&b.page->bitmap);
    EXPECT_EQ(b.Pixel(48, 0), CEffect::GetRGX2RGB((e.m_DrumColumn[2 * 96 - 49] - 1) % 7 + 1));
    EXPECT_EQ(e._copy_pBUFn3DRotate1(&b.page->bitmap), 0);
    ClearLB();
}

TEST(TwistFamily, CylinderStartRunsTheStripAndHoldsOneSecond)
{
    Board b(6);
    b.Text("AAAA");
    b.page->item.option = 1;
    b.Effects(95);
    b.engine->effect_0800S();
    EXPECT_EQ(b.page->width, 166); // (6 - 3) x 16 + 118
    EXPECT_EQ(b.page->holdTime, 1);
    EXPECT_EQ(b.page->gapCount, 8u);
    EXPECT_EQ(b.page->limit, -32);
    // x offset 166 down to -33.
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0800S), 200 - 1);

    b.page->item.option = 2; // two copies with a gap of 8 spaces between
    b.Effects(96);
    b.engine->effect_0800S();
    EXPECT_EQ(b.page->limit, -32 * 2 - 8 * 8);
}

TEST(TwistFamily, TwoLineTextRunsOnePassPerCount)
{
    Board b(6);
    b.page->item.type = LUMIVO_ENG2LINE;
    b.Text("AA");
    b.Text("AAAA", kGreenText, 1);
    b.page->item.option = 2;
    b.Effects(95);
    const int pass = 166 + 32 + 2;
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0800S), 2 * pass);
    EXPECT_EQ(b.page->textWidth2, 32);
    EXPECT_EQ(b.page->limit, -32);
    EXPECT_EQ(b.page->gapCount2, uint32_t((96 - 16) / 6));

    // A counter of 0 runs one pass and stops.
    b.page->item.option = 0;
    b.Effects(95);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0800S), pass);
}

TEST(TwistFamily, DrumStartRepeatsItsPasses)
{
    Board b(6);
    b.Text("AAAA");
    b.page->item.option = 2;
    b.Effects(98);
    const int strip = b.engine->m_DrumMX;
    // First pass from the strip width, the next from one column less.
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0800S), (strip + 32 + 2) + (strip - 1 + 32 + 2));
    b.page->item.option = 0;
    b.Effects(99);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0800S), strip + 32 + 2);
}

TEST(TwistFamily, EndAndWaitTurnOneHundredTwentySixSteps)
{
    Board b(6);
    b.Text("AAAA");
    b.Effects(100, 89, 95);
    b.engine->_init_effe(0);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0800E), 126);
    // Risen out of the band: rows from -16 down; nothing of the text is left.
    EXPECT_EQ(b.ColumnsOf(0, kRed).size() + b.ColumnsOf(15, kRed).size(), 0u);
    b.engine->_init_effe(0);
    b.page->effectE.code = 96;
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0800E), 126);

    b.engine->_init_effw(0);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0800W), 126);
    // 1125 = 3 x 360 + 45 for the top row.
    EXPECT_FALSE(b.ColumnsOf(0, kRed).empty());
}
