// SPDX-License-Identifier: GPL-2.0-or-later
#include "undo/add_remove_page.h"

#include "lumivo_doc.h"

AddRemovePage::AddRemovePage(CLumivoDoc& doc, unsigned page, std::vector<CLumivo> items, const QString& text)
    : CDocCommand(doc, text), m_page(page), m_items(std::move(items))
{
}

lumivo::Result AddRemovePage::InsertPageNow() { return m_doc.ApplyInsertPage(m_page, m_items, m_scheduleEntries); }

lumivo::Result AddRemovePage::RemovePageNow() { return m_doc.ApplyDeletePage(m_page); }

AddPage::AddPage(CLumivoDoc& doc, unsigned page, std::vector<CLumivo> items, const QString& text)
    : AddRemovePage(doc, page, std::move(items), text)
{
}

RemovePage::RemovePage(CLumivoDoc& doc, unsigned page, const QString& text)
    : AddRemovePage(doc, page, doc.Core().PageItems(page), text)
{
    // Undo puts the page back where the schedule named it.
    m_scheduleEntries = lumivo::EntriesNaming(doc.Core().GetSchedule(), page);
}
