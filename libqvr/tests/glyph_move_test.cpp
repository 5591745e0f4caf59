// SPDX-License-Identifier: BSD-2-Clause
#include "glyph_fixture.h"

using namespace qvrtest;

namespace {

// Every pixel of frame f of move m holds the nibble (m * 4 + f + 1) & 15,
// except move 0 frame 1, which shows (x + y) & 15.
void MarkMoves(CContent& c)
{
    ASSERT_EQ(c.m_MoveCount, 4u);
    for (unsigned m = 0; m < 4; ++m) {
        ASSERT_EQ(c.m_Move[m].header.frames, 4);
        for (unsigned f = 0; f < 4; ++f) {
            const unsigned v = (m * 4 + f + 1) & 15;
            std::memset(c.m_Move[m].data + f * 128, int(v << 4 | v), 128);
        }
    }
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; x += 2)
            c.m_Move[0].data[128 + y * 8 + x / 2] = static_cast<unsigned char>(((x + y) & 15) << 4 | ((x + y + 1) & 15));
}

Picture Move(const CContent& c, QVXF a, unsigned short code, long t)
{
    return Paint([&](unsigned char* o, size_t cap) { return c.GetIconData(a, code, t, o, cap); });
}

} // namespace

TEST(GlyphMove, NumberAndFrame)
{
    auto c = OpenLibrary(1, 10);
    MarkMoves(*c);
    const QVXF a = Cell(0x0145, 5); // a colour row is ignored by moves
    struct {
        unsigned short code;
        long t;
        unsigned move, frame;
    } cases[] = {{1, 0, 0, 0}, {2, 3, 1, 3}, {4, 6, 3, 2}, {5, 2, 0, 2}, {0, 0, 3, 0}, {9, -1, 0, 3}};
    for (const auto& k : cases) {
        const Picture p = Move(*c, a, k.code, k.t);
        ASSERT_EQ(p.size.cx, 16);
        ASSERT_EQ(p.size.cy, 16);
        EXPECT_EQ(p.px, std::vector<unsigned char>(256, (k.move * 4 + k.frame + 1) & 15)) << k.code << " " << k.t;
    }
    // The attribute pattern applies: row 1 blanks frame 0.
    FillAttrib(*c, 1, 8);
    EXPECT_EQ(Move(*c, Cell(0x0145, 0, 1), 2, 0).px, std::vector<unsigned char>(256, 0));
}

TEST(GlyphMove, StretchAndDouble)
{
    auto c = OpenLibrary(2, 10);
    MarkMoves(*c);
    for (unsigned wi = 0; wi < 5; ++wi) {
        const Picture p = Move(*c, Cell(0x0045u | (wi << 8)), 1, 1);
        const long w = gWF[wi];
        ASSERT_EQ(p.size.cx, w);
        for (int y = 0; y < 16; ++y)
            for (int d = 0; d < w; ++d)
                ASSERT_EQ(p.at(d, y), (d * 16 / w + y) & 15) << w << " at " << d << "," << y;
    }
    // 32 dots high: each dot doubled both ways, from the 16-dot move array.
    const Picture big = Move(*c, Cell(0x0185), 1, 1);
    ASSERT_EQ(big.size.cx, 32);
    ASSERT_EQ(big.size.cy, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(big.at(x, y), (x / 2 + y / 2) & 15) << x << "," << y;
}

TEST(GlyphMove, MissingOrDamagedMoves)
{
    auto c = OpenLibrary(1, 10);
    MarkMoves(*c);
    // A frame count beyond the move's room is held to the frames that fit.
    c->m_Move[2].header.frames = 200;
    c->m_Move[2].data[7 * 128] = 0xAB;
    EXPECT_EQ(Move(*c, Cell(0x0145), 3, 7).px[0], 0xA);
    EXPECT_EQ(Move(*c, Cell(0x0145), 3, 8).px[0], 9); // frame 0 again
    c->m_Move[2].header.frames = 0;
    EXPECT_EQ(Move(*c, Cell(0x0145), 3, 1).px, std::vector<unsigned char>(256, 0));
    // Taller than the move: blank rows below it.
    const Picture tall = Move(*c, Cell(0x0165), 2, 0);
    ASSERT_EQ(tall.size.cy, 24);
    EXPECT_EQ(tall.at(0, 15), 5);
    EXPECT_EQ(tall.at(0, 16), 0);
    // No moves loaded: a blank cell of the move's size.
    c->m_MoveCount = 0;
    const Picture none = Move(*c, Cell(0x0145), 1, 0);
    EXPECT_EQ(none.size.cx, 16);
    EXPECT_EQ(none.px, std::vector<unsigned char>(256, 0));
}
