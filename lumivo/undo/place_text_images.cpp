// SPDX-License-Identifier: GPL-2.0-or-later
#include "undo/place_text_images.h"

PlaceTextImages::PlaceTextImages(CLumivoDoc& doc, std::unique_ptr<CDocCommand> images,
                                 std::vector<std::unique_ptr<CDocCommand>> pages, const QString& text)
    : CDocCommand(doc, text), m_images(std::move(images)), m_pages(std::move(pages))
{
}

lumivo::Result PlaceTextImages::Do()
{
    lumivo::Result r = m_images->Apply();
    if (!r)
        return r;
    for (size_t i = 0; i < m_pages.size(); ++i) {
        lumivo::Result placed = m_pages[i]->Apply();
        r.Append(placed);
        if (!placed) {
            while (i-- > 0)
                m_pages[i]->undo();
            m_images->undo();
            return r;
        }
    }
    return r;
}

void PlaceTextImages::Undo()
{
    // Last page first: each was added or replaced where the one before left the list.
    for (auto page = m_pages.rbegin(); page != m_pages.rend(); ++page)
        (*page)->undo();
    m_images->undo();
}
