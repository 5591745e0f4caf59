// SPDX-License-Identifier: GPL-2.0-or-later
// Adding and removing a page of the Ad list: the same two operations in
// opposite order.
#pragma once

#include "undo/doc_command.h"

#include <qvr/records.h>

#include <vector>

class AddRemovePage : public CDocCommand {
protected:
    AddRemovePage(CLumivoDoc& doc, unsigned page, std::vector<CLumivo> items, const QString& text);
    lumivo::Result InsertPageNow();
    lumivo::Result RemovePageNow();

    unsigned m_page;
    std::vector<CLumivo> m_items;
    std::vector<size_t> m_scheduleEntries; // entries that named the removed page
};

// A new page at `page` with the given items (Add Ad, Paste).
class AddPage final : public AddRemovePage {
public:
    AddPage(CLumivoDoc& doc, unsigned page, std::vector<CLumivo> items, const QString& text);

protected:
    lumivo::Result Do() override { return InsertPageNow(); }
    void Undo() override { RemovePageNow(); }
};

// Page `page` removed; its items are kept to put back.
class RemovePage final : public AddRemovePage {
public:
    RemovePage(CLumivoDoc& doc, unsigned page, const QString& text);

protected:
    lumivo::Result Do() override { return RemovePageNow(); }
    void Undo() override { InsertPageNow(); }
};
