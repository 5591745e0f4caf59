// SPDX-License-Identifier: BSD-2-Clause
// CGroupListView: a report-style list whose rows are gathered into
// collapsible groups. A group shows as a header line with its rows below it.
//
// Rows are numbered 0 .. RowCount() - 1 in row order; a row keeps its number
// whether grouping is on or off, and the rows of a group show in row order.
// Each row carries the id of its group, or -1 (grouping off, or a row put in
// no group; such rows show after the groups). Groups have an id (>= 0) and a
// position; GroupByColumn numbers them 0, 1, ... by position.
//
// The widget owns its rows and groups: change them through the members
// below, not through QTreeWidget's item functions. Every member takes and
// returns row numbers and group ids; out-of-range ones are ignored (getters
// return -1, empty texts or false).
#pragma once

#include <QIcon>
#include <QList>
#include <QStringList>
#include <QTreeWidget>

class QMenu;

class CGroupListView : public QTreeWidget {
    Q_OBJECT
public:
    // Group states, as flags.
    enum GroupState : unsigned {
        kNormal = 0,      // expanded
        kCollapsed = 1,
        kHidden = 2,
        kCollapsible = 8, // the user may fold it
    };
    // Extended styles.
    enum : unsigned { kCheckBoxes = 0x4 };
    // Commands of the default context menus.
    enum Command {
        kGroupBy = 1,
        kDisableGroupingHeader = 2,
        kCheckGroup = 3,
        kUncheckGroup = 4,
        kDeleteGroup = 5,
        kExpandAll = 7,
        kCollapseAll = 8,
        kDisableGrouping = 9,
    };

    explicit CGroupListView(QWidget* parent = nullptr);
    ~CGroupListView() override;

    // ---- Columns and rows.
    void SetColumns(const QStringList& headers);
    // Check boxes in column 0 when style holds kCheckBoxes.
    void SetExtentedStyle(unsigned style);
    unsigned ExtendedStyle() const { return m_style; }
    int RowCount() const { return int(m_rows.size()); }
    // Inserts a row before `row` (clamped to 0 .. RowCount()); returns its number.
    int InsertRow(int row, const QStringList& texts, int groupId = -1);
    bool DeleteRow(int row);
    // Every row goes; the groups stay, empty.
    void DeleteAllRows();
    // Every row and every group go: for a caller that groups anew at once.
    void DeleteAllRowsAndGroups();
    QString RowText(int row, int column) const;
    void SetRowText(int row, int column, const QString& text);
    bool IsRowChecked(int row) const;
    // Does nothing without check boxes.
    void SetRowChecked(int row, bool checked);
    // The row under a point of the viewport, or -1 (a group header, nothing).
    int RowAt(const QPoint& viewportPos) const;
    // The row of an item of the tree, or -1 for group headers.
    int RowOfItem(const QTreeWidgetItem* item) const;
    int CurrentRow() const { return RowOfItem(currentItem()); }
    // Focuses the row (and shows it, expanding its group).
    void SetCurrentRow(int row);
    // Only these rows selected; `current` (one of them, or -1) focused.
    void SelectRows(const QList<int>& rows, int current);
    QList<int> SelectedRows() const;

    // ---- Groups.
    // Groups every row by the text of the column (first appearance gives
    // group 0, the next new text group 1, ...); the group view goes off when
    // there are no rows. Clears the sort arrow. Returns 1: grouping is
    // always available here.
    int GroupByColumn(int column);
    bool IsGroupViewEnabled() const { return m_groupView; }
    // Off: every group goes, every row's group id becomes -1.
    void EnableGroupView(bool on);
    int GroupCount() const { return int(m_groups.size()); }
    int GroupIdAt(int index) const;
    int GroupIndexOf(int id) const;
    int GetRowGroupId(int row) const;
    void SetRowGroupId(int row, int id);
    // Inserts a group before position `index` (clamped); returns its
    // position, or -1 when the id is negative or taken.
    int InsertGroupHeader(int index, int id, const QString& header, unsigned state = kCollapsible);
    // The group goes; its rows stay, in no group.
    bool RemoveGroup(int id);
    QString GetGroupHeader(int id) const;
    void SetGroupHeader(int id, const QString& header);
    // The id of the group whose header lies under a point of the viewport, or -1.
    int GroupHitTest(const QPoint& viewportPos) const;
    // The group of a header item, or -1.
    int GroupOfItem(const QTreeWidgetItem* item) const;
    bool IsGroupStateEnabled() const { return true; }
    bool HasGroupState(int id, unsigned state) const;
    // Sets kCollapsed, kHidden and kCollapsible as given (kNormal: expanded).
    void SetGroupState(int id, unsigned state);
    void CheckEntireGroup(int id, bool check);
    void DeleteEntireGroup(int id);
    void ExpandAllGroups();
    void CollapseAllGroups();

