// SPDX-License-Identifier: BSD-2-Clause
// The grouped list: grouping by a column, checking and deleting whole
// groups, sorting within groups, the default menus, and changes to single
// rows and groups that keep what the user sees (selection, folding).
#include "common/widgets/group_list_view.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

namespace {

class GroupList : public ::testing::Test {
protected:
    GroupList()
    {
        view.SetColumns({"Use", "Name", "Size"});
        view.resize(400, 300);
        view.show();
    }
    void AddRows(std::initializer_list<std::pair<const char*, const char*>> rows)
    {
        for (const auto& [name, size] : rows)
            view.InsertRow(view.RowCount(), {QString(), name, size});
    }
    QStringList Column(int column) const
    {
        QStringList out;
        for (int r = 0; r < view.RowCount(); ++r)
            out.append(view.RowText(r, column));
        return out;
    }
    // What the tree shows from the top: "[header]" lines and row names.
    QStringList Shown() const
    {
        QStringList out;
        for (int i = 0; i < view.topLevelItemCount(); ++i) {
            const QTreeWidgetItem* top = view.topLevelItem(i);
            out.append(view.GroupOfItem(top) >= 0 ? "[" + top->text(0) + "]" : top->text(1));
            for (int c = 0; c < top->childCount(); ++c)
                out.append(top->child(c)->text(1));
        }
        return out;
    }
    QPoint RowPoint(int row) const
    {
        for (QTreeWidgetItem* item : view.findItems(view.RowText(row, 1), Qt::MatchExactly | Qt::MatchRecursive, 1))
            if (view.RowOfItem(item) == row)
                return view.visualItemRect(item).center();
        return {};
    }

    CGroupListView view;
};

TEST_F(GroupList, GroupsByFirstAppearanceAndAnEmptyListTurnsGroupingOff)
{
    EXPECT_EQ(view.GroupByColumn(1), 1);
    EXPECT_FALSE(view.IsGroupViewEnabled());
    EXPECT_EQ(view.GroupCount(), 0);

    AddRows({{"B", "1"}, {"A", "2"}, {"B", "3"}});
    EXPECT_EQ(view.GetRowGroupId(0), -1);
    EXPECT_EQ(view.GroupByColumn(1), 1);
    EXPECT_TRUE(view.IsGroupViewEnabled());
    ASSERT_EQ(view.GroupCount(), 2);
    EXPECT_EQ(view.GetGroupHeader(0), "B");
    EXPECT_EQ(view.GetGroupHeader(1), "A");
    EXPECT_EQ(view.GetRowGroupId(0), 0);
    EXPECT_EQ(view.GetRowGroupId(1), 1);
    EXPECT_EQ(view.GetRowGroupId(2), 0);
    EXPECT_EQ(Shown(), QStringList({"[B]", "B", "B", "[A]", "A"}));
    EXPECT_TRUE(view.HasGroupState(0, CGroupListView::kCollapsible));
    EXPECT_EQ(view.GroupHitTest(view.visualItemRect(view.topLevelItem(1)).center()), 1);
    EXPECT_EQ(view.GroupHitTest(RowPoint(0)), -1);

    // Rows and groups at once, as a refill does: grouping anew shows the new
    // rows under expanded headers that span the columns.
    view.DeleteAllRowsAndGroups();
    EXPECT_EQ(view.topLevelItemCount(), 0);
    EXPECT_EQ(view.GroupCount(), 0);
    AddRows({{"C", "4"}, {"D", "5"}, {"C", "6"}});
    view.GroupByColumn(1);
    EXPECT_EQ(Shown(), QStringList({"[C]", "C", "C", "[D]", "D"}));
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(view.topLevelItem(i)->isExpanded()) << i;
        EXPECT_TRUE(view.topLevelItem(i)->isFirstColumnSpanned()) << i;
    }

    view.DeleteAllRows();
    EXPECT_EQ(view.GroupByColumn(1), 1);
    EXPECT_FALSE(view.IsGroupViewEnabled());
    EXPECT_EQ(view.topLevelItemCount(), 0);
}

