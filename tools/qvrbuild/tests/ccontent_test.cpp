// SPDX-License-Identifier: GPL-2.0-or-later
// Opens every generated container with the program's content library.
#include "art.h"
#include "builder.h"
#include "codes.h"

#include <qvr/content.h>
#include <qvr/content_resource.h>

#include <gtest/gtest.h>

#include <memory>

using namespace qvrbuild;

namespace {

bool Blank(const unsigned char* glyph, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i)
        if (glyph[i])
            return false;
    return true;
}

size_t BlankPlaces(const unsigned char* area, size_t glyphBytes, const std::vector<char32_t>& order)
{
    size_t n = 0;
    for (size_t i = 0; i < order.size(); ++i)
        if (order[i])
            n += Blank(area + i * glyphBytes, glyphBytes);
    return n;
}

} // namespace

TEST(CContentOpens, EveryContainerWithItsCountsAndGlyphs)
{
    auto c = std::make_unique<CContent>();
    const size_t moves = Moves().size(), movies = Movies().size(), animations = Animations().size();
    const std::vector<char32_t> hangul = HangulOrder(), hanja = HanjaOrder(), gb = Gb2312Order();
    for (const ContainerSpec& spec : Containers()) {
        SCOPED_TRACE(spec.resource);
        const std::vector<uint8_t> bytes = qvr::LoadContentResource(spec.resource);
        ASSERT_FALSE(bytes.empty());
        ASSERT_EQ(c->Initialize(bytes.data(), bytes.size()), 1);
        // The trusting form reads the same container the same way.
        ASSERT_EQ(c->Initialize(bytes.data()), 1);
        EXPECT_EQ(c->GetContentLanguage(), spec.Language());
        EXPECT_EQ(c->GetContentRow(), spec.Row());
        EXPECT_EQ(c->GetContentColumn(), spec.Column());
        const bool tall = spec.Row() == 2, korean = spec.Language() == 10;
        EXPECT_EQ(c->GetFntCount(), korean && !tall ? 10u : 5u);
        EXPECT_EQ(c->GetContentCount(CONTENT_EFFECT), 50u);
        EXPECT_EQ(c->GetContentCount(CONTENT_MOVE), moves);
        EXPECT_GE(c->GetContentCount(CONTENT_IMAGE), 40u);
        EXPECT_EQ(c->GetContentCount(CONTENT_MOVIE), movies);
        EXPECT_EQ(c->GetContentCount(CONTENT_ANIMATION), animations);
        EXPECT_EQ(c->GetUserImageMX(), 0u);

        // Automatic choice needs at least 30 effects usable in each phase.
        int phase[3] = {};
        for (unsigned i = 0; i < 50; ++i) {
            const RGX_HEADER* h = c->GetEffectInfo(i);
            ASSERT_NE(h, nullptr);
            EXPECT_EQ(h->type, 3);
            for (int b = 0; b < 3; ++b)
                phase[b] += (h->phase >> b) & 1;
        }
        EXPECT_EQ(c->GetEffectInfo(50), nullptr);
        for (int b = 0; b < 3; ++b)
            EXPECT_GE(phase[b], 30);

        // Printable ASCII in every Latin face; code-page glyphs in every face.
        for (size_t f = 0; f < 5; ++f)
            for (unsigned ch = 0x21; ch < 0x7F; ++ch) {
                EXPECT_FALSE(Blank(c->m_Latin16 + f * qvr::kLatin16Face + ch * 16, 16)) << f << " " << ch;
                if (tall) {
                    EXPECT_FALSE(Blank(c->m_Latin32 + f * qvr::kLatin32Face + ch * 64, 64)) << f << " " << ch;
                }
            }
        if (korean) {
            for (size_t f = 0; f < c->GetFntCount(); ++f)
                EXPECT_EQ(BlankPlaces(c->m_Hangul16 + f * qvr::kHangul16Face, 32, hangul), 0u) << "face " << f;
            for (size_t f = 0; tall && f < 5; ++f)
                EXPECT_EQ(BlankPlaces(c->m_Hangul32 + f * qvr::kHangul32Face, 128, hangul), 0u) << "face " << f;
            // In a 32-dot library the 16-dot Hanja are thinned from the 32-dot ones.
            EXPECT_EQ(BlankPlaces(c->m_Hanja16, 32, hanja), 0u);
            if (tall) {
                EXPECT_EQ(BlankPlaces(c->m_Hanja32, 128, hanja), 0u);
            }
        } else {
            for (size_t f = 0; f < 2; ++f) {
                EXPECT_EQ(BlankPlaces(c->m_GB16 + f * qvr::kGB16Face, 32, gb), 0u) << "face " << f;
                if (tall) {
                    EXPECT_EQ(BlankPlaces(c->m_GB32 + f * qvr::kGB32Face, 128, gb), 0u) << "face " << f;
                }
            }
            EXPECT_TRUE(Blank(c->m_Hangul16, sizeof c->m_Hangul16));
        }
        // The code table arrived: 'A' is itself, U+AC00 is the first Hangul code.
        EXPECT_EQ(c->m_CodeTable[0x41][0], 0x41);
        EXPECT_EQ(c->m_CodeTable[0xAC00][0], 0xB0A1);
        EXPECT_EQ(c->m_CodeTable[0x554A][1], 0xB0A1); // the first GB2312 ideograph
    }
}

