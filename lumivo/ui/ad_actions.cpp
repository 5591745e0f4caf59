// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/ad_actions.h"

#include "app/commands.h"
#include "lumivo_doc.h"
#include "app/prompts.h"
#include "ui/ad_editor_dlg.h"
#include "ui/effect_dlg.h"
#include "ui/lumivo_view.h"
#include "ui/qt_text.h"

#include "core/clipboard_items.h"
#include "core/effect_choice.h"
#include "core/item_text.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QUndoStack>

#include <cstring>

namespace {

using namespace lumivo;

const char* const kEffectKeys[3] = {"MenuEffectS", "MenuEffectW", "MenuEffectE"};
const char* const kEffectCells[3] = {"AdCellEffectS", "AdCellEffectW", "AdCellEffectE"};

bool ClipboardHasItems()
{
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime && mime->hasFormat(QLatin1String(kItemsMimeType));
}

// "Delete Ad 03": the menu entry and the undo step.
QString DeleteText(unsigned page)
{
    return FromU16(FormatText(LangText("AdMenu", "MenuDelete"), {CLumivoView::PageText(page).toStdU16String()}));
}

} // namespace

CAdActions::CAdActions(CLumivoDoc& doc, CLumivoView& view, CPrompts& prompts, QObject* parent)
    : CCommandGroup(parent), m_doc(doc), m_view(view), m_prompts(prompts)
{
    using namespace lumivo::cmd;
    auto make = [this](int command, const char* section, const char* key, QList<QKeySequence> keys,
                       void (CAdActions::*slot)()) {
        QAction* a = MakeAction(command, section, key, false);
        a->setShortcuts(keys);
        if (slot)
            connect(a, &QAction::triggered, this, slot);
        return a;
    };
    const auto ctrl = [](int key) { return QKeySequence(Qt::CTRL | key); };
    make(kAdvtAdd, "rbHome", "rbAdvtAdd", {QKeySequence(Qt::Key_Insert)}, &CAdActions::AddAd);
    make(kAdvtEdit, "rbHome", "rbAdvtEdit", {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter),
                                             QKeySequence(Qt::Key_F2)},
         &CAdActions::EditAd);
    make(kAdvtCopy, "rbHome", "rbAdvtCopy", {ctrl(Qt::Key_C)}, &CAdActions::CopyAd);
    make(kAdvtPaste, "rbHome", "rbAdvtPaste", {ctrl(Qt::Key_V)}, &CAdActions::PasteAd);
    make(kAdvtDelete, "rbHome", "rbAdvtDelete", {QKeySequence(Qt::Key_Delete)}, &CAdActions::DeleteAd);
    for (int phase = 0; phase < 3; ++phase) {
        QAction* a = make(kAdvtEffectS + phase, "AdMenu", kEffectKeys[phase], {ctrl(Qt::Key_1 + phase)}, nullptr);
        connect(a, &QAction::triggered, this, [this, phase] {
            if (const auto entry = m_view.FocusedEntry())
                ChangeEffect(*entry, phase);
        });
    }
    connect(make(kAdvtExpandAll, "AdMenu", "MenuExpandAll", {ctrl(Qt::Key_Plus), ctrl(Qt::Key_Equal)}, nullptr),
            &QAction::triggered, &m_view, &CGroupListView::ExpandAllGroups);
    connect(make(kAdvtCollapseAll, "AdMenu", "MenuCollapseAll", {ctrl(Qt::Key_Minus)}, nullptr), &QAction::triggered,
            &m_view, &CGroupListView::CollapseAllGroups);
    connect(make(kAdvtCheckGroup, "AdMenu", "MenuCheckGroup", {ctrl(Qt::Key_K)}, nullptr), &QAction::triggered, this,
            [this] { SetFocusedPageUsed(true); });
    connect(make(kAdvtUncheckGroup, "AdMenu", "MenuUncheckGroup", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K)},
                 nullptr),
            &QAction::triggered, this, [this] { SetFocusedPageUsed(false); });

    connect(make(kAdvtMoveUp, "AdMenu", "MenuMoveUp",
                 {QKeySequence(Qt::ALT | Qt::Key_Up), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Up)}, nullptr),
            &QAction::triggered, this, [this] { MoveFocusedAd(-1); });
    connect(make(kAdvtMoveDown, "AdMenu", "MenuMoveDown",
                 {QKeySequence(Qt::ALT | Qt::Key_Down), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Down)}, nullptr),
            &QAction::triggered, this, [this] { MoveFocusedAd(1); });

    QUndoStack* stack = m_doc.UndoStack();
    QAction* undo = make(kEditUndo, "rbApp", "rbAppUndo", {ctrl(Qt::Key_Z)}, nullptr);
    QAction* redo = make(kEditRedo, "rbApp", "rbAppRedo", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), ctrl(Qt::Key_Y)},
                         nullptr);
    connect(undo, &QAction::triggered, stack, &QUndoStack::undo);
    connect(redo, &QAction::triggered, stack, &QUndoStack::redo);
    connect(stack, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(stack, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    connect(stack, &QUndoStack::undoTextChanged, this, &CAdActions::UpdateUndoTexts);
    connect(stack, &QUndoStack::redoTextChanged, this, &CAdActions::UpdateUndoTexts);

    m_menuAdd = MenuTwin(Action(kAdvtAdd), "MenuAddAd");
    m_menuEdit = MenuTwin(Action(kAdvtEdit), "MenuEditAd");
    m_menuDelete = MenuTwin(Action(kAdvtDelete), nullptr);
    m_menuCopy = MenuTwin(Action(kAdvtCopy), "MenuCopy");
    m_menuPaste = MenuTwin(Action(kAdvtPaste), "MenuPaste");

    openEditor = [this](std::optional<unsigned> page) {
        auto* editor = new CAdEditorDlg(m_doc, page, m_view.window());
        editor->setAttribute(Qt::WA_DeleteOnClose);
        connect(editor, &QDialog::finished, this,
                [this, page](int result) { EditorClosed(page, result == QDialog::Accepted); });
        editor->open();
    };
    runEffectDialog = [this](const CLumivo& item, int phase) -> std::optional<CLumivo> {
        CEffectDlg dlg(item, phase, m_doc.BorrowContent(), m_view.window());
        if (dlg.exec() != QDialog::Accepted)
            return std::nullopt;
        return dlg.ResultItem();
    };

    connect(&m_view, &CLumivoView::focusChanged, this, &CAdActions::UpdateEnabling);
    connect(&m_doc, &CLumivoDoc::listChanged, this, &CAdActions::UpdateEnabling);
    // Asking another program's clipboard can take a round trip: only when it changes.
    m_clipboardHasItems = ClipboardHasItems();
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        m_clipboardHasItems = ClipboardHasItems();
        UpdateEnabling();
    });
    connect(&m_view, &CLumivoView::editRequested, this, [this](unsigned page) {
        if (openEditor)
            openEditor(page);
    });
    // Queued: the dialog opens once the click that asked for it is over.
    connect(&m_view, &CLumivoView::effectRequested, this, &CAdActions::ChangeEffect, Qt::QueuedConnection);
    connect(&m_view, &CLumivoView::contextMenuRequested, this, [this](const QPoint& global) {
        std::unique_ptr<QMenu> menu(CreateContextMenu(&m_view));
        menu->exec(global);
    });
    UpdateEnabling();
}

