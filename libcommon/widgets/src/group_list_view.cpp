// SPDX-License-Identifier: BSD-2-Clause
#include "common/widgets/group_list_view.h"

#include <common/globalization.h>

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>

#include <algorithm>
#include <memory>

namespace {

// A menu text from the language files, "%s" replaced by arg; the English
// wording where no language file is loaded.
QString MenuText(const char* key, const char* english, const QString& arg = {})
{
    const std::u16string t = CGlobalization::GetText(std::string_view("GroupList"), std::string_view(key));
    QString text = t.empty() ? QString::fromUtf8(english) : QString::fromUtf16(t.data(), qsizetype(t.size()));
    return text.replace(QLatin1String("%s"), arg);
}

} // namespace

// One row: its texts live in the item's columns.
class CGroupListView::RowItem : public QTreeWidgetItem {
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 1;
    explicit RowItem(CGroupListView* view) : QTreeWidgetItem(Type), m_view(view) {}
    bool operator<(const QTreeWidgetItem& other) const override
    {
        // Rows share a level with groups only after them, whatever the
        // direction (a descending sort asks "other < this").
        if (other.type() != Type)
            return !m_view->m_sortingAscending;
        return m_view->RowLess(this, static_cast<const RowItem*>(&other));
    }

    CGroupListView* m_view;
    int groupId = -1;
    Qt::CheckState lastCheck = Qt::Unchecked;
};

// One group header, spanning the columns.
class CGroupListView::GroupItem : public QTreeWidgetItem {
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 2;
    GroupItem(CGroupListView* view, int groupId, unsigned groupState)
        : QTreeWidgetItem(Type), m_view(view), id(groupId), state(groupState)
    {
        setFlags(Qt::ItemIsEnabled);
        QFont f = font(0);
        f.setBold(true);
        setFont(0, f);
    }
    QVariant data(int column, int role) const override
    {
        // As high as a row, whose check box may make it the taller one.
        if (role == Qt::SizeHintRole && column == 0)
            if (const int h = m_view->RowHeightHint(); h > 0)
                return QSize(-1, h);
        return QTreeWidgetItem::data(column, role);
    }
    bool operator<(const QTreeWidgetItem& other) const override
    {
        // Groups keep their order in both directions and come before rows.
        if (other.type() != Type)
            return m_view->m_sortingAscending;
        const int a = int(m_view->m_groups.indexOf(const_cast<GroupItem*>(this)));
        const int b = int(m_view->m_groups.indexOf(static_cast<GroupItem*>(const_cast<QTreeWidgetItem*>(&other))));
        return m_view->m_sortingAscending ? a < b : b < a;
    }

    CGroupListView* m_view;
    int id;
    unsigned state;
    QString footer, task, subtitle;
};

CGroupListView::CGroupListView(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    // One height for all lines (the group headers take the rows'): laying
    // out then measures one line, not all of them.
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    header()->setContextMenuPolicy(Qt::CustomContextMenu);

    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (m_headerSorting)
            OnHeaderClick(column);
    });
    connect(header(), &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const int column = header()->logicalIndexAt(pos);
        if (column < 0)
            return;
        std::unique_ptr<QMenu> menu(CreateHeaderMenu(column, this));
        menu->exec(header()->mapToGlobal(pos));
    });
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column != 0 || item->type() != RowItem::Type || !(m_style & kCheckBoxes))
            return;
        auto* r = static_cast<RowItem*>(item);
        const Qt::CheckState s = r->checkState(0);
        if (s == r->lastCheck)
            return; // a text changed
        r->lastCheck = s;
        if (!m_quiet)
            emit rowCheckChanged(RowOfItem(r), s == Qt::Checked);
    });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (item->type() != GroupItem::Type)
            return;
        auto* g = static_cast<GroupItem*>(item);
        if (g->state & kCollapsible)
            g->state |= kCollapsed;
        else
            g->setExpanded(true);
    });
    connect(this, &QTreeWidget::itemExpanded, this, [](QTreeWidgetItem* item) {
        if (item->type() == GroupItem::Type)
            static_cast<GroupItem*>(item)->state &= ~unsigned(kCollapsed);
    });
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int column) {
        if (const int row = RowOfItem(item); row >= 0)
            emit rowClicked(row, column);
    });
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int column) {
        if (const int row = RowOfItem(item); row >= 0)
            emit rowDoubleClicked(row, column);
        else if (const int id = GroupOfItem(item); id >= 0 && !GroupTask(id).isEmpty())
            OnGroupTaskClick(id);
    });
}

