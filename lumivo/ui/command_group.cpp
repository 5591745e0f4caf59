// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/command_group.h"

#include "ui/qt_text.h"

#include <QAction>

QAction* CCommandGroup::MakeAction(int command, const char* section, const char* key, bool enabled, bool checkable)
{
    auto* a = new QAction(this);
    a->setData(command);
    a->setEnabled(enabled);
    a->setCheckable(checkable);
    if (key)
        m_labels.append({a, section, key});
    if (command)
        m_actions.insert(command, a);
    return a;
}

void CCommandGroup::Relabel()
{
    using lumivo::Tr;
    for (const Label& l : m_labels) {
        l.action->setText(Tr(l.section, l.key));
        const QByteArray tip = QByteArray(l.key) + "ToolTip";
        QString toolTip = Tr(l.section, tip.constData());
        // The keys too, so the ribbon teaches them.
        if (const QKeySequence keys = l.action->shortcut(); !keys.isEmpty())
            toolTip = QStringLiteral("%1 (%2)").arg(toolTip.isEmpty() ? l.action->text() : toolTip,
                                                    keys.toString(QKeySequence::NativeText));
        l.action->setToolTip(toolTip);
        l.action->setStatusTip(l.action->toolTip());
    }
}
