// SPDX-License-Identifier: GPL-2.0-or-later
// On a real X display (its CTest entry starts Xvfb): the Schedule view by
// keys alone. An entry typed in its dialog is one undo step, is saved in
// the project's companion file, comes back on open and fills the week
// grid; "Show the board at" plays the scheduled Ads in the preview.
#include "xvfb_app_test.h"

#include "core/companion.h"
#include "ui/lumivo_view.h"
#include "ui/lumivo_viewer.h"
#include "ui/schedule_dock.h"
#include "ui/schedule_entry_dlg.h"
#include "ui/schedule_week_grid.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QUndoStack>

#include <nlohmann/json.hpp>

namespace {

class ScheduleXvfb : public XvfbAppTest {
protected:
    // Over the whole field, as a user selects it and types a new moment.
    static void TypeShowAt(const QString& text)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        Type(text);
    }
    CScheduleEntryDlg* WaitForDialog()
    {
        if (!QTest::qWaitFor([] { return qobject_cast<CScheduleEntryDlg*>(QApplication::activeModalWidget()); }))
            return nullptr;
        auto* dlg = qobject_cast<CScheduleEntryDlg*>(QApplication::activeModalWidget());
        return QTest::qWaitFor([dlg] { return dlg->isActiveWindow(); }) ? dlg : nullptr;
    }
    void BackToWindow()
    {
        ASSERT_TRUE(QTest::qWaitFor([] { return !QApplication::activeModalWidget(); }));
        if (!QTest::qWaitFor([this] { return frame->isActiveWindow(); }, 500))
            frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    }
    // The items the preview's player holds, as the board would play them.
    std::vector<std::vector<uint8_t>> Played() const
    {
        const lumivo::CPlayer& player = frame->Preview()->Viewer()->Player();
        std::vector<std::vector<uint8_t>> out;
        for (size_t i = 0; i < player.EntryCount(); ++i)
            out.push_back(Bytes(player.Entry(i).item));
        return out;
    }
    std::vector<std::vector<uint8_t>> PageBytes(std::initializer_list<unsigned> pages) const
    {
        std::vector<std::vector<uint8_t>> out;
        for (unsigned p : pages)
            for (const CLumivo& item : App().Document()->Core().PageItems(p))
                out.push_back(Bytes(item));
        return out;
    }
    static std::vector<uint8_t> Bytes(CLumivo item)
    {
        item.skip = 0;
        std::vector<uint8_t> b(qvr::kItemBytes);
        qvr::StoreItem(item, b.data());
        return b;
    }

    CMainFrame* frame = nullptr;
};

