// SPDX-License-Identifier: GPL-2.0-or-later
// Text images in a project: drawn into a new user image, placed as an Image
// item of a page, their recipes kept by slot; and the project's check of
// every character that will not show exactly.
#pragma once

#include "core/project.h"
#include "core/text_recipe.h"

#include <optional>
#include <string>
#include <vector>

namespace lumivo {

// The board's height in dots: the tallest a text image may be.
int BoardHeight(const CProjectCore& project);

// An Image item showing user image slot, as many 16-dot lines high as the
// image needs.
Result BuildUserImageItem(const CProjectCore& project, unsigned slot, int imageHeight, CLumivo& item);

// Draws the recipe into a new last user image, keeps the recipe for it and
// places an Image item of it on page (0-based; nullopt or the page count:
// a new last page). Refused, changing nothing, when the text cannot be
// drawn, the project holds eight user images, or the page has no room.
// slot receives the new image's 0-based slot. Warnings (characters drawn
// from the second font) come with success.
Result AddTextImage(CProjectCore& project, const TextRecipe& recipe, std::optional<unsigned> page, unsigned& slot);

// One character, or one font, that will not show as written.
struct CharacterProblem {
    unsigned page = 0;  // 0-based
    unsigned item = 0;  // 0-based within the page
    std::string text;   // what is wrong, naming the characters or the font
};
// Every item of the project: text items whose characters the board's fonts
// cannot draw exactly, and Image items of text images whose font is missing
// on this computer or lacks characters of their text.
std::vector<CharacterProblem> CheckCharacters(const CProjectCore& project);

} // namespace lumivo
