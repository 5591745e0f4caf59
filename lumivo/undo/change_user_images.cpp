// SPDX-License-Identifier: GPL-2.0-or-later
#include "undo/change_user_images.h"

#include "lumivo_doc.h"

ChangeUserImages::ChangeUserImages(CLumivoDoc& doc, std::vector<CRGX<8192>> images, const QString& text,
                                   std::optional<lumivo::TextImageRecipes> recipes)
    : CDocCommand(doc, text), m_before(doc.Core().UserImages()), m_after(std::move(images)),
      m_recipesBefore(doc.Core().TextRecipes()), m_recipesAfter(recipes.value_or(m_recipesBefore))
{
}

lumivo::Result ChangeUserImages::Do() { return m_doc.ApplyUserImages(m_after, m_recipesAfter); }

void ChangeUserImages::Undo() { m_doc.ApplyUserImages(m_before, m_recipesBefore); }
