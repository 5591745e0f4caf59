// SPDX-License-Identifier: GPL-2.0-or-later
#include "fonts.h"
#include "glyphs.h"
#include "raster.h"

#include <qvr/content_resource.h>

#include <gtest/gtest.h>

#include <fstream>

#include "builder.h"

using namespace qvrbuild;

namespace {

std::string WriteTemp(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = ::testing::TempDir() + name;
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

void Put32(std::vector<uint8_t>& v, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v.push_back(uint8_t(x >> (8 * i)));
}

// A PSF2 font of two 8x4 glyphs: glyph 0 a top bar, glyph 1 a left column.
std::vector<uint8_t> Psf2(bool withTable)
{
    std::vector<uint8_t> v;
    Put32(v, 0x864AB572);
    Put32(v, 0);
    Put32(v, 32);
    Put32(v, withTable ? 1 : 0);
    Put32(v, 2);
    Put32(v, 4);
    Put32(v, 4);
    Put32(v, 8);
    v.insert(v.end(), {0xFF, 0, 0, 0, 0x80, 0x80, 0x80, 0x80});
    if (withTable) {
        // glyph 0: 'A' and U+00C5 (two UTF-8 bytes); glyph 1: 'B', then a sequence that is skipped.
        v.insert(v.end(), {'A', 0xC3, 0x85, 0xFF, 'B', 0xFE, 'C', 0xCC, 0x81, 0xFF});
    }
    return v;
}

} // namespace

TEST(PsfFont, ReadsGlyphsAndTheirCodePoints)
{
    PsfFont f(WriteTemp("t.psf", Psf2(true)));
    EXPECT_EQ(f.Width(), 8);
    EXPECT_EQ(f.Height(), 4);
    EXPECT_TRUE(f.Has('A'));
    EXPECT_TRUE(f.Has(0xC5));
    EXPECT_TRUE(f.Has('B'));
    EXPECT_FALSE(f.Has('C')); // only part of a sequence
    Raster cell(8, 4);
    ASSERT_TRUE(f.Draw(0xC5, cell));
    EXPECT_EQ(cell.at(0, 0) + cell.at(7, 0), 2);
    EXPECT_EQ(cell.at(0, 1), 0);
    // A taller cell centres the glyph.
    Raster tall(8, 8);
    ASSERT_TRUE(f.Draw('B', tall));
    EXPECT_EQ(tall.at(0, 1), 0);
    EXPECT_EQ(tall.at(0, 2), 1);
    EXPECT_EQ(tall.at(0, 5), 1);
    EXPECT_EQ(tall.at(0, 6), 0);
    // Without a table glyph numbers are the codes.
    PsfFont plain(WriteTemp("p.psf", Psf2(false)));
    EXPECT_TRUE(plain.Has(1));
    EXPECT_FALSE(plain.Has('A'));
}

TEST(PsfFont, DamagedFilesAreRefusedNotOverrun)
{
    std::vector<uint8_t> cut = Psf2(false);
    cut.resize(cut.size() - 3);
    EXPECT_THROW(PsfFont(WriteTemp("cut.psf", cut)), FontError);
    std::vector<uint8_t> huge = Psf2(false);
    huge[16] = 0xFF; // a glyph count far past the data
    EXPECT_THROW(PsfFont(WriteTemp("huge.psf", huge)), FontError);
    EXPECT_THROW(PsfFont(WriteTemp("junk.psf", {1, 2, 3})), FontError);
    // A PSF1 file with a truncated table keeps the glyphs it read.
    std::vector<uint8_t> v1 = {0x36, 0x04, 0x02, 2};
    v1.resize(4 + 256 * 2, 0x18);
    v1.insert(v1.end(), {'x', 0, 0xFF, 0xFF, 'y'});
    PsfFont p1(WriteTemp("v1.psf", v1));
    EXPECT_TRUE(p1.Has('x'));
    EXPECT_EQ(p1.Height(), 2);
}

TEST(HexFont, ReadsNarrowAndWideGlyphsAndSkipsBadLines)
{
    const std::string text = "0041:0000000018242442427E424242420000\n"
                             "AC00:00000000000000000000000000000000000000000000000000000000000000FF\n"
                             "zz:12\n"
                             "0042:00001\n";
    const std::string path = WriteTemp("t.hex", std::vector<uint8_t>(text.begin(), text.end()));
    HexFont h(path);
    ASSERT_NE(h.Get('A'), nullptr);
    EXPECT_EQ(h.Get('A')->w, 8);
    EXPECT_EQ(h.Get('A')->at(3, 4), 1); // 0x18: the middle two dots
    EXPECT_EQ(h.Get('A')->at(2, 4), 0);
    ASSERT_NE(h.Get(0xAC00), nullptr);
    EXPECT_EQ(h.Get(0xAC00)->w, 16);
    EXPECT_EQ(h.Get(0xAC00)->at(15, 15), 1);
    EXPECT_EQ(h.Get('B'), nullptr);
    // In a 32-dot cell a 16-dot glyph is drawn doubled.
    Raster big(32, 32);
    ASSERT_TRUE(h.Draw(0xAC00, big));
    EXPECT_EQ(big.at(31, 31) + big.at(30, 30), 2);
    EXPECT_THROW(HexFont(WriteTemp("none.hex", {'x'})), FontError);
}

TEST(Raster, PacksGlyphRowsAndColourNibblesLeftFirst)
{
    Raster g(10, 2);
    g.set(0, 0, 1);
    g.set(9, 1, 1);
    std::vector<uint8_t> out;
    PackGlyph(g, out);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x80, 0x00, 0x00, 0x40}));
    Raster c(4, 1);
    c.set(0, 0, 3);
    c.set(1, 0, 12);
    c.set(3, 0, 7);
    out.clear();
    PackNibbles(c, out);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x3C, 0x07}));
    GlyphSet set;
    set.w = 10;
    set.h = 2;
    PackGlyph(g, set.data);
    EXPECT_EQ(GlyphAt(set, 0).px, g.px);
    EXPECT_TRUE(GlyphAt(set, 1).empty()); // past the end: blank, not a read overrun
}

TEST(OutlineFaces, FittedGlyphsKeepClearOfTheCellBorder)
{
    // The outline faces are scaled and centred to leave a margin: a glyph
    // touching the border means a placement fault (clipped strokes).
    const std::vector<uint8_t> bytes = qvr::LoadContentResource(315);
    uint32_t word;
    std::vector<ReadSection> s;
    std::string err;
    ASSERT_TRUE(ReadContainer(bytes, word, s, err)) << err;
    for (int sec : {20, 21, 22, 23, 24, 25}) {
        size_t touching = 0, glyphs = s[sec].data.size() / 128;
        for (size_t g = 0; g < glyphs; ++g) {
            const uint8_t* p = &s[sec].data[g * 128];
            bool edge = p[0] | p[1] | p[2] | p[3] | p[124] | p[125] | p[126] | p[127];
            for (int y = 0; y < 32; ++y)
                edge |= (p[y * 4] & 0x80) || (p[y * 4 + 3] & 1);
            touching += edge;
        }
        EXPECT_LT(touching, glyphs / 100) << "section " << sec;
    }
}
