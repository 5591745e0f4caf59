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
int BoardWidth(const CProjectCore& project);
// Images are shown still and centred, moving only up and down when taller
// than their band: what a text image wider than the board loses, and how
// many board-wide pieces would show it whole, as a warning; "" when it fits.
std::string WiderThanBoardText(int imageWidth, int boardWidth);

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

// A text wider than the board, split into board-wide pieces: each a new
// user image shown by an Image item on a new last page of its own, in
// reading order (a right-to-left text's rightmost piece first), each piece
// keeping its recipe. Refused, changing nothing, as AddTextImage, and when
// the pieces would pass eight images or the controller's memory, or the
// pages fifty Ads. slots receives the new images' slots in reading order.
Result AddSplitTextImage(CProjectCore& project, const TextRecipe& recipe, std::vector<unsigned>& slots);

// What AddSplitTextImage would add, worked out without changing the project,
// for a caller that applies it in steps of its own (an undo command).
struct TextSplit {
    std::vector<CRGX<8192>> images; // the project's user images, then the pieces
    TextImageRecipes recipes;       // the project's recipes with the pieces'
    std::vector<CLumivo> items;     // the Image item of each new last page, in reading order
    std::vector<unsigned> itemSlots; // the slot each of those items shows
};
// Refused as AddSplitTextImage is; warnings come with success.
Result PlanSplitTextImage(const CProjectCore& project, const TextRecipe& recipe, TextSplit& split);

// The user image slot an Image item shows, when it is one of the project's
// user images (not one of the library's); nullopt otherwise.
std::optional<unsigned> UserImageSlot(const CContent& content, const CLumivo& item);

// The working set of user images and recipes while a page is edited: the
// text images drawn into it are the project's only when the edit is taken.
struct TextImageDraft {
    std::vector<CRGX<8192>> images;
    TextImageRecipes recipes;
    unsigned kept = 0; // images the project held: those from here on are new

    void Start(const CProjectCore& project);
    // Draws recipe into slot (images.size(): a new last image) and keeps the
    // recipe for it. Refused, changing nothing, when the text cannot be
    // drawn or the images would pass the controller's budget (the meter's
    // text then follows the reason). Warnings (characters from the second
    // font) come with success.
    Result Draw(const TextRecipe& recipe, int boardHeight, unsigned slot);
    // New images no item of page shows are dropped, and the page's items
    // that show later new images follow them down.
    void DropUnused(const CContent& content, std::vector<CLumivo>& page);
};

// One character, or one font, that will not show as written.
struct CharacterProblem {
    unsigned page = 0;  // 0-based
    unsigned item = 0;  // 0-based within the page
    std::string text;   // what is wrong, naming the characters or the font
};
// Every item of the project: text items whose characters the board's fonts
// cannot draw exactly, Image items of text images whose font is missing
// on this computer or lacks characters of their text, and Image items whose
// user image is gone.
std::vector<CharacterProblem> CheckCharacters(const CProjectCore& project);

} // namespace lumivo
