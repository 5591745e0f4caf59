// SPDX-License-Identifier: GPL-2.0-or-later
#include "undo/replace_ad_list.h"

#include "lumivo_doc.h"

ReplaceAdList::ReplaceAdList(CLumivoDoc& doc, lumivo::AdPages pages, const QString& text)
    : CDocCommand(doc, text), m_before(doc.Core().Pages()), m_after(std::move(pages))
{
}

lumivo::Result ReplaceAdList::Do() { return m_doc.ApplyReplaceAdList(m_after); }

void ReplaceAdList::Undo() { m_doc.ApplyReplaceAdList(m_before); }
