// SPDX-License-Identifier: GPL-2.0-or-later
// The Ad editor's OK on a page that shows text images drawn while it was
// open: the user images with their recipes, then the page, as one step.
#pragma once

#include "undo/doc_command.h"

#include <memory>

class PlaceTextImages final : public CDocCommand {
public:
    // images: the user images change; page: the page's insertion or replacement.
    PlaceTextImages(CLumivoDoc& doc, std::unique_ptr<CDocCommand> images, std::unique_ptr<CDocCommand> page,
                    const QString& text);

protected:
    // The images first, so the page's items never show a missing image; a
    // refused page puts the images back.
    lumivo::Result Do() override;
    void Undo() override;

private:
    std::unique_ptr<CDocCommand> m_images;
    std::unique_ptr<CDocCommand> m_page;
};
