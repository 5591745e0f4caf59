// SPDX-License-Identifier: GPL-2.0-or-later
#include "undo/move_page.h"

#include "lumivo_doc.h"

MovePage::MovePage(CLumivoDoc& doc, unsigned from, unsigned to, const QString& text)
    : CDocCommand(doc, text), m_from(from), m_to(to)
{
}

lumivo::Result MovePage::Do() { return m_doc.ApplyMovePage(m_from, m_to); }

void MovePage::Undo() { m_doc.ApplyMovePage(m_to, m_from); }