TEST_F(ScheduleXvfb, AnEntryTypedByKeyboardIsUndoneSavedReopenedAndPlayed)
{
    const QString project = Path("shop.qvndoc");
    ASSERT_TRUE(QFile::copy(QString::fromLocal8Bit(qgetenv("LUMIVO_SOURCE_DIR")) + "/examples/welcome.qvndoc", project));
    QFile::setPermissions(project, QFile::ReadOwner | QFile::WriteOwner);
    options.contentLoader = nullptr;
    ASSERT_TRUE(frame = StartActiveWindow());
    CLumivoDoc* doc = App().Document();
    openPath = project;
    Key(Qt::CTRL | Qt::Key_O);
    ASSERT_GE(doc->Core().PageCount(), 3u);
    CScheduleDock* dock = frame->ScheduleDock();
    ASSERT_NE(dock, nullptr);
    EXPECT_TRUE(dock->isHidden());

    // F9 shows the view with its list focused; Insert there opens the dialog.
    Key(QKeyCombination(Qt::Key_F9));
    ASSERT_TRUE(QTest::qWaitFor([dock] { return dock->isVisible(); }));
    ASSERT_EQ(QApplication::focusWidget(), dock->EntryList());
    Key(QKeyCombination(Qt::Key_Insert));
    CScheduleEntryDlg* dlg = WaitForDialog();
    ASSERT_NE(dlg, nullptr);
    // Escape leaves everything as it was.
    Key(QKeyCombination(Qt::Key_Escape));
    BackToWindow();
    EXPECT_TRUE(doc->Core().GetSchedule().empty());
    EXPECT_EQ(doc->UndoStack()->count(), 0);

    // Ctrl+Shift+A from anywhere; the fields by their mnemonics.
    Key(Qt::CTRL | Qt::SHIFT | Qt::Key_A);
    ASSERT_NE(dlg = WaitForDialog(), nullptr);
    Key(Qt::ALT | Qt::Key_N);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    Type(QStringLiteral("Breakfast"));
    Key(Qt::ALT | Qt::Key_D);
    // The list starts on Ad 01, checked as the Ad in view: Ad 03 instead.
    Key(QKeyCombination(Qt::Key_Space));
    Key(QKeyCombination(Qt::Key_Down));
    Key(QKeyCombination(Qt::Key_Down));
    Key(QKeyCombination(Qt::Key_Space));
    Key(Qt::ALT | Qt::Key_S);
    Type(QStringLiteral("0600"));
    Key(Qt::ALT | Qt::Key_E);
    Type(QStringLiteral("1100"));
    // An end equal to the start is refused in the dialog, which stays open.
    // (Into the field afresh, so that its hours are selected.)
    Key(Qt::ALT | Qt::Key_N);
    Key(Qt::ALT | Qt::Key_E);
    Type(QStringLiteral("0600"));
    Key(QKeyCombination(Qt::Key_Return));
    EXPECT_FALSE(dlg->Problem().isEmpty()) << dlg->findChild<QTimeEdit*>("EntryStart")->time().toString().toStdString() << " " << dlg->findChild<QTimeEdit*>("EntryEnd")->time().toString().toStdString();
    ASSERT_EQ(QApplication::activeModalWidget(), dlg);
    Key(Qt::ALT | Qt::Key_N);
    Key(Qt::ALT | Qt::Key_E);
    Type(QStringLiteral("1100"));
    Key(QKeyCombination(Qt::Key_Return));
    BackToWindow();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    ASSERT_EQ(doc->Core().GetSchedule().entries.size(), 1u);
    const lumivo::ScheduleEntry typed = doc->Core().GetSchedule().entries[0];
    EXPECT_EQ(typed.name, "Breakfast");
    EXPECT_EQ(typed.pages, std::vector<unsigned>{2});
    EXPECT_EQ(typed.start, 6 * 60);
    EXPECT_EQ(typed.end, 11 * 60);
    EXPECT_EQ(typed.days, lumivo::kWeekdays);
    EXPECT_TRUE(frame->isWindowModified());
    // The Ad list says when Ad 03 shows.
    for (size_t r = 0; r < doc->Core().Entries().size(); ++r) {
        if (doc->Core().Entries()[r].page == 2) {
            EXPECT_TRUE(frame->View()->RowText(int(r), CLumivoView::kColShown).startsWith(QString::fromUtf8("Mon–Fri 06:00–11:00")))
                << frame->View()->RowText(int(r), CLumivoView::kColShown).toStdString();
        }
    }

    // Ctrl+Z takes the entry back, the project is as opened; Ctrl+Y again.
    Key(Qt::CTRL | Qt::Key_Z);
    EXPECT_TRUE(doc->Core().GetSchedule().empty());
    EXPECT_EQ(dock->EntryList()->topLevelItemCount(), 0);
    EXPECT_FALSE(frame->isWindowModified());
    Key(Qt::CTRL | Qt::Key_Y);
    ASSERT_EQ(doc->Core().GetSchedule().entries.size(), 1u);

    // Saved: the companion beside the project holds the entry.
    Key(Qt::CTRL | Qt::Key_S);
    EXPECT_FALSE(doc->IsModified());
    QFile companion(Path("shop.lumivo.json"));
    ASSERT_TRUE(companion.open(QIODevice::ReadOnly));
    const nlohmann::json stored = nlohmann::json::parse(companion.readAll().toStdString());
    EXPECT_EQ(stored["schedule"]["entries"][0]["name"], "Breakfast");
    EXPECT_EQ(stored["schedule"]["entries"][0]["pages"], nlohmann::json::array({3}));

    // Reopened, the week grid shows it: Monday 06:00-11:00, not Saturday.
    Key(Qt::CTRL | Qt::Key_O);
    ASSERT_EQ(doc->Core().GetSchedule().entries.size(), 1u);
    EXPECT_EQ(dock->EntryList()->topLevelItemCount(), 1);

    // Ctrl+Shift+T goes to "Show the board at", where the user types a
    // Monday morning: the preview plays what the board shows then, Ad 03 alone.
    Key(Qt::CTRL | Qt::SHIFT | Qt::Key_T);
    ASSERT_TRUE(dock->ShowsBoardAt());
    EXPECT_EQ(QApplication::focusWidget(), dock->ShowAtField());
    TypeShowAt(QStringLiteral("2026-12-14 07:30"));
    EXPECT_EQ(dock->ShowAtField()->dateTime(), QDateTime(QDate(2026, 12, 14), QTime(7, 30)));
    const CScheduleWeekGrid* week = dock->Week();
    EXPECT_EQ(week->Monday(), (lumivo::Date{2026, 12, 14}));
    EXPECT_EQ(week->SlotAt(0, 6 * 4).shown, std::vector<size_t>{0});
    EXPECT_EQ(week->SlotAt(4, 11 * 4 - 1).shown, std::vector<size_t>{0});
    EXPECT_TRUE(week->SlotAt(4, 11 * 4).shown.empty());
    EXPECT_TRUE(week->SlotAt(5, 7 * 4).shown.empty());
    ASSERT_TRUE(dock->ShownState());
    EXPECT_EQ(dock->ShownState()->pages, std::vector<unsigned>{2});
    EXPECT_TRUE(frame->Preview()->Viewer()->IsPlaying());
    EXPECT_EQ(Played(), PageBytes({2}));
    // Saturday morning nothing is scheduled: the Uses boxes decide.
    TypeShowAt(QStringLiteral("2026-12-19 07:30"));
    EXPECT_EQ(dock->ShowAtField()->dateTime(), QDateTime(QDate(2026, 12, 19), QTime(7, 30)));
    EXPECT_TRUE(dock->ShownState()->isDefault);
    std::vector<std::vector<uint8_t>> defaults;
    for (unsigned p : doc->Core().UsedPages())
        for (auto& b : PageBytes({p}))
            defaults.push_back(b);
    EXPECT_EQ(Played(), defaults);

    // Off again: the Ad list's Ad plays.
    Key(Qt::CTRL | Qt::SHIFT | Qt::Key_T);
    EXPECT_FALSE(dock->ShowsBoardAt());
    ASSERT_TRUE(frame->View()->FocusedPage());
    EXPECT_EQ(Played(), PageBytes({*frame->View()->FocusedPage()}));
}

} // namespace
