// SPDX-License-Identifier: BSD-2-Clause
#include "glyph_fixture.h"

#include <set>
#include <utility>

using namespace qvrtest;

namespace {

using Dots = std::set<std::pair<int, int>>; // (x, y)

// A 16x16 glyph (two bytes a row) with the given dots.
std::vector<unsigned char> Glyph16(const Dots& dots)
{
    std::vector<unsigned char> g(32, 0);
    for (auto [x, y] : dots)
        SetDot(g.data(), 2, x, y);
    return g;
}

// Expands a row written as runs {first, last, times each}; first > last counts down.
std::vector<int> Expand(std::initializer_list<std::array<int, 3>> runs)
{
    std::vector<int> v;
    for (const auto& [a, b, times] : runs)
        for (int x = a;; x += a <= b ? 1 : -1) {
            v.insert(v.end(), size_t(times), x);
            if (x == b)
                break;
        }
    return v;
}

} // namespace

TEST(GlyphTables, AsTabled)
{
    EXPECT_EQ(std::vector<int>(gWF, gWF + 8), (std::vector<int>{8, 16, 24, 32, 48, 0, 0, 0}));
    EXPECT_EQ(std::vector<int>(CContent::m_ShadowColor, CContent::m_ShadowColor + 6),
              (std::vector<int>{1, 2, 2, 1, 2, 3}));
    const int plainBack[12] = {0, 0, 0, 1, 2, 3, 0, 0, 0, 0, 0, 0};
    const int plainFore[12] = {1, 2, 3, 2, 1, 0, 2, 1, 0, 2, 1, 1};
    std::vector<std::vector<int>> color;
    for (int k = 0; k < 12; ++k)
        color.push_back({plainFore[k]});
    color.push_back(Expand({{4, 18, 1}, {1, 1, 1}, {19, 33, 1}, {2, 2, 1}, {34, 48, 1}, {3, 3, 1}}));
    color.push_back(Expand({{49, 63, 1}, {1, 1, 1}, {64, 78, 1}, {2, 2, 1}, {79, 93, 1}, {3, 3, 1}}));
    color.push_back(Expand({{94, 108, 1}}));
    color.push_back(Expand({{109, 111, 3}}));
    color.push_back(Expand({{112, 123, 2}}));
    color.push_back(Expand({{124, 135, 2}}));
    color.push_back(Expand({{136, 141, 2}, {136, 141, 2}}));
    color.push_back(Expand({{142, 147, 2}}));
    color.push_back(Expand({{148, 156, 2}}));
    color.push_back(Expand({{1, 1, 5}, {2, 2, 5}, {3, 3, 5}}));
    color.push_back(Expand({{3, 3, 2}, {157, 163, 2}, {1, 1, 2}, {164, 170, 2}, {2, 2, 2}, {171, 177, 2}}));
    for (size_t k = 0; k < color.size(); ++k) {
        const unsigned char* row = gQvxfColor[k];
        EXPECT_EQ(row[0], k < 12 ? plainBack[k] : 0) << k;
        EXPECT_EQ(std::vector<int>(row + 2, row + 2 + row[1]), color[k]) << "colour row " << k;
        EXPECT_TRUE(std::all_of(row + 2 + row[1], row + 50, [](int v) { return v == 0; })) << k;
    }
    const std::vector<std::vector<int>> attrib = {
        {0},
        Expand({{1, 1, 12}, {0, 0, 20}}),
        Expand({{1, 32, 1}, {0, 0, 1}, {32, 1, 1}}),
        Expand({{495, 510, 1}}),
        Expand({{48, 78, 1}, {77, 48, 1}}),
        Expand({{79, 198, 1}}),
        Expand({{199, 258, 1}}),
        Expand({{0, 0, 1}, {259, 302, 1}, {1, 1, 1}, {302, 259, 1}, {0, 0, 1}}),
        Expand({{0, 0, 1}, {303, 334, 1}, {0, 0, 1}}),
        Expand({{1, 1, 1}, {335, 362, 1}, {0, 0, 1}}),
        Expand({{363, 377, 2}, {0, 0, 2}}),
        Expand({{378, 406, 1}, {0, 0, 1}}),
        Expand({{407, 435, 1}, {0, 0, 1}}),
        Expand({{436, 464, 1}, {0, 0, 1}}),
        Expand({{465, 493, 1}, {0, 0, 1}}),
        Expand({{494, 494, 15}, {0, 0, 15}}),
    };
    for (size_t a = 0; a < 24; ++a) {
        const unsigned short* row = gQvxfAttrib[a];
        EXPECT_EQ(row[0], 0);
        EXPECT_EQ(std::vector<int>(row + 2, row + 2 + row[1]), a < attrib.size() ? attrib[a] : std::vector<int>{0})
            << "attribute row " << a;
    }
}

