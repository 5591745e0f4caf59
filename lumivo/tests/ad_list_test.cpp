// SPDX-License-Identifier: GPL-2.0-or-later
// The Ad list in the real window, driven by its keys: cells in three
// languages, the Uses boxes, copy and paste, the limits and refusals, delete
// and what the preview plays, the editor's entry points, the context menu,
// and the effect dialog with its demonstration.
#include "gui_test_util.h"

#include "app/commands.h"
#include "core/clipboard_items.h"
#include "core/item_text.h"
#include "app/prompts.h"
#include "core/schedule.h"
#include "ui/ad_actions.h"
#include "ui/ad_editor_dlg.h"
#include "ui/effect_dlg.h"
#include "ui/lumivo_view.h"
#include "ui/lumivo_viewer.h"
#include "ui/qt_text.h"

#include <common/globalization.h>

#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QAbstractButton>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

namespace {

using lumivo::Tr;

std::vector<uint8_t> Records(const std::vector<CLumivo>& items) { return lumivo::StoreClipboardItems(items); }

void SetClipboard(const std::vector<uint8_t>& bytes)
{
    auto* mime = new QMimeData;
    mime->setData(lumivo::kItemsMimeType, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    QGuiApplication::clipboard()->setMimeData(mime);
}

CLumivo Picture(LUMIVO_TYPE type, uint16_t index)
{
    CLumivo item;
    item.type = type;
    item.chars[0].code = index;
    return item;
}

class AdListTest : public AppTest {
protected:
    // realEditor: Add Ad and Edit Ad open the program's Ad editor, not a recorder.
    void StartWindow(bool realEditor = false)
    {
        ASSERT_TRUE(frame = StartActiveWindow());
        doc = App().Document();
        // Four lines, so that every page of four one-line items fits.
        const lumivo::BoardValues b = doc->Core().Board();
        doc->SetBoard(4, b.moduleColumn, b.language, b.lumivoRow, b.lumivoColumn);
        view = frame->View();
        view->setFocus();
        if (!realEditor)
            frame->AdActions()->openEditor = [this](std::optional<unsigned> page) { editorCalls.push_back(page); };
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(view, key, modifiers); }
    QStringList Cells(int row) const
    {
        QStringList out;
        for (int c = CLumivoView::kColPage; c <= CLumivoView::kColEffectE; ++c)
            out.append(view->RowText(row, c));
        return out;
    }
    bool Playing() const { return frame->Preview()->Viewer()->IsPlaying(); }
    // A point in a cell of a row, in the list's viewport.
    QPoint Point(int row, int column) const
    {
        for (int i = 0; i < view->topLevelItemCount(); ++i) {
            QTreeWidgetItem* top = view->topLevelItem(i);
            for (int c = 0; c < top->childCount(); ++c)
                if (view->RowOfItem(top->child(c)) == row)
                    return {view->header()->sectionViewportPosition(column) + 4,
                            view->visualItemRect(top->child(c)).center().y()};
        }
        ADD_FAILURE() << "no row " << row;
        return {};
    }
    void Click(int row, int column)
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, Point(row, column));
        QCoreApplication::processEvents();
    }

    CMainFrame* frame = nullptr;
    CLumivoDoc* doc = nullptr;
    CLumivoView* view = nullptr;
    std::vector<std::optional<unsigned>> editorCalls;
};

