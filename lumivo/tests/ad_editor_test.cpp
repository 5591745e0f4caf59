// SPDX-License-Identifier: GPL-2.0-or-later
// The Ad editor driven as a user drives it: keys into the character editor,
// input-method events for Korean, the choice lists, the strip's buttons and
// their keys, OK and Cancel; what it builds is read back from the document.
#include "gui_test_util.h"

#include "core/item_text.h"
#include "ui/ad_editor_dlg.h"
#include "ui/effect_dlg.h"
#include "ui/editor/char_editor.h"
#include "ui/editor/choice_lists.h"
#include "ui/editor/layout_strip.h"
#include "ui/editor/sheet_analog_page.h"
#include "ui/editor/sheet_content_page.h"
#include "ui/editor/sheet_font_page.h"
#include "ui/editor/sheet_format_page.h"
#include "ui/editor/sheet_text_page.h"
#include "ui/lumivo_viewer.h"
#include "ui/qt_text.h"

#include <common/globalization.h>
#include <common/profile.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QInputMethod>
#include <QLineEdit>
#include <QInputMethodEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QUndoStack>

#include <cstring>
#include <memory>

namespace {

std::vector<uint8_t> Bytes(const std::vector<CLumivo>& items)
{
    std::vector<uint8_t> out(items.size() * qvr::kItemBytes);
    for (size_t i = 0; i < items.size(); ++i)
        qvr::StoreItem(items[i], out.data() + i * qvr::kItemBytes);
    return out;
}

// A document on a board of the program's own content library, every
// message recorded with its caption.
class AdEditor : public ::testing::Test {
protected:
    void SetUp() override
    {
        common::SetAppProfile(&profile);
        CGlobalization::SelectLanguage(u"English");
        prompts.titledMessage = [this](CPrompts::Icon, const QString& caption, const QString& text) {
            captions.append(caption);
            messages.append(text);
        };
        prompts.message = [this](CPrompts::Icon, const QString& text) {
            captions.append(QString());
            messages.append(text);
        };
        // Questions are recorded and answered from `answers`, else with the
        // second button (Discard).
        prompts.askChoice = [this](const QString&, const QString& text, const QStringList& buttons) {
            questions.append(text);
            const int a = answers.isEmpty() ? 1 : answers.takeFirst();
            return a < buttons.size() ? a : -1;
        };
    }
    void TearDown() override
    {
        dlg.reset();
        doc.reset();
        common::SetAppProfile(nullptr);
        CGlobalization::SelectLanguage(u"English");
    }

    // language 'E' (the Chinese fonts) or 'A' (the Korean ones).
    void Board(uint8_t rows, uint8_t language = 'E', uint8_t columns = 6)
    {
        profile.WriteProfileInt("Settings", "Module Row", rows);
        profile.WriteProfileInt("Settings", "Module Column", columns);
        profile.WriteProfileInt("Settings", "Language", language);
        profile.WriteProfileInt("Settings", "Lumivo Row", std::min<uint8_t>(rows, 2));
        profile.WriteProfileInt("Settings", "Lumivo Column", 6);
        doc = std::make_unique<CLumivoDoc>(prompts);
        ASSERT_NE(doc->Core().ContentResource(), 0) << "the program's containers are not built";
    }

    CAdEditorDlg& Open(std::optional<unsigned> page = std::nullopt)
    {
        dlg = std::make_unique<CAdEditorDlg>(*doc, page);
        dlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        return *dlg;
    }
    template <class T> T* Page(int index) { return dynamic_cast<T*>(dlg->SheetPage(index)); }
    CQVSheetTextPage* TextPage(int index = 0) { return Page<CQVSheetTextPage>(index); }
    void Show(int index) { dlg->Sheet()->setCurrentIndex(index); }
    static void Type(QWidget* w, const char* text) { QTest::keyClicks(w, QString::fromUtf8(text)); }
    // Alt+key: a button's mnemonic, which clicks after the button's short
    // press animation. Waits for that click (its handlers have run by then),
    // however long a busy machine takes; a key no usable button answers to
    // clicks nothing, so only the events it caused are processed.
    static void Mnemonic(QWidget* w, Qt::Key key)
    {
        QList<QAbstractButton*> answering;
        for (QAbstractButton* b : w->window()->findChildren<QAbstractButton*>())
            if (b->isVisible() && b->isEnabled() && QKeySequence::mnemonic(b->text()) == QKeySequence(Qt::ALT | key))
                answering << b;
        if (answering.size() != 1) {
            QTest::keyClick(w, key, Qt::AltModifier);
            QCoreApplication::processEvents();
            return;
        }
        QSignalSpy clicked(answering[0], &QAbstractButton::clicked);
        QTest::keyClick(w, key, Qt::AltModifier);
        ASSERT_TRUE(!clicked.isEmpty() || clicked.wait(10000)) << answering[0]->text().toStdString();
    }
    // An input method's turn: the composition so far, and what it commits.
    static void Compose(QWidget* w, const QString& preedit, const QString& commit = QString())
    {
        QInputMethodEvent e(preedit, {});
        if (!commit.isEmpty())
            e.setCommitString(commit);
        QApplication::sendEvent(w, &e);
    }