    // ---- Extended group decorations: kept, shown in the header's tooltip
    // (subtitle, footer, task) and as its icon (title image).
    void SetGroupFooter(int id, const QString& text);
    void SetGroupTask(int id, const QString& text);
    void SetGroupSubtitle(int id, const QString& text);
    void SetGroupTitleImage(int id, const QIcon& image);
    QString GroupFooter(int id) const;
    QString GroupTask(int id) const;
    QString GroupSubtitle(int id) const;
    // A double-click on the header of a group with a task runs it.
    void OnGroupTaskClick(int id);

    // ---- Sorting. Rows are sorted by the column's text (numbers by value,
    // other texts as the locale orders them), stably; groups keep their order.
    void SortColumn(int column, bool ascending);
    // The arrow in the header; column -1 clears it.
    void SetSortArrow(int column, bool ascending);
    int SortArrowColumn() const { return m_sortColumn; }
    bool SortArrowAscending() const { return m_sortAscending; }
    // A click on a column header: sorts by it, ascending first, then the
    // other way on each further click.
    void OnHeaderClick(int column);
    void SetHeaderSorting(bool on) { m_headerSorting = on; }

    // ---- The default context menus (actions carry their command in data()).
    // Over the list at a point of the viewport; the caller owns the menu.
    QMenu* CreateListMenu(const QPoint& viewportPos, QWidget* parent = nullptr);
    QMenu* CreateHeaderMenu(int column, QWidget* parent = nullptr);
    // Runs a command of the default menus.
    void RunCommand(int command, int groupId, int column);

signals:
    // The user changed a row's check box (click, Space, menu command).
    void rowCheckChanged(int row, bool checked);
    void rowClicked(int row, int column);
    void rowDoubleClicked(int row, int column);
    void groupTaskClicked(int id);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    class RowItem;
    class GroupItem;
    friend class RowItem;
    friend class GroupItem;

    GroupItem* Group(int id) const;
    RowItem* Row(int row) const;
    // Puts a row item into the tree where its number and group say.
    void Place(RowItem* item);
    void Detach(QTreeWidgetItem* item);
    // Takes every item out of the tree and puts them back (groups in order,
    // then rows); selection, focus and group states survive.
    void Rebuild();
    void ShowGroup(GroupItem* group);
    // The same for many groups at once, each step for all of them in turn:
    // the tree lays out all its lines again between two kinds of change.
    void ShowGroups(const QList<GroupItem*>& groups);
    void ApplyCheckStyle(RowItem* item);
    void SetCheckedQuietly(RowItem* item, bool checked);
    void UpdateGroupToolTip(GroupItem* group);
    bool RowLess(const RowItem* a, const RowItem* b) const;
    // The height a row asks for; 0 without rows.
    int RowHeightHint() const;

    QList<RowItem*> m_rows;     // row order
    QList<GroupItem*> m_groups; // position order
    unsigned m_style = 0;
    bool m_groupView = false;
    int m_sortColumn = -1;
    bool m_sortAscending = true;
    bool m_headerSorting = true;
    int m_sortingBy = 0;           // the sort under way
    bool m_sortingAscending = true;
    int m_quiet = 0; // > 0 while the widget itself changes check boxes
};