TEST_F(GroupList, CheckAndDeleteWholeGroups)
{
    AddRows({{"X", "1"}, {"Y", "2"}, {"Y", "3"}, {"Y", "4"}, {"Z", "5"}});
    view.GroupByColumn(1);
    QSignalSpy toggled(&view, &CGroupListView::rowCheckChanged);

    // Without check boxes checking a group changes nothing: once the boxes
    // appear, every row is still unchecked.
    view.CheckEntireGroup(1, true);
    view.RunCommand(CGroupListView::kCheckGroup, 1, 0);
    view.SetExtentedStyle(CGroupListView::kCheckBoxes);
    for (int r = 0; r < view.RowCount(); ++r)
        EXPECT_FALSE(view.IsRowChecked(r)) << r;
    EXPECT_TRUE(toggled.isEmpty());

    view.CheckEntireGroup(1, true);
    EXPECT_EQ(QList<bool>({view.IsRowChecked(0), view.IsRowChecked(1), view.IsRowChecked(2), view.IsRowChecked(3)}),
              QList<bool>({false, true, true, true}));
    EXPECT_TRUE(toggled.isEmpty()); // code, not the user

    // Space on the focused row is the user's toggle.
    view.setFocus();
    view.SetCurrentRow(0);
    QTest::keyClick(&view, Qt::Key_Space);
    ASSERT_EQ(toggled.size(), 1);
    EXPECT_EQ(toggled[0], QVariantList({0, true}));

    // The three adjacent rows of group Y go; the others keep order and group.
    view.DeleteEntireGroup(1);
    EXPECT_EQ(Column(1), QStringList({"X", "Z"}));
    EXPECT_EQ(view.GroupCount(), 2);
    EXPECT_EQ(view.GetRowGroupId(1), 2);
    EXPECT_EQ(Shown(), QStringList({"[X]", "X", "[Z]", "Z"}));
}

TEST_F(GroupList, HeaderClicksSortWithinGroupsAndShowTheArrow)
{
    AddRows({{"A", "10"}, {"B", "2"}, {"A", "9"}, {"B", "x"}, {"A", "9"}});
    view.SetRowText(4, 0, "second nine");
    view.GroupByColumn(1);
    view.OnHeaderClick(2);
    EXPECT_EQ(view.SortArrowColumn(), 2);
    EXPECT_TRUE(view.SortArrowAscending());
    EXPECT_TRUE(view.header()->isSortIndicatorShown());
    // Numbers by value, texts after them, equal ones in their old order;
    // the groups stay where they were.
    EXPECT_EQ(Column(2), QStringList({"2", "9", "9", "10", "x"}));
    EXPECT_EQ(view.RowText(2, 0), "second nine");
    EXPECT_EQ(Shown(), QStringList({"[A]", "A", "A", "A", "[B]", "B", "B"}));
    EXPECT_EQ(view.topLevelItem(0)->child(0)->text(2), "9");

    view.OnHeaderClick(2);
    EXPECT_FALSE(view.SortArrowAscending());
    EXPECT_EQ(Column(2), QStringList({"x", "10", "9", "9", "2"}));
    EXPECT_EQ(view.GetGroupHeader(view.GroupIdAt(0)), "A");
    EXPECT_EQ(view.topLevelItem(0)->child(0)->text(2), "10");

    view.GroupByColumn(1); // regrouping clears the arrow
    EXPECT_EQ(view.SortArrowColumn(), -1);
    EXPECT_FALSE(view.header()->isSortIndicatorShown());
}

