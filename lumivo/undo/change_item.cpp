// SPDX-License-Identifier: GPL-2.0-or-later
#include "undo/change_item.h"

#include "lumivo_doc.h"

ChangeItem::ChangeItem(CLumivoDoc& doc, size_t entry, const CLumivo& item, const QString& text)
    : CDocCommand(doc, text), m_entry(entry), m_after(item)
{
    const auto& entries = doc.Core().Entries();
    if (entry < entries.size())
        m_before = entries[entry].item;
}

lumivo::Result ChangeItem::Do() { return m_doc.ApplySetItem(m_entry, m_after); }

void ChangeItem::Undo() { m_doc.ApplySetItem(m_entry, m_before); }
