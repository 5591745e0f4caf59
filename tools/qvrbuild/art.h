// SPDX-License-Identifier: GPL-2.0-or-later
// Artwork defined in our own source: glyph attribute and colour patterns,
// the effect animation masks, the moves (animated icons), and the library's
// images, movies and animations.
#pragma once

#include "container.h"
#include "raster.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qvrbuild {

constexpr int kAttribPatterns = 511;
constexpr int kColourPatterns = 178;

// 256 values (16 rows of 16) a pattern, back to back.
std::vector<uint8_t> AttributePatterns();
std::vector<uint8_t> ColourPatterns();

// The 50 effect masks, maskWidth pixels wide and 16 rows high.
std::vector<RgxImage> EffectAnimations(int maskWidth);
std::vector<std::string> EffectNames();

// Animated 16x16 icons of 4 frames, grouped; group = index of the group's first move.
std::vector<RgxImage> Moves();
std::vector<std::string> MoveNames(); // "group: name"
int MoveIndex(const std::string& name);  // throws std::out_of_range for an unknown name

// Library pictures. Banner texts are drawn with the library's own glyphs:
// glyph(cp, tall) gives the one-bit glyph of cp, 16 or (tall) 32 dots high,
// as wide as the font draws it; an empty raster when there is none.
struct NamedImage {
    std::string name;
    RgxImage image;
};
using GlyphFn = std::function<Raster(char32_t cp, bool tall)>;
std::vector<NamedImage> LibraryImages(const GlyphFn& glyph);
std::vector<NamedImage> Movies();
std::vector<NamedImage> Animations();

// Deterministic pseudo-random numbers (the same on every machine and run).
class Rng {
public:
    explicit Rng(uint32_t seed) : m_s(seed ? seed : 1) {}
    uint32_t Next()
    {
        m_s ^= m_s << 13;
        m_s ^= m_s >> 17;
        m_s ^= m_s << 5;
        return m_s;
    }
    int Below(int n) { return int(Next() % uint32_t(n)); }
    double Unit() { return (Next() >> 8) / double(1 << 24); }

private:
    uint32_t m_s;
};

// Frames of w x h colour nibbles into an RGX image.
RgxImage MakeRgx(RgxType type, const std::vector<Raster>& frames, uint16_t delay, uint16_t group = 0,
                 uint16_t flag = 0, uint16_t phase = 0);

} // namespace qvrbuild