CGroupListView::~CGroupListView()
{
    // The tree deletes the rows and groups (all of them are in it); its
    // signals while it goes must not reach handlers of a widget half gone.
    disconnect(this, nullptr, this, nullptr);
}

// ---- Columns and rows

void CGroupListView::SetColumns(const QStringList& headers)
{
    setColumnCount(int(headers.size()));
    setHeaderLabels(headers);
}

void CGroupListView::SetExtentedStyle(unsigned style)
{
    m_style = style;
    for (RowItem* r : m_rows)
        ApplyCheckStyle(r);
}

void CGroupListView::ApplyCheckStyle(RowItem* item)
{
    ++m_quiet;
    if (m_style & kCheckBoxes) {
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(0, item->lastCheck);
    } else {
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        item->setData(0, Qt::CheckStateRole, QVariant());
    }
    --m_quiet;
}

CGroupListView::RowItem* CGroupListView::Row(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row] : nullptr;
}

CGroupListView::GroupItem* CGroupListView::Group(int id) const
{
    for (GroupItem* g : m_groups)
        if (g->id == id)
            return g;
    return nullptr;
}

int CGroupListView::InsertRow(int row, const QStringList& texts, int groupId)
{
    row = std::clamp(row, 0, RowCount());
    auto* item = new RowItem(this);
    item->groupId = m_groupView ? groupId : -1;
    for (int c = 0; c < texts.size(); ++c)
        item->setText(c, texts[c]);
    ApplyCheckStyle(item);
    m_rows.insert(row, item);
    Place(item);
    return row;
}

void CGroupListView::Place(RowItem* item)
{
    const int row = int(m_rows.indexOf(item));
    GroupItem* g = m_groupView ? Group(item->groupId) : nullptr;
    int position = 0;
    if (g) {
        for (int i = 0; i < row; ++i)
            position += m_rows[i]->parent() == g;
        g->insertChild(position, item);
        return;
    }
    // Ungrouped rows come after the groups, in row order.
    position = int(m_groups.size());
    for (int i = 0; i < row; ++i)
        position += m_rows[i]->parent() == nullptr && m_rows[i]->treeWidget() == this;
    insertTopLevelItem(position, item);
}

void CGroupListView::Detach(QTreeWidgetItem* item)
{
    if (QTreeWidgetItem* p = item->parent())
        p->removeChild(item);
    else if (item->treeWidget() == this)
        takeTopLevelItem(indexOfTopLevelItem(item));
}

bool CGroupListView::DeleteRow(int row)
{
    RowItem* item = Row(row);
    if (!item)
        return false;
    m_rows.removeAt(row);
    Detach(item);
    delete item;
    return true;
}

void CGroupListView::DeleteAllRows()
{
    // At once rather than row by row; the groups stay, empty. The row list
    // goes first: taking a group out lays the view out again, and that must
    // not read rows already deleted.
    m_rows.clear();
    for (GroupItem* g : m_groups) {
        Detach(g);
        qDeleteAll(g->takeChildren());
    }
    clear(); // the rows in no group
    addTopLevelItems(QList<QTreeWidgetItem*>(m_groups.begin(), m_groups.end()));
    ShowGroups(m_groups);
}

void CGroupListView::DeleteAllRowsAndGroups()
{
    m_rows.clear(); // first, for the same reason
    m_groups.clear();
    clear(); // the tree owns every row and group
}

QString CGroupListView::RowText(int row, int column) const
{
    const RowItem* item = Row(row);
    return item ? item->text(column) : QString();
}

void CGroupListView::SetRowText(int row, int column, const QString& text)
{
    if (RowItem* item = Row(row); item && item->text(column) != text)
        item->setText(column, text);
}

