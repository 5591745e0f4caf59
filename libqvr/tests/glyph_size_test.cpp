// SPDX-License-Identifier: BSD-2-Clause
#include "glyph_fixture.h"

#include <vector>

using namespace qvrtest;

namespace {

std::vector<CLumiChar> Line(std::initializer_list<uint16_t> codes, QVXF attr = QVXF())
{
    std::vector<CLumiChar> cells;
    for (uint16_t c : codes) {
        CLumiChar cell;
        cell.code = c;
        cell.attr = attr;
        cells.push_back(cell);
    }
    return cells;
}

} // namespace

TEST(GlyphSize, CellRules)
{
    const QVXF def;
    EXPECT_EQ(CContent::GetCharXSize(def, 65), 8);
    EXPECT_EQ(CContent::GetCharXSize(def, 590), 8);
    EXPECT_EQ(CContent::GetCharXSize(def, 591), 16);
    EXPECT_EQ(CContent::GetCharXSize(def, 0xAC00), 16);
    EXPECT_EQ(CContent::GetCharYSize(def), 16);

    // Latin is one width step narrower; gWF x (size >> 1) for the rest.
    for (unsigned wi = 1; wi < 8; ++wi)
        for (unsigned size = 0; size < 8; ++size) {
            const QVXF a = FontCell(size, wi);
            EXPECT_EQ(CContent::GetCharXSize(a, 'A'), gWF[wi - 1] * long(size >> 1));
            EXPECT_EQ(CContent::GetCharXSize(a, 0x4E00), gWF[wi] * long(size >> 1));
            EXPECT_EQ(CContent::GetCharYSize(a), long(size) * 8);
        }
    // Eng2Line cells are 6x8 whatever the width index.
    for (unsigned wi = 0; wi < 8; ++wi) {
        const QVXF a = Cell(0x27u | (wi << 8));
        EXPECT_EQ(CContent::GetCharXSize(a, 'A'), 6);
        EXPECT_EQ(CContent::GetCharYSize(a), 8);
    }
    // Moves and blank cells take the full width; other kinds none.
    EXPECT_EQ(CContent::GetCharXSize(Cell(0x0245), 3), 24);
    EXPECT_EQ(CContent::GetCharXSize(Cell(0x0146), 'A'), 16);
    for (unsigned kind : {0u, 2u, 3u, 4u, 8u, 31u})
        EXPECT_EQ(CContent::GetCharXSize(Cell(0x0140u | kind), 'A'), 0) << kind;
    // A Latin code with width index 0 takes no room rather than reading before gWF.
    EXPECT_EQ(CContent::GetCharXSize(FontCell(2, 0), 'A'), 0);
    EXPECT_EQ(CContent::GetCharXSize(nullptr), 0);
}

TEST(GlyphSize, LineWidthAndHeight)
{
    std::vector<CLumiChar> line = Line({'A', 'B', 10, 'C', 0});
    EXPECT_EQ(CContent::GetLumiCharWidth(line.data()), 16);
    EXPECT_EQ(CContent::GetLumiCharWidth(nullptr), 0);
    EXPECT_EQ(CContent::GetLumiCharHeight(nullptr), 0);
    // Text height: the first cell, plus a code 13's height, plus a code 10's width.
    EXPECT_EQ(CContent::GetLumiCharHeight(line.data()), 16 + 8);
    line = Line({0xAC00, 13, 'x', 13, 0});
    const SIZE s = CContent::GetLumiCharSize(line.data());
    EXPECT_EQ(s.cx, 16);
    EXPECT_EQ(s.cy, 48);

    // A move's code is its number: 0, 10 and 13 neither end nor break the line.
    std::vector<CLumiChar> moves = Line({1, 0, 10, 13}, Cell(0x0145));
    moves.push_back(Line({0})[0]);
    EXPECT_EQ(CContent::GetLumiCharWidth(moves.data()), 64);
    EXPECT_EQ(CContent::GetLumiCharHeight(moves.data()), 16 + 16); // code 13 still adds

    // The bounded forms stop at the count even without an end.
    const std::vector<CLumiChar> open = Line({'A', 'A', 'A', 'A'});
    EXPECT_EQ(CContent::GetLumiCharWidth(open.data(), 3), 24);
    EXPECT_EQ(CContent::GetLumiCharSize(open.data(), 0).cy, 0);
}

TEST(GlyphSize, BitmapDescription)
{
    const auto c = OpenLibrary(1, 10);
    BITMAP bm;
    EXPECT_EQ(c->GetFontData(FontCell(4, 2), 0xAC00, &bm), 48 * 4 * 32);
    EXPECT_EQ(bm.bmWidth, 48);
    EXPECT_EQ(bm.bmHeight, 32);
    EXPECT_EQ(bm.bmWidthBytes, 192);
    EXPECT_EQ(bm.bmPlanes, 1);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(c->GetFontData(QVXF(), 'A', nullptr), 0);
}
