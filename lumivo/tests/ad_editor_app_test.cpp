// SPDX-License-Identifier: GPL-2.0-or-later
// The whole program driven by keyboard alone: a new one-row project, an Ad
// typed in the Ad editor, saved, and the file read back.
#include "gui_test_util.h"

#include "core/item_text.h"
#include "ui/ad_editor_dlg.h"
#include "ui/editor/char_editor.h"

#include <QApplication>
#include <QDir>
#include <QTest>

TEST_F(AppTest, AnAdTypedByKeyboardIsSavedInTheProject)
{
    options.contentLoader = nullptr; // the program's own libraries
    options.showWindow = true;
    ASSERT_TRUE(Start());
    CMainFrame* frame = App().MainFrame();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    auto press = [](QKeyCombination key) {
        QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
        ASSERT_NE(to, nullptr);
        QTest::keyClick(to, key.key(), key.keyboardModifiers());
    };

    // Ctrl+N: the new-project dialog's answers are a one-row board named "Open".
    NewProjectResult board;
    board.folder = Path(QString());
    board.name = QStringLiteral("Open");
    board.moduleRows = 1;
    board.moduleColumns = 6;
    board.language = 'E';
    board.contentRows = 1;
    board.contentColumns = 6;
    newProject = board;
    press(Qt::CTRL | Qt::Key_N);
    ASSERT_EQ(App().Document()->ModuleRows(), 1u);
    ASSERT_NE(App().Document()->Core().ContentResource(), 0);

    // Insert: the Ad editor, typing straight into its character editor.
    press(QKeyCombination(Qt::Key_Insert));
    ASSERT_TRUE(QTest::qWaitFor([] { return qobject_cast<CAdEditorDlg*>(QApplication::activeModalWidget()); }));
    auto* editor = qobject_cast<CAdEditorDlg*>(QApplication::activeModalWidget());
    ASSERT_TRUE(QTest::qWaitFor([editor] { return editor->isActiveWindow(); }));
    ASSERT_TRUE(qobject_cast<CCharEditor*>(QApplication::focusWidget()));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("OPEN 24H"));
    press(Qt::ALT | Qt::Key_A);
    ASSERT_TRUE(QTest::qWaitFor([editor] { return editor->Layout().Count() == 1; }));
    if (const QByteArray dir = qgetenv("LUMIVO_SCREENSHOT_DIR"); !dir.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(dir));
        editor->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/ad-editor-keyboard.png"));
    }
    press(Qt::CTRL | Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([] { return !QApplication::activeModalWidget(); }));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    ASSERT_EQ(App().Document()->Core().ItemCount(), 1u);

    // Ctrl+S writes the project where the new-project dialog put it. The
    // window takes the keys again (a desktop without a window manager does
    // not give it back by itself).
    if (!QTest::qWaitFor([frame] { return frame->isActiveWindow(); }, 500))
        frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    press(Qt::CTRL | Qt::Key_S);
    const QString file = Path(QStringLiteral("Open.qvndoc"));
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_FALSE(App().Document()->IsModified());

    lumivo::CProjectCore saved([](int) { return std::optional<std::vector<uint8_t>>(); });
    const lumivo::Result r = saved.LoadFile(file.toStdString());
    ASSERT_TRUE(r.ok()) << r.FirstError();
    ASSERT_EQ(saved.PageCount(), 1u);
    ASSERT_EQ(saved.ItemCount(), 1u);
    const CLumivo& item = saved.Entries()[0].item;
    EXPECT_EQ(item.type, LUMIVO_TEXT);
    EXPECT_EQ(lumivo::ItemTitle(item, false), u"OPEN 24H");
    EXPECT_EQ(lumivo::ItemLines(item), 1u);
    EXPECT_EQ(item.chars[0].attr.GetWord(), QVXF().GetWord());
    EXPECT_EQ(item.effectS, CEFF(0));
}
