// SPDX-License-Identifier: GPL-2.0-or-later
#include "undo/change_user_images.h"

#include "lumivo_doc.h"

ChangeUserImages::ChangeUserImages(CLumivoDoc& doc, std::vector<CRGX<8192>> images, const QString& text)
    : CDocCommand(doc, text), m_before(doc.Core().UserImages()), m_after(std::move(images))
{
}

lumivo::Result ChangeUserImages::Do() { return m_doc.ApplyUserImages(m_after); }

void ChangeUserImages::Undo() { m_doc.ApplyUserImages(m_before); }