    common::CMemoryProfile profile;
    CPrompts prompts;
    QStringList messages;
    QStringList captions;
    QStringList questions;
    QList<int> answers;
    std::unique_ptr<CLumivoDoc> doc;
    std::unique_ptr<CAdEditorDlg> dlg;
};

TEST_F(AdEditor, EachPageBuildsItsKind)
{
    Board(2);
    CAdEditorDlg& d = Open();
    const int kinds[] = {0, 1, 2, 3, 4, 5, 6, 10, 7};
    for (int i = 0; i < 9; ++i) {
        Show(i);
        EXPECT_EQ(d.SheetPage(i)->GetItemKind(), kinds[i]);
        EXPECT_EQ(d.ActiveItemKind(), kinds[i]);
    }
    EXPECT_NE(d.SheetPage(9), nullptr); // the font page
    EXPECT_EQ(d.SheetPage(10), nullptr);
    EXPECT_EQ(d.SheetPage(-1), nullptr);
    CLumivo item;

    // Text: typed cells up to the line break.
    Show(0);
    CCharEditor* editor = TextPage()->Editor();
    EXPECT_EQ(QApplication::focusWidget(), editor);
    Type(editor, "AB");
    QTest::keyClick(editor, Qt::Key_Return);
    Type(editor, "C");
    TextPage()->FitBox()->setChecked(true);
    // What follows the break is not stored; the page says so as it is typed
    // and again when the item is built.
    const QString leftOut = QStringLiteral("Characters after it that were left out: 1");
    EXPECT_TRUE(TextPage()->Notice()->text().contains(leftOut));
    const lumivo::Result built = TextPage()->Build(item);
    ASSERT_TRUE(built);
    EXPECT_TRUE(built.HasMessage(leftOut.toStdString()));
    EXPECT_EQ(lumivo::ItemTitle(item, false), u"AB");
    EXPECT_EQ(item.fit, 1);
    EXPECT_EQ(item.effectS, CEFF(0));

    // Eng2Line: a full first line keeps the second at cell 50.
    Show(1);
    CCharEditor* two = TextPage(1)->Editor();
    EXPECT_EQ(QApplication::focusWidget(), two);
    Type(two, std::string(50, 'a').c_str());
    QTest::keyClick(two, Qt::Key_Return);
    Type(two, "b");
    EXPECT_FALSE(TextPage(1)->Notice()->isVisible()); // both lines are stored
    ASSERT_TRUE(TextPage(1)->Build(item));
    EXPECT_EQ(item.type, LUMIVO_ENG2LINE);
    EXPECT_EQ(item.chars[49].code, u'a');
    EXPECT_EQ(item.chars[50].code, u'b');
    EXPECT_EQ(item.chars[50].attr.kind, 7u);

    // Pictures: the chosen index, its kind in cell 0, the fixed effects and the delay's speed.
    const struct {
        int page;
        unsigned kind;
        uint16_t s, w, e;
    } pictures[] = {{2, 2, 104, 96, 101}, {3, 4, 102, 94, 99}, {4, 3, 103, 95, 100}};
    for (const auto& p : pictures) {
        auto* page = Page<CQVSheetContentPage>(p.page);
        ASSERT_GT(page->Pictures()->count(), 1) << p.page;
        page->Pictures()->setCurrentRow(1);
        page->DelayList()->setCurrentIndex(2);
        ASSERT_TRUE(page->Build(item));
        EXPECT_EQ(item.chars[0].code, 1);
        EXPECT_EQ(item.chars[0].attr.kind, p.kind);
        EXPECT_EQ(item.effectS, CEFF(p.s, 11));
        EXPECT_EQ(item.effectW, CEFF(p.w, 11));
        EXPECT_EQ(item.effectE, CEFF(p.e, 11));
    }

    // The chosen movie plays in its thumbnail.
    Show(3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Page<CQVSheetContentPage>(3)->ShownFrame() > 0; }, 3000));

    // Date, time, temperature: the chosen format, the text of the moment.
    auto* date = Page<CQVSheetDateTimePage>(5);
    ASSERT_EQ(date->Formats()->count(), 5);
    date->Formats()->setCurrentRow(3);
    ASSERT_TRUE(date->Build(item));
    EXPECT_EQ(item.type, LUMIVO_DATE);
    EXPECT_EQ(item.format, 3);
    EXPECT_NE(item.chars[0].code, 0);
    EXPECT_EQ(Page<CQVSheetDateTimePage>(6)->Formats()->count(), 4);
    auto* temp = Page<CQVSheetTempPage>(7);
    temp->Formats()->setCurrentRow(1);
    ASSERT_TRUE(temp->Build(item));
    EXPECT_EQ(lumivo::ItemSummary(item, false), u"Temperature (73'F)");

    // Analog: the clock's codes, the 1-based style in option, the size in lines.
    Show(8);
    auto* analog = Page<CQVSheetAnalogPage>(8);
    analog->StyleList()->setCurrentIndex(2);
    ASSERT_TRUE(analog->Build(item));
    EXPECT_EQ(item.type, LUMIVO_ANALOG);
    EXPECT_EQ(item.option, 3);
    EXPECT_EQ(item.chars[0].attr.color, 2u);
    EXPECT_EQ(lumivo::ItemLines(item), 2u);
    EXPECT_EQ(item.effectS.code, 101);
    EXPECT_EQ(item.effectW.code, 93);
    EXPECT_EQ(item.effectE.code, 98);
    // The page's own viewer shows the clock on a board as high as its size.
    EXPECT_TRUE(analog->Viewer()->IsPlaying());
    EXPECT_EQ(analog->Viewer()->ModuleRows(), 2u);
}

// The bands as drawn alternate their two colours all the way down a board of
// four lines, not only for the first two.
TEST_F(AdEditor, StripBandsAlternateTheirColoursDownTheBoard)
{
    Board(4);
    CAdEditorDlg& d = Open();
    CCharEditor* editor = TextPage()->Editor();
    Type(editor, "B");
    for (int i = 0; i < 4; ++i)
        Mnemonic(editor, Qt::Key_A);
    ASSERT_EQ(d.Layout().Count(), 4u);
    const QImage drawn = d.Strip()->grab().toImage();
    // A point inside each band, clear of its label and of a selection frame.
    std::vector<QRgb> colours;
    for (size_t band = 0; band < 4; ++band) {
        const QRect r = d.Strip()->BandRect(band);
        ASSERT_FALSE(r.isEmpty()) << band;
        colours.push_back(drawn.pixel(r.right() - 8, r.top() + 4));
    }
    EXPECT_NE(colours[0], colours[1]);
    EXPECT_EQ(colours[2], colours[0]);
    EXPECT_EQ(colours[3], colours[1]);
}

