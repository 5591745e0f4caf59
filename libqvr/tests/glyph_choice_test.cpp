// SPDX-License-Identifier: BSD-2-Clause
#include "glyph_fixture.h"

using namespace qvrtest;

namespace {

struct Case {
    const char* what;
    uint16_t code;
    QVXF attr;
    unsigned char* glyph; // the glyph that must be drawn
    size_t glyphBytes;
    long w, h;
};

// Each case's glyph becomes a full block; with colour row 0 the cell must then
// be solid red (pattern 1) at the expected size, which no other glyph gives.
void ExpectChoices(CContent& c, std::initializer_list<Case> cases)
{
    for (const Case& k : cases) {
        std::memset(k.glyph, 0xFF, k.glyphBytes);
        const Picture p = PaintCode(c, k.attr, k.code);
        std::memset(k.glyph, 0, k.glyphBytes);
        EXPECT_EQ(p.size.cx, k.w) << k.what;
        EXPECT_EQ(p.size.cy, k.h) << k.what;
        EXPECT_EQ(p.px, std::vector<unsigned char>(size_t(k.w * k.h), 1)) << k.what;
    }
}

void SetCodes(CContent& c, uint16_t code, uint16_t first, uint16_t second)
{
    c.m_CodeTable[code][0] = first;
    c.m_CodeTable[code][1] = second;
}

} // namespace

TEST(GlyphChoice, SixteenDotHangulLibrary)
{
    auto c = OpenLibrary(1, 10);
    SetCodes(*c, 591, 5, 0xFFFF);
    SetCodes(*c, 0x9FB0, 1241, 0xFFFF);
    SetCodes(*c, 0xFFFE, 7, 0xFFFF);
    SetCodes(*c, 0xAC00, 0xB0A1, 0xFFFF);
    SetCodes(*c, 0xAC01, 0x0FFF, 0xFFFF); // stands for 0xC8FE
    SetCodes(*c, 0x4E00, 0xCAA2, 0xB0A1);
    SetCodes(*c, 0xF900, 0xFDFE, 0xFFFF);
    SetCodes(*c, 0x4E01, 0xFFFF, 0xFFFF);
    SetCodes(*c, 0x3000, 0xFFFF, 0xFFFF);
    const size_t hangulFace = 25 * 94;
    ExpectChoices(*c, {
        {"Latin, face 7 -> 2", 'A', FontCell(2, 1, 7), c->m_Latin16 + (2 * 592 + 'A') * 16, 16, 8, 16},
        {"Latin 590, wide", 590, FontCell(2, 3), c->m_Latin16 + 590 * 16, 16, 24, 16},
        {"small font", 'A', Cell(0x27), c->m_Font06 + 'A' * 8, 8, 6, 8},
        {"symbol 591", 591, FontCell(2, 1), c->m_Symbol16 + 5 * 32, 32, 16, 16},
        {"symbol 0x9FB0", 0x9FB0, FontCell(2, 1), c->m_Symbol16 + 1241 * 32, 32, 16, 16},
        {"symbol 0xFFFE", 0xFFFE, FontCell(2, 2), c->m_Symbol16 + 7 * 32, 32, 24, 16},
        {"Hangul face 13 -> 3", 0xAC00, FontCell(2, 1, 13), c->m_Hangul16 + 3 * hangulFace * 32, 32, 16, 16},
        {"Hangul 0x0FFF", 0xAC01, FontCell(2, 1), c->m_Hangul16 + (24 * 94 + 93) * 32, 32, 16, 16},
        {"Hanja", 0x4E00, FontCell(2, 1), c->m_Hanja16 + 1 * 32, 32, 16, 16},
        {"Hanja compatibility", 0xF900, FontCell(2, 1), c->m_Hanja16 + (51 * 94 + 93) * 32, 32, 16, 16},
        {"Hanja without code: ?", 0x4E01, FontCell(2, 1), c->m_Latin16 + '?' * 16, 16, 8, 16},
    });
    unsigned char buf[4096] = {};
    const SIZE none = c->GetFontData(QVXF(), 0x3000, 0, buf); // no symbol entry
    EXPECT_EQ(none.cx + none.cy, 0);
    for (uint16_t control : {10, 13}) {
        const SIZE s = c->GetFontData(QVXF(), control, 0, buf);
        EXPECT_EQ(s.cx + s.cy, 0);
    }
    // A space reports its size and leaves the buffer as it was, even on a coloured background.
    const Picture space = PaintCode(*c, FontCell(2, 1, 0, 3), ' ');
    EXPECT_EQ(space.size.cx, 8);
    EXPECT_EQ(space.px, std::vector<unsigned char>(8 * 16, 0));

    EXPECT_EQ(c->unic2dbcs(4, 0x4E00), 0xCAA2);
    EXPECT_EQ(c->unic2dbcs(3, 0x4E00), 0xB0A1);
    EXPECT_EQ(c->unic2dbcs(5, 65), 0xFFFF);
    EXPECT_EQ(c->unic2dbcs(3, 0xFFFF), 0xFFFF);
    EXPECT_EQ(CContent::dbcs2unic(4, "\xB0\xA1"), 0);
}