bool CGroupListView::IsRowChecked(int row) const
{
    const RowItem* item = Row(row);
    return item && (m_style & kCheckBoxes) && item->lastCheck == Qt::Checked;
}

void CGroupListView::SetRowChecked(int row, bool checked)
{
    if (RowItem* item = Row(row); item && (m_style & kCheckBoxes))
        SetCheckedQuietly(item, checked);
}

void CGroupListView::SetCheckedQuietly(RowItem* item, bool checked)
{
    const Qt::CheckState s = checked ? Qt::Checked : Qt::Unchecked;
    if (item->lastCheck == s && item->data(0, Qt::CheckStateRole).isValid())
        return;
    ++m_quiet;
    item->lastCheck = s;
    item->setCheckState(0, s);
    --m_quiet;
}

int CGroupListView::RowHeightHint() const
{
    if (m_rows.isEmpty() || m_rows.front()->treeWidget() != this)
        return 0;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex index = indexFromItem(m_rows.front(), 0);
    return itemDelegateForIndex(index)->sizeHint(option, index).height();
}

int CGroupListView::RowAt(const QPoint& viewportPos) const { return RowOfItem(itemAt(viewportPos)); }

int CGroupListView::RowOfItem(const QTreeWidgetItem* item) const
{
    if (!item || item->type() != RowItem::Type)
        return -1;
    return int(m_rows.indexOf(static_cast<RowItem*>(const_cast<QTreeWidgetItem*>(item))));
}

void CGroupListView::SetCurrentRow(int row)
{
    if (RowItem* item = Row(row)) {
        setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
        scrollToItem(item); // expands a folded group
    }
}

void CGroupListView::SelectRows(const QList<int>& rows, int current)
{
    if (RowItem* item = Row(current))
        setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    clearSelection();
    for (int r : rows)
        if (RowItem* item = Row(r))
            item->setSelected(true);
    if (RowItem* item = Row(current))
        scrollToItem(item);
}

QList<int> CGroupListView::SelectedRows() const
{
    QList<int> rows;
    for (QTreeWidgetItem* item : selectedItems())
        if (const int r = RowOfItem(item); r >= 0)
            rows.append(r);
    std::sort(rows.begin(), rows.end());
    return rows;
}

// ---- Groups

void CGroupListView::Rebuild()
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    QTreeWidgetItem* current = currentItem();
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    while (topLevelItemCount() > 0) {
        QTreeWidgetItem* top = takeTopLevelItem(topLevelItemCount() - 1);
        top->takeChildren();
    }
    // Rows join their groups while these are out of the tree, and everything
    // goes back in one insertion: the tree's model then hears of one change.
    QList<QTreeWidgetItem*> top;
    if (m_groupView)
        top = QList<QTreeWidgetItem*>(m_groups.begin(), m_groups.end());
    for (RowItem* r : m_rows) {
        if (GroupItem* g = m_groupView ? Group(r->groupId) : nullptr)
            g->addChild(r);
        else
            top.append(r);
    }
    addTopLevelItems(top);
    ShowGroups(m_groups);
    setRootIsDecorated(m_groupView);
    if (current && current->treeWidget() == this)
        setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* item : selected)
        if (item->treeWidget() == this)
            item->setSelected(true);
    setUpdatesEnabled(updates);
}

void CGroupListView::ShowGroup(GroupItem* g) { ShowGroups({g}); }

void CGroupListView::ShowGroups(const QList<GroupItem*>& groups)
{
    QList<GroupItem*> shown;
    for (GroupItem* g : groups)
        if (g->treeWidget() == this)
            shown.append(g);
    // Each of these asks for a new layout, which the next spanning or
    // expansion would make at once: so one kind of change at a time.
    for (GroupItem* g : shown)
        g->setChildIndicatorPolicy((g->state & kCollapsible) ? QTreeWidgetItem::ShowIndicator
                                                              : QTreeWidgetItem::DontShowIndicator);
    for (GroupItem* g : shown)
        g->setFirstColumnSpanned(true);
    // With a layout to come, expanding only notes the group instead of
    // laying out and measuring the header each time.
    if (shown.size() > 1)
        scheduleDelayedItemsLayout();
    for (GroupItem* g : shown) {
        const unsigned wanted = g->state;
        g->setExpanded(!(wanted & kCollapsed) || !(wanted & kCollapsible));
        g->state = wanted;
    }
    for (GroupItem* g : shown)
        if (g->isHidden() != bool(g->state & kHidden))
            g->setHidden(g->state & kHidden);
}