TEST(GlyphPaint, ColourAndAttributeStepAcrossFrames)
{
    auto c = OpenLibrary(1, 10);
    const std::vector<unsigned char> g = Glyph16({{0, 0}});
    auto paint = [&](QVXF a, long t) { return PaintGlyph(*c, &CContent::make_fnt16x16, a, g.data(), t); };
    // The dot shows the foreground pattern of the frame, the far corner the background.
    for (unsigned k = 0; k < 23; ++k) {
        const unsigned n = gQvxfColor[k][1];
        for (long t = 0; t < 2 * long(n) + 2; t += (n > 8 ? 7 : 1)) {
            const Picture p = paint(FontCell(2, 1, 0, k), t);
            ASSERT_EQ(p.at(0, 0), gQvxfColor[k][2 + t % n]) << "row " << k << " frame " << t;
            ASSERT_EQ(p.at(15, 15), gQvxfColor[k][0]) << "row " << k;
        }
    }
    EXPECT_EQ(paint(FontCell(2, 1, 0, 12), 0).at(0, 0), 4);
    EXPECT_EQ(paint(FontCell(2, 1, 0, 12), 15).at(0, 0), 1);
    EXPECT_EQ(paint(FontCell(2, 1, 0, 12), -1).at(0, 0), 3); // counts back from the end

    // Attribute row 1 blanks frames 0 to 11 and shows 12 to 31, then repeats.
    FillAttrib(*c, 1, 8);
    for (long t = 0; t < 70; ++t)
        ASSERT_EQ(paint(FontCell(2, 1, 0, 0, 1), t).at(0, 0), t % 32 < 12 ? 0 : 1) << t;
    // Row 2 reaches pattern 32 at frames 31 and 33 only.
    NamePatterns(*c);
    FillAttrib(*c, 32, 8);
    for (long t = 0; t < 130; ++t)
        ASSERT_EQ(paint(FontCell(2, 1, 0, 0, 2), t).at(0, 0), t % 65 == 31 || t % 65 == 33 ? 0 : 1) << t;

    // Attribute values: 0 keeps, 1 to 3 paint, 4 to 7 invert, 8 and above blank.
    NamePatterns(*c);
    const unsigned char values[8] = {0, 1, 2, 3, 4, 7, 8, 255};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            c->m_Attrib16[303 * 256 + y * 16 + x] = values[x % 8];
    Dots left;
    for (int x = 0; x < 8; ++x)
        left.insert({x, 4});
    const std::vector<unsigned char> bar = Glyph16(left);
    const Picture p = PaintGlyph(*c, &CContent::make_fnt16x16, FontCell(2, 1, 0, 0, 8), bar.data(), 1);
    const int onDot[8] = {1, 1, 2, 3, 2, 2, 0, 0}, onDark[8] = {0, 1, 2, 3, 3, 3, 0, 0};
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(p.at(x, 4), x < 8 ? onDot[x] : onDark[x % 8]) << x;
}

TEST(GlyphPaint, ShadowAndOutline)
{
    auto c = OpenLibrary(1, 10);
    const Dots dots = {{5, 5}, {0, 0}, {15, 15}};
    const std::vector<unsigned char> g = Glyph16(dots);
    for (unsigned k = 0; k < 23; ++k) {
        Dots shade;
        if (k >= 6 && k <= 11)
            for (auto [x, y] : dots) {
                shade.insert({x + 1, y});
                shade.insert({x, y + 1});
                if (k >= 8) {
                    shade.insert({x - 1, y});
                    shade.insert({x, y - 1});
                }
            }
        const Picture p = PaintGlyph(*c, &CContent::make_fnt16x16, FontCell(2, 1, 0, k), g.data());
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const int want = dots.count({x, y})    ? gQvxfColor[k][2]
                                 : shade.count({x, y}) ? CContent::m_ShadowColor[k - 6]
                                                       : gQvxfColor[k][0];
                ASSERT_EQ(p.at(x, y), want) << "row " << k << " at " << x << "," << y;
            }
    }
    // The 32-row masks reach the last row and the 8-dot mask stays in its columns.
    std::vector<unsigned char> tall(64, 0), wide(128, 0), narrow(16, 0);
    SetDot(tall.data(), 2, 3, 30);
    SetDot(wide.data(), 4, 31, 30);
    SetDot(narrow.data(), 1, 7, 0);
    const Picture t = PaintGlyph(*c, &CContent::make_fnt16x32, FontCell(4, 2, 0, 9), tall.data());
    // Source column 3 covers output columns 6 and 7; colour row 9 outlines in red.
    EXPECT_EQ(t.at(6, 30), 2);
    for (auto [x, y] : {std::pair{6, 31}, {7, 29}, {8, 30}, {5, 30}})
        EXPECT_EQ(t.at(x, y), 1) << x << "," << y;
    EXPECT_EQ(t.at(10, 30), 0);
    const Picture w = PaintGlyph(*c, &CContent::make_fnt32x32, FontCell(4, 1, 0, 6), wide.data());
    EXPECT_EQ(w.at(31, 30), 2);
    EXPECT_EQ(w.at(31, 31), 1);
    const Picture n = PaintGlyph(*c, &CContent::make_fnt08x16, FontCell(2, 1, 0, 8), narrow.data());
    EXPECT_EQ(n.at(6, 0), 2);
    EXPECT_EQ(n.at(7, 1), 2);
    EXPECT_EQ(n.at(0, 0), 0);
}

