// SPDX-License-Identifier: GPL-2.0-or-later
// What a text drawn in a font of the computer was made from: kept beside the
// project so the image can be opened again, changed and drawn anew.
#pragma once

#include "core/result.h"

#include <nlohmann/json.hpp>

#include <initializer_list>
#include <map>
#include <optional>
#include <string>

namespace lumivo {

enum class Spacing { Proportional, Fixed };

struct TextRecipe {
    std::string text;         // UTF-8, one line
    std::string font;         // a family name the system knows, or a font file
    std::string fallbackFont; // drawn from for characters the font lacks; "" stops instead
    int height = 16;          // pixel rows of the image
    unsigned color = 1;       // colour nibble 1-7 (bit 0 red, 1 green, 2 blue)
    // With a second colour the rows blend from color at the top to color2 at
    // the bottom, in a fixed dot pattern (the board has no mixed shades).
    std::optional<unsigned> color2;
    bool bold = false;
    bool outline = false; // only the letters' edges are lit
    Spacing spacing = Spacing::Proportional;
    // A text wider than the board split into board-wide pieces, one image
    // each: this image holds columns piece × pieceWidth onwards of the whole
    // drawing. pieceWidth 0: the whole text.
    int pieceWidth = 0;
    int piece = 0;
    bool operator==(const TextRecipe&) const = default;
};

nlohmann::json ToJson(const TextRecipe& recipe);
// Reads a recipe written by ToJson; fails, leaving recipe as it was, on a
// value of the wrong kind or out of range. Unknown keys are ignored.
Result FromJson(const nlohmann::json& json, TextRecipe& recipe);

// The recipes of a project's user images, by 0-based user-image slot.
struct TextImageRecipes {
    std::map<unsigned, TextRecipe> bySlot;

    // The slot's image went away: later slots move down one, as the images do.
    void RemoveSlot(unsigned slot);
    // {"version": 1, "images": [{"slot": N, ...recipe}]}
    nlohmann::json ToJson() const;
    // Fails on a section of another shape, leaving the recipes as they were.
    Result FromJson(const nlohmann::json& json);
};

// Colour names as the command line and the dialogs spell them: red, green,
// yellow, blue, magenta, cyan, white (or 1-7). nullopt for others.
std::optional<unsigned> ColorFromName(const std::string& name);
const char* ColorName(unsigned color);

// The text of key in section "FontImage" of the language tables (english
// when there is none), each "%s" filled by the next argument; UTF-8.
std::string FontImageText(const char* key, const char* english, std::initializer_list<std::string> args = {});

} // namespace lumivo