QAction* CAdActions::MenuTwin(QAction* action, const char* key)
{
    QAction* twin = MakeAction(0, "AdMenu", key);
    // The keys are shown; the window's action takes them.
    twin->setShortcuts(action->shortcuts());
    twin->setShortcutContext(Qt::WidgetShortcut);
    twin->setEnabled(action->isEnabled());
    connect(twin, &QAction::triggered, action, &QAction::trigger);
    connect(action, &QAction::changed, twin, [twin, action] { twin->setEnabled(action->isEnabled()); });
    return twin;
}

QList<QAction*> CAdActions::KeyActions() const
{
    using namespace lumivo::cmd;
    QList<QAction*> list;
    for (int c : {kAdvtAdd, kAdvtEdit, kAdvtCopy, kAdvtPaste, kAdvtDelete, kAdvtEffectS, kAdvtEffectW, kAdvtEffectE,
                  kAdvtExpandAll, kAdvtCollapseAll, kAdvtCheckGroup, kAdvtUncheckGroup, kAdvtMoveUp, kAdvtMoveDown,
                  kEditUndo, kEditRedo})
        list.append(Action(c));
    return list;
}

void CAdActions::Relabel()
{
    CCommandGroup::Relabel();
    UpdateUndoTexts();
}

void CAdActions::UpdateUndoTexts()
{
    const QUndoStack* stack = m_doc.UndoStack();
    const auto label = [](QAction* a, const QString& base, const QString& what) {
        a->setText(what.isEmpty() ? base : base + QStringLiteral(": ") + what);
    };
    label(Action(cmd::kEditUndo), Tr("rbApp", "rbAppUndo"), stack->undoText());
    label(Action(cmd::kEditRedo), Tr("rbApp", "rbAppRedo"), stack->redoText());
    Action(cmd::kEditUndo)->setEnabled(stack->canUndo());
    Action(cmd::kEditRedo)->setEnabled(stack->canRedo());
}

