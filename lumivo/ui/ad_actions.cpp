// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/ad_actions.h"

#include "commands.h"
#include "lumivo_doc.h"

#include <QAction>

CAdActions::CAdActions(CLumivoDoc& doc, QObject* parent) : CCommandGroup(parent), m_doc(doc)
{
    using namespace lumivo;
    for (auto [c, key] : {std::pair{cmd::kAdvtAdd, "rbAdvtAdd"}, {cmd::kAdvtEdit, "rbAdvtEdit"},
                          {cmd::kAdvtCopy, "rbAdvtCopy"}, {cmd::kAdvtDelete, "rbAdvtDelete"}})
        MakeAction(c, "rbHome", key, false);

    QAction* add = Action(cmd::kAdvtAdd);
    add->setEnabled(true);
    add->setShortcut(QKeySequence(Qt::Key_Insert));
    connect(add, &QAction::triggered, this, [this] {
        if (openEditor)
            openEditor(std::nullopt);
    });
    QAction* edit = Action(cmd::kAdvtEdit);
    edit->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_F2)});
    connect(edit, &QAction::triggered, this, [this] {
        if (const std::optional<unsigned> page = focusedPage ? focusedPage() : std::nullopt; page && openEditor)
            openEditor(page);
    });
    auto enableEdit = [this, edit] { edit->setEnabled(m_doc.Core().ItemCount() > 0); };
    connect(&doc, &CLumivoDoc::listChanged, this, enableEdit);
    enableEdit();
}
