// SPDX-License-Identifier: GPL-2.0-or-later
#include "undo/place_text_images.h"

PlaceTextImages::PlaceTextImages(CLumivoDoc& doc, std::unique_ptr<CDocCommand> images,
                                 std::unique_ptr<CDocCommand> page, const QString& text)
    : CDocCommand(doc, text), m_images(std::move(images)), m_page(std::move(page))
{
}

lumivo::Result PlaceTextImages::Do()
{
    lumivo::Result r = m_images->Apply();
    if (!r)
        return r;
    lumivo::Result placed = m_page->Apply();
    if (!placed)
        m_images->undo();
    r.Append(placed);
    return r;
}

void PlaceTextImages::Undo()
{
    m_page->undo();
    m_images->undo();
}
