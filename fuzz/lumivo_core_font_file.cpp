// SPDX-License-Identifier: GPL-2.0-or-later
// Reads arbitrary bytes as a font file (BDF, PCF, gzip'ed PCF, or anything
// FreeType takes) and draws a short text in it at a height the first byte
// chooses: a font that opens must draw or refuse, never crash or hang.
#include "core/font_face.h"
#include "core/text_image.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    lumivo::CFontFace face;
    if (!face.OpenBytes(std::vector<uint8_t>(data, data + size), "fuzz"))
        return 0;
    lumivo::TextRecipe recipe;
    recipe.text = "HI ab";
    recipe.height = size > 0 ? 8 + data[0] % 57 : 16;
    recipe.bold = size > 1 && (data[1] & 1);
    recipe.outline = size > 1 && (data[1] & 2);
    lumivo::TextPixels pixels;
    const lumivo::Result r = lumivo::RenderTextPixels(recipe, 64, face, nullptr, pixels);
    if (r && (pixels.width <= 0 || pixels.width % 2 || pixels.height != recipe.height ||
              pixels.nibbles.size() != size_t(pixels.width) * size_t(pixels.height)))
        std::abort();
    return 0;
}
