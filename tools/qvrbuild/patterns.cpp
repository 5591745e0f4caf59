// SPDX-License-Identifier: GPL-2.0-or-later
// Attribute patterns paint over a glyph cell frame by frame (0 keeps the dot,
// 1-3 paint that colour, 4-7 invert, 8 blanks); colour patterns give the
// colour of every dot. Both are 16x16 and laid out so that each row of the
// glyph painter's attribute and colour tables plays as one smooth sequence.
#include "art.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numeric>

namespace qvrbuild {

namespace {

using Pattern = std::array<uint8_t, 256>;
constexpr uint8_t kKeep = 0, kBlank = 8, kInvert = 4;

// A fixed random order of the 256 dots, for dissolves and sparkles.
std::vector<int> DotOrder(uint32_t seed)
{
    std::vector<int> v(256);
    std::iota(v.begin(), v.end(), 0);
    Rng r(seed);
    for (int i = 255; i > 0; --i)
        std::swap(v[i], v[r.Below(i + 1)]);
    return v;
}

// A reveal at fraction f (0 hidden, 1 shown) of a field that says when each dot appears.
Pattern Reveal(double f, const std::function<double(int, int)>& when, uint8_t edge = kKeep, double edgeWidth = 0)
{
    Pattern p;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const double w = when(x, y);
            p[y * 16 + x] = w < f - edgeWidth ? kKeep : w < f ? edge : kBlank;
        }
    return p;
}

double Centre(int x, int y) // 0 at the centre, 1 at the corners
{
    const double dx = (x - 7.5) / 7.5, dy = (y - 7.5) / 7.5;
    return std::sqrt(dx * dx + dy * dy) / std::sqrt(2.0);
}

} // namespace

std::vector<uint8_t> AttributePatterns()
{
    std::vector<Pattern> p(kAttribPatterns);
    for (auto& q : p)
        q.fill(kKeep);
    p[1].fill(kBlank);

    // 2-32: a dissolve, pattern k showing (k - 1) / 32 of the dots (row 2 counts up and down).
    const std::vector<int> order = DotOrder(0x5EED01);
    for (int k = 2; k <= 32; ++k) {
        p[k].fill(kBlank);
        for (int i = 0; i < (k - 1) * 8; ++i)
            p[k][order[i]] = kKeep;
    }
    // 33-47: a dissolve by 2x2 blocks (kept for the editors' own use).
    for (int k = 33; k <= 47; ++k)
        p[k] = Reveal((k - 32) / 16.0, [](int x, int y) { return ((x / 2 * 5 + y / 2 * 3) % 8) / 8.0 + 0.06; });
    // 48-78: opening from the centre column outward (row 4 opens and closes).
    for (int j = 0; j <= 30; ++j)
        p[48 + j] = Reveal(j / 30.0, [](int x, int) { return std::abs(x - 7.5) / 8.0; }, 3, 0.13);
    p[78].fill(kKeep);
    // 79-198: four wipes of 30 steps: reveal left to right, hide left to right,
    // reveal top down, hide bottom up (row 5).
    for (int j = 0; j < 30; ++j) {
        const double f = (j + 1) / 30.0;
        p[79 + j] = Reveal(f, [](int x, int) { return x / 16.0; }, 2, 0.1);
        p[109 + j] = Reveal(1 - f, [](int x, int) { return 1 - (x + 1) / 16.0; }, 1, 0.1);
        p[139 + j] = Reveal(f, [](int, int y) { return y / 16.0; }, 2, 0.1);
        p[169 + j] = Reveal(1 - f, [](int, int y) { return (y + 0.5) / 16.0; }, 1, 0.1);
    }
    // 199-258: sparkles: a few dots flash yellow and white-inverted each frame (row 6).
    for (int j = 0; j < 60; ++j) {
        Rng r(0xA11CE + j * 7919);
        for (int n = 0; n < 14; ++n)
            p[199 + j][r.Below(256)] = n % 3 == 0 ? kInvert : 3;
    }
    // 259-302: an iris closing on the centre, from plain to blank (row 7 closes and opens).
    for (int j = 0; j < 44; ++j)
        p[259 + j] = Reveal(1 - (j + 1) / 45.0, [](int x, int y) { return Centre(x, y); }, 1, 0.08);
    // 303-334: an inverting bar scanning down and up (row 8).
    for (int j = 0; j < 32; ++j) {
        const int row = j < 16 ? j : 31 - j;
        for (int x = 0; x < 16; ++x) {
            p[303 + j][row * 16 + x] = kInvert;
            if (row > 0)
                p[303 + j][(row - 1) * 16 + x] = 3;
        }
    }
    // 335-362: a diagonal reveal from the top-left corner (row 9).
    for (int j = 0; j < 28; ++j)
        p[335 + j] = Reveal((j + 1) / 28.0, [](int x, int y) { return (x + y) / 31.0; }, 3, 0.08);
    // 363-377: blinds of four rows opening (row 10).
    for (int j = 0; j < 15; ++j)
        p[363 + j] = Reveal((j + 1) / 15.0, [](int x, int y) { return (y % 4) / 4.0 + x / 64.0; }, 2, 0.05);
    // 378-464: wipes with a coloured edge from the left, the right and the top (rows 11-13).
    const std::function<double(int, int)> dirs[3] = {
        [](int x, int) { return x / 16.0; }, [](int x, int) { return (15 - x) / 16.0; },
        [](int, int y) { return y / 16.0; }};
    for (int d = 0; d < 3; ++d)
        for (int j = 0; j < 29; ++j)
            p[378 + d * 29 + j] = Reveal((j + 1) / 29.0 * 1.1, dirs[d], uint8_t(1 + d), 0.12);
    // 465-493: a reveal spiralling in from the border (row 14).
    for (int j = 0; j < 29; ++j)
        p[465 + j] = Reveal((j + 1) / 29.0 * 1.05, [](int x, int y) {
            const int ring = std::min(std::min(x, 15 - x), std::min(y, 15 - y));
            const double a = std::atan2(y - 7.5, x - 7.5) / (2 * M_PI) + 0.5;
            return (ring + a) / 8.5;
        }, 3, 0.04);
    // 494: all inverted (row 15 blinks in reverse video).
    p[494].fill(kInvert);
    // 495-510: a two-dot yellow bar scanning across (row 3).
    for (int j = 0; j < 16; ++j)
        for (int y = 0; y < 16; ++y) {
            p[495 + j][y * 16 + j] = 3;
            p[495 + j][y * 16 + (j + 1) % 16] = 3;
        }

    std::vector<uint8_t> out;
    for (const Pattern& q : p)
        out.insert(out.end(), q.begin(), q.end());
    return out;
}