TEST_F(AdListTest, CellsInEveryLanguage)
{
    StartWindow();
    CLumivo text = TextItem(u"Sale");
    text.effectS.code = CEFF::kAuto | 5;
    text.effectW.code = 60; // the first Wave wait
    ASSERT_TRUE(doc->AppendPage({text, Picture(LUMIVO_IMAGE, 3)}));
    ASSERT_TRUE(doc->AppendPage({TextItem(u"Two")}));

    struct Case {
        const char16_t* language;
        QString page, autoName, uses;
    };
    for (const Case& c : {Case{u"English", "Ad", "Auto", "Use"}, Case{u"Korean", "광고", "자동", "사용"},
                          Case{u"Chinese", "节目", "自动", "启用"}}) {
        ASSERT_TRUE(frame->ApplyLanguage(LanguageCommand(c.language)));
        EXPECT_EQ(view->headerItem()->text(CLumivoView::kColUses), c.uses);
        EXPECT_EQ(view->headerItem()->text(CLumivoView::kColEffectE), Tr("AdCell", "AdCellEffectE"));
        EXPECT_EQ(view->GetGroupHeader(view->GroupIdAt(1)), c.page + " 02");
        EXPECT_EQ(Cells(0), QStringList({c.page + " 01", "Sale", c.autoName, Tr("Effect", "Wave") + "  1",
                                         Tr("Effect", "None")}));
        const QString image = lumivo::FromU16(lumivo::FormatText(
            lumivo::LangText("Format", "fmtTxtContent"), {lumivo::LangText("LumivoType", "Image"), 4LL}));
        EXPECT_EQ(Cells(1), QStringList({c.page + " 01", image, "", "", ""}));
        EXPECT_EQ(view->RowText(2, CLumivoView::kColPage), c.page + " 02");
        // Nothing scheduled: a checked Ad shows by default, in the language's word.
        EXPECT_EQ(view->RowText(0, CLumivoView::kColShown),
                  doc->Core().Entries()[0].item.skip == 0 ? Tr("Schedule", "Default") : QString());
    }
}

TEST_F(AdListTest, MessageBoxesSpeakTheInterfaceLanguageAndKeepTheirKeys)
{
    StartWindow();
    ASSERT_TRUE(frame->ApplyLanguage(LanguageCommand(u"Korean")));
    const CPrompts prompts = CPrompts::Interactive([this] { return static_cast<QWidget*>(frame); });
    // Reads the open box's buttons and text, then answers it with a key.
    QStringList seen;
    auto answer = [&seen](Qt::Key key) {
        QTimer::singleShot(0, [&seen, key] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen = {box->text()};
            for (QAbstractButton* b : box->buttons())
                seen << b->text();
            QTest::keyClick(box, key);
        });
    };
    answer(Qt::Key_R);
    EXPECT_TRUE(prompts.askRetry(QStringLiteral("t"), QStringLiteral("x")));
    EXPECT_TRUE(seen.contains(QStringLiteral("다시 시도(&R)"))) << seen.join(u'|').toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("취소")));
    answer(Qt::Key_Escape);
    EXPECT_EQ(prompts.askSaveChanges(QStringLiteral("shop.qvndoc")), CPrompts::SaveAnswer::Cancel);
    EXPECT_EQ(seen.value(0), QStringLiteral("shop.qvndoc의 변경 내용을 저장하시겠습니까?"));
    EXPECT_TRUE(seen.contains(QStringLiteral("저장 안 함(&N)")));
    answer(Qt::Key_N);
    EXPECT_EQ(prompts.askSaveChanges(QStringLiteral("a")), CPrompts::SaveAnswer::Discard);
}