void CAdActions::UpdateEnabling()
{
    using namespace lumivo::cmd;
    const std::optional<unsigned> page = m_view.FocusedPage();
    const std::optional<size_t> entry = m_view.FocusedEntry();
    const auto& entries = m_doc.Core().Entries();
    Action(kAdvtAdd)->setEnabled(true); // a full project says so when asked
    for (int c : {kAdvtEdit, kAdvtCopy, kAdvtDelete, kAdvtCheckGroup, kAdvtUncheckGroup})
        Action(c)->setEnabled(page.has_value());
    const unsigned pages = m_doc.Core().PageCount();
    Action(kAdvtMoveUp)->setEnabled(page && *page > 0 && *page < pages);
    Action(kAdvtMoveDown)->setEnabled(page && *page + 1 < pages);
    for (int phase = 0; phase < 3; ++phase)
        Action(kAdvtEffectS + phase)
            ->setEnabled(entry && *entry < entries.size() && OpensEffectDialog(entries[*entry].item, phase));
    Action(kAdvtPaste)->setEnabled(m_clipboardHasItems);
    Action(kAdvtExpandAll)->setEnabled(m_view.GroupCount() > 0);
    Action(kAdvtCollapseAll)->setEnabled(m_view.GroupCount() > 0);
    UpdateUndoTexts();
}

QMenu* CAdActions::CreateContextMenu(QWidget* parent)
{
    using namespace lumivo::cmd;
    UpdateEnabling();
    auto* menu = new QMenu(parent);
    const std::optional<unsigned> page = m_view.FocusedPage();
    if (page) {
        m_menuDelete->setText(DeleteText(*page));
        menu->addAction(m_menuEdit);
        menu->addAction(m_menuAdd);
        menu->addAction(m_menuDelete);
        menu->addSeparator();
        menu->addAction(m_menuCopy);
        menu->addAction(m_menuPaste);
        menu->addSeparator();
        for (int phase = 0; phase < 3; ++phase)
            if (Action(kAdvtEffectS + phase)->isEnabled())
                menu->addAction(Action(kAdvtEffectS + phase));
        menu->addSeparator();
        menu->addAction(Action(kAdvtCheckGroup));
        menu->addAction(Action(kAdvtUncheckGroup));
        menu->addSeparator();
        menu->addAction(Action(kAdvtMoveUp));
        menu->addAction(Action(kAdvtMoveDown));
    } else {
        menu->addAction(m_menuAdd);
        menu->addAction(m_menuPaste);
    }
    menu->addSeparator();
    menu->addAction(Action(kAdvtExpandAll));
    menu->addAction(Action(kAdvtCollapseAll));
    return menu;
}

