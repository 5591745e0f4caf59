// SPDX-License-Identifier: GPL-2.0-or-later
#include "undo/replace_page.h"

#include "lumivo_doc.h"

ReplacePage::ReplacePage(CLumivoDoc& doc, unsigned page, std::vector<CLumivo> items, const QString& text)
    : CDocCommand(doc, text), m_page(page), m_before(doc.Core().PageItems(page)), m_after(std::move(items))
{
}

lumivo::Result ReplacePage::Do() { return m_doc.ApplyReplacePage(m_page, m_after); }

void ReplacePage::Undo() { m_doc.ApplyReplacePage(m_page, m_before); }

SetPageUsed::SetPageUsed(CLumivoDoc& doc, unsigned page, bool used, const QString& text)
    : ReplacePage(doc, page, {}, text), m_used(used)
{
}

lumivo::Result SetPageUsed::Do() { return m_doc.ApplySetPageUsed(m_page, m_used); }