TEST_F(AdListTest, UsesBoxSetsTheWholePageAsOneStep)
{
    StartWindow();
    ASSERT_TRUE(doc->AppendPage({TextItem(u"a"), TextItem(u"b")}));
    ASSERT_TRUE(doc->AppendPage({TextItem(u"c")}));
    const std::vector<uint8_t> before = doc->Core().Serialize();
    const int steps = doc->UndoStack()->count();
    auto skips = [this] {
        std::vector<int> s;
        for (const auto& e : doc->Core().Entries())
            s.push_back(e.item.skip);
        return s;
    };

    view->SetCurrentRow(1);
    Key(Qt::Key_Space);
    EXPECT_EQ(skips(), (std::vector<int>{1, 1, 0}));
    EXPECT_FALSE(view->IsRowChecked(0));
    EXPECT_FALSE(view->IsRowChecked(1));
    EXPECT_TRUE(view->IsRowChecked(2));
    EXPECT_EQ(doc->UndoStack()->count(), steps + 1);
    EXPECT_EQ(doc->UndoStack()->undoText(), "Use");
    EXPECT_EQ(frame->Action(lumivo::cmd::kEditUndo)->text(), "Undo: Use");

    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(doc->Core().Serialize(), before);
    EXPECT_TRUE(view->IsRowChecked(0) && view->IsRowChecked(1));

    view->SetCurrentRow(2);
    Key(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(skips(), (std::vector<int>{0, 0, 1}));
    EXPECT_FALSE(view->IsRowChecked(2));
    Key(Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(skips(), (std::vector<int>{0, 0, 0}));
}

TEST_F(AdListTest, CopyAndPasteByKeyboardKeepTheBytesAndWhatTheUserSees)
{
    StartWindow();
    CLumivo odd = TextItem(u"odd");
    odd.reserved3 = 7;
    odd.number = 3;
    odd.skip = 1;
    const std::vector<CLumivo> three = {TextItem(u"x"), odd, Picture(LUMIVO_MOVIE, 2)};
    ASSERT_TRUE(doc->AppendPage({TextItem(u"first")}));
    ASSERT_TRUE(doc->AppendPage(three));
    ASSERT_TRUE(doc->AppendPage({TextItem(u"last")}));
    view->SetGroupState(view->GroupIdAt(0), CGroupListView::kCollapsible | CGroupListView::kCollapsed);

    view->SetCurrentRow(2); // the middle item of the page of three
    Key(Qt::Key_C, Qt::ControlModifier);
    const QByteArray copied = QGuiApplication::clipboard()->mimeData()->data(lumivo::kItemsMimeType);
    EXPECT_EQ(std::vector<uint8_t>(copied.begin(), copied.end()), Records(three));
    EXPECT_TRUE(frame->Action(lumivo::cmd::kAdvtPaste)->isEnabled());

    view->SetCurrentRow(4);
    const std::vector<uint8_t> before = doc->Core().Serialize();
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(doc->Core().PageCount(), 4u);
    EXPECT_EQ(Records(doc->Core().PageItems(3)), Records(three));
    // The new last page is selected and plays; the folded Ad stays folded.
    EXPECT_EQ(view->SelectedRows(), QList<int>({5, 6, 7}));
    EXPECT_EQ(view->CurrentRow(), 5);
    EXPECT_EQ(view->PreviewedPage(), 3u);
    EXPECT_TRUE(Playing());
    EXPECT_TRUE(view->HasGroupState(view->GroupIdAt(0), CGroupListView::kCollapsed));
    EXPECT_EQ(view->GetGroupHeader(view->GroupIdAt(3)), "Ad 04");
    const std::vector<uint8_t> after = doc->Core().Serialize();

    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(doc->Core().Serialize(), before);
    EXPECT_EQ(view->RowCount(), 5);
    EXPECT_EQ(view->PreviewedPage(), 2u); // the page before the one that went
    Key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(doc->Core().Serialize(), after);
    Key(Qt::Key_Z, Qt::ControlModifier);
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(doc->Core().Serialize(), after);
    EXPECT_TRUE(view->HasGroupState(view->GroupIdAt(0), CGroupListView::kCollapsed));
}

TEST_F(AdListTest, AnEditedAdChangesItsRowsInPlace)
{
    StartWindow();
    ASSERT_TRUE(doc->AppendPage({TextItem(u"a")}));
    ASSERT_TRUE(doc->AppendPage({TextItem(u"b1"), TextItem(u"b2")}));
    ASSERT_TRUE(doc->AppendPage({TextItem(u"c")}));
    view->SetGroupState(view->GroupIdAt(2), CGroupListView::kCollapsible | CGroupListView::kCollapsed);
    view->SetCurrentRow(2);
    QSignalSpy played(view, &CLumivoView::pageSelected);
    auto titles = [this] {
        QStringList t;
        for (int r = 0; r < view->RowCount(); ++r)
            t.append(view->RowText(r, CLumivoView::kColTitle) + "@" + view->RowText(r, CLumivoView::kColPage));
        return t;
    };

    // What the editor's OK does: the page's items replaced, one step.
    ASSERT_TRUE(doc->ReplacePage(1, {TextItem(u"x"), TextItem(u"y"), TextItem(u"z")}));
    EXPECT_EQ(titles(), QStringList({"a@Ad 01", "x@Ad 02", "y@Ad 02", "z@Ad 02", "c@Ad 03"}));
    EXPECT_EQ(view->CurrentRow(), 2);
    EXPECT_EQ(played.size(), 1); // the Ad in view changed: it plays again
    EXPECT_TRUE(view->HasGroupState(view->GroupIdAt(2), CGroupListView::kCollapsed));
    ASSERT_TRUE(doc->ReplacePage(1, {TextItem(u"q")}));
    EXPECT_EQ(titles(), QStringList({"a@Ad 01", "q@Ad 02", "c@Ad 03"}));
    EXPECT_EQ(view->FocusedPage(), 1u);
    Key(Qt::Key_Z, Qt::ControlModifier);
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(titles(), QStringList({"a@Ad 01", "b1@Ad 02", "b2@Ad 02", "c@Ad 03"}));
    EXPECT_TRUE(view->HasGroupState(view->GroupIdAt(2), CGroupListView::kCollapsed));
    EXPECT_EQ(view->GroupCount(), 3);
}

TEST_F(AdListTest, SpaceAndTheEffectKeysActOnTheAdJustEdited)
{
    StartWindow(true);
    const lumivo::BoardValues b = doc->Core().Board();
    doc->SetBoard(2, b.moduleColumn, b.language, b.lumivoRow, b.lumivoColumn);
    ASSERT_TRUE(doc->AppendPage({TextItem(u"a"), TextItem(u"b")}));
    ASSERT_TRUE(doc->AppendPage({TextItem(u"c"), TextItem(u"d")}));
    std::vector<std::pair<size_t, int>> effectCalls;
    frame->AdActions()->runEffectDialog = [&](const CLumivo& item, int phase) -> std::optional<CLumivo> {
        for (size_t i = 0; i < doc->Core().ItemCount(); ++i)
            if (lumivo::ItemTitle(doc->Core().Entries()[i].item, false) == lumivo::ItemTitle(item, false))
                effectCalls.emplace_back(i, phase);
        return std::nullopt;
    };

    // Space in the title column sets the Uses of the whole Ad.
    view->SetCurrentRow(3);
    view->setCurrentItem(view->currentItem(), CLumivoView::kColTitle);
    Key(Qt::Key_Space);
    EXPECT_EQ(doc->Core().Entries()[2].item.skip, 1);
    EXPECT_EQ(doc->Core().Entries()[3].item.skip, 1);
    EXPECT_EQ(doc->Core().Entries()[0].item.skip, 0);
    Key(Qt::Key_Space);
    EXPECT_EQ(doc->Core().Entries()[3].item.skip, 0);

    // Return on the Ad's second row edits it; after OK the keys act on its first row.
    Key(Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([] { return qobject_cast<CAdEditorDlg*>(QApplication::activeModalWidget()); }));
    auto* editor = qobject_cast<CAdEditorDlg*>(QApplication::activeModalWidget());
    ASSERT_TRUE(QTest::qWaitFor([editor] { return editor->isActiveWindow(); }));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("X"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([] { return !QApplication::activeModalWidget(); }));
    EXPECT_EQ(lumivo::ItemTitle(doc->Core().Entries()[2].item, false), u"Xc");
    frame->activateWindow(); // no window manager hands it back here
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    EXPECT_EQ(QApplication::focusWidget(), view);
    EXPECT_EQ(view->CurrentRow(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(effectCalls, (std::vector<std::pair<size_t, int>>{{2, 0}}));
}

TEST_F(AdListTest, PasteWarnsOfWhatThisBoardShowsDifferently)
{
    StartWindow();
    const lumivo::BoardValues b = doc->Core().Board();
    doc->SetBoard(4, b.moduleColumn, 'A', b.lumivoRow, b.lumivoColumn);
    messages.clear(); // the test's stand-in libraries are reported missing
    CLumivo odd = TextItem(u"OK");
    odd.chars[2] = odd.chars[1];
    odd.chars[2].code = 0xBDC1; // outside the Korean library's syllables
    SetClipboard(Records({odd, TextItem(u"Open")}));
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(doc->Core().PageCount(), 1u); // pasted all the same
    EXPECT_EQ(messages, QStringList({QStringLiteral("The board cannot show these characters exactly: 뷁. It shows nothing or \"?\" "
                                                    "in their place, or a similar Hangul syllable. Choose other "
                                                    "characters, or change the content language in Board Properties."),
                                     QStringLiteral("The pasted Ad is 2 lines high and this board 4: the lines below "
                                                    "it stay dark. Edit the Ad (Return) to fill them.")}));
    // A page as high as the board, of characters it draws: no word.
    messages.clear();
    SetClipboard(Records(std::vector<CLumivo>(4, TextItem(u"fine"))));
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(doc->Core().PageCount(), 2u);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(AdListTest, PasteRefusesAFullProjectAndDamagedData)
{
    StartWindow();
    for (int p = 0; p < 12; ++p)
        ASSERT_TRUE(doc->AppendPage(std::vector<CLumivo>(4, TextItem(u"four"))));
    ASSERT_TRUE(doc->AppendPage({TextItem(u"one")}));
    ASSERT_EQ(doc->Core().ItemCount(), 49u);
    auto unchanged = [this](const std::vector<uint8_t>& before, int steps) {
        return doc->Core().Serialize() == before && doc->UndoStack()->count() == steps;
    };
    std::vector<uint8_t> before = doc->Core().Serialize();
    int steps = doc->UndoStack()->count();

    SetClipboard(Records({TextItem(u"a"), TextItem(u"b")}));
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(unchanged(before, steps));
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.last().contains(Tr("Error", "ErrMaxAdvt")));

    SetClipboard(Records({TextItem(u"a")}));
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(doc->Core().ItemCount(), 50u);
    before = doc->Core().Serialize();
    steps = doc->UndoStack()->count();
    messages.clear();
    Key(Qt::Key_V, Qt::ControlModifier);
    Key(Qt::Key_Insert); // the editor does not open on a full project
    EXPECT_TRUE(unchanged(before, steps));
    EXPECT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages.last().contains(Tr("Error", "ErrMaxAdvt")));
    EXPECT_TRUE(editorCalls.empty());

    ASSERT_TRUE(doc->DeletePage(0));
    before = doc->Core().Serialize();
    steps = doc->UndoStack()->count();
    std::vector<uint8_t> unknownKind = Records({TextItem(u"k")});
    unknownKind[1] = 200;
    for (const std::vector<uint8_t>& bad : {std::vector<uint8_t>(qvr::kItemBytes - 1, 0), Records(std::vector<CLumivo>(5, TextItem(u"x"))), unknownKind}) {
        messages.clear();
        SetClipboard(bad);
        Key(Qt::Key_V, Qt::ControlModifier);
        EXPECT_TRUE(unchanged(before, steps));
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(Tr("Error", "ErrClipboard")));
    }

    // A full page of four is no damage: it comes in as one new Ad, one step,
    // filling the project to 50 items.
    const unsigned pages = doc->Core().PageCount();
    steps = doc->UndoStack()->count();
    const std::vector<CLumivo> four(4, TextItem(u"4"));
    messages.clear();
    SetClipboard(Records(four));
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    ASSERT_EQ(doc->Core().PageCount(), pages + 1);
    EXPECT_EQ(doc->Core().ItemCount(), 50u);
    int found = 0;
    for (unsigned p = 0; p < doc->Core().PageCount(); ++p)
        found += Records(doc->Core().PageItems(p)) == Records(four);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(doc->UndoStack()->count(), steps + 1);
}

TEST_F(AdListTest, DeleteAsksByNameAndThePreviewMovesOn)
{
    StartWindow();
    ASSERT_TRUE(doc->AppendPage({TextItem(u"zero")}));
    ASSERT_TRUE(doc->AppendPage({TextItem(u"one"), TextItem(u"one more")}));
    ASSERT_TRUE(doc->AppendPage({TextItem(u"two")}));
    savePath = Path("three.qvndoc");
    ASSERT_TRUE(App().OnFileSaveAs());
    QSignalSpy played(view, &CLumivoView::pageSelected);

    // A click on another Ad plays it; a click on another row of it does not
    // start it again.
    Click(1, CLumivoView::kColTitle);
    EXPECT_EQ(view->PreviewedPage(), 1u);
    ASSERT_EQ(played.size(), 1);
    Click(2, CLumivoView::kColTitle);
    EXPECT_EQ(played.size(), 1);
    EXPECT_EQ(view->CurrentRow(), 2);

    answerYes = false;
    Key(Qt::Key_Delete);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0], "Delete Ad 02 and its 2 item(s)?");
    EXPECT_EQ(doc->Core().PageCount(), 3u);

    answerYes = true;
    Key(Qt::Key_Delete);
    ASSERT_EQ(doc->Core().PageCount(), 2u);
    EXPECT_EQ(doc->UndoStack()->undoText(), "Delete Ad 02");
    EXPECT_EQ(view->PreviewedPage(), 1u); // "two", now the second Ad
    EXPECT_EQ(played.last()[0].toUInt(), 1u);
    EXPECT_EQ(view->RowText(view->CurrentRow(), CLumivoView::kColTitle), "two");
    EXPECT_TRUE(Playing());
    Key(Qt::Key_Delete); // the last Ad: the one before it plays
    EXPECT_EQ(view->PreviewedPage(), 0u);
    EXPECT_TRUE(Playing());
    Key(Qt::Key_Delete);
    EXPECT_EQ(view->RowCount(), 0);
    EXPECT_FALSE(view->PreviewedPage().has_value());
    EXPECT_FALSE(Playing());
    EXPECT_FALSE(frame->Action(lumivo::cmd::kAdvtDelete)->isEnabled());
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view->PreviewedPage(), 0u);
    EXPECT_TRUE(Playing());

    // A new project stops the old one's Ad at once; an opened one plays its first.
    NewProjectResult fresh;
    fresh.folder = Path(QString());
    fresh.name = QStringLiteral("fresh");
    fresh.moduleRows = uint8_t(App().Document()->ModuleRows());
    fresh.moduleColumns = uint8_t(App().Document()->ModuleColumns());
    fresh.language = App().Document()->Core().Board().language;
    fresh.contentRows = App().Document()->Core().Board().lumivoRow;
    fresh.contentColumns = App().Document()->Core().Board().lumivoColumn;
    newProject = fresh;
    App().OnFileNew();
    EXPECT_FALSE(Playing());
    EXPECT_EQ(view->RowCount(), 0);
    ASSERT_TRUE(App().OpenDocumentFile(Path("three.qvndoc")));
    EXPECT_EQ(view->PreviewedPage(), 0u);
    EXPECT_EQ(view->RowCount(), 4);
    EXPECT_TRUE(Playing());
}