int CGroupListView::GroupByColumn(int column)
{
    SetSortArrow(-1, true);
    const QList<GroupItem*> old = m_groups;
    m_groups.clear();
    m_groupView = !m_rows.isEmpty();
    QStringList texts;
    for (RowItem* r : m_rows) {
        const QString t = r->text(column);
        qsizetype i = texts.indexOf(t);
        if (i < 0) {
            i = texts.size();
            texts.append(t);
        }
        r->groupId = m_groupView ? int(i) : -1;
    }
    for (int i = 0; i < texts.size(); ++i) {
        auto* g = new GroupItem(this, i, kCollapsible);
        g->setText(0, texts[i]);
        m_groups.append(g);
    }
    Rebuild();
    qDeleteAll(old);
    return 1;
}

void CGroupListView::EnableGroupView(bool on)
{
    if (on == m_groupView)
        return;
    const QList<GroupItem*> old = on ? QList<GroupItem*>() : m_groups;
    if (!on) {
        m_groups.clear();
        for (RowItem* r : m_rows)
            r->groupId = -1;
    }
    m_groupView = on;
    Rebuild();
    qDeleteAll(old);
}

int CGroupListView::GroupIdAt(int index) const
{
    return index >= 0 && index < m_groups.size() ? m_groups[index]->id : -1;
}

int CGroupListView::GroupIndexOf(int id) const
{
    for (int i = 0; i < m_groups.size(); ++i)
        if (m_groups[i]->id == id)
            return i;
    return -1;
}

int CGroupListView::GetRowGroupId(int row) const
{
    const RowItem* item = Row(row);
    return item && m_groupView ? item->groupId : -1;
}

void CGroupListView::SetRowGroupId(int row, int id)
{
    RowItem* item = Row(row);
    if (!item || !m_groupView || item->groupId == id)
        return;
    const bool selected = item->isSelected();
    const bool current = currentItem() == item;
    Detach(item);
    item->groupId = id;
    Place(item);
    if (current)
        setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    item->setSelected(selected);
}

int CGroupListView::InsertGroupHeader(int index, int id, const QString& header, unsigned state)
{
    if (id < 0 || Group(id))
        return -1;
    if (!m_groupView)
        EnableGroupView(true);
    index = std::clamp(index, 0, GroupCount());
    auto* g = new GroupItem(this, id, state);
    g->setText(0, header);
    m_groups.insert(index, g);
    insertTopLevelItem(index, g);
    ShowGroup(g);
    // Rows that already carry the id join it.
    for (RowItem* r : m_rows)
        if (r->groupId == id) {
            Rebuild();
            break;
        }
    return index;
}

bool CGroupListView::RemoveGroup(int id)
{
    GroupItem* g = Group(id);
    if (!g)
        return false;
    m_groups.removeOne(g);
    bool hadRows = false;
    for (RowItem* r : m_rows)
        if (r->groupId == id) {
            r->groupId = -1;
            hadRows = true;
        }
    if (hadRows)
        Rebuild();
    else
        Detach(g);
    delete g;
    return true;
}

QString CGroupListView::GetGroupHeader(int id) const
{
    const GroupItem* g = Group(id);
    return g ? g->text(0) : QString();
}

void CGroupListView::SetGroupHeader(int id, const QString& header)
{
    if (GroupItem* g = Group(id); g && g->text(0) != header)
        g->setText(0, header);
}

int CGroupListView::GroupHitTest(const QPoint& viewportPos) const { return GroupOfItem(itemAt(viewportPos)); }

int CGroupListView::GroupOfItem(const QTreeWidgetItem* item) const
{
    return item && item->type() == GroupItem::Type ? static_cast<const GroupItem*>(item)->id : -1;
}

