// SPDX-License-Identifier: GPL-2.0-or-later
// The project's user images replaced (the user image dialog's OK and Send,
// images read back from the controller), with the recipes of the text
// images among them: without new recipes the old ones stay.
#pragma once

#include "undo/doc_command.h"

#include "core/text_recipe.h"
#include "core/user_image_order.h"

#include <qvr/rgx.h>

#include <optional>
#include <utility>
#include <vector>

class ChangeUserImages final : public CDocCommand {
public:
    ChangeUserImages(CLumivoDoc& doc, std::vector<CRGX<8192>> images, const QString& text,
                     std::optional<lumivo::TextImageRecipes> recipes = std::nullopt);
    // Images removed or reordered: the Image items and recipes follow them.
    ChangeUserImages(CLumivoDoc& doc, std::vector<CRGX<8192>> images, const QString& text,
                     lumivo::ImageOrigins origins);

protected:
    lumivo::Result Do() override;
    void Undo() override;

private:
    std::vector<CRGX<8192>> m_before;
    std::vector<CRGX<8192>> m_after;
    lumivo::TextImageRecipes m_recipesBefore;
    lumivo::TextImageRecipes m_recipesAfter;
    std::optional<lumivo::ImageOrigins> m_origins;
    std::vector<std::pair<size_t, CLumivo>> m_itemsBefore;
};