// Moving an Ad by its keys: one step each, the selection goes with it, and
// the schedule keeps naming the same Ads.
TEST_F(AdListTest, MoveAdUpAndDownByKeysKeepsTheScheduleOnItsAds)
{
    StartWindow();
    for (const char16_t* text : {u"zero", u"one", u"two"})
        ASSERT_TRUE(doc->AppendPage({TextItem(text)}));
    lumivo::Schedule schedule;
    auto entry = [](const char* name, std::vector<unsigned> pages, int start, int end) {
        lumivo::ScheduleEntry e;
        e.name = name;
        e.pages = std::move(pages);
        e.start = start;
        e.end = end;
        return e;
    };
    schedule.entries.push_back(entry("Lunch", {2}, 660, 840));
    schedule.entries.push_back(entry("Morning", {0, 1}, 360, 660));
    ASSERT_TRUE(doc->SetSchedule(schedule));
    const int steps = doc->UndoStack()->count();
    auto titles = [this] {
        QStringList out;
        for (unsigned page = 0; page < doc->Core().PageCount(); ++page)
            out.append(QString::fromStdU16String(doc->Core().Entries()[page].title));
        return out;
    };
    auto pagesOf = [this](size_t entry) { return doc->Core().GetSchedule().entries.at(entry).pages; };
    auto selected = [this] { return view->RowText(view->CurrentRow(), CLumivoView::kColTitle); };
    const QStringList before = titles();

    view->SetCurrentRow(2);
    Key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(selected(), "two");
    EXPECT_EQ(view->FocusedPage(), 1u);
    EXPECT_EQ(pagesOf(0), std::vector<unsigned>{1});
    EXPECT_EQ(pagesOf(1), (std::vector<unsigned>{0, 2}));
    EXPECT_EQ(doc->UndoStack()->undoText(), "Move Ad up");
    Key(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view->FocusedPage(), 0u);
    EXPECT_FALSE(frame->Action(lumivo::cmd::kAdvtMoveUp)->isEnabled());
    Key(Qt::Key_Up, Qt::AltModifier); // already first: nothing happens
    EXPECT_EQ(doc->UndoStack()->count(), steps + 2);
    EXPECT_EQ(pagesOf(0), std::vector<unsigned>{0});
    EXPECT_EQ(pagesOf(1), (std::vector<unsigned>{1, 2}));

    // Down to the end, where Move Ad down stops.
    Key(Qt::Key_Down, Qt::AltModifier);
    Key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(selected(), "two");
    EXPECT_EQ(view->FocusedPage(), 2u);
    EXPECT_FALSE(frame->Action(lumivo::cmd::kAdvtMoveDown)->isEnabled());
    EXPECT_EQ(pagesOf(0), std::vector<unsigned>{2});

    // Each step undoes alone, back to the start.
    for (int i = 0; i < 4; ++i)
        Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(titles(), before);
    EXPECT_EQ(doc->Core().GetSchedule(), schedule);
}