bool CGroupListView::HasGroupState(int id, unsigned state) const
{
    const GroupItem* g = Group(id);
    if (!g)
        return false;
    if (state == kNormal)
        return !(g->state & kCollapsed);
    return (g->state & state) == state;
}

void CGroupListView::SetGroupState(int id, unsigned state)
{
    if (GroupItem* g = Group(id)) {
        g->state = state;
        ShowGroup(g);
    }
}

void CGroupListView::CheckEntireGroup(int id, bool check)
{
    if (!(m_style & kCheckBoxes))
        return;
    for (RowItem* r : m_rows)
        if (r->groupId == id && m_groupView)
            SetCheckedQuietly(r, check);
}

void CGroupListView::DeleteEntireGroup(int id)
{
    for (int row = 0; row < RowCount();) {
        if (m_rows[row]->groupId == id && m_groupView)
            DeleteRow(row); // the next row now has this number
        else
            ++row;
    }
    RemoveGroup(id);
}

void CGroupListView::ExpandAllGroups()
{
    for (GroupItem* g : m_groups)
        if (g->state & kCollapsed)
            SetGroupState(g->id, g->state & ~unsigned(kCollapsed));
}

void CGroupListView::CollapseAllGroups()
{
    for (GroupItem* g : m_groups)
        if ((g->state & kCollapsible) && !(g->state & kCollapsed))
            SetGroupState(g->id, g->state | kCollapsed);
}

// ---- Decorations

void CGroupListView::UpdateGroupToolTip(GroupItem* g)
{
    QStringList lines;
    for (const QString* s : {&g->subtitle, &g->footer, &g->task})
        if (!s->isEmpty())
            lines.append(*s);
    g->setToolTip(0, lines.join(QLatin1Char('\n')));
}

void CGroupListView::SetGroupFooter(int id, const QString& text)
{
    if (GroupItem* g = Group(id)) {
        g->footer = text;
        UpdateGroupToolTip(g);
    }
}

void CGroupListView::SetGroupTask(int id, const QString& text)
{
    if (GroupItem* g = Group(id)) {
        g->task = text;
        UpdateGroupToolTip(g);
    }
}

void CGroupListView::SetGroupSubtitle(int id, const QString& text)
{
    if (GroupItem* g = Group(id)) {
        g->subtitle = text;
        UpdateGroupToolTip(g);
    }
}

void CGroupListView::SetGroupTitleImage(int id, const QIcon& image)
{
    if (GroupItem* g = Group(id))
        g->setIcon(0, image);
}

QString CGroupListView::GroupFooter(int id) const
{
    const GroupItem* g = Group(id);
    return g ? g->footer : QString();
}

QString CGroupListView::GroupTask(int id) const
{
    const GroupItem* g = Group(id);
    return g ? g->task : QString();
}

QString CGroupListView::GroupSubtitle(int id) const
{
    const GroupItem* g = Group(id);
    return g ? g->subtitle : QString();
}

void CGroupListView::OnGroupTaskClick(int id)
{
    if (Group(id))
        emit groupTaskClicked(id);
}

// ---- Sorting

bool CGroupListView::RowLess(const RowItem* a, const RowItem* b) const
{
    const QString x = a->text(m_sortingBy);
    const QString y = b->text(m_sortingBy);
    bool xNumber = false, yNumber = false;
    const double dx = x.toDouble(&xNumber);
    const double dy = y.toDouble(&yNumber);
    if (xNumber != yNumber)
        return xNumber; // numbers before texts keeps the order strict
    if (xNumber)
        return dx < dy;
    return QString::localeAwareCompare(x, y) < 0;
}

