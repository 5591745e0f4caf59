// SPDX-License-Identifier: GPL-2.0-or-later
// Image items and text recipes follow their pictures when the user images
// are removed or reordered: an item names its picture by slot, so without
// this every item after a removed picture would show the next one.
#pragma once

#include "core/project.h"

#include <qvr/rgx.h>

#include <optional>
#include <utility>
#include <vector>

namespace lumivo {

// origins[i]: the slot the new image i had before, nullopt for a new picture.
using ImageOrigins = std::vector<std::optional<unsigned>>;

// An Image item whose picture was removed shows this slot, which no user
// image ever fills: it shows nothing instead of another picture, and
// CheckCharacters names it.
constexpr unsigned kRemovedUserImage = CContent::kUserImages;

// The user images replaced by images; every Image item and text recipe of
// an old slot moves to that picture's new slot. Items of a picture that is
// gone show kRemovedUserImage and are named in the result's warnings.
// *changed (when given) gets each changed entry with its item before, for
// undo. Refused, changing nothing, beyond eight images or when origins does
// not match images or names a slot twice or one the project lacks.
Result RearrangeUserImages(CProjectCore& project, const std::vector<CRGX<8192>>& images, const ImageOrigins& origins,
                           std::vector<std::pair<size_t, CLumivo>>* changed = nullptr);

// Images read back from the board: the recipes of slots whose pixels are no
// longer those the recipe drew are dropped (those pictures are plain now).
TextImageRecipes RecipesStillDrawn(const CProjectCore& project, const std::vector<CRGX<8192>>& images);

} // namespace lumivo