namespace {

QVXF Cell(unsigned attrib, unsigned color, unsigned size, unsigned face, unsigned kind = 1, unsigned widthIndex = 1)
{
    return QVXF::FromWord(attrib | color << 8 | (kind | size << 5 | widthIndex << 8 | face << 11) << 16);
}

// Paints one cell and counts its lit dots.
int Lit(const CContent& c, QVXF q, unsigned short code, long frame, SIZE* size = nullptr)
{
    std::vector<unsigned char> out(qvr::kGlyphBufferBytes, 0);
    const SIZE s = c.GetFontData(q, code, frame, out.data(), out.size());
    if (size)
        *size = s;
    int n = 0;
    for (long i = 0; i < s.cx * s.cy && i < long(out.size()); ++i)
        n += out[i] != 0;
    return n;
}

} // namespace

TEST(CContentOpens, TheLibraryPaintsTextInEveryScriptAndPattern)
{
    auto c = std::make_unique<CContent>();
    for (const ContainerSpec& spec : Containers()) {
        SCOPED_TRACE(spec.resource);
        const std::vector<uint8_t> bytes = qvr::LoadContentResource(spec.resource);
        ASSERT_EQ(c->Initialize(bytes.data(), bytes.size()), 1);
        const bool tall = spec.Row() == 2, korean = spec.Language() == 10;
        for (unsigned size : tall ? std::vector<unsigned>{2, 4} : std::vector<unsigned>{2}) {
            SIZE s;
            for (unsigned face = 0; face < 5; ++face) {
                EXPECT_GT(Lit(*c, Cell(0, 0, size, face), 'A', 0, &s), 0) << face;
                EXPECT_EQ(s.cy, long(size * 8));
                // Hangul syllables, ideographs and a symbol all draw something.
                if (korean) {
                    EXPECT_GT(Lit(*c, Cell(0, 0, size, face), 0xD55C, 0), 0) << face;
                }
                EXPECT_GT(Lit(*c, Cell(0, 0, size, face), 0x4E2D, 0), 0) << face; // in both code pages
                EXPECT_GT(Lit(*c, Cell(0, 0, size, face), 0x2605, 0), 0) << face;
            }
            // An ideograph that only the other code page has draws "?" rather than nothing.
            EXPECT_GT(Lit(*c, Cell(0, 0, size, 0), korean ? 0x4E2A : 0x4F3D, 0), 0);
        }
        // Attribute row 1 blinks: blank for frames 0-11, shown from 12.
        const int shown = Lit(*c, Cell(0, 0, 2, 0), 'W', 0);
        EXPECT_EQ(Lit(*c, Cell(1, 0, 2, 0), 'W', 5), 0);
        EXPECT_EQ(Lit(*c, Cell(1, 0, 2, 0), 'W', 12), shown);
        // Row 2 reveals: blank at frame 0, partly shown half way, whole at frame 32.
        const int half = Lit(*c, Cell(2, 0, 2, 0), 'W', 16);
        EXPECT_EQ(Lit(*c, Cell(2, 0, 2, 0), 'W', 0), 0);
        EXPECT_GT(half, 0);
        EXPECT_LT(half, shown);
        EXPECT_EQ(Lit(*c, Cell(2, 0, 2, 0), 'W', 32), shown);
        // Colour row 5 paints the background yellow: every dot of the cell is lit somewhere.
        EXPECT_EQ(Lit(*c, Cell(0, 5, 2, 0), 'W', 0), 8 * 16 - shown);
        // Moves draw through the icon path.
        std::vector<unsigned char> out(qvr::kGlyphBufferBytes, 0);
        const SIZE m = c->GetIconData(Cell(0, 0, 2, 0, 5), 1, 0, out.data(), out.size());
        EXPECT_EQ(m.cy, 16);
        EXPECT_TRUE(std::any_of(out.begin(), out.begin() + m.cx * m.cy, [](unsigned char v) { return v != 0; }));
    }
}