void CGroupListView::SortColumn(int column, bool ascending)
{
    if (column < 0 || column >= columnCount())
        return;
    m_sortingBy = column;
    m_sortingAscending = ascending;
    sortItems(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    // Row numbers follow the new order; each group's rows stay in row order.
    std::stable_sort(m_rows.begin(), m_rows.end(), [this, ascending](const RowItem* a, const RowItem* b) {
        return ascending ? RowLess(a, b) : RowLess(b, a);
    });
    SetSortArrow(m_sortColumn, m_sortAscending); // sortItems moved it
}

void CGroupListView::SetSortArrow(int column, bool ascending)
{
    m_sortColumn = column >= 0 && column < columnCount() ? column : -1;
    m_sortAscending = ascending;
    header()->setSortIndicatorShown(m_sortColumn >= 0);
    if (m_sortColumn >= 0)
        header()->setSortIndicator(m_sortColumn, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CGroupListView::OnHeaderClick(int column)
{
    const bool ascending = m_sortColumn == column ? !m_sortAscending : true;
    SortColumn(column, ascending);
    SetSortArrow(column, ascending);
}

// ---- Context menus

QMenu* CGroupListView::CreateListMenu(const QPoint& viewportPos, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const int row = RowAt(viewportPos);
    int group = GroupHitTest(viewportPos);
    if (group < 0 && row >= 0)
        group = GetRowGroupId(row);
    auto add = [&](int command, const QString& text, int id) {
        QAction* a = menu->addAction(text);
        a->setData(command);
        connect(a, &QAction::triggered, this, [this, command, id] { RunCommand(command, id, -1); });
        return a;
    };
    if (group >= 0 && Group(group)) {
        const QString h = GetGroupHeader(group);
        const bool boxes = m_style & kCheckBoxes;
        add(kCheckGroup, MenuText("CheckGroup", "Check group: %s", h), group)->setEnabled(boxes);
        add(kUncheckGroup, MenuText("UncheckGroup", "Uncheck group: %s", h), group)->setEnabled(boxes);
        add(kDeleteGroup, MenuText("DeleteGroup", "Delete group: %s", h), group);
    }
    menu->addSeparator();
    if (row < 0) {
        add(kExpandAll, MenuText("ExpandAll", "Expand all groups"), -1);
        add(kCollapseAll, MenuText("CollapseAll", "Collapse all groups"), -1);
    }
    add(kDisableGrouping, MenuText("DisableGrouping", "Disable grouping"), -1)->setEnabled(m_groupView);
    return menu;
}

QMenu* CGroupListView::CreateHeaderMenu(int column, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    QAction* by = menu->addAction(MenuText("GroupBy", "Group by: %s", headerItem()->text(column)));
    by->setData(int(kGroupBy));
    connect(by, &QAction::triggered, this, [this, column] { RunCommand(kGroupBy, -1, column); });
    QAction* off = menu->addAction(MenuText("DisableGrouping", "Disable grouping"));
    off->setData(int(kDisableGroupingHeader));
    off->setEnabled(m_groupView);
    connect(off, &QAction::triggered, this, [this] { RunCommand(kDisableGroupingHeader, -1, -1); });
    return menu;
}

void CGroupListView::RunCommand(int command, int groupId, int column)
{
    switch (command) {
    case kGroupBy:
        GroupByColumn(column);
        break;
    case kDisableGroupingHeader:
    case kDisableGrouping:
        EnableGroupView(false);
        break;
    case kCheckGroup:
    case kUncheckGroup: {
        const bool check = command == kCheckGroup;
        QList<int> changed;
        for (int r = 0; r < RowCount(); ++r)
            if (GetRowGroupId(r) == groupId && IsRowChecked(r) != check)
                changed.append(r);
        CheckEntireGroup(groupId, check);
        for (int r : changed)
            if (IsRowChecked(r) == check)
                emit rowCheckChanged(r, check);
        break;
    }
    case kDeleteGroup:
        DeleteEntireGroup(groupId);
        break;
    case kExpandAll:
        ExpandAllGroups();
        break;
    case kCollapseAll:
        CollapseAllGroups();
        break;
    default:
        break;
    }
}

void CGroupListView::contextMenuEvent(QContextMenuEvent* event)
{
    QPoint pos = event->pos();
    if (event->reason() == QContextMenuEvent::Keyboard && currentItem())
        pos = visualItemRect(currentItem()).center();
    std::unique_ptr<QMenu> menu(CreateListMenu(pos, this));
    menu->exec(viewport()->mapToGlobal(pos));
}
