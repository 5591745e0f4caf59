// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/lumivo_view.h"

#include "lumivo_doc.h"
#include "ui/qt_text.h"
#include "ui/schedule_text.h"

#include "core/effect_choice.h"
#include "core/item_text.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>

namespace {

// What the preview plays of a page: the items without their Uses byte,
// which does not change the picture.
std::vector<uint8_t> PlayedBytes(const std::vector<CLumivo>& items)
{
    std::vector<uint8_t> bytes(items.size() * qvr::kItemBytes);
    for (size_t i = 0; i < items.size(); ++i) {
        CLumivo item = items[i];
        item.skip = 0;
        qvr::StoreItem(item, bytes.data() + i * qvr::kItemBytes);
    }
    return bytes;
}

} // namespace

CLumivoView::CLumivoView(CLumivoDoc& doc, QWidget* parent) : CGroupListView(parent), m_doc(doc)
{
    setObjectName(QStringLiteral("AdList"));
    SetColumns(QStringList(kColumns, QString()));
    SetExtentedStyle(kCheckBoxes);
    // Rows within an Ad are its items from top to bottom: not sortable, and
    // always grouped by page.
    SetHeaderSorting(false);
    header()->setContextMenuPolicy(Qt::PreventContextMenu);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // The narrow columns fit their texts after each change (FitColumns);
    // sizing them on every cell change would measure all rows each time.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(kColTitle, QHeaderView::Stretch);

    connect(&doc, &CLumivoDoc::pageInserted, this, &CLumivoView::OnPageInserted);
    connect(&doc, &CLumivoDoc::pageRemoved, this, &CLumivoView::OnPageRemoved);
    connect(&doc, &CLumivoDoc::pageChanged, this, &CLumivoView::OnPageChanged);
    connect(&doc, &CLumivoDoc::itemChanged, this, &CLumivoView::OnItemChanged);
    connect(&doc, &CLumivoDoc::listChanged, this, &CLumivoView::OnListChanged);
    connect(&doc, &CLumivoDoc::scheduleChanged, this, &CLumivoView::ShowSchedule);
    connect(this, &QTreeWidget::currentItemChanged, this, [this] {
        if (m_updating)
            return;
        SyncPreview();
        emit focusChanged();
    });
    connect(this, &CGroupListView::rowCheckChanged, this, &CLumivoView::OnRowChecked);
    connect(this, &CGroupListView::rowClicked, this, [this](int row, int column) {
        const int phase = column - kColEffectS;
        if (phase >= 0 && phase <= 2 && size_t(row) < m_doc.Core().ItemCount() &&
            lumivo::OpensEffectDialog(m_doc.Core().Entries()[size_t(row)].item, phase))
            emit effectRequested(size_t(row), phase);
    });
    connect(this, &CGroupListView::rowDoubleClicked, this, [this](int row, int column) {
        // A click on an effect cell already opened the effect dialog.
        const int phase = column - kColEffectS;
        if (phase >= 0 && phase <= 2 && size_t(row) < m_doc.Core().ItemCount() &&
            lumivo::OpensEffectDialog(m_doc.Core().Entries()[size_t(row)].item, phase))
            return;
        if (const int page = PageOfRow(row); page >= 0)
            emit editRequested(unsigned(page));
    });
    Relabel();
    Refill();
}

CLumivoView::~CLumivoView()
{
    // Its own handlers must not run while the list below it goes.
    disconnect(this, nullptr, this, nullptr);
}

QString CLumivoView::PageText(unsigned page)
{
    return lumivo::FromU16(lumivo::FormatText(u"%s %02d", {lumivo::LangText("AdCell", "AdCellPageNo"),
                                                           static_cast<long long>(page) + 1}));
}

QString CLumivoView::PageLabel(unsigned page) const
{
    if (!m_memo)
        return PageText(page);
    if (!m_memo->pagePrefix)
        m_memo->pagePrefix = lumivo::LangText("AdCell", "AdCellPageNo");
    return lumivo::FromU16(lumivo::FormatText(u"%s %02d", {*m_memo->pagePrefix, static_cast<long long>(page) + 1}));
}

