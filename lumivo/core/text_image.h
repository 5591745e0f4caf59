// SPDX-License-Identifier: GPL-2.0-or-later
// Text in a font of the computer drawn into a user image: shaped by
// HarfBuzz (so joined scripts join and right-to-left text runs right to
// left), drawn in whole LEDs, coloured with the board's colours and cut to
// the smallest width that holds it.
#pragma once

#include "core/result.h"
#include "core/text_recipe.h"

#include <qvr/rgx.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lumivo {

class CFontFace;

// Bounds of one text: its characters, and the height of the board's
// tallest band (4 modules of 16 rows).
constexpr size_t kMaxTextImageChars = 256;
constexpr int kMinTextHeight = 8;
constexpr int kMaxTextHeight = 64;

// UTF-8 as code points; malformed bytes become U+FFFD.
std::u32string ToUtf32(const std::string& utf8);

// Characters the font cannot draw, as the user reads them: "U+00E9 é".
std::string NameCharacter(char32_t code);

// The characters of text that face has no glyph for, each once, in order.
// Controls that only steer shaping (joiners, direction marks) are never missing.
std::vector<char32_t> MissingCharacters(const CFontFace& face, const std::u32string& text);

// One colour nibble a pixel, rows top to bottom.
struct TextPixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> nibbles;
    int pieces = 1; // of a recipe with a piece width: how many the whole text makes
    bool rightToLeft = false; // the text reads from the right: its pieces too
};

// Draws the recipe's text. The height must be kMinTextHeight to
// maxHeight (the board's height). Characters the font lacks are drawn
// from the fallback font, each named in a warning; without a fallback, or
// when the fallback lacks them too, it fails naming every one of them and
// draws nothing. With a piece width only that piece is drawn (the last one
// as narrow as its dots allow); it fails for a piece past the text's end.
// Fails too when the image would not fit a user image.
Result RenderTextPixels(const TextRecipe& recipe, int maxHeight, TextPixels& out);

// The same from faces already open (fallback may be null): for callers that
// draw many texts in one font, and for reading untrusted fonts.
Result RenderTextPixels(const TextRecipe& recipe, int maxHeight, CFontFace& font, CFontFace* fallback,
                        TextPixels& out);

// The pixels as a user image (type image, one frame, as pictures become).
void MakeUserImage(const TextPixels& pixels, CRGX<8192>& image);

} // namespace lumivo