TEST_F(AdEditor, StripRulesAndKeys)
{
    Board(3);
    CAdEditorDlg& d = Open();
    CCharEditor* editor = TextPage()->Editor();
    QComboBox* lines = TextPage()->LinesList();
    EXPECT_EQ(lines->count(), 3);

    Type(editor, "TOP");
    lines->setCurrentIndex(1); // two lines
    Mnemonic(editor, Qt::Key_A);
    ASSERT_EQ(d.Layout().Count(), 1u);
    EXPECT_TRUE(d.Preview()->IsPlaying());
    // Higher than the line left: refused, nothing added.
    Mnemonic(editor, Qt::Key_A);
    EXPECT_EQ(d.Layout().Count(), 1u);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("There is no room for this item")) << messages[0].toStdString();

    // One line left empty: OK keeps the editor open.
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(captions[1], QStringLiteral("Error"));
    EXPECT_TRUE(messages[1].startsWith("The page does not fill the board yet"));

    lines->setCurrentIndex(0);
    QTest::keyClick(editor, Qt::Key_Backspace);
    Type(editor, "M");
    Mnemonic(editor, Qt::Key_A);
    ASSERT_EQ(d.Layout().Count(), 2u);
    EXPECT_EQ(d.Strip()->BandLabel(1),
              QStringLiteral("TOM\nFont 1, Color 1, Effect: ") + lumivo::FromU16(lumivo::EffectCellText(0, 100)));

    // Choose the first band by key, replace it: nothing is chosen after.
    d.Strip()->setFocus();
    QTest::keyClick(d.Strip(), Qt::Key_Down);
    ASSERT_EQ(d.Strip()->Selected(), std::optional<size_t>(0));
    EXPECT_EQ(d.Sheet()->currentIndex(), 0);
    EXPECT_EQ(TextPage()->Editor()->Text().Text(), u"TOP"); // the band's item, loaded
    EXPECT_EQ(lines->currentData().toUInt(), 2u);
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_End); // a band opens with the caret at its start
    Type(editor, "S");
    Mnemonic(editor, Qt::Key_R);
    EXPECT_FALSE(d.Strip()->Selected().has_value());
    EXPECT_EQ(lumivo::ItemTitle(d.Layout().Items()[0], false), u"TOPS");
    EXPECT_FALSE(d.ReplaceButton()->isEnabled());

    // Delete the first band: the other moves up and takes the first colour.
    d.Strip()->SetSelected(0);
    Mnemonic(editor, Qt::Key_D);
    ASSERT_EQ(d.Layout().Count(), 1u);
    EXPECT_EQ(d.Strip()->BandRect(0).top(), 4);
    EXPECT_TRUE(d.Strip()->BandLabel(0).startsWith("TOM"));

    // Filled: OK appends the page as one undo step and closes.
    lines->setCurrentIndex(1);
    Mnemonic(editor, Qt::Key_A);
    ASSERT_EQ(d.Layout().UsedLines(), 3u);
    const int steps = doc->UndoStack()->count();
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    ASSERT_EQ(doc->Core().PageCount(), 1u);
    EXPECT_EQ(doc->Core().CountPageItems(0), 2u);
    EXPECT_EQ(doc->UndoStack()->count(), steps + 1);
    EXPECT_EQ(doc->UndoStack()->undoText(), QStringLiteral("Add Ad"));
}

TEST_F(AdEditor, CancelAndRefusalsLeaveTheProjectAlone)
{
    Board(1);
    ASSERT_TRUE(doc->AppendPage({TextItem(u"Kept")}));
    const std::vector<uint8_t> before = doc->Core().Serialize();
    const int steps = doc->UndoStack()->count();

    // Editing a copy: nothing reaches the document before OK.
    CAdEditorDlg& d = Open(0u);
    ASSERT_EQ(d.Layout().Count(), 1u);
    d.Strip()->SetSelected(std::nullopt); // it opens with the first band chosen
    ASSERT_TRUE(d.DeleteBand() == false);  // nothing chosen
    d.Strip()->SetSelected(0);
    ASSERT_TRUE(d.DeleteBand());
    EXPECT_EQ(doc->Core().Serialize(), before);
    QTest::keyClick(TextPage()->Editor(), Qt::Key_Escape);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(doc->Core().Serialize(), before);

    // A one-row board has no room for a clock: the page cannot supply its item.
    CAdEditorDlg& d2 = Open();
    Show(8);
    EXPECT_FALSE(d2.AddBand());
    EXPECT_EQ(d2.Layout().Count(), 0u);
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.last().startsWith("There is no room for this item"));
    d2.close();
    EXPECT_EQ(doc->Core().Serialize(), before);

    // With 50 items the project takes no further page: OK is refused and the editor stays.
    for (int i = 1; i < 50; ++i)
        ASSERT_TRUE(doc->AppendPage({TextItem(u"x")}));
    const std::vector<uint8_t> full = doc->Core().Serialize();
    CAdEditorDlg& d3 = Open();
    Type(TextPage()->Editor(), "one too many");
    ASSERT_TRUE(d3.AddBand());
    d3.accept();
    EXPECT_TRUE(d3.isVisible());
    EXPECT_EQ(doc->Core().Serialize(), full);
    EXPECT_EQ(doc->UndoStack()->count(), steps + 49);
}

