// SPDX-License-Identifier: GPL-2.0-or-later
// The glyph sections of the containers, rendered once from Debian's fonts
// and shared by every container that holds them.
#pragma once

#include "fonts.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qvrbuild {

// A glyph set: the packed glyphs of one section and where each came from.
struct GlyphSet {
    std::string name;                 // e.g. "Hangul 16x16 face 3"
    int w = 0, h = 0;                 // glyph cell
    std::vector<char32_t> codes;      // code point of each place (0: unassigned)
    std::vector<uint8_t> data;        // packed, (w+7)/8 * h bytes a glyph
    std::vector<std::string> sources; // font of each face's glyphs, first the main one
    size_t fallbackCount = 0;         // glyphs that came from a fallback font
};

class GlyphLibrary {
public:
    GlyphLibrary();
    ~GlyphLibrary();

    const GlyphSet& Small();                 // 592 x 6x8
    const GlyphSet& Latin(int face, bool tall);  // 5 faces, 8x16 or 16x32
    const GlyphSet& Symbols(bool big);       // 1,242 at 16x16 or 32x32
    const GlyphSet& Hangul16(int face);      // 10 faces
    const GlyphSet& Hangul32(int face);      // 5 faces
    const GlyphSet& Hanja(bool big);
    const GlyphSet& Gb2312(int face, bool big); // 2 faces
    const std::vector<char32_t>& SymbolCodes();
    // The sets rendered so far, in name order.
    std::vector<const GlyphSet*> Rendered() const;

    // Every font the library reads, for the record of origins.
    struct FontUse {
        std::string use, file, package;
    };
    static std::vector<FontUse> Fonts();

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

// Renders one glyph of a set, for contact sheets and tests.
Raster GlyphAt(const GlyphSet& set, size_t index);

} // namespace qvrbuild
