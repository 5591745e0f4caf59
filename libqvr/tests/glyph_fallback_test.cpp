// SPDX-License-Identifier: BSD-2-Clause
// Cells from a damaged project file or clipboard may hold any bits; they must
// paint something sensible and never reach outside a table, a face or the buffer.
#include "glyph_fixture.h"

using namespace qvrtest;

TEST(GlyphFallback, SelectorsBeyondTheTables)
{
    auto c = OpenLibrary(1, 10);
    for (unsigned p = 1; p < qvr::kAttribPatterns; ++p)
        FillAttrib(*c, p, 8); // every attribute row but the plain ones blanks somewhere
    std::memset(c->m_Latin16 + 'H' * 16, 0x3C, 16);
    const Picture plain = PaintCode(*c, FontCell(2, 1), 'H');
    for (unsigned attrib : {24u, 100u, 255u})
        for (long t = 0; t < 40; t += 13)
            EXPECT_EQ(PaintCode(*c, FontCell(2, 1, 0, 0, attrib), 'H', t).px, plain.px) << attrib;
    for (unsigned color : {23u, 128u, 255u})
        EXPECT_EQ(PaintCode(*c, FontCell(2, 1, 0, color), 'H', 5).px, plain.px) << color;
}

TEST(GlyphFallback, CodesOutsideTheFacesDrawQuestionMark)
{
    auto k = OpenLibrary(1, 10);
    auto g = OpenLibrary(1, 14);
    for (CContent* c : {k.get(), g.get()})
        std::memset(c->m_Latin16 + '?' * 16, 0xFF, 16);
    const std::vector<unsigned char> question(8 * 16, 1);
    // Hangul rows 0xB0..0xC8, Hanja 0xCA..0xFD, GB2312 0xB0..0xF7, columns 0xA1..0xFE.
    for (uint16_t entry : {0xAFA1, 0xC9A1, 0xB0A0, 0xB0FF, 0x0000}) {
        k->m_CodeTable[0xAC00][0] = entry;
        EXPECT_EQ(PaintCode(*k, FontCell(2, 1), 0xAC00).px, question) << std::hex << entry;
    }
    for (uint16_t entry : {0xC9FE, 0xFEA1, 0xCAFF}) {
        k->m_CodeTable[0x4E00][0] = entry;
        EXPECT_EQ(PaintCode(*k, FontCell(2, 1), 0x4E00).px, question) << std::hex << entry;
    }
    for (uint16_t entry : {0xAFFE, 0xF8A1, 0xB0A0}) {
        g->m_CodeTable[0x4E00][1] = entry;
        EXPECT_EQ(PaintCode(*g, FontCell(2, 1), 0x4E00).px, question) << std::hex << entry;
    }
    for (uint16_t entry : {1242, 0xFFFE}) {
        k->m_CodeTable[0x2460][0] = entry;
        EXPECT_EQ(PaintCode(*k, FontCell(2, 1), 0x2460).px, question) << entry;
    }
    // Direct calls with codes beyond the Latin and small fonts.
    unsigned char buf[4096] = {};
    EXPECT_EQ(k->make_ascii(FontCell(2, 1), 0xFFFF, 0, buf).cx, 8);
    EXPECT_EQ(std::vector<unsigned char>(buf, buf + 128), question);
}

TEST(GlyphFallback, CellsTallerOrWiderThanTheGlyph)
{
    auto c = OpenLibrary(2, 10);
    std::vector<unsigned char> block(128, 0xFF);
    // size 3 with the 16-row sets and 5 with the 32-row sets: blank rows below,
    // even over a coloured background and a dirty buffer.
    struct {
        Painter paint;
        unsigned size, rows;
    } cases[] = {{&CContent::make_fnt08x16, 3, 16}, {&CContent::make_fnt16x16, 3, 16},
                 {&CContent::make_fnt16x32, 5, 32}, {&CContent::make_fnt32x32, 5, 32}};
    for (const auto& k : cases) {
        std::vector<unsigned char> buf(4096, 0x55);
        const SIZE s = (c.get()->*k.paint)(FontCell(k.size, 2, 0, 3), block.data(), 0, buf.data(), buf.size());
        ASSERT_EQ(s.cy, long(k.size) * 8);
        for (long y = 0; y < s.cy; ++y)
            for (long x = 0; x < s.cx; ++x)
                ASSERT_EQ(buf[size_t(y * s.cx + x)], y < long(k.rows) ? 2 : 0) << x << "," << y;
        EXPECT_EQ(buf[size_t(s.cx * s.cy)], 0x55);
    }
    // A Latin cell with width index 0 takes no room.
    EXPECT_EQ(PaintCode(*c, FontCell(2, 0), 'A').size.cx, 0);
    // Cells larger than the buffer keep to it: only whole rows that fit.
    c->m_CodeTable[0xAC00][0] = 0xB0A1;
    const Picture huge = PaintCode(*c, FontCell(7, 4), 0xAC00);
    EXPECT_EQ(huge.size.cx, 144);
    EXPECT_EQ(huge.size.cy, 4096 / 144);
    const Picture small = PaintCode(*c, FontCell(2, 1), 0xAC00, 0, 100);
    EXPECT_EQ(small.size.cy, 6);
}