TEST_F(AdEditor, EditAdGivesBackTheSameItemsByteForByte)
{
    Board(4, 'A');
    CLumivo text = TextItem(u"Sale");
    lumivo::SetItemLines(text, 2);
    text.chars[1].attr.color = 5;
    text.chars[2].attr.face = 3;
    text.effectS = CEFF(75, 13); // set with the effect dialog
    text.fit = 1;
    auto built = [](int type, auto fill) {
        lumivo::ItemChoices c;
        c.type = type;
        fill(c);
        CLumivo item;
        EXPECT_TRUE(lumivo::BuildItem(c, item));
        return item;
    };
    const CLumivo eng = built(LUMIVO_ENG2LINE, [](lumivo::ItemChoices& c) {
        c.text = u"top";
        c.text2 = u"down";
    });
    const CLumivo image = built(LUMIVO_MOVIE, [](lumivo::ItemChoices& c) {
        c.index = 1;
        c.delay = 4;
    });
    const CLumivo clock = built(LUMIVO_ANALOG, [](lumivo::ItemChoices& c) {
        c.option = 2;
        c.color = 1;
        c.lines = 2;
    });
    const std::vector<CLumivo> page = {text, eng, image};
    ASSERT_TRUE(doc->AppendPage({TextItem(u"first")}));
    ASSERT_TRUE(doc->AppendPage(page));
    ASSERT_TRUE(doc->SetPageUsed(1, false));
    ASSERT_TRUE(doc->AppendPage({clock, TextItem(u"x"), TextItem(u"y")}));
    const std::vector<uint8_t> before = Bytes(doc->Core().PageItems(1));

    CAdEditorDlg& d = Open(1u);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Edit Ad"));
    ASSERT_EQ(d.Layout().Count(), 3u);
    EXPECT_EQ(d.Sheet()->currentIndex(), 0); // the first item's page, loaded
    EXPECT_EQ(TextPage()->Editor()->Text().Text(), u"Sale");
    EXPECT_EQ(TextPage(1)->Editor()->Text().Text(), u"top\ndown");
    // Every band rebuilt from its page as loaded comes back unchanged.
    for (size_t band = 0; band < 3; ++band) {
        d.Strip()->SetSelected(band);
        ASSERT_TRUE(d.ReplaceBand()) << band;
    }
    QTest::keyClick(d.Strip(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(d.result(), QDialog::Accepted) << messages.join('\n').toStdString();
    EXPECT_EQ(Bytes(doc->Core().PageItems(1)), before);
    EXPECT_EQ(doc->Core().PageItems(1)[0].skip, 1); // still unchecked

    CAdEditorDlg& d2 = Open(2u);
    d2.Strip()->SetSelected(0);
    EXPECT_EQ(d2.Sheet()->currentIndex(), 8);
    ASSERT_TRUE(d2.ReplaceBand());
    d2.accept();
    EXPECT_EQ(Bytes({doc->Core().PageItems(2)[0]}), Bytes({clock}));
    EXPECT_EQ(doc->UndoStack()->undoText(), QStringLiteral("Edit Ad"));

    // A date keeps the text it was stored with, however old, while its format stays.
    const CLumivo date = built(LUMIVO_DATE, [](lumivo::ItemChoices& c) {
        c.text = u"2001.01.01";
        c.format = 1;
        c.lines = 4;
    });
    ASSERT_TRUE(doc->AppendPage({date}));
    CAdEditorDlg& d3 = Open(3u);
    d3.Strip()->SetSelected(0);
    ASSERT_TRUE(d3.ReplaceBand());
    d3.accept();
    ASSERT_EQ(d3.result(), QDialog::Accepted) << messages.join('\n').toStdString();
    EXPECT_EQ(Bytes({doc->Core().PageItems(3)[0]}), Bytes({date}));
}

TEST_F(AdEditor, EditAdChangesTheChosenBandAsTypedAndOkKeepsIt)
{
    Board(2);
    ASSERT_TRUE(doc->AppendPage({TextItem(u"Sale"), TextItem(u"Open")}));
    CAdEditorDlg& d = Open(0u);
    // The first item, chosen, in front, read from its start.
    EXPECT_EQ(d.Strip()->Selected(), std::optional<size_t>(0));
    EXPECT_EQ(d.Sheet()->currentIndex(), 0);
    CCharEditor* editor = TextPage()->Editor();
    EXPECT_EQ(QApplication::focusWidget(), editor);
    EXPECT_EQ(editor->Text().Text(), u"Sale");
    EXPECT_EQ(editor->Text().Caret(), 0u);
    EXPECT_EQ(editor->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), 4);

    Type(editor, "Big ");
    EXPECT_EQ(lumivo::ItemTitle(d.Layout().Items()[0], false), u"Big Sale"); // the band, at once
    EXPECT_TRUE(d.Strip()->BandLabel(0).startsWith("Big Sale"));
    EXPECT_TRUE(d.Preview()->IsPlaying());
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(d.result(), QDialog::Accepted) << messages.join('\n').toStdString();
    EXPECT_TRUE(questions.isEmpty());
    ASSERT_EQ(doc->Core().CountPageItems(0), 2u);
    EXPECT_EQ(lumivo::ItemTitle(doc->Core().PageItems(0)[0], false), u"Big Sale");
    EXPECT_EQ(lumivo::ItemTitle(doc->Core().PageItems(0)[1], false), u"Open");
    EXPECT_EQ(doc->UndoStack()->undoText(), QStringLiteral("Edit Ad"));
}

TEST_F(AdEditor, TypingNotOnThePageIsOfferedBeforeItCouldBeLost)
{
    Board(3);
    CAdEditorDlg& d = Open();
    CCharEditor* editor = TextPage()->Editor();
    auto clickBand = [&](int band) {
        const QRect r = band >= 0 ? d.Strip()->BandRect(size_t(band)) : QRect();
        const QPoint at = band >= 0 ? r.center() : QPoint(20, d.Strip()->height() - 8);
        QTest::mouseClick(d.Strip(), Qt::LeftButton, {}, at);
    };
    auto retype = [&](const char* text) {
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        Type(editor, text);
    };
    Type(editor, "ONE");
    Mnemonic(editor, Qt::Key_A);
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.Layout().Count() == 1; }, 3000)); // the button's click is animated
    retype("TWO");

    // Choosing the band would show its item over the typing: asked first.
    answers = {2}; // Cancel: nothing happens
    clickBand(0);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].startsWith("Place the text you typed?")) << questions[0].toStdString();
    EXPECT_FALSE(d.Strip()->Selected().has_value());
    EXPECT_EQ(editor->Text().Text(), u"TWO");
    answers = {0}; // Add: the typing becomes a band, then the chosen band shows
    clickBand(0);
    ASSERT_EQ(questions.size(), 2);
    ASSERT_EQ(d.Layout().Count(), 2u);
    EXPECT_EQ(lumivo::ItemTitle(d.Layout().Items()[1], false), u"TWO");
    EXPECT_EQ(d.Strip()->Selected(), std::optional<size_t>(0));
    EXPECT_EQ(editor->Text().Text(), u"ONE");
    editor->setFocus();
    Type(editor, "X");
    EXPECT_EQ(lumivo::ItemTitle(d.Layout().Items()[0], false), u"XONE");

    // Below the bands nothing is chosen; what is typed then is offered at OK.
    clickBand(-1);
    EXPECT_FALSE(d.Strip()->Selected().has_value());
    retype("THREE");
    answers = {1}; // Discard: the page is one line short, and the editor says so
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(questions.size(), 3);
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(messages.last().startsWith("The page does not fill the board yet"));
    retype("END");
    answers = {0};
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(d.result(), QDialog::Accepted) << messages.join('\n').toStdString();
    ASSERT_EQ(questions.size(), 4);
    const std::vector<CLumivo> page = doc->Core().PageItems(0);
    ASSERT_EQ(page.size(), 3u);
    EXPECT_EQ(lumivo::ItemTitle(page[0], false), u"XONE");
    EXPECT_EQ(lumivo::ItemTitle(page[1], false), u"TWO");
    EXPECT_EQ(lumivo::ItemTitle(page[2], false), u"END");
}

