// SPDX-License-Identifier: GPL-2.0-or-later
#include "art.h"
#include "builder.h"
#include "codes.h"
#include "fonts.h"

#include <qvr/content_resource.h>
#include <qvr/glyph.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

using namespace qvrbuild;

namespace {

// The pattern sequence of an attribute or colour row of the painter's tables.
std::vector<int> AttribRow(int r)
{
    return std::vector<int>(gQvxfAttrib[r] + 2, gQvxfAttrib[r] + 2 + gQvxfAttrib[r][1]);
}
std::vector<int> ColourRow(int r)
{
    return std::vector<int>(gQvxfColor[r] + 2, gQvxfColor[r] + 2 + gQvxfColor[r][1]);
}

int Blanked(const std::vector<uint8_t>& p, int i)
{
    int n = 0;
    for (int k = 0; k < 256; ++k)
        n += p[size_t(i) * 256 + k] >= 8;
    return n;
}
int Changed(const std::vector<uint8_t>& p, int a, int b)
{
    int n = 0;
    for (int k = 0; k < 256; ++k)
        n += p[size_t(a) * 256 + k] != p[size_t(b) * 256 + k];
    return n;
}

} // namespace

TEST(Patterns, AttributeRowsPlayAsSmoothSequences)
{
    const std::vector<uint8_t> p = AttributePatterns();
    ASSERT_EQ(p.size(), 511u * 256);
    EXPECT_EQ(Blanked(p, 0), 0);
    EXPECT_EQ(Blanked(p, 1), 256);
    for (int k = 0; k < 256; ++k)
        EXPECT_EQ(p[k], 0);
    // Row 2 reveals dot by dot: fewer blank dots at every step up to plain.
    for (int k = 2; k <= 32; ++k)
        EXPECT_LT(Blanked(p, k), Blanked(p, k - 1)) << k;
    // Rows 4, 5, 7, 9 and 11-14 reveal or hide in small steps: no frame jumps
    // by more than a third of the cell, and the reveals reach plain.
    for (int r : {4, 5, 7, 9, 10, 11, 12, 13, 14}) {
        const std::vector<int> seq = AttribRow(r);
        for (size_t i = 1; i < seq.size(); ++i)
            EXPECT_LE(Changed(p, seq[i - 1], seq[i]), 256 / 3) << "row " << r << " step " << i;
    }
    // Row 6 sparkles: every pattern different and sparse.
    for (int k = 199; k <= 258; ++k) {
        EXPECT_GT(Changed(p, k, 0), 0);
        EXPECT_LT(Changed(p, k, 0), 32);
    }
    EXPECT_EQ(Changed(p, 494, 0), 256); // reverse video
}

TEST(Patterns, ColourRowsStepBetweenNeighbouringPatterns)
{
    const std::vector<uint8_t> p = ColourPatterns();
    ASSERT_EQ(p.size(), 178u * 256);
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 256; ++k)
            ASSERT_EQ(p[size_t(c) * 256 + k], c);
    // Rows 12, 13 and 22 sweep from one solid colour to the next: each sweep
    // starts next to the colour before it and ends next to the colour after.
    struct Sweep { int first, count, from, to; };
    const Sweep sweeps[] = {{4, 15, 3, 1}, {19, 15, 1, 2}, {34, 15, 2, 3}, {49, 15, 3, 1}, {64, 15, 1, 2},
                            {79, 15, 2, 3}, {157, 7, 3, 1}, {164, 7, 1, 2}, {171, 7, 2, 3}};
    for (const Sweep& s : sweeps) {
        EXPECT_LT(Changed(p, s.first, s.from), 128) << s.first;
        EXPECT_LT(Changed(p, s.first + s.count - 1, s.to), 128) << s.first;
        for (int k = s.first + 1; k < s.first + s.count; ++k)
            EXPECT_GE(Changed(p, k, s.from), Changed(p, k - 1, s.from)) << k;
    }
    // Every colour row steps smoothly: consecutive frames (the loop included)
    // change less than two thirds of the cell, except where a row jumps
    // between colours on purpose (bands in row 15, solids in 21) or swaps a checkerboard (18).
    for (int r = 12; r <= 22; ++r) {
        if (r == 15 || r == 18 || r == 21)
            continue;
        const std::vector<int> seq = ColourRow(r);
        for (size_t i = 0; i < seq.size(); ++i)
            EXPECT_LE(Changed(p, seq[i], seq[(i + 1) % seq.size()]), 256 * 2 / 3) << "row " << r << " step " << i;
    }
    for (int c = 1; c <= 177; ++c)
        for (int k = 0; k < 256; ++k)
            ASSERT_LE(p[size_t(c) * 256 + k], 7);
}