TEST(GlyphPaint, StretchesToEveryWidthIndex)
{
    auto c = OpenLibrary(2, 10);
    struct Set {
        const char* name;
        Painter paint;
        int cols, rows, rowBytes;
        bool latin;
    } sets[] = {{"08x16", &CContent::make_fnt08x16, 8, 16, 1, true},
                    {"16x16", &CContent::make_fnt16x16, 16, 16, 2, false},
                    {"16x32", &CContent::make_fnt16x32, 16, 32, 2, true},
                    {"32x32", &CContent::make_fnt32x32, 32, 32, 4, false}};
    for (const Set& pt : sets) {
        // Row y has one dot, in column y mod cols.
        std::vector<unsigned char> g(size_t(pt.rows * pt.rowBytes), 0);
        for (int y = 0; y < pt.rows; ++y)
            SetDot(g.data(), pt.rowBytes, y % pt.cols, y);
        for (unsigned size : {2u, 4u})
            for (unsigned wi = 0; wi < 8; ++wi) {
                const long w = gWF[pt.latin ? (wi + 7) % 8 : wi] * long(size >> 1);
                const Picture p = PaintGlyph(*c, pt.paint, FontCell(size, wi), g.data());
                ASSERT_EQ(p.size.cx, w) << pt.name << " index " << wi;
                ASSERT_EQ(p.size.cy, long(size) * 8);
                for (int y = 0; y < std::min(p.size.cy, LONG(pt.rows)); ++y)
                    for (int d = 0; d < w; ++d)
                        ASSERT_EQ(p.at(d, y), d * pt.cols / w == y % pt.cols ? 1 : 0)
                            << pt.name << " width " << w << " at " << d << "," << y;
            }
    }
}

TEST(GlyphPaint, PatternSampling)
{
    auto c = OpenLibrary(2, 10);
    for (int i = 0; i < 256; ++i)
        c->m_Color16[256 + i] = c->m_Color32[256 + i] = static_cast<unsigned char>(i); // row * 16 + column
    std::vector<unsigned char> full(128, 0xFF);
    struct {
        Painter paint;
        QVXF attr;
        int (*at)(int x, int y);
    } cases[] = {
        {&CContent::make_fnt06, Cell(0x27), [](int x, int y) { return 2 * y * 16 + 2 * x; }},
        {&CContent::make_fnt08x16, FontCell(2, 1), [](int x, int y) { return y * 16 + 2 * x; }},
        {&CContent::make_fnt16x16, FontCell(2, 1), [](int x, int y) { return y * 16 + x; }},
        {&CContent::make_fnt16x32, FontCell(4, 1), [](int x, int y) { return y / 2 * 16 + x; }},
        {&CContent::make_fnt32x32, FontCell(4, 1), [](int x, int y) { return y / 2 * 16 + x / 2; }},
    };
    for (const auto& k : cases) {
        const Picture p = PaintGlyph(*c, k.paint, k.attr, full.data());
        for (int y = 0; y < p.size.cy; ++y)
            for (int x = 0; x < p.size.cx; ++x)
                ASSERT_EQ(p.at(x, y), k.at(x, y)) << p.size.cx << "x" << p.size.cy << " at " << x << "," << y;
    }
    // The 32x32 painter samples attributes at half resolution too.
    c->m_Attrib32[3 * 16 + 5] = 8;
    const Picture p = PaintGlyph(*c, &CContent::make_fnt32x32, FontCell(4, 1), full.data());
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(p.at(x, y), y / 2 == 3 && x / 2 == 5 ? 0 : y / 2 * 16 + x / 2) << x << "," << y;
}