TEST_F(AdEditor, EscapeAndClosingAskBeforeChangesAreDropped)
{
    Board(1);
    ASSERT_TRUE(doc->AppendPage({TextItem(u"Kept")}));
    const std::vector<uint8_t> before = doc->Core().Serialize();

    // Nothing changed: Escape closes at once.
    CAdEditorDlg& d = Open(0u);
    QTest::keyClick(TextPage()->Editor(), Qt::Key_Escape);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_TRUE(questions.isEmpty());

    // Changed: Cancel goes on editing, Discard drops the change.
    CAdEditorDlg& d2 = Open(0u);
    Type(TextPage()->Editor(), "Not ");
    answers = {2};
    QTest::keyClick(TextPage()->Editor(), Qt::Key_Escape);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].startsWith("Keep the changes to this Ad?"));
    EXPECT_TRUE(d2.isVisible());
    answers = {1};
    QTest::keyClick(TextPage()->Editor(), Qt::Key_Escape);
    EXPECT_EQ(d2.result(), QDialog::Rejected);
    EXPECT_EQ(doc->Core().Serialize(), before);

    // Closing the window with a change: Keep is OK.
    CAdEditorDlg& d3 = Open(0u);
    Type(TextPage()->Editor(), "Still ");
    answers = {0};
    d3.close();
    EXPECT_EQ(d3.result(), QDialog::Accepted);
    EXPECT_EQ(questions.size(), 3);
    EXPECT_EQ(lumivo::ItemTitle(doc->Core().PageItems(0)[0], false), u"Still Kept");
}