TEST_F(AdListTest, EditorKeysAndTheContextMenu)
{
    StartWindow();
    EXPECT_FALSE(frame->Action(lumivo::cmd::kAdvtEdit)->isEnabled());
    EXPECT_TRUE(frame->Action(lumivo::cmd::kAdvtAdd)->isEnabled());
    ASSERT_TRUE(doc->AppendPage({TextItem(u"zero")}));
    ASSERT_TRUE(doc->AppendPage({TextItem(u"one"), Picture(LUMIVO_IMAGE, 1)}));

    Key(Qt::Key_Insert);
    view->SetCurrentRow(2);
    Key(Qt::Key_Return);
    Key(Qt::Key_F2);
    Click(0, CLumivoView::kColTitle);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, Point(0, CLumivoView::kColTitle));
    EXPECT_EQ(editorCalls, (std::vector<std::optional<unsigned>>{std::nullopt, 1u, 1u, 0u}));

    // Shift+F10 opens the context menu; its keys choose "Delete Ad 02".
    view->SetCurrentRow(1);
    QStringList entries;
    answerYes = true;
    QTimer::singleShot(0, view, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                entries.append(a->text() + (a->shortcut().isEmpty() ? QString() : " | " + a->shortcut().toString()));
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    Key(Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(entries, QStringList({"Edit Ad. | Return", "Add Ad. | Ins", "Delete Ad 02 | Del", "Copy | Ctrl+C",
                                    "Paste | Ctrl+V", "Start effect... | Ctrl+1", "Wait effect... | Ctrl+2",
                                    "End effect... | Ctrl+3", "Use this Ad | Ctrl+K",
                                    "Do not use this Ad | Ctrl+Shift+K", "Move Ad up | Alt+Up",
                                    "Move Ad down | Alt+Down", "Expand all Ads | Ctrl++",
                                    "Collapse all Ads | Ctrl+-"}));
    EXPECT_EQ(questions.value(0), "Delete Ad 02 and its 2 item(s)?");
    EXPECT_EQ(doc->Core().PageCount(), 1u);

    frame->activateWindow(); // no window manager hands it back here
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    view->SetCurrentRow(0);
    Key(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_TRUE(view->HasGroupState(view->GroupIdAt(0), CGroupListView::kCollapsed));
    Key(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_FALSE(view->HasGroupState(view->GroupIdAt(0), CGroupListView::kCollapsed));
}

TEST_F(AdListTest, EffectDialogDemonstratesTheChoiceAndChangesOneItem)
{
    options.contentLoader = nullptr; // the program's containers: a real demonstration
    StartWindow();
    CLumivo looping = TextItem(u"Loop");
    looping.effectLoop = 1;
    ASSERT_TRUE(doc->AppendPage({TextItem(u"Effect"), looping}));
    const std::vector<uint8_t> before = doc->Core().Serialize();
    QSignalSpy played(view, &CLumivoView::pageSelected);

    bool seen = false;
    QTimer::singleShot(0, view, [&] {
        auto* dlg = qobject_cast<CEffectDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        seen = true;
        dlg->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dlg));
        CLumivoViewer* demo = dlg->Demo();
        EXPECT_TRUE(demo->IsPlaying());
        EXPECT_EQ(demo->BoardPixelSize(), QSize(96, 16));
        EXPECT_EQ(dlg->DemoItem().effectS.code, 100); // None, as the item starts
        EXPECT_TRUE(WaitFor([demo] { return demo->PaintCount() > 3; }));
        // The family list has the focus: Animation, number 3, delay 2.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        EXPECT_EQ(demo->PaintCount(), 0u); // started over at once
        EXPECT_EQ(dlg->DemoItem().effectS.code, 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "2");
        EXPECT_EQ(dlg->DemoItem().effectS, CEFF(3, 10));
        EXPECT_TRUE(WaitFor([demo] { return demo->PaintCount() > 20; }));
        if (const QByteArray dir = qgetenv("LUMIVO_SCREENSHOT_DIR"); !dir.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(dir));
            dlg->grab().save(QString::fromLocal8Bit(dir) + "/effect-dialog.png");
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    view->SetCurrentRow(0);
    const qsizetype plays = played.size();
    Key(Qt::Key_1, Qt::ControlModifier);
    ASSERT_TRUE(seen);
    EXPECT_EQ(doc->Core().Entries()[0].item.effectS, CEFF(3, 10));
    EXPECT_EQ(view->RowText(0, CLumivoView::kColEffectS), "Animation  3");
    EXPECT_EQ(doc->UndoStack()->undoText(), "Start effect");
    EXPECT_EQ(played.size(), plays + 1); // the changed Ad plays again
    frame->activateWindow(); // no window manager hands it back here
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(doc->Core().Serialize(), before);

    // OK without a change is no undo step and leaves the project unmodified.
    // The dialog runs its own event loop: a timer looks for it there and
    // accepts it, so the test cannot wait on it when it fails to show.
    const int steps = doc->UndoStack()->count(), index = doc->UndoStack()->index();
    const bool modified = doc->IsModified();
    bool accepted = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dlg = qobject_cast<CEffectDlg*>(QApplication::activeModalWidget())) {
            poll.stop();
            accepted = true;
            dlg->accept();
        }
    });
    poll.start();
    Key(Qt::Key_1, Qt::ControlModifier);
    poll.stop();
    ASSERT_TRUE(accepted);
    EXPECT_EQ(doc->UndoStack()->count(), steps);
    EXPECT_EQ(doc->UndoStack()->index(), index);
    EXPECT_EQ(doc->IsModified(), modified);
    EXPECT_EQ(doc->Core().Serialize(), before);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));

    // By mouse: the wait cell of a flowing item opens nothing, its start cell does.
    std::vector<int> asked;
    frame->AdActions()->runEffectDialog = [&](const CLumivo&, int phase) {
        asked.push_back(phase);
        return std::optional<CLumivo>();
    };
    Click(1, CLumivoView::kColEffectW);
    EXPECT_FALSE(frame->Action(lumivo::cmd::kAdvtEffectW)->isEnabled());
    EXPECT_TRUE(frame->Action(lumivo::cmd::kAdvtEffectS)->isEnabled());
    Click(1, CLumivoView::kColEffectS);
    Click(0, CLumivoView::kColEffectE);
    EXPECT_EQ(asked, (std::vector<int>{0, 2}));
    EXPECT_EQ(doc->Core().Serialize(), before);
}

} // namespace