TEST(GlyphChoice, SixteenDotGB2312Library)
{
    auto c = OpenLibrary(1, 14);
    SetCodes(*c, 0x4E00, 0xCAA1, 0xB0A2);
    SetCodes(*c, 0xF900, 0xCAA1, 0xF7FE);
    ExpectChoices(*c, {
        {"GB face 0", 0x4E00, FontCell(2, 1, 2), c->m_GB16 + 1 * 32, 32, 16, 16},
        {"GB face 1", 0x4E00, FontCell(2, 1, 3), c->m_GB16 + (6768 + 1) * 32, 32, 16, 16},
        {"GB last", 0xF900, FontCell(2, 1), c->m_GB16 + (71 * 94 + 93) * 32, 32, 16, 16},
        {"GB without code: ?", 0x4E01, FontCell(2, 1), c->m_Latin16 + '?' * 16, 16, 8, 16},
    });
}

TEST(GlyphChoice, ThirtyTwoDotLibraries)
{
    auto k = OpenLibrary(2, 10);
    SetCodes(*k, 0x2460, 9, 0xFFFF);
    SetCodes(*k, 0xAC00, 0xB1A1, 0xFFFF);
    SetCodes(*k, 0x4E00, 0xCBA1, 0xB0A1);
    EXPECT_EQ(k->GetFntCount(), 5u);
    ExpectChoices(*k, {
        {"Latin 16x32, face 6 -> 1", 'Z', FontCell(4, 1, 6), k->m_Latin32 + (592 + 'Z') * 64, 64, 16, 32},
        {"symbol 32", 0x2460, FontCell(4, 1), k->m_Symbol32 + 9 * 128, 128, 32, 32},
        {"Hangul 32, face 7 -> 2", 0xAC00, FontCell(4, 1, 7), k->m_Hangul32 + ((2 * 25 + 1) * 94) * 128, 128, 32, 32},
        {"Hanja 32", 0x4E00, FontCell(4, 1), k->m_Hanja32 + 94 * 128, 128, 32, 32},
        {"Hanja 16 beside it", 0x4E00, FontCell(2, 1), k->m_Hanja16 + 94 * 32, 32, 16, 16},
    });
    auto g = OpenLibrary(2, 14);
    SetCodes(*g, 0x4E00, 0xCBA1, 0xB0A1);
    ExpectChoices(*g, {
        {"GB 32 face 1", 0x4E00, FontCell(4, 1, 1), g->m_GB32 + 6768 * 128, 128, 32, 32},
        {"? at 32 dots", 0x4E01, FontCell(4, 1), g->m_Latin32 + '?' * 64, 64, 16, 32},
    });
}