TEST_F(GroupList, DefaultMenusOfferTheGroupCommands)
{
    AddRows({{"B", "1"}, {"A", "2"}, {"B", "3"}});
    view.GroupByColumn(1);
    view.SetExtentedStyle(CGroupListView::kCheckBoxes);
    auto entries = [](QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            out.append(a->isSeparator() ? QString("-") : QString("%1 %2").arg(a->data().toInt()).arg(a->text()));
        return out;
    };
    std::unique_ptr<QMenu> onRow(view.CreateListMenu(RowPoint(1)));
    EXPECT_EQ(entries(onRow.get()), QStringList({"3 Check group: A", "4 Uncheck group: A", "5 Delete group: A", "-",
                                                 "9 Disable grouping"}));
    std::unique_ptr<QMenu> below(view.CreateListMenu(QPoint(5, view.viewport()->height() - 3)));
    EXPECT_EQ(entries(below.get()),
              QStringList({"-", "7 Expand all groups", "8 Collapse all groups", "9 Disable grouping"}));
    std::unique_ptr<QMenu> header(view.CreateHeaderMenu(2));
    EXPECT_EQ(entries(header.get()), QStringList({"1 Group by: Size", "2 Disable grouping"}));

    QSignalSpy toggled(&view, &CGroupListView::rowCheckChanged);
    onRow->actions()[0]->trigger();
    EXPECT_TRUE(view.IsRowChecked(1));
    EXPECT_EQ(toggled.size(), 1); // a menu command is the user's
    below->actions()[2]->trigger();
    EXPECT_TRUE(view.HasGroupState(0, CGroupListView::kCollapsed));
    EXPECT_FALSE(view.topLevelItem(0)->isExpanded());
    below->actions()[1]->trigger();
    EXPECT_TRUE(view.topLevelItem(0)->isExpanded());
    header->actions()[0]->trigger();
    EXPECT_EQ(view.GroupCount(), 3);
    EXPECT_EQ(view.GetGroupHeader(2), "3");
    header->actions()[1]->trigger();
    EXPECT_FALSE(view.IsGroupViewEnabled());
    EXPECT_EQ(view.GetRowGroupId(0), -1);
    EXPECT_EQ(Shown(), QStringList({"B", "A", "B"}));
    onRow->actions()[2]->trigger(); // deleting group A now finds no rows of it
    EXPECT_EQ(view.RowCount(), 3);
}

TEST_F(GroupList, SingleChangesKeepSelectionFoldingAndDecorations)
{
    AddRows({{"P1", "a"}, {"P2", "b"}, {"P2", "c"}});
    view.GroupByColumn(1);
    view.SelectRows({1, 2}, 2);
    view.SetGroupState(0, CGroupListView::kCollapsible | CGroupListView::kCollapsed);

    // A new group in front with one row, as a page inserted first.
    EXPECT_EQ(view.InsertGroupHeader(0, 7, "P0"), 0);
    EXPECT_EQ(view.InsertGroupHeader(1, 7, "again"), -1);
    view.InsertRow(0, {QString(), "P0", "z"}, 7);
    EXPECT_EQ(view.GroupIdAt(0), 7);
    EXPECT_EQ(view.GroupIndexOf(1), 2);
    EXPECT_EQ(view.SelectedRows(), QList<int>({2, 3}));
    EXPECT_EQ(view.CurrentRow(), 3);
    EXPECT_TRUE(view.HasGroupState(0, CGroupListView::kCollapsed));
    EXPECT_FALSE(view.topLevelItem(1)->isExpanded());
    EXPECT_TRUE(view.topLevelItem(2)->isExpanded());

    // A row moved to another group keeps its selection.
    view.SetRowGroupId(2, 0);
    EXPECT_EQ(Shown(), QStringList({"[P0]", "P0", "[P1]", "P1", "P2", "[P2]", "P2"}));
    EXPECT_EQ(view.SelectedRows(), QList<int>({2, 3}));

    // A group removed leaves its rows after the groups.
    view.RemoveGroup(1);
    EXPECT_EQ(Shown(), QStringList({"[P0]", "P0", "[P1]", "P1", "P2", "P2"}));
    EXPECT_EQ(view.GetRowGroupId(3), -1);

    view.SetGroupSubtitle(0, "sub");
    view.SetGroupFooter(0, "foot");
    view.SetGroupTask(0, "task");
    EXPECT_EQ(view.topLevelItem(1)->toolTip(0), "sub\nfoot\ntask");
    QSignalSpy task(&view, &CGroupListView::groupTaskClicked);
    view.setFocus();
    const QPoint header = view.visualItemRect(view.topLevelItem(1)).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, header);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, header);
    ASSERT_EQ(task.size(), 1);
    EXPECT_EQ(task[0][0].toInt(), 0);
}

} // namespace
