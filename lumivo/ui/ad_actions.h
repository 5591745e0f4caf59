// SPDX-License-Identifier: GPL-2.0-or-later
// CAdActions: the commands of the Ad list (add, edit, copy, paste, delete,
// the three effects, check and uncheck an Ad, expand and collapse all) with
// their keys, enabling and context menu, and Undo and Redo of the document's
// stack. Each change goes to the document as one undo step; refusals are
// shown through the prompts.
#pragma once

#include "ui/command_group.h"

#include <qvr/records.h>

#include <QList>

#include <functional>
#include <optional>

class CLumivoDoc;
class CLumivoView;
class QMenu;
struct CPrompts;

class CAdActions : public CCommandGroup {
    Q_OBJECT
public:
    CAdActions(CLumivoDoc& doc, CLumivoView& view, CPrompts& prompts, QObject* parent);

    // Opens the Ad editor: no page for Add Ad, the focused row's page for
    // Edit Ad. Set to the real editor over the window, which leaves the focus
    // on the Ad's first row when it closes; empty: Add Ad and Edit Ad open nothing.
    std::function<void(std::optional<unsigned> page)> openEditor;
    // Runs the effect dialog on an item for a phase; the item as OK leaves
    // it, nothing on Cancel. Set to the real dialog; tests replace it.
    std::function<std::optional<CLumivo>(const CLumivo& item, int phase)> runEffectDialog;

    // The actions that take their keys wherever the focus is in the window.
    QList<QAction*> KeyActions() const;
    // The list's context menu for the focused row (or none); the caller owns it.
    QMenu* CreateContextMenu(QWidget* parent);
    void Relabel();
    void UpdateEnabling();

    void AddAd();
    void EditAd();
    void CopyAd();
    void PasteAd();
    void DeleteAd();
    // The effect dialog for one item and phase; an OK that changes the item
    // is one undo step.
    void ChangeEffect(size_t entry, int phase);
    void SetFocusedPageUsed(bool used);
    // The focused Ad one place up (-1) or down (+1), still selected.
    void MoveFocusedAd(int by);

private:
    // The editor closed: the list's focus goes to the Ad's first item row
    // (the new last Ad after an accepted Add Ad).
    void EditorClosed(std::optional<unsigned> page, bool accepted);
    void UpdateUndoTexts();
    QAction* MenuTwin(QAction* action, const char* key);

    CLumivoDoc& m_doc;
    CLumivoView& m_view;
    CPrompts& m_prompts;
    // The context menu's own labels ("Add Ad.", "Delete Ad 03") for the
    // ribbon's commands; they show the same keys.
    QAction* m_menuAdd;
    QAction* m_menuEdit;
    QAction* m_menuDelete;
    QAction* m_menuCopy;
    QAction* m_menuPaste;
    bool m_clipboardHasItems = false;
};
