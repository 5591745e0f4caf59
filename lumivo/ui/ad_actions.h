// SPDX-License-Identifier: GPL-2.0-or-later
// CAdActions: the commands of the Ads panel (add, edit, copy, delete) and
// their enabling; they act on the document through its undo stack.
#pragma once

#include "ui/command_group.h"

class CLumivoDoc;

class CAdActions : public CCommandGroup {
    Q_OBJECT
public:
    CAdActions(CLumivoDoc& doc, QObject* parent);

private:
    CLumivoDoc& m_doc;
};