TEST(Effects, FiftyDistinctMasksThatHideThenShowInTheirPlayMode)
{
    const std::vector<std::string> names = EffectNames();
    EXPECT_EQ(names.size(), 50u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 50u);
    for (int width : {24, 32, 48, 96}) {
        const std::vector<RgxImage> e = EffectAnimations(width);
        ASSERT_EQ(e.size(), 50u);
        std::set<std::vector<uint8_t>> distinct;
        for (const RgxImage& m : e) {
            const RgxHeader& h = m.header;
            ASSERT_EQ(h.width, width);
            ASSERT_GE(h.frames, 16);
            ASSERT_LE(m.pixels.size() + 16, 29200u);
            const size_t frame = size_t(width) * 8;
            // Play mode 0 plays forward from black (8) to text (0); mode 1 backward from 0 (black) to 8 (text).
            const uint8_t hidden = h.group == 0 ? 0x88 : 0x00, shown = h.group == 0 ? 0x00 : 0x88;
            const size_t first = h.group == 0 ? 0 : (h.frames - 1) * frame, last = h.group == 0 ? (h.frames - 1) * frame : 0;
            for (size_t i = 0; i < frame; ++i) {
                ASSERT_EQ(m.pixels[first + i], hidden) << names[&m - &e[0]];
                ASSERT_EQ(m.pixels[last + i], shown) << names[&m - &e[0]];
            }
            distinct.insert(m.pixels);
        }
        EXPECT_EQ(distinct.size(), 50u);
    }
}

TEST(Moves, AtLeastAHundredDistinctIcons)
{
    const std::vector<RgxImage> m = Moves();
    ASSERT_GE(m.size(), 100u);
    std::set<std::vector<uint8_t>> distinct;
    for (const RgxImage& i : m) {
        distinct.insert(i.pixels);
        // Animated: not all four frames alike, and none empty.
        bool moves = false;
        for (int f = 0; f < 4; ++f) {
            EXPECT_FALSE(std::all_of(i.pixels.begin() + f * 128, i.pixels.begin() + f * 128 + 128, [](uint8_t v) { return v == 0; }) && f == 0);
            moves |= !std::equal(i.pixels.begin(), i.pixels.begin() + 128, i.pixels.begin() + f * 128);
        }
        EXPECT_TRUE(moves) << MoveNames()[&i - &m[0]];
    }
    EXPECT_EQ(distinct.size(), m.size());
}

TEST(Fonts, AMissingFontNamesItsDebianPackage)
{
    try {
        FindFont({"/nonexistent/font.pcf.gz"}, "xfonts-example");
        FAIL() << "no error";
    } catch (const FontError& e) {
        EXPECT_NE(std::string(e.what()).find("xfonts-example"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("/nonexistent/font.pcf.gz"), std::string::npos);
    }
}

TEST(Codes, HangulOutsideTheCodePageBorrowsTheNearestSyllable)
{
    // U+B620 (ttom) is not in KS X 1001; it shows as a syllable with the same initial and vowel.
    const unsigned k = HangulCode(0xB620);
    const char32_t shown = FromEuc(Charset::EucKr, k);
    EXPECT_EQ((shown - 0xAC00) / 28, (0xB620u - 0xAC00) / 28);
    EXPECT_EQ(HangulCode(0xAC00), 0xB0A1u);
    EXPECT_EQ(HangulCode(0xD79D), 0xC8FEu); // the code page's last syllable
    EXPECT_EQ(HangulCode(0xD7A3), 0xC8F7u); // the last syllable of all shows without its final
}

TEST(Builder, RebuildingAContainerGivesTheSameBytes)
{
    // The build wrote build/content/316.qvr; the generator run again must reproduce it.
    const char* exe = std::getenv("QVRBUILD");
    ASSERT_NE(exe, nullptr);
    const std::string dir = ::testing::TempDir() + "qvrbuild_again";
    const std::string cmd = std::string(exe) + " --out " + dir + " --resource 316 > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream f(dir + "/316.qvr", std::ios::binary);
    const std::vector<uint8_t> again((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const std::vector<uint8_t> built = qvr::LoadContentResource(316);
    ASSERT_FALSE(built.empty());
    EXPECT_TRUE(again == built) << "sizes " << again.size() << " and " << built.size();
}

TEST(Builder, ReportAloneListsTheGlyphSetsAndWritesNothing)
{
    const char* exe = std::getenv("QVRBUILD");
    ASSERT_NE(exe, nullptr);
    const std::string out = ::testing::TempDir() + "qvrbuild_report.txt";
    const std::string cmd = std::string(exe) + " --report --resource 316 > " + out;
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream f(out);
    const std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find(" glyphs, "), std::string::npos) << text;
    EXPECT_EQ(text.find(".qvr"), std::string::npos) << text;
}