QStringList CLumivoView::RowTexts(const lumivo::CAdEntry& e) const
{
    using lumivo::FromU16;
    QStringList texts(kColumns, QString());
    texts[kColPage] = PageLabel(e.page);
    texts[kColTitle] = FromU16(lumivo::ItemTitle(e.item, m_doc.Core().KoreanLibrary()));
    if (lumivo::ShowsEffectText(e.item.type))
        for (int phase = 0; phase < 3; ++phase) {
            const CEFF& eff = phase == 0 ? e.item.effectS : phase == 1 ? e.item.effectW : e.item.effectE;
            QString& text = texts[kColEffectS + phase];
            if (!m_memo) {
                text = FromU16(lumivo::EffectCellText(phase, eff.code));
                continue;
            }
            const auto [at, added] = m_memo->effects.try_emplace({phase, eff.code});
            if (added)
                at->second = FromU16(lumivo::EffectCellText(phase, eff.code));
            text = at->second;
        }
    const bool used = e.item.skip == 0;
    if (!m_memo) {
        texts[kColShown] = lumivo::PageWhenText(m_doc.Core().GetSchedule(), e.page, used);
    } else {
        if (!m_memo->when)
            m_memo->when = lumivo::InterfaceWhenWords();
        texts[kColShown] = QString::fromStdString(lumivo::DescribePage(m_doc.Core().GetSchedule(), e.page, used, *m_memo->when));
    }
    return texts;
}

void CLumivoView::ShowSchedule()
{
    if (!Matches())
        return;
    const MemoScope memo(*this);
    const auto& entries = m_doc.Core().Entries();
    for (int r = 0; r < RowCount(); ++r)
        SetRowText(r, kColShown, RowTexts(entries[size_t(r)])[kColShown]);
    resizeColumnToContents(kColShown);
}

void CLumivoView::SetRow(int row)
{
    const lumivo::CAdEntry& e = m_doc.Core().Entries()[size_t(row)];
    const QStringList texts = RowTexts(e);
    for (int c = 0; c < kColumns; ++c)
        SetRowText(row, c, texts[c]);
    // Each row shows its own item's Uses byte; a click sets the whole page.
    SetRowChecked(row, e.item.skip == 0);
}

void CLumivoView::InsertEntryRow(int row, int groupId)
{
    InsertRow(row, RowTexts(m_doc.Core().Entries()[size_t(row)]), groupId);
    SetRowChecked(row, m_doc.Core().Entries()[size_t(row)].item.skip == 0);
}

void CLumivoView::Relabel()
{
    using lumivo::Tr;
    setHeaderLabels({Tr("AdCell", "AdCellUses"), Tr("AdCell", "AdCellPage"), Tr("AdCell", "AdCellTitle"),
                     Tr("AdCell", "AdCellEffectS"), Tr("AdCell", "AdCellEffectW"), Tr("AdCell", "AdCellEffectE"),
                     Tr("AdCell", "AdCellShown")});
    if (!Matches())
        return;
    const MemoScope memo(*this);
    ++m_updating;
    for (int g = 0; g < GroupCount(); ++g)
        SetGroupHeader(GroupIdAt(g), PageLabel(unsigned(g)));
    for (int r = 0; r < RowCount(); ++r)
        SetRow(r);
    --m_updating;
    FitColumns();
}

void CLumivoView::Refill()
{
    const MemoScope memo(*this);
    ++m_updating;
    m_shown.reset();
    m_shownBytes.clear();
    // The old list's Ad stops at once, whatever the new list plays.
    emit previewStopped();
    setUpdatesEnabled(false);
    // The groups go too: grouping below makes them anew.
    DeleteAllRowsAndGroups();
    for (size_t i = 0; i < m_doc.Core().Entries().size(); ++i)
        InsertEntryRow(int(i), -1);
    GroupByColumn(kColPage);
    m_nextGroupId = GroupCount();
    FitColumns();
    setUpdatesEnabled(true);
    --m_updating;
    if (RowCount() > 0)
        SelectPage(0);
    emit focusChanged();
}

