// SPDX-License-Identifier: GPL-2.0-or-later
// One character cell as the board draws it, for the editors: the picture the
// content library paints for it, and whether that picture is the character
// itself or a stand-in (nothing, "?", or the nearest Hangul syllable).
#pragma once

#include <qvr/content.h>
#include <qvr/records.h>

#include <string>
#include <vector>

namespace lumivo {

// Paints the cell as the effect engine does: the board fonts and the small
// font through GetFontData, moves through the move painters; cells of other
// kinds paint nothing and measure {0, 0}. Same buffer rules as GetFontData.
SIZE PaintCell(const CContent& content, const CLumiChar& cell, long frame, unsigned char* out,
               size_t capacity = qvr::kGlyphBufferBytes);

enum class GlyphFit {
    Exact,   // the library draws this character (or the cell draws nothing by design)
    Missing, // no glyph: the board shows nothing or "?"
    Nearest, // a Hangul syllable outside KS X 1001, drawn as a neighbour
};

// How the library draws the cell's character.
GlyphFit CheckGlyph(const CContent& content, const CLumiChar& cell);

// The characters of the cells that the library cannot draw exactly, each
// once, in order of first appearance.
std::u16string InexactChars(const CContent& content, const CLumiChar* cells, size_t count);
// The "ErrNoGlyph" message naming those characters; "" when there are none.
std::u16string InexactNotice(const CContent& content, const CLumiChar* cells, size_t count);

} // namespace lumivo
