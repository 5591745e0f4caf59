#include "art.h"
#include "builder.h"
#include "codes.h"
#include "fonts.h"

#include <qvr/content_resource.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

using namespace qvrbuild;

namespace {

// The pattern sequences the glyph painter steps through, row by row.
std::vector<std::vector<int>> AttribRows()
{
    auto range = [](std::vector<int>& v, int a, int b) {
        for (int i = a; a <= b ? i <= b : i >= b; a <= b ? ++i : --i)
            v.push_back(i);
    };
    std::vector<std::vector<int>> rows(16);
    rows[0] = {0};
    for (int i = 0; i < 12; ++i) rows[1].push_back(1);
    for (int i = 0; i < 20; ++i) rows[1].push_back(0);
    range(rows[2], 1, 32); rows[2].push_back(0); range(rows[2], 32, 1);
    range(rows[3], 495, 510);
    range(rows[4], 48, 78); range(rows[4], 77, 48);
    range(rows[5], 79, 198);
    range(rows[6], 199, 258);
    rows[7] = {0}; range(rows[7], 259, 302); rows[7].push_back(1); range(rows[7], 302, 259); rows[7].push_back(0);
    rows[8] = {0}; range(rows[8], 303, 334); rows[8].push_back(0);
    rows[9] = {1}; range(rows[9], 335, 362); rows[9].push_back(0);
    for (int i = 363; i <= 377; ++i) rows[10].insert(rows[10].end(), {i, i});
    rows[10].insert(rows[10].end(), {0, 0});
    for (int r = 11; r <= 14; ++r) { range(rows[r], 378 + (r - 11) * 29, 406 + (r - 11) * 29); rows[r].push_back(0); }
    for (int i = 0; i < 15; ++i) rows[15].push_back(494);
    for (int i = 0; i < 15; ++i) rows[15].push_back(0);
    return rows;
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
        const std::vector<int> seq = AttribRows()[r];
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
    // Moving stripes (rows 14, 16, 17): each step is the previous pattern moved one dot.
    for (int k = 95; k <= 108; ++k)
        EXPECT_GT(Changed(p, k, k - 1), 0);
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
