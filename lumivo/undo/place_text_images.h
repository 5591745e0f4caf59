// SPDX-License-Identifier: GPL-2.0-or-later
// Text images joining the project with the pages that show them, as one
// step: the Ad editor's OK on a page that shows text images drawn while it
// was open (one page), and a text split into board-wide pieces (a new last
// page for each piece).
#pragma once

#include "undo/doc_command.h"

#include <memory>
#include <vector>

class PlaceTextImages final : public CDocCommand {
public:
    // images: the user images change; pages: each page's insertion or
    // replacement, applied in this order.
    PlaceTextImages(CLumivoDoc& doc, std::unique_ptr<CDocCommand> images,
                    std::vector<std::unique_ptr<CDocCommand>> pages, const QString& text);

protected:
    // The images first, so the pages' items never show a missing image; a
    // refused page takes back the pages before it and the images.
    lumivo::Result Do() override;
    void Undo() override;

private:
    std::unique_ptr<CDocCommand> m_images;
    std::vector<std::unique_ptr<CDocCommand>> m_pages;
};