void CAdActions::AddAd()
{
    // A full project cannot take a page: say so before the user builds one.
    if (m_doc.Core().ItemCount() >= kMaxItems) {
        if (m_prompts.message)
            m_prompts.message(CPrompts::Icon::Warning, Tr("Error", "ErrMaxAdvt"));
        return;
    }
    if (openEditor)
        openEditor(std::nullopt);
}

void CAdActions::EditAd()
{
    if (const auto page = m_view.FocusedPage(); page && openEditor)
        openEditor(*page);
}

void CAdActions::EditorClosed(std::optional<unsigned> page, bool accepted)
{
    // The list's keys (Ctrl+1 to 3, Space, Delete) act on the Ad just edited.
    if (!page && accepted && m_doc.Core().PageCount() > 0)
        page = m_doc.Core().PageCount() - 1;
    if (page && *page < m_doc.Core().PageCount())
        m_view.SelectPage(*page);
    m_view.setFocus(Qt::OtherFocusReason);
}

void CAdActions::CopyAd()
{
    const auto page = m_view.FocusedPage();
    if (!page)
        return;
    const std::vector<uint8_t> bytes = StoreClipboardItems(m_doc.Core().PageItems(*page));
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kItemsMimeType),
                  QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    QGuiApplication::clipboard()->setMimeData(mime);
    UpdateEnabling();
}

void CAdActions::PasteAd()
{
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    const QByteArray data = mime ? mime->data(QLatin1String(kItemsMimeType)) : QByteArray();
    std::vector<CLumivo> items;
    if (!m_doc.Report(LoadClipboardItems(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()),
                                        m_doc.ModuleRows(), items)))
        return;
    // The view selects the new last page and plays it; then the user hears
    // what will not look as it did where the Ad was copied.
    if (m_doc.AppendPage(items, Tr("AdMenu", "MenuPaste")))
        m_doc.Report(PasteWarnings(items, &m_doc.Core().Content(), m_doc.ModuleRows()));
}

void CAdActions::DeleteAd()
{
    const auto page = m_view.FocusedPage();
    if (!page)
        return;
    const QString question =
        FromU16(FormatText(LangText("AdMenu", "ConfirmDelete"),
                           {CLumivoView::PageText(*page).toStdU16String(),
                            static_cast<long long>(m_doc.Core().CountPageItems(*page))}));
    if (!m_prompts.askYesNo || !m_prompts.askYesNo(Tr("rbHome", "rbAdvtDelete"), question))
        return;
    m_doc.DeletePage(*page, DeleteText(*page));
}

void CAdActions::ChangeEffect(size_t entry, int phase)
{
    const auto& entries = m_doc.Core().Entries();
    if (entry >= entries.size() || !runEffectDialog)
        return;
    const CLumivo item = entries[entry].item;
    if (!OpensEffectDialog(item, phase))
        return;
    const std::optional<CLumivo> changed = runEffectDialog(item, phase);
    if (!changed)
        return;
    uint8_t before[qvr::kItemBytes], after[qvr::kItemBytes];
    qvr::StoreItem(item, before);
    qvr::StoreItem(*changed, after);
    if (std::memcmp(before, after, sizeof before) == 0)
        return; // an OK that changes nothing is no undo step
    m_doc.ChangeItem(entry, *changed, Tr("AdCell", kEffectCells[phase]));
}

void CAdActions::MoveFocusedAd(int by)
{
    const auto page = m_view.FocusedPage();
    if (!page || (by < 0 && *page == 0) || *page + by >= m_doc.Core().PageCount())
        return;
    const unsigned to = *page + by;
    const QAction* a = Action(by < 0 ? cmd::kAdvtMoveUp : cmd::kAdvtMoveDown);
    if (m_doc.MovePage(*page, to, a->text().remove(u'&')))
        m_view.SelectPage(to);
}

void CAdActions::SetFocusedPageUsed(bool used)
{
    if (const auto page = m_view.FocusedPage())
        m_doc.SetPageUsed(*page, used, Tr("AdCell", "AdCellUses"));
}