TEST_F(AdEditor, EveryChoiceSaysWhatItDoes)
{
    Board(2);
    CAdEditorDlg& d = Open();
    // The nine kinds and the font page, each in full view.
    ASSERT_EQ(d.Kinds()->count(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(d.Kinds()->viewport()->rect().contains(d.Kinds()->visualItemRect(d.Kinds()->item(i)))) << i;
    QTest::mouseClick(d.Kinds()->viewport(), Qt::LeftButton, {}, d.Kinds()->visualItemRect(d.Kinds()->item(8)).center());
    EXPECT_EQ(d.Sheet()->currentIndex(), 8);
    Show(0);
    EXPECT_EQ(d.Kinds()->currentRow(), 0);

    // Colours and letter animations by their looks; fonts with height and style.
    QComboBox* colors = TextPage()->ColorList();
    EXPECT_EQ(colors->itemText(3), QStringLiteral("4  Green on red"));
    EXPECT_EQ(colors->itemData(14, Qt::ToolTipRole).toString(), QStringLiteral("Colour 15: Rainbow"));
    TextPage()->ColorSpin()->setValue(4);
    EXPECT_EQ(colors->toolTip(), QStringLiteral("Colour 4: Green on red"));
    EXPECT_EQ(TextPage()->AttribList()->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("Letter animation 2: Blinking"));
    EXPECT_TRUE(TextPage()->FaceList()->toolTip().contains(QStringLiteral("dots high"))) << TextPage()->FaceList()->toolTip().toStdString();

    // The effect dialog: what the number and the delay mean, and a tall text whole.
    CLumivo tall = TextItem(u"Tall");
    lumivo::SetItemLines(tall, 2);
    tall.effectS = CEFF(59, 7); // Flow 1, delay 1
    CEffectDlg effect(tall, 0, doc->BorrowContent());
    EXPECT_EQ(effect.DemoRows(), 2u);
    EXPECT_EQ(lumivo::ItemLines(effect.DemoItem()), 2u);
    EXPECT_EQ(effect.Demo()->ModuleRows(), 2u);
    EXPECT_EQ(effect.IndexSpin()->toolTip(), QStringLiteral("Number 1 of 10: leftward (in at the right, out at the left)"));
    EXPECT_TRUE(effect.DelaySpin()->toolTip().startsWith(QStringLiteral("Time between two steps of the effect: 0.005 s at 1")))
        << effect.DelaySpin()->toolTip().toStdString();
    EXPECT_TRUE(effect.findChild<QLabel*>(QStringLiteral("FlowNote"))->text().contains("always scrolls"));

    // The fonts' style words are in the interface language too.
    dlg.reset();
    for (const auto& [language, style] : {std::pair{u"Korean", "좁은 글꼴"}, std::pair{u"Chinese", "窄体"}}) {
        CGlobalization::SelectLanguage(language);
        Open();
        const QString tip = TextPage()->FaceList()->itemData(0, Qt::ToolTipRole).toString();
        EXPECT_TRUE(tip.contains(QString::fromUtf8(style))) << tip.toStdString();
        dlg.reset();
    }
}

TEST_F(AdEditor, CtrlZInTheTextUndoesWordsErasuresAndChoicesNotTheProject)
{
    Board(2);
    ASSERT_TRUE(doc->AppendPage({TextItem(u"SALE")}));
    Open(0);
    CQVSheetTextPage* page = TextPage();
    CCharEditor* editor = page->Editor();
    auto text = [editor] { return editor->Text().Text(); };
    auto key = [editor](Qt::Key k, Qt::KeyboardModifiers m = Qt::ControlModifier) { QTest::keyClick(editor, k, m); };
    key(Qt::Key_Z); // the loaded text is where the history starts
    EXPECT_EQ(text(), u"SALE");

    QTest::keyClick(editor, Qt::Key_End);
    Type(editor, " 24H");      // one step
    key(Qt::Key_Backspace, {}); // erasures one after another: one step
    key(Qt::Key_Backspace, {});
    key(Qt::Key_Left, Qt::ShiftModifier);
    page->ColorSpin()->setValue(3); // one step
    EXPECT_EQ(text(), u"SALE 2");
    EXPECT_EQ(editor->Text().Cells()[5].attr.color, 2u);
    key(Qt::Key_Z);
    EXPECT_EQ(editor->Text().Cells()[5].attr.color, 0u);
    EXPECT_TRUE(editor->Text().HasSelection()); // the selection comes back too
    key(Qt::Key_Z);
    EXPECT_EQ(text(), u"SALE 24H");
    key(Qt::Key_Z);
    EXPECT_EQ(text(), u"SALE");
    key(Qt::Key_Y);
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(text(), u"SALE 2");
    Type(editor, "!"); // over the selection redo brought back; nothing is left to redo
    key(Qt::Key_Y);
    EXPECT_EQ(text(), u"SALE !");
    EXPECT_EQ(doc->UndoStack()->count(), 1); // the project's history is untouched
}

// Left and Right without Shift end a selection at its start and its end,
// whichever way it was made, as every text field does.
TEST_F(AdEditor, LeftAndRightCollapseASelectionToItsEnds)
{
    Board(2);
    Open();
    CCharEditor* editor = TextPage()->Editor();
    Type(editor, "abcdef");
    const lumivo::CCellText& text = editor->Text();
    for (const bool backwards : {false, true}) {
        for (const Qt::Key key : {Qt::Key_Left, Qt::Key_Right}) {
            QTest::keyClick(editor, Qt::Key_Home);
            QTest::keyClick(editor, Qt::Key_Right);
            if (backwards) { // caret at 1, anchor at 4
                for (int i = 0; i < 3; ++i)
                    QTest::keyClick(editor, Qt::Key_Right);
                for (int i = 0; i < 3; ++i)
                    QTest::keyClick(editor, Qt::Key_Left, Qt::ShiftModifier);
            } else { // anchor at 1, caret at 4
                for (int i = 0; i < 3; ++i)
                    QTest::keyClick(editor, Qt::Key_Right, Qt::ShiftModifier);
            }
            ASSERT_EQ(text.SelectionBegin(), 1u);
            ASSERT_EQ(text.SelectionEnd(), 4u);
            QTest::keyClick(editor, key);
            EXPECT_FALSE(text.HasSelection()) << backwards << key;
            EXPECT_EQ(text.Caret(), key == Qt::Key_Left ? 1u : 4u) << backwards;
        }
    }
    EXPECT_EQ(text.Text(), u"abcdef");
}

TEST_F(AdEditor, ChoicesApplyToTheSelectionAfterALineBreak)
{
    Board(2);
    Open();
    CQVSheetTextPage* page = TextPage();
    CCharEditor* editor = page->Editor();
    Type(editor, "ab");
    QTest::keyClick(editor, Qt::Key_Return);
    Type(editor, "cd");
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(editor, Qt::Key_Left, Qt::ShiftModifier);
    page->ColorSpin()->setValue(6);
    page->AttribSpin()->setValue(2);
    for (QComboBox* list : {page->FaceList(), page->WidthList(), page->SizeList()}) {
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
    }
    EXPECT_EQ(page->ColorList()->currentIndex(), 5);
    const std::vector<CLumiChar>& cells = editor->Text().Cells();
    ASSERT_EQ(cells.size(), 5u);
    for (size_t i : {0, 1, 2})
        EXPECT_EQ(cells[i].attr.GetWord(), QVXF().GetWord()) << i;
    for (size_t i : {3, 4}) {
        EXPECT_EQ(cells[i].attr.color, 5u);
        EXPECT_EQ(cells[i].attr.attrib, 1u);
        EXPECT_EQ(cells[i].attr.face, 1u);
        EXPECT_EQ(cells[i].attr.widthIndex, 2u);
        EXPECT_EQ(cells[i].attr.size, 4u);
    }
    // A 32-dot glyph needs two lines: the editor shows two 16-dot rows.
    EXPECT_EQ(page->LinesList()->currentData().toUInt(), 2u);
    EXPECT_EQ(editor->Lines(), 2u);
    // What is typed next takes the same choices; the lists follow the caret.
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_End);
    Type(editor, "e");
    EXPECT_EQ(editor->Text().Cells()[5].attr.GetWord(), cells[4].attr.GetWord());
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClick(editor, Qt::Key_Right);
    EXPECT_EQ(page->ColorList()->currentIndex(), 0);
    EXPECT_EQ(page->ColorSpin()->value(), 1);

    // Symbols and moves go in at the caret, in the glyph of the caret's cell.
    CGlyphGrid* symbols = page->Symbols();
    ASSERT_GT(symbols->count(), 500);
    symbols->setFocus();
    symbols->setCurrentRow(100);
    QTest::keyClick(symbols, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), editor);
    ASSERT_EQ(editor->Text().Size(), 7u);
    EXPECT_EQ(editor->Text().Cells()[1].code, symbols->CellAt(100).code);
    EXPECT_GE(editor->Text().Cells()[1].code, qvr::kLatinLimit);
    EXPECT_FALSE(editor->IsMarked(1));
    CGlyphGrid* moves = page->Moves();
    page->findChild<QTabWidget*>()->setCurrentWidget(moves);
    moves->setFocus();
    moves->setCurrentRow(2);
    QTest::keyClick(moves, Qt::Key_Return);
    const CLumiChar& move = editor->Text().Cells()[2];
    EXPECT_EQ(move.attr.kind, 5u);
    EXPECT_EQ(move.code, 3);
    EXPECT_EQ(editor->CellRect(2).width(), 16 * editor->Zoom());
    EXPECT_EQ(editor->Text().Text(), u"a" + std::u16string(1, char16_t(symbols->CellAt(100).code)) + u"b\ncde");
}