void CLumivoView::FitColumns()
{
    for (int c = 0; c < kColumns; ++c)
        if (c != kColTitle)
            resizeColumnToContents(c);
}

bool CLumivoView::Matches() const
{
    const lumivo::CProjectCore& core = m_doc.Core();
    return unsigned(RowCount()) == core.ItemCount() && unsigned(GroupCount()) == core.PageCount();
}

int CLumivoView::PageOfRow(int row) const { return GroupIndexOf(GetRowGroupId(row)); }

int CLumivoView::FirstRowOfGroup(int id) const
{
    for (int r = 0; r < RowCount(); ++r)
        if (GetRowGroupId(r) == id)
            return r;
    return -1;
}

int CLumivoView::RowsOfGroup(int id) const
{
    int n = 0;
    for (int r = 0; r < RowCount(); ++r)
        n += GetRowGroupId(r) == id;
    return n;
}

std::optional<unsigned> CLumivoView::FocusedPage() const
{
    QTreeWidgetItem* item = currentItem();
    int page = PageOfRow(RowOfItem(item));
    if (page < 0)
        page = GroupIndexOf(GroupOfItem(item));
    return page >= 0 ? std::optional<unsigned>(unsigned(page)) : std::nullopt;
}

std::optional<size_t> CLumivoView::FocusedEntry() const
{
    const int row = CurrentRow();
    return row >= 0 ? std::optional<size_t>(size_t(row)) : std::nullopt;
}

void CLumivoView::SelectPage(unsigned page)
{
    const int id = GroupIdAt(int(page));
    if (id < 0)
        return;
    QList<int> rows;
    for (int r = 0; r < RowCount(); ++r)
        if (GetRowGroupId(r) == id)
            rows.append(r);
    ++m_updating;
    SelectRows(rows, rows.value(0, -1));
    --m_updating;
    SyncPreview();
    emit focusChanged();
}

void CLumivoView::ReplayPreview()
{
    m_shownBytes.clear();
    SyncPreview();
}

void CLumivoView::SyncPreview()
{
    if (m_updating || !Matches())
        return;
    const std::optional<unsigned> page = FocusedPage();
    if (!page) {
        if (m_shown) {
            m_shown.reset();
            m_shownBytes.clear();
            emit previewStopped();
        }
        return;
    }
    std::vector<uint8_t> bytes = PlayedBytes(m_doc.Core().PageItems(*page));
    // A row of the page already playing does not start it again.
    if (m_shown == page && bytes == m_shownBytes)
        return;
    m_shown = page;
    m_shownBytes = std::move(bytes);
    emit pageSelected(*page);
}

void CLumivoView::RelabelPagesFrom(unsigned page)
{
    const MemoScope memo(*this);
    for (int g = int(page); g < GroupCount(); ++g)
        SetGroupHeader(GroupIdAt(g), PageLabel(unsigned(g)));
    const int first = FirstRowOfGroup(GroupIdAt(int(page)));
    for (int r = first; r >= 0 && r < RowCount(); ++r)
        SetRowText(r, kColPage, PageLabel(unsigned(PageOfRow(r))));
}

// ---- The document's changes, one at a time. A list that does not match
// what the change expects is refilled by the listChanged() that follows.

void CLumivoView::OnPageInserted(unsigned page)
{
    const lumivo::CProjectCore& core = m_doc.Core();
    const unsigned n = core.CountPageItems(page);
    m_changeHandled = false;
    if (m_updating || unsigned(RowCount()) + n != core.ItemCount() || unsigned(GroupCount()) + 1 != core.PageCount())
        return;
    ++m_updating;
    const int id = m_nextGroupId++;
    InsertGroupHeader(int(page), id, PageText(page));
    int first = 0;
    while (size_t(first) < core.Entries().size() && core.Entries()[size_t(first)].page != page)
        ++first;
    for (unsigned i = 0; i < n; ++i)
        InsertEntryRow(first + int(i), id);
    RelabelPagesFrom(page + 1);
    if (m_shown && *m_shown >= page)
        ++*m_shown;
    --m_updating;
    m_changeHandled = true;
    // What was added (a paste, an undone delete) is what the user looks at.
    SelectPage(page);
}

