// SPDX-License-Identifier: BSD-2-Clause
#include "qvr/effect.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::unique_ptr<CEffect> Board(unsigned columns, unsigned rows = 1)
{
    auto e = std::make_unique<CEffect>();
    e->SetModuleSize(columns, rows);
    return e;
}

std::vector<int> Head(const int32_t* table, int n) { return std::vector<int>(table, table + n); }

} // namespace

TEST(StripTables, StripWidthTable)
{
    EXPECT_EQ(CEffect::m_CylMX[0], 120);
    EXPECT_EQ(CEffect::m_CylMX[1], 147);
    EXPECT_EQ(CEffect::m_CylMX[39], 120 + 27 * 39);
}

TEST(StripTables, ShortBandCylinderOnNarrowBoards)
{
    auto two = Board(2);
    EXPECT_EQ(Head(two->m_CylinderS, 32),
              (std::vector<int>{9,  23, 33, 38, 44, 48, 51, 53, 55, 57, 58, 59, 60, 61, 62, 63,
                                64, 65, 66, 67, 68, 69, 70, 72, 74, 76, 79, 83, 89, 94, 104, 118}));
    EXPECT_EQ(two->m_CylinderS[31], 118); // screen column 31 shows strip column 118

    auto three = Board(3);
    std::vector<int> want{9, 19, 25, 29, 32, 35, 38, 41, 44, 46, 48, 50, 52};
    for (int v = 53; v <= 75; ++v)
        want.push_back(v);
    for (int v : {77, 79, 81, 83, 86, 89, 92, 95, 98, 102, 108, 118})
        want.push_back(v);
    EXPECT_EQ(Head(three->m_CylinderS, 48), want);
}

TEST(StripTables, ShortBandCylinderOnWideBoards)
{
    for (unsigned columns : {4u, 6u, 20u, 40u}) {
        auto e = Board(columns);
        const int W = static_cast<int>(columns) * 16;
        EXPECT_EQ(e->m_CylinderS[0], 9);
        EXPECT_EQ(e->m_CylinderS[23], 63);
        EXPECT_EQ(e->m_CylinderS[W - 24], W - 48 + 64);
        EXPECT_EQ(e->m_CylinderS[W - 2], W - 48 + 110);
        EXPECT_EQ(e->m_CylinderS[W - 1], W + 70) << columns;
        EXPECT_EQ(e->GetCylinderStripWidth(16), W + 70);
        for (int x = 24; x <= W - 25; ++x)
            ASSERT_EQ(e->m_CylinderS[x], 65 + x - 24);
    }
}

TEST(StripTables, TallBandCylinderAndDrum)
{
    // Worked out by hand from the quarter-circle widths for W = 96 (r = 29).
    auto e = Board(6, 2);
    EXPECT_EQ(Head(e->m_CylinderT, 12), (std::vector<int>{7, 12, 17, 21, 25, 28, 31, 34, 37, 39, 41, 43}));
    EXPECT_EQ(e->m_CylinderT[93], 156);
    EXPECT_EQ(e->m_CylinderT[94], 161);
    EXPECT_EQ(e->m_CylinderT[95], 168);
    EXPECT_EQ(e->m_CylinderSum, 148);
    // The middle of the board is a straight run.
    for (int x = 30; x < 66; ++x)
        ASSERT_EQ(e->m_CylinderT[x] - e->m_CylinderT[x - 1], 1) << x;
    EXPECT_EQ(e->GetCylinderStripWidth(32), CEffect::m_CylMX[3]);

    // The drum's back half continues the strip from where the front ends.
    for (int x = 0; x < 96; ++x) {
        ASSERT_EQ(e->m_DrumColumn[x], e->m_CylinderT[x]);
        ASSERT_EQ(e->m_DrumColumn[96 + x], 168 + e->m_CylinderT[x]);
    }
    EXPECT_EQ(e->m_DrumMX, 336);
    // Back half: full height at the ends, squeezed toward the middle.
    EXPECT_EQ(Head(e->m_DrumTopS + 96, 3), (std::vector<int>{1, 2, 2}));
    EXPECT_EQ(Head(e->m_DrumHeightS + 96, 3), (std::vector<int>{81, 75, 68}));
    EXPECT_EQ(Head(e->m_DrumHeightT + 96, 3), (std::vector<int>{81, 71, 68}));
    EXPECT_EQ(e->m_DrumHeightS[96 + 47], 6);
    EXPECT_EQ(e->m_DrumHeightS[96 + 95], 81);
    EXPECT_EQ(e->m_DrumTopT[96 + 47], 15);
    for (int x = 0; x < 96; ++x)
        ASSERT_EQ(e->m_DrumHeightS[x], 0);
}

TEST(StripTables, CircleOffsets)
{
    auto e = Board(6);
    // r = (96 + 16) * 35 / 100 = 39.
    EXPECT_EQ(Head(e->m_CircleS, 8), (std::vector<int>{10, 9, 8, 8, 7, 7, 6, 6}));
    EXPECT_EQ(Head(e->m_CircleT, 4), (std::vector<int>{15, 13, 12, 11}));
    EXPECT_EQ(e->m_CircleS[38], 1);
    for (int x = 39; x < 57; ++x)
        ASSERT_EQ(e->m_CircleS[x], 0) << x;
    for (int x = 0; x < 96; ++x) {
        ASSERT_EQ(e->m_CircleS[x], e->m_CircleS[95 - x]);
        ASSERT_EQ(e->m_CircleT[x], e->m_CircleT[95 - x]);
    }
}

TEST(StripTables, BoardsOutsideTheTables)
{
    // A one-column board: the bends at both ends overlap and nothing is
    // written before column 0.
    auto one = Board(1);
    EXPECT_EQ(one->m_CylinderS[15], 16 + 70);
    EXPECT_EQ(one->m_CylinderS[0], 16 - 48 + 73);
    EXPECT_EQ(one->m_CircleS[16], 0);
    EXPECT_EQ(one->m_DrumMX, one->m_DrumColumn[31]);
    EXPECT_EQ(one->GetCylinderStripWidth(16), 118);

    // Wider than the tables: they describe the first 640 columns, and the
    // strip widths are those of a 40-column board.
    auto wide = Board(300, 4);
    auto forty = Board(40, 4);
    EXPECT_EQ(wide->GetTableWidth(), 640);
    EXPECT_EQ(Head(wide->m_CylinderS, 640), Head(forty->m_CylinderS, 640));
    EXPECT_EQ(Head(wide->m_CylinderT, 640), Head(forty->m_CylinderT, 640));
    EXPECT_EQ(Head(wide->m_DrumColumn, 1280), Head(forty->m_DrumColumn, 1280));
    EXPECT_EQ(wide->m_DrumMX, forty->m_DrumMX);
    EXPECT_EQ(wide->GetCylinderStripWidth(16), 640 + 70);
    EXPECT_EQ(wide->GetCylinderStripWidth(64), CEffect::m_CylMX[39]);
    EXPECT_EQ(Board(42, 2)->GetCylinderStripWidth(32), CEffect::m_CylMX[39]);
    EXPECT_EQ(Board(43, 2)->GetCylinderStripWidth(32), CEffect::m_CylMX[39]);
    EXPECT_LE(wide->m_DrumMX, CEffect::kLBCols);

    auto none = Board(0, 0);
    EXPECT_EQ(none->m_DrumMX, 0);
    EXPECT_EQ(none->GetCylinderStripWidth(32), 120);
}