TEST_F(AdEditor, LimitsAndUndrawableCharactersAreTold)
{
    Board(1, 'A');
    CAdEditorDlg& d = Open();
    CCharEditor* editor = TextPage()->Editor();
    Type(editor, std::string(100, 'x').c_str());
    EXPECT_FALSE(TextPage()->Notice()->isVisible());
    Type(editor, "y");
    EXPECT_EQ(editor->Text().Size(), 100u);
    EXPECT_TRUE(TextPage()->Notice()->isVisible());
    EXPECT_EQ(TextPage()->Notice()->text(), QStringLiteral("You can enter at most 100 characters."));
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Delete);
    EXPECT_EQ(editor->Text().Size(), 0u);
    EXPECT_FALSE(TextPage()->Notice()->isVisible());

    // A syllable outside KS X 1001 is marked and named, not left to show a neighbour.
    Type(editor, "OK");
    Compose(editor, QString(), QStringLiteral("뷁"));
    EXPECT_FALSE(editor->IsMarked(0));
    EXPECT_TRUE(editor->IsMarked(2));
    EXPECT_TRUE(TextPage()->Notice()->text().startsWith(QStringLiteral("The board cannot show these characters exactly: 뷁. ")));
    ASSERT_TRUE(d.AddBand()); // built all the same
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("The board cannot show these characters exactly: 뷁. ")));
    EXPECT_EQ(d.Layout().Items()[0].chars[2].code, 0xBDC1);
}

TEST_F(AdEditor, KoreanTypedThroughTheInputMethodIsDrawnWithTheHangulFaces)
{
    Board(1, 'A');
    Open();
    CCharEditor* editor = TextPage()->Editor();
    EXPECT_TRUE(editor->testAttribute(Qt::WA_InputMethodEnabled));
    // 한 then 글: each syllable composed, shown while composing, then committed.
    Compose(editor, QStringLiteral("ㅎ"));
    Compose(editor, QStringLiteral("하"));
    Compose(editor, QStringLiteral("한"));
    EXPECT_EQ(editor->Preedit(), QStringLiteral("한"));
    EXPECT_EQ(editor->Text().Size(), 0u);
    EXPECT_EQ(editor->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), 4 + 16 * editor->Zoom());
    Compose(editor, QStringLiteral("ㄱ"), QStringLiteral("한"));
    Compose(editor, QString(), QStringLiteral("글"));
    EXPECT_TRUE(editor->Preedit().isEmpty());
    const std::vector<CLumiChar>& cells = editor->Text().Cells();
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].code, 0xD55C);
    EXPECT_EQ(cells[1].code, 0xAE00);
    EXPECT_FALSE(editor->IsMarked(0));
    // A correction replaces the cells the input method names around the caret.
    QInputMethodEvent fix(QString(), {});
    fix.setCommitString(QStringLiteral("韓"), -2, 1);
    QApplication::sendEvent(editor, &fix);
    EXPECT_EQ(editor->Text().Text(), u"韓글");
    EXPECT_EQ(editor->Text().Caret(), 1u);
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(editor->Text().Text(), u"한글");
    // A Hanja or Chinese candidate list opens where the input method hears the caret is.
    QSignalSpy told(QGuiApplication::inputMethod(), &QInputMethod::cursorRectangleChanged);
    const QRect before = editor->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QTest::keyClick(editor, Qt::Key_Left);
    EXPECT_GT(told.count(), 0);
    EXPECT_LT(editor->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), before.left());
    QTest::keyClick(editor, Qt::Key_End);

    // On screen each LED of the cell is the Hangul face's dot, magnified.
    const CContent& content = doc->Core().Content();
    unsigned char glyph[qvr::kGlyphBufferBytes] = {};
    const SIZE s = content.make_han_unic(cells[1].attr, cells[1].code, 0, glyph);
    ASSERT_EQ(s.cx, 16);
    const QImage shot = editor->grab().toImage();
    const QRect r = editor->CellRect(1);
    ASSERT_EQ(r.size(), QSize(16, 16) * editor->Zoom());
    int lit = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb on = shot.pixel(r.left() + x * editor->Zoom() + 1, r.top() + y * editor->Zoom() + 1);
            const unsigned char v = glyph[y * 16 + x];
            lit += v != 0;
            ASSERT_EQ(qRed(on) > 128, (v & 1) != 0) << x << "," << y;
            ASSERT_EQ(qGreen(on) > 128, (v & 2) != 0) << x << "," << y;
        }
    EXPECT_GT(lit, 20);
}

