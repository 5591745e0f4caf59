// SPDX-License-Identifier: GPL-2.0-or-later
// CAdActions: the commands of the Ads panel (add, edit, copy, delete) and
// their enabling; they act on the document through its undo stack.
#pragma once

#include "ui/command_group.h"

#include <functional>
#include <optional>

class CLumivoDoc;

class CAdActions : public CCommandGroup {
    Q_OBJECT
public:
    CAdActions(CLumivoDoc& doc, QObject* parent);

    // Opens the Ad editor: no page = Add Ad (Insert), a page = Edit Ad of
    // that page (Return, F2). Empty: Add and Edit do nothing.
    std::function<void(std::optional<unsigned> page)> openEditor;
    // The page Edit Ad opens: the focused row's; none, or empty: Edit does nothing.
    std::function<std::optional<unsigned>()> focusedPage;

private:
    CLumivoDoc& m_doc;
};
