// SPDX-License-Identifier: GPL-2.0-or-later
#include "undo/change_user_images.h"

#include "lumivo_doc.h"

ChangeUserImages::ChangeUserImages(CLumivoDoc& doc, std::vector<CRGX<8192>> images, const QString& text,
                                   std::optional<lumivo::TextImageRecipes> recipes)
    : CDocCommand(doc, text), m_before(doc.Core().UserImages()), m_after(std::move(images)),
      m_recipesBefore(doc.Core().TextRecipes()), m_recipesAfter(recipes.value_or(m_recipesBefore))
{
}

ChangeUserImages::ChangeUserImages(CLumivoDoc& doc, std::vector<CRGX<8192>> images, const QString& text,
                                   lumivo::ImageOrigins origins)
    : CDocCommand(doc, text), m_before(doc.Core().UserImages()), m_after(std::move(images)),
      m_recipesBefore(doc.Core().TextRecipes()), m_origins(std::move(origins))
{
}

lumivo::Result ChangeUserImages::Do()
{
    if (m_origins)
        return m_doc.ApplyRearrangedUserImages(m_after, *m_origins, m_itemsBefore);
    return m_doc.ApplyUserImages(m_after, m_recipesAfter);
}

void ChangeUserImages::Undo()
{
    m_doc.ApplyUserImages(m_before, m_recipesBefore);
    for (const auto& [entry, item] : m_itemsBefore)
        m_doc.ApplySetItem(entry, item);
}