void CLumivoView::OnPageRemoved(unsigned page)
{
    const lumivo::CProjectCore& core = m_doc.Core();
    const int id = GroupIdAt(int(page));
    m_changeHandled = false;
    if (m_updating || id < 0 || unsigned(RowCount() - RowsOfGroup(id)) != core.ItemCount() ||
        unsigned(GroupCount()) != core.PageCount() + 1)
        return;
    const bool focusInside = FocusedPage() == page;
    ++m_updating;
    DeleteEntireGroup(id);
    RelabelPagesFrom(page);
    if (m_shown && *m_shown == page)
        m_shownBytes.clear(); // whatever lands here plays
    else if (m_shown && *m_shown > page)
        --*m_shown;
    --m_updating;
    m_changeHandled = true;
    // Deleting the page in view shows the next one (the last one when it
    // was the last).
    if (focusInside && core.PageCount() > 0)
        SelectPage(std::min(page, core.PageCount() - 1));
    SyncPreview();
}

void CLumivoView::OnPageChanged(unsigned page)
{
    const lumivo::CProjectCore& core = m_doc.Core();
    const int id = GroupIdAt(int(page));
    const int now = int(core.CountPageItems(page));
    const int before = RowsOfGroup(id);
    m_changeHandled = false;
    if (m_updating || id < 0 || unsigned(RowCount() - before + now) != core.ItemCount() ||
        unsigned(GroupCount()) != core.PageCount())
        return;
    const int first = FirstRowOfGroup(id);
    ++m_updating;
    for (int i = 0; i < std::min(before, now); ++i)
        SetRow(first + i);
    for (int i = before; i < now; ++i)
        InsertEntryRow(first + i, id);
    for (int i = now; i < before; ++i)
        DeleteRow(first + now);
    --m_updating;
    m_changeHandled = true;
    if (!FocusedPage())
        SelectPage(page);
}

void CLumivoView::OnItemChanged(size_t entry)
{
    m_changeHandled = false;
    if (m_updating || !Matches() || entry >= size_t(RowCount()))
        return;
    ++m_updating;
    SetRow(int(entry));
    --m_updating;
    m_changeHandled = true;
}

void CLumivoView::OnListChanged()
{
    if (!m_changeHandled) {
        Refill();
        return;
    }
    m_changeHandled = false;
    FitColumns();
    SyncPreview(); // the page in view changed: it plays again
    emit focusChanged();
}

void CLumivoView::OnRowChecked(int row, bool checked)
{
    const int page = PageOfRow(row);
    if (page < 0)
        return;
    // Every row of the page follows, through the document's change signal.
    if (m_doc.SetPageUsed(unsigned(page), checked, lumivo::Tr("AdCell", "AdCellUses")))
        return;
    // Refused: the boxes show the items again; no listChanged() follows.
    OnPageChanged(unsigned(page));
    m_changeHandled = false;
}

void CLumivoView::keyPressEvent(QKeyEvent* event)
{
    // Shift+F10 opens the context menu, as the Menu key does.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), mapToGlobal(QPoint()));
        contextMenuEvent(&menu);
        return;
    }
    // Space sets the focused Ad's Uses, whichever column the focus is in.
    if (event->key() == Qt::Key_Space && !(event->modifiers() & ~Qt::KeypadModifier)) {
        if (const auto page = FocusedPage()) {
            const int row = CurrentRow() >= 0 ? CurrentRow() : FirstRowOfGroup(GroupIdAt(int(*page)));
            if (row >= 0)
                m_doc.SetPageUsed(*page, !IsRowChecked(row), lumivo::Tr("AdCell", "AdCellUses"));
        }
        return;
    }
    CGroupListView::keyPressEvent(event);
}

void CLumivoView::contextMenuEvent(QContextMenuEvent* event)
{
    QPoint global = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard && currentItem())
        global = viewport()->mapToGlobal(visualItemRect(currentItem()).center());
    emit contextMenuRequested(global);
}