std::vector<uint8_t> ColourPatterns()
{
    std::vector<Pattern> p(kColourPatterns);
    for (int c = 0; c < 4; ++c)
        p[c].fill(uint8_t(c));
    // Sweeps from one solid colour to the next in 15 steps: 4-18 yellow to red,
    // 19-33 red to green, 34-48 green to yellow (row 12, diagonal), 49-93 the
    // same by a sweep from the centre out (row 13).
    const uint8_t from[3] = {3, 1, 2}, to[3] = {1, 2, 3};
    for (int s = 0; s < 3; ++s)
        for (int j = 0; j < 15; ++j) {
            const double f = (j + 1) / 16.0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    p[4 + s * 15 + j][y * 16 + x] = (x + y) / 31.0 < f ? to[s] : from[s];
                    p[49 + s * 15 + j][y * 16 + x] = Centre(x, y) < f ? to[s] : from[s];
                }
        }
    const uint8_t rgy[3] = {1, 2, 3};
    auto stripes = [&](int first, int count, int period, const std::function<int(int, int)>& pos) {
        for (int j = 0; j < count; ++j)
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    int v = ((pos(x, y) - j) % period + period) % period;
                    p[first + j][y * 16 + x] = rgy[v * 3 / period];
                }
    };
    stripes(94, 15, 15, [](int x, int y) { return x + y; });      // rainbow diagonals moving (row 14)
    stripes(109, 3, 3, [](int, int y) { return y / 2; });         // bands changing colour (row 15)
    stripes(112, 12, 12, [](int x, int) { return x; });           // vertical stripes moving across (row 16)
    stripes(124, 12, 12, [](int, int y) { return y; });           // horizontal stripes moving down (row 17)
    for (int j = 0; j < 6; ++j)                                    // checkerboard cycling two colours (row 18)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                p[136 + j][y * 16 + x] = ((x / 2 + y / 2) & 1) ? rgy[j % 3] : rgy[(j + 1 + j / 3) % 3];
    stripes(142, 6, 6, [](int x, int y) { return x - y + 16; });  // fine diagonals (row 19)
    stripes(148, 9, 9, [](int x, int y) { return int(Centre(x, y) * 16); }); // rings moving out (row 20)
    // 157-177: rising fills from one colour to the next (row 22).
    for (int s = 0; s < 3; ++s)
        for (int j = 0; j < 7; ++j)
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    p[157 + s * 7 + j][y * 16 + x] = (15 - y) < (j + 1) * 2 + ((x / 2) & 1) ? to[s] : from[s];

    std::vector<uint8_t> out;
    for (const Pattern& q : p)
        out.insert(out.end(), q.begin(), q.end());
    return out;
}

} // namespace qvrbuild