TEST_F(AdEditor, CellsAndPlainTextMoveThroughTheClipboard)
{
    Board(1);
    Open();
    CCharEditor* from = TextPage()->Editor();
    Type(from, "Hi!");
    TextPage()->ColorSpin()->setValue(3); // nothing selected: what comes next
    from->setFocus();
    Type(from, "?");
    QTest::keyClick(from, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(from, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime->hasFormat(CCharEditor::kCellsMime));
    EXPECT_EQ(mime->text(), QStringLiteral("Hi!?"));

    // Into another text: the cells with their own colours.
    Show(1);
    CCharEditor* two = TextPage(1)->Editor();
    QTest::keyClick(two, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(two->Text().Size(), 4u);
    EXPECT_EQ(two->Text().Cells()[3].attr.color, 2u);
    EXPECT_EQ(two->Text().Cells()[0].attr.color, 0u);
    EXPECT_EQ(two->Text().Cells()[0].attr.kind, 7u); // small-font cells there

    // Cut, then plain text from another program with the current choices.
    Show(0);
    QTest::keyClick(from, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(from->Text().Size(), 0u);
    QGuiApplication::clipboard()->setText(QStringLiteral("Line\nTwo"));
    QTest::keyClick(from, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(from->Text().Text(), u"Line\nTwo");
    EXPECT_EQ(from->Text().Cells()[4].code, 10);
    // Past the limit a paste is cut and told.
    QGuiApplication::clipboard()->setText(QString(200, QLatin1Char('z')));
    QTest::keyClick(from, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(from->Text().Size(), 100u);
    EXPECT_TRUE(TextPage()->Notice()->text().contains("at most 100"));
}

// The editor in each language with text in its script, drawn by the board's
// fonts; the pictures stay in the build tree when LUMIVO_SCREENSHOT_DIR says where.
TEST_F(AdEditor, TextInThreeScriptsIsDrawnByTheBoardsFonts)
{
    const struct {
        const char16_t* language;
        uint8_t board;
        const char* typed;
        const char* file;
    } shots[] = {{u"English", 'E', "OPEN 24H", "ad-editor-english.png"},
                 {u"Korean", 'A', "영업중 24시", "ad-editor-korean.png"},
                 {u"Chinese", 'E', "营业中 24小时", "ad-editor-chinese.png"}};
    const QString dir = QString::fromLocal8Bit(qgetenv("LUMIVO_SCREENSHOT_DIR"));
    for (const auto& s : shots) {
        CGlobalization::SelectLanguage(s.language);
        dlg.reset();
        Board(2, s.board);
        CAdEditorDlg& d = Open();
        CCharEditor* editor = TextPage()->Editor();
        Compose(editor, QString(), QString::fromUtf8(s.typed)); // as an input method commits it
        ASSERT_TRUE(d.AddBand()) << messages.join('\n').toStdString();
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        int lit = 0;
        for (size_t i = 0; i < editor->Text().Size(); ++i) {
            EXPECT_FALSE(editor->IsMarked(i)) << s.file << " " << i;
            const QImage cell = editor->grab(editor->CellRect(i)).toImage();
            for (int y = 0; y < cell.height(); y += editor->Zoom())
                for (int x = 0; x < cell.width(); x += editor->Zoom())
                    lit += (cell.pixel(x, y) & 0xFFFFFF) != 0;
        }
        EXPECT_GT(lit, 100) << s.file;
        EXPECT_EQ(d.AddButton()->text(), QString::fromStdU16String(CGlobalization::GetText(u"AddDialog", u"btnAdd")));
        // Every language keeps the English keys.
        EXPECT_EQ(QKeySequence::mnemonic(d.AddButton()->text()), QKeySequence(Qt::ALT | Qt::Key_A)) << s.file;
        EXPECT_EQ(QKeySequence::mnemonic(d.ReplaceButton()->text()), QKeySequence(Qt::ALT | Qt::Key_R)) << s.file;
        EXPECT_EQ(QKeySequence::mnemonic(d.DeleteButton()->text()), QKeySequence(Qt::ALT | Qt::Key_D)) << s.file;
        if (!dir.isEmpty()) {
            // A run at another scale keeps its pictures beside those at 1.
            QString file = QLatin1String(s.file);
            if (const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR"); !scale.isEmpty() && scale != "1")
                file.replace(QStringLiteral(".png"), QStringLiteral("-scale") + scale + QStringLiteral(".png"));
            QDir().mkpath(dir);
            EXPECT_TRUE(d.grab().save(dir + QLatin1Char('/') + file));
        }
    }
}

} // namespace

TEST_F(AdEditor, TextInAFontNamesWhatItCannotDrawAndKeepsToTheBudget)
{
    Board(2);
    const QString font = qEnvironmentVariable("LUMIVO_SOURCE_DIR") + "/lumivo/core/tests/data/fonts/test-latin.ttf";
    CAdEditorDlg& d = Open();
    CFontTextPage* page = d.FontPage();
    ASSERT_EQ(d.SheetPage(CFontTextPage::kIndex), page);
    Show(CFontTextPage::kIndex);
    EXPECT_EQ(d.ActiveItemKind(), LUMIVO_IMAGE);
    page->chooseFontFile = [font] { return font; };
    Mnemonic(page->TextField(), Qt::Key_I);
    ASSERT_EQ(page->Recipe().font, font.toStdString());

    // A letter the font lacks is named on the page, and nothing is placed.
    page->TextField()->setText(QString::fromUtf8("Caf\u00e9 \u0628"));
    EXPECT_TRUE(page->Notice()->text().contains(QStringLiteral("U+0628"))) << page->Notice()->text().toStdString();
    EXPECT_EQ(page->Shown().width, 0);
    EXPECT_FALSE(d.AddBand());
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.back().contains(QStringLiteral("U+0628")));
    EXPECT_EQ(d.Layout().Count(), 0u);

    // Two images placed, the first band deleted: OK keeps only the image
    // still shown, and its item follows it to the first slot.
    page->TextField()->setText(QStringLiteral("One"));
    ASSERT_TRUE(d.AddBand());
    page->TextField()->setText(QStringLiteral("Two"));
    ASSERT_TRUE(d.AddBand());
    ASSERT_EQ(page->Draft().images.size(), 2u);
    d.Strip()->SetSelected(0);
    ASSERT_TRUE(d.DeleteBand());
    Show(0);
    Type(TextPage()->Editor(), "Shop");
    ASSERT_TRUE(d.AddBand());
    const int steps = doc->UndoStack()->count();
    d.accept();
    ASSERT_EQ(d.result(), QDialog::Accepted) << messages.join('\n').toStdString();
    EXPECT_EQ(doc->UndoStack()->count(), steps + 1);
    ASSERT_EQ(doc->Core().UserImages().size(), 1u);
    EXPECT_EQ(doc->Core().TextRecipes().bySlot.at(0).text, "Two");
    const std::vector<CLumivo> items = doc->Core().PageItems(0);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(lumivo::UserImageSlot(doc->Core().Content(), items[0]), 0u);

    // With eight user images the page refuses a ninth with the meter's words.
    std::vector<CRGX<8192>> eight(8, doc->Core().UserImages().front());
    ASSERT_TRUE(doc->ReplaceUserImages(eight));
    CAdEditorDlg& full = Open();
    full.FontPage()->chooseFontFile = [font] { return font; };
    Show(CFontTextPage::kIndex);
    Mnemonic(full.FontPage()->TextField(), Qt::Key_I);
    full.FontPage()->TextField()->setText(QStringLiteral("Nine"));
    messages.clear();
    EXPECT_FALSE(full.AddBand());
    EXPECT_TRUE(messages.join('\n').contains(QStringLiteral("8 of 8 images"))) << messages.join('\n').toStdString();
    EXPECT_EQ(full.Layout().Count(), 0u);
}
