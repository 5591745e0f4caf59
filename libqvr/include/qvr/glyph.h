// SPDX-License-Identifier: BSD-2-Clause
// The glyph tables shared by the content library, the editors and the effect
// engine: cell widths, colour sequences and attribute patterns. The painting
// itself is done by the glyph members of CContent (content.h).
#pragma once

#include <cstddef>

// Width in dots per 16 dots of height, by QVXF::widthIndex; 5 to 7 give 0.
extern const unsigned char gWF[8];

// One row per QVXF::color: byte 0 the background pattern, byte 1 the number of
// steps n, bytes 2 to n+1 the foreground pattern of each frame, repeating.
extern const unsigned char gQvxfColor[23][50];

// One row per QVXF::attrib: entry 0 is 0, entry 1 the number of steps n,
// entries 2 to n+1 the attribute pattern of each frame, repeating.
extern const unsigned short gQvxfAttrib[24][122];

namespace qvr {

constexpr unsigned kColorRows = 23;
constexpr unsigned kAttribRows = 24;

// Colour rows that draw a shadow (6, 7) or an outline (8 to 11).
constexpr unsigned kFirstShadowColor = 6;
constexpr unsigned kFirstOutlineColor = 8;
constexpr unsigned kLastOutlineColor = 11;

// The effect engine's scratch buffer for one cell; the glyph operations never
// paint more than this unless told a larger capacity.
constexpr size_t kGlyphBufferBytes = 4096;

// Codes below this are Latin (and drawn half width); ranges of the glyph choice.
constexpr unsigned kLatinLimit = 591;
constexpr unsigned kQuestionMark = 63;

// Kinds of QVXF::kind the glyph operations know.
constexpr unsigned kKindFont = 1;
constexpr unsigned kKindMove = 5;
constexpr unsigned kKindBlank = 6;
constexpr unsigned kKindSmall = 7;

} // namespace qvr
