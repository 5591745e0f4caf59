// SPDX-License-Identifier: GPL-2.0-or-later
// The main window's place on the screen: it fits the available screen on
// the first start (also at 200 % scaling, run on Xvfb by CTest), and comes
// back with its size, position and dock layout on the next.
#include "gui_test_util.h"

#include "app/commands.h"
#include "ui/lumivo_viewer.h"

#include <QAction>

#include <QDockWidget>
#include <QScreen>
#include <QTest>

namespace {

std::string Text(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

} // namespace

TEST_F(AppTest, TheWindowFitsTheScreenAndKeepsItsLayout)
{
    options.showWindow = true;
    ASSERT_TRUE(Start());
    CMainFrame* frame = App().MainFrame();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    const QRect available = frame->screen()->availableGeometry();
    EXPECT_TRUE(available.contains(frame->frameGeometry()))
        << Text(frame->frameGeometry()) << " on " << Text(available);

    // The user's layout: smaller, elsewhere, the preview docked at the right.
    // Room above it for a title bar, as the restore keeps one on the screen.
    const QRect chosen(available.x() + 7, available.y() + 40, available.width() * 3 / 4, available.height() * 3 / 4);
    frame->setGeometry(chosen);
    frame->addDockWidget(Qt::RightDockWidgetArea, frame->Preview());
    // (QTRY_ macros report to QtTest, not here: wait, then check.)
    (void)QTest::qWaitFor([&] { return frame->geometry() == chosen; }, 3000);
    ASSERT_EQ(Text(frame->geometry()), Text(chosen));
    App().ExitInstance();

    ASSERT_TRUE(Start());
    frame = App().MainFrame();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    (void)QTest::qWaitFor([&] { return frame->geometry() == chosen; }, 3000);
    EXPECT_EQ(Text(frame->geometry()), Text(chosen));
    EXPECT_EQ(frame->dockWidgetArea(frame->Preview()), Qt::RightDockWidgetArea);
    EXPECT_TRUE(frame->Preview()->isVisible());
}

TEST_F(AppTest, AHiddenPreviewStaysHiddenAndItsCommandSaysSo)
{
    options.showWindow = true;
    ASSERT_TRUE(Start());
    CMainFrame* frame = App().MainFrame();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    frame->Action(lumivo::cmd::kViewPreview)->trigger();
    EXPECT_TRUE(frame->Preview()->isHidden());
    App().ExitInstance();

    ASSERT_TRUE(Start());
    frame = App().MainFrame();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    EXPECT_TRUE(frame->Preview()->isHidden());
    EXPECT_FALSE(frame->Action(lumivo::cmd::kViewPreview)->isChecked());
}
