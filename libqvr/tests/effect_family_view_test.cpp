// SPDX-License-Identifier: BSD-2-Clause
// View: wipes with a white edge, and the wait that hides and shows again.
#include "effect_family_fixture.h"

using namespace familytest;

TEST(ViewFamily, WipeFromTheLeftEndsOnTheCallAfterTheBand)
{
    Board b(6); // 96 pixels
    b.Text("AAAAAAAAAAAA"); // exactly as wide as the board
    b.Effects(51);
    EXPECT_EQ(b.page->fits, 1u);
    for (int call = 0; call < 40; ++call)
        ASSERT_EQ(b.engine->effect_0300S(), 0u);
    // Position 40 was drawn last but one: the edge is one column behind.
    EXPECT_EQ(b.engine->effect_0300S(), 0u);
    EXPECT_EQ(b.Pixel(39, 5), kRed);
    EXPECT_EQ(b.Pixel(40, 5), kWhite);
    EXPECT_EQ(b.Pixel(41, 5), kBlack);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0300S), 97 - 41);
    // The white edge has left the band; the text shows whole.
    EXPECT_EQ(b.ColumnsOf(0, kRed).size(), 96u);
    EXPECT_EQ(b.ColumnsOf(15, kWhite).size(), 0u);
}

TEST(ViewFamily, MiddleAndVerticalWipesMoveByTheirDivisor)
{
    Board b(6);
    b.Text("AAAAAAAAAAAA");
    b.Effects(55);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0300S), 48 * 2 + 1);
    EXPECT_EQ(b.ColumnsOf(8, kRed).size(), 96u);

    b.Effects(53);
    std::vector<int> edgeRows;
    for (int call = 0; call < 6; ++call) {
        b.engine->effect_0300S();
        for (int y = 0; y < 16; ++y)
            if (b.Pixel(10, y) == kWhite)
                edgeRows.push_back(y);
    }
    EXPECT_EQ(edgeRows, (std::vector<int>{0, 0, 1, 1, 2, 2}));
}

TEST(ViewFamily, EndClosesToTheMiddleAndLeavesBlack)
{
    Board b(6);
    b.Text("AAAAAAAAAAAA");
    b.Effects(51, 92, 55);
    b.engine->_init_effe(0);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0300E), 97);
    EXPECT_EQ(b.ColumnsOf(3, kBlack).size(), 96u);
}

TEST(ViewFamily, SmearStretchesTheEdgeColumn)
{
    Board b(2); // 32 pixels
    b.Text("LLLL"); // bars at columns 0, 8, 16, 24
    b.Effects(57);
    for (int i = 0; i < 9; ++i)
        b.engine->effect_0300S(); // position 8: column 8 is a bar
    for (int x = 8; x < 32; ++x)
        EXPECT_EQ(b.Pixel(x, 4), kRed) << x;
    EXPECT_EQ(b.Pixel(1, 4), kBlack);
}

TEST(ViewFamily, WaitHidesThenShowsWithOneSharedToggle)
{
    Board b(6);
    b.Text("AAAAAAAAAAAA");
    b.Effects(51, 51, 97);
    b.engine->_init_effw(0);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0300W), 97 + 97);
    EXPECT_EQ(qvr::ViewWaitToggle(), -1);
    EXPECT_EQ(b.ColumnsOf(0, kRed).size(), 96u);

    // A second page starting its wait finds the toggle another page left.
    Board other(6); // resets the shared values
    other.Text("AAAAAAAAAAAA");
    other.Effects(51, 52, 97);
    other.engine->_init_effw(0);
    b.engine->_init_effw(0);
    for (int i = 0; i < 97; ++i)
        b.engine->effect_0300W();
    EXPECT_EQ(qvr::ViewWaitToggle(), 1);
    // Its first step is already the showing half.
    other.engine->effect_0300W();
    EXPECT_EQ(other.Pixel(95, 0), kWhite);
}
