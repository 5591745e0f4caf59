// SPDX-License-Identifier: GPL-2.0-or-later
// A group of the window's commands: owns their QActions, numbered by the
// command ids of commands.h, and relabels them (text, tooltip, status tip)
// from the language tables when the language changes.
#pragma once

#include <QList>
#include <QMap>
#include <QObject>

class QAction;

class CCommandGroup : public QObject {
    Q_OBJECT
public:
    explicit CCommandGroup(QObject* parent) : QObject(parent) {}

    // The action of a command id, or null when this group does not own it.
    QAction* Action(int command) const { return m_actions.value(command); }
    // Texts from section/key, tooltips from section/key + "ToolTip".
    void Relabel();

    // A new action owned by the group. command 0: not numbered; key null:
    // labelled by the caller.
    QAction* MakeAction(int command, const char* section, const char* key, bool enabled = true,
                        bool checkable = false);
    // Numbers an action made elsewhere (menu entries).
    void AddNumbered(int command, QAction* action) { m_actions.insert(command, action); }

private:
    struct Label {
        QAction* action;
        const char* section;
        const char* key;
    };
    QMap<int, QAction*> m_actions;
    QList<Label> m_labels;
};
